#ifndef ZR_NWAKER_H
#define ZR_NWAKER_H

#include <atomic>

namespace ZR {

// Lets another thread cut short every wait of a worker at once: socket waits watch its descriptor, and pauses
// end early. Once woken it stays woken.
class NWaker
{
public:
    NWaker();
    ~NWaker();

    void wake();
    bool isWoken() const { return m_woken.load(); }
    int fd() const { return m_fd; }
    // Sleeps for the time given; false when woken before it has passed.
    bool sleep(int ms) const;

    NWaker(const NWaker &) = delete;
    NWaker &operator=(const NWaker &) = delete;

private:
    int m_fd;
    std::atomic<bool> m_woken { false };
};

} // namespace ZR

#endif // ZR_NWAKER_H
