#ifndef POINTSET_H
#define POINTSET_H

#include <QColor>
#include <QList>
#include <QMutex>
#include <QPainterPath>
#include <QPointF>
#include <QString>

class DrawSignal;
class QFont;
class QImage;

// One whiteboard shape: its id, pen, kind, end points, text and the points of a freehand stroke. The points are
// guarded by the shape's own lock, since the board draws a shape while new points of it arrive.
class PointSet
{
public:
    // The largest pen width a received record may give a shape; the board's own widths stay far below it.
    static constexpr quint32 maxReceivedPenWidth = 100;

    PointSet() = default;
    // A shape from a record: its fields and decoded points, an id made now from the record's point-set id.
    explicit PointSet(const DrawSignal &drawSignal);
    virtual ~PointSet();

    PointSet(const PointSet &) = delete;
    PointSet &operator=(const PointSet &) = delete;

    // The font of text shapes and of the text box for a pen width at a scale.
    static QFont textFont(quint32 penWidth, double scale);
    // The low 32 bits of the milliseconds since the epoch, above a point-set id.
    static quint64 makeId(quint32 pointSetId);

    void drawImage(QImage *image, double scale);

    // Low 32 bits: the point-set id of the drawing records; high 32 bits: when the id was made here.
    quint64 getId() const { return m_id; }
    void setId(quint64 id) { m_id = id; }
    quint32 getPointSetId() const { return quint32(m_id & 0xFFFFFFFFu); }
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
    QPainterPath getPath() const { return m_path; }

    void addPoint(const QPointF &point);
    // A copy taken under the lock.
    QList<QPointF> getPoints() const;
    int pointCount() const;
    void clearPoints();
    // 0 forgets the path, so that the next drawing builds it afresh.
    void setPathPointCount(quint32 count);

    // Takes the record's fields and appends its points; the id stays.
    void setFromDrawSignal(const DrawSignal &drawSignal);
    // Takes the other shape's id and fields and appends its points.
    void mergeFrom(const PointSet &other);

private:
    void takeRecord(const DrawSignal &drawSignal);
    void drawIrregular(QImage *image, double scale);
    void drawText(QImage *image, double scale);

    mutable QMutex m_pointsMutex;
    quint64 m_id = 0;
    QColor m_penColor;
    quint32 m_penWidth = 0;
    quint32 m_shapeType = 0;
    QPointF m_startPoint;
    QPointF m_endPoint;
    QString m_text;
    QList<QPointF> m_points;
    quint32 m_pathPointCount = 0;
    QPainterPath m_path;
};

#endif // POINTSET_H
