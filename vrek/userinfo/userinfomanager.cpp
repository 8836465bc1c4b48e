#include "vrek/userinfo/userinfomanager.h"

#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>

namespace {
QString text(const QVariantMap &row, const char *key)
{
    return row.value(QLatin1String(key)).toString();
}

// A row without the key counts as the user's main login: a present user must not vanish for a missing field.
bool isMainAccount(const QVariantMap &row)
{
    const QLatin1String key("isMainAccount");
    return !row.contains(key) || row.value(key).toUInt() != 0;
}

bool isTypeFive(const UserInfo &userInfo)
{
    return userInfo.getUserType() == QLatin1String("5");
}
} // namespace

UserInfoManager::UserInfoManager(QObject *parent)
    : QObject(parent)
{
    qInfo() << "parent:" << parent;
}

UserInfoManager::~UserInfoManager()
{
    qInfo() << "~UserInfoManager";
}

void UserInfoManager::slotProtocolAnalysis(QString line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() == 2) {
        QList<QVariantMap> rows;
        if (!StringUtil::jsonToList(fields.at(1), rows))
            return;
        QList<UserInfo> present;
        for (const QVariantMap &row : qAsConst(rows)) {
            if (!isMainAccount(row)) {
                storeSecondLogin(row);
                continue;
            }
            UserInfo stored;
            if (storeMainLogin(row, "group user online error", stored))
                present.append(stored);
        }
        recvResUserInfo(present);
        return;
    }
    if (fields.size() == 3) {
        QList<QVariantMap> rows;
        if (!StringUtil::jsonToList(fields.at(2), rows))
            return;
        if (fields.at(1) == QLatin1String("0"))
            recvUserJoin(rows);
        else if (fields.at(1) == QLatin1String("1"))
            recvUserLeave(rows);
    }
}

bool UserInfoManager::storeMainLogin(const QVariantMap &row, const char *alreadyOnlineWarning, UserInfo &stored)
{
    const QString userId = text(row, "userId");
    if (g_userInfoHash.isUserOnline(userId)) {
        qWarning() << alreadyOnlineWarning << userId;
        return false;
    }
    UserInfo record(userId, text(row, "userName"), text(row, "userType"));
    if (g_userInfoHash.containsUserInfo(userId))
        g_userInfoHash.selectUserInfo(userId, record);
    record.setClassCode(text(row, "classCode"));
    record.setClassName(text(row, "className"));
    record.setOnline(true);
    record.setLoginDevice(row.value(QStringLiteral("loginDevice")).toInt());
    record.updateHeadPixmap();
    g_userInfoHash.updateUserInfo(record);
    stored = record;
    return true;
}

void UserInfoManager::storeSecondLogin(const QVariantMap &row)
{
    const QString userId = text(row, "userId");
    UserInfo record;
    if (!g_userInfoHash.containsUserInfo(userId) || !g_userInfoHash.selectUserInfo(userId, record))
        return;
    record.setListener(true);
    record.setAccountId(text(row, "accountId"));
    record.updateHeadPixmap();
    g_userInfoHash.updateUserInfo(record);
    emit signalRelativeInfoOnline(record);
}

void UserInfoManager::recvUserJoin(const QList<QVariantMap> &rows)
{
    for (const QVariantMap &row : rows) {
        // The server also announces this client's own second logins; an empty account matches nobody.
        const QString accountId = text(row, "accountId");
        if (!g_accountId.isEmpty() && accountId == g_accountId)
            continue;
        if (!isMainAccount(row)) {
            storeSecondLogin(row);
            continue;
        }
        UserInfo stored;
        if (storeMainLogin(row, "single user online error", stored))
            joinHandling(stored);
    }
}

void UserInfoManager::recvUserLeave(const QList<QVariantMap> &rows)
{
    for (const QVariantMap &row : rows) {
        const QString userId = text(row, "userId");
        const QString accountId = text(row, "accountId");
        UserInfo stored;
        if (!g_userInfoHash.containsUserInfo(userId) || !g_userInfoHash.selectUserInfo(userId, stored))
            continue;
        // Only a known second login can leave as one; with no account on either side it is the main login.
        if (!accountId.isEmpty() && stored.getAccountId() == accountId) {
            stored.setListener(false);
            stored.updateHeadPixmap();
            g_userInfoHash.updateUserInfo(stored);
            emit signalRelativeInfoOffline(stored);
            continue;
        }
        if (!stored.getOnline()) {
            qWarning() << "user offline error" << userId;
            continue;
        }
        stored.setOnline(false);
        stored.setCameraOn(false);
        stored.setCameraState(0);
        g_userInfoHash.updateUserInfo(stored);
        leaveHandling(stored);
    }
}

void UserInfoManager::addTeacher(const UserInfo &userInfo, int position)
{
    if (g_teacherList.contains(userInfo))
        return;
    g_teacherList.insert(qMin(position, g_teacherList.size()), userInfo);
    emit signalTeacherInfoList(g_teacherList);
}

void UserInfoManager::recvResUserInfo(const QList<UserInfo> &list)
{
    qInfo() << "userInfoList:" << list.size();
    QList<UserInfo> students;
    for (const UserInfo &userInfo : list) {
        const QString userId = userInfo.getUserId();
        emit signalUserInfoOnline(userInfo);
        emit signalUserIdOnline(userId);
        if (GlobalFunc::isUserLect(userId)) {
            emit signalLectInfoOnline(userInfo);
            emit signalLectInfoFirst(userInfo);
            emit signalLectIdOnline(userId);
            emit signalLectIdFirst(userId);
            addTeacher(userInfo, 0);
        } else if (isTypeFive(userInfo)) {
            addTeacher(userInfo, 1);
        } else {
            students.append(userInfo);
        }
    }
    emit signalUserInfoList(students);
}

void UserInfoManager::joinHandling(const UserInfo &userInfo)
{
    const QString userId = userInfo.getUserId();
    emit signalUserInfoOnline(userInfo);
    emit signalUserIdOnline(userId);
    emit signalUserIdLate(userId);
    if (GlobalFunc::isUserLect(userId)) {
        emit signalLectInfoOnline(userInfo);
        emit signalLectInfoLate(userInfo);
        emit signalLectIdOnline(userId);
        emit signalLectIdLate(userId);
        addTeacher(userInfo, 0);
    } else if (isTypeFive(userInfo)) {
        addTeacher(userInfo, 1);
    } else {
        emit signalUserInfoLate(userInfo);
    }
}

void UserInfoManager::leaveHandling(const UserInfo &userInfo)
{
    const QString userId = userInfo.getUserId();
    emit signalUserInfoOffline(userInfo);
    emit signalUserIdOffline(userId);
    if (!GlobalFunc::isUserLect(userId))
        return;
    const QStringList everyone = g_userInfoHash.selectAllUserId();
    for (const QString &id : everyone) {
        UserInfo record;
        if (!g_userInfoHash.selectUserInfo(id, record))
            continue;
        record.setExtraState(0);
        g_userInfoHash.updateUserInfo(record);
    }
    emit signalLectInfoOffline(userInfo);
    emit signalLectIdOffline(userId);
}
