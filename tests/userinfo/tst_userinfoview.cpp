#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "vrek/container/userinfohash.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/userinfo/userinfolistview.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/userinfo/userinfowidget.h"
#include "vrek/utils/globalvalue.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
UserInfo stored(const QString &id, const QString &name, const QString &type)
{
    UserInfo userInfo(id, name, type);
    userInfo.setOnline(true);
    g_userInfoHash.updateUserInfo(userInfo);
    return userInfo;
}

UserInfo record(const QString &id)
{
    UserInfo userInfo;
    g_userInfoHash.selectUserInfo(id, userInfo);
    return userInfo;
}

QPushButton *button(QWidget *row, const char *name)
{
    return row->findChild<QPushButton *>(name);
}

// The row widget of a listed user, made by laying the list out.
UserInfoWidget *rowOf(UserInfoListView *list, const QString &userId)
{
    const int row = list->userInfoListModel()->rowOf(userId);
    if (row < 0)
        return nullptr;
    const QModelIndex index = list->userInfoListModel()->index(row, 0);
    list->scrollTo(index);
    QCoreApplication::processEvents();
    list->viewport()->repaint();
    return qobject_cast<UserInfoWidget *>(list->indexWidget(index));
}
} // namespace

// The participant panel: its rows' states by viewer and lesson type, the lazy rows and the sort, the online
// counters, and what a praise press tells the class.
class TestUserInfoView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void rowStates_data();
    void rowStates();
    void loweredHandShowsNothing();
    void ownRowIsMarked();
    void rowsAreMadeWhenLaidOut();
    void sortWaitsThenRebuildsTheRows();
    void countersFollowListedRows_data();
    void countersFollowListedRows();
    void meetingCountsEveryone();
    void teacherAreaAndLeaves();
    void leaveOfTheWatchedStudent_data();
    void leaveOfTheWatchedStudent();
    void flagsReachTheTableAndTheRow();
    void cameraPressNeedsACamera();
    void praisePressTellsTheClass();

private:
    ClassroomLink *m_link = nullptr;
};

void TestUserInfoView::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestUserInfoView::cleanupTestCase()
{
    delete m_link;
}

void TestUserInfoView::init()
{
    g_userInfoHash.clear();
    g_teacherList.clear();
    g_lectId = "T1";
    g_userId = "S1";
    g_accountId = "acc1";
    g_classType = 4;
    g_classId = "class3101";
    g_classTitle = "Fractions";
    g_uiScale = 1.0;
    m_link->clear();
}

void TestUserInfoView::rowStates_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("rowId");
    QTest::addColumn<QString>("rowType");
    QTest::addColumn<int>("cameraState");
    QTest::addColumn<bool>("cameraOn");
    QTest::addColumn<bool>("handUp");
    QTest::addColumn<int>("praise");
    // Expected: shown buttons as "hcp" letters (hand, camera, praise), the camera picture, whether the camera
    // and praise buttons take clicks, the praise text.
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("cameraPicture");
    QTest::addColumn<bool>("cameraEnabled");
    QTest::addColumn<bool>("praiseEnabled");
    QTest::addColumn<QString>("praiseText");

    QTest::newRow("lecturer, camera shown") << "T1" << 4 << "S2"
                                            << "1" << 3 << true << false << 0 << "hcp"
                                            << "camera_04.png" << true << true << "";
    QTest::newRow("lecturer, camera off") << "T1" << 4 << "S2"
                                          << "1" << 3 << false << false << 2 << "hcp"
                                          << "camera_03.png" << true << true << "2";
    QTest::newRow("lecturer, no camera") << "T1" << 4 << "S2"
                                         << "1" << 0 << false << true << 0 << "hcp"
                                         << "camera_02.png" << false << true << "";
    QTest::newRow("lecturer's own row") << "T1" << 4 << "T1"
                                        << "0" << 3 << true << false << 0 << ""
                                        << "camera_04.png" << true << true << "";
    QTest::newRow("student sees a student") << "S1" << 4 << "S2"
                                            << "1" << 3 << false << true << 5 << "hp"
                                            << "camera_03.png" << true << false << "5";
    QTest::newRow("student sees the lecturer") << "S1" << 4 << "T1"
                                               << "0" << 0 << false << false << 0 << ""
                                               << "camera_02.png" << false << false << "";
    QTest::newRow("student sees type 5") << "S1" << 4 << "O1"
                                         << "5" << 0 << false << false << 0 << ""
                                         << "camera_02.png" << false << true << "";
    QTest::newRow("meeting: no praise") << "T1" << 5 << "S2"
                                        << "1" << 3 << false << false << 1 << "hc"
                                        << "camera_03.png" << true << true << "1";
    QTest::newRow("class type 6: no camera") << "T1" << 6 << "S2"
                                             << "1" << 3 << false << false << 0 << "hp"
                                             << "camera_03.png" << true << true << "";
    QTest::newRow("class type 7: no camera") << "T1" << 7 << "S2"
                                             << "1" << 0 << false << true << 0 << "hp"
                                             << "camera_02.png" << false << true << "";
}

