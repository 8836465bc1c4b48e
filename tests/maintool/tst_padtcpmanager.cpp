#include "tests/support/padclient.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/logfilemanager.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/message/ppprotocolanalysis.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/tcpserver.h"
#include "vrek/utils/threadhandle.h"

#include <QJsonDocument>
#include <QProcess>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>

namespace {
const QString machineId = QStringLiteral("Ab3dE6gH9k");
const QString userId = QStringLiteral("90001");
const QString userName = QString::fromUtf8("王老师");
// The heartbeat ticks are driven by hand; the timer itself never fires within a test.
constexpr int idleTickMs = 3600 * 1000;
// Connections of strangers that reconnect as fast as they are dropped: written in full, the lines about them
// would grow the log by megabytes.
constexpr int floodConnections = 5000;

QByteArray controlBytes(int subtype, const QJsonObject &object)
{
    QByteArray bytes;
    bytes.append(char(1)).append(char(subtype));
    return bytes + QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray loginMsgBytes(int subtype)
{
    return controlBytes(subtype,
        { { "ui", userId }, { "mi", machineId }, { "un", QString::fromLatin1(userName.toUtf8().toBase64()) } });
}

QJsonObject pageTurn(const QString &mi, int page)
{
    return { { "mi", mi }, { "fi", "file7" }, { "pm", QString::number(page) }, { "dc", "1" } };
}

// A heartbeat with this run's machine id and token is answered on any connection, after everything the
// connection sent before it has been dealt with: when the next payload is its answer, nothing sent before was
// answered, and the connection still stands.
bool nextIsHeartbeatAnswer(PadClient &pad)
{
    const QJsonObject beat { { "mi", machineId }, { "hb", PadClient::loginToken } };
    pad.sendControl(4, beat);
    return pad.waitForPayload() == controlBytes(4, beat) && pad.isConnected();
}

void ignoreWarning(const QString &prefix)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

// Measures what the log file would grow by while it lives (every level, as the log writes its lines) instead of
// printing it, and keeps the start of each line to wait on.
class LogMeter
{
public:
    LogMeter()
    {
        QMutexLocker locker(&s_mutex);
        s_bytes = 0;
        s_heads.clear();
        m_previous = qInstallMessageHandler(handle);
    }
    ~LogMeter() { qInstallMessageHandler(m_previous); }

    qint64 bytes() const
    {
        QMutexLocker locker(&s_mutex);
        return s_bytes;
    }
    bool saw(const QString &text) const
    {
        QMutexLocker locker(&s_mutex);
        for (const QString &head : qAsConst(s_heads)) {
            if (head.contains(text))
                return true;
        }
        return false;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        const qint64 size = LogFileManager::formatLine(type, context, message).toUtf8().size() + 2;
        QMutexLocker locker(&s_mutex);
        s_bytes += size;
        s_heads.append(message.left(200));
    }

    static QMutex s_mutex;
    static qint64 s_bytes;
    static QStringList s_heads;
    QtMessageHandler m_previous;
};
QMutex LogMeter::s_mutex;
qint64 LogMeter::s_bytes = 0;
QStringList LogMeter::s_heads;

// A stranger that comes back each time it is dropped, and counts how often it was. Its connections come from
// the given loopback address: to the PC, another machine of the network.
class ReturningStranger : public QObject
{
public:
    explicit ReturningStranger(quint16 port, const QString &address = QStringLiteral("127.0.0.2"))
        : m_port(port)
        , m_address(address)
    {
        QObject::connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
            ++m_drops;
            QMetaObject::invokeMethod(
                this, [this] { connectAgain(); }, Qt::QueuedConnection);
        });
        connectAgain();
    }
    int drops() const { return m_drops; }

private:
    void connectAgain()
    {
        m_socket.bind(m_address);
        m_socket.connectToHost(QHostAddress::LocalHost, m_port);
    }

    QTcpSocket m_socket;
    quint16 m_port;
    QHostAddress m_address;
    int m_drops = 0;
};

// Strangers spread over the given number of addresses (127.0.0.2 and up).
QList<ReturningStranger *> returningStrangers(quint16 port, int count, int addresses)
{
    QList<ReturningStranger *> strangers;
    for (int i = 0; i < count; ++i)
        strangers.append(new ReturningStranger(port, QStringLiteral("127.0.0.%1").arg(2 + i % addresses)));
    return strangers;
}

int dropsOf(const QList<ReturningStranger *> &strangers)
{
    int drops = 0;
    for (const ReturningStranger *stranger : strangers)
        drops += stranger->drops();
    return drops;
}

// Gone last of a rig: what its manager's going left for the socket threads (the sockets' deletion and their last
// log lines) has run there before the next test row begins; QtTest's log must not hear a thread between rows.
struct SocketThreadsDrained
{
    ~SocketThreadsDrained()
    {
        for (QThread *thread : ThreadHandle::getInstance().threads())
            roundTripThrough(thread);
    }
};

