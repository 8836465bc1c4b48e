#include "tests/support/schoolnetwork.h"

#include <QCoreApplication>
#include <QDebug>

#include <unistd.h>

namespace {
bool ip(const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
} // namespace

SchoolNetwork::SchoolNetwork(int machines)
{
    machines = qBound(1, machines, 250);
    if (makeVeth(machines))
        return;
    removeVeth();
    m_kind = Kind::Loopback;
    m_localAddress = QStringLiteral("127.0.0.1");
    for (int i = 0; i < machines; ++i)
        m_machines.append(QStringLiteral("127.0.0.%1").arg(2 + i));
}

SchoolNetwork::~SchoolNetwork()
{
    removeVeth();
}

QString SchoolNetwork::description() const
{
    return m_kind == Kind::Veth ? QStringLiteral("a veth pair in a network namespace (%1)").arg(m_localAddress)
                                : QStringLiteral("loopback");
}

bool SchoolNetwork::makeVeth(int machines)
{
    if (::geteuid() != 0)
        return false;
    // A subnet no other network of this machine uses, so that two tests at once do not meet.
    QString addresses;
    if (!ip({ "-4", "-o", "addr", "show" }, &addresses))
        return false;
    const int pid = int(::getpid());
    int subnet = -1;
    for (int i = 0; i < 500 && subnet < 0; ++i) {
        const int candidate = (pid + i) % 500;
        const QString prefix = QStringLiteral("198.%1.%2.").arg(18 + candidate / 250).arg(candidate % 250);
        if (!addresses.contains(prefix))
            subnet = candidate;
    }
    if (subnet < 0)
        return false;
    const QString net = QStringLiteral("198.%1.%2.").arg(18 + subnet / 250).arg(subnet % 250);
    m_namespace = QStringLiteral("tavi-school-%1").arg(pid);
    m_link = QStringLiteral("tvs%1").arg(pid);
    const QString peer = m_link + QStringLiteral("p");
    if (!ip({ "netns", "add", m_namespace })) {
        m_namespace.clear();
        return false;
    }
    const QStringList there { "netns", "exec", m_namespace, "ip" };
    if (!ip({ "link", "add", m_link, "type", "veth", "peer", "name", peer, "netns", m_namespace })) {
        m_link.clear();
        return false;
    }
    m_localAddress = net + QStringLiteral("1");
    if (!ip({ "addr", "add", m_localAddress + "/24", "dev", m_link }) || !ip({ "link", "set", m_link, "up" })
        || !ip(there + QStringList { "link", "set", "lo", "up" })
        || !ip(there + QStringList { "link", "set", peer, "up" }))
        return false;
    for (int i = 0; i < machines; ++i) {
        const QString address = net + QString::number(2 + i);
        if (!ip(there + QStringList { "addr", "add", address + "/24", "dev", peer }))
            return false;
        m_machines.append(address);
    }
    // The link carries once both ends are up.
    for (int attempt = 0; attempt < 50; ++attempt) {
        QString state;
        if (ip({ "-o", "link", "show", "dev", m_link }, &state) && state.contains(QStringLiteral("LOWER_UP"))) {
            m_kind = Kind::Veth;
            return true;
        }
        ::usleep(100 * 1000);
    }
    return false;
}

void SchoolNetwork::removeVeth()
{
    if (!m_link.isEmpty())
        ip({ "link", "del", m_link });
    if (!m_namespace.isEmpty())
        ip({ "netns", "del", m_namespace });
    m_link.clear();
    m_namespace.clear();
    m_machines.clear();
}

QString SchoolNetwork::programThere(
    const QString &program, const QStringList &arguments, QStringList &allArguments) const
{
    if (m_kind == Kind::Loopback) {
        allArguments = arguments;
        return program;
    }
    allArguments = QStringList { "netns", "exec", m_namespace, program } + arguments;
    return QStringLiteral("ip");
}

void SchoolNetwork::runThere(QProcess &process, const QString &program, const QStringList &arguments) const
{
    QStringList all;
    const QString command = programThere(program, arguments, all);
    process.start(command, all);
}
