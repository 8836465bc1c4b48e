#include "platform/fonts/fontsubstitution.h"
#include "vrek/message/drawsignal.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/drawtextedit.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {
// Stands beneath the board and notes the mouse events that reach it.
class MouseRecorder : public QWidget
{
public:
    using QWidget::QWidget;
    QList<QPair<QEvent::Type, QPoint>> events;

protected:
    void mousePressEvent(QMouseEvent *event) override { events.append({ event->type(), event->pos() }); }
    void mouseReleaseEvent(QMouseEvent *event) override { events.append({ event->type(), event->pos() }); }
};

DrawSignal record(quint32 kind, quint32 pointSetId, quint32 isTemp, const QPoint &start = QPoint(20, 100),
    const QPoint &end = QPoint(200, 100))
{
    DrawSignal drawSignal;
    drawSignal.setShapeType(DrawSignal::DSType(kind));
    drawSignal.setPointSetId(pointSetId);
    drawSignal.setIsTemp(isTemp);
    drawSignal.setStartPoint(start);
    drawSignal.setEndPoint(end);
    drawSignal.setPenColor(Qt::blue);
    drawSignal.setPenWidth(2);
    return drawSignal;
}

bool inked(const QImage &image, const QPoint &at)
{
    return qAlpha(image.pixel(at)) > 60;
}

QList<QPointF> allPoints(const QList<DrawSignal> &records)
{
    QList<QPointF> points;
    for (const DrawSignal &drawSignal : records) {
        for (quint32 packed : drawSignal.getPointList())
            points.append(drawSignal.uintToPointF(packed));
        points.append(QPointF(drawSignal.getEndPoint()));
    }
    return points;
}
} // namespace

class TestDrawBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void strokeIsThrottled();
    void stepTimerSendsGatheredPoints();
    void quickStrokeCarriesItsTool();
    void clickWithoutMoveSendsNothing_data();
    void clickWithoutMoveSendsNothing();
    void laserDragGoesOutAsFreehand();
    void laserHoverNeverEntersTheLayer();
    void textBoxCommits();
    void textBoxTakesTextBack();
    void undoAndClear();
    void eraserTool();
    void eraserDragAtScale();
    void receivedStepsShownThenKept();
    void receivedNewShapeDropsUnfinished();
    void receivedRecordsByKind();
    void receivedLaserIsNotKept();
    void receivedWidthIsBounded();
    void toolNonePassesTheMouseOn();
    void widthFactor();
    void scaleMapsPositions();
    void colourChange();
    void setGraphSetCompacts();
    void releaseAtOriginKeepsTakingPresses();

private:
    void press(const QPoint &at, Qt::MouseButton button = Qt::LeftButton);
    void move(const QPoint &at, Qt::MouseButtons buttons = Qt::LeftButton);
    void release(const QPoint &at, Qt::MouseButton button = Qt::LeftButton);
    void sendMouse(QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons buttons);
    // Press, moves 60 ms apart through the points, release.
    void stroke(const QList<QPoint> &points);
    PointSet *onlyShape();

    QWidget *m_host = nullptr;
    MouseRecorder *m_beneath = nullptr;
    DrawBoard *m_board = nullptr;
    GraphSet *m_layer = nullptr;
    qint64 m_now = 0;
    QList<DrawSignal> m_sent;
    QList<qint64> m_sentAt;
};

void TestDrawBoard::initTestCase()
{
    FontSubstitution::install();
}

void TestDrawBoard::init()
{
    m_host = new QWidget;
    m_host->resize(400, 300);
    m_beneath = new MouseRecorder(m_host);
    m_beneath->setGeometry(0, 0, 400, 300);
    m_board = new DrawBoard(m_host);
    m_board->setGeometry(0, 0, 400, 300);
    m_now = 1000;
    m_board->setClock([this] { return m_now; });
    m_board->newGraphSet();
    m_layer = m_board->graphSet();
    m_sent.clear();
    m_sentAt.clear();
    connect(m_board, &DrawBoard::drawGraphOut, this, [this](const DrawSignal &drawSignal) {
        m_sent.append(drawSignal);
        m_sentAt.append(m_now);
    });
}

