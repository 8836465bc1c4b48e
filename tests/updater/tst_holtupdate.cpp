#include "platform/windowcapture/windowcaptureresolver.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/xvfbdisplay.h"
#include "updater/httpdownload.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {
const QByteArray kFolder = "/up/student/files/";

QByteArray md5Of(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

// The manifest's form of a local path: a dot, two backslashes, then backslashes between the folders.
QByteArray nameOf(QByteArray local)
{
    return ".\\\\" + local.replace('/', '\\');
}

struct Entry
{
    QByteArray name;
    QByteArray md5;
};

QByteArray manifest(const QList<QByteArray> &complete, const QList<Entry> &files, const QByteArray &version = "2.1.7")
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<AutoUpdater>\n  <Complete>\n";
    for (const QByteArray &path : complete)
        xml += "    <eachFile dllPath=\"" + path + "\"/>\n";
    xml += "  </Complete>\n  <Files version=\"" + version + "\">\n";
    for (const Entry &file : files)
        xml += "    <file name=\"" + file.name + "\" md5=\"" + file.md5 + "\"/>\n";
    xml += "  </Files>\n</AutoUpdater>\n";
    return xml;
}

FakeHttpServer::Reply ranged(const QByteArray &body, int delayMs = 0)
{
    FakeHttpServer::Reply reply;
    reply.ranges = true;
    reply.body = body;
    reply.contentType = "application/octet-stream";
    reply.delayMs = delayMs;
    return reply;
}

// Processes working in the folder, other than this one and its children (the updaters it runs): the clients an
// updater started, which outlive it. One that has ended has no working folder any more.
int othersWorkingIn(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int found = 0;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.toLongLong() <= 0 || pid.toLatin1() == self
            || QFileInfo("/proc/" + pid + "/cwd").canonicalFilePath() != canonical)
            continue;
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold anything, the fields after its last ")" do not.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            continue;
        ++found;
    }
    return found;
}

bool spinUntil(const std::function<bool()> &condition, int ms)
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
} // namespace

// A client folder with the stand-in client and a copy of the updater (it works in its own folder), an update
// server, and the updater run as a process in that folder. The folder lies inside a root that stands for
// "outside the client's folder" and holds the updater's lock.
class UpdaterRig
{
public:
    UpdaterRig()
    {
        QDir(m_root.path()).mkdir("client");
        m_clientDir = m_root.filePath("client");
        m_server.listen();
        QFile::copy(STANDIN_CLIENT, path("TaviStudent"));
        QFile::copy(HOLTUPDATE_PROGRAM, updater());
    }

    // The updater's copy in the client's folder, under the name the build gives it.
    QString updater() const { return path(QFileInfo(HOLTUPDATE_PROGRAM).fileName()); }

    // Runs the updater on this X display with a real window instead of offscreen.
    void setDisplay(const QString &display) { m_display = display; }
    QString clientDir() const { return m_clientDir; }
    QString rootDir() const { return m_root.path(); }
    QString path(const QString &local) const { return m_clientDir + "/" + local; }
    QString outside(const QString &name) const { return m_root.filePath(name); }
    FakeHttpServer &server() { return m_server; }

