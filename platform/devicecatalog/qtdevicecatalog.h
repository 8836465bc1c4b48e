#ifndef QTDEVICECATALOG_H
#define QTDEVICECATALOG_H

#include "platform/devicecatalog/devicecatalog.h"
#include "platform/sounddevices/sounddevicelist.h"

#include <QDeadlineTimer>
#include <QStringList>

// The devices Qt Multimedia can open, named as the system lists them (SoundDeviceList, CaptureDeviceResolver):
// a Qt device the capture does not know is left out. Sound devices are the sound server's sinks and sources;
// ALSA's when no server answers.
class QtDeviceCatalog : public DeviceCatalog
{
public:
    // Longest a sound server may take to list its devices.
    static constexpr int defaultServerLimitMs = 1500;
    // After a server let a listing run out of time, it is not asked again for this long (ALSA's devices are
    // listed meanwhile), so that a hung server costs the device check one wait, not one per refresh.
    static constexpr int defaultQuietMs = 10000;

    explicit QtDeviceCatalog(int serverLimitMs = defaultServerLimitMs, int quietMs = defaultQuietMs);

    QList<AudioDeviceEntry> audioOutputs() override;
    QList<AudioDeviceEntry> audioInputs() override;
    QList<CameraEntry> cameras() override;

    // For each system device, in the system's order, the index of the Qt device of that name (the first one
    // when there are several); system devices that Qt does not offer are left out.
    static QList<QPair<SoundDevice, int>> match(const QList<SoundDevice> &system, const QStringList &qtNames);

private:
    QList<AudioDeviceEntry> entries(bool input);
    QList<SoundDevice> systemDevices(bool input);

    int m_serverLimitMs;
    int m_quietMs;
    QDeadlineTimer m_quietUntil;
};

#endif // QTDEVICECATALOG_H
