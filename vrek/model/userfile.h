#ifndef USERFILE_H
#define USERFILE_H

#include <QMetaType>
#include <QString>

// One course file shared with a user: downloaded, unpacked into the user's folder and kept in the table
// "UserFile". Equal when fileIdAll is equal.
class UserFile
{
public:
    UserFile() = default;
    UserFile(const UserFile &other);
    UserFile &operator=(const UserFile &other);
    virtual ~UserFile() = default;

    bool operator==(const UserFile &other) const { return m_fileIdAll == other.m_fileIdAll; }

    QString getId() const { return m_id; }
    // "fileIdAll@userId"; anything but exactly two parts keeps fileIdAll and userId as they were.
    void setId(const QString &id);
    void setId(const QString &fileIdAll, const QString &userId);
    QString getFileIdAll() const { return m_fileIdAll; }
    QString getFileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    QString getFileUrl() const { return m_fileUrl; }
    void setFileUrl(const QString &fileUrl) { m_fileUrl = fileUrl; }
    int getDownloadStart() const { return m_downloadStart; }
    void setDownloadStart(int downloadStart) { m_downloadStart = downloadStart; }
    QString getUserId() const { return m_userId; }
    QString getFileSize() const { return m_fileSize; }
    void setFileSize(const QString &fileSize) { m_fileSize = fileSize; }
    QString getUploadDate() const { return m_uploadDate; }
    void setUploadDate(const QString &uploadDate) { m_uploadDate = uploadDate; }
    unsigned int getFileCount() const { return m_fileCount; }
    void setFileCount(unsigned int fileCount) { m_fileCount = fileCount; }
    quint8 getStatus() const { return m_status; }
    void setStatus(quint8 status) { m_status = status; }
    int getCourseType() const { return m_courseType; }
    // The kind of courseware, from the suffix of the file name.
    void setCourseType(const QString &fileName);
    bool isDownloaded() const { return m_downloaded; }
    void setDownloaded(bool downloaded) { m_downloaded = downloaded; }

private:
    QString m_id;
    QString m_fileIdAll;
    QString m_fileName;
    QString m_fileUrl;
    int m_downloadStart = 0; // 1 once a download of the file has started; not stored
    QString m_userId;
    QString m_fileSize; // decimal bytes; not stored
    QString m_uploadDate; // not stored
    unsigned int m_fileCount = 0;
    quint8 m_status = 0; // 2 complete; 0 and 1 the stages before
    int m_courseType = 0;
    bool m_downloaded = false;
};

uint qHash(const UserFile &file, uint seed = 0);

Q_DECLARE_METATYPE(UserFile)

#endif // USERFILE_H