// A manager listening on loopback, and what it said.
struct Rig
{
    Rig()
        : manager(userId, userName, nullptr, idleTickMs)
        , loggedIn(&manager, &PadTcpManager::newConnectOut)
        , gone(&manager, &PadTcpManager::disConnectOut)
        , courseware(&manager, &PadTcpManager::readPPtMessageOut)
    {
        manager.setServerEnabled(true);
        // Time-outs are shortened by the tests that look at them; the others never meet one.
        manager.setLoginTimeout(idleTickMs);
        port = manager.startTcpServer();
    }

    // Connects a pad and waits until the manager knows it.
    bool connect(PadClient &pad)
    {
        const int before = manager.beatTable().size();
        return pad.connectTo("127.0.0.1", port)
            && QTest::qWaitFor([&] { return manager.beatTable().size() > before; }, 5000);
    }

    bool loginPad(PadClient &pad)
    {
        manager.setPairingOpen(true);
        return connect(pad) && pad.login();
    }

    SocketThreadsDrained drained; // first of the members: destroyed after the manager
    PadTcpManager manager;
    quint16 port = 0;
    QSignalSpy loggedIn;
    QSignalSpy gone;
    QSignalSpy courseware;
};
} // namespace

class TestPadTcpManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loginHandshakeBytes();
    void loginOnlyWhilePairing();
    void wrongTokenUnansweredAndDropped();
    void onlyThePadsHeartbeatKeepsItAlive();
    void secondPadGetsLoginRepAndCannotTakeOver();
    void coursewareOnlyFromThePad();
    void boardChangesGoToThePadOnly();
    void activePadGone();
    void noLoginInTimeIsDropped();
    void idleStrangersDoNotKeepThePadOut();
    void newcomerTakesAnOlderPlace_data();
    void newcomerTakesAnOlderPlace();
    void padPairsBesideReturningStrangers_data();
    void padPairsBesideReturningStrangers();
    void floodOfConnectionsLogsLittle();
    void strangersReachNothingOfTheGuiThread_data();
    void strangersReachNothingOfTheGuiThread();
    void gatePlaces_data();
    void gatePlaces();
    void bigFrameInPiecesLogsLittle_data();
    void bigFrameInPiecesLogsLittle();
    void smallFramesLogLittle_data();
    void smallFramesLogLittle();
    void portWhenTheDefaultIsTaken();
    void noServerWithoutAddressOrPermission();
    void chooseAddress_data();
    void chooseAddress();
};

void TestPadTcpManager::initTestCase()
{
    g_runId = machineId;
    PadTcpManager::setAddressChooser([] { return QStringLiteral("127.0.0.1"); });
}

void TestPadTcpManager::cleanupTestCase()
{
    PadTcpManager::setAddressChooser({});
}

void TestPadTcpManager::loginHandshakeBytes()
{
    Rig rig;
    QVERIFY(rig.port != 0);
    QCOMPARE(rig.manager.getIPAddress(), QString("127.0.0.1"));
    QCOMPARE(rig.manager.getIPNumber(), QString("2130706433"));
    rig.manager.setPairingOpen(true);
    PadClient pad;
    QVERIFY(rig.connect(pad));
    pad.sendLoginReq();
    QCOMPARE(pad.waitForPayload(), loginMsgBytes(1));
    pad.sendLoginPwd(machineId, userId + machineId);
    QCOMPARE(pad.waitForPayload(), controlBytes(3, { { "mi", machineId }, { "hb", "KPRV" } }));
    QCOMPARE(rig.loggedIn.count(), 1);
    QCOMPARE(rig.loggedIn.first().at(0).value<uchar>(), uchar(0));
    QVERIFY(rig.manager.isPadConnected());
    // Every valid heartbeat is answered with the PC's own.
    pad.sendControl(4, { { "mi", machineId }, { "hb", "KPRV" } });
    QCOMPARE(pad.waitForPayload(), controlBytes(4, { { "mi", machineId }, { "hb", "KPRV" } }));
    QCOMPARE(rig.loggedIn.count(), 1);
}

void TestPadTcpManager::loginOnlyWhilePairing()
{
    Rig rig;
    PadClient pad;
    QVERIFY(rig.connect(pad));
    pad.sendLoginReq();
    QVERIFY(!pad.waitForPayload().isNull());
    // With the pairing code off the screen a right password logs nobody in.
    ignoreWarning("the pairing code is not shown, login refused!");
    pad.sendLoginPwd(machineId, userId + machineId);
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QCOMPARE(rig.loggedIn.count(), 0);
    // A wrong password or machine id gets no answer either.
    rig.manager.setPairingOpen(true);
    pad.sendLoginPwd(machineId, userId + "x" + machineId);
    pad.sendLoginPwd("other", userId + "other");
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QCOMPARE(rig.loggedIn.count(), 0);
    pad.sendLoginPwd(machineId, userId + machineId);
    PadClient::Payload success;
    QVERIFY(pad.waitForControl(3, success));
    QCOMPARE(rig.loggedIn.count(), 1);
}

