#include "vrek/container/coursefilehash.h"

#include <QReadLocker>
#include <QWriteLocker>

CourseFileHash g_courseFileHash;

bool CourseFileHash::updateUserFile(const UserFile &file)
{
    QWriteLocker locker(&m_lock);
    m_files.insert(file.getFileIdAll(), file);
    return true;
}

bool CourseFileHash::selectUserFile(const QString &fileIdAll, UserFile &out) const
{
    QReadLocker locker(&m_lock);
    const auto found = m_files.constFind(fileIdAll);
    if (found == m_files.constEnd())
        return false;
    out = found.value();
    return true;
}

bool CourseFileHash::containsUserFile(const QString &fileIdAll) const
{
    QReadLocker locker(&m_lock);
    return m_files.contains(fileIdAll);
}
