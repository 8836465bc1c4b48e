#include "platform/window/framelesshittest.h"
#include "vrek/window/titlebarwidget.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QtTest>

namespace {
QWidget *makeCenter(const QSize &size = QSize(300, 200))
{
    auto *center = new QLabel("内容");
    center->resize(size);
    return center;
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
} // namespace

class TestTitleView : public QObject
{
    Q_OBJECT
private slots:
    void flagWords_data();
    void flagWords();
    void firstShowSizesAroundTheView_data();
    void firstShowSizesAroundTheView();
    void firstShowMaximisedSizesAroundTheView();
    void frameKeepsRoomForTheView();
    void setFixedSizeAddsTheFixedFlag();
    void exitButton();
    void closedFrameShowsItsViewAgain();
    void maxButtonSwitchesAndSignals();
    void fullScreenAndBack();
    void fullScreenFromMaximised();
    void frameFollowsTheView();
    void bareTitleBarDragsButtonsDoNot();
    void destroyedTitleBarStopsDragging();
    void userButton();
};

void TestTitleView::flagWords_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("min");
    QTest::addColumn<bool>("max");
    QTest::addColumn<bool>("modal");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<bool>("draggable");
    QTest::addColumn<int>("barHeight");
    QTest::addColumn<int>("shadow");
    QTest::addColumn<bool>("translucent");
    QTest::addColumn<bool>("titleLabel");
    QTest::addColumn<QString>("state");
    QTest::newRow("0: everything") << 0 << true << true << true << true << true << true << 28 << 8 << true << true
                                   << "small";
    QTest::newRow("70: modal dialog") << 70 << true << false << false << true << false << true << 28 << 8 << true
                                      << true << "small";
    QTest::newRow("71: no exit either") << 71 << false << false << false << true << false << true << 28 << 8 << true
                                        << true << "small";
    QTest::newRow("0x18: opaque, modeless")
        << 0x18 << true << true << true << false << true << true << 28 << 2 << false << true << "small";
    QTest::newRow("0x20: no title") << 0x20 << true << true << true << true << true << true << 28 << 8 << true << false
                                    << "small";
    QTest::newRow("0x80: no drag") << 0x80 << true << true << true << true << true << false << 28 << 8 << true << true
                                   << "small";
    QTest::newRow("1032: course list") << 1032 << true << true << true << true << true << true << 40 << 2 << false
                                       << false << "large";
    QTest::newRow("0x300408: class window")
        << 0x300408 << true << true << true << true << true << false << 40 << 2 << false << false << "large";
}

void TestTitleView::flagWords()
{
    QFETCH(int, flags);
    QFETCH(bool, exit);
    QFETCH(bool, min);
    QFETCH(bool, max);
    QFETCH(bool, modal);
    QFETCH(bool, resizable);
    QFETCH(bool, draggable);
    QFETCH(int, barHeight);
    QFETCH(int, shadow);
    QFETCH(bool, translucent);
    QFETCH(bool, titleLabel);
    QFETCH(QString, state);
    TitleView view(makeCenter(), "标题", flags);
    view.show();
    QCOMPARE(view.titleFlags(), flags);
    QCOMPARE(view.findChild<QPushButton *>("exitButton")->isVisible(), exit);
    QCOMPARE(view.findChild<QPushButton *>("minButton")->isVisible(), min);
    QCOMPARE(view.findChild<QPushButton *>("maxButton")->isVisible(), max);
    QCOMPARE(view.isMinimizable(), min);
    QCOMPARE(view.isMaximizable(), max);
    QCOMPARE(view.windowModality(), modal ? Qt::ApplicationModal : Qt::NonModal);
    QCOMPARE(view.isResizable(), resizable);
    QCOMPARE(view.isTitleDraggable(), draggable);
    QCOMPARE(view.findChild<QWidget *>("titleWidget")->height(), barHeight);
    QCOMPARE(view.shadowWidth(), shadow);
    QCOMPARE(view.layout()->contentsMargins().left(), shadow);
    QCOMPARE(view.isTranslucent(), translucent);
    QCOMPARE(view.findChild<QLabel *>("titleName")->isVisible(), titleLabel);
    QCOMPARE(view.findChild<QPushButton *>("exitButton")->property("state").toString(), state);
    const QSize buttonSize = state == "large" ? QSize(40, 32) : QSize(25, 25);
    QCOMPARE(view.findChild<QPushButton *>("exitButton")->size(), buttonSize);
    QCOMPARE(view.findChild<QLabel *>("versionLabel")->isVisible(), state == "large");
    auto *bar = view.findChild<TitleBarWidget *>("titleWidget");
    QCOMPARE(bar->isActive(), bool(flags & 0x100000));
    QCOMPARE(view.isStayOnTop(), bool(flags & 0x100));
}

