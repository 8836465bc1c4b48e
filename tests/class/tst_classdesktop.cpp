// The class windows on a desktop as a student has it: Xvfb at 1920x1080 with openbox. What the window manager
// makes of them is read back from the X server: the screen lock's full screen, the player's maximise and
// restore, which window lies above which, which modal window blocks which, and where a real click lands.
#include "answercard/answercard.h"
#include "tests/class/classwindowtest.h"
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/mediaclip.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/class/mediabutton.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/videoplayview.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/menubutton.h"
#include "vrek/window/titleview.h"

#include <QButtonGroup>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBox>
#include <QtTest>

namespace {
// A desktop answers in its own time; every wait here is for what the window manager reports.
constexpr int settleMs = 15000;
const QRect wholeScreen(0, 0, 1920, 1080);
// The frame flags the application gives the class windows.
constexpr int classWindowFlags = 0x300408;
const char *const question6 = R"(9	T1	0	[{"type":0,"title":"Q","Ace":"B","Options":6}])"
                              "\tq1\t0";

XvfbDisplay *display()
{
    return vrekTestDisplay();
}

quint32 idOf(const QWidget *widget)
{
    return quint32(widget->window()->winId());
}

bool hasState(const QWidget *widget, const char *state)
{
    return display()->windowStates(idOf(widget)).contains(state);
}

// Where the widget's centre (or a point of it) lies on the screen, as the X server has its window.
QPoint screenPoint(const QWidget *widget, const QPoint &local)
{
    const QWidget *top = widget->window();
    return display()->clientGeometry(idOf(top)).topLeft() + widget->mapTo(top, local);
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

// Shown, placed by the manager, given the focus.
bool settle(QWidget *window)
{
    return QTest::qWaitForWindowExposed(window, settleMs)
        && waitUntil([window] { return display()->activeWindow() == idOf(window); });
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
    void boxOfTheCardGoesWithTheCard();
    void stoppedQuestionLetsTheStudentBack();
    void cardClosesWhenTheClassIsLost_data();
    void cardClosesWhenTheClassIsLost();
    void praiseLetsClicksThrough();
    void downloadProgressStaysClosed();
    void playerMaximisesAndRestores();
    void playerReachesEveryRecording();

private:
    // The class window as the application shows it: framed, maximised.
    void openClassWindow();
    MenuButton *handButton() const { return m_view->menuView()->findChild<MenuButton *>("handupButton"); }
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
    QTRY_VERIFY_WITH_TIMEOUT(hasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    // And the application has heard so.
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);
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
    QTRY_VERIFY_WITH_TIMEOUT(hasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(m_frame)), wholeScreen, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_frame->geometry(), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isFullScreen(), settleMs);
    // A question during the lock comes over the locked window.
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(display()->isAbove(idOf(m_view->answerTitle()), idOf(m_frame)), settleMs);
    m_link->server().sendLine("11\t8\tT1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->answerTitle()->isVisible(), settleMs);

    m_link->server().sendLine("11\t2\t0");
    QTRY_VERIFY_WITH_TIMEOUT(!hasState(m_frame, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(hasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(m_frame)), wholeScreen, settleMs);
    QVERIFY(m_frame->findChild<QPushButton *>("exitButton")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isMaximized(), settleMs);

    // From a window the student made smaller: the whole screen, then that size again.
    m_frame->showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!hasState(m_frame, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    m_frame->setGeometry(200, 150, 1200, 800);
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(m_frame)), QRect(200, 150, 1200, 800), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isMaximized() && m_frame->geometry() == QRect(200, 150, 1200, 800), settleMs);
    m_link->server().sendLine("11\t2\t1");
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(m_frame)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->isFullScreen(), settleMs);
    m_link->server().sendLine("11\t2\t0");
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(m_frame)), QRect(200, 150, 1200, 800), settleMs);
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
    QTRY_VERIFY_WITH_TIMEOUT(display()->isAbove(idOf(box), idOf(m_view->answerTitle())), settleMs);

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
    QVERIFY(click(handButton()));
    QTest::qWait(300);
    QVERIFY(m_link->forwards().filter("S1@1").isEmpty());

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
    QTest::qWait(300);
    QVERIFY(!m_view->answerTitle()->isVisible());
    QVERIFY(handReachesTheClass());
}

void TestClassDesktop::praiseLetsClicksThrough()
{
    openClassWindow();
    m_view->praiseView()->setFadeDuration(60000);
    m_link->server().sendLine(question6);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->answerTitle()->isVisible(), settleMs);
    QVERIFY(settle(m_view->answerTitle()));
    m_link->server().sendLine("11\t4\tS1@1@1");
    PraiseView *praise = m_view->praiseView();
    QTRY_VERIFY_WITH_TIMEOUT(praise->isVisible(), settleMs);
    QVERIFY(QTest::qWaitForWindowExposed(praise, settleMs));
    // A notice of its own, above every window, where the window system has it.
    const QRect notice = praise->geometry();
    // The notice lies over some of the options; a click there picks the option.
    QList<QAbstractButton *> covered;
    for (QAbstractButton *option : m_view->answerCard()->buttonGroup()->buttons()) {
        const QRect place(screenPoint(option, QPoint(0, 0)), option->size());
        const QRect under = notice.intersected(place);
        if (under.width() >= 10 && under.height() >= 10)
            covered.append(option);
    }
    QVERIFY2(!covered.isEmpty(), "the notice covers no option on this screen");
    for (QAbstractButton *option : covered) {
        const QRect place(screenPoint(option, QPoint(0, 0)), option->size());
        const QPoint point = notice.intersected(place).center();
        QTRY_VERIFY_WITH_TIMEOUT(display()->receivesClickAt(idOf(m_view->answerTitle()), point), settleMs);
        QVERIFY(display()->clickAt(point));
        QTRY_VERIFY2_WITH_TIMEOUT(option->isChecked(), qPrintable(option->text()), settleMs);
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
    QTest::qWait(300);
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
    const QRect normal = display()->frameGeometry(idOf(&frame));
    QCOMPARE(normal.size(), QSize(616, 524));

    QPushButton *maxButton = frame.findChild<QPushButton *>("maxButton");
    QVERIFY(click(maxButton));
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(&frame)), wholeScreen, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(player->width(), 1920 - 16, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(frame.isMaximized(), settleMs);
    QCOMPARE(restoreOrMax.size(), 1);
    QVERIFY(click(maxButton));
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(&frame)), normal, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(frame.size(), QSize(616, 524), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!frame.isMaximized(), settleMs);

    // A double click on the title does the same.
    QLabel *title = frame.findChild<QLabel *>("titleName");
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(&frame)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(frame.isMaximized(), settleMs);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display()->frameGeometry(idOf(&frame)), normal, settleMs);
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

VREK_XVFB_TEST_MAIN_SCREENS(TestClassDesktop, { QSize(1920, 1080) })
#include "tst_classdesktop.moc"
