#include "platform/systeminfo/systeminfo.h"

#include "platform/factory/replaceablefactory.h"
#include "platform/systeminfo/linuxsysteminfo.h"

namespace {
ReplaceableFactory<SystemInfo> factory([] { return std::make_unique<LinuxSystemInfo>(); });
} // namespace

SystemInfo::~SystemInfo() = default;

std::unique_ptr<SystemInfo> SystemInfo::create()
{
    return factory.create();
}

void SystemInfo::setFactory(Factory maker)
{
    factory.replace(std::move(maker));
}