    bool write(const QString &local, const QByteArray &content) const
    {
        QFileInfo info(path(local));
        QDir().mkpath(info.absolutePath());
        QFile file(info.filePath());
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    QByteArray read(const QString &local) const
    {
        QFile file(path(local));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QByteArray clientMd5() const { return md5Of(read("TaviStudent")); }

    void serve(const QByteArray &fileName, const FakeHttpServer::Reply &reply)
    {
        m_server.setReply(kFolder + fileName, reply);
    }
    void serve(const QByteArray &fileName, const QByteArray &content, int delayMs = 0)
    {
        serve(fileName, ranged(content, delayMs));
    }
    void setManifest(const QByteArray &xml) { serve("filelist.xml", xml); }
    int requests(const QByteArray &fileName) const { return m_server.requestCount(kFolder + fileName); }

    // Runs the program (the updater's copy when empty) from the working directory (the client's folder when
    // empty).
    int run(const QStringList &extra = {}, int timeoutMs = 30000, QString program = QString(),
        const QString &workingDirectory = QString())
    {
        if (program.isEmpty())
            program = updater();
        QProcess updater;
        updater.setWorkingDirectory(workingDirectory.isEmpty() ? m_clientDir : workingDirectory);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", m_root.path());
        environment.insert("QT_QPA_PLATFORM", m_display.isEmpty() ? "offscreen" : "xcb");
        if (!m_display.isEmpty())
            environment.insert("DISPLAY", m_display);
        updater.setProcessEnvironment(environment);
        updater.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        updater.start(program, QStringList { "-url:" + m_server.baseUrl() + "/up" } + extra);
        if (!updater.waitForStarted())
            return -1;
        if (!spinUntil([&] { return updater.state() == QProcess::NotRunning; }, timeoutMs)) {
            updater.kill();
            updater.waitForFinished();
            return -2;
        }
        m_elapsedMs = timer.elapsed();
        return updater.exitStatus() == QProcess::NormalExit ? updater.exitCode() : -3;
    }
    qint64 elapsedMs() const { return m_elapsedMs; }

    // The client is started asynchronously and may write after the updater has ended: its lines are counted once
    // every client the updater started has ended (each writes its line first). -1 when one runs on.
    int clientStarts() const
    {
        if (!spinUntil([&] { return othersWorkingIn(m_clientDir) == 0; }, 30000))
            return -1;
        QFile marker(path("client-started.txt"));
        if (!marker.open(QIODevice::ReadOnly))
            return 0;
        return marker.readAll().count('\n');
    }

    // Temporary, backup, manifest and swap-mark files the updater may leave behind.
    QStringList leftovers() const
    {
        QStringList found;
        QDirIterator it(m_clientDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.endsWith("ormu") || file.endsWith("delBak") || file.endsWith("/temp.xml")
                || file.endsWith("/holtupdate.swap"))
                found << file.mid(m_clientDir.size() + 1);
        }
        return found;
    }

private:
    QTemporaryDir m_root;
    QString m_clientDir;
    FakeHttpServer m_server;
    qint64 m_elapsedMs = 0;
    QString m_display;
};

class TestHoltupdate : public QObject
{
    Q_OBJECT
private slots:
    void nothingToUpdate();
    void updatesChangedMissingAndStrayFiles();
    void failedDownloadKeepsEveryOriginal_data();
    void failedDownloadKeepsEveryOriginal();
    void installFailureRestoresOriginals();
    void refusedManifestTouchesNothing_data();
    void refusedManifestTouchesNothing();
    void failedSizeQueryStartsTheClientOnce();
    void secondUpdaterExitsAtOnce();
    void clientAndOwnExecutableReplaced_data();
    void clientAndOwnExecutableReplaced();
    void interruptedSwapIsRestoredAtStart();
    void backupsOfAnEarlierSwapAreSettledAtStart_data();
    void backupsOfAnEarlierSwapAreSettledAtStart();
    void closedProgressWindowStillEndsTheUpdate();
    void realUpdaterReplacesItselfUnderEitherName_data();
    void realUpdaterReplacesItselfUnderEitherName();
    void commandLine_data();
    void commandLine();
    void startedFromAnotherFolderWorksBesideItself();
};

void TestHoltupdate::nothingToUpdate()
{
    UpdaterRig rig;
    QVERIFY(rig.write("libA.so", "library A"));
    for (const char *leftover : { "filelist.xml", "temp.temp", "a.vbs", "mybat.bat", "HoltupdateEstu_temp" })
        QVERIFY(rig.write(leftover, "old"));
    QVERIFY(QFile::copy(STANDIN_SLEEPER, rig.path("KelStudent")));
    QProcess running;
    running.start(rig.path("KelStudent"), QStringList());
    QVERIFY(running.waitForStarted());

    rig.setManifest(manifest({ nameOf("libA.so") },
        { { nameOf("TaviStudent"), rig.clientMd5() }, { nameOf("libA.so"), md5Of("library A") } }));
    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.clientStarts(), 1);
    QVERIFY(spinUntil([&] { return running.state() == QProcess::NotRunning; }, 3000)); // ended before updating
    QCOMPARE(running.exitStatus(), QProcess::CrashExit);
    QCOMPARE(rig.read("libA.so"), QByteArray("library A"));
    QCOMPARE(rig.leftovers(), QStringList());
    for (const char *leftover : { "filelist.xml", "temp.temp", "a.vbs", "mybat.bat", "HoltupdateEstu_temp" })
        QVERIFY2(!QFile::exists(rig.path(leftover)), leftover);
    QCOMPARE(rig.server().requests().size(), 1); // the manifest only
}

