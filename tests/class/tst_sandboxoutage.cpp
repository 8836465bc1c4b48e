#include "sandbox/classpanelscene.h"
#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "sandbox/stagescene.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/outagerelay.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/sandboxclient.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/connectservermanager.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/reconnectview.h"
#include "vrek/viewui/reloginview.h"
#include "vrek/window/titleview.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
constexpr int waitMs = 60000;
// The product's limits, shortened so that the outage below outlasts them as a real one outlasts the real ones:
// the heartbeat drops the connection after 15 beats (4.5 s here), and the reconnect's login step times out
// (1.5 s here, for the steps taken during the outage only) while the network is still away. With
// TAVI_TEST_FULL_OUTAGE=1 the outages last a minute under the product's own limits, for the figures at full length.
const bool fullLength = qEnvironmentVariableIntValue("TAVI_TEST_FULL_OUTAGE") == 1;
const int heartbeatMs = fullLength ? SocketClientManager::heartbeatIntervalMs : 300;
const int stepMs = fullLength ? ConnectServerManager::stepTimeoutMs : 1500;
const int outageMs = fullLength ? 60000 : 10000;
const int minimumTryMs = fullLength ? ReconnectView::minimumTryMs : 0;
} // namespace

// The program in the sandbox behind a network that goes away: every port of the school's service (classroom,
// RTMP, REST and file server) is reached through a relay that drops all traffic for a while, as a firewall
// that drops every packet would.
class TestSandboxOutage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void outageWhileEnteringEndsInAPlayingLesson();
    void outageInALessonIsRejoinedWithoutAClick();
    void outageBeforeTheEnterClickIsToldAndTheLessonEnteredAfter();

private:
    // Clicks the enter button of the lesson whose teacher plays over RTMP.
    void enter();
    void leave(SchoolClassView *view);
    void holdAll(int ms);
    // Waits for the reconnect window's try to time out during the outage, then for the new login after it, and
    // for the lesson rejoined; the time from that login to the rejoin.
    qint64 waitForTheRejoin();
    bool teacherPlays(SchoolClassView *view) const;

    SandboxClient *m_client = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    ZephApplication *m_application = nullptr;
    std::vector<std::unique_ptr<OutageRelay>> m_relays;
};

void TestSandboxOutage::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_sandbox = m_client->sandbox();
    m_sandbox->findChild<StageScene *>()->setStep(3600 * 1000);
    m_sandbox->findChild<ClassPanelScene *>()->setStep(3600 * 1000);
    StreamTeacherScene *teacher = m_sandbox->findChild<StreamTeacherScene *>();
    QVERIFY2(teacher && teacher->rtmpServer(), "no RTMP server");

    auto relay = [this](int port) {
        m_relays.push_back(std::make_unique<OutageRelay>());
        return m_relays.back()->start(port) ? m_relays.back()->port() : 0;
    };
    const int classroom = relay(m_sandbox->classroomPort());
    const int rest = relay(m_sandbox->httpPort());
    const int files = relay(FileScene::of(m_sandbox)->filePort());
    const int rtmp = relay(teacher->rtmpServer()->port());
    QVERIFY(classroom && rest && files && rtmp);
    g_socketPort = QString::number(classroom);
    g_webPort = QString::number(rest);
    g_filePort = QString::number(files);
    m_sandbox->loginReply().rtmpPort = QString::number(rtmp);
    g_socketClientManager->setHeartbeatInterval(heartbeatMs);

    m_application = new ZephApplication;
    m_application->reconnectView()->setMinimumTry(minimumTryMs);
    QVERIFY(m_application->run());
    SandboxClient::signIn(*m_application, m_sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), waitMs);
}

void TestSandboxOutage::cleanupTestCase()
{
    delete m_application;
    m_relays.clear();
    delete m_client;
}

void TestSandboxOutage::holdAll(int ms)
{
    // Only the steps taken during the outage run under the short limit.
    m_application->connectServerManager()->setStepTimeout(stepMs);
    for (const auto &relay : m_relays)
        relay->holdFor(ms, OutageRelay::Blackhole);
}

