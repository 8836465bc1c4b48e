// Media panel benchmark: what a lesson's media panel adds to the pull of the stream it shows. See bench/README.md.

#include "bench/benchsupport.h"
#include "bench/clockpublisher.h"
#include "bench/clockstamp.h"
#include "platform/soundcontrol/soundcontrol.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/streamcontrol.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/media/panels/videoshowwebrtc.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/utils/globalvalue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using namespace BenchSupport;

namespace {
QtMessageHandler defaultHandler = nullptr;
bool verbose = false;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (verbose || type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

// A picture seen somewhere on its way, with its clock stamp (ClockStamp; -1 unreadable or not read).
struct Seen
{
    int64_t atMs;
    int stamp;
};

// Counts the pictures a label paints and, when asked, reads the stamp of each painted picture from the label's
// pixmap as the paint begins.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QObject *parent = nullptr)
        : QObject(parent)
    { }
    qint64 paints = 0;
    bool readStamps = false;
    std::vector<Seen> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            auto *label = qobject_cast<QLabel *>(watched);
            if (readStamps && label)
                painted.push_back(
                    { ClockStamp::nowMs(), ClockStamp::read(label->pixmap(Qt::ReturnByValue).toImage()) });
        }
        return QObject::eventFilter(watched, event);
    }
};

struct Figures
{
    double cpuPercent = 0; // of one core, the whole process
    double received = 0; // pictures per second reaching the owner
    double painted = 0; // pictures per second painted; none for the engine alone
};

// One kind of run: what pulls the stream and how to count what it received and painted.
class Subject
{
public:
    virtual ~Subject() = default;
    virtual void start(const QString &url) = 0;
    void receive(const QImage &image)
    {
        ++received;
        if (counter.readStamps)
            arrived.push_back({ ClockStamp::nowMs(), ClockStamp::read(image) });
    }
    qint64 received = 0;
    std::vector<Seen> arrived; // at the owner: the panel's manager, or the pool's owner
    PaintCounter counter;
};

// The engine pool alone, as the stream managers drive it.
class EngineSubject : public Subject
{
public:
    EngineSubject()
        : m_factory(new PullEngineFactory())
    {
        QObject::connect(m_factory, &PullEngineFactory::showVideoImageOut, &counter,
            [this](const QString &, const QImage &image) { receive(image); });
    }
    ~EngineSubject() override { StreamControl::releasePullEngineFactory(&counter, m_factory); }
    void start(const QString &url) override
    {
        QMetaObject::invokeMethod(m_factory, "startPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, "L1"),
            Q_ARG(PullStreamEngine::PullStreamType, PullStreamEngine::PullAudioRequired), Q_ARG(QString, url),
            Q_ARG(bool, true));
    }

private:
    PullEngineFactory *m_factory;
};

// The RTMP panel of class types 6 and 7, told by the classroom that the lecturer's stream runs.
class RtmpPanelSubject : public Subject
{
public:
    explicit RtmpPanelSubject(const QSize &size)
    {
        g_classType = 7;
        m_panel = std::make_unique<MediaView>(300);
        QObject::connect(m_panel->manager(), &StreamMediaManager::showMainVideoImageOut, &counter,
            [this](const QImage &image) { receive(image); });
        m_panel->videoView()->bigLabel()->installEventFilter(&counter);
        m_panel->resize(size);
        m_panel->show();
    }
    void start(const QString &) override
    {
        m_panel->manager()->readSocketMessageIn(StreamControl::message(0, "L1", QString(), "class"));
    }

private:
    std::unique_ptr<MediaView> m_panel;
};

// The WebRTC panel of class types 0-4 and 8, in the student's seat.
class WebrtcPanelSubject : public Subject
{
public:
    explicit WebrtcPanelSubject(const QSize &size)
    {
        g_classType = 4;
        m_panel = std::make_unique<MediaViewWebrtc>(300);
        QObject::connect(m_panel->manager(), &LStreamMediaManager::sendRemoteStream, &counter,
            [this](const QImage &image) { receive(image); });
        m_panel->smallVideo()->label()->installEventFilter(&counter);
        m_panel->resize(size);
        m_panel->show();
    }
    void start(const QString &) override
    {
        m_panel->manager()->readSocketMessageIn(StreamControl::message(0, "L1", QString(), "class"));
    }

private:
    std::unique_ptr<MediaViewWebrtc> m_panel;
};

