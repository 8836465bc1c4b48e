#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/signalrecorder.h"
#include "vrek/container/pulluserinfohash.h"
#include "vrek/media/control/autopullengine.h"
#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoview4.h"
#include "vrek/media/panels/videoviewone.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/model/pulluserinfo.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {
const QString camera = QStringLiteral("lavfi:testsrc=size=160x120:rate=10");
const QString microphone = QStringLiteral("lavfi:sine=frequency=440:sample_rate=44100");
constexpr int pushWaitMs = 20000;

StreamMediaMessage message(
    int type, const QString &from, const QString &third = QString(), const QString &streamId = QString())
{
    StreamMediaMessage result;
    result.setSmmType(quint32(type));
    result.setFromUserId(from);
    result.setTripartiteUserId(third);
    result.setStreamId(streamId);
    return result;
}

int pullKind(MediaView3 &panel, const QString &userId)
{
    PullUserInfo *info = nullptr;
    return panel.pullStreamManager()->pullUserInfoHash()->selectObject(userId, &info, false) ? info->getPullFromType()
                                                                                             : -1;
}
} // namespace

// The meeting panel from the host's and from a participant's seat: the classroom's stream messages, the table of
// push stream ids, the host's clicks in the participant list and his meeting states, against the fake classroom
// server and a real RTMP server.
class TestMediaView3 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void asksForTheStreamIdTable();
    void streamMessages_data();
    void streamMessages();
    void participantOnAndOffStage();
    void streamIdTable();
    void clickClock();
    void secondClickTakesAUserOff();
    void hostsStageLinesReachParticipants();
    void hostClicksThatAreRefused_data();
    void hostClicksThatAreRefused();
    void pushResults_data();
    void pushResults();
    void pullResults_data();
    void pullResults();
    void shownUsersGoToTheirViews();
    void hostMeetingFromStartToEnd();
    void interfaceOperations();
    void sizesFromTheScreen();

private:
    std::unique_ptr<MediaView3> makePanel(bool host);

    RtmpServer m_rtmp;
    ClassroomLink *m_link = nullptr;
};