void TestTitleView::firstShowSizesAroundTheView_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fixed");
    QTest::newRow("fixed, shadow, small bar") << 70 << QSize(316, 244) << true;
    QTest::newRow("resizable") << 0 << QSize(316, 244) << false;
    QTest::newRow("no shadow, large bar") << 0x408 << QSize(304, 244) << false;
}

void TestTitleView::firstShowSizesAroundTheView()
{
    QFETCH(int, flags);
    QFETCH(QSize, size);
    QFETCH(bool, fixed);
    TitleView view(makeCenter(), "尺寸", flags);
    view.show();
    QCOMPARE(view.size(), size);
    QCOMPARE(view.minimumSize(), size);
    QCOMPARE(view.maximumSize() == size, fixed);
    const QRect available = view.screen()->availableGeometry();
    QVERIFY(qAbs(view.geometry().center().x() - available.center().x()) <= 1);
    view.resize(600, 500);
    view.hide();
    view.show();
    if (!fixed)
        QCOMPARE(view.size(), QSize(600, 500)); // later shows keep the size
}

// A window shown maximised first has its normal size from the view all the same: the one it comes back to, and
// the least it takes.
void TestTitleView::firstShowMaximisedSizesAroundTheView()
{
    const QSize size(316, 244);
    TitleView view(makeCenter(), "尺寸", 0);
    view.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.minimumSize(), size);
    QTRY_VERIFY(view.isMaximized());
    view.showNormal();
    QTRY_COMPARE(view.size(), size);
}

// A view that comes to need more room than it had when first shown raises the frame's least size with it.
void TestTitleView::frameKeepsRoomForTheView()
{
    QWidget *center = makeCenter();
    TitleView view(center, "尺寸", 0);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.minimumSize(), QSize(316, 244));
    center->setMinimumSize(400, 150);
    QTRY_COMPARE(view.minimumSize(), QSize(416, 244));
    QTRY_COMPARE(view.width(), 416);
    // Needing less again, it keeps what the window was given.
    center->setMinimumSize(100, 100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(view.minimumSize(), QSize(416, 244));
}

void TestTitleView::setFixedSizeAddsTheFixedFlag()
{
    TitleView view(makeCenter(), "固定", 0);
    view.setFixedSize(QSize(406, 334));
    QVERIFY(view.titleFlags() & TitleView::FixedSize);
    QVERIFY(!view.isResizable());
    view.show();
    QCOMPARE(view.size(), QSize(406, 334));
    const QPoint edge = view.mapToGlobal(QPoint(1, 100));
    QCOMPARE(view.hitTest(edge), int(FramelessHitTest::Client));
}

void TestTitleView::exitButton()
{
    TitleView custom(makeCenter(), "课堂", 0x200000);
    QSignalSpy customClose(&custom, &TitleView::signalCustomClose);
    QSignalSpy closed(&custom, &TitleView::signalClose);
    custom.show();
    custom.findChild<QPushButton *>("exitButton")->click();
    QCOMPARE(customClose.size(), 1);
    QCOMPARE(closed.size(), 0);
    QVERIFY(custom.isVisible());

    TitleView plain(makeCenter(), "提示", 70);
    QSignalSpy plainClosed(&plain, &TitleView::signalClose);
    plain.show();
    plain.findChild<QPushButton *>("exitButton")->click();
    QCOMPARE(plainClosed.size(), 1);
    QVERIFY(!plain.isVisible());
}

void TestTitleView::closedFrameShowsItsViewAgain()
{
    QWidget *center = makeCenter();
    TitleView view(center, "提示", 70);
    view.show();
    view.close();
    QVERIFY(!center->isVisible());
    view.show();
    QVERIFY(center->isVisible());
}

