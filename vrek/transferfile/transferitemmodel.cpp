#include "vrek/transferfile/transferitemmodel.h"

#include "vrek/utils/stringutil.h"

#include <QDebug>

TransferItemModel::TransferItemModel(QObject *parent)
    : QAbstractItemModel(parent)
{ }

QModelIndex TransferItemModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= m_infos.size() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex TransferItemModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int TransferItemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_infos.size();
}

int TransferItemModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant TransferItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_infos.size())
        return QVariant();
    const TransferInfo &info = m_infos.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case IdColumn:
            return info.getId();
        case NameColumn:
            // A shared file's name is the sender's: laid out, and sorted by, no more of it than a cell shows.
            return role == Qt::ToolTipRole ? StringUtil::plainToolTip(info.getFilePath())
                                           : StringUtil::clippedText(info.getFilePath());
        case SizeColumn:
            return info.getSizeText();
        case StatusColumn:
            return info.getStatusText();
        case TimeColumn:
            return info.getTimeText();
        default:
            return QVariant();
        }
    }
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case KindColumn:
            return info.getKind();
        case SizeColumn:
            return info.getFileSize();
        case ProgressColumn:
            return info.getProgress();
        case StatusColumn:
            return int(info.getStatus());
        default:
            return QVariant();
        }
    }
    return QVariant();
}

QVariant TransferItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case NameColumn:
        return QStringLiteral("名称");
    case SizeColumn:
        return QStringLiteral("大小");
    case ProgressColumn:
        return QStringLiteral("进度");
    case StatusColumn:
        return QStringLiteral("状态");
    case TimeColumn:
        return QStringLiteral("日期");
    default:
        return QVariant();
    }
}

int TransferItemModel::findRow(const QString &id) const
{
    if (id.isEmpty())
        return -1;
    for (int row = 0; row < m_infos.size(); ++row) {
        if (m_infos.at(row).getId() == id)
            return row;
    }
    // A file-list row answers to its file id; a transfer row to the file-list id of its file.
    const int idAt = id.indexOf('@');
    for (int row = 0; row < m_infos.size(); ++row) {
        const QString rowId = m_infos.at(row).getId();
        const int at = rowId.indexOf('@');
        if (at >= 0 && idAt < 0 && rowId.left(at) == id)
            return row;
        if (at < 0 && idAt >= 0 && id.left(idAt) == rowId)
            return row;
    }
    return -1;
}

bool TransferItemModel::insertInfo(const TransferInfo &info)
{
    if (findRow(info.getId()) >= 0)
        return false;
    beginInsertRows(QModelIndex(), m_infos.size(), m_infos.size());
    m_infos.append(info);
    endInsertRows();
    return true;
}

bool TransferItemModel::removeInfo(const QString &id)
{
    const int row = findRow(id);
    if (row < 0) {
        qWarning() << "ti not in list ti:" << id;
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_infos.removeAt(row);
    endRemoveRows();
    return true;
}

bool TransferItemModel::selectInfo(TransferInfo &info) const
{
    const int row = findRow(info.getId());
    if (row < 0) {
        qWarning() << "ti not in list ti:" << info.getId();
        return false;
    }
    info = m_infos.at(row);
    return true;
}

bool TransferItemModel::updateInfo(const TransferInfo &info)
{
    const int row = findRow(info.getId());
    if (row < 0) {
        qWarning() << "ti not in list ti:" << info.getId();
        return false;
    }
    m_infos[row] = info;
    rowChanged(row);
    return true;
}

bool TransferItemModel::updateId(const QString &oldId, const QString &newId, const QString &newPath)
{
    const int row = findRow(oldId);
    if (row < 0) {
        qWarning() << "ti not in list ti:" << oldId;
        return false;
    }
    m_infos[row].setId(newId);
    m_infos[row].setFilePath(newPath);
    rowChanged(row);
    return true;
}

QHash<QString, TransferInfo::TransferStatus> TransferItemModel::allStatus() const
{
    QHash<QString, TransferInfo::TransferStatus> statuses;
    for (const TransferInfo &info : m_infos)
        statuses.insert(info.getId(), info.getStatus());
    return statuses;
}

void TransferItemModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
