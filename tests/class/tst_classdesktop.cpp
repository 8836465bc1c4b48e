// The class windows on a desktop as a student has it: Xvfb at the size and with the window manager CTest chose
// (openbox and xfwm4, 1920x1080 and 1366x768). What the window manager
// makes of them is read back from the X server: the screen lock's full screen, the player's maximise and
// restore, which window lies above which, which modal window blocks which, and where a real click lands.
#include "answercard/answercard.h"
#include "tests/class/classwindowtest.h"
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/mediaclip.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/container/userinfohash.h"
#include "vrek/class/mediabutton.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/videoplayview.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/media/control/mediaviewinterface.h"
#include <QTextEdit>
#include "vrek/maintool/toolview.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/menubutton.h"
#include "vrek/window/titleview.h"

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBox>
#include <QtTest>

namespace {
// A desktop answers in its own time; every wait here is for what the window manager reports.
constexpr int settleMs = 15000;
const QRect wholeScreen(QPoint(0, 0), XvfbDisplay::screenFromEnvironment(QSize(1920, 1080)));
// The frame flags the application gives the class windows.
constexpr int classWindowFlags = 0x300408;
const char *const question6 = R"(9	T1	0	[{"type":0,"title":"Q","Ace":"B","Options":6}])"
                              "\tq1\t0";

XvfbDisplay *display()
{
    return vrekTestDisplay();
}

// Where the widget's centre (or a point of it) lies on the screen, as the X server has its window.
QPoint screenPoint(const QWidget *widget, const QPoint &local)
{
    const QWidget *top = widget->window();
    return display()->clientGeometry(windowIdOf(top)).topLeft() + widget->mapTo(top, local);
}

bool click(const QWidget *widget)
{
    return display()->clickAt(screenPoint(widget, widget->rect().center()));
}

// The answer card, or a box of it, blocks the class window.
bool cardBlocks()
{
    QWidget *modal = QApplication::activeModalWidget();
    return modal && (qobject_cast<QMessageBox *>(modal) || modal->findChild<AnswerCard *>());
}

bool waitUntil(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < settleMs)
        QTest::qWait(20);
    return done();
}

// Shown, placed by the manager, given the focus, and laid out: a word-wrapped text learns its height from its
// width only in a layout pass after the show, which moves what lies below it.
bool settle(QWidget *window)
{
    if (!QTest::qWaitForWindowExposed(window, settleMs)
        || !waitUntil([window] { return display()->activeWindow() == windowIdOf(window); }))
        return false;
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return true;
}
} // namespace

class TestClassDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void screenLockTakesTheWholeScreenAndGivesItBack();
    void leaveBoxStaysOverTheClassWindow_data();
    void leaveBoxStaysOverTheClassWindow();
    void boxOfTheCardGoesWithTheCard();
    void stoppedQuestionLetsTheStudentBack();
    void cardClosesWhenTheClassIsLost_data();
    void cardClosesWhenTheClassIsLost();
    void chatShowsFiveRows_data();
    void chatShowsFiveRows();
    void chatRewrapsWhenTheWindowChanges();
    void praiseLetsClicksThrough_data();
    void praiseLetsClicksThrough();
    void downloadProgressStaysClosed();
    void playerMaximisesAndRestores();
    void playerReachesEveryRecording();

private:
    // The class window as the application shows it: framed, maximised.
    void openClassWindow();
    // Restored by the student: the size the window manager gives back.
    void restoreClassWindow();
    MenuButton *handButton() const { return m_view->menuView()->findChild<MenuButton *>("handupButton"); }
    // Sizes the class window the way a row of the tests names it: "maximised", "restored", "smallest".
    void sizeClassWindow(const QString &size);
    // Classmates' texts in the class conversation, shown.
    void chatFrom(const QStringList &texts);
    // A real click on "举手" reached the class: the hand went up.
    bool handReachesTheClass();

    ClassroomLink *m_link = nullptr;
    TitleView *m_frame = nullptr;
    SchoolClassView *m_view = nullptr;
    QTemporaryDir m_dir;
};

void TestClassDesktop::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_link->users();
}

void TestClassDesktop::cleanupTestCase()
{
    delete m_link;
}

