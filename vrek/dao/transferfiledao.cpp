#include "vrek/dao/transferfiledao.h"

#include "vrek/dao/dbmanager.h"

#include <QDebug>
#include <QMap>
#include <QStringList>
#include <QVariant>

namespace {
const char *const table = "TransferFile";
const QStringList columns { "id", "fileId", "fileName", "fileUrl", "fileMd5", "classTitle", "userId", "fileProgress",
    "fileRange" };
const QStringList recordColumns { "id", "fileName", "fileUrl", "fileMd5", "classTitle", "fileProgress", "fileRange" };

QMap<QString, QVariant> rowValues(const TransferFile &file)
{
    QMap<QString, QVariant> values;
    values.insert("id", file.getId());
    values.insert("fileId", file.getFileId());
    values.insert("fileName", file.getFileName());
    values.insert("fileUrl", file.getFileUrl());
    values.insert("fileMd5", file.getFileMd5());
    values.insert("classTitle", file.getClassTitle());
    values.insert("userId", file.getUserId());
    values.insert("fileProgress", file.getFileProgress());
    values.insert("fileRange", file.getFileRange());
    return values;
}

void fillRecord(TransferFile &file, const QVariantList &row)
{
    file.setId(row.at(0).toString());
    file.setFileName(row.at(1).toString());
    file.setFileUrl(row.at(2).toString());
    file.setFileMd5(row.at(3).toString());
    file.setClassTitle(row.at(4).toString());
    file.setFileProgress(row.at(5).toInt());
    file.setFileRange(row.at(6).toLongLong());
}
} // namespace

bool TransferFileDao::initial()
{
    DaoAccessPeriod period;
    bool exists = false;
    if (!period.isOpen() || !DBManager::isExistTable(table, exists))
        return false;
    if (!exists)
        return createTransferTable();
    for (const QString &column : columns) {
        bool present = false;
        if (!DBManager::isExistField(table, column, present))
            return false;
        if (!present) {
            qInfo() << "the TransferFile table lacks a column, made anew; column:" << column;
            return DBManager::removeTable(table) && createTransferTable();
        }
    }
    return true;
}

bool TransferFileDao::createTransferTable()
{
    return DBManager::createTable(table, columns,
        { DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text,
            DBManager::Text, DBManager::Integer, DBManager::Integer });
}

bool TransferFileDao::saveTransferFile(const TransferFile &file)
{
    if (file.getId().isEmpty()) {
        qWarning() << "the id is empty!";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys { "id" };
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { file.getId() }))
        return false;
    if (rows.size() > 1) {
        qWarning() << "the resSize > 1!";
        return false;
    }
    if (rows.isEmpty())
        return DBManager::insert(table, rowValues(file));
    return DBManager::update(table, rowValues(file), "id = ?", { file.getId() });
}

bool TransferFileDao::insertTransferFile(const TransferFile &file)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::insert(table, rowValues(file));
}

bool TransferFileDao::updateTransferFile(const TransferFile &file)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::update(table, rowValues(file), "id = ?", { file.getId() });
}

bool TransferFileDao::deleteTransferFileById(const QString &id)
{
    DaoAccessPeriod period;
    return period.isOpen() && DBManager::remove(table, "id = ?", { id });
}

bool TransferFileDao::selectTransferFileById(TransferFile &file) const
{
    const QString id = file.getId();
    if (id.isEmpty()) {
        qWarning() << "the id is empty!";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys = recordColumns;
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { id }))
        return false;
    if (rows.size() != 1) {
        qWarning() << "the res != 1 res:" << rows;
        return false;
    }
    if (rows.first().size() != recordColumns.size()) {
        qWarning() << "the row does not hold seven values, row:" << rows.first();
        return false;
    }
    fillRecord(file, rows.first());
    return true;
}

bool TransferFileDao::selectTransferFileList(const QString &userId, QList<TransferFile> &files) const
{
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys = recordColumns;
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "userId = ?", { userId }))
        return false;
    for (const QVariantList &row : qAsConst(rows)) {
        if (row.size() != recordColumns.size())
            continue;
        TransferFile file;
        fillRecord(file, row);
        files.append(file);
    }
    return true;
}

bool TransferFileDao::selectTransferResultById(const QString &id) const
{
    if (id.isEmpty()) {
        qWarning() << "the id is empty!";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys;
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { id }))
        return false;
    if (rows.size() > 1) {
        qWarning() << "the resSize > 1!";
        return false;
    }
    return rows.size() == 1 && rows.first().size() == columns.size() && rows.first().at(7).toInt() == 1000;
}

bool TransferFileDao::verifyTransferFileById(const QString &id, bool &exists) const
{
    if (id.isEmpty()) {
        qWarning() << "the id is empty!";
        return false;
    }
    DaoAccessPeriod period;
    if (!period.isOpen())
        return false;
    QStringList keys;
    QList<QVariantList> rows;
    if (!DBManager::select(table, keys, rows, "id = ?", { id }))
        return false;
    if (rows.size() > 1) {
        qWarning() << "the resSize > 1!";
        return false;
    }
    exists = rows.size() == 1;
    return true;
}
