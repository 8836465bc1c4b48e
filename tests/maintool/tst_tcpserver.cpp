#include "tests/support/noiseflood.h"
#include "tests/support/padclient.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/utils/tcpserver.h"
#include "vrek/utils/tcpsocket.h"
#include "vrek/utils/threadhandle.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cstring>

#include <atomic>

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A descriptor of this process whose socket has these two local and remote ports; -1 when there is none.
int descriptorOf(quint16 localPort, quint16 peerPort)
{
    for (int fd = 0; fd < 4096; ++fd) {
        sockaddr_in local {};
        sockaddr_in peer {};
        socklen_t length = sizeof local;
        if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) != 0 || local.sin_family != AF_INET)
            continue;
        length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0)
            continue;
        if (ntohs(local.sin_port) == localPort && ntohs(peer.sin_port) == peerPort)
            return fd;
    }
    return -1;
}

// One server and a pad connected to it; each connection is known by the id the server signalled.
struct Rig
{
    explicit Rig(int maxConnections = 8)
        : server(maxConnections)
        , connected(&server, &TcpServer::connectClient)
        , messages(&server, &TcpServer::readMessagesOut)
        , gone(&server, &TcpServer::sockDisConnect)
    {
        server.listen(QHostAddress::LocalHost, 0);
    }

    // Connects a new pad and returns its id on the server (0 on failure).
    qintptr connectPad(PadClient &pad)
    {
        const int before = connected.count();
        if (!pad.connectTo("127.0.0.1", server.serverPort()))
            return 0;
        if (!QTest::qWaitFor([&] { return connected.count() > before; }, 5000))
            return 0;
        return connected.last().at(0).value<qintptr>();
    }

    // Each signalled connection as its id and peer port, sorted.
    static QList<QPair<qintptr, uint>> idsAndPorts(const QSignalSpy &spy)
    {
        QList<QPair<qintptr, uint>> result;
        for (const QList<QVariant> &arguments : spy)
            result.append({ arguments.at(0).value<qintptr>(), arguments.at(2).toUInt() });
        std::sort(result.begin(), result.end());
        return result;
    }

    // Waits until the server has read every byte the pad of the connection wrote and has handed on what they
    // made: the pad's system holds nothing unacknowledged, the server's nothing unread, and the socket's thread
    // has come round since.
    bool takenIn(qintptr id)
    {
        quint16 padPort = 0;
        for (const QList<QVariant> &arguments : qAsConst(connected)) {
            if (arguments.at(0).value<qintptr>() == id)
                padPort = quint16(arguments.at(2).toUInt());
        }
        const int padEnd = descriptorOf(padPort, server.serverPort());
        const int serverEnd = descriptorOf(server.serverPort(), padPort);
        if (padEnd < 0 || serverEnd < 0)
            return false;
        const bool read = QTest::qWaitFor(
            [&] {
                int unacknowledged = -1;
                int unread = -1;
                return ::ioctl(padEnd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0
                    && ::ioctl(serverEnd, FIONREAD, &unread) == 0 && unread == 0;
            },
            10000);
        return read && roundTripThrough(server.threadOf(id));
    }

    QList<QByteArray> payloads() const
    {
        QList<QByteArray> result;
        for (const QList<QVariant> &arguments : messages)
            result.append(arguments.at(0).toByteArray());
        return result;
    }

    TcpServer server;
    QSignalSpy connected;
    QSignalSpy messages;
    QSignalSpy gone;
};

// Hands the server a descriptor as the system would.
struct OpenServer : TcpServer
{
    using TcpServer::TcpServer;
    using TcpServer::incomingConnection;
};

// The child's part of exitWithABusySocketThread: a socket thread is still working when the program ends.
int busyExit(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    {
        Rig rig;
        PadClient pad;
        const qintptr id = rig.connectPad(pad);
        if (id == 0)
            return 3;
        QObject worker;
        worker.moveToThread(rig.server.threadOf(id));
        std::atomic<bool> busy { false };
        QMetaObject::invokeMethod(
            &worker,
            [&busy] {
                busy = true;
                QThread::sleep(8);
            },
            Qt::QueuedConnection);
        // The program ends only once the thread is at work.
        if (!QTest::qWaitFor([&busy] { return bool(busy); }, 10000))
            return 4;
        worker.moveToThread(nullptr);
    }
    return 0;
}
} // namespace

class TestTcpServer : public QObject
{
    Q_OBJECT
private slots:
    void framesCoalescedAndSplit();
    void emptyAndWaitingHeads();
    void oversizedHeadDropsTheConnection();
    void payloadsGoToOneSocketFramed();
    void fourthConnectionSharesAThread();
    void connectionsAtTheCapAreRefused();
    void descriptorNotTakenLeavesNothingOpen_data();
    void descriptorNotTakenLeavesNothingOpen();
    void peerGoneIsReportedOnce();
    void manyConnectionsOfRandomBytes();
    void lateReportLeavesTheNextConnection();
    void peerThatDoesNotReadIsDropped();
    void serverGoneWhileConnectionsTalk();
    void exitWithABusySocketThread();
};

