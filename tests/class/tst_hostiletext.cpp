// Hostile texts from a classmate or a broken server through every way they reach the class and course-list
// windows: pictures naming the terminal, a FIFO or /dev/zero, links, deep tables, a megabyte of markup, a
// megabyte in one word, a hundred thousand lines, two hundred thousand Chinese characters without a break and
// control characters. The client must stay alive, keep its event loop turning and show each text as it came, cut
// to what a widget lays out, with a mark where it is cut. A text taken for rich text
// would be laid out on the GUI thread and, for an <img>, read its file whole: the watchdog ends a run that hangs
// so that it fails instead of blocking, and an address-space limit ends one that reads /dev/zero.
#include "answercard/answercard.h"
#include "tests/class/classwindowtest.h"
#include "tests/class/reviewtestsupport.h"
#include "tests/support/classroomlink.h"
#include "tests/support/eventloopgapmeter.h"
#include "tests/support/tempworkdir.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/class/videolistview.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/class/videotreeview.h"
#include "vrek/course/centerview.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/coursetoolview.h"
#include "vrek/course/toolbutton.h"
#include "vrek/login/loginclient.h"
#include "vrek/transferfile/transferfileview.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transferproxymodel.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/userinfo/userinfolistview.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/userinfo/userinfowidget.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/plaintext.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QHelpEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int waitMs = 30000;
// Far beyond what one row takes on a busy machine, far below the test's own time-out.
constexpr int hangSeconds = 240;
// The most work the GUI thread may do without a turn of its event loop while a hostile text arrives and is shown:
// a student notices a longer freeze. Counted in the thread's processor time, which a busy machine does not
// stretch as it stretches the time on the clock.
constexpr qint64 gapBudgetMs = 250;
// What the clock may show between two turns: the work, stretched by waiting for a core on a busy machine (a few
// times over beside a full build), and a few seconds more. A thread that waits on something else (a read that
// blocks) stands still without working, and ends here.
constexpr qint64 busyStretch = 4;
constexpr qint64 waitAllowanceMs = 5000;
// What a window may grow to: the longest side X takes, and the pixels of a few screens.
constexpr int maxSide = 32767;
constexpr qint64 maxArea = qint64(4096) * 4096;
// Room for the client and a megabyte of text many times over; /dev/zero read whole passes it at once.
constexpr rlim_t addressSpaceLimit = rlim_t(6) << 30;
const QByteArray coursePath = "/mobile/httpGetAttendCourseList";
const QByteArray lessonPath = "/mobile/lessonList";

