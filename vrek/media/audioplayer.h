#ifndef AUDIOPLAYER_H
#define AUDIOPLAYER_H

#include <cstdint>
#include <functional>
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
    static constexpr int bytesPerMs = outputSampleRate / 1000 * outputChannels * bytesPerSample;
    // The least sound a source keeps in hand, after the mixer has taken its block, against the uneven arrival of
    // its frames. Whatever a source holds above this through a whole trim window (more than the slack above it)
    // is a standing delay, left by a stall, a burst or a device that plays slower than the sender's clock, and is
    // dropped: a stall then costs the stall and no more. Frames come in bunches (an FLV publisher sends its sound
    // with its pictures), so what is held swings above this by a bunch, some 60 ms.
    static constexpr int targetLatencyMs = 20;
    static constexpr int trimSlackMs = 10;
    static constexpr int trimWindowMs = 500;
    // A source that ran short for a moment in a window (a busy machine, a jittery link: at most shortfallBlocksMax
    // blocks in a row; longer is a stall, which holding more would not have bridged) keeps more in hand from then
    // on, up to the most; a window without a shortfall gives a little of it back.
    static constexpr int maxTargetLatencyMs = 100;
    static constexpr int targetStepUpMs = 20;
    static constexpr int targetStepDownMs = 1;
    static constexpr int shortfallBlocksMax = 10;
    // Cuts are blended over this much, so that they do not click, and placed within the last part of what is to
    // go (a low voice's period) where the sound after the cut goes on most like the sound before it.
    static constexpr int cutFadeMs = 5;
    static constexpr int cutSearchMs = 10;
    // What the device holds after the mixer has handed it a block: the block itself.
    static constexpr int deviceLatencyMs = 1000 * blockSamples / outputSampleRate;
    // A time stamp that is not known.
    static constexpr int64_t noTime = INT64_MAX;

    static AudioPlayer *instance();

    // Starts SDL's audio part once for the process; true when it runs. Whoever needs it (the stream controllers,
    // the output itself) asks here: it stays up until the program ends, so that nothing that goes during a class
    // can shut the output down under the sources that play.
    static bool sdlAudioInitial();

    // Opens the device in the given format; true when it is open.
    bool globalRegiser(int sampleRate, int channels);
    // Makes (or replaces) the source's ring; opens the device in the output format when it is not open yet.
    // False when the device could not be opened: the source is registered all the same and heard once it is.
    // heardClock, when given, is told on the mixer's thread, every block, the time stamp (microseconds) of the
    // source's sound that is being heard, or noTime when the source has no whole block in hand.
    bool regiser(const void *source, std::function<void(int64_t)> heardClock = {});
    void unregister(const void *source);
    // Bytes in the output format, stamped with the time (microseconds) of their first sample when it is known.
    // A source that would overflow its ring drops its oldest sound first, down to the target. Returns the bytes
    // kept.
    int write(const void *source, const uint8_t *data, int length, int64_t startUs = noTime);

    bool isDeviceOpen() const;
    bool isRegistered(const void *source) const;
    int bufferedBytes(const void *source) const;
    // Bytes of the source's sound dropped to keep it live, since it was registered.
    int64_t droppedBytes(const void *source) const;
    // Blocks the source sat out for want of a whole block, since it was registered.
    int starvedBlocks(const void *source) const;
    // What the source keeps in hand now, at least targetLatencyMs.
    int targetMs(const void *source) const;

    // For measurements: sees every mixed block (16-bit output samples) on the mixer's thread, under the player's
    // lock; it must be quick. An empty function removes it.
    void setMixObserver(std::function<void(const int16_t *samples, int count)> observer);

    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

private:
    AudioPlayer();
    ~AudioPlayer();

    static void mixCallback(void *userData, uint8_t *stream, int length);
    void mix(uint8_t *stream, int length);
    void feedEchoCanceller(const uint8_t *stream, int length);

    struct Source
    {
        std::unique_ptr<AudioRingBuffer> ring;
        std::function<void(int64_t)> heardClock;
        // The time stamp just after the newest byte in the ring.
        int64_t endUs = noTime;
        // The least the ring held after a block was taken, over the current trim window.
        int windowLow = INT32_MAX;
        int windowBytes = 0;
        int windowStarved = 0;
        bool windowShortfall = false;
        int starvedRun = 0;
        int targetBytes = targetLatencyMs * bytesPerMs;
        int64_t dropped = 0;
        int starved = 0;
    };

    static int64_t bytesToUs(int bytes);
    static int sampleAligned(int bytes);
    void keepLive(Source &source, int mixedBytes);
    // Drops about count bytes from the front of the source's ring, where the cut is least heard.
    static void cut(Source &source, int count);

    mutable std::mutex m_mutex;
    std::map<const void *, Source> m_sources;
    std::function<void(const int16_t *, int)> m_mixObserver;
    bool m_deviceOpen = false;
    std::vector<uint8_t> m_scratch;
    // Mixed samples not yet handed to the echo canceller as a whole block.
    std::vector<int16_t> m_pendingBlock;
};

#endif // AUDIOPLAYER_H
