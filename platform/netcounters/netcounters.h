#ifndef NETCOUNTERS_H
#define NETCOUNTERS_H

#include <QString>

// The machine's network interface octet counters, summed over every interface but loopback.
class NetCounters
{
public:
    virtual ~NetCounters() = default;
    // False when the counters cannot be read at all.
    virtual bool read(quint64 &received, quint64 &sent) = 0;
};

// Reads /sys/class/net/<interface>/statistics/{rx,tx}_bytes (64-bit counters); loopback interfaces
// (type 772) are left out. The root folder can be another one, for tests.
class SysfsNetCounters : public NetCounters
{
public:
    explicit SysfsNetCounters(const QString &root = QStringLiteral("/sys/class/net"));
    bool read(quint64 &received, quint64 &sent) override;

private:
    QString m_root;
};

#endif // NETCOUNTERS_H
