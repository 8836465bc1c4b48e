#include "platform/systeminfo/linuxsysteminfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QSysInfo>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {
constexpr quint64 hundredNanosecondsPerSecond = 10000000;

// The value of "key : value" lines (/proc/cpuinfo, /proc/meminfo) for the first line of that key.
QString fieldOf(const QString &text, const QString &key)
{
    const QRegularExpression line(
        QStringLiteral("^%1\\s*:\\s*(.*)$").arg(QRegularExpression::escape(key)), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(text);
    return match.hasMatch() ? match.captured(1).simplified() : QString();
}

// meminfo counts kibibytes.
bool memoryField(const QString &meminfo, const QString &key, quint64 &bytes)
{
    bool ok = false;
    bytes = fieldOf(meminfo, key).section(QLatin1Char(' '), 0, 0).toULongLong(&ok) * 1024;
    return ok;
}

// A shell-style value of os-release: quoted or not, with backslash escapes inside quotes.
QString unquoted(const QString &value)
{
    if (value.size() < 2 || (value.front() != QLatin1Char('"') && value.front() != QLatin1Char('\'')))
        return value.trimmed();
    QString result;
    for (int i = 1; i < value.size() - 1; ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size() - 1)
            ++i;
        result += value.at(i);
    }
    return result;
}
} // namespace

LinuxSystemInfo::LinuxSystemInfo(
    const QString &procFolder, const QString &osReleaseFile, const QString &architecture, StatVfs statVfs)
    : m_procFolder(procFolder)
    , m_osReleaseFile(osReleaseFile)
    , m_architecture(architecture.isEmpty() ? QSysInfo::currentCpuArchitecture() : architecture)
    , m_statVfs(statVfs ? std::move(statVfs)
                        : StatVfs([](const char *path, struct statvfs *figures) { return ::statvfs(path, figures); }))
{ }

QString LinuxSystemInfo::readProc(const QString &name) const
{
    QFile file(m_procFolder + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString LinuxSystemInfo::parseProductName(const QString &osRelease)
{
    QHash<QString, QString> values;
    for (const QString &line : osRelease.split(QLatin1Char('\n'))) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !line.startsWith(QLatin1Char('#')))
            values.insert(line.left(equals).trimmed(), unquoted(line.mid(equals + 1).trimmed()));
    }
    if (!values.value(QStringLiteral("PRETTY_NAME")).isEmpty())
        return values.value(QStringLiteral("PRETTY_NAME"));
    return QStringList({ values.value(QStringLiteral("NAME")), values.value(QStringLiteral("VERSION")) })
        .join(QLatin1Char(' '))
        .trimmed();
}

QString LinuxSystemInfo::productName()
{
    QFile file(m_osReleaseFile);
    const QString name
        = file.open(QIODevice::ReadOnly) ? parseProductName(QString::fromUtf8(file.readAll())) : QString();
    return name.isEmpty() ? QSysInfo::prettyProductName() : name;
}

QString LinuxSystemInfo::identifierFor(const QString &architecture, const QString &cpuinfo)
{
    // Only the width of the machine is read from the identifier: on 64 bits it must not hold "86", so no model
    // numbers there (a model 86 or 186 would read as 32 bits).
    if (architecture == QLatin1String("x86_64") || architecture == QLatin1String("amd64"))
        return fieldOf(cpuinfo, QStringLiteral("vendor_id")) == QLatin1String("GenuineIntel")
            ? QStringLiteral("Intel64")
            : QStringLiteral("AMD64");
    if (architecture == QLatin1String("arm64") || architecture == QLatin1String("aarch64"))
        return QStringLiteral("ARM64");
    if (QRegularExpression(QStringLiteral("^(i[3-6]86|x86)$")).match(architecture).hasMatch()) {
        const QString family = fieldOf(cpuinfo, QStringLiteral("cpu family"));
        const QString model = fieldOf(cpuinfo, QStringLiteral("model"));
        const QString stepping = fieldOf(cpuinfo, QStringLiteral("stepping"));
        if (family.isEmpty() || model.isEmpty() || stepping.isEmpty())
            return QStringLiteral("x86");
        return QStringLiteral("x86 Family %1 Model %2 Stepping %3").arg(family, model, stepping);
    }
    return architecture;
}

