#include "tests/support/delayrelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {
// Each wait is this short at most, so that stalls and delays start and end on time without a timetable.
constexpr int tickMs = 5;
// A full segment, which Nagle's algorithm never holds.
constexpr size_t segmentBytes = 1448;

struct Chunk
{
    int64_t due;
    std::string bytes;
    size_t sent = 0;
};

// One direction of a connection: what came in on one socket, on its way out of the other.
struct Lane
{
    int from;
    int to;
    std::deque<Chunk> queue;
    bool ended = false; // the sender closed; ends the connection once the queue is out
    // The sender's side of the link, when it holds short writes back (Nagle): when its last segment left, and
    // until when the one it holds now waits.
    bool nagle = false;
    int64_t lastDeparture = 0;
    int64_t heldDeparture = 0;
};

struct Connection
{
    Lane up; // client to server
    Lane down; // server to client
    bool broken = false;
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

void prepare(int fd)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Takes what the socket has; false once the sender has closed or the socket failed.
bool receive(Lane &lane, int64_t now, int delayMs)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::recv(lane.from, buffer, sizeof(buffer), 0);
        if (got > 0) {
            int64_t departure = now;
            if (lane.nagle) {
                if (lane.heldDeparture > now && !lane.queue.empty()) {
                    // Joins the short segment that waits for the acknowledgement.
                    lane.queue.back().bytes.append(buffer, size_t(got));
                    continue;
                }
                const int64_t acknowledged = lane.lastDeparture + 2 * delayMs;
                if (size_t(got) < segmentBytes && now < acknowledged) {
                    departure = acknowledged;
                    lane.heldDeparture = departure;
                }
                lane.lastDeparture = departure;
            }
            lane.queue.push_back({ departure + delayMs, std::string(buffer, size_t(got)) });
            continue;
        }
        if (got < 0 && (errno == EINTR))
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        lane.ended = true;
        return false;
    }
}

// Sends what is due; false when the receiver is gone.
bool deliver(Lane &lane, int64_t now)
{
    while (!lane.queue.empty() && lane.queue.front().due <= now) {
        Chunk &chunk = lane.queue.front();
        const ssize_t result
            = ::send(lane.to, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (result <= 0)
            return false;
        chunk.sent += size_t(result);
        if (chunk.sent == chunk.bytes.size())
            lane.queue.pop_front();
    }
    return true;
}
} // namespace

DelayRelay::~DelayRelay()
{
    stop();
}

int64_t DelayRelay::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool DelayRelay::start(int upstreamPort, int oneWayDelayMs)
{
    stop();
    m_upstreamPort = upstreamPort;
    m_delayMs.store(oneWayDelayMs);
    if (!m_listener.open(16))
        return false;
    m_listener.serve([this] { run(); });
    return true;
}

void DelayRelay::stop()
{
    m_listener.close();
}

void DelayRelay::setStalls(int periodMs, int holdMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stallOriginMs = nowMs();
    m_stallPeriodMs = periodMs;
    m_stallHoldMs = holdMs;
}

void DelayRelay::holdFor(int ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_holdEndMs = std::max(m_holdEndMs, nowMs() + ms);
}

int64_t DelayRelay::heldUntil(int64_t now) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_holdEndMs > now)
        return m_holdEndMs;
    if (m_stallPeriodMs > 0 && m_stallHoldMs > 0) {
        // The first hold comes a period after the stalls were set, not at once.
        const int64_t since = now - m_stallOriginMs - m_stallPeriodMs;
        if (since >= 0) {
            const int64_t phase = since % m_stallPeriodMs;
            if (phase < m_stallHoldMs)
                return now + (m_stallHoldMs - phase);
        }
    }
    return 0;
}

void DelayRelay::run()
{
    std::vector<std::unique_ptr<Connection>> connections;
    while (m_listener.running()) {
        std::vector<pollfd> fds { { m_listener.wakeFd(), POLLIN, 0 }, { m_listener.listenFd(), POLLIN, 0 } };
        for (const auto &connection : connections) {
            fds.push_back({ connection->up.from, short(connection->up.ended ? 0 : POLLIN), 0 });
            fds.push_back({ connection->down.from, short(connection->down.ended ? 0 : POLLIN), 0 });
        }
        if (::poll(fds.data(), nfds_t(fds.size()), tickMs) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            m_listener.drainWake();
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(m_listener.listenFd(), nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                {
                    std::lock_guard<std::mutex> locker(m_mutex);
                    m_accepted.push_back(nowMs());
                }
                const int server = connectUpstream(m_upstreamPort);
                if (server < 0) {
                    ::close(client);
                } else {
                    prepare(client);
                    prepare(server);
                    auto connection = std::make_unique<Connection>();
                    connection->up.from = client;
                    connection->up.to = server;
                    connection->down.from = server;
                    connection->down.to = client;
                    connection->down.nagle = m_serverNagle.load();
                    connections.push_back(std::move(connection));
                    m_connections.fetch_add(1);
                }
            }
        }
        const int64_t now = nowMs();
        const int delayMs = m_delayMs.load();
        for (size_t i = 0; i < connections.size() && 2 + 2 * i + 1 < fds.size(); ++i) {
            Connection &connection = *connections[i];
            if (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))
                receive(connection.up, now, delayMs);
            if (fds[3 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))
                receive(connection.down, now, delayMs);
        }
        const bool held = heldUntil(now) > now;
        std::vector<std::unique_ptr<Connection>> open;
        for (auto &connection : connections) {
            if (!held) {
                if (!deliver(connection->up, now) || !deliver(connection->down, now))
                    connection->broken = true;
            }
            const bool drained = (connection->up.ended && connection->up.queue.empty())
                || (connection->down.ended && connection->down.queue.empty());
            if (connection->broken || drained) {
                ::close(connection->up.from);
                ::close(connection->down.from);
            } else {
                open.push_back(std::move(connection));
            }
        }
        connections.swap(open);
    }
    for (const auto &connection : connections) {
        ::close(connection->up.from);
        ::close(connection->down.from);
    }
}

std::vector<int64_t> DelayRelay::acceptTimes() const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    return m_accepted;
}

void DelayRelay::clearAcceptTimes()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_accepted.clear();
}
