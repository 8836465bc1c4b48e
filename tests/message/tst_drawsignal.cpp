#include "vrek/message/drawsignal.h"
#include "vrek/paint/pointset.h"

#include <QRegularExpression>
#include <QtTest>

class TestDrawSignal : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void packPoint_data();
    void packPoint();
    void unpackPoint_data();
    void unpackPoint();
    void packColor_data();
    void packColor();
    void shapeType();
    void fromPointSet();
    void copyIsPlainMergeAppends();
    void basesThatCannotPackAreRefused();
};

void TestDrawSignal::defaults()
{
    const DrawSignal drawSignal;
    QCOMPARE(drawSignal.getPointSetId(), 0u);
    QCOMPARE(drawSignal.getStartPoint(), QPoint(1, 1));
    QCOMPARE(drawSignal.getEndPoint(), QPoint(1, 1));
    QCOMPARE(drawSignal.getText(), QString("0"));
    QCOMPARE(drawSignal.getPenColor(), QColor(Qt::red));
    QCOMPARE(drawSignal.getPenWidth(), 5u);
    QCOMPARE(drawSignal.getShapeType(), DrawSignal::None);
    QCOMPARE(drawSignal.getIsTemp(), 0u);
    QCOMPARE(drawSignal.getPointBase(), 10000u);
    QCOMPARE(drawSignal.getColorBase(), 256u);
    QVERIFY(drawSignal.isPointListEmpty());
}

void TestDrawSignal::packPoint_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<quint32>("packed");
    QTest::newRow("origin") << QPoint(0, 0) << 50005000u;
    QTest::newRow("lowest") << QPoint(-5000, -5000) << 0u;
    QTest::newRow("highest") << QPoint(4999, 4999) << 99999999u;
    QTest::newRow("1,2") << QPoint(1, 2) << 50015002u;
    // Off the packable range: clamped, never carried into the other coordinate.
    QTest::newRow("y 5000") << QPoint(0, 5000) << 50009999u;
    QTest::newRow("y -5001") << QPoint(0, -5001) << 50000000u;
    QTest::newRow("x 5000") << QPoint(5000, 0) << 99995000u;
    QTest::newRow("far away") << QPoint(-2000000000, 2000000000) << 9999u;
}

void TestDrawSignal::packPoint()
{
    QFETCH(QPoint, point);
    QFETCH(quint32, packed);
    DrawSignal drawSignal;
    QCOMPARE(drawSignal.pointToUInt(point), packed);
    drawSignal.setStartPoint(point);
    QCOMPARE(drawSignal.getStartPointUInt(), packed);
    drawSignal.addPoint(point);
    QCOMPARE(drawSignal.getPointList(), QList<quint32> { packed });
}

void TestDrawSignal::unpackPoint_data()
{
    QTest::addColumn<quint32>("packed");
    QTest::addColumn<QPoint>("point");
    QTest::newRow("origin") << 50005000u << QPoint(0, 0);
    QTest::newRow("zero") << 0u << QPoint(-5000, -5000);
    QTest::newRow("highest") << 99999999u << QPoint(4999, 4999);
    QTest::newRow("-3,4") << 49975004u << QPoint(-3, 4);
    // Values above the packed range still give a point, just far off the board.
    QTest::newRow("max") << 4294967295u << QPoint(424496, 2295);
}

void TestDrawSignal::unpackPoint()
{
    QFETCH(quint32, packed);
    QFETCH(QPoint, point);
    DrawSignal drawSignal;
    QCOMPARE(drawSignal.uintToPointF(packed), QPointF(point));
    drawSignal.setEndPointUInt(packed);
    QCOMPARE(drawSignal.getEndPoint(), point);
}

void TestDrawSignal::packColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<quint32>("packed");
    QTest::newRow("opaque red") << QColor(255, 0, 0, 255) << 4294901760u;
    QTest::newRow("transparent black") << QColor(0, 0, 0, 0) << 0u;
    QTest::newRow("0x80102030") << QColor(0x10, 0x20, 0x30, 0x80) << 0x80102030u;
    QTest::newRow("white") << QColor(255, 255, 255, 255) << 0xFFFFFFFFu;
}

void TestDrawSignal::packColor()
{
    QFETCH(QColor, color);
    QFETCH(quint32, packed);
    DrawSignal drawSignal;
    drawSignal.setPenColor(color);
    QCOMPARE(drawSignal.getPenColorUInt(), packed);
    DrawSignal back;
    back.setPenColorUInt(packed);
    QCOMPARE(back.getPenColor(), color);
}

