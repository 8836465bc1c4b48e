#include "vrek/networktimes/cnetwork.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QUdpSocket>
#include <QtEndian>

CNetwork g_cNetwork;

namespace {
// Deployment values: public servers that answer from mainland China as well as elsewhere.
const char *const kTimeServers[] = { "ntp.aliyun.com", "ntp.tencent.com", "cn.pool.ntp.org", "pool.ntp.org" };
constexpr int kPacketSize = 48;
constexpr int kServerMode = 4;
// The waits go in steps this long, so that a stop is seen at once.
constexpr int kWaitStepMs = 50;

bool stopped(const std::atomic<bool> *stop)
{
    return stop && stop->load();
}

// Waits up to the time for the socket, step by step; false on time-out, on a stop, or once the socket has
// given up.
template<typename Wait>
bool waitInSteps(QUdpSocket &socket, int timeoutMs, const std::atomic<bool> *stop, Wait wait)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!stopped(stop)) {
        if (wait(int(qMin<qint64>(deadline.remainingTime(), kWaitStepMs))))
            return true;
        if (deadline.hasExpired() || socket.state() == QAbstractSocket::UnconnectedState)
            return false;
    }
    return false;
}
} // namespace

CNetwork::CNetwork()
{
    for (const char *host : kTimeServers)
        m_hosts.append(QString::fromLatin1(host));
}

CNetwork::CNetwork(const QStringList &hosts, quint16 port, int connectTimeoutMs, int replyTimeoutMs)
    : m_hosts(hosts)
    , m_port(port)
    , m_connectTimeoutMs(connectTimeoutMs)
    , m_replyTimeoutMs(replyTimeoutMs)
{ }

CNetwork::~CNetwork()
{
    m_hosts.clear();
}

QByteArray CNetwork::buildRequest(const QDateTime &localNow)
{
    QByteArray request(kPacketSize, '\0');
    request[0] = char(0x1B);
    request[1] = 0;
    request[2] = 4;
    request[3] = char(0xFA);
    request[5] = 1;
    request[9] = 1;
    // Seconds since 1900 with both ends taken as local time.
    const qint64 seconds = localNow.toSecsSinceEpoch() + localNow.offsetFromUtc() + secondsFrom1900To1970;
    qToBigEndian(quint32(seconds), reinterpret_cast<uchar *>(request.data()) + 40);
    return request;
}

QDateTime CNetwork::readReply(const QByteArray &reply)
{
    // Anything shorter than a whole packet, or not from a server, is no answer: garbage must not move the clock.
    if (reply.size() < kPacketSize || (uchar(reply.at(0)) & 0x07) != kServerMode)
        return QDateTime();
    const quint32 seconds
        = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(reply.constData()) + reply.size() - 8);
    return QDateTime::fromSecsSinceEpoch(qint64(seconds) - qint64(secondsFrom1900To1970));
}

QDateTime CNetwork::verifyTime(const std::atomic<bool> *stop)
{
    QDateTime result;
    for (const QString &host : qAsConst(m_hosts)) {
        if (stopped(stop))
            break;
        QUdpSocket socket;
        socket.connectToHost(host, m_port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
        const QByteArray request = buildRequest(QDateTime::currentDateTime());
        if (!waitInSteps(socket, m_connectTimeoutMs, stop, [&socket](int ms) { return socket.waitForConnected(ms); })) {
            socket.close();
            continue;
        }
        socket.flush();
        socket.write(request);
        if (!waitInSteps(socket, m_replyTimeoutMs, stop, [&socket](int ms) { return socket.waitForReadyRead(ms); })) {
            socket.disconnectFromHost();
            socket.close();
            continue;
        }
        QByteArray reply;
        while (socket.hasPendingDatagrams()) {
            reply.resize(int(qMax<qint64>(socket.pendingDatagramSize(), 0)));
            socket.readDatagram(reply.data(), reply.size());
        }
        socket.disconnectFromHost();
        socket.close();
        const QDateTime answer = readReply(reply);
        if (!answer.isValid())
            continue;
        result = answer;
        qDebug() << "cur_dt" << result.toString(Qt::TextDate);
        break;
    }
    return result;
}
