#include "tests/support/fakeclassroomserver.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
QStringList qualities(const QSignalSpy &spy)
{
    QStringList seen;
    for (const QVariantList &arguments : spy)
        seen << (arguments.at(0).toBool() ? "dropped:" : "") + arguments.at(1).toString();
    return seen;
}

bool hasDrop(const QSignalSpy &spy)
{
    for (const QVariantList &arguments : spy) {
        if (arguments.at(0).toBool())
            return true;
    }
    return false;
}

// Runs a call in the thread and then one back in this thread, after delayMs on a timer of that thread: whatever
// that thread had queued for this one before, and whatever its timers due earlier did, has happened by the time
// this returns true.
bool roundTrip(QThread *thread, const std::function<void()> &back = {}, int delayMs = 0)
{
    auto *there = new QObject;
    there->moveToThread(thread);
    auto arrived = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        there,
        [there, arrived, back, delayMs] {
            QTimer::singleShot(delayMs, Qt::PreciseTimer, there, [there, arrived, back] {
                QMetaObject::invokeMethod(
                    qApp,
                    [arrived, back] {
                        if (back)
                            back();
                        *arrived = true;
                    },
                    Qt::QueuedConnection);
                there->deleteLater();
            });
        },
        Qt::QueuedConnection);
    return QTest::qWaitFor([arrived] { return arrived->load(); }, 30000);
}
} // namespace

// The connection manager against the fake classroom server over loopback.
class TestClassroomConnection : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loginFillsTheSessionAndStartsTheHeartbeat();
    void heartbeatLinesOverLoopback();
    void silentServerDropsTheConnection();
    void silentServerComingBack();
    void refusedLoginClosesTheConnection();
    void unreachableServerIsAnError();
    void dropInsideALessonIsNoticed();
    void dropBeforeALessonIsOnlyAnError();
    void incomingLinesReachTheirSignals();
    void secondLoginSendsNothing();

private:
    // Logs in through the fake server and waits for the result; false unless it was 0.
    bool login();

    FakeClassroomServer *m_server = nullptr;
    SocketClientManager *m_manager = nullptr;
};

void TestClassroomConnection::init()
{
    g_userId.clear();
    g_userType = 1;
    g_classId = "c1";
    m_server = new FakeClassroomServer;
    QVERIFY(m_server->listen());
    m_manager = new SocketClientManager(GlobalEnum::User1);
    m_manager->setHostAndPort(m_server->host(), m_server->port());
}

void TestClassroomConnection::cleanup()
{
    delete m_manager;
    delete m_server;
}

bool TestClassroomConnection::login()
{
    QSignalSpy result(m_manager, &SocketClientManager::signalConnectResult);
    m_manager->connectServerAndLogin("stu", "pw");
    if (!result.wait(5000))
        return false;
    return result.at(0).at(0).toUInt() == 0;
}

void TestClassroomConnection::loginFillsTheSessionAndStartsTheHeartbeat()
{
    FakeClassroomServer::LoginReply reply;
    reply.userId = "2002";
    reply.userName = QString::fromUtf8("李雷");
    reply.rtmpHost = "media.local";
    reply.rtmpPort = "1935";
    reply.webrtcHost = "rtc.local";
    reply.webrtcPort = "8443";
    reply.accountId = "acc2";
    reply.loginSignId = "sign2";
    reply.needBind = "true";
    m_server->answerLogin(reply);
    QSignalSpy result(m_manager, &SocketClientManager::signalConnectResult);
    QSignalSpy success(m_manager, &SocketClientManager::signalSocketConnectSuceess);
    QSignalSpy heartbeat(m_manager, &SocketClientManager::heartTimerStart);

    m_manager->connectServerAndLogin("stu", "pw");
    QCOMPARE(m_server->waitForLine("0\t"), QString("0\tstu\tpw\t1"));
    QTRY_COMPARE_WITH_TIMEOUT(result.count(), 1, 5000);
    QCOMPARE(result.at(0).at(0).toUInt(), 0u);
    QCOMPARE(success.count(), 1);
    QVERIFY(m_manager->isConnected());
    QCOMPARE(g_userId, QString("2002"));
    QCOMPARE(g_userName, QString::fromUtf8("李雷"));
    QCOMPARE(g_accountId, QString("acc2"));
    QCOMPARE(g_loginSignId, QString("sign2"));
    QCOMPARE(g_needBind, true);
    QCOMPARE(g_userType, 1);
    QCOMPARE(g_rtmpHost, QString("media.local"));
    QCOMPARE(g_rtmpPort, quint16(1935));
    QCOMPARE(g_webrtcHost, QString("rtc.local"));
    QCOMPARE(g_webrtcPort, quint16(8443));
    // The product's heartbeat interval.
    QCOMPARE(heartbeat.count(), 1);
    QCOMPARE(heartbeat.at(0).at(0).toInt(), 2000);
}

