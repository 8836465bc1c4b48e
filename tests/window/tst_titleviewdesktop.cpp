#include "vrek/window/titleview.h"

#include "tests/support/xvfbtestmain.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int settleMs = 10000;
const QRect wholeScreen(QPoint(0, 0), XvfbDisplay::screenFromEnvironment(QSize(1920, 1080)));

QWidget *makeCenter()
{
    auto *center = new QLabel("内容");
    center->resize(600, 400);
    return center;
}

quint32 idOf(QWidget &widget)
{
    return quint32(widget.winId());
}

bool hasState(QWidget &widget, const char *state)
{
    return vrekTestDisplay()->windowStates(idOf(widget)).contains(state);
}

// Shown, placed by the manager and given the focus: what a user sees before doing anything.
bool settle(QWidget &widget)
{
    if (!QTest::qWaitForWindowExposed(&widget, settleMs))
        return false;
    QElapsedTimer timer;
    timer.start();
    bool asked = false;
    while (vrekTestDisplay()->activeWindow() != idOf(widget) && timer.elapsed() < 2 * settleMs) {
        // A manager still starting may map the first window without focusing it: the program then asks.
        if (!asked && timer.elapsed() > settleMs / 2) {
            widget.activateWindow();
            asked = true;
        }
        QTest::qWait(20);
    }
    return vrekTestDisplay()->activeWindow() == idOf(widget);
}
} // namespace

// The frame as the window manager handles it: full screen, maximised and back, on a desktop of the size and
// manager CTest chose.
class TestTitleViewDesktop : public QObject
{
    Q_OBJECT
private slots:
    void fullScreenTakesTheWholeScreenAndGivesItBack();
    void fullScreenFromMaximisedReturnsMaximised();
    void maxButtonAndCaptionDoubleClickMaximiseAndRestore();
};

void TestTitleViewDesktop::fullScreenTakesTheWholeScreenAndGivesItBack()
{
    XvfbDisplay *display = vrekTestDisplay();
    TitleView view(makeCenter(), "全屏", 0x10);
    view.show();
    QVERIFY(settle(view));
    view.move(100, 80);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)).topLeft(), QPoint(100, 80), settleMs);
    const QRect before = display->frameGeometry(idOf(view));
    QVERIFY(before.width() < wholeScreen.width() && before.height() < wholeScreen.height());

    view.showFullScreen();
    QTRY_VERIFY_WITH_TIMEOUT(hasState(view, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), wholeScreen, settleMs);
    QCOMPARE(display->clientGeometry(idOf(view)), wholeScreen);
    QTRY_COMPARE_WITH_TIMEOUT(view.geometry(), wholeScreen, settleMs);
    QVERIFY(view.isFullScreenFlag());

    QTRY_VERIFY_WITH_TIMEOUT(view.isFullScreen(), settleMs); // as the application has heard it
    view.showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!hasState(view, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), before, settleMs);
    QVERIFY(!view.isFullScreenFlag());
    QVERIFY(view.isResizable());
}

void TestTitleViewDesktop::fullScreenFromMaximisedReturnsMaximised()
{
    XvfbDisplay *display = vrekTestDisplay();
    TitleView view(makeCenter(), "最大化后全屏", 0x10);
    view.show();
    QVERIFY(settle(view));
    view.showMaximized();
    QTRY_VERIFY_WITH_TIMEOUT(hasState(view, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.isMaximized(), settleMs); // as the application has heard it
    view.showFullScreen();
    QTRY_VERIFY_WITH_TIMEOUT(hasState(view, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.isFullScreen(), settleMs); // as the application has heard it
    view.showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!hasState(view, "_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(hasState(view, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.isMaximized(), settleMs);
    // A restore from there gives the size before maximising.
    view.showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!hasState(view, "_NET_WM_STATE_MAXIMIZED_VERT"), settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(display->frameGeometry(idOf(view)).width() < wholeScreen.width(), settleMs);
}

void TestTitleViewDesktop::maxButtonAndCaptionDoubleClickMaximiseAndRestore()
{
    XvfbDisplay *display = vrekTestDisplay();
    TitleView view(makeCenter(), "最大化", 0x10);
    QSignalSpy restoreOrMax(&view, &TitleView::signalRestoreOrMaxsize);
    view.show();
    QVERIFY(settle(view));
    const QRect before = display->frameGeometry(idOf(view));
    auto *maxButton = view.findChild<QPushButton *>("maxButton");
    QVERIFY(display->clickAt(maxButton->mapToGlobal(maxButton->rect().center())));
    QTRY_COMPARE_WITH_TIMEOUT(restoreOrMax.size(), 1, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.isMaximized(), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(view.geometry(), wholeScreen, settleMs);
    QVERIFY(display->clickAt(maxButton->mapToGlobal(maxButton->rect().center())));
    QTRY_COMPARE_WITH_TIMEOUT(restoreOrMax.size(), 2, settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), before, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!view.isMaximized(), settleMs);

    // A double click on the title does what the button does.
    auto *title = view.findChild<QLabel *>("titleName");
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), wholeScreen, settleMs);
    QCOMPARE(restoreOrMax.size(), 3);
    QCOMPARE(restoreOrMax.at(2).at(0).toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(view.geometry(), wholeScreen, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.isMaximized(), settleMs);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, title->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(display->frameGeometry(idOf(view)), before, settleMs);
    QCOMPARE(restoreOrMax.at(3).at(0).toBool(), false);
}

VREK_XVFB_DESKTOP_TEST_MAIN(TestTitleViewDesktop)
#include "tst_titleviewdesktop.moc"
