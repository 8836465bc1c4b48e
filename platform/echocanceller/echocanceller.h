#ifndef ECHOCANCELLER_H
#define ECHOCANCELLER_H

#include <cstdint>
#include <memory>
#include <mutex>

namespace webrtc {
class AudioProcessing;
class AudioFrame;
} // namespace webrtc

// Removes the sound the speakers play (the far end, fed as playback) from what the microphone hears (the near end,
// fed as record). Works on 16-bit interleaved blocks of exactly 10 ms at 8, 16, 32 or 48 kHz, mono or stereo.
// Backed by WebRTC's audio processing; when that cannot be made, or when asked for, it passes the sound through
// untouched so that a push never fails for want of echo cancellation. Thread-safe.
class EchoCanceller
{
public:
    enum Backend {
        WebRtc,
        PassThrough,
    };

    enum Result {
        Ok = 0,
        BadBlock = -1, // not a 10 ms block of a supported rate and channel count
        ProcessingFailed = -2,
    };

    explicit EchoCanceller(Backend wanted = WebRtc);
    ~EchoCanceller();

    Backend backend() const { return m_backend; }

    // Off: both directions pass through untouched.
    void setEnabled(bool enabled);
    bool isEnabled() const;
    int setEchoCancellationEnabled(bool enabled);
    // Time from a block being played to its echo reaching the microphone.
    void setDelay(int delayMs);
    int delay() const;

    int processPlayback(int sampleRate, int channels, int samples, const int16_t *data);
    int processRecord(int sampleRate, int channels, int samples, int16_t *data);

    static bool isValidBlock(int sampleRate, int channels, int samples);

    EchoCanceller(const EchoCanceller &) = delete;
    EchoCanceller &operator=(const EchoCanceller &) = delete;

private:
    void fillFrame(int sampleRate, int channels, int samples, const int16_t *data);
    // Both directions share one rate; a block of another rate or channel count sets the processor up again.
    bool configure(int sampleRate, int recordChannels, int playbackChannels);

    mutable std::mutex m_mutex;
    Backend m_backend = PassThrough;
    bool m_enabled = true;
    int m_delayMs = 0;
    int m_sampleRate = 0;
    int m_recordChannels = 0;
    int m_playbackChannels = 0;
    webrtc::AudioProcessing *m_processing = nullptr;
    std::unique_ptr<webrtc::AudioFrame> m_frame;
};

#endif // ECHOCANCELLER_H
