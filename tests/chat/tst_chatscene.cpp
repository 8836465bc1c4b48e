#include "sandbox/chatscene.h"
#include "sandbox/classroomsandbox.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/sandboxlesson.h"
#include "tests/support/tempworkdir.h"
#include "vrek/chat/chatclient.h"
#include "vrek/chat/pictureupload.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QtTest>

// The sandbox's teacher in the chat, met over a real classroom connection.
class TestChatScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void participantsAndGreeting();
    void teacherAnswersEachText();
    void muteWordMutesEveryoneForAWhile();
    void pictureUploadAndNotice();
    void leavingDropsWhatWasScheduled();
    void lecturerHearsTheStudent();

private:
    // The chat texts read from the connection so far, as "cmType|sender|receiver|content".
    QStringList m_read;
    ClassroomSandbox *m_sandbox = nullptr;
    ChatScene *m_scene = nullptr;
    SocketClientManager *m_connection = nullptr;
    ChatClient *m_chat = nullptr;
    QStringList m_userLines;
};

void TestChatScene::initTestCase()
{
    qRegisterMetaType<ChatMessage>();
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = m_sandbox->findChild<ChatScene *>();
    QVERIFY(m_scene);
    m_scene->setReplyDelay(10);
    m_scene->setMuteAllDuration(300);

    const ClassroomSandbox::Account account = m_sandbox->account();
    enterSandboxLesson(*m_sandbox);
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());

    m_connection = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_connection;
    m_connection->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    m_chat = new ChatClient;
    connect(m_connection, &SocketClientManager::readChatMessage, this, [this](const ChatMessage &message) {
        m_read << QStringLiteral("%1|%2|%3|%4")
                      .arg(message.getCmType())
                      .arg(message.getSenderId(), message.getSenderName(), message.getContent());
    });
    connect(m_connection, &SocketClientManager::signalUserInfoProtocol, this,
        [this](const QString &line) { m_userLines << line; });
    QSignalSpy joined(m_sandbox, &ClassroomSandbox::lessonJoined);
    m_connection->connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), 10000);
    m_connection->sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joined.count(), 1, 10000);
}

void TestChatScene::cleanupTestCase()
{
    delete m_chat;
    g_socketClientManager = nullptr;
    delete m_connection;
    delete m_sandbox;
}

void TestChatScene::participantsAndGreeting()
{
    m_connection->sendUserRequest();
    QTRY_COMPARE_WITH_TIMEOUT(m_userLines.size(), 1, 10000);
    // The sandbox's list: the lesson's teacher, the student, then the classmates other scenes add.
    const QJsonArray rows = QJsonDocument::fromJson(m_userLines.first().section('\t', 1).toUtf8()).array();
    QVERIFY(rows.size() >= 2);
    QCOMPARE(rows.at(0).toObject().value("userId").toString(), g_lectId);
    QCOMPARE(rows.at(0).toObject().value("userType").toString(), QString("0"));
    QCOMPARE(rows.at(1).toObject().value("userId").toString(), g_userId);
    QCOMPARE(rows.at(1).toObject().value("userType").toString(), QString("1"));

    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 1, 10000);
    QVERIFY(m_read.first().startsWith(QString("1|%1|%2|同学们好").arg(g_lectId, g_classId)));
    // A second request greets no more. The teacher's answer to a text sent after it is said as late as a greeting
    // would be, and comes behind it.
    m_connection->sendUserRequest();
    QTRY_COMPARE_WITH_TIMEOUT(m_userLines.size(), 2, 10000);
    m_chat->sendSchoolClassChatMessage("明白了");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 3, 10000);
    QCOMPARE(m_read.at(1), QString("1|%1|%2|明白了").arg(g_userId, g_classId));
    QVERIFY(m_read.at(2).startsWith(QString("1|%1|%2|收到你的消息").arg(g_lectId, g_classId)));
}

void TestChatScene::teacherAnswersEachText()
{
    m_read.clear();
    m_chat->sendSchoolClassChatMessage("老师，分母是什么？");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 2, 10000);
    // The own text comes back first (the client drops it), then the teacher's answer.
    QCOMPARE(m_read.at(0), QString("1|%1|%2|老师，分母是什么？").arg(g_userId, g_classId));
    QVERIFY(m_read.at(1).startsWith(QString("1|%1|%2|").arg(g_lectId, g_classId)));
    QVERIFY(m_read.at(1).contains("老师，分母是什么？"));

    m_read.clear();
    m_chat->sendPersonalChatMessage(g_lectId, "私下问一下");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 1, 10000);
    QVERIFY(m_read.first().startsWith(QString("0|%1|%2|").arg(g_lectId, g_userId)));
}

