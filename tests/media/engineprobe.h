#ifndef ENGINEPROBE_H
#define ENGINEPROBE_H

#include "vrek/media/pull/pullstreamengine.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

// One pull engine on a thread of the thread factory, as the engine pool runs it, with every signal it sends
// counted as it is sent (on the engine's thread). Stops and frees the engine whatever state the test left.
class QThread;

class EngineProbe : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        bool ok = false;
        QString msg;
    };
    struct Picture
    {
        qint64 atMs;
        QImage image;
    };

    explicit EngineProbe(const QString &poid = QString());
    ~EngineProbe() override;

    PullStreamEngine *engine() const { return m_engine; }

    // As the pool does it: claimed, then the start queued.
    void start(const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio = true);
    // The queued stop, and unless told otherwise the direct interrupt that reaches a blocking open.
    void stop(bool interrupt = true);

    QList<Result> results() const;
    int successes() const;
    QString lastUserId() const;
    // The pictures as they were sent, with the time they were (the last thousand).
    QList<Picture> pictures() const;
    // The thread the last picture was sent on; null before the first.
    QThread *pictureThread() const;
    int exits() const { return m_exits.load(); }
    int frames() const { return m_frames.load(); }
    // The pictures sent by the time the last exit was.
    int framesAtExit() const { return m_framesAtExit.load(); }
    int audioInitials() const { return m_audioInitials.load(); }
    int videoInitials() const { return m_videoInitials.load(); }
    int audioDecodes() const { return m_audioDecodes.load(); }
    int videoDecodes() const { return m_videoDecodes.load(); }
    int audioResets() const { return m_audioResets.load(); }
    int readStarts() const { return m_readStarts.load(); }

    // Runs the event loop until the condition holds; false on time-out.
    static bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

private:
    PullStreamEngine *m_engine = nullptr;
    mutable QMutex m_mutex;
    QList<Result> m_results;
    QString m_lastUserId;
    QList<Picture> m_pictures;
    QThread *m_pictureThread = nullptr;
    std::atomic<int> m_exits { 0 };
    std::atomic<int> m_frames { 0 };
    std::atomic<int> m_framesAtExit { 0 };
    std::atomic<int> m_audioInitials { 0 };
    std::atomic<int> m_videoInitials { 0 };
    std::atomic<int> m_audioDecodes { 0 };
    std::atomic<int> m_videoDecodes { 0 };
    std::atomic<int> m_audioResets { 0 };
    std::atomic<int> m_readStarts { 0 };
};

#endif // ENGINEPROBE_H
