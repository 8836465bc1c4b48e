#include "tests/media/push/pushharness.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"

#include "vrek/utils/threadfactory.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QTcpServer>
#include <QtTest>
#include <sys/resource.h>

namespace {
using Type = PushStreamEngine::PushStreamType;

// Received packets of one kind: their times in seconds.
QList<double> times(const FfmpegReceiver::ProbeResult &probe, const QString &type)
{
    QList<double> result;
    const FfmpegReceiver::StreamInfo *stream = probe.stream(type);
    if (!stream)
        return result;
    for (const FfmpegReceiver::PacketInfo &packet : probe.packetsOf(stream->index))
        result << packet.pts;
    return result;
}

double frameRate(const QList<double> &pts)
{
    return pts.size() < 2 || pts.last() <= pts.first() ? 0 : (pts.size() - 1) / (pts.last() - pts.first());
}

double smallestStep(const QList<double> &pts)
{
    double smallest = 1e9;
    for (int i = 1; i < pts.size(); ++i)
        smallest = qMin(smallest, pts[i] - pts[i - 1]);
    return smallest;
}

double largestStep(const QList<double> &pts)
{
    double largest = 0;
    for (int i = 1; i < pts.size(); ++i)
        largest = qMax(largest, pts[i] - pts[i - 1]);
    return largest;
}

// The largest distance of consecutive times from the given step.
double worstStepError(const QList<double> &pts, double step)
{
    double worst = 0;
    for (int i = 1; i < pts.size(); ++i)
        worst = qMax(worst, qAbs(pts[i] - pts[i - 1] - step));
    return worst;
}

// What a viewer finds in a live stream, looked at for a second at most: a push of one stream sends nothing
// for the other, and the probe would otherwise wait for it for five.
QStringList liveStreamTypes(const QString &url)
{
    QStringList types;
    AVFormatContext *input = nullptr;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "rw_timeout", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "1000000", 0);
    const int openResult = avformat_open_input(&input, url.toUtf8().constData(), nullptr, &options);
    av_dict_free(&options);
    if (openResult < 0)
        return { "not opened" };
    if (avformat_find_stream_info(input, nullptr) >= 0) {
        for (unsigned int i = 0; i < input->nb_streams; ++i)
            types << av_get_media_type_string(input->streams[i]->codecpar->codec_type);
    }
    avformat_close_input(&input);
    types.sort();
    return types;
}

double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QAtomicInt writeErrorLines;
QtMessageHandler previousHandler = nullptr;

void countWriteErrors(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains("av_interleaved_write_frame"))
        writeErrorLines.fetchAndAddRelaxed(1);
    previousHandler(type, context, message);
}

// A TCP server that accepts and never says a word: an RTMP server that hangs in the handshake.
QString silentUrl(QTcpServer &server)
{
    if (!server.listen(QHostAddress::LocalHost, 0))
        return QString();
    return QString("rtmp://127.0.0.1:%1/live/silent").arg(server.serverPort());
}
} // namespace

class TestPushStreamEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pushIsReceivedAsSpecified();
    void timestampsOfTheOutput_data();
    void timestampsOfTheOutput();
    void pushTypeTable_data();
    void pushTypeTable();
    void startWhileBusyIsRefused();
    void unknownTypeIsRefusedAndLeavesTheEngineIdle();
    void stopAndRestart();
    void stopWhileInitialisingPublishesNothing();
    void stopAgainstSilentServerEndsInTime();
    void refusedConnectionFailsAndExits();
    void engineAndThreadsGoOnlyAfterTheLastPush();
    void serverGoneWhilePushing();
    void picturesDoNotWaitForASilentMicrophone();
    void deviceThatEndsDoesNotSpin_data();
    void deviceThatEndsDoesNotSpin();

private:
    RtmpServer m_server;
};

