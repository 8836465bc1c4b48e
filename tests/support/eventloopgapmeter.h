#ifndef EVENTLOOPGAPMETER_H
#define EVENTLOOPGAPMETER_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// How long the event loop of the thread the meter lives in goes without a turn. A precise timer a few
// milliseconds apart fires at every turn the loop takes; the meter keeps the longest interval between two of its
// firings, and the most processor time the thread spent within one such interval. Work that holds the loop, in a
// slot or in code run between two waits, shows in both; a thread that waits for a core on a busy machine shows in
// the first only, a thread blocked on a read in the first only. Start it before the input is sent and read it once
// a marker shows the input was handled: the interval still open counts, so work that ends just before the reading
// is not missed.
class EventLoopGapMeter : public QObject
{
    Q_OBJECT
public:
    // The interval of its timer; it bounds from below what the meter reads.
    static constexpr int tickMs = 5;

    explicit EventLoopGapMeter(QObject *parent = nullptr);

    // Forgets what was measured and measures from now on.
    void start();
    // Ends the measure: the interval from the last turn to now is the last one.
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

    // The longest interval between two turns (the first from start, the last to stop or to now).
    qint64 longestGapMs() const;
    // When that interval began, in milliseconds after start.
    qint64 longestGapStartMs() const;
    // The most processor time the thread spent between two turns, and when that interval began.
    qint64 longestBusyMs() const;
    qint64 longestBusyStartMs() const;
    // The turns seen since start.
    int turns() const { return m_turns; }

private:
    void turn();
    void note() const;
    static qint64 threadCpuMs();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    mutable qint64 m_longest = 0;
    mutable qint64 m_longestStart = 0;
    mutable qint64 m_busiest = 0;
    mutable qint64 m_busiestStart = 0;
    int m_turns = 0;
};

#endif // EVENTLOOPGAPMETER_H
