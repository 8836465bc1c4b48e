#include "tests/connection/recordformat.h"
#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/chat/chatclient.h"
#include "vrek/chat/chatengine.h"
#include "vrek/chat/msgtoid.h"
#include "vrek/chat/msgtoidhash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
QString base64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::KeepTrailingEquals));
}

// A chat text as the classroom server forwards it to this client.
QString forwarded(int cmType, const QString &sender, const QString &receiver, const QString &content)
{
    return QStringLiteral("11\t0\t1$%1$%2$1500000000$%3$%4").arg(cmType).arg(sender, receiver, base64(content));
}

ChatMessage record(quint32 cmType, const QString &receiver, qint64 sendSeconds, const QString &content)
{
    ChatMessage message;
    message.setCmType(cmType);
    message.setSenderId("S1");
    message.setSenderName(receiver);
    message.setSendTime(QDateTime::fromSecsSinceEpoch(sendSeconds));
    message.setContent(content);
    return message;
}
} // namespace

// The chat's side of the classroom connection: what it forwards, byte for byte, and what it shows of what comes in.
class TestChatClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void sentLines_data();
    void sentLines();
    void received_data();
    void received();
    void storeKeepsOneTextPerSendTime();
    void textWhileDisconnectedIsKeptAndTold();
    void textLostWithTheConnectionIsTold();
    void textWhileHeartbeatsGoUnansweredIsKept();

private:
    ClassroomLink *m_link = nullptr;
};

void TestChatClient::initTestCase()
{
    qRegisterMetaType<ChatMessage>();
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestChatClient::cleanupTestCase()
{
    delete m_link;
}

void TestChatClient::init()
{
    g_userId = "S1";
    g_classId = "class9";
    g_userType = 1;
    m_link->clear();
}

void TestChatClient::sentLines_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected"); // %1: the send time in seconds
    QTest::addColumn<QString>("shown");

    const QString hello = base64("你好, class");
    QTest::newRow("class-wide text") << "class"
                                     << "11\t0\tclass9\t1$1$S1$%1$class9$" + hello + "\t0"
                                     << "addSchoolClassMessage";
    QTest::newRow("personal text") << "personal"
                                   << "11\t1\tT7\t1$0$S1$%1$T7$" + hello + "\t0"
                                   << "addPersonalMessage";
    QTest::newRow("personal mute") << "mute T7"
                                   << "11\t1\tT7\t1$3$S1$%1$T7$\t0"
                                   << "";
    QTest::newRow("personal unmute") << "unmute T7"
                                     << "11\t1\tT7\t1$2$S1$%1$T7$\t0"
                                     << "";
    QTest::newRow("class mute") << "mute all"
                                << "11\t0\tclass9\t1$3$S1$%1$all$\t0"
                                << "";
    QTest::newRow("class unmute") << "unmute all"
                                  << "11\t0\tclass9\t1$2$S1$%1$all$\t0"
                                  << "";
}

void TestChatClient::sentLines()
{
    QFETCH(QString, action);
    QFETCH(QString, expected);
    QFETCH(QString, shown);

    ChatClient client;
    SignalRecorder recorder(&client);
    recorder.setFormatter(formatRecord);
    int linesWhenShown = -1;
    const auto noteShown = [&] { linesWhenShown = m_link->sent().size(); };
    connect(&client, &ChatClient::addSchoolClassMessage, this, noteShown);
    connect(&client, &ChatClient::addPersonalMessage, this, noteShown);

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    if (action == "class")
        client.sendSchoolClassChatMessage("你好, class");
    else if (action == "personal")
        client.sendPersonalChatMessage("T7", "你好, class");
    else if (action == "mute T7" || action == "unmute T7")
        client.sendNoTalkPersonalMessage("T7", "T7", action.startsWith("mute"));
    else
        client.sendNoTalkSchoolClassMessage("all", action.startsWith("mute"));
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const QStringList lines = m_link->forwards();
    QCOMPARE(lines.size(), 1);
    const qint64 seconds = lines.first().section('$', 3, 3).toLongLong();
    QVERIFY(seconds >= before && seconds <= after);
    QCOMPARE(lines.first(), expected.arg(seconds));
    QCOMPARE(m_link->server().waitForLine("11\t"), expected.arg(seconds));

    if (shown.isEmpty()) {
        QVERIFY2(recorder.emitted().isEmpty(), qPrintable(recorder.emitted().join(' ')));
        return;
    }
    // The own text is shown before it leaves.
    QCOMPARE(recorder.emitted().size(), 1);
    QVERIFY(recorder.emitted().first().startsWith(shown + "("));
    QCOMPARE(linesWhenShown, 0);
}