void TestMediaView3::initTestCase()
{
    QVERIFY2(m_rtmp.start(), qPrintable(m_rtmp.errorLog()));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestMediaView3::cleanupTestCase()
{
    delete m_link;
}

void TestMediaView3::init()
{
    g_classType = 5;
    g_classId = "class9";
    g_lectId = "H";
    g_mediaHost = "127.0.0.1";
    g_mediaPort = m_rtmp.port();
    m_link->clear();
}

std::unique_ptr<MediaView3> TestMediaView3::makePanel(bool host)
{
    g_userType = host ? 2 : 3;
    g_userId = host ? "H" : "S1";
    auto panel = std::make_unique<MediaView3>();
    panel->getPushStreamInterface()->setAudioDeviceName(microphone);
    panel->getPushStreamInterface()->setVideoDeviceName(camera);
    panel->setClickInterval(0);
    return panel;
}

void TestMediaView3::asksForTheStreamIdTable()
{
    std::unique_ptr<MediaView3> panel = makePanel(false);
    QCOMPARE(m_link->sent(), QStringList { "18\tS1\t\t3" });
    QCOMPARE(g_pushStreamId, panel->pushStreamManager()->getPushStreamId());
    QVERIFY(!panel->isLect());
    QCOMPARE(panel->classState(), 1);
    QCOMPARE(panel->bottomLayout()->indexOf(panel->defaultView()), 0);
    QVERIFY(panel->videoView3()->isHidden());
}

void TestMediaView3::streamMessages_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("streamId");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<int>("classState");

    const QStringList none;
    QTest::newRow("0 participant") << false << 0 << "H" << QString() << "H1" << QString() << none << 0;
    QTest::newRow("0 no stream") << false << 0 << "H" << QString() << QString() << "StartPullMainStream " << none << 1;
    QTest::newRow("0 host") << true << 0 << "P" << QString() << "P1"
                            << "StartPullMainStream " << none << 1;
    QTest::newRow("1 participant") << false << 1 << "H" << QString() << QString() << QString()
                                   << QStringList { "messageBoxTipOut(会议结束,5)" } << 1;
    QTest::newRow("1 no sender") << false << 1 << QString() << QString() << QString() << "StopPullMainStream " << none
                                 << 1;
    QTest::newRow("1 host") << true << 1 << "P" << QString() << QString() << "StopPullMainStream " << none << 1;
    QTest::newRow("2 from oneself") << false << 2 << "S1" << QString() << QString() << QString() << none << 1;
    QTest::newRow("3") << false << 3 << "H" << QString() << QString() << "the smmType unknown error! smmType: 3" << none
                       << 1;
    QTest::newRow("4 from oneself") << false << 4 << "S1" << QString() << QString() << "ResponsePushStreamFail " << none
                                    << 1;
    QTest::newRow("5 host") << true << 5 << "P"
                            << "Q"
                            << "Q1"
                            << "StartPullSubStream " << none << 1;
    QTest::newRow("5 no third") << false << 5 << "H" << QString() << "Q1"
                                << "StartPullSubStream " << none << 1;
    QTest::newRow("5 no stream") << false << 5 << "H"
                                 << "Q" << QString() << "StartPullSubStream " << none << 1;
    QTest::newRow("6 host") << true << 6 << "P"
                            << "Q" << QString() << "StopPullSubStream " << none << 1;
    QTest::newRow("6 no third") << false << 6 << "H" << QString() << QString() << "StopPullSubStream " << none << 1;
    QTest::newRow("7 participant") << false << 7 << "P" << QString() << "P1" << QString()
                                   << QStringList { "setCameraBtnStateOut(P,true)" } << 1;
    QTest::newRow("7 host") << true << 7 << "P" << QString() << "P1" << QString()
                            << QStringList { "setCameraBtnStateOut(P,true)" } << 1;
    QTest::newRow("7 no stream") << false << 7 << "P" << QString() << QString() << "ResponsePushStreamId " << none << 1;
    QTest::newRow("7 from oneself") << true << 7 << "H" << QString() << "H1"
                                    << "ResponsePushStreamId " << none << 1;
    QTest::newRow("8") << true << 8 << "P" << QString() << "P1"
                       << "the smmType unknown error! smmType: 8" << none << 1;
}

void TestMediaView3::streamMessages()
{
    QFETCH(bool, host);
    QFETCH(int, type);
    QFETCH(QString, from);
    QFETCH(QString, third);
    QFETCH(QString, streamId);
    QFETCH(QString, warning);
    QFETCH(QStringList, emitted);
    QFETCH(int, classState);
    std::unique_ptr<MediaView3> panel = makePanel(host);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    MessageCollector messages;
    panel->readSocketMessageIn(message(type, from, third, streamId));
    QCOMPARE(signalsOut.emitted(), emitted);
    QCOMPARE(panel->classState(), classState);
    if (!warning.isEmpty())
        QCOMPARE(messages.count(warning), 1);
    for (const char *kind : { "StartPullMainStream ", "StopPullMainStream ", "ResponsePushStreamFail ",
             "StartPullSubStream ", "StopPullSubStream ", "ResponsePushStreamId ", "the smmType unknown error!" }) {
        if (warning.isEmpty() || !warning.startsWith(kind))
            QCOMPARE(messages.count(kind), 0);
    }
    // What reached the pull manager.
    switch (type) {
    case 0:
        QCOMPARE(pullKind(*panel, from), classState == 0 ? int(PullUserInfo::PullFromMain) : -1);
        QCOMPARE(panel->pullStreamManager()->autoPullEngine()->isRotating(), classState == 0);
        QCOMPARE(panel->videoView3()->isHidden(), classState != 0);
        break;
    case 7:
        QCOMPARE(panel->pullStreamManager()->verifyUserStreamId(from), emitted.size() == 1);
        break;
    default:
        break;
    }
}

