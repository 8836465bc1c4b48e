// Pushes the same generated camera and microphone to a local RTMP server, in turns with the push engine and with
// the ffmpeg tool at the same settings, and compares the CPU each takes and the audio/video offset in what a
// viewer receives who was there before the push began. See README.md.

#include "bench/benchsupport.h"
#include "tests/support/childprocess.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/push/pushstreamengine.h"
#include "vrek/utils/threadfactory.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <vector>

using namespace BenchSupport;

namespace {
struct Options
{
    int seconds = 20;
    int rounds = 3;
    std::vector<QSize> sizes { QSize(320, 240), QSize(640, 480) };
    int cameraRate = 30;
    int pushRate = 15; // what the engine's 60 ms gate makes of the camera's rate
};

struct Figures
{
    double cpuPercent = 0;
    double avOffsetMs = 0; // first video time minus first audio time, as received
    double frameRate = 0;
    double audioStepMs = 0;
    double kbitPerSecond = 0; // of the received file, sound and pictures
    bool ok = false;
    QString threads; // the engine's CPU by thread kind
};

// The tool's set-ups: single-threaded as the engine is, and as it comes (the earlier comparison).
struct ToolKind
{
    QString name;
    QString label;
    QStringList arguments; // before the output's own
};

// The best one drops the camera's surplus pictures before it scales them, as the engine does; the others scale
// every camera picture and drop every second one after.
const std::vector<ToolKind> toolKinds {
    { "single", "single-threaded tool", { "-threads", "1", "-filter_threads", "1" } },
    { "default", "default tool (the earlier comparison)", {} },
    { "best", "best tool set-up", { "-threads", "1", "-filter_threads", "1", "-vf", "fps=15" } },
};

QString cameraGraph(const Options &options)
{
    return QString("testsrc=size=640x480:rate=%1,realtime").arg(options.cameraRate);
}

const QString microphoneGraph = "sine=frequency=440:sample_rate=48000,arealtime";

// A viewer that plays the name before the push begins, as the classroom does: nginx tells the bench of its play
// command (on_play), so the push starts only once the viewer is really there and gets the push from its first
// packet. One that came late would get the pictures only from the next keyframe.
class Viewer
{
public:
    Viewer(FakeHttpServer &plays, const QString &url, int seconds)
    {
        const int before = plays.requestCount("/play");
        m_receiver.start(url, seconds);
        m_playing = spinUntil([&] { return plays.requestCount("/play") > before; }, 15000);
    }
    ~Viewer() { m_receiver.stop(); }

    bool isPlaying() const { return m_playing; }

    void read(Figures &figures)
    {
        m_receiver.waitForFinished(15000);
        m_receiver.stop();
        const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(m_receiver.filePath(), true, 60000);
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
        figures.kbitPerSecond = QFileInfo(m_receiver.filePath()).size() * 8 / 1000.0
            / (videoPackets.last().pts - videoPackets.first().pts);
        figures.ok = true;
    }

private:
    FfmpegReceiver m_receiver;
    bool m_playing = false;
};

// CPU of this process (the engine's, as it does nothing else meanwhile) per second of wall time over the window.
// preview: whether the owner shows the preview (the stream managers' panels) or not (a push manager whose panel
// does not show it, when the engine makes none).
Figures runEngine(const RtmpServer &server, FakeHttpServer &plays, const Options &options, const QSize &size,
    const QString &name, bool preview)
{
    Figures figures;
    const QString url = server.url(name);
    Viewer viewer(plays, url, options.seconds + 1);
    if (!viewer.isPlaying()) {
        std::fprintf(stderr, "the viewer did not start\n");
        return figures;
    }

    auto *engine = new PushStreamEngine(url);
    ThreadFactory *factory = ThreadFactory::getInstance();
    QThread *thread = factory->getThread(factory->allocThreadId());
    thread->setObjectName("Push Stream");
    engine->moveThread(thread);
    engine->setPreviewWanted(preview);
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
        Q_ARG(QSize, size));
    if (!spinUntil([&] { return results > 0; }, 15000) || !ok) {
        std::fprintf(stderr, "the engine's push did not start\n");
    } else {
        spin(1000); // past the start
        const QHash<QString, double> threads0 = threadCpuSeconds();
        const double cpuBefore = ownCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        spin((options.seconds - 1) * 1000);
        const double elapsed = wall.nsecsElapsed() / 1e9;
        figures.cpuPercent = (ownCpuSeconds() - cpuBefore) * 100 / elapsed;
        const QHash<QString, double> byKind = cpuByThreadKind(threads0, threadCpuSeconds());
        QStringList parts;
        for (auto it = byKind.constBegin(); it != byKind.constEnd(); ++it)
            parts << QString("%1 %2").arg(it.key()).arg(100.0 * it.value() / elapsed, 0, 'f', 2);
        parts.sort();
        figures.threads = parts.join(", ") + QString(", %1 previews").arg(previews);
    }
    QMetaObject::invokeMethod(engine, "stopPushStreamIn", Qt::QueuedConnection);
    spinUntil([&] { return exited; }, 10000);
    engine->releaseThread();
    spinUntil([&] { return deleted; }, 10000);
    viewer.read(figures);
    return figures;
}

