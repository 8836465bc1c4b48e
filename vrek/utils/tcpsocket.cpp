#include "vrek/utils/tcpsocket.h"

#include <QDebug>
#include <QThread>

TcpSocket::TcpSocket(qintptr socketDescriptor, QObject *parent)
    : QTcpSocket(parent)
    , m_socketId(socketDescriptor)
{
    setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite);
    connect(this, &QTcpSocket::readyRead, this, &TcpSocket::readData);
    m_disconnectConnection = connect(this, &QTcpSocket::disconnected, this, &TcpSocket::onDisconnected);
    m_isConnected = true;
    // Kept, because a socket that has gone no longer knows its peer.
    m_peerAddress = peerAddress().toString();
    m_peerPort = peerPort();
    qInfo() << "New Connect! ip:" << m_peerAddress << "port:" << m_peerPort;
}

TcpSocket::~TcpSocket()
{
    qInfo() << "isConnected:" << m_isConnected;
}

bool TcpSocket::byteToUInt(const QByteArray &bytes, unsigned int &value)
{
    if (bytes.size() < headLength) {
        qWarning() << "TcpSocket::byteToUInt the byteSize error! byteSize:" << bytes.size() << "num:" << value;
        return false;
    }
    value = (unsigned int)(quint8(bytes.at(0))) << 24 | (unsigned int)(quint8(bytes.at(1))) << 16
        | (unsigned int)(quint8(bytes.at(2))) << 8 | (unsigned int)(quint8(bytes.at(3)));
    return true;
}

void TcpSocket::uintToByte(QByteArray &bytes, unsigned int value)
{
    bytes.append(char((value >> 24) & 0xFF));
    bytes.append(char((value >> 16) & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
    bytes.append(char(value & 0xFF));
}

void TcpSocket::readData()
{
    if (!m_isConnected)
        return;
    m_buffer.append(readAll());
    qDebug() << "readDataAll:" << m_buffer;
    while (!m_buffer.isEmpty()) {
        unsigned int length = 0;
        if (!byteToUInt(m_buffer, length)) {
            qDebug() << "TcpSocket::readData by:" << m_buffer.left(headLength) << "datas:" << m_buffer;
            return;
        }
        if (length > maxFrameLength) {
            qWarning() << "the frame is too long, the connection is dropped! len:" << length
                       << "socketId:" << m_socketId;
            m_buffer.clear();
            abort();
            onDisconnected(); // in case the abort did not report it
            return;
        }
        if (quint64(m_buffer.size()) < quint64(headLength) + length) {
            qDebug() << "TcpSocket::readData the len < datas.length! datas:" << m_buffer << "len:" << length
                     << "datasLength:" << m_buffer.size();
            return;
        }
        const QByteArray payload = m_buffer.mid(headLength, int(length));
        m_buffer.remove(0, headLength + int(length));
        qDebug() << "TcpSocket::readData data:" << payload << "socketId:" << m_socketId;
        emit readMessage(payload, m_socketId);
    }
}

void TcpSocket::sendData(const QByteArray &payload)
{
    if (!m_isConnected) {
        qWarning() << "the isConnected == false! data:" << payload;
        return;
    }
    qDebug() << "ip:" << m_peerAddress << "port:" << m_peerPort << "data:" << payload;
    QByteArray frame;
    frame.reserve(headLength + payload.size());
    uintToByte(frame, unsigned(payload.size()));
    frame.append(payload);
    write(frame);
}

void TcpSocket::disConTcp(qintptr id)
{
    qDebug() << "i:" << id;
    if (id == m_socketId || id == -1)
        disconnectFromHost();
}

void TcpSocket::delConTcp(qintptr id)
{
    qDebug() << "i:" << id;
    if (id == m_socketId || id == -1)
        deleteLater();
}

void TcpSocket::onDisconnected()
{
    // Reported once, however the connection ended (peer, drop, oversized frame).
    if (m_reported)
        return;
    m_reported = true;
    disconnect(m_disconnectConnection);
    m_isConnected = false;
    emit sockDisConnectOut(m_socketId, m_peerAddress, m_peerPort, QThread::currentThread());
    qDebug() << "Del Connect! ip:" << m_peerAddress << "port:" << m_peerPort;
}
