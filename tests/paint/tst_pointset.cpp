#include "platform/fonts/fontsubstitution.h"
#include "vrek/message/drawsignal.h"
#include "vrek/paint/pointset.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QImage>
#include <QtTest>

namespace {
const QColor ink(0, 0, 255);

QImage blank(int width = 200, int height = 200)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

bool inked(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 100;
}

// How many pixels in the rectangle carry paint.
int inkedIn(const QImage &image, const QRect &rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += inked(image, x, y) ? 1 : 0;
    }
    return count;
}

void setShape(PointSet &shape, quint32 kind, const QPointF &start, const QPointF &end, quint32 width = 2)
{
    shape.setShapeType(kind);
    shape.setStartPoint(start);
    shape.setEndPoint(end);
    shape.setPenColor(ink);
    shape.setPenWidth(width);
}
} // namespace

class TestPointSet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaults();
    void recordToShapeAndBack();
    void receivedWidthIsBounded_data();
    void receivedWidthIsBounded();
    void setFromDrawSignalKeepsTheId();
    void mergeFromTakesIdAndAppends();
    void drawByKind_data();
    void drawByKind();
    void rectangleDraggedUpLeft();
    void laserDot();
    void textGlyphs();
    void unknownKindDrawsNothing();
    void freehandRedrawKeepsItsPoints();
};

void TestPointSet::initTestCase()
{
    FontSubstitution::install();
}

void TestPointSet::defaults()
{
    PointSet shape;
    QCOMPARE(shape.getId(), 0u);
    QVERIFY(!shape.getPenColor().isValid());
    QCOMPARE(shape.getPenWidth(), 0u);
    QCOMPARE(shape.getShapeType(), 0u);
    QCOMPARE(shape.getStartPoint(), QPointF(0, 0));
    QCOMPARE(shape.getEndPoint(), QPointF(0, 0));
    QVERIFY(shape.getText().isEmpty());
    QCOMPARE(shape.pointCount(), 0);
    QVERIFY(shape.getPath().isEmpty());
}

void TestPointSet::recordToShapeAndBack()
{
    DrawSignal record;
    record.setPointSetId(6);
    record.setStartPoint(QPoint(-3, 40));
    record.setEndPoint(QPoint(120, 7));
    record.setPenColor(QColor(10, 20, 30, 128));
    record.setPenWidth(3);
    record.setShapeType(DrawSignal::Irregular);
    record.setText(QString());
    record.setIsTemp(1);
    record.addPoint(QPoint(1, 2));
    record.addPoint(QPoint(-4999, 4999));

    const quint64 before = quint64(QDateTime::currentMSecsSinceEpoch()) & 0xFFFFFFFFu;
    const PointSet shape(record);
    const quint64 after = quint64(QDateTime::currentMSecsSinceEpoch()) & 0xFFFFFFFFu;
    QCOMPARE(shape.getId() & 0xFFFFFFFFu, 6u);
    const quint64 made = shape.getId() >> 32;
    QVERIFY2(before <= after ? (made >= before && made <= after) : true, "the id's time part is now");
    QCOMPARE(shape.getStartPoint(), QPointF(-3, 40));
    QCOMPARE(shape.getEndPoint(), QPointF(120, 7));
    QCOMPARE(shape.getPenColor(), QColor(10, 20, 30, 128));
    QCOMPARE(shape.getPenWidth(), 3u);
    QCOMPARE(shape.getShapeType(), quint32(DrawSignal::Irregular));
    QCOMPARE(shape.getPoints(), (QList<QPointF> { QPointF(1, 2), QPointF(-4999, 4999) }));
    QVERIFY(shape.getPath().isEmpty());

    const DrawSignal back(shape);
    QCOMPARE(back.getPointSetId(), 6u);
    QCOMPARE(back.getStartPoint(), QPoint(-3, 40));
    QCOMPARE(back.getEndPoint(), QPoint(120, 7));
    QCOMPARE(back.getPenColor(), QColor(10, 20, 30, 128));
    QCOMPARE(back.getPenWidth(), 3u);
    QCOMPARE(back.getShapeType(), DrawSignal::Irregular);
    QCOMPARE(back.getText(), QString("0"));
    QCOMPARE(back.getIsTemp(), 0u);
    QCOMPARE(back.getPointList(), record.getPointList());
}

void TestPointSet::receivedWidthIsBounded_data()
{
    QTest::addColumn<quint32>("width");
    QTest::addColumn<quint32>("kept");
    QTest::newRow("local width") << 16u << 16u;
    QTest::newRow("at the bound") << PointSet::maxReceivedPenWidth << PointSet::maxReceivedPenWidth;
    QTest::newRow("past the bound") << PointSet::maxReceivedPenWidth + 1 << PointSet::maxReceivedPenWidth;
    QTest::newRow("absurd") << 0xFFFFFFFFu << PointSet::maxReceivedPenWidth;
}

