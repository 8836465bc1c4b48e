#include "vrek/paint/pointset.h"

#include <QMutexLocker>

PointSet::~PointSet() = default;

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
