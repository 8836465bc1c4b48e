#include "tests/media/engineprobe.h"
#include "tests/media/pullstages.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {
bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

bool isBlue(QRgb pixel)
{
    return qBlue(pixel) > 200 && qRed(pixel) < 60 && qGreen(pixel) < 60;
}

template<typename Picture>
int countBetween(const QList<Picture> &pictures, qint64 from, qint64 to)
{
    int count = 0;
    for (const Picture &picture : pictures) {
        if (picture.atMs >= from && picture.atMs < to)
            ++count;
    }
    return count;
}

// With sound beside the pictures the open is quick (a stream of pictures alone takes nginx and FFmpeg about two
// seconds to open); only the pictures are pulled.
FfmpegPublisher::Options pictureOptions(int width, int height)
{
    FfmpegPublisher::Options options;
    options.width = width;
    options.height = height;
    options.frameRate = 25;
    options.keyframeSeconds = 0.5;
    return options;
}
} // namespace

class TestPullVideoStream : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void redPicturesAtTheSourceRate();
    void oddWidthIsNotSheared();
    void newSizeMidStreamIsFollowed();
    void audioOnlyStreamHasNoVideo();
    void lipSyncWaitEnds_data();
    void lipSyncWaitEnds();
    void stopDuringLipSyncWaitEndsTheLoop();
    void decodersSleepWhileTheInputIsSilent();

private:
    RtmpServer m_server;
};

void TestPullVideoStream::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

void TestPullVideoStream::redPicturesAtTheSourceRate()
{
    FfmpegPublisher::Options options = pictureOptions(320, 240);
    options.keyframeSeconds = 1;
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("red")));
    EngineProbe pull;
    pull.start("u1", PullStreamEngine::PullVideoStreamOnly, m_server.url("red"));
    QVERIFY(pull.waitUntil([&] { return pull.frames() > 0; }, 5000));
    const qint64 first = pull.pictures().first().atMs;
    QTest::qWait(int(first + 4000 - QDateTime::currentMSecsSinceEpoch()));

    const QList<EngineProbe::Picture> pictures = pull.pictures();
    const int counted = countBetween(pictures, first + 1000, first + 4000);
    QVERIFY2(qAbs(counted - 75) <= 7, qPrintable(QString::number(counted)));
    for (const EngineProbe::Picture &picture : pictures) {
        QCOMPARE(picture.image.size(), QSize(320, 240));
        QVERIFY(isRed(picture.image.pixel(160, 120)));
    }
}

void TestPullVideoStream::oddWidthIsNotSheared()
{
    // Rows of 318 RGB pixels are 954 bytes: not a multiple of four.
    FfmpegPublisher::Options options = pictureOptions(318, 240);
    options.rightColor = "blue";
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("odd")));
    EngineProbe pull;
    pull.start("u1", PullStreamEngine::PullVideoStreamOnly, m_server.url("odd"));
    QVERIFY(pull.waitUntil([&] { return pull.frames() >= 5; }, 5000));
    const QImage image = pull.pictures().last().image;
    QCOMPARE(image.size(), QSize(318, 240));
    // The red and blue halves meet in the same column on every row.
    for (int y = 0; y < image.height(); ++y) {
        QVERIFY2(isRed(image.pixel(10, y)) && isRed(image.pixel(150, y)), qPrintable(QString::number(y)));
        QVERIFY2(isBlue(image.pixel(168, y)) && isBlue(image.pixel(310, y)), qPrintable(QString::number(y)));
    }
}

