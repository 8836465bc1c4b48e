#include "tests/support/diskaudiocapture.h"
#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/audio/audioringbuffer.h"

#include <QtTest>

#include <algorithm>
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

// The test mixes block by block while it lives; the device plays again after it, whatever the test left.
struct DeviceClockHeld
{
    DeviceClockHeld() { AudioPlayer::instance()->holdDeviceClock(true); }
    ~DeviceClockHeld() { AudioPlayer::instance()->holdDeviceClock(false); }
    DeviceClockHeld(const DeviceClockHeld &) = delete;
    DeviceClockHeld &operator=(const DeviceClockHeld &) = delete;
};
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
    void heldClockMixesOnlyWhenAsked();
    void standingDelayIsDropped();
    void burstKeepsTheNewestSound();
    void shortfallRaisesWhatIsKeptButAStallDoesNot_data();
    void shortfallRaisesWhatIsKeptButAStallDoesNot();
    void bunchLateIsBridgedThenGivenBackOnceSteady();

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

void TestAudioPlayer::heldClockMixesOnlyWhenAsked()
{
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    const int blockBytes = AudioPlayer::blockSamples * AudioPlayer::bytesPerSample;
    const DeviceClockHeld held;
    player->regiser(&source);
    QCOMPARE(write(&source, sine(440, 0.1, 100)), 10 * blockBytes);
    // The device plays on, silence: a dozen of its blocks went by, and none of them took the source's sound.
    QVERIFY(m_capture->waitForMore(m_capture->size(), 120, 5000));
    const int untouched = player->bufferedBytes(&source);
    const bool mixed = player->mixBlocks(3);
    const int left = player->bufferedBytes(&source);
    player->unregister(&source);
    QCOMPARE(untouched, 10 * blockBytes);
    QVERIFY(mixed);
    QCOMPARE(left, 7 * blockBytes);
}

void TestAudioPlayer::standingDelayIsDropped()
{
    int source = 0;
    std::vector<int64_t> heard;
    AudioPlayer *player = AudioPlayer::instance();
    const DeviceClockHeld held;
    player->regiser(&source, [&](int64_t us) { heard.push_back(us); });
    // 600 ms at once, as after a stall, stamped from 10 s on; then the sound goes on coming as it is made, in
    // bunches of two blocks, so that the 600 ms would stay a delay for good.
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
    const int blockMs = 1000 * AudioPlayer::blockSamples / AudioPlayer::outputSampleRate;
    bool mixed = true;
    for (int mixedMs = 0; mixed && mixedMs < 2 * AudioPlayer::trimWindowMs; mixedMs += 2 * blockMs) {
        feed(2 * blockMs);
        mixed = player->mixBlocks(2);
    }
    // Kept live: within two trim windows what is held is back near the target, and what the mixer plays is near
    // the newest sound.
    const int nearMs = AudioPlayer::targetLatencyMs + AudioPlayer::trimSlackMs + 60;
    const int buffered = player->bufferedBytes(&source);
    const int64_t dropped = player->droppedBytes(&source);
    player->unregister(&source);
    QVERIFY(mixed);
    QVERIFY2(buffered <= nearMs * AudioPlayer::bytesPerMs, qPrintable(QString::number(buffered)));
    QCOMPARE(int(heard.size()), 2 * AudioPlayer::trimWindowMs / blockMs);
    QVERIFY2(heard.back() != AudioPlayer::noTime && heard.back() >= endUs - (nearMs + 30) * 1000,
        qPrintable(QString("%1 of %2").arg(heard.back()).arg(endUs)));
    // Dropped, not played late; and heard in order from the first sample on.
    QVERIFY(dropped >= 300 * AudioPlayer::bytesPerMs);
    QCOMPARE(heard.front(), startUs - player->outputDelayUs());
    QVERIFY(std::is_sorted(heard.begin(), heard.end()));
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
    QTest::newRow("a stall") << AudioPlayer::shortfallBlocksMax + 5 << false;
}