void TestDrawBoard::cleanup()
{
    delete m_host;
    delete m_layer; // the board never owns its layer
    m_layer = nullptr;
}

void TestDrawBoard::sendMouse(QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, m_board->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(m_board, &event);
}

void TestDrawBoard::press(const QPoint &at, Qt::MouseButton button)
{
    QTest::mousePress(m_board, button, Qt::NoModifier, at);
}

void TestDrawBoard::move(const QPoint &at, Qt::MouseButtons buttons)
{
    sendMouse(QEvent::MouseMove, at, Qt::NoButton, buttons);
}

void TestDrawBoard::release(const QPoint &at, Qt::MouseButton button)
{
    QTest::mouseRelease(m_board, button, Qt::NoModifier, at);
}

void TestDrawBoard::stroke(const QList<QPoint> &points)
{
    press(points.first());
    for (int i = 1; i < points.size(); ++i) {
        m_now += 60;
        move(points.at(i));
    }
    release(points.last());
}

PointSet *TestDrawBoard::onlyShape()
{
    m_layer->lock();
    PointSet *pointSet = m_layer->getPointSets().size() == 1 ? m_layer->getPointSets().first() : nullptr;
    m_layer->unlock();
    return pointSet;
}

void TestDrawBoard::strokeIsThrottled()
{
    m_board->onIrregPushButtonClicked();
    press(QPoint(20, 20));
    QList<QPoint> path;
    for (int i = 1; i <= 40; ++i) {
        m_now += 7;
        path.append(QPoint(20 + 5 * i, 20 + 2 * i));
        move(path.last());
    }
    release(path.last());

    QVERIFY(m_sent.size() >= 4);
    QVERIFY(m_sent.size() <= 280 / 50 + 1);
    for (int i = 0; i < m_sent.size(); ++i) {
        const DrawSignal &step = m_sent.at(i);
        QCOMPARE(step.getIsTemp(), i + 1 < m_sent.size() ? 1u : 0u);
        QCOMPARE(step.getShapeType(), DrawSignal::Irregular);
        QCOMPARE(step.getPointSetId(), m_sent.first().getPointSetId());
        QCOMPARE(step.getPenWidth(), 2u);
        QCOMPARE(step.getPenColor(), QColor(255, 0, 0, 128));
        QCOMPARE(step.getStartPoint(), QPoint(20, 20));
        if (i > 0 && i + 1 < m_sent.size())
            QVERIFY2(m_sentAt.at(i) - m_sentAt.at(i - 1) > DrawBoard::stepInterval, "one step per 50 ms");
    }
    QCOMPARE(m_sent.first().getPointSetId(), 2u);
    // No point of the stroke is lost between the steps.
    const QList<QPointF> sentPoints = allPoints(m_sent);
    for (const QPoint &point : qAsConst(path))
        QVERIFY2(sentPoints.contains(QPointF(point)), qPrintable(QString("%1,%2").arg(point.x()).arg(point.y())));

    PointSet *kept = onlyShape();
    QVERIFY(kept);
    QCOMPARE(kept->getPointSetId(), 2u);
    const QList<QPointF> keptPoints = kept->getPoints();
    for (const QPoint &point : qAsConst(path))
        QVERIFY(keptPoints.contains(QPointF(point)));
    QVERIFY(inked(m_board->image(), QPoint(120, 60)));

    // The next stroke is the next shape of the layer.
    m_sent.clear();
    stroke({ QPoint(200, 200), QPoint(220, 220) });
    QCOMPARE(m_sent.last().getPointSetId(), 4u);
    QCOMPARE(m_layer->count(), 2);
}