void TestClassDesktop::init()
{
    ClassWindowTest::enterStudentLesson();
    m_link->clear();
}

void TestClassDesktop::cleanup()
{
    // Whatever a failed check left open goes too.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget))
            box->done(0);
    }
    delete m_frame;
    m_frame = nullptr;
    m_view = nullptr;
    QTest::qWait(50);
}

void TestClassDesktop::openClassWindow()
{
    m_view = new SchoolClassView();
    m_frame = new TitleView(m_view, "TaviStudent.exe", classWindowFlags);
    m_view->initialLater();
    m_view->clientOnline();
    m_view->show();
    m_frame->showMaximized();
    QVERIFY(settle(m_frame));
    QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    // And the application has heard so.
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);
}

void TestClassDesktop::restoreClassWindow()
{
    m_frame->showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isMaximized(), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)).width() < wholeScreen.width(), settleMs);
    // And the application has laid the window out at that size.
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->size(), display()->clientGeometry(windowIdOf(m_frame)).size(), settleMs);
}

bool TestClassDesktop::handReachesTheClass()
{
    m_link->clear();
    if (!click(handButton()))
        return false;
    return waitUntil([this] { return m_link->forwards().filter("S1@1").size() == 1; });
}

void TestClassDesktop::screenLockTakesTheWholeScreenAndGivesItBack()
{
    openClassWindow();
    // Out of the maximised state and into it again, over the lecturer's lines.
    m_link->server().sendLine("11\t2\t1");
    QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), wholeScreen, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->geometry(), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isFullScreen(), settleMs);
    // A question during the lock comes over the locked window.
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(display()->isAbove(windowIdOf(m_view->answerTitle()), windowIdOf(m_frame)), settleMs);
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);

    m_link->server().sendLine("11\t2\t0");
    QTRY_VERIFY_WITH_TIMEOUT(!windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), wholeScreen, settleMs);
    QVERIFY(m_frame->findChild<QPushButton *>("exitButton")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);

    // From a window the student made smaller: the whole screen, then that size again.
    m_frame->showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!windowHasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    const QRect smaller(QPoint(20, 20), m_frame->minimumSize());
    m_frame->setGeometry(smaller);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), smaller, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isMaximized() && m_frame->geometry() == smaller, settleMs);
    m_link->server().sendLine("11\t2\t1");
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isFullScreen(), settleMs);
    m_link->server().sendLine("11\t2\t0");
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), smaller, settleMs);
}

void TestClassDesktop::leaveBoxStaysOverTheClassWindow_data()
{
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("askedBeforeTheLock");
    QTest::addColumn<QString>("button");
    QTest::newRow("asked before the lock, maximised, 确定") << false << true << "exitButton";
    QTest::newRow("asked before the lock, restored, 取消") << true << true << "closeButton";
    QTest::newRow("asked after the lock ended with the lecturer, restored, 确定") << true << false << "exitButton";
    QTest::newRow("asked after the lock ended with the lecturer, maximised, 取消") << false << false << "closeButton";
}

