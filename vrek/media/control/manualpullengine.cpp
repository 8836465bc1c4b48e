#include "vrek/media/control/manualpullengine.h"

#include "vrek/container/pulluserinfohash.h"
#include "vrek/media/control/streammediaforward.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/model/pulluserinfo.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

ManualPullEngine::ManualPullEngine(PullUserInfoHash *table, uint maxShow, QObject *parent)
    : QObject(parent)
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_maxShow(maxShow)
    , m_table(table)
{
    qInfo() << "isLect:" << m_isLect << "maxShow:" << maxShow;
}

ManualPullEngine::~ManualPullEngine() = default;

void ManualPullEngine::insertShowUserIdQueue(const QString &userId)
{
    m_showQueue.removeAll(userId);
    m_showQueue.append(userId);
}

void ManualPullEngine::insertShowQueueIn(QString userId)
{
    insertShowUserIdQueue(userId);
}

void ManualPullEngine::startPullStreamIn(QString userId, bool isMain)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    choosePullExit(info, isMain);
}

void ManualPullEngine::choosePullExit(PullUserInfo *info, bool isMain)
{
    const int kind = isMain ? PullUserInfo::PullFromMain : PullUserInfo::PullFromSub;
    QList<PullUserInfo *> shown;
    for (const QString &userId : qAsConst(m_showQueue)) {
        PullUserInfo *user = nullptr;
        if (m_table->selectObject(userId, &user, false) && user->getPullShowState() == PullUserInfo::PullShowShown
            && user->getPullFromType() == kind)
            shown.append(user);
    }
    const uint size = uint(shown.size());
    if (size < m_maxShow) {
        startPullStream(info, isMain);
    } else if (size == m_maxShow && !shown.isEmpty()) {
        stopPullStream(shown.first(), false);
        startPullStream(info, isMain);
    } else {
        qWarning() << "showUserSize:" << size << "maxShow:" << m_maxShow;
    }
}

void ManualPullEngine::startPullStream(PullUserInfo *info, bool isMain)
{
    const QString userId = info->getUserId();
    insertShowUserIdQueue(userId);
    if (info->isIdle()) {
        info->setPullShowState(PullUserInfo::PullShowShown);
        info->setPullFromType(isMain ? PullUserInfo::PullFromMain : PullUserInfo::PullFromSub);
        emit pullStreamChangeOut(QString(), userId, false, isMain);
        emit startPullStreamOut(userId);
        // Only a sub choice is the class's to follow; the main stream is announced by its own pusher.
        if (m_isLect && !isMain)
            sendStartPullSubStream(info);
        return;
    }

    const QString replaced = info->getReplacing();
    if (!replaced.isEmpty()) {
        // Chosen while taking over an automatic place: the user he was replacing keeps it.
        PullUserInfo *first = nullptr;
        if (!m_table->selectObject(replaced, &first))
            return;
        first->setReplacedBy(QString());
        first->setPullShowState(PullUserInfo::PullShowShown);
        info->setReplacing(QString());
        takeManualKind(info, isMain);
        emit pullStreamChangeOut(QString(), userId, false, isMain);
        return;
    }
    takeOverAutoUser(info, isMain);
}

void ManualPullEngine::takeOverAutoUser(PullUserInfo *info, bool isMain)
{
    const QString userId = info->getUserId();
    if (info->getPullFromType() != PullUserInfo::PullFromAuto) {
        qWarning() << "pullFromType:" << info->getPullFromType() << "pullStreamState:" << info->getPullStreamState()
                   << "pullShowState:" << info->getPullShowState() << "uid:" << userId;
        return;
    }
    // Chosen users are heard; the manager keeps the flag so that the user can be muted again.
    info->setPlayAudio(true);
    emit playAudioChangeOut(userId, true);
    PullUserInfo *successor = nullptr;
    const QString successorId = info->getReplacedBy();
    if (!successorId.isEmpty() && m_table->selectObject(successorId, &successor)) {
        // His successor takes the automatic place at once.
        successor->setReplacing(QString());
        emit pullStreamChangeOut(userId, QString(), true, false);
        emit pullStreamChangeOut(QString(), successorId, true, false);
        info->setPullShowState(PullUserInfo::PullShowShown);
        info->setReplacedBy(QString());
        emit pullStreamChangeOut(QString(), userId, false, isMain);
    } else {
        emit autoToManualOut(userId);
    }
    takeManualKind(info, isMain);
}

