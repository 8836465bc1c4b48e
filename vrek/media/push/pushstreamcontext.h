#ifndef PUSHSTREAMCONTEXT_H
#define PUSHSTREAMCONTEXT_H

#include <QMutex>

#include <atomic>
#include <cstdint>

struct AVFormatContext;
struct AVPacket;
struct AVRational;

// The output of one push, shared by the engine and its two stages across their threads: the FLV output over
// RTMP, the lock under which packets are written and the output is freed, the time line both stages stamp
// their packets on, and the deadlines that bound every blocking call on the output.
class PushStreamContext
{
public:
    // Opening the connection (handshake and publish) may take this long.
    static constexpr int connectLimitMs = 5000;
    // One write may block this long on a peer that does not take the data.
    static constexpr int writeLimitMs = 5000;
    // Once a push is being stopped, a blocked write or the closing of the connection gets this much.
    static constexpr int closeLimitMs = 1000;
    // The time line starts this far before the output opens: sound is stamped with the time it was captured,
    // up to a capture block before the first read, and the AAC priming lies before that.
    static constexpr int64_t timelineLeadUs = 200000;

    // writePacket's answer when no output is open: the packet is dropped.
    static constexpr int noOutput = 1;

    PushStreamContext();
    virtual ~PushStreamContext();

    // Under the lock; a new output starts a new time line and clears the closing state.
    void setAVFormatContext(AVFormatContext *context);
    AVFormatContext *getAVFormatContext() const; // hold the lock while using it
    // Under the lock: closes the connection and frees the output (true), or finds none (false). No trailer.
    bool freeAVFormatContext();

    QMutex *mutex() { return &m_mutex; }

    // Under the lock: stamps the packet for the stream (its times given in timeBase) and writes it with
    // interleaving. 0, noOutput when the output is already freed, or the FFmpeg error of the write.
    int writePacket(AVPacket *packet, int streamIndex, const AVRational &timeBase);

    // Microseconds on the push's time line: since the output was opened, plus the lead.
    int64_t timelineUs() const;

    // When sound and pictures are pushed together the stream starts with the sound: pictures taken before the
    // sound's capture began are not sent.
    static constexpr int64_t noAudioStart = -1;
    void setAwaitAudio(bool await) { m_awaitAudio.store(await); }
    bool awaitsAudio() const { return m_awaitAudio.load(); }
    void setAudioStartUs(int64_t us) { m_audioStartUs.store(us); }
    int64_t audioStartUs() const { return m_audioStartUs.load(); }

    // Only tests shorten these.
    void setLimits(int connectMs, int writeMs, int closeMs);
    int connectLimit() const { return m_connectLimitMs.load(); }
    int writeLimit() const { return m_writeLimitMs.load(); }

    // Bounds the next blocking calls (the caller's thread) by ms from now; 0 lifts the bound.
    void armDeadline(int ms);
    // From any thread: the push is being stopped; blocking calls end within the close limit from now on.
    void setClosing();
    bool isClosing() const { return m_closing.load(); }

    // FFmpeg's interrupt callback; opaque is the context.
    static int interruptCallback(void *opaque);

    PushStreamContext(const PushStreamContext &) = delete;
    PushStreamContext &operator=(const PushStreamContext &) = delete;

private:
    static int64_t nowUs();
    bool interruptTest() const;

    mutable QMutex m_mutex;
    AVFormatContext *m_avFormatContext = nullptr;
    std::atomic<int64_t> m_epochUs { 0 };
    std::atomic<int64_t> m_deadlineUs { 0 };
    std::atomic<bool> m_closing { false };
    std::atomic<bool> m_awaitAudio { false };
    std::atomic<int64_t> m_audioStartUs { noAudioStart };
    std::atomic<int> m_connectLimitMs { connectLimitMs };
    std::atomic<int> m_writeLimitMs { writeLimitMs };
    std::atomic<int> m_closeLimitMs { closeLimitMs };
};

#endif // PUSHSTREAMCONTEXT_H
