#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/menubutton.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QStringList buttonNames { "videoButton", "courseButton", "painterButton", "answerButton", "handControlButton",
    "handupButton", "rollcallButton", "startButton" };

MenuButton *button(MenuView &menu, const QString &name)
{
    return menu.findChild<MenuButton *>(name);
}
} // namespace

// The class menu bar: what each side sees, and the hand-up and page lines it writes.
class TestMenuView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void visibility_data();
    void visibility();
    void iconsLoad();
    void handButtonRaisesAndLowers();
    void handControlForbidsAndAllows();
    void unknownHandControlSendsNothing();
    void lecturerPageChangeTellsTheClass_data();
    void lecturerPageChangeTellsTheClass();
    void studentPageChangeStaysLocal();
    void changeUIType_data();
    void changeUIType();
    void handLockFromTheLecturer();
    void lateJoinerGetsHandsAndPage();
    void restoreAfterReconnect_data();
    void restoreAfterReconnect();
    void lecturerPresenceDrivesThePages();
    void meetingStartButton();

private:
    ClassroomLink *m_link = nullptr;
};

void TestMenuView::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestMenuView::cleanupTestCase()
{
    delete m_link;
}

void TestMenuView::init()
{
    g_userId = "S1";
    g_userType = 1;
    g_classType = 4;
    g_classId = "class3101";
    m_link->clear();
}

void TestMenuView::visibility_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("lecturer in a lesson")
        << 0 << 4
        << QStringList { "courseButton", "painterButton", "answerButton", "handControlButton", "rollcallButton" };
    QTest::newRow("student in a lesson") << 1 << 4 << QStringList { "courseButton", "painterButton", "handupButton" };
    QTest::newRow("observer in a lesson") << 5 << 8 << QStringList { "courseButton", "painterButton", "handupButton" };
    QTest::newRow("meeting host") << 2 << 5
                                  << QStringList { "videoButton", "courseButton", "painterButton", "startButton" };
    QTest::newRow("meeting participant") << 3 << 5 << QStringList { "videoButton", "courseButton", "painterButton" };
}

void TestMenuView::visibility()
{
    QFETCH(int, userType);
    QFETCH(int, classType);
    QFETCH(QStringList, shown);
    g_userType = userType;
    g_classType = classType;
    MenuView menu;
    QStringList actual;
    for (const QString &name : buttonNames) {
        if (!button(menu, name)->isHidden())
            actual.append(name);
    }
    QCOMPARE(actual, shown);
    QCOMPARE(menu.width(), 80);
}

void TestMenuView::iconsLoad()
{
    MenuView menu;
    for (const QString &name : buttonNames) {
        QVERIFY2(!button(menu, name)->icon().pixmap(30, 30).isNull(), qPrintable(name));
        QVERIFY(!button(menu, name)->text().isEmpty());
        QCOMPARE(button(menu, name)->toolTip(), button(menu, name)->text());
    }
}

void TestMenuView::handButtonRaisesAndLowers()
{
    MenuView menu;
    QSignalSpy changed(&menu, &MenuView::signalHandButtonChanged);
    QTest::mousePress(button(menu, "handupButton"), Qt::LeftButton);
    QTest::mouseRelease(button(menu, "handupButton"), Qt::LeftButton);
    QCOMPARE(m_link->forwards(), QStringList({ "11\t0\tclass3101\tS1@1\t3", "11\t0\tclass3101\tS1@0\t3" }));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0), QVariantList({ "S1", true }));
    QCOMPARE(changed.at(1), QVariantList({ "S1", false }));
    QCOMPARE(m_link->server().waitForLine("11\t"), QString("11\t0\tclass3101\tS1@1\t3"));
}

void TestMenuView::handControlForbidsAndAllows()
{
    g_userId = "T1";
    g_userType = 0;
    MenuView menu;
    MenuButton *control = button(menu, "handControlButton");
    QSignalSpy disabled(&menu, &MenuView::signalHandDisable);
    QCOMPARE(control->property("enable").toString(), QString("1"));
    QTest::mouseClick(control, Qt::LeftButton);
    QCOMPARE(control->property("enable").toString(), QString("0"));
    QCOMPARE(control->text(), QString("禁止举手"));
    QCOMPARE(disabled.count(), 1);
    QTest::mouseClick(control, Qt::LeftButton);
    QCOMPARE(control->property("enable").toString(), QString("1"));
    QCOMPARE(control->text(), QString("举手"));
    QCOMPARE(disabled.count(), 1);
    QCOMPARE(m_link->forwards(), QStringList({ "11\t0\tclass3101\t3\t3", "11\t0\tclass3101\t2\t3" }));
}

void TestMenuView::unknownHandControlSendsNothing()
{
    g_userType = 0;
    MenuView menu;
    button(menu, "handControlButton")->setProperty("enable", "x");
    MessageCollector log;
    QTest::mouseClick(button(menu, "handControlButton"), Qt::LeftButton);
    QCOMPARE(log.count("unknow handControl property"), 1);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestMenuView::lecturerPageChangeTellsTheClass_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("centerPage");
    QTest::addColumn<int>("pageType");

    QTest::newRow("whiteboard") << "painterButton" << 1 << 1;
    QTest::newRow("video page 2, page type 3") << "videoButton" << 2 << 3;
}

