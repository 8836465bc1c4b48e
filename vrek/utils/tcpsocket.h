#ifndef TCPSOCKET_H
#define TCPSOCKET_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaObject>
#include <QTcpSocket>

class QThread;
class QTimer;
class TcpGate;

// One pad connection, living in a pooled socket thread. Cuts the byte stream into frames of a 4-byte
// big-endian length and its payload, and writes payloads framed the same way. It is known by an id the server
// gives it, never by its descriptor: the system hands a closed descriptor to the next connection at once.
class TcpSocket : public QTcpSocket
{
    Q_OBJECT
public:
    static constexpr int headLength = 4;
    // No pad message comes near this; a longer head is a broken or hostile peer, and waiting for its data would
    // let it grow the buffer without end.
    static constexpr quint32 maxFrameLength = 1024 * 1024;
    // Output the peer has not taken yet, beyond what the system buffers. A pad reads what it is sent; a peer
    // that lets this much pile up is not reading, and keeping its output would let it grow without end.
    static constexpr qint64 maxPendingOutput = 4 * 1024 * 1024;
    // Lines a second about a peer's frames and reads; beyond them a count once a second. A peer that sends tiny
    // frames, or a byte at a time, would otherwise have the log write far more than it sends.
    static constexpr int maxLogLinesPerSecond = 20;

    TcpSocket(qintptr socketDescriptor, qintptr id, QObject *parent = nullptr);
    ~TcpSocket() override;

    // Reads the first four bytes as a big-endian length; false with fewer than four.
    static bool byteToUInt(const QByteArray &bytes, unsigned int &value);
    static void uintToByte(QByteArray &bytes, unsigned int value);

    // How many payloads the peer may send before it is trusted; -1 for no limit. A payload beyond them drops the
    // connection here, before it is handed on: a peer that sends many tiny frames at once would otherwise have a
    // signal queued to the owner's thread for each of them, however soon the owner meant to drop it. Set before the
    // socket is moved to its thread.
    void setFrameLimit(int frames) { m_frameLimit = frames; }

    // A connection at a gate hands its payloads to the gate until the gate hands the connection on; then it says
    // so (handedOn) and its payloads go out as readMessage. Set in the socket's thread, before its first read.
    void setGate(TcpGate *gate);
    bool isAtGate() const { return m_gate != nullptr; }
    // Drops the connection at once: what is still to be written is thrown away, not waited for.
    void dropConnection() { drop(); }

    qintptr id() const { return m_socketId; }
    QString peerAddressText() const { return m_peerAddress; }
    quint16 peerPortNumber() const { return m_peerPort; }

signals:
    void readMessage(QByteArray payload, qintptr socketId);
    void handedOn(qintptr socketId, QString address, quint16 port);
    void sockDisConnectOut(qintptr socketId, QString address, quint16 port, QThread *thread);

public slots:
    void readData();
    void sendData(const QByteArray &payload);
    // Lifts the limit on payloads: the owner knows the peer now.
    void trust();
    // Act when the id is this socket's or -1 (all): drop the connection, or delete this object.
    void disConTcp(qintptr id);
    void delConTcp(qintptr id);

protected:
    using QTcpSocket::readData;

private:
    void onDisconnected();
    // Drops the connection at once: what is still to be written is thrown away, not waited for.
    void drop();
    // Whether a line about the peer's data may go to the log now.
    bool logAllowed();

    void holdExpired();

    QByteArray m_buffer;
    TcpGate *m_gate = nullptr;
    QTimer *m_holdTimer = nullptr;
    // The length of the frame the buffer waits for, logged once per frame rather than on every read.
    qint64 m_waitingFor = -1;
    QElapsedTimer m_logWindow;
    int m_linesLogged = 0;
    qint64 m_linesNotLogged = 0;
    int m_frameLimit = -1;
    int m_frames = 0;
    qintptr m_socketId;
    QMetaObject::Connection m_disconnectConnection;
    bool m_isConnected = false;
    bool m_reported = false;
    QString m_peerAddress;
    quint16 m_peerPort = 0;
};

#endif // TCPSOCKET_H
