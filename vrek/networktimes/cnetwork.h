#ifndef CNETWORK_H
#define CNETWORK_H

#include <QDateTime>
#include <QStringList>

#include <atomic>

// Asks public time servers for the current time with one SNTP request each, one server after the other.
class CNetwork
{
public:
    CNetwork();
    // For tests: other servers, port and waits.
    CNetwork(const QStringList &hosts, quint16 port, int connectTimeoutMs, int replyTimeoutMs);
    ~CNetwork();

    // The time of the first server that answers, or a null date-time when none does. Blocks while it waits;
    // a stop, when given, ends the waits at once (name lookups excepted) with a null date-time.
    QDateTime verifyTime(const std::atomic<bool> *stop = nullptr);

    // The 48-byte client request, stamped with the given local time.
    static QByteArray buildRequest(const QDateTime &localNow);
    // The server's transmit time, or a null date-time for anything but a whole server reply.
    static QDateTime readReply(const QByteArray &reply);

    static constexpr quint32 secondsFrom1900To1970 = 2208988800u;

private:
    QStringList m_hosts;
    quint16 m_port = 123;
    int m_connectTimeoutMs = 3000;
    int m_replyTimeoutMs = 5000;
};

// The one network-time client of the run.
extern CNetwork g_cNetwork;

#endif // CNETWORK_H