void TestDrawBoard::stepTimerSendsGatheredPoints()
{
    m_board->onIrregPushButtonClicked();
    press(QPoint(20, 20));
    m_now += 60;
    move(QPoint(30, 30));
    QCOMPARE(m_sent.size(), 1);
    m_now += 10;
    move(QPoint(40, 45)); // gathered; the 50 ms step timer draws it when the mouse rests
    QCOMPARE(m_sent.size(), 1);
    QTRY_COMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.at(1).getIsTemp(), 1u);
    QCOMPARE(m_sent.at(1).getPointList(), (QList<quint32> { m_sent.at(1).pointToUInt(QPoint(40, 45)) }));
    release(QPoint(40, 45));
    QCOMPARE(m_sent.size(), 3);
    QCOMPARE(m_sent.last().getIsTemp(), 0u);
}

void TestDrawBoard::quickStrokeCarriesItsTool()
{
    // Press, move and release within 50 ms of the board's start: no step was drawn before the release.
    m_board->onColorChange("#009999");
    m_board->onLinePushButtonClicked();
    press(QPoint(20, 20));
    m_now += 10;
    move(QPoint(120, 80));
    release(QPoint(120, 80));
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Line);
    QCOMPARE(m_sent.first().getPenColor(), QColor(0x00, 0x99, 0x99, 128));
    QCOMPARE(m_sent.first().getIsTemp(), 0u);
    QVERIFY(inked(m_board->image(), QPoint(70, 50)));
}

void TestDrawBoard::clickWithoutMoveSendsNothing_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::newRow("line") << QByteArray("onLinePushButtonClicked");
    QTest::newRow("rectangle") << QByteArray("onRectanglePushButtonClicked");
    QTest::newRow("ellipse") << QByteArray("onEllipsePushButtonClicked");
    QTest::newRow("freehand") << QByteArray("onIrregPushButtonClicked");
    QTest::newRow("laser") << QByteArray("onLaserPushButtonClicked");
}

void TestDrawBoard::clickWithoutMoveSendsNothing()
{
    QFETCH(QByteArray, tool);
    QVERIFY(QMetaObject::invokeMethod(m_board, tool.constData()));
    m_now += 500;
    press(QPoint(50, 50));
    release(QPoint(50, 50));
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(m_layer->count(), 0);
    QVERIFY(!inked(m_board->image(), QPoint(50, 50)));
}

void TestDrawBoard::laserDragGoesOutAsFreehand()
{
    m_board->onLaserPushButtonClicked();
    m_board->onColorChange("#00ff00");
    stroke({ QPoint(20, 20), QPoint(60, 60), QPoint(100, 80) });
    QCOMPARE(m_sent.size(), 3);
    for (const DrawSignal &step : qAsConst(m_sent)) {
        QCOMPARE(step.getShapeType(), DrawSignal::Irregular);
        QCOMPARE(step.getPenColor(), QColor(0, 255, 0, 128));
    }
    QCOMPARE(m_sent.last().getIsTemp(), 0u);
    PointSet *kept = onlyShape();
    QVERIFY(kept);
    QCOMPARE(kept->getShapeType(), quint32(DrawSignal::Irregular));
}

void TestDrawBoard::laserHoverNeverEntersTheLayer()
{
    m_board->setMouseTracking(true); // as the courseware managers do
    m_board->onLaserPushButtonClicked();
    m_now += 60;
    move(QPoint(100, 100), Qt::NoButton);
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Laser);
    QCOMPARE(m_sent.first().getIsTemp(), 1u);
    QCOMPARE(m_sent.first().getEndPoint(), QPoint(100, 100));
    QVERIFY(inked(m_board->image(), QPoint(100, 100)));
    m_now += 10;
    move(QPoint(110, 100), Qt::NoButton); // within 50 ms: nothing
    QCOMPARE(m_sent.size(), 1);
    m_now += 60;
    move(QPoint(200, 150), Qt::NoButton);
    QCOMPARE(m_sent.size(), 2);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100))); // one dot at a time
    QVERIFY(inked(m_board->image(), QPoint(200, 150)));
    QCOMPARE(m_layer->count(), 0);

    // Leaving the laser removes its dot.
    m_board->onIrregPushButtonClicked();
    QVERIFY(!inked(m_board->image(), QPoint(200, 150)));
}