void TestPushStreamEngine::initTestCase()
{
    // As the push manager sets it: the encoders' statistics stay out of the test output.
    av_log_set_level(AV_LOG_WARNING);
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

void TestPushStreamEngine::pushIsReceivedAsSpecified()
{
    // A server of its own that says when a viewer has begun to play.
    FakeHttpServer plays;
    QVERIFY(plays.listen());
    plays.setJson("/play", "{}");
    RtmpServer server;
    server.setPlayNotification(plays.baseUrl() + "/play");
    QVERIFY2(server.start(), qPrintable(server.errorLog()));
    const QString url = server.url("received");
    // Listening before the push starts, as the classroom does: it gets the push from its first packet. The
    // viewer is waited for: one that came late would get the pictures only from the next whole one.
    FfmpegReceiver receiver;
    QVERIFY(receiver.start(url, 4.0));
    QVERIFY2(plays.waitForRequest("/play", 15000), qPrintable(receiver.errorOutput()));

    PushHarness push(url);
    push.start(Type::PushAudioStreamMust, PushHarness::microphone, PushHarness::camera, QSize(320, 240));
    QVERIFY(push.waitForResults(1, 10000));
    QCOMPARE(push.events(), QStringList { "result(1,)" });
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamExec);
    QVERIFY(push.waitForPreviews(3, 3000));
    QCOMPARE(push.lastPreview().size(), QSize(320, 240));
    QVERIFY(receiver.waitForFinished(15000));
    push.stop();
    QVERIFY(push.waitForExits(1, 3000));
    QCOMPARE(push.events(), (QStringList { "result(1,)", "exit" }));
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamIdle);

    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(receiver.filePath(), true);
    QVERIFY2(probe.ok, qPrintable(probe.error + receiver.errorOutput()));
    const FfmpegReceiver::StreamInfo *video = probe.stream("video");
    const FfmpegReceiver::StreamInfo *audio = probe.stream("audio");
    QVERIFY(video && audio);
    QCOMPARE(video->codec, QString("h264"));
    QCOMPARE(video->profile, QString("Constrained Baseline"));
    QCOMPARE(video->width, 320);
    QCOMPARE(video->height, 240);
    QCOMPARE(audio->codec, QString("aac"));
    QCOMPARE(audio->sampleRate, 32000);
    QCOMPARE(audio->channels, 1);

    // The server relays the sound first (the tool that records lists the streams in its own order).
    QVERIFY(!probe.packets.isEmpty());
    QCOMPARE(probe.packets.first().streamIndex, audio->index);
    const QList<double> audioPts = times(probe, "audio");
    const QList<double> videoPts = times(probe, "video");
    QVERIFY2(audioPts.size() > 90, qPrintable(QString::number(audioPts.size())));
    // 1024 samples at 32 kHz each, without gaps (the server counts in milliseconds).
    QVERIFY2(worstStepError(audioPts, 0.032) <= 0.0011, qPrintable(QString::number(worstStepError(audioPts, 0.032))));
    // A picture every 60 ms at most, so never more than about 16 a second; on a busy machine fewer are taken,
    // each stamped when it was, but they keep coming.
    const double rate = frameRate(videoPts);
    qInfo() << "pictures a second:" << rate << "first audio" << audioPts.first() << "first video" << videoPts.first();
    QVERIFY2(rate <= 17.5, qPrintable(QString::number(rate)));
    QVERIFY2(smallestStep(videoPts) >= 0.055, qPrintable(QString::number(smallestStep(videoPts))));
    QVERIFY2(largestStep(videoPts) <= 1.0, qPrintable(QString::number(largestStep(videoPts))));
    // One time line: the pictures begin after the first sound (a busy machine starts them later still).
    QVERIFY2(
        videoPts.first() >= audioPts.first(), qPrintable(QString("%1 %2").arg(audioPts.first()).arg(videoPts.first())));
}

void TestPushStreamEngine::timestampsOfTheOutput_data()
{
    QTest::addColumn<QString>("microphone");
    QTest::newRow("48 kHz mono, 1024-sample packets") << PushHarness::microphone;
    // Packets that are no whole part of 100 ms, and two channels.
    QTest::newRow("44.1 kHz stereo, 1000-sample packets")
        << QString("lavfi:sine=frequency=300:sample_rate=44100:samples_per_frame=1000,pan=stereo|c0=c0|c1=c0");
}

