#ifndef TCPRELAY_H
#define TCPRELAY_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Passes TCP connections on 127.0.0.1 through to another local port, noting when each was accepted: the moment
// a program began to connect, whatever its own start-up cost before.
class TcpRelay
{
public:
    TcpRelay() = default;
    ~TcpRelay();

    // Listens on a free port; false when it cannot.
    bool start(int upstreamPort);
    void stop();
    int port() const { return m_port; }
    // Monotonic milliseconds (ClockStamp::nowMs) of each accepted connection, oldest first.
    std::vector<int64_t> acceptTimes() const;
    void clearAcceptTimes();

    TcpRelay(const TcpRelay &) = delete;
    TcpRelay &operator=(const TcpRelay &) = delete;

private:
    void run();

    int m_listenFd = -1;
    int m_wakeFd = -1;
    int m_port = 0;
    int m_upstreamPort = 0;
    std::thread m_thread;
    std::atomic<bool> m_running { false };
    mutable std::mutex m_mutex;
    std::vector<int64_t> m_accepted;
};

#endif // TCPRELAY_H