void TestDrawBoard::textBoxCommits()
{
    auto *elsewhere = new QLineEdit(m_host);
    elsewhere->setGeometry(0, 280, 100, 20);
    m_host->show();
    QApplication::setActiveWindow(m_host);
    QVERIFY(QTest::qWaitForWindowActive(m_host));

    // An empty box commits nothing.
    m_board->onTextPushButtonClicked();
    press(QPoint(60, 70));
    release(QPoint(60, 70));
    QVERIFY(m_board->textEdit());
    m_board->onNonePushButtonClicked();
    QVERIFY(!m_board->textEdit());
    QVERIFY(m_sent.isEmpty());

    // Choosing a tool commits the text.
    m_board->onTextPushButtonClicked();
    press(QPoint(60, 70));
    release(QPoint(60, 70));
    DrawTextEdit *box = m_board->textEdit();
    QVERIFY(box);
    QCOMPARE(box->pos(), QPoint(60, 70));
    QVERIFY(box->hasFocus());
    QTest::keyClicks(box, "hi");
    QVERIFY(box->width() > 10); // the box fits its text
    m_board->onLinePushButtonClicked();
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Text);
    QCOMPARE(m_sent.first().getText(), QString("hi"));
    QCOMPARE(m_sent.first().getIsTemp(), 0u);
    QCOMPARE(m_sent.first().getStartPoint(), QPoint(60, 70));
    QCOMPARE(m_layer->count(), 1);

    // With the box open, clicking the board once the box has lost the focus commits it.
    m_board->onTextPushButtonClicked();
    press(QPoint(200, 150));
    release(QPoint(200, 150));
    box = m_board->textEdit();
    QVERIFY(box);
    QTest::keyClicks(box, "second");
    elsewhere->setFocus();
    QVERIFY(!box->hasFocus());
    press(QPoint(300, 200));
    release(QPoint(300, 200));
    QVERIFY(!m_board->textEdit());
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.last().getText(), QString("second"));
    QCOMPARE(m_layer->count(), 2);
    // The next click opens a box again.
    press(QPoint(300, 200));
    release(QPoint(300, 200));
    QVERIFY(m_board->textEdit());
}

void TestDrawBoard::textBoxTakesTextBack()
{
    m_host->show();
    QApplication::setActiveWindow(m_host);
    QVERIFY(QTest::qWaitForWindowActive(m_host));
    DrawSignal text = record(DrawSignal::Text, 40, 0, QPoint(50, 50), QPoint(90, 80));
    text.setText("<b>ab</b>"); // plain text, never markup
    m_board->drawGraphIn(text);
    PointSet *shape = onlyShape();
    QVERIFY(shape);
    const QPoint onGlyph = QPointF(shape->getPath().elementAt(0)).toPoint();

    m_board->onTextPushButtonClicked();
    press(onGlyph);
    release(onGlyph);
    // The shape leaves the layer (and the class is told) while its text is edited in the box.
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Eraser);
    QCOMPARE(m_sent.first().getPointSetId(), 40u);
    QCOMPARE(m_layer->count(), 0);
    DrawTextEdit *box = m_board->textEdit();
    QVERIFY(box);
    QCOMPARE(box->toPlainText(), QString("<b>ab</b>"));
    QCOMPARE(box->pos(), QPoint(50, 50));
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClicks(box, "c");
    m_board->onColorChange("#000000"); // a colour change commits as well
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.last().getText(), QString("<b>ab</b>c"));
    QCOMPARE(m_layer->count(), 1);
}

