#include "vrek/media/control/pushstreammanager.h"

#include "platform/capturedevice/captureinput.h"
#include "platform/capturedevice/capturedeviceresolver.h"
#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/control/streammediaforward.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/threadfactory.h"

#include <QDateTime>
#include <QDebug>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

PushStreamManager::PushStreamManager(const QString &userId, const GlobalEnum::GroupType groupType, QObject *parent)
    : QObject(parent)
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(userId)
    , m_groupType(groupType)
{
    qInfo() << "isLect:" << m_isLect << "parent:" << parent;
    initial();
    CaptureInput::registerDevices();
    avformat_network_init();
    av_log_set_level(AV_LOG_WARNING);
    AudioPlayer::sdlAudioInitial();
    pushInitial();
}

PushStreamManager::~PushStreamManager()
{
    qInfo() << "pushId:" << m_pushStreamId;
    if (!m_pushStreamEngine)
        return;
    m_pushStreamEngine->disconnect(this);
    // A push under way is stopped; the engine, released, goes with its thread once that push has ended.
    if (m_pushStreamCmdFlag || m_pushingStreamSucc || m_stopingPushStream)
        QMetaObject::invokeMethod(m_pushStreamEngine, "stopPushStreamIn", Qt::QueuedConnection);
    disconnect(m_pushStreamEngine);
    if (m_pushThreadId == ThreadFactory::noThreadId) {
        qWarning() << "removeReadThread error! pushId:" << m_pushStreamId;
        delete m_pushStreamEngine;
    } else {
        m_pushStreamEngine->releaseThread();
    }
    m_pushStreamEngine = nullptr;
}

QString PushStreamManager::makePushStreamId(const QString &userId)
{
    return userId + QDateTime::currentDateTime().toString("yyyyMMddHHmmss");
}

void PushStreamManager::initial()
{
    m_pushStreamCmdFlag = false;
    m_pushingStreamSucc = false;
    m_stopingPushStream = false;
    m_showPushVideo = false;
    m_request = false;
    m_refused = false;
    if (m_isLect) {
        m_pushWidth = 320;
        m_pushHeight = 240;
    } else {
        m_pushWidth = 160;
        m_pushHeight = 120;
    }
}

void PushStreamManager::pushInitial()
{
    qRegisterMetaType<PushStreamEngine::PushStreamType>("PushStreamEngine::PushStreamType");
    m_pushStreamId = makePushStreamId(g_userId);
    g_pushStreamId = m_pushStreamId;
    m_pushStreamUrl
        = QStringLiteral("rtmp://%1:%2/live/%3").arg(g_mediaHost, QString::number(g_mediaPort), m_pushStreamId);
    qInfo() << "pushStreamId:" << m_pushStreamId << "url:" << m_pushStreamUrl;

    m_pushStreamEngine = PushStreamEngine::createOnOwnThread(m_pushStreamUrl, m_pushThreadId);
    // Previews that this manager would drop are not made at all.
    m_pushStreamEngine->setPreviewWanted(m_showPushVideo);

    connect(m_pushStreamEngine, &PushStreamEngine::pushStreamResultOut, this, &PushStreamManager::pushStreamResultIn);
    connect(m_pushStreamEngine, &PushStreamEngine::pushStreamExitOut, this, &PushStreamManager::pushStreamExitIn);
    connect(m_pushStreamEngine, &PushStreamEngine::showVideoImageOut, this, &PushStreamManager::showVideoImageIn);
    connect(this, &PushStreamManager::startPushStreamOut, m_pushStreamEngine, &PushStreamEngine::startPushStreamIn);
    connect(this, &PushStreamManager::stopPushStreamOut, m_pushStreamEngine, &PushStreamEngine::stopPushStreamIn);
}

void PushStreamManager::setAudioDeviceName(const QString &name)
{
    qInfo() << "adn:" << name;
    m_audioDeviceName = name;
}

void PushStreamManager::setVideoDeviceName(const QString &name)
{
    qInfo() << "vdn:" << name;
    m_videoDeviceName = name;
}

