#include "updater/ntask.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestNTask : public QObject
{
    Q_OBJECT
private slots:
    void runsEveryTaskOnTwoThreads();
    void taskQueuedWhileTheSlotFinishesIsNotStranded();
    void emptyCallableIsRefused();
    void taskMayQueueAnother();
};

void TestNTask::runsEveryTaskOnTwoThreads()
{
    std::atomic<int> running { 0 };
    std::atomic<int> most { 0 };
    std::atomic<int> done { 0 };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    {
        ZR::NTask pool;
        for (int i = 0; i < 12; ++i) {
            pool.push([&] {
                const int now = ++running;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) { }
                // The first tasks wait for a second to run beside them, however late a busy machine starts it.
                while (most.load() < 2 && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                --running;
                ++done;
            });
        }
    } // the pool waits for its queue
    QCOMPARE(done.load(), 12);
    QCOMPARE(most.load(), 2);
}

void TestNTask::taskQueuedWhileTheSlotFinishesIsNotStranded()
{
    // One slot, and each task queued just as the previous one ends: the moment a slot runs out of work and
    // frees itself. A task queued in that gap must still run without any later push. The gap is tried as often
    // as the machine allows in a few seconds: a busy one makes each round slow, not wrong.
    ZR::NTask pool(1);
    std::atomic<int> done { 0 };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    for (int i = 1; i <= 20000 && std::chrono::steady_clock::now() < end; ++i) {
        QVERIFY(pool.push([&done] { ++done; }));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (done.load() < i) {
            QVERIFY2(std::chrono::steady_clock::now() < deadline, qPrintable(QString("task %1 stranded").arg(i)));
            std::this_thread::yield();
        }
    }
}

void TestNTask::emptyCallableIsRefused()
{
    ZR::NTask pool;
    QVERIFY(!pool.push(std::function<void()>()));
    std::atomic<bool> ran { false };
    QVERIFY(pool.push([&ran] { ran = true; }));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!ran && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    QVERIFY(ran);
}

void TestNTask::taskMayQueueAnother()
{
    std::atomic<int> done { 0 };
    {
        ZR::NTask pool;
        pool.push([&] {
            ++done;
            pool.push([&done] { ++done; });
        });
    }
    QCOMPARE(done.load(), 2);
}

QTEST_GUILESS_MAIN(TestNTask)
#include "tst_ntask.moc"
