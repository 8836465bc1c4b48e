#ifndef ALGETFILE_H
#define ALGETFILE_H

#include <QObject>
#include <QString>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QThread;

// Downloads one shared file into "fileRecv/<user>/<file id>.<suffix>_tmp" and files it under
// "fileRecv/<user>/<file id>": a zip archive unpacked, any other file under its display name. A temporary
// file left by a broken download is resumed with a range request, but only while the server's file is still the
// one it began with (the validator of the first answer, kept beside it). Lives in the network engine's thread;
// one result per start.
class ALGetFile : public QObject
{
    Q_OBJECT
public:
    enum GetFileStatus {
        AlreadyDownloaded = 0, // never reported here
        Busy = 1,
        PathError = 2, // a file id that cannot name a folder
        TempFileError = 3, // the temporary file cannot be opened or written, or the result cannot be filed
        FolderError = 4,
        NoReply = 5,
        EmptyFile = 6,
        NetworkError = 7,
        UnzipError = 8,
        Done = 9,
        DiskFull = 10, // the file does not fit on the disk of the received files
    };
    Q_ENUM(GetFileStatus)

    // Limits of what one archive may unpack to; beyond them the archive is refused.
    static constexpr int maxZipEntries = 10000;
    static constexpr qint64 maxZipBytes = 1024LL * 1024 * 1024;

    ALGetFile(const QString &userId, QNetworkAccessManager *qnam, QObject *parent = nullptr);
    ~ALGetFile() override;

    void moveThread(QThread *thread);
    // Tests lower the archive limits.
    void setZipLimits(int entries, qint64 bytes);
    bool isBusy() const { return m_busy; }
    // Where the validator of a temporary file's first answer is kept.
    static QString validatorPath(const QString &tempFilePath);

public slots:
    void start(QString fileId, QString fileName, QString fileUrl);
    void replyRead();
    void replyFinish();
    void downloadProgress(qint64 received, qint64 total);

public:
    bool exitract();
    // Unpacks the archive into the folder, which it makes; false for an archive that is broken, leaves the
    // folder, or unpacks beyond the limits.
    static bool unpackZip(const QString &archivePath, const QString &folder, int maxEntries, qint64 maxBytes);

signals:
    void signalGetFileResult(QString fileId, ALGetFile::GetFileStatus status);
    void signalDownloadProgress(QString fileId, qint64 received, qint64 total);
    // Sent before a DiskFull result: the room the whole file needs.
    void signalNoRoom(QString fileId, qint64 neededBytes);

private:
    // What the answer's body is to the temporary file.
    enum BodyMode {
        BodyUnknown, // no header yet
        BodyAppend, // the rest of the file, after what the temporary file holds
        BodyWhole, // the whole file, from an empty temporary file
        BodyDiscard, // not the file
    };

    void request(qint64 from);
    void replyMetaData();
    // Drops the running answer and asks again for the whole file.
    void restartWhole();
    void finish(GetFileStatus status);
    GetFileStatus fileDownload();
    void closeTempFile();
    // The validator and length stored for the temporary file; false when there is none to resume with.
    bool readValidator();
    void storeValidator();
    void dropTempFile();
    // Judges a failed write: a full disk when its error says so, or when the data folder's disk has less room
    // than the file needs.
    void judgeFailedWrite(int error, qint64 needed);

    QString m_userId;
    QString m_tempSuffix = QStringLiteral("_tmp");
    QNetworkAccessManager *m_qnam;
    QNetworkReply *m_reply = nullptr;
    QFile *m_tempFile = nullptr;
    bool m_busy = false;
    QString m_tempFilePath;
    QString m_fileName;
    QString m_suffix;
    QString m_fileId;
    QString m_address;
    qint64 m_resumeFrom = 0; // bytes the temporary file held when the running request was made
    QByteArray m_validator; // the first answer's ETag or Last-Modified, sent as If-Range
    qint64 m_fileLength = -1; // the whole file's length as the first answer gave it; -1: unknown
    BodyMode m_mode = BodyUnknown;
    bool m_writeFailed = false;
    // The failed write met a full disk; what the file needs whole.
    bool m_noRoom = false;
    qint64 m_neededBytes = -1;
    int m_maxEntries = maxZipEntries;
    qint64 m_maxBytes = maxZipBytes;
};

#endif // ALGETFILE_H
