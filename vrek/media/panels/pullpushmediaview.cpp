#include "vrek/media/panels/pullpushmediaview.h"

#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

PullPushMediaView::PullPushMediaView(QWidget *parent)
    : QWidget(parent)
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(g_userId)
{
    m_clickClock.start();
}

PullPushMediaView::~PullPushMediaView() = default;

void PullPushMediaView::streamInitial(uint maxShow)
{
    m_pushStreamManager = new PushStreamManager(m_userId, GlobalEnum::GroupType(g_classType), this);
    if (!m_isLect)
        m_pushStreamManager->setRequestPushStream(true);
    g_pushStreamId = m_pushStreamManager->getPushStreamId();
    connect(m_pushStreamManager, &PushStreamManager::showVideoImageOut, this, &PullPushMediaView::showVideoImageIn);
    connect(m_pushStreamManager, &PushStreamManager::videoQualityChangedOut, this,
        &PullPushMediaView::videoQualityChangedOut);
    connect(m_pushStreamManager, &PushStreamManager::pushStreamResultOut, this, &PullPushMediaView::pushStreamResultIn);

    m_pullStreamManager
        = new PullStreamManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne, maxShow, this);
    connect(m_pullStreamManager, &PullStreamManager::showVideoImageOut, this, &PullPushMediaView::showVideoImageIn);
    connect(m_pullStreamManager, &PullStreamManager::pullStreamResultOut, this, &PullPushMediaView::pullStreamResultIn);
    connect(m_pullStreamManager, &PullStreamManager::pullStreamChangeOut, this, &PullPushMediaView::pullStreamChangeIn);
    connect(m_pullStreamManager, &PullStreamManager::autoToManualOut, this, &PullPushMediaView::autoToManualIn);
    connect(m_pullStreamManager, &PullStreamManager::playAudioChangeOut, this, &PullPushMediaView::playAudioChangeIn);
}

void PullPushMediaView::videoView3Initial()
{
    m_videoView3 = new VideoView3(this);
    m_videoView3->setDefaultImage();
    m_videoView3->hide();
}

void PullPushMediaView::tip(const QString &text, uint seconds)
{
    emit messageBoxTipOut(text, seconds);
}

void PullPushMediaView::readSocketMessageIn(StreamMediaMessage message)
{
    const quint32 type = message.getSmmType();
    const QString from = message.getFromUserId();
    const QString third = message.getTripartiteUserId();
    const QString streamId = message.getStreamId();
    qInfo() << "smmType:" << type << "fromUserId:" << from << "toUserId:" << message.getToUserId()
            << "tripartiteUserId:" << third << "streamId:" << streamId << "frId:" << message.getFrId();
    switch (type) {
    case StreamMediaMessage::StartPullMainStream:
        if (m_isLect || from.isEmpty() || streamId.isEmpty()) {
            qWarning() << "StartPullMainStream "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "streamId:" << streamId;
            return;
        }
        setStartClass(true);
        m_pullStreamManager->startPullStreamInByPushId(from, streamId, true);
        m_pullStreamManager->startAutoPullStreamIn();
        return;
    case StreamMediaMessage::StopPullMainStream:
        if (m_isLect || from.isEmpty()) {
            qWarning() << "StopPullMainStream "
                       << "isLect:" << m_isLect << "fromUserId:" << from;
            return;
        }
        m_pushStreamManager->setShowPushVideo(false);
        m_pullStreamManager->stopAllPullStreamIn();
        setDefaultImage(true);
        tip(classEndTip());
        return;
    case StreamMediaMessage::RequestPushStreamId:
        // The server hands a client its own requests too.
        if (from != m_userId)
            m_pushStreamManager->receiveRequestPushStreamId(message);
        return;
    case StreamMediaMessage::StartPullSubStream:
        if (m_isLect || from.isEmpty() || streamId.isEmpty() || third.isEmpty()) {
            qWarning() << "StartPullSubStream "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "tripartiteUserId:" << third
                       << "streamId:" << streamId;
            return;
        }
        startPullSubStream(message, stageByPushId(), "StartPullSubStream isPushShow:");
        return;
    case StreamMediaMessage::StopPullSubStream:
        if (m_isLect || from.isEmpty() || third.isEmpty()) {
            qWarning() << "StopPullSubStream "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "tripartiteUserId:" << third;
            return;
        }
        stopPullSubStream(third);
        return;
    default:
        readPanelMessage(message);
        return;
    }
}

