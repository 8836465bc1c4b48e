#include "sandbox/classpanelscene.h"
#include "sandbox/classroomsandbox.h"
#include "tests/support/sandboxlesson.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {
constexpr int waitMs = 20000;
constexpr int stepMs = 20;
// The script's last line: the roll call.
const char *const lastCue = "11\t9\t";

int countOf(const QSignalSpy &spy, const QString &part)
{
    int count = 0;
    for (const QVariantList &arguments : spy)
        count += arguments.value(0).toString().contains(part) ? 1 : 0;
    return count;
}

// Runs the loop until a timer of ms, started now, has fired: a timer of this thread due before it fires first.
bool passTimers(int ms)
{
    QTimer marker;
    marker.setSingleShot(true);
    marker.setTimerType(Qt::PreciseTimer);
    QSignalSpy fired(&marker, &QTimer::timeout);
    marker.start(ms);
    return fired.wait(ms + 30000);
}
} // namespace

// The sandbox teacher's hands, praise, questions and roll call, over a real classroom connection that joins
// again after a drop, and once more after leaving.
class TestClassPanelScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void joiningAgainAsksNothingTwice();

private:
    ClassroomSandbox *m_sandbox = nullptr;
    ClassPanelScene *m_scene = nullptr;
};

void TestClassPanelScene::initTestCase()
{
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = m_sandbox->findChild<ClassPanelScene *>();
    QVERIFY(m_scene);
    m_scene->setStep(stepMs);
}

void TestClassPanelScene::cleanupTestCase()
{
    delete m_sandbox;
}

void TestClassPanelScene::joiningAgainAsksNothingTwice()
{
    g_userInfoHash.clear();
    const ClassroomSandbox::Lesson lesson = enterSandboxLesson(*m_sandbox);
    SocketClientManager connection(GlobalEnum::User1);
    g_socketClientManager = &connection;
    connection.setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    QSignalSpy played(m_scene, &ClassPanelScene::played);
    QSignalSpy joined(m_sandbox, &ClassroomSandbox::lessonJoined);
    connection.connectServerAndLogin(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_VERIFY_WITH_TIMEOUT(connection.isConnected(), waitMs);
    connection.sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joined.count(), 1, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(played, "\tq1\t"), 1, waitMs);

    // Back after a drop, halfway through the script and after its end: nothing is played twice.
    connection.sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joined.count(), 2, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(played, lastCue), 1, waitMs);
    const int lines = played.count();
    QSignalSpy steps(m_scene->findChild<QTimer *>(), &QTimer::timeout);
    connection.sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joined.count(), 3, waitMs);
    // The script's clock stays stopped: a step played anew would have come before five steps on a timer of this
    // thread, the script's.
    QVERIFY(passTimers(5 * stepMs));
    QCOMPARE(steps.count(), 0);
    QCOMPARE(played.count(), lines);
    QCOMPARE(countOf(played, "\tq1\t"), 1);
    QCOMPARE(countOf(played, "\tq2\t"), 1);

    // A lesson left and entered again starts from the beginning.
    QSignalSpy left(m_sandbox, &ClassroomSandbox::lessonLeft);
    connection.sendLogout();
    QTRY_COMPARE_WITH_TIMEOUT(left.count(), 1, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!connection.isConnected(), waitMs);
    connection.connectServerAndLogin(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_VERIFY_WITH_TIMEOUT(connection.isConnected(), waitMs);
    connection.sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(played, "\tq1\t"), 2, waitMs);
    QCOMPARE(lesson.tClass(), g_classId);
    connection.sendLogout();
    QTRY_COMPARE_WITH_TIMEOUT(left.count(), 2, waitMs);
    g_socketClientManager = nullptr;
}

QTEST_MAIN(TestClassPanelScene)
#include "tst_classpanelscene.moc"
