#include "tests/media/pullstages.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/messagecollector.h"
#include "tests/support/rtmpserver.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {
// Gives the queues the streams of the open input, as the decoders would when they start; a stream that is not
// there yet (nginx sends a late viewer the pictures from the next keyframe on) is awaited.
void claimStreams(PullStreamContext &context, bool audio, bool video)
{
    QMutexLocker lock(context.formatMutex());
    AVFormatContext *input = context.getFormatContext();
    for (unsigned int i = 0; input && i < input->nb_streams; ++i) {
        const AVMediaType type = input->streams[i]->codecpar->codec_type;
        if (audio && type == AVMEDIA_TYPE_AUDIO && context.getAudioStreamIndex() < 0)
            context.setAudioStreamIndex(int(i));
        if (video && type == AVMEDIA_TYPE_VIDEO && context.getVideoStreamIndex() < 0)
            context.setVideoStreamIndex(int(i));
    }
    unsigned char awaited = 0;
    if (audio && context.getAudioStreamIndex() < 0)
        awaited |= PullStreamContext::audioBit;
    if (video && context.getVideoStreamIndex() < 0)
        awaited |= PullStreamContext::videoBit;
    context.setAwaitedStreams(awaited);
}

// True once the spy has seen count signals, also when they came before the wait began.
bool waitForSignals(QSignalSpy &spy, int count, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (spy.size() < count && timer.elapsed() < timeoutMs)
        spy.wait(int(qMax<qint64>(1, timeoutMs - timer.elapsed())));
    return spy.size() >= count;
}

struct Taken
{
    int64_t pts;
    bool key;
};

QList<Taken> takeAll(PullStreamContext &context, bool video)
{
    QList<Taken> result;
    AVPacket *packet = nullptr;
    while (video ? context.takeVideoPacket(&packet) : context.takeAudioPacket(&packet)) {
        result.append({ packet->pts, (packet->flags & AV_PKT_FLAG_KEY) != 0 });
        av_packet_free(&packet);
    }
    return result;
}

int64_t medianStep(const QList<Taken> &packets)
{
    QVector<int64_t> steps;
    for (int i = 1; i < packets.size(); ++i)
        steps << packets[i].pts - packets[i - 1].pts;
    if (steps.isEmpty())
        return 0;
    std::sort(steps.begin(), steps.end());
    return steps[steps.size() / 2];
}

FfmpegPublisher::Options avOptions()
{
    FfmpegPublisher::Options options;
    options.frameRate = 25;
    options.sampleRate = 32000;
    return options;
}
} // namespace

class TestPullReadAllStream : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void packetsAreSortedWithMicrosecondStamps();
    void joiningAtTheStartKeepsTheFirstKeyframe();
    void backPressureDropsPicturesKeepsSoundAndResumesOnAKeyframe_data();
    void backPressureDropsPicturesKeepsSoundAndResumesOnAKeyframe();
    void audioAloneIsBounded();
    void packetsStampedAlikeAreBoundedByCount_data();
    void packetsStampedAlikeAreBoundedByCount();
    void stalledPublisherEndsTheReadWithinTheWatchdog();
    void stopEndsABlockingReadAtOnce();
    void stopEndsABlockingOpenAtOnce();
    void openOfAnUnpublishedNameEndsAtTheDeadline();
    void stopBeforeTheLoopBeginsEndsItAtOnce();
    void freeingTheInputEndsTheRead();
    void lateStreamIsClaimedAndReported();

private:
    RtmpServer m_server;
};

void TestPullReadAllStream::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

void TestPullReadAllStream::packetsAreSortedWithMicrosecondStamps()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("sorted")));
    PullStages stages;
    // The tail a pull address carries for librtmp is not in the way.
    QVERIFY(stages.open(m_server.url("sorted") + " live=1 timeout=7"));
    claimStreams(stages.context, true, true);
    stages.startRead();
    // Enough of both for their steps; how the two interleave at the start depends on when the read joined.
    QTRY_VERIFY_WITH_TIMEOUT(
        stages.context.videoPacketQueueSize() >= 15 && stages.context.audioPacketQueueSize() >= 30, 5000);
    stages.read->stopReadStream();
    QVERIFY(stages.waitForReadExit(2000));

    const QList<Taken> video = takeAll(stages.context, true);
    const QList<Taken> audio = takeAll(stages.context, false);
    QVERIFY2(video.size() >= 15, qPrintable(QString::number(video.size())));
    QVERIFY(audio.size() >= 30);
    QVERIFY(video.first().key);
    QVERIFY(qAbs(medianStep(video) - 40000) <= 1000); // 25 pictures a second
    QVERIFY(qAbs(medianStep(audio) - 32000) <= 1000); // 1024 samples at 32 kHz
    for (int i = 1; i < video.size(); ++i)
        QVERIFY(video[i].pts > video[i - 1].pts);
}

