#include "vrek/utils/tcpserver.h"

#include "vrek/utils/tcpgate.h"
#include "vrek/utils/tcpsocket.h"
#include "vrek/utils/threadhandle.h"

#include <QDebug>
#include <QHostAddress>
#include <QMetaObject>
#include <QReadWriteLock>
#include <QSharedPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
[[maybe_unused]] const int s_qintptrId = qRegisterMetaType<qintptr>("qintptr");
[[maybe_unused]] const int s_threadId = qRegisterMetaType<QThread *>("QThread*");

// After the system ran out of descriptors or memory for a connection, the accepting thread tries again this much
// later rather than at once and for ever.
constexpr int acceptRetryMs = 100;
} // namespace

// What the socket threads reach of their server: it may go while they still work, and from then on they reach
// nothing of it, nor of its gate.
struct TcpServerLink
{
    // Recursive: a thread inside a call may be called back (a socket that ends while the gate writes to it).
    QReadWriteLock lock { QReadWriteLock::Recursive };
    TcpServer *server = nullptr;
    TcpGate *gate = nullptr;
};

// The sockets of one server in one pool thread, and the calls the server makes to them. Lives in that thread.
class SocketHome : public QObject
{
public:
    explicit SocketHome(const QSharedPointer<TcpServerLink> &link)
        : m_link(link)
    { }

    void open(qintptr socketDescriptor, qintptr id, int frameLimit, bool gated);
    void deliver(qintptr id, const QByteArray &payload);
    void drop(qintptr id);
    void trust(qintptr id);
    // Ends every connection of the home, once the server has gone or cleared.
    void closeAll();

private:
    void ended(qintptr id, const QString &address, quint16 port, QThread *thread);
    void handedOn(qintptr id, const QString &address, quint16 port);
    void payload(const QByteArray &payload, qintptr id);

    QSharedPointer<TcpServerLink> m_link;
    QHash<qintptr, TcpSocket *> m_sockets;
    // Those the owner hears of: its reports of them go to the owner's thread.
    QSet<qintptr> m_told;
};

// Accepts the server's connections in a socket thread, through a descriptor of its own for the listening socket.
class TcpAcceptor : public QObject
{
public:
    TcpAcceptor(const QSharedPointer<TcpServerLink> &link, int listeningDescriptor)
        : m_link(link)
        , m_descriptor(listeningDescriptor)
    { }
    ~TcpAcceptor() override
    {
        delete m_notifier;
        ::close(m_descriptor);
    }

    // In the accepting thread.
    void start()
    {
        m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
        QObject::connect(m_notifier, &QSocketNotifier::activated, this, [this] { acceptSome(); });
    }
    void resume()
    {
        if (m_notifier)
            m_notifier->setEnabled(true);
    }

private:
    void acceptSome();

    QSharedPointer<TcpServerLink> m_link;
    int m_descriptor;
    QSocketNotifier *m_notifier = nullptr;
};

void TcpAcceptor::acceptSome()
{
    for (int taken = 0; taken < TcpServer::acceptBatch; ++taken) {
        const int descriptor = ::accept4(m_descriptor, nullptr, nullptr, SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            // Out of descriptors or memory: the waiting connections stay with the system until some are free.
            qWarning() << "the accept failed, tried again later! errno:" << errno;
            m_notifier->setEnabled(false);
            QTimer::singleShot(acceptRetryMs, this, [this] { resume(); });
            return;
        }
        QReadLocker locker(&m_link->lock);
        if (!m_link->server) {
            ::close(descriptor);
            m_notifier->setEnabled(false);
            return;
        }
        m_link->server->incomingConnection(descriptor);
        if (m_link->server->m_acceptPaused.loadAcquire()) {
            // Too many connections still on their way out: their threads end them first.
            m_notifier->setEnabled(false);
            return;
        }
    }
    // More may be waiting: this thread's sockets have their turn first.
    m_notifier->setEnabled(false);
    QMetaObject::invokeMethod(
        this, [this] { resume(); }, Qt::QueuedConnection);
}

