#ifndef FILEGRAPHSETHASH_H
#define FILEGRAPHSETHASH_H

#include <QHash>
#include <QMutex>
#include <QReadWriteLock>
#include <QString>

class PageGraphSetList;

// Per course file (by its fileIdAll): the page list of its layers and where the file stood (page, step, time,
// pause). Each table guards itself.
class FileGraphSetHash
{
public:
    FileGraphSetHash();
    virtual ~FileGraphSetHash();

    FileGraphSetHash(const FileGraphSetHash &) = delete;
    FileGraphSetHash &operator=(const FileGraphSetHash &) = delete;

    // The file's page list, made with the page count on first use (the file then starts at page, step and
    // time 0, not paused). Null, with nothing entered, for a count beyond PageGraphSetList::maxPageCount.
    PageGraphSetList *insertPageGraphSetList(quint32 pageCount, const QString &fileIdAll);

    void setPageId(const QString &fileIdAll, quint32 pageId);
    void setStepId(const QString &fileIdAll, quint32 stepId);
    void setTimeId(const QString &fileIdAll, quint32 timeId);
    void setIsPause(const QString &fileIdAll, bool isPause);

    quint32 selectPageId(const QString &fileIdAll) const;
    quint32 selectStepId(const QString &fileIdAll) const;
    quint32 selectTimeId(const QString &fileIdAll) const;
    // A file never entered counts as paused.
    bool selectIsPause(const QString &fileIdAll) const;

    bool containsPageId(const QString &fileIdAll) const;
    bool containsStepId(const QString &fileIdAll) const;
    bool containsTimeId(const QString &fileIdAll) const;
    bool containsIsPause(const QString &fileIdAll) const;

    void clear();

private:
    mutable QMutex m_pageListMutex;
    QHash<QString, PageGraphSetList *> m_pageLists;
    mutable QReadWriteLock m_pageIdLock;
    QHash<QString, quint32> m_pageIds;
    mutable QReadWriteLock m_stepIdLock;
    QHash<QString, quint32> m_stepIds;
    mutable QReadWriteLock m_timeIdLock;
    QHash<QString, quint32> m_timeIds;
    mutable QReadWriteLock m_isPauseLock;
    QHash<QString, bool> m_isPause;
};

#endif // FILEGRAPHSETHASH_H
