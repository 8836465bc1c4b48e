#include "main/startup.h"
#include "vrek/utils/globalvalue.h"

#include <QRegularExpression>

#include <QThreadPool>
#include <QUdpSocket>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void scale_data();
    void scale();
    void clock_data();
    void clock();
    void quittingDoesNotWaitForTimeServers();
    void machineIdAndSide_data();
    void machineIdAndSide();
};

void TestStartup::scale_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<double>("scale");
    QTest::newRow("96") << 96.0 << 1.0;
    QTest::newRow("105.5") << 105.5 << 1.0;
    QTest::newRow("105.6 exactly 1.1") << 105.6 << 1.25;
    QTest::newRow("120") << 120.0 << 1.25;
    QTest::newRow("144") << 144.0 << 1.5;
    QTest::newRow("168") << 168.0 << 1.75;
    QTest::newRow("192") << 192.0 << 2.0;
    QTest::newRow("288") << 288.0 << 2.0;
    QTest::newRow("72") << 72.0 << 1.0;
}

void TestStartup::scale()
{
    QFETCH(double, dpi);
    QFETCH(double, scale);
    QCOMPARE(Startup::scaleForDpi(dpi), scale);
}

void TestStartup::clock_data()
{
    QTest::addColumn<qint64>("networkMinusLocal"); // seconds; INT64_MIN: no network time
    QTest::addColumn<bool>("outOfStep");
    QTest::newRow("equal") << qint64(0) << false;
    QTest::newRow("1800 behind") << qint64(1800) << false;
    QTest::newRow("1801 behind") << qint64(1801) << true;
    QTest::newRow("1800 ahead") << qint64(-1800) << false;
    QTest::newRow("1801 ahead") << qint64(-1801) << true;
    QTest::newRow("a day") << qint64(86400) << true;
    QTest::newRow("offline") << std::numeric_limits<qint64>::min() << false;
}

void TestStartup::clock()
{
    QFETCH(qint64, networkMinusLocal);
    QFETCH(bool, outOfStep);
    const QDateTime local = QDateTime::currentDateTime();
    const QDateTime network
        = networkMinusLocal == std::numeric_limits<qint64>::min() ? QDateTime() : local.addSecs(networkMinusLocal);
    QCOMPARE(Startup::clockOutOfStep(network, local), outOfStep);
}

void TestStartup::quittingDoesNotWaitForTimeServers()
{
    // Time servers that take the request and never answer: each would be waited for twenty seconds.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const CNetwork network({ "127.0.0.1", "127.0.0.1" }, silent.localPort(), 3000, 20000);
    auto *check = new NetworkTimeCheck(network);
    QSignalSpy finished(check, &NetworkTimeCheck::finished);
    check->start();
    QTRY_VERIFY(silent.hasPendingDatagrams()); // it is waiting for the answer now
    delete check;
    // What the end of the program waits for: the pool that ran the check.
    QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
}

void TestStartup::machineIdAndSide_data()
{
    QTest::addColumn<QByteArray>("side");
    QTest::addColumn<int>("userType");
    QTest::newRow("student by default") << QByteArray() << 1;
    QTest::newRow("lecturer's side") << QByteArray("0") << 0;
    QTest::newRow("no other side") << QByteArray("2") << 1;
}

void TestStartup::machineIdAndSide()
{
    QFETCH(QByteArray, side);
    QFETCH(int, userType);
    if (side.isNull())
        qunsetenv("TAVI_TEST_USER_TYPE");
    else
        qputenv("TAVI_TEST_USER_TYPE", side);
    Startup::globalValueInitial();
    QCOMPARE(g_userType, userType);
    const QString first = g_runId;
    QVERIFY2(QRegularExpression("^[0-9A-Za-z]{10}$").match(first).hasMatch(), qPrintable(first));
    Startup::globalValueInitial();
    QVERIFY(g_runId != first);
    qunsetenv("TAVI_TEST_USER_TYPE");
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
