#include "tests/media/engineprobe.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/messagecollector.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/media/pull/pullstreamengine.h"

#include <QTcpServer>
#include <QtTest>

#include <memory>

namespace {
using Type = PullStreamEngine::PullStreamType;

// Long enough for nginx to send the pictures of a stream with sound (from the next keyframe, at most a second
// behind), short enough that a missing stream fails quickly.
constexpr int lateWaitMs = 1500;

FfmpegPublisher::Options publisherOptions(bool audio, bool video)
{
    FfmpegPublisher::Options options;
    options.audio = audio;
    options.video = video;
    options.keyframeSeconds = 1;
    return options;
}
} // namespace

class TestPullStreamEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void streamTypeTable_data();
    void streamTypeTable();
    void restartedPublisherIsPulledAgain();
    void secondStartIsRefused();
    void stopDuringBlockedOpenEndsTheEngine();
    void stopBeforeInitialisationEndsYieldsClassOver();
    void decoderFailingBeforeTheReadEndsTheAttempt_data();
    void decoderFailingBeforeTheReadEndsTheAttempt();
    void startThatCannotRunFailsAndEnds();
    void deadStreamsDoNotHoldBackALivePull();
    void startCountSaturates();
    void picturesWithoutSoundPlaySteadily();
    void waitsBetweenAttemptsGrowToTheirLimit_data();
    void waitsBetweenAttemptsGrowToTheirLimit();
    void streamThatComesLatePlaysWithoutANewStart();

private:
    RtmpServer m_server;
    std::unique_ptr<FfmpegPublisher> m_both;
    std::unique_ptr<FfmpegPublisher> m_sound;
    std::unique_ptr<FfmpegPublisher> m_pictures;
};

void TestPullStreamEngine::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
    m_both = std::make_unique<FfmpegPublisher>(publisherOptions(true, true));
    m_sound = std::make_unique<FfmpegPublisher>(publisherOptions(true, false));
    m_pictures = std::make_unique<FfmpegPublisher>(publisherOptions(false, true));
    QVERIFY(m_both->start(m_server.url("both")));
    QVERIFY(m_sound->start(m_server.url("sound")));
    QVERIFY(m_pictures->start(m_server.url("pictures")));
}

void TestPullStreamEngine::cleanupTestCase()
{
    m_both.reset();
    m_sound.reset();
    m_pictures.reset();
}

void TestPullStreamEngine::streamTypeTable_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<bool>("decodesAudio");
    QTest::addColumn<bool>("decodesVideo");

    // Sound and pictures: the pictures show up after the open, from the next keyframe on.
    QTest::newRow("both, both required") << "both" << 0 << true << true << true;
    QTest::newRow("both, either required") << "both" << 1 << true << true << true;
    QTest::newRow("both, audio required") << "both" << 2 << true << true << true;
    QTest::newRow("both, video required") << "both" << 3 << true << true << true;
    QTest::newRow("both, audio only") << "both" << 4 << true << true << false;
    QTest::newRow("both, video only") << "both" << 5 << true << false << true;

    // A stream that is not in the input at all does not fail a pull whose other stream plays.
    QTest::newRow("sound, both required") << "sound" << 0 << true << true << false;
    QTest::newRow("sound, either required") << "sound" << 1 << true << true << false;
    QTest::newRow("sound, audio required") << "sound" << 2 << true << true << false;
    QTest::newRow("sound, video required") << "sound" << 3 << true << true << false;
    QTest::newRow("sound, audio only") << "sound" << 4 << true << true << false;
    QTest::newRow("sound, video only") << "sound" << 5 << false << false << false;

    QTest::newRow("pictures, both required") << "pictures" << 0 << true << false << true;
    QTest::newRow("pictures, either required") << "pictures" << 1 << true << false << true;
    QTest::newRow("pictures, audio required") << "pictures" << 2 << true << false << true;
    QTest::newRow("pictures, video required") << "pictures" << 3 << true << false << true;
    QTest::newRow("pictures, audio only") << "pictures" << 4 << false << false << false;
    QTest::newRow("pictures, video only") << "pictures" << 5 << true << false << true;
}

