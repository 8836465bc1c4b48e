#include "vrek/utils/threadhandle.h"

#include <QDebug>
#include <QThread>

ThreadHandle &ThreadHandle::getInstance()
{
    static ThreadHandle instance;
    return instance;
}

ThreadHandle::ThreadHandle()
{
    qInfo() << "";
}

ThreadHandle::~ThreadHandle()
{
    qInfo() << "";
    QMutexLocker locker(&m_lock);
    for (const auto &entry : qAsConst(m_threads)) {
        QThread *thread = entry.first;
        thread->exit(0);
        if (thread->wait(exitWaitMs)) {
            delete thread;
        } else {
            // Deleting a running QThread aborts the process; a socket thread still busy is left to the exit.
            qWarning() << "the socket thread did not finish in time, left running! thread:" << thread;
        }
    }
    m_threads.clear();
}

void ThreadHandle::initThreadSize()
{
    for (int i = 0; i < poolSize; ++i) {
        auto *thread = new QThread;
        qDebug() << "new QThread";
        // Named before it runs: its log lines read the name.
        thread->setObjectName("TcpSocket   ");
        m_threads.append({ thread, 0u });
        thread->start(QThread::InheritPriority);
    }
    m_initialised = true;
}

QThread *ThreadHandle::getThread()
{
    QMutexLocker locker(&m_lock);
    if (!m_initialised)
        initThreadSize();
    return findLeastUsedThread();
}

QThread *ThreadHandle::acceptThread()
{
    QMutexLocker locker(&m_lock);
    if (!m_initialised)
        initThreadSize();
    return m_threads.first().first;
}

QThread *ThreadHandle::findLeastUsedThread()
{
    int best = 0;
    for (int i = 1; i < m_threads.size(); ++i) {
        if (m_threads.at(i).second < m_threads.at(best).second)
            best = i;
    }
    m_threads[best].second += 1;
    return m_threads.at(best).first;
}

void ThreadHandle::removeThread(QThread *thread)
{
    QMutexLocker locker(&m_lock);
    for (auto &entry : m_threads) {
        if (entry.first == thread) {
            if (entry.second > 0)
                entry.second -= 1;
            return;
        }
    }
}

void ThreadHandle::clear()
{
    QMutexLocker locker(&m_lock);
    for (auto &entry : m_threads)
        entry.second = 0;
}

QList<QThread *> ThreadHandle::threads() const
{
    QMutexLocker locker(&m_lock);
    QList<QThread *> all;
    for (const auto &entry : m_threads)
        all.append(entry.first);
    return all;
}

unsigned int ThreadHandle::connectionCount(QThread *thread) const
{
    QMutexLocker locker(&m_lock);
    for (const auto &entry : m_threads) {
        if (entry.first == thread)
            return entry.second;
    }
    return 0;
}