void TestPullVideoStream::newSizeMidStreamIsFollowed()
{
    FfmpegPublisher publisher(pictureOptions(320, 240));
    QVERIFY(publisher.start(m_server.url("resized")));
    EngineProbe pull;
    // The viewer stays connected while the publisher comes back; a watchdog that waits longer than the
    // restart lets the one connection see both sizes.
    pull.engine()->setWatchdogLimits(PullStreamContext::connectLimitMs, 8000);
    pull.start("u1", PullStreamEngine::PullVideoStreamOnly, m_server.url("resized"));
    QVERIFY(pull.waitUntil([&] { return pull.frames() >= 5; }, 5000));
    QCOMPARE(pull.pictures().last().image.size(), QSize(320, 240));

    FfmpegPublisher::Options larger = pictureOptions(480, 360);
    larger.color = "blue";
    QVERIFY(publisher.restart(larger));
    QTRY_VERIFY_WITH_TIMEOUT(pull.pictures().last().image.size() == QSize(480, 360), 8000);
    const int shown = pull.frames();
    QVERIFY(pull.waitUntil([&] { return pull.frames() >= shown + 10; }, 3000));
    const QImage image = pull.pictures().last().image;
    QCOMPARE(image.size(), QSize(480, 360));
    QVERIFY(isBlue(image.pixel(0, 0)) && isBlue(image.pixel(479, 359)));
    QCOMPARE(pull.engine()->startCount(), uchar(1));
}

void TestPullVideoStream::audioOnlyStreamHasNoVideo()
{
    FfmpegPublisher::Options options;
    options.video = false;
    FfmpegPublisher publisher(options);
    QVERIFY(publisher.start(m_server.url("sound")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("sound")));
    QCOMPARE(stages.initialiseVideo(), int(PullVideoStream::VideoStreamNotFound));
}

void TestPullVideoStream::lipSyncWaitEnds_data()
{
    QTest::addColumn<QString>("sound");
    QTest::addColumn<int>("quietMs"); // pictures wait at least this long
    QTest::addColumn<int>("watchMs"); // and come again within this
    QTest::newRow("sound a second behind and moving") << "moving" << 400 << 2000;
    QTest::newRow("sound stopped a second behind") << "stopped" << 300 << 2000;
    QTest::newRow("sound restarted from zero") << "restarted" << 0 << 2000;
    // Decoded as far as the pictures, but a second of it still to be heard: the pictures wait until it is.
    QTest::newRow("heard sound a second behind and moving") << "heard" << 900 << 2500;
}

void TestPullVideoStream::lipSyncWaitEnds()
{
    QFETCH(QString, sound);
    QFETCH(int, quietMs);
    QFETCH(int, watchMs);
    FfmpegPublisher publisher(pictureOptions(160, 120));
    QVERIFY(publisher.start(m_server.url("sync-" + sound)));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("sync-" + sound)));
    QVERIFY(stages.startPull(false, true));
    QVERIFY(stages.waitForPictures(10, 5000));

    // The sound clock as a pulled sound would move it.
    const int64_t behind = stages.context.getVideoClock() - 1000000;
    QElapsedTimer clock;
    clock.start();
    if (sound == "heard") {
        stages.context.setAudioClock(stages.context.getVideoClock());
        stages.context.setHeardAudioClock(behind);
    } else {
        stages.context.setAudioClock(behind);
    }
    QTimer mover;
    QObject::connect(&mover, &QTimer::timeout, [&] {
        if (sound == "heard") {
            stages.context.setAudioClock(stages.context.getVideoClock());
            stages.context.setHeardAudioClock(behind + clock.elapsed() * 1000);
        } else if (sound == "moving")
            stages.context.setAudioClock(behind + clock.elapsed() * 1000);
        else if (sound == "restarted" && clock.elapsed() >= 200)
            stages.context.setAudioClock((clock.elapsed() - 200) * 1000);
    });
    mover.start(10);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    QTest::qWait(watchMs);
    mover.stop();

    const QList<PullStages::Picture> pictures = stages.pictures();
    // A second ahead of the sound, pictures wait for it while it moves; they never wait for ever.
    QCOMPARE(countBetween(pictures, start + 60, start + 60 + quietMs), 0);
    const int shown = countBetween(pictures, start, start + watchMs);
    QVERIFY2(shown >= 25, qPrintable(QString::number(shown)));
}