void SocketHome::open(qintptr socketDescriptor, qintptr id, int frameLimit, bool gated)
{
    auto *socket = new TcpSocket(socketDescriptor, id);
    QThread *thread = QThread::currentThread();
    QReadLocker locker(&m_link->lock);
    TcpServer *server = m_link->server;
    TcpGate *gate = gated ? m_link->gate : nullptr;
    if (!server || socket->state() != QAbstractSocket::ConnectedState) {
        delete socket;
        if (gate)
            gate->gone(id);
        if (server)
            server->connectionEnded(id, thread);
        return;
    }
    socket->setFrameLimit(frameLimit);
    m_sockets.insert(id, socket);
    connect(socket, &TcpSocket::sockDisConnectOut, this,
        [this](qintptr socketId, const QString &address, quint16 port, QThread *socketThread) {
            ended(socketId, address, port, socketThread);
        });
    connect(socket, &TcpSocket::handedOn, this,
        [this](qintptr socketId, const QString &address, quint16 port) { handedOn(socketId, address, port); });
    connect(socket, &TcpSocket::readMessage, this,
        [this](const QByteArray &bytes, qintptr socketId) { payload(bytes, socketId); });
    if (!gate) {
        handedOn(id, socket->peerAddressText(), socket->peerPortNumber());
        return;
    }
    socket->setGate(gate);
    gate->opened(*socket);
}

void SocketHome::handedOn(qintptr id, const QString &address, quint16 port)
{
    m_told.insert(id);
    QReadLocker locker(&m_link->lock);
    TcpServer *server = m_link->server;
    if (!server)
        return;
    QMetaObject::invokeMethod(
        server,
        [server, id, address, port] {
            server->m_told.insert(id);
            emit server->connectClient(id, address, port);
        },
        Qt::QueuedConnection);
}

void SocketHome::payload(const QByteArray &bytes, qintptr id)
{
    QReadLocker locker(&m_link->lock);
    TcpServer *server = m_link->server;
    if (!server)
        return;
    QMetaObject::invokeMethod(
        server,
        [server, bytes, id] {
            if (server->m_told.contains(id))
                emit server->readMessagesOut(bytes, id);
        },
        Qt::QueuedConnection);
}

void SocketHome::ended(qintptr id, const QString &address, quint16 port, QThread *thread)
{
    TcpSocket *socket = m_sockets.take(id);
    if (socket) {
        disconnect(socket, nullptr, this, nullptr);
        // Deleted when this thread comes round: the socket may be inside one of its own calls now.
        socket->delConTcp(id);
    }
    const bool told = m_told.remove(id);
    QReadLocker locker(&m_link->lock);
    TcpServer *server = m_link->server;
    if (!server)
        return;
    if (m_link->gate)
        m_link->gate->gone(id);
    server->connectionEnded(id, thread);
    if (!told)
        return;
    QMetaObject::invokeMethod(
        server, [server, id, address, port, thread] { server->sockDisConnectSlot(id, address, port, thread); },
        Qt::QueuedConnection);
}

void SocketHome::deliver(qintptr id, const QByteArray &payload)
{
    TcpSocket *socket = m_sockets.value(id, nullptr);
    if (!socket) {
        qWarning() << "the isConnected == false! data: len:" << payload.size() << "socketId:" << id;
        return;
    }
    socket->sendData(payload);
}

void SocketHome::drop(qintptr id)
{
    if (id == -1) {
        const QList<TcpSocket *> sockets = m_sockets.values();
        for (TcpSocket *socket : sockets)
            socket->disConTcp(-1);
        return;
    }
    if (TcpSocket *socket = m_sockets.value(id, nullptr))
        socket->disConTcp(id);
}

void SocketHome::trust(qintptr id)
{
    if (TcpSocket *socket = m_sockets.value(id, nullptr))
        socket->trust();
}

void SocketHome::closeAll()
{
    const QList<TcpSocket *> sockets = m_sockets.values();
    for (TcpSocket *socket : sockets) {
        socket->disConTcp(-1);
        socket->delConTcp(-1);
    }
    m_sockets.clear();
    m_told.clear();
}

TcpServer::TcpServer(int numConnections, QObject *parent)
    : QTcpServer(parent)
    , m_link(new TcpServerLink)
    , m_maxConnections(numConnections)
{
    qInfo() << "numConnections:" << numConnections;
    setMaxPendingConnections(numConnections);
    m_link->server = this;
}

TcpServer::~TcpServer()
{
    qInfo() << "";
    {
        // From here on no socket thread reaches this server or its gate; one inside a call finishes it first.
        QWriteLocker locker(&m_link->lock);
        m_link->server = nullptr;
        m_link->gate = nullptr;
    }
    stopAcceptor();
    clear();
}

void TcpServer::setGate(TcpGate *gate)
{
    QWriteLocker linkLocker(&m_link->lock);
    QMutexLocker locker(&m_lock);
    m_gate = gate;
    m_link->gate = gate;
}

