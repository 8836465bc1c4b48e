#include "vrek/media/push/webrtcstreamengine.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <cstdlib>
#include <cstring>

namespace {
// The engines alive. A callback the library makes for an engine already gone finds it missing here; while the
// lock is held no engine goes, and the callback only posts to it, which calls nothing back.
QMutex s_liveMutex;
QSet<const WebRtcStreamEngine *> s_liveEngines;

// Runs report in the engine's thread, later; false when the engine is gone.
template<typename Report>
bool postToLiveEngine(void *user, Report report)
{
    auto *engine = static_cast<WebRtcStreamEngine *>(user);
    QMutexLocker locker(&s_liveMutex);
    if (!s_liveEngines.contains(engine))
        return false;
    QMetaObject::invokeMethod(
        engine, [engine, report] { report(engine); }, Qt::QueuedConnection);
    return true;
}
} // namespace

WebRtcStreamEngine::WebRtcStreamEngine(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<WebRtcStreamEngine::PullStreamType>("WebRtcStreamEngine::PullStreamType");
    QMutexLocker locker(&s_liveMutex);
    s_liveEngines.insert(this);
}

WebRtcStreamEngine::~WebRtcStreamEngine()
{
    QMutexLocker locker(&s_liveMutex);
    s_liveEngines.remove(this);
}

QString WebRtcStreamEngine::startParameters(const QString &videoDeviceName, const QString &audioDeviceName,
    const QString &roomId, bool isCenter, const QString &userId, const QString &userName)
{
    return videoDeviceName + '\t' + audioDeviceName + '\t' + roomId
        + (isCenter ? QStringLiteral("\ttrue\t") : QStringLiteral("\tfalse\t")) + userId + '\t' + g_mediaHost + '\t'
        + QString::number(g_mediaPort) + '\t' + userName;
}

void WebRtcStreamEngine::onStartPushStream(WebRtcStreamEngine::PullStreamType type, QString videoDeviceName,
    QString audioDeviceName, QSize captureSize, QString roomID, bool isCenter, QString userName)
{
    Q_UNUSED(type)
    Q_UNUSED(captureSize)
    qInfo() << "videoDeviceName:" << videoDeviceName << "audioDeviceName:" << audioDeviceName;
    const QByteArray parameters
        = startParameters(videoDeviceName, audioDeviceName, roomID, isCenter, m_userId, userName).toUtf8();
    m_roomId = roomID;
    if (!WebrtcSdkInterface::onRtcStartPushStream(
            parameters.constData(), this, &WebRtcStreamEngine::onEvent, this, &WebRtcStreamEngine::onFrame)) {
        QMetaObject::invokeMethod(
            this, [this] { emit sendStartPushStreamResult(false, QString()); }, Qt::QueuedConnection);
    }
}

void WebRtcStreamEngine::onStopPushStream()
{
    const QByteArray room = m_roomId.toUtf8();
    if (!WebrtcSdkInterface::onRtcStopPushStream(room.constData())) {
        QMetaObject::invokeMethod(
            this, [this] { emit sendStopPushStreamResult(false, QString()); }, Qt::QueuedConnection);
    }
}

void WebRtcStreamEngine::onSetUserId(QString userId)
{
    m_userId = userId;
}

void WebRtcStreamEngine::toKickOneByUserId(QString userId)
{
    sendRoomEvent(userId, 0);
}

void WebRtcStreamEngine::toMuteOneByUserId(QString userId)
{
    sendRoomEvent(userId, 1);
}

void WebRtcStreamEngine::sendRoomEvent(const QString &userId, int value)
{
    QString text = m_roomId + ',' + userId;
    WebrtcSdkInterface::onRtcEvent(text, value);
}

void WebRtcStreamEngine::onEvent(void *user, int type, const char *text)
{
    if (!user)
        return;
    // The library reports success as "0"; a missing text is a failure.
    const bool ok = text && std::strcmp(text, "0") == 0;
    switch (type) {
    case 0:
        postToLiveEngine(
            user, [ok](WebRtcStreamEngine *engine) { emit engine->sendStartPushStreamResult(ok, QString()); });
        break;
    case 1:
        postToLiveEngine(
            user, [ok](WebRtcStreamEngine *engine) { emit engine->sendStopPushStreamResult(ok, QString()); });
        break;
    case 10:
        qDebug() << QString::fromUtf8(text ? text : "");
        break;
    default:
        break;
    }
}

void WebRtcStreamEngine::onFrame(void *user, int width, int height, unsigned char *pixels)
{
    if (!user || !pixels || width <= 0 || height == 0)
        return;
    // A bottom-up bitmap has a negative height; its rows are taken as they stand.
    const QImage wrapper(pixels, width, std::abs(height), QImage::Format_RGB32);
    // The library reuses its buffer once this returns: only a copy travels on.
    const QImage frame = wrapper.copy();
    postToLiveEngine(user, [frame](WebRtcStreamEngine *engine) { emit engine->sendRemoteStream(frame); });
}
