#include "vrek/media/control/lstreammediamanager.h"

#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/control/streamcontrol.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

LStreamMediaManager::LStreamMediaManager(const QString &userId, const GlobalEnum::GroupType classType, QObject *parent)
    : QObject(parent)
    , PushStreamSettings("LStreamMediaManager::")
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(userId)
    , m_classType(classType)
{
    qInfo() << "isLect:" << m_isLect << "ct:" << int(classType) << "parent:" << parent;
    m_clickTimer.start();
    initial();
    userRoleInit();
    m_pushStreamMode = PushModeNone;
    m_pullStreamMode = PullModeNone;
    m_pushStreamState = PushStreamIdle;
    m_pullStreamState = PullStreamIdle;
    m_streamChangeType = ChangeNone;
    m_ensureStopPushWebrtcStream = false;
    m_ensureStopPullStream = false;
}

LStreamMediaManager::~LStreamMediaManager()
{
    qInfo() << "LStreamMediaManager::~LStreamMediaManager ";
    StreamControl::releaseWebRtcEngine(
        this, m_webRtcStreamEngine, m_pushStreamState == PushStreamStarting || m_pushStreamState == PushStreamRunning);
    StreamControl::releasePullEngineFactory(this, m_pullEngineFactory);
}

void LStreamMediaManager::initial()
{
    deviceNameInitial();
    ffmpegInitial();
}

void LStreamMediaManager::deviceNameInitial()
{
    setPushVideoSize(m_isLect ? QSize(320, 240) : QSize(160, 120));
}

void LStreamMediaManager::ffmpegInitial()
{
    StreamControl::initialMediaLibraries();
    qRegisterMetaType<PullStreamEngine::PullStreamType>("PullStreamEngine::PullStreamType");
    qRegisterMetaType<LStreamMediaManager::InteractResult>("LStreamMediaManager::InteractResult");
    if (g_classType != GlobalEnum::Group5) {
        m_interactUserIdSet.clear();
        m_webRtcStreamEngine = new WebRtcStreamEngine();
        m_webRtcStreamEngine->onSetUserId(m_userId);
        connect(this, &LStreamMediaManager::startPushWebrtcStreamOut, m_webRtcStreamEngine,
            &WebRtcStreamEngine::onStartPushStream);
        connect(this, &LStreamMediaManager::stopPushWebrtcStreamOut, m_webRtcStreamEngine,
            &WebRtcStreamEngine::onStopPushStream);
        connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendRemoteStream, this,
            &LStreamMediaManager::slotSendRemoteStream);
        connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendStartPushStreamResult, this,
            &LStreamMediaManager::slotPushWebrtcStreamResult);
        connect(m_webRtcStreamEngine, &WebRtcStreamEngine::sendStopPushStreamResult, this,
            &LStreamMediaManager::slotPushWebrtcStreamExit);
    }
    m_pullEngineFactory = new PullEngineFactory();
    connect(
        m_pullEngineFactory, &PullEngineFactory::pullStreamResultOut, this, &LStreamMediaManager::slotPullStreamResult);
    connect(m_pullEngineFactory, &PullEngineFactory::showVideoImageOut, this, &LStreamMediaManager::showVideoImageIn);
    connect(this, &LStreamMediaManager::startPullStreamOut, m_pullEngineFactory, &PullEngineFactory::startPullStreamIn);
    connect(this, &LStreamMediaManager::stopPullStreamOut, m_pullEngineFactory, &PullEngineFactory::stopPullStreamIn);
}

