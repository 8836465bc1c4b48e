#include "tests/support/fakeclassroomserver.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/socketclient.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

namespace {
void expectWarning(const QString &prefix)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

// The lines of every read, in order.
QStringList received(const QSignalSpy &spy)
{
    QStringList lines;
    for (const QVariantList &arguments : spy)
        lines << arguments.at(0).toStringList();
    return lines;
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

class TestSocketClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void linesAreCutAtLineFeeds_data();
    void linesAreCutAtLineFeeds();
    void lineSplitAcrossPacketsIsEmittedOnce();
    void overlongLinesAreDropped();
    void heartbeatRunsUntilDisconnect();
    void remoteCloseStopsHeartbeat();
    void sendingWhileDisconnectedFails();
    void secondConnectIsRefused();
    void refusedConnectionIsReported();
    void destroyingAConnectedSocketCallsNoSlot();

private:
    // Connects the client to the fake server and waits until both sides see it.
    bool connectClient();
    // Sends bytes and runs the loop until the client has read them.
    bool deliver(const QByteArray &bytes);

    FakeClassroomServer *m_server = nullptr;
    SocketClient *m_client = nullptr;
    QSignalSpy *m_lines = nullptr;
};

void TestSocketClient::init()
{
    m_server = new FakeClassroomServer;
    QVERIFY(m_server->listen());
    m_client = new SocketClient;
    m_lines = new QSignalSpy(m_client, &SocketClient::readMessagesOut);
}

void TestSocketClient::cleanup()
{
    delete m_lines;
    delete m_client;
    delete m_server;
}

bool TestSocketClient::connectClient()
{
    QSignalSpy connected(m_client, &SocketClient::sockNewConnectOut);
    m_client->connectToServer(m_server->host(), m_server->port());
    return connected.wait(5000) && m_server->waitForClient() && m_client->isSocketConnected();
}

bool TestSocketClient::deliver(const QByteArray &bytes)
{
    QSignalSpy readyRead(m_client, &QIODevice::readyRead);
    m_server->sendRaw(bytes);
    return readyRead.wait(5000);
}

void TestSocketClient::linesAreCutAtLineFeeds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("two in one packet") << QByteArray("[[[6\t0]]]\n[[[6\t1]]]\n")
                                       << QStringList { "[[[6\t0]]]", "[[[6\t1]]]" };
    QTest::newRow("empty lines dropped") << QByteArray("a\n\n\nb\n") << QStringList { "a", "b" };
    QTest::newRow("carriage return kept") << QByteArray("a\r\n") << QStringList { "a\r" };
    QTest::newRow("utf-8") << QString::fromUtf8("[[[3\t李雷]]]\n").toUtf8()
                           << QStringList { QString::fromUtf8("[[[3\t李雷]]]") };
}

void TestSocketClient::linesAreCutAtLineFeeds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QVERIFY(connectClient());
    m_server->sendRaw(bytes);
    QTRY_COMPARE(received(*m_lines), lines);
}

void TestSocketClient::lineSplitAcrossPacketsIsEmittedOnce()
{
    QVERIFY(connectClient());
    const QByteArray line = QString::fromUtf8("[[[11\t0\t李]]]\n").toUtf8();
    // Cut inside the multi-byte character: nothing may be decoded before the line is whole.
    const int cut = line.indexOf('\t', 4) + 2;
    QVERIFY(deliver(line.left(cut)));
    QCOMPARE(m_lines->count(), 0);
    QVERIFY(deliver(line.mid(cut) + "tail"));
    QCOMPARE(received(*m_lines), QStringList { QString::fromUtf8("[[[11\t0\t李]]]") });
    // The fragment waits for its line feed.
    QVERIFY(deliver("\n"));
    QCOMPARE(received(*m_lines), (QStringList { QString::fromUtf8("[[[11\t0\t李]]]"), "tail" }));
}

void TestSocketClient::overlongLinesAreDropped()
{
    m_client->setMaxLineBytes(16);
    QVERIFY(connectClient());
    // Whole in one packet.
    expectWarning("the line is too long, dropped! bytes:");
    QVERIFY(deliver("0123456789abcdefghij\nok1\n"));
    QTRY_COMPARE(received(*m_lines), QStringList { "ok1" });
    // Growing without a line feed: dropped as it passes the limit, and the rest of it up to its line feed.
    expectWarning("the line is too long, dropped! bytes:");
    QVERIFY(deliver("0123456789abcdefghij"));
    QVERIFY(deliver("klmnopqrstuvwxyz0123456789"));
    QVERIFY(deliver("end of the long line\nok2\n"));
    QTRY_COMPARE(received(*m_lines), (QStringList { "ok1", "ok2" }));
}