void TestPadTcpManager::wrongTokenUnansweredAndDropped()
{
    Rig rig;
    PadClient pad;
    QVERIFY(rig.connect(pad));
    ignoreWarning("PadTcpManager::readPPCtrlMessage the heartBeat string error! hBStr: \"ABCD\"");
    pad.sendLoginReq("ABCD");
    QVERIFY(nextIsHeartbeatAnswer(pad));
    for (int tick = 1; tick < PadTcpManager::heartBeatLimit; ++tick) {
        rig.manager.checkHeartBeat();
        QCOMPARE(rig.manager.beatTable().values(), QList<quint8> { quint8(tick) });
    }
    // A drop at one of those ticks would reach the socket before the answer.
    QVERIFY(nextIsHeartbeatAnswer(pad));
    rig.manager.checkHeartBeat();
    QVERIFY(pad.waitForDisconnect(5000));
    QVERIFY(rig.manager.beatTable().isEmpty());
    QCOMPARE(rig.gone.count(), 0);
}

void TestPadTcpManager::onlyThePadsHeartbeatKeepsItAlive()
{
    Rig rig;
    PadClient pad;
    PadClient stranger;
    QVERIFY(rig.loginPad(pad));
    QVERIFY(rig.connect(stranger));
    // The stranger beats with the right machine id and token too; it is answered but earns no time.
    stranger.sendLoginReq();
    QVERIFY(!stranger.waitForPayload().isNull());
    QCOMPARE(rig.manager.beatTable().size(), 2);
    qintptr strangerSid = 0;
    for (qintptr sid : rig.manager.beatTable().keys()) {
        if (sid != rig.manager.activeSid())
            strangerSid = sid;
    }
    QVERIFY(strangerSid != 0);
    PadClient::Payload answer;
    for (int tick = 0; tick < 10; ++tick) {
        pad.sendHeartBeat();
        QVERIFY(pad.waitForControl(4, answer));
        // Given up by the check, the stranger's drop is on its way: it may come before or instead of an answer.
        if (rig.manager.beatTable().contains(strangerSid)) {
            stranger.sendControl(4, { { "mi", machineId }, { "hb", "KPRV" } });
            QVERIFY(stranger.waitForControl(4, answer));
        }
        rig.manager.checkHeartBeat();
    }
    QVERIFY(stranger.waitForDisconnect(5000));
    QVERIFY(pad.isConnected());
    QVERIFY(rig.manager.isPadConnected());
    QCOMPARE(rig.manager.beatTable().keys(), QList<qintptr> { rig.manager.activeSid() });
}

void TestPadTcpManager::secondPadGetsLoginRepAndCannotTakeOver()
{
    Rig rig;
    PadClient first;
    QVERIFY(rig.loginPad(first));
    const qintptr active = rig.manager.activeSid();
    PadClient second;
    QVERIFY(rig.connect(second));
    QCOMPARE(second.waitForPayload(), loginMsgBytes(5));
    ignoreWarning("a pad is logged in already, login refused!");
    second.sendLoginPwd(machineId, userId + machineId);
    QVERIFY(nextIsHeartbeatAnswer(second));
    QCOMPARE(rig.loggedIn.count(), 1);
    QCOMPARE(rig.manager.activeSid(), active);
}

void TestPadTcpManager::coursewareOnlyFromThePad()
{
    Rig rig;
    PadClient stranger;
    QVERIFY(rig.connect(stranger));
    ignoreWarning("the courseware message is not from the logged-in pad, dropped!");
    stranger.sendCourse(1, pageTurn(machineId, 3));
    QVERIFY(nextIsHeartbeatAnswer(stranger));
    QCOMPARE(rig.courseware.count(), 0);

    PadClient pad;
    QVERIFY(rig.loginPad(pad));
    ignoreWarning("the mid != machineId! at OpenFile & PageChange mid:");
    pad.sendCourse(1, pageTurn("Zz9yYxXwWv", 4));
    ignoreWarning("the courseware message is not from the logged-in pad, dropped!");
    stranger.sendCourse(1, pageTurn(machineId, 5));
    pad.sendCourse(1, pageTurn(machineId, 6));
    QTRY_COMPARE_WITH_TIMEOUT(rig.courseware.count(), 1, 5000);
    // Each connection's frames are dealt with in their order: the stranger's turn came too.
    QVERIFY(nextIsHeartbeatAnswer(stranger));
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QCOMPARE(rig.courseware.count(), 1);
    const PPtMessage message = rig.courseware.first().at(0).value<PPtMessage>();
    QCOMPARE(quint32(message.getPpmType()), 1u);
    QCOMPARE(message.getDrawControl().getFileIdAll(), QString("file7"));
    QCOMPARE(message.getDrawControl().getPageId(), 6u);
    QCOMPARE(rig.courseware.first().at(1).value<GlobalEnum::PPMFromType>(), GlobalEnum::PPMPad);
}

