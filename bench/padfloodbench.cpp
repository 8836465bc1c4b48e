// pad_flood_bench: the lecturer's class window while strangers of the school's network flood the pad link.
//
//   pad_flood_bench [--seconds 60] [--rows 16x1,17x1,64x64] [--mode silent|hello|noise] [--busy 24]
//                   [--same-session] [--pad-after 5] [--wm openbox]
//
// On an Xvfb of its own with a window manager, the whole client signs in on the lecturer's side of the sandboxed
// school service (as TAVI_TEST_USER_TYPE=0 does), enters the lesson and opens the pairing pop-up. The pad link
// listens on a veth pair into a network namespace (loopback where the machine does not allow it), and for each row
// "NxA" N strangers from A of the namespace's addresses connect again the moment they are dropped, for the given
// seconds, while other processes keep the machine busy (in a session of their own, as other programs of the desktop,
// unless --same-session). The sandbox's pad starts --pad-after seconds into the flood. Measured for each row:
// - the window's answers to _NET_WM_PING, sent every 50 ms over a connection of the bench's own, as a window
//   manager does: the longest time a ping went unanswered, and how many waited over 250 ms;
// - the longest gap between two turns of the GUI thread's event loop and its most processor time within one;
// - the classroom heartbeats of the lesson in the flood, and those missed;
// - the time from the pad's start to its login;
// - the client's log: its growth a minute, and the longest time it was not written;
// - the processor time of the client and of its GUI thread, and the load.
// --keep-log copies the client's log to a path of the user's at the end.
// A last row floods with 64 greeting strangers from 64 addresses and no pad, then starts the pad once the strangers
// have stopped, with the pop-up as the flood left it: the time to its login.
#include "sandbox/classroomsandbox.h"
#include "tests/support/busymachine.h"
#include "tests/support/childprocess.h"
#include "tests/support/eventloopgapmeter.h"
#include "tests/support/sandboxclient.h"
#include "tests/support/schoolnetwork.h"
#include "tests/support/xvfbdisplay.h"
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
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <sys/resource.h>
#include <thread>

namespace {
void out(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

double nowMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

double processCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

QString loadAverage()
{
    QFile file("/proc/loadavg");
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).section(' ', 0, 2);
}

// Pings a window as a window manager does (_NET_WM_PING), from a thread and an X connection of its own, and keeps
// the longest time a ping went unanswered.
class WindowPinger
{
public:
    bool start(const QByteArray &display, quint32 window, int intervalMs)
    {
        m_connection = xcb_connect(display.constData(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_window = window;
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
        // The answer goes to the root window for those that watch its structure.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        m_running = true;
        m_sender = std::thread([this, intervalMs] { send(intervalMs); });
        m_reader = std::thread([this] { read(); });
        return true;
    }
    void stop()
    {
        if (!m_running)
            return;
        m_running = false;
        m_sender.join();
        // A last ping of our own wakes the reader.
        xcb_client_message_event_t wake {};
        wake.response_type = XCB_CLIENT_MESSAGE;
        wake.window = m_root;
        wake.type = m_protocols;
        wake.format = 32;
        xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&wake));
        xcb_flush(m_connection);
        m_reader.join();
        xcb_disconnect(m_connection);
    }
    // Forgets what was measured.
    void reset()
    {
        std::lock_guard<std::mutex> locker(m_lock);
        m_longest = 0;
        m_late = 0;
        m_sent = 0;
        m_answered = 0;
        m_pending.clear();
    }
    void figures(double &longestMs, int &late, int &sent, int &answered)
    {
        std::lock_guard<std::mutex> locker(m_lock);
        const double now = nowMs();
        longestMs = m_longest;
        for (const auto &pending : m_pending)
            longestMs = qMax(longestMs, now - pending.second);
        late = m_late;
        sent = m_sent;
        answered = m_answered;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply
            = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    }
    void send(int intervalMs)
    {
        uint32_t stamp = 1;
        while (m_running) {
            xcb_client_message_event_t ping {};
            ping.response_type = XCB_CLIENT_MESSAGE;
            ping.window = m_window;
            ping.type = m_protocols;
            ping.format = 32;
            ping.data.data32[0] = m_ping;
            ping.data.data32[1] = stamp;
            ping.data.data32[2] = m_window;
            {
                std::lock_guard<std::mutex> locker(m_lock);
                m_pending.append({ stamp, nowMs() });
                ++m_sent;
            }
            xcb_send_event(m_connection, 0, m_window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&ping));
            xcb_flush(m_connection);
            ++stamp;
            std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
        }
    }
    void read()
    {
        while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
                if (message->type == m_protocols && message->data.data32[0] == m_ping) {
                    const double now = nowMs();
                    std::lock_guard<std::mutex> locker(m_lock);
                    for (int i = 0; i < m_pending.size(); ++i) {
                        if (m_pending.at(i).first != message->data.data32[1])
                            continue;
                        const double waited = now - m_pending.at(i).second;
                        m_longest = qMax(m_longest, waited);
                        if (waited > 250)
                            ++m_late;
                        ++m_answered;
                        m_pending.removeAt(i);
                        break;
                    }
                }
            }
            free(event);
            if (!m_running)
                break;
        }
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = 0;
    xcb_atom_t m_protocols = 0;
    xcb_atom_t m_ping = 0;
    std::atomic<bool> m_running { false };
    std::thread m_sender;
    std::thread m_reader;
    std::mutex m_lock;
    QList<QPair<uint32_t, double>> m_pending;
    double m_longest = 0;
    int m_late = 0;
    int m_sent = 0;
    int m_answered = 0;
};