void TestSocketClient::heartbeatRunsUntilDisconnect()
{
    QVERIFY(connectClient());
    QSignalSpy beats(m_client, &SocketClient::sendHeartBeatOut);
    m_client->heartTimerStart(20, "u9");
    // The id is the one handed over: a later change of the program's id is the login thread's, not this one's.
    g_userId = "other";
    QCOMPARE(m_server->waitForLine("1\t"), QString("1\tu9"));
    QCOMPARE(m_server->waitForLine("1\t"), QString("1\tu9"));
    QVERIFY(beats.count() >= 2);
    QVERIFY(beats.at(0).at(0).toBool());

    QSignalSpy closed(m_client, &SocketClient::sockDisConnectOut);
    m_client->disconnectFromServer();
    QVERIFY(closed.count() == 1 || closed.wait(5000));
    QVERIFY(m_server->waitForDisconnect());
    const int before = beats.count();
    // Five heartbeat intervals on a timer of this thread, the socket's: a heartbeat timer left running ticks first.
    QVERIFY(passTimers(5 * 20));
    QCOMPARE(beats.count(), before);
}

void TestSocketClient::remoteCloseStopsHeartbeat()
{
    QVERIFY(connectClient());
    QSignalSpy beats(m_client, &SocketClient::sendHeartBeatOut);
    QSignalSpy closed(m_client, &SocketClient::sockDisConnectOut);
    QSignalSpy errors(m_client, &SocketClient::connectToServerErrorOut);
    m_client->heartTimerStart(20, "u9");
    QVERIFY(!m_server->waitForLine("1\t").isNull());
    expectWarning("se:");
    m_server->drop();
    QVERIFY(closed.wait(5000));
    QCOMPARE(errors.count(), 1); // the remote close is reported as an error as well
    QVERIFY(!m_client->isSocketConnected());
    const int before = beats.count();
    QVERIFY(passTimers(5 * 20));
    QCOMPARE(beats.count(), before);
}

void TestSocketClient::sendingWhileDisconnectedFails()
{
    expectWarning("the socket is disconnect! ");
    QVERIFY(!m_client->sendData("1\tu9\n"));
    QSignalSpy beats(m_client, &SocketClient::sendHeartBeatOut);
    expectWarning("the socket is disconnect! ");
    m_client->sendHeartBeatIn();
    QCOMPARE(beats.count(), 1);
    QCOMPARE(beats.at(0).at(0).toBool(), false);
}

void TestSocketClient::secondConnectIsRefused()
{
    QVERIFY(connectClient());
    expectWarning("the socket is connecting already! ip:");
    m_client->connectToServer(m_server->host(), m_server->port());
    // A line sent after it arrives on the first connection, and after any second one would have been taken.
    QVERIFY(m_client->sendData("3\tmarker\n"));
    QCOMPARE(m_server->waitForLine("3\t"), QString("3\tmarker"));
    QCOMPARE(m_server->connectionCount(), 1);
}

void TestSocketClient::refusedConnectionIsReported()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QSignalSpy errors(m_client, &SocketClient::connectToServerErrorOut);
    expectWarning("se:");
    m_client->connectToServer("127.0.0.1", port);
    QVERIFY(errors.wait(5000));
    QVERIFY(!m_client->isSocketConnected());
}

void TestSocketClient::destroyingAConnectedSocketCallsNoSlot()
{
    QVERIFY(connectClient());
    m_client->heartTimerStart(1000, "u9");
    // The base destructor closes the socket: its signals must not reach slots of the half-destroyed object.
    QSignalSpy closed(m_client, &SocketClient::sockDisConnectOut);
    QSignalSpy errors(m_client, &SocketClient::connectToServerErrorOut);
    delete m_client;
    m_client = nullptr;
    QCOMPARE(closed.count(), 0);
    QCOMPARE(errors.count(), 0);
    QVERIFY(m_server->waitForDisconnect());
}

QTEST_GUILESS_MAIN(TestSocketClient)
#include "tst_socketclient.moc"