void LStreamMediaManager::userRoleInit()
{
    switch (g_userType) {
    case GlobalEnum::User0:
        m_userIdentity = TeacherIdentity;
        break;
    case GlobalEnum::User1:
        m_userIdentity = StudentIdentity;
        break;
    case GlobalEnum::User5:
        m_userIdentity = ParentIdentity;
        break;
    default:
        m_userIdentity = NoIdentity;
        break;
    }
    m_my.online = 1;
    m_my.userId = g_userId;
    m_my.userName = g_userName;
    m_my.serverId = g_accountId;
    m_my.streamId = PushStreamManager::makePushStreamId(g_userId);
    g_pushStreamId = m_my.streamId;
    m_teacher = MediaUser();
    m_child = MediaUser();
    m_parent = MediaUser();
    // A parent signs in with the child's account.
    if (m_userIdentity == ParentIdentity)
        m_child.userId = m_my.userId;
    qInfo() << "userIdentity:" << m_userIdentity << "userId:" << m_my.userId << "serverId:" << m_my.serverId
            << "streamId:" << m_my.streamId;
}

void LStreamMediaManager::logStates() const
{
    qInfo() << "pushStreamState:" << m_pushStreamState << "pushStreamMode:" << m_pushStreamMode
            << "pullStreamState:" << m_pullStreamState << "pullStreamMode:" << m_pullStreamMode
            << "streamChangeType:" << m_streamChangeType << "ensureStopPush:" << m_ensureStopPushWebrtcStream
            << "ensureStopPull:" << m_ensureStopPullStream;
}

void LStreamMediaManager::sendPersonal(const QString &targetId, quint32 type, const QString &fromUserId,
    const QString &toUserId, const QString &streamId, quint32 errorType) const
{
    StreamControl::sendPersonal(targetId, StreamControl::message(type, fromUserId, toUserId, streamId, errorType));
}

void LStreamMediaManager::sendMediaManagerInfo(int kind)
{
    m_info.setKind(kind);
    qInfo() << "kind:" << kind << "errorCode:" << m_info.getErrorCode();
    emit signalMediaManagerInfo(m_info);
}

void LStreamMediaManager::sendWatchingFailed(int errorCode)
{
    m_info.setErrorCode(errorCode);
    sendMediaManagerInfo(MediaManagerInfo::WatchingFailed);
}

// Push and pull primitives.

bool LStreamMediaManager::startPushMode(const QString &roomId, PushStreamMode mode)
{
    logStates();
    if (m_pushStreamState != PushStreamIdle)
        return false;
    m_pushStreamMode = mode;
    return startPushWebrtcStream(roomId);
}

bool LStreamMediaManager::startPushWebrtcStream(const QString &roomId)
{
    qInfo() << "roomId:" << roomId;
    if (m_pushStreamState != PushStreamIdle || !m_webRtcStreamEngine)
        return false;
    m_pushStreamState = PushStreamStarting;
    emit startPushWebrtcStreamOut(WebRtcStreamEngine::PullBothStream, pushCameraName(), pushMicrophoneName(),
        pushVideoSize(), roomId, m_userIdentity == TeacherIdentity, m_my.userName);
    return true;
}

bool LStreamMediaManager::stopPushMode(PushStreamMode mode)
{
    logStates();
    if (m_pushStreamMode != mode)
        return false;
    return stopPushWebrtcStream();
}

bool LStreamMediaManager::stopPushWebrtcStream()
{
    switch (m_pushStreamState) {
    case PushStreamIdle:
        return false;
    case PushStreamStarting:
    case PushStreamStopping:
        m_ensureStopPushWebrtcStream = true;
        return true;
    case PushStreamRunning:
        m_pushStreamState = PushStreamStopping;
        emit stopPushWebrtcStreamOut();
        return true;
    }
    return false;
}

bool LStreamMediaManager::startPullMode(const QString &userId, const QString &streamId, PullStreamMode mode)
{
    logStates();
    if (m_pullStreamState != PullStreamIdle)
        return false;
    m_pullStreamMode = mode;
    return startPullStream(userId, streamId);
}

