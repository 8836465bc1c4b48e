#include "vrek/utils/threadfactory.h"

#include <QPointer>
#include <QSemaphore>
#include <QThread>
#include <QtTest>

namespace {
class Blocker : public QObject
{
    Q_OBJECT
public:
    QSemaphore entered;
    QSemaphore release;
public slots:
    void block()
    {
        entered.release();
        release.acquire();
    }
};
} // namespace

class TestThreadFactory : public QObject
{
    Q_OBJECT
private slots:
    void firstAllocationsInAFreshFactory();
    void releaseOfTheLastObjectRemovesTheThread();
    void unknownIdsAndThreads();
    void idsWrapAndSkipIdsInUse();
    void allIdsInUseDoesNotHang();
    void capacityPerThread();
    void fixedPoolSharesByLeastLoad();
    void releaseOfABusyThreadDoesNotAbort();
    void unbindDeletesTheObjectAndReleases();
    void sharedInstance();
};

void TestThreadFactory::firstAllocationsInAFreshFactory()
{
    ThreadFactory factory;
    QCOMPARE(factory.allocThreadId(), 1u);
    QCOMPARE(factory.threadCount(), 1); // the thread made by initialisation serves the first object
    QCOMPARE(factory.allocThreadId(), 2u);
    QCOMPARE(factory.threadCount(), 2);
    QThread *first = factory.getThread(1);
    QVERIFY(first);
    QVERIFY(first->isRunning());
    QCOMPARE(factory.getThreadId(first), 1u);
    QVERIFY(factory.releaseThreadId(1));
    QVERIFY(factory.releaseThreadId(2));
}

void TestThreadFactory::releaseOfTheLastObjectRemovesTheThread()
{
    ThreadFactory factory;
    const unsigned int id = factory.allocThreadId();
    QPointer<QThread> thread = factory.getThread(id);
    QVERIFY(thread);
    QVERIFY(factory.releaseThreadId(id));
    QVERIFY(thread.isNull());
    QCOMPARE(factory.threadCount(), 0);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("the thread does not exist! i:"));
    QVERIFY(!factory.getThread(id));
    QVERIFY(!factory.releaseThreadId(id)); // a second release changes nothing
}

void TestThreadFactory::unknownIdsAndThreads()
{
    ThreadFactory factory;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("the thread does not exist! i: 42"));
    QVERIFY(!factory.getThread(42));
    QThread foreign;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("the th does not exist! th"));
    QCOMPARE(factory.getThreadId(&foreign), ThreadFactory::noThreadId);
    QVERIFY(!factory.releaseThreadId(42));
}

void TestThreadFactory::idsWrapAndSkipIdsInUse()
{
    ThreadFactory factory(nullptr, 5);
    const unsigned int a = factory.allocThreadId(); // 1
    const unsigned int b = factory.allocThreadId(); // 2
    QCOMPARE(a, 1u);
    QCOMPARE(b, 2u);
    QList<unsigned int> seen;
    for (int i = 0; i < 6; ++i) {
        const unsigned int id = factory.allocThreadId();
        seen.append(id);
        QVERIFY(factory.releaseThreadId(id));
    }
    // 3, 4, 5, then past the end back to the start, skipping 1 and 2 that are still held.
    QCOMPARE(seen, (QList<unsigned int> { 3, 4, 5, 3, 4, 5 }));
    factory.releaseThreadId(a);
    factory.releaseThreadId(b);
}

void TestThreadFactory::allIdsInUseDoesNotHang()
{
    ThreadFactory factory(nullptr, 3);
    QList<unsigned int> ids;
    for (int i = 0; i < 3; ++i)
        ids.append(factory.allocThreadId());
    QCOMPARE(ids, (QList<unsigned int> { 1, 2, 3 }));
    QTest::ignoreMessage(QtCriticalMsg, "every thread id is in use, no thread created");
    QCOMPARE(factory.allocThreadId(), ThreadFactory::noThreadId);
    QCOMPARE(factory.threadCount(), 3);
    QVERIFY(factory.releaseThreadId(2));
    QCOMPARE(factory.allocThreadId(), 2u); // a freed id is taken again
    for (unsigned int id : ids)
        factory.releaseThreadId(id);
}

