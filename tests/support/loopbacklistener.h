#ifndef LOOPBACKLISTENER_H
#define LOOPBACKLISTENER_H

#include <atomic>
#include <functional>
#include <thread>

// What the relays of tests/support share: a listening socket on a free port of 127.0.0.1, an eventfd that wakes
// the thread serving it out of its poll, and that thread.
class LoopbackListener
{
public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    // Listens with the given backlog; socketFlags join SOCK_STREAM | SOCK_CLOEXEC (SOCK_NONBLOCK for a server
    // that accepts until the queue is empty). false when it cannot.
    bool open(int backlog, int socketFlags = 0, bool reuseAddress = false);
    // Runs serve on its own thread; serve returns once running() turns false.
    void serve(std::function<void()> serve);
    // Ends the thread and closes both sockets.
    void close();

    bool running() const { return m_running.load(); }
    int listenFd() const { return m_listenFd; }
    int wakeFd() const { return m_wakeFd; }
    int port() const { return m_port; }

    void wake();
    // Takes the wake-ups that came, once the poll saw the wake fd readable.
    void drainWake();

private:
    int m_listenFd = -1;
    int m_wakeFd = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_running { false };
};

#endif // LOOPBACKLISTENER_H
