#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "tests/support/signalrecorder.h"
#include "vrek/media/panels/firstreplyview.h"
#include "vrek/media/panels/mediaview2.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/panels/videoview2.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoviewfull.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {
StreamMediaMessage message(int type, const QString &from, const QString &to = QString(),
    const QString &third = QString(), const QString &streamId = QString(), const QString &frId = QString())
{
    StreamMediaMessage result;
    result.setSmmType(quint32(type));
    result.setFromUserId(from);
    result.setToUserId(to);
    result.setTripartiteUserId(third);
    result.setStreamId(streamId);
    result.setFrId(frId);
    return result;
}

// The stream command of a forwarded line.
StreamMediaMessage readForward(const QString &line)
{
    StreamMediaMessage read;
    TSProtocolAnalysis::readStreamMediaMessage(line.section('\t', 3, 3), read);
    return read;
}
} // namespace

// The spare classroom panel: its first-reply rounds, the stage messages it shares with the meeting panel, the
// switch between strip and picture-in-picture, and its sound controls over a pretend sound card.
class TestMediaView2 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void messagesThatAreRefused_data();
    void messagesThatAreRefused();
    void firstReplyRound();
    void studentAnswersAndIsPulled();
    void studentMessages();
    void participantsOnlineAreAsked();
    void stripAndPictureInPicture();
    void soundControls();
    void fullScreen();

private:
    std::unique_ptr<MediaView2> makePanel(bool lecturer);

    ClassroomLink *m_link = nullptr;
    std::shared_ptr<FakeSoundControl::Machine> m_sound;
};

void TestMediaView2::initTestCase()
{
    m_sound = std::make_shared<FakeSoundControl::Machine>();
    SoundControl::setFactory(FakeSoundControl::factory(m_sound));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestMediaView2::cleanupTestCase()
{
    delete m_link;
    SoundControl::setFactory(nullptr);
}

void TestMediaView2::init()
{
    g_classType = 7;
    g_classId = "class5";
    g_lectId = "L1";
    g_mediaHost = "127.0.0.1";
    g_mediaPort = 1;
    *m_sound = FakeSoundControl::Machine();
    m_link->clear();
}

std::unique_ptr<MediaView2> TestMediaView2::makePanel(bool lecturer)
{
    g_userType = lecturer ? 0 : 1;
    g_userId = lecturer ? "L1" : "S1";
    auto panel = std::make_unique<MediaView2>();
    panel->setClickInterval(0);
    return panel;
}

void TestMediaView2::messagesThatAreRefused_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("streamId");
    QTest::addColumn<QString>("frId");
    QTest::addColumn<QString>("warning");
    QTest::newRow("10 on the lecturer's side") << true << 10 << "L2" << QString() << QString() << QString() << "f1"
                                               << "RequestFirstReply ";
    QTest::newRow("10 without an id") << false << 10 << "L1" << QString() << QString() << QString() << QString()
                                      << "RequestFirstReply ";
    QTest::newRow("11 on the lecturer's side") << true << 11 << "L2" << QString() << QString() << QString() << "f1"
                                               << "RequestStopReply ";
    QTest::newRow("11 without a sender") << false << 11 << QString() << QString() << QString() << QString() << "f1"
                                         << "RequestStopReply ";
    QTest::newRow("12 for another lecturer") << true << 12 << "S1"
                                             << "L2" << QString() << QString() << "f1" << QString();
    QTest::newRow("12 on a student's side") << false << 12 << "S2"
                                            << "S1" << QString() << QString() << "f1" << QString();
    QTest::newRow("13 on a student's side") << false << 13 << "S2"
                                            << "L1" << QString() << QString() << "f1"
                                            << "ResponseFRStop ";
    QTest::newRow("13 without an id") << true << 13 << "S1"
                                      << "L1" << QString() << QString() << QString() << "ResponseFRStop ";
    QTest::newRow("14 on the lecturer's side") << true << 14 << "L2" << QString() << "S1"
                                               << "s1" << QString() << "PullFRStart ";
    QTest::newRow("14 without a stream") << false << 14 << "L1" << QString() << "S2" << QString() << QString()
                                         << "PullFRStart ";
    QTest::newRow("15 without a third user")
        << false << 15 << "L1" << QString() << QString() << QString() << QString() << "PullFRStop ";
    QTest::newRow("15 on the lecturer's side")
        << true << 15 << "L2" << QString() << "S1" << QString() << QString() << "PullFRStop ";
    QTest::newRow("4 not for this lecturer")
        << true << 4 << "S1"
        << "L2" << QString() << QString() << QString() << "ResponsePushStreamFail ";
    QTest::newRow("7 on a student's side") << false << 7 << "S2"
                                           << "S1" << QString() << "s2" << QString() << "ResponsePushStreamId ";
    QTest::newRow("16") << true << 16 << "S1"
                        << "L1" << QString() << QString() << QString() << "the smmType unknown error! smmType: 16";
}

