#include "tests/support/diskaudiocapture.h"
#include "vrek/media/audioplayer.h"
#include "vrek/media/audioringbuffer.h"

#include <QtTest>

#include <atomic>

#include <cmath>
#include <csignal>
#include <vector>

namespace {
std::vector<int16_t> sine(double frequency, double amplitude, int milliseconds)
{
    std::vector<int16_t> samples(size_t(AudioPlayer::outputSampleRate * milliseconds / 1000));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(
            std::lround(32767 * amplitude * std::sin(2 * M_PI * frequency * i / AudioPlayer::outputSampleRate)));
    return samples;
}

int write(const void *source, const std::vector<int16_t> &samples)
{
    return AudioPlayer::instance()->write(
        source, reinterpret_cast<const uint8_t *>(samples.data()), int(samples.size() * sizeof(int16_t)));
}
} // namespace

class TestAudioPlayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void ringBuffer();
    void sourcesAreMixedIntoOneOutput();
    void shortSourceWaitsForAWholeBlock();
    void sourceBuffersAtMostOneSecond();
    void cutIsBlended();
    void standingDelayIsDropped();
    void burstKeepsTheNewestSound();
    void shortfallRaisesWhatIsKeptButAStallDoesNot_data();
    void shortfallRaisesWhatIsKeptButAStallDoesNot();

private:
    DiskAudioCapture *m_capture = nullptr;
};

void TestAudioPlayer::initTestCase()
{
    // Starting the sound output leaves SIGINT and SIGTERM to the program: SDL would make them quit events that
    // nobody reads, and the client would no longer end on them. SDL takes only signals left at their default,
    // as they are in the client, so the test's own handlers step aside meanwhile.
    struct sigaction defaultAction = {}, interruptBefore = {}, terminateBefore = {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGINT, &defaultAction, &interruptBefore);
    sigaction(SIGTERM, &defaultAction, &terminateBefore);
    m_capture = new DiskAudioCapture(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);
    const bool started = m_capture->isValid() && AudioPlayer::sdlAudioInitial();
    struct sigaction interruptAfter = {}, terminateAfter = {};
    sigaction(SIGINT, &interruptBefore, &interruptAfter);
    sigaction(SIGTERM, &terminateBefore, &terminateAfter);
    QVERIFY(started);
    QVERIFY(interruptAfter.sa_handler == SIG_DFL);
    QVERIFY(terminateAfter.sa_handler == SIG_DFL);
}

void TestAudioPlayer::ringBuffer()
{
    AudioRingBuffer ring(8);
    const uint8_t in[] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
    uint8_t out[10] = {};
    QCOMPARE(ring.write(in, 5), 5);
    QCOMPARE(ring.read(out, 3), 3);
    QCOMPARE(ring.stored(), 2);
    // Wraps round the end; what does not fit is dropped, the stored bytes are kept.
    QCOMPARE(ring.write(in + 5, 5), 5);
    QCOMPARE(ring.write(in, 4), 1);
    QCOMPARE(ring.stored(), 8);
    QCOMPARE(ring.freeSpace(), 0);
    QCOMPARE(ring.read(out, 10), 8);
    const uint8_t expected[] = { 4, 5, 6, 7, 8, 9, 10, 1 };
    QVERIFY(std::equal(expected, expected + 8, out));
    QCOMPARE(ring.stored(), 0);
    QCOMPARE(ring.read(out, 4), 0);
}

void TestAudioPlayer::sourcesAreMixedIntoOneOutput()
{
    int first = 0;
    int second = 0;
    AudioPlayer *player = AudioPlayer::instance();
    QVERIFY(player->regiser(&first));
    QVERIFY(player->regiser(&second));
    QVERIFY(player->isDeviceOpen());
    const qint64 start = m_capture->size();
    QVERIFY(write(&first, sine(440, 0.25, 800)) > 0);
    QVERIFY(write(&second, sine(1000, 0.25, 800)) > 0);
    QVERIFY(m_capture->waitForMore(start, 700, 5000));
    player->unregister(&first);
    player->unregister(&second);

    // The loudest stretch of the capture, where both were playing.
    const QVector<qint16> all = m_capture->samples(start);
    int best = 0;
    double bestLevel = 0;
    const int window = AudioPlayer::outputSampleRate / 5;
    for (int at = 0; at + window <= all.size(); at += window / 4) {
        const double level = DiskAudioCapture::rmsLevel(all.mid(at, window));
        if (level > bestLevel) {
            bestLevel = level;
            best = at;
        }
    }
    const QVector<qint16> played = all.mid(best, window);
    const double expected = 0.25 * AudioPlayer::mixVolume / 128;
    const double low = DiskAudioCapture::toneLevel(played, AudioPlayer::outputSampleRate, 440);
    const double high = DiskAudioCapture::toneLevel(played, AudioPlayer::outputSampleRate, 1000);
    QVERIFY2(qAbs(low - expected) < 0.02, qPrintable(QString::number(low)));
    QVERIFY2(qAbs(high - expected) < 0.02, qPrintable(QString::number(high)));
    QVERIFY(DiskAudioCapture::toneLevel(played, AudioPlayer::outputSampleRate, 700) < 0.01);
}

