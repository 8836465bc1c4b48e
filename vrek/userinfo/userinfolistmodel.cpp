#include "vrek/userinfo/userinfolistmodel.h"

#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QReadLocker>
#include <QWriteLocker>

#include <algorithm>

UserInfoListModel::UserInfoListModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

UserInfoListModel::~UserInfoListModel() = default;

bool UserInfoListModel::lessThan(const UserInfo &a, const UserInfo &b)
{
    const bool aLect = a.getUserId() == g_lectId;
    const bool bLect = b.getUserId() == g_lectId;
    if (aLect != bLect)
        return aLect;
    const bool aZero = a.getUserType() == QLatin1String("0");
    const bool bZero = b.getUserType() == QLatin1String("0");
    if (aZero != bZero)
        return aZero;
    return QString::localeAwareCompare(a.getUserName(), b.getUserName()) < 0;
}

int UserInfoListModel::rowOf(const QString &userId) const
{
    QReadLocker locker(&m_lock);
    for (int row = 0; row < m_list.size(); ++row) {
        if (m_list.at(row).getUserId() == userId)
            return row;
    }
    return -1;
}

bool UserInfoListModel::appendRow(const UserInfo &userInfo)
{
    if (rowOf(userInfo.getUserId()) >= 0) {
        qWarning() << "uf already in list" << userInfo.getUserId();
        return false;
    }
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    {
        QWriteLocker locker(&m_lock);
        m_list.append(userInfo);
    }
    endInsertRows();
    return true;
}

bool UserInfoListModel::appendRows(const QList<UserInfo> &list, QList<UserInfo> *appended)
{
    if (list.isEmpty())
        return true;
    QList<UserInfo> fresh;
    for (const UserInfo &userInfo : list) {
        // A list that names a user twice inserts the user once.
        if (rowOf(userInfo.getUserId()) >= 0 || fresh.contains(userInfo)) {
            qWarning() << "uf already in list" << userInfo.getUserId();
            continue;
        }
        fresh.append(userInfo);
    }
    if (!fresh.isEmpty()) {
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + fresh.size() - 1);
        {
            QWriteLocker locker(&m_lock);
            m_list.append(fresh);
        }
        endInsertRows();
    }
    if (appended)
        *appended = fresh;
    return true;
}

bool UserInfoListModel::removeRow(const UserInfo &userInfo)
{
    const int row = rowOf(userInfo.getUserId());
    if (row < 0) {
        qWarning() << "user not in list userId:" << userInfo.getUserId();
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    {
        QWriteLocker locker(&m_lock);
        m_list.removeAt(row);
    }
    endRemoveRows();
    return true;
}

bool UserInfoListModel::clear()
{
    const int rows = rowCount();
    if (rows == 0)
        return true;
    beginRemoveRows(QModelIndex(), 0, rows - 1);
    {
        QWriteLocker locker(&m_lock);
        m_list.clear();
    }
    endRemoveRows();
    return true;
}

void UserInfoListModel::sort()
{
    QWriteLocker locker(&m_lock);
    std::sort(m_list.begin(), m_list.end(), &UserInfoListModel::lessThan);
}

QList<UserInfo> UserInfoListModel::userInfoList() const
{
    QReadLocker locker(&m_lock);
    return m_list;
}

int UserInfoListModel::rowCount(const QModelIndex &parent) const
{
    // A list has no children below its rows.
    if (parent.isValid())
        return 0;
    QReadLocker locker(&m_lock);
    return m_list.size();
}

QVariant UserInfoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::UserRole)
        return QVariant();
    QReadLocker locker(&m_lock);
    if (index.row() < 0 || index.row() >= m_list.size())
        return QVariant();
    return m_list.at(index.row()).getUserId();
}

QVariant UserInfoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    Q_UNUSED(section)
    Q_UNUSED(orientation)
    Q_UNUSED(role)
    return QVariant();
}
