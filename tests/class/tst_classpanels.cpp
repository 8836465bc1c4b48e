#include "answercard/answercard.h"
#include "tests/class/classwindowtest.h"
#include "tests/support/classroomlink.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/centerview.h"
#include "vrek/course/coursefilemanager.h"
#include "vrek/course/coursefileview.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/userinfo/userinfolistview.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/userinfo/userinfowidget.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/menubutton.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {
// The frame flags the application gives the class windows: its close button leaves closing to the window.
constexpr int classWindowFlags = 0x300408;

const char *const participants
    = R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},{"userId":"S1","userName":"李小明","userType":"1"},)"
      R"({"userId":"S3","userName":"Cai","userType":"1"},{"userId":"S2","userName":"Bai","userType":"1"}])";
} // namespace

// The class windows place the participant panel, the menu bar, the answer card, the praise notice and the
// leave dialog, and connect them to the classroom connection and to each other.
class TestClassPanels : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void panelsArePlaced();
    void participantsHandsAndPraise();
    void answerCardComesAndGoes();
    void observerGetsNoQuestion();
    void leaveDialog_data();
    void leaveDialog();
    void windowWithoutFrame();
    void teacherWindowAsksBeforeLeaving();
    void lateJoinerHearsTheMenuState();
    void failedCourseFileIsToldInTheTipBar();

private:
    ClassroomLink *m_link = nullptr;
    UserInfoManager *m_users = nullptr;
};

void TestClassPanels::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_users = m_link->users();
}

void TestClassPanels::cleanupTestCase()
{
    delete m_link;
}

void TestClassPanels::init()
{
    ClassWindowTest::enterStudentLesson();
    g_classTitle = "分数的初步认识";
    m_link->clear();
}

void TestClassPanels::cleanup()
{
    g_userType = 1;
}

void TestClassPanels::panelsArePlaced()
{
    SchoolClassView view;
    QCOMPARE(view.menuView()->parentWidget(), &view);
    QCOMPARE(view.userInfoView()->parentWidget(), view.userChatWidget()->widget(0));
    QCOMPARE(view.answerTitle()->title(), QString("答题"));
    QCOMPARE(view.answerTitle()->titleFlags(), 71);
    QCOMPARE(view.answerTitle()->windowFlags() & SchoolClassView::popUpWindowFlags, SchoolClassView::popUpWindowFlags);
    QCOMPARE(view.answerCard()->size(), QSize(400, 300));
    QCOMPARE(view.logoutTitle()->titleFlags(), 70);
    QCOMPARE(view.logoutView()->size(), QSize(220, 120));
    QCOMPARE(view.relativeLogoutTitle()->titleFlags(), 71);
    QCOMPARE(view.relativeLogoutView()->text(), QString("学生已退出无法继续旁听"));
    QVERIFY(view.relativeLogoutView()->findChild<QPushButton *>("closeButton")->isHidden());
    QVERIFY(view.praiseView()->isHidden());
}

void TestClassPanels::participantsHandsAndPraise()
{
    SchoolClassView view;
    view.resize(1100, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.userInfoView()->listView()->setSortDelay(20);
    m_link->server().sendLine(participants);
    QTRY_COMPARE(view.userInfoView()->onlineStudentCount(), 3);
    QCOMPARE(view.userInfoView()->findChild<QLabel *>("groupCountLabel")->text(), QString("在线学生:3"));
    QCOMPARE(view.userInfoView()->teacherRows().size(), 1);
    QCOMPARE(view.userInfoView()->teacherRows().first()->userId(), QString("T1"));
    UserInfoListModel *model = view.userInfoView()->listView()->userInfoListModel();
    QTRY_COMPARE(model->rowOf("S2"), 0);
    QCOMPARE(model->rowOf("S3"), 1);

    // A classmate's hand, the own hand from the menu, and the lecturer forbidding hands.
    m_link->server().sendLine("11\t3\tS2@1");
    QTRY_VERIFY(ClassWindowTest::storedUser("S2").getHandUp());
    QTest::mousePress(view.menuView()->findChild<MenuButton *>("handupButton"), Qt::LeftButton);
    QVERIFY(ClassWindowTest::storedUser("S1").getHandUp());
    QTest::mouseRelease(view.menuView()->findChild<MenuButton *>("handupButton"), Qt::LeftButton);
    QVERIFY(!ClassWindowTest::storedUser("S1").getHandUp());
    m_link->server().sendLine("11\t3\tS3@1");
    QTRY_VERIFY(ClassWindowTest::storedUser("S3").getHandUp());
    m_link->server().sendLine("11\t3\t3");
    QTRY_VERIFY(!view.menuView()->findChild<MenuButton *>("handupButton")->isEnabled());
    QVERIFY(!ClassWindowTest::storedUser("S2").getHandUp());
    QVERIFY(!ClassWindowTest::storedUser("S3").getHandUp());

    // A praise: the notice names the student, the count reaches the row.
    m_link->server().sendLine("11\t4\tS1@2@1");
    QTRY_COMPARE(ClassWindowTest::storedUser("S1").getExtraState(), 2);
    QCOMPARE(view.praiseView()->text(), QString("老师表扬了 你"));
    QVERIFY(view.praiseView()->isVisible());
    view.praiseView()->hide();

    // The lecturer's late arrival clears the counts.
    view.lectOnlineLate(ClassWindowTest::storedUser("T1"));
    QCOMPARE(ClassWindowTest::storedUser("S1").getExtraState(), 0);

    // Losing the connection empties the list; coming back asks for it again.
    view.clientOffline();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(view.userInfoView()->onlineStudentCount(), 0);
    m_link->clear();
    view.clientOnline();
    QVERIFY(m_link->sent().contains("3\tS1"));
}

void TestClassPanels::answerCardComesAndGoes()
{
    SchoolClassView view;
    m_link->server().sendLine(R"(9	T1	0	[{"type":0,"title":"Q","Ace":"B","Options":4}]	q1	0)");
    QTRY_VERIFY(view.answerTitle()->isVisible());
    QVERIFY(view.answerCard()->isVisible());
    QCOMPARE(view.answerCard()->buttonGroup()->buttons().size(), 4);
    m_link->server().sendLine("9\tT1\t2");
    QTRY_COMPARE(view.answerCard()->findChild<QPushButton *>("button_submit")->text(), QString("等待答题"));
    QVERIFY(view.answerTitle()->isVisible());
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY(!view.answerTitle()->isVisible());
    QVERIFY(!view.answerCard()->isQuestionActive());
}

void TestClassPanels::observerGetsNoQuestion()
{
    g_userType = 5;
    SchoolClassView view;
    QSignalSpy shown(view.answerCard(), &AnswerCard::signalAnswerCardShow);
    QSignalSpy questions(m_link->manager(), &SocketClientManager::signalShowQuestionInfo);
    m_link->server().sendLine(R"(9	T1	0	[{"type":0,"title":"Q","Ace":"B","Options":4}]	q1	0)");
    QTRY_COMPARE(questions.count(), 1);
    QCOMPARE(shown.count(), 0);
    QVERIFY(!view.answerTitle()->isVisible());
}

void TestClassPanels::leaveDialog_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("question");

    QTest::newRow("a lesson") << 4 << "确定退出课堂吗?";
    QTest::newRow("class type 6 is a meeting") << 6 << "确定退出会议吗?";
}