void TestMenuView::lecturerPageChangeTellsTheClass()
{
    QFETCH(QString, page);
    QFETCH(int, centerPage);
    QFETCH(int, pageType);
    g_userId = "T1";
    g_userType = 0;
    MenuView menu;
    button(menu, "courseButton")->setChecked(true);
    m_link->clear();
    QSignalSpy pages(&menu, &MenuView::signalCenterPageChange);
    button(menu, page)->setChecked(true);
    QCOMPARE(pages.count(), 1);
    QCOMPARE(pages.first().first().toInt(), centerPage);
    QCOMPARE(menu.pageType(), pageType);
    // The button switched off says nothing; the one switched on one control text of kind 2.
    QCOMPARE(m_link->forwards(), QStringList { QString("11\t0\tclass3101\t2$2:%1:T1\t0").arg(pageType) });
}

void TestMenuView::studentPageChangeStaysLocal()
{
    MenuView menu;
    QSignalSpy pages(&menu, &MenuView::signalCenterPageChange);
    button(menu, "painterButton")->setChecked(true);
    QCOMPARE(pages.count(), 1);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestMenuView::changeUIType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("checked");

    QTest::newRow("0 courseware") << 0 << "courseButton";
    QTest::newRow("1 whiteboard") << 1 << "painterButton";
    QTest::newRow("3 video") << 3 << "videoButton";
    QTest::newRow("2 changes nothing") << 2 << "painterButton";
    QTest::newRow("-1 changes nothing") << -1 << "painterButton";
}

void TestMenuView::changeUIType()
{
    QFETCH(int, type);
    QFETCH(QString, checked);
    MenuView menu;
    button(menu, "painterButton")->setChecked(true);
    QSignalSpy pages(&menu, &MenuView::signalCenterPageChange);
    menu.slotChangeUIType(type);
    for (const QString &name : QStringList { "videoButton", "courseButton", "painterButton" })
        QCOMPARE(button(menu, name)->isChecked(), name == checked);
    QCOMPARE(pages.count(), checked == "painterButton" ? 0 : 1);
}

void TestMenuView::handLockFromTheLecturer()
{
    MenuView menu;
    MenuButton *hand = button(menu, "handupButton");
    QSignalSpy disabled(&menu, &MenuView::signalHandDisable);
    m_link->server().sendLine("11\t3\t3");
    QTRY_VERIFY(!hand->isEnabled());
    QCOMPARE(hand->text(), QString("禁止举手"));
    QCOMPARE(disabled.count(), 1);
    m_link->server().sendLine("11\t3\t2");
    QTRY_VERIFY(hand->isEnabled());
    QCOMPARE(hand->text(), QString("举手"));
    QCOMPARE(disabled.count(), 1);
}

void TestMenuView::lateJoinerGetsHandsAndPage()
{
    g_userId = "T1";
    g_userType = 0;
    MenuView menu;
    button(menu, "painterButton")->setChecked(true);
    QTest::mouseClick(button(menu, "handControlButton"), Qt::LeftButton);
    m_link->clear();
    menu.sendLateState("S7");
    QCOMPARE(m_link->forwards(), QStringList({ "11\t1\tS7\t3\t3", "11\t1\tS7\t2$2:1:T1\t0" }));
}

void TestMenuView::restoreAfterReconnect_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("lecturer resends the hand control")
        << 0 << 4 << "courseButton" << QStringList { "11\t0\tclass3101\t2$2:0:T1\t0", "11\t0\tclass3101\t2\t3" };
    QTest::newRow("student sends nothing") << 1 << 4 << "courseButton" << QStringList();
    QTest::newRow("meeting host shows the video")
        << 2 << 5 << "videoButton" << QStringList { "11\t0\tclass3101\t2$2:3:T1\t0" };
}

void TestMenuView::restoreAfterReconnect()
{
    QFETCH(int, userType);
    QFETCH(int, classType);
    QFETCH(QString, checked);
    QFETCH(QStringList, sent);
    g_userId = "T1";
    g_userType = userType;
    g_classType = classType;
    MenuView menu;
    menu.restoreState();
    QVERIFY(button(menu, checked)->isChecked());
    QCOMPARE(m_link->forwards(), sent);
}

void TestMenuView::lecturerPresenceDrivesThePages()
{
    MenuView menu;
    button(menu, "painterButton")->setChecked(true);
    menu.slotLectOnline(UserInfo("T1", "Teacher", "0"));
    QVERIFY(!button(menu, "courseButton")->isEnabled());
    QVERIFY(!button(menu, "videoButton")->isEnabled());
    menu.slotLectOffline(UserInfo("T1", "Teacher", "0"));
    QVERIFY(button(menu, "courseButton")->isEnabled());
    QVERIFY(button(menu, "courseButton")->isChecked());

    g_userType = 0;
    MenuView lecturer;
    lecturer.slotLectOnline(UserInfo("T1", "Teacher", "0"));
    QVERIFY(button(lecturer, "courseButton")->isEnabled());
}

void TestMenuView::meetingStartButton()
{
    g_userType = 2;
    g_classType = 5;
    MenuView menu;
    QSignalSpy start(&menu, &MenuView::signalStartOrStopClass);
    QTest::mouseClick(button(menu, "startButton"), Qt::LeftButton);
    QCOMPARE(start.count(), 1);
    menu.slotClassesBeginOrEndIn(false, false, "ignored");
    QCOMPARE(button(menu, "startButton")->text(), QString("结束会议"));
    QVERIFY(!button(menu, "startButton")->isEnabled());
    menu.slotClassesBeginOrEndIn(true, true, QString());
    QCOMPARE(button(menu, "startButton")->text(), QString("开始会议"));
    QVERIFY(button(menu, "startButton")->isEnabled());
}

QTEST_MAIN(TestMenuView)
#include "tst_menuview.moc"
