#ifndef RECEIVEDFILEPATH_H
#define RECEIVEDFILEPATH_H

#include <QString>

class QVariant;

// Where received files live, relative to the working directory: "fileRecv/<user id>" and, per file,
// "fileRecv/<user id>/<file id>". File ids and display names come from the server, so they are checked
// before they become part of a path.
class ReceivedFilePath
{
public:
    static QString userFolder(const QString &userId);
    static QString fileFolder(const QString &userId, const QString &fileId);
    // Not empty, and only ASCII letters, digits, "_" and "-": such an id names one folder and nothing else.
    static bool isValidFileId(const QString &fileId);
    // The last element of a name that may carry a path of either kind of separator; "" when that element is
    // empty, "." or "..".
    static QString lastComponent(const QString &name);
    // A user id from a server, read as the decimal text of the integer it holds; false for anything else. The
    // id names the user's folder, so no other text may pass, whichever server sent it.
    static bool readUserId(const QVariant &value, QString &userId);
};

#endif // RECEIVEDFILEPATH_H
