#include "vrek/container/pulluserinfohash.h"

#include "vrek/model/pulluserinfo.h"

#include <QDebug>

PullUserInfoHash::~PullUserInfoHash()
{
    qDeleteAll(m_users);
}

bool PullUserInfoHash::insertObject(PullUserInfo *info)
{
    if (!info)
        return false;
    if (m_users.contains(info->getUserId())) {
        qWarning() << "PullUserInfoHash::insertObject uid:" << info->getUserId();
        return false;
    }
    m_users.insert(info->getUserId(), info);
    return true;
}

bool PullUserInfoHash::selectObject(const QString &userId, PullUserInfo **info, bool warn) const
{
    PullUserInfo *found = m_users.value(userId, nullptr);
    if (!found) {
        if (warn)
            qWarning() << "PullUserInfoHash::selectObject uid:" << userId;
        return false;
    }
    if (info)
        *info = found;
    return true;
}