bool TcpServer::listen(const QHostAddress &address, quint16 port)
{
    if (!QTcpServer::listen(address, port))
        return false;
    // The connections are taken in a socket thread, through a descriptor of its own for the same socket.
    const int descriptor = ::fcntl(int(socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) {
        qWarning() << "the listening socket is not shared, connections are accepted here! errno:" << errno;
        return true;
    }
    pauseAccepting();
    auto *acceptor = new TcpAcceptor(m_link, descriptor);
    acceptor->moveToThread(ThreadHandle::getInstance().acceptThread());
    {
        QMutexLocker locker(&m_lock);
        m_acceptor = acceptor;
    }
    QMetaObject::invokeMethod(
        acceptor, [acceptor] { acceptor->start(); }, Qt::QueuedConnection);
    return true;
}

void TcpServer::stopAcceptor()
{
    TcpAcceptor *acceptor = nullptr;
    {
        QMutexLocker locker(&m_lock);
        std::swap(acceptor, m_acceptor);
    }
    if (!acceptor)
        return;
    // Shut down, the socket takes no more connections, whichever descriptor of it is still open; the accepting
    // thread closes its own when it comes round.
    if (isListening())
        ::shutdown(int(socketDescriptor()), SHUT_RDWR);
    acceptor->deleteLater();
}

int TcpServer::connectionCount() const
{
    QMutexLocker locker(&m_lock);
    return m_socketTable.size();
}

void TcpServer::refuse(qintptr socketDescriptor)
{
    QTcpSocket refused;
    refused.setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite);
    refused.abort();
}

void TcpServer::incomingConnection(qintptr socketDescriptor)
{
    sockaddr_storage peer {};
    socklen_t length = sizeof peer;
    if (::getpeername(int(socketDescriptor), reinterpret_cast<sockaddr *>(&peer), &length) != 0) {
        const int error = errno;
        qWarning() << "the socket descriptor is not taken! socketDescriptor:" << socketDescriptor << "errno:" << error;
        // Gone before it was taken; a descriptor that is not open is no one's to close.
        if (error != EBADF)
            ::close(int(socketDescriptor));
        return;
    }
    qDebug() << "socketDescriptor:" << socketDescriptor;
    const QHostAddress peerAddress(reinterpret_cast<const sockaddr *>(&peer));
    const QString address = peerAddress.toString();
    quint16 port = 0;
    if (peer.ss_family == AF_INET)
        port = ntohs(reinterpret_cast<const sockaddr_in *>(&peer)->sin_port);
    else if (peer.ss_family == AF_INET6)
        port = ntohs(reinterpret_cast<const sockaddr_in6 *>(&peer)->sin6_port);

    QMutexLocker locker(&m_lock);
    const qintptr id = ++m_lastId;
    QList<qintptr> giveWay;
    TcpGate *gate = m_gate;
    const bool admitted = !gate || gate->admit(id, address, giveWay);
    for (qintptr leaving : qAsConst(giveWay)) {
        if (SocketHome *home = markLeaving(leaving))
            QMetaObject::invokeMethod(
                home, [home, leaving] { home->drop(leaving); }, Qt::QueuedConnection);
    }
    // At the cap the newcomer is refused, not let in as one more.
    if (!admitted || m_socketTable.size() - m_leavingCount >= m_maxConnections) {
        locker.unlock();
        if (admitted) {
            qWarning() << "the connections reach the maximum, refused! maximum:" << m_maxConnections;
            if (gate)
                gate->gone(id);
        }
        refuse(socketDescriptor);
        return;
    }
    QThread *thread = ThreadHandle::getInstance().getThread();
    SocketHome *home = homeFor(thread);
    m_socketTable.insert(id, { home, thread, address, port, false });
    const int frameLimit = m_frameLimit;
    const bool gated = gate != nullptr;
    // Posted with the table locked: a command for the connection, which needs the table, comes after it.
    QMetaObject::invokeMethod(
        home, [home, socketDescriptor, id, frameLimit, gated] { home->open(socketDescriptor, id, frameLimit, gated); },
        Qt::QueuedConnection);
    if (m_socketTable.size() >= leavingPerPlace * qMax(1, m_maxConnections))
        m_acceptPaused.storeRelease(1);
}

SocketHome *TcpServer::homeFor(QThread *thread)
{
    SocketHome *home = m_homes.value(thread, nullptr);
    if (!home) {
        home = new SocketHome(m_link);
        home->moveToThread(thread);
        m_homes.insert(thread, home);
    }
    return home;
}