void TestAudioPlayer::shortSourceWaitsForAWholeBlock()
{
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    player->regiser(&source);
    const std::vector<int16_t> constant(AudioPlayer::blockSamples, 1000);
    const int half = AudioPlayer::blockSamples / 2;
    QCOMPARE(write(&source, std::vector<int16_t>(constant.begin(), constant.begin() + half)), half * 2);
    const qint64 start = m_capture->size();
    QVERIFY(m_capture->waitForMore(start, 200, 5000));
    QCOMPARE(player->bufferedBytes(&source), half * 2);
    QCOMPARE(write(&source, std::vector<int16_t>(constant.begin() + half, constant.end())), half * 2);
    QTRY_COMPARE(player->bufferedBytes(&source), 0);
    QVERIFY(m_capture->waitForMore(m_capture->size(), 100, 5000));
    player->unregister(&source);

    // The block was played whole, once, at the mixing volume.
    const QVector<qint16> played = m_capture->samples(start);
    const qint16 level = qint16(1000 * AudioPlayer::mixVolume / 128);
    QCOMPARE(int(std::count(played.begin(), played.end(), level)), AudioPlayer::blockSamples);
}

void TestAudioPlayer::sourceBuffersAtMostOneSecond()
{
    int source = 0;
    int stranger = 0;
    AudioPlayer *player = AudioPlayer::instance();
    player->regiser(&source);
    const std::vector<int16_t> twoSeconds = sine(300, 0.1, 2000);
    const int kept = write(&source, twoSeconds);
    QVERIFY(kept <= AudioPlayer::ringBytes);
    QVERIFY(kept > AudioPlayer::ringBytes - 2 * AudioPlayer::blockSamples * 2);
    QVERIFY(player->bufferedBytes(&source) <= AudioPlayer::ringBytes);
    QCOMPARE(write(&stranger, twoSeconds), 0);
    player->unregister(&source);
    QVERIFY(!player->isRegistered(&source));
    QCOMPARE(write(&source, twoSeconds), 0);
}

void TestAudioPlayer::cutIsBlended()
{
    // 100 samples of 1000, then 100 of -1000: cut 50 of the first with a fade of 20 samples.
    AudioRingBuffer ring(400 * 2);
    std::vector<int16_t> samples(200, 1000);
    std::fill(samples.begin() + 100, samples.end(), -1000);
    // Start off the front of the buffer, so that the cut wraps round its end.
    std::vector<uint8_t> filler(300 * 2);
    QCOMPARE(ring.write(filler.data(), int(filler.size())), int(filler.size()));
    std::vector<uint8_t> scratch(filler.size());
    QCOMPARE(ring.read(scratch.data(), int(scratch.size())), int(scratch.size()));
    QCOMPARE(ring.write(reinterpret_cast<const uint8_t *>(samples.data()), 400), 400);
    QCOMPARE(ring.skip(150 * 2, 20 * 2), 150 * 2);
    QCOMPARE(ring.stored(), 50 * 2);
    std::vector<int16_t> out(50);
    QCOMPARE(ring.read(reinterpret_cast<uint8_t *>(out.data()), 100), 100);
    // What follows the cut goes from what would have been heard (1000) to its own sound (-1000) step by step.
    QVERIFY(out[0] > 800);
    for (int i = 1; i < 20; ++i)
        QVERIFY2(out[i] < out[i - 1] && out[i - 1] - out[i] < 150, qPrintable(QString::number(i)));
    QVERIFY(out[19] < -800);
    QVERIFY(std::all_of(out.begin() + 20, out.end(), [](int16_t v) { return v == -1000; }));
    // Never more than is stored, and whole samples only.
    QCOMPARE(ring.skip(1000, 0), 0);
    QCOMPARE(ring.write(reinterpret_cast<const uint8_t *>(samples.data()), 10), 10);
    QCOMPARE(ring.skip(7, 0), 6);
}