void TestChatClient::received_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("emitted"); // empty: nothing
    QTest::addColumn<QString>("critical"); // a log line expected, or empty

    const QString hi = base64("hi");
    QTest::newRow("class text of another") << 1 << forwarded(1, "S2", "class9", "hi")
                                           << "addSchoolClassMessage(1$1$S2$1500000000$class9$" + hi + ")" << QString();
    QTest::newRow("own class echo") << 1 << forwarded(1, "S1", "class9", "hi") << "" << QString();
    QTest::newRow("own class echo, lecturer") << 0 << forwarded(1, "S1", "class9", "hi") << "" << QString();
    QTest::newRow("own class echo, type 5")
        << 5 << forwarded(1, "S1", "class9", "hi") << "addSchoolClassMessage(1$1$S1$1500000000$class9$" + hi + ")"
        << QString();
    QTest::newRow("personal text of another")
        << 1 << forwarded(0, "T7", "S1", "hi") << "addPersonalMessage(1$0$T7$1500000000$S1$" + hi + ")" << QString();
    QTest::newRow("own personal echo") << 1 << forwarded(0, "S1", "T7", "hi") << "" << QString();
    QTest::newRow("own personal echo, type 5") << 5 << forwarded(0, "S1", "T7", "hi") << "" << QString();
    QTest::newRow("mute of another") << 1 << forwarded(3, "T7", "S2", "") << "addNoTalkMessage(1$3$T7$1500000000$S2$)"
                                     << QString();
    QTest::newRow("own unmute") << 1 << forwarded(2, "S1", "all", "") << "addNoTalkMessage(1$2$S1$1500000000$all$)"
                                << QString();
    QTest::newRow("unknown kind") << 1 << forwarded(4, "T7", "class9", "hi") << ""
                                  << "^ChatEngine::readMessage the cmType unknown error! cmType: 4";
}

void TestChatClient::received()
{
    QFETCH(int, userType);
    QFETCH(QString, line);
    QFETCH(QString, emitted);
    QFETCH(QString, critical);
    g_userType = userType;
    if (!critical.isEmpty())
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(critical));

    ChatClient client;
    connect(m_link->manager(), &SocketClientManager::readChatMessage, &client, &ChatClient::readChatMessage);
    SignalRecorder recorder(&client);
    recorder.setFormatter(formatRecord);
    m_link->server().sendLine(line);
    // A text of another participant follows as a marker: everything before it has been handled when it shows.
    m_link->server().sendLine(forwarded(1, "MARK", "class9", ""));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.emitted().isEmpty() && recorder.emitted().last().contains("$MARK$"), 5000);

    QStringList expected;
    if (!emitted.isEmpty())
        expected << emitted;
    expected << "addSchoolClassMessage(1$1$MARK$1500000000$class9$)";
    QCOMPARE(recorder.emitted(), expected);
}

void TestChatClient::storeKeepsOneTextPerSendTime()
{
    ChatEngine engine;
    QSignalSpy sent(&engine, &ChatEngine::personalMsgSend);
    engine.sendMessage(record(ChatMessage::Personal, "T7", 1500000100, "second"));
    engine.sendMessage(record(ChatMessage::Personal, "T7", 1500000000, "first"));
    engine.sendMessage(record(ChatMessage::Personal, "T7", 1500000000, "first again"));
    engine.sendMessage(record(ChatMessage::WholeClass, "class9", 1500000000, "to the class"));
    // Mute changes are never recorded, an unknown kind is refused with its log line.
    engine.sendMessage(record(ChatMessage::Mute, "T7", 1500000200, ""));
    QTest::ignoreMessage(
        QtCriticalMsg, QRegularExpression("^ChatEngine::sendMessage the cmType unknown error! cmType: 4"));
    engine.sendMessage(record(4, "T7", 1500000300, "odd"));

    QCOMPARE(sent.count(), 3);
    const MsgToIdHash *store = engine.store();
    QCOMPARE(store->count(), 2);
    QVERIFY(store->contains("T7") && store->contains("class9"));
    const MsgToId *personal = store->value("T7");
    QCOMPARE(personal->getCmType(), quint32(ChatMessage::Personal));
    QCOMPARE(personal->getId(), QString("T7"));
    QCOMPARE(personal->messageCount(), 2);
    QStringList contents;
    for (const ChatMessage &message : personal->messages())
        contents << message.getContent();
    QCOMPARE(contents, QStringList({ "first", "second" }));
    QCOMPARE(personal->lastMessage().getContent(), QString("first again"));
    QCOMPARE(store->value("class9")->getCmType(), quint32(ChatMessage::WholeClass));
    QVERIFY(!store->value("nobody"));
}

void TestChatClient::textWhileDisconnectedIsKeptAndTold()
{
    SocketClientManager offline(GlobalEnum::User1);
    g_socketClientManager = &offline;
    ChatClient client;
    QSignalSpy shown(&client, &ChatClient::addSchoolClassMessage);
    QSignalSpy failed(&client, &ChatClient::sendFailedOut);
    client.sendSchoolClassChatMessage("kept");
    client.sendPersonalChatMessage("T1", "kept too");
    g_socketClientManager = m_link->manager();
    // Never shown as sent: handed back to be sent again.
    QCOMPARE(shown.count(), 0);
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.at(0), QVariantList({ QString("kept"), false }));
    QCOMPARE(failed.at(1), QVariantList({ QString("kept too"), false }));
    QVERIFY(m_link->forwards().isEmpty());
}

