// Pull benchmark: the engine pool against the ffmpeg tool on the same RTMP stream, side by side in one run.
// See bench/README.md.

#include "bench/benchsupport.h"
#include "bench/clockpublisher.h"
#include "bench/clockstamp.h"
#include "bench/toolpictures.h"
#include "tests/support/childprocess.h"
#include "tests/support/delayrelay.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/pull/pullenginefactory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <atomic>
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

double residentMiB()
{
    QFile file("/proc/self/statm");
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QStringList fields = QString::fromLatin1(file.readAll()).split(' ');
    return fields.value(1).toLongLong() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

QString stats(const std::vector<double> &values)
{
    return QString("median %1, p95 %2, max %3")
        .arg(percentile(values, 50), 0, 'f', 0)
        .arg(percentile(values, 95), 0, 'f', 0)
        .arg(values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()), 0, 'f', 0);
}

// One way of running the ffmpeg tool beside the engines, with a label that says what it stands for.
struct ToolKind
{
    QString name;
    QString label;
    QStringList inputArguments; // before -i
    QStringList outputArguments; // after -i
};

// The CPU comparison. The single-threaded tool does the engines' work on one thread: "-threads 1" before the input
// reaches only its decoder, its conversion to RGB runs on a thread per core unless "-filter_threads 1" says
// otherwise; its sound is converted to 32 kHz mono 16-bit as the engines' is. The earlier comparison is kept as
// it was run before.
const std::vector<ToolKind> cpuTools {
    { "single", "single-threaded tool", { "-threads", "1", "-filter_threads", "1" }, { "-ar", "32000", "-ac", "1" } },
    { "default", "default tool", {}, { "-ar", "32000", "-ac", "1" } },
    { "earlier", "earlier comparison (-threads 1 only)", { "-threads", "1" }, {} },
};

// Time to the first picture: the tool as it comes, single-threaded, and the set-up that shows the first
// picture soonest of those that work here (less analysis finds no picture stream at all).
const std::vector<ToolKind> firstTools {
    { "default", "default tool", {}, {} },
    { "single", "single-threaded tool", { "-threads", "1", "-filter_threads", "1" }, {} },
    { "best", "best tool set-up", { "-fflags", "nobuffer", "-analyzeduration", "1100000", "-tcp_nodelay", "1" }, {} },
};

// Steady latency: as it comes, single-threaded, and the lowest-latency set-up of those that work here.
const std::vector<ToolKind> latencyTools {
    { "default", "default tool", {}, {} },
    { "single", "single-threaded tool", { "-threads", "1", "-filter_threads", "1" }, {} },
    { "best", "best tool set-up",
        { "-threads", "1", "-fflags", "nobuffer", "-flags", "low_delay", "-tcp_nodelay", "1" },
        { "-vsync", "passthrough" } },
};

std::vector<ToolKind> chosenTools(const std::vector<ToolKind> &all, const QString &list)
{
    const QStringList names = list.split(',', Qt::SkipEmptyParts);
    std::vector<ToolKind> chosen;
    for (const ToolKind &kind : all) {
        if (names.contains(kind.name) || names.contains("all"))
            chosen.push_back(kind);
    }
    return chosen;
}

// The owner's side of the pool: results and pictures per user, as a stream manager would receive them, with
// the clock stamp of each picture when asked for.
class PoolOwner : public QObject
{
public:
    struct Picture
    {
        int64_t arrivedMs;
        int stamp;
    };

    explicit PoolOwner(bool readStamps = false)
        : factory(new PullEngineFactory())
    {
        connect(factory, &PullEngineFactory::pullStreamResultOut, this,
            [this](bool ok, const QString &userId, const QString &) {
                if (ok)
                    successes[userId] += 1;
            });
        connect(factory, &PullEngineFactory::showVideoImageOut, this,
            [this, readStamps](const QString &userId, const QImage &image) {
                const int64_t now = ClockStamp::nowMs();
                frames[userId] += 1;
                if (!firstFrame.contains(userId))
                    firstFrame.insert(userId, now);
                if (readStamps)
                    pictures[userId].push_back({ now, ClockStamp::read(image) });
            });
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
    QHash<QString, int64_t> firstFrame; // ClockStamp::nowMs
    QHash<QString, std::vector<Picture>> pictures;
};

// The ffmpeg tool pulling the stream and converting every picture to RGB, to nothing.
class ToolPull
{
public:
    ToolPull(const ToolKind &kind, const QString &url, const QString &progressFile)
        : m_progressFile(progressFile)
    {
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.startProgram("ffmpeg",
            QStringList { "-hide_banner", "-nostdin", "-loglevel", "error" } + kind.inputArguments
                + QStringList { "-i", url, "-pix_fmt", "rgb24" } + kind.outputArguments
                + QStringList { "-progress", progressFile, "-stats_period", "0.5", "-f", "null", "-" });
    }
    ~ToolPull() { m_process.stop(); }

