#ifndef POINTSET_H
#define POINTSET_H

#include <QColor>
#include <QList>
#include <QMutex>
#include <QPointF>
#include <QString>

// One whiteboard shape: its id, pen, kind, end points, text and the points of a freehand stroke. The points are
// guarded by the shape's own lock, since the board draws a shape while new points of it arrive.
class PointSet
{
public:
    PointSet() = default;
    virtual ~PointSet();

    PointSet(const PointSet &) = delete;
    PointSet &operator=(const PointSet &) = delete;

    // Low 32 bits: the point-set id of the drawing records; high 32 bits: when the id was made here.
    quint64 getId() const { return m_id; }
    void setId(quint64 id) { m_id = id; }
    QColor getPenColor() const { return m_penColor; }
    void setPenColor(const QColor &color) { m_penColor = color; }
    quint32 getPenWidth() const { return m_penWidth; }
    void setPenWidth(quint32 width) { m_penWidth = width; }
    quint32 getShapeType() const { return m_shapeType; }
    void setShapeType(quint32 type) { m_shapeType = type; }
    QPointF getStartPoint() const { return m_startPoint; }
    void setStartPoint(const QPointF &point) { m_startPoint = point; }
    QPointF getEndPoint() const { return m_endPoint; }
    void setEndPoint(const QPointF &point) { m_endPoint = point; }
    QString getText() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

    void addPoint(const QPointF &point);
    // A copy taken under the lock.
    QList<QPointF> getPoints() const;
    int pointCount() const;

private:
    mutable QMutex m_pointsMutex;
    quint64 m_id = 0;
    QColor m_penColor;
    quint32 m_penWidth = 0;
    quint32 m_shapeType = 0;
    QPointF m_startPoint;
    QPointF m_endPoint;
    QString m_text;
    QList<QPointF> m_points;
};

#endif // POINTSET_H
