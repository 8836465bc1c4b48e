#ifndef PADTCPMANAGER_H
#define PADTCPMANAGER_H

#include "vrek/maintool/padgate.h"
#include "vrek/message/ppctrlmessage.h"
#include "vrek/message/pptmessage.h"
#include "vrek/utils/globalenum.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QObject>
#include <QReadWriteLock>
#include <QString>

#include <functional>

class QTimer;
class TcpServer;

// The pad link: a local TCP server for one pad (tablet) that logs in with this client's user id and machine
// id, then drives the courseware and the board. Runs the login handshake and the heartbeat watch, hands the
// logged-in pad's courseware messages on and sends board changes to it.
//
// The server listens only on the address the pairing code shows, a pad logs in only while the pairing
// pop-up is open, and courseware is taken from the logged-in pad alone. Connections that have not logged in are
// dealt with at the server's gate (PadGate), in their socket threads: their handshake, heartbeats, places and
// time-outs. This object, in the GUI thread, hears only of a connection whose login it may take, of the logged-in
// pad's payloads, and of their going; the heartbeat watch ticks every connection, of which there are few.
class PadTcpManager : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 defaultPort = 56789;
    static constexpr int listenAttempts = 100;
    static constexpr int heartBeatIntervalMs = 5000;
    static constexpr quint8 heartBeatLimit = 7;
    // A pad logs in at once after it connects; a connection that does not is no pad.
    static constexpr int loginTimeoutMs = 10000;
    // Connections not logged in at one time, and of one address (see PadGate).
    static constexpr int maxUnpairedConnections = PadGate::maxUnpairedConnections;
    static constexpr int maxUnpairedPerAddress = PadGate::maxUnpairedPerAddress;
    // Those, the logged-in pad, and one newcomer on its way to being dropped.
    static constexpr int maxConnections = maxUnpairedConnections + 2;
    // Payloads a connection may send before it has logged in: a pad needs two or three. Beyond them it is
    // dropped, by its socket, so that what a stranger makes this side do and log stays small.
    static constexpr int maxPayloadsBeforeLogin = 16;

    // What the address choice looks at of one network interface.
    struct InterfaceEntry
    {
        QNetworkInterface::InterfaceFlags flags;
        QString hardwareAddress;
        QList<QHostAddress> addresses;
    };
    // Gives the dotted IPv4 address to pair on; empty for none.
    using AddressChooser = std::function<QString()>;

    // heartBeatMs shortens the heartbeat tick for tests.
    PadTcpManager(
        const QString &uid, const QString &un, QObject *parent = nullptr, int heartBeatMs = heartBeatIntervalMs);
    ~PadTcpManager() override;

    // The address of the last interface (in system order) that is up, running, broadcasts and multicasts, is no
    // loopback nor a VMware host adapter, and has an IPv4 address outside 169.254.1.0-169.254.254.255.
    static QString chooseAddress(const QList<InterfaceEntry> &interfaces);
    static QString getLocalIPAddress();
    // For tests: where every later manager takes its address from; an empty chooser restores the system's.
    static void setAddressChooser(const AddressChooser &chooser);

    // The server starts only when enabled: the pad link is for the users who can see the pad button.
    void setServerEnabled(bool enabled) { m_serverEnabled = enabled; }
    bool isServerEnabled() const { return m_serverEnabled; }
    // A pad may log in only while the pairing code is on the screen.
    void setPairingOpen(bool open);
    bool isPairingOpen() const { return m_pairingOpen; }
    // For tests: how long a connection may stay without a login, for the connections that come from now on.
    void setLoginTimeout(int ms) { m_gate.setLoginTimeout(ms); }

    // The listening port, 0 when the server did not start.
    quint16 startTcpServer();
    quint16 getServerPort() const { return m_serverPort; }
    bool isPadConnected() const { return m_padConnected; }
    QString getIPAddress() const { return m_ipAddress; }
    QString getIPNumber() const { return m_ipNumberText; }
    QString getMachineId() const { return m_machineId; }
    qintptr activeSid() const { return m_activeSid; }
    TcpServer *tcpServer() const { return m_tcpServer; }
    // For tests: the connections watched and their missed ticks, and the places taken at the gate.
    QHash<qintptr, quint8> beatTable() const;
    const PadGate &gate() const { return m_gate; }

signals:
    void sendTcpMessageBAOut(QByteArray payload, qintptr sid);
    void disConnect(qintptr sid);
    void disConnectOut(uchar type);
    void newConnectOut(uchar type);
    void readPPtMessageOut(PPtMessage message, GlobalEnum::PPMFromType from);

public slots:
    void newConnect(qintptr sid, const QString &address, quint16 port);
    void delConnect(qintptr sid, const QString &address, quint16 port);
    void readTcpMessageIn(const QByteArray &payload, qintptr sid);
    void sendPPtMessageIn(const PPtMessage &message);
    void disConnectIn();
    void checkHeartBeat();

private:
    void startPadControl(qintptr sid);
    void sendPPCtrlMessage(const QByteArray &payload, qintptr sid);
    void resetBeat(qintptr sid);
    // A login handed on that is not taken after all: the connection goes.
    void refuseLogin(qintptr sid, const char *why);

    QString m_uid;
    QString m_un;
    QString m_ipAddress;
    quint16 m_serverPort = 0;
    QString m_ipNumberText;
    quint32 m_ipNumber = 0;
    QString m_machineId;
    QString m_loginToken;
    QTimer *m_heartBeatTimer;
    bool m_padConnected = false;
    qintptr m_activeSid = 0;
    TcpServer *m_tcpServer = nullptr;
    QHash<qintptr, quint8> m_beatTable;
    mutable QReadWriteLock m_beatLock;
    bool m_serverEnabled = false;
    bool m_pairingOpen = false;
    // After the beat table and its lock, which it uses, and before the server, which uses it.
    PadGate m_gate;
};

#endif // PADTCPMANAGER_H