std::unique_ptr<Subject> makeSubject(const QString &kind, const QSize &size)
{
    if (kind == "rtmp")
        return std::make_unique<RtmpPanelSubject>(size);
    if (kind == "webrtc")
        return std::make_unique<WebrtcPanelSubject>(size);
    return std::make_unique<EngineSubject>();
}

QString stats(const std::vector<double> &values)
{
    return QString("median %1, p95 %2, max %3")
        .arg(percentile(values, 50), 0, 'f', 0)
        .arg(percentile(values, 95), 0, 'f', 0)
        .arg(values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()), 0, 'f', 0);
}

// Delay from the stamp to where the picture was seen, and the gaps between new pictures, over [from, to).
QString latency(const std::vector<Seen> &seen, int64_t from, int64_t to)
{
    std::vector<double> delays;
    std::vector<double> gaps;
    int previousStamp = -2;
    int64_t previousAt = -1;
    int fresh = 0;
    int unreadable = 0;
    for (const Seen &one : seen) {
        if (one.atMs < from || one.atMs >= to)
            continue;
        if (one.stamp < 0) {
            ++unreadable;
            continue;
        }
        if (one.stamp == previousStamp)
            continue; // the same picture painted again
        ++fresh;
        previousStamp = one.stamp;
        delays.push_back(double(ClockStamp::ageMs(one.stamp, one.atMs)));
        if (previousAt >= 0)
            gaps.push_back(double(one.atMs - previousAt));
        previousAt = one.atMs;
    }
    return QString("%1 new pictures/s, delay %2 ms, gaps %3 ms, %4 unreadable")
        .arg(fresh * 1000.0 / double(to - from), 0, 'f', 1)
        .arg(stats(delays))
        .arg(stats(gaps))
        .arg(unreadable);
}

// The latency mode: the delay from the publisher's stamp to the owner and to the paint of each new picture.
bool runLatency(const QString &kind, const QString &url, const QSize &size, int seconds)
{
    std::unique_ptr<Subject> subject = makeSubject(kind, size);
    subject->counter.readStamps = true;
    subject->start(url + " live=1 timeout=7");
    const bool panel = kind != "engine";
    if (!spinUntil([&] { return subject->received > 0 && (!panel || subject->counter.paints > 0); }, 60000))
        return false;
    spin(2000);
    const int64_t from = ClockStamp::nowMs();
    spin(seconds * 1000);
    const int64_t to = ClockStamp::nowMs();
    out(QString("  %1: at the owner %2").arg(kind, -6).arg(latency(subject->arrived, from, to)));
    if (panel)
        out(QString("  %1: painted      %2").arg(kind, -6).arg(latency(subject->counter.painted, from, to)));
    return true;
}

