#ifndef AUDIOPLAYER_H
#define AUDIOPLAYER_H

#include "vrek/media/audio/outputdelayprobe.h"

#include <atomic>
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
    static constexpr int blockMs = 1000 * blockSamples / outputSampleRate;
    // A source that ran short in a window (a busy machine, a jittery link, a lost segment waiting for its
    // retransmission, a publisher that sends its sound in bunches: at most shortfallBlocksMax blocks in a row;
    // longer is a stall, which holding more would not have bridged) keeps as much more in hand from then on as it
    // was short, and a step over it (a quarter of the shortfall, at least targetStepUpMs), up to the most. Once it has not run short for quietWindowsBeforeGiveBack
    // windows, it gives a share of the excess back every window.
    static constexpr int maxTargetLatencyMs = 300;
    static constexpr int targetStepUpMs = 20;
    static constexpr int targetStepUpShare = 4;
    static constexpr int targetStepDownMs = 1;
    static constexpr int targetGiveBackShare = 32;
    static constexpr int quietWindowsBeforeGiveBack = 16;
    static constexpr int shortfallBlocksMax = maxTargetLatencyMs / blockMs;
    // Cuts are blended over this much, so that they do not click, and placed within the last part of what is to
    // go (a low voice's period) where the sound after the cut goes on most like the sound before it.
    static constexpr int cutFadeMs = 5;
    static constexpr int cutSearchMs = 10;
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
    // source's sound that is being heard (where it stopped, while it is short of a block for a moment), or noTime
    // when the source has had no whole block in hand for longer than that.
    bool regiser(const void *source, std::function<void(int64_t)> heardClock = {});
    void unregister(const void *source);
    // Bytes in the output format, stamped with the time (microseconds) of their first sample when it is known.
    // A source that would overflow its ring drops its oldest sound first, down to the target. Returns the bytes
    // kept.
    int write(const void *source, const uint8_t *data, int length, int64_t startUs = noTime);

    bool isDeviceOpen() const;
    // How long after the mixer hands the device a block its first sample is heard: what the sound server holds of
    // the output when SDL plays through one (asked as it plays; typical, it swings with the server's bursts), else
    // what SDL holds (the buffer it opened).
    int64_t outputDelayUs() const;
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
    // For tests and benches: takes the mixer's clock from the device, so that what happens block by block does not
    // hang on when the audio thread gets to run. While it is held the device plays silence and mixes nothing, and
    // mixBlocks() mixes on the caller's thread instead, through the same mixer under the same lock. The program
    // never holds it. Not from a mix observer or a heard clock.
    void holdDeviceClock(bool held);
    // Mixes count blocks as the device would take them, one after the other; false, mixing nothing, unless the
    // clock is held.
    bool mixBlocks(int count);

    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

private:
    AudioPlayer();
    ~AudioPlayer();

    static void mixCallback(void *userData, uint8_t *stream, int length);
    void mix(uint8_t *stream, int length);
    // The same for a block mixed now, with the first of its frames at the given count.
    int64_t blockDelayUs(int64_t firstFrame) const;
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
        // The longest run of blocks short in the window that the source came back from.
        int windowLongestRun = 0;
        // Windows in a row in which the source did not run short.
        int quietWindows = 0;
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
    static void resumed(Source &source);

    mutable std::mutex m_mutex;
    std::map<const void *, Source> m_sources;
    std::function<void(const int16_t *, int)> m_mixObserver;
    bool m_deviceOpen = false;
    std::atomic<int64_t> m_deviceBufferUs { blockMs * 1000 };
    // Sample frames mixed for the device since it opened.
    std::atomic<int64_t> m_handedFrames { 0 };
    OutputDelayProbe m_delayProbe;
    bool m_clockHeld = false; // under m_mutex
    std::vector<uint8_t> m_scratch;
    // Mixed samples not yet handed to the echo canceller as a whole block.
    std::vector<int16_t> m_pendingBlock;
};

#endif // AUDIOPLAYER_H
