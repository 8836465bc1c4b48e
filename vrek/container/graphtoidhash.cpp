#include "vrek/container/graphtoidhash.h"

#include "vrek/paint/graphset.h"

#include <QDebug>
#include <QMutexLocker>

#include <algorithm>

namespace {
quint32 selectCount(QMutex &mutex, const QHash<quint32, quint32> &table, quint32 k)
{
    QMutexLocker locker(&mutex);
    const auto it = table.constFind(k);
    if (it == table.constEnd()) {
        qCritical() << "the k does not exist! k:" << k;
        return 0;
    }
    return it.value();
}
} // namespace

GraphToIdHash::GraphToIdHash()
{
    qInfo() << "GraphToIdHash";
}

GraphToIdHash::~GraphToIdHash()
{
    qInfo() << "~GraphToIdHash";
    clear();
}

void GraphToIdHash::insertGraphSet(quint32 k, GraphSet *graphSet)
{
    QMutexLocker locker(&m_graphSetMutex);
    GraphSet *held = m_graphSets.value(k, nullptr);
    if (held && held != graphSet)
        delete held;
    m_graphSets.insert(k, graphSet);
}

void GraphToIdHash::insertFileIdAll(quint32 k, const QString &fileIdAll)
{
    QMutexLocker locker(&m_fileIdAllMutex);
    m_fileIdAlls.insert(k, fileIdAll);
}

void GraphToIdHash::insertPageId(quint32 k, quint32 pageId)
{
    QMutexLocker locker(&m_pageIdMutex);
    m_pageIds.insert(k, pageId);
}

void GraphToIdHash::insertPPtFileCount(quint32 k, quint32 count)
{
    QMutexLocker locker(&m_pptFileCountMutex);
    m_pptFileCounts.insert(k, count);
}

GraphSet *GraphToIdHash::selectGraphSet(quint32 k) const
{
    QMutexLocker locker(&m_graphSetMutex);
    GraphSet *graphSet = m_graphSets.value(k, nullptr);
    if (!graphSet)
        qInfo() << "the k does not exist! k:" << k;
    return graphSet;
}

QString GraphToIdHash::selectUIntToFileIdAll(quint32 k) const
{
    QMutexLocker locker(&m_fileIdAllMutex);
    const auto it = m_fileIdAlls.constFind(k);
    if (it == m_fileIdAlls.constEnd()) {
        qCritical() << "the k does not exist! k:" << k;
        return QString();
    }
    return it.value();
}

quint32 GraphToIdHash::selectPageId(quint32 k) const
{
    return selectCount(m_pageIdMutex, m_pageIds, k);
}

quint32 GraphToIdHash::selectPPtFileCount(quint32 k) const
{
    return selectCount(m_pptFileCountMutex, m_pptFileCounts, k);
}

QList<quint32> GraphToIdHash::graphSetIds() const
{
    QMutexLocker locker(&m_graphSetMutex);
    QList<quint32> ids = m_graphSets.keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

void GraphToIdHash::clear()
{
    QMutexLocker graphSets(&m_graphSetMutex);
    QMutexLocker fileIdAlls(&m_fileIdAllMutex);
    QMutexLocker pageIds(&m_pageIdMutex);
    QMutexLocker pptFileCounts(&m_pptFileCountMutex);
    qDeleteAll(m_graphSets);
    m_graphSets.clear();
    m_fileIdAlls.clear();
    m_pageIds.clear();
    m_pptFileCounts.clear();
}
