#include "tests/support/tempworkdir.h"
#include "vrek/logfilemanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
const QString kTime = "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}:\\d{3}";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the function with standard output sent to a file, and returns what it wrote there.
template<typename Function>
QByteArray captureStdout(Function function)
{
    QTemporaryFile capture;
    if (!capture.open())
        return QByteArray("<no capture>");
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(capture.handle(), STDOUT_FILENO);
    function();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return readAll(capture.fileName());
}
} // namespace

class TestLogFileManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void formatLine_data();
    void formatLine();
    void fileName();
    void writesEveryMessageAsOneLine();
    void echoStopsAtTheLimit();
    void unopenableFileInstallsNoHandler();
    void goingWhileOtherThreadsLog();
    void repeatedLinesAreCounted();
    void writtenOnAfterAFailedWrite();

private:
    QtMessageHandler m_testHandler = nullptr;
};

void TestLogFileManager::initTestCase()
{
    QThread::currentThread()->setObjectName("Main Thread");
    m_testHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(m_testHandler);
}

void TestLogFileManager::cleanup()
{
    LogFileManager::setEchoLimit(LogFileManager::defaultEchoLimit);
    LogFileManager::setRepeatLimits(LogFileManager::repeatBurstLines, LogFileManager::repeatIntervalMs);
    qInstallMessageHandler(m_testHandler);
}

void TestLogFileManager::formatLine_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    QTest::newRow("debug") << int(QtDebugMsg) << QByteArray("void LogFileManager::install(void)") << "hello"
                           << "[Main Thread] DEBUG: - void LogFileManager::install hello";
    QTest::newRow("warning") << int(QtWarningMsg) << QByteArray("bool A::b(int)") << "x"
                             << "[Main Thread] WARNING: - bool A::b x";
    QTest::newRow("critical") << int(QtCriticalMsg) << QByteArray("f()") << "y"
                              << "[Main Thread] CRITICAL: - f y";
    QTest::newRow("info") << int(QtInfoMsg) << QByteArray("g()") << "z"
                          << "[Main Thread] INFO: - g z";
    QTest::newRow("unknown type") << 5 << QByteArray("g()") << "z"
                                  << "[Main Thread] UNKNOWN: - g z";
    QTest::newRow("empty message") << int(QtDebugMsg) << QByteArray("NetFlow::NetFlow(class QObject *)") << ""
                                   << "[Main Thread] DEBUG: - NetFlow::NetFlow ";
    QTest::newRow("no function") << int(QtDebugMsg) << QByteArray() << "m"
                                 << "[Main Thread] DEBUG: -  m";
    QTest::newRow("nested parentheses") << int(QtDebugMsg) << QByteArray("void A::set(void (*)(int), int) const") << "m"
                                        << "[Main Thread] DEBUG: - void A::set const m";
    QTest::newRow("percent in message") << int(QtDebugMsg) << QByteArray("h()") << "a %1 b %5"
                                        << "[Main Thread] DEBUG: - h a %1 b %5";
}

void TestLogFileManager::formatLine()
{
    QFETCH(int, type);
    QFETCH(QByteArray, function);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const QMessageLogContext context("file.cpp", 7, function.isNull() ? nullptr : function.constData(), "default");
    const QString line = LogFileManager::formatLine(QtMsgType(type), context, message);
    const QRegularExpression form("^" + kTime + " (.*)$");
    const QRegularExpressionMatch match = form.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QCOMPARE(match.captured(1), expected);
}

void TestLogFileManager::fileName()
{
    const QDateTime start(QDate(2024, 3, 5), QTime(14, 7, 9));
    QCOMPARE(LogFileManager::fileNameFor(start), QString("./log/log_2024_03_05_14_07_09.txt"));
    const QDateTime evening(QDate(2026, 12, 31), QTime(23, 59, 58));
    QCOMPARE(LogFileManager::fileNameFor(evening), QString("./log/log_2026_12_31_23_59_58.txt"));
}

void TestLogFileManager::writesEveryMessageAsOneLine()
{
    TempWorkDir work;
    QVERIFY(work.isValid());
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
    QByteArray echoed;
    {
        LogFileManager manager;
        qDebug() << "first line";
        echoed = captureStdout([] {
            qWarning("second %d", 2);
            QThread worker;
            worker.setObjectName("Socket Client");
            QObject::connect(&worker, &QThread::started, [&worker] {
                qInfo() << "from a worker";
                worker.quit();
            });
            worker.start();
            worker.wait();
        });
    }
    const QByteArray content = readAll(work.filePath(g_logFileName));
    const QList<QByteArray> lines = content.split('\n');
    QCOMPARE(lines.size(), 4); // three lines and the empty rest after the last "\r\n"
    QVERIFY(lines.last().isEmpty());
    const QString function = "void TestLogFileManager::writesEveryMessageAsOneLine";
    QVERIFY2(QRegularExpression(
                 "^" + kTime + " \\[Main Thread\\] DEBUG: - " + QRegularExpression::escape(function) + " first line\r$")
                 .match(QString::fromUtf8(lines.at(0)))
                 .hasMatch(),
        lines.at(0).constData());
    QVERIFY2(lines.at(1).contains("[Main Thread] WARNING: - ") && lines.at(1).endsWith(" second 2\r"),
        lines.at(1).constData());
    QVERIFY2(lines.at(2).contains("[Socket Client] INFO: - ") && lines.at(2).endsWith(" from a worker\r"),
        lines.at(2).constData());
    // The same lines reach standard output, with plain line ends.
    QCOMPARE(echoed.count('\n'), 2);
    QVERIFY(echoed.contains(" second 2\n"));
}

