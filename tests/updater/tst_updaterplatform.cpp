#include "tests/support/tempworkdir.h"
#include "updater/platform/instancelock.h"
#include "updater/platform/manifestpath.h"
#include "updater/platform/nprocess.h"
#include "updater/platform/nsocket.h"
#include "updater/platform/nwaker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <thread>
#include <unistd.h>

using ZR::InstanceLock;
using ZR::ManifestPath;
using ZR::NProcess;

namespace {
bool waitFor(const std::function<bool()> &condition, int ms = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

class TestUpdaterPlatform : public QObject
{
    Q_OBJECT
private slots:
    void manifestNames_data();
    void manifestNames();
    void fileName();
    void lockIsExclusiveAndReleased();
    void lockIsNotInheritedByAStartedProgram();
    void lockPathFollowsTheRuntimeFolder();
    void snapshotFindsAndEndsAProcessByName();
    void startRunsAProgramOfTheWorkingDirectory();
    void enterOwnFolderLeavesTheStartingFolder();
    void wakerCutsWaitsShort();
};

void TestUpdaterPlatform::manifestNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("local");
    QTest::newRow("sub-folder") << QByteArray(".\\\\sub\\x.dll") << true << "sub/x.dll";
    QTest::newRow("top level") << QByteArray(".\\\\TaviStudent") << true << "TaviStudent";
    QTest::newRow("single backslash") << QByteArray(".\\a\\b.so") << true << "a/b.so";
    QTest::newRow("no prefix") << QByteArray("x.so") << true << "x.so";
    QTest::newRow("slashes") << QByteArray("./a/b.so") << true << "a/b.so";
    QTest::newRow("doubled inside") << QByteArray(".\\\\a\\\\b.so") << true << "a/b.so";
    QTest::newRow("dot inside") << QByteArray(".\\\\a\\.\\b.so") << true << "a/b.so";
    QTest::newRow("dots in a name") << QByteArray(".\\\\a..b\\...so") << true << "a..b/...so";
    QTest::newRow("parent") << QByteArray("..\\x.so") << false << "";
    QTest::newRow("parent after prefix") << QByteArray(".\\\\..\\x.so") << false << "";
    QTest::newRow("parent inside") << QByteArray(".\\\\sub\\..\\..\\x.so") << false << "";
    QTest::newRow("parent with slashes") << QByteArray("./sub/../../etc/passwd") << false << "";
    QTest::newRow("parent at the end") << QByteArray(".\\\\sub\\..") << false << "";
    QTest::newRow("absolute") << QByteArray("/etc/passwd") << false << "";
    QTest::newRow("root backslash") << QByteArray("\\x.so") << false << "";
    QTest::newRow("share") << QByteArray("\\\\server\\share\\x.so") << false << "";
    QTest::newRow("drive") << QByteArray("C:\\x.so") << false << "";
    QTest::newRow("drive relative") << QByteArray("c:x.so") << false << "";
    QTest::newRow("NUL") << QByteArray("a\0b.so", 6) << false << "";
    QTest::newRow("empty") << QByteArray("") << false << "";
    QTest::newRow("dot") << QByteArray(".") << false << "";
    QTest::newRow("prefix only") << QByteArray(".\\\\") << false << "";
    QTest::newRow("folder") << QByteArray(".\\\\sub\\") << false << "";
    QTest::newRow("folder dot") << QByteArray(".\\\\sub\\.") << false << "";
}

void TestUpdaterPlatform::manifestNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, ok);
    QFETCH(QString, local);
    std::string result = "untouched";
    QCOMPARE(ManifestPath::toLocal(name.toStdString(), &result), ok);
    QCOMPARE(QString::fromStdString(result), ok ? local : QString("untouched"));
}

void TestUpdaterPlatform::fileName()
{
    QCOMPARE(ManifestPath::fileName("sub/deeper/x.so"), std::string("x.so"));
    QCOMPARE(ManifestPath::fileName("TaviStudent"), std::string("TaviStudent"));
}

void TestUpdaterPlatform::lockIsExclusiveAndReleased()
{
    TempWorkDir dir;
    const std::string path = dir.filePath("Holtapdate.lock").toStdString();
    InstanceLock first(path);
    InstanceLock second(path);
    QCOMPARE(first.acquire(), InstanceLock::Acquired);
    QCOMPARE(second.acquire(), InstanceLock::HeldElsewhere);
    first.release();
    QCOMPARE(second.acquire(), InstanceLock::Acquired);

    InstanceLock nowhere("/nonexistent-folder/Holtapdate.lock");
    QCOMPARE(nowhere.acquire(), InstanceLock::Unavailable);
}

