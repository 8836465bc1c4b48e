#ifndef FAKESYSTEMINFO_H
#define FAKESYSTEMINFO_H

#include "platform/systeminfo/systeminfo.h"

#include <QStringList>

// A SystemInfo over a pretend machine for tests: each call answers what the machine holds at the time, so a
// test sets the processor times of the next sample between two runs of the check.
//
//     auto machine = std::make_shared<FakeSystemInfo::Machine>();
//     SystemInfo::setFactory(FakeSystemInfo::factory(machine));
class FakeSystemInfo : public SystemInfo
{
public:
    struct Machine
    {
        QString productName = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        QString cpuIdentifier = QStringLiteral("Intel64");
        QString cpuName = QStringLiteral("Test Processor @ 3.00GHz");
        ProcessorTimes times;
        bool timesReadable = true;
        MemoryStatus memory { 8ull << 30, 16ull << 30, 50 };
        bool memoryReadable = true;
        DiskSpace disk { QStringLiteral("/"), 100ull << 30, 500ull << 30 };
        bool diskReadable = true;
        // The folders diskSpace was asked about, in order.
        QStringList diskFolders;
    };

    explicit FakeSystemInfo(std::shared_ptr<Machine> machine = std::make_shared<Machine>());

    const std::shared_ptr<Machine> &machine() const { return m_machine; }
    // A maker for SystemInfo::setFactory whose objects all answer from the given machine.
    static Factory factory(const std::shared_ptr<Machine> &machine);

    QString productName() override { return m_machine->productName; }
    QString cpuIdentifier() override { return m_machine->cpuIdentifier; }
    QString cpuName() override { return m_machine->cpuName; }
    bool processorTimes(ProcessorTimes &times) override;
    bool memoryStatus(MemoryStatus &status) override;
    bool diskSpace(const QString &folder, DiskSpace &space) override;

private:
    std::shared_ptr<Machine> m_machine;
};

#endif // FAKESYSTEMINFO_H
