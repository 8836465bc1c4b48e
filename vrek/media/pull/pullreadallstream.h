#ifndef PULLREADALLSTREAM_H
#define PULLREADALLSTREAM_H

#include <QObject>

#include <atomic>
#include <cstdint>

class PullStreamContext;
class QThread;

// The "Pull Read" stage: reads packets from the open input and sorts them into the audio and video queues of
// the shared context, with their time stamps in microseconds. Its loop ends when stopped, when the input fails
// or stalls past the watchdog, or when the input is freed, and then reports readStreamExitOut(4).
class PullReadAllStream : public QObject
{
    Q_OBJECT
public:
    // More queued pictures than this much of the stream (30 pictures at 25 a second) means the video decoder fell
    // behind: the pictures are dropped up to the next keyframe, the sound is kept. Bounded by time, not by count,
    // so that a stream of 60 pictures a second has as long to start as one of 25.
    static constexpr int64_t maxVideoQueueUs = 1200000;
    // Audio alone is bounded too, for a stream whose audio nobody takes.
    static constexpr int64_t maxAudioQueueUs = 3000000;
    // Whatever the time stamps say (a stream may stamp every packet alike), no queue holds more than this many.
    static constexpr int maxQueuedPackets = 1000;

    explicit PullReadAllStream(PullStreamContext *context, QObject *parent = nullptr);
    ~PullReadAllStream() override;

    // From any thread: ends the loop of the current run at once (a blocking read is interrupted); given before
    // the loop of this run has begun, the loop ends as soon as it starts.
    void stopReadStream();
    void moveThread(QThread *thread);
    bool isRunning() const { return m_running.load(); }

signals:
    void readStreamExitOut(uchar type);
    // A stream the context awaited (audio 1, video 2) showed up after the open; its packets are being queued.
    void readStreamFoundOut(uchar type);

public slots:
    void startReadStream();

private:
    std::atomic<bool> m_running { false };
    std::atomic<uint64_t> m_stoppedRun { UINT64_MAX };
    PullStreamContext *m_context;
};

#endif // PULLREADALLSTREAM_H
