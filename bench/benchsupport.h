#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"

#include <QString>
#include <QTemporaryDir>

#include <QHash>

#include <functional>
#include <memory>
#include <vector>

// What the stream benchmarks share: printing, waiting in the event loop as the client's owner threads do, the
// process's CPU time and the machine's load, and the RTMP rig with its one 1280x720 25 fps stream.
namespace BenchSupport {
void out(const QString &text);
// Runs the event loop for ms; woken only by the thread's own events.
void spin(int ms);
bool spinUntil(const std::function<bool()> &condition, int timeoutMs);
// User and system CPU seconds of this process.
double ownCpuSeconds();
// ... of another process (0 when it is gone), and of each thread of this one, by "id name".
double processCpuSeconds(qint64 pid);
QHash<QString, double> threadCpuSeconds();
// CPU seconds per thread kind between two threadCpuSeconds samples: the name up to its first blank ("Pull
// Video 1a2b3c" counts as "Pull Video"), the program's own threads under "other".
QHash<QString, double> cpuByThreadKind(const QHash<QString, double> &before, const QHash<QString, double> &after);
// The 1, 5 and 15 minute load averages.
QString loadAverage();
// The p-th percentile (0 to 100) of values, interpolated; 0 for none.
double percentile(std::vector<double> values, double p);
// A named pipe at path, made anew; false when it cannot be.
bool makeFifo(const QString &path);
// Opens a named pipe once and closes it again (readEnd: for reading, else for writing, without waiting), so that
// a thread waiting in its open of the other end goes on: a program that never opened the pipe leaves it there.
void meetFifo(const QString &path, bool readEnd);

// nginx on a free loopback port and one publisher of 1280x720, 25 fps H.264 (a keyframe every second, the moving
// testsrc2 picture) with stereo AAC, under "class".
struct Rig
{
    RtmpServer server;
    std::unique_ptr<FfmpegPublisher> publisher;
    QTemporaryDir dir;
    QString url;

    bool start();
};
} // namespace BenchSupport

#endif // BENCHSUPPORT_H
