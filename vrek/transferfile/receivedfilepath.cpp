#include "vrek/transferfile/receivedfilepath.h"

#include <QStringList>

QString ReceivedFilePath::userFolder(const QString &userId)
{
    return QString("fileRecv/%1").arg(userId);
}

QString ReceivedFilePath::fileFolder(const QString &userId, const QString &fileId)
{
    return QString("fileRecv/%1/%2").arg(userId, fileId);
}

bool ReceivedFilePath::isValidFileId(const QString &fileId)
{
    if (fileId.isEmpty())
        return false;
    for (const QChar c : fileId) {
        const ushort u = c.unicode();
        const bool plain
            = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-';
        if (!plain)
            return false;
    }
    return true;
}

QString ReceivedFilePath::lastComponent(const QString &name)
{
    QString last = name;
    const int cut = qMax(name.lastIndexOf('/'), name.lastIndexOf('\\'));
    if (cut >= 0)
        last = name.mid(cut + 1);
    if (last == "." || last == "..")
        return QString();
    return last;
}
