#include "vrek/media/control/pullfrmanager.h"

#include "vrek/media/control/streammediaforward.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>

PullFRManager::PullFRManager(QObject *parent)
    : QObject(parent)
    , m_isLect(GlobalFunc::isCurrentUserLect())
{
    qInfo() << "isLect:" << m_isLect;
}

PullFRManager::~PullFRManager() = default;

bool PullFRManager::verifyFirstReplyId(const QString &frId) const
{
    return m_requestRunning && !frId.isEmpty() && frId == m_frId;
}

void PullFRManager::startRequestFRIn()
{
    if (!m_isLect || m_requestRunning) {
        qWarning() << "isLect:" << m_isLect << "requestRunning:" << m_requestRunning;
        return;
    }
    m_frId = StringUtil::randomString(firstReplyIdLength, QString::fromLatin1(GlobalDefault::idAlphabet));
    m_askerId = g_userId;
    m_requestRunning = true;
    sendStreamMediaMessage(StreamMediaMessage::RequestFirstReply, QString());
}

void PullFRManager::stopRequestFRIn()
{
    if (!m_isLect || !m_requestRunning) {
        qWarning() << "isLect:" << m_isLect << "requestRunning:" << m_requestRunning;
        return;
    }
    sendStreamMediaMessage(StreamMediaMessage::RequestStopFirstReply, QString());
    m_requestRunning = false;
    m_frId.clear();
    m_askerId.clear();
}

void PullFRManager::receiveResponseFRStartIn(QString fromUserId, QString frId)
{
    if (!m_isLect || !verifyFirstReplyId(frId)) {
        qWarning() << "isLect:" << m_isLect << "uid:" << fromUserId << "frId:" << frId;
        return;
    }
    emit sendPullFRStartOut(fromUserId);
}

void PullFRManager::receiveResponseFRStopIn(QString fromUserId, QString frId)
{
    if (!m_isLect || !verifyFirstReplyId(frId)) {
        qWarning() << "isLect:" << m_isLect << "uid:" << fromUserId << "frId:" << frId;
        return;
    }
    emit sendPullFRStopOut(fromUserId);
}

void PullFRManager::receiveRequestFRStartIn(QString fromUserId, QString frId)
{
    if (m_isLect || m_requestRunning || fromUserId.isEmpty() || frId.isEmpty()) {
        qWarning() << "isLect:" << m_isLect << "requestRunning:" << m_requestRunning << "uid:" << fromUserId
                   << "frId:" << frId;
        return;
    }
    m_askerId = fromUserId;
    m_frId = frId;
    m_requestRunning = true;
    emit showFRStartOut();
}

void PullFRManager::receiveRequestFRStopIn(QString fromUserId, QString frId)
{
    if (m_isLect || !verifyFirstReplyId(frId) || fromUserId != m_askerId) {
        qWarning() << "isLect:" << m_isLect << "uid:" << fromUserId << "frId:" << frId;
        return;
    }
    m_requestRunning = false;
    m_askerId.clear();
    m_frId.clear();
    emit showFRStopOut();
}

void PullFRManager::sendResponseFRStartIn()
{
    if (m_isLect || !m_requestRunning) {
        qWarning() << "isLect:" << m_isLect << "requestRunning:" << m_requestRunning;
        return;
    }
    sendStreamMediaMessage(StreamMediaMessage::ResponseFirstReply, m_askerId);
}

void PullFRManager::sendResponseFRStopIn()
{
    if (m_isLect || !m_requestRunning) {
        qWarning() << "isLect:" << m_isLect << "requestRunning:" << m_requestRunning;
        return;
    }
    sendStreamMediaMessage(StreamMediaMessage::ResponseStopFirstReply, m_askerId);
}

void PullFRManager::sendStreamMediaMessage(quint32 type, const QString &toUserId)
{
    StreamMediaMessage message;
    message.setSmmType(type);
    message.setFromUserId(g_userId);
    message.setToUserId(toUserId);
    message.setFrId(m_frId);
    StreamMediaForward::send(message, toUserId);
}
