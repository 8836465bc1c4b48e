#include "answercard/answercard.h"
#include "callroll/callroll.h"
#include "sandbox/classpanelscene.h"
#include "sandbox/classroomsandbox.h"
#include "tests/support/fakeclassroomserver.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/userinfo/userinfolistview.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/userinfo/userinfowidget.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/menubutton.h"
#include "vrek/window/titleview.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
// The scene's script runs in quarter seconds here: its questions stay open for over four seconds.
constexpr int stepMs = 250;
constexpr int waitMs = 20000;

bool holds(const QSignalSpy &spy, const QString &line)
{
    for (const QVariantList &arguments : spy) {
        if (arguments.value(0).toString() == line)
            return true;
    }
    return false;
}
} // namespace

// A lesson in the sandbox from the student's seat: the classmates listed, the teacher's hands, praise,
// questions and roll call shown and answered, and the leave dialog back to the course list.
class TestSandboxLesson : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lessonFromEnterToLeave();

private:
    SandboxClient *m_client = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    ClassPanelScene *m_scene = nullptr;
};

void TestSandboxLesson::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_sandbox = m_client->sandbox();
    for (SandboxScene *scene : m_sandbox->scenes()) {
        if (auto *panels = qobject_cast<ClassPanelScene *>(scene))
            m_scene = panels;
    }
    QVERIFY(m_scene);
    m_scene->setStep(stepMs);
}

void TestSandboxLesson::cleanupTestCase()
{
    delete m_client;
}

void TestSandboxLesson::lessonFromEnterToLeave()
{
    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
    ClassListWidget *all = application.ensureCourseList()->selectClassView()->pages().first();
    QTRY_COMPARE_WITH_TIMEOUT(all->cards().size(), m_sandbox->lessons().size(), waitMs);

    QSignalSpy played(m_scene, &ClassPanelScene::played);
    QTest::mouseClick(all->cards().at(0)->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageSchoolClass), waitMs);
    auto *view = qobject_cast<SchoolClassView *>(application.classWindow()->centerWidget());
    QVERIFY(view);
    // Each notice as shown: the text is set right after the count goes out.
    QStringList notices;
    connect(
        view->praiseView(), &PraiseView::signalPraiseBtnChanged, view->praiseView(),
        [&notices, view] { notices.append(view->praiseView()->text()); }, Qt::QueuedConnection);

    // Who is present: the teacher above, the student and three classmates in the list.
    UserInfoView *users = view->userInfoView();
    QTRY_COMPARE_WITH_TIMEOUT(users->onlineStudentCount(), 4, waitMs);
    QCOMPARE(users->findChild<QLabel *>("groupCountLabel")->text(), QString("在线学生:4"));
    QCOMPARE(users->teacherRows().size(), 1);
    QCOMPARE(users->teacherRows().first()->findChild<QLabel *>("userNameLabel")->text(), QString("王老师"));

    // Hands forbidden, then allowed: the student raises and lowers a hand.
    MenuButton *hand = view->menuView()->findChild<MenuButton *>("handupButton");
    QTRY_VERIFY_WITH_TIMEOUT(holds(played, "11\t3\t3"), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(holds(played, "11\t3\t2") && hand->isEnabled(), waitMs);
    QTest::mousePress(hand, Qt::LeftButton);
    QTest::mouseRelease(hand, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        m_scene->handUps(), QStringList({ "11\t0\tclass3101\t20001@1\t3", "11\t0\tclass3101\t20001@0\t3" }), waitMs);
    // A classmate's hand stays up.
    QTRY_VERIFY_WITH_TIMEOUT(holds(played, "11\t3\t20003@1"), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        [] {
            UserInfo classmate;
            return g_userInfoHash.selectUserInfo("20003", classmate) && classmate.getHandUp();
        }(),
        waitMs);

    // The single-choice question: pick B and submit.
    AnswerCard *card = view->answerCard();
    QTRY_VERIFY_WITH_TIMEOUT(view->answerTitle()->isVisible(), waitMs);
    QCOMPARE(card->buttonGroup()->buttons().size(), 4);
    card->buttonGroup()->button(1)->click();
    QTest::mouseClick(card->findChild<QPushButton *>("button_submit"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_scene->answers().size(), 1, waitMs);
    QCOMPARE(m_scene->answers().first(), QString("9\t20001\t1\tB\tyes\t901\t%1\t").arg(g_pushStreamId));
    QCOMPARE(card->findChild<QLabel *>("yourAnswerLabel")->text(), QString("你的答案：B"));

    // The praise of the student, then of a classmate.
    QTRY_VERIFY_WITH_TIMEOUT(notices.size() >= 2, waitMs);
    QCOMPARE(notices.mid(0, 2), QStringList({ "老师表扬了 你", "老师表扬了 张小红" }));

    // The question is closed; the multiple-choice one follows: A, C and E.
    QTRY_VERIFY_WITH_TIMEOUT(holds(played, "11\t8\t901"), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(card->buttonGroup()->buttons().size() == 6 && view->answerTitle()->isVisible(), waitMs);
    for (int option : { 0, 2, 4 })
        card->buttonGroup()->button(option)->click();
    QTest::mouseClick(card->findChild<QPushButton *>("button_submit"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_scene->answers().size(), 2, waitMs);
    QVERIFY(m_scene->answers().last().contains("\tACE\tyes\t901\t"));

    // The roll call, answered.
    QTRY_VERIFY_WITH_TIMEOUT(view->callRollTitle()->isVisible(), waitMs);
    QTest::mouseClick(view->callRoll()->findChild<QPushButton *>("callRollResButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_scene->rollCallAnswers(), QStringList { "11\t1\t901\t20001@r1\t10" }, waitMs);

    // The close button asks first; "确定" returns to the course list.
    QTest::mouseClick(application.classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->logoutTitle()->isVisible(), waitMs);
    QCOMPARE(view->logoutView()->text(), QString("确定退出课堂吗?"));
    QCOMPARE(application.stage(), int(ZephApplication::StageSchoolClass));
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
}

QTEST_MAIN(TestSandboxLesson)
#include "tst_sandboxlesson.moc"
