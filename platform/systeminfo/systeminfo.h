#ifndef SYSTEMINFO_H
#define SYSTEMINFO_H

#include <QString>

#include <functional>
#include <memory>

// The state of the machine the system check shows: operating system, processor, memory and disk.
//
// The processor load is computed by the caller from two samples of processorTimes(): with dI, dK, dU the
// differences of idle, kernel and user time, the load is (dK + dU - dI) * 100 / (dK + dU); the kernel time
// counts the idle time as well.
class SystemInfo
{
public:
    // Processor time since start, summed over all processors, in 100 ns units.
    struct ProcessorTimes
    {
        quint64 idle = 0;
        quint64 kernel = 0; // idle included
        quint64 user = 0;
    };
    struct MemoryStatus
    {
        quint64 availableBytes = 0;
        quint64 totalBytes = 0;
        quint32 loadPercent = 0; // share of the memory in use
    };
    struct DiskSpace
    {
        QString drive; // what names the disk to the user: the mount point
        quint64 freeBytes = 0; // what this user may still write (not the blocks kept for root)
        quint64 totalBytes = 0;
    };
    using Factory = std::function<std::unique_ptr<SystemInfo>()>;

    virtual ~SystemInfo();

    // The operating system's name for people, e.g. "Debian GNU/Linux 12 (bookworm)"; empty when unknown.
    virtual QString productName() = 0;
    // The processor's identifier; it holds "64" (and not "86") exactly on a 64-bit machine, "86" on a 32-bit
    // x86 one, e.g. "Intel64", "AMD64", "ARM64", "x86 Family 6 Model 15 Stepping 11".
    virtual QString cpuIdentifier() = 0;
    // The processor's model name, e.g. "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"; empty when unknown.
    virtual QString cpuName() = 0;
    // False when they cannot be read; the outputs are then left alone.
    virtual bool processorTimes(ProcessorTimes &times) = 0;
    virtual bool memoryStatus(MemoryStatus &status) = 0;
    // The disk that holds the folder.
    virtual bool diskSpace(const QString &folder, DiskSpace &space) = 0;

    // What the system check calls: the running machine's (LinuxSystemInfo) unless a test installed another maker.
    static std::unique_ptr<SystemInfo> create();
    // Tests: the maker create() uses from now on; an empty one brings back the machine's.
    static void setFactory(Factory factory);
};

#endif // SYSTEMINFO_H
