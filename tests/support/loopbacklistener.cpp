#include "tests/support/loopbacklistener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

LoopbackListener::~LoopbackListener()
{
    close();
}

bool LoopbackListener::open(int backlog, int socketFlags, bool reuseAddress)
{
    close();
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | socketFlags, 0);
    if (m_listenFd < 0)
        return false;
    if (reuseAddress) {
        const int one = 1;
        ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(m_listenFd, backlog) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return true;
}

void LoopbackListener::serve(std::function<void()> serve)
{
    m_running.store(true);
    m_thread = std::thread(std::move(serve));
}

void LoopbackListener::close()
{
    if (m_thread.joinable()) {
        m_running.store(false);
        wake();
        m_thread.join();
    }
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_listenFd = m_wakeFd = -1;
    m_port = 0;
}

void LoopbackListener::wake()
{
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        // a lost wake-up costs only the rest of the poll's timeout
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof(one));
    }
}

void LoopbackListener::drainWake()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof(count));
}
