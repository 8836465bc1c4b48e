#include "vrek/media/pull/pullenginefactory.h"

#include "vrek/media/pull/pullengineinfo.h"
#include "vrek/media/pull/pullstreaminfo.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/utils/threadfactory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {
constexpr unsigned int pullObjIdLength = 40;

std::atomic<int> enginesStoppingCount { 0 };
// Set once the application's event loop has ended: nothing queued is delivered any more.
std::atomic<bool> applicationQuitting { false };

// An engine that has stopped goes with its thread, which returns to the thread factory here, in the thread
// the engine was made in.
void releaseEngine(PullStreamEngine *engine, const QString &poid)
{
    ThreadFactory *threads = ThreadFactory::getInstance();
    QPointer<QThread> thread = engine->thread();
    const unsigned int threadId = threads->getThreadId(thread);
    if (!threads->releaseThreadId(threadId))
        qWarning() << "the pse thread remove fail error! poid:" << poid << "thread:" << thread.data();
    if (thread.isNull() || thread->isFinished()) {
        // Its thread has ended: the engine is freed here, where its stages' threads go back to the pool.
        delete engine;
    } else {
        // The thread carries other objects still (or ends late): the engine goes with its next turn.
        engine->deleteLater();
    }
}

void leaveRunning(const QString &poid)
{
    qCritical() << "the pull engine did not stop in time and is left running, poid:" << poid;
}

// Waits on this thread, bounded, for engines told to stop, and frees those that did.
void waitAndRelease(const QHash<PullStreamEngine *, QString> &engines, int waitMs)
{
    QDeadlineTimer deadline(waitMs);
    for (auto it = engines.constBegin(); it != engines.constEnd(); ++it) {
        while (!it.key()->isIdle() && !deadline.hasExpired())
            QThread::msleep(5);
        if (it.key()->isIdle())
            releaseEngine(it.key(), it.value());
        else
            leaveRunning(it.value());
    }
}

// Engines told to stop, freed one by one as each reports its exit, all given up after the wait. The keeper (a
// plain object of this thread) carries the connections and goes when the last engine is dealt with.
void releaseWhenStopped(const QHash<PullStreamEngine *, QString> &stopping, int waitMs)
{
    auto *keeper = new QObject();
    auto pending = std::make_shared<QHash<PullStreamEngine *, QString>>(stopping);
    enginesStoppingCount += pending->size();
    auto forget = [keeper, pending](PullStreamEngine *engine) {
        if (pending->remove(engine) == 0)
            return false;
        --enginesStoppingCount;
        if (pending->isEmpty())
            keeper->deleteLater();
        return true;
    };
    auto forgetAll = [pending, forget] {
        const QHash<PullStreamEngine *, QString> left = *pending;
        for (auto it = left.constBegin(); it != left.constEnd(); ++it)
            forget(it.key());
        return left;
    };
    for (auto it = stopping.constBegin(); it != stopping.constEnd(); ++it) {
        PullStreamEngine *engine = it.key();
        const QString poid = it.value();
        QObject::connect(engine, &PullStreamEngine::pullStreamExitOut, keeper, [engine, poid, forget] {
            if (forget(engine))
                releaseEngine(engine, poid);
        });
    }
    QTimer::singleShot(waitMs, keeper, [forgetAll] {
        const QHash<PullStreamEngine *, QString> late = forgetAll();
        for (const QString &poid : late)
            leaveRunning(poid);
    });
    // The loop that would deliver the exits has ended: they are waited for here instead.
    if (QCoreApplication::instance()) {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, keeper,
            [forgetAll, waitMs] { waitAndRelease(forgetAll(), waitMs); });
    }
}
} // namespace

PullEngineFactory::PullEngineFactory(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<PullStreamEngine::PullStreamType>("PullStreamEngine::PullStreamType");
    static const bool watchingQuit = [] {
        if (QCoreApplication::instance())
            QObject::connect(
                QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { applicationQuitting = true; });
        return true;
    }();
    Q_UNUSED(watchingQuit)
}

int PullEngineFactory::enginesStopping()
{
    return enginesStoppingCount.load();
}

PullEngineFactory::~PullEngineFactory()
{
    clearPullIdInfo();
    qDeleteAll(m_pullStreamList);
    m_pullStreamList.clear();
}

int PullEngineFactory::idleEngineCount() const
{
    int count = 0;
    for (const PullEngineInfo *info : m_pullIdHash) {
        if (info->getIdle())
            ++count;
    }
    return count;
}

QString PullEngineFactory::pullObjIdOf(const QString &userId) const
{
    PullEngineInfo *info = nullptr;
    return selectUserIdInfo(userId, &info) ? info->getPullObjId() : QString();
}

PullStreamEngine *PullEngineFactory::pullEngineOf(const QString &userId) const
{
    PullEngineInfo *info = nullptr;
    return selectUserIdInfo(userId, &info) ? info->getPullStreamEngine() : nullptr;
}