void TestUserInfoView::rowStates()
{
    QFETCH(QString, viewer);
    QFETCH(int, classType);
    QFETCH(QString, rowId);
    QFETCH(QString, rowType);
    QFETCH(int, cameraState);
    QFETCH(bool, cameraOn);
    QFETCH(bool, handUp);
    QFETCH(int, praise);
    QFETCH(QString, shown);
    QFETCH(QString, cameraPicture);
    QFETCH(bool, cameraEnabled);
    QFETCH(bool, praiseEnabled);
    QFETCH(QString, praiseText);
    g_userId = viewer;
    g_classType = classType;
    UserInfo userInfo(rowId, "Name", rowType);
    userInfo.setCameraState(cameraState);
    userInfo.setCameraOn(cameraOn);
    userInfo.setHandUp(handUp);
    userInfo.setExtraState(praise);
    UserInfoWidget row(userInfo);
    QPushButton *hand = button(&row, "handUpButton");
    QPushButton *camera = button(&row, "cameraButton");
    QPushButton *praiseButton = button(&row, "praiseButton");
    QString actual;
    actual += hand->isHidden() ? "" : "h";
    actual += camera->isHidden() ? "" : "c";
    actual += praiseButton->isHidden() ? "" : "p";
    QCOMPARE(actual, shown);
    QVERIFY2(camera->styleSheet().contains(cameraPicture), qPrintable(camera->styleSheet()));
    QCOMPARE(camera->isEnabled(), cameraEnabled);
    QCOMPARE(praiseButton->isEnabled(), praiseEnabled);
    QCOMPARE(praiseButton->text(), praiseText);
    QCOMPARE(hand->styleSheet().contains("handup_01.png"), handUp);
    QCOMPARE(praiseButton->palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));
    QCOMPARE(hand->size(), QSize(20, 20));
}

void TestUserInfoView::loweredHandShowsNothing()
{
    UserInfo userInfo("S2", "Name", "1");
    UserInfoWidget row(userInfo);
    row.resize(240, 60);
    QPushButton *hand = button(&row, "handUpButton");
    const QImage lowered = row.grab().toImage();
    QVERIFY(lowered.pixelColor(hand->geometry().center()) != QColor(Qt::black));
    userInfo.setHandUp(true);
    row.updateUserInfo(userInfo);
    QVERIFY(
        row.grab().toImage().pixelColor(hand->geometry().center()) != lowered.pixelColor(hand->geometry().center()));
}

void TestUserInfoView::ownRowIsMarked()
{
    g_uiScale = 1.5;
    UserInfoWidget own(UserInfo("S1", "李小明", "1"));
    UserInfoWidget other(UserInfo("S2", "张小红", "1"));
    QCOMPARE(own.findChild<QLabel *>("userNameLabel")->text(), QString("李小明 (我)"));
    QCOMPARE(own.findChild<QLabel *>("userNameLabel")->toolTip(), QString("李小明 (我)"));
    QCOMPARE(other.findChild<QLabel *>("userNameLabel")->text(), QString("张小红"));
    QCOMPARE(own.findChild<QLabel *>("userNameLabel")->font().pixelSize(), 18);
    QCOMPARE(button(&own, "praiseButton")->size(), QSize(30, 30));
}