void TestTcpServer::framesCoalescedAndSplit()
{
    Rig rig;
    PadClient pad;
    const qintptr id = rig.connectPad(pad);
    QVERIFY(id != 0);
    // Two frames in one segment give two payloads in order.
    pad.sendRaw(PadClient::frame("first") + PadClient::frame("second"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 2, 5000);
    QCOMPARE(rig.payloads(), (QList<QByteArray> { "first", "second" }));
    // One frame in many pieces gives one payload after the last piece.
    const QByteArray frame = PadClient::frame(QByteArray(3000, 'x'));
    for (int offset = 0; offset < frame.size(); offset += 700) {
        pad.sendRaw(frame.mid(offset, 700));
        QVERIFY(rig.takenIn(id));
        if (offset + 700 < frame.size())
            QCOMPARE(rig.messages.count(), 2);
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 3, 5000);
    QCOMPARE(rig.payloads().last(), QByteArray(3000, 'x'));
}

void TestTcpServer::emptyAndWaitingHeads()
{
    Rig rig;
    PadClient pad;
    const qintptr id = rig.connectPad(pad);
    QVERIFY(id != 0);
    pad.sendRaw(PadClient::frame(QByteArray()));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, 5000);
    QCOMPARE(rig.payloads().first(), QByteArray(""));
    QCOMPARE(rig.messages.first().at(1).value<qintptr>(), id);
    // Three bytes of a head wait for the fourth without being lost.
    const QByteArray frame = PadClient::frame("ab");
    pad.sendRaw(frame.left(3));
    QVERIFY(rig.takenIn(id));
    QCOMPARE(rig.messages.count(), 1);
    pad.sendRaw(frame.mid(3));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 2, 5000);
    QCOMPARE(rig.payloads().last(), QByteArray("ab"));
}

void TestTcpServer::oversizedHeadDropsTheConnection()
{
    Rig rig;
    PadClient pad;
    const qintptr id = rig.connectPad(pad);
    QVERIFY(id != 0);
    QByteArray head;
    head.append(char(0x00)).append(char(0x10)).append(char(0x00)).append(char(0x01)); // 1 MiB + 1
    pad.sendRaw(head + QByteArray(100, 'y'));
    QVERIFY(pad.waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), 1, 5000);
    QCOMPARE(rig.gone.first().at(0).value<qintptr>(), id);
    QCOMPARE(rig.messages.count(), 0);
    QCOMPARE(rig.server.connectionCount(), 0);

    // A frame of exactly 1 MiB is still taken.
    PadClient big;
    QVERIFY(rig.connectPad(big) != 0);
    big.sendRaw(PadClient::frame(QByteArray(1024 * 1024, 'z')));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, 10000);
    QCOMPARE(rig.payloads().first().size(), 1024 * 1024);
}