void TestClassDesktop::leaveBoxStaysOverTheClassWindow()
{
    QFETCH(bool, restored);
    QFETCH(bool, askedBeforeTheLock);
    QFETCH(QString, button);
    openClassWindow();
    if (restored)
        restoreClassWindow();
    QSignalSpy closedOut(m_view, &SchoolClassView::signalCloseOut);
    TitleView *box = m_view->logoutTitle();
    QPushButton *closeButton = m_frame->titleBar()->findChild<QPushButton *>("exitButton");
    if (askedBeforeTheLock) {
        QVERIFY(click(closeButton));
        QTRY_VERIFY_WITH_TIMEOUT(box->isVisible(), settleMs);
        QVERIFY(QTest::qWaitForWindowExposed(box, settleMs));
        // The student's hand rests on the button while the window changes its state under it.
        QPushButton *resting = m_view->logoutView()->findChild<QPushButton *>(button);
        QVERIFY(display()->movePointerTo(screenPoint(resting, resting->rect().center())));
        m_link->server().sendLine("11\t2\t1");
        QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
        QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), wholeScreen, settleMs);
    } else {
        const QRect before = display()->frameGeometry(windowIdOf(m_frame));
        m_link->server().sendLine("11\t2\t1");
        QTRY_VERIFY_WITH_TIMEOUT(windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
        UserInfo lecturer;
        lecturer.setUserId("T1");
        emit m_link->users()->signalLectInfoOffline(lecturer);
        QTRY_VERIFY_WITH_TIMEOUT(!windowHasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
        QTRY_VERIFY_WITH_TIMEOUT(closeButton->isVisible(), settleMs);
        // The student clicks once the window is back where it was: a click during the move lands beside.
        QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(m_frame)), before, settleMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_frame->geometry(), before, settleMs);
        QVERIFY(click(closeButton));
        QTRY_VERIFY_WITH_TIMEOUT(box->isVisible(), settleMs);
    }
    // The class window's own box: above it with the focus, and blocking that window only.
    QTRY_COMPARE_WITH_TIMEOUT(display()->transientFor(windowIdOf(box)), windowIdOf(m_frame), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(display()->isAbove(windowIdOf(box), windowIdOf(m_frame)), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display()->activeWindow(), windowIdOf(box), settleMs);
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(QApplication::activeModalWidget(), box);
    // The first real press on the button is the one that counts.
    QPushButton *pressed = m_view->logoutView()->findChild<QPushButton *>(button);
    QVERIFY(display()->receivesClickAt(windowIdOf(box), screenPoint(pressed, pressed->rect().center())));
    QVERIFY(askedBeforeTheLock ? display()->clickWherePointerRests() : click(pressed));
    QTRY_VERIFY_WITH_TIMEOUT(!box->isVisible(), settleMs);
    if (button == "exitButton") {
        QTRY_COMPARE_WITH_TIMEOUT(closedOut.size(), 1, settleMs);
        QVERIFY(!m_frame->isVisible());
        return;
    }
    QVERIFY(m_frame->isVisible());
    // Back in the class, locked as it was.
    QCOMPARE(m_view->isTitleLocked(), askedBeforeTheLock);
    QVERIFY(handReachesTheClass());
}

void TestClassDesktop::boxOfTheCardGoesWithTheCard()
{
    openClassWindow();
    QVERIFY(handReachesTheClass());
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(settle(m_view->answerTitle()));
    QPushButton *submit = m_view->answerCard()->findChild<QPushButton *>("button_submit");
    QVERIFY(click(submit));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_view->answerCard()->choiceBox() && m_view->answerCard()->choiceBox()->isVisible(), settleMs);
    QMessageBox *box = m_view->answerCard()->choiceBox();
    QCOMPARE(box->text(), QString("请选择答案!"));
    QTRY_VERIFY_WITH_TIMEOUT(display()->isAbove(windowIdOf(box), windowIdOf(m_view->answerTitle())), settleMs);

    // The lecturer ends the question while the box is open: box and card go, the class is usable at once.
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerCard()->choiceBox(), settleMs);
    QVERIFY(!cardBlocks());
    QVERIFY(handReachesTheClass());
}

void TestClassDesktop::stoppedQuestionLetsTheStudentBack()
{
    openClassWindow();
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(settle(m_view->answerTitle()));
    QPushButton *exitButton = m_view->answerTitle()->findChild<QPushButton *>("exitButton");
    // While the question runs the card has the student's attention.
    QCOMPARE(QApplication::activeModalWidget(), m_view->answerTitle());
    QVERIFY(!exitButton->isVisible());
    m_link->server().clearLines();
    QVERIFY(click(handButton()));
    // An answer clicked after it comes through the window system and the class connection behind the click on
    // the hand: once the class has the answer, the hand has had its turn, and it sent nothing.
    QAbstractButton *option = m_view->answerCard()->buttonGroup()->button(1);
    QVERIFY(click(option));
    QTRY_VERIFY_WITH_TIMEOUT(option->isChecked(), settleMs);
    QVERIFY(click(m_view->answerCard()->findChild<QPushButton *>("button_submit")));
    QCOMPARE(m_link->server().waitForLine("9\tS1\t1\t", settleMs).section('\t', 3, 3), QString("B"));
    QVERIFY(m_link->server().lines("11\t").isEmpty());
    QVERIFY(m_link->forwards().isEmpty());

    // Stopped: waiting for nothing, the card can be put away, and the class is usable again.
    m_link->server().sendLine("9\tT1\t2");
    QTRY_VERIFY_WITH_TIMEOUT(exitButton->isVisible(), settleMs);
    QVERIFY(m_view->answerTitle()->isVisible());
    QVERIFY(click(exitButton));
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(!cardBlocks());
    QVERIFY(handReachesTheClass());

    // The next question is modal again, with no close button.
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(!exitButton->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), m_view->answerTitle());
    QVERIFY(m_view->answerTitle()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);
}

