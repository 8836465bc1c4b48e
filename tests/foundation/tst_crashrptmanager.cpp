#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/crashrptmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the crashing child in the current directory; returns its one report folder.
QString crashChild(const QString &how, int expectedSignal)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(CRASH_CHILD), { how });
    if (!child.waitForFinished(20000))
        return "<child did not end>";
    if (child.exitStatus() != QProcess::CrashExit || child.exitCode() != expectedSignal)
        return QString("<child ended with %1 %2>").arg(child.exitStatus()).arg(child.exitCode());
    const QStringList reports = QDir("crashreports").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return reports.size() == 1 ? QDir::current().filePath("crashreports/" + reports.first())
                               : QString("<%1 reports>").arg(reports.size());
}
} // namespace

class TestCrashRptManager : public QObject
{
    Q_OBJECT
private slots:
    void uploadUrl_data();
    void uploadUrl();
    void crashLeavesAReport();
    void crashBeforeSignInHasEmptyProperties();
    void fatalMessageLeavesAReport();
    void nextStartUploadsReports();
    void unreachableServerKeepsReports();
    void pendingReportsAreBounded();
};

void TestCrashRptManager::uploadUrl_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("url");
    QTest::newRow("defaults")
        << QString(GlobalDefault::crashHost) << "11111"
        << QString("http://%1:11111/crashfix/index.php/crashReport/uploadExternal").arg(GlobalDefault::crashHost);
    QTest::newRow("command line") << "crash.school.cn"
                                  << "8080"
                                  << "http://crash.school.cn:8080/crashfix/index.php/crashReport/uploadExternal";
}

void TestCrashRptManager::uploadUrl()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, url);
    g_crashHost = host;
    g_crashPort = port;
    QCOMPARE(CrashRptManager::uploadUrl(), url);
}

void TestCrashRptManager::crashLeavesAReport()
{
    TempWorkDir work;
    const QString report = crashChild("segv", SIGSEGV);
    QVERIFY2(QFileInfo(report).isDir(), qPrintable(report));
    QVERIFY(QFile::exists(report + "/complete"));
    const QByteArray crash = readFile(report + "/crash.txt");
    QVERIFY2(crash.contains("signal=11\nname=SIGSEGV\n"), crash.constData());
    QVERIFY(crash.contains("app=TaviStudent 2.1.0"));
    QVERIFY(crash.contains("backtrace:\n"));
    QVERIFY(crash.count('\n') > 8); // some frames
    QCOMPARE(readFile(report + "/properties.txt"),
        QString::fromUtf8("userId=1001\nuserName=张三\nclassId=c-42\nclassName=数学 第一课\n").toUtf8());
    // The copy of the log holds the run's lines and the crash line written at the crash.
    const QByteArray log = readFile(report + "/crashchild.txt");
    QVERIFY(log.contains("about to crash"));
    QVERIFY(log.contains("CrashCallback exeType: 11"));
}

void TestCrashRptManager::crashBeforeSignInHasEmptyProperties()
{
    TempWorkDir work;
    const QString report = crashChild("anonymous", SIGSEGV);
    QVERIFY2(QFileInfo(report).isDir(), qPrintable(report));
    QCOMPARE(readFile(report + "/properties.txt"), QByteArray("userId=\nuserName=\nclassId=\nclassName=\n"));
}

void TestCrashRptManager::fatalMessageLeavesAReport()
{
    TempWorkDir work;
    const QString report = crashChild("abort", SIGABRT);
    QVERIFY2(QFileInfo(report).isDir(), qPrintable(report));
    QVERIFY(readFile(report + "/crash.txt").contains("name=SIGABRT"));
    QVERIFY(readFile(report + "/crashchild.txt").contains("giving up"));
}

void TestCrashRptManager::nextStartUploadsReports()
{
    TempWorkDir work;
    QVERIFY(QFileInfo(crashChild("segv", SIGSEGV)).isDir());
    const QString report = QDir("crashreports").entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);

    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray path = "/crashfix/index.php/crashReport/uploadExternal";
    server.setJson(path, "ok");
    g_crashHost = "127.0.0.1";
    g_crashPort = QString::number(server.port());
    g_logFileName = "./log/next.txt";
    QDir().mkpath("log");
    {
        // The next start of the client: its manager finds the report and sends it.
        CrashRptManager manager;
        QVERIFY(server.waitForRequest(path, 10000));
        QTRY_VERIFY(!QDir("crashreports/" + report).exists());
    }
    const FakeHttpServer::Request request = server.lastRequest(path);
    QCOMPARE(request.method, QByteArray("POST"));
    QVERIFY(request.header("content-type").startsWith("multipart/form-data"));
    QVERIFY(request.body.contains("name=\"crashguid\"\r\n\r\n" + report.toUtf8()));
    QVERIFY(request.body.contains("filename=\"crash.txt\""));
    QVERIFY(request.body.contains("filename=\"properties.txt\""));
    QVERIFY(request.body.contains("filename=\"crashchild.txt\""));
    QVERIFY(request.body.contains("signal=11"));
}

void TestCrashRptManager::unreachableServerKeepsReports()
{
    TempWorkDir work;
    QVERIFY(QFileInfo(crashChild("segv", SIGSEGV)).isDir());
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray path = "/crashfix/index.php/crashReport/uploadExternal";
    server.setJson(path, "broken", 500);
    CrashReportUploader uploader(
        QDir::current().filePath("crashreports"), server.baseUrl() + QString::fromLatin1(path));
    QSignalSpy finished(&uploader, &CrashReportUploader::finished);
    uploader.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QCOMPARE(finished.at(0).at(1).toInt(), 1);
    QCOMPARE(CrashReportUploader::pendingReports("crashreports").size(), 1);
}

void TestCrashRptManager::pendingReportsAreBounded()
{
    TempWorkDir work;
    for (int i = 0; i < CrashReportUploader::maxPending + 3; ++i)
        QVERIFY(work.writeFile(QString("crashreports/2026010100%1-1/complete").arg(i, 4, 10, QChar('0')), ""));
    QVERIFY(work.writeFile("crashreports/unfinished-2/crash.txt", "signal=11")); // recent, still being written
    const QStringList reports = CrashReportUploader::pendingReports("crashreports");
    QCOMPARE(reports.size(), CrashReportUploader::maxPending);
    QVERIFY(reports.first().endsWith("20260101000003-1")); // the oldest went
    QVERIFY(QDir("crashreports/unfinished-2").exists());
}

QTEST_GUILESS_MAIN(TestCrashRptManager)
#include "tst_crashrptmanager.moc"
