// The pad link under a flood of strangers from the school's network, through the lecturer's class window on a
// real X display: strangers on other machines connect to the pad port again the moment they are dropped, on a
// machine kept busy by the test, while the pairing pop-up shows its code. The window keeps answering and the
// classroom's heartbeat keeps its time, a pad started during the flood pairs, the log goes on being written and
// grows little, and a pad started once the flood is over pairs with the pop-up as it was left.
#include "sandbox/classroomsandbox.h"
#include "tests/support/busymachine.h"
#include "tests/support/childprocess.h"
#include "tests/support/eventloopgapmeter.h"
#include "tests/support/sandboxclient.h"
#include "tests/support/schoolnetwork.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/logfilemanager.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/qrcodewidget.h"
#include "vrek/maintool/toolview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {
// Long enough for the floods of the reports (the window froze 2 s after the strangers began), short for a test.
constexpr int floodSeconds = 8;
// The pad comes once the strangers have held every place for longer than a pad needs to log in.
constexpr int padAfterMs = PadGate::placeGraceMs + 500;
// The longest the GUI thread may work between two turns of its event loop; processor time, which a busy machine
// does not stretch.
constexpr qint64 busyBudgetMs = 250;
// The log may grow by less than this a minute of flood.
constexpr qint64 logBytesPerMinute = 1024 * 1024;
const QString padConnectedStyle = QStringLiteral("border-image: url(:/vrek/image/toolview/padconnect-4.png);");
const QString padGoneStyle = QStringLiteral("border-image: url(:/vrek/image/toolview/padconnect-3.png);");
} // namespace

class TestPadFlood : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void padPairsThroughAFlood_data();
    void padPairsThroughAFlood();
    void padAfterAFloodPairsWithThePopUpAsItWas();

private:
    // Starts the strangers: count of them over the given number of the network's machines.
    bool startStrangers(ChildProcess &strangers, int count, int addresses, int seconds, const QString &mode);
    // Starts the sandbox's pad from the network's last machine, with the pop-up's code.
    bool startPad(ChildProcess &pad, int machine);
    bool openPairing();
    bool padGone(ChildProcess &pad);

    LogFileManager *m_log = nullptr;
    SchoolNetwork *m_network = nullptr;
    SandboxClient *m_client = nullptr;
    ZephApplication *m_application = nullptr;
    ToolView *m_tools = nullptr;
    QPushButton *m_padButton = nullptr;
    PadTcpManager *m_padLink = nullptr;
};

void TestPadFlood::initTestCase()
{
    // 64 strangers' machines and a pad's.
    m_network = new SchoolNetwork(65);
    qInfo() << "the school's network:" << m_network->description();
    m_client = new SandboxClient(GlobalEnum::User0); // what TAVI_TEST_USER_TYPE=0 gives the program
    QVERIFY(m_client->start());
    g_runId = "Fl0odPad59";
    // The client's own log, as it writes it: what the flood does to it is part of the test.
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
    m_log = new LogFileManager;
    LogFileManager::setEchoLimit(0);
    QVERIFY(QFileInfo::exists(g_logFileName));
    const QString address = m_network->localAddress();
    PadTcpManager::setAddressChooser([address] { return address; });

    m_application = new ZephApplication;
    QVERIFY(m_application->run());
    QVERIFY(SandboxClient::enterFirstLesson(*m_application, m_client->sandbox()->accounts().value(1)));
    QCOMPARE(m_application->stage(), int(ZephApplication::StageSchoolClass));
    auto *window = qobject_cast<SchoolClassView *>(m_application->classWindow()->centerWidget());
    QVERIFY(window);
    m_tools = window->toolView();
    m_padLink = m_tools->getPadTcpManager();
    QVERIFY(m_padLink->getServerPort() != 0);
    QCOMPARE(m_padLink->getIPAddress(), address);
    m_padButton = m_tools->findChild<QPushButton *>("padConnectBtn");
    QTRY_VERIFY_WITH_TIMEOUT(m_padButton->isVisible(), 10000);
}

