#ifndef PAGEGRAPHSETLIST_H
#define PAGEGRAPHSETLIST_H

#include <QString>
#include <QVector>

// The layer id of each page of one course file, 0 while a page has none. Pages count from 0; the entry at the
// page count stays unused. No lock of its own: the file table makes it under its lock.
class PageGraphSetList
{
public:
    // A page count from the wire beyond this is refused (it would size the list).
    static constexpr quint32 maxPageCount = 10000;

    // A count above maxPageCount gives a list without entries, which refuses every position.
    PageGraphSetList(quint32 pageCount, const QString &fileIdAll);
    virtual ~PageGraphSetList();

    const QString &fileIdAll() const { return m_fileIdAll; }
    int size() const { return m_graphSetIds.size(); }
    void insertGraphSetId(quint32 pos, quint32 graphSetId);
    quint32 selectGraphSetId(quint32 pos) const;

private:
    QString m_fileIdAll;
    QVector<quint32> m_graphSetIds;
};

#endif // PAGEGRAPHSETLIST_H
