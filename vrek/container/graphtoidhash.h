#ifndef GRAPHTOIDHASH_H
#define GRAPHTOIDHASH_H

#include <QHash>
#include <QMutex>
#include <QString>

class GraphSet;

// Per layer id: the layer (owned), and the course file, page and page count it belongs to. Each table guards
// itself.
class GraphToIdHash
{
public:
    GraphToIdHash();
    virtual ~GraphToIdHash();

    GraphToIdHash(const GraphToIdHash &) = delete;
    GraphToIdHash &operator=(const GraphToIdHash &) = delete;

    // The table takes the layer; another layer held under the same id is deleted.
    void insertGraphSet(quint32 k, GraphSet *graphSet);
    void insertFileIdAll(quint32 k, const QString &fileIdAll);
    void insertPageId(quint32 k, quint32 pageId);
    void insertPPtFileCount(quint32 k, quint32 count);

    GraphSet *selectGraphSet(quint32 k) const;
    QString selectUIntToFileIdAll(quint32 k) const;
    quint32 selectPageId(quint32 k) const;
    quint32 selectPPtFileCount(quint32 k) const;
    // The layer ids held, in ascending order.
    QList<quint32> graphSetIds() const;

    void clear();

private:
    mutable QMutex m_graphSetMutex;
    QHash<quint32, GraphSet *> m_graphSets;
    mutable QMutex m_fileIdAllMutex;
    QHash<quint32, QString> m_fileIdAlls;
    mutable QMutex m_pageIdMutex;
    QHash<quint32, quint32> m_pageIds;
    mutable QMutex m_pptFileCountMutex;
    QHash<quint32, quint32> m_pptFileCounts;
};

#endif // GRAPHTOIDHASH_H
