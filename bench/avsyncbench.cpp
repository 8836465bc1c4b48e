// Sound and pictures over a run with stalls, and on steady streams over slow, lossy links and from awkward
// publishers: ours against the ffmpeg tool. See bench/README.md.

#include "bench/benchsupport.h"
#include "tests/media/avsyncmeter.h"
#include "tests/media/pullstages.h"
#include "tests/support/childprocess.h"
#include "tests/support/delayrelay.h"
#include "tests/support/diskaudiocapture.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/flvrelaypublisher.h"
#include "tests/support/lossylink.h"
#include "tests/support/pulseaudioserver.h"
#include "tests/support/pulsemonitorcapture.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/pull/pullenginefactory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

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
// The ffmpeg tool reading url as a low-latency player would, its sound and pictures each into a pipe of its own.
QStringList toolArguments(const QString &url, const QString &soundFifo, const QString &pictureFifo)
{
    return { "-hide_banner", "-loglevel", "error", "-nostdin", "-threads", "1", "-fflags", "nobuffer", "-flags",
        "low_delay", "-tcp_nodelay", "1", "-i", url, "-map", "0:a", "-ar", "32000", "-ac", "1", "-f", "s16le",
        "-flush_packets", "1", "-y", soundFifo, "-map", "0:v", "-vf", "scale=32:18", "-pix_fmt", "gray", "-vsync",
        "passthrough", "-f", "rawvideo", "-flush_packets", "1", "-y", pictureFifo };
}

struct Row
{
    QString key;
    QString name;
    int oneWayDelayMs = 0;
    double lossesPerSecond = 0;
    int soundBunchMs = 0;
    QString soundCodec;
    int width = 640;
    int height = 360;
    int frameRate = 25;
};

std::vector<Row> allRows()
{
    std::vector<Row> rows(7);
    rows[0].key = "clean";
    rows[0].name = "clean";
    rows[1].key = "rtt200";
    rows[1].name = "200 ms round trip";
    rows[1].oneWayDelayMs = 100;
    rows[2].key = "rtt400";
    rows[2].name = "400 ms round trip";
    rows[2].oneWayDelayMs = 200;
    rows[3].key = "loss2";
    rows[3].name = "2 % loss";
    rows[3].lossesPerSecond = 1;
    rows[4].key = "bunched";
    rows[4].name = "sound in bunches <= 250 ms";
    rows[4].soundBunchMs = 250;
    rows[5].key = "adpcm";
    rows[5].name = "ADPCM sound";
    rows[5].soundCodec = "adpcm_swf";
    rows[6].key = "1080p60";
    rows[6].name = "1920x1080 at 60 fps";
    rows[6].width = 1920;
    rows[6].height = 1080;
    rows[6].frameRate = 60;
    return rows;
}

// Each beep with the flash nearest to it, picture minus sound.
std::vector<double> pairOffsets(const std::vector<int64_t> &beeps, const std::vector<int64_t> &flashes, int64_t from,
    int64_t to, int64_t periodMs)
{
    return offsets(beeps, flashes, Window { QString(), from, to }, periodMs);
}

