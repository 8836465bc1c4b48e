#ifndef TRANSFERFILEMANAGER_H
#define TRANSFERFILEMANAGER_H

#include "vrek/dao/transferfiledao.h"
#include "vrek/transferfile/algetfile.h"
#include "vrek/transferfile/alpostfile.h"
#include "vrek/transferfile/filetransferqueue.h"
#include "vrek/transferfile/transferinfo.h"

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class TransferFileHash;

// Queues downloads and uploads and runs at most three of each at a time through their jobs in the network
// engine's thread, keeps the resume point of ranged uploads in the table "TransferFile", and turns the jobs'
// results into row statuses with a text for the transfer lists. Each transfer window owns one.
class TransferFileManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxRunning = 3;

    // Over the network engine's shared manager.
    explicit TransferFileManager(QObject *parent = nullptr);
    TransferFileManager(QNetworkAccessManager *qnam, QObject *parent);
    ~TransferFileManager() override;

    bool pushGetFileQueue(const QString &fileId, const QString &fileName, const QString &fileUrl);
    bool pushPostFileQueue(const QString &fileId, const QString &filePath, const unsigned int uploadType);
    // One running upload, or every upload job when the id is empty.
    bool setPostFilePause(bool pause, const QString &fileId);

    QString uploadAddress() const { return m_uploadAddress; }
    int runningDownloads() const { return m_runningDownloads; }
    int runningUploads() const { return m_runningUploads; }

    // The texts shown for the jobs' results; unknown codes read "网络错误".
    static QString getFileStatusText(int status);
    static QString postFileStatusText(int status);

public slots:
    void slotGetFileResult(QString fileId, ALGetFile::GetFileStatus status);
    void slotDownloadProgress(QString fileId, qint64 received, qint64 total);
    void slotPostFileResult(QString fileId, ALPostFile::PostFileStatus status);
    void slotUploadProgress(QString fileId, qint64 sent, qint64 total);
    void slotPostRangeFinish(QString fileId, qint64 confirmed, qint64 total);

signals:
    // i is a progress per mille, or 0.
    void signalTransferStatus(QString fileId, TransferInfo::TransferStatus status, QString msg, int i);
    // A download did not fit on the disk: the room its file needs. Comes before its result.
    void signalNoRoom(QString fileId, qint64 neededBytes);
    void signalInsertTransferInfo(TransferInfo info);
    void signalStartAlGetFile(QString fileId, QString fileName, QString fileUrl);
    void signalStartAlPostFile(QString fileId, QString filePath, uint uploadType, qlonglong position);
    void signalPausePostFile(bool pause);

private:
    void startNextDownload();
    void startNextUpload();
    // The resume point of a ranged upload from its stored record; false when the table cannot be read or written.
    bool rangedStart(const QString &fileId, const QString &fileName, const QString &filePath, qint64 &position);
    QString recordId(const QString &fileId) const;

    QNetworkAccessManager *m_qnam;
    TransferFileHash *m_jobs;
    FileTransferQueue m_postQueue;
    FileTransferQueue m_getQueue;
    QString m_uploadAddress;
    int m_runningUploads = 0;
    int m_runningDownloads = 0;
    TransferFileDao m_dao;
};

#endif // TRANSFERFILEMANAGER_H