void TestClassroomConnection::heartbeatLinesOverLoopback()
{
    m_manager->setHeartbeatInterval(60);
    m_server->answerLogin();
    m_server->answerHeartbeats();
    QSignalSpy timeouts(m_manager, &SocketClientManager::signalSocketTimeout);
    // From the moment the socket is told to start its timer, which it can only do later.
    QElapsedTimer clock;
    connect(m_manager, &SocketClientManager::heartTimerStart, this, [&clock] { clock.start(); });
    QVERIFY(login());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(m_server->waitForLine("1\t"), QString("1\t1001"));
    QVERIFY(clock.isValid());
    // Four beats take four intervals at least (a coarse timer may fire 5 % early).
    QVERIFY2(clock.elapsed() >= 4 * 57, "heartbeats come at the interval, not faster");
    // Every beat is answered: the quality stays normal (a reply overtaken by the next beat on a busy machine
    // may show one "较差", never worse).
    QTRY_VERIFY(qualities(timeouts).count(QString::fromUtf8("正常")) >= 3);
    for (const QString &quality : qualities(timeouts))
        QVERIFY2(quality == QString::fromUtf8("正常") || quality == QString::fromUtf8("较差"), qPrintable(quality));
}

void TestClassroomConnection::silentServerDropsTheConnection()
{
    m_manager->setHeartbeatInterval(15);
    m_server->answerLogin(); // and nothing else: no heartbeat is ever answered
    QSignalSpy timeouts(m_manager, &SocketClientManager::signalSocketTimeout);
    QVERIFY(login());
    QTRY_VERIFY_WITH_TIMEOUT(hasDrop(timeouts), 10000);

    QStringList expected { QString::fromUtf8("正常") };
    for (int i = 0; i < 3; ++i)
        expected << QString::fromUtf8("较差");
    for (int i = 0; i < 5; ++i)
        expected << QString::fromUtf8("非常差");
    for (int i = 0; i < 6; ++i)
        expected << QString::fromUtf8("可能掉线");
    expected << QString::fromUtf8("dropped:已掉线");
    QCOMPARE(qualities(timeouts).mid(0, expected.size()), expected);

    // The heartbeat stops; closing the socket is left to the reconnect flow. A line sent now reaches the socket
    // after its order to stop: every beat before it is one that went out before the stop.
    m_manager->sendQuit();
    QCOMPARE(m_server->waitForLine("25\t"), QString("25\t1001"));
    const int beats = m_server->lineCount("1\t");
    QVERIFY(beats >= 16);
    // A second line leaves the socket's thread only after five intervals on its own timers: a heartbeat timer
    // still running there would have fired first.
    QVERIFY(roundTrip(
        m_manager->socketThread(), [this] { m_manager->sendQuit(); }, 5 * 15));
    QCOMPARE(m_server->waitForLine("25\t"), QString("25\t1001"));
    QCOMPARE(m_server->lineCount("1\t"), beats);
    QVERIFY(m_server->isClientConnected());
}

void TestClassroomConnection::silentServerComingBack()
{
    m_manager->setHeartbeatInterval(30);
    m_server->answerLogin();
    m_server->answerHeartbeats();
    QSignalSpy timeouts(m_manager, &SocketClientManager::signalSocketTimeout);
    QVERIFY(login());
    QTRY_VERIFY_WITH_TIMEOUT(qualities(timeouts).contains(QString::fromUtf8("正常")), 5000);
    m_server->setSilent(true);
    QTRY_VERIFY_WITH_TIMEOUT(qualities(timeouts).contains(QString::fromUtf8("较差")), 5000);
    timeouts.clear();
    m_server->setSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(qualities(timeouts).contains(QString::fromUtf8("正常")), 5000);
    QVERIFY(!hasDrop(timeouts));
}

