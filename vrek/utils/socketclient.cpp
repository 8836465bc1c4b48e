#include "vrek/utils/socketclient.h"

#include <QDebug>
#include <QHostAddress>
#include <QStringList>
#include <QThread>
#include <QTimer>

namespace {
// Bounds what Qt buffers between two reads; the line buffer itself is bounded by the line limit.
constexpr qint64 readBufferBytes = 1024 * 1024;
} // namespace

SocketClient::SocketClient(QObject *parent)
    : QTcpSocket(parent)
{
    qInfo() << "parent:" << parent;
    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
    qRegisterMetaType<QAbstractSocket::SocketState>("QAbstractSocket::SocketState");
    qRegisterMetaType<QThread *>("QThread*");
    setReadBufferSize(readBufferBytes);
    connect(this, &QTcpSocket::connected, this, &SocketClient::socketConnected);
    connect(this, &QTcpSocket::disconnected, this, &SocketClient::socketDisconnect);
    connect(this, &QTcpSocket::stateChanged, this, &SocketClient::socketStateChanged);
    connect(this, &QTcpSocket::errorOccurred, this, &SocketClient::socketErrorOccured);
    connect(this, &QTcpSocket::readyRead, this, QOverload<>::of(&SocketClient::readData));
    connect(this, &QTcpSocket::hostFound, this, &SocketClient::serverFound);
}

SocketClient::~SocketClient()
{
    qInfo() << "~SocketClient";
    // The base destructor closes the socket and signals it; this part is gone by then, so its slots must be too.
    QObject::disconnect(this, nullptr, this, nullptr);
    abort();
    // The timer is a child of the socket and goes with it.
    m_heartTimer = nullptr;
}

void SocketClient::moveThread(QThread *thread)
{
    moveToThread(thread);
}

void SocketClient::connectToServer(QString host, ushort port)
{
    qInfo() << "ip:" << host << "port:" << port;
    const SocketState current = state();
    if (current == ConnectingState || current == ConnectedState || current == HostLookupState) {
        qWarning() << "the socket is connecting already! ip:" << host << "port:" << port;
        return;
    }
    connectToHost(host, port, ReadWrite, AnyIPProtocol);
}

void SocketClient::disconnectFromServer()
{
    heartTimerStop();
    disconnectFromHost();
}

void SocketClient::heartTimerStart(int ms, const QString &userId)
{
    qInfo() << "ms:" << ms;
    m_beatLine = QStringLiteral("1\t%1\n").arg(userId).toUtf8();
    if (!m_heartTimer) {
        m_heartTimer = new QTimer(this);
        connect(m_heartTimer, &QTimer::timeout, this, &SocketClient::sendHeartBeatIn);
    }
    m_heartTimer->start(ms);
}

void SocketClient::heartTimerStop()
{
    qInfo() << "thread:" << QThread::currentThread();
    if (m_heartTimer)
        m_heartTimer->stop();
}

bool SocketClient::sendData(QByteArray bytes)
{
    if (!m_connected) {
        qWarning() << "the socket is disconnect! ";
        return false;
    }
    m_lastSend.restart();
    write(bytes);
    return waitForBytesWritten(writeTimeoutMs);
}

void SocketClient::sendHeartBeatIn()
{
    emit sendHeartBeatOut(sendData(m_beatLine));
}

void SocketClient::readData()
{
    m_buffer.append(readAll());
    QStringList lines;
    int start = 0;
    // One pass over the buffer; the consumed lines are cut off once at the end.
    for (int feed = m_buffer.indexOf('\n', start); feed >= 0; feed = m_buffer.indexOf('\n', start)) {
        const int length = feed - start;
        if (m_discarding) {
            m_discarding = false;
        } else if (length > m_maxLineBytes) {
            qWarning() << "the line is too long, dropped! bytes:" << length;
        } else if (length > 0) {
            lines.append(QString::fromUtf8(m_buffer.constData() + start, length));
        }
        start = feed + 1;
    }
    m_buffer.remove(0, start);
    if (m_discarding) {
        m_buffer.clear();
    } else if (m_buffer.size() > m_maxLineBytes) {
        qWarning() << "the line is too long, dropped! bytes:" << m_buffer.size();
        m_buffer.clear();
        m_discarding = true;
    }
    if (!lines.isEmpty())
        emit readMessagesOut(lines);
}

void SocketClient::serverFound()
{
    qInfo() << "server found";
}

void SocketClient::socketStateChanged(QAbstractSocket::SocketState state)
{
    qInfo() << "ss:" << state;
}

void SocketClient::socketErrorOccured(QAbstractSocket::SocketError error)
{
    qWarning() << "se:" << error;
    m_connected = false;
    emit connectToServerErrorOut();
}

void SocketClient::socketConnected()
{
    m_connected = true;
    // A new connection starts with an empty line buffer, whatever the last one left behind.
    m_buffer.clear();
    m_discarding = false;
    emit sockNewConnectOut(peerAddress().toString(), peerPort(), QThread::currentThread());
}

void SocketClient::socketDisconnect()
{
    m_connected = false;
    heartTimerStop();
    emit sockDisConnectOut(peerAddress().toString(), peerPort(), QThread::currentThread());
}