void PullEngineFactory::startPullStreamIn(
    const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio)
{
    if (verifyUserIdInfo(userId)) {
        qWarning() << "PullEngineFactory::startPullStreamIn the user is pulling error! uid:" << userId;
        return;
    }
    m_pullStreamList.append(new PullStreamInfo(userId, type, url, playAudio));
    startPullStream();
}

void PullEngineFactory::startPullStream()
{
    if (m_pullStreamList.isEmpty())
        return;
    m_pulling = true;
    PullStreamInfo *info = m_pullStreamList.takeFirst();
    PullStreamEngine *engine = selectPullEngine(info->getUserId());
    if (!engine) {
        // No thread to run an engine on: the user is told at once instead of waiting for ever.
        m_pulling = false;
        emit pullStreamResultOut(false, info->getUserId(), QString());
        delete info;
        return;
    }
    m_currentPullObjId = engine->getPullObjId();
    if (m_engineTimes.connectLimitMs > 0)
        engine->setWatchdogLimits(m_engineTimes.connectLimitMs, m_engineTimes.readLimitMs);
    if (m_engineTimes.maxReconnectDelayMs > 0)
        engine->setMaxReconnectDelay(m_engineTimes.maxReconnectDelayMs);
    if (m_engineTimes.reconnectDelayMs > 0)
        engine->setReconnectDelay(m_engineTimes.reconnectDelayMs);
    engine->claim();
    connect(this, &PullEngineFactory::startPullStreamOut, engine, &PullStreamEngine::startPullStreamIn);
    emit startPullStreamOut(info->getUserId(), info->getPullStreamType(), info->getPullUrl(), info->getPlayAudio());
    disconnect(this, &PullEngineFactory::startPullStreamOut, engine, &PullStreamEngine::startPullStreamIn);
    delete info;
}

PullStreamEngine *PullEngineFactory::selectPullEngine(const QString &userId)
{
    PullEngineInfo *info = nullptr;
    if (selectPeiInIdle(&info)) {
        info->setIdle(false);
        info->setInUse(true);
        info->setUserId(userId);
        m_userIdHash.insert(userId, info);
        return info->getPullStreamEngine();
    }

    const QString poid = calcuPullObjId();
    ThreadFactory *threads = ThreadFactory::getInstance();
    const unsigned int threadId = threads->allocThreadId();
    QThread *thread = threads->getThread(threadId);
    if (!thread) {
        qCritical() << "no thread for a pull engine, uid:" << userId;
        return nullptr;
    }
    auto *engine = new PullStreamEngine(poid);
    thread->setObjectName(QStringLiteral("Pull Stream ") + poid.left(6));
    engine->moveToThread(thread);
    connect(engine, &PullStreamEngine::pullStreamResultOut, this, &PullEngineFactory::pullStreamResultIn);
    connect(engine, &PullStreamEngine::pullStreamExitOut, this, &PullEngineFactory::pullStreamExitIn);
    connect(engine, &PullStreamEngine::showVideoImageOut, this, &PullEngineFactory::showVideoImageOut);

    info = new PullEngineInfo();
    info->setIdle(false);
    info->setInUse(true);
    info->setPullObjId(poid);
    info->setPullStreamEngine(engine);
    info->setUserId(userId);
    m_userIdHash.insert(userId, info);
    m_pullIdHash.insert(poid, info);
    return engine;
}

bool PullEngineFactory::selectPeiInIdle(PullEngineInfo **info)
{
    for (PullEngineInfo *candidate : qAsConst(m_pullIdHash)) {
        if (candidate->getIdle()) {
            *info = candidate;
            return true;
        }
    }
    return false;
}

QString PullEngineFactory::calcuPullObjId() const
{
    QString poid;
    do {
        poid = StringUtil::randomString(pullObjIdLength, QString::fromLatin1(GlobalDefault::idAlphabet));
    } while (verifyPullObjId(poid));
    return poid;
}

bool PullEngineFactory::verifyPullObjId(const QString &poid) const
{
    return m_pullIdHash.contains(poid);
}

bool PullEngineFactory::verifyUserIdInfo(const QString &userId) const
{
    return m_userIdHash.contains(userId) || verifyPullStream(userId);
}

bool PullEngineFactory::verifyPullStream(const QString &userId) const
{
    PullStreamInfo *info = nullptr;
    return selectPullStream(userId, &info);
}

bool PullEngineFactory::selectPullStream(const QString &userId, PullStreamInfo **info) const
{
    for (PullStreamInfo *candidate : m_pullStreamList) {
        if (candidate->getUserId() == userId) {
            *info = candidate;
            return true;
        }
    }
    return false;
}

bool PullEngineFactory::selectUserIdInfo(const QString &userId, PullEngineInfo **info) const
{
    auto it = m_userIdHash.constFind(userId);
    if (it == m_userIdHash.constEnd())
        return false;
    *info = it.value();
    return true;
}

bool PullEngineFactory::selectPullIdInfo(const QString &poid, PullEngineInfo **info) const
{
    auto it = m_pullIdHash.constFind(poid);
    if (it == m_pullIdHash.constEnd())
        return false;
    *info = it.value();
    return true;
}

