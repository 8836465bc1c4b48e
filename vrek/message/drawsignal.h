#ifndef DRAWSIGNAL_H
#define DRAWSIGNAL_H

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QPoint>
#include <QPointF>
#include <QString>

class PointSet;

// One step of one whiteboard shape as it travels: points and colours are packed into unsigned numbers.
// Copying is a plain copy; gathering the points of several steps into one record is mergeFrom.
class DrawSignal
{
public:
    enum DSType : quint32 {
        None = 0,
        Irregular = 1, // free hand
        Line = 2,
        Rectangle = 3,
        Ellipse = 4,
        Laser = 5,
        Text = 6,
        Undo = 7,
        Clear = 8,
        Eraser = 9,
    };

    static constexpr quint32 defaultPointBase = 10000;
    static constexpr quint32 defaultColorBase = 256;

    DrawSignal();
    explicit DrawSignal(const PointSet &pointSet);
    virtual ~DrawSignal();
    DrawSignal(const DrawSignal &) = default;
    DrawSignal &operator=(const DrawSignal &) = default;

    // Takes every field of the other step but the bases, and appends its points to this record's points.
    void mergeFrom(const DrawSignal &other);

    quint32 getPointSetId() const { return m_pointSetId; }
    void setPointSetId(quint32 id) { m_pointSetId = id; }
    QPoint getStartPoint() const { return m_startPoint; }
    void setStartPoint(const QPoint &point) { m_startPoint = point; }
    QPoint getEndPoint() const { return m_endPoint; }
    void setEndPoint(const QPoint &point) { m_endPoint = point; }
    QString getText() const { return m_text; }
    void setText(const QString &text) { m_text = text; }
    QColor getPenColor() const { return m_penColor; }
    void setPenColor(const QColor &color) { m_penColor = color; }
    quint32 getPenWidth() const { return m_penWidth; }
    void setPenWidth(quint32 width) { m_penWidth = width; }
    DSType getShapeType() const { return m_shapeType; }
    void setShapeType(DSType type) { m_shapeType = type; }
    quint32 getIsTemp() const { return m_isTemp; }
    void setIsTemp(quint32 isTemp) { m_isTemp = isTemp; }
    quint32 getPointBase() const { return m_pointBase; }
    // Refuses a base that cannot pack a point into 32 bits (0 or above 65535).
    bool setPointBase(quint32 base);
    quint32 getColorBase() const { return m_colorBase; }
    // Only 256 both holds a colour channel and packs four of them into 32 bits; any other base is refused.
    bool setColorBase(quint32 base);
    QList<quint32> getPointList() const { return m_pointList; }
    void setPointList(const QList<quint32> &points) { m_pointList = points; }

    // The shape type as a number 0-9; any other stored value logs and gives 0.
    quint32 getShapeTypeUInt() const;
    // Takes 0-9 and leaves the shape type unchanged for any other number.
    void setShapeTypeUInt(quint32 type);

    // (x + base/2) * base + (y + base/2); a coordinate outside -base/2 .. base/2 - 1 is clamped to that range.
    quint32 pointToUInt(const QPoint &point) const;
    QPointF uintToPointF(quint32 value) const;
    QPoint uintToPoint(quint32 value) const;

    quint32 getStartPointUInt() const { return pointToUInt(m_startPoint); }
    quint32 getEndPointUInt() const { return pointToUInt(m_endPoint); }
    void setStartPointUInt(quint32 value) { m_startPoint = uintToPoint(value); }
    void setEndPointUInt(quint32 value) { m_endPoint = uintToPoint(value); }

    // ((a * base + r) * base + g) * base + b: 0xAARRGGBB with the default base.
    quint32 getPenColorUInt() const;
    void setPenColorUInt(quint32 value);

    void addPoint(const QPoint &point) { m_pointList.append(pointToUInt(point)); }
    void addPointUInt(quint32 value) { m_pointList.append(value); }
    void clearPointList() { m_pointList.clear(); }
    bool isPointListEmpty() const { return m_pointList.isEmpty(); }

private:
    quint32 m_pointSetId = 0;
    QPoint m_startPoint;
    QPoint m_endPoint;
    QString m_text;
    QColor m_penColor;
    quint32 m_penWidth = 5;
    DSType m_shapeType = None;
    quint32 m_isTemp = 0;
    quint32 m_pointBase = defaultPointBase;
    quint32 m_colorBase = defaultColorBase;
    QList<quint32> m_pointList;
};

Q_DECLARE_METATYPE(DrawSignal)

#endif // DRAWSIGNAL_H
