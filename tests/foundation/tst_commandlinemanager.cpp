#include "vrek/commandlinemanager.h"
#include "vrek/utils/globalvalue.h"

#include <QProcess>
#include <QtTest>

class TestCommandLineManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void options_data();
    void options();

private:
    void resetGlobals();
};

void TestCommandLineManager::resetGlobals()
{
    g_socketHost = GlobalDefault::serviceHost;
    g_socketPort = GlobalDefault::socketPort;
    g_fileHost = GlobalDefault::serviceHost;
    g_filePort = GlobalDefault::filePort;
    g_crashHost = GlobalDefault::crashHost;
    g_crashPort = GlobalDefault::crashPort;
    g_webHost = GlobalDefault::serviceHost;
    g_webPort = GlobalDefault::webPort;
    g_autoRecord = true;
}

void TestCommandLineManager::init()
{
    resetGlobals();
}

void TestCommandLineManager::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    // socket host, socket port, file host, file port, crash host, crash port, http host, http port
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("autoRecord");

    const QString host = GlobalDefault::serviceHost;
    const QString crash = GlobalDefault::crashHost;
    QTest::newRow("no arguments") << QStringList()
                                  << QStringList { host, "34126", host, "34127", crash, "11111", host, "80" } << true;
    QTest::newRow("http port, two dashes")
        << QStringList { "--host-http-port", "8080" }
        << QStringList { host, "34126", host, "34127", crash, "11111", host, "8080" } << true;
    QTest::newRow("http port, one dash") << QStringList { "-host-http-port", "8080" }
                                         << QStringList { host, "34126", host, "34127", crash, "11111", host, "8080" }
                                         << true;
    QTest::newRow("value after equals") << QStringList { "--host-socket-addr=10.0.0.2" }
                                        << QStringList { "10.0.0.2", "34126", host, "34127", crash, "11111", host,
                                               "80" }
                                        << true;
    QTest::newRow("every host and port") << QStringList { "-host-socket-addr", "s", "-host-socket-port", "1",
        "--host-file-addr", "f", "--host-file-port", "2", "-host-crash-addr", "c", "-host-crash-port", "3",
        "--host-http-addr", "h", "--host-http-port", "4" }
                                         << QStringList { "s", "1", "f", "2", "c", "3", "h", "4" } << true;
    QTest::newRow("last value wins") << QStringList { "--host-file-port", "1", "--host-file-port", "2" }
                                     << QStringList { host, "34126", host, "2", crash, "11111", host, "80" } << true;
    QTest::newRow("values are not checked")
        << QStringList { "--host-socket-port", "not a port" }
        << QStringList { host, "not a port", host, "34127", crash, "11111", host, "80" } << true;
    QTest::newRow("debug changes nothing")
        << QStringList { "-debug" } << QStringList { host, "34126", host, "34127", crash, "11111", host, "80" } << true;
    QTest::newRow("disable auto record") << QStringList { "--disable-auto-record" }
                                         << QStringList { host, "34126", host, "34127", crash, "11111", host, "80" }
                                         << false;
}

void TestCommandLineManager::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QFETCH(bool, autoRecord);

    CommandLineManager::initial(QStringList { "TaviStudent" } + arguments);
    const QStringList actual { g_socketHost, g_socketPort, g_fileHost, g_filePort, g_crashHost, g_crashPort, g_webHost,
        g_webPort };
    QCOMPARE(actual, expected);
    QCOMPARE(g_autoRecord, autoRecord);
}

QTEST_GUILESS_MAIN(TestCommandLineManager)
#include "tst_commandlinemanager.moc"
