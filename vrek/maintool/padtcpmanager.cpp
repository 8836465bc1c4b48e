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
{
    qInfo() << "uid:" << uid << "un:" << un << " parent:" << parent;
    m_ipAddress = addressChooser() ? addressChooser()() : getLocalIPAddress();
    m_ipNumber = m_ipAddress.isEmpty() ? 0 : QHostAddress(m_ipAddress).toIPv4Address();
    m_ipNumberText = QString::number(m_ipNumber);
    connect(m_heartBeatTimer, &QTimer::timeout, this, &PadTcpManager::checkHeartBeat);
    m_heartBeatTimer->start(heartBeatMs);
}

PadTcpManager::~PadTcpManager()
{
    qInfo() << "";
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

void PadTcpManager::newConnect(qintptr sid, const QString &address, quint16 port)
{
    qDebug() << "sid:" << sid << "ip:" << address << "port:" << port;
    makeRoomFor(address);
    m_unpaired.insert(sid, { 0, address });
    // Ids are never given twice, so the timer cannot hit a later connection.
    QTimer::singleShot(m_loginTimeoutMs, this, [this, sid] { loginTimedOut(sid); });
    if (m_padConnected)
        sendPPCtrlMessage(loginMessage(PPCtrlMessage::LoginRep), sid);
    // Watched whatever it is: a connection that never logs in must not stay for ever.
    resetBeat(sid);
}

void PadTcpManager::makeRoomFor(const QString &address)
{
    // Per address: the places it holds and its oldest.
    QHash<QString, QPair<int, qintptr>> holders;
    for (auto it = m_unpaired.constBegin(); it != m_unpaired.constEnd(); ++it) {
        QPair<int, qintptr> &holder = holders[it.value().address];
        ++holder.first;
        if (holder.second == 0 || it.key() < holder.second)
            holder.second = it.key();
    }
    qintptr giving = 0;
    const QPair<int, qintptr> own = holders.value(address);
    if (own.first >= maxUnpairedPerAddress) {
        giving = own.second;
    } else if (m_unpaired.size() >= maxUnpairedConnections) {
        // The address that holds the most places gives one up, its oldest: strangers that hold many cannot push
        // out a pad that holds one.
        QPair<int, qintptr> fullest;
        for (const QPair<int, qintptr> &holder : qAsConst(holders)) {
            if (holder.first > fullest.first || (holder.first == fullest.first && holder.second < fullest.second))
                fullest = holder;
        }
        giving = fullest.second;
    }
    if (giving == 0)
        return;
    qWarning() << "too many connections without a login, the oldest is dropped! sid:" << giving
               << "ip:" << m_unpaired.value(giving).address;
    m_unpaired.remove(giving);
    emit disConnect(giving);
}

void PadTcpManager::loginTimedOut(qintptr sid)
{
    if (m_unpaired.remove(sid) == 0)
        return;
    qWarning() << "no login in time, the connection is dropped! sid:" << sid;
    emit disConnect(sid);
}

void PadTcpManager::delConnect(qintptr sid, const QString &address, quint16 port)
{
    qDebug() << "sid:" << sid << "ip:" << address << "port:" << port;
    if (m_padConnected && sid == m_activeSid) {
        m_padConnected = false;
        m_activeSid = 0;
        emit disConnectOut(0);
    }
    m_unpaired.remove(sid);
    QWriteLocker locker(&m_beatLock);
    m_beatTable.remove(sid);
}

void PadTcpManager::readTcpMessageIn(const QByteArray &payload, qintptr sid)
{
    if (!m_padConnected || sid != m_activeSid) {
        const auto unpaired = m_unpaired.find(sid);
        // Dropped already: what it sent before the drop took effect is not looked at.
        if (unpaired == m_unpaired.end())
            return;
        if (++unpaired.value().payloads > maxPayloadsBeforeLogin) {
            qWarning() << "too many payloads without a login, the connection is dropped! sid:" << sid;
            m_unpaired.erase(unpaired);
            emit disConnect(sid);
            return;
        }
    }
    qDebug() << "msg:" << payload.size() << "bytes, sid:" << sid;
    if (payload.size() < 2) {
        qDebug() << "the msgSize < 2 error! msg:" << payload.toHex();
        return;
    }
    switch (PPProtocolAnalysis::readDataPacketType(payload)) {
    case PPProtocolAnalysis::PPCtrl: {
        PPCtrlMessage message;
        if (PPProtocolAnalysis::readPPCtrlMessage(message, payload))
            readPPCtrlMessage(message, sid);
        break;
    }
    case PPProtocolAnalysis::PPCourse: {
        // Only the pad the user paired drives the courseware.
        if (!m_padConnected || sid != m_activeSid) {
            qWarning() << "the courseware message is not from the logged-in pad, dropped! sid:" << sid;
            return;
        }
        PPtMessage message;
        if (PPProtocolAnalysis::readPPtMessage(message, payload))
            emit readPPtMessageOut(message, GlobalEnum::PPMPad);
        break;
    }
    case PPProtocolAnalysis::PPReserved3:
    case PPProtocolAnalysis::PPReserved4:
        break;
    default:
        qWarning() << "the ppType unknown error! msg:" << qPrintable(StringUtil::logExcerpt(payload)) << "sid:" << sid;
        break;
    }
}

void PadTcpManager::readPPCtrlMessage(const PPCtrlMessage &message, qintptr sid)
{
    if (!message.isInit()) {
        qWarning() << "PadTcpManager::readPPCtrlMessage the ppcm does not init! sid:" << sid;
        return;
    }
    switch (message.getPPCMType()) {
    case PPCtrlMessage::LoginReq:
        if (message.getHb() == m_loginToken)
            sendPPCtrlMessage(loginMessage(PPCtrlMessage::LoginMsg), sid);
        else
            qWarning() << "PadTcpManager::readPPCtrlMessage the heartBeat string error! hBStr:"
                       << StringUtil::logExcerpt(message.getHb());
        break;
    case PPCtrlMessage::LoginPwd:
        if (message.getMi() != m_machineId || !verifyPPCtrlPassword(message))
            break;
        if (!m_pairingOpen) {
            qWarning() << "the pairing code is not shown, login refused! sid:" << sid;
            break;
        }
        if (m_padConnected) {
            qWarning() << "a pad is logged in already, login refused! sid:" << sid;
            break;
        }
        startPadControl(sid);
        break;
    case PPCtrlMessage::HeartBeat:
        if (message.getMi() != m_machineId || message.getHb() != m_loginToken)
            break;
        // Only the logged-in pad earns more time; any other connection goes at the seventh tick.
        if (m_padConnected && sid == m_activeSid)
            resetBeat(sid);
        sendPPCtrlMessage(tokenMessage(PPCtrlMessage::HeartBeat), sid);
        break;
    case PPCtrlMessage::LoginMsg:
        qWarning() << "PadTcpManager::readPPCtrlMessage th ppcmType LoginMsg error! sid:" << sid;
        break;
    case PPCtrlMessage::LoginSuc:
        qWarning() << "PadTcpManager::readPPCtrlMessage th ppcmType LoginSuc error! sid:" << sid;
        break;
    case PPCtrlMessage::LoginRep:
        qWarning() << "PadTcpManager::readPPCtrlMessage th ppcmType LoginRep error! sid:" << sid;
        break;
    default:
        qWarning() << "PadTcpManager::readPPCtrlMessage the ppcmType unknown error! sid:" << sid;
        break;
    }
}

bool PadTcpManager::verifyPPCtrlPassword(const PPCtrlMessage &message) const
{
    qDebug() << "pwd:" << StringUtil::logExcerpt(message.getPwd());
    return message.getPwd() == m_uid + m_machineId;
}

void PadTcpManager::startPadControl(qintptr sid)
{
    qDebug() << "sid:" << sid;
    m_padConnected = true;
    m_activeSid = sid;
    m_unpaired.remove(sid);
    resetBeat(sid);
    // Before the answer: the pad's courseware follows it, and must find its socket's limit lifted.
    m_tcpServer->trust(sid);
    sendPPCtrlMessage(tokenMessage(PPCtrlMessage::LoginSuc), sid);
    emit newConnectOut(0);
}

void PadTcpManager::sendPPCtrlMessage(const PPCtrlMessage &message, qintptr sid)
{
    qDebug() << "sid:" << sid;
    QByteArray payload;
    if (PPProtocolAnalysis::writePPCtrlMessage(message, payload))
        emit sendTcpMessageBAOut(payload, sid);
}

PPCtrlMessage PadTcpManager::loginMessage(quint32 type) const
{
    PPCtrlMessage message(type);
    message.setUi(m_uid);
    message.setMi(m_machineId);
    message.setUn(m_un);
    return message;
}

PPCtrlMessage PadTcpManager::tokenMessage(quint32 type) const
{
    PPCtrlMessage message(type);
    message.setMi(m_machineId);
    message.setHb(m_loginToken);
    return message;
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