// The host puts users on stage and takes them off; the participant follows, also when he is the one.
void TestMediaView3::participantOnAndOffStage()
{
    std::unique_ptr<MediaView3> panel = makePanel(false);
    VideoView3 *view = panel->videoView3();
    panel->readAllStreamIdIn({ { "P1", "P1s" }, { "P2", "P2s" } });
    panel->readSocketMessageIn(message(0, "H", QString(), "Hs"));
    QCOMPARE(view->mainUserId(), QString("H"));

    panel->readSocketMessageIn(message(5, "H", "P1", "P1s"));
    QCOMPARE(view->subUserId(), QString("P1"));
    QCOMPARE(pullKind(*panel, "P1"), int(PullUserInfo::PullFromSub));

    // On stage himself: the classmate's sub pull goes, his own video takes the sub picture.
    panel->readSocketMessageIn(message(5, "H", "S1", "S1s"));
    QVERIFY(panel->isPushShow());
    QCOMPARE(view->subUserId(), QString("S1"));
    QVERIFY(!panel->pullStreamManager()->getPullUserState("P1"));

    // Twice in a row: warned, after every sub pull was stopped.
    MessageCollector messages;
    panel->readSocketMessageIn(message(5, "H", "S1", "S1s"));
    QCOMPARE(messages.count("StartPullSubStream isPushShow:"), 1);
    QCOMPARE(view->subUserId(), QString("S1"));

    // Another user on stage takes him off first.
    panel->readSocketMessageIn(message(5, "H", "P2", "P2s"));
    QVERIFY(!panel->isPushShow());
    QCOMPARE(view->subUserId(), QString("P2"));
    panel->readSocketMessageIn(message(6, "H", "P2"));
    QVERIFY(view->subUserId().isEmpty());
    QVERIFY(!panel->pullStreamManager()->getPullUserState("P2"));

    // Off stage when not on it: nothing happens.
    panel->readSocketMessageIn(message(6, "H", "S1"));
    QVERIFY(view->subUserId().isEmpty());
    panel->readSocketMessageIn(message(5, "H", "S1", "S1s"));
    panel->readSocketMessageIn(message(6, "H", "S1"));
    QVERIFY(!panel->isPushShow());
    QVERIFY(view->subUserId().isEmpty());
    QCOMPARE(view->mainUserId(), QString("H"));

    // The end of the meeting.
    panel->readSocketMessageIn(message(5, "H", "S1", "S1s"));
    panel->readSocketMessageIn(message(1, "H"));
    QVERIFY(!panel->isPushShow());
    QCOMPARE(panel->classState(), 1);
    QVERIFY(view->mainUserId().isEmpty());
    QVERIFY(view->isHidden());
    QVERIFY(!panel->defaultView()->isHidden());
    QVERIFY(!panel->pullStreamManager()->autoPullEngine()->isRotating());
}

void TestMediaView3::streamIdTable()
{
    std::unique_ptr<MediaView3> panel = makePanel(true);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    PullStreamManager *pull = panel->pullStreamManager();

    // The server's table, its additions and deletions, over the classroom connection.
    m_link->server().sendLine(R"(18	[{"P1":"P1s","P2":"P2s"}]	3)");
    QTRY_VERIFY(pull->verifyUserStreamId("P1") && pull->verifyUserStreamId("P2"));
    m_link->server().sendLine("18\tP3\tP3s\t1");
    QTRY_VERIFY(pull->verifyUserStreamId("P3"));
    QStringList enabled = signalsOut.emitted();
    enabled.sort();
    QCOMPARE(enabled,
        QStringList(
            { "setCameraBtnStateOut(P1,true)", "setCameraBtnStateOut(P2,true)", "setCameraBtnStateOut(P3,true)" }));

    // A deletion leaves the camera button as it is.
    signalsOut.clear();
    m_link->server().sendLine("18\tP1\t\t2");
    QTRY_VERIFY(!pull->verifyUserStreamId("P1"));
    QVERIFY(signalsOut.emitted().isEmpty());

    // Online users get a disabled button until their stream id comes; the own entry is left alone.
    panel->userOnline("P4");
    panel->userOnline("H");
    QCOMPARE(signalsOut.emitted(), QStringList { "setCameraBtnStateOut(P4,false)" });
    panel->userOffline("P2");
    QVERIFY(!pull->verifyUserStreamId("P2"));
    // The own stream id is never pulled.
    panel->readAddStreamIdIn("H", "Hs");
    QVERIFY(!pull->verifyUserStreamId("H"));
}

