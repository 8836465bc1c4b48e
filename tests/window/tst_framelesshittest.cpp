#include "platform/window/framelesshittest.h"
#include "platform/window/windowmover.h"

#include <QtTest>

Q_DECLARE_METATYPE(FramelessHitTest::Result)

class TestFramelessHitTest : public QObject
{
    Q_OBJECT
private slots:
    void hitTest_data();
    void hitTest();
    void edges();
    void manualResizeKeepsLimits();
};

void TestFramelessHitTest::hitTest_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<bool>("draggable");
    QTest::addColumn<bool>("overChild");
    QTest::addColumn<bool>("childIsCaption");
    QTest::addColumn<FramelessHitTest::Result>("result");

    // The window is (100,100) 400 x 300; its title bar (108,108) 384 x 28.
    const QSize any(0, 0);
    const QSize big(16777215, 16777215);
    using R = FramelessHitTest;
    QTest::newRow("left edge") << QPoint(101, 250) << true << any << big << true << false << false << R::Left;
    QTest::newRow("right edge") << QPoint(498, 250) << true << any << big << true << false << false << R::Right;
    QTest::newRow("top edge") << QPoint(300, 100) << true << any << big << true << false << false << R::Top;
    QTest::newRow("bottom edge") << QPoint(300, 399) << true << any << big << true << false << false << R::Bottom;
    QTest::newRow("top left") << QPoint(103, 103) << true << any << big << true << false << false << R::TopLeft;
    QTest::newRow("top right") << QPoint(496, 104) << true << any << big << true << false << false << R::TopRight;
    QTest::newRow("bottom left") << QPoint(100, 399) << true << any << big << true << false << false << R::BottomLeft;
    QTest::newRow("bottom right") << QPoint(499, 392) << true << any << big << true << false << false << R::BottomRight;
    QTest::newRow("just inside the band")
        << QPoint(107, 250) << true << any << big << true << false << false << R::Left;
    QTest::newRow("past the band") << QPoint(108, 250) << true << any << big << true << false << false << R::Client;
    QTest::newRow("fixed width: no side border")
        << QPoint(101, 250) << true << QSize(400, 0) << QSize(400, 16777215) << true << false << false << R::Client;
    QTest::newRow("fixed width: top still resizes")
        << QPoint(101, 101) << true << QSize(400, 0) << QSize(400, 16777215) << true << false << false << R::Top;
    QTest::newRow("fixed height: top edge is the caption")
        << QPoint(300, 109) << true << QSize(0, 300) << QSize(16777215, 300) << true << false << false << R::Caption;
    QTest::newRow("not resizable") << QPoint(101, 250) << false << any << big << true << false << false << R::Client;
    QTest::newRow("bare title bar") << QPoint(300, 120) << true << any << big << true << false << false << R::Caption;
    QTest::newRow("button on the bar") << QPoint(300, 120) << true << any << big << true << true << false << R::Client;
    QTest::newRow("caption widget on the bar")
        << QPoint(300, 120) << true << any << big << true << true << true << R::Caption;
    QTest::newRow("bar not draggable") << QPoint(300, 120) << true << any << big << false << false << false
                                       << R::Client;
    QTest::newRow("top edge above the bar")
        << QPoint(300, 104) << true << any << big << true << false << false << R::Top;
    QTest::newRow("content") << QPoint(300, 250) << true << any << big << true << false << false << R::Client;
    QTest::newRow("outside") << QPoint(50, 50) << true << any << big << true << false << false << R::Client;
}

void TestFramelessHitTest::hitTest()
{
    QFETCH(QPoint, point);
    QFETCH(bool, resizable);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(bool, draggable);
    QFETCH(bool, overChild);
    QFETCH(bool, childIsCaption);
    QFETCH(FramelessHitTest::Result, result);
    FramelessHitTest::Input input;
    input.windowRect = QRect(100, 100, 400, 300);
    input.point = point;
    input.resizable = resizable;
    input.minimumSize = minimum;
    input.maximumSize = maximum;
    input.hasTitleBar = true;
    input.titleBarRect = QRect(108, 108, 384, 28);
    input.titleDraggable = draggable;
    input.overTitleBarChild = overChild;
    input.childIsCaption = childIsCaption;
    QCOMPARE(FramelessHitTest::hitTest(input), result);
}

void TestFramelessHitTest::edges()
{
    QCOMPARE(FramelessHitTest::edges(FramelessHitTest::TopLeft), int(Qt::TopEdge | Qt::LeftEdge));
    QCOMPARE(FramelessHitTest::edges(FramelessHitTest::Bottom), int(Qt::BottomEdge));
    QCOMPARE(FramelessHitTest::edges(FramelessHitTest::Caption), 0);
    QVERIFY(!FramelessHitTest::isResize(FramelessHitTest::Caption));
    QVERIFY(FramelessHitTest::isResize(FramelessHitTest::Right));
}

void TestFramelessHitTest::manualResizeKeepsLimits()
{
    const QRect start(100, 100, 400, 300);
    QCOMPARE(WindowMover::newGeometry(
                 start, Qt::RightEdge | Qt::BottomEdge, QPoint(50, 20), QSize(100, 100), QSize(2000, 2000)),
        QRect(100, 100, 450, 320));
    // Dragging the left edge past the minimum stops at the minimum; the right edge stays put.
    QCOMPARE(WindowMover::newGeometry(start, Qt::LeftEdge, QPoint(350, 0), QSize(100, 100), QSize(2000, 2000)),
        QRect(400, 100, 100, 300));
    QCOMPARE(WindowMover::newGeometry(start, Qt::TopEdge, QPoint(0, -50), QSize(100, 100), QSize(2000, 320)),
        QRect(100, 80, 400, 320));
}

QTEST_GUILESS_MAIN(TestFramelessHitTest)
#include "tst_framelesshittest.moc"
