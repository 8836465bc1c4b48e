#include "vrek/course/latectrlmanager.h"

#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

LateCtrlManager::LateCtrlManager(QObject *parent, SocketClientManager *connection)
    : QObject(parent)
    , m_connection(connection)
    , m_ownId(GlobalFunc::isCurrentUserTypeFive() ? g_accountId : g_userId)
    , m_isLect(GlobalFunc::isCurrentUserLect())
{
    qRegisterMetaType<CtrlMessage>("CtrlMessage");
    qRegisterMetaType<CtrlMessage::LateCtrlType>("CtrlMessage::LateCtrlType");
    qInfo() << "ownId:" << m_ownId << "isLect:" << m_isLect;
}

LateCtrlManager::~LateCtrlManager() = default;

void LateCtrlManager::sendCtrlMessageToPerson(const QString &personId, const CtrlMessage &message)
{
    QString text;
    if (!TSProtocolAnalysis::sendCtrlMessage(message, text))
        return;
    qInfo() << "msg:" << text << "pid:" << personId;
    SocketClientManager *connection = m_connection ? m_connection.data() : g_socketClientManager;
    if (!connection) {
        qWarning() << "no classroom connection! msg:" << text << "pid:" << personId;
        return;
    }
    connection->sendServerForwardPersonal(personId, "0", text);
}

void LateCtrlManager::sendKind(const QString &personId, quint32 ctType)
{
    CtrlMessage message;
    message.setCtType(ctType);
    message.setPersonId(m_ownId);
    sendCtrlMessageToPerson(personId, message);
}

void LateCtrlManager::sendPhase(const QString &personId, quint32 ctType, CtrlMessage::LateCtrlType type, quint32 count)
{
    CtrlMessage message;
    message.setCtType(ctType);
    message.setPersonId(m_ownId);
    message.setLateCtrlType(type);
    message.setLateCount(count);
    sendCtrlMessageToPerson(personId, message);
}

void LateCtrlManager::slotLateMessageStart()
{
    if (m_isLect) {
        qInfo() << "late start lect!";
        return;
    }
    sendKind(g_lectId, LateRequest);
}

void LateCtrlManager::readCtrlMessage(const CtrlMessage &message)
{
    const QString personId = message.getPersonId();
    const quint32 ctType = message.getCtType();
    switch (ctType) {
    case LatePhaseSent:
        readPhaseSent(message);
        break;
    case LatePhaseAck:
        readPhaseAck(message);
        break;
    case LateUiType:
        if (message.getUiCtrlType() <= 3)
            emit signalChangeUIType(int(message.getUiCtrlType()));
        else
            qWarning() << "unknow UICtrlType:" << message.getUiCtrlType();
        break;
    case LateIgnored:
        break;
    case LateRequest:
        readLateRequest(personId);
        break;
    case LateBegin:
        if (m_isLect) {
            qWarning() << "lect got ctType:" << ctType << "pid:" << personId;
            break;
        }
        startCounting();
        break;
    case LateEnd:
        if (m_isLect) {
            qWarning() << "lect got ctType:" << ctType << "pid:" << personId;
            break;
        }
        stopCounting();
        sendKind(personId, LateEndAck);
        break;
    case LateEndAck:
        qDebug() << "late end ack pid:" << personId;
        break;
    default:
        qWarning() << "unknow ctType:" << ctType;
        break;
    }
}

void LateCtrlManager::readLateRequest(const QString &personId)
{
    if (!m_isLect) {
        qWarning() << "late request to a listener! pid:" << personId;
        return;
    }
    sendKind(personId, LateBegin);
    quint32 count = 0;
    emit signalSendFileLate(personId, count);
    sendPhase(personId, LatePhaseSent, CtrlMessage::LateCourseFile, count);
    m_latePersonHash.updatePersonState(personId, CtrlMessage::LateCourseFile);
}

void LateCtrlManager::readPhaseAck(const CtrlMessage &message)
{
    const QString personId = message.getPersonId();
    if (!m_isLect) {
        qWarning() << "late ack to a listener! pid:" << personId;
        return;
    }
    quint32 count = 0;
    switch (message.getLateCtrlType()) {
    case CtrlMessage::LateCourseFile:
        emit signalSendDrawLate(personId, count);
        sendPhase(personId, LatePhaseSent, CtrlMessage::LateCourseDraw, count);
        m_latePersonHash.updatePersonState(personId, CtrlMessage::LateCourseDraw);
        break;
    case CtrlMessage::LateCourseDraw:
        emit signalSendBoardLate(personId, count);
        sendPhase(personId, LatePhaseSent, CtrlMessage::LateBoardDraw, count);
        m_latePersonHash.updatePersonState(personId, CtrlMessage::LateBoardDraw);
        break;
    case CtrlMessage::LateBoardDraw:
        m_latePersonHash.deletePersonState(personId);
        emit signalSendStatusLate(personId);
        break;
    default:
        qWarning() << "unknow lctType:" << message.getLateCtrlType();
        break;
    }
}

void LateCtrlManager::readPhaseSent(const CtrlMessage &message)
{
    if (m_isLect) {
        qWarning() << "lect got ctType:" << message.getCtType() << "pid:" << message.getPersonId();
        return;
    }
    m_lateCountSum = message.getLateCount();
    m_lateCtrlType = CtrlMessage::LateCtrlType(message.getLateCtrlType());
    if (m_lateCount < m_lateCountSum)
        return;
    acknowledgePhase();
}

void LateCtrlManager::slotLateCountInc(CtrlMessage::LateCtrlType type)
{
    ++m_lateCount;
    qInfo() << "lateCount:" << m_lateCount << "lateCountSum:" << m_lateCountSum << "cmlct:" << quint32(type);
    if (m_lateCountSum >= 0 && m_lateCount >= m_lateCountSum)
        acknowledgePhase();
}

void LateCtrlManager::acknowledgePhase()
{
    sendPhase(g_lectId, LatePhaseAck, m_lateCtrlType, quint32(m_lateCountSum));
    m_lateCount = 0;
    m_lateCountSum = -1;
}

void LateCtrlManager::startCounting()
{
    // One connection for the whole replay, however often the lecturer begins one: each replayed message
    // must count once.
    m_lateCount = 0;
    m_lateCountSum = -1;
    if (m_counting)
        return;
    m_counting = true;
    connect(this, &LateCtrlManager::signalLateCountInc, this, &LateCtrlManager::slotLateCountInc, Qt::UniqueConnection);
}

void LateCtrlManager::stopCounting()
{
    if (!m_counting)
        return;
    m_counting = false;
    disconnect(this, &LateCtrlManager::signalLateCountInc, this, &LateCtrlManager::slotLateCountInc);
}
