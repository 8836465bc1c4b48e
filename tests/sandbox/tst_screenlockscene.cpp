#include "sandbox/classroomsandbox.h"
#include "sandbox/meetingscene.h"
#include "sandbox/screenlockscene.h"
#include "sandbox/stagescene.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/sandboxlesson.h"
#include "vrek/container/userinfohash.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int waitMs = 20000;
} // namespace

// The sandbox teacher who locks the student's screen, and once leaves during a lock, met over a real classroom
// connection whose user messages go through the client's own participant bookkeeping.
class TestScreenLockScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void lockUnlockThenLeaveDuringALock_data();
    void lockUnlockThenLeaveDuringALock();
    void playsOnlyToTheStudentsClassWindow_data();
    void playsOnlyToTheStudentsClassWindow();
    void leavingStopsThePlay();

private:
    // Signs in with the account, joins the lesson and asks for its participants, as the client enters a lesson.
    void join(const ClassroomSandbox::Lesson &lesson, const ClassroomSandbox::Account &account);
    ClassroomSandbox::Lesson lessonById(qint64 id) const;

    ClassroomSandbox *m_sandbox = nullptr;
    ScreenLockScene *m_scene = nullptr;
    SocketClientManager *m_connection = nullptr;
    UserInfoManager *m_users = nullptr;
    // What the student's client made of the lines, in order of arrival.
    QStringList m_events;
};

void TestScreenLockScene::initTestCase()
{
    qRegisterMetaType<StreamMediaMessage>();
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = m_sandbox->findChild<ScreenLockScene *>();
    QVERIFY(m_scene);
}

void TestScreenLockScene::cleanupTestCase()
{
    delete m_sandbox;
}

void TestScreenLockScene::init()
{
    g_userInfoHash.clear();
    g_teacherList.clear();
    m_events.clear();
    m_connection = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_connection;
    m_connection->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    m_users = new UserInfoManager;
    g_userInfoManager = m_users;
    connect(
        m_connection, &SocketClientManager::signalUserInfoProtocol, m_users, &UserInfoManager::slotProtocolAnalysis);
    connect(m_connection, &SocketClientManager::signalLockScreen, this,
        [this](uint lockType) { m_events << (lockType == 1 ? "lock" : "unlock"); });
    connect(m_users, &UserInfoManager::signalLectIdOffline, this, [this] { m_events << "lecturer offline"; });
    // A join line, not the participant list (which the client's lecturer appears in first).
    connect(m_users, &UserInfoManager::signalLectIdLate, this, [this] { m_events << "lecturer online"; });
    connect(
        m_connection, &SocketClientManager::readStreamMediaMessage, this, [this](const StreamMediaMessage &message) {
            if (message.getSmmType() == 0)
                m_events << "pull " + message.getStreamId();
        });
}

void TestScreenLockScene::cleanup()
{
    if (m_connection->isConnected()) {
        QSignalSpy left(m_sandbox, &ClassroomSandbox::lessonLeft);
        m_connection->sendLogout();
        QTRY_COMPARE_WITH_TIMEOUT(left.count(), 1, waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_connection->isConnected(), waitMs);
    }
    g_userInfoManager = nullptr;
    delete m_users;
    g_socketClientManager = nullptr;
    delete m_connection;
}

ClassroomSandbox::Lesson TestScreenLockScene::lessonById(qint64 id) const
{
    for (const ClassroomSandbox::Lesson &lesson : m_sandbox->lessons()) {
        if (lesson.id == id)
            return lesson;
    }
    return ClassroomSandbox::Lesson {};
}

void TestScreenLockScene::join(const ClassroomSandbox::Lesson &lesson, const ClassroomSandbox::Account &account)
{
    QVERIFY(lesson.id != 0);
    enterSandboxLesson(lesson, account.userId);
    int joins = 0;
    const QMetaObject::Connection counting
        = connect(m_sandbox, &ClassroomSandbox::lessonJoined, this, [&joins] { ++joins; });
    m_connection->connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), waitMs);
    m_connection->sendJoinGroupRequest();
    m_connection->sendUserRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joins, 1, waitMs);
    disconnect(counting);
}