bool LStreamMediaManager::startPullStream(const QString &userId, const QString &streamId)
{
    const QString url = StreamControl::pullStreamUrl(streamId);
    qInfo() << "uid:" << userId << "url:" << url;
    m_pullUserId = userId;
    m_pullStreamState = PullStreamStarting;
    emit startPullStreamOut(userId, PullStreamEngine::PullAudioRequired, url, true);
    return true;
}

bool LStreamMediaManager::stopPullMode(PullStreamMode mode)
{
    logStates();
    if (m_pullStreamMode != mode)
        return false;
    return stopPullStream();
}

bool LStreamMediaManager::stopPullStream()
{
    switch (m_pullStreamState) {
    case PullStreamIdle:
        return false;
    case PullStreamStarting:
    case PullStreamStopping:
        m_ensureStopPullStream = true;
        return true;
    case PullStreamRunning:
        m_pullStreamState = PullStreamStopping;
        emit stopPullStreamOut(m_pullUserId);
        return true;
    }
    return false;
}

bool LStreamMediaManager::stopAllStream()
{
    const bool pushStopped = stopPushWebrtcStream();
    stopPullStream();
    return pushStopped;
}

// Engine reports.

void LStreamMediaManager::slotPushWebrtcStreamResult(bool ok, QString msg)
{
    qInfo() << "result:" << ok << "msg:" << msg;
    logStates();
    if (!ok)
        m_ensureStopPushWebrtcStream = false;
    m_pushStreamState = ok ? PushStreamRunning : PushStreamIdle;
    if (m_ensureStopPushWebrtcStream) {
        stopPushWebrtcStream();
        return;
    }
    if (m_userIdentity == TeacherIdentity)
        teacherPushResult(ok);
    else
        studentPushResult(ok);
}

void LStreamMediaManager::slotPushWebrtcStreamExit(bool result, QString msg)
{
    qInfo() << "result:" << result << "msg:" << msg;
    logStates();
    m_ensureStopPushWebrtcStream = false;
    m_pushStreamState = PushStreamIdle;
    if (m_userIdentity == TeacherIdentity) {
        sendMediaManagerInfo(MediaManagerInfo::ClassEnded);
        return;
    }
    if (m_pushStreamMode == PushModeMonitor && m_streamChangeType == ChangeMonitorToStage) {
        m_streamChangeType = ChangeStopTeacherPull;
        startPushMode(m_teacher.streamId, PushModeClass);
    }
}

void LStreamMediaManager::slotPullStreamResult(bool ok, QString uid, QString msg)
{
    qInfo() << "result:" << ok << "uid:" << uid << "msg:" << msg;
    logStates();
    if (m_pullStreamState == PullStreamStarting) {
        if (!ok)
            m_ensureStopPullStream = false;
        m_pullStreamState = ok ? PullStreamRunning : PullStreamIdle;
        if (m_ensureStopPullStream) {
            stopPullStream();
            return;
        }
        if (m_userIdentity == StudentIdentity) {
            if (uid == m_teacher.userId)
                sendMediaManagerInfo(ok ? MediaManagerInfo::ClassRuns : MediaManagerInfo::ClassFailed);
        } else if (m_userIdentity == ParentIdentity) {
            parentPullResult(ok, uid);
        }
        return;
    }
    // A pull that fails while it runs has ended by itself (the stream went away): the next start is taken.
    const bool endedByItself = m_pullStreamState == PullStreamRunning && !ok && uid == m_pullUserId;
    if (m_pullStreamState == PullStreamStopping || endedByItself) {
        m_ensureStopPullStream = false;
        m_pullStreamState = PullStreamIdle;
        if (m_userIdentity == ParentIdentity)
            parentPullEnd();
    }
}

void LStreamMediaManager::teacherPushResult(bool ok)
{
    if (!ok) {
        sendMediaManagerInfo(MediaManagerInfo::ClassFailed);
        return;
    }
    StreamControl::sendClassWide(
        StreamControl::message(StreamMediaMessage::StartPullMainStream, m_my.userId, QString(), m_my.streamId));
    sendSocketClassBegin();
    sendMediaManagerInfo(MediaManagerInfo::ClassRuns);
}