void TestChatClient::textLostWithTheConnectionIsTold()
{
    // A connection of its own, whose heartbeats are answered until the server goes silent.
    ClassroomLink link(true);
    link.manager()->setHeartbeatInterval(100);
    link.server().answerHeartbeats();
    QSignalSpy loggedIn(link.manager(), &SocketClientManager::signalSocketConnectSuceess);
    QVERIFY(link.connectToServer());
    ChatClient client;
    QSignalSpy failed(&client, &ChatClient::sendFailedOut);

    // Sent on the open connection before its login is answered: no session can prove it read or lost, so it
    // neither holds back the texts after it nor is told lost with a later session.
    // Sender left out: the login below sets the user's id.
    const QString classText = QStringLiteral("11\t0\tclass9\t1$1$");
    client.sendSchoolClassChatMessage("before the login");
    QVERIFY(link.server().waitForLine(classText).contains(base64("before the login")));
    link.server().sendLine(FakeClassroomServer::LoginReply().line());
    QVERIFY(loggedIn.wait(5000));
    QCOMPARE(g_userId, QString("1001")); // the heartbeats carry it and their answers are checked against it

    // Read by the server: answered heartbeats after it prove it. On a busy machine two beats may go out before
    // the first answer comes back, and the text would be kept, not sent: it is sent in a turn that saw the
    // connection able to deliver.
    QTRY_VERIFY_WITH_TIMEOUT(link.manager()->canDeliver(), 10000);
    client.sendSchoolClassChatMessage("arrived");
    QVERIFY(link.server().waitForLine(classText).contains(base64("arrived")));
    const SocketClientManager::SendMark afterFirst = link.manager()->sendMark();
    QTRY_VERIFY_WITH_TIMEOUT(link.manager()->isDelivered(afterFirst), 10000);

    // Sent as the server goes silent: shown, then told lost once the heartbeat drops the connection.
    QSignalSpy lost(link.manager(), &SocketClientManager::signalSessionLost);
    QTRY_VERIFY_WITH_TIMEOUT(link.manager()->canDeliver(), 10000);
    link.server().setSilent(true);
    // Two in one turn: both see the connection as it was. They come back together, in the order written.
    client.sendSchoolClassChatMessage("lost");
    client.sendSchoolClassChatMessage("lost too");
    QVERIFY(link.server().waitForLine(classText).contains(base64("lost")));
    QVERIFY(link.server().waitForLine(classText).contains(base64("lost too")));
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first(), QVariantList({ QString("lost\nlost too"), true }));
    QVERIFY(!link.manager()->canDeliver());
    g_socketClientManager = m_link->manager();
}

void TestChatClient::textWhileHeartbeatsGoUnansweredIsKept()
{
    // Logged in, then the server goes silent: the connection is still open but no longer proves anything read.
    ClassroomLink link(true);
    link.manager()->setHeartbeatInterval(200);
    link.server().answerLogin();
    link.server().answerHeartbeats();
    QSignalSpy loggedIn(link.manager(), &SocketClientManager::signalSocketConnectSuceess);
    QVERIFY(link.connectToServer());
    // The answered login may already have come in while the connection was being made.
    QTRY_COMPARE_WITH_TIMEOUT(loggedIn.count(), 1, 10000);
    ChatClient client;
    QSignalSpy shown(&client, &ChatClient::addSchoolClassMessage);
    QSignalSpy failed(&client, &ChatClient::sendFailedOut);
    QSignalSpy lost(link.manager(), &SocketClientManager::signalSessionLost);
    link.server().setSilent(true);
    QTRY_VERIFY_WITH_TIMEOUT(!link.manager()->canDeliver(), 10000);
    QVERIFY(link.manager()->isConnected());

    link.server().clearLines();
    client.sendSchoolClassChatMessage("unproven");
    QCOMPARE(shown.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first(), QVariantList({ QString("unproven"), false }));
    // Refused, not sent: the heartbeats written after it (the second one surely) reach the server alone, and
    // nothing is told again when the heartbeat drops the connection.
    QVERIFY(!link.server().waitForLine("1\t", 10000).isEmpty());
    QVERIFY(!link.server().waitForLine("1\t", 10000).isEmpty());
    QVERIFY(link.server().waitForLine("11\t", 0).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
    QCOMPARE(failed.count(), 1);

    // Given up by the heartbeat, still open, and a late line comes in: still nothing is sent there, the text is
    // kept and told.
    QVERIFY(link.manager()->isConnected());
    QSignalSpy late(&client, &ChatClient::addSchoolClassMessage);
    connect(link.manager(), &SocketClientManager::readChatMessage, &client, &ChatClient::readChatMessage);
    link.server().sendLine(forwarded(1, "S2", "class9", "late"));
    QVERIFY(late.wait(10000));
    QVERIFY(!link.manager()->canDeliver());
    client.sendSchoolClassChatMessage("after the drop");
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.last(), QVariantList({ QString("after the drop"), false }));
    g_socketClientManager = m_link->manager();
}

QTEST_MAIN(TestChatClient)
#include "tst_chatclient.moc"