void TestMediaView3::clickClock()
{
    std::unique_ptr<MediaView3> panel = makePanel(true);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    panel->readAddStreamIdIn("P1", "P1s");
    signalsOut.clear();
    const qint64 constructed = panel->clickClockStart();

    // Too soon after the last accepted click (the panel's construction counts as one).
    panel->setClickInterval(MediaView3::clickIntervalMs * 60);
    panel->startPullStreamIn("P1");
    // Before the meeting.
    panel->setClickInterval(0);
    panel->startPullStreamIn("P1");
    QCOMPARE(signalsOut.emitted(),
        QStringList({ "messageBoxTipOut(点击频繁,请稍后,5)", "messageBoxTipOut(请先开始会议,5)" }));
    QCOMPARE(panel->clickClockStart(), constructed);

    panel->startOpenIn();
    // The accepted click must fall on a later millisecond than the construction to be told apart.
    QElapsedTimer now;
    do {
        QTest::qWait(1);
        now.start();
    } while (now.msecsSinceReference() <= constructed);
    signalsOut.clear();
    panel->startPullStreamIn("P1");
    QVERIFY(panel->clickClockStart() > constructed);
    QCOMPARE(signalsOut.emitted().filter("onCameraBtnChangedOut"), QStringList { "onCameraBtnChangedOut(P1,true)" });
}

void TestMediaView3::secondClickTakesAUserOff()
{
    std::unique_ptr<MediaView3> panel = makePanel(true);
    panel->readAddStreamIdIn("P1", "P1s");
    panel->readAddStreamIdIn("P2", "P2s");
    panel->startOpenIn();
    // The meeting's start pulls the known users into the strip at once.
    QVERIFY(panel->videoView4()->containsUserId("P1"));
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    signalsOut.ignore({ "classesBeginOrEndOut", "messageBoxTipOut" });

    // A strip user chosen by hand moves to the sub picture; chosen again he leaves it.
    panel->startPullStreamIn("P1");
    QVERIFY(panel->pullStreamManager()->getPullUserState("P1"));
    QCOMPARE(panel->videoView3()->subUserId(), QString("P1"));
    QVERIFY(!panel->videoView4()->containsUserId("P1"));
    QCOMPARE(signalsOut.emitted(), QStringList { "onCameraBtnChangedOut(P1,true)" });
    signalsOut.clear();
    panel->startPullStreamIn("P1");
    QVERIFY(!panel->pullStreamManager()->getPullUserState("P1"));
    QVERIFY(panel->videoView3()->subUserId().isEmpty());
    QCOMPARE(
        signalsOut.emitted(), QStringList({ "onCameraBtnChangedOut(P1,false)", "onCameraBtnChangedOut(P1,false)" }));
    // The class hears of each: the sub stream's start and stop.
    QCOMPARE(m_link->forwards(),
        QStringList({ "11\t0\tclass9\t3$5$H$P1$P1s$0$P1$\t0", "11\t0\tclass9\t3$6$H$P1$$0$P1$\t0" }));

    // The next one is taken from the pulled users' table: on stage, then off.
    signalsOut.clear();
    panel->startPullStreamIn("P2");
    QCOMPARE(panel->videoView3()->subUserId(), QString("P2"));
}

// What a host's client tells the class when he puts someone on stage is what a participant's panel reads.
void TestMediaView3::hostsStageLinesReachParticipants()
{
    QStringList lines;
    {
        std::unique_ptr<MediaView3> host = makePanel(true);
        host->readAddStreamIdIn("P1", "P1s");
        host->startOpenIn();
        m_link->clear();
        host->startPullStreamIn("P1");
        host->setClickInterval(0);
        host->startPullStreamIn("P1");
        lines = m_link->forwards();
    }
    QCOMPARE(lines.size(), 2);
    std::unique_ptr<MediaView3> participant = makePanel(false);
    participant->readAllStreamIdIn({ { "P1", "P1s" } });
    participant->readSocketMessageIn(message(0, "H", QString(), "Hs"));
    StreamMediaMessage onStage;
    QVERIFY(TSProtocolAnalysis::readStreamMediaMessage(lines.at(0).section('\t', 3, 3), onStage));
    participant->readSocketMessageIn(onStage);
    QCOMPARE(participant->videoView3()->subUserId(), QString("P1"));
    StreamMediaMessage offStage;
    QVERIFY(TSProtocolAnalysis::readStreamMediaMessage(lines.at(1).section('\t', 3, 3), offStage));
    participant->readSocketMessageIn(offStage);
    QVERIFY(participant->videoView3()->subUserId().isEmpty());
}

