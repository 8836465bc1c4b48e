#include "tests/media/engineprobe.h"
#include "tests/media/pullstages.h"
#include "tests/support/diskaudiocapture.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/audio/audioplayer.h"

#include <QtTest>

#include <memory>

namespace {
FfmpegPublisher::Options toneOptions(int frequency, int sampleRate, int channels)
{
    FfmpegPublisher::Options options;
    options.video = false;
    options.toneHz = frequency;
    options.sampleRate = sampleRate;
    options.channels = channels;
    return options;
}

// lavfi's sine is at an eighth of full scale; the mixer plays each source at 66/128.
constexpr double heard = 0.125 * AudioPlayer::mixVolume / 128;
} // namespace

class TestPullAudioStream : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void twoPublishersAreBothHeard();
    void sourceNotToBePlayedIsSilentButItsClockMoves();
    void stereo44100AfterMono32000KeepsItsPitch();
    void videoOnlyStreamHasNoAudio();

private:
    // The last stretch of what was played, once that much more has been played.
    QVector<qint16> playedFromNow(int milliseconds);
    double level(const QVector<qint16> &samples, double frequency) const
    {
        return DiskAudioCapture::toneLevel(samples, AudioPlayer::outputSampleRate, frequency);
    }

    std::unique_ptr<DiskAudioCapture> m_capture;
    RtmpServer m_server;
};

void TestPullAudioStream::initTestCase()
{
    m_capture = std::make_unique<DiskAudioCapture>(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);
    QVERIFY(m_capture->isValid());
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

QVector<qint16> TestPullAudioStream::playedFromNow(int milliseconds)
{
    const qint64 from = m_capture->size();
    if (!m_capture->waitForMore(from, milliseconds, milliseconds + 5000))
        return {};
    return m_capture->samples(from);
}

void TestPullAudioStream::twoPublishersAreBothHeard()
{
    FfmpegPublisher low(toneOptions(440, 44100, 1));
    FfmpegPublisher high(toneOptions(1000, 48000, 2));
    QVERIFY(low.start(m_server.url("low")));
    QVERIFY(high.start(m_server.url("high")));
    EngineProbe first;
    EngineProbe second;
    first.start("low", PullStreamEngine::PullAudioStreamOnly, m_server.url("low"));
    second.start("high", PullStreamEngine::PullAudioStreamOnly, m_server.url("high"));
    QVERIFY(EngineProbe::waitUntil([&] { return first.successes() == 1 && second.successes() == 1; }, 8000));
    playedFromNow(500);

    QVector<qint16> played = playedFromNow(1000);
    QVERIFY2(level(played, 440) > 0.4 * heard, qPrintable(QString::number(level(played, 440))));
    QVERIFY2(level(played, 1000) > 0.4 * heard, qPrintable(QString::number(level(played, 1000))));
    QVERIFY(level(played, 700) < 0.1 * heard);

    // A pull that ended is no longer heard.
    first.stop();
    QVERIFY(first.waitUntil([&] { return first.exits() == 1; }, 5000));
    playedFromNow(200);
    played = playedFromNow(1000);
    QVERIFY2(level(played, 440) < 0.05 * heard, qPrintable(QString::number(level(played, 440))));
    QVERIFY(level(played, 1000) > 0.4 * heard);
}

void TestPullAudioStream::sourceNotToBePlayedIsSilentButItsClockMoves()
{
    FfmpegPublisher low(toneOptions(440, 32000, 1));
    FfmpegPublisher high(toneOptions(1000, 32000, 1));
    QVERIFY(low.start(m_server.url("played")));
    QVERIFY(high.start(m_server.url("muted")));
    PullStages played;
    PullStages muted;
    QVERIFY(played.open(m_server.url("played")));
    QVERIFY(muted.open(m_server.url("muted")));
    QVERIFY(played.startPull(true, false, true));
    QVERIFY(muted.startPull(true, false, false));
    playedFromNow(500);

    const int64_t clockBefore = muted.context.getAudioClock();
    QVector<qint16> output = playedFromNow(1000);
    const int64_t clockAfter = muted.context.getAudioClock();
    QVERIFY(level(output, 440) > 0.4 * heard);
    QVERIFY2(level(output, 1000) < 0.05 * heard, qPrintable(QString::number(level(output, 1000))));
    QVERIFY(clockBefore != PullStreamContext::noClock);
    QVERIFY2(clockAfter - clockBefore > 700000, qPrintable(QString::number(clockAfter - clockBefore)));

    // Heard as soon as it is to be played.
    muted.audio->setPlayAudio(true);
    playedFromNow(300);
    output = playedFromNow(1000);
    QVERIFY(level(output, 1000) > 0.4 * heard);
}

void TestPullAudioStream::stereo44100AfterMono32000KeepsItsPitch()
{
    {
        FfmpegPublisher mono(toneOptions(440, 32000, 1));
        QVERIFY(mono.start(m_server.url("mono")));
        EngineProbe pull;
        pull.start("mono", PullStreamEngine::PullAudioStreamOnly, m_server.url("mono"));
        QVERIFY(pull.waitUntil([&] { return pull.successes() == 1; }, 8000));
        playedFromNow(400);
        const QVector<qint16> output = playedFromNow(800);
        QVERIFY(level(output, 440) > 0.4 * heard);
    }
    FfmpegPublisher stereo(toneOptions(1000, 44100, 2));
    QVERIFY(stereo.start(m_server.url("stereo")));
    EngineProbe pull;
    pull.start("stereo", PullStreamEngine::PullAudioStreamOnly, m_server.url("stereo"));
    QVERIFY(pull.waitUntil([&] { return pull.successes() == 1; }, 8000));
    playedFromNow(400);
    const QVector<qint16> output = playedFromNow(1000);
    QVERIFY2(level(output, 1000) > 0.4 * heard, qPrintable(QString::number(level(output, 1000))));
    // Played as if it were the first source's format it would sound at 726 Hz (mono) or 363 Hz (stereo).
    QVERIFY(level(output, 726) < 0.1 * heard);
    QVERIFY(level(output, 363) < 0.1 * heard);
}

void TestPullAudioStream::videoOnlyStreamHasNoAudio()
{
    FfmpegPublisher::Options options;
    options.audio = false;
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("pictures")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("pictures")));
    QCOMPARE(stages.initialiseAudio(true), int(PullAudioStream::AudioStreamNotFound));
}

QTEST_GUILESS_MAIN(TestPullAudioStream)
#include "tst_pullaudiostream.moc"
