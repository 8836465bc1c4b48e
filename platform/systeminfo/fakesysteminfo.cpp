#include "platform/systeminfo/fakesysteminfo.h"

FakeSystemInfo::FakeSystemInfo(std::shared_ptr<Machine> machine)
    : m_machine(std::move(machine))
{ }

SystemInfo::Factory FakeSystemInfo::factory(const std::shared_ptr<Machine> &machine)
{
    return [machine] { return std::make_unique<FakeSystemInfo>(machine); };
}

bool FakeSystemInfo::processorTimes(ProcessorTimes &times)
{
    if (m_machine->timesReadable)
        times = m_machine->times;
    return m_machine->timesReadable;
}

bool FakeSystemInfo::memoryStatus(MemoryStatus &status)
{
    if (m_machine->memoryReadable)
        status = m_machine->memory;
    return m_machine->memoryReadable;
}

bool FakeSystemInfo::diskSpace(const QString &folder, DiskSpace &space)
{
    m_machine->diskFolders.append(folder);
    if (m_machine->diskReadable)
        space = m_machine->disk;
    return m_machine->diskReadable;
}