void PushStreamManager::setPushVideoSize(const GlobalEnum::VideoQualityType vqt)
{
    QSize size;
    if (!pushVideoSizeOf(vqt, size)) {
        qWarning() << "the vqt type unknown error! vqt:" << int(vqt);
        return;
    }
    setPushVideoSize(size);
}

void PushStreamManager::setPushVideoSize(const QSize &size)
{
    m_pushWidth = size.width();
    m_pushHeight = size.height();
}

bool PushStreamManager::isPushingStream()
{
    return m_pushStreamCmdFlag || m_pushingStreamSucc || m_stopingPushStream;
}

void PushStreamManager::setRequestPushStream(bool flag)
{
    qInfo() << "flag: " << flag;
    m_request = flag;
}

void PushStreamManager::setShowPushVideo(bool flag)
{
    qInfo() << "flag:" << flag;
    m_showPushVideo = flag;
    if (m_pushStreamEngine)
        m_pushStreamEngine->setPreviewWanted(flag);
}

void PushStreamManager::logFlags() const
{
    qInfo() << "pushStreamCmdFlag:" << m_pushStreamCmdFlag << "pushingStreamSucc:" << m_pushingStreamSucc
            << "stopingPushStream:" << m_stopingPushStream;
}

bool PushStreamManager::startPushStream()
{
    logFlags();
    if (m_pushStreamCmdFlag || m_pushingStreamSucc || m_stopingPushStream)
        return false;
    m_pushStreamCmdFlag = true;
    const QString microphone = CaptureDeviceResolver::resolveMicrophoneName(m_audioDeviceName);
    const QString camera = CaptureDeviceResolver::resolveCameraName(m_videoDeviceName);
    qInfo() << "microphone:" << microphone << "camera:" << camera;
    emit startPushStreamOut(PushStreamEngine::PushAudioStreamMust, microphone, camera, pushVideoSize());
    return true;
}

bool PushStreamManager::stopPushStream()
{
    logFlags();
    if (m_pushStreamCmdFlag && m_pushingStreamSucc) {
        m_pushingStreamSucc = false;
        m_pushStreamCmdFlag = false;
        m_stopingPushStream = true;
        emit stopPushStreamOut();
        return true;
    }
    if (m_pushStreamCmdFlag && !m_stopingPushStream) {
        // The start is still under way: the engine calls it off and reports the end of the push, which
        // clears the flags. Dropping this stop would let the push go live after all.
        m_pushStreamCmdFlag = false;
        m_stopingPushStream = true;
        emit stopPushStreamOut();
        return true;
    }
    return false;
}

void PushStreamManager::stopEngine()
{
    m_pushingStreamSucc = false;
    m_stopingPushStream = true;
    emit stopPushStreamOut();
}

bool PushStreamManager::stopPushStreamLect()
{
    if (!stopPushStream())
        return false;
    sendStopNotice();
    if (g_socketClientManager)
        g_socketClientManager->sendEndClass(m_pushStreamId);
    return true;
}

bool PushStreamManager::stopPushStreamListener()
{
    return stopPushStream();
}

void PushStreamManager::initialLater()
{
    if (m_isLect) {
        qWarning() << "the lecturer starts pushing on his own";
        return;
    }
    startPushStream();
}

void PushStreamManager::pushStreamResultIn(bool result, QString msg)
{
    qInfo() << "result:" << result << "msg:" << msg << "groupType:" << int(m_groupType);
    if (result) {
        m_pushingStreamSucc = true;
        if (m_pushStreamCmdFlag) {
            if (m_isLect && g_socketClientManager) {
                switch (m_groupType) {
                case GlobalEnum::Group0:
                case GlobalEnum::Group1:
                case GlobalEnum::Group2:
                case GlobalEnum::Group4:
                case GlobalEnum::Group5:
                case GlobalEnum::Group6:
                case GlobalEnum::Group7:
                case GlobalEnum::Group8:
                    g_socketClientManager->sendStartClass(QString::number(int(m_groupType)), m_pushStreamId);
                    break;
                case GlobalEnum::Group3:
                    g_socketClientManager->sendClassRtmp(m_pushStreamId);
                    break;
                default:
                    qWarning() << "the groupType unknown error! groupType:" << int(m_groupType);
                    break;
                }
            }
            sendStartNotice(QString());
        } else if (m_stopingPushStream) {
            // A stop came during the start and is on its way to the engine already.
            m_pushingStreamSucc = false;
        } else {
            qWarning() << "pushingStreamSucc:" << m_pushingStreamSucc << "stopingPushStream:" << m_stopingPushStream;
            stopEngine();
        }
    } else {
        // A start called off by a stop is no failure of the devices.
        const bool calledOff = !m_pushStreamCmdFlag && m_stopingPushStream;
        if (!m_isLect && !calledOff)
            m_refused = true;
        if (!m_stopingPushStream) {
            m_stopingPushStream = true;
            sendStopNotice();
        }
    }
    emit pushStreamResultOut(false, result, msg);
}

