#ifndef THREADHANDLE_H
#define THREADHANDLE_H

#include <QList>
#include <QMutex>
#include <QPair>

class QThread;

// The pad link's pool of socket threads: three threads made on the first request, each new connection given
// to the one with the fewest. Connections are given out where they are accepted and given back where they end,
// so the pool takes its own lock; it ends with the program.
class ThreadHandle
{
public:
    static constexpr int poolSize = 3;
    // How long the end of the program waits for each thread before leaving a busy one to the process's end.
    static constexpr unsigned long exitWaitMs = 3000;

    static ThreadHandle &getInstance();

    QThread *getThread();
    // The thread that accepts the pad link's connections (the pool's first), counted for none.
    QThread *acceptThread();
    void removeThread(QThread *thread);
    // Every thread counts as free again.
    void clear();

    // For tests: the number of connections given to a thread (0 for a thread not in the pool).
    unsigned int connectionCount(QThread *thread) const;
    // For tests: the pool's threads, none before the first request.
    QList<QThread *> threads() const;

    ThreadHandle(const ThreadHandle &) = delete;
    ThreadHandle &operator=(const ThreadHandle &) = delete;

private:
    ThreadHandle();
    ~ThreadHandle();

    void initThreadSize();
    QThread *findLeastUsedThread();

    // Kept in creation order, so that among equal counts the first thread wins.
    QList<QPair<QThread *, unsigned int>> m_threads;
    bool m_initialised = false;
    mutable QMutex m_lock;
};

#endif // THREADHANDLE_H
