#ifndef TRANSFERINFO_H
#define TRANSFERINFO_H

#include <QMetaType>
#include <QObject>
#include <QString>

// One row of a transfer list: a download, an upload or a listed file, with its state and progress.
class TransferInfo
{
    Q_GADGET
public:
    enum TransferStatus {
        StatusUnset = -1,
        WaitDownload = 0,
        PrepareDownload = 1,
        Downloading = 2,
        DownloadPaused = 3,
        Downloaded = 4,
        DownloadError = 5,
        WaitUpload = 10,
        PrepareUpload = 11,
        Uploading = 12,
        UploadPaused = 13,
        Uploaded = 14,
        UploadError = 15,
        Converting = 20,
        Deleting = 21,
        FreeText = 30,
    };
    Q_ENUM(TransferStatus)

    // What the list draws in front of the name.
    enum Kind {
        KindUnset = -1,
        KindDocument = 0,
        KindMedia = 1,
        // A screen recording. Set explicitly; a path never makes a row one, and a recording stays one
        // whatever path it is given later.
        KindRecording = 2,
    };

    TransferInfo() = default;
    TransferInfo(const TransferInfo &other);
    TransferInfo &operator=(const TransferInfo &other);
    virtual ~TransferInfo() = default;

    QString getId() const { return m_id; }
    void setId(const QString &id) { m_id = id; }
    QString getFilePath() const { return m_filePath; }
    // Also sets the kind from the suffix; an unknown suffix leaves the kind as it was.
    void setFilePath(const QString &filePath);
    QString getStatusText() const { return m_statusText; }
    // The text of the current status, with msg where the status carries one; an unknown status keeps the text.
    void setStatusText(const QString &msg = QString());
    QString getTimeText() const { return m_timeText; }
    void setTimeText(const QString &timeText) { m_timeText = timeText; }
    QString getSizeText() const { return m_sizeText; }
    qint64 getFileSize() const { return m_fileSize; }
    void setFileSize(qint64 fileSize);
    int getProgress() const { return m_progress; }
    void setProgress(int progress) { m_progress = progress; }
    TransferStatus getStatus() const { return m_status; }
    void setStatus(TransferStatus status) { m_status = status; }
    int getKind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }

    // "999B", "1KB", "3.04MB", "1.00GB": whole units below MiB, hundredths (truncated) from MiB on.
    static QString sizeText(qint64 bytes);
    // The kind a path's suffix gives, KindUnset for a suffix of neither list.
    static int kindOfPath(const QString &path);
    static QString statusText(TransferStatus status, const QString &msg, bool &known);

private:
    QString m_id;
    QString m_filePath;
    QString m_statusText;
    QString m_timeText;
    QString m_sizeText;
    qint64 m_fileSize = 0;
    int m_progress = 0; // per mille
    TransferStatus m_status = StatusUnset;
    int m_kind = KindUnset;
};

Q_DECLARE_METATYPE(TransferInfo)

#endif // TRANSFERINFO_H
