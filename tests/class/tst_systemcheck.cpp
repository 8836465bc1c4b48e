#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/systeminfo/fakesysteminfo.h"
#include "platform/systeminfo/linuxsysteminfo.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/deviceinfolabel.h"
#include "vrek/class/devicesetview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/httptipmessage.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/statvfs.h>

namespace {
constexpr quint64 gigabyte = 1ull << 30;
const QByteArray elapsedPath = "/mobile/httpElapsed";

QStringList row(const DeviceSetView &view, const char *name)
{
    const DeviceInfoLabel *label = view.findChild<DeviceInfoLabel *>(QString::fromLatin1(name));
    return { label->info(), label->status() };
}

QString pass(const DeviceSetView &view)
{
    return view.findChild<QPushButton *>("systemLeftButton")->property("pass").toString();
}
} // namespace

// The system step: the machine's rows with their limits, the network latency measured over HTTP, and the
// verdict on the result page.
class TestSystemCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void operatingSystem_data();
    void operatingSystem();
    void processorLoad_data();
    void processorLoad();
    void memoryAndDisk_data();
    void memoryAndDisk();
    void latency_data();
    void latency();
    void failedProbeRaisesTheNetworkTip_data();
    void failedProbeRaisesTheNetworkTip();
    void droppedClassroomConnectionIsATimeout();
    void realMachineGivesSaneFigures();
    void diskRowCountsTheRoomTheUserMayWrite_data();
    void diskRowCountsTheRoomTheUserMayWrite();
    void blocksKeptForRootAreNoRoomOfTheStudents();

private:
    // One run of the check, the view on its system step.
    void check(DeviceSetView &view) { view.slotRefreshTimeout(); }
    // Two samples of the processor times that differ by the given amounts.
    void sampleLoad(DeviceSetView &view, quint64 idle, quint64 kernel, quint64 user);
    // A run whose probe is answered, with the clock moved on by answerMs when the server has the request.
    void probe(DeviceSetView &view, int answerMs);

    QThread m_networkThread;
    TempWorkDir *m_work = nullptr;
    FakeHttpServer *m_server = nullptr;
    httpTipMessage *m_tip = nullptr;
    std::shared_ptr<FakeSystemInfo::Machine> m_system;
    QDateTime m_now;
};

void TestSystemCheck::initTestCase()
{
    m_work = new TempWorkDir;
    SettingConfig::getSetting();
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
    g_userId = "20001";
    g_loginSignId = "sign-1";
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(std::make_shared<FakeDeviceCatalog::Machine>()));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
}

void TestSystemCheck::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
    DeviceCatalog::setFactory({});
    SoundControl::setFactory({});
    SystemInfo::setFactory({});
    delete m_work;
}

void TestSystemCheck::init()
{
    m_system = std::make_shared<FakeSystemInfo::Machine>();
    SystemInfo::setFactory(FakeSystemInfo::factory(m_system));
    m_server = new FakeHttpServer;
    QVERIFY(m_server->listen());
    m_server->setJson(elapsedPath, R"({"requestStatus":"success","requestBody":""})");
    g_httpClientManager = new HttpClientManager;
    g_httpClientManager->setDnsUrl(m_server->hostAndPort());
    m_tip = new httpTipMessage;
    g_httpTipMessage = m_tip;
    g_socketClientManager = new SocketClientManager(GlobalEnum::User1);
    m_now = QDateTime(QDate(2026, 3, 2), QTime(9, 0));
}

void TestSystemCheck::cleanup()
{
    delete g_socketClientManager;
    g_socketClientManager = nullptr;
    g_httpTipMessage = nullptr;
    delete m_tip;
    delete g_httpClientManager;
    delete m_server;
}

void TestSystemCheck::sampleLoad(DeviceSetView &view, quint64 idle, quint64 kernel, quint64 user)
{
    check(view);
    m_system->times.idle += idle;
    m_system->times.kernel += kernel;
    m_system->times.user += user;
    check(view);
}

