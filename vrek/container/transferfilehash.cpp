#include "vrek/container/transferfilehash.h"

#include "vrek/transferfile/algetfile.h"
#include "vrek/transferfile/alpostfile.h"

#include <QDebug>
#include <QReadLocker>
#include <QWriteLocker>

namespace {
template<typename Job>
bool insertJob(QReadWriteLock &lock, QHash<QString, Job *> &jobs, const QString &fileId, Job *job)
{
    QWriteLocker locker(&lock);
    if (jobs.contains(fileId)) {
        qWarning() << "fi exist!" << fileId;
        return false;
    }
    jobs.insert(fileId, job);
    return true;
}

template<typename Job>
bool selectJob(QReadWriteLock &lock, const QHash<QString, Job *> &jobs, const QString &fileId, Job **job)
{
    QReadLocker locker(&lock);
    const auto found = jobs.constFind(fileId);
    if (found == jobs.constEnd()) {
        qWarning() << "fi not exist, fi:" << fileId;
        return false;
    }
    *job = found.value();
    return true;
}

template<typename Job>
bool deleteJob(QReadWriteLock &lock, QHash<QString, Job *> &jobs, const QString &fileId)
{
    QWriteLocker locker(&lock);
    Job *job = jobs.take(fileId);
    if (!job) {
        qWarning() << "fi not exist, fi:" << fileId;
        return false;
    }
    job->deleteLater();
    return true;
}
} // namespace

TransferFileHash::~TransferFileHash()
{
    {
        QWriteLocker locker(&m_postLock);
        for (ALPostFile *job : qAsConst(m_postJobs))
            job->deleteLater();
        m_postJobs.clear();
    }
    QWriteLocker locker(&m_getLock);
    for (ALGetFile *job : qAsConst(m_getJobs))
        job->deleteLater();
    m_getJobs.clear();
}

bool TransferFileHash::insertGetFileNetworkHash(const QString &fileId, ALGetFile *job)
{
    return insertJob(m_getLock, m_getJobs, fileId, job);
}

bool TransferFileHash::insertPostFileNetworkHash(const QString &fileId, ALPostFile *job)
{
    return insertJob(m_postLock, m_postJobs, fileId, job);
}

bool TransferFileHash::selectGetFileNetworkHash(const QString &fileId, ALGetFile **job) const
{
    return selectJob(m_getLock, m_getJobs, fileId, job);
}

bool TransferFileHash::selectPostFileNetworkHash(const QString &fileId, ALPostFile **job) const
{
    return selectJob(m_postLock, m_postJobs, fileId, job);
}

bool TransferFileHash::deleteGetFileNetworkHash(const QString &fileId)
{
    return deleteJob(m_getLock, m_getJobs, fileId);
}

bool TransferFileHash::deletePostFileNetworkHash(const QString &fileId)
{
    return deleteJob(m_postLock, m_postJobs, fileId);
}

bool TransferFileHash::containsGetFileNetworkHash(const QString &fileId) const
{
    QReadLocker locker(&m_getLock);
    return m_getJobs.contains(fileId);
}

bool TransferFileHash::containsPostFileNetworkHash(const QString &fileId) const
{
    QReadLocker locker(&m_postLock);
    return m_postJobs.contains(fileId);
}

QList<ALPostFile *> TransferFileHash::allPostFileNetworkHash() const
{
    QReadLocker locker(&m_postLock);
    return m_postJobs.values();
}