bool run(const QString &kind, const QString &url, const QSize &size, int seconds, Figures &figures)
{
    std::unique_ptr<Subject> subject = makeSubject(kind, size);
    subject->start(url + " live=1 timeout=7");
    const bool panel = kind != "engine";
    if (!spinUntil([&] { return subject->received > 0 && (!panel || subject->counter.paints > 0); }, 60000))
        return false;
    spin(2000);
    const qint64 received0 = subject->received;
    const qint64 paints0 = subject->counter.paints;
    const double cpu0 = ownCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e9;
    figures.cpuPercent = 100.0 * (ownCpuSeconds() - cpu0) / elapsed;
    figures.received = (subject->received - received0) / elapsed;
    figures.painted = panel ? (subject->counter.paints - paints0) / elapsed : 0;
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    // Offscreen and without a sound card unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption("seconds", "measured seconds of each run", "s", "20");
    const QCommandLineOption roundsOption("rounds", "rounds of runs", "n", "3");
    const QCommandLineOption sizeOption("size", "the panel's size", "WxH", "349x289");
    const QCommandLineOption panelsOption("panels", "the panels to run: rtmp, webrtc", "list", "rtmp,webrtc");
    const QCommandLineOption verboseOption("verbose", "show the program's log");
    const QCommandLineOption latencyOption(
        "latency", "measure the delay from the publisher's clock to the owner and to the paint instead of the CPU");
    parser.addOptions({ secondsOption, roundsOption, sizeOption, panelsOption, verboseOption, latencyOption });
    parser.process(application);
    verbose = parser.isSet(verboseOption);
    defaultHandler = qInstallMessageHandler(quietHandler);
    const int seconds = parser.value(secondsOption).toInt();
    const int rounds = parser.value(roundsOption).toInt();
    const QStringList sizeText = parser.value(sizeOption).split('x');
    const QSize size(sizeText.value(0).toInt(), sizeText.value(1).toInt());
    QStringList kinds { "engine" };
    kinds += parser.value(panelsOption).split(',', Qt::SkipEmptyParts);

    // The CPU runs pull the rig's moving test picture; the latency runs pictures that carry their clock.
    const bool latencyMode = parser.isSet(latencyOption);
    Rig rig;
    ClockPublisher clockPublisher;
    const bool started
        = latencyMode ? rig.server.start() && clockPublisher.start(rig.server.url("class")) : rig.start();
    if (!started) {
        out("the RTMP server or the publisher did not start");
        return 1;
    }
    // The panels pull the stream the classroom names, "class".
    const QString url = latencyMode ? rig.server.url("class") : rig.url;
    // A student's session against the rig; the panels' sound controls touch nothing.
    g_userType = GlobalEnum::User1;
    g_userId = "S1";
    g_userName = "S1";
    g_rtmpHost = "127.0.0.1";
    g_rtmpPort = rig.server.port();
    g_mediaHost = g_rtmpHost;
    g_mediaPort = g_rtmpPort;
    SoundControl::setFactory([] { return std::make_unique<NullSoundControl>(); });

    if (latencyMode) {
        out(QString("== latency, %1 x %2 s, panel %3x%4, stream 1280x720 25 fps stamped with its clock; load average "
                    "before: %5")
                .arg(rounds)
                .arg(seconds)
                .arg(size.width())
                .arg(size.height())
                .arg(loadAverage()));
        for (int round = 1; round <= rounds; ++round) {
            for (const QString &kind : kinds) {
                if (!runLatency(kind, url, size, seconds))
                    out(QString("  round %1 %2: no picture").arg(round).arg(kind));
            }
        }
        out(QString("  load average after: %1").arg(loadAverage()));
        return 0;
    }
    out(QString("== %1 x %2 s, panel %3x%4, stream 1280x720 25 fps; load average before: %5")
            .arg(rounds)
            .arg(seconds)
            .arg(size.width())
            .arg(size.height())
            .arg(loadAverage()));
    std::map<QString, std::vector<Figures>> results;
    for (int round = 1; round <= rounds; ++round) {
        for (const QString &kind : kinds) {
            Figures figures;
            if (!run(kind, url, size, seconds, figures)) {
                out(QString("  round %1 %2: no picture").arg(round).arg(kind));
                continue;
            }
            results[kind].push_back(figures);
            out(QString("  round %1 %2: CPU %3 % of a core, %4 pictures/s received, %5 painted/s")
                    .arg(round)
                    .arg(kind, -6)
                    .arg(figures.cpuPercent, 0, 'f', 1)
                    .arg(figures.received, 0, 'f', 1)
                    .arg(figures.painted, 0, 'f', 1));
        }
    }
    const auto mean = [&](const QString &kind, double Figures::*field) {
        const std::vector<Figures> &list = results[kind];
        double sum = 0;
        for (const Figures &figures : list)
            sum += figures.*field;
        return list.empty() ? 0.0 : sum / list.size();
    };
    const double engineCpu = mean("engine", &Figures::cpuPercent);
    out(QString("  mean engine alone: CPU %1 %, %2 pictures/s")
            .arg(engineCpu, 0, 'f', 1)
            .arg(mean("engine", &Figures::received), 0, 'f', 1));
    for (const QString &kind : kinds.mid(1)) {
        const double cpu = mean(kind, &Figures::cpuPercent);
        out(QString("  mean %1 panel: CPU %2 % (adds %3 % of a core), %4 pictures/s received, %5 painted/s")
                .arg(kind)
                .arg(cpu, 0, 'f', 1)
                .arg(cpu - engineCpu, 0, 'f', 1)
                .arg(mean(kind, &Figures::received), 0, 'f', 1)
                .arg(mean(kind, &Figures::painted), 0, 'f', 1));
    }
    out(QString("  load average after: %1").arg(loadAverage()));
    return 0;
}