void PullEngineFactory::deletePullStream(const QString &userId)
{
    for (int i = 0; i < m_pullStreamList.size(); ++i) {
        if (m_pullStreamList.at(i)->getUserId() == userId) {
            delete m_pullStreamList.takeAt(i);
            emit pullStreamResultOut(false, userId, QString());
            return;
        }
    }
}

void PullEngineFactory::deleteUserIdInfo(const QString &userId, const QString &msg)
{
    if (m_userIdHash.remove(userId) > 0)
        emit pullStreamResultOut(false, userId, msg);
}

void PullEngineFactory::pullStreamResultIn(const QString &poid, bool ok, const QString &msg)
{
    PullEngineInfo *info = nullptr;
    if (!selectPullIdInfo(poid, &info)) {
        qWarning() << "the selectPullIdInfo fail error! poid:" << poid;
        return;
    }
    if (poid == m_currentPullObjId) {
        m_pulling = false;
        m_currentPullObjId.clear();
        startPullStream();
    }
    if (ok) {
        // A success that crossed the owner's stop on its way is stale: the owner was told of the stop already.
        if (info->getInUse())
            emit pullStreamResultOut(true, info->getUserId(), msg);
    } else if (info->getInUse()) {
        info->setInUse(false);
        deleteUserIdInfo(info->getUserId(), msg);
    }
}

void PullEngineFactory::pullStreamExitIn(const QString &poid)
{
    if (poid == m_currentPullObjId) {
        m_pulling = false;
        m_currentPullObjId.clear();
        startPullStream();
    }
    removePullIdInfo(poid);
}

void PullEngineFactory::removePullIdInfo(const QString &poid)
{
    PullEngineInfo *info = nullptr;
    if (!selectPullIdInfo(poid, &info)) {
        qWarning() << "the selectPullIdInfo fail error! poid:" << poid;
        return;
    }
    info->setIdle(true);
    if (info->getInUse()) {
        info->setInUse(false);
        deleteUserIdInfo(info->getUserId(), QString());
    }
}

void PullEngineFactory::stopPullStreamIn(const QString &userId)
{
    if (verifyPullStream(userId)) {
        deletePullStream(userId);
        return;
    }
    PullEngineInfo *info = nullptr;
    if (!selectUserIdInfo(userId, &info)) {
        qWarning() << "the uid not find error! uid:" << userId;
        return;
    }
    PullStreamEngine *engine = info->getPullStreamEngine();
    connect(this, &PullEngineFactory::stopPullStreamOut, engine, &PullStreamEngine::stopPullStreamIn);
    emit stopPullStreamOut();
    disconnect(this, &PullEngineFactory::stopPullStreamOut, engine, &PullStreamEngine::stopPullStreamIn);
    // The queued stop waits behind an open that may block for seconds; this ends the open now.
    engine->interruptPull();
    if (info->getInUse()) {
        info->setInUse(false);
        deleteUserIdInfo(userId, QString());
    }
}

void PullEngineFactory::startPlayAudioIn(const QString &userId, bool flag)
{
    PullStreamInfo *pending = nullptr;
    if (selectPullStream(userId, &pending)) {
        pending->setPlayAudio(flag);
        return;
    }
    PullEngineInfo *info = nullptr;
    if (!selectUserIdInfo(userId, &info)) {
        qWarning() << "the uid not find error! uid:" << userId;
        return;
    }
    info->getPullStreamEngine()->setPlayAudio(flag);
}

void PullEngineFactory::clearPullIdInfo()
{
    m_userIdHash.clear();

    // Every engine still busy is stopped, also one blocked in an open. Freeing one whose stages still run would
    // free the input under them: each goes once it has reported its exit.
    QHash<PullStreamEngine *, QString> stopping;
    for (auto it = m_pullIdHash.constBegin(); it != m_pullIdHash.constEnd(); ++it) {
        PullEngineInfo *info = it.value();
        PullStreamEngine *engine = info->getPullStreamEngine();
        delete info;
        disconnect(engine, nullptr, this, nullptr);
        if (engine->isIdle()) {
            releaseEngine(engine, it.key());
            continue;
        }
        stopping.insert(engine, it.key());
    }
    m_pullIdHash.clear();
    if (stopping.isEmpty())
        return;

    if (!applicationQuitting) {
        // Watched before the stop is sent: the exit may come at once.
        releaseWhenStopped(stopping, m_stopWaitMs);
        for (PullStreamEngine *engine : stopping.keys()) {
            QMetaObject::invokeMethod(engine, "stopPullStreamIn", Qt::QueuedConnection);
            engine->interruptPull();
        }
        return;
    }

    for (PullStreamEngine *engine : stopping.keys()) {
        QMetaObject::invokeMethod(engine, "stopPullStreamIn", Qt::QueuedConnection);
        engine->interruptPull();
    }
    waitAndRelease(stopping, m_stopWaitMs);
}
