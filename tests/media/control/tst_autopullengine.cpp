#include "tests/media/control/pulltablefixture.h"
#include "tests/support/signalrecorder.h"
#include "vrek/media/control/autopullengine.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

namespace {
QStringList place(const QString &id)
{
    return { QString("pullStreamChangeOut(,%1,true,false)").arg(id), QString("startPullStreamOut(%1)").arg(id) };
}
QString start(const QString &id)
{
    return QString("startPullStreamOut(%1)").arg(id);
}
QString stop(const QString &id)
{
    return QString("stopPullStreamOut(%1)").arg(id);
}
QString leave(const QString &id)
{
    return QString("pullStreamChangeOut(%1,,true,false)").arg(id);
}
QString enter(const QString &id)
{
    return QString("pullStreamChangeOut(,%1,true,false)").arg(id);
}
} // namespace

// The automatic rotation over a pull-user table. The manager's part is played by the fixture: a user whose
// pull the policy starts counts as pulled, as the manager marks him.
class TestAutoPullEngine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rotation_data();
    void rotation();
    void stopRotationStopsEveryAutomaticUser();
    void timerRotatesAtItsPeriod();

private:
    void make(uint maxShow);
    // A user id (see PullTableFixture) joins the queue; "start", "tick", "stop" and "stop:ID" drive the policy.
    void run(const QStringList &events);

    PullTableFixture *m_fixture = nullptr;
    AutoPullEngine *m_policy = nullptr;
    SignalRecorder *m_recorder = nullptr;
};

void TestAutoPullEngine::init()
{
    g_userId = "me";
    m_fixture = new PullTableFixture;
}

void TestAutoPullEngine::cleanup()
{
    delete m_recorder;
    m_recorder = nullptr;
    delete m_policy;
    m_policy = nullptr;
    delete m_fixture;
    m_fixture = nullptr;
}

void TestAutoPullEngine::make(uint maxShow)
{
    m_policy = new AutoPullEngine(&m_fixture->table, maxShow);
    connect(m_policy, &AutoPullEngine::startPullStreamOut, m_policy,
        [this](const QString &id) { m_fixture->user(id)->setPullStreamState(PullUserInfo::PullStreamStarted); });
    m_recorder = new SignalRecorder(m_policy);
}

void TestAutoPullEngine::run(const QStringList &events)
{
    for (const QString &event : events) {
        if (event == "start") {
            m_policy->startAutoPullIn();
        } else if (event == "tick") {
            m_policy->autoStartPullIn();
        } else if (event == "stop") {
            m_policy->stopAutoPullIn();
        } else if (event.startsWith("stop:")) {
            m_policy->stopAutoPullStreamIn(event.mid(5));
        } else {
            PullUserInfo *info = m_fixture->add(event);
            QVERIFY2(info, qPrintable(event));
            m_policy->insertShowQueueIn(info->getUserId());
        }
    }
}

