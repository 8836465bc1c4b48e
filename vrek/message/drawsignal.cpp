#include "vrek/message/drawsignal.h"

#include "vrek/paint/pointset.h"

#include <QDebug>
#include <QtGlobal>

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<DrawSignal>("DrawSignal");

constexpr quint32 maxPointBase = 65535;

// Board points are reals; anything beyond the packable range is clamped later, so only keep the rounding sane.
QPoint roundPoint(const QPointF &point)
{
    const auto coordinate = [](qreal value) {
        if (qIsNaN(value))
            return 0;
        return qRound(qBound(qreal(-1000000), value, qreal(1000000)));
    };
    return QPoint(coordinate(point.x()), coordinate(point.y()));
}
} // namespace

DrawSignal::DrawSignal()
    : m_startPoint(1, 1)
    , m_endPoint(1, 1)
    , m_text(QStringLiteral("0"))
    , m_penColor(Qt::red)
{ }

DrawSignal::DrawSignal(const PointSet &pointSet)
    : DrawSignal()
{
    m_pointSetId = quint32(pointSet.getId() & 0xFFFFFFFFu);
    m_startPoint = roundPoint(pointSet.getStartPoint());
    m_endPoint = roundPoint(pointSet.getEndPoint());
    m_penColor = pointSet.getPenColor();
    m_text = pointSet.getText().isEmpty() ? QStringLiteral("0") : pointSet.getText();
    m_penWidth = pointSet.getPenWidth();
    m_shapeType = DSType(pointSet.getShapeType());
    m_isTemp = 0;
    const QList<QPointF> points = pointSet.getPoints();
    m_pointList.reserve(points.size());
    for (const QPointF &point : points)
        addPoint(roundPoint(point));
}

DrawSignal::~DrawSignal() = default;

void DrawSignal::mergeFrom(const DrawSignal &other)
{
    m_pointSetId = other.m_pointSetId;
    m_startPoint = other.m_startPoint;
    m_endPoint = other.m_endPoint;
    m_penColor = other.m_penColor;
    m_penWidth = other.m_penWidth;
    m_shapeType = other.m_shapeType;
    m_text = other.m_text;
    m_isTemp = other.m_isTemp;
    m_pointList.append(other.m_pointList);
}

bool DrawSignal::setPointBase(quint32 base)
{
    if (base == 0 || base > maxPointBase) {
        qWarning() << "the pointBase error! pointBase:" << base;
        return false;
    }
    m_pointBase = base;
    return true;
}

bool DrawSignal::setColorBase(quint32 base)
{
    if (base != defaultColorBase) {
        qWarning() << "the colorBase error! colorBase:" << base;
        return false;
    }
    m_colorBase = base;
    return true;
}

quint32 DrawSignal::getShapeTypeUInt() const
{
    const quint32 type = quint32(m_shapeType);
    if (type > quint32(Eraser)) {
        qWarning() << "the shape type error! shape:" << type;
        return 0;
    }
    return type;
}

void DrawSignal::setShapeTypeUInt(quint32 type)
{
    if (type <= quint32(Eraser))
        m_shapeType = DSType(type);
}

quint32 DrawSignal::pointToUInt(const QPoint &point) const
{
    // Clamped, so that a point off the board never wraps into the other coordinate.
    const qint64 half = m_pointBase / 2;
    const qint64 low = -half;
    const qint64 high = qint64(m_pointBase) - 1 - half;
    const qint64 x = qBound(low, qint64(point.x()), high) + half;
    const qint64 y = qBound(low, qint64(point.y()), high) + half;
    return quint32(x * m_pointBase + y);
}

QPointF DrawSignal::uintToPointF(quint32 value) const
{
    const double half = double(m_pointBase / 2);
    return QPointF(double(value / m_pointBase) - half, double(value % m_pointBase) - half);
}

QPoint DrawSignal::uintToPoint(quint32 value) const
{
    return uintToPointF(value).toPoint();
}

quint32 DrawSignal::getPenColorUInt() const
{
    const quint64 base = m_colorBase;
    const quint64 value
        = ((quint64(m_penColor.alpha()) * base + quint64(m_penColor.red())) * base + quint64(m_penColor.green())) * base
        + quint64(m_penColor.blue());
    return quint32(value);
}

void DrawSignal::setPenColorUInt(quint32 value)
{
    const quint32 base = m_colorBase;
    const int blue = int(value % base);
    const int green = int(value / base % base);
    const int red = int(value / base / base % base);
    const int alpha = int(value / base / base / base % base);
    m_penColor = QColor(red, green, blue, alpha);
}
