#ifndef FAKEHTTPSERVER_H
#define FAKEHTTPSERVER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

#include <functional>

class QTcpServer;

// An HTTP/1.1 server on 127.0.0.1 for tests. Routes by path (the query is not part of it), records every
// request with its decoded form body, and answers as told: a status and body, a redirect, byte ranges, or one of
// the faults a real server or network shows (never answering, closing, resetting or stalling part-way).
// Every answer closes its connection.
class FakeHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // as sent: path and query
        QByteArray path; // without the query
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        QMap<QString, QString> form; // the decoded form body, or the query of a GET
        QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    };

    enum Fault {
        NoFault,
        NeverAnswer, // reads the request and says nothing
        CloseAfter, // declares the whole length, sends faultAfter body bytes, closes
        ResetAfter, // the same, then resets the connection
        StallAfter, // the same, then keeps the connection open and silent
        NoContentRange, // answers a range with 206 but without Content-Range
        WrongFirstByte, // answers a range with a Content-Range that starts one byte late
    };

    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json;charset=UTF-8";
        QList<QPair<QByteArray, QByteArray>> headers;
        bool ranges = false; // answer "Range: bytes=a-[b]" with 206 / 416 / 200 as nginx does
        // A request's "If-Range" is honoured against the "ETag" or "Last-Modified" of headers: a validator that
        // matches neither gets the whole file.
        Fault fault = NoFault;
        qint64 faultAfter = 0;
        int delayMs = 0; // wait this long before answering
        bool lengthUnknown = false; // no Content-Length: the end of the connection ends the body
        bool held = false; // no answer until answerHeld()
    };
    using Handler = std::function<Reply(const Request &)>;

    explicit FakeHttpServer(QObject *parent = nullptr);
    ~FakeHttpServer() override;

    // Port 0 takes a free port.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>"
    QString hostAndPort() const; // "127.0.0.1:<port>"

    void setReply(const QByteArray &path, const Reply &reply);
    void setJson(const QByteArray &path, const QByteArray &json, int status = 200);
    void setRedirect(const QByteArray &path, const QByteArray &location, int status = 302);
    void setHandler(const QByteArray &path, const Handler &handler);
    // What answers a path now (a reply set with setReply or setJson too); empty when nothing does.
    Handler handler(const QByteArray &path) const { return m_routes.value(path); }
    void setDefaultReply(const Reply &reply); // for unknown paths; 404 unless set
    void clearRoutes();

    QList<Request> requests() const { return m_requests; }
    QList<Request> requests(const QByteArray &path) const;
    int requestCount(const QByteArray &path) const { return requests(path).size(); }
    Request lastRequest(const QByteArray &path) const;
    void clearRequests() { m_requests.clear(); }
    // Runs the event loop until a request for the path has arrived (counting from now); false on time-out.
    bool waitForRequest(const QByteArray &path, int timeoutMs = 5000);

    // Asks the routes again for the requests whose reply was held, in their order; a reply held again waits on.
    void answerHeld();
    int heldCount() const { return m_waiting.size(); }

    // Closes every open connection (stalled and never-answered ones too).
    void closeConnections();

    static QMap<QString, QString> decodeForm(const QByteArray &body);

signals:
    void requestReceived(const FakeHttpServer::Request &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    void send(QTcpSocket *socket, const Request &request, const Reply &reply);

    QTcpServer *m_server;
    QHash<QByteArray, Handler> m_routes;
    Reply m_default;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QPair<QPointer<QTcpSocket>, Request>> m_waiting;
};

#endif // FAKEHTTPSERVER_H
