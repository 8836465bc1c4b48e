#include "platform/devicecatalog/fakedevicecatalog.h"

#include "platform/capturedevice/capturedeviceresolver.h"

#include <QAtomicInt>

FakeDeviceCatalog::FakeDeviceCatalog(std::shared_ptr<Machine> machine)
    : m_machine(std::move(machine))
{ }

DeviceCatalog::Factory FakeDeviceCatalog::factory(const std::shared_ptr<Machine> &machine)
{
    return [machine] { return std::make_unique<FakeDeviceCatalog>(machine); };
}

AudioDeviceEntry FakeDeviceCatalog::audio(const QString &name)
{
    AudioDeviceEntry entry;
    entry.name = name;
    entry.isLoopback = CaptureDeviceResolver::isLoopbackSource(name, QString());
    return entry;
}

CameraEntry FakeDeviceCatalog::camera(const QString &name, const QByteArray &deviceName)
{
    static QAtomicInt next;
    CameraEntry entry;
    entry.name = name;
    entry.deviceName
        = deviceName.isEmpty() ? "/dev/video" + QByteArray::number(next.fetchAndAddRelaxed(1)) : deviceName;
    return entry;
}
