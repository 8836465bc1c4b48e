#ifndef TRANSFERFILEHASH_H
#define TRANSFERFILEHASH_H

#include <QHash>
#include <QList>
#include <QReadWriteLock>
#include <QString>

class ALGetFile;
class ALPostFile;

// The running and waiting transfer jobs of one manager by file id: uploads and downloads, each table under its
// own lock. The tables own their jobs: a removed entry, and every entry when the tables go, is released with
// deleteLater in the job's own thread.
class TransferFileHash
{
public:
    TransferFileHash() = default;
    ~TransferFileHash();
    TransferFileHash(const TransferFileHash &) = delete;
    TransferFileHash &operator=(const TransferFileHash &) = delete;

    bool insertGetFileNetworkHash(const QString &fileId, ALGetFile *job);
    bool insertPostFileNetworkHash(const QString &fileId, ALPostFile *job);
    bool selectGetFileNetworkHash(const QString &fileId, ALGetFile **job) const;
    bool selectPostFileNetworkHash(const QString &fileId, ALPostFile **job) const;
    bool deleteGetFileNetworkHash(const QString &fileId);
    bool deletePostFileNetworkHash(const QString &fileId);
    bool containsGetFileNetworkHash(const QString &fileId) const;
    bool containsPostFileNetworkHash(const QString &fileId) const;
    QList<ALPostFile *> allPostFileNetworkHash() const;

private:
    mutable QReadWriteLock m_postLock;
    QHash<QString, ALPostFile *> m_postJobs;
    mutable QReadWriteLock m_getLock;
    QHash<QString, ALGetFile *> m_getJobs;
};

#endif // TRANSFERFILEHASH_H