void TestPullVideoStream::stopDuringLipSyncWaitEndsTheLoop()
{
    FfmpegPublisher publisher(pictureOptions(160, 120));
    QVERIFY(publisher.start(m_server.url("sync-stop")));
    PullStages stages;
    QVERIFY(stages.open(m_server.url("sync-stop")));
    QVERIFY(stages.startPull(false, true));
    QVERIFY(stages.waitForPictures(5, 5000));
    const int64_t behind = stages.context.getVideoClock() - 2000000;
    QElapsedTimer clock;
    clock.start();
    QTimer mover;
    QObject::connect(&mover, &QTimer::timeout, [&] { stages.context.setAudioClock(behind + clock.elapsed() * 1000); });
    mover.start(10);
    QTest::qWait(300);
    const int before = stages.pictureCount();
    QSignalSpy ended(stages.video, &PullVideoStream::videoDecodeResultOut);
    stages.video->pullVideoStop();
    // The sound keeps moving two seconds behind: only the stop ends this wait.
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 10000);
    QCOMPARE(ended.first().first().value<PullVideoStream::VideoDecodeType>(), PullVideoStream::VideoDecodeEnded);
    QCOMPARE(stages.pictureCount(), before);
}

// Waiting for packets costs nothing: neither decoder wakes while the publisher is silent, and a stop still ends
// both loops at once.
void TestPullVideoStream::decodersSleepWhileTheInputIsSilent()
{
    FfmpegPublisher publisher(pictureOptions(160, 120));
    QVERIFY(publisher.start(m_server.url("silent")));
    PullStages stages;
    // The read keeps waiting for the silent publisher instead of giving up after a second.
    stages.context.setWatchdogLimits(PullStreamContext::connectLimitMs, 60000);
    QVERIFY(stages.open(m_server.url("silent")));
    QVERIFY(stages.startPull(true, true));
    QVERIFY(stages.waitForPictures(5, 5000));
    QVERIFY(publisher.pause());
    // What was under way is decoded, and the pictures that waited for their sound are out: the sound has run dry.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return stages.context.videoPacketQueueSize() == 0 && stages.context.audioPacketQueueSize() == 0
                && stages.context.getHeardAudioClock() == PullStreamContext::noClock;
        },
        10000));

    const long audio0 = stages.audioWakeups();
    const long video0 = stages.videoWakeups();
    QVERIFY(audio0 >= 0 && video0 >= 0);
    QTest::qWait(1500);
    const long audioWakeups = stages.audioWakeups() - audio0;
    const long videoWakeups = stages.videoWakeups() - video0;
    // Polling the queues every 10 or 30 ms would wake them 50 to 150 times here; a thread that sleeps until a
    // packet comes wakes a few times, a few more on a busy machine (a lock taken beside the read, a late packet).
    constexpr long pollingWakeups = 50;
    QVERIFY2(audioWakeups < pollingWakeups / 3, qPrintable(QString::number(audioWakeups)));
    QVERIFY2(videoWakeups < pollingWakeups / 3, qPrintable(QString::number(videoWakeups)));

    QSignalSpy audioEnded(stages.audio, &PullAudioStream::audioDecodeResultOut);
    QSignalSpy videoEnded(stages.video, &PullVideoStream::videoDecodeResultOut);
    stages.audio->pullAudioStop();
    stages.video->pullVideoStop();
    // Nothing else ends loops that wait for packets that do not come.
    QTRY_VERIFY_WITH_TIMEOUT(!audioEnded.isEmpty() && !videoEnded.isEmpty(), 10000);
    QCOMPARE(audioEnded.first().first().value<PullAudioStream::AudioDecodeType>(), PullAudioStream::AudioDecodeEnded);
    QCOMPARE(videoEnded.first().first().value<PullVideoStream::VideoDecodeType>(), PullVideoStream::VideoDecodeEnded);
    QVERIFY(publisher.resume());
}

QTEST_GUILESS_MAIN(TestPullVideoStream)
#include "tst_pullvideostream.moc"
