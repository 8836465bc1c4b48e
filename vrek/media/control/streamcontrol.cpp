#include "vrek/media/control/streamcontrol.h"

#include "platform/capturedevice/captureinput.h"
#include "platform/capturedevice/capturedeviceresolver.h"
#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/streammediaforward.h"
#include "vrek/media/push/webrtcstreamengine.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalenum.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

void StreamControl::initialMediaLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CaptureInput::registerDevices();
        avformat_network_init();
        av_log_set_level(AV_LOG_WARNING);
        AudioPlayer::sdlAudioInitial();
    });
}

QString StreamControl::pushMicrophoneName(const QString &stored)
{
    return CaptureDeviceResolver::resolveMicrophoneName(stored);
}

QString StreamControl::pushCameraName(const QString &stored)
{
    if (stored.isEmpty())
        return QString();
    return CaptureDeviceResolver::resolveCameraName(stored);
}

QString StreamControl::pullStreamUrl(const QString &streamId)
{
    return QStringLiteral("rtmp://%1:%2/live/%3 live=1 timeout=7")
        .arg(g_rtmpHost, QString::number(g_rtmpPort), streamId);
}

bool StreamControl::announceClass(int classType, const QString &pushStreamId)
{
    switch (classType) {
    case GlobalEnum::Group3:
        if (g_socketClientManager)
            g_socketClientManager->sendClassRtmp(pushStreamId);
        return true;
    case GlobalEnum::Group0:
    case GlobalEnum::Group1:
    case GlobalEnum::Group2:
    case GlobalEnum::Group4:
    case GlobalEnum::Group5:
    case GlobalEnum::Group6:
    case GlobalEnum::Group7:
    case GlobalEnum::Group8:
        if (g_socketClientManager)
            g_socketClientManager->sendStartClass(QString::number(classType), pushStreamId);
        return true;
    default:
        qWarning() << "the classType unknown error! classType:" << classType;
        return false;
    }
}

StreamMediaMessage StreamControl::message(
    quint32 type, const QString &fromUserId, const QString &toUserId, const QString &streamId, quint32 errorType)
{
    StreamMediaMessage message;
    message.setSmmType(type);
    message.setFromUserId(fromUserId);
    message.setToUserId(toUserId);
    message.setStreamId(streamId);
    message.setErrorType(errorType);
    return message;
}

bool StreamControl::sendClassWide(const StreamMediaMessage &message)
{
    return StreamMediaForward::send(message, QString());
}

bool StreamControl::sendPersonal(const QString &targetId, const StreamMediaMessage &message)
{
    if (targetId.isEmpty()) {
        qWarning() << "the targetId is empty, nothing sent! smmType:" << message.getSmmType();
        return false;
    }
    return StreamMediaForward::send(message, targetId);
}

void StreamControl::releasePullEngineFactory(QObject *owner, PullEngineFactory *&factory)
{
    if (!factory)
        return;
    factory->disconnect(owner);
    owner->disconnect(factory);
    delete factory;
    factory = nullptr;
}

void StreamControl::releaseWebRtcEngine(QObject *owner, WebRtcStreamEngine *&engine, bool stopPush)
{
    if (!engine)
        return;
    engine->disconnect(owner);
    owner->disconnect(engine);
    if (stopPush)
        engine->onStopPushStream();
    delete engine;
    engine = nullptr;
}
