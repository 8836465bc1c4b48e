#ifndef PULLUSERINFOHASH_H
#define PULLUSERINFOHASH_H

#include <QHash>
#include <QList>
#include <QString>

class PullUserInfo;

// The remote users of one pull manager by user id. The manager and its two policies share it by pointer,
// all in the manager's thread, so it has no lock. It owns its records.
class PullUserInfoHash
{
public:
    PullUserInfoHash() = default;
    virtual ~PullUserInfoHash();
    PullUserInfoHash(const PullUserInfoHash &) = delete;
    PullUserInfoHash &operator=(const PullUserInfoHash &) = delete;

    // Takes the record. A second record for a known id is refused and stays the caller's.
    bool insertObject(PullUserInfo *info);
    bool selectObject(const QString &userId, PullUserInfo **info, bool warn = true) const;
    bool containsObject(const QString &userId) const { return m_users.contains(userId); }
    QList<PullUserInfo *> values() const { return m_users.values(); }
    int count() const { return m_users.size(); }

private:
    QHash<QString, PullUserInfo *> m_users;
};

#endif // PULLUSERINFOHASH_H
