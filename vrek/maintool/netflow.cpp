#include "vrek/maintool/netflow.h"

#include "platform/netcounters/netcounters.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QTimer>

namespace {
quint64 monotonicMs()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return quint64(timer.elapsed());
}

// A counter that went down (an interface removed, a driver reset) gives no traffic, not a negative rate.
double rate(quint64 current, quint64 previous, double seconds)
{
    if (current < previous || seconds <= 0)
        return 0;
    return double(current - previous) / seconds / 1000.0;
}
} // namespace

NetFlow::NetFlow(QObject *parent)
    : NetFlow(std::make_unique<SysfsNetCounters>(), monotonicMs, true, parent)
{ }

NetFlow::NetFlow(std::unique_ptr<NetCounters> counters, Clock clock, bool startTimer, QObject *parent)
    : QObject(parent)
    , m_counters(std::move(counters))
    , m_clock(std::move(clock))
    , m_timer(new QTimer(this))
{
    qDebug() << "";
    connect(m_timer, &QTimer::timeout, this, &NetFlow::slotGetFlow);
    if (startTimer)
        m_timer->start(intervalMs);
}

NetFlow::~NetFlow()
{
    qDebug() << "";
    m_timer->stop();
}

void NetFlow::slotGetFlow()
{
    quint64 received = 0;
    quint64 sent = 0;
    const quint64 tick = m_clock();
    if (!m_counters->read(received, sent)) {
        // Unreadable counters: start again from the next good sample rather than report nonsense.
        qDebug() << "GetIfTable failed with error: "
                 << "the interface counters cannot be read";
        m_havePrevious = false;
        return;
    }
    if (m_havePrevious) {
        const double seconds = double(tick - m_preTick) / 1000.0;
        m_sentRate = rate(sent, m_preSent, seconds);
        m_receivedRate = rate(received, m_preReceived, seconds);
    } else {
        // The first sample only sets the base: the totals since boot are no rate.
        m_sentRate = 0;
        m_receivedRate = 0;
    }
    m_preSent = sent;
    m_preReceived = received;
    m_preTick = tick;
    m_havePrevious = true;
    emit signalNetFlowChange(m_sentRate, m_receivedRate);
}