void TestPadTcpManager::boardChangesGoToThePadOnly()
{
    Rig rig;
    PadClient stranger;
    QVERIFY(rig.connect(stranger));
    PPtMessage board(PPtMessage::BoardIdChange);
    rig.manager.sendPPtMessageIn(board);
    QVERIFY(nextIsHeartbeatAnswer(stranger));

    PadClient pad;
    QVERIFY(rig.loginPad(pad));
    rig.manager.sendPPtMessageIn(PPtMessage(PPtMessage::PageChange));
    PPtMessage zoom(PPtMessage::ZoomChange);
    zoom.setRate(150);
    rig.manager.sendPPtMessageIn(zoom);
    const PadClient::Payload sent = PadClient::decode(pad.waitForPayload());
    QCOMPARE(sent.type, 2);
    QCOMPARE(sent.subtype, 9);
    QCOMPARE(sent.object.value("ra").toString(), QString("150"));
    QCOMPARE(sent.object.value("mi").toString(), machineId);
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QVERIFY(nextIsHeartbeatAnswer(stranger));
}

void TestPadTcpManager::activePadGone()
{
    Rig rig;
    PadClient pad;
    PadClient other;
    QVERIFY(rig.loginPad(pad));
    QVERIFY(rig.connect(other));
    other.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(rig.manager.beatTable().size(), 1, 5000);
    QCOMPARE(rig.gone.count(), 0);
    QVERIFY(rig.manager.isPadConnected());
    // The PC drops the pad itself.
    rig.manager.disConnectIn();
    QVERIFY(pad.waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(rig.gone.count(), 1, 5000);
    QCOMPARE(rig.gone.first().at(0).value<uchar>(), uchar(0));
    QVERIFY(!rig.manager.isPadConnected());
    QCOMPARE(rig.manager.activeSid(), qintptr(0));
    // A new pad can pair again.
    PadClient again;
    QVERIFY(rig.loginPad(again));
    QCOMPARE(rig.loggedIn.count(), 2);
}

void TestPadTcpManager::noLoginInTimeIsDropped()
{
    Rig rig;
    rig.manager.setLoginTimeout(4000);
    PadClient pad;
    QVERIFY(rig.loginPad(pad));
    // The stranger's time runs out after the pad's would have: the logged-in pad has none to run out.
    ignoreWarning("no login in time, the connection is dropped!");
    PadClient stranger;
    QVERIFY(rig.connect(stranger));
    stranger.sendLoginReq();
    QVERIFY(!stranger.waitForPayload().isNull());
    QVERIFY(stranger.waitForDisconnect(30000));
    QTRY_COMPARE_WITH_TIMEOUT(rig.manager.beatTable().size(), 1, 5000);
    QVERIFY(pad.isConnected());
    QVERIFY(rig.manager.isPadConnected());
    QCOMPARE(rig.gone.count(), 0);
}

void TestPadTcpManager::idleStrangersDoNotKeepThePadOut()
{
    Rig rig;
    rig.manager.setLoginTimeout(4000);
    rig.manager.setPairingOpen(true);
    // Two addresses, each within its share of the places: no stranger takes another's.
    const QList<ReturningStranger *> strangers = returningStrangers(rig.port, 8, 2);
    const auto everyDropped = [&strangers](int times) {
        return std::all_of(strangers.begin(), strangers.end(),
            [times](const ReturningStranger *stranger) { return stranger->drops() >= times; });
    };
    // Every stranger has run out of time once and is back.
    QVERIFY(QTest::qWaitFor([&] { return everyDropped(1); }, 60000));

    // The pad comes while all eight are there.
    QVERIFY(QTest::qWaitFor([&] { return rig.manager.tcpServer()->connectionCount() == 8; }, 30000));
    PadClient pad;
    QVERIFY(pad.connectTo("127.0.0.1", rig.port));
    QVERIFY(pad.login());
    QCOMPARE(rig.loggedIn.count(), 1);
    // Twice more each: the second time a connection made after the pad's ran out; the pad stays.
    QList<int> dropsAtLogin;
    for (const ReturningStranger *stranger : qAsConst(strangers))
        dropsAtLogin.append(stranger->drops());
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (int i = 0; i < strangers.size(); ++i) {
                if (strangers.at(i)->drops() < dropsAtLogin.at(i) + 2)
                    return false;
            }
            return true;
        },
        60000));
    QVERIFY(pad.isConnected());
    QVERIFY(rig.manager.isPadConnected());
    QCOMPARE(rig.gone.count(), 0);
    pad.sendHeartBeat();
    PadClient::Payload answer;
    QVERIFY(pad.waitForControl(4, answer));
    qDeleteAll(strangers);
}

void TestPadTcpManager::newcomerTakesAnOlderPlace_data()
{
    QTest::addColumn<int>("addresses");
    QTest::addColumn<QString>("newcomerAddress");
    // The first address is full: its own oldest gives way.
    QTest::newRow("address full") << 1 << "127.0.0.2";
    // Every place is taken: the oldest of the addresses that hold the most gives way.
    QTest::newRow("all places taken") << PadTcpManager::maxUnpairedConnections / PadTcpManager::maxUnpairedPerAddress
                                      << "127.0.0.20";
}

