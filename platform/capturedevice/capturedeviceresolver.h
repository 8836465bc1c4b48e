#ifndef CAPTUREDEVICERESOLVER_H
#define CAPTUREDEVICERESOLVER_H

#include "platform/capturedevice/capturedevice.h"
#include "platform/capturedevice/capturesource.h"

struct SoundDevice;

#include <QList>
#include <QString>

// The one place that turns the camera and microphone names the device settings store into devices of this
// system: cameras are V4L2 capture nodes, microphones PulseAudio sources (ALSA capture devices where no sound
// server runs). A stored name is a device's name, the system default "Windows默认设备", "禁用" (off), or
// "lavfi:GRAPH", an FFmpeg filter graph that stands in for a device (how a machine without devices pushes).
// Stereo mix and ".monitor" sources record the speakers, not the user: they are never chosen.
class CaptureDeviceResolver
{
public:
    static const QString defaultDeviceName; // "Windows默认设备"
    static const QString disabledDeviceName; // "禁用"
    static const QString lavfiPrefix; // "lavfi:"

    // The system's devices, the default first. Each list takes at most a moment to make, also when the sound
    // server does not answer.
    static QList<CaptureDevice> cameras();
    static QList<CaptureDevice> microphones();

    // A stored name to the name a push opens: the default's name for the default or an empty name, empty for
    // "禁用" or when there is no such device, any other name as it stands.
    static QString resolveCameraName(const QString &stored);
    static QString resolveMicrophoneName(const QString &stored);
    // The same over given lists.
    static QString chooseCamera(const QString &stored, const QList<CaptureDevice> &cameras);
    static QString chooseMicrophone(const QString &stored, const QList<CaptureDevice> &microphones);

    // A name (as resolved above, or a device id) to what FFmpeg opens; invalid when it names nothing. The
    // special names are resolved first.
    static CaptureSource cameraSource(const QString &name);
    static CaptureSource microphoneSource(const QString &name);
    static CaptureSource cameraSource(const QString &name, const QList<CaptureDevice> &cameras);
    static CaptureSource microphoneSource(const QString &name, const QList<CaptureDevice> &microphones);

    static bool isLavfiName(const QString &name);
    // Sources that capture what the speakers play.
    static bool isLoopbackSource(const QString &name, const QString &id);

private:
    // The sources that record the user, the default first.
    static QList<CaptureDevice> soundSources(const QList<SoundDevice> &sources, const QString &backend);
    static CaptureSource lavfiSource(const QString &name, bool isAudio);
};

#endif // CAPTUREDEVICERESOLVER_H
