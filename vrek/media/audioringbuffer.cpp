#include "vrek/media/audioringbuffer.h"

#include <algorithm>
#include <cstring>

AudioRingBuffer::AudioRingBuffer(int capacity)
    : m_data(size_t(std::max(capacity, 1)))
{ }

int AudioRingBuffer::stored() const
{
    if (m_write > m_read)
        return m_write - m_read;
    if (m_write < m_read)
        return capacity() - m_read + m_write;
    return m_full ? capacity() : 0;
}

int AudioRingBuffer::write(const uint8_t *data, int length)
{
    const int count = std::min(std::max(length, 0), freeSpace());
    if (count == 0)
        return 0;
    const int first = std::min(count, capacity() - m_write);
    std::memcpy(m_data.data() + m_write, data, size_t(first));
    std::memcpy(m_data.data(), data + first, size_t(count - first));
    m_write = (m_write + count) % capacity();
    if (m_write == m_read)
        m_full = true;
    return count;
}

int AudioRingBuffer::read(uint8_t *data, int length)
{
    const int count = std::min(std::max(length, 0), stored());
    if (count == 0)
        return 0;
    const int first = std::min(count, capacity() - m_read);
    std::memcpy(data, m_data.data() + m_read, size_t(first));
    std::memcpy(data + first, m_data.data(), size_t(count - first));
    m_read = (m_read + count) % capacity();
    m_full = false;
    return count;
}