// Ends the process when a test row does not finish in time: a GUI thread blocked on a read never returns to
// QtTest, so the test must not wait for it.
class Watchdog
{
public:
    Watchdog()
        : m_thread([this] { run(); })
    { }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void arm(const QByteArray &what, int seconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_what = what;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        m_armed = true;
        m_wake.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
        m_wake.notify_all();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed
                && std::chrono::steady_clock::now() >= m_deadline) {
                std::fprintf(stderr, "FAIL: %s did not return: the GUI thread hangs\n", m_what.constData());
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    bool m_armed = false;
    QByteArray m_what;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

struct Hostile
{
    const char *name;
    QString text;
};

QString nestedTables(int depth)
{
    return QStringLiteral("<table><tr><td>").repeated(depth) + QStringLiteral("深")
        + QStringLiteral("</td></tr></table>").repeated(depth);
}

// Chinese characters without a space or a mark between them: no line may break between two of them in a word
// wrap that knows no dictionary, so they wrap as one word.
QString chineseRun(int count)
{
    QString text;
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text.append(QChar(0x4E00 + (i * 7) % 0x5000));
    return text;
}

// A NUL ends a C string, and with it what many ways of showing a text show of it; the rest must show all the same.
QString controlCharacters()
{
    return QStringLiteral("C") + QChar(0) + QStringLiteral("T") + QChar(1) + QChar(0x1B)
        + QStringLiteral("[2J") + QChar(0x7F) + QStringLiteral("END");
}

// A megabyte and more of markup, words a single space apart: rich or plain, it keeps its spaces.
QString megabyte()
{
    QString text = QStringLiteral("<i>x</i>");
    text.reserve(1200000);
    for (int i = 1; i < 131072; ++i)
        text += QStringLiteral(" <i>x</i>");
    return text;
}

QList<Hostile> hostileTexts(const QString &fifo)
{
    return {
        { "img of stdin", QStringLiteral("<img src=\"/dev/stdin\">") },
        { "img of /dev/zero", QStringLiteral("<img src=\"/dev/zero\">") },
        { "img of a FIFO", QStringLiteral("<img src=\"%1\">").arg(fifo) },
        { "link", QStringLiteral("<a href=\"http://127.0.0.1:9/x\">点我</a>") },
        { "style", QStringLiteral("<span style=\"font-size:2000px\">大</span>") },
        { "tables 10000 deep", nestedTables(10000) },
        { "1 MB", megabyte() },
        { "1 MB word", QStringLiteral("BIG") + QString(1048576, QLatin1Char('x')) },
        { "100000 lines", QStringLiteral("一行\n").repeated(100000) },
        { "200000 Chinese", chineseRun(200000) },
        { "control characters", controlCharacters() },
    };
}

// Hostile names of a shared file: the long part before, after or between dots, where a name is cut by its parts.
QList<Hostile> hostileFileNames()
{
    const QString word(1048576, QLatin1Char('x'));
    return {
        { "1 MB word.ppt", word + QStringLiteral(".ppt") },
        { "a.1 MB suffix", QStringLiteral("a.") + word },
        { "abcdefgh.1 MB suffix", QStringLiteral("abcdefgh.") + word },
        { "dot and 1 MB", QStringLiteral(".") + word },
        { "1 MB of dots", QString(1048576, QLatin1Char('.')) },
        { "200000 Chinese.pptx", chineseRun(200000) + QStringLiteral(".pptx") },
        { "ab.200000 Chinese", QStringLiteral("ab.") + chineseRun(200000) },
        { "1 MB word.ppt in a folder", QStringLiteral("课件/") + word + QStringLiteral(".ppt") },
    };
}

// The way a text was shown: a label's text as it lays it out (rich text reduced to what it shows).
QString shownText(const QString &text, Qt::TextFormat format)
{
    const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (!rich)
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

bool hasImage(QTextDocument *document)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                return true;
        }
    }
    return false;
}

// Short enough for a failure message.
QByteArray head(const QString &text)
{
    return text.left(60).toUtf8() + (text.size() > 60 ? "..." : "");
}

#define VERIFY_SAME(actual, expected)                                                                                  \
    QVERIFY2((actual) == (expected), QByteArray("shown: " + head(actual) + " / sent: " + head(expected)).constData())

// The label shows the text as it came, whatever its markup.
#define VERIFY_PLAIN_LABEL(label, expected)                                                                            \
    do {                                                                                                               \
        QVERIFY(label);                                                                                                \
        QCOMPARE((label)->textFormat(), Qt::PlainText);                                                                \
        VERIFY_SAME((label)->text(), (expected));                                                                      \
    } while (false)

// The box holds the text as it came and no picture.
#define VERIFY_PLAIN_EDIT(edit, expected)                                                                              \
    do {                                                                                                               \
        QVERIFY(edit);                                                                                                 \
        VERIFY_SAME((edit)->toPlainText(), (expected));                                                                \
        QVERIFY(!hasImage((edit)->document()));                                                                        \
    } while (false)

// Lays out and paints a widget as on the screen; no text makes it larger than X or the memory of a few screens.
bool paint(QWidget *widget)
{
    if (widget->width() > maxSide || widget->height() > maxSide
        || qint64(widget->width()) * widget->height() > maxArea) {
        qWarning() << widget->metaObject()->className() << "grew to" << widget->size();
        return false;
    }
    return !widget->grab().isNull();
}

