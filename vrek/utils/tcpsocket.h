#ifndef TCPSOCKET_H
#define TCPSOCKET_H

#include <QByteArray>
#include <QHostAddress>
#include <QMetaObject>
#include <QTcpSocket>

class QThread;

// One pad connection, living in a pooled socket thread. Cuts the byte stream into frames of a 4-byte
// big-endian length and its payload, and writes payloads framed the same way.
class TcpSocket : public QTcpSocket
{
    Q_OBJECT
public:
    static constexpr int headLength = 4;
    // No pad message comes near this; a longer head is a broken or hostile peer, and waiting for its data would
    // let it grow the buffer without end.
    static constexpr quint32 maxFrameLength = 1024 * 1024;

    explicit TcpSocket(qintptr socketDescriptor, QObject *parent = nullptr);
    ~TcpSocket() override;

    // Reads the first four bytes as a big-endian length; false with fewer than four.
    static bool byteToUInt(const QByteArray &bytes, unsigned int &value);
    static void uintToByte(QByteArray &bytes, unsigned int value);

    QString peerAddressText() const { return m_peerAddress; }
    quint16 peerPortNumber() const { return m_peerPort; }

signals:
    void readMessage(QByteArray payload, qintptr socketId);
    void sockDisConnectOut(qintptr socketId, QString address, quint16 port, QThread *thread);

public slots:
    void readData();
    void sendData(const QByteArray &payload);
    // Act when the id is this socket's or -1 (all): drop the connection, or delete this object.
    void disConTcp(qintptr id);
    void delConTcp(qintptr id);

private:
    void onDisconnected();

    QByteArray m_buffer;
    qintptr m_socketId;
    QMetaObject::Connection m_disconnectConnection;
    bool m_isConnected = false;
    bool m_reported = false;
    QString m_peerAddress;
    quint16 m_peerPort = 0;
};

#endif // TCPSOCKET_H
