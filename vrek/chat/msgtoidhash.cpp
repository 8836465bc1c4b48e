#include "vrek/chat/msgtoidhash.h"

#include "vrek/chat/msgtoid.h"

#include <QMutexLocker>

MsgToIdHash::MsgToIdHash() = default;

MsgToIdHash::~MsgToIdHash()
{
    qDeleteAll(m_entries);
}

bool MsgToIdHash::contains(const QString &id) const
{
    QMutexLocker locker(&m_mutex);
    return m_entries.contains(id);
}

MsgToId *MsgToIdHash::value(const QString &id) const
{
    QMutexLocker locker(&m_mutex);
    return m_entries.value(id, nullptr);
}

void MsgToIdHash::insert(const QString &id, MsgToId *entry)
{
    QMutexLocker locker(&m_mutex);
    MsgToId *previous = m_entries.value(id, nullptr);
    m_entries.insert(id, entry);
    if (previous != entry)
        delete previous;
}

int MsgToIdHash::count() const
{
    QMutexLocker locker(&m_mutex);
    return m_entries.size();
}
