#ifndef DELAYRELAY_H
#define DELAYRELAY_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tests/support/loopbacklistener.h"

// A slow, lossy link on loopback: passes TCP connections through to another local port and delays every byte by
// a given time in each direction (half a round trip), and now and then holds everything for a while, as a link
// that loses a packet holds what follows until the retransmission. Nothing is lost or reordered.
class DelayRelay
{
public:
    DelayRelay() = default;
    ~DelayRelay();

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool start(int upstreamPort, int oneWayDelayMs = 0);
    void stop();
    int port() const { return m_listener.port(); }

    void setDelay(int oneWayDelayMs) { m_delayMs.store(oneWayDelayMs); }
    // The server keeps Nagle's algorithm on (nginx-rtmp does): over the slow link a short write of it leaves
    // only once what it sent before has been acknowledged, a round trip later. On by default.
    void setServerNagle(bool on) { m_serverNagle.store(on); }
    // From now on, every periodMs everything stops for holdMs (0 ends it).
    void setStalls(int periodMs, int holdMs);
    // Holds everything from now for ms.
    void holdFor(int ms);
    // Connections accepted so far.
    int connections() const { return m_connections.load(); }
    // Monotonic milliseconds (nowMs) of each accepted connection, oldest first.
    std::vector<int64_t> acceptTimes() const;
    void clearAcceptTimes();

    static int64_t nowMs();

    DelayRelay(const DelayRelay &) = delete;
    DelayRelay &operator=(const DelayRelay &) = delete;

private:
    void run();
    // When the link is held at time now: until when, else 0.
    int64_t heldUntil(int64_t now) const;

    LoopbackListener m_listener;
    int m_upstreamPort = 0;
    std::atomic<int> m_delayMs { 0 };
    std::atomic<bool> m_serverNagle { true };
    std::atomic<int> m_connections { 0 };
    mutable std::mutex m_mutex;
    int64_t m_stallOriginMs = 0;
    int m_stallPeriodMs = 0;
    int m_stallHoldMs = 0;
    int64_t m_holdEndMs = 0;
    std::vector<int64_t> m_accepted;
};

#endif // DELAYRELAY_H
