#include "vrek/transferfile/diskroom.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

namespace DiskRoom {

QString dataFolder()
{
    return QStringLiteral("fileRecv");
}

qint64 freeBytes(const QString &path)
{
    // A folder not made yet is on the disk of the nearest one that is.
    QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(folder).isDir() && folder.lastIndexOf('/') > 0)
        folder.truncate(folder.lastIndexOf('/'));
    const QStorageInfo storage(folder);
    if (!storage.isValid())
        return -1;
    return storage.bytesAvailable();
}

bool isNoRoomError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        return QStringLiteral("?");
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

QString noRoomText(qint64 freeBytes)
{
    return QStringLiteral("磁盘空间不足（剩余 %1），文件未能保存；腾出空间后将自动重新下载").arg(sizeText(freeBytes));
}

QString noRoomForUploadText(qint64 freeBytes)
{
    return QStringLiteral("磁盘空间不足（剩余 %1），上传记录未能保存；请腾出空间后重新上传").arg(sizeText(freeBytes));
}

QString lowRoomAtStartText(qint64 freeBytes)
{
    return QStringLiteral("磁盘空间不足（剩余 %1），日志、设置和收到的文件暂时无法保存，请尽快腾出磁盘空间")
        .arg(sizeText(freeBytes));
}

QString noRoomForDatabaseText(qint64 freeBytes)
{
    return QStringLiteral("磁盘空间不足（剩余 %1），程序无法创建数据文件，请腾出磁盘空间后重新启动。")
        .arg(sizeText(freeBytes));
}

} // namespace DiskRoom
