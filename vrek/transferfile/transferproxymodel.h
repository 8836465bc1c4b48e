#ifndef TRANSFERPROXYMODEL_H
#define TRANSFERPROXYMODEL_H

#include <QSortFilterProxyModel>

// Sorts a transfer list: sizes by their byte counts, every other column by its text in the locale's order, and
// rows whose texts are equal by their names.
class TransferProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TransferProxyModel(QObject *parent = nullptr);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

#endif // TRANSFERPROXYMODEL_H