struct Row
{
    int strangers = 0;
    int addresses = 0;
    bool padDuringFlood = true;
    QString mode;
};

struct Bench
{
    SchoolNetwork *network = nullptr;
    ZephApplication *application = nullptr;
    ToolView *tools = nullptr;
    PadTcpManager *padLink = nullptr;
    QPushButton *padButton = nullptr;
    WindowPinger pinger;
    int seconds = 60;
    int padAfterSeconds = 5;
    int busy = 24;
    bool sameSession = false;

    bool openPairing()
    {
        if (!tools->pairingFrame()->isVisible())
            QTest::mouseClick(padButton, Qt::LeftButton);
        return QTest::qWaitFor([this] { return tools->pairingFrame()->isVisible(); }, 10000);
    }

    bool startPad(ChildProcess &pad)
    {
        const QString caption = tools->qrCodeWidget()->qrcodeText()->text();
        QStringList arguments;
        const QString program = network->programThere(TAVIPAD,
            { caption.section('\n', 1), "--wait", "120", "--from", network->machineAddresses().last() }, arguments);
        pad.setProcessChannelMode(QProcess::MergedChannels);
        return pad.startProgram(program, arguments);
    }

    void run(const Row &row);
};

void Bench::run(const Row &row)
{
    if (!openPairing()) {
        out("the pairing pop-up did not open");
        return;
    }
    (void)QTest::qWaitForWindowExposed(tools->pairingFrame());
    QTest::qWait(500);
    int padLogins = 0;
    QMetaObject::Connection loginCount
        = QObject::connect(padLink, &PadTcpManager::newConnectOut, [&padLogins](uchar) { ++padLogins; });
    int beats = 0;
    int missed = 0;
    int drops = 0;
    QMetaObject::Connection beatCount = QObject::connect(g_socketClientManager,
        &SocketClientManager::signalSocketTimeout, [&](bool dropped, const QString &quality) {
            ++beats;
            if (dropped)
                ++drops;
            else if (quality != QString::fromUtf8("正常"))
                ++missed;
        });
    // The log's size each 100 ms: the longest time it stayed the same.
    qint64 logSize = QFileInfo(g_logFileName).size();
    const qint64 logStart = logSize;
    double logChanged = nowMs();
    double logSilence = 0;
    QTimer logWatch;
    QObject::connect(&logWatch, &QTimer::timeout, [&] {
        const qint64 size = QFileInfo(g_logFileName).size();
        const double now = nowMs();
        if (size != logSize) {
            logSize = size;
            logChanged = now;
        }
        logSilence = qMax(logSilence, now - logChanged);
    });
    // The client logs by itself now and then; under a flood its pad link logs its bounded share.
    QTimer marker;
    QObject::connect(&marker, &QTimer::timeout, [] { qInfo() << "the bench is still here"; });
    marker.start(5000);

    BusyMachine machine(busy, !sameSession);
    EventLoopGapMeter meter;
    pinger.reset();
    meter.start();
    logWatch.start(100);
    const double cpuStart = processCpuMs();
    const double guiStart = threadCpuMs();
    const double start = nowMs();

    ChildProcess strangers;
    const QStringList sources = network->machineAddresses().mid(0, row.addresses);
    QStringList arguments;
    const QString program = network->programThere(PADSTRANGERS,
        { "--host", padLink->getIPAddress(), "--port", QString::number(padLink->getServerPort()), "--count",
            QString::number(row.strangers), "--seconds", QString::number(seconds), "--sources", sources.join(','),
            "--mode", row.mode },
        arguments);
    strangers.setProcessChannelMode(QProcess::MergedChannels);
    strangers.startProgram(program, arguments);
    ChildProcess pad;
    double padStart = 0;
    double padLoggedIn = -1;
    if (row.padDuringFlood) {
        QTest::qWait(padAfterSeconds * 1000);
        padStart = nowMs();
        startPad(pad);
        (void)QTest::qWaitFor([&] { return padLogins > 0; }, seconds * 1000);
        if (padLogins > 0)
            padLoggedIn = nowMs() - padStart;
    }
    (void)QTest::qWaitFor([&] { return !strangers.isRunning(); }, seconds * 1000 + 60000);
    const double floodMs = nowMs() - start;
    const double cpu = processCpuMs() - cpuStart;
    const double gui = threadCpuMs() - guiStart;
    meter.stop();
    logWatch.stop();
    double pingLongest = 0;
    int late = 0;
    int sent = 0;
    int answered = 0;
    pinger.figures(pingLongest, late, sent, answered);
    const QByteArray report = strangers.readAll().trimmed().split('\n').last();
    const QString load = loadAverage();
    if (!row.padDuringFlood) {
        // The pop-up as the flood left it; the pad comes once the strangers have stopped.
        padStart = nowMs();
        startPad(pad);
        (void)QTest::qWaitFor([&] { return padLogins > 0; }, 60000);
        if (padLogins > 0)
            padLoggedIn = nowMs() - padStart;
    }
    const QByteArray padOutput = pad.readAll();
    pad.stop();
    (void)QTest::qWaitFor([this] { return !padLink->isPadConnected(); }, 30000);
    QObject::disconnect(loginCount);
    QObject::disconnect(beatCount);

    const qint64 grown = logSize - logStart;
    out(QStringLiteral("%1 from %2 (%3), %4 s, pad %5: %6")
            .arg(row.strangers)
            .arg(row.addresses)
            .arg(row.mode)
            .arg(floodMs / 1000, 0, 'f', 1)
            .arg(row.padDuringFlood ? QStringLiteral("%1 s into the flood").arg(padAfterSeconds)
                                    : QStringLiteral("after the flood"))
            .arg(QString::fromUtf8(report)));
    out(QStringLiteral("  window: longest unanswered ping %1 ms, %2 of %3 pings over 250 ms (%4 answered)")
            .arg(pingLongest, 0, 'f', 0)
            .arg(late)
            .arg(sent)
            .arg(answered));
    out(QStringLiteral("  GUI thread: longest gap between turns %1 ms, most work in one %2 ms")
            .arg(meter.longestGapMs())
            .arg(meter.longestBusyMs()));
    out(QStringLiteral("  heartbeats: %1, missed %2, dropped %3").arg(beats).arg(missed).arg(drops));
    out(QStringLiteral("  pad: %1%2")
            .arg(padLoggedIn < 0 ? QStringLiteral("not logged in")
                                 : QStringLiteral("logged in %1 ms after its start").arg(padLoggedIn, 0, 'f', 0))
            .arg(padOutput.contains("not logged in yet") ? QStringLiteral(" (not at its first try)") : QString()));
    out(QStringLiteral("  log: +%1 bytes, %2 KB a minute, longest without a line %3 ms")
            .arg(grown)
            .arg(grown * 60000.0 / floodMs / 1024, 0, 'f', 1)
            .arg(logSilence, 0, 'f', 0));
    out(QStringLiteral("  CPU: client %1 %, GUI thread %2 %; load %3; %4 busy processes%5")
            .arg(100 * cpu / floodMs, 0, 'f', 0)
            .arg(100 * gui / floodMs, 0, 'f', 0)
            .arg(load)
            .arg(machine.processes())
            .arg(sameSession ? QStringLiteral(" in the bench's session") : QStringLiteral(" in their own session")));
}
} // namespace