void TestDrawBoard::undoAndClear()
{
    m_board->onUndoPushButtonClicked();
    QVERIFY(m_sent.isEmpty()); // nothing to undo, nothing sent

    m_board->onLinePushButtonClicked();
    stroke({ QPoint(20, 100), QPoint(200, 100) });
    stroke({ QPoint(20, 200), QPoint(200, 200) });
    m_sent.clear();
    m_board->onUndoPushButtonClicked();
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Undo);
    QCOMPARE(m_sent.first().getPointSetId(), 4u);
    QCOMPARE(m_layer->count(), 1);
    QVERIFY(!inked(m_board->image(), QPoint(100, 200)));
    QVERIFY(inked(m_board->image(), QPoint(100, 100)));

    m_board->onClearPushButtonClicked();
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.last().getShapeType(), DrawSignal::Clear);
    QCOMPARE(m_layer->count(), 0);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100)));
}

void TestDrawBoard::eraserTool()
{
    m_board->drawGraphIn(record(DrawSignal::Line, 30, 0));
    m_board->drawGraphIn(record(DrawSignal::Line, 32, 0, QPoint(20, 200), QPoint(200, 200)));
    m_board->onEraserPushButtonClicked();
    press(QPoint(100, 102));
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Eraser);
    QCOMPARE(m_sent.first().getPointSetId(), 30u);
    QCOMPARE(m_sent.first().getIsTemp(), 0u);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100)));
    // Dragging erases along the way, one step per 50 ms.
    m_now += 60;
    move(QPoint(100, 250));
    release(QPoint(100, 250));
    QCOMPARE(m_sent.size(), 2);
    QCOMPARE(m_sent.last().getPointSetId(), 32u);
    QCOMPARE(m_layer->count(), 0);
}

void TestDrawBoard::eraserDragAtScale()
{
    m_board->drawGraphIn(record(DrawSignal::Line, 30, 0, QPoint(0, 100), QPoint(1000, 100)));
    m_board->onRateChange(2.0); // the line lies at y 200 in the image
    m_board->onEraserPushButtonClicked();
    press(QPoint(300, 100));
    m_now += 60;
    move(QPoint(300, 150)); // this step touches nothing
    QVERIFY(m_sent.isEmpty());
    m_now += 60;
    move(QPoint(300, 250)); // this one runs on from where the last ended, across the line
    release(QPoint(300, 250));
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getPointSetId(), 30u);
}

void TestDrawBoard::receivedStepsShownThenKept()
{
    DrawSignal step = record(DrawSignal::Irregular, 8, 1, QPoint(20, 20), QPoint(60, 20));
    step.addPoint(QPoint(40, 20));
    m_board->drawGraphIn(step);
    QCOMPARE(m_layer->count(), 0); // in progress: only shown
    QVERIFY(inked(m_board->image(), QPoint(50, 20)));
    DrawSignal last = record(DrawSignal::Irregular, 8, 0, QPoint(20, 20), QPoint(100, 20));
    last.addPoint(QPoint(80, 20));
    m_board->drawGraphIn(last);
    PointSet *kept = onlyShape();
    QVERIFY(kept);
    QCOMPARE(kept->getPointSetId(), 8u);
    QCOMPARE(
        kept->getPoints(), (QList<QPointF> { QPointF(40, 20), QPointF(60, 20), QPointF(80, 20), QPointF(100, 20) }));
    QVERIFY(inked(m_board->image(), QPoint(90, 20)));
    QVERIFY(m_sent.isEmpty()); // received records are not sent back
}

void TestDrawBoard::receivedNewShapeDropsUnfinished()
{
    DrawSignal first = record(DrawSignal::Irregular, 8, 1, QPoint(20, 20), QPoint(60, 20));
    first.addPoint(QPoint(40, 20));
    m_board->drawGraphIn(first);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the pre graph does not end! recvPointId: \\d+ dsId: 10$"));
    m_board->drawGraphIn(record(DrawSignal::Line, 10, 1, QPoint(20, 150), QPoint(200, 150)));
    m_board->drawGraphIn(record(DrawSignal::Line, 10, 0, QPoint(20, 150), QPoint(200, 150)));
    PointSet *kept = onlyShape();
    QVERIFY(kept);
    QCOMPARE(kept->getPointSetId(), 10u);
    QCOMPARE(kept->pointCount(), 0);
    QVERIFY(!inked(m_board->image(), QPoint(50, 20))); // the unfinished stroke is gone
    QVERIFY(inked(m_board->image(), QPoint(100, 150)));
}

