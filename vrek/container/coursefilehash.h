#ifndef COURSEFILEHASH_H
#define COURSEFILEHASH_H

#include "vrek/model/userfile.h"

#include <QHash>
#include <QReadWriteLock>
#include <QString>

// The course files this run knows about, by fileIdAll, with their download state; shared by the courseware and
// the transfer list from any thread. Entries stay for the whole run; a removed file is marked not downloaded.
class CourseFileHash
{
public:
    CourseFileHash() = default;
    ~CourseFileHash() = default;
    CourseFileHash(const CourseFileHash &) = delete;
    CourseFileHash &operator=(const CourseFileHash &) = delete;

    // Inserts a copy, or overwrites the stored record of the same fileIdAll.
    bool updateUserFile(const UserFile &file);
    // Copies the stored record into out; false and out untouched when the id is unknown.
    bool selectUserFile(const QString &fileIdAll, UserFile &out) const;
    bool containsUserFile(const QString &fileIdAll) const;

private:
    mutable QReadWriteLock m_lock;
    QHash<QString, UserFile> m_files;
};

// The one course-file table of the running client.
extern CourseFileHash g_courseFileHash;

#endif // COURSEFILEHASH_H
