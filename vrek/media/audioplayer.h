#ifndef AUDIOPLAYER_H
#define AUDIOPLAYER_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class AudioRingBuffer;

// The program's one sound output. Every playing source writes signed 16-bit samples in the one output format
// (32 kHz mono, the echo canceller's own) into a ring of its own; SDL's audio thread mixes all of them every
// 10 ms and feeds the mix to the echo canceller as the far end. The device is opened by the first source and
// stays open for the life of the program.
class AudioPlayer
{
public:
    static constexpr int outputSampleRate = 32000;
    static constexpr int outputChannels = 1;
    static constexpr int bytesPerSample = 2;
    static constexpr int blockSamples = outputSampleRate / 100;
    // Of SDL's 128: several sources mixed at full volume would clip.
    static constexpr int mixVolume = 66;
    // One second of sound per source.
    static constexpr int ringBytes = outputSampleRate * outputChannels * bytesPerSample;

    static AudioPlayer *instance();

    // Starts SDL's audio part once for the process; true when it runs. Whoever needs it (the stream controllers,
    // the output itself) asks here: it stays up until the program ends, so that nothing that goes during a class
    // can shut the output down under the sources that play.
    static bool sdlAudioInitial();

    // Opens the device in the given format; true when it is open.
    bool globalRegiser(int sampleRate, int channels);
    // Makes (or replaces) the source's ring; opens the device in the output format when it is not open yet.
    // False when the device could not be opened: the source is registered all the same and heard once it is.
    bool regiser(const void *source);
    void unregister(const void *source);
    // Bytes in the output format; what does not fit in the source's ring is dropped. Returns the bytes kept.
    int write(const void *source, const uint8_t *data, int length);

    bool isDeviceOpen() const;
    bool isRegistered(const void *source) const;
    int bufferedBytes(const void *source) const;

    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

private:
    AudioPlayer();
    ~AudioPlayer();

    static void mixCallback(void *userData, uint8_t *stream, int length);
    void mix(uint8_t *stream, int length);
    void feedEchoCanceller(const uint8_t *stream, int length);

    mutable std::mutex m_mutex;
    std::map<const void *, std::unique_ptr<AudioRingBuffer>> m_sources;
    bool m_deviceOpen = false;
    std::vector<uint8_t> m_scratch;
    // Mixed samples not yet handed to the echo canceller as a whole block.
    std::vector<int16_t> m_pendingBlock;
};

#endif // AUDIOPLAYER_H
