#include "tests/media/control/pulltablefixture.h"
#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/media/control/manualpullengine.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

namespace {
QString change(const QString &from, const QString &to, bool isAuto, bool isMain)
{
    return QString("pullStreamChangeOut(%1,%2,%3,%4)")
        .arg(from, to, isAuto ? "true" : "false", isMain ? "true" : "false");
}
QString start(const QString &id)
{
    return QString("startPullStreamOut(%1)").arg(id);
}
QString stop(const QString &id)
{
    return QString("stopPullStreamOut(%1)").arg(id);
}
// The class announcements of a lecturer's client: StartPullSubStream and StopPullSubStream.
QString announceStart(const QString &id)
{
    return QString("11\t0\tc1\t3$5$L1$%1$ps%1$0$%1$\t0").arg(id);
}
QString announceStop(const QString &id)
{
    return QString("11\t0\tc1\t3$6$L1$%1$$0$%1$\t0").arg(id);
}
QString tellLate(const QString &to, const QString &id)
{
    return QString("11\t1\t%1\t3$5$L1$%2$ps%2$0$%2$\t0").arg(to, id);
}
} // namespace

// The teacher's main and sub choice over a pull-user table, with the announcements the class is sent through
// the classroom connection.
class TestManualPullEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void choices_data();
    void choices();

private:
    ClassroomLink *m_link = nullptr;
    PullTableFixture *m_fixture = nullptr;
};

void TestManualPullEngine::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestManualPullEngine::cleanupTestCase()
{
    delete m_link;
}

void TestManualPullEngine::init()
{
    g_userId = "L1";
    g_classId = "c1";
    m_link->clear();
    m_fixture = new PullTableFixture;
}

void TestManualPullEngine::cleanup()
{
    delete m_fixture;
    m_fixture = nullptr;
}

