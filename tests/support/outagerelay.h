#ifndef OUTAGERELAY_H
#define OUTAGERELAY_H

#include <atomic>
#include <cstdint>
#include <mutex>

#include "tests/support/loopbacklistener.h"

// A link that can go away: passes TCP connections through from a port of 127.0.0.1 to another local port, and on
// command holds all traffic back for a while, as a school's network that drops out.
class OutageRelay
{
public:
    enum Mode {
        // Open connections pass nothing either way; new ones are accepted and stay silent. What was held passes
        // once the outage ends.
        Silent,
        // As a firewall that drops every packet: open connections pass nothing, and a new connection's handshake
        // goes unanswered, so the peer's connect hangs and retries as over a dead network. Held bytes pass later.
        Blackhole,
        // Open connections are cut (reset), and new ones are reset as soon as they come.
        Cut,
    };

    OutageRelay() = default;
    ~OutageRelay();
    OutageRelay(const OutageRelay &) = delete;
    OutageRelay &operator=(const OutageRelay &) = delete;

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool start(int upstreamPort);
    void stop();
    int port() const { return m_listener.port(); }

    // Holds traffic from now for ms (a later call replaces the earlier); 0 ends an outage at once.
    void holdFor(int ms, Mode mode);
    bool isHeld() const;
    // Monotonic milliseconds (nowMs) at which the last outage ended; 0 while none has.
    int64_t lastReleaseMs() const;
    // Connections handed on to the upstream port so far.
    int connections() const { return m_connections.load(); }

    static int64_t nowMs();

private:
    void run();

    LoopbackListener m_listener;
    int m_upstreamPort = 0;
    std::atomic<int> m_connections { 0 };
    mutable std::mutex m_mutex;
    int64_t m_holdEndMs = 0;
    Mode m_mode = Silent;
    int64_t m_releasedMs = 0;
};

#endif // OUTAGERELAY_H