void TestAudioPlayer::shortfallRaisesWhatIsKeptButAStallDoesNot()
{
    QFETCH(int, dryBlocks);
    QFETCH(bool, raised);
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    const DeviceClockHeld held;
    player->regiser(&source);
    QCOMPARE(player->targetMs(&source), AudioPlayer::targetLatencyMs);
    const std::vector<int16_t> samples = sine(440, 0.1, 100);
    const int fedBlocks = 100 / (1000 * AudioPlayer::blockSamples / AudioPlayer::outputSampleRate);
    auto feed = [&](int64_t startUs) {
        return player->write(
            &source, reinterpret_cast<const uint8_t *>(samples.data()), int(samples.size() * 2), startUs);
    };
    // Runs dry for the given blocks, then has sound again at once; all within the first trim window.
    QVERIFY(feed(0) > 0);
    QVERIFY(player->mixBlocks(fedBlocks + dryBlocks));
    QCOMPARE(player->starvedBlocks(&source), dryBlocks);
    QVERIFY(feed(100000) > 0);
    const int windowBlocks
        = AudioPlayer::trimWindowMs * AudioPlayer::outputSampleRate / 1000 / AudioPlayer::blockSamples;
    QVERIFY(fedBlocks + dryBlocks < windowBlocks);
    QVERIFY(player->mixBlocks(windowBlocks - fedBlocks - dryBlocks));
    const int target = player->targetMs(&source);
    player->unregister(&source);
    if (raised)
        QVERIFY2(target > AudioPlayer::targetLatencyMs, qPrintable(QString::number(target)));
    else
        QCOMPARE(target, AudioPlayer::targetLatencyMs);
}

void TestAudioPlayer::bunchLateIsBridgedThenGivenBackOnceSteady()
{
    int source = 0;
    AudioPlayer *player = AudioPlayer::instance();
    const DeviceClockHeld held;
    player->regiser(&source);
    const std::vector<int16_t> samples = sine(440, 0.1, 100);
    const int pieceBlocks = 100 / AudioPlayer::blockMs;
    const int windowBlocks = AudioPlayer::trimWindowMs / AudioPlayer::blockMs;
    int64_t startUs = 0;
    auto feed = [&] {
        const int written = player->write(
            &source, reinterpret_cast<const uint8_t *>(samples.data()), int(samples.size() * 2), startUs);
        startUs += 100000;
        return written > 0;
    };
    // A publisher's bunch 200 ms late: longer than a moment, shorter than a stall.
    const int lateBlocks = 20;
    QVERIFY(feed());
    QVERIFY(player->mixBlocks(pieceBlocks + lateBlocks));
    // The bunch: what the window has left to play, at once.
    const int restBlocks = windowBlocks - pieceBlocks - lateBlocks;
    for (int piece = 0; piece < restBlocks / pieceBlocks; ++piece)
        QVERIFY(feed());
    QVERIFY(player->mixBlocks(restBlocks));
    const int raised = player->targetMs(&source);
    QVERIFY2(raised >= AudioPlayer::targetLatencyMs + lateBlocks * AudioPlayer::blockMs,
        qPrintable(QString::number(raised)));
    QVERIFY(raised <= AudioPlayer::maxTargetLatencyMs);

    // Then steady, each piece in hand before it is due: what was raised is kept a while (the next bunch may come),
    // then given back, never raised again.
    const int starved = player->starvedBlocks(&source);
    std::vector<int> targets;
    for (int window = 0; window < 200; ++window) {
        for (int piece = 0; piece < windowBlocks / pieceBlocks; ++piece) {
            QVERIFY(feed());
            QVERIFY(player->mixBlocks(pieceBlocks));
        }
        targets.push_back(player->targetMs(&source));
    }
    const int finalStarved = player->starvedBlocks(&source);
    player->unregister(&source);
    QCOMPARE(finalStarved, starved);
    QCOMPARE(targets[AudioPlayer::quietWindowsBeforeGiveBack / 2], raised);
    QVERIFY(std::is_sorted(targets.rbegin(), targets.rend()));
    QCOMPARE(targets.back(), AudioPlayer::targetLatencyMs);
}

QTEST_GUILESS_MAIN(TestAudioPlayer)
#include "tst_audioplayer.moc"