void TestPullReadAllStream::joiningAtTheStartKeepsTheFirstKeyframe()
{
    PullStages stages;
    // The viewer is there before the publisher: the open waits for the first packets.
    PullStreamContext::OpenResult result = PullStreamContext::OpenInputFailed;
    std::thread opener([&] { result = stages.context.openInput(m_server.url("early")); });
    QTest::qWait(200);
    FfmpegPublisher::Options options = avOptions();
    options.audio = false;
    FfmpegPublisher publisher(options);
    const bool published = publisher.start(m_server.url("early"));
    opener.join();
    QVERIFY(published);
    QCOMPARE(result, PullStreamContext::OpenOk);
    claimStreams(stages.context, false, true);
    stages.startRead();
    QTRY_VERIFY_WITH_TIMEOUT(stages.context.videoPacketQueueSize() > 0, 3000);
    stages.read->stopReadStream();
    QVERIFY(stages.waitForReadExit(2000));

    // The publisher's first picture, stamped 0, is a keyframe and is kept: no wait for the next one.
    const QList<Taken> video = takeAll(stages.context, true);
    QVERIFY(!video.isEmpty());
    QVERIFY(video.first().key);
    QVERIFY2(video.first().pts < 500000, qPrintable(QString::number(video.first().pts)));
}

void TestPullReadAllStream::backPressureDropsPicturesKeepsSoundAndResumesOnAKeyframe_data()
{
    QTest::addColumn<int>("frameRate");
    QTest::newRow("25 fps") << 25;
    QTest::newRow("60 fps") << 60;
}

void TestPullReadAllStream::backPressureDropsPicturesKeepsSoundAndResumesOnAKeyframe()
{
    QFETCH(int, frameRate);
    FfmpegPublisher::Options options = avOptions();
    options.keyframeSeconds = 0.6;
    options.frameRate = frameRate;
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("pressure")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("pressure")));
    claimStreams(stages.context, true, true);
    stages.startRead();
    // Nobody decodes: the video queue passes its time and the pictures are dropped, whatever their rate.
    int64_t largestSpan = 0;
    int64_t previousSpan = 0;
    int audioBeforeDrop = -1;
    int audioAfterDrop = -1;
    QElapsedTimer timer;
    timer.start();
    // Until a little after the first drop: long enough for the next keyframe (0.6 s), too short for another drop.
    qint64 droppedAt = -1;
    int previousAudio = 0;
    while (timer.elapsed() < 5000 && (droppedAt < 0 || timer.elapsed() - droppedAt < 900)) {
        const int audio = stages.context.audioPacketQueueSize();
        const int64_t span = stages.context.videoPacketQueueSpanUs();
        if (span < previousSpan / 2 && previousSpan >= PullReadAllStream::maxVideoQueueUs / 2 && droppedAt < 0) {
            audioBeforeDrop = previousAudio;
            audioAfterDrop = audio;
            droppedAt = timer.elapsed();
        }
        largestSpan = qMax(largestSpan, span);
        previousSpan = span;
        previousAudio = audio;
        QTest::qWait(5);
    }
    stages.read->stopReadStream();
    QVERIFY(stages.waitForReadExit(2000));
    QVERIFY(droppedAt >= 0);
    const int64_t frameUs = 1000000 / frameRate;
    const QString spans = QString("largest %1 us").arg(largestSpan);
    // The whole allowance was used before the drop: the bound is the time, not a count of pictures.
    QVERIFY2(largestSpan <= PullReadAllStream::maxVideoQueueUs + 2 * frameUs, qPrintable(spans));
    QVERIFY2(largestSpan >= PullReadAllStream::maxVideoQueueUs - 2 * frameUs, qPrintable(spans));
    // The sound stayed.
    QVERIFY2(audioAfterDrop >= audioBeforeDrop && audioBeforeDrop > 10,
        qPrintable(QString("%1 before, %2 after").arg(audioBeforeDrop).arg(audioAfterDrop)));

    // After the drop the queue took nothing until the next keyframe.
    const QList<Taken> video = takeAll(stages.context, true);
    QVERIFY(!video.isEmpty());
    QVERIFY(video.first().key);
}

