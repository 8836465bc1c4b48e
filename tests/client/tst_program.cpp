#include "tests/support/filesizelimit.h"
#include "tests/support/tempworkdir.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
} // namespace

// The TaviStudent program as a user starts it.
class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void version();
    void help();
    void secondInstanceShowsItsBoxAndEnds();
    void failedInitialisationIsToldAndEnds();
    void dataFolderAndFilesAreTheUsersAlone_data();
    void dataFolderAndFilesAreTheUsersAlone();
    void stoppedByItsProcessIdItEndsInOrder();
    void aStartOnAFullDiskIsTold_data();
    void aStartOnAFullDiskIsTold();

private:
    QProcessEnvironment environment() const;
    // Starts the client against servers that do not exist and waits until its database and settings are there.
    bool startUntilReady(QProcess &program, const QString &appdata);
    QScopedPointer<TempWorkDir> m_work;
};

void TestProgram::init()
{
    // The last one goes first: going, it brings back the folder that was current before it.
    m_work.reset();
    m_work.reset(new TempWorkDir);
    QDir().mkpath("appdata");
    QDir().mkpath("runtime");
    QFile::setPermissions("runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment TestProgram::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVI_APPDATA", m_work->filePath("appdata"));
    env.insert("XDG_RUNTIME_DIR", m_work->filePath("runtime")); // its own single-instance lock
    return env;
}

void TestProgram::version()
{
    QProcess program;
    QProcessEnvironment env = environment();
    env.remove("QT_QPA_PLATFORM"); // no display needed for the version
    env.remove("DISPLAY");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVI_STUDENT), { "--version" });
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput().trimmed(), QByteArray("TaviStudent 2.1.0"));
}

void TestProgram::help()
{
    QProcess program;
    program.setProcessEnvironment(environment());
    program.start(QStringLiteral(TAVI_STUDENT), { "-help" });
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QByteArray help = program.readAllStandardOutput();
    for (const char *option : { "--host-socket-addr <host>", "--host-socket-port <port>", "--host-file-addr <host>",
             "--host-file-port <port>", "--host-crash-addr <host>", "--host-crash-port <port>",
             "--host-http-addr <host>", "--host-http-port <port>", "--disable-auto-record", "--debug",
             "Connect to http port", "Debug Model" })
        QVERIFY2(help.contains(option), option);
}

void TestProgram::secondInstanceShowsItsBoxAndEnds()
{
    QProcess first;
    first.setProcessEnvironment(environment());
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    // Servers that do not exist: the first instance only has to stay up at its login window.
    first.start(QStringLiteral(TAVI_STUDENT), { "--host-http-addr", "127.0.0.1", "--host-http-port", "9" });
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!QDir("appdata/log").entryList(QDir::Files).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("appdata/ESystemData2"), 10000);

    QProcess second;
    QProcessEnvironment env = environment();
    env.insert("TAVI_TEST_ACCEPT_MESSAGE_BOXES", "1");
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TAVI_STUDENT), QStringList());
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardError().contains(
        QString::fromUtf8("message box: 您已运行Vantrel学生端，不能重复运行").toUtf8()));
    QCOMPARE(first.state(), QProcess::Running); // the first is unaffected

    first.terminate();
    if (!first.waitForFinished(5000)) {
        first.kill();
        first.waitForFinished();
    }
}

void TestProgram::failedInitialisationIsToldAndEnds()
{
    // A file where the received-files folder must go: the client cannot work and must not sit windowless.
    QVERIFY(m_work->writeFile("appdata/fileRecv", "not a folder"));
    QProcess program;
    QProcessEnvironment env = environment();
    env.insert("TAVI_TEST_ACCEPT_MESSAGE_BOXES", "1");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVI_STUDENT), { "--host-http-addr", "127.0.0.1", "--host-http-port", "9" });
    QVERIFY(program.waitForFinished(15000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(program.readAllStandardError().contains(
        QString::fromUtf8("message box: 程序初始化失败，请检查磁盘空间和文件夹权限后重新启动。").toUtf8()));
}

bool TestProgram::startUntilReady(QProcess &program, const QString &appdata)
{
    QProcessEnvironment env = environment();
    env.insert("TAVI_APPDATA", appdata);
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TAVI_STUDENT), { "--host-http-addr", "127.0.0.1", "--host-http-port", "9" });
    if (!program.waitForStarted())
        return false;
    // The login window writes its first setting ("isread/flag") once the database is set up.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        QFile settings(appdata + "/config.ini");
        if (settings.open(QIODevice::ReadOnly) && settings.readAll().contains("isread"))
            return true;
        QTest::qWait(50);
    }
    return false;
}

void TestProgram::dataFolderAndFilesAreTheUsersAlone_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("first start") << false;
    QTest::newRow("left open to others by an earlier start") << true;
}

