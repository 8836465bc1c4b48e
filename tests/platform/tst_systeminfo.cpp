#include "platform/systeminfo/fakesysteminfo.h"
#include "platform/systeminfo/linuxsysteminfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(SystemInfo::ProcessorTimes)

namespace {
// How the system check reads an identifier.
QString bitsOf(const QString &identifier)
{
    if (identifier.contains("86"))
        return "32";
    if (identifier.contains("64"))
        return "64";
    return "?";
}

// How the system check computes the load from two samples.
qint64 loadBetween(const SystemInfo::ProcessorTimes &before, const SystemInfo::ProcessorTimes &after)
{
    const quint32 idle = quint32(after.idle) - quint32(before.idle);
    const quint32 kernel = quint32(after.kernel) - quint32(before.kernel);
    const quint32 user = quint32(after.user) - quint32(before.user);
    const qint64 total = qint64(kernel) + user;
    return total == 0 ? -1 : (qint64(user) - idle + kernel) * 100 / total;
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

const char *const intelCpuinfo = "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 86\n"
                                 "model name\t: Intel(R) Xeon(R) CPU D-1541 @ 2.10GHz\nstepping\t: 3\n\n"
                                 "processor\t: 1\nvendor_id\t: GenuineIntel\n";
} // namespace

class TestSystemInfo : public QObject
{
    Q_OBJECT
private slots:
    void processorTimes_data();
    void processorTimes();
    void loadCountsKernelTimeAsBusyOnlyBeyondIdle();
    void memoryStatus_data();
    void memoryStatus();
    void productName_data();
    void productName();
    void identifierTellsTheWidth_data();
    void identifierTellsTheWidth();
    void readsItsFiles();
    void missingFilesReadAsUnknown();
    void thisMachineGivesSaneFigures();
    void fakeAnswersFromItsMachine();
};

void TestSystemInfo::processorTimes_data()
{
    QTest::addColumn<QString>("stat");
    QTest::addColumn<int>("ticksPerSecond");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<SystemInfo::ProcessorTimes>("expected");

    // user nice system idle iowait irq softirq steal guest guest_nice
    const QString usual = "cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 50 10 15 200 25 3 3 4 4 5\nintr 1 2 3\n";
    QTest::newRow("100 ticks a second") << usual << 100 << true
                                        << SystemInfo::ProcessorTimes { 450 * 100000ull, 493 * 100000ull,
                                               120 * 100000ull };
    QTest::newRow("1000 ticks a second") << usual << 1000 << true
                                         << SystemInfo::ProcessorTimes { 450 * 10000ull, 493 * 10000ull,
                                                120 * 10000ull };
    QTest::newRow("an old kernel without iowait")
        << "cpu 1 2 3 4\n"
        << 100 << true << SystemInfo::ProcessorTimes { 400000, 700000, 300000 };
    QTest::newRow("too few fields") << "cpu 1 2 3\n" << 100 << false << SystemInfo::ProcessorTimes {};
    QTest::newRow("not the sum line") << "cpu0 1 2 3 4 5\n" << 100 << false << SystemInfo::ProcessorTimes {};
    QTest::newRow("not numbers") << "cpu a b c d e\n" << 100 << false << SystemInfo::ProcessorTimes {};
    QTest::newRow("empty") << "" << 100 << false << SystemInfo::ProcessorTimes {};
}

void TestSystemInfo::processorTimes()
{
    QFETCH(QString, stat);
    QFETCH(int, ticksPerSecond);
    QFETCH(bool, readable);
    QFETCH(SystemInfo::ProcessorTimes, expected);
    SystemInfo::ProcessorTimes times;
    QCOMPARE(LinuxSystemInfo::parseProcessorTimes(stat, ticksPerSecond, times), readable);
    QCOMPARE(times.idle, expected.idle);
    QCOMPARE(times.kernel, expected.kernel);
    QCOMPARE(times.user, expected.user);
}

void TestSystemInfo::loadCountsKernelTimeAsBusyOnlyBeyondIdle()
{
    // Between the samples: 20 user, 10 nice, 5 system, 3 irq, 2 softirq, 50 idle, 10 iowait, 7 steal ticks.
    SystemInfo::ProcessorTimes before;
    SystemInfo::ProcessorTimes after;
    QVERIFY(LinuxSystemInfo::parseProcessorTimes("cpu 1000 100 500 9000 300 40 60 10 0 0\n", 100, before));
    QVERIFY(LinuxSystemInfo::parseProcessorTimes("cpu 1020 110 505 9050 310 43 62 17 0 0\n", 100, after));
    // Busy 40 of the 100 counted ticks; stolen time is nobody's.
    QCOMPARE(loadBetween(before, after), 40);
}

void TestSystemInfo::memoryStatus_data()
{
    QTest::addColumn<QString>("meminfo");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<quint64>("available");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<quint32>("load");

    QTest::newRow("usual") << "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
                           << true << 4000000ull * 1024 << 16000000ull * 1024 << 75u;
    QTest::newRow("rounded") << "MemTotal: 1000 kB\nMemAvailable: 195 kB\n"
                             << true << 195ull * 1024 << 1000ull * 1024 << 81u;
    QTest::newRow("without MemAvailable")
        << "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\nSwapCached: 9 kB\n"
        << true << 400ull * 1024 << 1000ull * 1024 << 60u;
    QTest::newRow("all free") << "MemTotal: 1000 kB\nMemAvailable: 1000 kB\n"
                              << true << 1000ull * 1024 << 1000ull * 1024 << 0u;
    QTest::newRow("no total") << "MemFree: 100 kB\n" << false << 0ull << 0ull << 0u;
    QTest::newRow("zero total") << "MemTotal: 0 kB\nMemAvailable: 0 kB\n" << false << 0ull << 0ull << 0u;
}

void TestSystemInfo::memoryStatus()
{
    QFETCH(QString, meminfo);
    QFETCH(bool, readable);
    QFETCH(quint64, available);
    QFETCH(quint64, total);
    QFETCH(quint32, load);
    SystemInfo::MemoryStatus status;
    QCOMPARE(LinuxSystemInfo::parseMemoryStatus(meminfo, status), readable);
    QCOMPARE(status.availableBytes, available);
    QCOMPARE(status.totalBytes, total);
    QCOMPARE(status.loadPercent, load);
}

void TestSystemInfo::productName_data()
{
    QTest::addColumn<QString>("osRelease");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &osRelease, const QString &expected) {
        QTest::newRow(name) << osRelease << expected;
    };
    row("debian", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n",
        "Debian GNU/Linux 12 (bookworm)");
    row("unquoted", "NAME=Arch\nPRETTY_NAME=Arch\n", "Arch");
    row("single quotes and escapes", "PRETTY_NAME='My \\\"Linux\\\" 1'\n", "My \"Linux\" 1");
    row("no pretty name", "NAME=\"Some OS\"\nVERSION=\"7 (x)\"\n", "Some OS 7 (x)");
    row("comments", "# PRETTY_NAME=no\nPRETTY_NAME=yes\n", "yes");
    row("empty", "", "");
}

