#include "vrek/transferfile/transfertreeview.h"

#include "vrek/transferfile/transferitemdelegate.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transferproxymodel.h"
#include "vrek/utils/globalvalue.h"

#include <QHeaderView>
#include <QResizeEvent>

TransferTreeView::TransferTreeView(QWidget *parent)
    : QTreeView(parent)
    , m_model(new TransferItemModel(this))
    , m_proxy(new TransferProxyModel(this))
    , m_delegate(new TransferItemDelegate(this))
{
    m_proxy->setSourceModel(m_model);
    setModel(m_proxy);
    setItemDelegate(m_delegate);
    setColumnHidden(TransferItemModel::IdColumn, true);
    setStyleSheet("QTreeView::item {height:40px;}");
    setRootIsDecorated(false);
    setSortingEnabled(true);
    header()->setSectionsMovable(false);
    sortByColumn(TransferItemModel::TimeColumn, Qt::DescendingOrder);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
        qOverload<const QModelIndex &, const QModelIndex &, const QVector<int> &>(&TransferTreeView::slotDataChanged));
    setColumnWidths();
}

TransferTreeView::~TransferTreeView()
{
    // Its owner may be half gone already: the rows going with the view tell nobody.
    blockSignals(true);
}

bool TransferTreeView::insertRow(const TransferInfo &info)
{
    return m_model->insertInfo(info);
}

bool TransferTreeView::removeRow(const TransferInfo &info)
{
    return m_model->removeInfo(info.getId());
}

bool TransferTreeView::selectRow(TransferInfo &info) const
{
    return m_model->selectInfo(info);
}

bool TransferTreeView::updateRow(const TransferInfo &info)
{
    if (!m_model->updateInfo(info))
        return false;
    if (info.getStatus() == TransferInfo::DownloadError || info.getStatus() == TransferInfo::UploadError)
        m_errorRows.append(info);
    return true;
}

bool TransferTreeView::updateId(const QString &oldId, const QString &newId, const QString &newPath)
{
    return m_model->updateId(oldId, newId, newPath);
}

bool TransferTreeView::containsRow(const TransferInfo &info) const
{
    return m_model->containsInfo(info.getId());
}

QHash<QString, TransferInfo::TransferStatus> TransferTreeView::getAllItemStatus() const
{
    return m_model->allStatus();
}

void TransferTreeView::clearErrorRows()
{
    for (const TransferInfo &info : qAsConst(m_errorRows)) {
        // A row that left its error since, or went already, stays as it is.
        TransferInfo stored = info;
        if (!m_model->containsInfo(info.getId()) || !m_model->selectInfo(stored))
            continue;
        if (stored.getStatus() == TransferInfo::DownloadError || stored.getStatus() == TransferInfo::UploadError)
            m_model->removeInfo(info.getId());
    }
    m_errorRows.clear();
}

void TransferTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    emitCurrent(current);
}

void TransferTreeView::emitCurrent(const QModelIndex &current)
{
    if (!current.isValid()) {
        emit signalCurrentItemChange(QString(), TransferInfo::FreeText);
        return;
    }
    const QString id = current.sibling(current.row(), TransferItemModel::IdColumn).data().toString();
    const int status = current.sibling(current.row(), TransferItemModel::StatusColumn).data(Qt::UserRole).toInt();
    emit signalCurrentItemChange(id, TransferInfo::TransferStatus(status));
}

void TransferTreeView::slotDataChanged(
    const QModelIndex &topLeft, const QModelIndex &bottomRight, const QVector<int> &roles)
{
    Q_UNUSED(roles)
    slotDataChanged(topLeft, bottomRight);
}

void TransferTreeView::slotDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (topLeft.row() != bottomRight.row())
        return;
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex changed = m_proxy->mapFromSource(topLeft);
    if (changed.isValid() && changed.row() == current.row())
        emitCurrent(current);
}

void TransferTreeView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    setColumnWidths();
}

void TransferTreeView::setColumnWidths()
{
    setColumnWidth(TransferItemModel::KindColumn, int(40 * g_uiScale));
    setColumnWidth(TransferItemModel::SizeColumn, int(80 * g_uiScale));
    setColumnWidth(TransferItemModel::ProgressColumn, int(60 * g_uiScale));
    setColumnWidth(TransferItemModel::StatusColumn, int(100 * g_uiScale));
    setColumnWidth(TransferItemModel::TimeColumn, int(120 * g_uiScale));
    const int rest = viewport()->width() - int((279 + 125) * g_uiScale) - 15;
    setColumnWidth(TransferItemModel::NameColumn, qMax(int(100 * g_uiScale), rest));
}
