#include "platform/devicecatalog/qtdevicecatalog.h"

#include "platform/capturedevice/capturedeviceresolver.h"

#include <QCameraInfo>
#include <QDebug>
#include <QElapsedTimer>

QtDeviceCatalog::QtDeviceCatalog(int serverLimitMs, int quietMs)
    : m_serverLimitMs(serverLimitMs)
    , m_quietMs(quietMs)
    , m_quietUntil(0)
{ }

QList<QPair<SoundDevice, int>> QtDeviceCatalog::match(const QList<SoundDevice> &system, const QStringList &qtNames)
{
    QList<QPair<SoundDevice, int>> result;
    QStringList taken;
    for (const SoundDevice &device : system) {
        const int index = qtNames.indexOf(device.id);
        if (index >= 0 && !taken.contains(device.id)) {
            taken.append(device.id);
            result.append({ device, index });
        }
    }
    return result;
}

QList<SoundDevice> QtDeviceCatalog::systemDevices(bool input)
{
    if (m_quietUntil.hasExpired()) {
        SoundDeviceList::Pulse pulse;
        QElapsedTimer timer;
        timer.start();
        if (SoundDeviceList::pulse(m_serverLimitMs, &pulse))
            return input ? pulse.sources : pulse.sinks;
        if (timer.elapsed() >= m_serverLimitMs) {
            qWarning() << "the sound server did not list its devices within" << m_serverLimitMs << "ms";
            m_quietUntil.setRemainingTime(m_quietMs);
        }
    }
    return SoundDeviceList::alsa(input);
}

QList<AudioDeviceEntry> QtDeviceCatalog::entries(bool input)
{
    const QAudio::Mode mode = input ? QAudio::AudioInput : QAudio::AudioOutput;
    const QList<QAudioDeviceInfo> devices = QAudioDeviceInfo::availableDevices(mode);
    QStringList names;
    for (const QAudioDeviceInfo &device : devices)
        names.append(device.deviceName());
    QList<AudioDeviceEntry> result;
    for (const auto &matched : match(systemDevices(input), names)) {
        AudioDeviceEntry entry;
        entry.name = matched.first.name;
        entry.device = devices.at(matched.second);
        entry.isLoopback = input
            && (matched.first.isMonitor
                || CaptureDeviceResolver::isLoopbackSource(matched.first.name, matched.first.id));
        result.append(entry);
    }
    return result;
}

QList<AudioDeviceEntry> QtDeviceCatalog::audioOutputs()
{
    return entries(false);
}

QList<AudioDeviceEntry> QtDeviceCatalog::audioInputs()
{
    return entries(true);
}

QList<CameraEntry> QtDeviceCatalog::cameras()
{
    const QList<QCameraInfo> qtCameras = QCameraInfo::availableCameras();
    QList<CameraEntry> result;
    for (const CaptureDevice &camera : CaptureDeviceResolver::cameras()) {
        for (const QCameraInfo &info : qtCameras) {
            if (info.deviceName() == camera.id) {
                result.append({ camera.name, info.deviceName().toLatin1() });
                break;
            }
        }
    }
    return result;
}
