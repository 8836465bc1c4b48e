#ifndef DEVICECATALOG_H
#define DEVICECATALOG_H

#include <QAudioDeviceInfo>
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// One speaker or sound input of the device lists.
struct AudioDeviceEntry
{
    // What the list shows and the settings store: the name the capture (CaptureDeviceResolver) lists and opens.
    QString name;
    // The device for Qt Multimedia's audio output or input (the device tests); null in the fake.
    QAudioDeviceInfo device;
    // An input that records what the speakers play (stereo mix, a sound server's monitor), not the user.
    bool isLoopback = false;
};

// One camera of the device lists.
struct CameraEntry
{
    // What the list shows and the settings store: the camera's name as the capture lists and opens it.
    QString name;
    // QCameraInfo::deviceName() in Latin-1, what a QCamera is made from.
    QByteArray deviceName;
};

// The speakers, sound inputs and cameras that the device check, the in-class device panel and the push offer,
// each under the one name the capture knows it by. Lists come in the system's order, its default first, and
// are read anew at every call (devices come and go); a call takes at most a moment, also when the sound server
// hangs. One thread (the GUI's).
class DeviceCatalog
{
public:
    using Factory = std::function<std::unique_ptr<DeviceCatalog>()>;

    virtual ~DeviceCatalog();

    virtual QList<AudioDeviceEntry> audioOutputs() = 0;
    // Every sound input, the loopback ones included and marked.
    virtual QList<AudioDeviceEntry> audioInputs() = 0;
    virtual QList<CameraEntry> cameras() = 0;
    // The inputs that record the user: audioInputs() without the loopback ones.
    QList<AudioDeviceEntry> microphones();

    // What the device views call: Qt Multimedia's devices (QtDeviceCatalog) unless a test installed another
    // maker.
    static std::unique_ptr<DeviceCatalog> create();
    // Tests: the maker create() uses from now on; an empty one brings back Qt Multimedia's.
    static void setFactory(Factory factory);
};

#endif // DEVICECATALOG_H
