#ifndef PADCLIENT_H
#define PADCLIENT_H

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// A pad (tablet) of the pad link for tests and the sandbox, written from the wire format alone: frames of a
// 4-byte big-endian length and a payload of a type byte, a subtype byte and a JSON object of texts. It records
// every frame it receives, logs in the way a pad does, and keeps a heartbeat.
class PadClient : public QObject
{
    Q_OBJECT
public:
    static const QString loginToken; // "KPRV"

    struct Payload
    {
        int type = -1; // 1 control, 2 courseware; -1 for a payload under two bytes
        int subtype = -1;
        QJsonObject object;
        bool isJson = false;
    };

    explicit PadClient(QObject *parent = nullptr);
    ~PadClient() override;

    // The caption's code "<IPv4 number>-<port>" as a host and port; false when it is not one.
    static bool parseCode(const QString &code, QString &host, quint16 &port);

    // The address the next connections come from (any loopback address: 127.0.0.2 is another machine to the PC);
    // empty for the system's choice.
    void setLocalAddress(const QString &address) { m_localAddress = address; }
    bool connectTo(const QString &host, quint16 port, int timeoutMs = 5000);
    bool isConnected() const;
    void disconnectFromHost();
    // Runs the event loop until the PC closes the connection; false on time-out.
    bool waitForDisconnect(int timeoutMs = 5000);

    static QByteArray frame(const QByteArray &payload);
    static QByteArray payload(int type, int subtype, const QJsonObject &object);
    static Payload decode(const QByteArray &payload);

    // Writes bytes as they are, or one framed payload.
    void sendRaw(const QByteArray &bytes);
    void sendPayload(const QByteArray &payload);
    void sendControl(int subtype, const QJsonObject &object) { sendPayload(payload(1, subtype, object)); }
    void sendCourse(int ppmType, const QJsonObject &object) { sendPayload(payload(2, ppmType, object)); }

    void sendLoginReq(const QString &token = loginToken);
    // The password is the user id followed by the machine id, in Base64.
    void sendLoginPwd(const QString &machineId, const QString &password);
    void sendHeartBeat();

    // Every payload received, in order.
    QList<QByteArray> received() const { return m_received; }
    // The first payload no earlier wait returned, waiting for it if need be; null on time-out.
    QByteArray waitForPayload(int timeoutMs = 5000);
    // Waits for a control payload of the subtype, skipping others; false on time-out.
    bool waitForControl(int subtype, Payload &found, int timeoutMs = 5000);
    // Runs the event loop for the time and tells whether anything new arrived.
    bool receivesWithin(int ms);

    // LoginReq, then LoginPwd with what LoginMsg told; true once LoginSuc came.
    bool login(int timeoutMs = 5000);
    QString userId() const { return m_userId; }
    QString machineId() const { return m_machineId; }
    QString userName() const { return m_userName; }

    // Sends a heartbeat at once and then at every interval, until stopped.
    void startHeartBeat(int intervalMs);
    void stopHeartBeat();

    // A page turn (courseware kind 1) and a freehand board stroke (kind 6) with this run's machine id.
    void turnPage(const QString &fileId, int page);
    void drawStroke(const QList<QPair<int, int>> &points);

signals:
    void payloadReceived(const QByteArray &payload);
    void disconnected();

private:
    void onReadyRead();

    QTcpSocket *m_socket;
    QTimer *m_heartBeat;
    QByteArray m_buffer;
    QList<QByteArray> m_received;
    int m_taken = 0;
    QString m_userId;
    QString m_machineId;
    QString m_userName;
    QString m_localAddress;
};

#endif // PADCLIENT_H
