#include "tests/support/tempworkdir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// Every process below this one, by its parent chain in /proc: name by process id.
QMap<qint64, QString> descendants()
{
    QMap<qint64, qint64> parents;
    QMap<qint64, QString> names;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // "pid (comm) state ppid ...": the name may hold blanks and parentheses.
        const int open = line.indexOf('(');
        const int close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() < 2 || rest.at(0) == "Z")
            continue;
        parents.insert(pid, rest.at(1).toLongLong());
        names.insert(pid, QString::fromLocal8Bit(line.mid(open + 1, close - open - 1)));
    }
    QMap<qint64, QString> below;
    const qint64 self = ::getpid();
    for (auto it = parents.constBegin(); it != parents.constEnd(); ++it) {
        for (qint64 up = it.value(), hops = 0; up > 1 && hops < 64; up = parents.value(up, 0), ++hops) {
            if (up == self) {
                below.insert(it.key(), names.value(it.key()));
                break;
            }
        }
    }
    return below;
}

QList<qint64> named(const QString &name)
{
    QList<qint64> pids;
    const QMap<qint64, QString> below = descendants();
    for (auto it = below.constBegin(); it != below.constEnd(); ++it) {
        if (it.value() == name)
            pids.append(it.key());
    }
    return pids;
}
} // namespace

// scripts/run-client.sh on the built tree, with the real client offscreen: it owns its sandbox, and whatever
// ends the run, nothing it started and no temporary file stays behind.
class TestRunClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void endsWithTheClientAndLeavesNothing_data();
    void endsWithTheClientAndLeavesNothing();
    void secondStartStartsNoSecondSandbox();
    void stoppedBeforeTheSandboxAnswersLeavesNothing();
    void showsTheSandboxsLinesMarked();

private:
    QProcess *startScript(bool acceptBoxes = false, const QString &buildDir = QString());
    // Waits until the script's sandbox has said where it listens and its client runs.
    bool waitUntilRunning(QProcess *script);
    void verifyNothingLeft();

    QScopedPointer<TempWorkDir> m_work;
    QList<QProcess *> m_scripts;
};

void TestRunClient::initTestCase()
{
    // Whatever the script leaves behind comes to this process, where it can be seen.
    QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
}