void TestSystemCheck::probe(DeviceSetView &view, int answerMs)
{
    m_server->setHandler(elapsedPath, [this, answerMs](const FakeHttpServer::Request &) {
        m_now = m_now.addMSecs(answerMs);
        FakeHttpServer::Reply reply;
        reply.body = R"({"requestStatus":"success","requestBody":""})";
        return reply;
    });
    QSignalSpy answers(g_httpClientManager, &HttpClientManager::signalHttpElapsed);
    check(view);
    QVERIFY(answers.wait(20000));
    QCOMPARE(answers.count(), 1);
}

void TestSystemCheck::operatingSystem_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("width");
    QTest::newRow("64-bit Intel") << "Intel64"
                                  << "64位";
    QTest::newRow("64-bit AMD") << "AMD64"
                                << "64位";
    QTest::newRow("64-bit ARM") << "ARM64"
                                << "64位";
    QTest::newRow("32-bit x86") << "x86 Family 6 Model 15 Stepping 11"
                                << "32位";
    QTest::newRow("86 wins over 64") << "EM64T Family 6 Model 86"
                                     << "32位";
    QTest::newRow("64 within a name") << "riscv64gc"
                                      << "64位";
    QTest::newRow("neither at all") << "mips"
                                    << "mips";
    QTest::newRow("unknown") << QString() << QString();
}

void TestSystemCheck::operatingSystem()
{
    QFETCH(QString, identifier);
    QFETCH(QString, width);
    m_system->cpuIdentifier = identifier;
    // A failing row elsewhere does not touch the operating system's.
    m_system->memory.loadPercent = 99;
    DeviceSetView view;
    check(view);
    QCOMPARE(row(view, "productWidget"), QStringList({ "Debian GNU/Linux 12 (bookworm) " + width, "正常" }));
}

void TestSystemCheck::processorLoad_data()
{
    QTest::addColumn<quint64>("idle");
    QTest::addColumn<quint64>("kernel"); // idle included
    QTest::addColumn<quint64>("user");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("status");
    QTest::newRow("idle") << quint64(1000) << quint64(1000) << quint64(0) << "0%"
                          << "正常";
    QTest::newRow("79 passes") << quint64(21) << quint64(60) << quint64(40) << "79%"
                               << "正常";
    QTest::newRow("80 fails") << quint64(20) << quint64(60) << quint64(40) << "80%"
                              << "处理器占用过高";
    QTest::newRow("all busy") << quint64(0) << quint64(300) << quint64(700) << "100%"
                              << "处理器占用过高";
    // Two checks a long time apart (or the first one against the zero sample): the times grew by more than
    // 32 bits hold, and the load is still the share of the time that was busy.
    QTest::newRow("beyond 32 bits") << quint64(6000000000) << quint64(10000000000) << quint64(5000000000) << "60%"
                                    << "正常";
}

void TestSystemCheck::processorLoad()
{
    QFETCH(quint64, idle);
    QFETCH(quint64, kernel);
    QFETCH(quint64, user);
    QFETCH(QString, info);
    QFETCH(QString, status);
    m_system->times = { 7000000000, 9000000000, 4000000000 };
    DeviceSetView view;
    sampleLoad(view, idle, kernel, user);
    QCOMPARE(row(view, "processorWidget"), QStringList({ "Test Processor @ 3.00GHz " + info, status }));
    QCOMPARE(pass(view), QString(status == "正常" ? "1" : "0"));
    // No time passed since: the last figure stands.
    check(view);
    QCOMPARE(row(view, "processorWidget").first(), "Test Processor @ 3.00GHz " + info);
}

