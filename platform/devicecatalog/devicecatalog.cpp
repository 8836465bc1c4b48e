#include "platform/devicecatalog/devicecatalog.h"

#include "platform/devicecatalog/qtdevicecatalog.h"
#include "platform/factory/replaceablefactory.h"

namespace {
ReplaceableFactory<DeviceCatalog> factory([] { return std::make_unique<QtDeviceCatalog>(); });
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
    return factory.create();
}

void DeviceCatalog::setFactory(Factory maker)
{
    factory.replace(std::move(maker));
}
