// Sound and pictures over a run with stalls: the engine pool against the ffmpeg tool. See bench/README.md.

#include "bench/benchsupport.h"
#include "tests/media/avsyncmeter.h"
#include "tests/support/childprocess.h"
#include "tests/support/diskaudiocapture.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/audioplayer.h"
#include "vrek/media/pullenginefactory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace BenchSupport;

namespace {
QtMessageHandler defaultHandler = nullptr;
bool verbose = false;
std::atomic<int> connections { 0 };

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (verbose || type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

// Reads one of the tool's outputs from a named pipe and notes when the flash (pictures) or the beep (sound) begins
// in it: the moment the tool hands it on, which is when a player of it would start to show or play it.
class OnsetReader
{
public:
    OnsetReader(const QString &fifo, bool sound)
        : m_sound(sound)
    {
        m_thread = std::thread([this, fifo] { run(fifo); });
    }
    ~OnsetReader()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    std::vector<int64_t> onsets() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_onsets;
    }

private:
    void run(const QString &fifo)
    {
        const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return;
        // Sound: 32 kHz mono 16-bit, judged 10 ms at a time; pictures: 32x18 grey, one byte a pixel.
        const size_t unit = m_sound ? 640 : 32 * 18;
        std::vector<uint8_t> pending;
        uint8_t chunk[8192];
        bool on = false;
        while (!m_stop.load()) {
            const ssize_t got = ::read(fd, chunk, sizeof(chunk));
            if (got <= 0) {
                QThread::msleep(1);
                continue;
            }
            const int64_t now = AvSyncMeter::nowMs();
            pending.insert(pending.end(), chunk, chunk + got);
            size_t at = 0;
            for (; pending.size() - at >= unit; at += unit) {
                bool loud;
                if (m_sound) {
                    double sum = 0;
                    for (size_t i = 0; i < unit; i += 2) {
                        int16_t sample;
                        std::memcpy(&sample, pending.data() + at + i, 2);
                        sum += double(sample) * sample;
                    }
                    loud = std::sqrt(sum / (unit / 2)) > 1000;
                } else {
                    int sum = 0;
                    for (size_t i = 0; i < unit; ++i)
                        sum += pending[at + i];
                    loud = sum / int(unit) > 128;
                }
                if (loud && !on) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_onsets.push_back(now);
                }
                on = loud;
            }
            pending.erase(pending.begin(), pending.begin() + long(at));
        }
        ::close(fd);
    }

    const bool m_sound;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<int64_t> m_onsets;
};

struct Window
{
    QString name;
    int64_t from;
    int64_t to;
};

// Picture minus sound of each beep in the window, with the flash nearest to it.
std::vector<double> offsets(
    const std::vector<int64_t> &beeps, const std::vector<int64_t> &flashes, const Window &window, int64_t periodMs)
{
    std::vector<double> result;
    for (int64_t beep : beeps) {
        if (beep < window.from || beep >= window.to)
            continue;
        int64_t best = -1;
        for (int64_t flash : flashes) {
            if (std::llabs(flash - beep) < periodMs / 2
                && (best < 0 || std::llabs(flash - beep) < std::llabs(best - beep)))
                best = flash;
        }
        if (best >= 0)
            result.push_back(double(best - beep));
    }
    return result;
}

// Each beep's time less the time the tool met the beeps before the stalls (the median, brought to the beep's own
// period): what a side adds over the tool's steady arrival.
std::vector<double> latencies(const std::vector<int64_t> &beeps, int64_t zero, const Window &window, int64_t periodMs)
{
    std::vector<double> result;
    for (int64_t beep : beeps) {
        if (beep < window.from || beep >= window.to)
            continue;
        const int64_t k = std::llround(double(beep - zero) / periodMs);
        result.push_back(double(beep - zero - k * periodMs));
    }
    return result;
}

