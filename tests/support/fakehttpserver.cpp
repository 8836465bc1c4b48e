#include "tests/support/fakehttpserver.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <QtTest>

#include <sys/socket.h>

namespace {
const QHash<int, QByteArray> kReasons = {
    { 200, "OK" },
    { 206, "Partial Content" },
    { 301, "Moved Permanently" },
    { 302, "Found" },
    { 400, "Bad Request" },
    { 404, "Not Found" },
    { 416, "Requested Range Not Satisfiable" },
    { 500, "Internal Server Error" },
    { 503, "Service Unavailable" },
};

// "bytes=a-" or "bytes=a-b"; false for anything else (then the whole body is answered).
bool parseRange(const QByteArray &header, qint64 &first, qint64 &last)
{
    if (!header.startsWith("bytes="))
        return false;
    const QList<QByteArray> parts = header.mid(6).split('-');
    if (parts.size() != 2)
        return false;
    bool ok = false;
    first = parts.at(0).trimmed().toLongLong(&ok);
    if (!ok)
        return false;
    last = -1;
    if (!parts.at(1).trimmed().isEmpty()) {
        last = parts.at(1).trimmed().toLongLong(&ok);
        if (!ok)
            return false;
    }
    return true;
}
} // namespace

FakeHttpServer::FakeHttpServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    m_default.status = 404;
    m_default.body = "not found";
    m_default.contentType = "text/plain";
    connect(m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
}

FakeHttpServer::~FakeHttpServer()
{
    closeConnections();
}

bool FakeHttpServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 FakeHttpServer::port() const
{
    return m_server->serverPort();
}

QString FakeHttpServer::baseUrl() const
{
    return "http://" + hostAndPort();
}

QString FakeHttpServer::hostAndPort() const
{
    return QString("127.0.0.1:%1").arg(port());
}

void FakeHttpServer::setReply(const QByteArray &path, const Reply &reply)
{
    m_routes.insert(path, [reply](const Request &) { return reply; });
}

void FakeHttpServer::setJson(const QByteArray &path, const QByteArray &json, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = json;
    setReply(path, reply);
}

void FakeHttpServer::setRedirect(const QByteArray &path, const QByteArray &location, int status)
{
    Reply reply;
    reply.status = status;
    reply.contentType = "text/html";
    reply.headers.append({ "Location", location });
    setReply(path, reply);
}

void FakeHttpServer::setHandler(const QByteArray &path, const Handler &handler)
{
    m_routes.insert(path, handler);
}

void FakeHttpServer::setDefaultReply(const Reply &reply)
{
    m_default = reply;
}

void FakeHttpServer::clearRoutes()
{
    m_routes.clear();
}

QList<FakeHttpServer::Request> FakeHttpServer::requests(const QByteArray &path) const
{
    QList<Request> matching;
    for (const Request &request : m_requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

FakeHttpServer::Request FakeHttpServer::lastRequest(const QByteArray &path) const
{
    const QList<Request> matching = requests(path);
    return matching.isEmpty() ? Request() : matching.last();
}

bool FakeHttpServer::waitForRequest(const QByteArray &path, int timeoutMs)
{
    const int before = requestCount(path);
    QElapsedTimer timer;
    timer.start();
    while (requestCount(path) == before) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void FakeHttpServer::closeConnections()
{
    const QList<QTcpSocket *> sockets = m_buffers.keys();
    m_buffers.clear();
    for (QTcpSocket *socket : sockets) {
        socket->abort();
        socket->deleteLater();
    }
}

QMap<QString, QString> FakeHttpServer::decodeForm(const QByteArray &body)
{
    QMap<QString, QString> form;
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const int equals = pair.indexOf('=');
        QByteArray key = equals < 0 ? pair : pair.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        // Form decoding: "+" is a blank, so a client that does not encode "+" loses it.
        key.replace('+', ' ');
        value.replace('+', ' ');
        form.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(key)),
            QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return form;
}

void FakeHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_buffers.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (m_buffers.remove(socket))
                socket->deleteLater();
        });
    }
}

void FakeHttpServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_buffers.contains(socket))
        return;
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const qint64 length = request.header("content-length").toLongLong();
    if (buffer.size() - headerEnd - 4 < length)
        return; // the body is not complete yet
    request.body = buffer.mid(headerEnd + 4, int(length));
    buffer.clear();

    const int question = request.target.indexOf('?');
    request.path = question < 0 ? request.target : request.target.left(question);
    if (request.header("content-type").startsWith("application/x-www-form-urlencoded"))
        request.form = decodeForm(request.body);
    else if (question >= 0)
        request.form = decodeForm(request.target.mid(question + 1));
    m_requests.append(request);
    emit requestReceived(request);
    answer(socket, request);
}

void FakeHttpServer::answerHeld()
{
    const QList<QPair<QPointer<QTcpSocket>, Request>> waiting = m_waiting;
    m_waiting.clear();
    for (const auto &each : waiting) {
        if (each.first && m_buffers.contains(each.first))
            answer(each.first, each.second);
    }
}

void FakeHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    const auto route = m_routes.constFind(request.path);
    const Reply reply = route != m_routes.constEnd() ? (*route)(request) : m_default;
    if (reply.fault == NeverAnswer)
        return;
    if (reply.held) {
        m_waiting.append(qMakePair(QPointer<QTcpSocket>(socket), request));
        return;
    }
    if (reply.delayMs > 0) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(reply.delayMs, this, [this, guarded, request, reply] {
            if (guarded && m_buffers.contains(guarded))
                send(guarded, request, reply);
        });
        return;
    }
    send(socket, request, reply);
}

void FakeHttpServer::send(QTcpSocket *socket, const Request &request, const Reply &reply)
{
    int status = reply.status;
    QByteArray body = reply.body;
    QList<QPair<QByteArray, QByteArray>> headers = reply.headers;
    const qint64 total = reply.body.size();
    qint64 first = 0;
    qint64 last = -1;
    // "If-Range" as a server honours it: the range only while the validator matches the reply's ETag or
    // Last-Modified header, else the whole file.
    bool rangeValid = true;
    const QByteArray ifRange = request.header("if-range");
    if (!ifRange.isEmpty()) {
        rangeValid = false;
        for (const auto &header : reply.headers) {
            const QByteArray name = header.first.toLower();
            if ((name == "etag" || name == "last-modified") && header.second == ifRange)
                rangeValid = true;
        }
    }
    if (reply.ranges && rangeValid && status == 200 && parseRange(request.header("range"), first, last)) {
        if (total == 0) {
            // nginx answers a range of an empty file with the whole (empty) file.
        } else if (first >= total) {
            status = 416;
            body.clear();
            headers.append({ "Content-Range", "bytes */" + QByteArray::number(total) });
        } else {
            if (last < 0 || last >= total)
                last = total - 1;
            status = 206;
            body = reply.body.mid(int(first), int(last - first + 1));
            if (reply.fault == WrongFirstByte)
                first += 1;
            if (reply.fault != NoContentRange)
                headers.append(
                    { "Content-Range", QString("bytes %1-%2/%3").arg(first).arg(last).arg(total).toLatin1() });
        }
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + kReasons.value(status, "Status") + "\r\n";
    head += "Server: fake\r\nConnection: close\r\n";
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.lengthUnknown)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const auto &header : headers)
        head += header.first + ": " + header.second + "\r\n";
    head += "\r\n";

    const bool cut = reply.fault == CloseAfter || reply.fault == ResetAfter || reply.fault == StallAfter;
    socket->write(head);
    socket->write(cut ? body.left(int(reply.faultAfter)) : (request.method == "HEAD" ? QByteArray() : body));
    socket->flush();
    if (reply.fault == StallAfter)
        return;
    if (reply.fault == ResetAfter) {
        socket->waitForBytesWritten(1000);
        const linger reset { 1, 0 };
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        m_buffers.remove(socket);
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->disconnectFromHost();
}
