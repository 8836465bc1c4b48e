#include "tests/media/engineprobe.h"

#include "vrek/utils/threadfactory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDebug>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>

EngineProbe::EngineProbe(const QString &poid)
{
    QString id = poid;
    if (id.isEmpty())
        id = QString::number(QRandomGenerator::global()->generate64(), 36).rightJustified(40, QLatin1Char('0'));
    m_engine = new PullStreamEngine(id);
    ThreadFactory *threads = ThreadFactory::getInstance();
    QThread *thread = threads->getThread(threads->allocThreadId());
    thread->setObjectName("Pull Stream " + id.left(6));
    m_engine->moveToThread(thread);

    const auto direct = Qt::DirectConnection;
    connect(
        m_engine, &PullStreamEngine::pullStreamResultOut, this,
        [this](const QString &, bool ok, const QString &msg) {
            QMutexLocker lock(&m_mutex);
            m_results.append({ ok, msg });
        },
        direct);
    connect(
        m_engine, &PullStreamEngine::pullStreamExitOut, this,
        [this](const QString &) {
            m_framesAtExit.store(m_frames.load());
            ++m_exits;
        },
        direct);
    connect(
        m_engine, &PullStreamEngine::showVideoImageOut, this,
        [this](const QString &userId, const QImage &image) {
            QMutexLocker lock(&m_mutex);
            m_lastUserId = userId;
            if (m_pictures.size() >= 1000)
                m_pictures.removeFirst();
            m_pictures.append({ QDateTime::currentMSecsSinceEpoch(), image });
            m_pictureThread = QThread::currentThread();
            ++m_frames;
        },
        direct);
    connect(
        m_engine, &PullStreamEngine::audioInitialOut, this, [this](bool) { ++m_audioInitials; }, direct);
    connect(
        m_engine, &PullStreamEngine::videoInitialOut, this, [this] { ++m_videoInitials; }, direct);
    connect(
        m_engine, &PullStreamEngine::audioDecodeOut, this, [this] { ++m_audioDecodes; }, direct);
    connect(
        m_engine, &PullStreamEngine::videoDecodeOut, this, [this] { ++m_videoDecodes; }, direct);
    connect(
        m_engine, &PullStreamEngine::audioResetOut, this, [this] { ++m_audioResets; }, direct);
    connect(
        m_engine, &PullStreamEngine::startReadStreamOut, this, [this] { ++m_readStarts; }, direct);
}

EngineProbe::~EngineProbe()
{
    if (!m_engine->isIdle()) {
        stop();
        waitUntil([this] { return m_engine->isIdle(); }, 5000);
    }
    disconnect(m_engine, nullptr, this, nullptr);
    if (!m_engine->isIdle()) {
        qCritical() << "the engine did not stop, left running";
        return;
    }
    ThreadFactory *threads = ThreadFactory::getInstance();
    QPointer<QThread> thread = m_engine->thread();
    threads->releaseThreadId(threads->getThreadId(thread));
    if (thread.isNull())
        delete m_engine;
    else
        m_engine->deleteLater();
}

void EngineProbe::start(
    const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio)
{
    m_engine->claim();
    QMetaObject::invokeMethod(m_engine, "startPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, userId),
        Q_ARG(PullStreamEngine::PullStreamType, type), Q_ARG(QString, url), Q_ARG(bool, playAudio));
}

void EngineProbe::stop(bool interrupt)
{
    QMetaObject::invokeMethod(m_engine, "stopPullStreamIn", Qt::QueuedConnection);
    if (interrupt)
        m_engine->interruptPull();
}

QList<EngineProbe::Result> EngineProbe::results() const
{
    QMutexLocker lock(&m_mutex);
    return m_results;
}

int EngineProbe::successes() const
{
    int count = 0;
    for (const Result &result : results()) {
        if (result.ok)
            ++count;
    }
    return count;
}

QThread *EngineProbe::pictureThread() const
{
    QMutexLocker lock(&m_mutex);
    return m_pictureThread;
}

QList<EngineProbe::Picture> EngineProbe::pictures() const
{
    QMutexLocker lock(&m_mutex);
    return m_pictures;
}

QString EngineProbe::lastUserId() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastUserId;
}

bool EngineProbe::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}
