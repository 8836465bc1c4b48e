#include "vrek/maintool/padgate.h"

#include "vrek/message/ppctrlmessage.h"
#include "vrek/message/ppprotocolanalysis.h"
#include "vrek/utils/stringutil.h"
#include "vrek/utils/tcpsocket.h"

#include <QDebug>
#include <QWriteLocker>

PadGate::PadGate(const QString &uid, const QString &un, const QString &machineId, const QString &loginToken,
    QHash<qintptr, quint8> &beatTable, QReadWriteLock &beatLock)
    : m_uid(uid)
    , m_un(un)
    , m_machineId(machineId)
    , m_loginToken(loginToken)
    , m_loginMsg(loginMessage(PPCtrlMessage::LoginMsg))
    , m_loginRep(loginMessage(PPCtrlMessage::LoginRep))
    , m_heartBeat(tokenMessage(PPCtrlMessage::HeartBeat))
    , m_beatTable(beatTable)
    , m_beatLock(beatLock)
{
    m_clock.start();
}

QByteArray PadGate::loginMessage(quint32 type) const
{
    PPCtrlMessage message(type);
    message.setUi(m_uid);
    message.setMi(m_machineId);
    message.setUn(m_un);
    QByteArray payload;
    PPProtocolAnalysis::writePPCtrlMessage(message, payload);
    return payload;
}

QByteArray PadGate::tokenMessage(quint32 type) const
{
    PPCtrlMessage message(type);
    message.setMi(m_machineId);
    message.setHb(m_loginToken);
    QByteArray payload;
    PPProtocolAnalysis::writePPCtrlMessage(message, payload);
    return payload;
}

bool PadGate::verifyPassword(const QString &password) const
{
    qDebug() << "pwd:" << StringUtil::logExcerpt(password);
    return password == m_uid + m_machineId;
}

