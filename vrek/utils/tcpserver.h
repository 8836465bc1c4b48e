#ifndef TCPSERVER_H
#define TCPSERVER_H

#include <QHash>
#include <QSet>
#include <QTcpServer>

class QThread;
class TcpSocket;

// The pad link's TCP server. Each accepted connection becomes a TcpSocket in a pooled socket thread; payloads
// go in and out by signals keyed by the connection's id. The id is the server's own count of connections and is
// never given twice, unlike the socket descriptor, so that a late word about a connection that has gone cannot
// reach the one that took its descriptor. The server and its table belong to the thread that made it.
class TcpServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit TcpServer(int numConnections, QObject *parent = nullptr);
    ~TcpServer() override;

    int maxConnections() const { return m_maxConnections; }
    int connectionCount() const { return m_socketTable.size(); }
    // The payloads a connection made from now on may send before it is trusted (TcpSocket::setFrameLimit).
    void setFrameLimit(int frames) { m_frameLimit = frames; }
    // For tests: the thread a connection lives in (null when the id is unknown).
    QThread *threadOf(qintptr id) const;

signals:
    void connectClient(qintptr id, QString address, quint16 port);
    void sockDisConnect(qintptr id, QString address, quint16 port);
    void readMessagesOut(QByteArray payload, qintptr id);
    // To the sockets; -1 addresses all of them.
    void sendDisConnect(qintptr id);
    void sendDelConnect(qintptr id);

public slots:
    void sendMessagesIn(const QByteArray &payload, qintptr id);
    void sockDisConnectSlot(qintptr id, const QString &address, quint16 port, QThread *thread);
    void getAddressBySId(qintptr id, QString &address, quint16 &port) const;
    // Drops a connection (-1: all). It holds no place from then on, though it stays in the table until its
    // socket has reported it gone: a newcomer must not be refused for connections already on their way out.
    void dropConnection(qintptr id);
    // Lifts the payload limit of a connection.
    void trust(qintptr id);
    void clear();

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    QHash<qintptr, TcpSocket *> m_socketTable;
    // Connections of the table that were told to go.
    QSet<qintptr> m_leaving;
    int m_maxConnections;
    int m_frameLimit = -1;
    qintptr m_lastId = 0;
};

#endif // TCPSERVER_H
