#include "vrek/container/filegraphsethash.h"

#include "vrek/container/pagegraphsetlist.h"

#include <QDebug>
#include <QMutexLocker>
#include <QReadLocker>
#include <QWriteLocker>

namespace {
template<typename T>
void insertMissing(QReadWriteLock &lock, QHash<QString, T> &table, const QString &key, T value)
{
    QWriteLocker locker(&lock);
    if (!table.contains(key))
        table.insert(key, value);
}

template<typename T>
void setEntry(QReadWriteLock &lock, QHash<QString, T> &table, const QString &key, T value)
{
    QWriteLocker locker(&lock);
    table.insert(key, value);
}

template<typename T>
bool containsEntry(QReadWriteLock &lock, const QHash<QString, T> &table, const QString &key)
{
    QReadLocker locker(&lock);
    return table.contains(key);
}
} // namespace

FileGraphSetHash::FileGraphSetHash()
{
    qInfo() << "FileGraphSetHash";
}

FileGraphSetHash::~FileGraphSetHash()
{
    qInfo() << "~FileGraphSetHash";
    clear();
}

PageGraphSetList *FileGraphSetHash::insertPageGraphSetList(quint32 pageCount, const QString &fileIdAll)
{
    QMutexLocker locker(&m_pageListMutex);
    PageGraphSetList *pageList = m_pageLists.value(fileIdAll, nullptr);
    if (pageList)
        return pageList;
    if (pageCount > PageGraphSetList::maxPageCount) {
        qWarning() << "the page count error! count:" << pageCount << "fia:" << fileIdAll;
        return nullptr;
    }
    pageList = new PageGraphSetList(pageCount, fileIdAll);
    m_pageLists.insert(fileIdAll, pageList);
    insertMissing(m_pageIdLock, m_pageIds, fileIdAll, 0u);
    insertMissing(m_stepIdLock, m_stepIds, fileIdAll, 0u);
    insertMissing(m_timeIdLock, m_timeIds, fileIdAll, 0u);
    insertMissing(m_isPauseLock, m_isPause, fileIdAll, false);
    return pageList;
}

void FileGraphSetHash::setPageId(const QString &fileIdAll, quint32 pageId)
{
    setEntry(m_pageIdLock, m_pageIds, fileIdAll, pageId);
}

void FileGraphSetHash::setStepId(const QString &fileIdAll, quint32 stepId)
{
    setEntry(m_stepIdLock, m_stepIds, fileIdAll, stepId);
}

void FileGraphSetHash::setTimeId(const QString &fileIdAll, quint32 timeId)
{
    setEntry(m_timeIdLock, m_timeIds, fileIdAll, timeId);
}

void FileGraphSetHash::setIsPause(const QString &fileIdAll, bool isPause)
{
    setEntry(m_isPauseLock, m_isPause, fileIdAll, isPause);
}

quint32 FileGraphSetHash::selectPageId(const QString &fileIdAll) const
{
    QReadLocker locker(&m_pageIdLock);
    if (!m_pageIds.contains(fileIdAll)) {
        qCritical() << "the pageIdHash don't exist fia:" << fileIdAll;
        return 0;
    }
    return m_pageIds.value(fileIdAll);
}

quint32 FileGraphSetHash::selectStepId(const QString &fileIdAll) const
{
    QReadLocker locker(&m_stepIdLock);
    if (!m_stepIds.contains(fileIdAll)) {
        qCritical() << "the stepIdHash don't exist fia:" << fileIdAll;
        return 0;
    }
    return m_stepIds.value(fileIdAll);
}

quint32 FileGraphSetHash::selectTimeId(const QString &fileIdAll) const
{
    QReadLocker locker(&m_timeIdLock);
    if (!m_timeIds.contains(fileIdAll)) {
        qCritical() << "fia:" << fileIdAll;
        return 0;
    }
    return m_timeIds.value(fileIdAll);
}

bool FileGraphSetHash::selectIsPause(const QString &fileIdAll) const
{
    QReadLocker locker(&m_isPauseLock);
    if (!m_isPause.contains(fileIdAll)) {
        qCritical() << "fia:" << fileIdAll;
        return true;
    }
    return m_isPause.value(fileIdAll);
}

bool FileGraphSetHash::containsPageId(const QString &fileIdAll) const
{
    return containsEntry(m_pageIdLock, m_pageIds, fileIdAll);
}

bool FileGraphSetHash::containsStepId(const QString &fileIdAll) const
{
    return containsEntry(m_stepIdLock, m_stepIds, fileIdAll);
}

bool FileGraphSetHash::containsTimeId(const QString &fileIdAll) const
{
    return containsEntry(m_timeIdLock, m_timeIds, fileIdAll);
}

bool FileGraphSetHash::containsIsPause(const QString &fileIdAll) const
{
    return containsEntry(m_isPauseLock, m_isPause, fileIdAll);
}

void FileGraphSetHash::clear()
{
    QMutexLocker pageLists(&m_pageListMutex);
    QWriteLocker pageIds(&m_pageIdLock);
    QWriteLocker stepIds(&m_stepIdLock);
    QWriteLocker timeIds(&m_timeIdLock);
    QWriteLocker isPause(&m_isPauseLock);
    qDeleteAll(m_pageLists);
    m_pageLists.clear();
    m_pageIds.clear();
    m_stepIds.clear();
    m_timeIds.clear();
    m_isPause.clear();
}