void LStreamMediaManager::sendSocketClassBegin()
{
    StreamControl::announceClass(m_classType, m_my.streamId);
}

void LStreamMediaManager::studentPushResult(bool ok)
{
    if (m_pushStreamMode == PushModeClass) {
        if (!ok) {
            sendPersonal(m_teacher.userId, StreamMediaMessage::ResponsePushWebRtcStreamFail, m_my.userId, QString(),
                m_my.streamId, 0);
            return;
        }
        sendPersonal(
            m_teacher.userId, StreamMediaMessage::ResponsePushWebRtcStreamSucc, m_my.userId, QString(), m_my.streamId);
        if (m_streamChangeType == ChangeStopTeacherPull) {
            m_streamChangeType = ChangeNone;
            stopPullMode(PullModeTeacher);
        }
        return;
    }
    if (m_pushStreamMode == PushModeMonitor) {
        if (ok)
            sendPersonal(
                m_parent.serverId, StreamMediaMessage::ResponseMonitorSuccess, m_my.userId, QString(), m_my.streamId);
        else
            sendPersonal(
                m_parent.serverId, StreamMediaMessage::ResponseMonitorFail, m_my.userId, QString(), m_my.streamId, 1);
    }
}

void LStreamMediaManager::parentPullResult(bool ok, const QString &uid)
{
    if (uid == m_child.userId) {
        if (ok) {
            sendMediaManagerInfo(MediaManagerInfo::WatchingChild);
            return;
        }
        sendPersonal(m_child.userId, StreamMediaMessage::RequestStopMonitor, m_my.userId, m_child.userId);
        sendMediaManagerInfo(MediaManagerInfo::WatchingFailed);
        return;
    }
    if (uid == m_teacher.userId)
        sendMediaManagerInfo(ok ? MediaManagerInfo::ClassRuns : MediaManagerInfo::ClassFailed);
}

void LStreamMediaManager::parentPullEnd()
{
    if (m_pullStreamMode == PullModeTeacher && m_streamChangeType == ChangeTeacherToChild) {
        m_streamChangeType = ChangeNone;
        startPullMode(m_child.userId, m_child.streamId, PullModeChild);
    } else if (m_pullStreamMode == PullModeChild && m_streamChangeType == ChangeChildToTeacher) {
        m_streamChangeType = ChangeNone;
        startPullMode(m_teacher.userId, m_teacher.streamId, PullModeTeacher);
    }
}

void LStreamMediaManager::showVideoImageIn(QString userId, QImage image)
{
    Q_UNUSED(userId)
    emit sendRemoteStream(image);
}

void LStreamMediaManager::slotSendRemoteStream(QImage frame)
{
    if (m_pushStreamMode == PushModeClass)
        emit sendRemoteStream(frame);
}

// Commands from the classroom.

void LStreamMediaManager::readSocketMessageIn(StreamMediaMessage message)
{
    qInfo() << "LStreamMediaManager::readSocketMessageIn " << message.getSmmType()
            << "fromUserId:" << message.getFromUserId() << "toUserId:" << message.getToUserId()
            << "streamId:" << message.getStreamId();
    switch (message.getSmmType()) {
    case StreamMediaMessage::StartPullMainStream:
        startPullMainStreamHandle(message);
        break;
    case StreamMediaMessage::StopPullMainStream:
        stopPullMainStreamHandle(message);
        break;
    case StreamMediaMessage::RequestPushWebRtcStream:
        requestPushWebRtcStreamHandle(message);
        break;
    case StreamMediaMessage::ResponsePushWebRtcStreamFail:
        responsePushWebRtcStreamFailHandle(message);
        break;
    case StreamMediaMessage::RequestStopPushWebrtcStream:
        requestStopPushWebRtcStreamHandle(message);
        break;
    case StreamMediaMessage::ResponsePushWebRtcStreamSucc:
        responsePushWebRtcStreamSuccHandle(message);
        break;
    case StreamMediaMessage::RequestStartMonitor:
        requestStartMonitorHandle(message);
        break;
    case StreamMediaMessage::RequestStopMonitor:
        requestStopMonitorHandle(message);
        break;
    case StreamMediaMessage::ResponseMonitorSuccess:
        responseMonitorSuccessHandle(message);
        break;
    case StreamMediaMessage::ResponseMonitorFail:
        responseMonitorFailHandle(message);
        break;
    default:
        break;
    }
}

