#include "platform/capturedevice/captureinput.h"
#include "platform/capturedevice/pcmchunker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QtTest>

#include <ctime>
#include <thread>

namespace {
CaptureSource lavfi(const QString &graph)
{
    CaptureSource source;
    source.format = "lavfi";
    source.url = graph;
    return source;
}

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}
} // namespace

class TestCaptureInput : public QObject
{
    Q_OBJECT
private slots:
    void chunkerHandsOutWholeBlocks_data();
    void chunkerHandsOutWholeBlocks();
    void soundComesInBlocksOfOneLength_data();
    void soundComesInBlocksOfOneLength();
    void openFailures_data();
    void openFailures();
    void stopEndsABlockedRead();
    void failingDeviceDoesNotSpin();
    void picturesComeAsTheDeviceDeliversThem();
};

void TestCaptureInput::chunkerHandsOutWholeBlocks_data()
{
    QTest::addColumn<QList<int>>("pieces");
    QTest::addColumn<int>("blockBytes");

    QTest::newRow("pieces smaller than a block") << QList<int> { 100, 100, 100, 100, 100, 37 } << 160;
    QTest::newRow("pieces larger than a block") << QList<int> { 1000, 999, 1 } << 160;
    QTest::newRow("pieces of a block") << QList<int> { 160, 160, 160 } << 160;
    QTest::newRow("empty pieces") << QList<int> { 0, 50, 0, 300 } << 100;
}

void TestCaptureInput::chunkerHandsOutWholeBlocks()
{
    QFETCH(QList<int>, pieces);
    QFETCH(int, blockBytes);
    PcmChunker chunker(blockBytes);
    QByteArray all;
    QByteArray joined;
    int counter = 0;
    for (int size : pieces) {
        QByteArray piece;
        for (int i = 0; i < size; ++i)
            piece.append(char(counter++ % 251));
        all += piece;
        chunker.append(piece.constData(), piece.size());
        QByteArray block;
        while (chunker.take(&block)) {
            QCOMPARE(block.size(), blockBytes);
            joined += block;
        }
    }
    // Nothing lost, nothing reordered, and only the part of a block left over.
    QCOMPARE(joined.size() + chunker.pendingBytes(), all.size());
    QVERIFY(chunker.pendingBytes() < blockBytes);
    QCOMPARE(joined, all.left(joined.size()));
}

void TestCaptureInput::soundComesInBlocksOfOneLength_data()
{
    QTest::addColumn<QString>("graph");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");

    // Each sample counts up, so a lost or repeated piece shows.
    QTest::newRow("44.1 kHz, 1000 samples a packet")
        << "aevalsrc=exprs=mod(n\\,1000)/1000:s=44100:n=1000" << 44100 << 1;
    QTest::newRow("48 kHz stereo, 333 samples a packet")
        << "aevalsrc=exprs=mod(n\\,1000)/1000|mod(n\\,1000)/1000:s=48000:n=333" << 48000 << 2;
}

void TestCaptureInput::soundComesInBlocksOfOneLength()
{
    QFETCH(QString, graph);
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    std::atomic<bool> running { true };
    CaptureInput input;
    input.setRunningFlag(&running);
    QCOMPARE(input.open(lavfi(graph)), CaptureInput::OpenOk);
    input.selectStream(0);
    QVERIFY(input.setAudioBlock(100));
    QCOMPARE(input.audioBlockSamples(), sampleRate / 10);
    const AVCodecParameters *parameters = input.formatContext()->streams[0]->codecpar;
    QCOMPARE(parameters->codec_id, AV_CODEC_ID_PCM_F64LE);

    AVPacket *packet = av_packet_alloc();
    double previous = -1;
    for (int block = 0; block < 12; ++block) {
        QCOMPARE(input.read(packet), 0);
        QCOMPARE(packet->size, sampleRate / 10 * channels * 8);
        const auto *samples = reinterpret_cast<const double *>(packet->data);
        for (int i = 0; i < packet->size / 8; i += channels) {
            if (previous >= 0) {
                const double step = samples[i] - previous;
                QVERIFY2(qAbs(step - 0.001) < 1e-9 || qAbs(step + 0.999) < 1e-9,
                    qPrintable(
                        QString("block %1 sample %2: %3 after %4").arg(block).arg(i).arg(samples[i]).arg(previous)));
            }
            previous = samples[i];
        }
    }
    av_packet_free(&packet);
}

