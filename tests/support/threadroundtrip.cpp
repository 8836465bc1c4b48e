#include "tests/support/threadroundtrip.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
// One step in the thread of there: the last one deletes there and calls back in the thread of back.
void hop(QObject *there, int left, QObject *home, const std::shared_ptr<bool> &back)
{
    if (left > 1) {
        QMetaObject::invokeMethod(
            there, [there, left, home, back] { hop(there, left - 1, home, back); }, Qt::QueuedConnection);
        return;
    }
    there->deleteLater();
    QMetaObject::invokeMethod(
        home, [back] { *back = true; }, Qt::QueuedConnection);
}
} // namespace

bool roundTripThrough(QThread *thread, int hops, int timeoutMs)
{
    if (!thread)
        return false;
    const auto back = std::make_shared<bool>(false);
    // The way back ends at an object of the calling thread that outlives the wait: a call that comes after a
    // time-out finds it still there.
    QObject *home = QCoreApplication::instance();
    if (home->thread() != QThread::currentThread())
        return false;
    auto *there = new QObject;
    there->moveToThread(thread);
    QMetaObject::invokeMethod(
        there, [there, hops, home, back] { hop(there, hops, home, back); }, Qt::QueuedConnection);
    return QTest::qWaitFor([back] { return *back; }, timeoutMs);
}

bool roundTripAfter(QThread *thread, int delayMs, int timeoutMs)
{
    if (!thread)
        return false;
    const auto back = std::make_shared<bool>(false);
    QObject *home = QCoreApplication::instance();
    if (home->thread() != QThread::currentThread())
        return false;
    auto *there = new QObject;
    there->moveToThread(thread);
    QMetaObject::invokeMethod(
        there,
        [there, delayMs, home, back] {
            QTimer::singleShot(delayMs, Qt::PreciseTimer, there, [there, home, back] { hop(there, 1, home, back); });
        },
        Qt::QueuedConnection);
    return QTest::qWaitFor([back] { return *back; }, delayMs + timeoutMs);
}
