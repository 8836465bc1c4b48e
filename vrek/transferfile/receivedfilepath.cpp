#include "vrek/transferfile/receivedfilepath.h"

#include <QDir>
#include <QStringList>
#include <QVariant>

#include <cmath>

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

bool ReceivedFilePath::isValidUserId(const QString &userId)
{
    if (userId.isEmpty() || userId.size() > maxUserIdDigits || userId.at(0) == QLatin1Char('0'))
        return false;
    for (const QChar c : userId) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    }
    return true;
}

QStringList ReceivedFilePath::leftovers(const QString &userId, const QString &fileId)
{
    if (!isValidUserId(userId) || !isValidFileId(fileId))
        return {};
    const QDir folder(userFolder(userId));
    QStringList paths;
    // Ids differ by case: another id's files are not this one's.
    for (const QString &name :
        folder.entryList({ fileId + ".*" }, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive))
        paths.append(folder.filePath(name));
    return paths;
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

bool ReceivedFilePath::readUserId(const QVariant &value, QString &userId)
{
    qlonglong number = 0;
    bool ok = false;
    if (value.type() == QVariant::Double) {
        const double d = value.toDouble();
        ok = std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15;
        number = ok ? qlonglong(d) : 0;
    } else if (value.canConvert<QString>()) {
        number = value.toString().toLongLong(&ok);
    }
    // Zero and the negative numbers are no user's.
    if (!ok || number <= 0)
        return false;
    userId = QString::number(number);
    return true;
}