void TestPullStreamEngine::streamTypeTable()
{
    QFETCH(QString, stream);
    QFETCH(int, type);
    QFETCH(bool, succeeds);
    QFETCH(bool, decodesAudio);
    QFETCH(bool, decodesVideo);

    MessageCollector log;
    EngineProbe probe;
    probe.engine()->setLateStreamWait(lateWaitMs);
    probe.start("u1", Type(type), m_server.url(stream) + " live=1 timeout=7");

    if (succeeds) {
        QVERIFY(probe.waitUntil([&] { return probe.successes() == 1; }, 10000));
        QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamExec);
        if (decodesVideo) {
            // Pictures may start only after the result, when the sound alone was enough.
            QVERIFY(probe.waitUntil([&] { return probe.frames() >= 5; }, 5000));
            QCOMPARE(probe.lastUserId(), QString("u1"));
        }
        const bool hasAudio = stream != "pictures";
        const bool hasVideo = stream != "sound";
        if ((hasAudio && !decodesAudio) || (hasVideo && !decodesVideo)) {
            // A stream the pull does not take is met by the read stage with its first packet (the pictures come
            // from the next keyframe): left aside with a warning, or, taken all the same, decoded. What the engine
            // made of it is done ahead of a round trip through the engine's thread.
            QVERIFY(probe.waitUntil(
                [&] {
                    return log.count("stream_index unknown error") > 0 || (!decodesAudio && probe.audioDecodes() > 0)
                        || (!decodesVideo && probe.videoDecodes() > 0);
                },
                10000));
            QVERIFY(roundTripThrough(probe.engine()->thread()));
        } else {
            QVERIFY(probe.waitUntil([&] { return probe.audioDecodes() > 0 || !decodesAudio; }, 3000));
        }
        QCOMPARE(probe.audioDecodes() > 0, decodesAudio);
        QCOMPARE(probe.videoDecodes() > 0, decodesVideo);
        if (type == PullStreamEngine::PullAudioStreamOnly)
            QCOMPARE(probe.videoInitials(), 0);
        if (type == PullStreamEngine::PullVideoStreamOnly) {
            QCOMPARE(probe.audioInitials(), 0);
            QCOMPARE(probe.frames() > 0, true);
        }
        QCOMPARE(probe.engine()->startCount(), uchar(1));
    } else {
        // A required stream is missing: the attempt fails and the wanted pull is tried again, without a result.
        QVERIFY(probe.waitUntil([&] { return probe.engine()->startCount() >= 2; }, 12000));
        QCOMPARE(probe.successes(), 0);
        QVERIFY(probe.results().isEmpty());
        QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamInit);
    }

    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
    QVERIFY(probe.engine()->isIdle());
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamIdle);
    // A picture is counted on the thread that sends it: one still on its way there at the exit would come ahead of a
    // round trip through that thread.
    if (QThread *pictures = probe.pictureThread())
        QVERIFY(roundTripThrough(pictures));
    QCOMPARE(probe.frames(), probe.framesAtExit());
}

void TestPullStreamEngine::restartedPublisherIsPulledAgain()
{
    FfmpegPublisher publisher(publisherOptions(true, true));
    QVERIFY(publisher.start(m_server.url("restarted")));
    EngineProbe probe;
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("restarted"));
    QVERIFY(probe.waitUntil([&] { return probe.successes() == 1 && probe.frames() > 0; }, 10000));

    publisher.stop();
    // The read gives up, the engine connects again and again while nobody publishes.
    QVERIFY(probe.waitUntil([&] { return probe.engine()->startCount() >= 2; }, 10000));
    QCOMPARE(probe.successes(), 1);
    QVERIFY(publisher.start(m_server.url("restarted")));
    QVERIFY(probe.waitUntil([&] { return probe.successes() == 2; }, 15000));
    const int frames = probe.frames();
    QVERIFY(probe.waitUntil([&] { return probe.frames() > frames + 5; }, 5000));
    QCOMPARE(probe.exits(), 0);
    for (const EngineProbe::Result &result : probe.results())
        QVERIFY(result.ok);
}

void TestPullStreamEngine::secondStartIsRefused()
{
    EngineProbe probe;
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("both"));
    QVERIFY(probe.waitUntil([&] { return probe.successes() == 1; }, 10000));
    probe.start("u2", PullStreamEngine::PullAudioRequired, m_server.url("sound"));
    QVERIFY(probe.waitUntil([&] { return probe.frames() > 10; }, 5000));
    QCOMPARE(probe.results().size(), 1);
    QCOMPARE(probe.lastUserId(), QString("u1"));
    QCOMPARE(probe.engine()->startCount(), uchar(1));
}

void TestPullStreamEngine::stopDuringBlockedOpenEndsTheEngine()
{
    EngineProbe probe;
    // Nobody publishes this name: the open waits for data until the watchdog, here far longer than the test.
    probe.engine()->setWatchdogLimits(20000, 1000);
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("nobody"));
    QVERIFY(probe.waitUntil([&] { return probe.engine()->startCount() == 1; }, 2000));
    QTest::qWait(300);
    QElapsedTimer clock;
    clock.start();
    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(probe.engine()->startCount(), uchar(1));
    QCOMPARE(probe.successes(), 0);
    QVERIFY(probe.engine()->isIdle());
}

