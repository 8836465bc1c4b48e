#include "vrek/media/control/streammediamanager.h"

#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/control/streamcontrol.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/threadfactory.h"

#include <QDebug>

StreamMediaManager::StreamMediaManager(const QString &userId, const GlobalEnum::GroupType classType, QObject *parent)
    : QObject(parent)
    , PushStreamSettings("")
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(userId)
    , m_classType(classType)
{
    qInfo() << "isLect:" << m_isLect << "ct:" << int(classType) << "parent:" << parent;
    m_clickTimer.start();
    initial();
}

StreamMediaManager::~StreamMediaManager()
{
    qInfo() << "pushId:" << m_pushStreamId;
    const bool pushing = isPushingStream();
    StreamControl::releaseWebRtcEngine(this, m_webRtcStreamEngine, pushing && m_pushIsWebrtc);
    if (m_pushStreamEngine) {
        m_pushStreamEngine->disconnect(this);
        disconnect(m_pushStreamEngine);
        // A push under way is stopped; the engine, released, goes with its thread once that push has ended.
        if (pushing && !m_pushIsWebrtc)
            QMetaObject::invokeMethod(m_pushStreamEngine, "stopPushStreamIn", Qt::QueuedConnection);
        if (m_pushThreadId == ThreadFactory::noThreadId)
            delete m_pushStreamEngine;
        else
            m_pushStreamEngine->releaseThread();
        m_pushStreamEngine = nullptr;
    }
    StreamControl::releasePullEngineFactory(this, m_pullEngineFactory);
}

void StreamMediaManager::initial()
{
    qInfo() << "userId:" << m_userId;
    m_pushingStreamSucc = false;
    m_stopingPushStream = false;
    m_pushStreamCmdLect = false;
    m_pushStreamCmdListener = false;
    m_pushStreamStartListener = false;
    m_pullStreamCmdFlag = false;
    m_pullListStreamStart = false;
    m_currentPullUserId.clear();
    m_currentPullStreamId.clear();
    m_pullMainStreamFlag = false;
    m_pullMainStreamStart = false;
    m_pullMainUserId.clear();
    m_lectMainStreamId.clear();
    m_pullSubStreamFlag = false;
    m_pullSubStreamStart = false;
    m_pullSubUserId.clear();
    m_lectUserId.clear();
    deviceNameInitial();
    ffmpegInitial();
    webrtcInitial();
}

void StreamMediaManager::deviceNameInitial()
{
    setPushVideoSize(m_isLect ? QSize(320, 240) : QSize(160, 120));
}

void StreamMediaManager::ffmpegInitial()
{
    StreamControl::initialMediaLibraries();
    qRegisterMetaType<PushStreamEngine::PushStreamType>("PushStreamEngine::PushStreamType");
    qRegisterMetaType<PullStreamEngine::PullStreamType>("PullStreamEngine::PullStreamType");

    m_pushStreamId = PushStreamManager::makePushStreamId(m_userId);
    g_pushStreamId = m_pushStreamId;
    m_pushStreamUrl
        = QStringLiteral("rtmp://%1:%2/live/%3").arg(g_mediaHost, QString::number(g_mediaPort), m_pushStreamId);
    qInfo() << "pushStreamId:" << m_pushStreamId << "url:" << m_pushStreamUrl;

    m_pushStreamEngine = PushStreamEngine::createOnOwnThread(m_pushStreamUrl, m_pushThreadId);
    m_pullEngineFactory = new PullEngineFactory();

    connect(this, &StreamMediaManager::startPushStreamOut, m_pushStreamEngine, &PushStreamEngine::startPushStreamIn);
    connect(this, &StreamMediaManager::stopPushStreamOut, m_pushStreamEngine, &PushStreamEngine::stopPushStreamIn);
    connect(m_pushStreamEngine, &PushStreamEngine::pushStreamResultOut, this, &StreamMediaManager::pushStreamResultIn);
    connect(m_pushStreamEngine, &PushStreamEngine::pushStreamExitOut, this, &StreamMediaManager::pushStreamExitIn);
    // The local preview: the lecturer's own picture is the main one, a listener's the sub one.
    if (m_isLect)
        connect(
            m_pushStreamEngine, &PushStreamEngine::showVideoImageOut, this, &StreamMediaManager::showMainVideoImageOut);
    else
        connect(
            m_pushStreamEngine, &PushStreamEngine::showVideoImageOut, this, &StreamMediaManager::showSubVideoImageOut);

    connect(this, &StreamMediaManager::startPullStreamOut, m_pullEngineFactory, &PullEngineFactory::startPullStreamIn);
    connect(this, &StreamMediaManager::stopPullStreamOut, m_pullEngineFactory, &PullEngineFactory::stopPullStreamIn);
    connect(
        m_pullEngineFactory, &PullEngineFactory::pullStreamResultOut, this, &StreamMediaManager::pullStreamResultIn);
    connect(m_pullEngineFactory, &PullEngineFactory::showVideoImageOut, this, &StreamMediaManager::showVideoImageIn);
    m_pullUserIdSet.clear();
}