void TestTcpServer::payloadsGoToOneSocketFramed()
{
    Rig rig;
    PadClient first;
    PadClient second;
    const qintptr firstId = rig.connectPad(first);
    const qintptr secondId = rig.connectPad(second);
    QVERIFY(firstId != 0 && secondId != 0);
    rig.server.sendMessagesIn("one", secondId);
    rig.server.sendMessagesIn("two", secondId);
    rig.server.sendMessagesIn(QByteArray(), firstId);
    QTRY_COMPARE_WITH_TIMEOUT(second.received().size(), 2, 5000);
    QCOMPARE(second.received(), (QList<QByteArray> { "one", "two" }));
    QTRY_COMPARE_WITH_TIMEOUT(first.received().size(), 1, 5000);
    QCOMPARE(first.received().first(), QByteArray(""));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the sid does not exist! sid: 424242"));
    rig.server.sendMessagesIn("nobody", 424242);
    // Calls to a socket keep their order: what comes next on each connection came after it.
    rig.server.sendMessagesIn("next", firstId);
    rig.server.sendMessagesIn("next", secondId);
    QTRY_COMPARE_WITH_TIMEOUT(first.received(), (QList<QByteArray> { "", "next" }), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(second.received(), (QList<QByteArray> { "one", "two", "next" }), 5000);

    QString address;
    quint16 port = 0;
    rig.server.getAddressBySId(firstId, address, port);
    QCOMPARE(address, QString("127.0.0.1"));
    QVERIFY(port != 0);
}

void TestTcpServer::fourthConnectionSharesAThread()
{
    Rig rig;
    PadClient pads[4];
    QList<QThread *> threads;
    for (PadClient &pad : pads) {
        const qintptr id = rig.connectPad(pad);
        QVERIFY(id != 0);
        threads.append(rig.server.threadOf(id));
    }
    QCOMPARE(QSet<QThread *>(threads.begin(), threads.begin() + 3).size(), 3);
    QVERIFY(threads.mid(0, 3).contains(threads.at(3)));
    QVERIFY(!threads.contains(QThread::currentThread()));
    QCOMPARE(threads.at(3)->objectName(), QString("TcpSocket   "));
    // Each thread still serves its own connection.
    for (PadClient &pad : pads)
        pad.sendRaw(PadClient::frame("hi"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 4, 5000);
}

void TestTcpServer::connectionsAtTheCapAreRefused()
{
    Rig rig(2);
    PadClient first;
    PadClient second;
    PadClient third;
    QVERIFY(rig.connectPad(first) != 0);
    QVERIFY(rig.connectPad(second) != 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the connections reach the maximum, refused!"));
    // The kernel takes the connection before the server refuses it: the pad sees it closed at once.
    third.connectTo("127.0.0.1", rig.server.serverPort());
    QVERIFY(third.waitForDisconnect(5000));
    // Closed, it takes nothing more: what it had was read before the close.
    QVERIFY(third.received().isEmpty());
    QCOMPARE(rig.connected.count(), 2);
    QCOMPARE(rig.server.connectionCount(), 2);
    // A place that frees up is taken again.
    first.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.connectionCount(), 1, 5000);
    PadClient fourth;
    QVERIFY(rig.connectPad(fourth) != 0);
}

void TestTcpServer::descriptorNotTakenLeavesNothingOpen_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("maxConnections");
    QTest::newRow("gone before it is taken") << false << 8;
    QTest::newRow("refused at the cap") << true << 0;
}

void TestTcpServer::descriptorNotTakenLeavesNothingOpen()
{
    QFETCH(bool, open);
    QFETCH(int, maxConnections);
    int ends[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    if (!open)
        ::close(ends[0]);
    OpenServer server(maxConnections);
    QSignalSpy connected(&server, &TcpServer::connectClient);
    if (!open)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket descriptor is not taken!"));
    server.incomingConnection(ends[0]);
    QCOMPARE(server.connectionCount(), 0);
    QCOMPARE(connected.count(), 0);
    // A refused peer is hung up on: it reads the end of the stream at once.
    if (open) {
        pollfd peer = { ends[1], POLLIN, 0 };
        QCOMPARE(::poll(&peer, 1, 5000), 1);
        char byte = 0;
        QCOMPARE(::read(ends[1], &byte, 1), ssize_t(0));
    }
    ::close(ends[1]);
}

void TestTcpServer::peerGoneIsReportedOnce()
{
    Rig rig;
    PadClient pad;
    const qintptr id = rig.connectPad(pad);
    QVERIFY(id != 0);
    QThread *thread = rig.server.threadOf(id);
    const unsigned int load = ThreadHandle::getInstance().connectionCount(thread);
    pad.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), 1, 5000);
    const QList<QVariant> arguments = rig.gone.first();
    QCOMPARE(arguments.at(0).value<qintptr>(), id);
    QCOMPARE(arguments.at(1).toString(), QString("127.0.0.1"));
    QCOMPARE(rig.server.connectionCount(), 0);
    QCOMPARE(ThreadHandle::getInstance().connectionCount(thread), load - 1);
    // Another report would come from the socket's thread, at its end or its deletion, before a round trip
    // through that thread queued after the first.
    QVERIFY(roundTripThrough(thread));
    QCOMPARE(rig.gone.count(), 1);
}

void TestTcpServer::manyConnectionsOfRandomBytes()
{
    // Strangers that send noise and leave, many at a time: descriptors come free and are taken again while the
    // socket threads still report the connections that had them.
    Rig rig(1000);
    constexpr int total = 200;
    QVERIFY2(
        NoiseFlood::run(QHostAddress::LocalHost, rig.server.serverPort(), total, 41), "the clients did not finish");
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), rig.connected.count(), 30000);
    QCOMPARE(rig.server.connectionCount(), 0);
    QVERIFY(rig.connected.count() > total / 2);
    // Each connection has an id of its own, and its end is reported under it once, with its own peer.
    const QList<QPair<qintptr, uint>> opened = Rig::idsAndPorts(rig.connected);
    QSet<qintptr> ids;
    for (const auto &entry : opened)
        ids.insert(entry.first);
    QCOMPARE(ids.size(), opened.size());
    QCOMPARE(Rig::idsAndPorts(rig.gone), opened);

    // The server still serves.
    PadClient pad;
    const qintptr id = rig.connectPad(pad);
    QVERIFY(id != 0);
    const int before = rig.messages.count();
    pad.sendRaw(PadClient::frame("after"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), before + 1, 5000);
    rig.server.sendMessagesIn("back", id);
    QCOMPARE(pad.waitForPayload(), QByteArray("back"));
}

