#include "tests/support/fakeclassroomserver.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

const QByteArray FakeClassroomServer::frameHead = "[[[";
const QByteArray FakeClassroomServer::frameTail = "]]]";

namespace {
// Runs the event loop until the condition holds; false on time-out.
template<typename Condition>
bool waitUntil(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() >= timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}
} // namespace

QString FakeClassroomServer::LoginReply::line() const
{
    const QStringList fields { QStringLiteral("0"), userId, userName, result, rtmpHost, rtmpPort, field6, userKind,
        webrtcHost, webrtcPort, accountId, field11, field12, loginSignId, needBind };
    return fields.mid(0, qBound(1, fieldCount, fields.size())).join('\t');
}

FakeClassroomServer::FakeClassroomServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeClassroomServer::onNewConnection);
}

FakeClassroomServer::~FakeClassroomServer()
{
    close();
}

bool FakeClassroomServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

bool FakeClassroomServer::isListening() const
{
    return m_server->isListening();
}

quint16 FakeClassroomServer::port() const
{
    return m_server->serverPort();
}

void FakeClassroomServer::close()
{
    m_server->close();
    drop();
}

bool FakeClassroomServer::isClientConnected() const
{
    for (QTcpSocket *client : m_clients) {
        if (client->state() == QAbstractSocket::ConnectedState)
            return true;
    }
    return false;
}

bool FakeClassroomServer::waitForClient(int timeoutMs)
{
    const bool arrived = waitUntil([this] { return m_connectedSinceWait > 0 || isClientConnected(); }, timeoutMs);
    m_connectedSinceWait = 0;
    return arrived;
}

bool FakeClassroomServer::waitForDisconnect(int timeoutMs)
{
    return waitUntil([this] { return !isClientConnected(); }, timeoutMs);
}

QStringList FakeClassroomServer::lines(const QString &prefix) const
{
    QStringList matching;
    for (const QString &line : m_lines) {
        if (line.startsWith(prefix))
            matching.append(line);
    }
    return matching;
}

QString FakeClassroomServer::waitForLine(const QString &prefix, int timeoutMs)
{
    int found = -1;
    const auto lookUp = [&] {
        for (int i = 0; i < m_lines.size(); ++i) {
            if (!m_taken.at(i) && m_lines.at(i).startsWith(prefix)) {
                found = i;
                return true;
            }
        }
        return false;
    };
    if (!waitUntil(lookUp, timeoutMs))
        return QString();
    m_taken[found] = true;
    return m_lines.at(found);
}

void FakeClassroomServer::clearLines()
{
    m_lines.clear();
    m_taken.clear();
}

QByteArray FakeClassroomServer::frame(const QString &body)
{
    return frameHead + body.toUtf8() + frameTail + '\n';
}

void FakeClassroomServer::sendLine(const QString &body)
{
    sendRaw(frame(body));
    emit lineSent(body);
}

void FakeClassroomServer::sendLines(const QStringList &bodies)
{
    QByteArray bytes;
    for (const QString &body : bodies)
        bytes += frame(body);
    sendRaw(bytes);
    for (const QString &body : bodies)
        emit lineSent(body);
}

void FakeClassroomServer::sendRaw(const QByteArray &bytes)
{
    for (QTcpSocket *client : qAsConst(m_clients)) {
        if (client->state() == QAbstractSocket::ConnectedState) {
            client->write(bytes);
            client->flush();
        }
    }
}

void FakeClassroomServer::setAnswer(const QString &prefix, const Answer &answer)
{
    removeAnswer(prefix);
    m_answers.append(qMakePair(prefix, answer));
}

void FakeClassroomServer::removeAnswer(const QString &prefix)
{
    for (int i = m_answers.size() - 1; i >= 0; --i) {
        if (m_answers.at(i).first == prefix)
            m_answers.removeAt(i);
    }
}

void FakeClassroomServer::answerLogin(const LoginReply &reply)
{
    setAnswer(QStringLiteral("0\t"), [reply](const QString &line) {
        return line.split('\t').size() == 4 ? QStringList { reply.line() } : QStringList();
    });
}

void FakeClassroomServer::answerLogin()
{
    answerLogin(LoginReply());
}

void FakeClassroomServer::answerHeartbeats(bool on)
{
    if (!on) {
        removeAnswer(QStringLiteral("1\t"));
        return;
    }
    setAnswer(QStringLiteral("1\t"), [](const QString &line) {
        const QStringList fields = line.split('\t');
        return fields.size() == 2 ? QStringList { QStringLiteral("1\t%1\t1").arg(fields.at(1)) } : QStringList();
    });
}

void FakeClassroomServer::drop()
{
    const QList<QTcpSocket *> clients = m_clients;
    for (QTcpSocket *client : clients) {
        client->disconnectFromHost();
        if (client->state() != QAbstractSocket::UnconnectedState)
            client->abort();
    }
}

void FakeClassroomServer::onNewConnection()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        m_clients.append(client);
        ++m_connectionCount;
        ++m_connectedSinceWait;
        connect(client, &QTcpSocket::readyRead, this, [this, client] { onReadyRead(client); });
        connect(client, &QTcpSocket::disconnected, this, [this, client] {
            m_clients.removeAll(client);
            m_buffers.remove(client);
            client->deleteLater();
            emit clientDisconnected();
        });
        emit clientConnected();
    }
}

void FakeClassroomServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    int start = 0;
    QStringList received;
    for (int feed = buffer.indexOf('\n'); feed >= 0; feed = buffer.indexOf('\n', start)) {
        received.append(QString::fromUtf8(buffer.constData() + start, feed - start));
        start = feed + 1;
    }
    buffer.remove(0, start);
    for (const QString &line : qAsConst(received)) {
        m_lines.append(line);
        m_taken.append(false);
        emit lineReceived(line);
        answer(line);
    }
}

void FakeClassroomServer::answer(const QString &line)
{
    if (m_silent)
        return;
    for (const auto &rule : qAsConst(m_answers)) {
        if (line.startsWith(rule.first)) {
            const QStringList replies = rule.second(line);
            if (!replies.isEmpty())
                sendLines(replies);
            return;
        }
    }
}
