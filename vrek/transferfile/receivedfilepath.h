#ifndef RECEIVEDFILEPATH_H
#define RECEIVEDFILEPATH_H

#include <QString>
#include <QStringList>

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
    // A positive whole number in plain decimal (no sign, no leading zero, no blank): the one form a user id has,
    // so that one user has one folder and one key.
    static bool isValidUserId(const QString &userId);
    // As many as the largest id the login reads (a positive 64-bit number).
    static constexpr int maxUserIdDigits = 19;
    // What a download of the file left in the user's folder beside its folder and archive ("<file id>.<suffix>",
    // "<file id>.<suffix>_tmp" and its validator), as paths. Nothing unless both ids are plain names: the pattern
    // then meets this file's leftovers and nothing else.
    static QStringList leftovers(const QString &userId, const QString &fileId);
    // The last element of a name that may carry a path of either kind of separator; "" when that element is
    // empty, "." or "..".
    static QString lastComponent(const QString &name);
    // A user id from a server, read as the decimal text of the positive integer it holds; false for anything else.
    // The id names the user's folder, so no other text may pass, whichever server sent it.
    static bool readUserId(const QVariant &value, QString &userId);
};

#endif // RECEIVEDFILEPATH_H