int main(int argc, char *argv[])
{
    QStringList rowsText { "16x1", "17x1", "64x64" };
    QString manager = "openbox";
    Bench bench;
    QString mode = "silent";
    QString logCopy;
    {
        QCoreApplication probe(argc, argv);
        QCommandLineParser parser;
        parser.addHelpOption();
        const QCommandLineOption seconds("seconds", "flood length", "s", "60");
        const QCommandLineOption rows("rows", "strangers x addresses, comma-separated", "rows", rowsText.join(','));
        const QCommandLineOption modeOption("mode", "silent, hello or noise", "mode", mode);
        const QCommandLineOption busy("busy", "busy processes", "n", "24");
        const QCommandLineOption sameSession("same-session", "busy processes in the bench's session");
        const QCommandLineOption padAfter("pad-after", "seconds into the flood the pad starts", "s", "5");
        const QCommandLineOption wm("wm", "window manager (openbox, xfwm4, metacity)", "name", manager);
        const QCommandLineOption keepLog("keep-log", "where to copy the client's log at the end", "path");
        parser.addOptions({ seconds, rows, modeOption, busy, sameSession, padAfter, wm, keepLog });
        parser.process(probe);
        bench.seconds = parser.value(seconds).toInt();
        rowsText = parser.value(rows).split(',');
        mode = parser.value(modeOption);
        bench.busy = parser.value(busy).toInt();
        bench.sameSession = parser.isSet(sameSession);
        bench.padAfterSeconds = parser.value(padAfter).toInt();
        manager = parser.value(wm);
        logCopy = parser.value(keepLog);
    }
    qputenv("TAVI_TEST_WM", manager.toLatin1());
    XvfbDisplay display(XvfbDisplay::managerFromEnvironment());
    if (!display.start(1920, 1080)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", display.name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    SchoolNetwork network(65);
    bench.network = &network;
    out(QStringLiteral("network: %1; window manager %2; load %3").arg(network.description(), manager, loadAverage()));
    SandboxClient client(GlobalEnum::User0);
    if (!client.start()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    g_runId = "BenchPad59";
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
    LogFileManager log;
    LogFileManager::setEchoLimit(0);
    const QString address = network.localAddress();
    PadTcpManager::setAddressChooser([address] { return address; });
    {
        ZephApplication zeph;
        bench.application = &zeph;
        if (!zeph.run())
            return 1;
        if (!SandboxClient::enterFirstLesson(zeph, client.sandbox()->accounts().value(1), 30000)) {
            std::fprintf(stderr, "the lesson was not entered\n");
            return 1;
        }
        auto *window = qobject_cast<SchoolClassView *>(zeph.classWindow()->centerWidget());
        bench.tools = window->toolView();
        bench.padLink = bench.tools->getPadTcpManager();
        bench.padButton = bench.tools->findChild<QPushButton *>("padConnectBtn");
        (void)QTest::qWaitFor([&] { return bench.padButton->isVisible(); }, 10000);
        QTest::qWait(2000);
        if (!bench.pinger.start(display.name().toLocal8Bit(), quint32(zeph.classWindow()->winId()), 50)) {
            std::fprintf(stderr, "no X connection for the pings\n");
            return 1;
        }
        for (const QString &text : qAsConst(rowsText)) {
            Row row;
            row.strangers = text.section('x', 0, 0).toInt();
            row.addresses = text.section('x', 1, 1).toInt();
            row.mode = mode;
            bench.run(row);
        }
        bench.run({ 64, 64, false, QStringLiteral("hello") });
        bench.pinger.stop();
    }
    if (!logCopy.isEmpty()) {
        QFile::remove(logCopy);
        QFile::copy(g_logFileName, logCopy);
    }
    PadTcpManager::setAddressChooser({});
    return 0;
}
