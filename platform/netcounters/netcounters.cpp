#include "platform/netcounters/netcounters.h"

#include <QDir>
#include <QFile>

namespace {
constexpr int kLoopbackType = 772; // ARPHRD_LOOPBACK

bool readNumber(const QString &path, quint64 &value)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    value = file.readAll().trimmed().toULongLong(&ok);
    return ok;
}
} // namespace

SysfsNetCounters::SysfsNetCounters(const QString &root)
    : m_root(root)
{ }

bool SysfsNetCounters::read(quint64 &received, quint64 &sent)
{
    QDir root(m_root);
    if (!root.exists())
        return false;
    received = 0;
    sent = 0;
    const QStringList interfaces = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : interfaces) {
        const QString base = root.filePath(name);
        quint64 type = 0;
        if (readNumber(base + "/type", type) && type == kLoopbackType)
            continue;
        quint64 rx = 0;
        quint64 tx = 0;
        if (!readNumber(base + "/statistics/rx_bytes", rx) || !readNumber(base + "/statistics/tx_bytes", tx))
            continue; // an interface going away between listing and reading
        received += rx;
        sent += tx;
    }
    return true;
}