void TestPadFlood::cleanupTestCase()
{
    delete m_application;
    m_application = nullptr;
    PadTcpManager::setAddressChooser({});
    delete m_log;
    LogFileManager::setEchoLimit(LogFileManager::defaultEchoLimit);
    delete m_client;
    delete m_network;
}

bool TestPadFlood::startStrangers(ChildProcess &strangers, int count, int addresses, int seconds, const QString &mode)
{
    const QStringList machines = m_network->machineAddresses().mid(0, addresses);
    QStringList arguments;
    const QString program = m_network->programThere(PADSTRANGERS,
        { "--host", m_padLink->getIPAddress(), "--port", QString::number(m_padLink->getServerPort()), "--count",
            QString::number(count), "--seconds", QString::number(seconds), "--sources", machines.join(','), "--mode",
            mode },
        arguments);
    strangers.setProcessChannelMode(QProcess::MergedChannels);
    return strangers.startProgram(program, arguments);
}

bool TestPadFlood::startPad(ChildProcess &pad, int machine)
{
    const QString caption = m_tools->qrCodeWidget()->qrcodeText()->text();
    QStringList arguments;
    const QString program = m_network->programThere(
        TAVIPAD, { caption.section('\n', 1), "--wait", "60", "--from", m_network->machineAddresses().at(machine) },
        arguments);
    pad.setProcessChannelMode(QProcess::MergedChannels);
    return pad.startProgram(program, arguments);
}

bool TestPadFlood::openPairing()
{
    if (!m_tools->pairingFrame()->isVisible())
        QTest::mouseClick(m_padButton, Qt::LeftButton);
    return QTest::qWaitFor([this] { return m_tools->pairingFrame()->isVisible(); }, 10000)
        && m_tools->qrCodeWidget()->qrcodeText()->text().contains(QString::number(m_padLink->getServerPort()));
}

bool TestPadFlood::padGone(ChildProcess &pad)
{
    pad.stop();
    return QTest::qWaitFor([this] { return !m_padLink->isPadConnected(); }, 20000)
        && m_padButton->styleSheet() == padGoneStyle;
}

void TestPadFlood::padPairsThroughAFlood_data()
{
    QTest::addColumn<int>("strangers");
    QTest::addColumn<int>("addresses");
    QTest::addColumn<QString>("mode");
    // Within the places of one address, one more, and more addresses than places; silent, or greeting as a pad
    // does and then sitting.
    QTest::newRow("16 from one address") << 16 << 1 << "silent";
    QTest::newRow("17 from one address") << 17 << 1 << "silent";
    QTest::newRow("64 from 64 addresses") << 64 << 64 << "silent";
    QTest::newRow("64 from 64 addresses, greeting") << 64 << 64 << "hello";
    QTest::newRow("16 from 16 addresses, greeting") << 16 << 16 << "hello";
}

