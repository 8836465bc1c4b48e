#include "platform/appdata/appdata.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString AppData::folder(const QString &applicationName)
{
    QString path = qEnvironmentVariable("TAVI_APPDATA");
    if (path.isEmpty()) {
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (path.isEmpty())
            path = QDir::homePath() + "/.local/share";
        path += '/' + applicationName;
    }
    QDir().mkpath(path);
    path = QDir(path).absolutePath();
    // It holds the remembered password and the user's files.
    if (::chmod(QFile::encodeName(path).constData(), S_IRWXU) != 0)
        qWarning() << "the data folder cannot be made private:" << path;
    return path;
}

bool AppData::makePrivateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        qWarning() << "the file cannot be made:" << path;
        return false;
    }
    const bool changed = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    ::close(fd);
    if (!changed)
        qWarning() << "the file cannot be made private:" << path;
    return changed;
}
