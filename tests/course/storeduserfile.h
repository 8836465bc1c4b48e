#ifndef STOREDUSERFILE_H
#define STOREDUSERFILE_H

#include "vrek/dao/basedao.h"
#include "vrek/dao/dbmanager.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// A course file's row of the table "UserFile" as the course tests read it back.
struct StoredUserFile
{
    int status = -1; // -1: no row
    int fileCount = 0;
};

// The row of an id ("fileIdAll@userId").
inline StoredUserFile storedUserFile(const QString &id)
{
    DaoAccessPeriod period;
    QStringList keys { "status", "fileCount" };
    QList<QVariantList> rows;
    if (!period.isOpen() || !DBManager::select("UserFile", keys, rows, "id = ?", { id }) || rows.isEmpty())
        return StoredUserFile {};
    return StoredUserFile { rows.first().at(0).toInt(), rows.first().at(1).toInt() };
}

#endif // STOREDUSERFILE_H
