#ifndef SHIFTEDCLOCKPUBLISHER_H
#define SHIFTEDCLOCKPUBLISHER_H

#include "tests/support/flvpipepublisher.h"

#include <atomic>
#include <cstdint>

// A publisher whose clock starts where the test says, anywhere in RTMP's 32 bits, e.g. just below the wrap, as an
// encoder that has run for 49 days sends it. The ffmpeg tool's FLV output cannot say so (it keeps 31 bits): the
// tool writes its FLV (FfmpegPublisher's sources) into a pipe, this process moves every tag's time stamp by the
// shift, modulo 2^32, and publishes the tags over RTMP itself.
class ShiftedClockPublisher : public FlvPipePublisher
{
public:
    ShiftedClockPublisher(const FfmpegPublisher::Options &options, uint32_t startMs);
    ~ShiftedClockPublisher() override;

    // The time stamp of the first tag that carried sound or pictures, as published.
    uint32_t firstStamp() const { return m_firstStamp.load(); }
    // The time stamp of the newest tag published.
    uint32_t lastStamp() const { return m_lastStamp.load(); }

private:
    void prepare() override { m_firstMedia = true; }
    void passTag(uint8_t *tag, size_t bytes) override;

    const uint32_t m_startMs;
    bool m_firstMedia = true; // the relay's thread only
    std::atomic<uint32_t> m_firstStamp { 0 };
    std::atomic<uint32_t> m_lastStamp { 0 };
};

#endif // SHIFTEDCLOCKPUBLISHER_H
