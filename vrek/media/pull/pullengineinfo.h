#ifndef PULLENGINEINFO_H
#define PULLENGINEINFO_H

#include <QString>

class PullStreamEngine;

// One pooled pull engine: who it serves and whether it may be re-used. Does not own the engine.
class PullEngineInfo
{
public:
    PullEngineInfo() = default;
    virtual ~PullEngineInfo() = default;

    QString getPullObjId() const { return m_pullObjId; }
    void setPullObjId(const QString &id) { m_pullObjId = id; }
    PullStreamEngine *getPullStreamEngine() const { return m_engine; }
    void setPullStreamEngine(PullStreamEngine *engine) { m_engine = engine; }
    bool getIdle() const { return m_idle; }
    void setIdle(bool idle) { m_idle = idle; }
    bool getInUse() const { return m_inUse; }
    void setInUse(bool inUse) { m_inUse = inUse; }
    QString getUserId() const { return m_userId; }
    void setUserId(const QString &userId) { m_userId = userId; }

private:
    QString m_pullObjId;
    PullStreamEngine *m_engine = nullptr;
    bool m_idle = false;
    bool m_inUse = false;
    QString m_userId;
};

#endif // PULLENGINEINFO_H