void TestPushStreamEngine::timestampsOfTheOutput()
{
    QFETCH(QString, microphone);
    QTemporaryDir dir;
    const QString file = dir.filePath("push.flv");
    // From before the start to after the exit: all the sound was captured within.
    QElapsedTimer pushing;
    double pushedSeconds = 0;
    {
        PushHarness push(file);
        pushing.start();
        push.start(Type::PushBothStream, microphone, PushHarness::camera, QSize(160, 120));
        QVERIFY(push.waitForResults(1, 10000));
        QCOMPARE(push.lastResult().ok, true);
        QTest::qWait(3000);
        push.stop();
        QVERIFY(push.waitForExits(1, 3000));
        pushedSeconds = pushing.elapsed() / 1000.0;
    }
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(file, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.streams.size(), 2);
    QCOMPARE(probe.streams[0].type, QString("audio"));
    QCOMPARE(probe.streams[1].type, QString("video"));
    QCOMPARE(probe.streams[1].width, 160);
    QCOMPARE(probe.packets.first().streamIndex, 0);

    const QList<double> audioPts = times(probe, "audio");
    const QList<double> videoPts = times(probe, "video");
    QVERIFY(audioPts.size() > 60 && videoPts.size() > 10);
    QVERIFY2(worstStepError(audioPts, 0.032) <= 0.0011, qPrintable(QString::number(worstStepError(audioPts, 0.032))));
    qInfo() << "first audio" << audioPts.first() << "first video" << videoPts.first() << "last audio" << audioPts.last()
            << "last video" << videoPts.last() << "pushed" << pushedSeconds;
    // One time line. The pictures begin after the first sound: how long after is the camera's and the
    // encoder's start, which a busy machine makes later. The pictures are stamped by the clock when they are
    // taken, the sound by the samples captured: the sound keeps in step with them to the end.
    QVERIFY2(
        videoPts.first() >= audioPts.first(), qPrintable(QString("%1 %2").arg(audioPts.first()).arg(videoPts.first())));
    QVERIFY2(qAbs(audioPts.last() - videoPts.last()) <= 0.25,
        qPrintable(QString("%1 %2").arg(audioPts.last()).arg(videoPts.last())));
    // Nor does it run ahead of the clock: no more sound than the push took.
    QVERIFY2(audioPts.last() - audioPts.first() <= pushedSeconds,
        qPrintable(QString("%1 %2").arg(audioPts.last() - audioPts.first()).arg(pushedSeconds)));
}

void TestPushStreamEngine::pushTypeTable_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("microphone");
    QTest::addColumn<QString>("camera");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("streams");

    const QString mic = PushHarness::microphone;
    const QString cam = PushHarness::camera;
    const QString broken = PushHarness::brokenDevice;
    const QString micFails = "音频设备初始化失败5";
    const QString camFails = "视频设备初始化失败4";
    const QStringList both { "audio", "video" };
    const QStringList audioOnly { "audio" };
    const QStringList videoOnly { "video" };
    const QStringList none;

    QTest::newRow("both, both work") << 0 << mic << cam << true << "" << both;
    QTest::newRow("both, broken camera") << 0 << mic << broken << false << camFails << none;
    QTest::newRow("both, broken microphone") << 0 << broken << cam << false << micFails << none;
    QTest::newRow("either, broken camera") << 1 << mic << broken << true << "" << audioOnly;
    QTest::newRow("either, broken microphone") << 1 << broken << cam << true << "" << videoOnly;
    QTest::newRow("either, both broken") << 1 << broken << broken << false << micFails << none;
    QTest::newRow("audio must, broken camera") << 2 << mic << broken << true << "" << audioOnly;
    QTest::newRow("audio must, microphone off") << 2 << "" << cam << false << "音频设备初始化失败2" << none;
    QTest::newRow("video must, broken microphone") << 3 << broken << cam << true << "" << videoOnly;
    QTest::newRow("video must, broken camera") << 3 << mic << broken << false << camFails << none;
    QTest::newRow("audio only") << 4 << mic << broken << true << "" << audioOnly;
    QTest::newRow("audio only, broken microphone") << 4 << broken << cam << false << micFails << none;
    QTest::newRow("video only") << 5 << broken << cam << true << "" << videoOnly;
    QTest::newRow("video only, camera off") << 5 << mic << "" << false << "视频设备初始化失败2" << none;
}

void TestPushStreamEngine::pushTypeTable()
{
    QFETCH(int, type);
    QFETCH(QString, microphone);
    QFETCH(QString, camera);
    QFETCH(bool, ok);
    QFETCH(QString, msg);
    QFETCH(QStringList, streams);

    const QString url = m_server.url(QString("table%1").arg(QTest::currentDataTag()).remove(QRegularExpression("\\W")));
    PushHarness push(url);
    push.start(type, microphone, camera, QSize(160, 120));
    QVERIFY(push.waitForResults(1, 10000));
    QCOMPARE(push.lastResult().ok, ok);
    QCOMPARE(push.lastResult().msg, msg);
    if (ok) {
        QCOMPARE(liveStreamTypes(url), streams);
        push.stop();
    }
    // Every push, failed or not, ends with both stages reset, the engine idle and one exit after the result.
    QVERIFY(push.waitForExits(1, 5000));
    QCOMPARE(push.events(), (QStringList { QString("result(%1,%2)").arg(int(ok)).arg(msg), "exit" }));
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamIdle);
    QCOMPARE(push.engine()->useCount(), 1u);
    QVERIFY(!push.engine()->audioStream()->isRunning());
    QVERIFY(!push.engine()->videoStream()->isRunning());
}