void TestTitleView::maxButtonSwitchesAndSignals()
{
    TitleView view(makeCenter(), "最大化", 0x10);
    QSignalSpy restoreOrMax(&view, &TitleView::signalRestoreOrMaxsize);
    view.show();
    auto *maxButton = view.findChild<QPushButton *>("maxButton");
    maxButton->click();
    QVERIFY(view.isMaximized());
    QCOMPARE(restoreOrMax.size(), 1);
    QCOMPARE(restoreOrMax.at(0).at(0).toBool(), true);
    QCOMPARE(maxButton->property("restore").toBool(), true);
    maxButton->click();
    QVERIFY(!view.isMaximized());
    QCOMPARE(restoreOrMax.at(1).at(0).toBool(), false);
    QCOMPARE(maxButton->property("restore").toBool(), false);
}

void TestTitleView::fullScreenAndBack()
{
    TitleView view(makeCenter(), "全屏", 0x10);
    view.show();
    view.move(40, 30);
    const QRect before = view.geometry();
    view.showFullScreen();
    QVERIFY(view.isFullScreenFlag());
    QTRY_COMPARE(view.geometry(), view.screen()->geometry());
    QVERIFY(!view.isResizable());
    QVERIFY(!view.isTitleDraggable());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("FramelessWindow::showFullScreen isFullScreenFlag:"));
    view.showFullScreen();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("FramelessWindow::showMaximized isFullScreenFlag:"));
    view.showMaximized();
    QVERIFY(!view.isMaximized());
    view.showNormal();
    QVERIFY(!view.isFullScreenFlag());
    QTRY_COMPARE(view.geometry(), before);
    QVERIFY(view.isResizable());
    QVERIFY(view.isTitleDraggable());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("isFullScreenFlag:"));
    view.showNormal(); // neither full screen nor maximised: only logs
}

void TestTitleView::fullScreenFromMaximised()
{
    TitleView view(makeCenter(), "全屏", 0x10);
    view.show();
    view.showMaximized();
    QVERIFY(view.isMaximized());
    view.showFullScreen();
    QVERIFY(view.isFullScreenFlag());
    QVERIFY(!view.isMaximized());
    view.showNormal();
    QVERIFY(!view.isFullScreenFlag());
    QVERIFY(view.isMaximized());
}

void TestTitleView::frameFollowsTheView()
{
    QPointer<QWidget> center = makeCenter();
    QPointer<TitleView> view = new TitleView(center, "跟随", 0);
    view->show();
    delete center;
    QTRY_VERIFY(!view);
}

void TestTitleView::bareTitleBarDragsButtonsDoNot()
{
    TitleView view(makeCenter(), "拖动", 0x10);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto *bar = view.findChild<QWidget *>("titleWidget");
    auto *exit = view.findChild<QPushButton *>("exitButton");
    // Over the button: no drag.
    const QPoint onButton = exit->geometry().center();
    QCOMPARE(view.hitTest(bar->mapToGlobal(onButton)), int(FramelessHitTest::Client));
    // The bare bar, left of the stretch, moves the window (by hand where no window manager takes it).
    const QPoint bare(bar->width() / 2 + 40, bar->height() / 2);
    QVERIFY(!bar->childAt(bare) || bar->childAt(bare)->objectName() == "titleName");
    const QPoint start = view.pos();
    sendMouse(bar, QEvent::MouseButtonPress, bare, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseMove, bare + QPoint(30, 20), Qt::LeftButton);
    sendMouse(bar, QEvent::MouseButtonRelease, bare + QPoint(30, 20), Qt::NoButton);
    QCOMPARE(view.pos(), start + QPoint(30, 20));
    // The caption double click maximises.
    sendMouse(bar, QEvent::MouseButtonDblClick, bare, Qt::LeftButton);
    QVERIFY(view.isMaximized());
}

void TestTitleView::destroyedTitleBarStopsDragging()
{
    TitleView view(makeCenter(), "标题栏", 0x10);
    view.show();
    QWidget *bar = view.titleBar();
    QVERIFY(bar);
    const QPoint inBar = bar->mapToGlobal(QPoint(bar->width() / 2, bar->height() / 2));
    delete bar;
    QVERIFY(!view.titleBar());
    QCOMPARE(view.hitTest(inBar), int(FramelessHitTest::Client));
}

void TestTitleView::userButton()
{
    TitleView view(makeCenter(), "课堂", 0x10 | 0x400);
    view.show();
    auto *user = view.findChild<QToolButton *>("userButton");
    QVERIFY(!user->isVisible());
    view.setUserButtonShown(true);
    QVERIFY(user->isVisible());
    view.setUserButtonShown(false);
    QVERIFY(!user->isVisible());
}

QTEST_MAIN(TestTitleView)
#include "tst_titleview.moc"