Figures runTool(const RtmpServer &server, FakeHttpServer &plays, const Options &options, const QSize &size,
    const ToolKind &kind, const QString &name)
{
    Figures figures;
    const QString url = server.url(name);
    Viewer viewer(plays, url, options.seconds + 1);
    if (!viewer.isPlaying()) {
        std::fprintf(stderr, "the viewer did not start\n");
        return figures;
    }
    ChildProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    // The set-up's options are the output's: "-threads" given before an input would reach only its decoder.
    QStringList setUp = kind.arguments;
    setUp.replaceInStrings("fps=15", QString("fps=%1").arg(options.pushRate));
    const QStringList arguments = QStringList { "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "lavfi", "-i",
        microphoneGraph, "-f", "lavfi", "-i", cameraGraph(options), "-map", "0:a", "-map", "1:v" }
        + setUp
        + QStringList { "-c:v", "libx264", "-profile:v", "baseline", "-tune", "zerolatency", "-g", "15", "-bf", "0",
              "-r", QString::number(options.pushRate), "-s", QString("%1x%2").arg(size.width()).arg(size.height()),
              "-pix_fmt", "yuv420p", "-c:a", "aac", "-ar", "32000", "-ac", "1", "-b:a", "32k", "-f", "flv", url };
    if (!ffmpeg.startProgram("ffmpeg", arguments)) {
        std::fprintf(stderr, "the ffmpeg tool did not start\n");
        return figures;
    }
    spin(1500); // past the start, as for the engine
    const double cpuBefore = processCpuSeconds(ffmpeg.pid());
    QElapsedTimer wall;
    wall.start();
    spin((options.seconds - 1) * 1000);
    const double cpuAfter = processCpuSeconds(ffmpeg.pid());
    figures.cpuPercent = (cpuAfter - cpuBefore) * 100 / (wall.nsecsElapsed() / 1e9);
    ffmpeg.stop();
    viewer.read(figures);
    return figures;
}

// The engine's progress lines would bury the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

void print(const QString &who, int round, const Figures &figures)
{
    out(QString("  %1 round %2: CPU %3 %  A/V offset %4 ms  video %5 fps  audio step %6 ms  %7 kbit/s%8; load %9")
            .arg(who, -40)
            .arg(round)
            .arg(figures.cpuPercent, 6, 'f', 2)
            .arg(figures.avOffsetMs, 6, 'f', 1)
            .arg(figures.frameRate, 5, 'f', 2)
            .arg(figures.audioStepMs, 5, 'f', 2)
            .arg(figures.kbitPerSecond, 5, 'f', 0)
            .arg(figures.ok ? QString() : QString("  (nothing received)"))
            .arg(loadAverage()));
    if (!figures.threads.isEmpty())
        out("      by thread (% of a core): " + figures.threads);
}