void TestPushStreamEngine::startWhileBusyIsRefused()
{
    PushHarness push(m_server.url("busy"));
    push.start(Type::PushAudioStreamOnly, PushHarness::microphone, QString());
    push.start(Type::PushAudioStreamOnly, PushHarness::microphone, QString());
    QVERIFY(push.waitForResults(2, 10000));
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForResults(3, 5000));
    QCOMPARE(push.events(), (QStringList { "result(0,正在初始化推流)", "result(1,)", "result(0,正在推流中)" }));
    push.stop();
    QVERIFY(push.waitForExits(1, 3000));
    QVERIFY(push.roundTrip());
    QCOMPARE(push.exits(), 1);
}

void TestPushStreamEngine::unknownTypeIsRefusedAndLeavesTheEngineIdle()
{
    QTemporaryDir dir;
    PushHarness push(dir.filePath("unknown.flv"));
    push.start(9, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForExits(1, 3000));
    QCOMPARE(push.events(), (QStringList { "result(0,推流类型错误)", "exit" }));
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamIdle);
    QCOMPARE(push.engine()->useCount(), 1u);
    QVERIFY(!QFile::exists(dir.filePath("unknown.flv")));

    // Still idle: the next start is taken.
    push.start(Type::PushAudioStreamOnly, PushHarness::microphone, QString());
    QVERIFY(push.waitForResults(2, 10000));
    QCOMPARE(push.lastResult().ok, true);
}

void TestPushStreamEngine::stopAndRestart()
{
    PushHarness push(m_server.url("restart"));
    push.stop(); // idle: nothing
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForResults(1, 10000));
    const qint64 stopAt = push.elapsedMs();
    push.stop();
    push.stop(); // a second stop: nothing more
    QVERIFY(push.waitForExits(1, 3000));
    QVERIFY2(push.lastExitMs() - stopAt < 1500, qPrintable(QString::number(push.lastExitMs() - stopAt)));
    QVERIFY(push.roundTrip());
    QCOMPARE(push.events(), (QStringList { "result(1,)", "exit" }));

    // The same engine pushes again with the stages it reset.
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForResults(2, 10000));
    QCOMPARE(push.lastResult().ok, true);
    QVERIFY(push.waitForPreviews(2, 3000));
}

void TestPushStreamEngine::stopWhileInitialisingPublishesNothing()
{
    QTcpServer server;
    const QString url = silentUrl(server);
    QVERIFY(!url.isEmpty());
    PushHarness push(url);
    // The stop is there before the devices have answered.
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    push.stop();
    QVERIFY(push.waitForExits(1, 10000));
    QCOMPARE(push.events(), (QStringList { "result(0,)", "exit" }));
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamIdle);
    // Not even a connection was made.
    QVERIFY(!server.waitForNewConnection(300));
}

void TestPushStreamEngine::stopAgainstSilentServerEndsInTime()
{
    QTcpServer server;
    const QString url = silentUrl(server);
    QVERIFY(!url.isEmpty());
    PushHarness push(url);
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    // The engine is in the handshake with a server that never answers.
    QVERIFY(server.waitForNewConnection(10000));
    const qint64 stopAt = push.elapsedMs();
    push.stop();
    QVERIFY(push.waitForExits(1, 10000));
    const qint64 took = push.lastExitMs() - stopAt;
    QVERIFY2(took <= 6000, qPrintable(QString::number(took)));
    QCOMPARE(push.events(), (QStringList { "result(0,连接服务器错误7)", "exit" }));
}

void TestPushStreamEngine::refusedConnectionFailsAndExits()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close(); // nobody listens there now
    PushHarness push(QString("rtmp://127.0.0.1:%1/live/refused").arg(port));
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForExits(1, 10000));
    QCOMPARE(push.events(), (QStringList { "result(0,连接服务器错误7)", "exit" }));
}