void TestMediaView2::messagesThatAreRefused()
{
    QFETCH(bool, lecturer);
    QFETCH(int, type);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, third);
    QFETCH(QString, streamId);
    QFETCH(QString, frId);
    QFETCH(QString, warning);
    std::unique_ptr<MediaView2> panel = makePanel(lecturer);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    MessageCollector messages;
    m_link->clear();
    panel->readSocketMessageIn(message(type, from, to, third, streamId, frId));
    if (warning.isEmpty())
        QCOMPARE(messages.warnings(), QStringList());
    else
        QCOMPARE(messages.count(warning), 1);
    QVERIFY(signalsOut.emitted().isEmpty());
    QVERIFY(panel->firstReplyView()->isHidden());
    QVERIFY(m_link->forwards().isEmpty());
    QVERIFY(panel->videoView3()->subUserId().isEmpty());
}

// The lecturer asks for a first reply, a student answers, the lecturer's side pulls him, then lets him go.
void TestMediaView2::firstReplyRound()
{
    std::unique_ptr<MediaView2> panel = makePanel(true);
    panel->readSocketMessageIn(message(7, "S1", "L1", QString(), "S1s"));
    QVERIFY(panel->pullStreamManager()->verifyUserStreamId("S1"));
    m_link->clear();

    panel->findChild<QPushButton *>("firstReply")->click();
    QVERIFY(panel->isFirstReplyRunning());
    QCOMPARE(m_link->forwards().size(), 1);
    const StreamMediaMessage request = readForward(m_link->forwards().first());
    QCOMPARE(request.getSmmType(), 10u);
    const QString frId = request.getFrId();
    QCOMPARE(frId.size(), 30);

    m_link->clear();
    panel->readSocketMessageIn(message(12, "S1", "L1", QString(), QString(), frId));
    QCOMPARE(m_link->forwards(), QStringList { "11\t0\tclass5\t3$14$L1$S1$S1s$0$S1$\t0" });
    m_link->clear();
    panel->readSocketMessageIn(message(13, "S1", "L1", QString(), QString(), frId));
    QCOMPARE(m_link->forwards(), QStringList { "11\t0\tclass5\t3$15$L1$$$0$S1$\t0" });

    m_link->clear();
    panel->firstReplyClickedIn();
    QVERIFY(!panel->isFirstReplyRunning());
    QCOMPARE(readForward(m_link->forwards().value(0)).getSmmType(), 11u);
}

