#ifndef PUSHHARNESS_H
#define PUSHHARNESS_H

#include "vrek/media/push/pushstreamengine.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QStringList>

// A push engine as its owner holds it: on a "Push Stream" thread of the thread factory, driven by queued
// signals, released once at the end. Records what the engine reports, in order.
class PushHarness : public QObject
{
    Q_OBJECT
public:
    // Generated sources that stand in for a camera and a microphone.
    static const QString camera; // 640x480 at 30 pictures a second
    static const QString microphone; // 48 kHz tone
    static const QString brokenDevice;

    struct Result
    {
        bool ok;
        QString msg;
        qint64 atMs;
    };

    explicit PushHarness(const QString &url, QObject *parent = nullptr);
    // Stops what still runs, waits for the exit, releases the engine and waits until it is gone.
    ~PushHarness() override;

    PushStreamEngine *engine() const { return m_engine; }

    void start(int type, const QString &microphoneName, const QString &cameraName, QSize size = QSize(320, 240));
    void stop();

    // Runs the event loop until the engine has reported n results (or exits), counted from its creation.
    bool waitForResults(int n, int timeoutMs);
    bool waitForExits(int n, int timeoutMs);
    bool waitForPreviews(int n, int timeoutMs);
    // Runs the event loop until a call queued now to the engine's thread has come back: whatever the engine
    // reported before it got to that call has arrived. False on time-out.
    bool roundTrip(int timeoutMs = 10000);
    // Releases the engine as its owner does (once) and waits until it is deleted; false on time-out. With no
    // time to wait it only releases.
    bool release(int timeoutMs = 10000);
    bool isEngineDeleted() const { return m_deleted; }

    QList<Result> results() const { return m_results; }
    Result lastResult() const { return m_results.isEmpty() ? Result { false, QString(), -1 } : m_results.last(); }
    int exits() const { return m_exits; }
    qint64 lastExitMs() const { return m_lastExitMs; }
    // "result(1,)", "result(0,msg)", "exit", in order.
    QStringList events() const { return m_events; }
    int previewCount() const { return m_previewCount; }
    QImage lastPreview() const { return m_lastPreview; }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

private:
    PushStreamEngine *m_engine = nullptr;
    QThread *m_thread = nullptr;
    bool m_released = false;
    bool m_deleted = false;
    QList<Result> m_results;
    int m_exits = 0;
    qint64 m_lastExitMs = -1;
    QStringList m_events;
    int m_previewCount = 0;
    QImage m_lastPreview;
    QElapsedTimer m_clock;
};

#endif // PUSHHARNESS_H