void TestSandboxOutage::enter()
{
    const ClassroomSandbox::Lesson lesson = StageScene::stageLesson();
    ClassListWidget *all = m_application->ensureCourseList()->selectClassView()->pages().first();
    ClassInfoWidget *card = nullptr;
    const auto found = [&] {
        for (ClassInfoWidget *candidate : all->cards()) {
            if (candidate->groupInfo().getId() == QString::number(lesson.id))
                card = candidate;
        }
        return card != nullptr;
    };
    QVERIFY(QTest::qWaitFor(found, waitMs));
    QTest::mouseClick(card->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
}

void TestSandboxOutage::leave(SchoolClassView *view)
{
    QTest::mouseClick(m_application->classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->logoutTitle()->isVisible(), waitMs);
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), waitMs);
    // The course list comes before the quit is answered; an outage that began before the answer would end the
    // quit (and the sign-in) by its time-out.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_application->connectServerManager()->connectState() != ConnectServerManager::StateQuit, waitMs);
}

bool TestSandboxOutage::teacherPlays(SchoolClassView *view) const
{
    auto *panel = dynamic_cast<MediaView *>(view->mediaView());
    if (!panel)
        return false;
    VideoView *video = panel->videoView();
    return video->isMainStarted()
        && SandboxClient::differs(SandboxClient::shown(video->bigLabel()), VideoView::noCameraPicture())
        && SandboxClient::differs(SandboxClient::shown(video->bigLabel()), VideoView::defaultPicture());
}

qint64 TestSandboxOutage::waitForTheRejoin()
{
    ReconnectView *box = m_application->reconnectView();
    TitleView *window = m_application->reconnectWindow();
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const int loginsBefore = classroom->lineCount("0\t");
    const int joinsBefore = classroom->lineCount("6\t");
    QElapsedTimer sinceLogin;
    int64_t loginAtMs = 0;
    connect(classroom, &FakeClassroomServer::lineReceived, this, [&](const QString &line) {
        if (line.startsWith("0\t") && !sinceLogin.isValid()) {
            sinceLogin.start();
            loginAtMs = OutageRelay::nowMs();
        }
    });

    // The box came, and its own login timed out while the network was away.
    if (!QTest::qWaitFor([&] { return window->isVisible(); }, waitMs))
        return -1;
    if (!QTest::qWaitFor([&] { return box->stateText() == QString::fromUtf8("登录超时"); }, waitMs))
        return -2;
    m_application->connectServerManager()->setStepTimeout(ConnectServerManager::stepTimeoutMs);
    if (classroom->lineCount("0\t") != loginsBefore)
        return -3; // the try's login must not have got through
    // The network comes back: the connection logs in by itself and the lesson is rejoined, without a click.
    if (!QTest::qWaitFor([&] { return sinceLogin.isValid(); }, waitMs))
        return -4;
    if (!QTest::qWaitFor(
            [&] {
                return !window->isVisible() && !m_application->isReconnecting()
                    && m_application->stage() == ZephApplication::StageSchoolClass;
            },
            waitMs))
        return -5;
    const qint64 figure = sinceLogin.elapsed();
    disconnect(classroom, &FakeClassroomServer::lineReceived, this, nullptr);
    qInfo().noquote()
        << QString("the new login came %1 ms after the network").arg(loginAtMs - m_relays.front()->lastReleaseMs());
    if (classroom->lineCount("6\t") != joinsBefore + 1)
        return -6;
    return figure;
}

void TestSandboxOutage::outageWhileEnteringEndsInAPlayingLesson()
{
    enter();
    // The join is answered and the class window comes; the network goes at once.
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), waitMs);
    holdAll(outageMs);
    auto *view = qobject_cast<SchoolClassView *>(m_application->classWindow()->centerWidget());
    QVERIFY(view);

    const qint64 figure = waitForTheRejoin();
    QVERIFY2(figure >= 0, qPrintable(QString("the rejoin failed at step %1").arg(-figure)));
    qInfo().noquote() << QString("outage while entering: rejoined %1 ms after the new login").arg(figure);
    QVERIFY2(figure < 10000, qPrintable(QString("%1 ms").arg(figure)));

    // The whole class window, not half of it: the teacher's picture plays, the participants are listed and the
    // window's buttons are there.
    QElapsedTimer playing;
    playing.start();
    QTRY_VERIFY_WITH_TIMEOUT(teacherPlays(view), waitMs);
    qInfo().noquote()
        << QString("outage while entering: the teacher plays %1 ms after the rejoin").arg(playing.elapsed());
    QTRY_VERIFY_WITH_TIMEOUT(view->userInfoView()->onlineStudentCount() > 0, waitMs);
    QVERIFY(view->isEnabled());
    QVERIFY(m_application->classWindow()->findChild<QPushButton *>("exitButton")->isVisible());
    leave(view);
}

