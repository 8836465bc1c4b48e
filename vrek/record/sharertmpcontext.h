#ifndef SHARERTMPCONTEXT_H
#define SHARERTMPCONTEXT_H

#include <QString>

extern "C" {
#include <libavutil/rational.h>
}

#include <atomic>
#include <cstdint>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFormatContext;

// The second output of a screen recording: an FLV stream over RTMP carrying the same encoded sound and
// pictures as the recording file, sound first. Every blocking call on it (connect, header, writes, close) has
// a deadline and ends at once when the share is aborted, so a server that never answers holds nothing up for
// long.
class ShareRtmpContext
{
public:
    static constexpr int connectLimitMs = 5000;
    static constexpr int writeLimitMs = 5000;
    static constexpr int closeLimitMs = 1000;

    ShareRtmpContext();
    ~ShareRtmpContext();

    void setRtmpUrl(const QString &url) { m_rtmpUrl = url; }
    QString rtmpUrl() const { return m_rtmpUrl; }
    // The encoders' parameters are copied at once: the recording may free its encoders while the header is
    // still being written. False when there is nothing to copy.
    bool setAudioCodecContext(const AVCodecContext *context);
    bool setVideoCodecContext(const AVCodecContext *context);

    // Opens the address and writes the stream header: true when the stream is open. Any thread.
    bool writeHeader();
    AVFormatContext *getOutputContext() const { return m_outputContext; }

    // Writes the trailer when asked, closes the connection and frees the output (once the share is over).
    void close(bool withTrailer);

    // From any thread: blocking calls end now, and from now on at once.
    void abort();
    bool isAborted() const { return m_aborted.load(); }
    // Bounds the next blocking calls of the caller's thread by ms from now; 0 lifts the bound.
    void armDeadline(int ms);

    // Only tests shorten these.
    void setLimits(int connectMs, int writeMs, int closeMs);
    int writeLimit() const { return m_writeLimitMs; }
    int closeLimit() const { return m_closeLimitMs; }

    static int interruptCallback(void *opaque);

    ShareRtmpContext(const ShareRtmpContext &) = delete;
    ShareRtmpContext &operator=(const ShareRtmpContext &) = delete;

private:
    bool fail();
    static int64_t nowUs();

    AVFormatContext *m_outputContext = nullptr;
    AVCodecParameters *m_audioParameters = nullptr;
    AVCodecParameters *m_videoParameters = nullptr;
    AVRational m_audioTimeBase { 0, 1 };
    AVRational m_videoTimeBase { 0, 1 };
    QString m_rtmpUrl;
    std::atomic<int64_t> m_deadlineUs { 0 };
    std::atomic<bool> m_aborted { false };
    int m_connectLimitMs = connectLimitMs;
    int m_writeLimitMs = writeLimitMs;
    int m_closeLimitMs = closeLimitMs;
};

#endif // SHARERTMPCONTEXT_H