void StreamMediaManager::webrtcInitial()
{
    if (g_classType == GlobalEnum::Group5)
        return;
    m_interactUserIdSet.clear();
    m_webRtcStreamEngine = new WebRtcStreamEngine();
    m_webRtcStreamEngine->onSetUserId(m_userId);
    connect(this, &StreamMediaManager::startPushWebrtcStreamOut, m_webRtcStreamEngine,
        &WebRtcStreamEngine::onStartPushStream);
    connect(this, &StreamMediaManager::stopPushWebrtcStreamOut, m_webRtcStreamEngine,
        &WebRtcStreamEngine::onStopPushStream);
    connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendStartPushStreamResult, this,
        &StreamMediaManager::pushWebrtcStreamResultIn);
    connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendStopPushStreamResult, this,
        &StreamMediaManager::pushWebRtcStreamExitIn);
    connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendRemoteStream, this, &StreamMediaManager::sendRemoteStream);
}

bool StreamMediaManager::isPushingStream()
{
    const bool commanded = m_isLect ? m_pushStreamCmdLect : m_pushStreamCmdListener;
    return commanded || m_pushingStreamSucc || m_stopingPushStream;
}

void StreamMediaManager::logFlags() const
{
    qInfo() << "pushStreamCmdLect:" << m_pushStreamCmdLect << "pushStreamCmdListener:" << m_pushStreamCmdListener
            << "pushStreamStartListener:" << m_pushStreamStartListener << "pushingStreamSucc:" << m_pushingStreamSucc
            << "stopingPushStream:" << m_stopingPushStream << "pushIsWebrtc:" << m_pushIsWebrtc;
}

bool StreamMediaManager::ownPushIdle() const
{
    if (m_isLect)
        return !m_pushStreamCmdLect && !m_pushingStreamSucc && !m_stopingPushStream;
    return !m_pushStreamCmdListener && !m_pushStreamStartListener && !m_pushingStreamSucc && !m_stopingPushStream;
}

bool StreamMediaManager::onWebrtcStage() const
{
    return m_pushIsWebrtc && (m_pushingStreamSucc || m_pushStreamCmdListener);
}

void StreamMediaManager::leaveWebrtcStage()
{
    if (!stopPushWebrtcStreamStu())
        m_pushStreamCmdListener = false;
}

void StreamMediaManager::sendClassWide(
    quint32 type, const QString &toUserId, const QString &streamId, quint32 errorType) const
{
    StreamControl::sendClassWide(StreamControl::message(type, m_userId, toUserId, streamId, errorType));
}

void StreamMediaManager::sendPersonal(const QString &targetId, quint32 type, const QString &fromUserId,
    const QString &toUserId, const QString &streamId, quint32 errorType) const
{
    StreamControl::sendPersonal(targetId, StreamControl::message(type, fromUserId, toUserId, streamId, errorType));
}

// Own push. The lecturer's side and a listener's keep flags of their own; the push runs on one engine at a time.

bool StreamMediaManager::startOwnPush(bool lecturerSide, bool webrtc, const QString &roomId)
{
    logFlags();
    if ((webrtc && !m_webRtcStreamEngine) || !ownPushIdle())
        return false;
    if (lecturerSide) {
        m_pushStreamCmdLect = true;
    } else {
        m_pushStreamCmdListener = true;
        m_pushStreamStartListener = true;
    }
    m_pushIsWebrtc = webrtc;
    if (webrtc) {
        emit startPushWebrtcStreamOut(WebRtcStreamEngine::PullBothStream, pushCameraName(), pushMicrophoneName(),
            pushVideoSize(), roomId, m_isLect, g_userName);
    } else {
        emit startPushStreamOut(
            PushStreamEngine::PushAudioStreamMust, pushMicrophoneName(), pushCameraName(), pushVideoSize());
    }
    return true;
}