void TestHoltupdate::updatesChangedMissingAndStrayFiles()
{
    UpdaterRig rig;
    QVERIFY(rig.write("libA.so", "old A"));
    QVERIFY(QFile::setPermissions(rig.path("libA.so"),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
    QVERIFY(rig.write("libStray.so", "stray"));
    QVERIFY(rig.write("libKeep.SO", "not ours to judge"));
    QVERIFY(rig.write("notes.txt", "kept"));
    QVERIFY(QDir().mkpath(rig.outside("elsewhere")));
    QFile outsideLib(rig.outside("elsewhere/libOut.so"));
    QVERIFY(outsideLib.open(QIODevice::WriteOnly));
    outsideLib.close();
    QVERIFY(QFile::link(rig.outside("elsewhere"), rig.path("linked")));

    const QByteArray newA = "new A " + QByteArray(3000, 'a');
    const QByteArray newB = "new B " + QByteArray(70000, 'b');
    const QByteArray newC = "new C";
    const QByteArray newD = "new D " + QByteArray(5000, 'd');
    const int delay = 300;
    rig.serve("libA.so", newA, delay);
    rig.serve("libB.so", newB, delay);
    rig.serve("c.so", newC, delay);
    rig.serve("d.so", newD, delay);
    FakeHttpServer::Reply empty; // nginx's answer to a range of an empty file: 200, no Content-Range
    empty.contentType = "application/octet-stream";
    empty.delayMs = delay;
    rig.serve("empty.dat", empty);

    QList<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    connect(&rig.server(), &FakeHttpServer::requestReceived, this, [&](const FakeHttpServer::Request &request) {
        if (!request.path.endsWith("filelist.xml"))
            arrivals << clock.elapsed();
    });

    rig.setManifest(manifest({ nameOf("libA.so"), nameOf("plugins/libB.so"), nameOf("c.so"), nameOf("d.so") },
        { { nameOf("TaviStudent"), rig.clientMd5() }, { nameOf("libA.so"), md5Of(newA) },
            { nameOf("plugins/libB.so"), md5Of(newB) }, { nameOf("c.so"), md5Of(newC) },
            { nameOf("d.so"), md5Of(newD) }, { nameOf("empty.dat"), md5Of("") } }));
    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.clientStarts(), 1);

    QCOMPARE(rig.read("libA.so"), newA);
    QCOMPARE(rig.read("plugins/libB.so"), newB);
    QCOMPARE(rig.read("c.so"), newC);
    QCOMPARE(rig.read("d.so"), newD);
    QCOMPARE(rig.read("empty.dat"), QByteArray());
    QVERIFY(!QFile::exists(rig.path("libStray.so")));
    QCOMPARE(rig.read("libKeep.SO"), QByteArray("not ours to judge"));
    QCOMPARE(rig.read("notes.txt"), QByteArray("kept"));
    QVERIFY(QFile::exists(rig.outside("elsewhere/libOut.so")));
    QCOMPARE(QFile::permissions(rig.path("libA.so")) & 0x7077,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    QCOMPARE(rig.leftovers(), QStringList());

    // Five size queries one after another, then five downloads on three workers.
    QCOMPARE(arrivals.size(), 10);
    int most = 0;
    for (qint64 at : arrivals) {
        const int together = int(std::count_if(
            arrivals.begin(), arrivals.end(), [at](qint64 other) { return other >= at && other < at + 250; }));
        most = std::max(most, together);
    }
    QCOMPARE(most, 3);
}

void TestHoltupdate::failedDownloadKeepsEveryOriginal_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("404") << 0;
    QTest::newRow("digest differs from the manifest") << 1;
    QTest::newRow("closed before the end") << 2;
}

void TestHoltupdate::failedDownloadKeepsEveryOriginal()
{
    QFETCH(int, failure);
    UpdaterRig rig;
    QVERIFY(rig.write("a.so", "old a"));
    QVERIFY(rig.write("b.so", "old b"));
    QVERIFY(rig.write("c.so", "old c"));
    const QByteArray newB = QByteArray(20000, 'b');
    const QByteArray newC = QByteArray(20000, 'c');
    rig.serve("a.so", "new a");
    // The size query of every file succeeds; the downloads then fail as the row says.
    int bCalls = 0;
    rig.server().setHandler(kFolder + "b.so", [&](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply = ranged(newB);
        if (bCalls++ == 0)
            return reply;
        if (failure == 0) {
            reply = FakeHttpServer::Reply();
            reply.status = 404;
        } else if (failure == 1) {
            reply.body[100] = 'X';
        } else {
            reply.fault = FakeHttpServer::CloseAfter;
            reply.faultAfter = 100;
        }
        return reply;
    });
    // c stalls in the middle: only stopping the worker ends the run soon.
    int cCalls = 0;
    rig.server().setHandler(kFolder + "c.so", [&](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply = ranged(newC);
        if (cCalls++ > 0) {
            reply.fault = FakeHttpServer::StallAfter;
            reply.faultAfter = 1000;
        }
        return reply;
    });
    rig.setManifest(manifest({ nameOf("a.so"), nameOf("b.so"), nameOf("c.so") },
        { { nameOf("a.so"), md5Of("new a") }, { nameOf("b.so"), md5Of(newB) }, { nameOf("c.so"), md5Of(newC) } }));

    QCOMPARE(rig.run(), 1);
    // Sooner than the stalled download's own time-outs would give up.
    const ZR::HttpDownload::Limits limits;
    QVERIFY2(
        rig.elapsedMs() < limits.receiveTimeoutMs * limits.timeoutLimit, qPrintable(QString::number(rig.elapsedMs())));
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("a.so"), QByteArray("old a"));
    QCOMPARE(rig.read("b.so"), QByteArray("old b"));
    QCOMPARE(rig.read("c.so"), QByteArray("old c"));
    QCOMPARE(rig.leftovers(), QStringList());
    rig.server().closeConnections();
}

