// Sound and pictures in step where the student hears the sound: through a sound server that holds some of the
// output itself, as a desktop's does.
#include "tests/media/avsyncmeter.h"
#include "tests/media/pullstages.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/pulseaudioserver.h"
#include "tests/support/pulsemonitorcapture.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/audio/audioplayer.h"

#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr double beepSeconds = 2.0;
constexpr int64_t periodMs = 2000;
// The latency asked of the sound server for the output's stream, as a desktop's may keep (and more over
// Bluetooth); the null sink then holds some 170 ms of it.
constexpr int serverLatencyMs = 300;
// What SDL itself holds, and all the output counted before: a 10 ms block.
constexpr int sdlBlockMs = 10;

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

// Each beep in [from, to) less the event of the other list nearest to it, within half a period.
std::vector<double> nearest(const std::vector<int64_t> &beeps, const std::vector<int64_t> &others, int64_t from)
{
    std::vector<double> result;
    for (int64_t beep : beeps) {
        if (beep < from)
            continue;
        int64_t best = -1;
        for (int64_t other : others) {
            if (std::llabs(other - beep) < periodMs / 2
                && (best < 0 || std::llabs(other - beep) < std::llabs(best - beep)))
                best = other;
        }
        if (best >= 0)
            result.push_back(double(best - beep));
    }
    return result;
}

QString describe(const std::vector<double> &values)
{
    QStringList texts;
    for (double value : values)
        texts << QString::number(value);
    return texts.join(' ');
}
} // namespace

class TestPullAvSyncPulse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesMeetTheSoundTheSinkPlays();

private:
    PulseAudioServer m_sound;
    std::unique_ptr<PulseMonitorCapture> m_monitor;
    RtmpServer m_server;
};

void TestPullAvSyncPulse::initTestCase()
{
    QVERIFY2(m_sound.start(), qPrintable(m_sound.log()));
    // Before the output opens: SDL plays through the server, which then holds the latency asked of it.
    m_sound.useEnvironment();
    // The listener first: the latency asked below is for the output's stream alone.
    m_monitor = std::make_unique<PulseMonitorCapture>(m_sound.options().sinkName, int(periodMs / 2));
    QVERIFY(m_monitor->start());
    qputenv("SDL_AUDIODRIVER", "pulseaudio");
    qputenv("PULSE_LATENCY_MSEC", QByteArray::number(serverLatencyMs));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

void TestPullAvSyncPulse::picturesMeetTheSoundTheSinkPlays()
{
    FfmpegPublisher::Options options;
    options.width = 160;
    options.height = 120;
    options.beepSeconds = beepSeconds;
    FfmpegPublisher teacher(options);
    QVERIFY2(teacher.start(m_server.url("pulse")), qPrintable(teacher.errorOutput()));
    PullStages stages;
    AvSyncMeter meter(beepSeconds);
    QObject owner;
    connect(stages.video, &PullVideoStream::showVideoImageOut, &owner,
        [&meter](const QImage &image) { meter.pictureShown(image); });
    QTimer pictures;
    connect(&pictures, &QTimer::timeout, this, [&] { stages.clearPictures(); });
    pictures.start(20);
    QVERIFY(stages.open(m_server.url("pulse")));
    QVERIFY(stages.startPull(true, true));
    QVERIFY(AudioPlayer::instance()->isDeviceOpen());

    // Steady from eight seconds on: four beeps played by the sink, each with its flash.
    const int64_t steadyFrom = AvSyncMeter::nowMs() + 8000;
    QVERIFY(waitUntil(
        [&] { return nearest(m_monitor->beeps(), meter.flashes(), steadyFrom).size() >= 4; }, 30000));
    const std::vector<double> offsets = nearest(m_monitor->beeps(), meter.flashes(), steadyFrom);
    // What the server held of each beep: from the mixer's hand-over to the sink's playing it.
    const std::vector<double> held = nearest(meter.beeps(), m_monitor->beeps(), steadyFrom);
    const double counted = double(AudioPlayer::instance()->outputDelayUs()) / 1000;
    pictures.stop();
    stages.stop();

    std::vector<double> sizes;
    for (double offset : offsets)
        sizes.push_back(std::fabs(offset));
    const QString report = QString("offsets at the sink: %1; held by the server: %2 (median %3); counted: %4")
                               .arg(describe(offsets), describe(held))
                               .arg(AvSyncMeter::median(held))
                               .arg(counted);
    qInfo().noquote() << report;
    // The server did hold the sound far longer than SDL's block, and the output counts what it holds.
    QVERIFY2(AvSyncMeter::median(held) >= 10 * sdlBlockMs, qPrintable(report));
    QVERIFY2(std::fabs(counted - AvSyncMeter::median(held)) <= 30, qPrintable(report));
    // So the pictures meet the sound the student hears.
    QVERIFY2(AvSyncMeter::median(sizes) <= 80, qPrintable(report));
    QVERIFY2(*std::max_element(sizes.begin(), sizes.end()) <= 120, qPrintable(report));
}

QTEST_GUILESS_MAIN(TestPullAvSyncPulse)
#include "tst_pullavsyncpulse.moc"
