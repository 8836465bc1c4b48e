#include "vrek/media/push/pushstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QTcpServer>
#include <QtTest>

#include <thread>

namespace {
// An output over TCP to a peer that takes the connection and never reads: once the socket buffers are full,
// every write blocks.
AVFormatContext *openStuckOutput(PushStreamContext &context, quint16 port)
{
    AVFormatContext *output = nullptr;
    if (avformat_alloc_output_context2(&output, nullptr, "data", nullptr) < 0)
        return nullptr;
    AVStream *stream = avformat_new_stream(output, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    stream->time_base = AVRational { 1, 1000 };
    output->interrupt_callback.callback = &PushStreamContext::interruptCallback;
    output->interrupt_callback.opaque = &context;
    const QByteArray url = QString("tcp://127.0.0.1:%1").arg(port).toLatin1();
    if (avio_open2(&output->pb, url.constData(), AVIO_FLAG_WRITE, &output->interrupt_callback, nullptr) < 0
        || avformat_write_header(output, nullptr) < 0) {
        avio_closep(&output->pb);
        avformat_free_context(output);
        return nullptr;
    }
    return output;
}

// Writes 1 MB packets until one fails; the time that last write took.
qint64 writeUntilFailure(PushStreamContext &context, int *result)
{
    AVPacket *packet = av_packet_alloc();
    QElapsedTimer timer;
    *result = 0;
    for (int i = 0; i < 1000 && *result >= 0; ++i) {
        av_new_packet(packet, 1 << 20);
        memset(packet->data, 0x55, size_t(packet->size));
        packet->pts = packet->dts = i;
        timer.start();
        *result = context.writePacket(packet, 0, AVRational { 1, 1000 });
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return timer.elapsed();
}
} // namespace

class TestPushStreamContext : public QObject
{
    Q_OBJECT
private slots:
    void withoutOutputPacketsAreDropped();
    void deadlineAndClosing();
    void timelineStartsWithTheOutput();
    void blockedWriteEndsAtTheWriteLimit();
    void stopCutsABlockedWriteShort();
};

void TestPushStreamContext::withoutOutputPacketsAreDropped()
{
    PushStreamContext context;
    AVPacket *packet = av_packet_alloc();
    av_new_packet(packet, 100);
    QCOMPARE(context.writePacket(packet, 0, AVRational { 1, 1000 }), PushStreamContext::noOutput);
    QCOMPARE(packet->size, 0); // released
    av_packet_free(&packet);
    QVERIFY(!context.freeAVFormatContext());
}

void TestPushStreamContext::deadlineAndClosing()
{
    // Limits far longer than a busy machine keeps the test from its next line, far shorter than the long wait.
    const int shortMs = 300;
    const int longMs = 60000;
    PushStreamContext context;
    context.setLimits(1000, 1000, shortMs);
    QCOMPARE(PushStreamContext::interruptCallback(&context), 0); // nothing armed
    context.armDeadline(shortMs);
    QCOMPARE(PushStreamContext::interruptCallback(&context), 0);
    QTRY_COMPARE_WITH_TIMEOUT(PushStreamContext::interruptCallback(&context), 1, 10 * shortMs);
    context.armDeadline(0);
    QCOMPARE(PushStreamContext::interruptCallback(&context), 0);

    // A stop gives a long wait no more than the close limit.
    context.armDeadline(longMs);
    context.setClosing();
    QVERIFY(context.isClosing());
    QCOMPARE(PushStreamContext::interruptCallback(&context), 0);
    QTRY_COMPARE_WITH_TIMEOUT(PushStreamContext::interruptCallback(&context), 1, 10 * shortMs);
}

void TestPushStreamContext::timelineStartsWithTheOutput()
{
    PushStreamContext context;
    QCOMPARE(context.timelineUs(), int64_t(0));
    AVFormatContext *output = nullptr;
    QVERIFY(avformat_alloc_output_context2(&output, nullptr, "null", nullptr) >= 0);
    QElapsedTimer sinceOutput;
    sinceOutput.start();
    context.setAVFormatContext(output);
    const int64_t first = context.timelineUs();
    const int64_t readAfterUs = sinceOutput.nsecsElapsed() / 1000;
    QVERIFY2(
        first >= PushStreamContext::timelineLeadUs && first <= PushStreamContext::timelineLeadUs + readAfterUs + 1000,
        qPrintable(QString("%1 read %2 us after the output").arg(first).arg(readAfterUs)));
    QTest::qWait(50);
    QVERIFY(context.timelineUs() >= first + 45000);
    QVERIFY(context.freeAVFormatContext());
    QVERIFY(!context.freeAVFormatContext());
}

void TestPushStreamContext::blockedWriteEndsAtTheWriteLimit()
{
    QTcpServer peer;
    QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
    PushStreamContext context;
    context.setLimits(1000, 300, 100);
    AVFormatContext *output = openStuckOutput(context, peer.serverPort());
    QVERIFY(output);
    context.setAVFormatContext(output);
    int result = 0;
    const qint64 lastWrite = writeUntilFailure(context, &result);
    QVERIFY(result < 0);
    QVERIFY2(lastWrite >= 250 && lastWrite < 1000, qPrintable(QString::number(lastWrite)));
    QElapsedTimer closing;
    closing.start();
    QVERIFY(context.freeAVFormatContext());
    QVERIFY2(closing.elapsed() < 600, qPrintable(QString::number(closing.elapsed())));
}

void TestPushStreamContext::stopCutsABlockedWriteShort()
{
    QTcpServer peer;
    QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
    PushStreamContext context;
    context.setLimits(1000, 20000, 200);
    AVFormatContext *output = openStuckOutput(context, peer.serverPort());
    QVERIFY(output);
    context.setAVFormatContext(output);
    int result = 0;
    qint64 lastWrite = 0;
    std::atomic<bool> finished { false };
    std::thread writer([&] {
        lastWrite = writeUntilFailure(context, &result);
        finished = true;
    });
    QThread::msleep(1000);
    const bool stuck = !finished;
    QElapsedTimer stop;
    stop.start();
    context.setClosing();
    writer.join();
    QVERIFY2(stuck, "the writer was not stuck");
    QVERIFY(result < 0);
    QVERIFY2(stop.elapsed() < 700, qPrintable(QString::number(stop.elapsed())));
    QVERIFY(lastWrite >= 900);
    QVERIFY(context.freeAVFormatContext());
}

QTEST_GUILESS_MAIN(TestPushStreamContext)
#include "tst_pushstreamcontext.moc"