void TestScreenLockScene::lockUnlockThenLeaveDuringALock_data()
{
    QTest::addColumn<qint64>("lessonId");
    QTest::newRow("WebRTC lesson") << qint64(3101);
    QTest::newRow("RTMP lesson") << qint64(StageScene::stageLesson().id);
}

void TestScreenLockScene::lockUnlockThenLeaveDuringALock()
{
    QFETCH(qint64, lessonId);
    const ClassroomSandbox::Lesson lesson = lessonById(lessonId);
    // The participant list the client asks for with the join has ample time to name the lecturer before he leaves.
    ScreenLockScene::Timing timing;
    timing.firstLockMs = 300;
    timing.lockedMs = 300;
    timing.secondLockMs = 1500;
    timing.leaveAfterMs = 1500;
    timing.awayMs = 300;
    m_scene->setTiming(timing);
    QSignalSpy played(m_scene, &ScreenLockScene::played);
    join(lesson, m_sandbox->account());
    QVERIFY(!QTest::currentTestFailed());

    QTRY_COMPARE_WITH_TIMEOUT(played.count(), 5, waitMs);
    const QString pull = "pull " + m_sandbox->findChild<StreamTeacherScene *>()->lecturerPushId(lesson);
    // His leaving ends the lock on the student's side: no unlock follows his return, only his stream again.
    const QStringList expected { pull, "lock", "unlock", "lock", "lecturer offline", "lecturer online", pull };
    QTRY_COMPARE_WITH_TIMEOUT(m_events.size(), expected.size(), waitMs);
    QCOMPARE(m_events, expected);
    QCOMPARE(played.at(0).at(0).toString(), QString("11\t2\t1"));
    QCOMPARE(played.at(1).at(0).toString(), QString("11\t2\t0"));
    QCOMPARE(played.at(2).at(0).toString(), QString("11\t2\t1"));
    QVERIFY(!m_scene->isPlaying());
    // The client's bookkeeping agrees: the lecturer is back and in the teacher list once.
    QVERIFY(g_userInfoHash.isUserOnline(lesson.teacherId));
    QCOMPARE(g_teacherList.size(), 1);
    QCOMPARE(g_teacherList.first().getUserId(), lesson.teacherId);
}

void TestScreenLockScene::playsOnlyToTheStudentsClassWindow_data()
{
    QTest::addColumn<qint64>("lessonId");
    QTest::addColumn<bool>("asLecturer");
    QTest::addColumn<bool>("expectPlay");
    QTest::newRow("student in a lesson") << qint64(3101) << false << true;
    QTest::newRow("student in the meeting") << qint64(MeetingScene::meeting().id) << false << false;
    QTest::newRow("lecturer in his lesson") << qint64(3101) << true << false;
}

void TestScreenLockScene::playsOnlyToTheStudentsClassWindow()
{
    QFETCH(qint64, lessonId);
    QFETCH(bool, asLecturer);
    QFETCH(bool, expectPlay);
    // The first lock goes out with the join itself, so whether it plays is known once the join is.
    ScreenLockScene::Timing timing;
    timing.firstLockMs = 0;
    timing.lockedMs = 60000;
    m_scene->setTiming(timing);
    QSignalSpy played(m_scene, &ScreenLockScene::played);
    join(lessonById(lessonId), m_sandbox->accounts().value(asLecturer ? 1 : 0));
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(played.count(), expectPlay ? 1 : 0);
    QCOMPARE(m_scene->isPlaying(), expectPlay);
    if (expectPlay)
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains("lock"), waitMs);
}

void TestScreenLockScene::leavingStopsThePlay()
{
    ScreenLockScene::Timing timing;
    timing.firstLockMs = 0;
    timing.lockedMs = 60000;
    m_scene->setTiming(timing);
    QSignalSpy played(m_scene, &ScreenLockScene::played);
    join(lessonById(3101), m_sandbox->account());
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(played.count(), 1);
    QVERIFY(m_scene->isPlaying());

    QSignalSpy left(m_sandbox, &ClassroomSandbox::lessonLeft);
    m_connection->sendLogout();
    QTRY_COMPARE_WITH_TIMEOUT(left.count(), 1, waitMs);
    QVERIFY(!m_scene->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!m_connection->isConnected(), waitMs);
}

QTEST_MAIN(TestScreenLockScene)
#include "tst_screenlockscene.moc"