// What a widget shows of an outside text: its start, no more than a few lines of it, and a mark where it is cut;
// a control character other than a tab or a line end as U+FFFD, so that nothing after it is lost.
QString clipped(const QString &text)
{
    QString shown;
    int lines = 1;
    for (const QChar c : text) {
        if (shown.size() == StringUtil::clippedLength || (c == '\n' && ++lines > StringUtil::clippedLines))
            return shown + QChar(0x2026);
        const ushort u = c.unicode();
        const bool control = (u < 0x20 && u != '\t' && u != '\n' && u != '\r') || (u >= 0x7F && u < 0xA0);
        shown.append(control ? QChar(QChar::ReplacementCharacter) : c);
    }
    return shown;
}

// The same, as a rich text shows it: every run of white space as one blank.
QString clippedRich(const QString &text)
{
    return clipped(text).simplified();
}

// Shows the tool tip of a widget as a hovering user gets it and returns the text it shows.
QString hoverToolTip(QWidget *widget)
{
    const QPoint pos = widget->rect().center();
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    QLabel *tip = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible())
            tip = qobject_cast<QLabel *>(top);
    }
    if (!tip)
        return QString();
    // Laid out and painted as the user sees it.
    if (!paint(tip))
        return QStringLiteral("(a tool tip too large to paint)");
    const QString shown = shownText(tip->text(), tip->textFormat());
    QToolTip::hideText();
    return shown;
}

QString participantsLine(const QString &classmate, const QString &lecturer)
{
    const QJsonArray users { QJsonObject { { "userId", "T1" }, { "userName", lecturer }, { "userType", "0" } },
        QJsonObject { { "userId", "S1" }, { "userName", QStringLiteral("李小明") }, { "userType", "1" } },
        QJsonObject { { "userId", "S2" }, { "userName", classmate }, { "userType", "1" } } };
    return QStringLiteral("3\t") + QString::fromUtf8(QJsonDocument(users).toJson(QJsonDocument::Compact));
}

QString chatLine(const QString &sender, const QString &text)
{
    return QStringLiteral("11\t0\t1$1$%1$%2$1500000000$%3")
        .arg(sender, g_classId,
            QString::fromLatin1(
                text.toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::KeepTrailingEquals)));
}

QString questionLine(const QString &rightAnswer)
{
    const QJsonArray question { QJsonObject {
        { "type", 0 }, { "title", QStringLiteral("第一题") }, { "Ace", rightAnswer }, { "Options", 4 } } };
    return QStringLiteral("9\tT1\t0\t%1\tq1\t0")
        .arg(QString::fromUtf8(QJsonDocument(question).toJson(QJsonDocument::Compact)));
}

UserInfoWidget *participantRow(UserInfoView *view, const QString &userId)
{
    for (UserInfoWidget *row : view->findChildren<UserInfoWidget *>()) {
        if (row->userId() == userId)
            return row;
    }
    return nullptr;
}

// A course-list reply of one lesson with the given fields.
QByteArray courseReply(const QJsonObject &fields)
{
    QJsonObject lesson { { "id", 1 }, { "title", QStringLiteral("第1课") },
        { "beginTime", QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss") }, { "tClass", "c1" },
        { "lessonType", 4 }, { "teacherId", 901 }, { "teacherName", QStringLiteral("王老师") }, { "videoId", "v1" } };
    for (auto it = fields.begin(); it != fields.end(); ++it)
        lesson.insert(it.key(), it.value());
    return listReply(QJsonArray { lesson });
}
} // namespace

class TestHostileText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void classWindow_data();
    void classWindow();
    void courseList_data();
    void courseList();
    void recordings_data();
    void recordings();
    void courseFiles_data();
    void courseFiles();
    void messageBoxes_data();
    void messageBoxes();
    void loginWindow_data();
    void loginWindow();
    void personalCentre_data();
    void personalCentre();
    void titleBar_data();
    void titleBar();

