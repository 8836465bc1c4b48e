#ifndef SHIFTEDCLOCKPUBLISHER_H
#define SHIFTEDCLOCKPUBLISHER_H

#include "tests/support/ffmpegpublisher.h"

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class ChildProcess;

// A publisher whose clock starts where the test says, anywhere in RTMP's 32 bits, e.g. just below the wrap, as an
// encoder that has run for 49 days sends it. The ffmpeg tool's FLV output cannot say so (it keeps 31 bits): the
// tool writes its FLV (FfmpegPublisher's sources) into a pipe, this process moves every tag's time stamp by the
// shift, modulo 2^32, and publishes the tags over RTMP itself.
class ShiftedClockPublisher
{
public:
    ShiftedClockPublisher(const FfmpegPublisher::Options &options, uint32_t startMs);
    ~ShiftedClockPublisher();

    // True once tags are being published.
    bool start(const QString &url, int timeoutMs = 8000);
    void stop();
    int64_t tagsSent() const { return m_tags.load(); }
    // The time stamp of the first tag that carried sound or pictures, as published.
    uint32_t firstStamp() const { return m_firstStamp.load(); }
    // The time stamp of the newest tag published.
    uint32_t lastStamp() const { return m_lastStamp.load(); }

    ShiftedClockPublisher(const ShiftedClockPublisher &) = delete;
    ShiftedClockPublisher &operator=(const ShiftedClockPublisher &) = delete;

private:
    void relay(const QString &fifo, const QString &url);

    FfmpegPublisher::Options m_options;
    uint32_t m_startMs;
    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
    std::thread m_relay;
    std::atomic<bool> m_running { false };
    std::atomic<bool> m_failed { false };
    std::atomic<int64_t> m_tags { 0 };
    std::atomic<uint32_t> m_firstStamp { 0 };
    std::atomic<uint32_t> m_lastStamp { 0 };
};

#endif // SHIFTEDCLOCKPUBLISHER_H