// A student is asked, answers from the prompt, is pulled by the lecturer and let go.
void TestMediaView2::studentAnswersAndIsPulled()
{
    std::unique_ptr<MediaView2> panel = makePanel(false);
    FirstReplyView *prompt = panel->firstReplyView();
    panel->readSocketMessageIn(message(10, "L1", QString(), QString(), QString(), "f1"));
    QVERIFY(prompt->isVisible());
    m_link->clear();
    QSignalSpy answers(prompt, &FirstReplyView::sendResponseFRStartOut);
    prompt->findChild<QPushButton *>("responseButton")->click();
    QCOMPARE(answers.size(), 1);
    QVERIFY(prompt->isHidden());
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tL1\t3$12$S1$L1$$0$$f1\t0" });

    // The lecturer pulls him: his own video goes into the sub picture, twice is once.
    panel->readSocketMessageIn(message(0, "L1", QString(), QString(), "L1s"));
    panel->readSocketMessageIn(message(14, "L1", "S1", "S1", "S1s"));
    QVERIFY(panel->isPushShow());
    QCOMPARE(panel->videoView3()->subUserId(), QString("S1"));
    MessageCollector messages;
    panel->readSocketMessageIn(message(14, "L1", "S1", "S1", "S1s"));
    QCOMPARE(messages.count("PullFRStart isPushShow:"), 1);
    panel->readSocketMessageIn(message(15, "L1", QString(), "S1"));
    QVERIFY(!panel->isPushShow());
    QVERIFY(panel->videoView3()->subUserId().isEmpty());
    // On stage again afterwards.
    panel->readSocketMessageIn(message(5, "L1", "S1", "S1", "S1s"));
    QVERIFY(panel->isPushShow());

    // The round ends: the prompt, shown again, closes; closing it by hand sends nothing.
    panel->readSocketMessageIn(message(11, "L1", QString(), QString(), QString(), "f1"));
    QVERIFY(prompt->isHidden());
    prompt->show();
    m_link->clear();
    prompt->findChild<QPushButton *>("closeButton")->click();
    QVERIFY(prompt->isHidden());
    QCOMPARE(answers.size(), 1);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestMediaView2::studentMessages()
{
    std::unique_ptr<MediaView2> panel = makePanel(false);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    panel->readSocketMessageIn(message(0, "L1", QString(), QString(), "L1s"));
    QCOMPARE(panel->classState(), 0);
    QCOMPARE(panel->videoView3()->mainUserId(), QString("L1"));
    QCOMPARE(panel->pictureWidget(), static_cast<QWidget *>(panel->videoView3()));
    // A classmate's first reply is pulled by his push stream id as the sub stream.
    panel->readSocketMessageIn(message(14, "L1", "S2", "S2", "S2s"));
    QCOMPARE(panel->videoView3()->subUserId(), QString("S2"));
    QVERIFY(panel->pullStreamManager()->getPullUserState("S2"));
    panel->readSocketMessageIn(message(15, "L1", QString(), "S2"));
    QVERIFY(panel->videoView3()->subUserId().isEmpty());

    panel->readSocketMessageIn(message(1, "L1"));
    QCOMPARE(panel->classState(), 1);
    QCOMPARE(signalsOut.emitted(), QStringList { "messageBoxTipOut(老师已下课,5)" });
    // Only a lecturer lets a first reply go.
    MessageCollector messages;
    m_link->clear();
    panel->sendPullFRStopIn("S2");
    QCOMPARE(messages.count("isLect:"), 1);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestMediaView2::participantsOnlineAreAsked()
{
    std::unique_ptr<MediaView2> panel = makePanel(true);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    m_link->clear();
    panel->userOnline("S1");
    panel->userOnline("L1");
    QCOMPARE(signalsOut.emitted(), QStringList { "setCameraBtnStateOut(S1,false)" });
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tS1\t3$2$L1$S1$$0$$\t0" });
    MessageCollector messages;
    panel->showFRStartIn();
    QCOMPARE(messages.count("isLect:"), 1);
    QVERIFY(panel->firstReplyView()->isHidden());
}

// The lecturer's own video moves to the strip when nobody is pulled by hand, and back when he pulls someone.
void TestMediaView2::stripAndPictureInPicture()
{
    std::unique_ptr<MediaView2> panel = makePanel(true);
    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    signalsOut.ignore({ "messageBoxTipOut", "onCameraBtnChangedOut" });
    panel->startOpenIn();
    QCOMPARE(signalsOut.emitted(), QStringList { "classesBeginOrEndOut(false,false,正在启动)" });
    QCOMPARE(panel->findChild<QPushButton *>("startOpen")->text(), QString("正在启动"));
    QCOMPARE(panel->videoView3()->mainUserId(), QString("L1"));
    QCOMPARE(panel->pictureWidget(), static_cast<QWidget *>(panel->videoView3()));

    panel->manualPullStreamNoneIn();
    QVERIFY(panel->isAutoVideo());
    QVERIFY(panel->videoView3()->mainUserId().isEmpty());
    uint index = 9;
    QVERIFY(panel->videoView2()->selectUserIdHash("L1", index));
    QCOMPARE(index, 0u);
    QCOMPARE(panel->pictureWidget(), static_cast<QWidget *>(panel->videoView2()));

    panel->readSocketMessageIn(message(7, "S1", "L1", QString(), "S1s"));
    panel->startPullStreamIn("S1");
    QVERIFY(!panel->isAutoVideo());
    QCOMPARE(panel->videoView3()->mainUserId(), QString("L1"));
    QVERIFY(!panel->videoView2()->containsUserId("L1"));
    QCOMPARE(panel->pictureWidget(), static_cast<QWidget *>(panel->videoView3()));

    // The end of the class; the push's end makes the button start it again.
    signalsOut.clear();
    panel->pushStreamResultIn(false, true, QString());
    panel->startOpenIn();
    panel->pushStreamResultIn(true, false, QString());
    QCOMPARE(signalsOut.emitted(),
        QStringList({ "classesBeginOrEndOut(false,true,点击下课)", "classesBeginOrEndOut(true,false,正在关闭)",
            "classesBeginOrEndOut(true,true,点击上课)" }));
    QCOMPARE(panel->classState(), 1);
    QVERIFY(panel->pictureWidget() != panel->videoView3());
}

void TestMediaView2::soundControls()
{
    m_sound->microphone.muted = true;
    m_sound->speaker.present = false;
    std::unique_ptr<MediaView2> panel = makePanel(false);
    QVERIFY(panel->styleSheet().contains("microOff2.png"));
    // Started at 60, unmuted first; a speaker that cannot be read is left as it is.
    QCOMPARE(m_sound->microphone.volume, 60);
    QVERIFY(!m_sound->microphone.muted);
    QVERIFY(panel->isMicOn());
    QVERIFY(!panel->isSpkOn());
    auto *micSlider = panel->findChild<QSlider *>("micSlider");
    QCOMPARE(micSlider->value(), 60);
    QCOMPARE(micSlider->maximum(), 80);

    SignalRecorder signalsOut(panel.get(), &PullPushMediaView::staticMetaObject);
    micSlider->setValue(10);
    micSlider->setValue(0);
    QVERIFY(m_sound->microphone.muted);
    QVERIFY(panel->findChild<QPushButton *>("micBtn")->isChecked());
    // With the volume at 0 the button keeps the microphone muted.
    panel->openMicrophoneIn();
    QVERIFY(m_sound->microphone.muted);
    micSlider->setValue(40);
    // The speaker that cannot be read: muted by a click, and unmuted by the next one with a warning.
    panel->findChild<QSlider *>("spkSlider")->setValue(30);
    panel->openSpeakerIn();
    panel->openSpeakerIn();
    QCOMPARE(signalsOut.emitted(),
        QStringList({ "messageBoxTipOut(音量过小，可能影响通话质量,1065320319)",
            "messageBoxTipOut(当前已静音,1065320319)", "messageBoxTipOut(当前已静音,1065320319)",
            "messageBoxTipOut(音量正常,1)", "messageBoxTipOut(音量正常,1)", "messageBoxTipOut(当前已静音,1065320319)",
            "messageBoxTipOut(扬声器设备异常,1065320319)" }));
    QVERIFY(!m_sound->microphone.muted);
    QCOMPARE(m_sound->microphone.volume, 40);
}

// Full screen before the class shows the default picture there; the class's video moves in when it starts, and
// back into the panel when the frame closes.
void TestMediaView2::fullScreen()
{
    std::unique_ptr<MediaView2> panel = makePanel(true);
    QWidget *areaPicture = panel->pictureWidget();
    panel->findChild<QPushButton *>("fullScreen")->click();
    QVERIFY(panel->fullTitle()->isVisible());
    QWidget *fullPicture = panel->videoViewFull()->hostedWidget();
    QVERIFY(fullPicture && fullPicture != areaPicture);
    QCOMPARE(panel->pictureWidget(), areaPicture);

    panel->startOpenIn();
    QCOMPARE(panel->videoViewFull()->hostedWidget(), static_cast<QWidget *>(panel->videoView3()));
    QVERIFY(panel->videoView3()->isVisible());
    QVERIFY(fullPicture->isHidden());
    QCOMPARE(panel->pictureWidget(), areaPicture);

    emit panel->fullTitle()->signalClose();
    QVERIFY(!panel->videoViewFull()->hostedWidget());
    QCOMPARE(panel->pictureWidget(), static_cast<QWidget *>(panel->videoView3()));
    QCOMPARE(panel->videoView3()->parentWidget(), panel.get());
}

QTEST_MAIN(TestMediaView2)
#include "tst_mediaview2.moc"