void TestAutoPullEngine::rotation_data()
{
    QTest::addColumn<uint>("maxShow");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("table");

    QTest::newRow("nobody waits") << 3u << QStringList { "start", "tick" } << QStringList() << QStringList();
    QTest::newRow("fewer than the maximum are placed at once")
        << 3u << QStringList { "u1", "u2", "start" } << (place("u1") + place("u2"))
        << QStringList { "u1=1.1.1", "u2=1.1.1" };
    QTest::newRow("two shown, a newcomer is added without replacing anybody")
        << 3u << QStringList { "u1", "u2", "start", "u3", "tick" } << (place("u1") + place("u2") + place("u3"))
        << QStringList { "u1=1.1.1", "u2=1.1.1", "u3=1.1.1" };
    QTest::newRow("a user without a push stream id is never chosen")
        << 3u << QStringList { "u1", "-u2", "u3", "start", "tick" } << (place("u1") + place("u3"))
        << QStringList { "u1=1.1.1", "u3=1.1.1" };
    QTest::newRow("the own user is never chosen")
        << 3u << QStringList { "me", "u1", "start" } << place("u1") << QStringList { "u1=1.1.1" };
    QTest::newRow("a user pulled by hand is never chosen")
        << 3u << QStringList { "u1=2.1.1", "u2", "start" } << place("u2") << QStringList { "u1=2.1.1", "u2=1.1.1" };
    // Each tick places at most three: with three shown and four waiting, the fourth waits for the next tick.
    QTest::newRow("three shown, four waiting: one tick replaces three")
        << 3u << QStringList { "u1", "u2", "u3", "u4", "u5", "u6", "u7", "start", "tick" }
        << (place("u1") + place("u2") + place("u3") + QStringList { start("u4"), start("u5"), start("u6") })
        << QStringList { "u1=1.1.2>u4", "u2=1.1.2>u5", "u3=1.1.2>u6", "u4=1.1.1<u1", "u5=1.1.1<u2", "u6=1.1.1<u3" };
    QTest::newRow("the one shown longest is replaced first")
        << 2u << QStringList { "u1", "u2", "start", "u3", "tick" }
        << (place("u1") + place("u2") + QStringList { start("u3") })
        << QStringList { "u1=1.1.2>u3", "u2=1.1.1", "u3=1.1.1<u1" };
    // A successor without a picture at the next tick is himself replaced: the user shown before him keeps
    // his place until the newest successor's first picture. Users stopped this way wait again.
    QTest::newRow("a step that places a user goes on with the next")
        << 1u << QStringList { "u1", "u2", "start", "tick" } << (place("u1") + QStringList { start("u2") })
        << QStringList { "u1=1.1.2>u2", "u2=1.1.1<u1" };
    QTest::newRow("chained replacement") << 1u << QStringList { "u1", "u2", "start", "tick", "u3", "tick" }
                                         << (place("u1")
                                                + QStringList { start("u2"), stop("u2"), start("u3"), stop("u3"),
                                                    start("u2"), stop("u2"), start("u3") })
                                         << QStringList { "u1=1.1.2>u3", "u3=1.1.1<u1" };
    QTest::newRow("stopping a successor leaves the replaced user in his place")
        << 1u << QStringList { "u1", "u2", "start", "tick", "stop:u2" }
        << (place("u1") + QStringList { start("u2"), stop("u2") }) << QStringList { "u1=1.1.1" };
    QTest::newRow("stopping a leaving user gives his place to the successor at once")
        << 1u << QStringList { "u1", "u2", "start", "tick", "stop:u1" }
        << (place("u1") + QStringList { start("u2"), leave("u1"), enter("u2"), stop("u1") })
        << QStringList { "u2=1.1.1" };
    QTest::newRow("stopping a shown user") << 3u << QStringList { "u1", "start", "stop:u1" }
                                           << (place("u1") + QStringList { leave("u1"), stop("u1") }) << QStringList();
    QTest::newRow("stopping a user pulled by hand is not the rotation's")
        << 3u << QStringList { "u1=2.1.1", "stop:u1", "stop:nobody" } << QStringList() << QStringList { "u1=2.1.1" };
}

void TestAutoPullEngine::rotation()
{
    QFETCH(uint, maxShow);
    QFETCH(QStringList, events);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, table);

    make(maxShow);
    run(events);
    QCOMPARE(m_recorder->emitted(), emitted);
    QCOMPARE(m_fixture->busy(), table);
}

void TestAutoPullEngine::stopRotationStopsEveryAutomaticUser()
{
    make(3);
    run({ "u1", "u2", "u3", "u4", "m1=2.1.1", "start", "tick" });
    QVERIFY(m_policy->isRotating());
    m_recorder->clear();

    m_policy->stopAutoPullIn();
    QVERIFY(!m_policy->isRotating());
    QStringList emitted = m_recorder->emitted();
    std::sort(emitted.begin(), emitted.end());
    // u4 is still taking u1's place: only the users with a place of their own leave the screen.
    QCOMPARE(emitted,
        QStringList({ leave("u1"), leave("u2"), leave("u3"), stop("u1"), stop("u2"), stop("u3"), stop("u4") }));
    QCOMPARE(m_fixture->busy(), QStringList { "m1=2.1.1" });
}

void TestAutoPullEngine::timerRotatesAtItsPeriod()
{
    make(1);
    const int periodMs = 40;
    m_policy->setRotationPeriod(periodMs);
    run({ "u1", "start", "u2" });
    QCOMPARE(m_fixture->describe("u1"), QString("u1=1.1.1"));
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture->describe("u1"), QString("u1=1.1.2>u2"), 2000);
    // Deleting the policy stops its timer: nothing ticks into a table that goes next.
    delete m_recorder;
    m_recorder = nullptr;
    delete m_policy;
    m_policy = nullptr;
    const QStringList before = m_fixture->busy();
    // A timer of the same period started after it: by its third tick the policy's would have ticked.
    int ticks = 0;
    QTimer marker;
    connect(&marker, &QTimer::timeout, [&ticks] { ++ticks; });
    marker.start(periodMs);
    QTRY_VERIFY(ticks >= 3);
    QCOMPARE(m_fixture->busy(), before);
}

QTEST_GUILESS_MAIN(TestAutoPullEngine)
#include "tst_autopullengine.moc"