void TestUserInfoView::rowsAreMadeWhenLaidOut()
{
    UserInfoListView list;
    list.resize(200, 300);
    QList<UserInfo> users;
    for (int i = 0; i < 40; ++i)
        users.append(stored(QString("S%1").arg(100 + i), QString("N%1").arg(100 + i), "1"));
    users.append(UserInfo("GONE", "Not in the table", "1"));
    QCOMPARE(list.addUserInfoList(users).size(), 41);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTRY_VERIFY(list.indexWidget(list.model()->index(0, 0)));
    // Only what fits is made: 300 pixels of 60-pixel rows.
    QVERIFY(!list.indexWidget(list.model()->index(30, 0)));
    const QModelIndex last = list.model()->index(39, 0);
    list.scrollTo(last);
    QTRY_VERIFY(list.indexWidget(last));
    QCOMPARE(qobject_cast<UserInfoWidget *>(list.indexWidget(last))->userId(), QString("S139"));
    const QModelIndex gone = list.model()->index(40, 0);
    list.scrollTo(gone);
    // Painted now, the row in view among what the painting asked for.
    list.viewport()->repaint();
    QVERIFY(!list.indexWidget(gone));
    QVERIFY(list.viewport()->rect().intersects(list.QListView::visualRect(gone)));
    QCOMPARE(list.visualRect(list.model()->index(1, 0)).height(), 60);
}

void TestUserInfoView::sortWaitsThenRebuildsTheRows()
{
    UserInfoListView list;
    list.setSortDelay(50);
    list.resize(200, 400);
    stored("S3", "Cai", "1");
    stored("S2", "Bai", "1");
    stored("T1", "Teacher", "1");
    list.addUserInfoList({ record("S3"), record("S2") });
    list.addUserInfo(record("T1"));
    QVERIFY(list.isSortPending());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTRY_VERIFY(list.indexWidget(list.model()->index(0, 0)));
    QCOMPARE(qobject_cast<UserInfoWidget *>(list.indexWidget(list.model()->index(0, 0)))->userId(), QString("S3"));
    QTRY_VERIFY(!list.isSortPending());
    // The rows are rebuilt in their new places.
    QTRY_VERIFY(list.indexWidget(list.model()->index(0, 0))
        && qobject_cast<UserInfoWidget *>(list.indexWidget(list.model()->index(0, 0)))->userId() == "T1");
    QCOMPARE(list.userInfoListModel()->rowOf("S2"), 1);
    QCOMPARE(list.userInfoListModel()->rowOf("S3"), 2);
}

void TestUserInfoView::countersFollowListedRows_data()
{
    QTest::addColumn<QStringList>("steps"); // "+id:type" join, "*id:type,..." whole list, "-id:type" leave
    QTest::addColumn<int>("students");
    QTest::addColumn<int>("everyone");
    QTest::addColumn<int>("duplicateWarnings");

    QTest::newRow("a repeated join counts once") << QStringList { "+S2:1", "+S2:1" } << 1 << 1 << 1;
    QTest::newRow("a list with a listed user adds the others")
        << QStringList { "+S2:1", "*S2:1,S3:1,S4:3" } << 2 << 3 << 1;
    QTest::newRow("a list of listed users adds nothing") << QStringList { "*S2:1,S3:1", "*S3:1,S2:1" } << 2 << 2 << 2;
    QTest::newRow("the leave of someone not listed") << QStringList { "+S2:1", "-S9:1" } << 1 << 1 << 0;
    QTest::newRow("leaves never go below 0") << QStringList { "-S2:1", "-S3:1" } << 0 << 0 << 0;
    QTest::newRow("a leave of another type leaves the list") << QStringList { "*S2:1,S4:3", "-S4:3" } << 1 << 1 << 0;
    QTest::newRow("join, leave, join") << QStringList { "+S2:1", "-S2:1", "+S2:1" } << 1 << 1 << 0;
}

