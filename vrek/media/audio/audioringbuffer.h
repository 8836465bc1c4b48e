#ifndef AUDIORINGBUFFER_H
#define AUDIORINGBUFFER_H

#include <cstdint>
#include <vector>

// The bytes one playing source has decoded and the mixer has not yet played. Fixed capacity: what does not fit
// is dropped (the newest bytes), so a source never buffers more than its capacity of latency.
class AudioRingBuffer
{
public:
    explicit AudioRingBuffer(int capacity);

    int capacity() const { return int(m_data.size()); }
    int stored() const;
    int freeSpace() const { return capacity() - stored(); }

    // Copies as much as fits; returns the bytes taken.
    int write(const uint8_t *data, int length);
    // Copies at most what is stored; returns the bytes given.
    int read(uint8_t *data, int length);
    // Drops the oldest count bytes of 16-bit sound (whole samples), blending what comes before the cut into what
    // comes after it over fadeBytes, so that the cut does not click. Returns the bytes dropped.
    int skip(int count, int fadeBytes);
    // Where to cut, at most count bytes and at least searchBytes less (whole samples): the length after which the
    // sound goes on most like it is now, so that a steady tone keeps its phase through the cut.
    int matchedCut(int count, int searchBytes, int fadeBytes) const;

private:
    int16_t sampleAt(int offset) const;
    void setSampleAt(int offset, int16_t value);

    std::vector<uint8_t> m_data;
    int m_read = 0;
    int m_write = 0;
    bool m_full = false;
};

#endif // AUDIORINGBUFFER_H