void TestClassDesktop::cardClosesWhenTheClassIsLost_data()
{
    QTest::addColumn<bool>("connectionLost");
    QTest::newRow("the connection drops") << true;
    QTest::newRow("the lecturer leaves") << false;
}

void TestClassDesktop::cardClosesWhenTheClassIsLost()
{
    QFETCH(bool, connectionLost);
    openClassWindow();
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(m_view->answerCard()->isQuestionActive());
    if (connectionLost)
        m_view->clientOffline();
    else
        emit m_link->users()->signalLectIdOffline("T1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(!m_view->answerCard()->isQuestionActive());
    QCOMPARE(m_view->answerCard()->buttonGroup()->buttons().size(), 0);
    QVERIFY(!cardBlocks());
    // Back again: the old question's card stays closed, and the class is usable.
    if (connectionLost)
        m_view->clientOnline();
    // The hand goes through the window system and the event loop behind anything the return set going.
    QVERIFY(handReachesTheClass());
    QVERIFY(!m_view->answerTitle()->isVisible());
}

void TestClassDesktop::sizeClassWindow(const QString &size)
{
    if (size == "maximised")
        return;
    restoreClassWindow();
    if (size == "smallest") {
        // As far as the student can drag it: the window manager holds it at the least the window takes.
        m_frame->resize(100, 100);
        QTRY_COMPARE_WITH_TIMEOUT(display()->clientGeometry(windowIdOf(m_frame)).size(), m_frame->minimumSize(), settleMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_frame->size(), m_frame->minimumSize(), settleMs);
    }
}

void TestClassDesktop::chatFrom(const QStringList &texts)
{
    UserInfo classmate;
    classmate.setUserId("S2");
    classmate.setUserName("张小红");
    classmate.setUserType("1");
    g_userInfoHash.updateUserInfo(classmate);
    m_view->userChatWidget()->setCurrentIndex(1);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString &text : texts) {
        ChatMessage message;
        message.setSenderId("S2");
        message.setSenderName("张小红");
        message.setContent(text);
        message.setSendTime(now);
        message.setReceiveTime(now);
        m_view->chatView()->addSchoolClassMessage(message);
    }
    m_view->chatView()->flushRows();
}

void TestClassDesktop::chatShowsFiveRows_data()
{
    QTest::addColumn<QString>("size");
    QTest::newRow("maximised") << "maximised";
    QTest::newRow("restored") << "restored";
    QTest::newRow("smallest") << "smallest";
}

// Every row within the list's viewport, its text whole in its bubble.
QString rowsCut(ChatView *chat)
{
    QListWidget *list = chat->listWidget();
    const int viewportWidth = list->viewport()->width();
    for (int i = 0; i < list->count(); ++i) {
        ChatItemWidget *row = chat->row(i);
        if (!row || row->kind() == ChatItemWidget::TimeLine)
            continue;
        const QPoint right = row->textBox()->mapTo(list->viewport(), QPoint(row->textBox()->width(), 0));
        if (right.x() > viewportWidth)
            return QString("row %1 ends at %2 in a viewport of %3").arg(i).arg(right.x()).arg(viewportWidth);
        QTextDocument *document = row->textBox()->document();
        if (document->size().height() > row->textBox()->contentsRect().height() + 1)
            return QString("row %1: %2 px of text in %3")
                .arg(i)
                .arg(document->size().height())
                .arg(row->textBox()->contentsRect().height());
    }
    return {};
}

