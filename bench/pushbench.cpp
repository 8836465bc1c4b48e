// Pushes the same generated camera and microphone to a local RTMP server twice, once with the push engine and
// once with the ffmpeg tool at the same settings, and compares the CPU each takes and the audio/video offset
// in what a viewer receives. See README.md.

#include "tests/support/childprocess.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/pushstreamengine.h"
#include "vrek/utils/threadfactory.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace {
struct Options
{
    int seconds = 20;
    int rounds = 3;
    int width = 320;
    int height = 240;
    int cameraRate = 30;
    int pushRate = 15; // what the engine's 60 ms gate makes of the camera's rate
};

struct Figures
{
    double cpuPercent = 0;
    double avOffsetMs = 0; // first video time minus first audio time, as received
    double frameRate = 0;
    double audioStepMs = 0;
    bool ok = false;
};

QString cameraGraph(const Options &options)
{
    return QString("testsrc=size=640x480:rate=%1,realtime").arg(options.cameraRate);
}

const QString microphoneGraph = "sine=frequency=440:sample_rate=48000,arealtime";

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void waitFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

double selfCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double processCpuSeconds(qint64 pid)
{
    QFile file(QString("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void readReceived(const FfmpegReceiver &receiver, Figures &figures)
{
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(receiver.filePath(), true, 60000);
    const FfmpegReceiver::StreamInfo *audio = probe.stream("audio");
    const FfmpegReceiver::StreamInfo *video = probe.stream("video");
    if (!probe.ok || !audio || !video)
        return;
    const auto audioPackets = probe.packetsOf(audio->index);
    const auto videoPackets = probe.packetsOf(video->index);
    if (audioPackets.size() < 2 || videoPackets.size() < 2)
        return;
    figures.avOffsetMs = (videoPackets.first().pts - audioPackets.first().pts) * 1000;
    figures.frameRate = (videoPackets.size() - 1) / (videoPackets.last().pts - videoPackets.first().pts);
    figures.audioStepMs = (audioPackets.last().pts - audioPackets.first().pts) * 1000 / (audioPackets.size() - 1);
    figures.ok = true;
}

Figures runEngine(const RtmpServer &server, const Options &options, int round)
{
    Figures figures;
    const QString url = server.url(QString("engine%1").arg(round));
    FfmpegReceiver receiver;
    receiver.start(url, options.seconds + 1);

    auto *engine = new PushStreamEngine(url);
    ThreadFactory *factory = ThreadFactory::getInstance();
    QThread *thread = factory->getThread(factory->allocThreadId());
    thread->setObjectName("Push Stream");
    engine->moveThread(thread);
    int results = 0;
    bool ok = false;
    bool exited = false;
    bool deleted = false;
    int previews = 0;
    QObject::connect(engine, &QObject::destroyed, [&] { deleted = true; });
    QObject::connect(engine, &PushStreamEngine::pushStreamResultOut, qApp, [&](bool result, const QString &) {
        ++results;
        ok = result;
    });
    QObject::connect(engine, &PushStreamEngine::pushStreamExitOut, qApp, [&] { exited = true; });
    // The owner takes every preview frame, as the push manager does.
    QObject::connect(engine, &PushStreamEngine::showVideoImageOut, qApp, [&](const QImage &) { ++previews; });

    QMetaObject::invokeMethod(engine, "startPushStreamIn", Qt::QueuedConnection,
        Q_ARG(PushStreamEngine::PushStreamType, PushStreamEngine::PushAudioStreamMust),
        Q_ARG(QString, "lavfi:" + microphoneGraph), Q_ARG(QString, "lavfi:" + cameraGraph(options)),
        Q_ARG(QSize, QSize(options.width, options.height)));
    if (!waitUntil([&] { return results > 0; }, 15000) || !ok) {
        std::fprintf(stderr, "the engine's push did not start\n");
    } else {
        waitFor(1000); // past the start
        const double cpuBefore = selfCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        waitFor((options.seconds - 1) * 1000);
        figures.cpuPercent = (selfCpuSeconds() - cpuBefore) * 100 / (wall.elapsed() / 1000.0);
    }
    QMetaObject::invokeMethod(engine, "stopPushStreamIn", Qt::QueuedConnection);
    waitUntil([&] { return exited; }, 10000);
    engine->releaseThread();
    waitUntil([&] { return deleted; }, 10000);
    receiver.waitForFinished(15000);
    receiver.stop();
    readReceived(receiver, figures);
    std::fprintf(stderr, "engine: %d preview frames\n", previews);
    return figures;
}

Figures runFfmpeg(const RtmpServer &server, const Options &options, int round)
{
    Figures figures;
    const QString url = server.url(QString("ffmpeg%1").arg(round));
    FfmpegReceiver receiver;
    receiver.start(url, options.seconds + 1);

    ChildProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    const QStringList arguments { "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "lavfi", "-i",
        microphoneGraph, "-f", "lavfi", "-i", cameraGraph(options), "-map", "0:a", "-map", "1:v", "-c:v", "libx264",
        "-profile:v", "baseline", "-tune", "zerolatency", "-g", "15", "-bf", "0", "-r",
        QString::number(options.pushRate), "-s", QString("%1x%2").arg(options.width).arg(options.height), "-pix_fmt",
        "yuv420p", "-c:a", "aac", "-ar", "32000", "-ac", "1", "-b:a", "32k", "-f", "flv", url };
    if (!ffmpeg.startProgram("ffmpeg", arguments)) {
        std::fprintf(stderr, "the ffmpeg tool did not start\n");
        return figures;
    }
    waitFor(1500); // past the start, as for the engine
    const double cpuBefore = processCpuSeconds(ffmpeg.pid());
    QElapsedTimer wall;
    wall.start();
    waitFor((options.seconds - 1) * 1000);
    const double cpuAfter = processCpuSeconds(ffmpeg.pid());
    figures.cpuPercent = (cpuAfter - cpuBefore) * 100 / (wall.elapsed() / 1000.0);
    ffmpeg.stop();
    receiver.waitForFinished(15000);
    receiver.stop();
    readReceived(receiver, figures);
    return figures;
}

// The engine's progress lines would bury the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

void print(const char *who, int round, const Figures &figures)
{
    std::printf("%-7s round %d: CPU %6.2f %%  A/V offset %+7.1f ms  video %5.2f fps  audio step %5.2f ms%s\n", who,
        round, figures.cpuPercent, figures.avOffsetMs, figures.frameRate, figures.audioStepMs,
        figures.ok ? "" : "  (nothing received)");
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietMessages);
    QCommandLineParser parser;
    parser.setApplicationDescription("Push engine against the ffmpeg tool, same sources and settings.");
    parser.addHelpOption();
    parser.addOption({ "seconds", "Seconds measured per push (default 20).", "n", "20" });
    parser.addOption({ "rounds", "Pushes of each (default 3), taken in turns.", "n", "3" });
    parser.addOption({ "size", "Push size (default 320x240).", "WxH", "320x240" });
    parser.addOption({ "camera-rate", "Pictures a second of the generated camera (default 30).", "n", "30" });
    parser.addOption(
        { "push-rate", "Pictures a second the ffmpeg tool sends (default 15, as the engine makes of 30).", "n", "15" });
    parser.process(app);
    Options options;
    options.seconds = qMax(5, parser.value("seconds").toInt());
    options.rounds = qMax(1, parser.value("rounds").toInt());
    const QStringList size = parser.value("size").split('x');
    if (size.size() == 2) {
        options.width = size[0].toInt();
        options.height = size[1].toInt();
    }
    options.cameraRate = parser.value("camera-rate").toInt();
    options.pushRate = parser.value("push-rate").toInt();

    av_log_set_level(AV_LOG_ERROR);
    RtmpServer server;
    if (!server.start()) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(server.errorLog()));
        return 1;
    }
    std::printf("push %dx%d, camera %d fps, ffmpeg -r %d, %d s measured, %d rounds\n", options.width, options.height,
        options.cameraRate, options.pushRate, options.seconds, options.rounds);
    double engineCpu = 0;
    double ffmpegCpu = 0;
    for (int round = 1; round <= options.rounds; ++round) {
        const Figures engine = runEngine(server, options, round);
        print("engine", round, engine);
        const Figures ffmpeg = runFfmpeg(server, options, round);
        print("ffmpeg", round, ffmpeg);
        engineCpu += engine.cpuPercent;
        ffmpegCpu += ffmpeg.cpuPercent;
    }
    engineCpu /= options.rounds;
    ffmpegCpu /= options.rounds;
    std::printf("mean CPU: engine %.2f %%, ffmpeg %.2f %%, ratio %.2f\n", engineCpu, ffmpegCpu,
        ffmpegCpu > 0 ? engineCpu / ffmpegCpu : 0.0);
    server.stop();
    return 0;
}
