#include "vrek/media/control/autopullengine.h"

#include "vrek/container/pulluserinfohash.h"
#include "vrek/model/pulluserinfo.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QTimer>

AutoPullEngine::AutoPullEngine(PullUserInfoHash *table, uint maxShow, QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_maxShow(maxShow)
    , m_table(table)
{
    qInfo() << "maxShow:" << maxShow;
    connect(m_timer, &QTimer::timeout, this, &AutoPullEngine::autoStartPullIn);
}

AutoPullEngine::~AutoPullEngine()
{
    // The table is the manager's and may go right after; no tick may reach it.
    m_timer->stop();
}

bool AutoPullEngine::isRotating() const
{
    return m_timer->isActive();
}

void AutoPullEngine::insertShowUserIdQueue(const QString &userId)
{
    m_showQueue.removeAll(userId);
    m_showQueue.append(userId);
}

void AutoPullEngine::insertShowQueueIn(QString userId)
{
    insertShowUserIdQueue(userId);
}

bool AutoPullEngine::selectIdleUserId(PullUserInfo **info) const
{
    for (const QString &userId : m_showQueue) {
        if (userId == g_userId)
            continue;
        PullUserInfo *candidate = nullptr;
        if (!m_table->selectObject(userId, &candidate, false))
            continue;
        if (candidate->isIdle() && !candidate->getPushStreamId().isEmpty()) {
            *info = candidate;
            return true;
        }
    }
    return false;
}

void AutoPullEngine::autoPullStream(int step)
{
    if (step >= maxStepUsers)
        return;
    PullUserInfo *candidate = nullptr;
    if (!selectIdleUserId(&candidate))
        return;
    candidate->setPullFromType(PullUserInfo::PullFromAuto);
    if (choosePullExit(candidate))
        autoPullStream(step + 1);
}

bool AutoPullEngine::choosePullExit(PullUserInfo *info)
{
    QList<PullUserInfo *> shown;
    for (const QString &userId : qAsConst(m_showQueue)) {
        PullUserInfo *user = nullptr;
        if (m_table->selectObject(userId, &user, false) && user->getPullFromType() == PullUserInfo::PullFromAuto
            && user->getPullShowState() == PullUserInfo::PullShowShown)
            shown.append(user);
    }
    const uint size = uint(shown.size());
    if (size < m_maxShow) {
        hideToShow(info);
        return true;
    }
    if (size == m_maxShow && !shown.isEmpty())
        return showToHide(shown.first(), info);
    qWarning() << "showUserSize:" << size << "maxShow:" << m_maxShow;
    return false;
}

void AutoPullEngine::hideToShow(PullUserInfo *info)
{
    info->setPullShowState(PullUserInfo::PullShowShown);
    emit pullStreamChangeOut(QString(), info->getUserId(), true, false);
    startPullStream(info->getUserId());
}

bool AutoPullEngine::showToHide(PullUserInfo *oldInfo, PullUserInfo *newInfo)
{
    const QString replaced = oldInfo->getReplacing();
    if (!replaced.isEmpty()) {
        // The old user has not shown a picture yet: the new one takes over the place he was taking.
        PullUserInfo *first = nullptr;
        if (!m_table->selectObject(replaced, &first))
            return false;
        stopPullStream(oldInfo);
        first->setReplacedBy(newInfo->getUserId());
        newInfo->setPullShowState(PullUserInfo::PullShowShown);
        newInfo->setReplacing(first->getUserId());
    } else {
        oldInfo->setReplacedBy(newInfo->getUserId());
        oldInfo->setPullShowState(PullUserInfo::PullShowLeaving);
        newInfo->setReplacing(oldInfo->getUserId());
        newInfo->setPullShowState(PullUserInfo::PullShowShown);
    }
    startPullStream(newInfo->getUserId());
    return true;
}

void AutoPullEngine::startPullStream(const QString &userId)
{
    insertShowUserIdQueue(userId);
    emit startPullStreamOut(userId);
}

void AutoPullEngine::stopPullStream(PullUserInfo *info)
{
    info->setReplacedBy(QString());
    info->setReplacing(QString());
    info->setPullFromType(PullUserInfo::PullFromNone);
    info->setPullStreamState(PullUserInfo::PullStreamNone);
    info->setPullShowState(PullUserInfo::PullShowHidden);
    info->setPlayAudio(false);
    emit stopPullStreamOut(info->getUserId());
}

void AutoPullEngine::startAutoPullIn()
{
    qInfo() << "period:" << m_rotationPeriodMs;
    m_timer->stop();
    m_timer->start(m_rotationPeriodMs);
    autoPullStream(0);
}

void AutoPullEngine::autoStartPullIn()
{
    autoPullStream(0);
}

void AutoPullEngine::stopAutoPullIn()
{
    qInfo() << "";
    m_timer->stop();
    for (PullUserInfo *info : m_table->values()) {
        if (info->getPullFromType() != PullUserInfo::PullFromAuto || info->isIdle())
            continue;
        if (info->getReplacing().isEmpty())
            emit pullStreamChangeOut(info->getUserId(), QString(), true, false);
        stopPullStream(info);
    }
}

void AutoPullEngine::stopAutoPullStreamIn(QString userId)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    if (info->getPullFromType() != PullUserInfo::PullFromAuto || info->isIdle())
        return;
    const QString replaced = info->getReplacing();
    if (!replaced.isEmpty()) {
        PullUserInfo *first = nullptr;
        if (m_table->selectObject(replaced, &first)) {
            // The user he was replacing keeps his place.
            first->setReplacedBy(QString());
            first->setPullShowState(PullUserInfo::PullShowShown);
            info->setReplacing(QString());
        }
    } else {
        emit pullStreamChangeOut(userId, QString(), true, false);
        // A successor already on his way takes the place at once: nobody else would ever show him, and the
        // stopped user would be stopped a second time on the successor's first picture.
        PullUserInfo *successor = nullptr;
        const QString successorId = info->getReplacedBy();
        if (!successorId.isEmpty() && m_table->selectObject(successorId, &successor, false)
            && successor->getReplacing() == userId) {
            successor->setReplacing(QString());
            emit pullStreamChangeOut(QString(), successorId, true, false);
        }
    }
    stopPullStream(info);
}