void TestHoltupdate::installFailureRestoresOriginals()
{
    UpdaterRig rig;
    QVERIFY(rig.write("A.so", "old A"));
    QVERIFY(rig.write("B.so", "old B"));
    QVERIFY(rig.write("C.so/inner.txt", "a folder stands where the manifest has a file"));
    QList<QByteArray> complete;
    QList<Entry> files;
    for (const char *name : { "0new.so", "A.so", "B.so", "C.so", "D.so" }) {
        const QByteArray content = QByteArray("new ") + name;
        rig.serve(name, content);
        complete.append(nameOf(name));
        files.append({ nameOf(name), md5Of(content) });
    }
    rig.setManifest(manifest(complete, files));

    QCOMPARE(rig.run(), 1);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("A.so"), QByteArray("old A"));
    QCOMPARE(rig.read("B.so"), QByteArray("old B"));
    QVERIFY(!QFile::exists(rig.path("0new.so"))); // installed before the failure, so it goes again
    QVERIFY(!QFile::exists(rig.path("D.so")));
    QCOMPARE(rig.read("C.so/inner.txt"), QByteArray("a folder stands where the manifest has a file"));
    QCOMPARE(rig.leftovers(), QStringList());
}

void TestHoltupdate::refusedManifestTouchesNothing_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QByteArray>("badName");
    const QList<QByteArray> complete = { nameOf("good.so") };
    const Entry good { nameOf("good.so"), md5Of("new good") };
    QTest::newRow("parent in a file name")
        << manifest(complete, { good, { ".\\\\..\\escape.so", md5Of("x") } }) << QByteArray("escape.so");
    QTest::newRow("parent deeper") << manifest(complete, { good, { ".\\\\sub\\..\\..\\escape.so", md5Of("x") } })
                                   << QByteArray("escape.so");
    QTest::newRow("slashes") << manifest(complete, { good, { "./../escape.so", md5Of("x") } })
                             << QByteArray("escape.so");
    QTest::newRow("drive letter") << manifest(complete, { good, { "C:\\escape.so", md5Of("x") } })
                                  << QByteArray("escape.so");
    QTest::newRow("absolute") << QByteArray("ABSOLUTE") << QByteArray("escape.so");
    QTest::newRow("parent in a dllPath") << manifest({ "..\\escape.so" }, { good }) << QByteArray();
    QTest::newRow("file without md5")
        << QByteArray(manifest(complete, { good })).replace("md5=\"" + md5Of("new good") + "\"", "") << QByteArray();
    QTest::newRow("file without name") << manifest(complete, { good, { "", "" } }).replace("name=\"\" md5=\"\"", "")
                                       << QByteArray();
    QTest::newRow("Files without version")
        << manifest(complete, { good }).replace(" version=\"2.1.7\"", "") << QByteArray();
    QTest::newRow("no eachFile") << manifest({}, { good }) << QByteArray();
    QTest::newRow("no file") << manifest(complete, {}) << QByteArray();
    QTest::newRow("not XML") << QByteArray("<AutoUpdater><Complete>") << QByteArray();
}