bool StreamMediaManager::stopOwnPush(bool lecturerSide, bool webrtc)
{
    logFlags();
    if ((lecturerSide && !m_pushStreamCmdLect) || !m_pushingStreamSucc || m_pushIsWebrtc != webrtc)
        return false;
    m_pushingStreamSucc = false;
    m_stopingPushStream = true;
    if (lecturerSide) {
        m_pushStreamCmdLect = false;
        sendClassWide(StreamMediaMessage::StopPullMainStream);
        if (g_socketClientManager)
            g_socketClientManager->sendEndClass(m_pushStreamId);
        if (!webrtc && m_pullStreamCmdFlag)
            requestStopSubStream(m_currentPullUserId);
    } else {
        m_pushStreamCmdListener = false;
    }
    if (webrtc)
        emit stopPushWebrtcStreamOut();
    else
        emit stopPushStreamOut();
    return true;
}

bool StreamMediaManager::startPushStreamLect()
{
    return startOwnPush(true, false, QString());
}

bool StreamMediaManager::startPushWebrtcStreamLect()
{
    return startOwnPush(true, true, m_pushStreamId);
}

bool StreamMediaManager::stopPushStreamLect()
{
    return stopOwnPush(true, false);
}

bool StreamMediaManager::stopPushWebrtcStreamLect()
{
    return stopOwnPush(true, true);
}

bool StreamMediaManager::startPushStreamStu()
{
    return startOwnPush(false, false, QString());
}

bool StreamMediaManager::startPushWebrtcStreamStu(const QString &roomId)
{
    return startOwnPush(false, true, roomId);
}

bool StreamMediaManager::stopPushStreamListener()
{
    return stopOwnPush(false, false);
}

bool StreamMediaManager::stopPushWebrtcStreamStu()
{
    return stopOwnPush(false, true);
}

// RTMP push reports.

void StreamMediaManager::pushStreamResultIn(bool ok, QString msg)
{
    qInfo() << "result:" << ok << "msg:" << msg;
    logFlags();
    if (m_isLect) {
        if (ok) {
            m_pushingStreamSucc = true;
            sendClassWide(StreamMediaMessage::StartPullMainStream, QString(), m_pushStreamId);
            StreamControl::announceClass(m_classType, m_pushStreamId);
            GlobalFunc::setStreamFlag(true);
        } else if (!m_stopingPushStream) {
            m_pushingStreamSucc = false;
            m_stopingPushStream = true;
            sendClassWide(StreamMediaMessage::StopPullMainStream, QString(), m_pushStreamId);
        }
    } else if (!ok) {
        m_pushStreamStartListener = false;
        m_pushingStreamSucc = false;
        m_stopingPushStream = true;
        sendClassWide(StreamMediaMessage::ResponsePushStreamFail, QString(), m_pushStreamId);
    } else {
        m_pushingStreamSucc = true;
        if (m_pushStreamCmdListener) {
            sendClassWide(StreamMediaMessage::StartPullSubStream, QString(), m_pushStreamId);
        } else if (!stopPushStreamListener()) {
            qWarning() << "the stopPushStream fail error! pushStreamCmdListener:" << m_pushStreamCmdListener
                       << "pushingStreamSucc:" << m_pushingStreamSucc << "stopingPushStream:" << m_stopingPushStream;
        }
    }
    emit pushStreamResultOut(false, ok, msg);
}

void StreamMediaManager::pushStreamExitIn()
{
    logFlags();
    if (!m_stopingPushStream) {
        sendClassWide(m_isLect ? StreamMediaMessage::StopPullMainStream : StreamMediaMessage::StopPullSubStream,
            QString(), m_pushStreamId);
    }
    if (m_isLect) {
        GlobalFunc::setStreamFlag(false);
        m_pushStreamCmdLect = false;
    } else {
        m_pushStreamCmdListener = false;
        // The push has ended: the next request may start one again.
        m_pushStreamStartListener = false;
    }
    m_pushingStreamSucc = false;
    m_stopingPushStream = false;
    emit pushStreamResultOut(true, false, QString());
}

