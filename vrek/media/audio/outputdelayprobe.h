#ifndef OUTPUTDELAYPROBE_H
#define OUTPUTDELAYPROBE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// How long the sound the output's mixer hands over takes to be heard, as the sound server tells it. SDL says only
// what it holds itself; behind it, a sound server (PulseAudio, or PipeWire in its place) keeps the stream's own
// buffer and the sink's latency, tens of milliseconds and more on a desktop, hundreds over Bluetooth. This asks
// the server twice a second, on a thread of its own, for the playback stream of this process in the given format:
// the sum of what its buffer holds and the sink's latency. Weighed against what the mixer had handed over by
// then, that says which sample the sink plays at any time: the server takes its sound in bursts of several
// blocks, so what it holds swings, but what it plays moves on evenly.
class OutputDelayProbe
{
public:
    OutputDelayProbe() = default;
    ~OutputDelayProbe();

    // Starts asking, when SDL plays through a sound server; false when it does not (nothing to ask). handedFrames
    // tells, from any thread, how many sample frames the mixer has handed to the device so far.
    bool start(const char *sdlDriver, int sampleRate, int channels, std::function<int64_t()> handedFrames);
    void stop();
    // The median of the last few answers; -1 while there is none.
    int64_t delayUs() const { return m_delayUs.load(); }
    // The sample frame (counted as handedFrames counts them) that the sink plays at nowUs (steady clock,
    // microseconds); false while the server has not said.
    bool playedFrame(int64_t nowUs, int64_t *frame) const;
    static int64_t steadyNowUs();

    OutputDelayProbe(const OutputDelayProbe &) = delete;
    OutputDelayProbe &operator=(const OutputDelayProbe &) = delete;

private:
    void run(int sampleRate, int channels, const std::function<int64_t()> &handedFrames);

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false; // under m_mutex
    std::atomic<int64_t> m_delayUs { -1 };
    int m_sampleRate = 0;
    // The frame played at time 0 of the steady clock, were the sink's clock the steady one; the median of the
    // last few answers. INT64_MIN while there is none.
    std::atomic<int64_t> m_playedAtZero { INT64_MIN };
};

#endif // OUTPUTDELAYPROBE_H