void TestThreadFactory::capacityPerThread()
{
    ThreadFactory factory;
    factory.initThreadType(ThreadFactory::GrowingPool, 2);
    QCOMPARE(factory.allocThreadId(), 1u);
    QCOMPARE(factory.allocThreadId(), 1u);
    QCOMPARE(factory.allocThreadId(), 2u);
    QCOMPARE(factory.threadLoad(1), 2u);
    QVERIFY(!factory.releaseThreadId(1)); // still carries one object
    QVERIFY(factory.releaseThreadId(1));
    QVERIFY(factory.releaseThreadId(2));
}

void TestThreadFactory::fixedPoolSharesByLeastLoad()
{
    ThreadFactory factory;
    factory.initThreadType(ThreadFactory::FixedPool, 3);
    factory.initThreadType(ThreadFactory::GrowingPool, 1); // the type cannot change afterwards
    QCOMPARE(factory.threadCount(), 3);
    QSet<unsigned int> first;
    for (int i = 0; i < 3; ++i)
        first.insert(factory.allocThreadId());
    QCOMPARE(first, (QSet<unsigned int> { 1, 2, 3 }));
    const unsigned int fourth = factory.allocThreadId();
    QCOMPARE(factory.threadLoad(fourth), 2u);
    QVERIFY(!factory.releaseThreadId(fourth)); // fixed-pool threads are never removed
    QVERIFY(!factory.releaseThreadId(fourth));
    QCOMPARE(factory.threadCount(), 3);
    // Stop the pool's threads by hand: the factory leaves them running by design.
    for (unsigned int id = 1; id <= 3; ++id) {
        QThread *thread = factory.getThread(id);
        thread->quit();
        thread->wait();
        delete thread;
    }
}

void TestThreadFactory::releaseOfABusyThreadDoesNotAbort()
{
    ThreadFactory factory;
    factory.setReleaseWait(50);
    const unsigned int id = factory.allocThreadId();
    QPointer<QThread> thread = factory.getThread(id);
    auto *blocker = new Blocker;
    blocker->moveToThread(thread);
    QMetaObject::invokeMethod(blocker, "block", Qt::QueuedConnection);
    QVERIFY(blocker->entered.tryAcquire(1, 5000));

    QVERIFY(factory.releaseThreadId(id));
    QVERIFY(thread); // still running its busy object: not deleted
    QCOMPARE(factory.threadCount(), 0);

    blocker->release.release();
    QTRY_VERIFY(thread.isNull()); // it deletes itself once its loop has ended
    delete blocker;
}

void TestThreadFactory::unbindDeletesTheObjectAndReleases()
{
    ThreadFactory factory;
    const unsigned int id = factory.allocThreadId();
    QPointer<QThread> thread = factory.getThread(id);
    QPointer<QObject> worker = new QObject;
    worker->moveToThread(thread);
    QSignalSpy spy(&factory, &ThreadFactory::signalUnbindThread);
    // A worker ends itself from its own thread; the release arrives in the factory's thread.
    QMetaObject::invokeMethod(worker, [&factory, w = worker.data(), id] { factory.unbindThread(w, id); });
    QTRY_COMPARE(spy.count(), 1);
    QTRY_VERIFY(worker.isNull());
    QTRY_VERIFY(thread.isNull());
    QCOMPARE(factory.threadCount(), 0);
}

void TestThreadFactory::sharedInstance()
{
    QVERIFY(ThreadFactory::getInstance());
    QCOMPARE(ThreadFactory::getInstance(), ThreadFactory::getInstance());
}

QTEST_GUILESS_MAIN(TestThreadFactory)
#include "tst_threadfactory.moc"