void TestChatScene::muteWordMutesEveryoneForAWhile()
{
    m_read.clear();
    m_chat->sendSchoolClassChatMessage("老师可以禁言吗");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 5, 10000);
    QVERIFY(m_read.at(1).startsWith(QString("1|%1|%2|好的，全体禁言").arg(g_lectId, g_classId)));
    QCOMPARE(m_read.at(2), QString("3|%1|all|").arg(g_lectId));
    QCOMPARE(m_read.at(3), QString("2|%1|all|").arg(g_lectId));
    QVERIFY(m_read.at(4).startsWith(QString("1|%1|%2|禁言结束").arg(g_lectId, g_classId)));
}

void TestChatScene::pictureUploadAndNotice()
{
    TempWorkDir work;
    const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, 'p');
    QVERIFY(work.writeFile("photo.png", picture));
    m_read.clear();
    QPointer<PictureUpload> upload = new PictureUpload;
    QVERIFY(upload->setFileName(work.filePath("photo.png")));
    upload->startUpload();
    QTRY_VERIFY_WITH_TIMEOUT(upload.isNull(), 10000);

    QTRY_COMPARE_WITH_TIMEOUT(m_scene->pictureNotices().size(), 1, 10000);
    const QString notice = m_scene->pictureNotices().first();
    const QString address = notice.section(':', 1);
    QCOMPARE(notice.section(':', 0, 0), g_userId);
    QVERIFY(address.startsWith(m_sandbox->http()->baseUrl() + "/sandbox/pictures/"));
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 1, 10000);
    QVERIFY(m_read.first().contains("图片"));

    // The address serves the picture.
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(address)));
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
    QCOMPARE(reply->readAll(), picture);
    delete reply;
}

void TestChatScene::leavingDropsWhatWasScheduled()
{
    const int delayMs = 1500;
    m_scene->setReplyDelay(delayMs);
    QSignalSpy left(m_sandbox, &ClassroomSandbox::lessonLeft);
    // What the server says once the lesson is left, heard at the server: nobody is connected to hear it.
    QStringList chatAfterLeave;
    QObject context;
    connect(m_sandbox->classroom(), &FakeClassroomServer::lineSent, &context, [&](const QString &body) {
        if (left.count() > 0 && QRegularExpression("^11\t[01]\t1\\$").match(body).hasMatch())
            chatAfterLeave << body;
    });
    m_read.clear();
    m_chat->sendSchoolClassChatMessage("再见");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 1, 10000);
    m_connection->sendLogout();
    QTRY_COMPARE_WITH_TIMEOUT(left.count(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_connection->isConnected(), 10000);
    // The answer was due after the leave, on a timer of this thread set before a timer set now for twice as long.
    bool due = false;
    QTimer::singleShot(2 * delayMs, Qt::PreciseTimer, &context, [&due] { due = true; });
    QTRY_VERIFY_WITH_TIMEOUT(due, 2 * delayMs + 10000);
    QCOMPARE(chatAfterLeave, QStringList());
    QCOMPARE(m_read.size(), 1);
}

void TestChatScene::lecturerHearsTheStudent()
{
    const ClassroomSandbox::Account lecturer = m_sandbox->accounts().value(1);
    QCOMPARE(lecturer.userId, g_lectId);
    m_scene->setReplyDelay(10);
    m_read.clear();
    QSignalSpy joined(m_sandbox, &ClassroomSandbox::lessonJoined);
    m_connection->connectServerAndLogin(lecturer.userCode, lecturer.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), 10000);
    g_userId = lecturer.userId;
    m_connection->sendJoinGroupRequest();
    QTRY_COMPARE_WITH_TIMEOUT(joined.count(), 1, 10000);
    m_connection->sendUserRequest();

    // The demo student greets the lecturer and answers; nobody mutes the lecturer's class.
    const QString student = m_sandbox->account().userId;
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 1, 10000);
    QVERIFY(m_read.first().startsWith(QString("1|%1|%2|老师好").arg(student, g_classId)));
    m_chat->sendSchoolClassChatMessage("请大家禁言");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 3, 10000);
    QCOMPARE(m_read.at(2), QString("1|%1|%2|收到，老师！").arg(student, g_classId));
    // A muting would have been said before the answer to the next text.
    m_chat->sendSchoolClassChatMessage("继续");
    QTRY_COMPARE_WITH_TIMEOUT(m_read.size(), 5, 10000);
    QCOMPARE(m_read.mid(3),
        (QStringList { QString("1|%1|%2|继续").arg(g_userId, g_classId),
            QString("1|%1|%2|收到，老师！").arg(student, g_classId) }));
}

QTEST_MAIN(TestChatScene)
#include "tst_chatscene.moc"