// WebRTC push reports.

void StreamMediaManager::pushWebrtcStreamResultIn(bool result, QString msg)
{
    qInfo() << "result:" << result << "msg:" << msg;
    logFlags();
    if (m_isLect) {
        if (result) {
            m_pushingStreamSucc = true;
            sendClassWide(StreamMediaMessage::StartPullMainStream, QString(), m_pushStreamId);
            StreamControl::announceClass(m_classType, m_pushStreamId);
        } else {
            m_pushingStreamSucc = false;
            m_stopingPushStream = false;
            m_pushStreamCmdLect = false;
        }
    } else if (result) {
        m_pushingStreamSucc = true;
        if (m_pushStreamCmdListener) {
            if (m_lectUserId.isEmpty())
                qWarning() << "the lectUserId is empty! ";
            else
                sendPersonal(m_lectUserId, StreamMediaMessage::ResponsePushWebRtcStreamSucc, m_userId, QString(),
                    m_pushStreamId);
            // On the stage the room carries the lecturer: no main stream besides.
            stopPullMainStream(QString());
        } else if (!stopPushWebrtcStreamStu()) {
            m_pushStreamCmdListener = false;
            qWarning() << "when success pushWebrtc,but teacher notify stop push webrtcStream! ";
        }
    } else {
        m_pushStreamCmdListener = false;
        m_pushStreamStartListener = false;
        m_pushingStreamSucc = false;
        m_stopingPushStream = false;
        if (m_lectUserId.isEmpty())
            qWarning() << "the lectUserId is empty! ";
        else
            sendPersonal(
                m_lectUserId, StreamMediaMessage::ResponsePushWebRtcStreamFail, m_userId, QString(), m_pushStreamId, 0);
    }
    emit sendPushStreamResult(false, result, msg);
}

void StreamMediaManager::pushWebRtcStreamExitIn(bool result, QString text)
{
    logFlags();
    m_pushingStreamSucc = false;
    m_stopingPushStream = false;
    if (m_isLect) {
        m_pushStreamCmdLect = false;
    } else {
        m_pushStreamCmdListener = false;
        m_pushStreamStartListener = false;
    }
    emit sendPushStreamResult(true, result, text);
}

// Pulls.

QString StreamMediaManager::getPullStreamUrl(const QString &streamId) const
{
    return StreamControl::pullStreamUrl(streamId);
}

void StreamMediaManager::startPullStream(const QString &userId, const QString &streamId)
{
    const QString url = getPullStreamUrl(streamId);
    qInfo() << "uid:" << userId << "url:" << url;
    emit startPullStreamOut(userId, PullStreamEngine::PullAudioRequired, url, true);
}

void StreamMediaManager::endPull(bool &flag, bool &started, QString &userId, bool isLectFlag, const QString &msg)
{
    if (!flag)
        return;
    flag = false;
    if (started)
        emit stopPullStreamOut(userId);
    started = false;
    emit pullStreamResultOut(isLectFlag, false, userId, msg);
    userId.clear();
}

void StreamMediaManager::stopPullMainStream(const QString &msg)
{
    endPull(m_pullMainStreamFlag, m_pullMainStreamStart, m_pullMainUserId, true, msg);
}

void StreamMediaManager::stopPullSubStream(const QString &msg)
{
    endPull(m_pullSubStreamFlag, m_pullSubStreamStart, m_pullSubUserId, false, msg);
}

void StreamMediaManager::stopPullStuStream(const QString &msg)
{
    endPull(m_pullStreamCmdFlag, m_pullListStreamStart, m_currentPullUserId, false, msg);
}

void StreamMediaManager::stopAllPullStream()
{
    if (m_isLect) {
        stopPullStuStream(QString());
        return;
    }
    stopPushWebrtcStreamStu();
    stopPullMainStream(QString());
    stopPullSubStream(QString());
}