void TestPullStreamEngine::stopBeforeInitialisationEndsYieldsClassOver()
{
    EngineProbe probe;
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("both"));
    // Queued behind the start, without the interrupt: the open completes, then the stop is seen.
    probe.stop(false);
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 8000));
    const QList<EngineProbe::Result> results = probe.results();
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.first().ok, false);
    QCOMPARE(results.first().msg, QString("老师已下课"));
    QCOMPARE(probe.audioDecodes(), 0);
    QCOMPARE(probe.readStarts(), 0);
    QCOMPARE(probe.frames(), 0);
}

void TestPullStreamEngine::decoderFailingBeforeTheReadEndsTheAttempt_data()
{
    QTest::addColumn<bool>("stopToo");
    QTest::newRow("pull still wanted: connects again") << false;
    QTest::newRow("pull stopped: ends") << true;
}

void TestPullStreamEngine::decoderFailingBeforeTheReadEndsTheAttempt()
{
    QFETCH(bool, stopToo);
    EngineProbe probe;
    PullStreamEngine *engine = probe.engine();
    // The first video decoder the engine starts answers at once that it could not start its loop, before the
    // stage itself could answer; the read stage has not been started then.
    std::atomic<bool> injected { false };
    std::atomic<int> readsAtFailure { -1 };
    connect(
        engine, &PullStreamEngine::videoDecodeOut, engine,
        [&] {
            if (injected.exchange(true))
                return;
            readsAtFailure = probe.readStarts();
            engine->videoDecodeResultIn(PullVideoStream::VideoBufferSizeFail);
            if (stopToo)
                engine->stopPullStreamIn();
        },
        Qt::DirectConnection);
    // Pictures alone are in the input at once: the video decoder is started before the read.
    probe.start("u1", PullStreamEngine::PullVideoStreamOnly, m_server.url("pictures"));
    QVERIFY(probe.waitUntil([&] { return injected.load(); }, 8000));
    QCOMPARE(readsAtFailure.load(), 0);

    if (stopToo) {
        QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
        QCOMPARE(engine->pullStreamStatus(), StreamMediaStatus::PullStreamIdle);
        QCOMPARE(engine->startCount(), uchar(1));
        QCOMPARE(probe.successes(), 0);
        QCOMPARE(probe.readStarts(), 0);
    } else {
        QVERIFY(probe.waitUntil([&] { return probe.successes() == 1 && probe.frames() > 0; }, 10000));
        QCOMPARE(engine->startCount(), uchar(2));
        QCOMPARE(probe.exits(), 0);
    }
}

void TestPullStreamEngine::startThatCannotRunFailsAndEnds()
{
    EngineProbe probe;
    probe.start("u1", Type(9), m_server.url("both"));
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 3000));
    QCOMPARE(probe.results().size(), 1);
    QCOMPARE(probe.results().first().ok, false);
    QVERIFY(probe.engine()->isIdle());
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamIdle);

    // And it serves the next pull.
    probe.start("u2", PullStreamEngine::PullAudioRequired, m_server.url("both"));
    QVERIFY(probe.waitUntil([&] { return probe.successes() == 1; }, 10000));
}

void TestPullStreamEngine::deadStreamsDoNotHoldBackALivePull()
{
    // Two pulls of names nobody publishes, each blocking in its open far longer than the live pull may take.
    EngineProbe dead1;
    EngineProbe dead2;
    dead1.engine()->setWatchdogLimits(20000, 1000);
    dead2.engine()->setWatchdogLimits(20000, 1000);
    dead1.start("dead1", PullStreamEngine::PullAudioRequired, m_server.url("gone1"));
    dead2.start("dead2", PullStreamEngine::PullAudioRequired, m_server.url("gone2"));
    QVERIFY(EngineProbe::waitUntil(
        [&] { return dead1.engine()->startCount() == 1 && dead2.engine()->startCount() == 1; }, 2000));
    QTest::qWait(300);

    EngineProbe live;
    live.start("live", PullStreamEngine::PullAudioRequired, m_server.url("both"));
    QVERIFY(live.waitUntil([&] { return live.successes() == 1 && live.frames() > 0; }, 10000));
    // Both dead pulls are still in their first open.
    QCOMPARE(dead1.engine()->startCount(), uchar(1));
    QCOMPARE(dead2.engine()->startCount(), uchar(1));
    QCOMPARE(dead1.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamInit);
    QVERIFY(dead1.results().isEmpty() && dead2.results().isEmpty());
}

