#ifndef CLOCKPUBLISHER_H
#define CLOCKPUBLISHER_H

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <thread>

class ChildProcess;

// Publishes pictures that carry their own time (ClockStamp) to an RTMP address: this process draws each picture
// (moving bands behind the stamp) the moment it is due and hands it to the ffmpeg tool through a pipe; the tool
// encodes it as the rig's publisher does (H.264 ultrafast, zero latency, a keyframe every second) with a sine
// tone as stereo AAC and sends FLV.
class ClockPublisher
{
public:
    struct Options
    {
        int width = 1280;
        int height = 720;
        int frameRate = 25;
        int keyframeSeconds = 1;
    };

    ClockPublisher();
    explicit ClockPublisher(const Options &options);
    ~ClockPublisher();

    // True once the tool has started to send.
    bool start(const QString &url, int timeoutMs = 8000);
    void stop();
    bool isRunning() const;
    const Options &options() const { return m_options; }
    int64_t picturesSent() const { return m_sent.load(); }

    ClockPublisher(const ClockPublisher &) = delete;
    ClockPublisher &operator=(const ClockPublisher &) = delete;

private:
    void feed(const QString &fifo);

    Options m_options;
    QTemporaryDir m_dir;
    QString m_fifo;
    std::unique_ptr<ChildProcess> m_process;
    std::thread m_feeder;
    std::atomic<bool> m_running { false };
    std::atomic<int64_t> m_sent { 0 };
};

#endif // CLOCKPUBLISHER_H