void TestSystemInfo::productName()
{
    QFETCH(QString, osRelease);
    QFETCH(QString, expected);
    QCOMPARE(LinuxSystemInfo::parseProductName(osRelease), expected);
}

void TestSystemInfo::identifierTellsTheWidth_data()
{
    QTest::addColumn<QString>("architecture");
    QTest::addColumn<QString>("cpuinfo");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("bits");

    const auto row
        = [](const char *name, const QString &architecture, const QString &cpuinfo, const QString &identifier,
              const QString &bits) { QTest::newRow(name) << architecture << cpuinfo << identifier << bits; };
    const QString amd = "vendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 186\nstepping\t: 0\n";
    row("intel 64-bit, model 86", "x86_64", intelCpuinfo, "Intel64", "64");
    row("amd 64-bit, model 186", "x86_64", amd, "AMD64", "64");
    row("64-bit without cpuinfo", "x86_64", "", "AMD64", "64");
    row("arm 64-bit", "arm64", "Processor\t: AArch64\n", "ARM64", "64");
    row("arm 64-bit, uname's name", "aarch64", "", "ARM64", "64");
    row("x86 32-bit", "i386", intelCpuinfo, "x86 Family 6 Model 86 Stepping 3", "32");
    row("x86 32-bit without cpuinfo", "i686", "", "x86", "32");
    row("other 64-bit", "riscv64", "", "riscv64", "64");
    row("other 32-bit", "arm", "", "arm", "?");
}

void TestSystemInfo::identifierTellsTheWidth()
{
    QFETCH(QString, architecture);
    QFETCH(QString, cpuinfo);
    QFETCH(QString, identifier);
    QFETCH(QString, bits);
    QCOMPARE(LinuxSystemInfo::identifierFor(architecture, cpuinfo), identifier);
    QCOMPARE(bitsOf(identifier), bits);
}