void TestDrawBoard::receivedRecordsByKind()
{
    m_board->drawGraphIn(record(DrawSignal::Line, 30, 0));
    QCOMPARE(m_layer->count(), 1);

    QTest::ignoreMessage(QtWarningMsg, "the dsType None error! ");
    m_board->drawGraphIn(record(DrawSignal::None, 30, 0));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(QString("the undo fail! gsid: %1 dsid: 77").arg(m_layer->getId())));
    m_board->drawGraphIn(record(DrawSignal::Undo, 77, 0));
    QTest::ignoreMessage(QtWarningMsg, "the erase fail! dsid: 77");
    m_board->drawGraphIn(record(DrawSignal::Eraser, 77, 0));
    QTest::ignoreMessage(QtWarningMsg, "the dsType unknown error! dsType: 12");
    m_board->drawGraphIn(record(12, 30, 0));
    QCOMPARE(m_layer->count(), 1);
    QVERIFY(inked(m_board->image(), QPoint(100, 100)));

    m_board->drawGraphIn(record(DrawSignal::Eraser, 30, 0));
    QCOMPARE(m_layer->count(), 0);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100)));
    m_board->drawGraphIn(record(DrawSignal::Line, 32, 0));
    m_board->drawGraphIn(record(DrawSignal::Undo, 32, 0));
    QCOMPARE(m_layer->count(), 0);
    m_board->drawGraphIn(record(DrawSignal::Line, 34, 0));
    m_board->drawGraphIn(record(DrawSignal::Line, 36, 0, QPoint(0, 5), QPoint(50, 5)));
    m_board->drawGraphIn(record(DrawSignal::Clear, 0, 0));
    QCOMPARE(m_layer->count(), 0);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100)));
    QVERIFY(m_sent.isEmpty());
}

void TestDrawBoard::receivedLaserIsNotKept()
{
    m_board->drawGraphIn(record(DrawSignal::Laser, 50, 1, QPoint(0, 0), QPoint(120, 120)));
    QVERIFY(inked(m_board->image(), QPoint(120, 120)));
    m_board->drawGraphIn(record(DrawSignal::Laser, 50, 1, QPoint(0, 0), QPoint(300, 200)));
    QVERIFY(!inked(m_board->image(), QPoint(120, 120)));
    QVERIFY(inked(m_board->image(), QPoint(300, 200)));
    m_board->drawGraphIn(record(DrawSignal::Laser, 50, 0, QPoint(0, 0), QPoint(300, 200)));
    QCOMPARE(m_layer->count(), 0);
}

void TestDrawBoard::receivedWidthIsBounded()
{
    DrawSignal wide = record(DrawSignal::Line, 30, 0);
    wide.setPenWidth(50000);
    m_board->drawGraphIn(wide);
    PointSet *kept = onlyShape();
    QVERIFY(kept);
    QCOMPARE(kept->getPenWidth(), PointSet::maxReceivedPenWidth);
}

void TestDrawBoard::toolNonePassesTheMouseOn()
{
    m_beneath->setGeometry(100, 50, 200, 200);
    m_board->onNonePushButtonClicked();
    press(QPoint(120, 80));
    release(QPoint(120, 80));
    QTRY_COMPARE(m_beneath->events.size(), 2);
    QCOMPARE(m_beneath->events.at(0), qMakePair(QEvent::MouseButtonPress, QPoint(20, 30)));
    QCOMPARE(m_beneath->events.at(1), qMakePair(QEvent::MouseButtonRelease, QPoint(20, 30)));
    QVERIFY(!m_board->testAttribute(Qt::WA_TransparentForMouseEvents));

    // A drawing tool keeps the mouse to itself.
    m_board->onLinePushButtonClicked();
    press(QPoint(120, 80));
    release(QPoint(120, 80));
    QCoreApplication::processEvents();
    QCOMPARE(m_beneath->events.size(), 2);
    QVERIFY(m_sent.isEmpty());
}

