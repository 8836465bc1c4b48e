#ifndef TRANSFERTREEVIEW_H
#define TRANSFERTREEVIEW_H

#include "vrek/transferfile/transferinfo.h"

#include <QHash>
#include <QList>
#include <QTreeView>

class TransferItemDelegate;
class TransferItemModel;
class TransferProxyModel;

// A transfer list: one row per transfer with its kind, name, size, progress, status and date, sortable by
// column. Callers address rows by file id only; the rows that ended in errors can be cleared at once.
class TransferTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit TransferTreeView(QWidget *parent = nullptr);
    ~TransferTreeView() override;

    bool insertRow(const TransferInfo &info);
    bool removeRow(const TransferInfo &info);
    bool selectRow(TransferInfo &info) const;
    // Also remembers a row that enters status 5 or 15 for clearErrorRows.
    bool updateRow(const TransferInfo &info);
    bool updateId(const QString &oldId, const QString &newId, const QString &newPath);
    bool containsRow(const TransferInfo &info) const;
    QHash<QString, TransferInfo::TransferStatus> getAllItemStatus() const;
    void clearErrorRows();

    TransferItemModel *itemModel() const { return m_model; }
    TransferProxyModel *proxyModel() const { return m_proxy; }

signals:
    // The current row changed, or the current row's content did; an empty id and status 30 for no row.
    void signalCurrentItemChange(QString fileId, TransferInfo::TransferStatus status);

public slots:
    void slotDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QVector<int> &roles);
    void slotDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void emitCurrent(const QModelIndex &current);
    void setColumnWidths();

    TransferItemModel *m_model;
    TransferProxyModel *m_proxy;
    TransferItemDelegate *m_delegate;
    QList<TransferInfo> m_errorRows;
};

#endif // TRANSFERTREEVIEW_H
