#ifndef STREAMCONTROL_H
#define STREAMCONTROL_H

#include "vrek/message/streammediamessage.h"

#include <QString>

class PullEngineFactory;
class QObject;
class WebRtcStreamEngine;

// What the two stream controllers (the RTMP one and the WebRTC-mode one) share: the media libraries, the device
// names of a push, the pull address, the lesson announcement and the stream commands they send.
namespace StreamControl {
// FFmpeg's devices and network layer, its log level (warnings) and SDL's audio subsystem, once per process.
// Nothing ever quits that subsystem again: the one sound output stays open for the program's life.
void initialMediaLibraries();

// The stored device names to those a push opens: "Windows默认设备" is the system's default (for the microphone
// also an empty name: the first one that records the user, not the speakers), "禁用" is none; any other name
// stands, an empty camera name included.
QString pushMicrophoneName(const QString &stored);
QString pushCameraName(const QString &stored);

// "rtmp://<pull host>:<pull port>/live/<stream id> live=1 timeout=7", from the classroom login reply.
QString pullStreamUrl(const QString &streamId);

// Tells the classroom server that the lecturer's class runs on this push stream: class type 3 as an RTMP
// class, the other known types as a class of that type. False, with nothing sent, for an unknown type.
bool announceClass(int classType, const QString &pushStreamId);

// A stream command with the fields the controllers set; the others stay empty, errorType 0 by default.
StreamMediaMessage message(quint32 type, const QString &fromUserId, const QString &toUserId = QString(),
    const QString &streamId = QString(), quint32 errorType = 0);
// To the whole class.
bool sendClassWide(const StreamMediaMessage &message);
// To one user (or a parent's server id); refused, with the warning, when there is no target: a personal
// answer must never go to the whole class.
bool sendPersonal(const QString &targetId, const StreamMediaMessage &message);

// What a controller does with its engines when it goes: the pool stops its pulls, waits for them and is freed,
// the WebRTC engine is told to stop a push still under way and freed; nothing they report reaches the owner
// any more. Both pointers are null afterwards.
void releasePullEngineFactory(QObject *owner, PullEngineFactory *&factory);
void releaseWebRtcEngine(QObject *owner, WebRtcStreamEngine *&engine, bool stopPush);
} // namespace StreamControl

#endif // STREAMCONTROL_H
