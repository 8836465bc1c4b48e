// libVLC player benchmark: a 1280x720 25 fps clip played through the player wrapper and painted by its widget,
// beside the ffmpeg tool decoding the same clip. See bench/README.md.

#include "platform/vlcplayer/vlcplayer.h"
#include "platform/vlcplayer/vlcvideowidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>

extern char **environ;

namespace {
constexpr int frameRate = 25;

void out(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

double seconds(const timeval &time)
{
    return time.tv_sec + time.tv_usec / 1e6;
}

double ownCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2) : QString("?");
}

bool makeClip(const QString &path, int clipSeconds)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
        { "-v", "error", "-y", "-f", "lavfi", "-i", QString("testsrc2=size=1280x720:rate=%1").arg(frameRate), "-f",
            "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", QString::number(clipSeconds), "-c:v",
            "libx264", "-preset", "veryfast", "-g", QString::number(2 * frameRate), "-pix_fmt", "yuv420p", "-c:a",
            "aac", "-shortest", path });
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

struct Figures
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    quint64 pictures = 0;
    quint64 painted = 0;
};

// The clip through the wrapper, in real time, painted by its widget.
bool playThroughWrapper(const QString &clip, Figures *figures)
{
    VlcPlayer player;
    VlcVideoWidget view(&player);
    view.resize(640, 360);
    view.show();
    if (!player.isValid())
        return false;
    QEventLoop loop;
    QElapsedTimer wall;
    double cpuAtStart = 0;
    quint64 picturesAtStart = 0;
    quint64 paintedAtStart = 0;
    bool failed = false;
    QObject::connect(&player, &VlcPlayer::stateChanged, &loop, [&](VlcPlayer::State state) {
        if (state == VlcPlayer::Playing && !wall.isValid()) {
            wall.start();
            cpuAtStart = ownCpuSeconds();
            picturesAtStart = player.imageCount();
            paintedAtStart = view.paintedCount();
        } else if (state == VlcPlayer::Ended || state == VlcPlayer::Error) {
            failed = state == VlcPlayer::Error;
            loop.quit();
        }
    });
    if (!player.play(clip))
        return false;
    loop.exec();
    if (failed || !wall.isValid())
        return false;
    figures->wallSeconds = wall.elapsed() / 1000.0;
    figures->cpuSeconds = ownCpuSeconds() - cpuAtStart;
    figures->pictures = player.imageCount() - picturesAtStart;
    figures->painted = view.paintedCount() - paintedAtStart;
    return true;
}

// `ffmpeg -i clip -f null -`, as fast as it goes; its CPU time comes from wait4.
bool decodeWithTool(const QString &clip, Figures *figures)
{
    const QByteArray path = QFile::encodeName(clip);
    const char *const arguments[]
        = { "ffmpeg", "-v", "error", "-nostdin", "-i", path.constData(), "-f", "null", "-", nullptr };
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, const_cast<char *const *>(arguments), environ) != 0)
        return false;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    figures->wallSeconds = wall.elapsed() / 1000.0;
    figures->cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("The libVLC player wrapper against the ffmpeg tool on a 1280x720 25 fps clip.");
    parser.addHelpOption();
    QCommandLineOption secondsOption("seconds", "Length of the clip.", "s", "20");
    QCommandLineOption roundsOption("rounds", "Turns of both.", "n", "3");
    parser.addOptions({ secondsOption, roundsOption });
    parser.process(app);
    const int clipSeconds = qMax(2, parser.value(secondsOption).toInt());
    const int rounds = qMax(1, parser.value(roundsOption).toInt());

    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.mp4");
    out(QString("making a %1 s 1280x720 %2 fps H.264/AAC clip...").arg(clipSeconds).arg(frameRate));
    if (!dir.isValid() || !makeClip(clip, clipSeconds)) {
        out("the ffmpeg tool could not make the clip");
        return 1;
    }
    out(QString("load average before: %1").arg(loadAverage()));
    double ourCpuPerMediaSecond = 0;
    double toolCpuPerMediaSecond = 0;
    for (int round = 1; round <= rounds; ++round) {
        Figures ours;
        Figures tool;
        if (!playThroughWrapper(clip, &ours)) {
            out("the player did not play the clip");
            return 1;
        }
        if (!decodeWithTool(clip, &tool)) {
            out("the ffmpeg tool did not decode the clip");
            return 1;
        }
        out(QString("round %1: wrapper %2 s, CPU %3% of a core (%4 s per media second), %5 pictures/s received, "
                    "%6 painted/s | ffmpeg -f null: %7 s, CPU %8 s per media second, %9 pictures/s decoded")
                .arg(round)
                .arg(ours.wallSeconds, 0, 'f', 2)
                .arg(100 * ours.cpuSeconds / ours.wallSeconds, 0, 'f', 1)
                .arg(ours.cpuSeconds / clipSeconds, 0, 'f', 3)
                .arg(ours.pictures / ours.wallSeconds, 0, 'f', 1)
                .arg(ours.painted / ours.wallSeconds, 0, 'f', 1)
                .arg(tool.wallSeconds, 0, 'f', 2)
                .arg(tool.cpuSeconds / clipSeconds, 0, 'f', 3)
                .arg(clipSeconds * frameRate / tool.wallSeconds, 0, 'f', 1));
        ourCpuPerMediaSecond += ours.cpuSeconds / clipSeconds / rounds;
        toolCpuPerMediaSecond += tool.cpuSeconds / clipSeconds / rounds;
    }
    out(QString("mean CPU per media second: wrapper %1 s, ffmpeg tool %2 s, ratio %3")
            .arg(ourCpuPerMediaSecond, 0, 'f', 3)
            .arg(toolCpuPerMediaSecond, 0, 'f', 3)
            .arg(ourCpuPerMediaSecond / toolCpuPerMediaSecond, 0, 'f', 2));
    out(QString("load average after: %1").arg(loadAverage()));
    return 0;
}