void TestHoltupdate::refusedManifestTouchesNothing()
{
    QFETCH(QByteArray, xml);
    QFETCH(QByteArray, badName);
    UpdaterRig rig;
    if (xml == "ABSOLUTE") {
        xml = manifest({ nameOf("good.so") },
            { { nameOf("good.so"), md5Of("new good") }, { rig.outside("escape.so").toUtf8(), md5Of("x") } });
    }
    QVERIFY(rig.write("good.so", "old good"));
    QVERIFY(rig.write("libStray.so", "stray"));
    rig.serve("good.so", "new good");
    rig.serve("escape.so", "x");
    rig.setManifest(xml);

    QCOMPARE(rig.run(), 1);
    QCOMPARE(rig.clientStarts(), 1);
    QVERIFY(!QFile::exists(rig.outside("escape.so")));
    QCOMPARE(rig.read("good.so"), QByteArray("old good"));
    QCOMPARE(rig.read("libStray.so"), QByteArray("stray")); // refused before anything was deleted
    QCOMPARE(rig.server().requests().size(), 1);
    QCOMPARE(rig.leftovers(), QStringList());
    Q_UNUSED(badName)
}

void TestHoltupdate::failedSizeQueryStartsTheClientOnce()
{
    // A name so long that its URL cannot be used: the size query fails before any connection.
    UpdaterRig rig;
    const QByteArray longName = QByteArray(240, 'n') + ".so";
    QVERIFY(rig.write("a.so", "old a"));
    rig.serve("a.so", "new a");
    rig.setManifest(manifest({ nameOf("a.so"), nameOf(longName) },
        { { nameOf("a.so"), md5Of("new a") }, { nameOf(longName), md5Of("x") } }));
    QCOMPARE(rig.run(), 1);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("a.so"), QByteArray("old a"));
    QCOMPARE(rig.leftovers(), QStringList());
}

