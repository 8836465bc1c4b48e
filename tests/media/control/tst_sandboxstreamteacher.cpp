#include "sandbox/classroomsandbox.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/control/lstreammediamanager.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"

#include <QtTest>

namespace {
constexpr int streamWaitMs = 60000;
}

class TestSandboxStreamTeacher : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void studentFollowsTheTeacher();
    void theTeachersOwnJoin();
    void morePublishedStreams();
    void streamCommandsOfTheStudent_data();
    void streamCommandsOfTheStudent();

private:
    ClassroomSandbox *m_sandbox = nullptr;
    StreamTeacherScene *m_scene = nullptr;
};

void TestSandboxStreamTeacher::initTestCase()
{
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = m_sandbox->findChild<StreamTeacherScene *>();
    QVERIFY(m_scene);
    QVERIFY(m_scene->rtmpServer());
}

void TestSandboxStreamTeacher::cleanupTestCase()
{
    delete m_sandbox;
}

// The demo student signs in and joins the lesson; the scene's teacher starts the class and the student's
// WebRTC-mode controller pulls the teacher's pictures from the server the login reply named. Called onto the
// stage without a WebRTC library, the student says so at once, and the scene hears it.
void TestSandboxStreamTeacher::studentFollowsTheTeacher()
{
    WebrtcSdkInterface::unload();
    const ClassroomSandbox::Account account = m_sandbox->account();
    const ClassroomSandbox::Lesson lesson = m_sandbox->lessons().first();
    g_userType = 1;
    SocketClientManager client(GlobalEnum::User1);
    g_socketClientManager = &client;
    client.setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    client.connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(client.isConnected(), 10000);
    // Connected comes before the login's answer, which names the servers.
    QTRY_COMPARE_WITH_TIMEOUT(g_userId, account.userId, 10000);
    const quint16 rtmpPort = m_scene->rtmpServer()->port();
    QCOMPARE(g_rtmpHost, QString("127.0.0.1"));
    QCOMPARE(g_rtmpPort, rtmpPort);
    QCOMPARE(g_webrtcHost, QString("127.0.0.1"));
    QCOMPARE(g_webrtcPort, rtmpPort);

    g_classId = lesson.tClass();
    g_classType = lesson.lessonType;
    g_mediaHost = g_webrtcHost;
    g_mediaPort = g_webrtcPort;
    LStreamMediaManager student(g_userId, GlobalEnum::GroupType(g_classType));
    connect(&client, &SocketClientManager::readStreamMediaMessage, &student, &LStreamMediaManager::readSocketMessageIn);
    QSignalSpy infos(&student, &LStreamMediaManager::signalMediaManagerInfo);
    QSignalSpy frames(&student, &LStreamMediaManager::sendRemoteStream);
    QSignalSpy classStarts(&client, &SocketClientManager::signalStartClass);
    QSignalSpy commands(m_scene, &StreamTeacherScene::streamCommandReceived);

    client.sendJoinGroupRequest();
    QVERIFY(classStarts.wait(streamWaitMs));
    const QString pushId = m_scene->lecturerPushId(lesson);
    QCOMPARE(classStarts.first().at(0).toString(), pushId);
    QCOMPARE(g_classesId, QString("classes%1").arg(lesson.id));
    QTRY_VERIFY_WITH_TIMEOUT(!infos.isEmpty(), streamWaitMs);
    QCOMPARE(infos.first().at(0).value<MediaManagerInfo>().getKind(), int(MediaManagerInfo::ClassRuns));
    QCOMPARE(student.pullUserId(), lesson.teacherId);
    QVERIFY(frames.wait(streamWaitMs));
    QCOMPARE(frames.last().at(0).value<QImage>().size(), QSize(320, 240));

    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    m_scene->sendStreamCommand(16, lesson.teacherId, g_userId, pushId);
    QVERIFY(commands.wait(streamWaitMs));
    const StreamTeacherScene::StreamCommand answer = commands.first().at(0).value<StreamTeacherScene::StreamCommand>();
    QVERIFY(answer.personal);
    QCOMPARE(answer.target, lesson.teacherId);
    QCOMPARE(answer.type, 17);
    QCOMPARE(answer.fromUserId, g_userId);
    QCOMPARE(answer.streamId, student.getPushStreamId());
    QCOMPARE(answer.errorType, 0);
    QCOMPARE(m_scene->receivedCommands().size(), 1);
    // The teacher's stream still plays.
    frames.clear();
    QVERIFY(frames.wait(streamWaitMs));

    client.slotDisconnectFromServer();
    QTRY_VERIFY_WITH_TIMEOUT(m_scene->currentLesson().id == 0, 10000);
    QVERIFY(m_scene->publishedStreams().isEmpty());
    g_socketClientManager = nullptr;
}

