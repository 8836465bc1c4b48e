#include "platform/echocanceller/audiopreprocapi.h"
#include "platform/echocanceller/echocanceller.h"

#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

namespace {
constexpr int rate = 32000;
constexpr int block = 320;

// Speech-like far end: low-passed noise under a loudness that wanders every eighth of a second.
std::vector<int16_t> farEnd(int seconds, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_real_distribution<double> loudness(0.1, 1.0);
    std::vector<int16_t> samples(size_t(seconds * rate));
    double low = 0;
    double envelope = 0.5;
    double target = 0.5;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i % (rate / 8) == 0)
            target = loudness(random);
        envelope += (target - envelope) * 0.0005;
        low += 0.3 * (noise(random) - low);
        samples[i] = int16_t(std::lround(9000 * envelope * low));
    }
    return samples;
}

double energy(const std::vector<int16_t> &samples, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return sum / double(to - from);
}

double tone(int frequency, size_t i)
{
    return 8000 * std::sin(2 * M_PI * frequency * double(i) / rate);
}
} // namespace

class TestEchoCanceller : public QObject
{
    Q_OBJECT
private slots:
    void delayedEchoIsReduced_data();
    void delayedEchoIsReduced();
    void nearSpeechPassesWithoutFarSound();
    void passThrough();
    void wrongBlocksAreRefused_data();
    void wrongBlocksAreRefused();
};

void TestEchoCanceller::delayedEchoIsReduced_data()
{
    QTest::addColumn<int>("echoDelayMs");
    QTest::addColumn<double>("echoGain");
    QTest::newRow("160 ms, as set") << 160 << 0.5;
    QTest::newRow("300 ms, found by the canceller") << 300 << 0.4;
}

void TestEchoCanceller::delayedEchoIsReduced()
{
    QFETCH(int, echoDelayMs);
    QFETCH(double, echoGain);
    AudioPreprocHandle handle = audio_preproc_init();
    QVERIFY(handle);
    QCOMPARE(handle->backend(), EchoCanceller::WebRtc);
    QCOMPARE(audio_preproc_setEnable(handle, 1), 0);
    QCOMPARE(audio_preproc_setAECEnable(handle, 1), 0);
    QCOMPARE(audio_preproc_setDelay(handle, 160), 0);

    const int seconds = 20;
    const std::vector<int16_t> far = farEnd(seconds, 7);
    const size_t delay = size_t(echoDelayMs * rate / 1000);
    std::vector<int16_t> near(far.size(), 0);
    for (size_t i = delay; i < far.size(); ++i)
        near[i] = int16_t(std::lround(echoGain * far[i - delay]));
    std::vector<int16_t> out = near;
    for (size_t start = 0; start + block <= far.size(); start += block) {
        QCOMPARE(audio_preproc_processPlayback(handle, rate, 1, block, far.data() + start), 0);
        QCOMPARE(audio_preproc_processRecord(handle, rate, 1, block, out.data() + start), 0);
    }
    audio_preproc_deinit(handle);

    // Judged once the canceller has had time to find the echo.
    const size_t from = size_t((seconds - 3) * rate);
    const double reductionDb = 10 * std::log10(energy(near, from, near.size()) / (energy(out, from, out.size()) + 1));
    qInfo() << "echo reduced by" << reductionDb << "dB";
    QVERIFY2(reductionDb > 10, qPrintable(QString::number(reductionDb)));
}

void TestEchoCanceller::nearSpeechPassesWithoutFarSound()
{
    AudioPreprocHandle handle = audio_preproc_init();
    audio_preproc_setEnable(handle, 1);
    audio_preproc_setAECEnable(handle, 1);
    audio_preproc_setDelay(handle, 160);
    const std::vector<int16_t> silence(block, 0);
    std::vector<int16_t> near(size_t(3 * rate));
    for (size_t i = 0; i < near.size(); ++i)
        near[i] = int16_t(std::lround(tone(700, i)));
    std::vector<int16_t> out = near;
    for (size_t start = 0; start + block <= near.size(); start += block) {
        audio_preproc_processPlayback(handle, rate, 1, block, silence.data());
        QCOMPARE(audio_preproc_processRecord(handle, rate, 1, block, out.data() + start), 0);
    }
    audio_preproc_deinit(handle);
    const size_t from = size_t(rate);
    const double lossDb = 10 * std::log10(energy(near, from, near.size()) / energy(out, from, out.size()));
    QVERIFY2(lossDb < 3, qPrintable(QString::number(lossDb)));
}

void TestEchoCanceller::passThrough()
{
    std::vector<int16_t> samples(block);
    for (int i = 0; i < block; ++i)
        samples[size_t(i)] = int16_t(i * 37);
    const std::vector<int16_t> original = samples;

    EchoCanceller fallback(EchoCanceller::PassThrough);
    QCOMPARE(fallback.backend(), EchoCanceller::PassThrough);
    QCOMPARE(fallback.processPlayback(rate, 1, block, samples.data()), 0);
    QCOMPARE(fallback.processRecord(rate, 1, block, samples.data()), 0);
    QVERIFY(samples == original);

    // Switched off, the real canceller leaves the sound alone too.
    AudioPreprocHandle handle = audio_preproc_init();
    QCOMPARE(audio_preproc_setEnable(handle, 0), 0);
    QCOMPARE(audio_preproc_processPlayback(handle, rate, 1, block, samples.data()), 0);
    QCOMPARE(audio_preproc_processRecord(handle, rate, 1, block, samples.data()), 0);
    QVERIFY(samples == original);
    audio_preproc_deinit(handle);

    QVERIFY(audio_preproc_processRecord(nullptr, rate, 1, block, samples.data()) < 0);
    audio_preproc_deinit(nullptr);
}

void TestEchoCanceller::wrongBlocksAreRefused_data()
{
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("samples");
    QTest::newRow("44.1 kHz") << 44100 << 1 << 441;
    QTest::newRow("not 10 ms") << 32000 << 1 << 256;
    QTest::newRow("three channels") << 32000 << 3 << 320;
    QTest::newRow("no samples") << 32000 << 1 << 0;
}

void TestEchoCanceller::wrongBlocksAreRefused()
{
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(int, samples);
    std::vector<int16_t> data(2048, 1234);
    AudioPreprocHandle handle = audio_preproc_init();
    QVERIFY(audio_preproc_processPlayback(handle, sampleRate, channels, samples, data.data()) < 0);
    QVERIFY(audio_preproc_processRecord(handle, sampleRate, channels, samples, data.data()) < 0);
    QVERIFY(std::all_of(data.begin(), data.end(), [](int16_t v) { return v == 1234; }));
    audio_preproc_deinit(handle);
}

QTEST_GUILESS_MAIN(TestEchoCanceller)
#include "tst_echocanceller.moc"