void TestPointSet::receivedWidthIsBounded()
{
    QFETCH(quint32, width);
    QFETCH(quint32, kept);
    DrawSignal record;
    record.setShapeType(DrawSignal::Text);
    record.setText("x");
    record.setPenWidth(width);
    PointSet built(record);
    QCOMPARE(built.getPenWidth(), kept);
    PointSet taken;
    taken.setFromDrawSignal(record);
    QCOMPARE(taken.getPenWidth(), kept);

    // The font of a text shape follows the width: it stays drawable at the largest scale.
    QImage image = blank(64, 64);
    built.drawImage(&image, 4.0);
    QVERIFY(PointSet::textFont(width, 4.0).pixelSize() <= int((kept * 8 + 8) * 4.0));
}

void TestPointSet::setFromDrawSignalKeepsTheId()
{
    PointSet shape;
    shape.setId(0x0000000500000004ULL);
    shape.addPoint(QPointF(1, 1));
    DrawSignal record;
    record.setPointSetId(8);
    record.setShapeType(DrawSignal::Line);
    record.setText("t");
    record.addPoint(QPoint(2, 2));
    shape.setFromDrawSignal(record);
    QCOMPARE(shape.getId(), 0x0000000500000004ULL);
    QCOMPARE(shape.getShapeType(), quint32(DrawSignal::Line));
    QCOMPARE(shape.getText(), QString("t"));
    QCOMPARE(shape.getPoints(), (QList<QPointF> { QPointF(1, 1), QPointF(2, 2) }));
}

void TestPointSet::mergeFromTakesIdAndAppends()
{
    PointSet held;
    setShape(held, DrawSignal::Irregular, QPointF(1, 1), QPointF(2, 2));
    held.setId(0x0000000100000002ULL);
    held.addPoint(QPointF(1, 1));
    PointSet incoming;
    setShape(incoming, DrawSignal::Eraser, QPointF(5, 5), QPointF(6, 6), 9);
    incoming.setId(0x0000000200000002ULL);
    incoming.setText("z");
    incoming.addPoint(QPointF(3, 3));
    held.mergeFrom(incoming);
    QCOMPARE(held.getId(), 0x0000000200000002ULL);
    QCOMPARE(held.getShapeType(), quint32(DrawSignal::Eraser));
    QCOMPARE(held.getPenWidth(), 9u);
    QCOMPARE(held.getText(), QString("z"));
    QCOMPARE(held.getStartPoint(), QPointF(5, 5));
    QCOMPARE(held.getEndPoint(), QPointF(6, 6));
    QCOMPARE(held.getPoints(), (QList<QPointF> { QPointF(1, 1), QPointF(3, 3) }));
    QCOMPARE(incoming.pointCount(), 1);

    held.mergeFrom(held); // merging a shape into itself changes nothing
    QCOMPARE(held.pointCount(), 2);
}

void TestPointSet::drawByKind_data()
{
    QTest::addColumn<quint32>("kind");
    QTest::addColumn<QPointF>("start");
    QTest::addColumn<QPointF>("end");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPoint>("onShape");
    QTest::addColumn<QPoint>("offShape");

    QTest::newRow("line") << quint32(DrawSignal::Line) << QPointF(10, 10) << QPointF(90, 10) << 1.0 << QPoint(50, 10)
                          << QPoint(50, 30);
    QTest::newRow("line at scale 2") << quint32(DrawSignal::Line) << QPointF(10, 10) << QPointF(90, 10) << 2.0
                                     << QPoint(100, 20) << QPoint(50, 10);
    QTest::newRow("rectangle outline") << quint32(DrawSignal::Rectangle) << QPointF(20, 20) << QPointF(80, 80) << 1.0
                                       << QPoint(50, 20) << QPoint(50, 50);
    QTest::newRow("ellipse dragged up-left") << quint32(DrawSignal::Ellipse) << QPointF(90, 70) << QPointF(10, 30)
                                             << 1.0 << QPoint(10, 50) << QPoint(50, 50);
    QTest::newRow("freehand") << quint32(DrawSignal::Irregular) << QPointF(10, 100) << QPointF(150, 100) << 1.0
                              << QPoint(120, 100) << QPoint(120, 120);
}

void TestPointSet::drawByKind()
{
    QFETCH(quint32, kind);
    QFETCH(QPointF, start);
    QFETCH(QPointF, end);
    QFETCH(double, scale);
    QFETCH(QPoint, onShape);
    QFETCH(QPoint, offShape);
    PointSet shape;
    setShape(shape, kind, start, end);
    QImage image = blank();
    shape.drawImage(&image, scale);
    QVERIFY(inked(image, onShape.x(), onShape.y()));
    QVERIFY(!inked(image, offShape.x(), offShape.y()));
    QCOMPARE(QColor(image.pixel(onShape)).rgb() & 0xFFFFFF, ink.rgb() & 0xFFFFFF);
    QVERIFY(!shape.getPath().isEmpty());
}