void TestCaptureInput::openFailures_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing to open") << ""
                                     << "" << int(CaptureInput::OpenNoSource);
    QTest::newRow("format unknown") << "nosuchformat"
                                    << "x" << int(CaptureInput::OpenFormatNotFound);
    QTest::newRow("graph broken") << "lavfi"
                                  << "nosuchfilter" << int(CaptureInput::OpenInputFailed);
    QTest::newRow("camera missing") << "v4l2"
                                    << "/dev/video99" << int(CaptureInput::OpenInputFailed);
}

void TestCaptureInput::openFailures()
{
    QFETCH(QString, format);
    QFETCH(QString, url);
    QFETCH(int, expected);
    CaptureSource source;
    source.format = format;
    source.url = url;
    CaptureInput input;
    int error = 0;
    QCOMPARE(int(input.open(source, &error)), expected);
    QVERIFY(!input.isOpen());
    AVPacket *packet = av_packet_alloc();
    QVERIFY(input.read(packet) < 0);
    av_packet_free(&packet);
}

void TestCaptureInput::stopEndsABlockedRead()
{
    std::atomic<bool> running { true };
    CaptureInput input;
    input.setRunningFlag(&running);
    QCOMPARE(input.open(lavfi("sine=sample_rate=8000,arealtime")), CaptureInput::OpenOk);
    input.selectStream(0);
    // A block of ten seconds: the read waits for the device all that time unless stopped.
    const int blockMs = 10000;
    QVERIFY(input.setAudioBlock(blockMs));
    int result = 0;
    QElapsedTimer timer;
    timer.start();
    std::thread reader([&] {
        AVPacket *packet = av_packet_alloc();
        result = input.read(packet);
        av_packet_free(&packet);
    });
    QThread::msleep(300);
    const qint64 stopAt = timer.elapsed();
    running.store(false);
    reader.join();
    const qint64 took = timer.elapsed() - stopAt;
    QCOMPARE(result, AVERROR_EXIT);
    // Ended by the stop, not by the block: a small part of what was left of it.
    QVERIFY2(took < blockMs / 10, qPrintable(QString::number(took)));
}

void TestCaptureInput::failingDeviceDoesNotSpin()
{
    std::atomic<bool> running { true };
    CaptureInput input;
    input.setRunningFlag(&running);
    // A source that ends at once: from then on every read fails straight away.
    QCOMPARE(input.open(lavfi("sine=sample_rate=8000:duration=0.05")), CaptureInput::OpenOk);
    input.selectStream(0);
    AVPacket *packet = av_packet_alloc();
    while (input.read(packet) == 0) { }
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    int reads = 0;
    while (timer.elapsed() < 1500) {
        QVERIFY(input.read(packet) < 0);
        ++reads;
    }
    const double cpu = threadCpuSeconds() - cpuBefore;
    av_packet_free(&packet);
    QVERIFY2(reads < 30, qPrintable(QString::number(reads)));
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QVERIFY(input.failuresInRow() >= reads);
}

void TestCaptureInput::picturesComeAsTheDeviceDeliversThem()
{
    std::atomic<bool> running { true };
    CaptureInput input;
    input.setRunningFlag(&running);
    QCOMPARE(input.open(lavfi("testsrc=size=160x120:rate=20,realtime")), CaptureInput::OpenOk);
    input.selectStream(0);
    QVERIFY(!input.setAudioBlock(100)); // not sound
    AVPacket *packet = av_packet_alloc();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(input.read(packet), 0);
        QCOMPARE(packet->stream_index, 0);
        QVERIFY(packet->size > 0);
    }
    av_packet_free(&packet);
    // Paced by the source, not read ahead of it.
    QVERIFY2(timer.elapsed() >= 350, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestCaptureInput)
#include "tst_captureinput.moc"