void TestTcpServer::lateReportLeavesTheNextConnection()
{
    Rig rig;
    PadClient first;
    const qintptr firstId = rig.connectPad(first);
    QVERIFY(firstId != 0);
    QThread *thread = rig.server.threadOf(firstId);
    first.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), 1, 5000);
    const QList<QVariant> report = rig.gone.first();
    // The next connection most likely gets the descriptor the first one had.
    PadClient second;
    const qintptr secondId = rig.connectPad(second);
    QVERIFY(secondId != 0);
    QVERIFY(secondId != firstId);
    // The first connection's end, told again late, touches nothing of the second.
    rig.server.sockDisConnectSlot(firstId, report.at(1).toString(), quint16(report.at(2).toUInt()), thread);
    QCOMPARE(rig.gone.count(), 1);
    QCOMPARE(rig.server.connectionCount(), 1);
    rig.server.sendMessagesIn("still here", secondId);
    QCOMPARE(second.waitForPayload(), QByteArray("still here"));
    second.sendRaw(PadClient::frame("me too"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, 5000);
    QCOMPARE(rig.messages.first().at(1).value<qintptr>(), secondId);
}

void TestTcpServer::peerThatDoesNotReadIsDropped()
{
    Rig rig;
    // A plain socket that this test never reads from.
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(peer >= 0);
    // A small window, and a bound on the reads at the end so that the test cannot hang on them.
    const int window = 64 * 1024;
    ::setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    const timeval readLimit { 10, 0 };
    ::setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &readLimit, sizeof readLimit);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(rig.server.serverPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(peer, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.connected.count(), 1, 5000);
    const qintptr id = rig.connected.first().at(0).value<qintptr>();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the peer does not read, the connection is dropped!"));
    const QByteArray payload(256 * 1024, 'p');
    qint64 sent = 0;
    // Far more than the system buffers and the bound together.
    const qint64 enough = 64 * 1024 * 1024;
    while (rig.gone.isEmpty() && sent < enough) {
        rig.server.sendMessagesIn(payload, id);
        sent += payload.size() + 4;
        QTest::qWait(2);
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), 1, 10000);
    QCOMPARE(rig.gone.first().at(0).value<qintptr>(), id);
    QVERIFY2(sent < enough, "the peer was never dropped");
    QCOMPARE(rig.server.connectionCount(), 0);

    // Aborted, not drained: what was still queued for the peer never comes; the connection ends.
    qint64 received = 0;
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::recv(peer, chunk, sizeof chunk, 0)) > 0)
        received += got;
    const int readError = errno;
    ::close(peer);
    QVERIFY2(got == 0 || readError == ECONNRESET, qPrintable(QString::number(readError)));
    QVERIFY2(received <= sent - (TcpSocket::maxPendingOutput - payload.size()),
        qPrintable(QStringLiteral("sent %1, received %2").arg(sent).arg(received)));
}

void TestTcpServer::serverGoneWhileConnectionsTalk()
{
    // Sockets go in their own threads while payloads still cross in both directions.
    auto *rig = new Rig(64);
    QList<PadClient *> pads;
    QList<qintptr> ids;
    for (int i = 0; i < 12; ++i) {
        pads.append(new PadClient);
        ids.append(rig->connectPad(*pads.last()));
        QVERIFY(ids.last() != 0);
    }
    const QByteArray chunk = PadClient::frame(QByteArray(2000, 'c'));
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < pads.size(); ++i) {
            pads.at(i)->sendRaw(chunk);
            rig->server.sendMessagesIn(QByteArray(2000, 's'), ids.at(i));
        }
    }
    delete rig;
    for (PadClient *pad : qAsConst(pads))
        QVERIFY(pad->waitForDisconnect(10000));
    qDeleteAll(pads);
    // The pool serves the next server.
    Rig next;
    PadClient pad;
    const qintptr id = next.connectPad(pad);
    QVERIFY(id != 0);
    next.server.sendMessagesIn("fresh", id);
    QCOMPARE(pad.waitForPayload(), QByteArray("fresh"));
}

void TestTcpServer::exitWithABusySocketThread()
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), { "--busy-exit" });
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit, output.constData());
    QCOMPARE(child.exitCode(), 0);
    QVERIFY2(output.contains("left running"), output.constData());
}

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--busy-exit") == 0)
        return busyExit(argc, argv);
    QCoreApplication application(argc, argv);
    TestTcpServer test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tcpserver.moc"