void TestSystemInfo::readsItsFiles()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("stat"), "cpu  1 2 3 4 5 6 7 8 9 10\n"));
    QVERIFY(writeFile(dir.filePath("meminfo"), "MemTotal: 2000 kB\nMemAvailable: 500 kB\n"));
    QVERIFY(writeFile(dir.filePath("cpuinfo"), intelCpuinfo));
    QVERIFY(writeFile(dir.filePath("os-release"), "PRETTY_NAME=\"Test OS 1\"\n"));
    LinuxSystemInfo info(dir.path(), dir.filePath("os-release"), "x86_64");
    QCOMPARE(info.productName(), QString("Test OS 1"));
    QCOMPARE(info.cpuIdentifier(), QString("Intel64"));
    QCOMPARE(info.cpuName(), QString("Intel(R) Xeon(R) CPU D-1541 @ 2.10GHz"));
    SystemInfo::ProcessorTimes times;
    QVERIFY(info.processorTimes(times));
    QVERIFY(times.kernel > times.idle);
    SystemInfo::MemoryStatus memory;
    QVERIFY(info.memoryStatus(memory));
    QCOMPARE(memory.loadPercent, 75u);
}

void TestSystemInfo::missingFilesReadAsUnknown()
{
    QTemporaryDir dir;
    LinuxSystemInfo info(dir.filePath("none"), dir.filePath("none/os-release"), "x86_64");
    QCOMPARE(info.cpuName(), QString());
    QCOMPARE(info.productName(), QSysInfo::prettyProductName());
    SystemInfo::ProcessorTimes times { 1, 2, 3 };
    QVERIFY(!info.processorTimes(times));
    QCOMPARE(times.kernel, 2ull);
    SystemInfo::MemoryStatus memory;
    QVERIFY(!info.memoryStatus(memory));
    SystemInfo::DiskSpace disk;
    QVERIFY(!info.diskSpace(dir.filePath("no/such/folder"), disk));
}

void TestSystemInfo::thisMachineGivesSaneFigures()
{
    std::unique_ptr<SystemInfo> info = SystemInfo::create();
    QVERIFY(dynamic_cast<LinuxSystemInfo *>(info.get()));
    QVERIFY(!info->productName().isEmpty());
    QVERIFY(!info->cpuName().isEmpty());
    if (QSysInfo::currentCpuArchitecture() == "x86_64")
        QCOMPARE(bitsOf(info->cpuIdentifier()), QString("64"));

    SystemInfo::ProcessorTimes before;
    QVERIFY(info->processorTimes(before));
    QVERIFY(before.kernel >= before.idle);
    // Keep one processor busy until the counters move.
    QElapsedTimer timer;
    timer.start();
    SystemInfo::ProcessorTimes after;
    volatile quint64 sink = 0;
    do {
        for (int i = 0; i < 1000000; ++i)
            sink = sink + quint64(i);
        QVERIFY(info->processorTimes(after));
    } while (after.kernel + after.user == before.kernel + before.user && timer.elapsed() < 10000);
    QVERIFY(after.idle >= before.idle && after.kernel >= before.kernel && after.user >= before.user);
    const qint64 load = loadBetween(before, after);
    QVERIFY2(load >= 0 && load <= 100, qPrintable(QString::number(load)));

    SystemInfo::MemoryStatus memory;
    QVERIFY(info->memoryStatus(memory));
    QVERIFY(memory.totalBytes > 0 && memory.availableBytes <= memory.totalBytes);
    QVERIFY(memory.loadPercent <= 100);

    SystemInfo::DiskSpace disk;
    QVERIFY(info->diskSpace(QDir::currentPath(), disk));
    QVERIFY(QDir::currentPath().startsWith(disk.drive));
    QVERIFY(disk.totalBytes > 0 && disk.freeBytes <= disk.totalBytes);
}

void TestSystemInfo::fakeAnswersFromItsMachine()
{
    auto machine = std::make_shared<FakeSystemInfo::Machine>();
    SystemInfo::setFactory(FakeSystemInfo::factory(machine));
    std::unique_ptr<SystemInfo> info = SystemInfo::create();
    SystemInfo::setFactory({});
    machine->times = { 10, 20, 30 };
    machine->cpuIdentifier = "x86 Family 6";
    SystemInfo::ProcessorTimes times;
    QVERIFY(info->processorTimes(times));
    QCOMPARE(times.user, 30ull);
    QCOMPARE(info->cpuIdentifier(), QString("x86 Family 6"));
    machine->diskReadable = false;
    SystemInfo::DiskSpace disk;
    QVERIFY(!info->diskSpace("/work", disk));
    QCOMPARE(machine->diskFolders, QStringList { "/work" });
    QVERIFY(dynamic_cast<LinuxSystemInfo *>(SystemInfo::create().get()));
}

QTEST_GUILESS_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