PadGate::Reading PadGate::read(const QByteArray &payload, qintptr sid, bool fromPad) const
{
    Reading reading;
    qDebug() << "msg:" << payload.size() << "bytes, sid:" << sid;
    if (payload.size() < 2) {
        qDebug() << "the msgSize < 2 error! msg:" << payload.toHex();
        return reading;
    }
    switch (PPProtocolAnalysis::readDataPacketType(payload)) {
    case PPProtocolAnalysis::PPCtrl: {
        PPCtrlMessage message;
        if (!PPProtocolAnalysis::readPPCtrlMessage(message, payload))
            break;
        if (!message.isInit()) {
            qWarning() << "PadTcpManager::readPPCtrlMessage the ppcm does not init! sid:" << sid;
            break;
        }
        switch (message.getPPCMType()) {
        case PPCtrlMessage::LoginReq:
            if (message.getHb() == m_loginToken)
                reading.answer = m_loginMsg;
            else
                qWarning() << "PadTcpManager::readPPCtrlMessage the heartBeat string error! hBStr:"
                           << StringUtil::logExcerpt(message.getHb());
            break;
        case PPCtrlMessage::LoginPwd:
            if (message.getMi() == m_machineId && verifyPassword(message.getPwd()))
                reading.kind = Reading::LoginPwd;
            break;
        case PPCtrlMessage::HeartBeat:
            // Answered on any connection; it earns time only for the pad (the manager's part).
            if (message.getMi() == m_machineId && message.getHb() == m_loginToken) {
                reading.kind = Reading::HeartBeat;
                reading.answer = m_heartBeat;
            }
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
        break;
    }
    case PPProtocolAnalysis::PPCourse:
        // Only the pad the user paired drives the courseware.
        if (!fromPad) {
            qWarning() << "the courseware message is not from the logged-in pad, dropped! sid:" << sid;
            break;
        }
        if (PPProtocolAnalysis::readPPtMessage(reading.course, payload))
            reading.kind = Reading::Course;
        break;
    case PPProtocolAnalysis::PPReserved3:
    case PPProtocolAnalysis::PPReserved4:
        break;
    default:
        qWarning() << "the ppType unknown error! msg:" << qPrintable(StringUtil::logExcerpt(payload)) << "sid:" << sid;
        break;
    }
    return reading;
}

void PadGate::setPad(qintptr sid)
{
    QMutexLocker locker(&m_mutex);
    m_places.remove(sid);
    m_claimant = 0;
    m_padConnected.storeRelease(sid != 0 ? 1 : 0);
}

qintptr PadGate::claimant() const
{
    QMutexLocker locker(&m_mutex);
    return m_claimant;
}

void PadGate::release(qintptr sid)
{
    QMutexLocker locker(&m_mutex);
    if (m_claimant == sid)
        m_claimant = 0;
}

int PadGate::placesTaken() const
{
    QMutexLocker locker(&m_mutex);
    return m_places.size();
}

void PadGate::countArrival(const QString &address, qint64 now)
{
    arrivalsOf(address, now);
    auto it = m_arrivals.find(address);
    if (it == m_arrivals.end()) {
        if (m_arrivals.size() >= maxCountedAddresses) {
            // Forget those that did not come of late, or else the one that came least.
            auto quietest = m_arrivals.end();
            for (auto other = m_arrivals.begin(); other != m_arrivals.end();) {
                const int count = arrivalsOf(other.key(), now);
                if (count == 0) {
                    other = m_arrivals.erase(other);
                    continue;
                }
                if (quietest == m_arrivals.end() || count < quietest->current + quietest->previous)
                    quietest = other;
                ++other;
            }
            if (m_arrivals.size() >= maxCountedAddresses && quietest != m_arrivals.end())
                m_arrivals.erase(quietest);
        }
        it = m_arrivals.insert(address, { now / arrivalWindowMs, 0, 0 });
    }
    ++it->current;
}

int PadGate::arrivalsOf(const QString &address, qint64 now)
{
    const auto it = m_arrivals.find(address);
    if (it == m_arrivals.end())
        return 0;
    const qint64 window = now / arrivalWindowMs;
    if (window != it->window) {
        it->previous = window == it->window + 1 ? it->current : 0;
        it->current = 0;
        it->window = window;
    }
    return it->current + it->previous;
}

qintptr PadGate::placeToFree(const QString &address, qint64 now)
{
    // Per address: the places it holds and its oldest.
    struct Holder
    {
        int places = 0;
        qintptr oldest = 0;
        quint64 oldestOrder = 0;
    };
    QHash<QString, Holder> holders;
    for (auto it = m_places.constBegin(); it != m_places.constEnd(); ++it) {
        Holder &holder = holders[it->address];
        ++holder.places;
        if (holder.oldest == 0 || it->order < holder.oldestOrder) {
            holder.oldest = it.key();
            holder.oldestOrder = it->order;
        }
    }
    const Holder own = holders.value(address);
    if (own.places >= maxUnpairedPerAddress)
        return own.oldest;
    if (m_places.size() < maxUnpairedConnections)
        return 0;
    // Those that had their time to log in go first: of the address that holds the most, the oldest.
    qintptr chosen = 0;
    int chosenPlaces = 0;
    quint64 chosenOrder = 0;
    for (auto it = m_places.constBegin(); it != m_places.constEnd(); ++it) {
        if (now - it->since < m_placeGraceMs.loadAcquire())
            continue;
        const int places = holders.value(it->address).places;
        if (chosen == 0 || places > chosenPlaces || (places == chosenPlaces && it->order < chosenOrder)) {
            chosen = it.key();
            chosenPlaces = places;
            chosenOrder = it->order;
        }
    }
    if (chosen != 0)
        return chosen;
    // All of them came just now. A newcomer from an address that comes far more often than the holders' is
    // refused (-1): a stranger that comes back as fast as it is dropped. Else of the address that came most often,
    // the oldest goes: strangers that come back go before a pad, which comes once, and the newest, which may not
    // have been read yet, is the last to go.
    int chosenArrivals = -1;
    for (auto it = m_places.constBegin(); it != m_places.constEnd(); ++it) {
        const int arrivals = arrivalsOf(it->address, now);
        if (arrivals > chosenArrivals || (arrivals == chosenArrivals && it->order < chosenOrder)) {
            chosen = it.key();
            chosenArrivals = arrivals;
            chosenOrder = it->order;
        }
    }
    int mostArrivals = 0;
    for (auto it = m_places.constBegin(); it != m_places.constEnd(); ++it)
        mostArrivals = qMax(mostArrivals, arrivalsOf(it->address, now));
    if (arrivalsOf(address, now) > 2 * mostArrivals + arrivalMargin)
        return -1;
    return chosen;
}

bool PadGate::admit(qintptr id, const QString &address, QList<qintptr> &giveWay)
{
    qintptr freed = 0;
    QString freedAddress;
    {
        QMutexLocker locker(&m_mutex);
        const qint64 now = m_clock.elapsed();
        countArrival(address, now);
        freed = placeToFree(address, now);
        if (freed > 0)
            freedAddress = m_places.take(freed).address;
        if (freed >= 0)
            m_places.insert(id, { address, ++m_order, now });
    }
    if (freed < 0) {
        qWarning() << "too many connections without a login, the newcomer is refused! ip:" << address;
        return false;
    }
    if (freed > 0) {
        qWarning() << "too many connections without a login, the oldest is dropped! sid:" << freed
                   << "ip:" << freedAddress;
        giveWay.append(freed);
    }
    // Watched whatever it is: a connection that never logs in must not stay for ever. One on its way out is not.
    QWriteLocker locker(&m_beatLock);
    if (freed > 0)
        m_beatTable.remove(freed);
    m_beatTable.insert(id, 0);
    return true;
}

void PadGate::opened(TcpSocket &socket)
{
    if (isPadConnected())
        socket.sendData(m_loginRep);
}

bool PadGate::payload(TcpSocket &socket, const QByteArray &payload)
{
    const qintptr sid = socket.id();
    const Reading reading = read(payload, sid, false);
    if (!reading.answer.isEmpty())
        socket.sendData(reading.answer);
    if (reading.kind != Reading::LoginPwd)
        return false;
    if (!isPairingOpen()) {
        qWarning() << "the pairing code is not shown, login refused! sid:" << sid;
        return false;
    }
    {
        QMutexLocker locker(&m_mutex);
        if (!isPadConnected() && m_claimant == 0 && m_places.contains(sid)) {
            m_claimant = sid;
            return true;
        }
    }
    qWarning() << "a pad is logged in already, login refused! sid:" << sid;
    return false;
}

void PadGate::heldTooLong(TcpSocket &socket)
{
    qWarning() << "no login in time, the connection is dropped! sid:" << socket.id();
}

void PadGate::gone(qintptr id)
{
    {
        QMutexLocker locker(&m_mutex);
        m_places.remove(id);
        if (m_claimant == id)
            m_claimant = 0;
    }
    removeBeat(id);
}

void PadGate::removeBeat(qintptr sid)
{
    QWriteLocker locker(&m_beatLock);
    m_beatTable.remove(sid);
}