void TestPadTcpManager::newcomerTakesAnOlderPlace()
{
    QFETCH(int, addresses);
    QFETCH(QString, newcomerAddress);
    Rig rig;
    PadClient pad;
    QVERIFY(rig.loginPad(pad));
    QList<PadClient *> strangers;
    for (int i = 0; i < addresses * PadTcpManager::maxUnpairedPerAddress; ++i) {
        strangers.append(new PadClient);
        strangers.last()->setLocalAddress(QStringLiteral("127.0.0.%1").arg(2 + i % addresses));
        QVERIFY(rig.connect(*strangers.last()));
        QCOMPARE(strangers.last()->waitForPayload(), loginMsgBytes(5));
    }
    ignoreWarning("too many connections without a login, the oldest is dropped!");
    PadClient newcomer;
    newcomer.setLocalAddress(newcomerAddress);
    QVERIFY(newcomer.connectTo("127.0.0.1", rig.port));
    QCOMPARE(newcomer.waitForPayload(), loginMsgBytes(5));
    QVERIFY(strangers.first()->waitForDisconnect(5000));
    // The others keep their places, and the newcomer is dealt with like any of them.
    for (int i = 1; i < strangers.size(); ++i)
        QVERIFY(nextIsHeartbeatAnswer(*strangers.at(i)));
    QVERIFY(nextIsHeartbeatAnswer(newcomer));
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QCOMPARE(rig.gone.count(), 0);
    qDeleteAll(strangers);
}

void TestPadTcpManager::padPairsBesideReturningStrangers_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("addresses");
    QTest::addColumn<int>("loginTimeoutMs");
    // From one address: all but a few wait for a place, and take one as soon as they get in.
    QTest::newRow("16 from one address") << 16 << 1 << idleTickMs;
    QTest::newRow("17 from one address") << 17 << 1 << idleTickMs;
    // Holding every place, each dropped when its time runs out and back at once.
    QTest::newRow("16 over four addresses") << 16 << 4 << 2000;
    QTest::newRow("17 over four addresses") << 17 << 4 << 2000;
}

// The pairing pad gets its place and logs in while strangers reconnect as fast as they are dropped, and keeps
// it while they go on.
void TestPadTcpManager::padPairsBesideReturningStrangers()
{
    QFETCH(int, count);
    QFETCH(int, addresses);
    QFETCH(int, loginTimeoutMs);
    // What the strangers make the manager say is counted by the log; here it would only fill the output.
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Rig rig;
    rig.manager.setLoginTimeout(loginTimeoutMs);
    rig.manager.setPairingOpen(true);
    const QList<ReturningStranger *> strangers = returningStrangers(rig.port, count, addresses);
    // Every place the strangers may hold is taken, and they have been dropped for their coming.
    QVERIFY(QTest::qWaitFor([&] { return dropsOf(strangers) >= count; }, 60000));
    PadClient pad;
    QElapsedTimer pairing;
    pairing.start();
    QVERIFY(pad.connectTo("127.0.0.1", rig.port));
    QVERIFY(pad.login(30000));
    const qint64 pairingMs = pairing.elapsed();
    QCOMPARE(rig.loggedIn.count(), 1);
    const int dropsAtLogin = dropsOf(strangers);
    QVERIFY(QTest::qWaitFor([&] { return dropsOf(strangers) >= dropsAtLogin + 2 * count; }, 60000));
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QVERIFY(rig.manager.isPadConnected());
    QCOMPARE(rig.gone.count(), 0);
    qDeleteAll(strangers);
    qInstallMessageHandler(previous);
    qInfo() << "the pad paired in" << pairingMs << "ms beside" << count << "strangers";
}

// The log file as the client writes it, while strangers reconnect as fast as they are dropped: a line is written
// for each connection's coming and going until the log holds back what one place repeats.
void TestPadTcpManager::floodOfConnectionsLogsLittle()
{
    TempWorkDir dir;
    QVERIFY(dir.isValid());
    // The log's going restores Qt's own handler; the test's comes back after it.
    const QtMessageHandler testHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(testHandler);
    const QString logFileName = g_logFileName;
    g_logFileName = dir.filePath("flood.txt");
    qint64 grown = 0;
    qint64 floodMs = 0;
    int connections = 0;
    {
        LogFileManager log;
        LogFileManager::setEchoLimit(0);
        Rig rig;
        rig.manager.setPairingOpen(true);
        QElapsedTimer clock;
        clock.start();
        const QList<ReturningStranger *> strangers = returningStrangers(rig.port, 17, 1);
        QVERIFY(QTest::qWaitFor([&] { return dropsOf(strangers) >= 17; }, 60000));
        PadClient pad;
        QVERIFY(pad.connectTo("127.0.0.1", rig.port));
        QVERIFY(pad.login(30000));
        QVERIFY(QTest::qWaitFor([&] { return dropsOf(strangers) >= floodConnections; }, 240000));
        QVERIFY(nextIsHeartbeatAnswer(pad));
        connections = dropsOf(strangers);
        floodMs = clock.elapsed();
        qDeleteAll(strangers);
        grown = QFileInfo(g_logFileName).size();
    }
    qInstallMessageHandler(testHandler);
    LogFileManager::setEchoLimit(LogFileManager::defaultEchoLimit);
    QFile file(g_logFileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    g_logFileName = logFileName;
    qInfo() << "the log grew by" << grown << "bytes in" << floodMs << "ms for" << connections << "connections";
    QVERIFY2(grown < 1024 * 1024, qPrintable(QStringLiteral("the log grew by %1 bytes").arg(grown)));
    QVERIFY(written.contains("more lines from here not written"));
}

void TestPadTcpManager::strangersReachNothingOfTheGuiThread_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("addresses");
    QTest::addColumn<QString>("mode");
    QTest::newRow("17 from one address, silent") << 17 << 1 << "silent";
    QTest::newRow("64 from 64 addresses, silent") << 64 << 64 << "silent";
    QTest::newRow("64 from 64 addresses, greeting") << 64 << 64 << "hello";
    // As many as the places, each on its own until its time runs out: the pad comes when they have had theirs.
    QTest::newRow("16 from 16 addresses, greeting") << 16 << 16 << "hello";
    QTest::newRow("64 from 64 addresses, noise") << 64 << 64 << "noise";
}

