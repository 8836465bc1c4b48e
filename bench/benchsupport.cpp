#include "bench/benchsupport.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <sys/resource.h>

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