void StreamMediaManager::stopPullStream(const QString &userId)
{
    if (m_isLect) {
        if (userId == m_currentPullUserId)
            stopPullStuStream(QString());
        else
            qInfo() << "currentUserId:" << m_currentPullUserId << "uid:" << userId;
        return;
    }
    if (!userId.isEmpty() && userId == m_pullMainUserId)
        stopPullMainStream(QString());
    else if (!userId.isEmpty() && userId == m_pullSubUserId)
        stopPullSubStream(QString());
    else
        qInfo() << "pullMainUserId:" << m_pullMainUserId << "pullSubUserId:" << m_pullSubUserId << "uid:" << userId;
}

void StreamMediaManager::pullStreamResultIn(bool ok, QString userId, QString msg)
{
    qInfo() << "result:" << ok << "uid:" << userId << "msg:" << msg;
    if (!m_isLect && !userId.isEmpty() && userId == m_pullMainUserId) {
        if (ok) {
            emit pullStreamResultOut(true, true, userId, QStringLiteral("开始上课"));
            // The lecturer's stream plays again: a student still on the stage leaves it.
            if (m_pushIsWebrtc && m_pushingStreamSucc)
                leaveWebrtcStage();
        } else {
            m_pullMainStreamStart = false;
            stopPullMainStream(QStringLiteral("上课失败,请重新登录"));
        }
        return;
    }
    if (!m_isLect && !userId.isEmpty() && userId == m_pullSubUserId) {
        if (ok) {
            emit pullStreamResultOut(false, true, userId, QString());
        } else {
            m_pullSubStreamStart = false;
            stopPullSubStream(msg);
        }
        return;
    }
    if (m_isLect && !userId.isEmpty() && userId == m_currentPullUserId) {
        if (ok) {
            emit pullStreamResultOut(false, true, userId, msg);
        } else {
            m_pullListStreamStart = false;
            stopPullStuStream(msg);
        }
        return;
    }
    qWarning() << "the uid unknown error! uid:" << userId;
}

void StreamMediaManager::showVideoImageIn(QString userId, QImage image)
{
    if (!m_isLect && userId == m_pullMainUserId)
        emit showMainVideoImageOut(image);
    else
        emit showSubVideoImageOut(image);
}

// Commands from the classroom.

void StreamMediaManager::readSocketMessageIn(StreamMediaMessage message)
{
    qInfo() << "smmType:" << message.getSmmType() << "fromUserId:" << message.getFromUserId()
            << "toUserId:" << message.getToUserId() << "tripartiteUserId:" << message.getTripartiteUserId()
            << "streamId:" << message.getStreamId() << "pushingStreamSucc:" << m_pushingStreamSucc
            << "pullMainStreamFlag:" << m_pullMainStreamFlag << "pullMainUserId:" << m_pullMainUserId;
    switch (message.getSmmType()) {
    case StreamMediaMessage::StartPullMainStream:
        startPullMainStreamHandle(message);
        break;
    case StreamMediaMessage::StopPullMainStream:
        stopPullMainStreamHandle(message);
        break;
    case StreamMediaMessage::RequestPushStreamId:
        requestPushStreamIdHandle(message);
        break;
    case StreamMediaMessage::RequestStopPushStream:
        requestStopPushStreamHandle(message);
        break;
    case StreamMediaMessage::ResponsePushStreamFail:
        responsePushStreamFailHandle(message);
        break;
    case StreamMediaMessage::StartPullSubStream:
        startPullSubStreamHandle(message);
        break;
    case StreamMediaMessage::StopPullSubStream:
        stopPullSubStreamHandle(message);
        break;
    case StreamMediaMessage::RequestPushWebRtcStream:
        requestPushWebRtcStreamHandle(message);
        break;
    case StreamMediaMessage::ResponsePushWebRtcStreamFail:
        responsePushWebRtcStreamFailHandle(message);
        break;
    case StreamMediaMessage::RequestStopPushWebrtcStream:
        requestStopPushWebrtcStreamHandle(message);
        break;
    case StreamMediaMessage::ResponsePushWebRtcStreamSucc:
        responsePushWebRtcStreamSuccHandle(message);
        break;
    default:
        qWarning() << "the smmType unknown error! smmType:" << message.getSmmType();
        break;
    }
}

bool StreamMediaManager::isListenerRequest(const StreamMediaMessage &message, const char *warning) const
{
    if (m_isLect || message.getFromUserId().isEmpty() || message.getToUserId().isEmpty()) {
        qWarning() << warning;
        return false;
    }
    return true;
}