void TestPadFlood::padPairsThroughAFlood()
{
    QFETCH(int, strangers);
    QFETCH(int, addresses);
    QFETCH(QString, mode);
    QVERIFY(openPairing());
    const qint64 logBefore = QFileInfo(g_logFileName).size();
    QSignalSpy beats(g_socketClientManager, &SocketClientManager::signalSocketTimeout);
    QSignalSpy paired(m_padLink, &PadTcpManager::newConnectOut);

    // What the pop-up's showing costs is not the flood's.
    QVERIFY(QTest::qWaitForWindowExposed(m_tools->pairingFrame()));
    QCoreApplication::processEvents();
    BusyMachine busy;
    EventLoopGapMeter meter;
    meter.start();
    QElapsedTimer flood;
    flood.start();
    ChildProcess flooders;
    QVERIFY(startStrangers(flooders, strangers, addresses, floodSeconds, mode));
    QTest::qWait(padAfterMs);
    ChildProcess pad;
    QElapsedTimer pairing;
    pairing.start();
    QVERIFY(startPad(pad, m_network->machineAddresses().size() - 1));
    QVERIFY2(QTest::qWaitFor([&] { return paired.count() > 0; }, 60000), "the pad did not pair");
    const qint64 pairedMs = pairing.elapsed();
    QByteArray padOutput;
    QTRY_VERIFY_WITH_TIMEOUT((padOutput += pad.readAll()).contains("logged in: user"), 10000);
    // At its first try: its place was its own while the strangers went on.
    QVERIFY2(!padOutput.contains("not logged in yet"), padOutput.constData());
    QVERIFY(QTest::qWaitFor([&] { return !flooders.isRunning(); }, floodSeconds * 1000 + 60000));
    const qint64 floodMs = flood.elapsed();
    meter.stop();
    const QByteArray report = flooders.readAll().trimmed();
    const qint64 logGrown = QFileInfo(g_logFileName).size() - logBefore;

    // The log has the test's own messages too; the figures go to the test's output.
    std::fprintf(stderr, "%s\n", qPrintable(QStringLiteral("%1 over %2: %3; longest gap %4 ms (busy %5 ms), paired in "
                                                         "%6 ms, log +%7 bytes in %8 ms, %9 heartbeats, %10 busy processes")
                             .arg(QString::fromUtf8(QTest::currentDataTag()), m_network->description())
                             .arg(QString::fromUtf8(report.split('\n').last()))
                             .arg(meter.longestGapMs())
                             .arg(meter.longestBusyMs())
                             .arg(pairedMs)
                             .arg(logGrown)
                             .arg(floodMs)
                             .arg(beats.count())
                             .arg(busy.processes())));
    QVERIFY2(meter.longestBusyMs() < busyBudgetMs,
        qPrintable(QStringLiteral("the GUI thread worked %1 ms without a turn").arg(meter.longestBusyMs())));
    // The pop-up hid itself for the pad, and nothing of the flood took the pad's place.
    QCOMPARE(paired.count(), 1);
    QVERIFY(m_padLink->isPadConnected());
    QTRY_COMPARE_WITH_TIMEOUT(m_padButton->styleSheet(), padConnectedStyle, 10000);
    QVERIFY(!m_tools->pairingFrame()->isVisible());
    // Every heartbeat of the lesson was answered in its time.
    for (const QList<QVariant> &beat : qAsConst(beats)) {
        QVERIFY(!beat.at(0).toBool());
        QCOMPARE(beat.at(1).toString(), QString::fromUtf8("正常"));
    }
    QVERIFY(beats.count() >= floodMs / SocketClientManager::heartbeatIntervalMs / 2);
    // The log goes on: a line written now reaches the file, and the flood grew it little.
    const QString marker = QStringLiteral("the flood of %1 is over").arg(QString::fromUtf8(QTest::currentDataTag()));
    qInfo().noquote() << marker;
    QFile log(g_logFileName);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(marker.toUtf8()));
    QVERIFY2(logGrown < logBytesPerMinute * qMax<qint64>(floodMs, 60000) / 60000,
        qPrintable(QStringLiteral("the log grew by %1 bytes").arg(logGrown)));
    QVERIFY(padGone(pad));
}

void TestPadFlood::padAfterAFloodPairsWithThePopUpAsItWas()
{
    QVERIFY(openPairing());
    QSignalSpy paired(m_padLink, &PadTcpManager::newConnectOut);
    {
        BusyMachine busy;
        ChildProcess flooders;
        QVERIFY(startStrangers(flooders, 64, 64, floodSeconds, "hello"));
        QVERIFY(QTest::qWaitFor([&] { return !flooders.isRunning(); }, floodSeconds * 1000 + 60000));
    }
    // The pop-up as the flood left it, untouched.
    QVERIFY(m_tools->pairingFrame()->isVisible());
    QCOMPARE(paired.count(), 0);
    ChildProcess pad;
    QVERIFY(startPad(pad, m_network->machineAddresses().size() - 1));
    QVERIFY2(QTest::qWaitFor([&] { return paired.count() > 0; }, 30000), "the pad did not pair after the flood");
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += pad.readAll()).contains("logged in: user"), 10000);
    // At its first try: nothing of the flood was still in the way.
    QVERIFY2(!output.contains("not logged in yet"), output.constData());
    QVERIFY(padGone(pad));
}

VREK_XVFB_TEST_MAIN(TestPadFlood)

#include "tst_padflood.moc"
