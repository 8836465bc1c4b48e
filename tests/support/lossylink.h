#ifndef LOSSYLINK_H
#define LOSSYLINK_H

#include <atomic>
#include <cstdint>
#include <thread>

class DelayRelay;

// Packet loss on a relayed TCP link, as the receiver sees it: nothing goes missing, but each lost segment holds
// everything behind it until its retransmission, a retransmission timeout later (at least 200 ms on Linux). The
// losses come at random moments (a fixed seed, so that every run meets the same ones), half to one and a half of
// their mean interval apart: a 2 % loss of a stream of some 50 segments a second is one a second.
class LossyLink
{
public:
    LossyLink() = default;
    ~LossyLink();

    void start(DelayRelay *relay, double lossesPerSecond, int retransmitMs = 200, uint32_t seed = 1);
    void stop();
    int losses() const { return m_losses.load(); }

    LossyLink(const LossyLink &) = delete;
    LossyLink &operator=(const LossyLink &) = delete;

private:
    std::thread m_thread;
    std::atomic<bool> m_running { false };
    std::atomic<int> m_losses { 0 };
};

#endif // LOSSYLINK_H
