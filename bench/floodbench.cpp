// Floods through the classroom connection: a burst of class chat lines into the chat panel, and a long course
// list into the course-list window, over a fake classroom server on loopback. Reports the longest time the GUI
// thread went without an event-loop turn and the resident memory. See bench/README.md.
#include "tests/support/classroomlink.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/selectclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QLoggingCategory>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {
QTextStream out(stdout);

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// Ticks every 10 ms in the GUI thread: the largest gap between ticks is the longest stall, and each tick samples
// the resident memory.
class StallMonitor : public QObject
{
public:
    StallMonitor()
    {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.elapsed();
            m_maxGap = qMax(m_maxGap.load(), now - m_lastTick.load());
            m_lastTick = now;
            m_peak = qMax(m_peak.load(), residentMegabytes());
        });
    }
    void start()
    {
        m_maxGap = 0;
        m_peak = residentMegabytes();
        m_clock.start();
        m_lastTick = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    qint64 maxGap() const { return m_maxGap; }
    double peak() const { return m_peak; }
    // From another thread, while the GUI thread may be stuck: the stall so far counts too.
    qint64 maxGapSoFar() const { return qMax(m_maxGap.load(), m_clock.elapsed() - m_lastTick.load()); }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::atomic<qint64> m_lastTick { 0 };
    std::atomic<qint64> m_maxGap { 0 };
    std::atomic<double> m_peak { 0 };
};

// Ends the run at the deadline even when the GUI thread never turns again, with what was seen so far.
void startWatchdog(const StallMonitor &monitor, const QString &what, int timeoutSeconds, double start)
{
    std::thread([&monitor, what, timeoutSeconds, start] {
        std::this_thread::sleep_for(std::chrono::seconds(timeoutSeconds + 5));
        const double now = residentMegabytes();
        std::fprintf(stdout,
            "%s (NOT FINISHED): still busy after %lld ms, longest stall so far %lld ms, RSS start %.1f MB, peak "
            "%.1f MB, now %.1f MB\n",
            qPrintable(what), (long long)monitor.elapsed(), (long long)monitor.maxGapSoFar(), start,
            qMax(monitor.peak(), now), now);
        std::fflush(stdout);
        std::_Exit(2);
    }).detach();
}

void setUpSession(int userType)
{
    g_userId = "S1";
    g_classId = "class9";
    g_classType = 4;
    g_userType = userType;
    g_lectId = "L1";
    g_userInfoHash.clear();
    g_userInfoHash.updateUserInfo(UserInfo("L1", "王老师", "0"));
    g_userInfoHash.updateUserInfo(UserInfo("S1", "李小明", "1"));
    g_userInfoHash.updateUserInfo(UserInfo("S2", "Ann", "1"));
}

// Runs the event loop until done() holds, checking every 50 ms; false after the time-out.
bool waitFor(const std::function<bool()> &done, int timeoutSeconds, QElapsedTimer &clock)
{
    while (!done()) {
        if (clock.elapsed() > timeoutSeconds * 1000LL)
            return false;
        QTest::qWait(50);
    }
    return true;
}

void report(const QString &what, bool finished, qint64 seconds, const StallMonitor &monitor, double start,
    double after)
{
    out << what << (finished ? "" : " (NOT FINISHED)") << ": absorbed in " << seconds << " ms, longest stall "
        << monitor.maxGap() << " ms, RSS start " << QString::number(start, 'f', 1) << " MB, peak "
        << QString::number(monitor.peak(), 'f', 1) << " MB, after " << QString::number(after, 'f', 1) << " MB ("
        << QString::number(after - start, 'f', 1) << " MB over start)\n";
    out.flush();
}

