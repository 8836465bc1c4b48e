#include "tests/media/push/pushharness.h"

#include "vrek/utils/threadfactory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>
#include <memory>

namespace {
bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}
} // namespace

const QString PushHarness::camera = QStringLiteral("lavfi:testsrc=size=640x480:rate=30");
const QString PushHarness::microphone = QStringLiteral("lavfi:sine=frequency=440:sample_rate=48000");
const QString PushHarness::brokenDevice = QStringLiteral("lavfi:nosuchsource");

PushHarness::PushHarness(const QString &url, QObject *parent)
    : QObject(parent)
{
    m_clock.start();
    m_engine = new PushStreamEngine(url);
    ThreadFactory *factory = ThreadFactory::getInstance();
    QThread *thread = factory->getThread(factory->allocThreadId());
    thread->setObjectName("Push Stream");
    m_thread = thread;
    m_engine->moveThread(thread);
    connect(
        m_engine, &QObject::destroyed, this, [this] { m_deleted = true; }, Qt::DirectConnection);
    connect(m_engine, &PushStreamEngine::pushStreamResultOut, this, [this](bool ok, const QString &msg) {
        m_results.append({ ok, msg, m_clock.elapsed() });
        m_events << QString("result(%1,%2)").arg(int(ok)).arg(msg);
    });
    connect(m_engine, &PushStreamEngine::pushStreamExitOut, this, [this] {
        ++m_exits;
        m_lastExitMs = m_clock.elapsed();
        m_events << "exit";
    });
    connect(m_engine, &PushStreamEngine::showVideoImageOut, this, [this](const QImage &frame) {
        ++m_previewCount;
        m_lastPreview = frame;
    });
}

PushHarness::~PushHarness()
{
    if (!m_released) {
        if (m_engine->pushStreamStatus() != StreamMediaStatus::PushStreamIdle) {
            const int exits = m_exits;
            stop();
            waitUntil([&] { return m_exits > exits; }, 15000);
        }
        release();
    }
}

void PushHarness::start(int type, const QString &microphoneName, const QString &cameraName, QSize size)
{
    QMetaObject::invokeMethod(m_engine, "startPushStreamIn", Qt::QueuedConnection,
        Q_ARG(PushStreamEngine::PushStreamType, PushStreamEngine::PushStreamType(type)), Q_ARG(QString, microphoneName),
        Q_ARG(QString, cameraName), Q_ARG(QSize, size));
}

void PushHarness::stop()
{
    QMetaObject::invokeMethod(m_engine, "stopPushStreamIn", Qt::QueuedConnection);
}

bool PushHarness::waitForResults(int n, int timeoutMs)
{
    return waitUntil([&] { return m_results.size() >= n; }, timeoutMs);
}

bool PushHarness::waitForExits(int n, int timeoutMs)
{
    return waitUntil([&] { return m_exits >= n; }, timeoutMs);
}

bool PushHarness::waitForPreviews(int n, int timeoutMs)
{
    const int target = m_previewCount + n;
    return waitUntil([&] { return m_previewCount >= target; }, timeoutMs);
}

bool PushHarness::roundTrip(int timeoutMs)
{
    // Not through the engine itself: the call must come back whether or not the engine is still there.
    auto *relay = new QObject;
    relay->moveToThread(m_thread);
    auto back = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        relay,
        [this, relay, back] {
            QMetaObject::invokeMethod(
                this, [back] { *back = true; }, Qt::QueuedConnection);
            delete relay;
        },
        Qt::QueuedConnection);
    return waitUntil([&] { return *back; }, timeoutMs);
}

bool PushHarness::release(int timeoutMs)
{
    if (!m_released) {
        m_released = true;
        m_engine->releaseThread();
    }
    if (timeoutMs <= 0)
        return m_deleted;
    return waitUntil([&] { return m_deleted; }, timeoutMs);
}
