// Redrawing a whiteboard layer: GraphSet::drawAll of many freehand strokes beside QPainter::drawPolyline of the
// same points with the same pen into the same image. See bench/README.md.
#include "vrek/message/drawsignal.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>

namespace {
const QSize boardSize(2000, 1500);

// A wandering stroke inside the board, the same for every run.
QList<QPolygonF> makeStrokes(int strokes, int points)
{
    QRandomGenerator random(25);
    QList<QPolygonF> result;
    for (int s = 0; s < strokes; ++s) {
        QPolygonF stroke;
        QPointF at(random.bounded(boardSize.width()), random.bounded(boardSize.height()));
        for (int p = 0; p < points; ++p) {
            at += QPointF(random.bounded(11) - 5, random.bounded(11) - 5);
            at.setX(qBound(0.0, at.x(), qreal(boardSize.width() - 1)));
            at.setY(qBound(0.0, at.y(), qreal(boardSize.height() - 1)));
            stroke.append(at);
        }
        result.append(stroke);
    }
    return result;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

template<typename Draw>
double millisecondsPerRedraw(QImage &image, int rounds, Draw draw)
{
    QList<double> times;
    for (int round = 0; round < rounds; ++round) {
        image.fill(Qt::transparent);
        QElapsedTimer timer;
        timer.start();
        draw();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ "strokes", "Freehand strokes in the layer.", "n", "2000" });
    parser.addOption({ "points", "Points per stroke.", "n", "200" });
    parser.addOption({ "rounds", "Redraws per figure (the median is shown).", "n", "7" });
    parser.addOption({ "width", "Pen width in board units.", "n", "8" });
    parser.process(application);
    const int strokes = parser.value("strokes").toInt();
    const int points = parser.value("points").toInt();
    const int rounds = qMax(1, parser.value("rounds").toInt());
    const quint32 width = parser.value("width").toUInt();
    qSetMessagePattern("%{if-warning}%{message}%{endif}%{if-critical}%{message}%{endif}");

    const QList<QPolygonF> shapes = makeStrokes(strokes, points);
    GraphSet layer;
    const QColor color(251, 56, 56, 128);
    for (int i = 0; i < shapes.size(); ++i) {
        auto *pointSet = new PointSet;
        pointSet->setId((quint64(1) << 32) | quint32(2 * i + 2));
        pointSet->setShapeType(DrawSignal::Irregular);
        pointSet->setPenColor(color);
        pointSet->setPenWidth(width);
        pointSet->setStartPoint(shapes.at(i).first());
        pointSet->setEndPoint(shapes.at(i).last());
        for (const QPointF &point : shapes.at(i))
            pointSet->addPoint(point);
        layer.addPointSet(pointSet);
    }

    QTextStream out(stdout);
    out << "strokes " << strokes << " x " << points << " points, pen width " << width << ", median of " << rounds
        << " redraws\n";
    out << "scale  image        drawAll ms  drawPolyline ms  ratio\n";
    for (const double scale : { 1.0, 2.0 }) {
        QImage image(int(boardSize.width() * scale), int(boardSize.height() * scale), QImage::Format_ARGB32);
        const double board = millisecondsPerRedraw(image, rounds, [&] { layer.drawAll(&image, scale); });
        const double polyline = millisecondsPerRedraw(image, rounds, [&] {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QBrush(color), int(width * scale), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const QPolygonF &shape : shapes) {
                QPolygonF scaled;
                scaled.reserve(shape.size());
                for (const QPointF &point : shape)
                    scaled.append(point * scale);
                painter.drawPolyline(scaled);
            }
        });
        out << QString("%1    %2x%3   %4        %5             %6\n")
                   .arg(scale, 0, 'f', 1)
                   .arg(image.width())
                   .arg(image.height())
                   .arg(board, 8, 'f', 1)
                   .arg(polyline, 8, 'f', 1)
                   .arg(board / polyline, 0, 'f', 2);
        out.flush();
    }
    return 0;
}