int runChat(int lines, int timeoutSeconds)
{
    setUpSession(1);
    ClassroomLink link;
    link.server().answerLogin();
    link.server().answerHeartbeats();
    if (!link.connectToServer(10000)) {
        out << "no classroom connection\n";
        return 1;
    }
    ChatView view;
    view.resize(320, 700);
    view.show();
    int received = 0;
    QObject::connect(link.manager(), &SocketClientManager::readChatMessage, &view, [&received] { ++received; });
    QTest::qWait(500);

    QByteArray burst;
    const QString last = QStringLiteral("line %1").arg(lines - 1);
    for (int i = 0; i < lines; ++i) {
        ChatMessage message;
        message.setCmType(ChatMessage::WholeClass);
        message.setSenderId("S2");
        message.setSenderName("class9");
        message.setSendTime(QDateTime::currentDateTime());
        message.setContent(QStringLiteral("line %1").arg(i));
        QString text;
        TSProtocolAnalysis::sendChatMessage(message, text);
        burst += FakeClassroomServer::frame(QStringLiteral("11\t0\t") + text);
    }

    StallMonitor monitor;
    const double start = residentMegabytes();
    QElapsedTimer clock;
    clock.start();
    monitor.start();
    startWatchdog(monitor, QStringLiteral("chat %1 lines").arg(lines), timeoutSeconds, start);
    link.server().sendRaw(burst);
    burst.clear();
    const bool finished = waitFor(
        [&] {
            const int count = view.listWidget()->count();
            return received == lines && count > 0 && view.row(count - 1) && view.row(count - 1)->text() == last;
        },
        timeoutSeconds, clock);
    const qint64 absorbed = clock.elapsed();
    // Once the burst is over: deferred deletions and the like get a second.
    QTest::qWait(1000);
    monitor.stop();
    report(QStringLiteral("chat %1 lines (%2 rows listed)").arg(lines).arg(view.listWidget()->count()), finished,
        absorbed, monitor, start, residentMegabytes());
    return finished ? 0 : 2;
}

int runCourses(int lessons, int timeoutSeconds)
{
    setUpSession(1);
    ClassroomLink link;
    link.server().answerLogin();
    link.server().answerHeartbeats();
    if (!link.connectToServer(10000)) {
        out << "no classroom connection\n";
        return 1;
    }
    SelectClassView view;
    view.show();
    QTest::qWait(500);
    const QList<ClassListWidget *> pages = view.findChildren<ClassListWidget *>();

    QJsonArray rows;
    for (int i = 0; i < lessons; ++i) {
        QJsonObject row;
        row.insert("id", 100000 + i);
        row.insert("title", QStringLiteral("Lesson %1").arg(i));
        row.insert("beginTime", "2030-01-01 08:00:00");
        row.insert("endTime", "2030-01-01 09:00:00");
        row.insert("actualTime", "60");
        row.insert("teacherName", "王老师");
        row.insert("className", "7A");
        row.insert("subjectName", "数学");
        row.insert("lessonType", 4);
        rows.append(row);
    }
    const QString line = QStringLiteral("21\t0\t")
        + QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));

    StallMonitor monitor;
    const double start = residentMegabytes();
    QElapsedTimer clock;
    clock.start();
    monitor.start();
    startWatchdog(monitor, QStringLiteral("course list of %1 lessons").arg(lessons), timeoutSeconds, start);
    link.server().sendLine(line);
    const bool finished = waitFor(
        [&] {
            for (ClassListWidget *page : pages) {
                if (page->count() - 1 < lessons)
                    return false;
            }
            return !pages.isEmpty();
        },
        timeoutSeconds, clock);
    const qint64 absorbed = clock.elapsed();
    QTest::qWait(1000);
    monitor.stop();
    report(QStringLiteral("course list of %1 lessons on %2 pages").arg(lessons).arg(pages.size()), finished, absorbed,
        monitor, start, residentMegabytes());
    return finished ? 0 : 2;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument("what", "chat N, courses N, or all (chat 1000, chat 100000, courses 20000)");
    QCommandLineOption timeout("timeout", "seconds to wait for one flood to be absorbed", "seconds", "600");
    parser.addOption(timeout);
    parser.process(app);
    // The client's log would cost more than the flood itself.
    qSetMessagePattern(QString());
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));

    const QStringList args = parser.positionalArguments();
    const int seconds = parser.value(timeout).toInt();
    if (args.value(0) == QLatin1String("chat"))
        return runChat(args.value(1, "1000").toInt(), seconds);
    if (args.value(0) == QLatin1String("courses"))
        return runCourses(args.value(1, "20000").toInt(), seconds);
    // Each flood in a process of its own, so that one's memory does not count in the next.
    int result = 0;
    const QList<QStringList> runs { { "chat", "1000" }, { "chat", "100000" }, { "courses", "20000" } };
    for (const QStringList &run : runs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), run + QStringList { "--timeout", QString::number(seconds) });
        child.waitForFinished(-1);
        result = qMax(result, child.exitCode());
    }
    return result;
}
