#include "tests/media/pull/shiftedclockpublisher.h"

ShiftedClockPublisher::ShiftedClockPublisher(const FfmpegPublisher::Options &options, uint32_t startMs)
    : FlvPipePublisher(options)
    , m_startMs(startMs)
{ }

ShiftedClockPublisher::~ShiftedClockPublisher()
{
    stop();
}

void ShiftedClockPublisher::passTag(uint8_t *tag, size_t bytes)
{
    const uint32_t stamp = (uint32_t(tag[7]) << 24) | (uint32_t(tag[4]) << 16) | (uint32_t(tag[5]) << 8) | tag[6];
    const uint32_t shifted = stamp + m_startMs; // modulo 2^32
    tag[4] = uint8_t(shifted >> 16);
    tag[5] = uint8_t(shifted >> 8);
    tag[6] = uint8_t(shifted);
    tag[7] = uint8_t(shifted >> 24);
    if (tag[0] == 8 || tag[0] == 9) {
        if (m_firstMedia)
            m_firstStamp.store(shifted);
        m_firstMedia = false;
        m_lastStamp.store(shifted);
    }
    send(tag, bytes, 1);
}
