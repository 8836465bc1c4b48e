#ifndef CAPTUREDEVICE_H
#define CAPTUREDEVICE_H

#include <QString>

// One camera or microphone of the system, as the device settings list it.
struct CaptureDevice
{
    // What the user sees and the settings store: the camera's card name, the sound source's description.
    QString name;
    // What the backend opens: "/dev/video0", a pulse source name, an ALSA device name.
    QString id;
    // "v4l2", "pulse" or "alsa".
    QString backend;
    // The system's own default of its kind.
    bool isDefault = false;
};

#endif // CAPTUREDEVICE_H