void TestDrawSignal::shapeType()
{
    DrawSignal drawSignal;
    drawSignal.setShapeTypeUInt(9);
    QCOMPARE(drawSignal.getShapeType(), DrawSignal::Eraser);
    drawSignal.setShapeTypeUInt(12);
    QCOMPARE(drawSignal.getShapeType(), DrawSignal::Eraser);
    drawSignal.setShapeType(DrawSignal::DSType(12));
    QTest::ignoreMessage(QtWarningMsg, "the shape type error! shape: 12");
    QCOMPARE(drawSignal.getShapeTypeUInt(), 0u);
}

void TestDrawSignal::fromPointSet()
{
    PointSet pointSet;
    pointSet.setId(0x1234567800000009ULL);
    pointSet.setStartPoint(QPointF(1.6, -2.4));
    pointSet.setEndPoint(QPointF(-0.4, 7.5));
    pointSet.setPenColor(QColor(0, 0, 255, 128));
    pointSet.setPenWidth(8);
    pointSet.setShapeType(DrawSignal::Irregular);
    pointSet.addPoint(QPointF(1.2, 2.7));
    pointSet.addPoint(QPointF(9000.0, 0.0));
    pointSet.addPoint(QPointF(qQNaN(), 1e300));

    const DrawSignal drawSignal(pointSet);
    QCOMPARE(drawSignal.getPointSetId(), 9u);
    QCOMPARE(drawSignal.getStartPoint(), QPoint(2, -2));
    QCOMPARE(drawSignal.getEndPoint(), QPoint(0, 8));
    QCOMPARE(drawSignal.getPenColor(), QColor(0, 0, 255, 128));
    QCOMPARE(drawSignal.getPenWidth(), 8u);
    QCOMPARE(drawSignal.getShapeType(), DrawSignal::Irregular);
    QCOMPARE(drawSignal.getText(), QString("0")); // an empty text is carried as "0"
    QCOMPARE(drawSignal.getIsTemp(), 0u);
    QCOMPARE(drawSignal.getPointList(), (QList<quint32> { 50015003u, 99995000u, 50009999u }));

    pointSet.setText("hello");
    QCOMPARE(DrawSignal(pointSet).getText(), QString("hello"));
}

void TestDrawSignal::copyIsPlainMergeAppends()
{
    DrawSignal first;
    first.setPointSetId(4);
    first.setShapeType(DrawSignal::Irregular);
    first.setIsTemp(1);
    first.addPointUInt(1);
    first.addPointUInt(2);

    DrawSignal target;
    target.addPointUInt(99);
    target = first;
    QCOMPARE(target.getPointList(), (QList<quint32> { 1, 2 }));

    // Queued signals and containers copy through QVariant and QList: the points must not grow.
    const QVariant variant = QVariant::fromValue(first);
    QCOMPARE(variant.value<DrawSignal>().getPointList(), (QList<quint32> { 1, 2 }));
    QList<DrawSignal> list { first, first };
    list[1] = list[0];
    QCOMPARE(list[1].getPointList(), (QList<quint32> { 1, 2 }));

    DrawSignal second;
    second.setPointSetId(4);
    second.setShapeType(DrawSignal::Irregular);
    second.setIsTemp(0);
    second.setEndPoint(QPoint(5, 5));
    second.addPointUInt(3);
    DrawSignal gathered = first;
    gathered.mergeFrom(second);
    QCOMPARE(gathered.getPointList(), (QList<quint32> { 1, 2, 3 }));
    QCOMPARE(gathered.getIsTemp(), 0u);
    QCOMPARE(gathered.getEndPoint(), QPoint(5, 5));
}

void TestDrawSignal::basesThatCannotPackAreRefused()
{
    DrawSignal drawSignal;
    QTest::ignoreMessage(QtWarningMsg, "the pointBase error! pointBase: 0");
    QVERIFY(!drawSignal.setPointBase(0));
    QTest::ignoreMessage(QtWarningMsg, "the pointBase error! pointBase: 70000");
    QVERIFY(!drawSignal.setPointBase(70000));
    QCOMPARE(drawSignal.getPointBase(), 10000u);
    QVERIFY(drawSignal.setPointBase(100));
    QCOMPARE(drawSignal.pointToUInt(QPoint(0, 0)), 5050u);
    QCOMPARE(drawSignal.pointToUInt(QPoint(70, 0)), 9950u);
    QTest::ignoreMessage(QtWarningMsg, "the colorBase error! colorBase: 16");
    QVERIFY(!drawSignal.setColorBase(16));
}

QTEST_GUILESS_MAIN(TestDrawSignal)
#include "tst_drawsignal.moc"
