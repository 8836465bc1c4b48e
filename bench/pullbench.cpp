// Pull benchmark: the engine pool against the ffmpeg tool on the same RTMP stream, side by side in one run.
// See bench/README.md.

#include "bench/benchsupport.h"
#include "tests/support/childprocess.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/pullenginefactory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace BenchSupport;

namespace {
std::atomic<int> queueFlushes { 0 };
QtMessageHandler defaultHandler = nullptr;
bool verbose = false;

// The engines' log is kept out of the figures; only the queue flushes are counted.
void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("both packet queues dropped")))
        ++queueFlushes;
    if (verbose || type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

// utime + stime of a process or thread from its stat file.
double statCpuSeconds(const QString &statPath, QString *name = nullptr)
{
    QFile file(statPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QString text = QString::fromLatin1(file.readAll());
    const int open = text.indexOf('(');
    const int close = text.lastIndexOf(')');
    if (name)
        *name = text.mid(open + 1, close - open - 1);
    const QStringList fields = text.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double residentMiB()
{
    QFile file("/proc/self/statm");
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QStringList fields = QString::fromLatin1(file.readAll()).split(' ');
    return fields.value(1).toLongLong() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p / 100.0 * (values.size() - 1);
    const size_t low = size_t(std::floor(rank));
    const size_t high = std::min(values.size() - 1, low + 1);
    return values[low] + (values[high] - values[low]) * (rank - low);
}

// The owner's side of the pool: results and pictures per user, as a stream manager would receive them.
class PoolOwner : public QObject
{
public:
    PoolOwner()
        : factory(new PullEngineFactory())
    {
        connect(factory, &PullEngineFactory::pullStreamResultOut, this,
            [this](bool ok, const QString &userId, const QString &) {
                if (ok)
                    successes[userId] += 1;
            });
        connect(factory, &PullEngineFactory::showVideoImageOut, this, [this](const QString &userId, const QImage &) {
            frames[userId] += 1;
            if (!firstFrame.contains(userId))
                firstFrame.insert(userId, clock.nsecsElapsed());
        });
        clock.start();
    }
    ~PoolOwner() override { delete factory; }

    void start(const QString &userId, const QString &url)
    {
        QMetaObject::invokeMethod(factory, "startPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, userId),
            Q_ARG(PullStreamEngine::PullStreamType, PullStreamEngine::PullAudioRequired), Q_ARG(QString, url),
            Q_ARG(bool, true));
    }
    void stop(const QString &userId)
    {
        QMetaObject::invokeMethod(factory, "stopPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, userId));
    }

    PullEngineFactory *factory;
    QHash<QString, int> successes;
    QHash<QString, qint64> frames;
    QHash<QString, qint64> firstFrame; // ns on clock
    QElapsedTimer clock;
};

// The ffmpeg tool pulling the stream with one decoding thread and converting every picture to RGB.
class ToolPull
{
public:
    ToolPull(const QString &url, const QString &progressFile)
        : m_progressFile(progressFile)
    {
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.startProgram("ffmpeg",
            { "-hide_banner", "-nostdin", "-loglevel", "error", "-threads", "1", "-i", url, "-pix_fmt", "rgb24",
                "-progress", progressFile, "-stats_period", "0.5", "-f", "null", "-" });
    }
    ~ToolPull() { m_process.stop(); }

    double cpuSeconds() const { return statCpuSeconds(QString("/proc/%1/stat").arg(m_process.pid())); }
    qint64 frames() const
    {
        QFile file(m_progressFile);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QString text = QString::fromLatin1(file.readAll());
        const int at = text.lastIndexOf("frame=");
        return at < 0 ? 0 : text.mid(at + 6).section('\n', 0, 0).toLongLong();
    }
    bool isRunning() const { return m_process.isRunning(); }

private:
    QString m_progressFile;
    ChildProcess m_process;
};

void cpuRun(Rig &rig, int streams, int seconds)
{
    out(QString("== CPU, %1 concurrent pulls, %2 s window; load average before: %3")
            .arg(streams)
            .arg(seconds)
            .arg(loadAverage()));
    PoolOwner owner;
    std::vector<std::unique_ptr<ToolPull>> tools;
    for (int i = 0; i < streams; ++i) {
        owner.start(QString("user%1").arg(i), rig.url + " live=1 timeout=7");
        tools.push_back(std::make_unique<ToolPull>(rig.url, rig.dir.filePath(QString("tool%1.txt").arg(i))));
    }
    const bool started = spinUntil(
        [&] {
            if (owner.frames.size() < streams)
                return false;
            for (auto &tool : tools) {
                if (tool->frames() == 0)
                    return false;
            }
            return true;
        },
        60000);
    if (!started) {
        out("  not every pull started");
        return;
    }
    spin(3000);

    const int flushes0 = queueFlushes.load();
    QHash<QString, qint64> frames0 = owner.frames;
    std::vector<qint64> toolFrames0;
    double toolCpu0 = 0;
    for (auto &tool : tools) {
        toolFrames0.push_back(tool->frames());
        toolCpu0 += tool->cpuSeconds();
    }
    const double ownCpu0 = ownCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double ownCpu = ownCpuSeconds() - ownCpu0;
    double toolCpu = -toolCpu0;
    std::vector<double> toolRates;
    for (size_t i = 0; i < tools.size(); ++i) {
        toolCpu += tools[i]->cpuSeconds();
        toolRates.push_back((tools[i]->frames() - toolFrames0[i]) / elapsed);
    }
    std::vector<double> ownRates;
    for (auto it = owner.frames.constBegin(); it != owner.frames.constEnd(); ++it)
        ownRates.push_back((it.value() - frames0.value(it.key())) / elapsed);

    const double ownPerStream = 100.0 * ownCpu / elapsed / streams;
    const double toolPerStream = 100.0 * toolCpu / elapsed / streams;
    out(QString("  ours:  %1 % of a core per stream, pictures/s per stream min %2 max %3, queue flushes %4")
            .arg(ownPerStream, 0, 'f', 1)
            .arg(*std::min_element(ownRates.begin(), ownRates.end()), 0, 'f', 1)
            .arg(*std::max_element(ownRates.begin(), ownRates.end()), 0, 'f', 1)
            .arg(queueFlushes.load() - flushes0));
    out(QString("  ffmpeg: %1 % of a core per stream, pictures/s per stream min %2 max %3")
            .arg(toolPerStream, 0, 'f', 1)
            .arg(*std::min_element(toolRates.begin(), toolRates.end()), 0, 'f', 1)
            .arg(*std::max_element(toolRates.begin(), toolRates.end()), 0, 'f', 1));
    out(QString("  ratio ours / ffmpeg: %1; load average after: %2")
            .arg(ownPerStream / toolPerStream, 0, 'f', 2)
            .arg(loadAverage()));
}

void firstPictureRun(Rig &rig, int runs)
{
    out(QString("== Time to the first picture, %1 runs each, alternating; load average before: %2")
            .arg(runs)
            .arg(loadAverage()));
    // What the tool's own start and end cost, without any network.
    std::vector<double> toolBase;
    for (int i = 0; i < 5; ++i) {
        ChildProcess process;
        QElapsedTimer clock;
        clock.start();
        process.startProgram("ffmpeg",
            { "-hide_banner", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "nullsrc=s=16x16", "-frames:v",
                "1", "-f", "null", "-" });
        process.waitForFinished(10000);
        toolBase.push_back(clock.nsecsElapsed() / 1e6);
    }

    PoolOwner owner;
    std::vector<double> ours;
    std::vector<double> tool;
    for (int i = 0; i < runs; ++i) {
        const QString user = QString("first%1").arg(i);
        const qint64 startNs = owner.clock.nsecsElapsed();
        owner.start(user, rig.url + " live=1 timeout=7");
        if (spinUntil([&] { return owner.firstFrame.contains(user); }, 20000))
            ours.push_back((owner.firstFrame.value(user) - startNs) / 1e6);
        owner.stop(user);
        spinUntil([&] { return owner.factory->idleEngineCount() == owner.factory->engineCount(); }, 10000);

        ChildProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.startProgram("ffmpeg",
            { "-hide_banner", "-nostdin", "-loglevel", "error", "-threads", "1", "-i", rig.url, "-frames:v", "1",
                "-pix_fmt", "rgb24", "-f", "null", "-" });
        if (process.waitForFinished(20000) && process.exitCode() == 0)
            tool.push_back(clock.nsecsElapsed() / 1e6);
        spin(300);
    }
    out(QString("  ours:   median %1 ms, p95 %2 ms (%3 runs, engine re-used after the first)")
            .arg(percentile(ours, 50), 0, 'f', 0)
            .arg(percentile(ours, 95), 0, 'f', 0)
            .arg(ours.size()));
    out(QString("  ffmpeg: median %1 ms, p95 %2 ms (%3 runs; wall time of the process, its bare start and end "
                "take %4 ms)")
            .arg(percentile(tool, 50), 0, 'f', 0)
            .arg(percentile(tool, 95), 0, 'f', 0)
            .arg(tool.size())
            .arg(percentile(toolBase, 50), 0, 'f', 0));
    out(QString("  load average after: %1").arg(loadAverage()));
}

void memoryRun(Rig &rig, int minutes, int longStreams)
{
    out(QString("== Resident memory; load average before: %1").arg(loadAverage()));
    {
        PoolOwner owner;
        auto startUsers = [&](int from, int to) {
            for (int i = from; i < to; ++i)
                owner.start(QString("mem%1").arg(i), rig.url);
            spinUntil([&] { return owner.frames.size() >= to; }, 60000);
            spin(10000);
        };
        const double before = residentMiB();
        startUsers(0, 1);
        const double one = residentMiB();
        startUsers(1, 8);
        const double eight = residentMiB();
        startUsers(8, 16);
        const double sixteen = residentMiB();
        for (int i = 0; i < 16; ++i)
            owner.stop(QString("mem%1").arg(i));
        spinUntil([&] { return owner.factory->idleEngineCount() == 16; }, 20000);
        spin(2000);
        const double idle = residentMiB();
        out(QString("  before any pull %1 MiB; 1 pull %2; 8 pulls %3; 16 pulls %4; 16 idle pooled engines %5")
                .arg(before, 0, 'f', 1)
                .arg(one, 0, 'f', 1)
                .arg(eight, 0, 'f', 1)
                .arg(sixteen, 0, 'f', 1)
                .arg(idle, 0, 'f', 1));
        out(QString("  per pulling engine: %1 MiB (1 to 8), %2 MiB (8 to 16); per idle engine %3 MiB")
                .arg((eight - one) / 7, 0, 'f', 1)
                .arg((sixteen - eight) / 8, 0, 'f', 1)
                .arg((idle - before) / 16, 0, 'f', 1));
    }
    if (minutes <= 0)
        return;

    out(QString("== %1 minutes, %2 pulls; every minute the publisher stalls 5 s (at 20 s) and is restarted (at "
                "40 s)")
            .arg(minutes)
            .arg(longStreams));
    PoolOwner owner;
    for (int i = 0; i < longStreams; ++i)
        owner.start(QString("long%1").arg(i), rig.url);
    spinUntil([&] { return owner.frames.size() >= longStreams; }, 60000);
    QElapsedTimer clock;
    clock.start();
    std::vector<double> samples;
    int lastSample = -1;
    while (clock.elapsed() < qint64(minutes) * 60000) {
        const int second = int(clock.elapsed() / 1000);
        const int inMinute = second % 60;
        if (inMinute == 20 && rig.publisher->isRunning()) {
            rig.publisher->pause();
            spin(5000);
            rig.publisher->resume();
        } else if (inMinute == 40) {
            rig.publisher->stop();
            spin(2000);
            rig.publisher->start(rig.url);
            spin(1000);
        }
        if (second / 10 != lastSample) {
            lastSample = second / 10;
            const double rss = residentMiB();
            samples.push_back(rss);
            int successes = 0;
            qint64 frames = 0;
            for (int n : owner.successes)
                successes += n;
            for (qint64 n : owner.frames)
                frames += n;
            out(QString("  t=%1 s rss %2 MiB, results ok %3, pictures %4, queue flushes %5, load %6")
                    .arg(second, 4)
                    .arg(rss, 0, 'f', 1)
                    .arg(successes)
                    .arg(frames)
                    .arg(queueFlushes.load())
                    .arg(loadAverage()));
        }
        spin(200);
    }
    const size_t half = samples.size() / 2;
    const double firstHalfMax = *std::max_element(samples.begin() + 1, samples.begin() + half);
    const double secondHalfMax = *std::max_element(samples.begin() + half, samples.end());
    out(QString("  rss first sample %1 MiB, max of the first half %2, max of the second half %3, last %4")
            .arg(samples.front(), 0, 'f', 1)
            .arg(firstHalfMax, 0, 'f', 1)
            .arg(secondHalfMax, 0, 'f', 1)
            .arg(samples.back(), 0, 'f', 1));
}

void idleRun(Rig &rig, int seconds)
{
    out(QString("== CPU of 8 idle pooled engines, %1 s; load average before: %2").arg(seconds).arg(loadAverage()));
    PoolOwner owner;
    for (int i = 0; i < 8; ++i)
        owner.start(QString("idle%1").arg(i), rig.url);
    spinUntil([&] { return owner.frames.size() >= 8; }, 60000);
    spin(2000);
    for (int i = 0; i < 8; ++i)
        owner.stop(QString("idle%1").arg(i));
    spinUntil([&] { return owner.factory->idleEngineCount() == 8; }, 20000);
    spin(2000);

    auto threadTimes = [] {
        QHash<QString, double> times;
        for (const QString &tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QString name;
            const double cpu = statCpuSeconds(QString("/proc/self/task/%1/stat").arg(tid), &name);
            times[tid + " " + name] = cpu;
        }
        return times;
    };
    const QHash<QString, double> before = threadTimes();
    const double cpu0 = ownCpuSeconds();
    // The owner's thread sleeps as an idle client's would, woken only by its own events.
    QThread::sleep(unsigned(seconds));
    QCoreApplication::processEvents();
    const double cpu = ownCpuSeconds() - cpu0;
    const QHash<QString, double> after = threadTimes();
    out(QString("  process: %1 ms of CPU per second over %2 threads (%3 engines in the pool, all idle)")
            .arg(1000 * cpu / seconds, 0, 'f', 2)
            .arg(after.size())
            .arg(owner.factory->engineCount()));
    QStringList busy;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const double used = it.value() - before.value(it.key());
        if (used > 0)
            busy << QString("%1: %2 ms/s").arg(it.key()).arg(1000 * used / seconds, 0, 'f', 2);
    }
    out("  threads that used any: " + (busy.isEmpty() ? QString("none") : busy.join(", ")));
    out(QString("  load average after: %1").arg(loadAverage()));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Pulls the rig's stream with the engine pool and with the ffmpeg tool.");
    parser.addHelpOption();
    parser.addPositionalArgument("what", "cpu, first, memory, idle or all");
    QCommandLineOption streamsOption("streams", "Concurrent pulls for cpu (comma separated).", "list", "1,8,16");
    QCommandLineOption secondsOption("seconds", "Measuring window for cpu and idle.", "s", "30");
    QCommandLineOption runsOption("runs", "Runs for first.", "n", "20");
    QCommandLineOption minutesOption("minutes", "Length of the long memory run (0: none).", "m", "10");
    QCommandLineOption longStreamsOption("long-streams", "Pulls during the long memory run.", "n", "4");
    QCommandLineOption verboseOption("verbose", "Show the engines' log.");
    parser.addOptions({ streamsOption, secondsOption, runsOption, minutesOption, longStreamsOption, verboseOption });
    parser.process(app);
    verbose = parser.isSet(verboseOption);
    defaultHandler = qInstallMessageHandler(countingHandler);
    const QString what = parser.positionalArguments().value(0, "all");

    Rig rig;
    if (!rig.start()) {
        out("the rig did not start: " + rig.server.errorLog() + rig.publisher->errorOutput());
        return 1;
    }
    out(QString("rig: nginx on %1, publisher 1280x720 25 fps H.264 (keyframe each second, testsrc2) + AAC 44.1 kHz "
                "stereo; %2 cores")
            .arg(rig.url)
            .arg(QThread::idealThreadCount()));
    spin(2000);
    if (what == "cpu" || what == "all") {
        for (const QString &n : parser.value(streamsOption).split(','))
            cpuRun(rig, n.toInt(), parser.value(secondsOption).toInt());
    }
    if (what == "first" || what == "all")
        firstPictureRun(rig, parser.value(runsOption).toInt());
    if (what == "idle" || what == "all")
        idleRun(rig, parser.value(secondsOption).toInt());
    if (what == "memory" || what == "all")
        memoryRun(rig, parser.value(minutesOption).toInt(), parser.value(longStreamsOption).toInt());
    return 0;
}