void TestPushStreamEngine::engineAndThreadsGoOnlyAfterTheLastPush()
{
    auto *push = new PushHarness(m_server.url("owner"));
    const QList<QPointer<QThread>> threads { push->engine()->thread(), push->engine()->audioStream()->thread(),
        push->engine()->videoStream()->thread() };
    QCOMPARE(threads[0]->objectName(), QString("Push Stream"));
    QCOMPARE(threads[1]->objectName(), QString("Push Audio"));
    QCOMPARE(threads[2]->objectName(), QString("Push Video"));
    push->start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push->waitForResults(1, 10000));

    // The owner lets go while the push runs: the engine goes on until the push has ended.
    QVERIFY(!push->release(0));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the engine was already released"));
    push->engine()->releaseThread(); // a second release changes nothing
    // Pictures still come, and the engine's thread has got past the releases.
    QVERIFY(push->waitForPreviews(2, 3000));
    QVERIFY(push->roundTrip());
    QVERIFY(!push->isEngineDeleted());
    QCOMPARE(push->engine()->useCount(), 1u);

    push->stop();
    QVERIFY(push->waitForExits(1, 3000));
    // Then the engine is deleted and the factory has taken back (and deleted) all three threads.
    QVERIFY(QTest::qWaitFor([&] { return push->isEngineDeleted(); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return !threads[0] && !threads[1] && !threads[2]; }, 10000));
    delete push;
}

void TestPushStreamEngine::serverGoneWhilePushing()
{
    RtmpServer server;
    QVERIFY(server.start());
    PushHarness push(server.url("gone"));
    push.start(Type::PushBothStream, PushHarness::microphone, PushHarness::camera);
    QVERIFY(push.waitForResults(1, 10000));
    QCOMPARE(push.lastResult().ok, true);

    writeErrorLines = 0;
    previousHandler = qInstallMessageHandler(countWriteErrors);
    server.stop();
    QTest::qWait(3000);
    qInstallMessageHandler(previousHandler);
    // The push goes on (the owner decides), without a log line for every packet lost.
    QCOMPARE(push.engine()->pushStreamStatus(), StreamMediaStatus::PushStreamExec);
    QVERIFY2(writeErrorLines.loadRelaxed() <= 10, qPrintable(QString::number(writeErrorLines.loadRelaxed())));
    const qint64 stopAt = push.elapsedMs();
    push.stop();
    QVERIFY(push.waitForExits(1, 5000));
    QVERIFY2(push.lastExitMs() - stopAt < 2500, qPrintable(QString::number(push.lastExitMs() - stopAt)));
    QCOMPARE(push.events(), (QStringList { "result(1,)", "exit" }));
}

void TestPushStreamEngine::picturesDoNotWaitForASilentMicrophone()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("silent.flv");
    {
        PushHarness push(file);
        // The microphone opens, then gives not even one block of sound.
        push.start(Type::PushBothStream, "lavfi:sine=duration=0.01", PushHarness::camera, QSize(160, 120));
        QVERIFY(push.waitForResults(1, 10000));
        QCOMPARE(push.lastResult().ok, true);
        QTest::qWait(2500);
        push.stop();
        QVERIFY(push.waitForExits(1, 3000));
    }
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(file, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const QList<double> videoPts = times(probe, "video");
    QVERIFY(times(probe, "audio").isEmpty());
    QVERIFY2(videoPts.size() >= 15, qPrintable(QString::number(videoPts.size())));
}

void TestPushStreamEngine::deviceThatEndsDoesNotSpin_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("microphone");
    QTest::addColumn<QString>("camera");
    QTest::newRow("microphone") << int(Type::PushAudioStreamOnly) << "lavfi:sine=duration=0.5"
                                << "";
    QTest::newRow("camera") << int(Type::PushVideoStreamOnly) << ""
                            << "lavfi:testsrc=size=160x120:duration=0.5";
}

void TestPushStreamEngine::deviceThatEndsDoesNotSpin()
{
    QFETCH(int, type);
    QFETCH(QString, microphone);
    QFETCH(QString, camera);
    QTemporaryDir dir;
    PushHarness push(dir.filePath("ended.flv"));
    push.start(type, microphone, camera, QSize(160, 120));
    QVERIFY(push.waitForResults(1, 10000));
    QCOMPARE(push.lastResult().ok, true);
    QTest::qWait(1000); // the device has ended: every read fails at once from now on
    const double before = processCpuSeconds();
    QTest::qWait(2000);
    const double cpu = processCpuSeconds() - before;
    QVERIFY2(cpu < 0.2, qPrintable(QString::number(cpu)));
    // A failing device does not end the push; a stop does, at once.
    const qint64 stopAt = push.elapsedMs();
    push.stop();
    QVERIFY(push.waitForExits(1, 3000));
    QVERIFY2(push.lastExitMs() - stopAt < 1000, qPrintable(QString::number(push.lastExitMs() - stopAt)));
}

QTEST_GUILESS_MAIN(TestPushStreamEngine)
#include "tst_pushstreamengine.moc"
