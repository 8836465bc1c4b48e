#include "vrek/class/videotreemodel.h"

#include "vrek/utils/stringutil.h"

#include <QReadLocker>
#include <QWriteLocker>

VideoTreeModel::VideoTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
{ }

VideoTreeModel::~VideoTreeModel() = default;

QModelIndex VideoTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    Q_UNUSED(parent)
    return createIndex(row, column);
}

QModelIndex VideoTreeModel::parent(const QModelIndex &child) const
{
    Q_UNUSED(child)
    return QModelIndex();
}

int VideoTreeModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int VideoTreeModel::columnCount(const QModelIndex &parent) const
{
    Q_UNUSED(parent)
    return ColumnCount;
}

int VideoTreeModel::lockedRowCount() const
{
    QReadLocker locker(&m_lock);
    return m_rows.size();
}

QVariant VideoTreeModel::alignment(int column)
{
    switch (column) {
    case NumberColumn:
        return int(Qt::AlignCenter);
    case TitleColumn:
    case TimeColumn:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case DurationColumn:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant VideoTreeModel::data(const QModelIndex &index, int role) const
{
    // index() makes indexes for any row, so one beyond the rows can arrive here.
    if (!index.isValid() || index.model() != this || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return alignment(index.column());
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const GroupInfo &info = m_rows.at(index.row());
    switch (index.column()) {
    case NumberColumn:
        return index.row() + 1;
    case TitleColumn:
        return role == Qt::ToolTipRole ? StringUtil::plainToolTip(info.getTitle())
                                       : StringUtil::clippedText(info.getTitle());
    case DurationColumn:
        return QString("%1").arg(info.getActualTime());
    case TimeColumn:
        return info.getBeginTime();
    case VideoIdColumn:
        return info.getVideoId();
    default:
        return QVariant();
    }
}

QVariant VideoTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return alignment(section);
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    switch (section) {
    case NumberColumn:
        return QStringLiteral("   序号");
    case FirstGapColumn:
    case SecondGapColumn:
        return QStringLiteral("\t");
    case TitleColumn:
        return QStringLiteral("课节名称");
    case DurationColumn:
        return QStringLiteral("时长(分钟)");
    case TimeColumn:
        return QStringLiteral("授课时间");
    case ButtonColumn:
        return QStringLiteral("操作");
    default:
        return QVariant();
    }
}

bool VideoTreeModel::addRow(const GroupInfo &info)
{
    QWriteLocker locker(&m_lock);
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size());
    m_rows.append(info);
    endInsertRows();
    return true;
}

bool VideoTreeModel::clearRows()
{
    QWriteLocker locker(&m_lock);
    if (m_rows.isEmpty())
        return true;
    beginRemoveRows(QModelIndex(), 0, m_rows.size() - 1);
    m_rows.clear();
    endRemoveRows();
    return true;
}
