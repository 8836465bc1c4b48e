#ifndef PULLSTREAMCONTEXT_H
#define PULLSTREAMCONTEXT_H

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <cstdint>
#include <deque>

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

// The state of one pull run that the engine and its three stages share across threads: the open input, the
// stream indexes, the two packet queues, the audio and video clocks and the watchdog that bounds every
// blocking call on the input. Packets in the queues carry time stamps in microseconds.
class PullStreamContext
{
public:
    // Clock value meaning "not set".
    static constexpr int64_t noClock = INT64_MAX;
    // Stage bits, as the engine and the stages report them.
    static constexpr unsigned char audioBit = 1;
    static constexpr unsigned char videoBit = 2;
    static constexpr unsigned char readBit = 4;

    static constexpr int connectLimitMs = 3000;
    static constexpr int readLimitMs = 1000;

    enum OpenResult {
        OpenOk = 0,
        OpenAllocFailed, // no format context
        OpenAnalyzeOptionFailed, // "analyzeduration" not set
        OpenSeekableOptionFailed, // "seekable" not set
        OpenInputFailed, // avformat_open_input
        OpenStreamInfoFailed, // avformat_find_stream_info
        OpenNoStreams,
    };

    PullStreamContext();
    virtual ~PullStreamContext();

    int getAudioStreamIndex() const { return m_audioStreamIndex.load(); }
    void setAudioStreamIndex(int index) { m_audioStreamIndex.store(index); }
    int getVideoStreamIndex() const { return m_videoStreamIndex.load(); }
    void setVideoStreamIndex(int index) { m_videoStreamIndex.store(index); }

    // Streams (audioBit, videoBit) that the read stage may claim when they show up only after the input was
    // opened; it then queues their packets and reports them. Cleared when the input is freed.
    void setAwaitedStreams(unsigned char bits) { m_awaitedStreams.store(bits); }
    unsigned char awaitedStreams() const { return m_awaitedStreams.load(); }

    // The queues take ownership. A video queue that was emptied accepts nothing but a keyframe first, so that
    // the decoder never resumes on a predicted picture; pushVideoPacket frees a refused packet and says so.
    void pushAudioPacket(AVPacket *packet);
    bool pushVideoPacket(AVPacket *packet);
    bool takeAudioPacket(AVPacket **packet);
    bool takeVideoPacket(AVPacket **packet);
    // The decoders sleep here until the read stage queues a packet: true with the front packet, false once
    // running is cleared. Whoever clears it wakes the stage (wakeAudioStage, wakeVideoStage).
    bool waitAudioPacket(AVPacket **packet, const std::atomic<bool> &running);
    bool waitVideoPacket(AVPacket **packet, const std::atomic<bool> &running);
    void wakeAudioStage();
    void wakeVideoStage();
    // The video stage's pause while its pictures wait for the sound: until the sound clock is no longer seen,
    // ms at most, and over at once when running is cleared.
    void pauseVideoStage(int ms, int64_t seen, const std::atomic<bool> &running);
    int audioPacketQueueSize() const;
    int videoPacketQueueSize() const;
    // The stream time a queue holds: from its oldest packet's time stamp to the end of its newest, 0 when empty.
    int64_t audioPacketQueueSpanUs() const;
    int64_t videoPacketQueueSpanUs() const;
    void clearAudioPacketQueue();
    void clearVideoPacketQueue();

    // The time stamp of the sound last decoded.
    int64_t getAudioClock() const { return m_audioClock.load(); }
    // Wakes a video stage that waits for the sound (pauseVideoStage).
    void setAudioClock(int64_t us);
    // The time stamp of the sound being heard (the output's mixer tells it), noClock while none of it is in hand.
    int64_t getHeardAudioClock() const { return m_heardAudioClock.load(); }
    void setHeardAudioClock(int64_t us);
    // What the pictures keep step with: the sound being heard, or while nothing waits to be heard (muted, or
    // drained), the sound last decoded.
    int64_t getPlayingAudioClock() const;
    int64_t getVideoClock() const { return m_videoClock.load(); }
    void setVideoClock(int64_t us) { m_videoClock.store(us); }

    // Guards the format context and its stream table; av_read_frame runs under it.
    QMutex *formatMutex() { return &m_formatMutex; }
    void lockFormat() { m_formatMutex.lock(); }
    void unlockFormat() { m_formatMutex.unlock(); }
    AVFormatContext *getFormatContext() const { return m_formatContext; } // under the format lock
    void setFormatContext(AVFormatContext *context);

