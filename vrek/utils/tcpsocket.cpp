#include "vrek/utils/tcpsocket.h"

#include "vrek/utils/tcpgate.h"

#include <QDebug>
#include <QThread>
#include <QTimer>

namespace {
// What the log shows of a payload: its length and its first two bytes (the pad protocol's type and subtype).
// Never the bytes themselves: a peer decides what they are and how many.
QString frameSummary(const QByteArray &payload)
{
    QString summary = QStringLiteral("len: %1").arg(payload.size());
    if (!payload.isEmpty())
        summary += QStringLiteral(" type: %1").arg(quint8(payload.at(0)));
    if (payload.size() > 1)
        summary += QStringLiteral("/%1").arg(quint8(payload.at(1)));
    return summary;
}
} // namespace

TcpSocket::TcpSocket(qintptr socketDescriptor, qintptr id, QObject *parent)
    : QTcpSocket(parent)
    , m_socketId(id)
{
    if (!setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        qWarning() << "the socket descriptor is not taken! socketDescriptor:" << socketDescriptor << errorString();
        // Nothing to close: Qt refuses only a descriptor that is not open, and closes one it took and could not
        // set up. Closing the number here could close whatever was given it since.
        return;
    }
    connect(this, &QTcpSocket::readyRead, this, QOverload<>::of(&TcpSocket::readData));
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
    // The base class still closes the socket and may signal while doing so: nothing of this object, which is
    // gone by then, and nobody who listened to it may hear of it.
    disconnect();
}

void TcpSocket::setGate(TcpGate *gate)
{
    m_gate = gate;
    const int holdMs = gate ? gate->holdTimeoutMs() : 0;
    if (holdMs <= 0 || !m_isConnected)
        return;
    m_holdTimer = new QTimer(this);
    m_holdTimer->setSingleShot(true);
    connect(m_holdTimer, &QTimer::timeout, this, &TcpSocket::holdExpired);
    m_holdTimer->start(holdMs);
}

void TcpSocket::holdExpired()
{
    if (!m_gate || !m_isConnected)
        return;
    m_gate->heldTooLong(*this);
    drop();
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
    // Frames are taken from a moving start and the buffer cut once: many small frames in one read must not move
    // the rest of the buffer once each.
    int start = 0;
    while (start < m_buffer.size()) {
        const int available = m_buffer.size() - start;
        // A head split over reads waits for its other bytes.
        if (available < headLength) {
            if (logAllowed())
                qDebug() << "TcpSocket::readData by:" << available << "bytes of the head, socketId:" << m_socketId;
            break;
        }
        unsigned int length = 0;
        byteToUInt(QByteArray::fromRawData(m_buffer.constData() + start, headLength), length);
        if (length > maxFrameLength) {
            qWarning() << "the frame is too long, the connection is dropped! len:" << length << "ip:" << m_peerAddress
                       << "port:" << m_peerPort << "socketId:" << m_socketId;
            m_buffer.clear();
            drop();
            return;
        }
        if (quint64(available) < quint64(headLength) + length) {
            if (m_waitingFor != qint64(length)) {
                m_waitingFor = length;
                if (logAllowed())
                    qDebug() << "TcpSocket::readData the len < datas.length! len:" << length
                             << "datasLength:" << available << "socketId:" << m_socketId;
            }
            break;
        }
        m_waitingFor = -1;
        if (m_frameLimit >= 0 && ++m_frames > m_frameLimit) {
            qWarning() << "too many payloads without a login, the connection is dropped! ip:" << m_peerAddress
                       << "port:" << m_peerPort << "socketId:" << m_socketId;
            m_buffer.clear();
            drop();
            return;
        }
        const QByteArray payload = m_buffer.mid(start + headLength, int(length));
        start += headLength + int(length);
        if (logAllowed())
            qDebug() << "TcpSocket::readData data:" << qPrintable(frameSummary(payload)) << "ip:" << m_peerAddress
                     << "port:" << m_peerPort << "socketId:" << m_socketId;
        if (m_gate) {
            // Kept here, in this thread, unless the gate lets it through.
            const bool through = m_gate->payload(*this, payload);
            if (!m_isConnected)
                return;
            if (!through)
                continue;
            m_gate = nullptr;
            if (m_holdTimer)
                m_holdTimer->stop();
            emit handedOn(m_socketId, m_peerAddress, m_peerPort);
        }
        emit readMessage(payload, m_socketId);
        // A receiver in this thread may have dropped the connection.
        if (!m_isConnected)
            return;
    }
    m_buffer.remove(0, start);
}

void TcpSocket::sendData(const QByteArray &payload)
{
    if (!m_isConnected) {
        qWarning() << "the isConnected == false! data:" << qPrintable(frameSummary(payload))
                   << "socketId:" << m_socketId;
        return;
    }
    qDebug() << "ip:" << m_peerAddress << "port:" << m_peerPort << "data:" << qPrintable(frameSummary(payload));
    if (bytesToWrite() + headLength + payload.size() > maxPendingOutput) {
        // Hand the system what it takes now before judging the peer: a burst of calls may simply have come
        // faster than this thread's loop writes.
        flush();
        if (!m_isConnected)
            return;
        if (bytesToWrite() + headLength + payload.size() > maxPendingOutput) {
            qWarning() << "the peer does not read, the connection is dropped! pending:" << bytesToWrite()
                       << "ip:" << m_peerAddress << "port:" << m_peerPort << "socketId:" << m_socketId;
            drop();
            return;
        }
    }
    QByteArray frame;
    frame.reserve(headLength + payload.size());
    uintToByte(frame, unsigned(payload.size()));
    frame.append(payload);
    write(frame);
}

void TcpSocket::trust()
{
    m_frameLimit = -1;
}

// Called for this socket alone, or for every socket when the server clears (-1).
void TcpSocket::disConTcp(qintptr id)
{
    if (id != m_socketId && id != -1)
        return;
    qDebug() << "i:" << id;
    drop();
}

void TcpSocket::delConTcp(qintptr id)
{
    if (id != m_socketId && id != -1)
        return;
    qDebug() << "i:" << id;
    deleteLater();
}

bool TcpSocket::logAllowed()
{
    if (!m_logWindow.isValid() || m_logWindow.elapsed() >= 1000) {
        if (m_linesNotLogged > 0)
            qDebug() << "TcpSocket::readData lines not logged:" << m_linesNotLogged << "socketId:" << m_socketId;
        m_logWindow.start();
        m_linesLogged = 0;
        m_linesNotLogged = 0;
    }
    if (m_linesLogged < maxLogLinesPerSecond) {
        ++m_linesLogged;
        return true;
    }
    ++m_linesNotLogged;
    return false;
}

void TcpSocket::drop()
{
    if (m_holdTimer)
        m_holdTimer->stop();
    abort();
    onDisconnected(); // in case the abort did not report it
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
