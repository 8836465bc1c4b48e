#ifndef USERFILEDAO_H
#define USERFILEDAO_H

#include "vrek/dao/basedao.h"
#include "vrek/model/userfile.h"

#include <QList>
#include <QString>

// The table "UserFile". Every operation is one access period of its own; none may be called inside another.
class UserFileDao : public BaseDao
{
public:
    ~UserFileDao() override = default;

    // Creates the table, or forgets the unfinished downloads of an earlier run.
    static bool initial();

    bool saveUserFile(const UserFile &file);
    bool insertUserFile(const UserFile &file);
    bool updateUserFile(const UserFile &file);
    bool deleteUserFileById(const QString &id);
    bool removeUnfinishedFiles();
    // In: the record's id; out: fileName, fileUrl and fileCount of its row.
    bool selectUserFileById(UserFile &file) const;
    // Complete files of the user, and with a non-zero extra status the files in that stage too.
    bool selectUserFileList(const QString &userId, QList<UserFile> &files, int status) const;
    // Whether a row with the id and a status other than 0 exists.
    bool verifyUserFileById(const QString &id, bool &exists) const;
};

#endif // USERFILEDAO_H
