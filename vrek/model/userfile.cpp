#include "vrek/model/userfile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

UserFile::UserFile(const UserFile &other)
{
    *this = other;
}

UserFile &UserFile::operator=(const UserFile &other)
{
    // Field by field; the id parts and the course type were derived when the other record was filled.
    m_id = other.m_id;
    m_fileIdAll = other.m_fileIdAll;
    m_fileName = other.m_fileName;
    m_fileUrl = other.m_fileUrl;
    m_downloadStart = other.m_downloadStart;
    m_userId = other.m_userId;
    m_fileSize = other.m_fileSize;
    m_uploadDate = other.m_uploadDate;
    m_fileCount = other.m_fileCount;
    m_status = other.m_status;
    m_courseType = other.m_courseType;
    m_downloaded = other.m_downloaded;
    return *this;
}

void UserFile::setId(const QString &id)
{
    m_id = id;
    const QStringList parts = id.split('@');
    if (parts.size() != 2) {
        qWarning() << "UserFile::setId the id error!" << id;
        return;
    }
    m_fileIdAll = parts.at(0);
    m_userId = parts.at(1);
}

void UserFile::setId(const QString &fileIdAll, const QString &userId)
{
    m_fileIdAll = fileIdAll;
    m_userId = userId;
    m_id = fileIdAll + "@" + userId;
}

void UserFile::setCourseType(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "ppt" || suffix == "pptx") {
        m_courseType = 2;
    } else if (suffix == "pdf" || suffix == "doc" || suffix == "docx" || suffix == "png" || suffix == "jpg") {
        m_courseType = 1;
    } else if (suffix == "mpg" || suffix == "avi" || suffix == "mp4" || suffix == "wmv" || suffix == "rmvb"
        || suffix == "flv" || suffix == "3gp") {
        m_courseType = 3;
    } else if (suffix == "wav" || suffix == "mp3" || suffix == "m4a") {
        m_courseType = 4;
    } else {
        m_courseType = 0;
        qWarning() << "unknow fileType:" << fileName;
    }
}

uint qHash(const UserFile &file, uint seed)
{
    const QByteArray digest = QCryptographicHash::hash(file.getId().toUtf8(), QCryptographicHash::Md5);
    return qFromLittleEndian<quint32>(digest.constData()) ^ seed;
}