void ManualPullEngine::takeManualKind(PullUserInfo *info, bool isMain)
{
    if (isMain) {
        qInfo() << "isMain:" << isMain << "uid:" << info->getUserId();
        return;
    }
    info->setPullFromType(PullUserInfo::PullFromSub);
    if (m_isLect)
        sendStartPullSubStream(info);
}

void ManualPullEngine::stopPullStream(PullUserInfo *info, bool isEnd)
{
    const int kind = info->getPullFromType();
    if (kind != PullUserInfo::PullFromMain && kind != PullUserInfo::PullFromSub) {
        qWarning() << "pullFromType:" << kind << "uid:" << info->getUserId();
        return;
    }
    if (info->isIdle())
        return;
    const QString userId = info->getUserId();
    info->setReplacedBy(QString());
    info->setReplacing(QString());
    info->setPullFromType(PullUserInfo::PullFromNone);
    info->setPullStreamState(PullUserInfo::PullStreamNone);
    info->setPullShowState(PullUserInfo::PullShowHidden);
    info->setPlayAudio(false);
    emit pullStreamChangeOut(userId, QString(), false, kind == PullUserInfo::PullFromMain);
    emit stopPullStreamOut(userId);
    if (m_isLect && isEnd) {
        checkPullNone();
        sendStopPullSubStream(userId);
    }
}

void ManualPullEngine::checkPullNone()
{
    for (PullUserInfo *info : m_table->values()) {
        if (info->isManual())
            return;
    }
    emit pullStreamNoneOut();
}

void ManualPullEngine::stopPullStreamIn(QString userId)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    if (!info->isIdle())
        stopPullStream(info, true);
}

void ManualPullEngine::stopManualPullIn(bool isMain)
{
    const int kind = isMain ? PullUserInfo::PullFromMain : PullUserInfo::PullFromSub;
    for (PullUserInfo *info : m_table->values()) {
        if (info->getPullFromType() == kind && !info->isIdle())
            stopPullStream(info, false);
    }
}

void ManualPullEngine::sendLateState(const QString &userId)
{
    if (!m_isLect) {
        qWarning() << "uid:" << userId << "isLect:" << m_isLect;
        return;
    }
    for (PullUserInfo *info : m_table->values()) {
        if (info->getPullFromType() == PullUserInfo::PullFromSub && !info->isIdle())
            sendStartPullSubStream(info, userId);
    }
}

void ManualPullEngine::sendStartPullSubStream(PullUserInfo *info, const QString &toPersonId)
{
    sendStreamMediaMessage(
        StreamMediaMessage::StartPullSubStream, info->getUserId(), info->getPushStreamId(), toPersonId);
}

void ManualPullEngine::sendStopPullSubStream(const QString &userId)
{
    sendStreamMediaMessage(StreamMediaMessage::StopPullSubStream, userId, QString(), QString());
}

void ManualPullEngine::sendStreamMediaMessage(
    quint32 type, const QString &toUserId, const QString &streamId, const QString &personId)
{
    StreamMediaMessage message;
    message.setSmmType(type);
    message.setFromUserId(g_userId);
    message.setToUserId(toUserId);
    // A meeting's participants read the user on stage from the third user.
    message.setTripartiteUserId(toUserId);
    message.setStreamId(streamId);
    StreamMediaForward::send(message, personId);
}