void TestUserInfoView::countersFollowListedRows()
{
    QFETCH(QStringList, steps);
    QFETCH(int, students);
    QFETCH(int, everyone);
    QFETCH(int, duplicateWarnings);
    UserInfoView view;
    MessageCollector log;
    for (const QString &step : steps) {
        QList<UserInfo> users;
        for (const QString &user : step.mid(1).split(',')) {
            const QStringList parts = user.split(':');
            users.append(stored(parts.at(0), "N" + parts.at(0), parts.at(1)));
        }
        if (step.startsWith('+'))
            view.slotAddUserInfo(users.first());
        else if (step.startsWith('*'))
            view.slotAddUserInfoList(users);
        else
            view.slotRemoveUserInfo(users.first());
    }
    QCOMPARE(view.onlineStudentCount(), students);
    QCOMPARE(view.onlineCount(), everyone);
    QCOMPARE(log.count("uf already in list"), duplicateWarnings);
    QCOMPARE(view.findChild<QLabel *>("groupCountLabel")->text(), QString("在线学生:%1").arg(students));
    QCOMPARE(view.findChild<QLabel *>("groupNameLabel")->text(), QString("Fractions"));
}

void TestUserInfoView::meetingCountsEveryone()
{
    g_classType = 5;
    UserInfoView view;
    QCOMPARE(view.findChild<QLabel *>("groupCountLabel")->text(), QString("在线人数:0"));
    view.slotAddUserInfoList({ stored("S2", "A", "3"), stored("S3", "B", "1") });
    QCOMPARE(view.findChild<QLabel *>("groupCountLabel")->text(), QString("在线人数:2"));
    view.slotResetUserInfoView();
    QCOMPARE(view.findChild<QLabel *>("groupCountLabel")->text(), QString("在线人数:0"));
    QCOMPARE(view.listView()->model()->rowCount(), 0);
}

void TestUserInfoView::teacherAreaAndLeaves()
{
    UserInfoView view;
    const UserInfo teacher = stored("T1", "Teacher", "0");
    const UserInfo observer = stored("O1", "Observer", "5");
    g_teacherList = { teacher, observer };
    view.slotAddTeacherInfoList(g_teacherList);
    view.slotAddUserInfoList({ stored("S2", "B", "1") });
    QCOMPARE(view.teacherRows().size(), 2);
    // Rebuilding replaces the rows.
    view.slotAddTeacherInfoList(g_teacherList);
    QCOMPARE(view.teacherRows().size(), 2);
    QCOMPARE(view.teacherRows().at(1)->userId(), QString("O1"));
    view.slotRemoveUserInfo(observer);
    QCOMPARE(view.teacherRows().size(), 1);
    QCOMPARE(g_teacherList.size(), 1);
    view.slotRemoveUserInfo(teacher);
    QVERIFY(view.teacherRows().isEmpty());
    QVERIFY(g_teacherList.isEmpty());
    QCOMPARE(view.onlineStudentCount(), 1);
    QCOMPARE(view.onlineCount(), 1);
}

void TestUserInfoView::leaveOfTheWatchedStudent_data()
{
    QTest::addColumn<QString>("ownAccount");
    QTest::addColumn<QString>("leaverAccount");
    QTest::addColumn<int>("notices");

    QTest::newRow("the own account") << "acc1"
                                     << "acc1" << 1;
    QTest::newRow("another account") << "acc1"
                                     << "acc2" << 0;
    QTest::newRow("no account on either side") << ""
                                               << "" << 0;
}

void TestUserInfoView::leaveOfTheWatchedStudent()
{
    QFETCH(QString, ownAccount);
    QFETCH(QString, leaverAccount);
    QFETCH(int, notices);
    g_accountId = ownAccount;
    UserInfoView view;
    UserInfo leaver = stored("S2", "B", "1");
    leaver.setAccountId(leaverAccount);
    view.slotAddUserInfo(leaver);
    QSignalSpy offline(&view, &UserInfoView::signalRelativeUserOffline);
    view.slotRemoveUserInfo(leaver);
    QCOMPARE(offline.count(), notices);
}

