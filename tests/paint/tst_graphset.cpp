#include "vrek/message/drawsignal.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"

#include <QDateTime>
#include <QImage>
#include <QtTest>

namespace {
quint64 id(quint32 time, quint32 pointSetId)
{
    return (quint64(time) << 32) | pointSetId;
}

PointSet *shape(quint64 shapeId, quint32 kind, const QPointF &start = QPointF(10, 10),
    const QPointF &end = QPointF(90, 90), const QColor &color = Qt::blue)
{
    auto *pointSet = new PointSet;
    pointSet->setId(shapeId);
    pointSet->setShapeType(kind);
    pointSet->setStartPoint(start);
    pointSet->setEndPoint(end);
    pointSet->setPenColor(color);
    pointSet->setPenWidth(2);
    return pointSet;
}

QList<quint64> order(GraphSet &layer)
{
    layer.lock();
    const QList<quint64> ids = layer.getPointSets().keys();
    layer.unlock();
    return ids;
}

QList<quint32> kinds(GraphSet &layer)
{
    QList<quint32> result;
    layer.lock();
    for (PointSet *pointSet : layer.getPointSets())
        result.append(pointSet->getShapeType());
    layer.unlock();
    return result;
}

QImage canvas()
{
    QImage image(200, 200, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}
} // namespace

class TestGraphSet : public QObject
{
    Q_OBJECT

private slots:
    void layerIdsStartAtOne();
    void pointSetIdsGrowByTwo();
    void orderByTimeThenPointSetId();
    void mergeMovesTheShape();
    void removeAndRemoveLast();
    void eraser_data();
    void eraser();
    void findText();
    void compactDropsStoredRecords_data();
    void compactDropsStoredRecords();
    void drawAllInOrder();
};

void TestGraphSet::layerIdsStartAtOne()
{
    GraphSet first;
    GraphSet second;
    QCOMPARE(first.getId(), 1u);
    QCOMPARE(second.getId(), 2u);
    {
        GraphSet third;
        QCOMPARE(third.getId(), 3u);
    }
    GraphSet fourth; // ids are never reused
    QCOMPARE(fourth.getId(), 4u);
}

void TestGraphSet::pointSetIdsGrowByTwo()
{
    GraphSet layer;
    const quint64 before = quint64(QDateTime::currentMSecsSinceEpoch()) & 0xFFFFFFFFu;
    const quint64 a = layer.nextPointSetId();
    const quint64 b = layer.nextPointSetId();
    const quint64 c = layer.nextPointSetId();
    const quint64 after = quint64(QDateTime::currentMSecsSinceEpoch()) & 0xFFFFFFFFu;
    QCOMPARE(a & 0xFFFFFFFFu, 2u);
    QCOMPARE(b & 0xFFFFFFFFu, 4u);
    QCOMPARE(c & 0xFFFFFFFFu, 6u);
    if (before <= after) { // the low 32 bits of the clock did not wrap meanwhile
        QVERIFY((a >> 32) >= before && (c >> 32) <= after);
    }
    GraphSet other; // every layer numbers its shapes afresh
    QCOMPARE(other.nextPointSetId() & 0xFFFFFFFFu, 2u);
}

void TestGraphSet::orderByTimeThenPointSetId()
{
    GraphSet layer;
    layer.addPointSet(shape(id(500, 6), DrawSignal::Line));
    layer.addPointSet(shape(id(500, 4), DrawSignal::Line));
    layer.addPointSet(shape(id(499, 8), DrawSignal::Line));
    layer.addPointSet(shape(id(0xFFFFFFFFu, 2), DrawSignal::Line));
    // Unsigned: the largest time part comes last, the same millisecond goes by point-set id.
    QCOMPARE(order(layer), (QList<quint64> { id(499, 8), id(500, 4), id(500, 6), id(0xFFFFFFFFu, 2) }));
    QCOMPARE(layer.count(), 4);
}

void TestGraphSet::mergeMovesTheShape()
{
    GraphSet layer;
    PointSet *first = shape(id(100, 2), DrawSignal::Irregular);
    first->addPoint(QPointF(1, 1));
    layer.addPointSet(first);
    layer.addPointSet(shape(id(200, 4), DrawSignal::Line));

    // A later step of shape 2: it merges into the held shape, which moves behind shape 4.
    PointSet *step = shape(id(300, 2), DrawSignal::Irregular, QPointF(10, 10), QPointF(20, 20), Qt::red);
    step->addPoint(QPointF(2, 2));
    layer.addPointSet(step);
    QCOMPARE(order(layer), (QList<quint64> { id(200, 4), id(300, 2) }));
    layer.lock();
    PointSet *held = layer.getPointSets().value(id(300, 2));
    layer.unlock();
    QCOMPARE(held, first);
    QCOMPARE(held->getPenColor(), QColor(Qt::red));
    QCOMPARE(held->getPoints(), (QList<QPointF> { QPointF(1, 1), QPointF(2, 2) }));

    layer.addPointSet(first); // the held shape itself: nothing happens
    QCOMPARE(layer.count(), 2);
}

void TestGraphSet::removeAndRemoveLast()
{
    GraphSet layer;
    QCOMPARE(layer.removeLastPointSet(), 0u);
    QCOMPARE(layer.removePointSet(2), 0u);
    layer.addPointSet(shape(id(1, 2), DrawSignal::Line));
    layer.addPointSet(shape(id(2, 4), DrawSignal::Line));
    layer.addPointSet(shape(id(3, 6), DrawSignal::Line));
    QCOMPARE(layer.removePointSet(4), 4u);
    QCOMPARE(layer.removePointSet(4), 0u);
    QCOMPARE(layer.removeLastPointSet(), 6u);
    QCOMPARE(order(layer), (QList<quint64> { id(1, 2) }));
    layer.clear();
    QCOMPARE(layer.count(), 0);
    QCOMPARE(layer.removeLastPointSet(), 0u);
}

void TestGraphSet::eraser_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QList<quint32>>("erased");