// Strangers that come back the moment they are dropped, from other processes: the manager's thread hears of none
// of them, their places stay within the caps, and a pad beside them logs in at its first try.
void TestPadTcpManager::strangersReachNothingOfTheGuiThread()
{
    QFETCH(int, count);
    QFETCH(int, addresses);
    QFETCH(QString, mode);
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Rig rig;
    rig.manager.setPairingOpen(true);
    QSignalSpy told(rig.manager.tcpServer(), &TcpServer::connectClient);
    QSignalSpy handedOn(rig.manager.tcpServer(), &TcpServer::readMessagesOut);
    QSignalSpy ended(rig.manager.tcpServer(), &TcpServer::sockDisConnect);
    QStringList sources;
    for (int i = 0; i < addresses; ++i)
        sources.append(QStringLiteral("127.0.0.%1").arg(2 + i));
    QProcess strangers;
    strangers.start(PADSTRANGERS,
        { "--host", "127.0.0.1", "--port", QString::number(rig.port), "--count", QString::number(count), "--seconds",
            "6", "--sources", sources.join(','), "--mode", mode });
    QVERIFY(strangers.waitForStarted());
    QVERIFY(strangers.waitForReadyRead(10000)); // its first line: it has begun
    // The places the strangers took have been theirs for longer than a pad needs to log in.
    QTest::qWait(PadGate::placeGraceMs + 500);
    PadClient pad;
    pad.setLocalAddress("127.0.0.200");
    QVERIFY(pad.connectTo("127.0.0.1", rig.port));
    QVERIFY2(pad.login(3000), "the pad did not log in at its first try");
    int mostPlaces = 0;
    while (strangers.state() != QProcess::NotRunning) {
        mostPlaces = qMax(mostPlaces, rig.manager.gate().placesTaken());
        QVERIFY(rig.manager.beatTable().size() <= PadTcpManager::maxConnections);
        QTest::qWait(20);
    }
    const QByteArray report = strangers.readAll().trimmed().split('\n').last();
    qInstallMessageHandler(previous);
    qInfo() << mode << report;
    const QList<QByteArray> fields = report.split(' ');
    QVERIFY2(fields.size() == 8 && fields.at(1).toInt() > count, report.constData());
    if (mode == "hello")
        QVERIFY2(fields.at(7).toInt() > 0, "no stranger was answered");
    // The pad's own coming, payloads and nothing more.
    QVERIFY(nextIsHeartbeatAnswer(pad));
    QCOMPARE(told.count(), 1);
    QCOMPARE(told.first().at(1).toString(), QString("127.0.0.200"));
    for (const QList<QVariant> &payload : qAsConst(handedOn))
        QCOMPARE(payload.at(1).value<qintptr>(), rig.manager.activeSid());
    QCOMPARE(ended.count(), 0);
    QVERIFY(mostPlaces <= PadTcpManager::maxUnpairedConnections);
    QCOMPARE(rig.loggedIn.count(), 1);
    QCOMPARE(rig.gone.count(), 0);
}

