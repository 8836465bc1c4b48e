#ifndef TRANSFERFILE_H
#define TRANSFERFILE_H

#include <QMetaType>
#include <QString>

// One upload or download of the transfer views, with its progress and resume point, kept in the table
// "TransferFile". Equal when fileId is equal.
class TransferFile
{
public:
    TransferFile() = default;
    TransferFile(const TransferFile &other) = default;
    TransferFile &operator=(const TransferFile &other) = default;
    virtual ~TransferFile() = default;

    bool operator==(const TransferFile &other) const { return m_fileId == other.m_fileId; }

    QString getId() const { return m_id; }
    // "fileId@userId"; anything but exactly two parts keeps fileId and userId as they were.
    void setId(const QString &id);
    void setIdParts(const QString &fileId, const QString &userId);
    QString getFileId() const { return m_fileId; }
    QString getFileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    QString getFileUrl() const { return m_fileUrl; }
    void setFileUrl(const QString &fileUrl) { m_fileUrl = fileUrl; }
    QString getUserId() const { return m_userId; }
    QString getFileMd5() const { return m_fileMd5; }
    void setFileMd5(const QString &fileMd5) { m_fileMd5 = fileMd5; }
    QString getClassTitle() const { return m_classTitle; }
    void setClassTitle(const QString &classTitle) { m_classTitle = classTitle; }
    int getFileProgress() const { return m_fileProgress; }
    void setFileProgress(int fileProgress) { m_fileProgress = fileProgress; }
    qint64 getFileRange() const { return m_fileRange; }
    void setFileRange(qint64 fileRange) { m_fileRange = fileRange; }

private:
    QString m_id;
    QString m_fileId;
    QString m_fileName;
    QString m_fileUrl;
    QString m_userId;
    QString m_fileMd5;
    QString m_classTitle;
    int m_fileProgress = 0; // thousandths; 1000 is finished
    qint64 m_fileRange = 0; // bytes already moved: where a resumed transfer starts
};

uint qHash(const TransferFile &file, uint seed = 0);

Q_DECLARE_METATYPE(TransferFile)

#endif // TRANSFERFILE_H
