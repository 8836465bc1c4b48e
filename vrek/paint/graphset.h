#ifndef GRAPHSET_H
#define GRAPHSET_H

#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPoint>
#include <QPointF>
#include <QString>

class PointSet;
class QImage;

// One drawing layer: the shapes of a courseware page or of the board, in drawing order. The layer owns its
// shapes. Records of one shape arriving in several steps are merged into one shape by their point-set id.
class GraphSet
{
public:
    // Drawing order: by the whole 64-bit id, so older shapes first and, within a millisecond, the smaller
    // point-set id first.
    using PointSets = QMap<quint64, PointSet *>;

    GraphSet();
    virtual ~GraphSet();

    GraphSet(const GraphSet &) = delete;
    GraphSet &operator=(const GraphSet &) = delete;

    quint32 getId() const { return m_id; }
    // The next id of a local shape: point-set numbers 2, 4, 6 ... under the current milliseconds.
    quint64 nextPointSetId();

    // Takes the shape; a shape of a point-set id the layer holds is merged into the held one.
    void addPointSet(PointSet *pointSet);
    // The point-set id of the removed shape, 0 when there was none.
    quint32 removePointSet(quint32 pointSetId);
    quint32 removeLastPointSet();
    // Removes every shape the eraser stroke touches (image coordinates); their point-set ids in drawing order.
    QList<quint32> erasePointSets(const QPoint &from, const QPoint &to);
    // The text shape under a point (image coordinates): its point-set id, text and start point.
    quint32 findTextPointSet(const QPoint &at, quint32 &id, QString &text, QPointF &start);
    void drawAll(QImage *image, double scale);
    // Applies the undo, eraser and clear shapes stored while the layer was not shown, and drops lasers.
    void compact();
    void clear();
    int count() const;

    // For a caller that walks the shapes itself.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    const PointSets &getPointSets() const { return m_order; }

private:
    void take(PointSet *pointSet);

    const quint32 m_id;
    quint32 m_nextPointSetNumber = 2;
    mutable QMutex m_mutex;
    PointSets m_order;
    QHash<quint32, PointSet *> m_index;
};

#endif // GRAPHSET_H
