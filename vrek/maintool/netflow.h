#ifndef NETFLOW_H
#define NETFLOW_H

#include <QObject>

#include <functional>
#include <memory>

class NetCounters;
class QTimer;

// Measures the machine's upload and download rate once a second from the interface counters.
class NetFlow : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<quint64()>; // milliseconds, monotonic

    explicit NetFlow(QObject *parent = nullptr);
    // For tests: another counter source and clock; the timer is not started when startTimer is false.
    NetFlow(std::unique_ptr<NetCounters> counters, Clock clock, bool startTimer, QObject *parent = nullptr);
    ~NetFlow() override;

    static constexpr int intervalMs = 1000;

signals:
    // Kilobytes (1000 octets) per second, sent first.
    void signalNetFlowChange(double sent, double received);

public slots:
    void slotGetFlow();

private:
    std::unique_ptr<NetCounters> m_counters;
    Clock m_clock;
    QTimer *m_timer = nullptr;
    quint64 m_preReceived = 0;
    quint64 m_preSent = 0;
    quint64 m_preTick = 0;
    bool m_havePrevious = false;
    double m_sentRate = 0;
    double m_receivedRate = 0;
};

#endif // NETFLOW_H