private:
    // Every hostile text for each way; with fileNames, the hostile file names too.
    void addRows(const QStringList &ways, bool fileNames = false);
    // Measures from now on, once what the window's own showing left for the loop has run.
    void startMeter();
    // Once what the input left for the loop has run, the loop turns again, and it never stood still for longer
    // than the budget since the meter started.
    void verifyResponsive();

    Watchdog m_watchdog;
    EventLoopGapMeter m_meter;
    struct Gap
    {
        QByteArray row;
        qint64 busyMs;
        qint64 busyStartMs;
        qint64 longestMs;
        qint64 budgetMs;
    };
    // Each row's longest gap, for the table at the end.
    QList<Gap> m_gaps;
    QTemporaryDir m_dir;
    QString m_fifo;
    ClassroomLink *m_link = nullptr;
    NetworkEngineThread *m_network = nullptr;
};

void TestHostileText::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_fifo = m_dir.filePath("fifo");
    // Nobody ever writes to it: opening it for reading waits for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(m_fifo).constData(), 0600), 0);
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_link->users();
    m_network = new NetworkEngineThread;
}

void TestHostileText::cleanupTestCase()
{
    // The table of every row's longest gap, for a look at where the loop stands still.
    for (const Gap &gap : qAsConst(m_gaps))
        std::printf("longest gap: work %6lld ms of %6lld, from %6lld ms; clock %6lld ms  %s\n", gap.busyMs,
            gap.budgetMs, gap.busyStartMs, gap.longestMs, gap.row.constData());
    std::fflush(stdout);
    delete m_network;
    delete m_link;
    g_userInfoHash.clear();
}

void TestHostileText::init()
{
    m_watchdog.arm(QByteArray(QTest::currentTestFunction()) + " " + QTest::currentDataTag(), hangSeconds);
    ClassWindowTest::enterStudentLesson();
    g_classTitle = QStringLiteral("分数的初步认识");
    g_loginSignId = "sign9";
    g_userType = 1;
    m_link->clear();
}

void TestHostileText::cleanup()
{
    m_meter.stop();
    QToolTip::hideText();
    m_watchdog.disarm();
}

void TestHostileText::addRows(const QStringList &ways, bool fileNames)
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("text");
    QList<Hostile> texts = hostileTexts(m_fifo);
    if (fileNames)
        texts += hostileFileNames();
    for (const QString &way : ways) {
        for (const Hostile &hostile : qAsConst(texts))
            QTest::newRow(qPrintable(way + " / " + hostile.name)) << way << hostile.text;
    }
}

void TestHostileText::startMeter()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    m_meter.start();
}

void TestHostileText::verifyResponsive()
{
    QVERIFY(m_meter.isRunning());
    // Layouts and repaints the input asked for are posted; they are part of showing it.
    QCoreApplication::sendPostedEvents();
    const int turns = m_meter.turns();
    QTRY_VERIFY_WITH_TIMEOUT(m_meter.turns() > turns, waitMs);
    m_meter.stop();
    const QByteArray row = QByteArray(QTest::currentTestFunction()) + " / " + QTest::currentDataTag();
    const qint64 busy = m_meter.longestBusyMs();
    const qint64 gap = m_meter.longestGapMs();
    const qint64 budget = gapBudgetMs;
    m_gaps.append({ row, busy, m_meter.longestBusyStartMs(), gap, budget });
    QVERIFY2(busy <= budget,
        qPrintable(QStringLiteral("the GUI thread worked for %1 ms without a turn of its event loop (from %2 ms after "
                                  "the input), budget %3 ms")
                       .arg(busy)
                       .arg(m_meter.longestBusyStartMs())
                       .arg(budget)));
    QVERIFY2(gap <= busyStretch * budget + waitAllowanceMs,
        qPrintable(QStringLiteral("the event loop stood still for %1 ms (from %2 ms after the input), budget %3 ms")
                       .arg(gap)
                       .arg(m_meter.longestGapStartMs())
                       .arg(busyStretch * budget + waitAllowanceMs)));
}