void TestClassDesktop::chatShowsFiveRows()
{
    QFETCH(QString, size);
    openClassWindow();
    sizeClassWindow(size);
    ChatView *chat = m_view->chatView();
    QListWidget *list = chat->listWidget();
    m_view->userChatWidget()->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), settleMs);
    // A text of five lines at the list's width, among short ones.
    const QFontMetrics metrics(ChatItemWidget("好", ChatItemWidget::OtherMessage, 300, "名", "1").textBox()->font());
    const int space = list->viewport()->width() - 2 * list->spacing() - 60 - ChatItemWidget::headSide;
    const int characters = int(4.5 * (space - 20) / metrics.horizontalAdvance(QStringLiteral("好")));
    chatFrom({ "好的", "好的", QString(characters, QChar(0x597D)), "好的" });
    const int fiveLines = 2;
    list->scrollToItem(list->item(fiveLines + 1));
    QTest::qWait(50);
    ChatItemWidget *row = chat->row(fiveLines + 1);
    QVERIFY(row->textBox()->height() >= 5 * 14);
    QVERIFY2(list->viewport()->rect().contains(list->visualItemRect(list->item(fiveLines + 1))),
        qPrintable(QString("a row of %1 px in a viewport of %2").arg(row->height()).arg(list->viewport()->height())));
    const QString cut = rowsCut(chat);
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
}

void TestClassDesktop::chatRewrapsWhenTheWindowChanges()
{
    openClassWindow();
    ChatView *chat = m_view->chatView();
    m_view->userChatWidget()->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(chat->listWidget()->isVisible(), settleMs);
    // Few enough for the maximised list to need no scroll bar: a text of three nearly full lines.
    QListWidget *list = chat->listWidget();
    const QFontMetrics metrics(ChatItemWidget("好", ChatItemWidget::OtherMessage, 300, "名", "1").textBox()->font());
    const int space = list->viewport()->width() - 2 * list->spacing() - 60 - ChatItemWidget::headSide;
    chatFrom({ QString(int(2.95 * (space - 20) / metrics.horizontalAdvance(QStringLiteral("好"))), QChar(0x597D)),
        "好的" });
    QVERIFY(!chat->listWidget()->verticalScrollBar()->isVisible());
    QString cut = rowsCut(chat);
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
    // Restored and with more texts, the list scrolls: the viewport narrows beside the bar.
    restoreClassWindow();
    chatFrom({ "好的", "好的", "好的", "好的", "好的", "好的" });
    QTRY_VERIFY_WITH_TIMEOUT(chat->listWidget()->verticalScrollBar()->isVisible(), settleMs);
    QTRY_VERIFY2_WITH_TIMEOUT((cut = rowsCut(chat)).isEmpty(), qPrintable(cut), settleMs);
    m_frame->showMaximized();
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->size(), wholeScreen.size(), settleMs);
    QTRY_VERIFY2_WITH_TIMEOUT((cut = rowsCut(chat)).isEmpty(), qPrintable(cut), settleMs);
}

void TestClassDesktop::praiseLetsClicksThrough_data()
{
    QTest::addColumn<QString>("praised");
    QTest::addColumn<QString>("noticeText");
    QTest::addColumn<QString>("before"); // a notice of the other student before: none, "shown" or "faded"
    QTest::newRow("the student's own") << "S1" << "老师表扬了 你" << QString();
    QTest::newRow("a classmate's") << "S2" << "老师表扬了 张小红" << QString();
    QTest::newRow("a classmate's while the own shows") << "S2" << "老师表扬了 张小红" << "shown";
    QTest::newRow("the own after a classmate's faded") << "S1" << "老师表扬了 你" << "faded";
}