void TestPullStreamEngine::startCountSaturates()
{
    // Nothing listens on this port: every attempt fails at once. Without the wait between attempts the count
    // goes round the 8-bit counter within a second or two.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    EngineProbe probe;
    probe.engine()->setReconnectDelay(0);
    probe.start("u1", PullStreamEngine::PullAudioRequired, QString("rtmp://127.0.0.1:%1/live/x").arg(port));
    QVERIFY(probe.waitUntil([&] { return probe.audioResets() > 300; }, 30000));
    QCOMPARE(probe.engine()->startCount(), uchar(255));
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamInit);
    QVERIFY(probe.results().isEmpty());
    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
    QCOMPARE(probe.successes(), 0);
}

void TestPullStreamEngine::picturesWithoutSoundPlaySteadily()
{
    // What the stream controllers ask for: the sound required. The teacher sends pictures only.
    EngineProbe probe;
    probe.engine()->setLateStreamWait(lateWaitMs);
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("pictures") + " live=1 timeout=7");
    QVERIFY(probe.waitUntil([&] { return probe.frames() > 0; }, 10000));

    // Many times the wait for the sound: a pull that gave up on the missing sound would have connected again
    // several times, with a gap in the pictures each time.
    const int runMs = 10 * lateWaitMs;
    QTest::qWait(runMs);
    QCOMPARE(probe.engine()->startCount(), uchar(1));
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamExec);
    const QList<EngineProbe::Result> results = probe.results();
    QCOMPARE(results.size(), 1);
    QVERIFY(results.first().ok);
    QCOMPARE(results.first().msg, PullStreamEngine::audioInitialMessage(PullAudioStream::AudioStreamNotFound));

    const QList<EngineProbe::Picture> pictures = probe.pictures();
    QVERIFY(pictures.size() > 2);
    qint64 longest = 0;
    for (int i = 1; i < pictures.size(); ++i)
        longest = qMax(longest, pictures.at(i).atMs - pictures.at(i - 1).atMs);
    // At 25 pictures a second; a reconnection costs the wait for the sound and for the next keyframe.
    QVERIFY2(longest < lateWaitMs, qPrintable(QString("longest gap %1 ms").arg(longest)));
    QVERIFY(pictures.last().atMs - pictures.first().atMs >= runMs - 1000);
    QCOMPARE(probe.audioDecodes(), 0);

    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
}

void TestPullStreamEngine::waitsBetweenAttemptsGrowToTheirLimit_data()
{
    QTest::addColumn<int>("failedAttempts");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("first") << 1 << 0;
    QTest::newRow("last fast") << PullStreamEngine::fastAttempts << 0;
    QTest::newRow("first slow") << PullStreamEngine::fastAttempts + 1 << PullStreamEngine::reconnectDelayMs;
    QTest::newRow("second slow") << PullStreamEngine::fastAttempts + 2 << 2 * PullStreamEngine::reconnectDelayMs;
    QTest::newRow("at the limit") << PullStreamEngine::fastAttempts + 3 << PullStreamEngine::maxReconnectDelayMs;
    QTest::newRow("long after") << 100000 << PullStreamEngine::maxReconnectDelayMs;
}

void TestPullStreamEngine::waitsBetweenAttemptsGrowToTheirLimit()
{
    QFETCH(int, failedAttempts);
    QFETCH(int, waitMs);
    EngineProbe probe;
    QCOMPARE(probe.engine()->reconnectWait(failedAttempts), waitMs);
}

void TestPullStreamEngine::streamThatComesLatePlaysWithoutANewStart()
{
    // Nobody publishes this name yet: each attempt waits for data until the watchdog.
    EngineProbe probe;
    probe.engine()->setWatchdogLimits(300, 1000);
    probe.engine()->setReconnectDelay(20);
    probe.engine()->setMaxReconnectDelay(200);
    probe.start("u1", PullStreamEngine::PullAudioRequired, m_server.url("late"));
    QVERIFY(probe.waitUntil([&] { return probe.engine()->startCount() > PullStreamEngine::fastAttempts + 3; }, 60000));
    // Beyond the fast attempts and the longest wait, nothing was given up nor told.
    QVERIFY(probe.results().isEmpty());
    QCOMPARE(probe.exits(), 0);
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamInit);

    FfmpegPublisher late(publisherOptions(true, true));
    QVERIFY(late.start(m_server.url("late")));
    QVERIFY(probe.waitUntil([&] { return probe.successes() == 1 && probe.frames() > 0; }, 30000));
    QCOMPARE(probe.results().size(), 1);
    QCOMPARE(probe.exits(), 0);
    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 5000));
}

QTEST_GUILESS_MAIN(TestPullStreamEngine)
#include "tst_pullstreamengine.moc"
