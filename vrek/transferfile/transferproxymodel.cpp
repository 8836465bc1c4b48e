#include "vrek/transferfile/transferproxymodel.h"

#include "vrek/transferfile/transferitemmodel.h"

TransferProxyModel::TransferProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{ }

bool TransferProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (left.column() == TransferItemModel::SizeColumn && right.column() == TransferItemModel::SizeColumn)
        return left.data(Qt::UserRole).toLongLong() < right.data(Qt::UserRole).toLongLong();
    const QString leftText = left.data(Qt::DisplayRole).toString();
    const QString rightText = right.data(Qt::DisplayRole).toString();
    const int order = QString::localeAwareCompare(leftText, rightText);
    if (order != 0)
        return order < 0;
    const QString leftName = left.sibling(left.row(), TransferItemModel::NameColumn).data().toString();
    const QString rightName = right.sibling(right.row(), TransferItemModel::NameColumn).data().toString();
    return QString::localeAwareCompare(leftName, rightName) < 0;
}
