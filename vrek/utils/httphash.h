#ifndef HTTPHASH_H
#define HTTPHASH_H

#include <QHash>
#include <QString>

class HttpEngine;
class QReadWriteLock;

// The REST requests under way, by request id. Owns the engines it holds: removing one schedules its deletion.
class HttpHash
{
public:
    HttpHash();
    virtual ~HttpHash();

    void insertHttpNetwork(const QString &id, HttpEngine *engine);
    bool deleteHttpNetWork(const QString &id);
    bool containsHttpNetwork(const QString &id) const;
    int count() const;

    HttpHash(const HttpHash &) = delete;
    HttpHash &operator=(const HttpHash &) = delete;

private:
    QHash<QString, HttpEngine *> *m_hash;
    QReadWriteLock *m_lock;
};

#endif // HTTPHASH_H
