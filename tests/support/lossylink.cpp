#include "tests/support/lossylink.h"

#include "tests/support/delayrelay.h"

#include <algorithm>
#include <chrono>
#include <random>

LossyLink::~LossyLink()
{
    stop();
}

void LossyLink::start(DelayRelay *relay, double lossesPerSecond, int retransmitMs, uint32_t seed)
{
    stop();
    m_running.store(true);
    m_thread = std::thread([this, relay, lossesPerSecond, retransmitMs, seed] {
        std::mt19937 random(seed);
        // A loss can only come once the segment before it got through: the next one is a hold and more away. Spread
        // evenly about the mean, so that a short run meets as many as a long one would on average.
        std::uniform_real_distribution<double> gap(0.5 / lossesPerSecond, 1.5 / lossesPerSecond);
        int64_t nextMs = DelayRelay::nowMs() + retransmitMs + int64_t(gap(random) * 1000);
        while (m_running.load()) {
            const int64_t now = DelayRelay::nowMs();
            if (now >= nextMs) {
                relay->holdFor(retransmitMs);
                m_losses.fetch_add(1);
                nextMs = now + retransmitMs + int64_t(gap(random) * 1000);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<int64_t>(nextMs - now, 1, 20)));
        }
    });
}

void LossyLink::stop()
{
    m_running.store(false);
    if (m_thread.joinable())
        m_thread.join();
}