void StreamMediaManager::startPullMainStreamHandle(const StreamMediaMessage &message)
{
    if (m_isLect || message.getFromUserId().isEmpty() || message.getStreamId().isEmpty()) {
        qWarning() << "StartPullMainStream ";
        return;
    }
    m_lectMainStreamId = message.getStreamId();
    if (onWebrtcStage())
        leaveWebrtcStage();
    if (m_pullMainStreamFlag)
        return;
    m_pullMainStreamFlag = true;
    m_pullMainStreamStart = true;
    m_pullMainUserId = message.getFromUserId();
    startPullStream(message.getFromUserId(), message.getStreamId());
}

void StreamMediaManager::stopPullMainStreamHandle(const StreamMediaMessage &message)
{
    if (m_isLect) {
        qWarning() << "StopPullMainStream ";
        return;
    }
    if (onWebrtcStage()) {
        if (!stopPushWebrtcStreamStu()) {
            m_pushStreamCmdListener = false;
            if (!m_pullMainUserId.isEmpty())
                stopPullMainStream(QString());
        }
        emit pullStreamResultOut(true, false, QString(), QString());
        return;
    }
    if (message.getFromUserId() == m_pullMainUserId) {
        stopPullMainStream(QString());
        stopPullSubStream(QString());
    }
}

void StreamMediaManager::requestPushStreamIdHandle(const StreamMediaMessage &message)
{
    if (!isListenerRequest(message, "RequestPushStreamId "))
        return;
    if (message.getToUserId() != m_userId) {
        insertPullUserIdSet(message.getToUserId());
        return;
    }
    if (startPushStreamStu())
        return;
    sendClassWide(StreamMediaMessage::ResponsePushStreamFail, QString(), QString(), 1);
    if (!stopPushStreamListener())
        m_pushStreamCmdListener = false;
}

void StreamMediaManager::requestStopPushStreamHandle(const StreamMediaMessage &message)
{
    if (!isListenerRequest(message, "RequestStopPushStream "))
        return;
    const QString toUserId = message.getToUserId();
    if (toUserId != m_userId) {
        deletePullUserIdSet(toUserId);
        if (m_pullSubStreamStart)
            emit stopPullStreamOut(toUserId);
        return;
    }
    if (!stopPushStreamListener())
        m_pushStreamCmdListener = false;
}

void StreamMediaManager::responsePushStreamFailHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (fromUserId.isEmpty()) {
        qWarning() << "ResponsePushStreamFail ";
        return;
    }
    if (!m_isLect) {
        deletePullUserIdSet(fromUserId);
        return;
    }
    if (fromUserId != m_currentPullUserId) {
        qWarning() << "the fromUserId != currentPullUserId error! fromUserId:" << fromUserId
                   << "currentPullUserId:" << m_currentPullUserId;
        return;
    }
    switch (message.getErrorType()) {
    case 0:
        stopPullStuStream(QStringLiteral("上讲台失败"));
        break;
    case 1:
        stopPullStuStream(QStringLiteral("设备繁忙"));
        break;
    default:
        qWarning() << "the errorType unknown error! errorType:" << message.getErrorType();
        break;
    }
}

void StreamMediaManager::startPullSubStreamHandle(const StreamMediaMessage &message)
{
    if (message.getFromUserId().isEmpty() || message.getStreamId().isEmpty()) {
        qWarning() << "StartPullSubStream ";
        return;
    }
    if (!m_isLect) {
        listenerStartPullSubStream(message);
        return;
    }
    const QString fromUserId = message.getFromUserId();
    if (fromUserId == m_currentPullUserId && m_pullStreamCmdFlag && !m_pullListStreamStart) {
        m_currentPullStreamId = message.getStreamId();
        m_pullListStreamStart = true;
        startPullStream(fromUserId, message.getStreamId());
        return;
    }
    qWarning() << "fromUserId:" << fromUserId << "currentPullUserId:" << m_currentPullUserId
               << "pullStreamCmdFlag:" << m_pullStreamCmdFlag << "pullListStreamStart:" << m_pullListStreamStart;
}