void TestAudioPlayer::standingDelayIsDropped()
{
    int source = 0;
    std::atomic<int64_t> heard { AudioPlayer::noTime };
    std::atomic<int64_t> firstHeard { AudioPlayer::noTime };
    AudioPlayer *player = AudioPlayer::instance();
    player->regiser(&source, [&](int64_t us) {
        if (us != AudioPlayer::noTime && firstHeard.load() == AudioPlayer::noTime)
            firstHeard.store(us);
        heard.store(us);
    });
    // 600 ms at once, as after a stall, stamped from 10 s on; then the sound goes on coming as it is made, so that
    // the 600 ms would stay a delay for good.
    const int64_t startUs = 10000000;
    int64_t endUs = startUs;
    auto feed = [&](int milliseconds) {
        const std::vector<int16_t> samples = sine(440, 0.1, milliseconds);
        const int kept
            = player->write(&source, reinterpret_cast<const uint8_t *>(samples.data()), int(samples.size() * 2), endUs);
        endUs += int64_t(kept) * 1000 / AudioPlayer::bytesPerMs;
    };
    feed(600);
    QCOMPARE(endUs, startUs + 600000);
    QElapsedTimer clock;
    clock.start();
    int64_t fedMs = 0;
    QTimer feeder;
    connect(&feeder, &QTimer::timeout, this, [&] {
        const int64_t due = clock.elapsed() - fedMs;
        feed(int(due));
        fedMs += due;
    });
    feeder.start(20);
    // Kept live: within two trim windows (and the time a busy machine may take) what is held is back near the
    // target, and what the mixer plays is near the newest sound.
    const int nearMs = AudioPlayer::targetLatencyMs + AudioPlayer::trimSlackMs + 60;
    QTRY_VERIFY_WITH_TIMEOUT(player->bufferedBytes(&source) <= nearMs * AudioPlayer::bytesPerMs
            && heard.load() != AudioPlayer::noTime && heard.load() >= endUs - (nearMs + 30) * 1000,
        2 * AudioPlayer::trimWindowMs + 5000);
    feeder.stop();
    // Dropped, not played late; and heard in order from the first sample on.
    QVERIFY(player->droppedBytes(&source) >= 300 * AudioPlayer::bytesPerMs);
    QCOMPARE(firstHeard.load(), startUs - AudioPlayer::deviceLatencyMs * 1000);
    player->unregister(&source);
}

void TestAudioPlayer::burstKeepsTheNewestSound()
{
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    player->regiser(&source);
    // More than the ring holds, in two writes: the older sound goes, the newer stays whole.
    const std::vector<int16_t> old = sine(300, 0.1, 900);
    const std::vector<int16_t> fresh = sine(300, 0.1, 500);
    QCOMPARE(write(&source, old), 900 * AudioPlayer::bytesPerMs);
    QCOMPARE(write(&source, fresh), 500 * AudioPlayer::bytesPerMs);
    QVERIFY(player->bufferedBytes(&source) <= (500 + AudioPlayer::targetLatencyMs) * AudioPlayer::bytesPerMs);
    QVERIFY(player->bufferedBytes(&source) >= 500 * AudioPlayer::bytesPerMs - 100 * AudioPlayer::bytesPerMs);
    QVERIFY(player->droppedBytes(&source) >= 800 * AudioPlayer::bytesPerMs);
    player->unregister(&source);
}

void TestAudioPlayer::shortfallRaisesWhatIsKeptButAStallDoesNot_data()
{
    QTest::addColumn<int>("dryBlocks");
    QTest::addColumn<bool>("raised");
    QTest::newRow("a moment short") << 1 << true;
    QTest::newRow("a stall") << 3 * AudioPlayer::shortfallBlocksMax << false;
}

void TestAudioPlayer::shortfallRaisesWhatIsKeptButAStallDoesNot()
{
    QFETCH(int, dryBlocks);
    QFETCH(bool, raised);
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    player->regiser(&source);
    QCOMPARE(player->targetMs(&source), AudioPlayer::targetLatencyMs);
    const std::vector<int16_t> samples = sine(440, 0.1, 100);
    auto feed = [&](int64_t startUs) {
        return player->write(
            &source, reinterpret_cast<const uint8_t *>(samples.data()), int(samples.size() * 2), startUs);
    };
    QVERIFY(feed(0) > 0);
    // Runs dry for the given blocks, then has sound again at once (the mixer takes a block every 10 ms; this
    // looks every millisecond).
    QElapsedTimer waited;
    waited.start();
    while (player->starvedBlocks(&source) < dryBlocks && waited.elapsed() < 10000)
        QThread::msleep(1);
    QVERIFY(feed(100000) > 0);
    // The window it fell in ends within half a second of mixing.
    QTest::qWait(2 * AudioPlayer::trimWindowMs);
    const int starved = player->starvedBlocks(&source);
    const int target = player->targetMs(&source);
    player->unregister(&source);
    if (raised) {
        // Unless the machine was so busy that the moment outlasted what counts as one.
        if (starved <= AudioPlayer::shortfallBlocksMax)
            QVERIFY2(target > AudioPlayer::targetLatencyMs, qPrintable(QString::number(target)));
    } else {
        QCOMPARE(target, AudioPlayer::targetLatencyMs);
    }
}

QTEST_GUILESS_MAIN(TestAudioPlayer)
#include "tst_audioplayer.moc"