void TestClassDesktop::praiseLetsClicksThrough()
{
    QFETCH(QString, praised);
    QFETCH(QString, noticeText);
    QFETCH(QString, before);
    for (const auto &[id, name] : { std::pair<QString, QString>("S1", "李小明"), { "S2", "张小红" } }) {
        UserInfo user;
        user.setUserId(id);
        user.setUserName(name);
        user.setUserType("1");
        g_userInfoHash.updateUserInfo(user);
    }
    openClassWindow();
    PraiseView *praise = m_view->praiseView();
    praise->setFadeDuration(60000);
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(settle(m_view->answerTitle()));
    // The notice comes where it always stands, over some of the options; a click there picks the option.
    const QRect notice = praise->geometry();
    QList<QAbstractButton *> covered;
    QList<QPoint> points;
    for (QAbstractButton *option : m_view->answerCard()->buttonGroup()->buttons()) {
        const QRect under = notice.intersected(QRect(screenPoint(option, QPoint(0, 0)), option->size()));
        if (under.width() >= 10 && under.height() >= 10) {
            covered.append(option);
            points.append(under.center());
        }
    }
    QVERIFY2(!covered.isEmpty(), "the notice covers no option on this screen");
    // The student's hand already rests on the first of them when the notice comes.
    QVERIFY(display()->movePointerTo(points.first()));
    if (!before.isEmpty()) {
        const QByteArray other = praised == "S1" ? "S2" : "S1";
        if (before == "faded")
            praise->setFadeDuration(200);
        m_link->server().sendLine("11\t4\t" + other + "@1@1");
        QTRY_VERIFY_WITH_TIMEOUT(praise->isVisible(), settleMs);
        QVERIFY(QTest::qWaitForWindowExposed(praise, settleMs));
        if (before == "faded") {
            QTRY_VERIFY_WITH_TIMEOUT(!praise->isVisible(), settleMs);
            praise->setFadeDuration(60000);
        }
    }
    m_link->server().sendLine("11\t4\t" + praised.toUtf8() + "@1@1");
    QTRY_VERIFY_WITH_TIMEOUT(praise->isVisible() && praise->text() == noticeText, settleMs);
    QVERIFY(QTest::qWaitForWindowExposed(praise, settleMs));
    QCOMPARE(praise->geometry(), notice);
    QVERIFY(display()->receivesClickAt(windowIdOf(m_view->answerTitle()), points.first()));
    QVERIFY(display()->pointerRestsIn(windowIdOf(m_view->answerTitle())));
    QCOMPARE(notice.intersected(QRect(screenPoint(covered.first(), QPoint(0, 0)), covered.first()->size())).center(),
        points.first());
    QVERIFY(display()->clickWherePointerRests());
    QTRY_VERIFY2_WITH_TIMEOUT(covered.first()->isChecked(), qPrintable(covered.first()->text()), settleMs);
    for (int i = 1; i < covered.size(); ++i) {
        QVERIFY(display()->clickAt(points.at(i)));
        QTRY_VERIFY2_WITH_TIMEOUT(covered.at(i)->isChecked(), qPrintable(covered.at(i)->text()), settleMs);
    }
    QVERIFY(praise->isVisible());
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);
}

void TestClassDesktop::downloadProgressStaysClosed()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply slow;
    slow.body = QByteArray(200000, 'h');
    slow.contentType = "application/pdf";
    slow.fault = FakeHttpServer::StallAfter;
    slow.faultAfter = 50000;
    server.setReply("/homework/attachment", slow);
    HomeworkWidget widget;
    TitleView *progress = widget.tipFrame();
    widget.slotStartDownload(dir.filePath("a.pdf"), QUrl(server.baseUrl() + "/homework/attachment"));
    QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), settleMs);
    QVERIFY(settle(progress));
    QVERIFY(click(progress->findChild<QPushButton *>("exitButton")));
    QTRY_VERIFY_WITH_TIMEOUT(!progress->isVisible(), settleMs);
    // More of the same download: the frame stays closed.
    QVERIFY(QMetaObject::invokeMethod(&widget, "slotOn_readyRead"));
    QVERIFY(QMetaObject::invokeMethod(&widget, "slotOnDownloadProgress", Q_ARG(qint64, 60000), Q_ARG(qint64, 200000)));
    // Whatever they left for the event loop comes before a call queued now.
    bool dealtWith = false;
    QMetaObject::invokeMethod(
        &widget, [&dealtWith] { dealtWith = true; }, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(dealtWith, settleMs);
    QVERIFY(!progress->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // The next download shows it again.
    widget.slotStartDownload(dir.filePath("b.pdf"), QUrl(server.baseUrl() + "/homework/attachment"));
    QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), settleMs);
    server.closeConnections();
}

