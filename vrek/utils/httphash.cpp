#include "vrek/utils/httphash.h"

#include "vrek/utils/httpengine.h"

#include <QDebug>
#include <QReadWriteLock>

HttpHash::HttpHash()
    : m_hash(new QHash<QString, HttpEngine *>())
    , m_lock(new QReadWriteLock())
{ }

HttpHash::~HttpHash()
{
    m_lock->lockForWrite();
    for (HttpEngine *engine : qAsConst(*m_hash))
        engine->deleteLater();
    delete m_hash;
    m_hash = nullptr;
    m_lock->unlock();
    delete m_lock;
}

void HttpHash::insertHttpNetwork(const QString &id, HttpEngine *engine)
{
    QWriteLocker locker(m_lock);
    if (m_hash->contains(id)) {
        qWarning() << "id exist!" << id;
        return;
    }
    m_hash->insert(id, engine);
}

bool HttpHash::deleteHttpNetWork(const QString &id)
{
    QWriteLocker locker(m_lock);
    const auto it = m_hash->find(id);
    if (it == m_hash->end()) {
        qWarning() << "id not exist!" << id;
        return false;
    }
    it.value()->deleteLater();
    m_hash->erase(it);
    return true;
}

bool HttpHash::containsHttpNetwork(const QString &id) const
{
    QReadLocker locker(m_lock);
    return m_hash->contains(id);
}

int HttpHash::count() const
{
    QReadLocker locker(m_lock);
    return m_hash->size();
}