void TestClassroomConnection::refusedLoginClosesTheConnection()
{
    FakeClassroomServer::LoginReply reply;
    reply.result = "3";
    m_server->answerLogin(reply);
    QSignalSpy result(m_manager, &SocketClientManager::signalConnectResult);
    QSignalSpy heartbeat(m_manager, &SocketClientManager::heartTimerStart);
    m_manager->connectServerAndLogin("stu", "wrong");
    QVERIFY(result.wait(5000));
    QCOMPARE(result.at(0).at(0).toUInt(), 3u);
    QVERIFY(m_server->waitForDisconnect());
    QTRY_VERIFY(!m_manager->isConnected());
    QCOMPARE(heartbeat.count(), 0);
}

void TestClassroomConnection::unreachableServerIsAnError()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    m_manager->setHostAndPort("127.0.0.1", port);
    QSignalSpy errors(m_manager, &SocketClientManager::signalConnectError);
    m_manager->connectServerAndLogin("stu", "pw");
    QVERIFY(errors.wait(5000));
    QVERIFY(!m_manager->isConnected());
}

void TestClassroomConnection::dropInsideALessonIsNoticed()
{
    m_server->answerLogin();
    QVERIFY(login());
    m_manager->sendUserRequest();
    QCOMPARE(m_server->waitForLine("3\t"), QString("3\t1001"));
    QSignalSpy timeouts(m_manager, &SocketClientManager::signalSocketTimeout);
    m_server->drop();
    QVERIFY(timeouts.wait(5000));
    QCOMPARE(qualities(timeouts), QStringList { QString::fromUtf8("dropped:已掉线") });
    QVERIFY(!m_manager->isConnected());
}

void TestClassroomConnection::dropBeforeALessonIsOnlyAnError()
{
    m_server->answerLogin();
    QVERIFY(login());
    QSignalSpy timeouts(m_manager, &SocketClientManager::signalSocketTimeout);
    QSignalSpy errors(m_manager, &SocketClientManager::signalConnectError);
    m_server->drop();
    QVERIFY(errors.wait(5000));
    QTRY_VERIFY(!m_manager->isConnected());
    // The socket reports the close after the error; a call through its thread and back comes after both.
    QVERIFY(roundTrip(m_manager->socketThread()));
    QVERIFY(!hasDrop(timeouts));
}

void TestClassroomConnection::incomingLinesReachTheirSignals()
{
    m_server->answerLogin();
    QVERIFY(login());
    QSignalSpy entered(m_manager, &SocketClientManager::signalEnterClass);
    QSignalSpy quit(m_manager, &SocketClientManager::signalQuitClass);
    QSignalSpy control(m_manager, &SocketClientManager::readCtrlMessage);
    m_server->sendLines({ "6\t0", "25\t1", "11\t0\t2$0:1:p9:12" });
    QTRY_COMPARE(control.count(), 1);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(entered.at(0).at(0).toBool(), true);
    QCOMPARE(quit.count(), 1);
    QCOMPARE(control.at(0).at(0).value<CtrlMessage>().getLateCount(), 12u);

    // And a line the client sends comes out as the server reads it.
    m_manager->sendServerForwardPersonal("u7", "0", QString::fromUtf8("1$0$1001$0$李$aGk="));
    QCOMPARE(m_server->waitForLine("11\t"), QString::fromUtf8("11\t1\tu7\t1$0$1001$0$李$aGk=\t0"));
}

void TestClassroomConnection::secondLoginSendsNothing()
{
    m_server->answerLogin();
    QVERIFY(login());
    m_manager->connectServerAndLogin("stu", "pw");
    m_manager->sendQuit();
    QCOMPARE(m_server->waitForLine("25\t"), QString("25\t1001"));
    QCOMPARE(m_server->lineCount("0\t"), 1);
    QCOMPARE(m_server->connectionCount(), 1);
}

QTEST_GUILESS_MAIN(TestClassroomConnection)
#include "tst_classroomconnection.moc"
