// The one sound output of the process across the stream controllers that come and go during a class: a process
// of its own, as the output, once open, stays open for the rest of the run.
#include "tests/media/engineprobe.h"
#include "tests/support/diskaudiocapture.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/control/pushstreammanager.h"

#include <QtTest>

#include <memory>

namespace {
// lavfi's sine is at an eighth of full scale; the mixer plays each source at 66/128.
constexpr double heard = 0.125 * AudioPlayer::mixVolume / 128;
} // namespace

class TestSoundOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pullIsStillHeardAfterPushManagersWent();

private:
    // The tone's level over the next stretch of output; 0 when the output stopped.
    double levelOfNext(int milliseconds);

    std::unique_ptr<DiskAudioCapture> m_capture;
    RtmpServer m_server;
};

void TestSoundOutput::initTestCase()
{
    m_capture = std::make_unique<DiskAudioCapture>(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);
    QVERIFY(m_capture->isValid());
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

double TestSoundOutput::levelOfNext(int milliseconds)
{
    const qint64 from = m_capture->size();
    if (!m_capture->waitForMore(from, milliseconds, milliseconds + 5000))
        return 0;
    return DiskAudioCapture::toneLevel(m_capture->samples(from), AudioPlayer::outputSampleRate, 440);
}

void TestSoundOutput::pullIsStillHeardAfterPushManagersWent()
{
    FfmpegPublisher::Options tone;
    tone.video = false;
    tone.toneHz = 440;
    FfmpegPublisher teacher(tone);
    QVERIFY(teacher.start(m_server.url("teacher")));

    // A class window makes its push side before anybody is heard: the output opens after it.
    auto first = std::make_unique<PushStreamManager>("S1", GlobalEnum::Group7);
    EngineProbe pull;
    pull.start("teacher", PullStreamEngine::PullAudioStreamOnly, m_server.url("teacher"));
    QVERIFY(EngineProbe::waitUntil([&] { return pull.successes() == 1; }, 10000));
    levelOfNext(300);
    QVERIFY2(levelOfNext(1000) > 0.4 * heard, "the pull is not heard");

    first.reset();
    levelOfNext(200);
    double level = levelOfNext(1000);
    QVERIFY2(level > 0.4 * heard, qPrintable(QString("silent after the first push manager went: %1").arg(level)));

    // Another one made and gone while the class is heard changes nothing either.
    auto second = std::make_unique<PushStreamManager>("S1", GlobalEnum::Group7);
    second.reset();
    level = levelOfNext(1000);
    QVERIFY2(level > 0.4 * heard, qPrintable(QString("silent after the second push manager went: %1").arg(level)));
    QVERIFY(AudioPlayer::instance()->isDeviceOpen());
}

QTEST_GUILESS_MAIN(TestSoundOutput)
#include "tst_soundoutput.moc"
