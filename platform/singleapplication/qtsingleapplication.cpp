#include "platform/singleapplication/qtsingleapplication.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
QString lockFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
} // namespace

QtSingleApplication::QtSingleApplication(int &argc, char **argv, const QString &appId)
    : QApplication(argc, argv)
{
    const QString base = appId.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() : appId;
    // One instance per user: another user on the same machine runs a client of their own.
    m_id = base + '-' + QString::number(::getuid());
    m_lock = new QLockFile(lockFolder() + '/' + m_id + ".lock");
    m_lock->setStaleLockTime(0); // a lock whose process died is taken over
    if (!m_lock->tryLock(0)) {
        m_running = m_lock->error() == QLockFile::LockFailedError;
        return;
    }
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(m_id); // a socket left by a crashed instance
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_id))
        connect(m_server, &QLocalServer::newConnection, this, &QtSingleApplication::readMessage);
}

QtSingleApplication::~QtSingleApplication()
{
    delete m_server;
    delete m_lock;
}

bool QtSingleApplication::sendMessage(const QString &message, int timeoutMs)
{
    if (!m_running)
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_id);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message.toUtf8());
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}

void QtSingleApplication::readMessage()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this,
            [this, socket] { emit messageReceived(QString::fromUtf8(socket->readAll())); });
    }
}