void TestClassPanels::leaveDialog()
{
    QFETCH(int, classType);
    QFETCH(QString, question);
    g_classType = classType;
    auto *view = new SchoolClassView();
    // Locked but for the close button.
    TitleView frame(view, "TaviStudent.exe", classWindowFlags | (SchoolClassView::titleLockBits & ~0x1));
    view->initialLater();
    QCOMPARE(view->titleView(), &frame);
    frame.show();
    QSignalSpy frameClosed(&frame, &TitleView::signalClose);
    QPushButton *closeButton = frame.findChild<QPushButton *>("exitButton");

    // The close button asks, with the title bar free while it does.
    QTest::mouseClick(closeButton, Qt::LeftButton);
    QTRY_VERIFY(view->logoutTitle()->isVisible());
    QCOMPARE(view->logoutView()->text(), question);
    QCOMPARE(frame.titleFlags() & SchoolClassView::titleLockBits, 0);
    QVERIFY(frame.isVisible());

    // "取消" closes the dialog only.
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
    QTRY_VERIFY(!view->logoutTitle()->isVisible());
    QVERIFY(frame.isVisible());
    QCOMPARE(frameClosed.count(), 0);
    QVERIFY(!view->isTitleLocked());

    // "确定" closes the dialog, then the window.
    QTest::mouseClick(closeButton, Qt::LeftButton);
    QTRY_VERIFY(view->logoutTitle()->isVisible());
    QSignalSpy dialogClosed(view->logoutTitle(), &TitleView::signalClose);
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QCOMPARE(dialogClosed.count(), 1);
    QCOMPARE(frameClosed.count(), 1);
    QVERIFY(!frame.isVisible());
    QVERIFY(!view->logoutTitle()->isVisible());
}

void TestClassPanels::windowWithoutFrame()
{
    SchoolClassView view;
    QTest::ignoreMessage(QtWarningMsg, "SchoolClassView::initialLater titleView is null!");
    view.initialLater();
    QVERIFY(!view.titleView());
}

void TestClassPanels::teacherWindowAsksBeforeLeaving()
{
    g_userType = 3;
    g_classType = 5;
    auto *view = new TeacherClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    frame.show();
    QSignalSpy frameClosed(&frame, &TitleView::signalClose);
    QTest::mouseClick(frame.findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY(view->logoutTitle()->isVisible());
    QCOMPARE(view->logoutView()->text(), QString("确定退出会议吗?"));
    QCOMPARE(view->menuView()->parentWidget(), view);
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QCOMPARE(frameClosed.count(), 1);
    QVERIFY(!view->logoutTitle()->isVisible());
}

void TestClassPanels::lateJoinerHearsTheMenuState()
{
    g_userType = 2;
    g_userId = "L1";
    g_lectId = "L1";
    g_classType = 5;
    TeacherClassView view;
    view.menuView()->findChild<MenuButton *>("painterButton")->setChecked(true);
    m_link->clear();
    view.sendLateState("S7");
    const QStringList sent = m_link->forwards();
    QCOMPARE(sent.mid(0, 2), QStringList({ "11\t1\tS7\t2\t3", "11\t1\tS7\t2$2:1:L1\t0" }));
    QCOMPARE(sent.last(), QString("11\t1\tS7\t2$6:L1\t0"));
}

// The course file panel's word on a failed download reaches the student through the window's tip bar.
void TestClassPanels::failedCourseFileIsToldInTheTipBar()
{
    const QString text = QString::fromUtf8("下载失败，请稍后重试！");
    {
        SchoolClassView view;
        QTest::ignoreMessage(QtWarningMsg, "SchoolClassView::initialLater titleView is null!");
        view.initialLater();
        emit view.centerView()->courseFileView()->manager()->signalCourseFileTip(text);
        QCOMPARE(view.tipWidget()->text(), text);
    }
    g_userType = 2;
    g_classType = 5;
    TeacherClassView view;
    emit view.centerView()->courseFileView()->manager()->signalCourseFileTip(text);
    QCOMPARE(view.tipWidget()->text(), text);
}

QTEST_MAIN(TestClassPanels)
#include "tst_classpanels.moc"