void TestUserInfoView::flagsReachTheTableAndTheRow()
{
    g_userId = "T1";
    UserInfoView view;
    view.resize(200, 400);
    view.slotAddUserInfoList({ stored("S2", "B", "1"), stored("S3", "C", "1") });
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    UserInfoWidget *row = rowOf(view.listView(), "S2");
    QVERIFY(row);

    view.slotHandUpButtonChanged("S2", true);
    QVERIFY(record("S2").getHandUp());
    QVERIFY(button(row, "handUpButton")->styleSheet().contains("handup_01.png"));
    view.slotHandUpButtonChanged("S3", true);
    view.slotResetHandUpButton();
    QVERIFY(!record("S2").getHandUp());
    QVERIFY(!record("S3").getHandUp());
    QVERIFY(!button(row, "handUpButton")->styleSheet().contains("handup_01.png"));

    QSignalSpy closed(&view, &UserInfoView::signalSendAVClose);
    view.slotCameraButtonEnable("S2", true);
    view.slotCameraButtonChanged("S2", true);
    QVERIFY(button(row, "cameraButton")->styleSheet().contains("camera_04.png"));
    view.slotResetCameraButton();
    QVERIFY(button(row, "cameraButton")->styleSheet().contains("camera_03.png"));
    view.slotCameraButtonChanged("S2", true);
    view.slotCameraButtonEnable("S2", false);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toString(), QString("S2"));
    QCOMPARE(record("S2").getCameraState(), 0);
    QVERIFY(!record("S2").getCameraOn());
    QVERIFY(!button(row, "cameraButton")->isEnabled());

    view.slotPraiseButtonChanged("S2", 4);
    QCOMPARE(record("S2").getExtraState(), 4);
    QCOMPARE(button(row, "praiseButton")->text(), QString("4"));
    view.slotResetPraiseButton();
    QCOMPARE(button(row, "praiseButton")->text(), QString());

    // A user the table does not hold changes nothing.
    MessageCollector log;
    view.slotHandUpButtonChanged("NOBODY", true);
    QVERIFY(!g_userInfoHash.containsUserInfo("NOBODY"));
}

void TestUserInfoView::cameraPressNeedsACamera()
{
    UserInfoView view;
    view.slotAddUserInfoList({ stored("S2", "B", "1") });
    QSignalSpy requests(&view, &UserInfoView::signalSendAVRequest);
    MessageCollector log;
    view.slotCameraButtonClicked("S2");
    QCOMPARE(requests.count(), 0);
    view.slotCameraButtonEnable("S2", true);
    view.slotCameraButtonClicked("S2");
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.first().first().toString(), QString("S2"));
}

void TestUserInfoView::praisePressTellsTheClass()
{
    g_userId = "T1";
    UserInfoView view;
    view.resize(200, 400);
    UserInfo praised = stored("S2", "B", "1");
    praised.setExtraState(2);
    g_userInfoHash.updateUserInfo(praised);
    view.slotAddUserInfo(praised);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    UserInfoWidget *row = rowOf(view.listView(), "S2");
    QVERIFY(row);
    QCOMPARE(button(row, "praiseButton")->text(), QString("2"));
    QTest::mouseClick(button(row, "praiseButton"), Qt::LeftButton);
    QCOMPARE(m_link->forwards(), QStringList { "11\t0\tclass3101\tS2@3@1\t4" });
    QCOMPARE(m_link->server().waitForLine("11\t"), QString("11\t0\tclass3101\tS2@3@1\t4"));
    QCOMPARE(button(row, "praiseButton")->text(), QString("3"));
    QCOMPARE(record("S2").getExtraState(), 3);
}

QTEST_MAIN(TestUserInfoView)
#include "tst_userinfoview.moc"
