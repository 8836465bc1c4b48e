#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/utils/threadfactory.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QtTest>

#include <memory>

namespace {
struct Result
{
    bool ok;
    QString userId;
    QString msg;
};

// What the factory tells its owner, as the owner's slots would receive it.
class FactoryObserver : public QObject
{
public:
    explicit FactoryObserver(PullEngineFactory *factory)
    {
        connect(factory, &PullEngineFactory::pullStreamResultOut, this,
            [this](bool ok, const QString &userId, const QString &msg) {
                results.append({ ok, userId, msg });
            });
        connect(
            factory, &PullEngineFactory::showVideoImageOut, this, [this](const QString &userId, const QImage &frame) {
                frames[userId] += 1;
                lastSize = frame.size();
            });
    }

    int count(const QString &userId, bool ok) const
    {
        int n = 0;
        for (const Result &result : results) {
            if (result.userId == userId && result.ok == ok)
                ++n;
        }
        return n;
    }

    QList<Result> results;
    QHash<QString, int> frames;
    QSize lastSize;
};

// Runs the owner's event loop, as the queued signals need it.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
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

// Once a call queued now has run, everything queued to the owner's thread before it has been delivered.
bool deliverQueued(QObject *receiver)
{
    bool delivered = false;
    QMetaObject::invokeMethod(
        receiver, [&delivered] { delivered = true; }, Qt::QueuedConnection);
    return waitUntil([&delivered] { return delivered; }, 10000);
}

void start(PullEngineFactory *factory, const QString &userId, const QString &url,
    PullStreamEngine::PullStreamType type = PullStreamEngine::PullAudioRequired)
{
    QMetaObject::invokeMethod(factory, "startPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, userId),
        Q_ARG(PullStreamEngine::PullStreamType, type), Q_ARG(QString, url), Q_ARG(bool, true));
}

void stop(PullEngineFactory *factory, const QString &userId)
{
    QMetaObject::invokeMethod(factory, "stopPullStreamIn", Qt::QueuedConnection, Q_ARG(QString, userId));
}
} // namespace

class TestPullEngineFactory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void secondStartForAPulledUserIsRefused();
    void engineServesTheNextUserAfterItsPullEnded();
    void stopOfAnUnknownUserChangesNothing();
    void successCrossingAStopIsNotPassedOn();
    void startThatCannotRunIsReportedAndTheEngineReturns();
    void teardownWithLivePullsKeepsTheOwnerResponsive();

private:
    RtmpServer m_server;
    std::unique_ptr<FfmpegPublisher> m_publisher;
};

void TestPullEngineFactory::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
    FfmpegPublisher::Options options;
    options.keyframeSeconds = 0.5;
    m_publisher = std::make_unique<FfmpegPublisher>(options);
    QVERIFY(m_publisher->start(m_server.url("class")));
}

void TestPullEngineFactory::cleanupTestCase()
{
    m_publisher.reset();
    QVERIFY(waitUntil([] { return PullEngineFactory::enginesStopping() == 0; }, 15000));
}

void TestPullEngineFactory::init()
{
    // The engines of the pools that went in the tests before are freed as they stop, not when their pool goes.
    QVERIFY(waitUntil([] { return PullEngineFactory::enginesStopping() == 0; }, 15000));
}

void TestPullEngineFactory::secondStartForAPulledUserIsRefused()
{
    PullEngineFactory factory;
    FactoryObserver observer(&factory);
    start(&factory, "u1", m_server.url("class"));
    start(&factory, "u1", m_server.url("class"));
    QVERIFY(waitUntil([&] { return observer.count("u1", true) == 1; }, 10000));
    QVERIFY(waitUntil([&] { return observer.frames.value("u1") > 10; }, 5000));
    QCOMPARE(observer.results.size(), 1);
    QCOMPARE(factory.engineCount(), 1);
}

void TestPullEngineFactory::engineServesTheNextUserAfterItsPullEnded()
{
    PullEngineFactory factory;
    FactoryObserver observer(&factory);
    start(&factory, "a", m_server.url("class"));
    QVERIFY(waitUntil([&] { return observer.count("a", true) == 1 && observer.frames.value("a") > 0; }, 10000));
    const QString poid = factory.pullObjIdOf("a");
    QCOMPARE(poid.size(), 40);
    const QString threadName = factory.pullEngineOf("a")->thread()->objectName();
    QCOMPARE(threadName, "Pull Stream " + poid.left(6));

    // The owner learns of the stop at once; the engine is free only once it has ended.
    stop(&factory, "a");
    QVERIFY(waitUntil([&] { return observer.count("a", false) == 1; }, 1000));
    QVERIFY(waitUntil([&] { return factory.idleEngineCount() == 1; }, 5000));
    const int framesOfA = observer.frames.value("a");
    QVERIFY(deliverQueued(&observer));
    QCOMPARE(observer.frames.value("a"), framesOfA);

    start(&factory, "b", m_server.url("class"));
    QVERIFY(waitUntil([&] { return observer.count("b", true) == 1 && observer.frames.value("b") > 0; }, 10000));
    QCOMPARE(factory.engineCount(), 1);
    QCOMPARE(factory.pullObjIdOf("b"), poid);
    QCOMPARE(factory.pullEngineOf("b")->thread()->objectName(), threadName);
    QCOMPARE(observer.count("a", false), 1);
    QCOMPARE(observer.frames.value("a"), framesOfA);
}