void TestPullReadAllStream::audioAloneIsBounded()
{
    FfmpegPublisher::Options options;
    options.video = false;
    options.sampleRate = 48000; // about 47 packets a second
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("alone")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("alone")));
    claimStreams(stages.context, true, false);
    stages.startRead();
    int64_t largest = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 4500) {
        largest = qMax(largest, stages.context.audioPacketQueueSpanUs());
        QTest::qWait(5);
    }
    const int64_t packetUs = 1024 * 1000000 / 48000;
    QVERIFY2(largest <= PullReadAllStream::maxAudioQueueUs + 2 * packetUs, qPrintable(QString::number(largest)));
    QVERIFY2(largest >= PullReadAllStream::maxAudioQueueUs - 2 * packetUs, qPrintable(QString::number(largest)));
}

void TestPullReadAllStream::packetsStampedAlikeAreBoundedByCount_data()
{
    QTest::addColumn<bool>("video");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<QString>("dropped"); // the warning of each drop
    QTest::newRow("pictures") << true
                              << QStringList { "-f", "lavfi", "-i", "testsrc=s=64x48:r=25", "-frames:v", "2500",
                                     "-c:v", "flv", "-g", "1", "-bsf:v", "setts=ts=0", "-an" }
                              << "the video decoder fell behind";
    QTest::newRow("sound") << false
                           << QStringList { "-f", "lavfi", "-i", "sine=sample_rate=8000", "-frames:a", "2500", "-c:a",
                                  "aac", "-bsf:a", "setts=ts=0", "-vn" }
                           << "nobody takes the audio";
}

// A stream whose packets all carry one time stamp spans no time at all: the count alone bounds what is kept of it
// while nobody takes the packets.
void TestPullReadAllStream::packetsStampedAlikeAreBoundedByCount()
{
    QFETCH(bool, video);
    QFETCH(QStringList, encoding);
    QFETCH(QString, dropped);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("alike.flv");
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start("ffmpeg", QStringList { "-hide_banner", "-loglevel", "error", "-nostdin" } << encoding << "-f" << "flv"
                               << file);
    QVERIFY(ffmpeg.waitForFinished(60000));
    QCOMPARE(ffmpeg.exitCode(), 0);

    MessageCollector log;
    PullStages stages;
    QVERIFY(stages.open(file));
    claimStreams(stages.context, !video, video);
    stages.startRead();
    // The file's end ends the read: all 2500 packets have been through the queue.
    QVERIFY(stages.waitForReadExit(30000));
    const int kept = video ? stages.context.videoPacketQueueSize() : stages.context.audioPacketQueueSize();
    QVERIFY2(kept > 0 && kept <= PullReadAllStream::maxQueuedPackets, qPrintable(QString::number(kept)));
    QCOMPARE(log.count(dropped), 2500 / PullReadAllStream::maxQueuedPackets);
}

void TestPullReadAllStream::stalledPublisherEndsTheReadWithinTheWatchdog()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("stall")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("stall")));
    claimStreams(stages.context, true, true);
    QSignalSpy exit(stages.read, &PullReadAllStream::readStreamExitOut);
    stages.startRead();
    QTRY_VERIFY(stages.context.videoPacketQueueSize() > 0);
    QVERIFY(publisher.pause());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(waitForSignals(exit, 1, PullStreamContext::readLimitMs + 2000));
    QCOMPARE(exit.first().first().value<uchar>(), uchar(PullStreamContext::readBit));
    QVERIFY2(timer.elapsed() < PullStreamContext::readLimitMs + 1500, qPrintable(QString::number(timer.elapsed())));
}

void TestPullReadAllStream::stopEndsABlockingReadAtOnce()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("frozen")));
    PullStages stages;
    stages.context.setWatchdogLimits(PullStreamContext::connectLimitMs, 60000);
    QVERIFY(stages.open(m_server.url("frozen")));
    claimStreams(stages.context, true, true);
    QSignalSpy exit(stages.read, &PullReadAllStream::readStreamExitOut);
    stages.startRead();
    QTRY_VERIFY(stages.context.videoPacketQueueSize() > 0);
    QVERIFY(publisher.pause());
    QTest::qWait(1500); // the read now waits for data that does not come
    QVERIFY(exit.isEmpty());
    stages.read->stopReadStream();
    // Only the stop can end it this side of the watchdog's minute.
    QVERIFY(waitForSignals(exit, 1, 10000));
}

