#ifndef FAKECLASSROOMSERVER_H
#define FAKECLASSROOMSERVER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A classroom server on 127.0.0.1 for tests. It records every line a client sends (without its line feed),
// frames every line it sends as the real server does (three characters before, three after, a line feed),
// answers lines by rules, and can drop the client or go silent (stop answering while the connection stays).
class FakeClassroomServer : public QObject
{
    Q_OBJECT
public:
    // The framing characters; the client cuts them off without looking at them.
    static const QByteArray frameHead;
    static const QByteArray frameTail;

    // A login reply line "0\t..." (type 0): fields 1 to 14 in order, cut to fieldCount fields.
    struct LoginReply
    {
        QString userId = QStringLiteral("1001");
        QString userName = QStringLiteral("Student");
        QString result = QStringLiteral("0");
        QString rtmpHost = QStringLiteral("127.0.0.1");
        QString rtmpPort = QStringLiteral("1935");
        QString field6;
        QString userKind = QStringLiteral("1");
        QString webrtcHost = QStringLiteral("127.0.0.1");
        QString webrtcPort = QStringLiteral("8443");
        QString accountId = QStringLiteral("a1001");
        QString field11;
        QString field12;
        QString loginSignId = QStringLiteral("sign1001");
        QString needBind = QStringLiteral("false");
        int fieldCount = 15;
        QString line() const;
    };

    // Lines to send back for one received line; an empty list sends nothing.
    using Answer = std::function<QStringList(const QString &line)>;

    explicit FakeClassroomServer(QObject *parent = nullptr);
    ~FakeClassroomServer() override;

    // Port 0 takes a free port.
    bool listen(quint16 port = 0);
    bool isListening() const;
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const;
    // Stops listening and drops every client.
    void close();

    bool isClientConnected() const;
    int connectionCount() const { return m_connectionCount; }
    // Runs the event loop until a client is connected (or was, since the last call); false on time-out.
    bool waitForClient(int timeoutMs = 5000);
    // Runs the event loop until no client is connected; false on time-out.
    bool waitForDisconnect(int timeoutMs = 5000);

    // Every line received so far, in order.
    QStringList lines() const { return m_lines; }
    QStringList lines(const QString &prefix) const;
    int lineCount(const QString &prefix) const { return lines(prefix).size(); }
    // The first line starting with the prefix that no earlier wait returned, waiting for it if need be.
    // Null on time-out.
    QString waitForLine(const QString &prefix, int timeoutMs = 5000);
    void clearLines();

    // Sends framed lines to every connected client, all in one write.
    void sendLine(const QString &body);
    void sendLines(const QStringList &bodies);
    // Sends bytes as they are: no framing, no line feed.
    void sendRaw(const QByteArray &bytes);
    static QByteArray frame(const QString &body);

    // Answers every received line that starts with the prefix; the latest rule for a prefix replaces the last.
    void setAnswer(const QString &prefix, const Answer &answer);
    void removeAnswer(const QString &prefix);
    // Answers a login line ("0\t" with four fields) with the reply.
    void answerLogin(const LoginReply &reply);
    void answerLogin();
    // Answers each heartbeat "1\t<id>" with "1\t<id>\t1".
    void answerHeartbeats(bool on = true);
    // A silent server sends nothing by itself: answers stop, received lines are still recorded. Explicit
    // sends still go out.
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }
    // Closes the connection to every client (they see the remote close); the server keeps listening.
    void drop();

signals:
    void lineReceived(const QString &line);
    // A line handed to the clients, told whether or not one is connected.
    void lineSent(const QString &body);
    void clientConnected();
    void clientDisconnected();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(const QString &line);

    QTcpServer *m_server;
    QList<QTcpSocket *> m_clients;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QStringList m_lines;
    QList<bool> m_taken;
    QList<QPair<QString, Answer>> m_answers;
    int m_connectionCount = 0;
    int m_connectedSinceWait = 0;
    bool m_silent = false;
};

#endif // FAKECLASSROOMSERVER_H