QString LinuxSystemInfo::cpuIdentifier()
{
    return identifierFor(m_architecture, readProc(QStringLiteral("cpuinfo")));
}

QString LinuxSystemInfo::cpuName()
{
    const QString cpuinfo = readProc(QStringLiteral("cpuinfo"));
    for (const char *key : { "model name", "Processor", "Hardware", "cpu" }) {
        const QString name = fieldOf(cpuinfo, QLatin1String(key));
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

bool LinuxSystemInfo::parseProcessorTimes(const QString &stat, long ticksPerSecond, ProcessorTimes &times)
{
    const QString line = stat.section(QLatin1Char('\n'), 0, 0);
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // "cpu user nice system idle [iowait irq softirq steal guest guest_nice]"; guest time is already in user.
    if (ticksPerSecond <= 0 || fields.size() < 5 || fields.first() != QLatin1String("cpu"))
        return false;
    quint64 value[8] = {};
    for (int i = 0; i < 8 && i + 1 < fields.size(); ++i) {
        bool ok = false;
        value[i] = fields.at(i + 1).toULongLong(&ok);
        if (!ok)
            return false;
    }
    const quint64 scale = hundredNanosecondsPerSecond / quint64(ticksPerSecond);
    const quint64 idle = value[3] + value[4]; // idle, iowait
    times.user = (value[0] + value[1]) * scale;
    times.idle = idle * scale;
    times.kernel = (value[2] + value[5] + value[6] + idle) * scale; // system, irq, softirq
    return true;
}

bool LinuxSystemInfo::processorTimes(ProcessorTimes &times)
{
    return parseProcessorTimes(readProc(QStringLiteral("stat")), sysconf(_SC_CLK_TCK), times);
}

bool LinuxSystemInfo::parseMemoryStatus(const QString &meminfo, MemoryStatus &status)
{
    quint64 total = 0;
    quint64 available = 0;
    if (!memoryField(meminfo, QStringLiteral("MemTotal"), total) || total == 0)
        return false;
    if (!memoryField(meminfo, QStringLiteral("MemAvailable"), available)) {
        // Kernels before 3.14 do not say; what they free at once comes close.
        quint64 free = 0;
        quint64 buffers = 0;
        quint64 cached = 0;
        if (!memoryField(meminfo, QStringLiteral("MemFree"), free))
            return false;
        memoryField(meminfo, QStringLiteral("Buffers"), buffers);
        memoryField(meminfo, QStringLiteral("Cached"), cached);
        available = free + buffers + cached;
    }
    available = qMin(available, total);
    status.totalBytes = total;
    status.availableBytes = available;
    status.loadPercent = quint32(((total - available) * 100 + total / 2) / total);
    return true;
}

bool LinuxSystemInfo::memoryStatus(MemoryStatus &status)
{
    return parseMemoryStatus(readProc(QStringLiteral("meminfo")), status);
}

bool LinuxSystemInfo::diskSpace(const QString &folder, DiskSpace &space)
{
    const QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady())
        return false;
    struct statvfs figures = {};
    if (m_statVfs(QFile::encodeName(folder).constData(), &figures) != 0)
        return false;
    space.drive = storage.rootPath();
    // The room this user may write: the blocks kept for root are no room of the student's.
    const quint64 unit = figures.f_frsize ? quint64(figures.f_frsize) : quint64(figures.f_bsize);
    space.freeBytes = quint64(figures.f_bavail) * unit;
    space.totalBytes = quint64(figures.f_blocks) * unit;
    return true;
}
