#include "vrek/networktimes/cnetwork.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A time server on a loopback address, answering from its own thread (the client blocks its caller).
class FakeTimeServer
{
public:
    // reply: what to send for a request; empty = stay silent.
    FakeTimeServer(const char *address, quint16 port, QByteArray reply)
        : m_reply(std::move(reply))
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &local.sin_addr);
        m_bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof(local)) == 0;
    }
    bool bound() const { return m_bound; }

    // Serves at most one request within the time limit.
    void serveOnce(int timeoutMs)
    {
        m_thread = std::thread([this, timeoutMs] {
            pollfd poller { m_fd, POLLIN, 0 };
            if (::poll(&poller, 1, timeoutMs) != 1)
                return;
            char buffer[512];
            sockaddr_in from {};
            socklen_t fromSize = sizeof(from);
            const ssize_t got
                = ::recvfrom(m_fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
            if (got < 0)
                return;
            m_request = QByteArray(buffer, int(got));
            if (!m_reply.isEmpty())
                ::sendto(m_fd, m_reply.constData(), size_t(m_reply.size()), 0, reinterpret_cast<sockaddr *>(&from),
                    fromSize);
        });
    }
    QByteArray request()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }
    ~FakeTimeServer()
    {
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
    bool m_bound = false;
    QByteArray m_reply;
    QByteArray m_request;
    std::thread m_thread;
};

QByteArray serverReply(quint32 transmitSeconds, int size = 48, int mode = 4)
{
    QByteArray reply(size, '\0');
    if (size > 0)
        reply[0] = char(0x20 | mode); // version 4
    if (size >= 8)
        qToBigEndian(transmitSeconds, reinterpret_cast<uchar *>(reply.data()) + size - 8);
    return reply;
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}
} // namespace

class TestCNetwork : public QObject
{
    Q_OBJECT
private slots:
    void request();
    void readReply_data();
    void readReply();
    void firstAnsweringServerWins();
    void noServerGivesNullTime();
};

void TestCNetwork::request()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray request = CNetwork::buildRequest(now);
    QCOMPARE(request.size(), 48);
    QCOMPARE(uchar(request.at(0)), uchar(0x1B));
    QCOMPARE(uchar(request.at(1)), uchar(0));
    QCOMPARE(uchar(request.at(2)), uchar(4));
    QCOMPARE(uchar(request.at(3)), uchar(0xFA));
    QCOMPARE(uchar(request.at(5)), uchar(1));
    QCOMPARE(uchar(request.at(9)), uchar(1));
    const quint32 seconds = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(request.constData()) + 40);
    const qint64 expected = now.toSecsSinceEpoch() + now.offsetFromUtc() + CNetwork::secondsFrom1900To1970;
    QCOMPARE(seconds, quint32(expected));
    for (int i = 44; i < 48; ++i)
        QCOMPARE(request.at(i), '\0');
}

void TestCNetwork::readReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<qint64>("unixSeconds"); // -1: no answer
    QTest::newRow("server reply") << serverReply(3900000000u) << qint64(1691011200);
    QTest::newRow("epoch") << serverReply(CNetwork::secondsFrom1900To1970) << qint64(0);
    QTest::newRow("short") << serverReply(3900000000u, 40) << qint64(-1);
    QTest::newRow("tiny") << QByteArray("abc") << qint64(-1);
    QTest::newRow("client mode") << serverReply(3900000000u, 48, 3) << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
}

void TestCNetwork::readReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(qint64, unixSeconds);
    const QDateTime time = CNetwork::readReply(reply);
    if (unixSeconds < 0) {
        QVERIFY(!time.isValid());
    } else {
        QVERIFY(time.isValid());
        QCOMPARE(time.toSecsSinceEpoch(), unixSeconds);
    }
}

void TestCNetwork::firstAnsweringServerWins()
{
    const quint16 port = freeUdpPort();
    FakeTimeServer silent("127.0.0.1", port, QByteArray());
    FakeTimeServer garbage("127.0.0.2", port, serverReply(3900000000u, 20));
    FakeTimeServer good("127.0.0.3", port, serverReply(3900000000u));
    FakeTimeServer later("127.0.0.4", port, serverReply(3800000000u));
    QVERIFY(silent.bound() && garbage.bound() && good.bound() && later.bound());
    silent.serveOnce(3000);
    garbage.serveOnce(3000);
    good.serveOnce(3000);
    later.serveOnce(300);

    CNetwork network({ "127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4" }, port, 1000, 200);
    const QDateTime time = network.verifyTime();
    QVERIFY(time.isValid());
    QCOMPARE(time.toSecsSinceEpoch(), qint64(1691011200));
    QCOMPARE(silent.request().size(), 48);
    QCOMPARE(good.request().size(), 48);
    QVERIFY(later.request().isEmpty()); // never asked
}

void TestCNetwork::noServerGivesNullTime()
{
    const quint16 port = freeUdpPort();
    CNetwork network({ "127.0.0.1", "no-such-host.invalid" }, port, 500, 200);
    QVERIFY(!network.verifyTime().isValid());
}

QTEST_GUILESS_MAIN(TestCNetwork)
#include "tst_cnetwork.moc"
