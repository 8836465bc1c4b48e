#include "tests/media/engineprobe.h"
#include "tests/support/delayrelay.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/pull/pullstreamengine.h"

#include <QUrl>
#include <QtTest>

#include <memory>

namespace {
// What the link may cost the first picture, in its round trips, over what the same pull takes without it: over
// a round trip of 400 ms, as a school on a mobile or satellite link has, some six seconds in all.
constexpr int openRoundTrips = 10;
constexpr double keyframeSeconds = 1;
constexpr int stallPeriodMs = 1500;
} // namespace

// The teacher's stream over a slow link: nginx behind a relay that delays every byte and now and then holds
// everything for a while.
class TestPullSlowLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void slowLinkConnectsAndPlays_data();
    void slowLinkConnectsAndPlays();

private:
    QString relayedUrl(const DelayRelay &relay, const QString &name) const;

    RtmpServer m_server;
    std::unique_ptr<FfmpegPublisher> m_teacher;
};

void TestPullSlowLink::initTestCase()
{
    QVERIFY(m_server.start());
    FfmpegPublisher::Options options;
    options.keyframeSeconds = keyframeSeconds;
    m_teacher = std::make_unique<FfmpegPublisher>(options);
    QVERIFY(m_teacher->start(m_server.url("teacher")));
}

void TestPullSlowLink::cleanupTestCase()
{
    m_teacher.reset();
}

QString TestPullSlowLink::relayedUrl(const DelayRelay &relay, const QString &name) const
{
    const QString path = QUrl(m_server.url(name)).path(QUrl::FullyEncoded);
    return QString("rtmp://127.0.0.1:%1%2 live=1 timeout=7").arg(relay.port()).arg(path);
}

void TestPullSlowLink::slowLinkConnectsAndPlays_data()
{
    QTest::addColumn<int>("oneWayDelayMs");
    QTest::addColumn<int>("holdMs");
    QTest::newRow("400 ms round trip") << 200 << 0;
    // A lost packet now and then: everything behind it waits for the retransmission.
    QTest::newRow("400 ms round trip, holds of 300 ms") << 200 << 300;
    // The open takes longer than the connect limit: only its progress keeps it going.
    QTest::newRow("800 ms round trip") << 400 << 0;
}

void TestPullSlowLink::slowLinkConnectsAndPlays()
{
    QFETCH(int, oneWayDelayMs);
    QFETCH(int, holdMs);
    DelayRelay relay;
    QVERIFY(relay.start(m_server.port(), oneWayDelayMs));
    if (holdMs > 0)
        relay.setStalls(stallPeriodMs, holdMs);

    // The same pull straight from nginx, just before: what the publisher and a busy machine cost now, without the
    // link. Each pull waits for a keyframe of its own.
    qint64 direct = 0;
    {
        EngineProbe probe;
        QElapsedTimer clock;
        clock.start();
        probe.start("teacher", PullStreamEngine::PullAudioRequired, m_server.url("teacher") + " live=1 timeout=7");
        QVERIFY(probe.waitUntil([&] { return probe.frames() > 0; }, 30000));
        direct = clock.elapsed();
        probe.stop();
        QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 10000));
    }

    EngineProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.start("teacher", PullStreamEngine::PullAudioRequired, relayedUrl(relay, "teacher"));
    // Each of the open's round trips is progress, none a reason to give up.
    QVERIFY(probe.waitUntil([&] { return probe.frames() > 0; }, 30000));
    const qint64 firstPicture = clock.elapsed();
    qint64 allowed = direct + qint64(keyframeSeconds * 1000) + openRoundTrips * 2 * oneWayDelayMs;
    // Every hold the link makes in that time stops what is under way for its length.
    if (holdMs > 0)
        allowed += (allowed / stallPeriodMs + 1) * holdMs;
    qInfo() << "first picture after" << firstPicture << "ms, straight from nginx after" << direct << "ms";
    QVERIFY2(firstPicture < allowed, qPrintable(QString("%1 ms, allowed %2 ms").arg(firstPicture).arg(allowed)));
    QCOMPARE(probe.engine()->startCount(), uchar(1));
    QCOMPARE(relay.connections(), 1);
    QCOMPARE(probe.successes(), 1);

    // And it plays on, holds and all, on the one connection.
    for (int second = 0; second < 8; ++second) {
        const int frames = probe.frames();
        QVERIFY2(probe.waitUntil([&] { return probe.frames() > frames; }, 5000), qPrintable(QString::number(second)));
        QTest::qWait(1000);
    }
    QCOMPARE(probe.engine()->startCount(), uchar(1));
    QCOMPARE(relay.connections(), 1);
    QCOMPARE(probe.engine()->pullStreamStatus(), StreamMediaStatus::PullStreamExec);
    probe.stop();
    QVERIFY(probe.waitUntil([&] { return probe.exits() == 1; }, 10000));
}

QTEST_GUILESS_MAIN(TestPullSlowLink)
#include "tst_pullslowlink.moc"
