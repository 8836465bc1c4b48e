#include "bench/tcprelay.h"

#include "bench/clockstamp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {
struct Pair
{
    int client;
    int server;
};

int connectUpstream(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void noDelay(int fd)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

// Moves what one side has to the other; false when the connection is over.
bool pass(int from, int to)
{
    char buffer[65536];
    const ssize_t got = ::recv(from, buffer, sizeof(buffer), 0);
    if (got <= 0)
        return got < 0 && (errno == EINTR || errno == EAGAIN);
    ssize_t sent = 0;
    while (sent < got) {
        const ssize_t result = ::send(to, buffer + sent, size_t(got - sent), MSG_NOSIGNAL);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        sent += result;
    }
    return true;
}
} // namespace

TcpRelay::~TcpRelay()
{
    stop();
}

bool TcpRelay::start(int upstreamPort)
{
    stop();
    m_upstreamPort = upstreamPort;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(m_listenFd, 16) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    m_running.store(true);
    m_thread = std::thread([this] { run(); });
    return true;
}

void TcpRelay::stop()
{
    if (m_thread.joinable()) {
        m_running.store(false);
        const uint64_t one = 1;
        if (::write(m_wakeFd, &one, sizeof(one)) < 0) {
            // the relay notices the flag at its next event
        }
        m_thread.join();
    }
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_listenFd = m_wakeFd = -1;
}

std::vector<int64_t> TcpRelay::acceptTimes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_accepted;
}

void TcpRelay::clearAcceptTimes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accepted.clear();
}

void TcpRelay::run()
{
    std::vector<Pair> pairs;
    while (m_running.load()) {
        std::vector<pollfd> fds { { m_wakeFd, POLLIN, 0 }, { m_listenFd, POLLIN, 0 } };
        for (const Pair &pair : pairs) {
            fds.push_back({ pair.client, POLLIN, 0 });
            fds.push_back({ pair.server, POLLIN, 0 });
        }
        if (::poll(fds.data(), nfds_t(fds.size()), -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_accepted.push_back(ClockStamp::nowMs());
                }
                const int server = connectUpstream(m_upstreamPort);
                if (server < 0) {
                    ::close(client);
                } else {
                    noDelay(client);
                    noDelay(server);
                    pairs.push_back({ client, server });
                }
            }
        }
        std::vector<Pair> open;
        for (size_t i = 0; i < pairs.size(); ++i) {
            const short fromClient = fds[2 + 2 * i].revents;
            const short fromServer = fds[3 + 2 * i].revents;
            bool alive = true;
            if (fromClient & (POLLIN | POLLHUP | POLLERR))
                alive = pass(pairs[i].client, pairs[i].server);
            if (alive && (fromServer & (POLLIN | POLLHUP | POLLERR)))
                alive = pass(pairs[i].server, pairs[i].client);
            if (alive) {
                open.push_back(pairs[i]);
            } else {
                ::close(pairs[i].client);
                ::close(pairs[i].server);
            }
        }
        pairs.swap(open);
    }
    for (const Pair &pair : pairs) {
        ::close(pair.client);
        ::close(pair.server);
    }
}