void LStreamMediaManager::startPullMainStreamHandle(const StreamMediaMessage &message)
{
    m_teacher.online = 1;
    m_teacher.userId = message.getFromUserId();
    m_teacher.streamId = message.getStreamId();
    startPullMode(m_teacher.userId, m_teacher.streamId, PullModeTeacher);
}

void LStreamMediaManager::stopPullMainStreamHandle(const StreamMediaMessage &message)
{
    Q_UNUSED(message)
    sendMediaManagerInfo(MediaManagerInfo::ClassEnded);
    m_teacher.online = 0;
    stopAllStream();
}

void LStreamMediaManager::requestPushWebRtcStreamHandle(const StreamMediaMessage &message)
{
    Q_UNUSED(message)
    switch (m_pushStreamState) {
    case PushStreamIdle:
        m_streamChangeType = ChangeStopTeacherPull;
        if (!startPushMode(m_teacher.streamId, PushModeClass)) {
            // No room to push into (no WebRTC engine): the teacher learns it at once.
            m_streamChangeType = ChangeNone;
            sendPersonal(m_teacher.userId, StreamMediaMessage::ResponsePushWebRtcStreamFail, m_my.userId, QString(),
                QString(), 1);
        }
        break;
    case PushStreamStarting:
    case PushStreamStopping:
        sendPersonal(
            m_teacher.userId, StreamMediaMessage::ResponsePushWebRtcStreamFail, m_my.userId, QString(), QString(), 1);
        break;
    case PushStreamRunning:
        if (m_pushStreamMode == PushModeMonitor) {
            sendPersonal(
                m_parent.serverId, StreamMediaMessage::ResponseMonitorFail, m_my.userId, QString(), QString(), 4);
            m_streamChangeType = ChangeMonitorToStage;
            stopPushMode(PushModeMonitor);
        }
        break;
    }
}

void LStreamMediaManager::responsePushWebRtcStreamFailHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (m_userIdentity != TeacherIdentity || !m_interactUserIdSet.contains(fromUserId))
        return;
    m_interactUserIdSet.remove(fromUserId);
    sendInteractResult(fromUserId, message.getErrorType() == 1 ? InteractDeviceBusy : InteractPushFailed);
}

void LStreamMediaManager::requestStopPushWebRtcStreamHandle(const StreamMediaMessage &message)
{
    Q_UNUSED(message)
    stopPushMode(PushModeClass);
    startPullMode(m_teacher.userId, m_teacher.streamId, PullModeTeacher);
}

void LStreamMediaManager::responsePushWebRtcStreamSuccHandle(const StreamMediaMessage &message)
{
    const QString fromUserId = message.getFromUserId();
    if (m_userIdentity == TeacherIdentity && m_interactUserIdSet.contains(fromUserId))
        sendInteractResult(fromUserId, InteractOnStage);
}

void LStreamMediaManager::requestStartMonitorHandle(const StreamMediaMessage &message)
{
    m_parent.serverId = message.getFromUserId();
    if (startPushMode(m_my.streamId, PushModeMonitor))
        return;
    if (m_pushStreamState == PushStreamStarting || m_pushStreamState == PushStreamStopping || !m_webRtcStreamEngine)
        sendPersonal(m_parent.serverId, StreamMediaMessage::ResponseMonitorFail, m_my.userId, QString(), QString(), 3);
    else if (m_pushStreamMode == PushModeClass)
        sendPersonal(m_parent.serverId, StreamMediaMessage::ResponseMonitorFail, m_my.userId, QString(), QString(), 2);
}

