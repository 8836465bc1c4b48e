#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// What the stream benchmarks share: printing, waiting in the event loop as the client's owner threads do, the
// process's CPU time and the machine's load, and the RTMP rig with its one 1280x720 25 fps stream.
namespace BenchSupport {
void out(const QString &text);
// Runs the event loop for ms; woken only by the thread's own events.
void spin(int ms);
bool spinUntil(const std::function<bool()> &condition, int timeoutMs);
// User and system CPU seconds of this process.
double ownCpuSeconds();
// The 1, 5 and 15 minute load averages.
QString loadAverage();

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