void runSize(const RtmpServer &server, FakeHttpServer &plays, const Options &options, const QSize &size)
{
    out(QString("== push %1x%2, camera %3 fps, tool -r %4, %5 s measured, %6 rounds; load average before: %7")
            .arg(size.width())
            .arg(size.height())
            .arg(options.cameraRate)
            .arg(options.pushRate)
            .arg(options.seconds)
            .arg(options.rounds)
            .arg(loadAverage()));
    const QString tag = QString("%1x%2").arg(size.width()).arg(size.height());
    double engineCpu = 0;
    double unseenCpu = 0;
    std::vector<double> toolCpu(toolKinds.size(), 0);
    for (int round = 1; round <= options.rounds; ++round) {
        const Figures engine
            = runEngine(server, plays, options, size, QString("engine-%1-%2").arg(tag).arg(round), true);
        print("engine", round, engine);
        engineCpu += engine.cpuPercent;
        const Figures unseen
            = runEngine(server, plays, options, size, QString("unseen-%1-%2").arg(tag).arg(round), false);
        print("engine, preview not shown", round, unseen);
        unseenCpu += unseen.cpuPercent;
        for (size_t k = 0; k < toolKinds.size(); ++k) {
            const Figures tool = runTool(
                server, plays, options, size, toolKinds[k], QString("%1-%2-%3").arg(toolKinds[k].name, tag).arg(round));
            print(toolKinds[k].label, round, tool);
            toolCpu[k] += tool.cpuPercent;
        }
    }
    engineCpu /= options.rounds;
    unseenCpu /= options.rounds;
    out(QString("  mean CPU: engine %1 %, without a preview %2 %").arg(engineCpu, 0, 'f', 2).arg(unseenCpu, 0, 'f', 2));
    for (size_t k = 0; k < toolKinds.size(); ++k) {
        const double cpu = toolCpu[k] / options.rounds;
        out(QString("  mean CPU: %1 (%2) %3 %, ratio engine / it %4 (%5 without a preview)")
                .arg(toolKinds[k].label, toolKinds[k].arguments.join(' '))
                .arg(cpu, 0, 'f', 2)
                .arg(cpu > 0 ? engineCpu / cpu : 0.0, 0, 'f', 2)
                .arg(cpu > 0 ? unseenCpu / cpu : 0.0, 0, 'f', 2));
    }
    out(QString("  load average after: %1").arg(loadAverage()));
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
    parser.addOption({ "sizes", "Push sizes (default 320x240,640x480).", "list", "320x240,640x480" });
    parser.addOption({ "camera-rate", "Pictures a second of the generated camera (default 30).", "n", "30" });
    parser.addOption(
        { "push-rate", "Pictures a second the ffmpeg tool sends (default 15, as the engine makes of 30).", "n", "15" });
    parser.process(app);
    Options options;
    options.seconds = qMax(5, parser.value("seconds").toInt());
    options.rounds = qMax(1, parser.value("rounds").toInt());
    options.sizes.clear();
    for (const QString &text : parser.value("sizes").split(',', Qt::SkipEmptyParts)) {
        const QStringList size = text.split('x');
        if (size.size() == 2)
            options.sizes.emplace_back(size[0].toInt(), size[1].toInt());
    }
    options.cameraRate = parser.value("camera-rate").toInt();
    options.pushRate = parser.value("push-rate").toInt();

    av_log_set_level(AV_LOG_ERROR);
    FakeHttpServer plays;
    if (!plays.listen()) {
        std::fprintf(stderr, "no HTTP server for the play notifications\n");
        return 1;
    }
    plays.setJson("/play", "{}");
    RtmpServer server;
    server.setPlayNotification(plays.baseUrl() + "/play");
    if (!server.start()) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(server.errorLog()));
        return 1;
    }
    for (const QSize &size : options.sizes)
        runSize(server, plays, options, size);
    server.stop();
    return 0;
}
