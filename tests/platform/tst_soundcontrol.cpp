#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/soundcontrol/pulseaudiosoundcontrol.h"
#include "platform/soundcontrol/soundcontrol.h"

#include "tests/support/pulseaudioserver.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

namespace {
// A call may take this much longer than its limit on a busy machine; a hang takes for ever.
constexpr qint64 slackMs = 2000;

int volume(SoundControl &control, bool speaker, bool &ok)
{
    return speaker ? control.getSpeakerVolume(ok) : control.getMicrophoneVolume(ok);
}

bool set(SoundControl &control, bool speaker, int value)
{
    return speaker ? control.setSpeaker(value) : control.setMicrophone(value);
}

bool muted(SoundControl &control, bool speaker, bool &ok)
{
    return speaker ? control.getSpeakerMute(ok) : control.getMicrophoneMute(ok);
}
} // namespace

class TestSoundControl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void onlyValidValuesReachTheDevice_data();
    void onlyValidValuesReachTheDevice();
    void nullControlReportsFailure();
    void factoryCanBeReplaced();
    void fakeSharesOneMachine();

    void volumeIsSetAndReadBack_data();
    void volumeIsSetAndReadBack();
    void muteAndUnmute_data();
    void muteAndUnmute();
    void aMonitorIsNoMicrophone();
    void noServerFailsAtOnce();
    void hungServerAnswersWithinTheBound();

private:
    PulseAudioServer m_server;
};

void TestSoundControl::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.log()));
    m_server.useEnvironment();
}

void TestSoundControl::cleanup()
{
    SoundControl::setFactory({});
}

void TestSoundControl::onlyValidValuesReachTheDevice_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("unmute") << -2 << true;
    QTest::newRow("mute") << -1 << true;
    QTest::newRow("silent") << 0 << true;
    QTest::newRow("full") << 100 << true;
    QTest::newRow("below the commands") << -3 << false;
    QTest::newRow("above full") << 101 << false;
}

void TestSoundControl::onlyValidValuesReachTheDevice()
{
    QFETCH(int, value);
    QFETCH(bool, accepted);
    FakeSoundControl control;
    QCOMPARE(control.setSpeaker(value), accepted);
    QCOMPARE(control.setMicrophone(value), accepted);
    const QStringList expected = accepted
        ? QStringList { QString("setSpeaker(%1)").arg(value), QString("setMicrophone(%1)").arg(value) }
        : QStringList();
    QCOMPARE(control.machine()->calls, expected);
}

void TestSoundControl::nullControlReportsFailure()
{
    NullSoundControl control;
    for (bool speaker : { true, false }) {
        bool ok = true;
        QCOMPARE(volume(control, speaker, ok), 0);
        QVERIFY(!ok);
        ok = true;
        QVERIFY(!muted(control, speaker, ok));
        QVERIFY(!ok);
        for (int value : { -2, -1, 0, 60 })
            QVERIFY(!set(control, speaker, value));
    }
}

void TestSoundControl::factoryCanBeReplaced()
{
    QVERIFY(dynamic_cast<PulseAudioSoundControl *>(SoundControl::create().get()));
    auto machine = std::make_shared<FakeSoundControl::Machine>();
    SoundControl::setFactory(FakeSoundControl::factory(machine));
    std::unique_ptr<SoundControl> control = SoundControl::create();
    QVERIFY(dynamic_cast<FakeSoundControl *>(control.get()));
    control->setMicrophone(30);
    QCOMPARE(machine->microphone.volume, 30);
    SoundControl::setFactory({});
    QVERIFY(dynamic_cast<PulseAudioSoundControl *>(SoundControl::create().get()));
}

void TestSoundControl::fakeSharesOneMachine()
{
    auto machine = std::make_shared<FakeSoundControl::Machine>();
    machine->microphone.present = false;
    FakeSoundControl first(machine);
    FakeSoundControl second(machine);
    QVERIFY(first.setSpeaker(-1));
    bool ok = false;
    QVERIFY(second.getSpeakerMute(ok));
    QVERIFY(ok);
    QVERIFY(!second.setMicrophone(20));
    QCOMPARE(second.getMicrophoneVolume(ok), 0);
    QVERIFY(!ok);
    QCOMPARE(machine->calls,
        QStringList({ "setSpeaker(-1)", "getSpeakerMute", "setMicrophone(20)", "getMicrophoneVolume" }));
}

void TestSoundControl::volumeIsSetAndReadBack_data()
{
    QTest::addColumn<bool>("speaker");
    QTest::addColumn<int>("value");
    for (bool speaker : { true, false }) {
        for (int value : { 0, 1, 37, 60, 99, 100 })
            QTest::addRow("%s %d", speaker ? "speaker" : "microphone", value) << speaker << value;
    }
}

