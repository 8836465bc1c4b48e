#ifndef TRANSFERFILEDAO_H
#define TRANSFERFILEDAO_H

#include "vrek/dao/basedao.h"
#include "vrek/model/transferfile.h"

#include <QList>
#include <QString>

// The table "TransferFile". Every operation is one access period of its own; none may be called inside another.
class TransferFileDao : public BaseDao
{
public:
    ~TransferFileDao() override = default;

    // Makes sure the table exists with every column; a table of an older layout is dropped and made anew.
    static bool initial();
    // Runs inside the access period of initial.
    static bool createTransferTable();

    bool saveTransferFile(const TransferFile &file);
    bool insertTransferFile(const TransferFile &file);
    bool updateTransferFile(const TransferFile &file);
    bool deleteTransferFileById(const QString &id);
    // In: the record's id; out: the other fields of its row.
    bool selectTransferFileById(TransferFile &file) const;
    bool selectTransferFileList(const QString &userId, QList<TransferFile> &files) const;
    // Whether the transfer of the id has finished (progress 1000).
    bool selectTransferResultById(const QString &id) const;
    bool verifyTransferFileById(const QString &id, bool &exists) const;
};

#endif // TRANSFERFILEDAO_H