void LStreamMediaManager::requestStopMonitorHandle(const StreamMediaMessage &message)
{
    Q_UNUSED(message)
    stopPushMode(PushModeMonitor);
}

void LStreamMediaManager::responseMonitorSuccessHandle(const StreamMediaMessage &message)
{
    m_child.userId = message.getFromUserId();
    m_child.streamId = message.getStreamId();
    if (startPullMode(m_child.userId, m_child.streamId, PullModeChild))
        return;
    if (m_pullStreamMode == PullModeTeacher) {
        m_streamChangeType = ChangeTeacherToChild;
        stopPullMode(PullModeTeacher);
        return;
    }
    sendPersonal(m_child.userId, StreamMediaMessage::RequestStopMonitor, m_my.userId, m_child.userId);
}

void LStreamMediaManager::responseMonitorFailHandle(const StreamMediaMessage &message)
{
    const quint32 errorType = message.getErrorType();
    qInfo() << "errorType:" << errorType;
    if (errorType == 4) {
        m_streamChangeType = ChangeChildToTeacher;
        stopPullMode(PullModeChild);
    }
    int code = MediaManagerInfo::WatchOther;
    switch (errorType) {
    case 2:
        code = MediaManagerInfo::ChildInTeacherRoom;
        break;
    case 3:
        code = MediaManagerInfo::ChildDeviceBusy;
        break;
    case 4:
        code = MediaManagerInfo::ChildWentToTeacher;
        break;
    case 5:
        code = MediaManagerInfo::ChildNoPermission;
        break;
    default:
        break;
    }
    sendWatchingFailed(code);
}

// The teacher.

void LStreamMediaManager::requestInteract(const QString &uid)
{
    if (m_clickTimer.elapsed() < m_clickInterval) {
        sendInteractResult(uid, InteractClickedTooOften);
        return;
    }
    m_clickTimer.restart();
    if (m_pushStreamState != PushStreamRunning) {
        sendInteractResult(uid, InteractClassNotStarted);
        return;
    }
    if (m_interactUserIdSet.contains(uid)) {
        requestStopInteraction(uid);
        return;
    }
    if (m_interactUserIdSet.size() < maxInteractUsers) {
        requestStartInteraction(uid);
        return;
    }
    sendInteractResult(uid, InteractStageFull);
}

void LStreamMediaManager::requestStartInteraction(const QString &uid)
{
    sendInteractResult(uid, InteractRequestSent);
    m_interactUserIdSet.insert(uid);
    sendPersonal(uid, StreamMediaMessage::RequestPushWebRtcStream, m_my.userId, uid, m_my.streamId);
}

void LStreamMediaManager::requestStopInteraction(const QString &uid)
{
    sendInteractResult(uid, InteractStopped);
    m_interactUserIdSet.remove(uid);
    sendPersonal(uid, StreamMediaMessage::RequestStopPushWebrtcStream, m_my.userId, uid);
}

void LStreamMediaManager::sendInteractResult(const QString &uid, InteractResult result)
{
    qInfo() << "uid:" << uid << "result:" << result;
    emit signalInteractRequestResult(uid, result);
}

void LStreamMediaManager::resetInteractUserIdSet()
{
    const QSet<QString> users = m_interactUserIdSet;
    for (const QString &uid : users)
        sendInteractResult(uid, InteractStopped);
    m_interactUserIdSet.clear();
}

void LStreamMediaManager::startClass()
{
    if (startPushMode(m_my.streamId, PushModeClass))
        return;
    m_info.setValue(0);
    sendMediaManagerInfo(MediaManagerInfo::ClassFailed);
}