SocketHome *TcpServer::markLeaving(qintptr id)
{
    auto it = m_socketTable.find(id);
    if (it == m_socketTable.end())
        return nullptr;
    if (!it->leaving) {
        it->leaving = true;
        ++m_leavingCount;
    }
    return it->home;
}

void TcpServer::connectionEnded(qintptr id, QThread *thread)
{
    QMutexLocker locker(&m_lock);
    const auto it = m_socketTable.find(id);
    if (it == m_socketTable.end())
        return;
    if (it->leaving)
        --m_leavingCount;
    m_socketTable.erase(it);
    ThreadHandle::getInstance().removeThread(thread);
    if (m_acceptPaused.loadAcquire() && m_socketTable.size() < (leavingPerPlace / 2) * qMax(1, m_maxConnections)) {
        m_acceptPaused.storeRelease(0);
        if (TcpAcceptor *acceptor = m_acceptor)
            QMetaObject::invokeMethod(
                acceptor, [acceptor] { acceptor->resume(); }, Qt::QueuedConnection);
    }
}

SocketHome *TcpServer::homeOf(qintptr id) const
{
    const auto it = m_socketTable.constFind(id);
    return it == m_socketTable.constEnd() ? nullptr : it->home;
}

void TcpServer::sendMessagesIn(const QByteArray &payload, qintptr id)
{
    QMutexLocker locker(&m_lock);
    SocketHome *home = homeOf(id);
    if (!home) {
        qWarning() << "the sid does not exist! sid:" << id;
        return;
    }
    // Queued to the socket's own thread; calls keep their order, and a socket gone first drops the call.
    QMetaObject::invokeMethod(
        home, [home, id, payload] { home->deliver(id, payload); }, Qt::QueuedConnection);
}

void TcpServer::sockDisConnectSlot(qintptr id, const QString &address, quint16 port, QThread *thread)
{
    Q_UNUSED(thread)
    qDebug() << "handle:" << id << "ip:" << address << "port:" << port;
    // A connection the owner never heard of, or heard the end of already, is nothing to it.
    if (!m_told.remove(id))
        return;
    emit sockDisConnect(id, address, port);
}

void TcpServer::getAddressBySId(qintptr id, QString &address, quint16 &port) const
{
    QMutexLocker locker(&m_lock);
    const auto it = m_socketTable.constFind(id);
    if (it == m_socketTable.constEnd())
        return;
    address = it->address;
    port = it->port;
}

void TcpServer::dropConnection(qintptr id)
{
    {
        QMutexLocker locker(&m_lock);
        if (id == -1) {
            for (auto it = m_socketTable.begin(); it != m_socketTable.end(); ++it)
                markLeaving(it.key());
            for (SocketHome *home : qAsConst(m_homes))
                QMetaObject::invokeMethod(
                    home, [home] { home->drop(-1); }, Qt::QueuedConnection);
        } else if (SocketHome *home = markLeaving(id)) {
            QMetaObject::invokeMethod(
                home, [home, id] { home->drop(id); }, Qt::QueuedConnection);
        }
    }
    emit sendDisConnect(id);
}

void TcpServer::trust(qintptr id)
{
    QMutexLocker locker(&m_lock);
    SocketHome *home = homeOf(id);
    if (!home)
        return;
    // Queued like the payloads: what is sent to the peer after this call finds the limit lifted.
    QMetaObject::invokeMethod(
        home, [home, id] { home->trust(id); }, Qt::QueuedConnection);
}

void TcpServer::clear()
{
    emit sendDisConnect(-1);
    emit sendDelConnect(-1);
    QHash<QThread *, SocketHome *> homes;
    {
        QMutexLocker locker(&m_lock);
        homes.swap(m_homes);
        m_socketTable.clear();
        m_leavingCount = 0;
    }
    // Each home ends its connections in its own thread, and goes; a connection made meanwhile has a new home.
    for (SocketHome *home : qAsConst(homes)) {
        QMetaObject::invokeMethod(
            home,
            [home] {
                home->closeAll();
                home->deleteLater();
            },
            Qt::QueuedConnection);
    }
    ThreadHandle::getInstance().clear();
    m_told.clear();
}

QThread *TcpServer::threadOf(qintptr id) const
{
    QMutexLocker locker(&m_lock);
    const auto it = m_socketTable.constFind(id);
    return it == m_socketTable.constEnd() ? nullptr : it->thread;
}
