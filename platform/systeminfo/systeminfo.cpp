#include "platform/systeminfo/systeminfo.h"

#include "platform/systeminfo/linuxsysteminfo.h"

namespace {
SystemInfo::Factory &installedFactory()
{
    static SystemInfo::Factory factory;
    return factory;
}
} // namespace

SystemInfo::~SystemInfo() = default;

std::unique_ptr<SystemInfo> SystemInfo::create()
{
    if (installedFactory())
        return installedFactory()();
    return std::make_unique<LinuxSystemInfo>();
}

void SystemInfo::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}