void TestHoltupdate::secondUpdaterExitsAtOnce()
{
    UpdaterRig rig;
    FakeHttpServer::Reply silent;
    silent.fault = FakeHttpServer::NeverAnswer;
    rig.serve("filelist.xml", silent);

    QProcess first;
    first.setWorkingDirectory(rig.clientDir());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", rig.rootDir());
    first.setProcessEnvironment(environment);
    first.start(rig.updater(), { "-url:" + rig.server().baseUrl() + "/up" });
    QVERIFY(first.waitForStarted());
    QVERIFY(rig.server().waitForRequest(kFolder + "filelist.xml"));

    QCOMPARE(rig.run(), 2);
    QCOMPARE(first.state(), QProcess::Running); // ended while the first still waits on the silent server
    QCOMPARE(rig.clientStarts(), 0);
    QCOMPARE(rig.requests("filelist.xml"), 1); // the second asked for nothing

    // The first one goes on: its retry finds no manifest, and it starts the client.
    FakeHttpServer::Reply missing;
    missing.status = 404;
    rig.serve("filelist.xml", missing);
    rig.server().closeConnections();
    QVERIFY(spinUntil([&] { return first.state() == QProcess::NotRunning; }, 10000));
    QCOMPARE(first.exitCode(), 1);
    QCOMPARE(rig.clientStarts(), 1);
}

void TestHoltupdate::clientAndOwnExecutableReplaced_data()
{
    QTest::addColumn<bool>("clientPresent");
    QTest::newRow("client replaced") << true;
    QTest::newRow("client missing") << false;
}