void TestSystemCheck::memoryAndDisk_data()
{
    QTest::addColumn<quint32>("memoryLoad");
    QTest::addColumn<quint64>("freeDisk");
    QTest::addColumn<QString>("memoryStatus");
    QTest::addColumn<QString>("diskStatus");
    QTest::addColumn<QString>("diskInfo");
    QTest::newRow("both fine") << quint32(79) << 100 * gigabyte << "正常"
                               << "正常"
                               << "当前磁盘 / 100.00 GB 可用，共 500.00 GB";
    QTest::newRow("memory at 80") << quint32(80) << 100 * gigabyte << "内存占用过高"
                                  << "正常"
                                  << "当前磁盘 / 100.00 GB 可用，共 500.00 GB";
    QTest::newRow("half a gigabyte free") << quint32(10) << gigabyte / 2 << "正常"
                                          << "硬盘剩余过小"
                                          << "当前磁盘 / 0.50 GB 可用，共 500.00 GB";
    QTest::newRow("just above half a gigabyte") << quint32(10) << gigabyte / 2 + 1 << "正常"
                                                << "正常"
                                                << "当前磁盘 / 0.50 GB 可用，共 500.00 GB";
}

void TestSystemCheck::memoryAndDisk()
{
    QFETCH(quint32, memoryLoad);
    QFETCH(quint64, freeDisk);
    QFETCH(QString, memoryStatus);
    QFETCH(QString, diskStatus);
    QFETCH(QString, diskInfo);
    m_system->memory = { 3 * gigabyte / 2, 16 * gigabyte, memoryLoad };
    m_system->disk.freeBytes = freeDisk;
    DeviceSetView view;
    // The processor is idle throughout.
    sampleLoad(view, 100, 100, 0);
    QCOMPARE(row(view, "memoryWidget"), QStringList({ QString("1.50/16.00 GB (%1%)").arg(memoryLoad), memoryStatus }));
    QCOMPARE(row(view, "diskWidget"), QStringList({ diskInfo, diskStatus }));
    QCOMPARE(m_system->diskFolders.last(), QDir::currentPath());
    // One failing row is enough for the verdict.
    const bool passed = memoryStatus == "正常" && diskStatus == "正常";
    QCOMPARE(row(view, "result1Widget"),
        passed ? QStringList({ "系统资源正常", "通过" }) : QStringList({ "系统资源异常", "不通过" }));
    QCOMPARE(pass(view), QString(passed ? "1" : "0"));
}

void TestSystemCheck::latency_data()
{
    QTest::addColumn<int>("answerMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("30") << 30 << "30 ms";
    QTest::newRow("49, nothing taken off below 50") << 49 << "49 ms";
    QTest::newRow("50") << 50 << "0 ms";
    QTest::newRow("51") << 51 << "1 ms";
    QTest::newRow("1000") << 1000 << "950 ms";
    QTest::newRow("1001, a time-out") << 1001 << "超时";
}

void TestSystemCheck::latency()
{
    QFETCH(int, answerMs);
    QFETCH(QString, text);
    DeviceSetView view;
    view.setClock([this] { return m_now; });
    QSignalSpy tips(m_tip, &httpTipMessage::signalShows);
    // Before any answer the network counts as good.
    QCOMPARE(view.latencyText(), QString("0 ms"));
    probe(view, answerMs);
    QCOMPARE(view.latencyText(), text);
    const FakeHttpServer::Request request = m_server->lastRequest(elapsedPath);
    QCOMPARE(request.form.value("heard"), QString("3"));
    QCOMPARE(request.form.value("userId"), QString("20001"));
    // The next run shows it.
    check(view);
    const bool good = text.endsWith("ms");
    QCOMPARE(row(view, "networkWidget"), QStringList({ "延迟 " + text, good ? "正常" : "网络异常" }));
    QCOMPARE(row(view, "result1Widget").last(), QString(good ? "通过" : "不通过"));
    QCOMPARE(tips.count(), 0);
}

void TestSystemCheck::failedProbeRaisesTheNetworkTip_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("fault");
    QTest::newRow("no answer in time: error") << 200 << int(FakeHttpServer::NeverAnswer);
    QTest::newRow("a failed request: nothing") << 500 << int(FakeHttpServer::NoFault);
}

