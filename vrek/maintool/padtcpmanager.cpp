#include "vrek/maintool/padtcpmanager.h"

#include "vrek/message/ppprotocolanalysis.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/utils/tcpserver.h"

#include <QDebug>
#include <QNetworkProxy>
#include <QPair>
#include <QRandomGenerator>
#include <QReadLocker>
#include <QTimer>
#include <QWriteLocker>

namespace {
const char *const loginToken = "KPRV";
// VMware's host-only and NAT adapters: a pad never reaches the PC through them.
const char *const vmwareAdapters[] = { "00:50:56:C0:00:01", "00:50:56:C0:00:08" };

PadTcpManager::AddressChooser &addressChooser()
{
    static PadTcpManager::AddressChooser chooser;
    return chooser;
}

bool isLinkLocal(const QHostAddress &address)
{
    const quint32 value = address.toIPv4Address();
    const quint32 low = QHostAddress(QStringLiteral("169.254.1.0")).toIPv4Address();
    const quint32 high = QHostAddress(QStringLiteral("169.254.254.255")).toIPv4Address();
    return value >= low && value <= high;
}
} // namespace

PadTcpManager::PadTcpManager(const QString &uid, const QString &un, QObject *parent, int heartBeatMs)
    : QObject(parent)
    , m_uid(uid)
    , m_un(un)
    , m_machineId(g_runId)
    , m_loginToken(QString::fromLatin1(loginToken))
    , m_heartBeatTimer(new QTimer(this))
    , m_gate(uid, un, g_runId, QString::fromLatin1(loginToken), m_beatTable, m_beatLock)
{
    qInfo() << "uid:" << uid << "un:" << un << " parent:" << parent;
    m_ipAddress = addressChooser() ? addressChooser()() : getLocalIPAddress();
    m_ipNumber = m_ipAddress.isEmpty() ? 0 : QHostAddress(m_ipAddress).toIPv4Address();
    m_ipNumberText = QString::number(m_ipNumber);
    connect(m_heartBeatTimer, &QTimer::timeout, this, &PadTcpManager::checkHeartBeat);
    m_heartBeatTimer->start(heartBeatMs);
    m_gate.setLoginTimeout(loginTimeoutMs);
}

PadTcpManager::~PadTcpManager()
{
    qInfo() << "";
    // Before the gate and the beat table go: the server's threads use them until it has gone.
    delete m_tcpServer;
    m_tcpServer = nullptr;
}

QString PadTcpManager::chooseAddress(const QList<InterfaceEntry> &interfaces)
{
    const QNetworkInterface::InterfaceFlags wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning
        | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast;
    QString result;
    for (const InterfaceEntry &entry : interfaces) {
        if ((entry.flags & wanted) != wanted || entry.flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        bool virtualAdapter = false;
        for (const char *adapter : vmwareAdapters)
            virtualAdapter = virtualAdapter || entry.hardwareAddress.compare(adapter, Qt::CaseInsensitive) == 0;
        if (virtualAdapter)
            continue;
        for (const QHostAddress &address : entry.addresses) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol || isLinkLocal(address))
                continue;
            result = address.toString();
            break;
        }
    }
    return result;
}

QString PadTcpManager::getLocalIPAddress()
{
    QList<InterfaceEntry> entries;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        InterfaceEntry entry { interface.flags(), interface.hardwareAddress(), {} };
        const QList<QNetworkAddressEntry> addresses = interface.addressEntries();
        for (const QNetworkAddressEntry &address : addresses)
            entry.addresses.append(address.ip());
        entries.append(entry);
    }
    const QString address = chooseAddress(entries);
    qDebug() << "ip:" << address;
    return address;
}

void PadTcpManager::setAddressChooser(const AddressChooser &chooser)
{
    addressChooser() = chooser;
}

void PadTcpManager::setPairingOpen(bool open)
{
    qDebug() << "open:" << open;
    m_pairingOpen = open;
    m_gate.setPairingOpen(open);
}

quint16 PadTcpManager::startTcpServer()
{
    if (m_tcpServer) {
        qWarning() << "hostPort:" << m_serverPort;
        return 0;
    }
    if (!m_serverEnabled) {
        qDebug() << "the pad link is not for this user, no server started";
        return 0;
    }
    // Listening anywhere else would let hosts the pairing code does not name reach the pad link.
    if (m_ipAddress.isEmpty()) {
        qWarning() << "no local address for the pad link, no server started";
        return 0;
    }
    m_tcpServer = new TcpServer(maxConnections, this);
    m_tcpServer->setProxy(QNetworkProxy::NoProxy);
    m_tcpServer->setFrameLimit(maxPayloadsBeforeLogin);
    m_tcpServer->setGate(&m_gate);
    const QHostAddress address(m_ipAddress);
    QRandomGenerator *random = QRandomGenerator::global();
    for (int attempt = 0; attempt < listenAttempts; ++attempt) {
        const quint16 port = attempt == 0 ? defaultPort : quint16(50000 + random->bounded(10000));
        if (!m_tcpServer->listen(address, port)) {
            qDebug() << "listen failed, port:" << port << m_tcpServer->errorString();
            continue;
        }
        m_serverPort = port;
        connect(this, &PadTcpManager::sendTcpMessageBAOut, m_tcpServer, &TcpServer::sendMessagesIn);
        connect(this, &PadTcpManager::disConnect, m_tcpServer, &TcpServer::dropConnection);
        connect(m_tcpServer, &TcpServer::readMessagesOut, this, &PadTcpManager::readTcpMessageIn);
        connect(m_tcpServer, &TcpServer::connectClient, this, &PadTcpManager::newConnect);
        connect(m_tcpServer, &TcpServer::sockDisConnect, this, &PadTcpManager::delConnect);
        qDebug() << "ip:" << m_ipAddress << "port:" << port;
        return port;
    }
    qWarning() << "the pad server did not start! ip:" << m_ipAddress;
    return 0;
}