void LStreamMediaManager::stopClass()
{
    if (m_pushStreamState == PushStreamRunning) {
        StreamControl::sendClassWide(StreamControl::message(StreamMediaMessage::StopPullMainStream, m_my.userId));
        if (g_socketClientManager)
            g_socketClientManager->sendEndClass(m_my.streamId);
        resetInteractUserIdSet();
    }
    stopPushMode(PushModeClass);
}

bool LStreamMediaManager::slotClientClose()
{
    if (m_userIdentity == TeacherIdentity && m_pushStreamState == PushStreamRunning) {
        StreamControl::sendClassWide(StreamControl::message(StreamMediaMessage::StopPullMainStream, m_my.userId));
        if (g_socketClientManager)
            g_socketClientManager->sendEndClass(m_my.streamId);
    }
    return stopAllStream();
}

void LStreamMediaManager::slotClientOffline()
{
    stopAllStream();
}

void LStreamMediaManager::sendLateState(const QString &uid) const
{
    if (m_pushStreamState != PushStreamRunning)
        return;
    sendPersonal(uid, StreamMediaMessage::StartPullMainStream, m_my.userId, QString(), m_my.streamId);
}

// The parent.

void LStreamMediaManager::startMonitor()
{
    qInfo() << "child.userId:" << m_child.userId;
    if (!m_teacher.online) {
        sendWatchingFailed(MediaManagerInfo::ClassNotStarted);
        return;
    }
    if (m_child.online) {
        sendPersonal(m_child.userId, StreamMediaMessage::RequestStartMonitor, m_my.serverId, m_child.userId);
        return;
    }
    sendWatchingFailed(MediaManagerInfo::ChildOffline);
}

void LStreamMediaManager::stopMonitor()
{
    if (m_pullStreamState != PullStreamRunning && m_pullStreamMode == PullModeChild)
        return;
    sendPersonal(m_child.userId, StreamMediaMessage::RequestStopMonitor, m_my.userId, m_child.userId);
    m_streamChangeType = ChangeChildToTeacher;
    stopPullMode(PullModeChild);
}

// Presence.

void LStreamMediaManager::slotUserOnline(QString uid)
{
    if (m_userIdentity == ParentIdentity && uid == m_child.userId)
        m_child.online = 1;
}

void LStreamMediaManager::slotUserOffline(QString uid)
{
    switch (m_userIdentity) {
    case TeacherIdentity:
        if (m_interactUserIdSet.contains(uid)) {
            if (m_webRtcStreamEngine)
                m_webRtcStreamEngine->toKickOneByUserId(uid);
            m_interactUserIdSet.remove(uid);
        }
        break;
    case StudentIdentity:
        if (uid == m_teacher.userId && m_teacher.online) {
            m_teacher.online = 0;
            sendMediaManagerInfo(MediaManagerInfo::ClassEnded);
            stopAllStream();
        }
        break;
    case ParentIdentity: {
        bool ended = false;
        if (uid == m_child.userId) {
            m_child.online = 0;
            ended = true;
        }
        if (uid == m_teacher.userId && m_teacher.online) {
            m_teacher.online = 0;
            ended = true;
        }
        if (ended) {
            sendMediaManagerInfo(MediaManagerInfo::ClassEnded);
            stopAllStream();
        }
        break;
    }
    default:
        break;
    }
}

void LStreamMediaManager::slotRelativeOnline(QString sid)
{
    qInfo() << "sid:" << sid;
}

void LStreamMediaManager::slotRelativeOffline(QString sid)
{
    qInfo() << "sid:" << sid;
    if (m_userIdentity == StudentIdentity && !sid.isEmpty() && sid == m_parent.serverId)
        stopPushMode(PushModeMonitor);
}

void LStreamMediaManager::slotUserAVClose(QString uid)
{
    if (m_userIdentity == TeacherIdentity)
        m_interactUserIdSet.remove(uid);
}
