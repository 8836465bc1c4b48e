#ifndef SOCKETCLIENT_H
#define SOCKETCLIENT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>
#include <QTcpSocket>

class QThread;
class QTimer;

// The transport of the classroom connection. Lives in its own thread; cuts the incoming bytes into lines at
// line feeds, writes outgoing lines and owns the heartbeat timer. It knows nothing of message types.
class SocketClient : public QTcpSocket
{
    Q_OBJECT
public:
    // A line longer than this is dropped: nothing the server sends comes near it, and it bounds the buffer.
    static constexpr int defaultMaxLineBytes = 4 * 1024 * 1024;
    static constexpr int writeTimeoutMs = 30000;

    explicit SocketClient(QObject *parent = nullptr);
    ~SocketClient() override;

    void moveThread(QThread *thread);
    void setMaxLineBytes(int bytes) { m_maxLineBytes = bytes; }
    bool isSocketConnected() const { return m_connected; }

signals:
    void sockNewConnectOut(QString address, ushort port, QThread *thread);
    void sockDisConnectOut(QString address, ushort port, QThread *thread);
    // The non-empty lines of one read together, in order: a burst crosses to the manager's thread in a few
    // signals, not one a line.
    void readMessagesOut(QStringList lines);
    void sendHeartBeatOut(bool sent);
    void connectToServerErrorOut();

public slots:
    void connectToServer(QString host, ushort port);
    void disconnectFromServer();
    // The id is handed over here: the beats go out on this thread, the login sets the id on another.
    void heartTimerStart(int ms, const QString &userId);
    void heartTimerStop();
    bool sendData(QByteArray bytes);
    void sendHeartBeatIn();
    void readData();
    void serverFound();
    void socketStateChanged(QAbstractSocket::SocketState state);
    void socketErrorOccured(QAbstractSocket::SocketError error);
    void socketConnected();
    void socketDisconnect();

protected:
    using QTcpSocket::readData;

private:
    QByteArray m_buffer;
    QElapsedTimer m_lastSend;
    QTimer *m_heartTimer = nullptr;
    QByteArray m_beatLine;
    bool m_connected = false;
    // Set after an over-long line was dropped: the rest of it, up to its line feed, goes too.
    bool m_discarding = false;
    int m_maxLineBytes = defaultMaxLineBytes;
};

#endif // SOCKETCLIENT_H