QHash<qintptr, quint8> PadTcpManager::beatTable() const
{
    QReadLocker locker(&m_beatLock);
    return m_beatTable;
}

// A connection whose login the gate let through; its LoginPwd follows.
void PadTcpManager::newConnect(qintptr sid, const QString &address, quint16 port)
{
    qDebug() << "sid:" << sid << "ip:" << address << "port:" << port;
}

void PadTcpManager::delConnect(qintptr sid, const QString &address, quint16 port)
{
    qDebug() << "sid:" << sid << "ip:" << address << "port:" << port;
    if (m_padConnected && sid == m_activeSid) {
        m_padConnected = false;
        m_activeSid = 0;
        m_gate.setPad(0);
        emit disConnectOut(0);
    }
    m_gate.release(sid);
    QWriteLocker locker(&m_beatLock);
    m_beatTable.remove(sid);
}

void PadTcpManager::readTcpMessageIn(const QByteArray &payload, qintptr sid)
{
    const bool fromPad = m_padConnected && sid == m_activeSid;
    // Anything else is a login refused here, on its way out.
    if (!fromPad && sid != m_gate.claimant())
        return;
    const PadGate::Reading reading = m_gate.read(payload, sid, fromPad);
    if (!reading.answer.isEmpty())
        sendPPCtrlMessage(reading.answer, sid);
    switch (reading.kind) {
    case PadGate::Reading::LoginPwd:
        if (fromPad)
            qWarning() << "a pad is logged in already, login refused! sid:" << sid;
        else if (!m_pairingOpen)
            refuseLogin(sid, "the pairing code is not shown, login refused! sid:");
        else if (m_padConnected)
            refuseLogin(sid, "a pad is logged in already, login refused! sid:");
        else
            startPadControl(sid);
        break;
    case PadGate::Reading::HeartBeat:
        // Only the logged-in pad earns more time; any other connection goes at the seventh tick.
        if (fromPad)
            resetBeat(sid);
        break;
    case PadGate::Reading::Course:
        emit readPPtMessageOut(reading.course, GlobalEnum::PPMPad);
        break;
    case PadGate::Reading::Nothing:
        break;
    }
}

void PadTcpManager::refuseLogin(qintptr sid, const char *why)
{
    qWarning() << why << sid;
    m_gate.release(sid);
    emit disConnect(sid);
}

void PadTcpManager::startPadControl(qintptr sid)
{
    qDebug() << "sid:" << sid;
    m_padConnected = true;
    m_activeSid = sid;
    m_gate.setPad(sid);
    resetBeat(sid);
    // Before the answer: the pad's courseware follows it, and must find its socket's limit lifted.
    m_tcpServer->trust(sid);
    sendPPCtrlMessage(m_gate.tokenMessage(PPCtrlMessage::LoginSuc), sid);
    emit newConnectOut(0);
}

void PadTcpManager::sendPPCtrlMessage(const QByteArray &payload, qintptr sid)
{
    qDebug() << "sid:" << sid;
    if (!payload.isEmpty())
        emit sendTcpMessageBAOut(payload, sid);
}

void PadTcpManager::resetBeat(qintptr sid)
{
    QWriteLocker locker(&m_beatLock);
    m_beatTable.insert(sid, 0);
}

void PadTcpManager::sendPPtMessageIn(const PPtMessage &message)
{
    if (!m_padConnected)
        return;
    QByteArray payload;
    if (PPProtocolAnalysis::writePPtMessage(message, payload))
        emit sendTcpMessageBAOut(payload, m_activeSid);
}

void PadTcpManager::disConnectIn()
{
    qDebug() << "activeSid:" << m_activeSid;
    if (m_padConnected)
        emit disConnect(m_activeSid);
}

void PadTcpManager::checkHeartBeat()
{
    QList<qintptr> expired;
    {
        QWriteLocker locker(&m_beatLock);
        for (auto it = m_beatTable.begin(); it != m_beatTable.end();) {
            const quint8 times = quint8(it.value() + 1);
            qWarning() << "PadTcpManager::checkHeartBeat the heartBeat timeout! sid:" << it.key() << "times:" << times;
            if (times < heartBeatLimit) {
                it.value() = times;
                ++it;
            } else {
                expired.append(it.key());
                it = m_beatTable.erase(it);
            }
        }
    }
    // Emitted outside the lock: a direct receiver may come back into the table.
    for (qintptr sid : qAsConst(expired))
        emit disConnect(sid);
}