void TestRunClient::init()
{
    m_work.reset(new TempWorkDir);
    QVERIFY(m_work->isValid());
    for (const char *folder : { "appdata", "runtime", "tmp" })
        QVERIFY(QDir().mkpath(folder));
    QFile::setPermissions("runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestRunClient::cleanup()
{
    // A failed test still stops what it started.
    for (QProcess *script : qAsConst(m_scripts)) {
        if (script->state() != QProcess::NotRunning) {
            script->terminate();
            if (!script->waitForFinished(15000))
                script->kill();
            script->waitForFinished(5000);
        }
        delete script;
    }
    m_scripts.clear();
    const QMap<qint64, QString> left = descendants();
    for (auto it = left.constBegin(); it != left.constEnd(); ++it)
        ::kill(pid_t(it.key()), SIGKILL);
    m_work.reset();
}

QProcess *TestRunClient::startScript(bool acceptBoxes, const QString &buildDir)
{
    auto *script = new QProcess;
    m_scripts.append(script);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVI_PREBUILT", "1");
    env.insert("BUILD_DIR", buildDir.isEmpty() ? QStringLiteral(BUILD_DIR) : buildDir);
    env.insert("TAVI_APPDATA", m_work->filePath("appdata"));
    env.insert("XDG_RUNTIME_DIR", m_work->filePath("runtime"));
    env.insert("TMPDIR", m_work->filePath("tmp"));
    if (acceptBoxes)
        env.insert("TAVI_TEST_ACCEPT_MESSAGE_BOXES", "1");
    script->setProcessEnvironment(env);
    script->setProcessChannelMode(QProcess::MergedChannels);
    script->start("bash", { QStringLiteral(SOURCE_DIR "/scripts/run-client.sh") });
    return script;
}

bool TestRunClient::waitUntilRunning(QProcess *script)
{
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 90000) {
        script->waitForReadyRead(200);
        output += script->readAll();
        // The client runs once its single-instance lock is taken.
        if (output.contains("Classroom sandbox on 127.0.0.1") && !named("TaviStudent").isEmpty()
            && QFile::exists(QString("runtime/TaviStudent-%1.lock").arg(::getuid())))
            return true;
        if (script->state() == QProcess::NotRunning)
            break;
    }
    qWarning().noquote() << output;
    return false;
}

void TestRunClient::verifyNothingLeft()
{
    // The script has reaped what it started; anything still below this process was left behind.
    QTRY_VERIFY2_WITH_TIMEOUT(
        descendants().isEmpty(), qPrintable(QStringList(descendants().values()).join(", ")), 10000);
    QCOMPARE(QDir("tmp").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    // The client ended in order: its single-instance lock and socket are gone.
    QCOMPARE(QDir("runtime").entryList({ "TaviStudent*" }, QDir::AllEntries | QDir::System), QStringList());
}

void TestRunClient::endsWithTheClientAndLeavesNothing_data()
{
    QTest::addColumn<QString>("ended");
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("client ended") << "TaviStudent" << int(SIGTERM);
    QTest::newRow("sandbox killed") << "tavisandbox" << int(SIGKILL);
    QTest::newRow("sandbox stopped") << "tavisandbox" << int(SIGTERM);
    QTest::newRow("script stopped") << "bash" << int(SIGTERM);
}

void TestRunClient::endsWithTheClientAndLeavesNothing()
{
    QFETCH(QString, ended);
    QFETCH(int, signalNumber);
    QProcess *script = startScript();
    QVERIFY(waitUntilRunning(script));
    QCOMPARE(named("tavisandbox").size(), 1);
    QCOMPARE(named("TaviStudent").size(), 1);
    QCOMPARE(QDir("tmp").entryList({ "tavi-run-client.*" }, QDir::Dirs).size(), 1);

    const qint64 target = ended == "bash" ? script->processId() : named(ended).value(0);
    QVERIFY(target > 0);
    QVERIFY(::kill(pid_t(target), signalNumber) == 0);
    QVERIFY(script->waitForFinished(60000));
    const QByteArray output = script->readAll();
    QCOMPARE(script->exitStatus(), QProcess::NormalExit);
    // The client's status: ended by SIGTERM (by the test, or by the script once its sandbox was gone), the client
    // leaves in order with 128 + 15.
    QCOMPARE(script->exitCode(), 128 + SIGTERM);
    if (ended == "tavisandbox")
        QVERIFY2(output.contains("the client is stopped"), output.right(2000).constData());
    verifyNothingLeft();
}

void TestRunClient::secondStartStartsNoSecondSandbox()
{
    QProcess *first = startScript();
    QVERIFY(waitUntilRunning(first));
    const QList<qint64> sandbox = named("tavisandbox");
    QCOMPARE(sandbox.size(), 1);

    QProcess *second = startScript(true);
    QVERIFY(second->waitForFinished(60000));
    const QByteArray output = second->readAll();
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(output.contains("no second sandbox is started"), output.constData());
    // The second client told the user that one runs already, and ended.
    QVERIFY2(output.contains(QString::fromUtf8("message box: 您已运行Vantrel学生端，不能重复运行").toUtf8()),
        output.right(2000).constData());
    QCOMPARE(named("tavisandbox"), sandbox);
    QCOMPARE(named("TaviStudent").size(), 1);

    QVERIFY(::kill(pid_t(named("TaviStudent").value(0)), SIGTERM) == 0);
    QVERIFY(first->waitForFinished(60000));
    verifyNothingLeft();
}

void TestRunClient::stoppedBeforeTheSandboxAnswersLeavesNothing()
{
    // A tree whose sandbox starts and never says that it listens: the script is stopped while it waits for that
    // line, with the client starting beside it.
    QVERIFY(QDir().mkpath("tree/main") && QDir().mkpath("tree/sandbox"));
    QVERIFY(QFile::link(QStringLiteral(BUILD_DIR "/main/TaviStudent"), "tree/main/TaviStudent"));
    QFile sandbox("tree/sandbox/tavisandbox");
    QVERIFY(sandbox.open(QIODevice::WriteOnly));
    sandbox.write("#!/bin/sh\n: >\"$0.started\"\nexec sleep 600\n");
    sandbox.close();
    QVERIFY(sandbox.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcess *script = startScript(false, m_work->filePath("tree"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("tree/sandbox/tavisandbox.started") && !named("TaviStudent").isEmpty()
            && QFile::exists(QString("runtime/TaviStudent-%1.lock").arg(::getuid())),
        60000);
    QVERIFY(script->state() == QProcess::Running);
    QVERIFY(!script->readAll().contains("Classroom sandbox on"));
    QVERIFY(::kill(pid_t(script->processId()), SIGTERM) == 0);
    QVERIFY(script->waitForFinished(60000));
    QCOMPARE(script->exitStatus(), QProcess::NormalExit);
    QCOMPARE(script->exitCode(), 128 + SIGTERM);
    verifyNothingLeft();
}

void TestRunClient::showsTheSandboxsLinesMarked()
{
    // A sandbox that says something before it listens, then tells of the lesson's steps on both of its outputs;
    // its last line is the marker that everything before it has come through.
    QVERIFY(QDir().mkpath("tree/main") && QDir().mkpath("tree/sandbox"));
    QVERIFY(QFile::link(QStringLiteral(BUILD_DIR "/main/TaviStudent"), "tree/main/TaviStudent"));
    QFile sandbox("tree/sandbox/tavisandbox");
    QVERIFY(sandbox.open(QIODevice::WriteOnly));
    sandbox.write("#!/bin/sh\n"
                  "echo 'nginx: starting' >&2\n"
                  "echo 'http=1 classroom=2 user=s01 password=pw lecturer=t01 "
                  "lecturer-password=tpw'\n"
                  "echo 'answer S1 B' >&2\n"
                  "echo 'hand 1'\n"
                  "echo 'lock 1 85' >&2\n"
                  "exec sleep 600\n");
    sandbox.close();
    QVERIFY(sandbox.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcess *script = startScript(false, m_work->filePath("tree"));
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("[sandbox] lock 1 85\n") && script->state() != QProcess::NotRunning
        && clock.elapsed() < 60000) {
        script->waitForReadyRead(200);
        output += script->readAll();
    }
    QVERIFY2(output.contains("[sandbox] lock 1 85\n"), output.constData());
    QVERIFY2(output.contains("Sign in with s01 / pw."), output.constData());
    for (const char *line : { "[sandbox] nginx: starting\n", "[sandbox] answer S1 B\n", "[sandbox] hand 1\n" })
        QVERIFY2(output.contains(line), output.constData());
    // In the order the sandbox wrote them.
    QVERIFY(output.indexOf("answer S1 B") < output.indexOf("hand 1"));
    QVERIFY(output.indexOf("hand 1") < output.indexOf("lock 1 85"));
    QVERIFY(!output.contains("] http="));
    QVERIFY(::kill(pid_t(script->processId()), SIGTERM) == 0);
    QVERIFY(script->waitForFinished(60000));
    verifyNothingLeft();
}

QTEST_GUILESS_MAIN(TestRunClient)
#include "tst_runclient.moc"