void TestHoltupdate::clientAndOwnExecutableReplaced()
{
    QFETCH(bool, clientPresent);
    UpdaterRig rig;
    if (!clientPresent)
        QVERIFY(QFile::remove(rig.path("TaviStudent")));
    QVERIFY(rig.write("HoltupdateEstu", "old updater"));
    QVERIFY(QFile::setPermissions(rig.path("HoltupdateEstu"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray script = "#!/bin/sh\necho script >> client-started.txt\n";
    rig.serve("TaviStudent", script);
    rig.serve("HoltupdateEstu", "new updater");
    rig.setManifest(manifest({ nameOf("libA.so") },
        { { nameOf("TaviStudent"), md5Of(script) }, { nameOf("HoltupdateEstu"), md5Of("new updater") } }));

    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("client-started.txt"), QByteArray("script\n")); // the new client, and it is executable
    QCOMPARE(rig.read("HoltupdateEstu"), QByteArray("new updater"));
    QVERIFY(QFileInfo(rig.path("HoltupdateEstu")).isExecutable());
    QCOMPARE(rig.leftovers(), QStringList());
}

void TestHoltupdate::interruptedSwapIsRestoredAtStart()
{
    UpdaterRig rig;
    // An earlier run stopped after the backup pass: the file is missing, its backup holds the only copy.
    QVERIFY(rig.write("sub/libA.sodelBak", "library A"));
    rig.setManifest(manifest({ nameOf("sub/libA.so") }, { { nameOf("sub/libA.so"), md5Of("library A") } }));
    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.read("sub/libA.so"), QByteArray("library A"));
    QCOMPARE(rig.leftovers(), QStringList());
    QCOMPARE(rig.server().requests().size(), 1);
    QCOMPARE(rig.clientStarts(), 1);
}

void TestHoltupdate::backupsOfAnEarlierSwapAreSettledAtStart_data()
{
    QTest::addColumn<bool>("stoppedHalfWay");
    QTest::newRow("stopped half-way: all old again") << true;
    QTest::newRow("swap done, backups left: all new") << false;
}

void TestHoltupdate::backupsOfAnEarlierSwapAreSettledAtStart()
{
    QFETCH(bool, stoppedHalfWay);
    UpdaterRig rig;
    // An earlier run backed up a.so and b.so and installed a.so; b.so had not been installed, and new.so, which
    // had no original, had been.
    QVERIFY(rig.write("a.so", "new a"));
    QVERIFY(rig.write("a.sodelBak", "old a"));
    QVERIFY(rig.write("sub/b.sodelBak", "old b"));
    QVERIFY(rig.write("new.so", "new file"));
    if (stoppedHalfWay) {
        // Its mark, as the swap leaves it until its last file is in: the files it adds, one a line.
        QVERIFY(rig.write("holtupdate.swap", "new.so\n"));
    } else {
        QVERIFY(rig.write("sub/b.so", "new b"));
    }
    const QByteArray a = stoppedHalfWay ? "old a" : "new a";
    const QByteArray b = stoppedHalfWay ? "old b" : "new b";
    QList<Entry> files { { nameOf("a.so"), md5Of(a) }, { nameOf("sub/b.so"), md5Of(b) } };
    if (!stoppedHalfWay)
        files.append({ nameOf("new.so"), md5Of("new file") });
    rig.setManifest(manifest({ nameOf("a.so"), nameOf("sub/b.so"), nameOf("new.so") }, files));

    QCOMPARE(rig.run(), 0);
    QCOMPARE(rig.read("a.so"), a);
    QCOMPARE(rig.read("sub/b.so"), b);
    QCOMPARE(QFile::exists(rig.path("new.so")), !stoppedHalfWay);
    QCOMPARE(rig.leftovers(), QStringList());
    QCOMPARE(rig.server().requests().size(), 1); // nothing to download: the folder is whole
    QCOMPARE(rig.clientStarts(), 1);
}

void TestHoltupdate::closedProgressWindowStillEndsTheUpdate()
{
    XvfbDisplay display;
    QVERIFY(display.start());
    UpdaterRig rig;
    rig.setDisplay(display.name());
    QVERIFY(rig.write("a.so", "old a"));
    const QByteArray newA = "new a " + QByteArray(5000, 'a');
    rig.serve("a.so", newA, 1500); // the window stays up for a while
    rig.setManifest(manifest({ nameOf("a.so") }, { { nameOf("a.so"), md5Of(newA) } }));

    // The user closes the window while the update runs, as through a window manager.
    bool closed = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        const WindowCaptureResolver::Window window = WindowCaptureResolver::findWindow("Holtrenew", display.name());
        if (window.id != 0 && display.closeWindow(window.id)) {
            closed = true;
            closer.stop();
        }
    });
    closer.start(50);
    QCOMPARE(rig.run({}, 20000), 0);
    QVERIFY(closed);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("a.so"), newA);
    QCOMPARE(rig.leftovers(), QStringList());
}

void TestHoltupdate::realUpdaterReplacesItselfUnderEitherName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("as the build installs it") << "Holtupdate";
    QTest::newRow("under the manifest's constant") << "HoltupdateEstu";
}

void TestHoltupdate::realUpdaterReplacesItselfUnderEitherName()
{
    QFETCH(QString, name);
    UpdaterRig rig;
    // The built updater itself runs from the client's folder, and the manifest brings a new one of its name.
    QFile::remove(rig.path(name));
    QVERIFY(QFile::copy(HOLTUPDATE_PROGRAM, rig.path(name)));
    const QByteArray newUpdater = "#!/bin/sh\necho new >> updater-ran.txt\n";
    rig.serve(name.toUtf8(), newUpdater);
    rig.setManifest(manifest({ nameOf(name.toUtf8()) },
        { { nameOf("TaviStudent"), rig.clientMd5() }, { nameOf(name.toUtf8()), md5Of(newUpdater) } }));

    QCOMPARE(rig.run({ "-log:true" }, 30000, rig.path(name)), 0);
    QCOMPARE(rig.clientStarts(), 1);
    // It knew the file for its own, and removed its old copy after it had started the client.
    const QByteArray log = rig.read("updatelog.txt");
    QVERIFY(log.indexOf("start run exe") < log.indexOf("start update self...."));
    QCOMPARE(rig.read(name), newUpdater);
    QVERIFY(QFileInfo(rig.path(name)).isExecutable());
    QCOMPARE(rig.leftovers(), QStringList());
    // The new copy runs.
    QProcess replaced;
    replaced.setWorkingDirectory(rig.clientDir());
    replaced.start(rig.path(name), QStringList());
    QVERIFY(replaced.waitForFinished(10000));
    QCOMPARE(replaced.exitCode(), 0);
    QCOMPARE(rig.read("updater-ran.txt"), QByteArray("new\n"));
}

