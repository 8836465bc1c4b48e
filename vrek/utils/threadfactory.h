#ifndef THREADFACTORY_H
#define THREADFACTORY_H

#include <QHash>
#include <QObject>

class QThread;

// Hands out worker threads by id. Type 0 is a fixed pool shared by least load; type 1 grows on demand,
// carries at most N objects per thread and removes a thread when its last object leaves.
class ThreadFactory : public QObject
{
    Q_OBJECT
public:
    enum ThreadType {
        FixedPool = 0,
        GrowingPool = 1,
    };

    static constexpr unsigned int maxThreadId = 5000;
    static constexpr unsigned int noThreadId = 5001;
    static constexpr unsigned long releaseWaitMs = 3000;

    static ThreadFactory *getInstance();

    // maxId bounds the ids handed out (1..maxId); only tests choose another than maxThreadId.
    explicit ThreadFactory(QObject *parent = nullptr, unsigned int maxId = maxThreadId);
    ~ThreadFactory() override;

    void initThreadType(ThreadType type, unsigned int number);
    unsigned int allocThreadId();
    QThread *getThread(unsigned int id);
    unsigned int getThreadId(QThread *thread) const;
    bool releaseThreadId(unsigned int id);
    void unbindThread(QObject *object, unsigned int id);

    // How long a release waits for the thread to end before leaving it to end by itself.
    void setReleaseWait(unsigned long ms) { m_releaseWaitMs = ms; }

    int threadCount() const { return m_loads.size(); }
    unsigned int threadLoad(unsigned int id) const;

signals:
    void signalUnbindThread(QObject *object, unsigned int id);

public slots:
    void slotUnbindThread(QObject *object, unsigned int id);

private:
    void initThreadSize();
    unsigned int findHandleSize();
    unsigned int findThreadId(QThread *thread) const;
    // Registers a new started thread with the given load; noThreadId when every id is taken.
    unsigned int addThread(unsigned int load);
    bool advanceThreadId();

    ThreadType m_type = GrowingPool;
    unsigned int m_number = 0;
    QHash<QThread *, unsigned int> m_loads;
    unsigned int m_nextId = 1;
    QHash<QThread *, unsigned int> m_threadToId;
    QHash<unsigned int, QThread *> m_idToThread;
    bool m_initialised = false;
    unsigned int m_maxId = maxThreadId;
    unsigned long m_releaseWaitMs = releaseWaitMs;
};

#endif // THREADFACTORY_H