void TestLogFileManager::echoStopsAtTheLimit()
{
    TempWorkDir work;
    g_logFileName = "./log/limit.txt";
    QByteArray echoed;
    {
        LogFileManager manager;
        LogFileManager::setEchoLimit(200);
        echoed = captureStdout([] {
            qDebug() << "short";
            qDebug() << QString(300, 'x');
            qDebug() << "again";
        });
    }
    const QByteArray content = readAll(work.filePath(g_logFileName));
    QVERIFY(content.contains(QByteArray(300, 'x')));
    QVERIFY(echoed.contains("short"));
    QVERIFY(!echoed.contains(QByteArray(300, 'x')));
    QVERIFY(echoed.contains("again")); // a later, shorter line still fits
}

void TestLogFileManager::unopenableFileInstallsNoHandler()
{
    TempWorkDir work;
    QVERIFY(work.writeFile("log", "a file where the folder should be"));
    g_logFileName = "./log/cannot.txt";
    LogFileManager manager;
    const QtMessageHandler current = qInstallMessageHandler(m_testHandler);
    QVERIFY(current != logMessageHandler);
}

void TestLogFileManager::goingWhileOtherThreadsLog()
{
    TempWorkDir work;
    g_logFileName = "./log/busy.txt";
    LogFileManager::setEchoLimit(0);
    // Threads that log without pause, as the media threads do, while the log goes and comes again.
    std::atomic<bool> stop { false };
    std::atomic<int> written { 0 };
    QList<QThread *> writers;
    for (int i = 0; i < 4; ++i) {
        writers.append(QThread::create([&stop, &written] {
            const QMessageLogContext context("file.cpp", 1, "void f()", "default");
            while (!stop) {
                logMessageHandler(QtDebugMsg, context, QString(200, 'w'));
                ++written;
            }
        }));
        writers.last()->start();
    }
    QTRY_VERIFY(written > 1000);
    for (int round = 0; round < 300; ++round) {
        LogFileManager manager;
        QThread::usleep(200);
    }
    stop = true;
    for (QThread *writer : qAsConst(writers)) {
        QVERIFY(writer->wait(10000));
        delete writer;
    }
    QVERIFY(readAll(work.filePath(g_logFileName)).contains(QByteArray(200, 'w')));
}

// A place that logs faster than its share writes its first lines, then now and then one that counts what was left
// out; another place is not held back by it, and every line is either written or counted.
void TestLogFileManager::repeatedLinesAreCounted()
{
    TempWorkDir work;
    g_logFileName = "./log/repeats.txt";
    constexpr int burst = 3;
    constexpr int intervalMs = 100;
    constexpr int flood = 2000;
    {
        LogFileManager manager;
        LogFileManager::setEchoLimit(0);
        LogFileManager::setRepeatLimits(burst, intervalMs);
        const QMessageLogContext place("peer.cpp", 10, "void f()", "default");
        const QMessageLogContext other("peer.cpp", 20, "void g()", "default");
        for (int i = 0; i < flood; ++i) {
            logMessageHandler(QtDebugMsg, place, QStringLiteral("line %1 from a peer").arg(i));
            if (i == flood / 2)
                logMessageHandler(QtWarningMsg, other, QStringLiteral("another place"));
        }
        // The place has earned a line again: it counts the rest.
        QTest::qWait(2 * intervalMs);
        logMessageHandler(QtDebugMsg, place, QStringLiteral("last line"));
    }
    const QList<QByteArray> lines = readAll(work.filePath(g_logFileName)).split('\n');
    int written = 0;
    qint64 counted = 0;
    bool sawOther = false;
    const QRegularExpression count(" \\((\\d+) more lines from here not written\\)\r$");
    for (const QByteArray &line : lines) {
        if (line.contains("another place")) {
            sawOther = true;
            continue;
        }
        if (!line.contains("peer") && !line.contains("last line"))
            continue;
        if (written < burst)
            QVERIFY2(line.contains(QStringLiteral(" line %1 from a peer").arg(written).toUtf8()), line.constData());
        ++written;
        const QRegularExpressionMatch match = count.match(QString::fromUtf8(line));
        if (match.hasMatch())
            counted += match.captured(1).toLongLong();
    }
    QVERIFY(sawOther);
    QVERIFY2(lines.size() < 100, qPrintable(QStringLiteral("%1 lines").arg(lines.size())));
    QVERIFY(lines.at(lines.size() - 2).contains("last line ("));
    QCOMPARE(written + counted, qint64(flood + 1));
}

// A write the system refuses (the disk full for a moment, here a file size limit) costs the lines it could not take,
// not the rest of the run's.
void TestLogFileManager::writtenOnAfterAFailedWrite()
{
    TempWorkDir work;
    g_logFileName = "./log/refused.txt";
    const QMessageLogContext place("peer.cpp", 30, "void h()", "default");
    {
        LogFileManager manager;
        LogFileManager::setEchoLimit(0);
        logMessageHandler(QtInfoMsg, place, QStringLiteral("before"));
        const qint64 size = QFileInfo(work.filePath(g_logFileName)).size();
        QVERIFY(size > 0);
        // Beyond the limit the system refuses the write (with SIGXFSZ, which would end the process).
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit full { rlim_t(size), limit.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
        logMessageHandler(QtInfoMsg, place, QStringLiteral("refused"));
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(QFileInfo(work.filePath(g_logFileName)).size(), size);
        logMessageHandler(QtInfoMsg, place, QStringLiteral("after"));
    }
    const QByteArray written = readAll(work.filePath(g_logFileName));
    QVERIFY(written.contains(" before\r\n"));
    QVERIFY2(written.contains(" after\r\n"), written.constData());
}

QTEST_GUILESS_MAIN(TestLogFileManager)
#include "tst_logfilemanager.moc"