void TestMediaView3::hostClicksThatAreRefused_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("warning");
    QTest::newRow("own entry") << true << "H"
                               << "isLect:";
    QTest::newRow("participant's side") << false << "P1"
                                        << "isLect:";
    QTest::newRow("no stream id") << true << "P9"
                                  << "the user streamId not exist! uid:";
}

void TestMediaView3::hostClicksThatAreRefused()
{
    QFETCH(bool, host);
    QFETCH(QString, userId);
    QFETCH(QString, warning);
    std::unique_ptr<MediaView3> panel = makePanel(host);
    panel->readAddStreamIdIn("P1", "P1s");
    panel->startOpenIn();
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    signalsOut.ignore({ "classesBeginOrEndOut" });
    MessageCollector messages;
    panel->startPullStreamIn(userId);
    QCOMPARE(messages.count(warning), 1);
    QVERIFY(signalsOut.emitted().isEmpty());
    QVERIFY(panel->videoView3()->subUserId().isEmpty());
}

void TestMediaView3::pushResults_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<bool>("isFinish");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("finished") << true << true << false << QString() << 0
                              << QStringList { "classesBeginOrEndOut(true,true,开始会议)" };
    QTest::newRow("running") << true << false << true << QString() << 2
                             << QStringList { "classesBeginOrEndOut(false,true,结束会议)" };
    QTest::newRow("failed") << true << false << false << "摄像头打开失败" << 3
                            << QStringList { "classesBeginOrEndOut(true,false,结束会议)",
                                   "messageBoxTipOut(摄像头打开失败,5)" };
    QTest::newRow("failed quietly") << true << false << false << QString() << 3
                                    << QStringList { "classesBeginOrEndOut(true,false,结束会议)" };
    QTest::newRow("participant failed") << false << false << false << "x" << 3
                                        << QStringList { "messageBoxTipOut(x,5)" };
    QTest::newRow("participant running") << false << false << true << QString() << 2 << QStringList();
}

void TestMediaView3::pushResults()
{
    QFETCH(bool, host);
    QFETCH(bool, isFinish);
    QFETCH(bool, result);
    QFETCH(QString, msg);
    QFETCH(int, state);
    QFETCH(QStringList, emitted);
    std::unique_ptr<MediaView3> panel = makePanel(host);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    panel->pushStreamResultIn(isFinish, result, msg);
    QCOMPARE(int(panel->getPushStreamState()), state);
    QCOMPARE(signalsOut.emitted(), emitted);
}

void TestMediaView3::pullResults_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<bool>("isMain");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("host ok") << true << false << true << QString()
                             << QStringList { "messageBoxTipOut(教师成功参会,5)", "onCameraBtnChangedOut(P1,true)" };
    QTest::newRow("host failed") << true << false << false << "拉流失败"
                                 << QStringList { "onCameraBtnChangedOut(P1,false)", "messageBoxTipOut(拉流失败,5)" };
    QTest::newRow("host failed quietly") << true << false << false << QString()
                                         << QStringList { "onCameraBtnChangedOut(P1,false)" };
    QTest::newRow("sub, whatever it holds")
        << false << false << true << QString() << QStringList { "messageBoxTipOut(,5)" };
    QTest::newRow("main ok") << false << true << true << "ignored" << QStringList { "messageBoxTipOut(参会成功,5)" };
    QTest::newRow("main failed") << false << true << false << "拉流失败"
                                 << QStringList { "messageBoxTipOut(拉流失败,5)" };
    QTest::newRow("main failed quietly") << false << true << false << QString() << QStringList();
}

