#include "vrek/utils/tcpserver.h"

#include "vrek/utils/tcpsocket.h"
#include "vrek/utils/threadhandle.h"

#include <QDebug>
#include <QMetaObject>
#include <QThread>

namespace {
[[maybe_unused]] const int s_qintptrId = qRegisterMetaType<qintptr>("qintptr");
[[maybe_unused]] const int s_threadId = qRegisterMetaType<QThread *>("QThread*");
} // namespace

TcpServer::TcpServer(int numConnections, QObject *parent)
    : QTcpServer(parent)
    , m_maxConnections(numConnections)
{
    qInfo() << "numConnections:" << numConnections;
    setMaxPendingConnections(numConnections);
}

TcpServer::~TcpServer()
{
    qInfo() << "";
    clear();
}

void TcpServer::incomingConnection(qintptr socketDescriptor)
{
    qDebug() << "socketDescriptor:" << socketDescriptor;
    // At the cap the newcomer is refused, not let in as one more.
    if (m_socketTable.size() - m_leaving.size() >= m_maxConnections) {
        qWarning() << "the connections reach the maximum, refused! maximum:" << m_maxConnections;
        QTcpSocket refused;
        refused.setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite);
        refused.abort();
        return;
    }
    const qintptr id = ++m_lastId;
    auto *socket = new TcpSocket(socketDescriptor, id);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        delete socket;
        return;
    }
    socket->setFrameLimit(m_frameLimit);
    QThread *thread = ThreadHandle::getInstance().getThread();
    const QString address = socket->peerAddressText();
    const quint16 port = socket->peerPortNumber();
    connect(this, &TcpServer::sendDisConnect, socket, &TcpSocket::disConTcp);
    connect(this, &TcpServer::sendDelConnect, socket, &TcpSocket::delConTcp);
    connect(socket, &TcpSocket::sockDisConnectOut, this, &TcpServer::sockDisConnectSlot);
    // Before the move: from then on the socket reads in its own thread, and no payload may pass unforwarded.
    connect(socket, &TcpSocket::readMessage, this, &TcpServer::readMessagesOut);
    thread->setObjectName("TcpSocket   ");
    socket->moveToThread(thread);
    m_socketTable.insert(id, socket);
    emit connectClient(id, address, port);
}

void TcpServer::sendMessagesIn(const QByteArray &payload, qintptr id)
{
    TcpSocket *socket = m_socketTable.value(id, nullptr);
    if (!socket) {
        qWarning() << "the sid does not exist! sid:" << id;
        return;
    }
    // Queued to the socket's own thread; calls keep their order, and a socket gone first drops the call.
    QMetaObject::invokeMethod(
        socket, [socket, payload] { socket->sendData(payload); }, Qt::QueuedConnection);
}

void TcpServer::sockDisConnectSlot(qintptr id, const QString &address, quint16 port, QThread *thread)
{
    qDebug() << "handle:" << id << "ip:" << address << "port:" << port;
    TcpSocket *socket = m_socketTable.take(id);
    m_leaving.remove(id);
    if (!socket) {
        // Cleared already: the table and the thread counts went with it.
        return;
    }
    // Nothing more of it reaches the server or the owner; it deletes itself on the command below.
    disconnect(socket, nullptr, this, nullptr);
    ThreadHandle::getInstance().removeThread(thread);
    emit sendDelConnect(id);
    emit sockDisConnect(id, address, port);
}

void TcpServer::getAddressBySId(qintptr id, QString &address, quint16 &port) const
{
    const TcpSocket *socket = m_socketTable.value(id, nullptr);
    if (!socket)
        return;
    address = socket->peerAddressText();
    port = socket->peerPortNumber();
}

void TcpServer::dropConnection(qintptr id)
{
    if (id == -1) {
        for (auto it = m_socketTable.constBegin(); it != m_socketTable.constEnd(); ++it)
            m_leaving.insert(it.key());
    } else if (m_socketTable.contains(id)) {
        m_leaving.insert(id);
    }
    emit sendDisConnect(id);
}

void TcpServer::trust(qintptr id)
{
    TcpSocket *socket = m_socketTable.value(id, nullptr);
    if (!socket)
        return;
    // Queued like the payloads: what is sent to the peer after this call finds the limit lifted.
    QMetaObject::invokeMethod(
        socket, [socket] { socket->trust(); }, Qt::QueuedConnection);
}

void TcpServer::clear()
{
    emit sendDisConnect(-1);
    emit sendDelConnect(-1);
    ThreadHandle::getInstance().clear();
    m_socketTable.clear();
    m_leaving.clear();
}

QThread *TcpServer::threadOf(qintptr id) const
{
    const TcpSocket *socket = m_socketTable.value(id, nullptr);
    return socket ? socket->thread() : nullptr;
}