void TestProgram::dataFolderAndFilesAreTheUsersAlone()
{
    QFETCH(bool, existing);
    // The settings file holds the remembered password.
    const QString appdata = m_work->filePath(existing ? "appdata" : "fresh/appdata");
    if (existing) {
        QVERIFY(m_work->writeFile("appdata/config.ini", "[userinfo]\nusercode=student01\npassword=tavi2026\n"));
        QVERIFY(m_work->writeFile("appdata/ESystemData2", QByteArray()));
        QVERIFY(::chmod(QFile::encodeName(appdata).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(appdata + "/config.ini").constData(), 0644) == 0);
        QVERIFY(::chmod(QFile::encodeName(appdata + "/ESystemData2").constData(), 0644) == 0);
    } else {
        QVERIFY(!QFileInfo::exists(appdata));
    }
    QProcess program;
    QVERIFY(startUntilReady(program, appdata));
    QCOMPARE(modeOf(appdata), 0700);
    QCOMPARE(modeOf(appdata + "/config.ini"), 0600);
    QCOMPARE(modeOf(appdata + "/ESystemData2"), 0600);
    program.terminate();
    QVERIFY(program.waitForFinished(15000));
    // Still so after the writes of a whole run.
    QCOMPARE(modeOf(appdata + "/config.ini"), 0600);
    QCOMPARE(modeOf(appdata + "/ESystemData2"), 0600);
    if (existing) {
        QFile settings(appdata + "/config.ini"); // kept, not replaced by an empty one
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("password=tavi2026"));
    }
}

void TestProgram::stoppedByItsProcessIdItEndsInOrder()
{
    QProcess program;
    QVERIFY(startUntilReady(program, m_work->filePath("appdata")));
    const QString lock = QString("runtime/TaviStudent-%1.lock").arg(::getuid());
    QVERIFY(QFile::exists(lock));
    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished(15000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + 15);
    // What a killed process would leave: its instance lock and socket.
    QVERIFY(!QFile::exists(lock));
    QCOMPARE(QDir("runtime").entryList({ "TaviStudent*" }, QDir::AllEntries | QDir::System), QStringList());
    // The log tells how it ended.
    const QStringList logs = QDir("appdata/log").entryList(QDir::Files);
    QCOMPARE(logs.size(), 1);
    QFile log("appdata/log/" + logs.first());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("ended by signal 15"));
}

void TestProgram::aStartOnAFullDiskIsTold_data()
{
    QTest::addColumn<bool>("earlierStart");
    QTest::newRow("the data of an earlier start") << true;
    QTest::newRow("a first start") << false;
}

// The data folder on a small file system of its own, filled; where none can be mounted, a file size limit of 0
// for the client stands for the disk.
void TestProgram::aStartOnAFullDiskIsTold()
{
    QFETCH(bool, earlierStart);
    const QString appdata = m_work->filePath("appdata");
    const bool mounted = QProcess::execute("mount", { "-t", "tmpfs", "-o", "size=4m", "tmpfs", appdata }) == 0;
    qInfo().noquote() << (mounted ? "the data folder is on a 4 MB file system of its own"
                                  : "no file system can be mounted here: a file size limit stands for the disk");
    struct Unmount
    {
        QString folder;
        ~Unmount()
        {
            if (!folder.isEmpty())
                QProcess::execute("umount", { folder });
        }
    } unmount { mounted ? appdata : QString() };

    if (earlierStart) {
        QProcess first;
        QVERIFY(startUntilReady(first, appdata));
        first.terminate();
        QVERIFY(first.waitForFinished(15000));
    }
    if (mounted) {
        QFile filler(appdata + "/filler.bin");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) { }
    }

    QProcess program;
    QProcessEnvironment env = environment();
    env.insert("TAVI_TEST_ACCEPT_MESSAGE_BOXES", "1");
    program.setProcessEnvironment(env);
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (!mounted) {
            limit = std::make_unique<FileSizeLimit>(rlim_t(0));
            QVERIFY(limit->isSet());
        }
        program.start(QStringLiteral(TAVI_STUDENT), { "--host-http-addr", "127.0.0.1", "--host-http-port", "9" });
        QVERIFY(program.waitForStarted());
    }
    QByteArray told;
    const QByteArray box = QString::fromUtf8("message box: 磁盘空间不足（剩余 ").toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT((told += program.readAllStandardError()).contains(box), 30000);
    if (earlierStart) {
        // Told over its login window, it goes on.
        QVERIFY2(told.contains(QString::fromUtf8("日志、设置和收到的文件暂时无法保存").toUtf8()), told.constData());
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        // What the earlier start stored is whole.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "stored");
            db.setDatabaseName(appdata + "/ESystemData2");
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("PRAGMA integrity_check") && query.next());
            QCOMPARE(query.value(0).toString(), QString("ok"));
            QVERIFY(query.exec("SELECT count(*) FROM UserFile") && query.next());
            db.close();
        }
        QSqlDatabase::removeDatabase("stored");
        QFile settings(appdata + "/config.ini");
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("isread"));
    } else {
        // No database can be made: it says why, and ends (it may have ended already).
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(15000));
        told += program.readAllStandardError();
        QVERIFY2(told.contains(QString::fromUtf8("程序无法创建数据文件").toUtf8()), told.constData());
        QCOMPARE(program.exitCode(), 1);
    }
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