// One steady stream per row, measured after it settled: ours (the pull's stages as the engine drives them) and
// the tool on the same stream, through the same link.
int runRows(const QStringList &keys, int seconds, bool pulse)
{
    constexpr double beepSeconds = 2.0;
    constexpr int64_t periodMs = 2000;
    constexpr int settleMs = 8000;
    std::unique_ptr<PulseAudioServer> sound;
    std::unique_ptr<DiskAudioCapture> capture;
    std::unique_ptr<PulseMonitorCapture> monitor;
    if (pulse) {
        sound = std::make_unique<PulseAudioServer>();
        if (!sound->start()) {
            out("the sound server did not start: " + sound->log());
            return 1;
        }
        sound->useEnvironment();
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        monitor = std::make_unique<PulseMonitorCapture>(sound->options().sinkName, int(periodMs / 2));
        if (!monitor->start()) {
            out("the sink's monitor did not open");
            return 1;
        }
    } else if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
        capture = std::make_unique<DiskAudioCapture>(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);
    }
    RtmpServer server;
    if (!server.start()) {
        out("nginx did not start: " + server.errorLog());
        return 1;
    }
    out(QString("steady streams, a flash and a beep every 2 s, measured %1 s after %2 s to settle; sound output: %3; "
                "load average: %4")
            .arg(seconds)
            .arg(settleMs / 1000)
            .arg(pulse ? "PulseAudio null sink (heard = played by the sink, from its monitor)"
                       : "SDL disk driver (heard = mixed)")
            .arg(loadAverage()));
    out("ms; offset = picture minus sound, median and p95 of its size (beeps); short = 10 ms blocks the sound ran "
        "short once steady; held = sound buffered, median; gap = longest wait between two pictures");
    QString header = QString("%1 | %2 | %3 | %4 | %5 | %6")
                         .arg("row", -27)
                         .arg("ours offset", 18)
                         .arg("short", 5)
                         .arg("held", 5)
                         .arg("gap", 5)
                         .arg("tool offset", 18);
    if (pulse)
        header += QString(" | %1").arg("ours at the mixer", 18);
    out(header);

    int index = 0;
    for (const Row &row : allRows()) {
        if (!keys.isEmpty() && !keys.contains(row.key))
            continue;
        const QString name = QString("row%1").arg(index++);
        FlvRelayPublisher::Options options;
        options.stream.width = row.width;
        options.stream.height = row.height;
        options.stream.frameRate = row.frameRate;
        options.stream.beepSeconds = beepSeconds;
        options.stream.sampleRate = 44100;
        options.stream.channels = 1;
        options.soundBunchMs = row.soundBunchMs;
        options.soundCodec = row.soundCodec;
        FlvRelayPublisher publisher(options);
        if (!publisher.start(server.url(name))) {
            out(row.name + ": the publisher did not start: " + publisher.errorOutput());
            continue;
        }
        QString url = server.url(name);
        DelayRelay relay;
        LossyLink loss;
        if (row.oneWayDelayMs > 0 || row.lossesPerSecond > 0) {
            relay.start(server.port(), row.oneWayDelayMs);
            url = QString("rtmp://127.0.0.1:%1%2").arg(relay.port()).arg(QUrl(url).path(QUrl::FullyEncoded));
            if (row.lossesPerSecond > 0)
                loss.start(&relay, row.lossesPerSecond);
        }

        QTemporaryDir dir;
        const QString soundFifo = dir.filePath("sound");
        const QString pictureFifo = dir.filePath("pictures");
        makeFifo(soundFifo);
        makeFifo(pictureFifo);
        auto toolSound = std::make_unique<OnsetReader>(soundFifo, true);
        auto toolPictures = std::make_unique<OnsetReader>(pictureFifo, false);
        ChildProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.startProgram("ffmpeg", toolArguments(url, soundFifo, pictureFifo));

        auto stages = std::make_unique<PullStages>();
        AvSyncMeter meter(beepSeconds);
        int64_t lastPictureMs = -1;
        int64_t longestGapMs = 0;
        QObject owner;
        QObject::connect(stages->video, &PullVideoStream::showVideoImageOut, &owner, [&](const QImage &image) {
            meter.pictureShown(image);
            const int64_t now = AvSyncMeter::nowMs();
            if (lastPictureMs >= 0)
                longestGapMs = std::max(longestGapMs, now - lastPictureMs);
            lastPictureMs = now;
        });
        QTimer levels;
        PullStages *pull = stages.get();
        QObject::connect(&levels, &QTimer::timeout, &owner, [&meter, pull] {
            meter.sampleBuffered(pull->audio);
            pull->clearPictures();
        });
        levels.start(20);
        if (!stages->open(url) || !stages->startPull(true, true)) {
            out(row.name + ": our pull did not start");
            continue;
        }
        spin(settleMs);
        const int64_t from = AvSyncMeter::nowMs();
        const int starvedBefore = AudioPlayer::instance()->starvedBlocks(stages->audio);
        spin(seconds * 1000);
        const int64_t to = AvSyncMeter::nowMs();
        const int starved = AudioPlayer::instance()->starvedBlocks(stages->audio) - starvedBefore;
        const std::vector<double> held = meter.bufferedMs(from, to);
        levels.stop();
        stages->stop();
        tool.stop();
        meetFifo(soundFifo, false);
        meetFifo(pictureFifo, false);

        const std::vector<int64_t> heard = pulse ? monitor->beeps() : meter.beeps();
        const std::vector<double> ours = pairOffsets(heard, meter.flashes(), from, to, periodMs);
        const std::vector<double> toolOffsets
            = pairOffsets(toolSound->onsets(), toolPictures->onsets(), from, to, periodMs);
        QString line = QString("%1 | %2 | %3 | %4 | %5 | %6")
                           .arg(row.name, -27)
                           .arg(figures(ours, true), 18)
                           .arg(starved, 5)
                           .arg(percentile(held, 50), 5, 'f', 0)
                           .arg(longestGapMs, 5)
                           .arg(figures(toolOffsets, true), 18);
        if (pulse)
            line += QString(" | %1").arg(figures(pairOffsets(meter.beeps(), meter.flashes(), from, to, periodMs), true),
                18);
        out(line);
        stages.reset();
    }
    out(QString("load average after: %1").arg(loadAverage()));
    return 0;
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
    QCommandLineOption rowsOption("rows",
        "Steady streams in place of the stalls: all, or some of clean,rtt200,rtt400,loss2,bunched,adpcm,1080p60.",
        "list");
    QCommandLineOption pulseOption("pulse", "With --rows: play through a PulseAudio server of its own (null sink).");
    parser.addOptions({ roundsOption, settleOption, verboseOption, rowsOption, pulseOption });
    parser.process(app);
    verbose = parser.isSet(verboseOption);
    defaultHandler = qInstallMessageHandler(quietHandler);
    if (parser.isSet(rowsOption) || parser.isSet(pulseOption)) {
        const QString rows = parser.value(rowsOption);
        return runRows(rows.isEmpty() || rows == "all" ? QStringList() : rows.split(','),
            parser.isSet(settleOption) ? parser.value(settleOption).toInt() : 16, parser.isSet(pulseOption));
    }
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
