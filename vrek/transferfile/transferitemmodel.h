#ifndef TRANSFERITEMMODEL_H
#define TRANSFERITEMMODEL_H

#include "vrek/transferfile/transferinfo.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>

// The rows of a transfer list, flat, in insertion order. Rows are addressed by id: a row answers to its own id,
// and the rows of a file list ("fileIdAll@userId") and of transfers ("fileIdAll") answer to each other's ids.
class TransferItemModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        IdColumn = 0,
        KindColumn = 1,
        NameColumn = 2,
        SizeColumn = 3,
        ProgressColumn = 4,
        StatusColumn = 5,
        TimeColumn = 6,
        ColumnCount = 7,
    };

    explicit TransferItemModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The row that answers to the id, -1 when none does.
    int findRow(const QString &id) const;
    // False when a row answers to the record's id already.
    bool insertInfo(const TransferInfo &info);
    bool removeInfo(const QString &id);
    bool selectInfo(TransferInfo &info) const;
    // Replaces the row's record by the argument.
    bool updateInfo(const TransferInfo &info);
    bool updateId(const QString &oldId, const QString &newId, const QString &newPath);
    bool containsInfo(const QString &id) const { return findRow(id) >= 0; }
    QHash<QString, TransferInfo::TransferStatus> allStatus() const;
    TransferInfo infoAt(int row) const { return m_infos.value(row); }

private:
    void rowChanged(int row);

    QList<TransferInfo> m_infos;
};

#endif // TRANSFERITEMMODEL_H
