#include "vrek/utils/globalfunc.h"

#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_streamFlagMutex;
bool g_streamFlag = false;
} // namespace

bool GlobalFunc::isCurrentUserLect()
{
    switch (g_userType) {
    case 0:
    case 2:
    case 4:
        return true;
    case 1:
    case 3:
    case 5:
        return false;
    default:
        qWarning() << "GlobalFunc::isCurrentUserLect the userType unknown error! userType:" << g_userType;
        return false;
    }
}

bool GlobalFunc::isCurrentUserTypeFive()
{
    return g_userType == 5;
}

bool GlobalFunc::isMeetingClass()
{
    return g_classType == 5;
}

bool GlobalFunc::isUserLect(const QString &userId)
{
    if (!g_lectId.isEmpty())
        return userId == g_lectId;
    UserInfo userInfo;
    if (!g_userInfoHash.containsUserInfo(userId) || !g_userInfoHash.selectUserInfo(userId, userInfo))
        return false;
    return userInfo.getUserType() == QLatin1String("0");
}

void GlobalFunc::setStreamFlag(bool flag)
{
    QMutexLocker locker(&g_streamFlagMutex);
    g_streamFlag = flag;
}

bool GlobalFunc::streamFlag()
{
    QMutexLocker locker(&g_streamFlagMutex);
    return g_streamFlag;
}