// Median and p95; for offsets, which lie on either side of 0, the p95 of how far off they are.
QString figures(const std::vector<double> &values, bool signedValues = false)
{
    if (values.empty())
        return "      -       -   (0)";
    std::vector<double> spread = values;
    if (signedValues) {
        for (double &value : spread)
            value = std::fabs(value);
    }
    return QString("%1 %2 (%3)")
        .arg(percentile(values, 50), 6, 'f', 0)
        .arg(percentile(spread, 95), 6, 'f', 0)
        .arg(values.size());
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A/V offset and sound latency of the engine pool and the ffmpeg tool over stalls.");
    parser.addHelpOption();
    QCommandLineOption roundsOption("rounds", "Rounds of the two stalls (0.8 s and 1.5 s).", "n", "2");
    QCommandLineOption settleOption("seconds", "Seconds measured before the stalls and after each.", "s", "16");
    QCommandLineOption verboseOption("verbose", "Show the engines' log.");
    parser.addOptions({ roundsOption, settleOption, verboseOption });
    parser.process(app);
    verbose = parser.isSet(verboseOption);
    defaultHandler = qInstallMessageHandler(quietHandler);
    const int rounds = parser.value(roundsOption).toInt();
    const int seconds = parser.value(settleOption).toInt();
    constexpr double beepSeconds = 4.0;
    constexpr int64_t periodMs = 4000;

    // The disk driver plays in real time (the dummy one takes its blocks at about 60 a second, not 100), unless
    // SDL_AUDIODRIVER says otherwise.
    std::unique_ptr<DiskAudioCapture> capture;
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        capture = std::make_unique<DiskAudioCapture>(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);

    RtmpServer server;
    if (!server.start()) {
        out("nginx did not start: " + server.errorLog());
        return 1;
    }
    FfmpegPublisher::Options options;
    options.width = 640;
    options.height = 360;
    options.beepSeconds = beepSeconds;
    options.sampleRate = 44100;
    options.channels = 2;
    FfmpegPublisher publisher(options);
    const QString url = server.url("class");
    if (!publisher.start(url)) {
        out("the publisher did not start: " + publisher.errorOutput());
        return 1;
    }
    out(QString("publisher: 640x360 25 fps H.264 (keyframe each second) + AAC 44.1 kHz stereo, a flash and a beep "
                "every 4 s; %1 rounds of a 0.8 s and a 1.5 s stall (SIGSTOP, SIGCONT); load average: %2")
            .arg(rounds)
            .arg(loadAverage()));

    // Ours: the pool, as the stream managers use it; the beep at the output's mixer, the flash at the owner.
    AvSyncMeter meter(beepSeconds);
    PullEngineFactory *factory = new PullEngineFactory();
    QObject owner;
    QObject::connect(factory, &PullEngineFactory::pullStreamResultOut, &owner,
        [](bool ok, const QString &, const QString &) { connections += ok ? 1 : 0; });
    QObject::connect(factory, &PullEngineFactory::showVideoImageOut, &owner,
        [&meter](const QString &, const QImage &image) { meter.pictureShown(image); });
    QMetaObject::invokeMethod(factory, "startPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, "class"),
        Q_ARG(PullStreamEngine::PullStreamType, PullStreamEngine::PullAudioRequired),
        Q_ARG(QString, url + " live=1 timeout=7"), Q_ARG(bool, true));

    // The peer: the ffmpeg tool set up for low latency; its sound and its pictures each into a pipe of their own.
    QTemporaryDir dir;
    const QString soundFifo = dir.filePath("sound");
    const QString pictureFifo = dir.filePath("pictures");
    makeFifo(soundFifo);
    makeFifo(pictureFifo);
    OnsetReader toolSound(soundFifo, true);
    OnsetReader toolPictures(pictureFifo, false);
    ChildProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    const QStringList toolArguments { "-hide_banner", "-loglevel", "error", "-nostdin", "-threads", "1", "-fflags",
        "nobuffer", "-flags", "low_delay", "-tcp_nodelay", "1", "-i", url, "-map", "0:a", "-ar", "32000", "-ac", "1",
        "-f", "s16le", "-flush_packets", "1", "-y", soundFifo, "-map", "0:v", "-vf", "scale=32:18", "-pix_fmt", "gray",
        "-vsync", "passthrough", "-f", "rawvideo", "-flush_packets", "1", "-y", pictureFifo };
    tool.startProgram("ffmpeg", toolArguments);
    out("peer: ffmpeg " + toolArguments.mid(4, 9).join(' ')
        + " ... -vsync passthrough, sound and pictures handed on as they decode");

    spin(6000);
    std::vector<Window> windows;
    int64_t at = AvSyncMeter::nowMs();
    spin(seconds * 1000);
    windows.push_back({ "before the stalls", at, AvSyncMeter::nowMs() });
    for (int round = 0; round < rounds; ++round) {
        for (int stallMs : { 800, 1500 }) {
            publisher.pause();
            spin(stallMs);
            publisher.resume();
            const int64_t resumed = AvSyncMeter::nowMs();
            spin(2000);
            const int64_t settled = AvSyncMeter::nowMs();
            spin(seconds * 1000 - 2000);
            windows.push_back({ QString("first 2 s after a %1 s stall").arg(stallMs / 1000.0), resumed, settled });
            windows.push_back(
                { QString("from 2 s after a %1 s stall").arg(stallMs / 1000.0), settled, AvSyncMeter::nowMs() });
        }
    }
    tool.stop();
    QMetaObject::invokeMethod(factory, "stopPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, "class"));
    spin(1000);

    const std::vector<int64_t> ourBeeps = meter.beeps();
    const std::vector<int64_t> ourFlashes = meter.flashes();
    const std::vector<int64_t> toolBeeps = toolSound.onsets();
    const std::vector<int64_t> toolFlashes = toolPictures.onsets();
    // The tool's steady beeps, each brought back to the first one's period.
    int64_t zero = 0;
    {
        std::vector<double> steady;
        int64_t first = -1;
        for (int64_t beep : toolBeeps) {
            if (beep < windows.front().from || beep >= windows.front().to)
                continue;
            if (first < 0)
                first = beep;
            steady.push_back(double(beep - std::llround(double(beep - first) / periodMs) * periodMs));
        }
        zero = int64_t(percentile(steady, 50));
    }
    out(QString(
        "ms, median p95 (beeps; for the offset the p95 of its size); offset = picture minus sound (below 0: "
        "sound heard after the picture); latency = beep over the tool's steady arrival; connections of ours: %1")
            .arg(connections.load()));
    out(QString("%1 | %2 | %3 | %4 | %5")
            .arg("window", -28)
            .arg("ours offset", 22)
            .arg("ours latency", 22)
            .arg("tool offset", 22)
            .arg("tool latency", 22));
    // The windows of a kind pooled over the rounds.
    QStringList names;
    for (const Window &window : windows) {
        if (!names.contains(window.name))
            names << window.name;
    }
    for (const QString &name : names) {
        std::vector<double> ourOffsets, ourLatencies, toolOffsets, toolLatencies;
        for (const Window &window : windows) {
            if (window.name != name)
                continue;
            auto append = [](std::vector<double> &to, const std::vector<double> &from) {
                to.insert(to.end(), from.begin(), from.end());
            };
            append(ourOffsets, offsets(ourBeeps, ourFlashes, window, periodMs));
            append(ourLatencies, latencies(ourBeeps, zero, window, periodMs));
            append(toolOffsets, offsets(toolBeeps, toolFlashes, window, periodMs));
            append(toolLatencies, latencies(toolBeeps, zero, window, periodMs));
        }
        out(QString("%1 | %2 | %3 | %4 | %5")
                .arg(name, -28)
                .arg(figures(ourOffsets, true), 22)
                .arg(figures(ourLatencies), 22)
                .arg(figures(toolOffsets, true), 22)
                .arg(figures(toolLatencies), 22));
    }
    out(QString("load average after: %1").arg(loadAverage()));
    delete factory;
    return 0;
}