    // Opens an RTMP (or any) address for reading under the watchdog: a librtmp-style tail after a blank
    // (" live=1 timeout=7") is cut off, and the open may wait for at most the connect limit for the next bytes.
    // Stores the input here on success. Not serialised with other inputs; the caller decides that. ffmpegError
    // receives the failing call's code.
    OpenResult openInput(const QString &url, int *ffmpegError = nullptr);

    // Under the format lock: closes the input (true) or finds none (false); empties both queues, resets both
    // clocks, the stream indexes and the awaited streams.
    bool freeAVFormatContext();

    void setConnected(bool connected);
    // The watchdog counts from the last progress: the start of a read, or bytes that came in.
    void restartWatchdog();
    // Aborts every blocking call on the input (open, read, close) from any thread, until the next open.
    void requestInterrupt() { m_interrupt.store(true); }
    bool isInterruptRequested() const { return m_interrupt.load(); }
    // From any thread: the whole pull is given up. Unlike requestInterrupt, this outlasts the next open, so a
    // stop that races with a reconnect still aborts it; the owner clears it for the next pull.
    void cancelPull() { m_cancelled.store(true); }
    void clearCancel() { m_cancelled.store(false); }
    bool isPullCancelled() const { return m_cancelled.load(); }
    // Counts opens; a stop given to a stage applies to the run it was given in.
    uint64_t runId() const { return m_runId.load(); }

    // Longer limits only for tests that need a blocking call to outlast a stop.
    void setWatchdogLimits(int connectMs, int readMs);
    int readLimit() const { return m_readLimitMs.load(); }

    // FFmpeg's interrupt callback; opaque is the context.
    static int interruptCallback(void *opaque);
    bool interruptTest() const;

    PullStreamContext(const PullStreamContext &) = delete;
    PullStreamContext &operator=(const PullStreamContext &) = delete;

private:
    static void freePackets(std::deque<AVPacket *> &queue);
    static int64_t spanUs(const std::deque<AVPacket *> &queue);
    static int64_t nowMs();
    static int readLink(void *opaque, uint8_t *buffer, int size);
    // Under the format lock, or before the input is shared.
    void closeInput(AVFormatContext **input, AVIOContext **reader, AVIOContext **link);

    // What the watchdog can see of an open: while the connection is set up (TCP, handshake, connect, play)
    // FFmpeg's own per-wait limit, which also counts from the last bytes, is the only bound; once the stream
    // is read, every chunk that arrives restarts the watchdog.
    enum WatchPhase : int { WatchSetup, WatchOpening, WatchReading };

    QMutex m_formatMutex;
    AVFormatContext *m_formatContext = nullptr;
    // The stream under the input, and the reader the demuxer reads it through (counting what arrives).
    // Set before the demuxer's first read, cleared only once the input is closed: one input at a time.
    std::atomic<AVIOContext *> m_link { nullptr };
    AVIOContext *m_reader = nullptr;

    std::atomic<int64_t> m_audioClock { noClock };
    std::atomic<int64_t> m_heardAudioClock { noClock };
    std::atomic<int64_t> m_videoClock { noClock };

    mutable QMutex m_audioQueueMutex;
    QWaitCondition m_audioQueued;
    std::deque<AVPacket *> m_audioQueue;
    mutable QMutex m_videoQueueMutex;
    QWaitCondition m_videoQueued; // also woken when the sound clock moves while the video stage pauses
    std::atomic<bool> m_videoPausing { false };
    std::deque<AVPacket *> m_videoQueue;
    bool m_videoNeedsKeyframe = true; // under the video queue lock

    std::atomic<int> m_audioStreamIndex { -1 };
    std::atomic<int> m_videoStreamIndex { -1 };
    std::atomic<unsigned char> m_awaitedStreams { 0 };

    std::atomic<bool> m_connected { false };
    std::atomic<int> m_watchPhase { WatchSetup };
    std::atomic<int64_t> m_watchdogStartMs { 0 };
    std::atomic<bool> m_interrupt { false };
    std::atomic<bool> m_cancelled { false };
    std::atomic<uint64_t> m_runId { 0 };
    std::atomic<int> m_connectLimitMs { connectLimitMs };
    std::atomic<int> m_readLimitMs { readLimitMs };
};

#endif // PULLSTREAMCONTEXT_H