void TestDrawBoard::widthFactor()
{
    QCOMPARE(m_board->widthFactor(), 1.0f);
    QCOMPARE(m_board->penWidth(), 2);
    m_board->setDefaultSize(QSize(2000, 1500));
    QCOMPARE(m_board->widthFactor(), 4.0f);
    QCOMPARE(m_board->penWidth(), 8);
    m_board->onLinePushButtonClicked();
    stroke({ QPoint(20, 100), QPoint(200, 100) });
    QCOMPARE(m_sent.last().getPenWidth(), 8u);
    m_board->onLineWidthChange(3);
    QCOMPARE(m_board->penWidth(), 12);
    m_board->setDefaultSize(QSize(937, 1250));
    QCOMPARE(m_board->penWidth(), 8); // 3 x 2.5 rounded
}

void TestDrawBoard::scaleMapsPositions()
{
    m_board->drawGraphIn(record(DrawSignal::Line, 30, 0, QPoint(10, 10), QPoint(100, 10)));
    m_board->onRateChange(2.0);
    QCOMPARE(m_board->image().size(), QSize(4000, 3000));
    QVERIFY(inked(m_board->image(), QPoint(150, 20))); // the layer is redrawn at the new scale
    m_board->onLinePushButtonClicked();
    stroke({ QPoint(100, 100), QPoint(200, 100) });
    QCOMPARE(m_sent.last().getStartPoint(), QPoint(50, 50));
    QCOMPARE(m_sent.last().getEndPoint(), QPoint(100, 50));

    QTest::ignoreMessage(QtWarningMsg, "the rate error! rate: 0");
    m_board->onRateChange(0.0);
    QCOMPARE(m_board->scale(), 2.0);
}

void TestDrawBoard::colourChange()
{
    m_board->onColorChange("#3894E4");
    QCOMPARE(m_board->penColor(), QColor(0x38, 0x94, 0xE4, 128));
    m_board->onColorChange("no colour");
    QCOMPARE(m_board->penColor(), QColor(0x38, 0x94, 0xE4, 128));
}

void TestDrawBoard::setGraphSetCompacts()
{
    auto *stored = new GraphSet;
    auto *line = new PointSet(record(DrawSignal::Line, 101, 0, QPoint(20, 100), QPoint(200, 100)));
    stored->addPointSet(line);
    stored->addPointSet(new PointSet(record(DrawSignal::Laser, 103, 1)));
    stored->addPointSet(new PointSet(record(DrawSignal::Undo, 105, 0)));
    m_board->setGraphSet(stored);
    QCOMPARE(m_board->graphSet(), stored);
    QCOMPARE(stored->count(), 1);
    QVERIFY(inked(m_board->image(), QPoint(100, 100)));
    m_board->onLinePushButtonClicked();
    stroke({ QPoint(20, 200), QPoint(200, 200) });
    QCOMPARE(m_sent.last().getPointSetId(), 2u); // numbered by the layer on the board
    QCOMPARE(stored->count(), 2);
    m_board->setGraphSet(m_layer);
    QVERIFY(!inked(m_board->image(), QPoint(100, 100)));
    delete stored;
}

void TestDrawBoard::releaseAtOriginKeepsTakingPresses()
{
    m_board->drawGraphIn(record(DrawSignal::Line, 30, 0));
    m_board->onEraserPushButtonClicked();
    // A release whose stroke starts at (0, 0) draws nothing ...
    sendMouse(QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(m_sent.isEmpty());
    // ... and lets go of the button: the next press erases.
    press(QPoint(100, 100));
    release(QPoint(100, 100));
    QCOMPARE(m_sent.size(), 1);
    QCOMPARE(m_sent.first().getShapeType(), DrawSignal::Eraser);
    QCOMPARE(m_layer->count(), 0);
}

QTEST_MAIN(TestDrawBoard)
#include "tst_drawboard.moc"