    double cpuSeconds() const { return processCpuSeconds(m_process.pid()); }
    qint64 frames() const
    {
        QFile file(m_progressFile);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QString text = QString::fromLatin1(file.readAll());
        const int at = text.lastIndexOf("frame=");
        return at < 0 ? 0 : text.mid(at + 6).section('\n', 0, 0).toLongLong();
    }

private:
    QString m_progressFile;
    ChildProcess m_process;
};

void cpuRun(Rig &rig, int streams, int seconds, const std::vector<ToolKind> &kinds)
{
    out(QString("== CPU, %1 concurrent pulls each, %2 s window; load average before: %3")
            .arg(streams)
            .arg(seconds)
            .arg(loadAverage()));
    PoolOwner owner;
    std::vector<std::vector<std::unique_ptr<ToolPull>>> tools(kinds.size());
    for (int i = 0; i < streams; ++i) {
        owner.start(QString("user%1").arg(i), rig.url + " live=1 timeout=7");
        for (size_t k = 0; k < kinds.size(); ++k)
            tools[k].push_back(std::make_unique<ToolPull>(
                kinds[k], rig.url, rig.dir.filePath(QString("%1-%2.txt").arg(kinds[k].name).arg(i))));
    }
    const bool started = spinUntil(
        [&] {
            if (owner.frames.size() < streams)
                return false;
            for (auto &kind : tools) {
                for (auto &tool : kind) {
                    if (tool->frames() == 0)
                        return false;
                }
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
    const QHash<QString, qint64> frames0 = owner.frames;
    std::vector<std::vector<qint64>> toolFrames0(kinds.size());
    std::vector<double> toolCpu(kinds.size(), 0);
    for (size_t k = 0; k < kinds.size(); ++k) {
        for (auto &tool : tools[k]) {
            toolFrames0[k].push_back(tool->frames());
            toolCpu[k] -= tool->cpuSeconds();
        }
    }
    const QHash<QString, double> threads0 = threadCpuSeconds();
    const double ownCpu0 = ownCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double ownCpu = ownCpuSeconds() - ownCpu0;
    const QHash<QString, double> byKind = cpuByThreadKind(threads0, threadCpuSeconds());

    std::vector<double> ownRates;
    for (auto it = owner.frames.constBegin(); it != owner.frames.constEnd(); ++it)
        ownRates.push_back((it.value() - frames0.value(it.key())) / elapsed);
    const double ownPerStream = 100.0 * ownCpu / elapsed / streams;
    out(QString("  ours:  %1 % of a core per stream, pictures/s per stream min %2 max %3, queue flushes %4")
            .arg(ownPerStream, 0, 'f', 2)
            .arg(*std::min_element(ownRates.begin(), ownRates.end()), 0, 'f', 1)
            .arg(*std::max_element(ownRates.begin(), ownRates.end()), 0, 'f', 1)
            .arg(queueFlushes.load() - flushes0));
    QStringList parts;
    for (auto it = byKind.constBegin(); it != byKind.constEnd(); ++it)
        parts << QString("%1 %2").arg(it.key()).arg(100.0 * it.value() / elapsed / streams, 0, 'f', 2);
    parts.sort();
    out("    per stream by thread (% of a core): " + parts.join(", "));
    const double outputShare = 100.0 * byKind.value("SDL audio (mixer)") / elapsed / streams;
    double engineSeconds = 0;
    for (auto it = byKind.constBegin(); it != byKind.constEnd(); ++it) {
        if (it.key().startsWith("Pull "))
            engineSeconds += it.value();
    }
    const double enginePerStream = 100.0 * engineSeconds / elapsed / streams;

    for (size_t k = 0; k < kinds.size(); ++k) {
        std::vector<double> rates;
        for (size_t i = 0; i < tools[k].size(); ++i) {
            toolCpu[k] += tools[k][i]->cpuSeconds();
            rates.push_back((tools[k][i]->frames() - toolFrames0[k][i]) / elapsed);
        }
        const double perStream = 100.0 * toolCpu[k] / elapsed / streams;
        out(QString("  %1 (%2): %3 % of a core per stream, pictures/s per stream min %4 max %5; ratio ours / it %6 "
                    "(%7 without the mixed sound output, %8 the engines' threads alone)")
                .arg(kinds[k].label, (kinds[k].inputArguments + kinds[k].outputArguments).join(' '))
                .arg(perStream, 0, 'f', 2)
                .arg(*std::min_element(rates.begin(), rates.end()), 0, 'f', 1)
                .arg(*std::max_element(rates.begin(), rates.end()), 0, 'f', 1)
                .arg(ownPerStream / perStream, 0, 'f', 2)
                .arg((ownPerStream - outputShare) / perStream, 0, 'f', 2)
                .arg(enginePerStream / perStream, 0, 'f', 2));
    }
    out(QString("  load average after: %1").arg(loadAverage()));
}

// Waits a random part of the stream's keyframe interval, so that each start meets the keyframes at another
// phase.
void randomPhase(QRandomGenerator &random)
{
    spin(300 + int(random.bounded(1000)));
}

void firstPictureRun(Rig &rig, int runs, const std::vector<ToolKind> &kinds, quint32 seed)
{
    out(QString("== Time to the first picture, %1 runs each, in turns, each after a random wait of 0 to 1 s (the "
                "keyframe interval); load average before: %2")
            .arg(runs)
            .arg(loadAverage()));
    DelayRelay relay;
    if (!relay.start(rig.server.port())) {
        out("  no relay");
        return;
    }
    const QString relayUrl
        = QString("rtmp://127.0.0.1:%1%2").arg(relay.port()).arg(QUrl(rig.url).path(QUrl::FullyEncoded));
    QRandomGenerator random(seed);
    PoolOwner owner;
    std::vector<double> ours;
    std::vector<double> oursConnected;
    std::vector<std::vector<double>> tool(kinds.size());
    std::vector<std::vector<double>> toolWall(kinds.size());
    for (int i = 0; i < runs; ++i) {
        randomPhase(random);
        relay.clearAcceptTimes();
        const QString user = QString("first%1").arg(i);
        const int64_t startMs = ClockStamp::nowMs();
        owner.start(user, relayUrl + " live=1 timeout=7");
        if (spinUntil([&] { return owner.firstFrame.contains(user); }, 20000)) {
            ours.push_back(double(owner.firstFrame.value(user) - startMs));
            const std::vector<int64_t> accepted = relay.acceptTimes();
            if (!accepted.empty())
                oursConnected.push_back(double(owner.firstFrame.value(user) - accepted.back()));
        }
        owner.stop(user);
        spinUntil([&] { return owner.factory->idleEngineCount() == owner.factory->engineCount(); }, 10000);

        for (size_t k = 0; k < kinds.size(); ++k) {
            randomPhase(random);
            relay.clearAcceptTimes();
            ToolPictures pull(rig.publisher->options().width, rig.publisher->options().height, kinds[k].inputArguments,
                kinds[k].outputArguments);
            const int64_t launched = ClockStamp::nowMs();
            if (!pull.start(relayUrl, 1))
                continue;
            pull.waitForFinished(20000);
            pull.stop();
            const std::vector<ToolPictures::Picture> pictures = pull.pictures();
            const std::vector<int64_t> accepted = relay.acceptTimes();
            if (pictures.empty() || accepted.empty())
                continue;
            tool[k].push_back(double(pictures.front().firstByteMs - accepted.front()));
            toolWall[k].push_back(double(pictures.front().firstByteMs - launched));
        }
    }
    out(QString("  ours: %1 ms from the start command (%2 runs, engine re-used after the first); %3 ms from its "
                "connection attempt")
            .arg(stats(ours))
            .arg(ours.size())
            .arg(stats(oursConnected)));
    for (size_t k = 0; k < kinds.size(); ++k) {
        out(QString("  %1 (%2): %3 ms from its connection attempt (%4 runs); %5 ms from its launch")
                .arg(kinds[k].label, (kinds[k].inputArguments + kinds[k].outputArguments).join(' '))
                .arg(stats(tool[k]))
                .arg(tool[k].size())
                .arg(stats(toolWall[k])));
    }
    out(QString("  load average after: %1").arg(loadAverage()));
}

// Ages (ms) of the readable stamps and the gaps (ms) between pictures, from arrival times and stamps.
void summarise(const QString &who, const std::vector<std::pair<int64_t, int>> &pictures, int64_t from, int64_t to)
{
    std::vector<double> ages;
    std::vector<double> gaps;
    int unreadable = 0;
    int64_t previous = -1;
    int count = 0;
    for (const auto &picture : pictures) {
        if (picture.first < from || picture.first >= to)
            continue;
        ++count;
        if (previous >= 0)
            gaps.push_back(double(picture.first - previous));
        previous = picture.first;
        if (picture.second < 0)
            ++unreadable;
        else
            ages.push_back(double(ClockStamp::ageMs(picture.second, picture.first)));
    }
    out(QString("  %1: %2 pictures/s; latency %3 ms; gaps %4 ms; %5 stamps unreadable")
            .arg(who)
            .arg(count * 1000.0 / double(to - from), 0, 'f', 1)
            .arg(stats(ages))
            .arg(stats(gaps))
            .arg(unreadable));
}

void latencyRun(RtmpServer &server, int seconds, const std::vector<ToolKind> &kinds)
{
    out(QString("== Steady latency, %1 s: the publisher stamps each picture with its clock, read back where the "
                "picture arrives; load average before: %2")
            .arg(seconds)
            .arg(loadAverage()));
    ClockPublisher publisher;
    const QString url = server.url("clock");
    if (!publisher.start(url)) {
        out("  the clock publisher did not start");
        return;
    }
    PoolOwner owner(true);
    owner.start("clock", url + " live=1 timeout=7");
    std::vector<std::unique_ptr<ToolPictures>> tools;
    for (const ToolKind &kind : kinds) {
        tools.push_back(std::make_unique<ToolPictures>(
            publisher.options().width, publisher.options().height, kind.inputArguments, kind.outputArguments));
        tools.back()->start(url);
    }
    if (!spinUntil([&] { return owner.frames.value("clock") > 0; }, 20000)) {
        out("  no picture");
        return;
    }
    spin(3000);
    const int64_t from = ClockStamp::nowMs();
    spin(seconds * 1000);
    const int64_t to = ClockStamp::nowMs();
    std::vector<std::pair<int64_t, int>> ours;
    for (const PoolOwner::Picture &picture : owner.pictures.value("clock"))
        ours.push_back({ picture.arrivedMs, picture.stamp });
    summarise("ours (at the owner)", ours, from, to);
    for (size_t k = 0; k < kinds.size(); ++k) {
        std::vector<std::pair<int64_t, int>> pictures;
        for (const ToolPictures::Picture &picture : tools[k]->pictures())
            pictures.push_back({ picture.arrivedMs, picture.stamp });
        summarise(
            QString("%1 (%2)").arg(kinds[k].label, (kinds[k].inputArguments + kinds[k].outputArguments).join(' ')),
            pictures, from, to);
    }
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

    const QHash<QString, double> before = threadCpuSeconds();
    const double cpu0 = ownCpuSeconds();
    // The owner's thread sleeps as an idle client's would, woken only by its own events.
    QThread::sleep(unsigned(seconds));
    QCoreApplication::processEvents();
    const double cpu = ownCpuSeconds() - cpu0;
    const QHash<QString, double> after = threadCpuSeconds();
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

// The owner's engine for a user, for its connection count.
int attemptsOf(const PoolOwner &owner, const QString &user)
{
    PullStreamEngine *engine = owner.factory->pullEngineOf(user);
    return engine ? int(engine->startCount()) : 0;
}

QString relayedUrl(const DelayRelay &relay, const QString &url)
{
    return QString("rtmp://127.0.0.1:%1%2 live=1 timeout=7").arg(relay.port()).arg(QUrl(url).path(QUrl::FullyEncoded));
}

// What a stall of the stream costs in the picture: the longest gap between pictures at the owner around each
// stall, against the stall and against the stall plus a whole keyframe interval (the most a new connection can
// have to wait for its first picture). The stall is the publisher stopped (SIGSTOP) or the link held (the relay
// passes nothing in either direction).
void stallRun(int stalls, int stallMs, const QStringList &keyframes, const QStringList &kinds)
{
    out(QString("== Picture gap after stalls of %1 ms, %2 each; 640x360 25 fps testsrc2 + AAC, read watchdog %3 ms; "
                "load average before: %4")
            .arg(stallMs)
            .arg(stalls)
            .arg(PullStreamContext::readLimitMs)
            .arg(loadAverage()));
    for (const QString &keyframe : keyframes) {
        const int keyframeSeconds = keyframe.toInt();
        for (const QString &kind : kinds) {
            const bool link = kind == "link";
            RtmpServer server;
            if (!server.start()) {
                out("  nginx did not start");
                return;
            }
            FfmpegPublisher::Options options;
            options.width = 640;
            options.height = 360;
            options.pattern = "testsrc2";
            options.keyframeSeconds = keyframeSeconds;
            FfmpegPublisher publisher(options);
            DelayRelay relay;
            if (!publisher.start(server.url("stall")) || !relay.start(server.port(), 0)) {
                out("  the publisher or the relay did not start");
                return;
            }
            PoolOwner owner(true);
            owner.start("u", relayedUrl(relay, server.url("stall")));
            if (!spinUntil([&] { return owner.firstFrame.contains("u"); }, 20000)) {
                out("  no picture");
                continue;
            }
            spin(3000);
            std::vector<double> gaps;
            std::vector<double> beyondStall;
            QRandomGenerator random(43);
            for (int i = 0; i < stalls; ++i) {
                spin(1000 + int(random.bounded(keyframeSeconds * 1000)));
                const int64_t from = ClockStamp::nowMs();
                if (link) {
                    relay.holdFor(stallMs);
                    spin(stallMs);
                } else {
                    publisher.pause();
                    spin(stallMs);
                    publisher.resume();
                }
                spin(keyframeSeconds * 1000 + 4000);
                const std::vector<PoolOwner::Picture> &pictures = owner.pictures["u"];
                int64_t previous = from;
                int64_t longest = 0;
                for (const PoolOwner::Picture &picture : pictures) {
                    if (picture.arrivedMs <= from)
                        continue;
                    longest = std::max(longest, picture.arrivedMs - previous);
                    previous = picture.arrivedMs;
                }
                longest = std::max(longest, ClockStamp::nowMs() - previous);
                gaps.push_back(double(longest));
                beyondStall.push_back(double(longest - stallMs));
            }
            out(QString("  keyframe every %1 s, %2 stalled: gap %3 ms; beyond the stall %4 ms (bound: a keyframe "
                        "interval, %5 ms); connections %6, attempts %7")
                    .arg(keyframeSeconds)
                    .arg(link ? "link" : "publisher")
                    .arg(stats(gaps))
                    .arg(stats(beyondStall))
                    .arg(keyframeSeconds * 1000)
                    .arg(relay.connections())
                    .arg(attemptsOf(owner, "u")));
            owner.stop("u");
            spinUntil([&] { return owner.factory->idleEngineCount() == owner.factory->engineCount(); }, 10000);
        }
    }
    out(QString("  load average after: %1").arg(loadAverage()));
}

// Time to the first picture over a slow link: the relay delays every byte by half the round trip.
void slowFirstRun(Rig &rig, int runs, int roundTripMs)
{
    out(QString("== Time to the first picture through a link of %1 ms round trip, %2 runs; load average before: %3")
            .arg(roundTripMs)
            .arg(runs)
            .arg(loadAverage()));
    DelayRelay relay;
    if (!relay.start(rig.server.port(), roundTripMs / 2)) {
        out("  no relay");
        return;
    }
    QRandomGenerator random(43);
    PoolOwner owner;
    std::vector<double> first;
    std::vector<double> attempts;
    int none = 0;
    for (int i = 0; i < runs; ++i) {
        randomPhase(random);
        const QString user = QString("slow%1").arg(i);
        const int64_t startMs = ClockStamp::nowMs();
        owner.start(user, relayedUrl(relay, rig.url));
        if (spinUntil([&] { return owner.firstFrame.contains(user); }, 20000))
            first.push_back(double(owner.firstFrame.value(user) - startMs));
        else
            ++none;
        attempts.push_back(attemptsOf(owner, user));
        owner.stop(user);
        spinUntil([&] { return owner.factory->idleEngineCount() == owner.factory->engineCount(); }, 10000);
    }
    out(QString("  first picture %1 ms (%2 runs with a picture, %3 without one in 20 s); connection attempts %4")
            .arg(stats(first))
            .arg(first.size())
            .arg(none)
            .arg(stats(attempts)));
    out(QString("  load average after: %1").arg(loadAverage()));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Pulls the rig's stream with the engine pool and with the ffmpeg tool.");
    parser.addHelpOption();
    parser.addPositionalArgument("what", "cpu, first, latency, memory, idle, stall, slowlink or all");
    QCommandLineOption streamsOption("streams", "Concurrent pulls for cpu (comma separated).", "list", "1,8,16");
    QCommandLineOption secondsOption("seconds", "Measuring window for cpu, latency and idle.", "s", "30");
    QCommandLineOption toolsOption("tools",
        "Tool set-ups beside ours: cpu takes single, default, earlier; first takes default, single, best; latency "
        "takes default, single, best; all for every one.",
        "list", "all");
    QCommandLineOption runsOption("runs", "Runs for first.", "n", "20");
    QCommandLineOption seedOption("seed", "Seed of the random start phases of first.", "n", "36");
    QCommandLineOption minutesOption("minutes", "Length of the long memory run (0: none).", "m", "10");
    QCommandLineOption longStreamsOption("long-streams", "Pulls during the long memory run.", "n", "4");
    QCommandLineOption verboseOption("verbose", "Show the engines' log.");
    QCommandLineOption stallsOption("stalls", "Stalls for stall, per keyframe interval and kind.", "n", "5");
    QCommandLineOption stallMsOption("stall-ms", "Length of each stall for stall.", "ms", "1500");
    QCommandLineOption roundTripOption("round-trip", "Round trip of the link for slowlink.", "ms", "400");
    QCommandLineOption keyframesOption("keyframes", "Keyframe intervals (s) for stall.", "list", "1,10");
    QCommandLineOption stallKindsOption(
        "stall-kinds", "What stalls for stall: publisher, link.", "list", "publisher,link");
    parser.addOptions(
        { streamsOption, secondsOption, toolsOption, runsOption, seedOption, minutesOption, longStreamsOption,
            verboseOption, stallsOption, stallMsOption, roundTripOption, keyframesOption, stallKindsOption });
    parser.process(app);
    verbose = parser.isSet(verboseOption);
    defaultHandler = qInstallMessageHandler(countingHandler);
    const QString what = parser.positionalArguments().value(0, "all");
    const QString tools = parser.value(toolsOption);
    const int seconds = parser.value(secondsOption).toInt();

    // Each set-up on a server and publisher of its own.
    if (what == "stall") {
        stallRun(parser.value(stallsOption).toInt(), parser.value(stallMsOption).toInt(),
            parser.value(keyframesOption).split(','), parser.value(stallKindsOption).split(','));
        return 0;
    }

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
            cpuRun(rig, n.toInt(), seconds, chosenTools(cpuTools, tools));
    }
    if (what == "first" || what == "all")
        firstPictureRun(
            rig, parser.value(runsOption).toInt(), chosenTools(firstTools, tools), parser.value(seedOption).toUInt());
    if (what == "latency" || what == "all")
        latencyRun(rig.server, seconds, chosenTools(latencyTools, tools));
    if (what == "idle" || what == "all")
        idleRun(rig, seconds);
    if (what == "slowlink" || what == "all")
        slowFirstRun(rig, parser.value(runsOption).toInt(), parser.value(roundTripOption).toInt());
    if (what == "memory" || what == "all")
        memoryRun(rig, parser.value(minutesOption).toInt(), parser.value(longStreamsOption).toInt());
    return 0;
}
