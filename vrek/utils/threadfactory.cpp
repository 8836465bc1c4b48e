#include "vrek/utils/threadfactory.h"

#include <QDebug>
#include <QThread>

ThreadFactory *ThreadFactory::getInstance()
{
    static ThreadFactory *instance = new ThreadFactory();
    return instance;
}

ThreadFactory::ThreadFactory(QObject *parent, unsigned int maxId)
    : QObject(parent)
    , m_maxId(maxId > 0 && maxId <= maxThreadId ? maxId : maxThreadId)
{
    connect(this, &ThreadFactory::signalUnbindThread, this, &ThreadFactory::slotUnbindThread);
}

ThreadFactory::~ThreadFactory()
{
    qInfo() << "~ThreadFactory";
    m_loads.clear();
    m_threadToId.clear();
    m_idToThread.clear();
}

void ThreadFactory::initThreadType(ThreadType type, unsigned int number)
{
    if (m_initialised)
        return;
    m_type = type;
    m_number = number;
    if (m_type == FixedPool) {
        if (m_number == 0)
            m_number = 10;
        initThreadSize();
    } else {
        if (m_number == 0)
            m_number = 1000;
        qInfo() << "new QThread ";
        addThread(0);
    }
    m_initialised = true;
}

void ThreadFactory::initThreadSize()
{
    for (unsigned int i = 0; i < m_number; ++i) {
        qInfo() << "new QThread";
        addThread(0);
    }
}

unsigned int ThreadFactory::addThread(unsigned int load)
{
    if (m_idToThread.contains(m_nextId) && !advanceThreadId()) {
        qCritical() << "every thread id is in use, no thread created";
        return noThreadId;
    }
    QThread *thread = new QThread();
    const unsigned int id = m_nextId;
    m_loads.insert(thread, load);
    m_threadToId.insert(thread, id);
    m_idToThread.insert(id, thread);
    advanceThreadId();
    thread->start(QThread::InheritPriority);
    return id;
}

bool ThreadFactory::advanceThreadId()
{
    // Bounded: with every id taken the next id stays on a used one and addThread refuses.
    for (unsigned int tries = 0; tries < m_maxId; ++tries) {
        m_nextId = m_nextId >= m_maxId ? 1 : m_nextId + 1;
        if (!m_idToThread.contains(m_nextId))
            return true;
    }
    return false;
}

unsigned int ThreadFactory::allocThreadId()
{
    if (!m_initialised)
        initThreadType(GrowingPool, 1);

    if (m_type == FixedPool) {
        QThread *chosen = nullptr;
        unsigned int least = 0;
        for (auto it = m_loads.constBegin(); it != m_loads.constEnd(); ++it) {
            if (!chosen || it.value() < least) {
                chosen = it.key();
                least = it.value();
            }
        }
        if (!chosen)
            return noThreadId;
        m_loads[chosen] += 1;
        return findThreadId(chosen);
    }
    return findHandleSize();
}

unsigned int ThreadFactory::findHandleSize()
{
    for (auto it = m_loads.begin(); it != m_loads.end(); ++it) {
        if (it.value() < m_number) {
            it.value() += 1;
            return findThreadId(it.key());
        }
    }
    qInfo() << "new QThread";
    return addThread(1);
}

unsigned int ThreadFactory::findThreadId(QThread *thread) const
{
    auto it = m_threadToId.constFind(thread);
    if (it == m_threadToId.constEnd()) {
        qCritical() << "the threadId does not exist!";
        return noThreadId;
    }
    return it.value();
}

QThread *ThreadFactory::getThread(unsigned int id)
{
    QThread *thread = m_idToThread.value(id, nullptr);
    if (!thread) {
        qCritical() << "the thread does not exist! i:" << id;
        return nullptr;
    }
    qDebug() << "i:" << id << "thread:" << thread;
    return thread;
}

unsigned int ThreadFactory::getThreadId(QThread *thread) const
{
    auto it = m_threadToId.constFind(thread);
    if (it == m_threadToId.constEnd()) {
        qCritical() << "the th does not exist! th" << thread;
        return noThreadId;
    }
    return it.value();
}

unsigned int ThreadFactory::threadLoad(unsigned int id) const
{
    QThread *thread = m_idToThread.value(id, nullptr);
    return thread ? m_loads.value(thread, 0) : 0;
}

bool ThreadFactory::releaseThreadId(unsigned int id)
{
    QThread *thread = m_idToThread.value(id, nullptr);
    if (!thread || !m_loads.contains(thread))
        return false;
    unsigned int &load = m_loads[thread];
    if (load > 0)
        load -= 1;
    if (m_type != GrowingPool || load != 0)
        return false;

    m_loads.remove(thread);
    m_threadToId.remove(thread);
    m_idToThread.remove(id);
    thread->exit(0);
    if (thread->wait(m_releaseWaitMs)) {
        delete thread;
    } else {
        // Its object is still busy: deleting a running QThread aborts the process, so let the thread
        // delete itself once its loop has really ended.
        qWarning() << "the thread did not finish in time, released when it ends. id:" << id;
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    }
    return true;
}

void ThreadFactory::unbindThread(QObject *object, unsigned int id)
{
    qInfo() << "object:" << object << "id:" << id;
    emit signalUnbindThread(object, id);
}

void ThreadFactory::slotUnbindThread(QObject *object, unsigned int id)
{
    qInfo() << "object:" << object << "id:" << id;
    if (object)
        object->deleteLater();
    releaseThreadId(id);
}
