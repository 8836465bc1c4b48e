#include "bench/benchsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace BenchSupport {
void out(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool spinUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        spin(20);
    }
    return true;
}

double ownCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

namespace {
// utime + stime from a stat file of /proc; the name (in parentheses, blanks allowed) into name.
double statCpuSeconds(const QString &path, QString *name = nullptr)
{
    QFile file(path);
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
} // namespace

double processCpuSeconds(qint64 pid)
{
    return pid > 0 ? statCpuSeconds(QString("/proc/%1/stat").arg(pid)) : 0;
}

QHash<QString, double> threadCpuSeconds()
{
    QHash<QString, double> times;
    for (const QString &tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QString name;
        const double cpu = statCpuSeconds(QString("/proc/self/task/%1/stat").arg(tid), &name);
        times[tid + " " + name] = cpu;
    }
    return times;
}

QHash<QString, double> cpuByThreadKind(const QHash<QString, double> &before, const QHash<QString, double> &after)
{
    QHash<QString, double> kinds;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const QString name = it.key().section(' ', 1);
        QString kind = "other";
        if (name.startsWith("Pull ") || name.startsWith("Push "))
            kind = name.section(' ', 0, 1);
        else if (name.startsWith("SDLAudio"))
            kind = "SDL audio (mixer)";
        kinds[kind] += it.value() - before.value(it.key());
    }
    return kinds;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p / 100.0 * double(values.size() - 1);
    const size_t low = size_t(std::floor(rank));
    const size_t high = std::min(values.size() - 1, low + 1);
    return values[low] + (values[high] - values[low]) * (rank - double(low));
}

bool makeFifo(const QString &path)
{
    const QByteArray name = path.toLocal8Bit();
    ::unlink(name.constData());
    return ::mkfifo(name.constData(), 0600) == 0;
}

void meetFifo(const QString &path, bool readEnd)
{
    const int fd = ::open(path.toLocal8Bit().constData(), (readEnd ? O_RDONLY : O_WRONLY) | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

QString loadAverage()
{
    QFile file("/proc/loadavg");
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).section(' ', 0, 2);
}

bool Rig::start()
{
    if (!server.start())
        return false;
    FfmpegPublisher::Options options;
    options.width = 1280;
    options.height = 720;
    options.frameRate = 25;
    options.keyframeSeconds = 1;
    options.pattern = "testsrc2";
    options.audio = true;
    options.sampleRate = 44100;
    options.channels = 2;
    publisher = std::make_unique<FfmpegPublisher>(options);
    url = server.url("class");
    return publisher->start(url);
}
} // namespace BenchSupport