void PushStreamManager::pushStreamExitIn()
{
    logFlags();
    if (!m_stopingPushStream)
        sendStopNotice();
    m_pushStreamCmdFlag = false;
    m_pushingStreamSucc = false;
    m_stopingPushStream = false;
    emit pushStreamResultOut(true, false, QString());
}

void PushStreamManager::showVideoImageIn(QImage frame)
{
    if (m_showPushVideo)
        emit showVideoImageOut(m_userId, frame);
}

void PushStreamManager::sendLateState(const QString &userId)
{
    if (m_pushingStreamSucc && m_isLect) {
        sendStartNotice(userId);
        return;
    }
    if (m_pushingStreamSucc)
        qWarning() << "uid:" << userId << "isLect:" << m_isLect << "pushingStreamSucc:" << m_pushingStreamSucc;
}

void PushStreamManager::receiveRequestPushStreamId(const StreamMediaMessage &message)
{
    const QString requester = message.getFromUserId();
    if (m_isLect || requester.isEmpty() || message.getToUserId() != m_userId) {
        qWarning() << "RequestPushStreamId "
                   << "isLect:" << m_isLect << "from:" << requester << "to:" << message.getToUserId();
        return;
    }
    if (!m_pushingStreamSucc) {
        if (!m_refused) {
            m_request = true;
            startPushStream();
        } else {
            sendAnswer(StreamMediaMessage::ResponsePushStreamFail, requester, QString());
        }
        return;
    }
    if (g_classType == GlobalEnum::Group5)
        return;
    sendAnswer(StreamMediaMessage::ResponsePushStreamId, requester, m_pushStreamId);
}

void PushStreamManager::sendStartNotice(const QString &userId)
{
    if (m_isLect) {
        StreamMediaMessage message;
        message.setSmmType(StreamMediaMessage::StartPullMainStream);
        message.setFromUserId(m_userId);
        message.setStreamId(m_pushStreamId);
        sendStreamMediaMessage(message, userId);
        return;
    }
    if (!m_request)
        return;
    if (g_classType == GlobalEnum::Group5) {
        if (g_socketClientManager)
            g_socketClientManager->sendAddPushStreamIdToServer(m_pushStreamId);
        return;
    }
    sendAnswer(StreamMediaMessage::ResponsePushStreamId, g_lectId, m_pushStreamId);
}

void PushStreamManager::sendStopNotice()
{
    if (m_isLect) {
        StreamMediaMessage message;
        message.setSmmType(StreamMediaMessage::StopPullMainStream);
        message.setFromUserId(m_userId);
        message.setStreamId(m_pushStreamId);
        sendStreamMediaMessage(message, QString());
        return;
    }
    if (m_request)
        sendAnswer(StreamMediaMessage::ResponsePushStreamFail, g_lectId, m_pushStreamId);
}

void PushStreamManager::sendAnswer(quint32 type, const QString &toUserId, const QString &streamId)
{
    StreamMediaMessage message;
    message.setSmmType(type);
    message.setFromUserId(m_userId);
    message.setToUserId(toUserId);
    message.setStreamId(streamId);
    message.setErrorType(0);
    sendStreamMediaMessage(message, toUserId);
}

void PushStreamManager::sendStreamMediaMessage(const StreamMediaMessage &message, const QString &toUserId)
{
    StreamMediaForward::send(message, toUserId);
}