void TestHoltupdate::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("logged");
    QTest::newRow("log on") << QStringList { "-log:true" } << 0 << true;
    QTest::newRow("log in capitals stays off") << QStringList { "-log:TRUE" } << 0 << false;
    QTest::newRow("no log") << QStringList() << 0 << false;
    QTest::newRow("empty url") << QStringList { "-url:", "-log:true" } << 1 << true;
}

void TestHoltupdate::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, logged);
    UpdaterRig rig;
    rig.setManifest(manifest({ nameOf("TaviStudent") }, { { nameOf("TaviStudent"), rig.clientMd5() } }));
    QCOMPARE(rig.run(arguments), exitCode);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(QFile::exists(rig.path("updatelog.txt")), logged);
    if (!logged)
        return;
    const QByteArray log = rig.read("updatelog.txt");
    QVERIFY(log.contains("----------------Holtrenew------------------"));
    QVERIFY(log.contains(exitCode == 0 ? "no need update files" : "can't download xml"));
    QVERIFY(log.contains("start run exe"));
    QCOMPARE(rig.server().requests().size(), exitCode == 0 ? 1 : 0);
}

// Started from a home folder, the updater reads, deletes and installs only in its own folder.
void TestHoltupdate::startedFromAnotherFolderWorksBesideItself()
{
    UpdaterRig rig;
    const QString home = rig.outside("home");
    QVERIFY(QDir().mkpath(home + "/lib"));
    const QMap<QString, QByteArray> homeFiles { { "mine.so", "mine" }, { "lib/other.so", "other" },
        { "libA.so", "home's A" }, { "filelist.xml", "home's list" }, { "temp.temp", "home's temp" } };
    for (auto it = homeFiles.cbegin(); it != homeFiles.cend(); ++it) {
        QFile file(home + "/" + it.key());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(it.value()) == it.value().size());
    }
    QVERIFY(rig.write("libA.so", "old A"));
    QVERIFY(rig.write("libStray.so", "stray"));
    const QByteArray newA = "new A " + QByteArray(5000, 'a');
    rig.serve("libA.so", newA);
    rig.setManifest(manifest(
        { nameOf("libA.so") }, { { nameOf("TaviStudent"), rig.clientMd5() }, { nameOf("libA.so"), md5Of(newA) } }));

    QCOMPARE(rig.run({ "-log:true" }, 30000, QString(), home), 0);
    QCOMPARE(rig.clientStarts(), 1);
    QCOMPARE(rig.read("libA.so"), newA);
    QVERIFY(!QFile::exists(rig.path("libStray.so")));
    QVERIFY(rig.read("updatelog.txt").contains("start run exe"));
    QCOMPARE(rig.leftovers(), QStringList());

    // The home folder holds what it held, and nothing more.
    QStringList found;
    QDirIterator it(home, QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(home.size() + 1);
    found.sort();
    QStringList expected = homeFiles.keys();
    expected << "lib";
    expected.sort();
    QCOMPARE(found, expected);
    for (auto file = homeFiles.cbegin(); file != homeFiles.cend(); ++file) {
        QFile kept(home + "/" + file.key());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), file.value());
    }
}

QTEST_GUILESS_MAIN(TestHoltupdate)
#include "tst_holtupdate.moc"
