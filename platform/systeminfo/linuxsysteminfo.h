#ifndef LINUXSYSTEMINFO_H
#define LINUXSYSTEMINFO_H

#include "platform/systeminfo/systeminfo.h"

#include <functional>

struct statvfs;

// SystemInfo from /proc/stat, /proc/meminfo, /proc/cpuinfo, /etc/os-release and the file system of a folder.
class LinuxSystemInfo : public SystemInfo
{
public:
    // What statvfs(3) says of the file system that holds a path: 0 on success.
    using StatVfs = std::function<int(const char *path, struct statvfs *figures)>;

    // The files can be others, the machine's architecture (uname's machine name) given, and the file system's
    // figures come from elsewhere, for tests.
    explicit LinuxSystemInfo(const QString &procFolder = QStringLiteral("/proc"),
        const QString &osReleaseFile = QStringLiteral("/etc/os-release"), const QString &architecture = QString(),
        StatVfs statVfs = StatVfs());

    QString productName() override;
    QString cpuIdentifier() override;
    QString cpuName() override;
    bool processorTimes(ProcessorTimes &times) override;
    bool memoryStatus(MemoryStatus &status) override;
    bool diskSpace(const QString &folder, DiskSpace &space) override;

    // The identifier of a processor described by /proc/cpuinfo text on a machine of that architecture.
    static QString identifierFor(const QString &architecture, const QString &cpuinfo);
    // The times of the first ("cpu") line of /proc/stat text, counted in ticksPerSecond.
    static bool parseProcessorTimes(const QString &stat, long ticksPerSecond, ProcessorTimes &times);
    static bool parseMemoryStatus(const QString &meminfo, MemoryStatus &status);
    static QString parseProductName(const QString &osRelease);

private:
    QString readProc(const QString &name) const;

    QString m_procFolder;
    QString m_osReleaseFile;
    QString m_architecture;
    StatVfs m_statVfs;
};

#endif // LINUXSYSTEMINFO_H