void StreamMediaManager::listenerStartPullSubStream(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (verifyPullUserIdSet(fromUserId) && !m_pullSubStreamFlag) {
        m_pullSubStreamFlag = true;
        m_pullSubStreamStart = true;
        m_pullSubUserId = fromUserId;
        startPullStream(fromUserId, message.getStreamId());
        return;
    }
    qWarning() << "fromUserId:" << fromUserId << "pullSubStreamFlag:" << m_pullSubStreamFlag;
}

void StreamMediaManager::stopPullSubStreamHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (fromUserId.isEmpty()) {
        qWarning() << "StopPullSubStream ";
        return;
    }
    if (m_isLect) {
        if (fromUserId != m_currentPullUserId) {
            qWarning() << "fromUserId:" << fromUserId << "currentPullUserId:" << m_currentPullUserId;
            return;
        }
        if (m_pullListStreamStart)
            emit stopPullStreamOut(fromUserId);
        return;
    }
    if (!verifyPullUserIdSet(fromUserId)) {
        qWarning() << "fromUserId" << fromUserId;
        return;
    }
    deletePullUserIdSet(fromUserId);
    // The classmate's push has ended: so has its sub pull, and the next one may start.
    if (fromUserId == m_pullSubUserId)
        stopPullSubStream(QString());
}

void StreamMediaManager::requestPushWebRtcStreamHandle(const StreamMediaMessage &message)
{
    if (!isListenerRequest(message, "RequestPushStreamId "))
        return;
    if (message.getToUserId() != m_userId)
        return;
    m_lectUserId = message.getFromUserId();
    if (startPushWebrtcStreamStu(message.getStreamId()))
        return;
    qWarning() << "ResponsePushWebRtcStreamFail";
    sendPersonal(m_lectUserId, StreamMediaMessage::ResponsePushWebRtcStreamFail, m_userId, QString(), QString(), 1);
    m_pushStreamCmdListener = false;
}

void StreamMediaManager::responsePushWebRtcStreamFailHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (fromUserId.isEmpty()) {
        qWarning() << "smm.getFromUserId is empty ";
        return;
    }
    if (!m_isLect || !verifyInteractUserIdSet(fromUserId)) {
        qWarning() << "the fromUserId is invalid error! fromUserId:" << fromUserId;
        return;
    }
    switch (message.getErrorType()) {
    case 0:
        interactReqResultNotify(false, QStringLiteral("上讲台失败"), fromUserId);
        break;
    case 1:
        interactReqResultNotify(false, QStringLiteral("设备繁忙"), fromUserId);
        break;
    default:
        qWarning() << "the errorType unknown error! errorType:" << message.getErrorType();
        break;
    }
}

void StreamMediaManager::requestStopPushWebrtcStreamHandle(const StreamMediaMessage &message)
{
    if (!isListenerRequest(message, "RequestStopPushWebrtcStream "))
        return;
    if (!m_pullMainStreamFlag && m_pushingStreamSucc) {
        // The push ends once the lecturer's stream plays again (see the pull result).
        m_pullMainStreamFlag = true;
        m_pullMainStreamStart = true;
        m_pullMainUserId = message.getFromUserId();
        startPullStream(message.getFromUserId(), m_lectMainStreamId);
        return;
    }
    if (!stopPushWebrtcStreamStu()) {
        m_pushStreamCmdListener = false;
        qWarning() << "the stopPushWebrtcStreamStu fail error! ";
    }
}

void StreamMediaManager::responsePushWebRtcStreamSuccHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (fromUserId.isEmpty() || message.getStreamId().isEmpty()) {
        qWarning() << "StartPullSubStream ";
        return;
    }
    if (!m_isLect) {
        listenerStartPullSubStream(message);
        return;
    }
    if (verifyInteractUserIdSet(fromUserId)) {
        interactReqResultNotify(true, QStringLiteral("学生上讲台成功"), fromUserId);
        return;
    }
    qWarning() << "fromUserId:" << fromUserId << "currentPullUserId:" << m_currentPullUserId
               << "pullStreamCmdFlag:" << m_pullStreamCmdFlag << "pullListStreamStart:" << m_pullListStreamStart;
}

void StreamMediaManager::interactReqResultNotify(bool result, const QString &msg, const QString &fromUserId)
{
    qInfo() << "result:" << result << "msg:" << msg << "fromUserId:" << fromUserId;
    emit interactReqResultOut(result, fromUserId, msg);
    if (!result)
        delInteractUserId(fromUserId);
}

