#include "vrek/container/pagegraphsetlist.h"

#include <QDebug>

PageGraphSetList::PageGraphSetList(quint32 pageCount, const QString &fileIdAll)
    : m_fileIdAll(fileIdAll)
{
    qInfo() << "size:" << pageCount << "fia:" << fileIdAll;
    if (pageCount > maxPageCount) {
        qWarning() << "the page count error! count:" << pageCount << "fia:" << fileIdAll;
        return;
    }
    m_graphSetIds.fill(0, int(pageCount) + 1);
}

PageGraphSetList::~PageGraphSetList() = default;

void PageGraphSetList::insertGraphSetId(quint32 pos, quint32 graphSetId)
{
    if (pos >= quint32(m_graphSetIds.size())) {
        qCritical() << "the pos error! pos:" << pos;
        return;
    }
    m_graphSetIds[int(pos)] = graphSetId;
}

quint32 PageGraphSetList::selectGraphSetId(quint32 pos) const
{
    if (pos >= quint32(m_graphSetIds.size())) {
        qWarning() << "the pos does not exist! pos:" << pos;
        return 0;
    }
    return m_graphSetIds.at(int(pos));
}