void TestSystemCheck::failedProbeRaisesTheNetworkTip()
{
    QFETCH(int, status);
    QFETCH(int, fault);
    g_httpClientManager->setRequestTimeouts(300, 300);
    FakeHttpServer::Reply reply;
    reply.status = status;
    reply.fault = FakeHttpServer::Fault(fault);
    m_server->setReply(elapsedPath, reply);
    DeviceSetView view;
    view.setClock([this] { return m_now; });
    QSignalSpy tips(m_tip, &httpTipMessage::signalShows);
    QSignalSpy answers(g_httpClientManager, &HttpClientManager::signalHttpElapsed);
    check(view);
    QVERIFY(answers.wait(20000));
    QCOMPARE(tips.count(), 1);
    QCOMPARE(view.latencyText(), QString("超时"));
    check(view);
    QCOMPARE(row(view, "networkWidget"), QStringList({ "延迟 超时", "网络异常" }));
    QCOMPARE(pass(view), QString("0"));
    // The next good answer clears it.
    QVERIFY(answers.wait(20000));
    QCOMPARE(tips.count(), 2);
    probe(view, 120);
    QCOMPARE(view.latencyText(), QString("70 ms"));
    QCOMPARE(tips.count(), 2);
}

void TestSystemCheck::droppedClassroomConnectionIsATimeout()
{
    DeviceSetView view;
    view.setClock([this] { return m_now; });
    probe(view, 20);
    QCOMPARE(view.latencyText(), QString("20 ms"));
    emit g_socketClientManager->signalSocketTimeout(false, "良好");
    QCOMPARE(view.latencyText(), QString("20 ms"));
    emit g_socketClientManager->signalSocketTimeout(true, QString());
    QCOMPARE(view.latencyText(), QString("超时"));
}

void TestSystemCheck::realMachineGivesSaneFigures()
{
    SystemInfo::setFactory({});
    DeviceSetView view;
    check(view);
    QTest::qWait(300);
    check(view);
    const QStringList product = row(view, "productWidget");
    QVERIFY2(!product.first().trimmed().isEmpty(), qPrintable(product.first()));
    if (QSysInfo::currentCpuArchitecture() == "x86_64")
        QVERIFY2(product.first().endsWith(" 64位"), qPrintable(product.first()));
    const QRegularExpressionMatch load = QRegularExpression(" (\\d+)%$").match(row(view, "processorWidget").first());
    QVERIFY2(load.hasMatch(), qPrintable(row(view, "processorWidget").first()));
    QVERIFY(load.captured(1).toInt() >= 0 && load.captured(1).toInt() <= 100);
    const QRegularExpressionMatch memory = QRegularExpression("^(\\d+\\.\\d\\d)/(\\d+\\.\\d\\d) GB \\((\\d+)%\\)$")
                                               .match(row(view, "memoryWidget").first());
    QVERIFY2(memory.hasMatch(), qPrintable(row(view, "memoryWidget").first()));
    QVERIFY(memory.captured(2).toDouble() > 0);
    QVERIFY(memory.captured(1).toDouble() <= memory.captured(2).toDouble());
    QVERIFY(memory.captured(3).toInt() <= 100);
    const QString disk = row(view, "diskWidget").first();
    QVERIFY2(disk.startsWith("当前磁盘 " + QStorageInfo(QDir::currentPath()).rootPath() + " "), qPrintable(disk));
    QVERIFY2(
        QRegularExpression("\\d+\\.\\d\\d GB 可用，共 \\d+\\.\\d\\d GB$").match(disk).hasMatch(), qPrintable(disk));
}