// The lesson's own teacher pushes for himself: the scene plays no teacher to him.
void TestSandboxStreamTeacher::theTeachersOwnJoin()
{
    const ClassroomSandbox::Lesson lesson = m_sandbox->lessons().first();
    const ClassroomSandbox::Account teacher = m_sandbox->accounts().value(1);
    QCOMPARE(teacher.userId, lesson.teacherId);
    g_userType = 0;
    SocketClientManager client(GlobalEnum::User0);
    client.setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    client.connectServerAndLogin(teacher.userCode, teacher.password);
    QTRY_VERIFY_WITH_TIMEOUT(client.isConnected(), 10000);
    // Connected comes before the login's answer: the session is the teacher's once that is read.
    QTRY_COMPARE_WITH_TIMEOUT(g_userId, teacher.userId, 10000);
    QSignalSpy joins(m_sandbox, &ClassroomSandbox::lessonJoined);
    g_classId = lesson.tClass();
    client.sendJoinGroupRequest();
    QVERIFY(joins.wait(10000));
    QCOMPARE(m_scene->currentLesson().id, qint64(0));
    QVERIFY(m_scene->publishedStreams().isEmpty());
    client.slotDisconnectFromServer();
    QTRY_VERIFY_WITH_TIMEOUT(!client.isConnected(), 10000);
    g_userType = 1;
}

// Later scenes publish more streams (classmates, meeting participants) on the same server.
void TestSandboxStreamTeacher::morePublishedStreams()
{
    FfmpegPublisher::Options options = StreamTeacherScene::teacherStream();
    options.width = 160;
    options.height = 120;
    QVERIFY(m_scene->publish("S2stream", options));
    QCOMPARE(m_scene->publishedStreams(), QStringList { "S2stream" });
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(m_scene->rtmpServer()->url("S2stream"));
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.stream("video"));
    QCOMPARE(probe.stream("video")->width, 160);
    QVERIFY(probe.stream("audio"));
    m_scene->stopPublishing("S2stream");
    QVERIFY(m_scene->publishedStreams().isEmpty());
}

void TestSandboxStreamTeacher::streamCommandsOfTheStudent_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isCommand");
    QTest::addColumn<bool>("personal");
    QTest::addColumn<int>("type");
    QTest::newRow("class-wide") << "11\t0\tclass3101\t3$5$20001$$S1x$0$$\t0" << true << false << 5;
    QTest::newRow("personal") << "11\t1\t901\t3$19$20001$$S1x$0$$\t0" << true << true << 19;
    QTest::newRow("a chat line") << "11\t0\tclass3101\t1$hello\t0" << false << false << -1;
    QTest::newRow("a heartbeat") << "1\t20001" << false << false << -1;
    QTest::newRow("a short stream command") << "11\t0\tclass3101\t3$5$20001\t0" << false << false << -1;
}

void TestSandboxStreamTeacher::streamCommandsOfTheStudent()
{
    QFETCH(QString, line);
    QFETCH(bool, isCommand);
    QFETCH(bool, personal);
    QFETCH(int, type);
    StreamTeacherScene::StreamCommand command;
    QCOMPARE(StreamTeacherScene::readStreamCommand(line, command), isCommand);
    if (!isCommand)
        return;
    QCOMPARE(command.personal, personal);
    QCOMPARE(command.type, type);
    QCOMPARE(command.fromUserId, QString("20001"));
    QCOMPARE(command.streamId, QString("S1x"));
}

QTEST_MAIN(TestSandboxStreamTeacher)
#include "tst_sandboxstreamteacher.moc"
