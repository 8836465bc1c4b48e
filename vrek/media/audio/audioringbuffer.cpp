#include "vrek/media/audio/audioringbuffer.h"

#include <algorithm>
#include <cmath>
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

int16_t AudioRingBuffer::sampleAt(int offset) const
{
    const uint8_t bytes[2]
        = { m_data[size_t((m_read + offset) % capacity())], m_data[size_t((m_read + offset + 1) % capacity())] };
    int16_t value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

void AudioRingBuffer::setSampleAt(int offset, int16_t value)
{
    uint8_t bytes[2];
    std::memcpy(bytes, &value, sizeof(value));
    m_data[size_t((m_read + offset) % capacity())] = bytes[0];
    m_data[size_t((m_read + offset + 1) % capacity())] = bytes[1];
}

int AudioRingBuffer::skip(int count, int fadeBytes)
{
    const int sampleBytes = int(sizeof(int16_t));
    const int stored = this->stored();
    count = std::min(std::max(count, 0), stored) / sampleBytes * sampleBytes;
    if (count == 0)
        return 0;
    const int fade = std::min(std::max(fadeBytes, 0), stored - count) / sampleBytes;
    // What follows the cut starts as what would have been heard and turns into its own sound.
    for (int i = 0; i < fade; ++i) {
        const double weight = double(i + 1) / (fade + 1);
        const int before = sampleAt(i * sampleBytes);
        const int after = sampleAt(count + i * sampleBytes);
        setSampleAt(count + i * sampleBytes, int16_t(std::lround(before * (1 - weight) + after * weight)));
    }
    m_read = (m_read + count) % capacity();
    m_full = false;
    return count;
}

int AudioRingBuffer::matchedCut(int count, int searchBytes, int fadeBytes) const
{
    const int sampleBytes = int(sizeof(int16_t));
    const int stored = this->stored();
    const int fade = std::max(fadeBytes, 0) / sampleBytes;
    const int longest = std::min(std::max(count, 0), stored - fade * sampleBytes) / sampleBytes;
    if (longest <= 0 || fade == 0)
        return std::max(0, std::min(count, stored)) / sampleBytes * sampleBytes;
    const int shortest = std::max(1, longest - std::max(searchBytes, 0) / sampleBytes);
    double nowEnergy = 0;
    for (int i = 0; i < fade; ++i) {
        const double a = sampleAt(i * sampleBytes);
        nowEnergy += a * a;
    }
    int best = longest;
    double bestScore = -2;
    for (int cut = longest; cut >= shortest; --cut) {
        double product = 0;
        double thenEnergy = 0;
        for (int i = 0; i < fade; ++i) {
            const double a = sampleAt(i * sampleBytes);
            const double b = sampleAt((cut + i) * sampleBytes);
            product += a * b;
            thenEnergy += b * b;
        }
        const double norm = std::sqrt(nowEnergy * thenEnergy);
        // Silence on either side matches anything: keep the longest cut.
        const double score = norm > 0 ? product / norm : 1;
        if (score > bestScore + 1e-9) {
            bestScore = score;
            best = cut;
        }
    }
    return best * sampleBytes;
}
