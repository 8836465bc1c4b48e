#ifndef MSGTOIDHASH_H
#define MSGTOIDHASH_H

#include <QHash>
#include <QMutex>
#include <QString>

class MsgToId;

// The conversations of the chat by id (the receiver of their texts). Owns its entries; every operation holds
// the lock for its own duration only.
class MsgToIdHash
{
public:
    MsgToIdHash();
    virtual ~MsgToIdHash();
    MsgToIdHash(const MsgToIdHash &) = delete;
    MsgToIdHash &operator=(const MsgToIdHash &) = delete;

    bool contains(const QString &id) const;
    // The entry of an id that contains() reported; null for any other.
    MsgToId *value(const QString &id) const;
    // Takes the entry; an entry it replaces is released.
    void insert(const QString &id, MsgToId *entry);
    int count() const;

private:
    mutable QMutex m_mutex;
    QHash<QString, MsgToId *> m_entries;
};

#endif // MSGTOIDHASH_H