    // A rectangle outline (20,20)-(180,180) as shape 2 and a line (0,190)-(200,190) as shape 4.
    QTest::newRow("wholly inside the rectangle") << QPoint(100, 100) << QPoint(110, 110) << QList<quint32>();
    QTest::newRow("across the rectangle's outline") << QPoint(100, 100) << QPoint(100, 5) << QList<quint32> { 2 };
    QTest::newRow("on the line") << QPoint(50, 192) << QPoint(50, 192) << QList<quint32> { 4 };
    QTest::newRow("across both") << QPoint(150, 150) << QPoint(150, 199) << QList<quint32> { 2, 4 };
    QTest::newRow("beside everything") << QPoint(195, 5) << QPoint(195, 8) << QList<quint32>();
}

void TestGraphSet::eraser()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QList<quint32>, erased);
    GraphSet layer;
    layer.addPointSet(shape(id(1, 2), DrawSignal::Rectangle, QPointF(20, 20), QPointF(180, 180)));
    layer.addPointSet(shape(id(2, 4), DrawSignal::Line, QPointF(0, 190), QPointF(200, 190)));
    QImage image = canvas();
    layer.drawAll(&image, 1.0); // the paths the eraser tests are those last drawn
    QCOMPARE(layer.erasePointSets(from, to), erased);
    QCOMPARE(layer.count(), 2 - erased.size());
}

void TestGraphSet::findText()
{
    GraphSet layer;
    PointSet *text = shape(id(1, 6), DrawSignal::Text, QPointF(20, 30), QPointF(20, 30));
    text->setText("Tq");
    layer.addPointSet(text);
    layer.addPointSet(shape(id(2, 8), DrawSignal::Line, QPointF(0, 100), QPointF(200, 100)));
    QImage image = canvas();
    layer.drawAll(&image, 1.0);

    const QPointF onGlyph = text->getPath().elementAt(0);
    quint32 found = 0;
    QString foundText;
    QPointF start;
    QCOMPARE(layer.findTextPointSet(onGlyph.toPoint(), found, foundText, start), 6u);
    QCOMPARE(found, 6u);
    QCOMPARE(foundText, QString("Tq"));
    QCOMPARE(start, QPointF(20, 30));

    // Only text shapes count: the line under the probe is not found.
    found = 0;
    foundText.clear();
    QCOMPARE(layer.findTextPointSet(QPoint(100, 100), found, foundText, start), 0u);
    QVERIFY(foundText.isEmpty());
}

void TestGraphSet::compactDropsStoredRecords_data()
{
    QTest::addColumn<QList<quint32>>("storedKinds"); // in time order; shape 2 is a line drawn second
    QTest::addColumn<QList<quint32>>("kept");

    const quint32 line = DrawSignal::Line;
    QTest::newRow("lone records") << QList<quint32> { DrawSignal::Clear, line, DrawSignal::Undo, DrawSignal::Eraser,
        DrawSignal::Laser } << QList<quint32> { line };
    QTest::newRow("clear after the line")
        << QList<quint32> { line, line, DrawSignal::Clear, line } << QList<quint32> { line };
    QTest::newRow("nothing stored") << QList<quint32> { line, line } << QList<quint32> { line, line };
}

void TestGraphSet::compactDropsStoredRecords()
{
    QFETCH(QList<quint32>, storedKinds);
    QFETCH(QList<quint32>, kept);
    GraphSet layer;
    // Undo and eraser records name point-set ids the layer never held.
    for (int i = 0; i < storedKinds.size(); ++i)
        layer.addPointSet(shape(id(quint32(10 + i), quint32(100 + 2 * i)), storedKinds.at(i)));
    layer.compact();
    QCOMPARE(kinds(layer), kept);
}

void TestGraphSet::drawAllInOrder()
{
    GraphSet layer;
    // Merged records: an undo record for a held shape turns that shape into the undo and compact drops it.
    layer.addPointSet(shape(id(1, 2), DrawSignal::Line, QPointF(0, 50), QPointF(200, 50), Qt::blue));
    layer.addPointSet(shape(id(2, 4), DrawSignal::Line, QPointF(100, 0), QPointF(100, 200), Qt::green));
    layer.addPointSet(shape(id(0, 6), DrawSignal::Line, QPointF(100, 0), QPointF(100, 200), Qt::red));
    QImage image = canvas();
    layer.drawAll(&image, 1.0);
    QCOMPARE(QColor(image.pixel(100, 50)).rgb(), QColor(Qt::green).rgb()); // the newest on top
    QCOMPARE(QColor(image.pixel(100, 150)).rgb(), QColor(Qt::green).rgb());

    layer.addPointSet(shape(id(3, 4), DrawSignal::Undo));
    layer.compact();
    image.fill(Qt::transparent);
    layer.drawAll(&image, 1.0);
    QCOMPARE(QColor(image.pixel(100, 150)).rgb(), QColor(Qt::red).rgb());
    QCOMPARE(layer.count(), 2);
}

QTEST_MAIN(TestGraphSet)
#include "tst_graphset.moc"
