#ifndef AUDIOPREPROC_H
#define AUDIOPREPROC_H

#include "platform/echocanceller/audiopreprocapi.h"

#include <cstdint>
#include <mutex>

// The program's one echo canceller: the mixed output of the pulled streams is fed to it as the far end, the
// microphone of the push as the near end, one 10 ms block of 32 kHz mono at a time, each under its lock.
class AudioPreproc
{
public:
    static constexpr int sampleRate = 32000;
    static constexpr int channels = 1;
    static constexpr int blockSamples = 320;
    static constexpr int delayMs = 160;

    // Made on first use, with the canceller set up.
    static AudioPreproc *instance();

    // Drops the canceller's state and sets it up again (enabled, echo cancellation on, 160 ms delay).
    void reinitialise();

    // For a caller that makes several calls on the handle in a row.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    AudioPreprocHandle handle() const { return m_handle; }

    // One block each, under the lock.
    int processPlayback(const int16_t *block);
    int processRecord(int16_t *block);

    AudioPreproc(const AudioPreproc &) = delete;
    AudioPreproc &operator=(const AudioPreproc &) = delete;

private:
    AudioPreproc();
    ~AudioPreproc();

    std::recursive_mutex m_mutex;
    AudioPreprocHandle m_handle = nullptr;
};

#endif // AUDIOPREPROC_H