// The lecturer's clicks.

bool StreamMediaManager::clickTooSoon(QString &text)
{
    if (m_clickTimer.elapsed() < m_clickInterval) {
        text = QStringLiteral("点击频繁,请稍后");
        return true;
    }
    m_clickTimer.restart();
    return false;
}

StreamMediaManager::UserListCtrlType StreamMediaManager::sendStudentRequest(const QString &userId, QString &text)
{
    if (clickTooSoon(text))
        return ClickedTooOften;
    if (!m_pullStreamCmdFlag) {
        if (!requestPushSubStream(userId)) {
            text = QStringLiteral("请先点击上课");
            return PushNotRunning;
        }
        text = QStringLiteral("正在上讲台");
        return SubStreamRequested;
    }
    if (userId != m_currentPullUserId) {
        text = QStringLiteral("不能多人同时上讲台");
        return StageRefused;
    }
    requestStopSubStream(userId);
    return SubStreamStopped;
}

bool StreamMediaManager::requestPushSubStream(const QString &userId)
{
    if (!m_pushingStreamSucc) {
        qWarning() << "the pushingStreamSucc == false, uid:" << userId;
        return false;
    }
    m_pullStreamCmdFlag = true;
    m_currentPullUserId = userId;
    sendClassWide(StreamMediaMessage::RequestPushStreamId, userId);
    return true;
}

bool StreamMediaManager::requestStopSubStream(const QString &userId)
{
    if (!m_pullStreamCmdFlag || userId != m_currentPullUserId) {
        qWarning() << "the pullStreamCmdFlag == false or uid != currentPullUserId error! ";
        return false;
    }
    m_pullStreamCmdFlag = false;
    if (m_pullListStreamStart)
        emit stopPullStreamOut(m_currentPullUserId);
    m_pullListStreamStart = false;
    sendClassWide(StreamMediaMessage::RequestStopPushStream, userId);
    m_currentPullUserId.clear();
    return true;
}

StreamMediaManager::UserListCtrlType StreamMediaManager::sendStuReqInteract(QString userId, QString &text)
{
    qInfo() << "sid:" << userId << "size:" << m_interactUserIdSet.size();
    if (clickTooSoon(text))
        return ClickedTooOften;
    if (verifyInteractUserIdSet(userId)) {
        if (requestStopInteraction(userId))
            delInteractUserId(userId);
        else
            qWarning() << "the interaction stop fail error! sid:" << userId;
        return InteractStopped;
    }
    if (m_interactUserIdSet.size() >= maxInteractUsers) {
        text = QStringLiteral("不能多于4个人同时上讲台");
        return StageRefused;
    }
    if (!requestStartInteraction(userId)) {
        text = QStringLiteral("请先点击上课");
        return PushNotRunning;
    }
    insertInteractUserId(userId);
    text = QStringLiteral("学生正在上讲台");
    return InteractRequested;
}

bool StreamMediaManager::requestStartInteraction(const QString &userId)
{
    if (!m_pushingStreamSucc) {
        qWarning() << "the pushingStreamSucc == false";
        return false;
    }
    sendPersonal(userId, StreamMediaMessage::RequestPushWebRtcStream, m_userId, userId, m_pushStreamId);
    return true;
}

bool StreamMediaManager::requestStopInteraction(const QString &userId)
{
    if (!m_pushingStreamSucc) {
        qWarning() << "the pushingStreamSucc == false";
        return false;
    }
    sendPersonal(userId, StreamMediaMessage::RequestStopPushWebrtcStream, m_userId, userId);
    return true;
}

void StreamMediaManager::sendLateState(const QString &userId) const
{
    if (!m_pushingStreamSucc)
        return;
    sendPersonal(userId, StreamMediaMessage::StartPullMainStream, m_userId, QString(), m_pushStreamId);
    if (!m_pullListStreamStart)
        return;
    sendPersonal(userId, StreamMediaMessage::RequestPushStreamId, m_userId, m_currentPullUserId);
    sendPersonal(userId, StreamMediaMessage::StartPullSubStream, m_currentPullUserId, QString(), m_currentPullStreamId);
}
