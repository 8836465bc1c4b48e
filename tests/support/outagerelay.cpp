#include "tests/support/outagerelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

namespace {
constexpr int normalBacklog = 128;
// What one direction buffers before it stops reading: the sender then waits, as on a slow link.
constexpr size_t laneLimit = 1 << 20;

struct Lane
{
    std::string bytes;
    bool ended = false; // the sender closed
    bool shut = false; // and the receiver was told
};

struct Connection
{
    int client = -1;
    int server = -1;
    Lane up;
    Lane down;
};

void nonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

void resetClose(int fd)
{
    if (fd < 0)
        return;
    const linger hard { 1, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    ::close(fd);
}

int connectLoopback(int port, bool blocking)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0)
        return -1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int localPort(int fd)
{
    sockaddr_in address {};
    socklen_t length = sizeof(address);
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

int peerPort(int fd)
{
    sockaddr_in address {};
    socklen_t length = sizeof(address);
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// Reads what the socket has into the lane; false when the socket failed.
bool take(int fd, Lane &lane)
{
    char buffer[65536];
    while (!lane.ended && lane.bytes.size() < laneLimit) {
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        if (got > 0) {
            lane.bytes.append(buffer, size_t(got));
            continue;
        }
        if (got == 0) {
            lane.ended = true;
            return true;
        }
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

// Writes what the lane holds; false when the receiver is gone.
bool give(int fd, Lane &lane)
{
    while (!lane.bytes.empty()) {
        const ssize_t sent = ::send(fd, lane.bytes.data(), lane.bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            lane.bytes.erase(0, size_t(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false;
    }
    if (lane.ended && !lane.shut) {
        ::shutdown(fd, SHUT_WR);
        lane.shut = true;
    }
    return true;
}
} // namespace

OutageRelay::~OutageRelay()
{
    stop();
}

int64_t OutageRelay::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool OutageRelay::start(int upstreamPort)
{
    stop();
    m_upstreamPort = upstreamPort;
    if (!m_listener.open(normalBacklog, SOCK_NONBLOCK, true))
        return false;
    m_listener.serve([this] { run(); });
    return true;
}

void OutageRelay::stop()
{
    m_listener.close();
}

void OutageRelay::holdFor(int ms, Mode mode)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdEndMs = ms > 0 ? nowMs() + ms : 0;
        m_mode = mode;
    }
    m_listener.wake();
}

bool OutageRelay::isHeld() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return nowMs() < m_holdEndMs;
}

int64_t OutageRelay::lastReleaseMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_releasedMs;
}

void OutageRelay::run()
{
    std::vector<Connection> connections;
    bool held = false;
    Mode applied = Silent;
    int filler = -1; // fills the accept queue while a blackhole holds it, so that new handshakes go unanswered
    int fillerPort = 0;

    auto closeAll = [&] {
        for (Connection &connection : connections) {
            resetClose(connection.client);
            resetClose(connection.server);
        }
        connections.clear();
    };

    const int listenFd = m_listener.listenFd();
    while (m_listener.running()) {
        const int64_t now = nowMs();
        int64_t holdEnd = 0;
        Mode mode = Silent;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            holdEnd = m_holdEndMs;
            mode = m_mode;
        }
        const bool holdNow = now < holdEnd;
        if (holdNow && (!held || mode != applied)) {
            if (held && applied == Blackhole && mode != Blackhole)
                ::listen(listenFd, normalBacklog);
            if (mode == Cut)
                closeAll();
            if (mode == Blackhole && (!held || applied != Blackhole)) {
                // A listening socket whose accept queue is full lets the kernel drop every new handshake.
                ::listen(listenFd, 0);
                filler = connectLoopback(m_listener.port(), false);
                fillerPort = filler >= 0 ? localPort(filler) : 0;
            }
            held = true;
            applied = mode;
        } else if (!holdNow && held) {
            if (applied == Blackhole)
                ::listen(listenFd, normalBacklog);
            held = false;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_releasedMs = now;
        }

        std::vector<pollfd> fds;
        fds.push_back({ m_listener.wakeFd(), POLLIN, 0 });
        const bool listening = !(held && applied == Blackhole);
        fds.push_back({ listenFd, short(listening ? POLLIN : 0), 0 });
        if (!held) {
            for (const Connection &connection : connections) {
                short clientEvents = 0;
                short serverEvents = 0;
                if (!connection.up.ended && connection.up.bytes.size() < laneLimit)
                    clientEvents |= POLLIN;
                if (!connection.down.ended && connection.down.bytes.size() < laneLimit)
                    serverEvents |= POLLIN;
                if (!connection.down.bytes.empty())
                    clientEvents |= POLLOUT;
                if (!connection.up.bytes.empty())
                    serverEvents |= POLLOUT;
                fds.push_back({ connection.client, clientEvents, 0 });
                fds.push_back({ connection.server, serverEvents, 0 });
            }
        }
        const int timeout = held ? int(std::min<int64_t>(holdEnd - now, 100)) : 100;
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), timeout < 1 ? 1 : timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            m_listener.drainWake();
        if (listening && (fds[1].revents & POLLIN)) {
            for (;;) {
                const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0)
                    break;
                if (filler >= 0 && peerPort(client) == fillerPort) {
                    ::close(client);
                    ::close(filler);
                    filler = -1;
                    fillerPort = 0;
                    continue;
                }
                if (held && applied == Cut) {
                    resetClose(client);
                    continue;
                }
                const int server = connectLoopback(m_upstreamPort, true);
                if (server < 0) {
                    resetClose(client);
                    continue;
                }
                nonBlocking(client);
                nonBlocking(server);
                connections.push_back({ client, server, {}, {} });
                m_connections.fetch_add(1);
            }
        }
        if (held)
            continue;
        for (size_t i = 0; i < connections.size(); ++i) {
            Connection &connection = connections[i];
            const pollfd *clientFd = 2 + 2 * i < fds.size() ? &fds[2 + 2 * i] : nullptr;
            if (!clientFd)
                break; // accepted in this turn: served from the next
            const pollfd &serverFd = fds[3 + 2 * i];
            bool ok = true;
            if (clientFd->revents & (POLLIN | POLLHUP | POLLERR))
                ok = take(connection.client, connection.up) && ok;
            if (serverFd.revents & (POLLIN | POLLHUP | POLLERR))
                ok = take(connection.server, connection.down) && ok;
            ok = give(connection.server, connection.up) && ok;
            ok = give(connection.client, connection.down) && ok;
            const bool done = connection.up.shut && connection.down.shut;
            if (!ok || done) {
                if (ok) {
                    ::close(connection.client);
                    ::close(connection.server);
                } else {
                    resetClose(connection.client);
                    resetClose(connection.server);
                }
                connection.client = connection.server = -1;
            }
        }
        for (size_t i = connections.size(); i-- > 0;) {
            if (connections[i].client < 0)
                connections.erase(connections.begin() + long(i));
        }
    }
    closeAll();
    if (filler >= 0)
        ::close(filler);
}
