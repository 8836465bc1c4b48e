#ifndef TCPSERVER_H
#define TCPSERVER_H

#include <QAtomicInt>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QSharedPointer>
#include <QTcpServer>

class QThread;
class TcpAcceptor;
class TcpGate;
class TcpSocket;
class SocketHome;
struct TcpServerLink;

// The pad link's TCP server. Each accepted connection becomes a TcpSocket in a pooled socket thread; payloads
// go in and out by signals keyed by the connection's id. The id is the server's own count of connections and is
// never given twice, unlike the socket descriptor, so that a late word about a connection that has gone cannot
// reach the one that took its descriptor.
//
// The server object belongs to the thread that made it (its owner's), but connections are accepted, refused,
// opened and ended in the socket threads: the owner's thread does nothing for a connection it does not hear of.
// Commands for one connection are one call to the thread it lives in, never a signal every socket hears.
class TcpServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit TcpServer(int numConnections, QObject *parent = nullptr);
    ~TcpServer() override;

    // Listens as QTcpServer::listen does; the connections are then accepted in a socket thread.
    bool listen(const QHostAddress &address = QHostAddress::Any, quint16 port = 0);

    int maxConnections() const { return m_maxConnections; }
    // Connections open or on their way out.
    int connectionCount() const;
    // The payloads a connection made from now on may send before it is trusted (TcpSocket::setFrameLimit).
    void setFrameLimit(int frames) { m_frameLimit = frames; }
    // Connections made from now on wait at the gate until it hands them on; connectClient, readMessagesOut and
    // sockDisConnect then tell only of those. The gate must outlive the server's connections (clear()).
    void setGate(TcpGate *gate);
    // For tests: the thread a connection lives in (null when the id is unknown).
    QThread *threadOf(qintptr id) const;

    // Beyond this many connections open or on their way out for each place, the server stops accepting until the
    // socket threads have ended some: the system's queue of connections holds the rest.
    static constexpr int leavingPerPlace = 4;
    // Connections taken at one go before the accepting thread turns to its sockets again.
    static constexpr int acceptBatch = 32;

signals:
    void connectClient(qintptr id, QString address, quint16 port);
    void sockDisConnect(qintptr id, QString address, quint16 port);
    void readMessagesOut(QByteArray payload, qintptr id);
    // What the server told the sockets (-1: all of them), for anyone who watches; each is also one call to the
    // socket it is for.
    void sendDisConnect(qintptr id);
    void sendDelConnect(qintptr id);

public slots:
    void sendMessagesIn(const QByteArray &payload, qintptr id);
    // A connection the owner knew of is gone.
    void sockDisConnectSlot(qintptr id, const QString &address, quint16 port, QThread *thread);
    void getAddressBySId(qintptr id, QString &address, quint16 &port) const;
    // Drops a connection (-1: all). It holds no place from then on, though it stays counted until its socket has
    // ended: a newcomer must not be refused for connections already on their way out.
    void dropConnection(qintptr id);
    // Lifts the payload limit of a connection.
    void trust(qintptr id);
    void clear();

protected:
    // Takes one accepted descriptor; from any thread.
    void incomingConnection(qintptr socketDescriptor) override;

private:
    friend class SocketHome;
    friend class TcpAcceptor;
    struct Entry
    {
        SocketHome *home = nullptr;
        QThread *thread = nullptr;
        QString address;
        quint16 port = 0;
        bool leaving = false;
    };

    SocketHome *homeOf(qintptr id) const;
    // Each pool thread's home for this server's sockets, made on first use.
    SocketHome *homeFor(QThread *thread);
    void refuse(qintptr socketDescriptor);
    // From a socket thread: the connection has ended or never opened.
    void connectionEnded(qintptr id, QThread *thread);
    // Marks the connection as leaving; its home, or null when it is unknown or left already. With the lock held.
    SocketHome *markLeaving(qintptr id);
    void stopAcceptor();

    QSharedPointer<TcpServerLink> m_link;
    mutable QMutex m_lock;
    QHash<qintptr, Entry> m_socketTable;
    int m_leavingCount = 0;
    QHash<QThread *, SocketHome *> m_homes;
    int m_maxConnections;
    int m_frameLimit = -1;
    qintptr m_lastId = 0;
    TcpGate *m_gate = nullptr;
    TcpAcceptor *m_acceptor = nullptr;
    QAtomicInt m_acceptPaused;
    // Connections the owner heard of and has not heard the end of; the owner's thread only.
    QSet<qintptr> m_told;
};

#endif // TCPSERVER_H