void TestSystemCheck::diskRowCountsTheRoomTheUserMayWrite_data()
{
    QTest::addColumn<quint64>("rootMayWrite");
    QTest::addColumn<quint64>("userMayWrite");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("status");
    // 4 KiB blocks.
    QTest::newRow("a school disk with a large reserve") << quint64(225.9 * gigabyte) << 70 * gigabyte << "70.00"
                                                        << "正常";
    QTest::newRow("room for root only") << 10 * gigabyte << gigabyte * 2 / 5 << "0.40"
                                        << "硬盘剩余过小";
    QTest::newRow("half a gigabyte for the user") << 3 * gigabyte << gigabyte / 2 << "0.50"
                                                  << "硬盘剩余过小";
}

// The machine's own layer over figures a file system gives: what statvfs counts free for root and what it leaves
// a user differ by the blocks kept for root.
void TestSystemCheck::diskRowCountsTheRoomTheUserMayWrite()
{
    QFETCH(quint64, rootMayWrite);
    QFETCH(quint64, userMayWrite);
    QFETCH(QString, room);
    QFETCH(QString, status);
    const quint64 block = 4096;
    const LinuxSystemInfo::StatVfs figures = [=](const char *, struct statvfs *out) {
        *out = {};
        out->f_bsize = block;
        out->f_frsize = block;
        out->f_blocks = 252 * gigabyte / block;
        out->f_bfree = rootMayWrite / block;
        out->f_bavail = userMayWrite / block;
        return 0;
    };
    SystemInfo::setFactory([figures] {
        return std::make_unique<LinuxSystemInfo>(
            QStringLiteral("/proc"), QStringLiteral("/etc/os-release"), QString(), figures);
    });
    DeviceSetView view;
    check(view);
    const QString drive = QStorageInfo(QDir::currentPath()).rootPath();
    QCOMPARE(row(view, "diskWidget"),
        QStringList({ QString("当前磁盘 %1 %2 GB 可用，共 252.00 GB").arg(drive, room), status }));
    if (status != "正常") {
        QCOMPARE(row(view, "result1Widget"), QStringList({ "系统资源异常", "不通过" }));
        QCOMPARE(pass(view), QString("0"));
    }
}

// A real file system that keeps half its blocks for root: a 900 MiB ext2 image, mounted where the check looks (the
// working folder). Root could write more than the half gigabyte the check asks for, the student less.
void TestSystemCheck::blocksKeptForRootAreNoRoomOfTheStudents()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString image = base.filePath("disk.img");
    const QString mountPoint = base.filePath("disk");
    QVERIFY(QDir().mkpath(mountPoint));
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(900) << 20)); // sparse
    }
    QProcess make;
    make.start("mke2fs", { "-q", "-t", "ext2", "-m", "50", "-N", "64", "-F", image });
    if (!make.waitForFinished(120000) || make.exitStatus() != QProcess::NormalExit || make.exitCode() != 0)
        QSKIP("mke2fs cannot make an ext2 image here");
    if (QProcess::execute("mount", { "-o", "loop", image, mountPoint }) != 0)
        QSKIP("no loop device can be mounted here (it takes root): the layer's own figures are checked above");
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(mountPoint));
    struct statvfs figures = {};
    const bool read = ::statvfs(".", &figures) == 0;
    SystemInfo::setFactory({});
    QStringList disk;
    {
        DeviceSetView view;
        check(view);
        disk = row(view, "diskWidget");
    }
    QDir::setCurrent(saved);
    QCOMPARE(QProcess::execute("umount", { mountPoint }), 0);
    QVERIFY(read);
    const double userGb = double(quint64(figures.f_bavail) * figures.f_frsize) / gigabyte;
    const double rootGb = double(quint64(figures.f_bfree) * figures.f_frsize) / gigabyte;
    QVERIFY2(userGb < 0.5 && rootGb > 0.5, qPrintable(QString("%1 %2").arg(userGb).arg(rootGb)));
    QVERIFY2(disk.first().contains(QString(" %1 GB 可用").arg(userGb, 0, 'f', 2)), qPrintable(disk.first()));
    QCOMPARE(disk.last(), QString("硬盘剩余过小"));
}

QTEST_MAIN(TestSystemCheck)
#include "tst_systemcheck.moc"