void TestMediaView3::pullResults()
{
    QFETCH(bool, host);
    QFETCH(bool, isMain);
    QFETCH(bool, result);
    QFETCH(QString, msg);
    QFETCH(QStringList, emitted);
    std::unique_ptr<MediaView3> panel = makePanel(host);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    panel->pullStreamResultIn(isMain, result, "P1", msg);
    QCOMPARE(signalsOut.emitted(), emitted);
}

void TestMediaView3::shownUsersGoToTheirViews()
{
    std::unique_ptr<MediaView3> panel = makePanel(true);
    panel->startOpenIn();
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    signalsOut.ignore({ "classesBeginOrEndOut" });
    VideoView4 *strip = panel->videoView4();
    VideoView3 *view = panel->videoView3();

    panel->pullStreamChangeIn(QString(), "A", true, false);
    panel->pullStreamChangeIn(QString(), "B", true, false);
    QVERIFY(strip->containsUserId("A") && strip->containsUserId("B"));
    QVERIFY(signalsOut.emitted().isEmpty());
    // A manual change on the host's side moves the camera buttons.
    panel->pullStreamChangeIn(QString(), "C", false, false);
    QCOMPARE(view->subUserId(), QString("C"));
    panel->pullStreamChangeIn("C", QString(), false, false);
    QCOMPARE(signalsOut.emitted(), QStringList({ "onCameraBtnChangedOut(C,true)", "onCameraBtnChangedOut(C,false)" }));
    // A strip user chosen by hand leaves his tile for the sub picture.
    panel->autoToManualIn("B");
    QVERIFY(!strip->containsUserId("B"));
    QCOMPARE(view->subUserId(), QString("B"));

    QImage frame(32, 24, QImage::Format_RGB32);
    frame.fill(Qt::red);
    uint index = 0;
    QVERIFY(strip->selectUserIdHash("A", index));
    MessageCollector messages;
    panel->showVideoImageIn("A", frame);
    panel->showVideoImageIn("B", frame);
    panel->showVideoImageIn("H", frame);
    QCOMPARE(messages.warnings().size(), 0);
    panel->showVideoImageIn("Z", frame);
    QCOMPARE(messages.count("uid: \"Z\""), 1);
    QCOMPARE(
        strip->tile(int(index))->pictureLabel()->pixmap(Qt::ReturnByValue).toImage().pixelColor(1, 1), QColor(Qt::red));
}

