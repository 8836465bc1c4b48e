#include "tests/support/eventloopgapmeter.h"

#include <ctime>

EventLoopGapMeter::EventLoopGapMeter(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopGapMeter::turn);
}

void EventLoopGapMeter::start()
{
    m_clock.start();
    m_last = 0;
    m_lastCpu = threadCpuMs();
    m_longest = 0;
    m_longestStart = 0;
    m_busiest = 0;
    m_busiestStart = 0;
    m_turns = 0;
    m_timer.start();
}

void EventLoopGapMeter::stop()
{
    if (!m_timer.isActive())
        return;
    note();
    m_timer.stop();
}

qint64 EventLoopGapMeter::longestGapMs() const
{
    note();
    return m_longest;
}

qint64 EventLoopGapMeter::longestGapStartMs() const
{
    note();
    return m_longestStart;
}

qint64 EventLoopGapMeter::longestBusyMs() const
{
    note();
    return m_busiest;
}

qint64 EventLoopGapMeter::longestBusyStartMs() const
{
    note();
    return m_busiestStart;
}

void EventLoopGapMeter::turn()
{
    note();
    m_last = m_clock.elapsed();
    m_lastCpu = threadCpuMs();
    ++m_turns;
}

// Counts the interval since the last turn as if it ended now; a stopped meter counts nothing more.
void EventLoopGapMeter::note() const
{
    if (!m_timer.isActive())
        return;
    const qint64 gap = m_clock.elapsed() - m_last;
    if (gap > m_longest) {
        m_longest = gap;
        m_longestStart = m_last;
    }
    const qint64 busy = threadCpuMs() - m_lastCpu;
    if (busy > m_busiest) {
        m_busiest = busy;
        m_busiestStart = m_last;
    }
}

// The processor time of the calling thread: the meter lives in the thread it watches.
qint64 EventLoopGapMeter::threadCpuMs()
{
    timespec now {};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
