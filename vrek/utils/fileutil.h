#ifndef FILEUTIL_H
#define FILEUTIL_H

#include <QString>

// Folder and file helpers. Relative paths are taken against the current directory.
class FileUtil
{
public:
    static bool dirMakePath(const QString &path);
    static bool dirCreate(const QString &path);
    static QString toAbsolutePath(const QString &path);
    static bool dirExists(const QString &path);
    static bool dirFileCount(const QString &path, unsigned int &count);
    static bool dirRemove(const QString &path);
    static bool dirRemoveAll(const QString &path);
    static bool fileRemove(const QString &path);
    // The user's desktop folder, or the home folder where there is none: many Linux desktops have no desktop
    // folder, and a file dialog asked to start in a missing folder starts wherever the program runs.
    static QString existingDesktopFolder();
};

#endif // FILEUTIL_H