void TestHostileText::classWindow_data()
{
    addRows({ "chat text", "sender name", "participant name", "lecturer name", "praise notice", "answer card",
        "lesson title", "tip" });
}

// What the classroom connection brings to the school class window.
void TestHostileText::classWindow()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    if (way == "lesson title")
        g_classTitle = text;
    const bool named = way == "sender name" || way == "participant name" || way == "praise notice";
    SchoolClassView view;
    // The window took the title as it was built; it lays it out and paints it once shown.
    if (way == "lesson title")
        startMeter();
    view.resize(1100, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.userInfoView()->listView()->setSortDelay(20);
    if (!m_meter.isRunning())
        startMeter();
    m_link->server().sendLine(participantsLine(
        named ? text : QStringLiteral("Bai"), way == "lecturer name" ? text : QStringLiteral("王老师")));
    QTRY_VERIFY_WITH_TIMEOUT(participantRow(view.userInfoView(), "S2"), waitMs);

    QWidget *shown = nullptr;
    if (way == "chat text" || way == "sender name") {
        view.userChatWidget()->setCurrentIndex(1);
        ChatView *chat = view.chatView();
        m_link->server().sendLine(chatLine("S2", way == "chat text" ? text : QStringLiteral("你好")));
        QTRY_VERIFY_WITH_TIMEOUT(chat->listWidget()->count() >= 2, waitMs);
        ChatItemWidget *row = chat->row(chat->listWidget()->count() - 1);
        QVERIFY(row);
        QCOMPARE(row->kind(), int(ChatItemWidget::OtherMessage));
        if (way == "chat text") {
            VERIFY_PLAIN_EDIT(row->textBox(), clipped(text));
            // Nothing after a control character is lost.
            if (text == controlCharacters())
                QVERIFY(row->textBox()->toPlainText().endsWith("END"));
        } else {
            QVERIFY(!hasImage(row->nameBox()->document()));
            VERIFY_SAME(row->nameBox()->toPlainText().simplified(), clippedRich(text));
        }
        // The rows behind a long one still come, and the newest is shown.
        m_link->server().sendLine(chatLine("S2", QStringLiteral("最新的一句")));
        QTRY_VERIFY_WITH_TIMEOUT(chat->row(chat->listWidget()->count() - 1)
                && chat->row(chat->listWidget()->count() - 1)->text() == QStringLiteral("最新的一句"),
            waitMs);
        QCOMPARE(chat->listWidget()->currentRow(), chat->listWidget()->count() - 1);
        // A row is as tall as its text; the list shows what fits.
        shown = chat->listWidget();
    } else if (way == "participant name") {
        UserInfoWidget *row = participantRow(view.userInfoView(), "S2");
        auto *label = row->findChild<QLabel *>("userNameLabel");
        VERIFY_PLAIN_LABEL(label, clipped(text));
        VERIFY_SAME(hoverToolTip(label), clipped(text));
        shown = row;
    } else if (way == "lecturer name") {
        QTRY_VERIFY_WITH_TIMEOUT(!view.userInfoView()->teacherRows().isEmpty(), waitMs);
        UserInfoWidget *row = view.userInfoView()->teacherRows().first();
        auto *label = row->findChild<QLabel *>("userNameLabel");
        VERIFY_PLAIN_LABEL(label, clipped(text));
        VERIFY_SAME(hoverToolTip(label), clipped(text));
        shown = row;
    } else if (way == "praise notice") {
        m_link->server().sendLine("11\t4\tS2@2@1");
        QTRY_VERIFY_WITH_TIMEOUT(view.praiseView()->isVisible(), waitMs);
        QLabel *label = nullptr;
        for (QLabel *candidate : view.praiseView()->findChildren<QLabel *>()) {
            if (candidate->text() == view.praiseView()->text())
                label = candidate;
        }
        VERIFY_PLAIN_LABEL(label, QStringLiteral("老师表扬了 ") + clipped(text));
        shown = view.praiseView();
    } else if (way == "answer card") {
        m_link->server().sendLine(questionLine(text));
        QTRY_VERIFY_WITH_TIMEOUT(view.answerCard()->isVisible(), waitMs);
        QAbstractButton *option = view.answerCard()->buttonGroup()->buttons().value(0);
        QVERIFY(option);
        option->click();
        view.answerCard()->findChild<QPushButton *>("button_submit")->click();
        auto *right = view.answerCard()->findChild<QLabel *>("rightAnswerLabel");
        VERIFY_PLAIN_LABEL(right, QStringLiteral("正确答案：") + clipped(text));
        shown = view.answerCard();
    } else if (way == "lesson title") {
        VERIFY_PLAIN_LABEL(view.userInfoView()->findChild<QLabel *>("groupNameLabel"), clipped(text));
        shown = view.userInfoView();
    } else if (way == "tip") {
        view.slotShowTip(text);
        QVERIFY(view.tipWidget()->isVisible());
        VERIFY_PLAIN_LABEL(view.tipWidget()->findChild<QLabel *>("label"), clipped(text));
        shown = view.tipWidget();
    }
    QVERIFY(shown);
    // Laid out and painted, as on the screen.
    QVERIFY(paint(shown));
    // Each paint in a turn of its own, as on the screen.
    QCoreApplication::processEvents();
    QVERIFY(paint(&view));
    verifyResponsive();
}