void TestPointSet::rectangleDraggedUpLeft()
{
    PointSet shape;
    setShape(shape, DrawSignal::Rectangle, QPointF(80, 80), QPointF(20, 20));
    QImage image = blank();
    shape.drawImage(&image, 1.0);
    // The width and height are negative and the outline lands where the drag went.
    for (const QPoint &edge : { QPoint(50, 20), QPoint(20, 50), QPoint(80, 50), QPoint(50, 80) })
        QVERIFY2(inked(image, edge.x(), edge.y()), qPrintable(QString("%1,%2").arg(edge.x()).arg(edge.y())));
    QVERIFY(!inked(image, 50, 50)); // the brush is transparent
    QVERIFY(!inked(image, 100, 50));
}

void TestPointSet::laserDot()
{
    PointSet shape;
    setShape(shape, DrawSignal::Laser, QPointF(0, 0), QPointF(50, 60), 40);
    shape.setPenColor(Qt::green);
    QImage image = blank();
    shape.drawImage(&image, 1.0);
    const QRgb centre = image.pixel(50, 60);
    QVERIFY(qRed(centre) > 0 && qGreen(centre) == 0 && qBlue(centre) == 0);
    QVERIFY(qAbs(qAlpha(centre) - 150) <= 2);
    QVERIFY(inked(image, 50 + 6, 60));
    // Radius 8 whatever the pen width.
    QVERIFY(!inked(image, 50 + 11, 60));
    QVERIFY(!inked(image, 50, 60 - 11));
    // The hit-test area is the 15 x 15 square's ellipse from the end point.
    QVERIFY(shape.getPath().contains(QPointF(57, 67)));
    QVERIFY(!shape.getPath().contains(QPointF(45, 55)));
}

void TestPointSet::textGlyphs()
{
    PointSet shape;
    setShape(shape, DrawSignal::Text, QPointF(10, 10), QPointF(10, 10), 2);
    shape.setText("Hg\n\nHg");
    QImage image = blank(300, 300);
    shape.drawImage(&image, 1.0);

    const QFont font = PointSet::textFont(2, 1.0);
    QCOMPARE(font.pixelSize(), 24);
    const QFontMetrics metrics(font);
    const int line = metrics.lineSpacing();
    const int glyphWidth = metrics.horizontalAdvance("Hg");
    // Two lines of glyphs with an empty line between, from the start point down.
    QVERIFY(inkedIn(image, QRect(10, 10, glyphWidth, line)) > 20);
    QCOMPARE(inkedIn(image, QRect(10, 10 + line + 4, glyphWidth, line - 8)), 0);
    QVERIFY(inkedIn(image, QRect(10, 10 + 2 * line, glyphWidth, line)) > 20);
    QCOMPARE(inkedIn(image, QRect(0, 0, 300, 9)), 0);
    QCOMPARE(inkedIn(image, QRect(0, 0, 9, 300)), 0);
    // Glyphs are filled, opaque, in the pen colour.
    const QRectF bounds = shape.getPath().boundingRect();
    QVERIFY(bounds.left() >= 10 && bounds.top() >= 10);
    QVERIFY(bounds.bottom() <= 10 + 2 * line + metrics.ascent() + metrics.descent());

    QImage doubled = blank(600, 600);
    shape.drawImage(&doubled, 2.0);
    QVERIFY(qAbs(shape.getPath().boundingRect().width() - 2 * bounds.width()) < 6);
}

void TestPointSet::unknownKindDrawsNothing()
{
    PointSet shape;
    setShape(shape, DrawSignal::Undo, QPointF(10, 10), QPointF(90, 90));
    QImage image = blank();
    QTest::ignoreMessage(QtWarningMsg, "PointSet::drawImage the shapeType error! shape: 7");
    shape.drawImage(&image, 1.0);
    QCOMPARE(inkedIn(image, image.rect()), 0);
}

void TestPointSet::freehandRedrawKeepsItsPoints()
{
    DrawSignal record;
    record.setShapeType(DrawSignal::Irregular);
    record.setPenColor(ink);
    record.setStartPoint(QPoint(10, 10));
    record.setEndPoint(QPoint(60, 40));
    record.addPoint(QPoint(20, 20));
    record.addPoint(QPoint(40, 30));
    PointSet shape(record);
    QImage image = blank();
    shape.drawImage(&image, 1.0);
    // The end point joins the stroke once ...
    QCOMPARE(shape.pointCount(), 3);
    QCOMPARE(shape.getPoints().last(), QPointF(60, 40));
    const QImage first = image;
    // ... and redrawing, as every page switch, resize or erase does, does not grow it.
    for (int i = 0; i < 5; ++i) {
        shape.setPathPointCount(0);
        image.fill(Qt::transparent);
        shape.drawImage(&image, 1.0);
    }
    QCOMPARE(shape.pointCount(), 3);
    QCOMPARE(image, first);
    QCOMPARE(DrawSignal(shape).getPointList().size(), 3);
}

QTEST_MAIN(TestPointSet)
#include "tst_pointset.moc"
