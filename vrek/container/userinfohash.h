#ifndef USERINFOHASH_H
#define USERINFOHASH_H

#include "vrek/userinfo/userinfo.h"

#include <QHash>
#include <QReadWriteLock>
#include <QStringList>

// The participants of the joined lesson by user id, shared by the GUI and the stream threads. Every
// operation takes the lock for its own duration only and hands out copies, never references into the table.
class UserInfoHash
{
public:
    UserInfoHash() = default;
    ~UserInfoHash();
    UserInfoHash(const UserInfoHash &) = delete;
    UserInfoHash &operator=(const UserInfoHash &) = delete;

    // Inserts a copy, or overwrites every field of the stored record.
    bool updateUserInfo(const UserInfo &userInfo);
    // Copies the stored record into out; an unknown id logs and leaves out as it was.
    bool selectUserInfo(const QString &userId, UserInfo &out) const;
    bool containsUserInfo(const QString &userId) const;
    bool isUserOnline(const QString &userId) const;
    QStringList selectAllUserId() const;
    int count() const;
    // Clears presence (online, listener, camera) of everyone before a reconnect brings a new list.
    void resetAllUserState();
    // Forgets every participant.
    void clear();

private:
    mutable QReadWriteLock m_lock;
    QHash<QString, UserInfo> m_users;
};

// The one participant table of the running client.
extern UserInfoHash g_userInfoHash;

#endif // USERINFOHASH_H
