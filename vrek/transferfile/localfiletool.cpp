#include "vrek/transferfile/localfiletool.h"

#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QDir>
#include <QFile>

LocalFileTool::LocalFileTool(QObject *parent)
    : QObject(parent)
{ }

void LocalFileTool::removeFileAndDir(QString fileId)
{
    if (fileId.isEmpty())
        return;
    if (!ReceivedFilePath::isValidFileId(fileId)) {
        qWarning() << "the fileId is not a plain name! fia:" << fileId;
        return;
    }
    // Both ids make the paths below, and the user's a pattern too.
    if (!ReceivedFilePath::isValidUserId(g_userId)) {
        qWarning() << "the userId is not a plain name! fia:" << fileId << "userId:" << g_userId;
        return;
    }
    const QString dirString = ReceivedFilePath::fileFolder(g_userId, fileId);
    if (QDir(dirString).exists() && !FileUtil::dirRemove(dirString))
        qWarning() << "the dirRemove fail! fia:" << fileId << "dirString:" << dirString;
    const QString fileString = dirString + ".zip";
    if (QFile::exists(fileString) && !FileUtil::fileRemove(fileString))
        qWarning() << "the fileRemove fail! fia:" << fileId << "fileString:" << fileString;
    const QString tempString = fileString + "_tmp";
    if (QFile::exists(tempString) && !FileUtil::fileRemove(tempString))
        qWarning() << "the tempRemove fail! fia:" << fileId << "tempString:" << tempString;
    // Downloads of any other suffix and what a broken one left beside them.
    for (const QString &path : ReceivedFilePath::leftovers(g_userId, fileId)) {
        if (!FileUtil::fileRemove(path))
            qWarning() << "the tempRemove fail! fia:" << fileId << "tempString:" << path;
    }
}
