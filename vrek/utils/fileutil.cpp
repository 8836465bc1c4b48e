#include "vrek/utils/fileutil.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

bool FileUtil::dirMakePath(const QString &path)
{
    const QStringList parts = path.split('/');
    QString growing;
    bool ok = true;
    for (const QString &part : parts) {
        growing += part + '/';
        if (!QFileInfo(toAbsolutePath(growing)).isDir() && !dirCreate(growing))
            ok = false;
    }
    return ok;
}

bool FileUtil::dirCreate(const QString &path)
{
    const QString absolute = toAbsolutePath(path);
    QDir dir(absolute);
    if (dir.exists())
        return true;
    return dir.mkdir(absolute);
}

QString FileUtil::toAbsolutePath(const QString &path)
{
    if (QDir::isAbsolutePath(path))
        return path;
    return QDir::currentPath() + '/' + path;
}

bool FileUtil::dirExists(const QString &path)
{
    return QFileInfo(toAbsolutePath(path)).isDir();
}

bool FileUtil::dirFileCount(const QString &path, unsigned int &count)
{
    if (path.isEmpty()) {
        qWarning() << "FileUtil::dirFileCount the path is empty error! ";
        return false;
    }
    QDir dir(toAbsolutePath(path));
    if (!dir.exists()) {
        qWarning() << "FileUtil::dirFileCount the path does not exist! path:" << path;
        return false;
    }
    count = 0;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isFile() && !entry.isSymLink())
            ++count;
    }
    return true;
}

bool FileUtil::dirRemove(const QString &path)
{
    if (path.isEmpty()) {
        qWarning() << "FileUtil::dirRemove the path is empty error! ";
        return false;
    }
    return QDir(toAbsolutePath(path)).removeRecursively();
}

bool FileUtil::dirRemoveAll(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = toAbsolutePath(path);
    QDir dir(absolute);
    if (!dir.exists())
        return true;
    const QFileInfoList entries
        = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            dirRemoveAll(entry.absoluteFilePath());
        else
            dir.remove(entry.fileName());
    }
    // Only the folder itself: its parents (say "fileRecv") stay even when they are empty now.
    return QDir().rmdir(absolute);
}

bool FileUtil::fileRemove(const QString &path)
{
    if (!QFile::remove(toAbsolutePath(path))) {
        qWarning() << "FileUtil::fileRemove the remove file fail! path:" << path;
        return false;
    }
    return true;
}

QString FileUtil::existingDesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return !desktop.isEmpty() && QDir(desktop).exists() ? desktop : QDir::homePath();
}
