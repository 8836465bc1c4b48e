#include "platform/netcounters/netcounters.h"
#include "tests/support/tempworkdir.h"
#include "vrek/maintool/netflow.h"

#include <QtTest>

namespace {
// A /sys/class/net lookalike in a temporary folder.
class FakeSysfs
{
public:
    void setInterface(const QString &name, int type, quint64 rx, quint64 tx)
    {
        m_dir.writeFile("net/" + name + "/type", QByteArray::number(type) + "\n");
        m_dir.writeFile("net/" + name + "/statistics/rx_bytes", QByteArray::number(rx) + "\n");
        m_dir.writeFile("net/" + name + "/statistics/tx_bytes", QByteArray::number(tx) + "\n");
    }
    QString root() const { return m_dir.filePath("net"); }

private:
    TempWorkDir m_dir;
};

struct Sample
{
    double sent;
    double received;
};
} // namespace

class TestNetFlow : public QObject
{
    Q_OBJECT
private slots:
    void countersSkipLoopback();
    void rates();
    void unreadableCountersGiveNoSample();
};

void TestNetFlow::countersSkipLoopback()
{
    FakeSysfs sysfs;
    sysfs.setInterface("lo", 772, 1000000, 1000000);
    sysfs.setInterface("eth0", 1, 5000, 700);
    sysfs.setInterface("wlan0", 1, 6000000000ULL, 300); // past 2^32: the counters are 64-bit
    SysfsNetCounters counters(sysfs.root());
    quint64 received = 0;
    quint64 sent = 0;
    QVERIFY(counters.read(received, sent));
    QCOMPARE(received, quint64(6000005000ULL));
    QCOMPARE(sent, quint64(1000));
    SysfsNetCounters missing("/nonexistent/net");
    QVERIFY(!missing.read(received, sent));
}

void TestNetFlow::rates()
{
    FakeSysfs sysfs;
    sysfs.setInterface("eth0", 1, 10000000, 2000000); // totals since boot
    quint64 now = 500000;
    NetFlow flow(
        std::make_unique<SysfsNetCounters>(sysfs.root()), [&now] { return now; }, false);
    QSignalSpy spy(&flow, &NetFlow::signalNetFlowChange);

    flow.slotGetFlow(); // the first sample only sets the base
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toDouble(), 0.0);
    QCOMPARE(spy.at(0).at(1).toDouble(), 0.0);

    now += 1000;
    sysfs.setInterface("eth0", 1, 10000000 + 250000, 2000000 + 50000);
    flow.slotGetFlow();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toDouble(), 50.0); // sent, kB/s
    QCOMPARE(spy.at(1).at(1).toDouble(), 250.0); // received

    now += 2000;
    sysfs.setInterface("eth0", 1, 10000000 + 250000 + 100000, 2000000 + 50000);
    flow.slotGetFlow();
    QCOMPARE(spy.at(2).at(0).toDouble(), 0.0);
    QCOMPARE(spy.at(2).at(1).toDouble(), 50.0);

    // The interface went away and came back with fresh counters: no negative rate.
    now += 1000;
    sysfs.setInterface("eth0", 1, 100, 100);
    flow.slotGetFlow();
    QCOMPARE(spy.at(3).at(0).toDouble(), 0.0);
    QCOMPARE(spy.at(3).at(1).toDouble(), 0.0);
}

void TestNetFlow::unreadableCountersGiveNoSample()
{
    quint64 now = 0;
    NetFlow flow(
        std::make_unique<SysfsNetCounters>("/nonexistent/net"), [&now] { return now; }, false);
    QSignalSpy spy(&flow, &NetFlow::signalNetFlowChange);
    flow.slotGetFlow();
    now += 1000;
    flow.slotGetFlow();
    QCOMPARE(spy.count(), 0);
}

QTEST_GUILESS_MAIN(TestNetFlow)
#include "tst_netflow.moc"
