#ifndef PULLENGINEFACTORY_H
#define PULLENGINEFACTORY_H

#include "vrek/media/pull/pullstreamengine.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

class PullEngineInfo;
class PullStreamInfo;

// The one door through which the classroom pulls remote users: one busy engine per user, each on a thread of
// its own, and engines whose pull has ended serve the next user. Its owner talks to it by queued signals; every
// start, failure and stop comes back as pullStreamResultOut.
class PullEngineFactory : public QObject
{
    Q_OBJECT
public:
    // How long the engines still pulling are given to stop, once their pool has gone, before they are given up.
    static constexpr int stopWaitMs = 5000;

    explicit PullEngineFactory(QObject *parent = nullptr);
    // Stops every engine and returns at once: each is freed with its threads once it has stopped, on this
    // thread's event loop, so that leaving a class never waits on a stream. An engine that did not stop in time
    // is left running rather than freed under its threads. Once the application is quitting, no event loop
    // will free them later: the pool then waits for them itself, as long as that.
    ~PullEngineFactory() override;

    // Engines of pools already gone that are still stopping, in the whole process.
    static int enginesStopping();

    void setStopWait(int ms) { m_stopWaitMs = ms; }
    // Shorter engine times for tests, given to every engine with its next pull (0: the engine's own).
    void setEngineTimes(int connectLimitMs, int readLimitMs, int maxReconnectDelayMs, int reconnectDelayMs)
    {
        m_engineTimes = { connectLimitMs, readLimitMs, maxReconnectDelayMs, reconnectDelayMs };
    }

    // The pool as it stands, for the log and for tests.
    int engineCount() const { return m_pullIdHash.size(); }
    int idleEngineCount() const;
    QString pullObjIdOf(const QString &userId) const;
    PullStreamEngine *pullEngineOf(const QString &userId) const;

signals:
    void pullStreamResultOut(bool ok, const QString &userId, const QString &msg);
    void showVideoImageOut(const QString &userId, const QImage &frame);
    void startPullStreamOut(
        const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio);
    void stopPullStreamOut();

public slots:
    void startPullStreamIn(
        const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio);
    void startPlayAudioIn(const QString &userId, bool flag);
    void stopPullStreamIn(const QString &userId);
    void pullStreamResultIn(const QString &poid, bool ok, const QString &msg);
    void pullStreamExitIn(const QString &poid);

private:
    void startPullStream();
    PullStreamEngine *selectPullEngine(const QString &userId);
    bool selectPeiInIdle(PullEngineInfo **info);
    QString calcuPullObjId() const;
    bool verifyPullObjId(const QString &poid) const;
    bool verifyUserIdInfo(const QString &userId) const;
    bool verifyPullStream(const QString &userId) const;
    bool selectPullStream(const QString &userId, PullStreamInfo **info) const;
    bool selectUserIdInfo(const QString &userId, PullEngineInfo **info) const;
    bool selectPullIdInfo(const QString &poid, PullEngineInfo **info) const;
    void deletePullStream(const QString &userId);
    void deleteUserIdInfo(const QString &userId, const QString &msg);
    void removePullIdInfo(const QString &poid);
    void clearPullIdInfo();

    bool m_pulling = false;
    QString m_currentPullObjId;
    QList<PullStreamInfo *> m_pullStreamList;
    QHash<QString, PullEngineInfo *> m_userIdHash;
    QHash<QString, PullEngineInfo *> m_pullIdHash;
    int m_stopWaitMs = stopWaitMs;
    struct EngineTimes
    {
        int connectLimitMs = 0;
        int readLimitMs = 0;
        int maxReconnectDelayMs = 0;
        int reconnectDelayMs = 0;
    } m_engineTimes;
};

#endif // PULLENGINEFACTORY_H
