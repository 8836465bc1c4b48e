#include "vrek/paint/pointset.h"

#include "vrek/message/drawsignal.h"

#include <QDateTime>
#include <QDebug>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QMutexLocker>
#include <QPainter>
#include <QPen>

namespace {
const char *const textFontFamily = "微软雅黑";

QPen shapePen(const QColor &color, int width)
{
    return QPen(QBrush(color), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
} // namespace

PointSet::PointSet(const DrawSignal &drawSignal)
{
    takeRecord(drawSignal);
    m_id = makeId(drawSignal.getPointSetId());
    m_path = QPainterPath();
}

PointSet::~PointSet() = default;

QFont PointSet::textFont(quint32 penWidth, double scale)
{
    QFont font(textFontFamily);
    const quint32 width = qMin(penWidth, maxReceivedPenWidth);
    font.setPixelSize(qMax(1, int((width * 8 + 8) * scale)));
    return font;
}

quint64 PointSet::makeId(quint32 pointSetId)
{
    const quint64 now = quint64(QDateTime::currentMSecsSinceEpoch()) & 0xFFFFFFFFu;
    return (now << 32) | pointSetId;
}

void PointSet::addPoint(const QPointF &point)
{
    QMutexLocker locker(&m_pointsMutex);
    m_points.append(point);
}

QList<QPointF> PointSet::getPoints() const
{
    QMutexLocker locker(&m_pointsMutex);
    return m_points;
}

int PointSet::pointCount() const
{
    QMutexLocker locker(&m_pointsMutex);
    return m_points.size();
}

void PointSet::clearPoints()
{
    m_path = QPainterPath();
    m_pathPointCount = 0;
    QMutexLocker locker(&m_pointsMutex);
    m_points.clear();
}

void PointSet::setPathPointCount(quint32 count)
{
    if (count == 0)
        m_path = QPainterPath();
    m_pathPointCount = count;
}

void PointSet::takeRecord(const DrawSignal &drawSignal)
{
    m_penColor = drawSignal.getPenColor();
    // Anyone in the lesson can send a record: an absurd width would ask for a pen or font of any size.
    m_penWidth = qMin(drawSignal.getPenWidth(), maxReceivedPenWidth);
    m_shapeType = quint32(drawSignal.getShapeType());
    m_text = drawSignal.getText();
    m_startPoint = QPointF(drawSignal.getStartPoint());
    m_endPoint = QPointF(drawSignal.getEndPoint());
    const QList<quint32> packed = drawSignal.getPointList();
    QMutexLocker locker(&m_pointsMutex);
    m_points.reserve(m_points.size() + packed.size());
    for (quint32 value : packed)
        m_points.append(drawSignal.uintToPointF(value));
}

void PointSet::setFromDrawSignal(const DrawSignal &drawSignal)
{
    takeRecord(drawSignal);
}

void PointSet::mergeFrom(const PointSet &other)
{
    if (&other == this)
        return;
    m_id = other.m_id;
    m_penColor = other.m_penColor;
    m_penWidth = other.m_penWidth;
    m_shapeType = other.m_shapeType;
    m_text = other.m_text;
    m_startPoint = other.m_startPoint;
    m_endPoint = other.m_endPoint;
    // Source before destination, the one order every merge takes.
    QMutexLocker source(&other.m_pointsMutex);
    for (const QPointF &point : other.m_points) {
        QMutexLocker destination(&m_pointsMutex);
        m_points.append(point);
    }
}

void PointSet::drawImage(QImage *image, double scale)
{
    if (!image || image->isNull())
        return;
    switch (m_shapeType) {
    case DrawSignal::Irregular:
        drawIrregular(image, scale);
        return;
    case DrawSignal::Line: {
        m_path = QPainterPath();
        m_path.moveTo(m_startPoint * scale);
        m_path.lineTo(m_endPoint * scale);
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(shapePen(m_penColor, int(m_penWidth * scale)));
        painter.drawPath(m_path);
        return;
    }
    case DrawSignal::Rectangle:
    case DrawSignal::Ellipse: {
        m_path = QPainterPath();
        const int x0 = int(m_startPoint.x() * scale);
        const int y0 = int(m_startPoint.y() * scale);
        const int w = int(m_endPoint.x() * scale - x0);
        const int h = int(m_endPoint.y() * scale - y0);
        if (m_shapeType == DrawSignal::Rectangle)
            m_path.addRect(x0, y0, w, h);
        else
            m_path.addEllipse(x0, y0, w, h);
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(shapePen(m_penColor, int(m_penWidth * scale)));
        painter.setBrush(QBrush(Qt::transparent, Qt::SolidPattern));
        painter.drawPath(m_path);
        return;
    }
    case DrawSignal::Laser: {
        m_path = QPainterPath();
        const int cx = int(m_endPoint.x() * scale);
        const int cy = int(m_endPoint.y() * scale);
        m_path.addEllipse(cx, cy, 15, 15);
        QColor color(Qt::red);
        color.setAlpha(150);
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(shapePen(color, 1));
        painter.setBrush(QBrush(color, Qt::SolidPattern));
        painter.drawEllipse(QPoint(cx, cy), 8, 8);
        return;
    }
    case DrawSignal::Text:
        drawText(image, scale);
        return;
    default:
        qWarning() << "PointSet::drawImage the shapeType error! shape:" << m_shapeType;
        return;
    }
}

void PointSet::drawIrregular(QImage *image, double scale)
{
    {
        QMutexLocker locker(&m_pointsMutex);
        // Only a point that moves the stroke on: the end point is usually stored already, and redrawing must
        // not grow the stroke (its points travel in every replay).
        if (m_points.isEmpty() || m_points.last() != m_endPoint)
            m_points.append(m_endPoint);
        if (m_pathPointCount == 0)
            m_path.moveTo(m_startPoint * scale);
        for (int i = int(m_pathPointCount); i < m_points.size(); ++i) {
            m_path.lineTo(m_points.at(i) * scale);
            ++m_pathPointCount;
        }
    }
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(shapePen(m_penColor, int(m_penWidth * scale)));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(m_path);
}

void PointSet::drawText(QImage *image, double scale)
{
    m_path = QPainterPath();
    const QFont font = textFont(m_penWidth, scale);
    const QFontMetrics metrics(font);
    const int x = int(m_startPoint.x() * scale);
    int y = int(metrics.ascent() + m_startPoint.y() * scale);
    const QStringList lines = m_text.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        m_path.addText(x, y, font, line);
        y += metrics.lineSpacing();
    }
    QColor color = m_penColor;
    color.setAlpha(255);
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(shapePen(color, 0));
    painter.setBrush(QBrush(color, Qt::SolidPattern));
    painter.drawPath(m_path);
}