void TestPullEngineFactory::stopOfAnUnknownUserChangesNothing()
{
    PullEngineFactory factory;
    FactoryObserver observer(&factory);
    stop(&factory, "nobody");
    QMetaObject::invokeMethod(
        &factory, "startPlayAudioIn", Qt::QueuedConnection, Q_ARG(QString, "nobody"), Q_ARG(bool, false));
    QVERIFY(deliverQueued(&factory));
    QVERIFY(observer.results.isEmpty());
    QCOMPARE(factory.engineCount(), 0);
}

void TestPullEngineFactory::successCrossingAStopIsNotPassedOn()
{
    PullEngineFactory factory;
    FactoryObserver observer(&factory);
    start(&factory, "a", m_server.url("class"));
    QVERIFY(waitUntil([&] { return observer.count("a", true) == 1; }, 10000));
    const QString poid = factory.pullObjIdOf("a");
    stop(&factory, "a");
    QVERIFY(waitUntil([&] { return observer.count("a", false) == 1; }, 1000));
    // A reconnection's success sent by the engine just before the stop reached it.
    factory.pullStreamResultIn(poid, true, QString());
    QVERIFY(waitUntil([&] { return factory.idleEngineCount() == 1; }, 5000));
    QCOMPARE(observer.count("a", true), 1);
    QCOMPARE(observer.results.size(), 2);
}

void TestPullEngineFactory::startThatCannotRunIsReportedAndTheEngineReturns()
{
    PullEngineFactory factory;
    FactoryObserver observer(&factory);
    start(&factory, "a", m_server.url("class"), PullStreamEngine::PullStreamType(8));
    QVERIFY(waitUntil([&] { return observer.count("a", false) == 1; }, 3000));
    QVERIFY(waitUntil([&] { return factory.idleEngineCount() == 1; }, 3000));
    QCOMPARE(observer.results.size(), 1);

    start(&factory, "a", m_server.url("class"));
    QVERIFY(waitUntil([&] { return observer.count("a", true) == 1; }, 10000));
    QCOMPARE(factory.engineCount(), 1);
}

void TestPullEngineFactory::teardownWithLivePullsKeepsTheOwnerResponsive()
{
    ThreadFactory *threads = ThreadFactory::getInstance();
    const int threadsBefore = threads->threadCount();
    auto *factory = new PullEngineFactory();
    FactoryObserver observer(factory);
    const QStringList live { "s1", "s2", "s3", "s4" };
    for (const QString &userId : live)
        start(factory, userId, m_server.url("class"));
    QVERIFY(waitUntil(
        [&] {
            for (const QString &userId : live) {
                if (observer.count(userId, true) != 1 || observer.frames.value(userId) < 3)
                    return false;
            }
            return true;
        },
        15000));
    // And one whose server takes the connection and never answers: the open blocks in the handshake.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    start(factory, "gone", QString("rtmp://127.0.0.1:%1/live/gone").arg(silent.serverPort()));
    QVERIFY(waitUntil([&] { return silent.hasPendingConnections(); }, 10000));
    QCOMPARE(factory->engineCount(), 5);
    QVERIFY(threads->threadCount() >= threadsBefore + 5 * 4);

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    delete factory;
    // The owner did not wait for the engines: they are stopping still, and its timer fires meanwhile.
    QCOMPARE(PullEngineFactory::enginesStopping(), 5);
    QVERIFY(threads->threadCount() > threadsBefore);
    const int ticksAtReturn = ticks;
    QVERIFY(waitUntil([&] { return PullEngineFactory::enginesStopping() == 0; }, 15000));
    QVERIFY(ticks > ticksAtReturn);
    // Every engine's thread and its three stage threads went back to the pool.
    QVERIFY(waitUntil([&] { return threads->threadCount() == threadsBefore; }, 5000));
    // Nothing queued for the gone factory is delivered anywhere.
    QVERIFY(deliverQueued(&observer));
}

QTEST_GUILESS_MAIN(TestPullEngineFactory)
#include "tst_pullenginefactory.moc"
