#ifndef SCHOOLNETWORK_H
#define SCHOOLNETWORK_H

#include <QProcess>
#include <QString>
#include <QStringList>

// Other machines of a school's network for a test: a network namespace of its own joined to this one by a veth
// pair, this machine's end with an address of its own and the other end with as many addresses as asked, each a
// machine to this one. Programs run there through runThere(). Where the machine does not allow it (no root, no
// namespaces), loopback stands in: this machine is 127.0.0.1 and the others are 127.0.0.2 and up, programs run as
// they are. The addresses are from 198.18.0.0/15, the range kept for tests of network devices, and the namespace
// and its link are removed when the object goes.
class SchoolNetwork
{
public:
    enum class Kind { Veth, Loopback };

    // Makes the network with the given number of other machines (at most 250).
    explicit SchoolNetwork(int machines);
    ~SchoolNetwork();

    Kind kind() const { return m_kind; }
    // "a veth pair in a network namespace" or "loopback", for the test's output.
    QString description() const;
    // This machine's address on the network.
    QString localAddress() const { return m_localAddress; }
    // The other machines' addresses.
    QStringList machineAddresses() const { return m_machines; }
    // The program and arguments that run a command on the other machines.
    void runThere(QProcess &process, const QString &program, const QStringList &arguments) const;
    QString programThere(const QString &program, const QStringList &arguments, QStringList &allArguments) const;

    SchoolNetwork(const SchoolNetwork &) = delete;
    SchoolNetwork &operator=(const SchoolNetwork &) = delete;

private:
    bool makeVeth(int machines);
    void removeVeth();

    Kind m_kind = Kind::Loopback;
    QString m_namespace;
    QString m_link;
    QString m_localAddress;
    QStringList m_machines;
};

#endif // SCHOOLNETWORK_H