void PullPushMediaView::pushStreamResultIn(bool isFinish, bool result, QString msg)
{
    qInfo() << "isFinish:" << isFinish << "result:" << result << "msg:" << msg;
    if (isFinish) {
        setPushStreamState(GlobalEnum::PSS0);
    } else if (!result) {
        setPushStreamState(GlobalEnum::PSS3);
        if (!msg.isEmpty())
            tip(msg);
    } else {
        setPushStreamState(GlobalEnum::PSS2);
    }
}

void PullPushMediaView::pullStreamChangeIn(QString fromUserId, QString toUserId, bool isAuto, bool isMain)
{
    qInfo() << "fromUserId:" << fromUserId << "toUserId:" << toUserId << "isAuto:" << isAuto << "isMain:" << isMain;
    if (isAuto) {
        showAutoChange(fromUserId, toUserId);
        return;
    }
    if (m_isLect) {
        if (!fromUserId.isEmpty())
            emit onCameraBtnChangedOut(fromUserId, false);
        if (!toUserId.isEmpty())
            emit onCameraBtnChangedOut(toUserId, true);
    }
    m_videoView3->showVideoChangeIn(fromUserId, toUserId, isMain);
}

void PullPushMediaView::playAudioChangeIn(QString userId, bool flag)
{
    Q_UNUSED(userId)
    Q_UNUSED(flag)
}

void PullPushMediaView::userOffline(QString userId)
{
    qInfo() << "uid:" << userId;
    m_pullStreamManager->delPushStreamIdIn(userId);
}

void PullPushMediaView::lectClick(const QString &userId, const QString &notStartedTip)
{
    qInfo() << "uid:" << userId;
    if (userId == m_userId || !m_isLect) {
        qWarning() << "uid:" << userId << "isLect:" << m_isLect;
        return;
    }
    if (m_clickClock.elapsed() < m_clickIntervalMs) {
        tip(QStringLiteral("点击频繁,请稍后"));
        return;
    }
    if (m_classState != 0) {
        tip(notStartedTip);
        return;
    }
    m_clickClock.restart();
    if (m_pullStreamManager->getPullUserState(userId)) {
        emit onCameraBtnChangedOut(userId, false);
        m_pullStreamManager->stopPullStreamIn(userId);
    } else if (!m_pullStreamManager->verifyUserStreamId(userId)) {
        qWarning() << "the user streamId not exist! uid:" << userId;
    } else {
        beforeLectPull();
        emit onCameraBtnChangedOut(userId, true);
        m_pullStreamManager->startPullStreamInByUserId(userId);
    }
}

void PullPushMediaView::lectPullResult(
    bool result, const QString &userId, const QString &msg, const QString &successTip)
{
    if (result) {
        tip(successTip);
        emit onCameraBtnChangedOut(userId, true);
        return;
    }
    emit onCameraBtnChangedOut(userId, false);
    if (!msg.isEmpty())
        tip(msg);
}

void PullPushMediaView::hidePushShow()
{
    if (!m_isPushShow)
        return;
    m_isPushShow = false;
    m_pushStreamManager->setShowPushVideo(false);
    m_videoView3->showVideoChangeIn(m_userId, QString(), false);
}

void PullPushMediaView::startPullSubStream(const StreamMediaMessage &message, bool byPushId, const char *warning)
{
    const QString third = message.getTripartiteUserId();
    if (third != m_userId) {
        hidePushShow();
        if (byPushId)
            m_pullStreamManager->startPullStreamInByPushId(third, message.getStreamId(), false);
        else
            m_pullStreamManager->startPullStreamInByUserId(third);
        return;
    }
    m_pullStreamManager->stopAllSubPullStreamIn();
    if (m_isPushShow) {
        qWarning() << warning << m_isPushShow;
        return;
    }
    m_isPushShow = true;
    m_videoView3->showVideoChangeIn(QString(), m_userId, false);
    m_pushStreamManager->setShowPushVideo(true);
}

void PullPushMediaView::stopPullSubStream(const QString &thirdUserId)
{
    if (thirdUserId != m_userId)
        m_pullStreamManager->stopPullStreamIn(thirdUserId);
    else
        hidePushShow();
}