void TestManualPullEngine::choices_data()
{
    QTest::addColumn<bool>("isLect");
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("forwards");
    QTest::addColumn<QStringList>("table");

    QTest::newRow("a main user on a listener's client")
        << false << QStringList { "u1" } << QStringList { "main:u1" }
        << QStringList { change("", "u1", false, true), start("u1") } << QStringList() << QStringList { "u1=2.1.1" };
    QTest::newRow("a sub user on a lecturer's client is announced")
        << true << QStringList { "u1" } << QStringList { "sub:u1" }
        << QStringList { change("", "u1", false, false), start("u1") } << QStringList { announceStart("u1") }
        << QStringList { "u1=3.1.1" };
    QTest::newRow("a main user is not announced as a sub stream")
        << true << QStringList { "u1" } << QStringList { "main:u1" }
        << QStringList { change("", "u1", false, true), start("u1") } << QStringList() << QStringList { "u1=2.1.1" };
    QTest::newRow("a second main user stops the first without a stop announcement")
        << true << QStringList { "u1", "u2" } << QStringList { "main:u1", "main:u2" }
        << QStringList { change("", "u1", false, true), start("u1"), change("u1", "", false, true), stop("u1"),
               change("", "u2", false, true), start("u2") }
        << QStringList() << QStringList { "u2=2.1.1" };
    QTest::newRow("a second sub user replaces the first")
        << true << QStringList { "u1", "u2" } << QStringList { "sub:u1", "sub:u2" }
        << QStringList { change("", "u1", false, false), start("u1"), change("u1", "", false, false), stop("u1"),
               change("", "u2", false, false), start("u2") }
        << QStringList { announceStart("u1"), announceStart("u2") } << QStringList { "u2=3.1.1" };
    QTest::newRow("stopping the last sub user on a lecturer's client")
        << true << QStringList { "u1" } << QStringList { "sub:u1", "stop:u1" }
        << QStringList { change("", "u1", false, false), start("u1"), change("u1", "", false, false), stop("u1"),
               "pullStreamNoneOut()" }
        << QStringList { announceStart("u1"), announceStop("u1") } << QStringList();
    QTest::newRow("stopping a sub user while a main user remains")
        << true << QStringList { "u1", "u2" } << QStringList { "main:u1", "sub:u2", "stop:u2" }
        << QStringList { change("", "u1", false, true), start("u1"), change("", "u2", false, false), start("u2"),
               change("u2", "", false, false), stop("u2") }
        << QStringList { announceStart("u2"), announceStop("u2") } << QStringList { "u1=2.1.1" };
    QTest::newRow("stopping on a listener's client announces nothing")
        << false << QStringList { "u1" } << QStringList { "sub:u1", "stop:u1" }
        << QStringList { change("", "u1", false, false), start("u1"), change("u1", "", false, false), stop("u1") }
        << QStringList() << QStringList();
    QTest::newRow("stopping every sub user")
        << true << QStringList { "u1", "u2" } << QStringList { "main:u1", "sub:u2", "stopKind:sub" }
        << QStringList { change("", "u1", false, true), start("u1"), change("", "u2", false, false), start("u2"),
               change("u2", "", false, false), stop("u2") }
        << QStringList { announceStart("u2") } << QStringList { "u1=2.1.1" };
    QTest::newRow("an automatic user is taken over without a new pull")
        << true << QStringList { "u1=1.1.1" } << QStringList { "sub:u1" }
        << QStringList { "playAudioChangeOut(u1,true)", "autoToManualOut(u1)" } << QStringList { announceStart("u1") }
        << QStringList { "u1=3.1.1+audio" };
    QTest::newRow("an automatic user whose successor is on his way hands him the place")
        << false << QStringList { "u1=1.1.2>u2", "u2=1.1.1<u1" } << QStringList { "sub:u1" }
        << QStringList { "playAudioChangeOut(u1,true)", change("u1", "", true, false), change("", "u2", true, false),
               change("", "u1", false, false) }
        << QStringList() << QStringList { "u1=3.1.1+audio", "u2=1.1.1" };
    QTest::newRow("a successor chosen by hand leaves the replaced user in his place")
        << false << QStringList { "u1=1.1.2>u2", "u2=1.1.1<u1" } << QStringList { "sub:u2" }
        << QStringList { change("", "u2", false, false) } << QStringList() << QStringList { "u1=1.1.1", "u2=3.1.1" };
    QTest::newRow("a main choice of an automatic user keeps his origin")
        << false << QStringList { "u1=1.1.1" } << QStringList { "main:u1" }
        << QStringList { "playAudioChangeOut(u1,true)", "autoToManualOut(u1)" } << QStringList()
        << QStringList { "u1=1.1.1+audio" };
    QTest::newRow("a late joiner is told the sub users")
        << true << QStringList { "u1", "u2" } << QStringList { "main:u1", "sub:u2", "late:x" }
        << QStringList { change("", "u1", false, true), start("u1"), change("", "u2", false, false), start("u2") }
        << QStringList { announceStart("u2"), tellLate("x", "u2") } << QStringList { "u1=2.1.1", "u2=3.1.1" };
    QTest::newRow("a late joiner on a listener's client is told nothing")
        << false << QStringList { "u1" } << QStringList { "sub:u1", "late:x" }
        << QStringList { change("", "u1", false, false), start("u1") } << QStringList() << QStringList { "u1=3.1.1" };
    QTest::newRow("an unknown user") << true << QStringList() << QStringList { "main:nobody", "stop:nobody" }
                                     << QStringList() << QStringList() << QStringList();
}

void TestManualPullEngine::choices()
{
    QFETCH(bool, isLect);
    QFETCH(QStringList, users);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, forwards);
    QFETCH(QStringList, table);

    g_userType = isLect ? 0 : 1;
    ManualPullEngine policy(&m_fixture->table, 1);
    connect(&policy, &ManualPullEngine::startPullStreamOut, &policy,
        [this](const QString &id) { m_fixture->user(id)->setPullStreamState(PullUserInfo::PullStreamStarted); });
    for (const QString &user : users)
        policy.insertShowQueueIn(m_fixture->add(user)->getUserId());
    SignalRecorder recorder(&policy);

    for (const QString &action : actions) {
        const QString kind = action.section(':', 0, 0);
        const QString id = action.section(':', 1);
        if (kind == "main" || kind == "sub")
            policy.startPullStreamIn(id, kind == "main");
        else if (kind == "stop")
            policy.stopPullStreamIn(id);
        else if (kind == "stopKind")
            policy.stopManualPullIn(id == "main");
        else if (kind == "late")
            policy.sendLateState(id);
    }
    QCOMPARE(recorder.emitted(), emitted);
    QCOMPARE(m_link->forwards(), forwards);
    QCOMPARE(m_fixture->busy(), table);
}

QTEST_GUILESS_MAIN(TestManualPullEngine)
#include "tst_manualpullengine.moc"