void TestSandboxOutage::outageInALessonIsRejoinedWithoutAClick()
{
    enter();
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), waitMs);
    auto *view = qobject_cast<SchoolClassView *>(m_application->classWindow()->centerWidget());
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(teacherPlays(view), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(view->userInfoView()->onlineStudentCount() > 0, waitMs);

    ChatView *chat = view->chatView();
    QSignalSpy tips(chat, &ChatView::showMessageTip);
    auto *send = chat->findChild<QPushButton *>("sendButton");
    // Sent as the network goes: the connection still looks up, so the text is shown and goes out, and is lost.
    holdAll(outageMs);
    const QString lost = QString::fromUtf8("老师，我的画面卡住了");
    chat->textEdit()->setPlainText(lost);
    send->click();
    QVERIFY(chat->textEdit()->toPlainText().isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(m_application->reconnectWindow()->isVisible(), waitMs);
    // With the connection gone the text is told as not sent and is back in the input box.
    QTRY_COMPARE_WITH_TIMEOUT(chat->textEdit()->toPlainText(), lost, waitMs);
    QVERIFY(!tips.isEmpty());
    QCOMPARE(tips.last().value(0).toString(), ChatView::notSentText);

    const qint64 figure = waitForTheRejoin();
    QVERIFY2(figure >= 0, qPrintable(QString("the rejoin failed at step %1").arg(-figure)));
    qInfo().noquote() << QString("outage in a lesson: rejoined %1 ms after the new login").arg(figure);
    QVERIFY2(figure < 10000, qPrintable(QString("%1 ms").arg(figure)));

    // Picture and sound back (the pull requires the sound), and the kept text goes out now.
    QElapsedTimer playing;
    playing.start();
    QTRY_VERIFY_WITH_TIMEOUT(teacherPlays(view), waitMs);
    qInfo().noquote() << QString("outage in a lesson: the teacher plays %1 ms after the rejoin").arg(playing.elapsed());
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const QString encoded = QString::fromLatin1(lost.toUtf8().toBase64(QByteArray::Base64UrlEncoding));
    const auto sentLines = [&] {
        int count = 0;
        for (const QString &line : classroom->lines("11\t"))
            count += line.contains(encoded) ? 1 : 0;
        return count;
    };
    // What the dropped connection still held may reach the server once the network is back (its last bytes are
    // not the client's to take back): the text told as lost arrives at most once that way, and once more now.
    const int before = sentLines();
    QVERIFY(before <= 1);
    QTRY_VERIFY_WITH_TIMEOUT(g_socketClientManager->canDeliver(), waitMs);
    send->click();
    QVERIFY(chat->textEdit()->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(sentLines(), before + 1, waitMs);
    leave(view);
}

void TestSandboxOutage::outageBeforeTheEnterClickIsToldAndTheLessonEnteredAfter()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), waitMs);
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const int joinsBefore = classroom->lineCount("6\t");
    // The network is gone while the student looks at the course list; the click comes during the outage.
    holdAll(outageMs);
    enter();
    // Told: the relogin box says the login timed out and offers to log in again.
    TitleView *window = m_application->reloginWindow();
    ReLoginView *box = g_reLoginView;
    QVERIFY(window && box);
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(box->stateText(), QString::fromUtf8("登录超时"), waitMs);
    QVERIFY(m_relays.front()->isHeld());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));
    QCOMPARE(classroom->lineCount("6\t"), joinsBefore);

    // Once the network is back the student presses the box's button: the course list comes back, and the lesson
    // is entered with its first click.
    m_application->connectServerManager()->setStepTimeout(ConnectServerManager::stepTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_relays.front()->isHeld(), waitMs);
    auto *relogin = box->findChild<QPushButton *>("reloginButton");
    QTRY_VERIFY_WITH_TIMEOUT(relogin->isVisible() && relogin->isEnabled(), waitMs);
    QTest::mouseClick(relogin, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), waitMs);
    QVERIFY(!m_application->isReconnecting());
    QTRY_VERIFY_WITH_TIMEOUT(m_application->courseListWindow()->isVisible(), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_application->ensureCourseList()->isEnabled(), waitMs);
    enter();
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), waitMs);
    QCOMPARE(classroom->lineCount("6\t"), joinsBefore + 1);
    auto *view = qobject_cast<SchoolClassView *>(m_application->classWindow()->centerWidget());
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(teacherPlays(view), waitMs);
    leave(view);
}

QTEST_MAIN(TestSandboxOutage)
#include "tst_sandboxoutage.moc"
