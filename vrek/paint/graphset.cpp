#include "vrek/paint/graphset.h"

#include "vrek/message/drawsignal.h"
#include "vrek/paint/pointset.h"

#include <QDateTime>
#include <QImage>
#include <QMutexLocker>
#include <QPainterPath>
#include <QSet>

#include <atomic>

namespace {
// Layer ids are never reused within a run, so a page's layer id names one layer only.
std::atomic<quint32> s_nextGraphSetId { 1 };

QPainterPath probeCircle(const QPoint &at)
{
    QPainterPath path;
    path.addEllipse(at.x() - 6, at.y() - 6, 12, 12);
    return path;
}
} // namespace

GraphSet::GraphSet()
    : m_id(s_nextGraphSetId++)
{ }

GraphSet::~GraphSet()
{
    clear();
}

quint64 GraphSet::nextPointSetId()
{
    QMutexLocker locker(&m_mutex);
    const quint64 id = PointSet::makeId(m_nextPointSetNumber);
    m_nextPointSetNumber += 2;
    return id;
}

void GraphSet::addPointSet(PointSet *pointSet)
{
    if (!pointSet)
        return;
    QMutexLocker locker(&m_mutex);
    PointSet *held = m_index.value(pointSet->getPointSetId(), nullptr);
    if (!held) {
        m_index.insert(pointSet->getPointSetId(), pointSet);
        m_order.insert(pointSet->getId(), pointSet);
        return;
    }
    if (held == pointSet)
        return;
    // The held shape takes the newer id, and with it a new place in the order.
    m_order.remove(held->getId());
    held->mergeFrom(*pointSet);
    m_order.insert(held->getId(), held);
    delete pointSet;
}

void GraphSet::take(PointSet *pointSet)
{
    m_order.remove(pointSet->getId());
    m_index.remove(pointSet->getPointSetId());
    delete pointSet;
}

quint32 GraphSet::removePointSet(quint32 pointSetId)
{
    QMutexLocker locker(&m_mutex);
    PointSet *held = m_index.value(pointSetId, nullptr);
    if (!held)
        return 0;
    take(held);
    return pointSetId;
}

quint32 GraphSet::removeLastPointSet()
{
    QMutexLocker locker(&m_mutex);
    if (m_order.isEmpty())
        return 0;
    PointSet *last = m_order.last();
    const quint32 pointSetId = last->getPointSetId();
    take(last);
    return pointSetId;
}

QList<quint32> GraphSet::erasePointSets(const QPoint &from, const QPoint &to)
{
    QPainterPath eraser = probeCircle(from);
    eraser.moveTo(from);
    eraser.lineTo(to);
    QList<quint32> removed;
    QMutexLocker locker(&m_mutex);
    for (auto it = m_order.begin(); it != m_order.end();) {
        PointSet *pointSet = it.value();
        const QPainterPath path = pointSet->getPath();
        // An eraser wholly inside a closed shape leaves it: only crossing the outline removes it.
        if (path.intersects(eraser) && !path.contains(eraser)) {
            removed.append(pointSet->getPointSetId());
            m_index.remove(pointSet->getPointSetId());
            it = m_order.erase(it);
            delete pointSet;
        } else {
            ++it;
        }
    }
    return removed;
}

quint32 GraphSet::findTextPointSet(const QPoint &at, quint32 &id, QString &text, QPointF &start)
{
    const QPainterPath probe = probeCircle(at);
    QMutexLocker locker(&m_mutex);
    for (PointSet *pointSet : qAsConst(m_order)) {
        if (pointSet->getShapeType() != DrawSignal::Text)
            continue;
        const QPainterPath path = pointSet->getPath();
        if (path.intersects(probe) && !path.contains(probe)) {
            id = pointSet->getPointSetId();
            text = pointSet->getText();
            start = pointSet->getStartPoint();
            break;
        }
    }
    return id;
}

void GraphSet::drawAll(QImage *image, double scale)
{
    QMutexLocker locker(&m_mutex);
    for (PointSet *pointSet : qAsConst(m_order)) {
        pointSet->setPathPointCount(0);
        pointSet->drawImage(image, scale);
    }
}

void GraphSet::compact()
{
    QSet<quint64> doomed;
    {
        QMutexLocker locker(&m_mutex);
        for (auto it = m_order.begin(); it != m_order.end();) {
            PointSet *pointSet = it.value();
            const quint32 kind = pointSet->getShapeType();
            if (kind == DrawSignal::Undo || kind == DrawSignal::Eraser) {
                // Merging by point-set id has already turned the named shape itself into this record.
                doomed.insert(pointSet->getId());
            } else if (kind == DrawSignal::Clear) {
                for (auto before = m_order.begin(); before != it; ++before)
                    doomed.insert(before.key());
            } else if (kind != DrawSignal::Laser) {
                ++it;
                continue;
            }
            m_index.remove(pointSet->getPointSetId());
            it = m_order.erase(it);
            delete pointSet;
        }
    }
    for (quint64 id : qAsConst(doomed))
        removePointSet(quint32(id & 0xFFFFFFFFu));
}

void GraphSet::clear()
{
    QMutexLocker locker(&m_mutex);
    qDeleteAll(m_order);
    m_order.clear();
    m_index.clear();
}

int GraphSet::count() const
{
    QMutexLocker locker(&m_mutex);
    return m_order.size();
}