void TestPadTcpManager::gatePlaces_data()
{
    // Each step admits a connection from an address: "A" admits one from 10.0.0.A; "A*n" n of them, each gone at
    // once after (arrivals without a place). The last step's outcome is checked:
    // the id that gives way (ids count from 1), 0 for none, -1 for a refusal.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("graceMs");
    QTest::addColumn<int>("outcome");
    QStringList sixteen;
    for (int i = 1; i <= 16; ++i)
        sixteen.append(QString::number(i));
    QTest::newRow("room") << QStringList { "1", "2", "1" } << 0 << 0;
    QTest::newRow("own address full: its oldest") << QStringList { "1", "1", "2", "1", "1", "1" } << 60000 << 1;
    QTest::newRow("all taken, all had their time: the oldest")
        << (sixteen + QStringList { "17" }) << 0 << 1;
    QTest::newRow("all taken, all had their time: the fullest address first")
        << (sixteen.mid(0, 12) + QStringList { "13", "13", "13", "13", "17" }) << 0 << 13;
    QTest::newRow("all came just now: a quiet newcomer takes the oldest place")
        << (sixteen + QStringList { "17" }) << 60000 << 1;
    QTest::newRow("all came just now: of those, the address that came most often")
        << (QStringList { "5*3" } + sixteen + QStringList { "17" }) << 60000 << 5 + 3;
    QTest::newRow("all came just now: a flooding newcomer is refused")
        << (QStringList { "17*30" } + sixteen + QStringList { "17" }) << 60000 << -1;
    // Strangers each back once after they were dropped, and a pad that came after them: the next one back takes a
    // stranger's place.
    QStringList returning;
    for (int i = 1; i <= 15; ++i)
        returning << QStringLiteral("%1*1").arg(i) << QString::number(i);
    QTest::newRow("returning strangers go before a pad") << (returning + QStringList { "20", "1" }) << 60000 << 2;
    // Strangers that came once, and a pad among them: the next stranger takes the oldest place, not the pad's.
    QTest::newRow("the newest place is the last to go")
        << (sixteen.mid(0, 8) + QStringList { "20" } + sixteen.mid(8, 7) + QStringList { "17" }) << 60000 << 1;
    QTest::newRow("a pad that tried a few times is no flood")
        << (QStringList { "17*4" } + sixteen + QStringList { "17" }) << 60000 << 4 + 1;
}

void TestPadTcpManager::gatePlaces()
{
    QFETCH(QStringList, steps);
    QFETCH(int, graceMs);
    QFETCH(int, outcome);
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QHash<qintptr, quint8> beats;
    QReadWriteLock beatLock;
    PadGate gate(userId, userName, machineId, PadClient::loginToken, beats, beatLock);
    gate.setPlaceGrace(graceMs);
    qintptr id = 0;
    int result = 0;
    for (const QString &step : qAsConst(steps)) {
        const QStringList parts = step.split('*');
        const QString address = QStringLiteral("10.0.0.") + parts.first();
        const int times = parts.size() > 1 ? parts.at(1).toInt() : 1;
        for (int i = 0; i < times; ++i) {
            QList<qintptr> giveWay;
            const bool admitted = gate.admit(++id, address, giveWay);
            result = !admitted ? -1 : giveWay.isEmpty() ? 0 : int(giveWay.first());
            for (qintptr leaving : qAsConst(giveWay))
                gate.gone(leaving);
            if (parts.size() > 1)
                gate.gone(id);
        }
    }
    qInstallMessageHandler(previous);
    QCOMPARE(result, outcome);
    QVERIFY(gate.placesTaken() <= PadTcpManager::maxUnpairedConnections);
}

void TestPadTcpManager::bigFrameInPiecesLogsLittle_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("handled");
    const QString big(1024 * 1024 - 64, QChar('k'));
    QTest::newRow("login request with a long token")
        << PadClient::payload(1, 0, { { "hb", big } }) << "the heartBeat string error! hBStr:";
    QTest::newRow("courseware from a stranger")
        << PadClient::payload(2, 1, pageTurn(big, 3)) << "the courseware message is not from the logged-in pad";
    QByteArray noise(1024 * 1024 - 2, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    QTest::newRow("control type and noise") << QByteArray("\x01\x04", 2) + noise << "the json analysis error!";
}

void TestPadTcpManager::bigFrameInPiecesLogsLittle()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, handled);
    QVERIFY(payload.size() <= 1024 * 1024);
    Rig rig;
    PadClient stranger;
    QVERIFY(rig.connect(stranger));
    qint64 logged = 0;
    {
        LogMeter meter;
        const QByteArray frame = PadClient::frame(payload);
        for (int offset = 0; offset < frame.size(); offset += 1024) {
            stranger.sendRaw(frame.mid(offset, 1024));
            // Let the pieces go one by one, so that the PC reads many times.
            if (offset % (4 * 1024) == 0)
                QTest::qWait(1);
        }
        QVERIFY(QTest::qWaitFor([&] { return meter.saw(handled); }, 30000));
        logged = meter.bytes();
    }
    qInfo() << "the log grew by" << logged << "bytes";
    QVERIFY2(logged <= 4096, qPrintable(QStringLiteral("the log grew by %1 bytes").arg(logged)));
    QVERIFY(nextIsHeartbeatAnswer(stranger));
}

void TestPadTcpManager::smallFramesLogLittle_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("piece");
    QTest::newRow("many frames at once") << 20000 << 64 * 1024;
    QTest::newRow("a byte at a time") << PadTcpManager::maxPayloadsBeforeLogin + 1 << 1;
}