void TestUpdaterPlatform::lockIsNotInheritedByAStartedProgram()
{
    TempWorkDir dir;
    // It runs on past the test, and tells its process id so that it can be ended.
    QVERIFY(writeScript("holder", "echo $$ > holder.pid.part && mv holder.pid.part holder.pid && exec sleep 60"));
    const std::string path = dir.filePath("Holtapdate.lock").toStdString();
    {
        InstanceLock lock(path);
        QCOMPARE(lock.acquire(), InstanceLock::Acquired);
        QVERIFY(NProcess::start("holder"));
    }
    QVERIFY(waitFor([] { return QFile::exists("holder.pid"); }, 30000));
    QFile pidFile("holder.pid");
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t holder = pid_t(pidFile.readAll().trimmed().toLong());
    QVERIFY(holder > 0);
    QVERIFY(::kill(holder, 0) == 0); // it still runs
    // The started program runs on; the lock must have ended with its holder all the same.
    InstanceLock next(path);
    const InstanceLock::Result acquired = next.acquire();
    ::kill(holder, SIGTERM);
    QCOMPARE(acquired, InstanceLock::Acquired);
}

void TestUpdaterPlatform::lockPathFollowsTheRuntimeFolder()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    TempWorkDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QCOMPARE(QString::fromStdString(InstanceLock::defaultPath()), dir.filePath("Holtapdate.lock"));
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(InstanceLock::defaultPath(), "/tmp/Holtapdate-" + std::to_string(::getuid()) + ".lock");
    if (!saved.isNull())
        qputenv("XDG_RUNTIME_DIR", saved);
}

void TestUpdaterPlatform::snapshotFindsAndEndsAProcessByName()
{
    TempWorkDir dir;
    const QString name = QString("zrsleeper%1").arg(::getpid());
    QVERIFY(QFile::copy("/bin/sleep", dir.filePath(name)));
    QProcess sleeper;
    sleeper.start(dir.filePath(name), { "30" });
    QVERIFY(sleeper.waitForStarted());

    std::vector<NProcess::Entry> entries;
    QVERIFY(NProcess::snapshot(&entries));
    const auto found = std::find_if(entries.begin(), entries.end(),
        [&](const NProcess::Entry &entry) { return entry.executable == name.toStdString(); });
    QVERIFY(found != entries.end());
    QCOMPARE(qint64(found->pid), sleeper.processId());
    QVERIFY(std::none_of(
        entries.begin(), entries.end(), [](const NProcess::Entry &entry) { return entry.pid == ::getpid(); }));

    QVERIFY(NProcess::terminate(found->pid));
    QVERIFY(sleeper.waitForFinished(3000));
    QCOMPARE(sleeper.exitStatus(), QProcess::CrashExit);
}

void TestUpdaterPlatform::startRunsAProgramOfTheWorkingDirectory()
{
    TempWorkDir dir;
    QVERIFY(writeScript("client", "echo started >> started.txt"));
    QVERIFY(NProcess::start("client"));
    QVERIFY(waitFor([] { return QFile("started.txt").size() > 0; }));
    QVERIFY(!NProcess::start("missing-program"));
}

void TestUpdaterPlatform::enterOwnFolderLeavesTheStartingFolder()
{
    TempWorkDir dir;
    QVERIFY(QDir::currentPath() != QCoreApplication::applicationDirPath());
    QVERIFY(NProcess::enterOwnFolder());
    // The folder that was current before comes back with the end of dir.
    QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(),
        QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
}

void TestUpdaterPlatform::wakerCutsWaitsShort()
{
    ZR::NWaker waker;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(waker.sleep(30)); // the whole pause
    QVERIFY(timer.elapsed() >= 29);

    std::thread later([&waker] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        waker.wake();
    });
    // Woken, it returns long before the pause would end.
    const int pause = 60000;
    timer.restart();
    QVERIFY(!waker.sleep(pause));
    later.join();
    QVERIFY(timer.elapsed() < pause);
    QVERIFY(!waker.sleep(10)); // stays woken
}

QTEST_GUILESS_MAIN(TestUpdaterPlatform)
#include "tst_updaterplatform.moc"