void TestClassDesktop::playerMaximisesAndRestores()
{
    // Framed as the course review window frames it.
    auto *player = new VideoPlayView;
    TitleView frame(player, "课程回看", 64);
    frame.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QSignalSpy restoreOrMax(&frame, &TitleView::signalRestoreOrMaxsize);
    frame.show();
    QVERIFY(settle(&frame));
    const QRect normal = display()->frameGeometry(windowIdOf(&frame));
    QCOMPARE(normal.size(), QSize(616, 524));

    QPushButton *maxButton = frame.findChild<QPushButton *>("maxButton");
    QVERIFY(click(maxButton));
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(&frame)), wholeScreen, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(player->width(), wholeScreen.width() - 16, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(frame.isMaximized(), settleMs);
    QCOMPARE(restoreOrMax.size(), 1);
    QVERIFY(click(maxButton));
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(&frame)), normal, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(frame.size(), QSize(616, 524), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!frame.isMaximized(), settleMs);

    // A double click on the title does the same.
    QLabel *title = frame.findChild<QLabel *>("titleName");
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(&frame)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(frame.isMaximized(), settleMs);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(windowIdOf(&frame)), normal, settleMs);
    QCOMPARE(restoreOrMax.size(), 4);
}

void TestClassDesktop::playerReachesEveryRecording()
{
    QVERIFY(m_dir.isValid());
    const QString first = m_dir.filePath("first.mp4");
    const QString second = m_dir.filePath("second.mp4");
    QVERIFY(MediaClip().make(first));
    QVERIFY(MediaClip().make(second));
    auto *player = new VideoPlayView;
    TitleView frame(player, "课程回看", 64);
    frame.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    frame.show();
    QVERIFY(settle(&frame));
    const QByteArray reply = R"({"loginStatus":"0","requestStatus":"success","requestBody":[)"
                             R"({"playId":"p1","title":"第一段","videoUrl":")"
        + first.toUtf8() + R"("},{"playId":"p2","title":"第二段","videoUrl":")" + second.toUtf8() + R"("}]})";
    player->slotGetVideoLists(QString::fromUtf8(reply));
    QTRY_COMPARE_WITH_TIMEOUT(player->player()->location(), first, settleMs);
    // The list of the lesson's recordings is there to pick from.
    QToolBox *list = player->findChild<QToolBox *>("toolBox");
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), settleMs);
    QPushButton *listButton = player->findChild<QPushButton *>("displayBtn");
    QVERIFY(listButton->isEnabled());
    QList<MediaButton *> entries = list->findChildren<MediaButton *>();
    QCOMPARE(entries.size(), 2);
    MediaButton *secondEntry = entries.first()->text() == "第二段" ? entries.first() : entries.last();
    QTRY_VERIFY_WITH_TIMEOUT(secondEntry->isVisible() && !secondEntry->visibleRegion().isEmpty(), settleMs);
    QVERIFY(click(secondEntry));
    QTRY_COMPARE_WITH_TIMEOUT(player->player()->location(), second, settleMs);
    // The list button hides and shows it.
    QVERIFY(click(listButton));
    QTRY_VERIFY_WITH_TIMEOUT(!list->isVisible(), settleMs);
    QVERIFY(click(listButton));
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), settleMs);

    // Closing empties the list; a lesson of one recording needs none.
    frame.close();
    QVERIFY(!listButton->isEnabled());
    frame.show();
    player->slotGetVideoLists(QString::fromUtf8(R"({"loginStatus":"0","requestStatus":"success","requestBody":[)"
                                                R"({"playId":"p3","title":"唯一","videoUrl":")"
        + first.toUtf8() + R"("}]})"));
    QTRY_COMPARE_WITH_TIMEOUT(player->player()->location(), first, settleMs);
    QVERIFY(!list->isVisible());
    QVERIFY(!listButton->isEnabled());
    frame.close();
}

VREK_XVFB_DESKTOP_TEST_MAIN(TestClassDesktop)
#include "tst_classdesktop.moc"
