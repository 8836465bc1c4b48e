#include "vrek/dao/userfiledao.h"

#include "vrek/dao/dbmanager.h"

#include <QDebug>
#include <QMap>
#include <QVariant>

namespace {
const char *const table = "UserFile";

QMap<QString, QVariant> rowValues(const UserFile &file, bool withId)
{
    QMap<QString, QVariant> values;
    if (withId)
        values.insert("id", file.getId());
    values.insert("fileIdAll", file.getFileIdAll());
    values.insert("fileName", file.getFileName());
    values.insert("fileUrl", file.getFileUrl());
    values.insert("userId", file.getUserId());
    values.insert("fileCount", file.getFileCount());
    values.insert("status", file.getStatus());
    return values;
}

bool removeUnfinishedRows()
{
    return DBManager::remove(table, "status = 0 or status = 1");
}

UserFile recordFromRow(const QVariantList &row)
{
    UserFile file;
    file.setId(row.at(0).toString());
    file.setFileName(row.at(1).toString());
    file.setFileUrl(row.at(2).toString());
    file.setFileCount(row.at(3).toUInt());
    return file;
}
} // namespace

bool UserFileDao::initial()
{
    DaoAccessPeriod period;
    if (!period.isOpen()) {
        qWarning() << "the openDB fail! ";
        return false;
    }
    bool exists = false;
    if (!DBManager::isExistTable(table, exists))
        return false;
    if (exists)
        return removeUnfinishedRows();
    return DBManager::createTable(table, { "id", "fileIdAll", "fileName", "fileUrl", "userId", "fileCount", "status" },
        { DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Integer,
            DBManager::Integer });
}

bool UserFileDao::saveUserFile(const UserFile &file)
{
    if (file.getId().isEmpty()) {
        qWarning() << "the id is empty error! ";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    // Any row of the id counts here, a status-0 row too: inserting over it would fail on the key and lose
    // the record.
    QStringList keys { "id" };
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { file.getId() }))
        return false;
    if (rows.isEmpty())
        return DBManager::insert(table, rowValues(file, true));
    return DBManager::update(table, rowValues(file, false), "id = ?", { file.getId() });
}

bool UserFileDao::insertUserFile(const UserFile &file)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::insert(table, rowValues(file, true));
}

bool UserFileDao::updateUserFile(const UserFile &file)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::update(table, rowValues(file, false), "id = ?", { file.getId() });
}

bool UserFileDao::deleteUserFileById(const QString &id)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::remove(table, "id = ?", { id });
}

bool UserFileDao::removeUnfinishedFiles()
{
    DaoAccessPeriod period;
    return period.isOpen() && removeUnfinishedRows();
}

bool UserFileDao::selectUserFileById(UserFile &file) const
{
    const QString id = file.getId();
    if (id.isEmpty()) {
        qWarning() << "the ufId empty error! ufId:" << id;
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys { "id", "fileName", "fileUrl", "fileCount" };
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { id }))
        return false;
    if (rows.size() != 1) {
        qWarning() << "the res != 1 error! res:" << rows;
        return false;
    }
    if (rows.first().size() != 4) {
        qWarning() << "the res0_Size != 4 error! res0:" << rows.first();
        return false;
    }
    const UserFile found = recordFromRow(rows.first());
    file.setId(found.getId());
    file.setFileName(found.getFileName());
    file.setFileUrl(found.getFileUrl());
    file.setFileCount(found.getFileCount());
    return true;
}

bool UserFileDao::selectUserFileList(const QString &userId, QList<UserFile> &files, int status) const
{
    if (!files.isEmpty()) {
        qWarning() << "the ufListSize != 0 error! ";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys { "id", "fileName", "fileUrl", "fileCount" };
    QList<QVariantList> rows;
    const bool ok = status == 0
        ? DBManager::select(table, keys, rows, "userId = ? and status = 2", { userId })
        : DBManager::select(table, keys, rows, "userId = ? and (status = 2 or status = ?)", { userId, status });
    if (!ok)
        return false;
    for (const QVariantList &row : qAsConst(rows)) {
        if (row.size() != 4) {
            qWarning() << "the res0_Size != 4 error! res0:" << row;
            return false;
        }
        files.append(recordFromRow(row));
    }
    return true;
}

bool UserFileDao::verifyUserFileById(const QString &id, bool &exists) const
{
    if (id.isEmpty()) {
        qWarning() << "the id is empty error! ";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys;
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ? and status != 0", { id }))
        return false;
    if (rows.size() > 1) {
        qWarning() << "the resSize > 1 error! ";
        return false;
    }
    exists = rows.size() == 1;
    return true;
}
