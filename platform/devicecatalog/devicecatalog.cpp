#include "platform/devicecatalog/devicecatalog.h"

#include "platform/devicecatalog/qtdevicecatalog.h"

namespace {
DeviceCatalog::Factory &installedFactory()
{
    static DeviceCatalog::Factory factory;
    return factory;
}
} // namespace

DeviceCatalog::~DeviceCatalog() = default;

QList<AudioDeviceEntry> DeviceCatalog::microphones()
{
    QList<AudioDeviceEntry> result;
    for (const AudioDeviceEntry &entry : audioInputs()) {
        if (!entry.isLoopback)
            result.append(entry);
    }
    return result;
}

std::unique_ptr<DeviceCatalog> DeviceCatalog::create()
{
    if (installedFactory())
        return installedFactory()();
    return std::make_unique<QtDeviceCatalog>();
}

void DeviceCatalog::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}