void TestHostileText::courseList_data()
{
    addRows({ "lesson title", "series title", "teacher name", "subject name", "class name" });
}

// What a course-list reply brings to the course selection page's cards.
void TestHostileText::courseList()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    ReviewHttp http;
    QJsonObject fields;
    QString label;
    if (way == "lesson title") {
        fields.insert("title", text);
        label = "classTitleLabel";
    } else if (way == "series title") {
        fields.insert("parentTitle", text);
        label = "classTitleLabel";
    } else if (way == "teacher name") {
        fields.insert("teacherName", text);
        label = "classLectNameLabel";
    } else if (way == "subject name") {
        fields.insert("subjectName", text);
        label = "classSubjectLabel";
    } else {
        fields.insert("className", text);
        label = "classNameLabel";
    }
    http.server.setJson(coursePath, courseReply(fields));
    SelectClassView view;
    view.resize(900, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    startMeter();
    view.refreshCurrentTab();
    ClassListWidget *list = view.pages().first();
    QTRY_COMPARE_WITH_TIMEOUT(list->cards().size(), 1, waitMs);
    ClassInfoWidget *card = list->cards().first();
    auto *shown = card->findChild<QLabel *>(label);
    QVERIFY(shown);
    QCOMPARE(shown->textFormat(), Qt::PlainText);
    // The field, cut as the label cuts what it shows.
    QVERIFY2(shown->text().contains(clipped(text).left(StringUtil::clippedLength / 2)), head(shown->text()).constData());
    QVERIFY2(shown->text().size() <= StringUtil::clippedLength + 1, head(shown->text()).constData());
    QVERIFY(paint(card));
    QCoreApplication::processEvents();
    QVERIFY(paint(&view));
    verifyResponsive();
}

void TestHostileText::recordings_data()
{
    addRows({ "series title", "recording name" });
}