// The host starts his meeting for real: his push goes out to the RTMP server, the class hears of it, and the
// end brings everything back to the default pictures.
void TestMediaView3::hostMeetingFromStartToEnd()
{
    std::unique_ptr<MediaView3> panel = makePanel(true);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    signalsOut.ignore({ "messageBoxTipOut" });
    panel->readAddStreamIdIn("P1", "P1s");
    signalsOut.clear();

    // The push id names the second the push starts in, and the RTMP server refuses a second publisher of a name:
    // the pushes of the tests before, in the seconds before, may still be closing there.
    const auto second = [] { return QDateTime::currentDateTime().toString("yyyyMMddHHmmss"); };
    const QString started = second();
    QTRY_VERIFY(second() != started);
    panel->startOpenIn();
    QCOMPARE(signalsOut.emitted(), QStringList { "classesBeginOrEndOut(false,false,正在启动)" });
    QCOMPARE(panel->classState(), 0);
    QCOMPARE(panel->videoView3()->mainUserId(), QString("H"));
    QCOMPARE(panel->bottomLayout()->indexOf(panel->videoView3()), 0);
    QVERIFY(panel->defaultView()->isHidden());
    QVERIFY(!panel->videoView4()->tile(0)->isHidden());
    // Clicked again while starting: refused.
    MessageCollector messages;
    panel->startOpenIn();
    QCOMPARE(messages.count("pushStreamState: 1"), 1);

    QTRY_COMPARE_WITH_TIMEOUT(int(panel->getPushStreamState()), 2, pushWaitMs);
    QCOMPARE(signalsOut.emitted().last(), QString("classesBeginOrEndOut(false,true,结束会议)"));
    const QString pushId = panel->pushStreamManager()->getPushStreamId();
    QTRY_COMPARE(m_link->sent().filter("\tclass9\t3$0$H$$" + pushId + "$").size(), 1);
    // The own preview reaches the main picture.
    QTRY_VERIFY_WITH_TIMEOUT(panel->videoView3()->bigLabel()->pixmap(Qt::ReturnByValue).toImage().pixelColor(2, 2)
            != QColor(0x30, 0x36, 0x3f),
        pushWaitMs);

    // A late joiner hears that the meeting runs, and who is on stage.
    panel->startPullStreamIn("P1");
    m_link->clear();
    panel->sendLateState("L9");
    QCOMPARE(m_link->forwards().filter("11\t1\tL9\t").size(), 2);

    signalsOut.clear();
    panel->startOpenIn();
    QCOMPARE(signalsOut.emitted().first(), QString("classesBeginOrEndOut(true,false,结束会议)"));
    QCOMPARE(panel->classState(), 1);
    QVERIFY(panel->videoView3()->mainUserId().isEmpty());
    QVERIFY(!panel->defaultView()->isHidden());
    QVERIFY(panel->videoView4()->tile(0)->isHidden());
    QVERIFY(!panel->videoView4()->defaultPicture(0)->isHidden());
    QVERIFY(!panel->pullStreamManager()->getPullUserState("P1"));
    QTRY_COMPARE_WITH_TIMEOUT(int(panel->getPushStreamState()), 0, pushWaitMs);
    QCOMPARE(signalsOut.emitted().last(), QString("classesBeginOrEndOut(true,true,开始会议)"));
    QTRY_COMPARE(m_link->sent().filter("3$1$H$").size(), 1);
}

void TestMediaView3::interfaceOperations()
{
    std::unique_ptr<MediaView3> host = makePanel(true);
    QCOMPARE(host->getPushStreamInterface(), static_cast<PushStreamInterface *>(host->pushStreamManager()));
    host->initialLater();
    QVERIFY(!host->pushStreamManager()->isPushingStream());
    QVERIFY(!host->stopPushStreamLect());
    QVERIFY(!host->stopPushStreamListener());
    MessageCollector messages;
    host->lectOnline("H");
    QCOMPARE(messages.count("isLect:"), 1);
    m_link->clear();
    host->sendLateState("L9");
    QVERIFY(m_link->forwards().isEmpty());
    host.reset();

    std::unique_ptr<MediaView3> participant = makePanel(false);
    messages.clear();
    participant->lectOnline("H");
    QVERIFY(messages.warnings().isEmpty());
    participant->initialLater();
    QCOMPARE(int(participant->getPushStreamState()), 1);
    QVERIFY(participant->pushStreamManager()->isPushingStream());
    QVERIFY(!participant->stopPushStreamLect());
    QVERIFY(participant->stopPushStreamListener());
    QCOMPARE(int(participant->getPushStreamState()), 3);
    QTRY_VERIFY_WITH_TIMEOUT(!participant->pushStreamManager()->isPushingStream(), pushWaitMs);

    // The lecturer leaves: every pull stops and the default picture returns.
    participant->readSocketMessageIn(message(0, "H", QString(), "Hs"));
    participant->stopAllPullStream();
    QCOMPARE(participant->classState(), 1);
    QVERIFY(!participant->pullStreamManager()->getPullUserState("H"));
}

void TestMediaView3::sizesFromTheScreen()
{
    QCOMPARE(MediaView3::stripSize(1040), QSize(1080, 216));
    QCOMPARE(MediaView3::mainSize(1040), QSize(1080, 648));
    std::unique_ptr<MediaView3> panel = makePanel(false);
    const int height = QGuiApplication::primaryScreen()->availableGeometry().height();
    QCOMPARE(panel->videoView4()->size(), MediaView3::stripSize(height));
    QCOMPARE(panel->videoView3()->minimumSize(), MediaView3::mainSize(height));
    QCOMPARE(panel->defaultView()->maximumSize(), MediaView3::mainSize(height));
}

QTEST_MAIN(TestMediaView3)
#include "tst_mediaview3.moc"