void TestSoundControl::volumeIsSetAndReadBack()
{
    QFETCH(bool, speaker);
    QFETCH(int, value);
    PulseAudioSoundControl control;
    QVERIFY(set(control, speaker, value));
    bool ok = false;
    QCOMPARE(volume(control, speaker, ok), value);
    QVERIFY(ok);
    // The server keeps it, not the object.
    PulseAudioSoundControl other;
    QCOMPARE(volume(other, speaker, ok), value);
    QVERIFY(ok);
}

void TestSoundControl::muteAndUnmute_data()
{
    QTest::addColumn<bool>("speaker");
    QTest::newRow("speaker") << true;
    QTest::newRow("microphone") << false;
}

void TestSoundControl::muteAndUnmute()
{
    QFETCH(bool, speaker);
    PulseAudioSoundControl control;
    QVERIFY(set(control, speaker, 60));
    QVERIFY(set(control, speaker, SoundControl::Mute));
    bool ok = false;
    QVERIFY(muted(control, speaker, ok));
    QVERIFY(ok);
    // A muted device keeps its volume, and a new volume leaves it muted.
    QCOMPARE(volume(control, speaker, ok), 60);
    QVERIFY(set(control, speaker, 45));
    QVERIFY(muted(control, speaker, ok));
    QVERIFY(set(control, speaker, SoundControl::Unmute));
    QVERIFY(!muted(control, speaker, ok));
    QVERIFY(ok);
    QCOMPARE(volume(control, speaker, ok), 45);
}

void TestSoundControl::aMonitorIsNoMicrophone()
{
    PulseAudioServer::Options options;
    options.microphone = false;
    PulseAudioServer server(options);
    QVERIFY2(server.start(), qPrintable(server.log()));
    PulseServerAddress address(server.address());
    PulseAudioSoundControl control;
    bool ok = true;
    control.getMicrophoneVolume(ok);
    QVERIFY(!ok);
    QVERIFY(!control.setMicrophone(50));
    QVERIFY(control.setSpeaker(50));
    QCOMPARE(control.getSpeakerVolume(ok), 50);
    QVERIFY(ok);
}

void TestSoundControl::noServerFailsAtOnce()
{
    QTemporaryDir dir;
    PulseServerAddress address(QString("unix:%1/nothing-here").arg(dir.path()));
    PulseAudioSoundControl control;
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    control.getSpeakerVolume(ok);
    QVERIFY(!ok);
    QVERIFY(!control.setSpeaker(SoundControl::Mute));
    QVERIFY2(
        timer.elapsed() < PulseAudioSoundControl::defaultCallLimitMs, qPrintable(QString::number(timer.elapsed())));
}

void TestSoundControl::hungServerAnswersWithinTheBound()
{
    constexpr int limitMs = 300;
    constexpr int quietMs = 400;
    PulseAudioSoundControl control(limitMs, quietMs);
    QVERIFY(control.setSpeaker(70));
    QVERIFY(m_server.pause());
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    control.getSpeakerVolume(ok);
    const qint64 first = timer.elapsed();
    QVERIFY(!ok);
    QVERIFY2(first >= limitMs && first < limitMs + slackMs, qPrintable(QString::number(first)));
    // Within the quiet period nothing waits at all.
    timer.restart();
    QVERIFY(!control.setSpeaker(20));
    QVERIFY(!control.getSpeakerMute(ok));
    QVERIFY(!ok);
    QVERIFY2(timer.elapsed() < limitMs, qPrintable(QString::number(timer.elapsed())));

    // A server that takes a new connection and never says a word costs one bounded wait.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    {
        PulseServerAddress address(QString("tcp:127.0.0.1:%1").arg(silent.serverPort()));
        PulseAudioSoundControl fresh(limitMs, quietMs);
        timer.restart();
        fresh.getMicrophoneVolume(ok);
        const qint64 freshMs = timer.elapsed();
        QVERIFY(!ok);
        QVERIFY2(freshMs >= limitMs && freshMs < limitMs + slackMs, qPrintable(QString::number(freshMs)));
    }

    QVERIFY(m_server.resume());
    QTest::qWait(quietMs + 100);
    QCOMPARE(control.getSpeakerVolume(ok), 70);
    QVERIFY(ok);
    QVERIFY(control.setSpeaker(20));
}

QTEST_GUILESS_MAIN(TestSoundControl)
#include "tst_soundcontrol.moc"