// What the recorded-lesson replies bring to a series' list of recordings.
void TestHostileText::recordings()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    ReviewHttp http;
    QJsonArray lessons = lessonsJson(3);
    if (way == "recording name") {
        QJsonObject first = lessons.at(0).toObject();
        first.insert("title", text);
        lessons.replace(0, first);
    }
    http.server.setJson(lessonPath, listReply(lessons));
    VideoListView view;
    // The view owns its prompt.
    view.setPrompt(new FakePrompt);
    startMeter();
    GroupInfo series;
    series.setId("77");
    series.setTitle(way == "series title" ? text : QStringLiteral("三年级数学"));
    series.setSubjectName(QStringLiteral("数学"));
    series.setLessonType(4);
    series.setStatus(2);
    series.setIsParent(1);
    view.setGroupInfo(series);
    view.resize(1000, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    VideoTreeView *tree = view.treeView();
    QTRY_COMPARE_WITH_TIMEOUT(tree->videoModel()->rowCount(), 3, waitMs);
    if (way == "series title") {
        VERIFY_PLAIN_LABEL(view.courseName(), clipped(text));
    } else {
        const QModelIndex title = tree->videoModel()->index(0, VideoTreeModel::TitleColumn);
        VERIFY_SAME(tree->videoModel()->data(title, Qt::DisplayRole).toString(), clipped(text));
        VERIFY_SAME(
            shownText(tree->videoModel()->data(title, Qt::ToolTipRole).toString(), Qt::AutoText), clipped(text));
        // The tool tip as a hovering user gets it.
        const QRect cell = tree->visualRect(title);
        QVERIFY(cell.isValid());
        QHelpEvent event(QEvent::ToolTip, cell.center(), tree->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(tree->viewport(), &event);
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible()) {
                auto *tip = qobject_cast<QLabel *>(top);
                QVERIFY(paint(tip));
                VERIFY_SAME(shownText(tip->text(), tip->textFormat()), clipped(text));
            }
        }
    }
    QVERIFY(paint(&view));
    verifyResponsive();
}

void TestHostileText::courseFiles_data()
{
    addRows({ "file tile", "course tool bar", "transfer list" }, true);
}

// A shared course file's name: its tile in the courseware area, the bar of the open file and the file window's list.
void TestHostileText::courseFiles()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    TempWorkDir dir;
    if (way == "file tile") {
        CenterView view;
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        startMeter();
        view.slotAddCourseFile("pd001_1", text);
        QCOMPARE(view.courseButtons().size(), 1);
        CourseFileButton *tile = view.courseButtons().first();
        VERIFY_SAME(hoverToolTip(tile->mainButton()), clipped(text));
        // A few characters of each part of the name, as the tile has room for.
        QVERIFY2(tile->mainButton()->text().size() <= 20, head(tile->mainButton()->text()).constData());
        QVERIFY(paint(&view));
    } else if (way == "transfer list") {
        TransferFileView view;
        view.resize(800, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        startMeter();
        UserFile file;
        file.setId("pd001_1", "u7");
        file.setFileName(text);
        file.setFileSize("2048");
        file.setUploadDate("2021-03-01 10:00");
        view.slotRecvFileList({ file });
        QCOMPARE(view.treeView()->itemModel()->rowCount(), 1);
        const QModelIndex name
            = view.treeView()->proxyModel()->mapFromSource(view.treeView()->itemModel()->index(0, TransferItemModel::NameColumn));
        VERIFY_SAME(view.treeView()->proxyModel()->data(name, Qt::DisplayRole).toString(), clipped(text));
        QVERIFY(paint(&view));
        // The tool tip as a hovering user gets it.
        QAbstractItemView *tree = view.treeView();
        const QRect cell = tree->visualRect(name);
        QVERIFY(cell.isValid());
        QHelpEvent event(QEvent::ToolTip, cell.center(), tree->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(tree->viewport(), &event);
        bool hovered = false;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible()) {
                auto *tip = qobject_cast<QLabel *>(top);
                QVERIFY(paint(tip));
                VERIFY_SAME(shownText(tip->text(), tip->textFormat()), clipped(text));
                hovered = true;
            }
        }
        QVERIFY(hovered);
    } else {
        CourseToolView bar;
        bar.resize(929, 43);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        startMeter();
        bar.setCourseName(text);
        auto *label = bar.findChild<QLabel *>("courseNameLabel");
        QVERIFY(label);
        VERIFY_SAME(shownText(label->text(), label->textFormat()).simplified(), clippedRich(text));
        VERIFY_SAME(hoverToolTip(label), clipped(text));
        QVERIFY(paint(&bar));
    }
    verifyResponsive();
}

void TestHostileText::messageBoxes_data()
{
    addRows({ "question", "information", "error of a reply" });
}

