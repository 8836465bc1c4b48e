#include "vrek/container/userinfohash.h"

#include <QDebug>
#include <QReadLocker>
#include <QWriteLocker>

UserInfoHash g_userInfoHash;

UserInfoHash::~UserInfoHash()
{
    QWriteLocker locker(&m_lock);
    m_users.clear();
}

bool UserInfoHash::updateUserInfo(const UserInfo &userInfo)
{
    QWriteLocker locker(&m_lock);
    m_users.insert(userInfo.getUserId(), userInfo);
    return true;
}

bool UserInfoHash::selectUserInfo(const QString &userId, UserInfo &out) const
{
    {
        QReadLocker locker(&m_lock);
        const auto it = m_users.constFind(userId);
        if (it != m_users.constEnd()) {
            out = it.value();
            return true;
        }
    }
    qWarning() << "uid not exist, uid:" << userId;
    return false;
}

bool UserInfoHash::containsUserInfo(const QString &userId) const
{
    QReadLocker locker(&m_lock);
    return m_users.contains(userId);
}

bool UserInfoHash::isUserOnline(const QString &userId) const
{
    QReadLocker locker(&m_lock);
    const auto it = m_users.constFind(userId);
    return it != m_users.constEnd() && it.value().getOnline();
}

QStringList UserInfoHash::selectAllUserId() const
{
    QReadLocker locker(&m_lock);
    return m_users.keys();
}

int UserInfoHash::count() const
{
    QReadLocker locker(&m_lock);
    return m_users.size();
}

void UserInfoHash::resetAllUserState()
{
    QWriteLocker locker(&m_lock);
    for (auto it = m_users.begin(); it != m_users.end(); ++it) {
        it.value().setOnline(false);
        it.value().setListener(false);
        it.value().setCameraOn(false);
        it.value().setCameraState(0);
    }
}

void UserInfoHash::clear()
{
    QWriteLocker locker(&m_lock);
    m_users.clear();
}
