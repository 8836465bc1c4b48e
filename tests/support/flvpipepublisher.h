#ifndef FLVPIPEPUBLISHER_H
#define FLVPIPEPUBLISHER_H

#include "tests/support/ffmpegpublisher.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class ChildProcess;
struct AVIOContext;

// A publisher that reshapes its tags on the way: the ffmpeg tool writes FfmpegPublisher's stream as FLV into a
// pipe, and this process reads the tags and publishes them over RTMP itself, each as the subclass decides.
class FlvPipePublisher
{
public:
    explicit FlvPipePublisher(const FfmpegPublisher::Options &stream);
    // A subclass stops in its own destructor, while its hooks are still there.
    virtual ~FlvPipePublisher();

    // True once tags are being published.
    bool start(const QString &url, int timeoutMs = 8000);
    void stop();
    int64_t tagsSent() const { return m_tags.load(); }
    QString errorOutput() const;

    FlvPipePublisher(const FlvPipePublisher &) = delete;
    FlvPipePublisher &operator=(const FlvPipePublisher &) = delete;

protected:
    // Before a start, from the caller's thread: sets the subclass's own state of a run.
    virtual void prepare() { }
    // The tool's arguments as FfmpegPublisher has them, to change.
    virtual void adjustArguments(QStringList &arguments) const { Q_UNUSED(arguments) }
    // From the relay's thread, at every turn before it reads the pipe.
    virtual void turn() { }
    // From the relay's thread, for each whole tag (header, data and trailer): passes it on with send, or keeps it.
    virtual void passTag(uint8_t *tag, size_t bytes) = 0;
    // Publishes the bytes at once, counting them as that many tags.
    void send(const uint8_t *data, size_t bytes, int64_t tags);
    // Monotonic milliseconds.
    static int64_t nowMs();

    const FfmpegPublisher::Options m_stream;

private:
    void relay(const QString &fifo, const QString &url);

    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
    std::thread m_relay;
    AVIOContext *m_output = nullptr;
    std::atomic<bool> m_running { false };
    std::atomic<bool> m_failed { false };
    std::atomic<int64_t> m_tags { 0 };
};

#endif // FLVPIPEPUBLISHER_H
