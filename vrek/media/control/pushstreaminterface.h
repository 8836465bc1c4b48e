#ifndef PUSHSTREAMINTERFACE_H
#define PUSHSTREAMINTERFACE_H

#include "vrek/utils/globalenum.h"

#include <QSize>
#include <QString>

// What the device panel asks of a stream controller that pushes the own camera and microphone. The device
// names are those the device settings store, with the special names "Windows默认设备" (the system default)
// and "禁用" (off); each controller resolves them when it starts a push.
class PushStreamInterface
{
public:
    virtual ~PushStreamInterface();
    virtual void setAudioDeviceName(const QString &name) = 0;
    virtual void setVideoDeviceName(const QString &name) = 0;
    // 0, 1, 2: 160 x 120, 320 x 240, 640 x 480 (pushVideoSizeOf); any other level keeps the size.
    virtual void setPushVideoSize(const GlobalEnum::VideoQualityType vqt) = 0;
    virtual void setPushVideoSize(const QSize &size) = 0;
    virtual QString &getPushStreamId() = 0;
    // Starting, running or stopping the own push.
    virtual bool isPushingStream() = 0;

    // The push size of a quality level; false for a level outside the table.
    static bool pushVideoSizeOf(int vqt, QSize &size);
};

#endif // PUSHSTREAMINTERFACE_H