void TestPadTcpManager::smallFramesLogLittle()
{
    QFETCH(int, frames);
    QFETCH(int, piece);
    Rig rig;
    PadClient stranger;
    QVERIFY(rig.connect(stranger));
    // What the socket's thread hands the manager's: no more than the manager would take.
    QSignalSpy handedOn(rig.manager.tcpServer(), &TcpServer::readMessagesOut);
    qint64 logged = 0;
    {
        LogMeter meter;
        // A reserved kind, taken and ignored: nothing but the frames themselves to log.
        const QByteArray frame = PadClient::frame(QByteArray("\x03\x00", 2));
        QByteArray bytes;
        for (int i = 0; i < frames; ++i)
            bytes += frame;
        for (int offset = 0; offset < bytes.size() && stranger.isConnected(); offset += piece) {
            stranger.sendRaw(bytes.mid(offset, piece));
            QTest::qWait(1);
        }
        QVERIFY(stranger.waitForDisconnect(10000));
        QVERIFY(meter.saw("too many payloads without a login, the connection is dropped!"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.manager.beatTable().isEmpty(), 5000);
        logged = meter.bytes();
    }
    qInfo() << "the log grew by" << logged << "bytes";
    QVERIFY2(logged <= 12 * 1024, qPrintable(QStringLiteral("the log grew by %1 bytes").arg(logged)));
    QVERIFY2(handedOn.count() <= PadTcpManager::maxPayloadsBeforeLogin,
        qPrintable(QStringLiteral("%1 payloads handed on").arg(handedOn.count())));
}

void TestPadTcpManager::portWhenTheDefaultIsTaken()
{
    QTcpServer blocker;
    blocker.listen(QHostAddress::LocalHost, PadTcpManager::defaultPort); // may already be taken by another
    Rig rig;
    QVERIFY(rig.port >= 50000 && rig.port <= 59999);
    QCOMPARE(rig.manager.getServerPort(), rig.port);
    QCOMPARE(rig.manager.tcpServer()->serverAddress(), QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(rig.manager.tcpServer()->maxConnections(), PadTcpManager::maxConnections);
    ignoreWarning(QStringLiteral("hostPort: %1").arg(rig.port));
    QCOMPARE(rig.manager.startTcpServer(), quint16(0));
    PadClient pad;
    QVERIFY(rig.loginPad(pad));
}

void TestPadTcpManager::noServerWithoutAddressOrPermission()
{
    PadTcpManager::setAddressChooser([] { return QString(); });
    {
        PadTcpManager manager(userId, userName);
        manager.setServerEnabled(true);
        QCOMPARE(manager.getIPNumber(), QString("0"));
        ignoreWarning("no local address for the pad link, no server started");
        QCOMPARE(manager.startTcpServer(), quint16(0));
        QCOMPARE(manager.getServerPort(), quint16(0));
        QVERIFY(!manager.tcpServer());
    }
    PadTcpManager::setAddressChooser([] { return QStringLiteral("127.0.0.1"); });
    PadTcpManager manager(userId, userName);
    QCOMPARE(manager.startTcpServer(), quint16(0));
    QVERIFY(!manager.tcpServer());
}

void TestPadTcpManager::chooseAddress_data()
{
    using Entry = PadTcpManager::InterfaceEntry;
    QTest::addColumn<QVariant>("interfaces");
    QTest::addColumn<QString>("address");
    const QNetworkInterface::InterfaceFlags up = QNetworkInterface::IsUp | QNetworkInterface::IsRunning
        | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast;
    const Entry lan { up, "52:54:00:12:34:56", { QHostAddress("fe80::1"), QHostAddress("192.168.1.20") } };
    const Entry wifi { up, "52:54:00:aa:bb:cc", { QHostAddress("10.0.0.7"), QHostAddress("10.0.0.8") } };
    const Entry linkLocal { up, "52:54:00:00:00:01", { QHostAddress("169.254.10.3") } };
    const Entry vmware { up, "00:50:56:C0:00:08", { QHostAddress("192.168.56.1") } };
    const Entry loopback { up | QNetworkInterface::IsLoopBack, "", { QHostAddress("127.0.0.1") } };
    const Entry down { QNetworkInterface::IsUp | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast,
        "52:54:00:00:00:02", { QHostAddress("192.168.9.9") } };
    const Entry edge { up, "52:54:00:00:00:03", { QHostAddress("169.254.0.5") } };
    const auto list = [](const QList<Entry> &entries) { return QVariant::fromValue(entries); };
    QTest::newRow("one interface") << list({ lan }) << "192.168.1.20";
    QTest::newRow("the last qualifying interface wins") << list({ lan, wifi }) << "10.0.0.7";
    QTest::newRow("link-local only") << list({ linkLocal }) << "";
    QTest::newRow("169.254.0.x is outside the excluded range") << list({ edge }) << "169.254.0.5";
    QTest::newRow("VMware host adapter and loopback left out") << list({ lan, vmware, loopback }) << "192.168.1.20";
    QTest::newRow("not running") << list({ down }) << "";
    QTest::newRow("none") << list({}) << "";
}

void TestPadTcpManager::chooseAddress()
{
    QFETCH(QVariant, interfaces);
    QFETCH(QString, address);
    QCOMPARE(PadTcpManager::chooseAddress(interfaces.value<QList<PadTcpManager::InterfaceEntry>>()), address);
}

Q_DECLARE_METATYPE(PadTcpManager::InterfaceEntry)

QTEST_GUILESS_MAIN(TestPadTcpManager)
#include "tst_padtcpmanager.moc"
