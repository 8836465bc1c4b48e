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
    // More queued video than this means the decoders fell behind: both queues are dropped.
    static constexpr int maxVideoPackets = 30;
    // Audio alone is bounded too (about three seconds of AAC), for a stream whose audio nobody takes.
    static constexpr int maxAudioPackets = 100;

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