// The boxes that tell the user a name (the delete questions of the recordings) or a server's error.
void TestHostileText::messageBoxes()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    QString boxText;
    Qt::TextFormat format = Qt::AutoText;
    bool answered = false;
    bool painted = false;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || answered)
            return;
        answered = true;
        painted = paint(box);
        boxText = box->text();
        format = box->textFormat();
        box->done(QMessageBox::Ok);
    });
    closer.start();
    QWidget parent;
    parent.show();
    TransferFilePrompt prompt;
    startMeter();
    if (way == "question")
        prompt.question(&parent, QStringLiteral("提示"), text, QStringLiteral("确定"), QStringLiteral("取消"));
    else if (way == "information")
        prompt.information(&parent, QStringLiteral("提示"), text);
    else
        PlainText::message(&parent, QMessageBox::Information, QStringLiteral("提示"), text);
    QVERIFY(answered);
    QVERIFY(painted);
    QCOMPARE(format, Qt::PlainText);
    VERIFY_SAME(boxText, clipped(text));
    verifyResponsive();
}

void TestHostileText::loginWindow_data()
{
    addRows({ "school name", "login error" });
}

// The school lookup's reply and a sign-in error in the sign-in window.
void TestHostileText::loginWindow()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    TempWorkDir dir;
    ReviewHttp http;
    LoginClient window(nullptr, http.client);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    startMeter();
    if (way == "school name") {
        // No domain: the lookup's answer is shown and nothing is stored.
        const QJsonObject reply { { "requestStatus", "success" },
            { "requestBody", QJsonObject { { "schoolName", text }, { "doMainName", "" } } } };
        window.slotGetProvider(QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)));
        VERIFY_PLAIN_LABEL(window.findChild<QLabel *>("dnsUrl"), QStringLiteral("网校名称: ") + clipped(text));
    } else {
        window.showLoginError(text);
        VERIFY_PLAIN_LABEL(window.findChild<QLabel *>("errorLabel"), clipped(text));
    }
    QVERIFY(paint(&window));
    verifyResponsive();
}

void TestHostileText::personalCentre_data()
{
    addRows({ "name", "mobile", "grade and class" });
}

// The signed-in user's record as the login reply gave it, in the personal centre.
void TestHostileText::personalCentre()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    const QString userName = g_userName;
    startMeter();
    g_userName = way == "name" ? text : QStringLiteral("李小明");
    g_mobile = way == "mobile" ? text : QStringLiteral("13800000000");
    g_gradeClassName = way == "grade and class" ? text : QStringLiteral("三年级二班");
    BindTipView view;
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.updatePersonalInfo();
    const char *label = way == "name" ? "nameLabel" : way == "mobile" ? "phoneLabel" : "classNameLabel";
    VERIFY_PLAIN_LABEL(view.findChild<QLabel *>(label), clipped(text));
    QVERIFY(paint(&view));
    verifyResponsive();
    g_userName = userName;
}

void TestHostileText::titleBar_data()
{
    addRows({ "window title" });
}

// A lesson's or a file's name as the title of its window's frame.
void TestHostileText::titleBar()
{
    QFETCH(QString, text);
    startMeter();
    TitleView frame(new QWidget, text, 0);
    frame.resize(800, 600);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto *label = frame.findChild<QLabel *>("titleName");
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    VERIFY_SAME(label->text().mid(1), clipped(text));
    QVERIFY(paint(&frame));
    verifyResponsive();
}

int main(int argc, char **argv)
{
    // A terminal that nobody types into: stdin stays open and a read of it waits for ever, as in a client
    // started from a shell. The write end is kept open and never written.
    int fds[2];
    if (::pipe(fds) == 0)
        ::dup2(fds[0], STDIN_FILENO);
    rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0
        && (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > addressSpaceLimit)) {
        limit.rlim_cur = addressSpaceLimit;
        ::setrlimit(RLIMIT_AS, &limit);
    }
    QApplication app(argc, argv);
    TestHostileText test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostiletext.moc"