void TestPullReadAllStream::stopEndsABlockingOpenAtOnce()
{
    PullStreamContext context;
    context.setWatchdogLimits(60000, 60000);
    PullStreamContext::OpenResult result = PullStreamContext::OpenOk;
    std::atomic<bool> ended { false };
    std::thread opener([&] {
        result = context.openInput(m_server.url("nobody"));
        ended.store(true);
    });
    QTest::qWait(1000);
    QVERIFY(!ended.load());
    context.requestInterrupt();
    // Only the interrupt can end it this side of the limits' minute.
    QTRY_VERIFY_WITH_TIMEOUT(ended.load(), 10000);
    opener.join();
    QVERIFY(result != PullStreamContext::OpenOk);
    QVERIFY(!context.freeAVFormatContext());
}

void TestPullReadAllStream::openOfAnUnpublishedNameEndsAtTheDeadline()
{
    PullStreamContext context;
    context.setWatchdogLimits(800, 800);
    QElapsedTimer timer;
    timer.start();
    int error = 0;
    QVERIFY(context.openInput(m_server.url("nobody"), &error) != PullStreamContext::OpenOk);
    QVERIFY(error < 0);
    QVERIFY2(timer.elapsed() >= 700 && timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
}

void TestPullReadAllStream::stopBeforeTheLoopBeginsEndsItAtOnce()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("early-stop")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("early-stop")));
    claimStreams(stages.context, true, true);
    stages.read->stopReadStream();
    QSignalSpy exit(stages.read, &PullReadAllStream::readStreamExitOut);
    stages.startRead();
    QVERIFY(waitForSignals(exit, 1, 1000));
    QCOMPARE(stages.context.videoPacketQueueSize() + stages.context.audioPacketQueueSize(), 0);

    // The stop belonged to that run: the next run reads.
    stages.context.freeAVFormatContext();
    QVERIFY(stages.open(m_server.url("early-stop")));
    claimStreams(stages.context, true, true);
    stages.startRead();
    QTRY_VERIFY_WITH_TIMEOUT(stages.context.audioPacketQueueSize() > 0, 3000);
    QVERIFY(stages.read->isRunning());
}

void TestPullReadAllStream::freeingTheInputEndsTheRead()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("freed")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("freed")));
    claimStreams(stages.context, true, true);
    QSignalSpy exit(stages.read, &PullReadAllStream::readStreamExitOut);
    stages.startRead();
    QTRY_VERIFY(stages.context.audioPacketQueueSize() > 0);
    QVERIFY(stages.context.freeAVFormatContext());
    QVERIFY(waitForSignals(exit, 1, 2000));
    QCOMPARE(stages.context.getAudioStreamIndex(), -1);
    QCOMPARE(stages.context.getAudioClock(), PullStreamContext::noClock);
}

void TestPullReadAllStream::lateStreamIsClaimedAndReported()
{
    FfmpegPublisher publisher(avOptions());
    QVERIFY(publisher.start(m_server.url("late")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("late")));
    claimStreams(stages.context, true, false);
    // Whether the open saw the pictures or not, the queue has no video stream yet.
    stages.context.setAwaitedStreams(PullStreamContext::videoBit);
    QSignalSpy found(stages.read, &PullReadAllStream::readStreamFoundOut);
    stages.startRead();
    QVERIFY(waitForSignals(found, 1, 3000));
    QCOMPARE(found.first().first().value<uchar>(), uchar(PullStreamContext::videoBit));
    QVERIFY(stages.context.getVideoStreamIndex() >= 0);
    QVERIFY(stages.context.getVideoStreamIndex() != stages.context.getAudioStreamIndex());
    QTRY_VERIFY_WITH_TIMEOUT(stages.context.videoPacketQueueSize() > 0, 3000);
    stages.read->stopReadStream();
    QVERIFY(stages.waitForReadExit(2000));
    QVERIFY(takeAll(stages.context, true).first().key);
    QCOMPARE(found.size(), 1);
}

QTEST_GUILESS_MAIN(TestPullReadAllStream)
#include "tst_pullreadallstream.moc"
