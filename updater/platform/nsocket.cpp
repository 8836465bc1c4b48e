#include "updater/platform/nsocket.h"

#include "updater/platform/nwaker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ZR {

namespace {
bool isHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_';
}
} // namespace

NSocket::NSocket(const NWaker *waker)
    : m_waker(waker)
{ }

NSocket::~NSocket()
{
    close();
}

bool NSocket::resolveIpv4(const std::string &host, std::string *address)
{
    if (host.empty() || host.size() > 255)
        return false;
    for (char c : host) {
        if (!isHostChar(c))
            return false; // never hand the resolver something that is no name
    }
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
        return false;
    char text[INET_ADDRSTRLEN] = {};
    const auto *ipv4 = reinterpret_cast<const sockaddr_in *>(result->ai_addr);
    const bool ok = ::inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof(text)) != nullptr;
    ::freeaddrinfo(result);
    if (ok)
        *address = text;
    return ok;
}

bool NSocket::open()
{
    close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return m_fd >= 0;
}

NSocket::ConnectResult NSocket::connectTo(const std::string &address, int port)
{
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    if (m_fd < 0 || ::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1)
        return ConnectFailed;
    if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&target), sizeof(target)) == 0)
        return Connected;
    return errno == EINPROGRESS || errno == EINTR ? InProgress : ConnectFailed;
}

bool NSocket::connectSucceeded() const
{
    int error = 0;
    socklen_t length = sizeof(error);
    return m_fd >= 0 && ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

NSocket::WaitResult NSocket::waitWritable(int ms) const
{
    return m_fd < 0 ? Error : waitFor(m_fd, POLLOUT, ms, m_waker);
}

NSocket::WaitResult NSocket::waitReadable(int ms) const
{
    return m_fd < 0 ? Error : waitFor(m_fd, POLLIN, ms, m_waker);
}

ssize_t NSocket::sendSome(const char *data, size_t size)
{
    const ssize_t sent = ::send(m_fd, data, size, MSG_NOSIGNAL);
    if (sent >= 0)
        return sent;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

ssize_t NSocket::receiveSome(char *data, size_t size)
{
    const ssize_t received = ::recv(m_fd, data, size, 0);
    if (received >= 0)
        return received;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -2 : -1;
}

bool NSocket::close()
{
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0 || errno == EINTR;
}

NSocket::WaitResult NSocket::waitFor(int fd, short events, int ms, const NWaker *waker)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    pollfd fds[2] = {};
    nfds_t count = 0;
    if (fd >= 0)
        fds[count++] = { fd, events, 0 };
    const nfds_t wakerIndex = count;
    if (waker && waker->fd() >= 0)
        fds[count++] = { waker->fd(), POLLIN, 0 };
    for (;;) {
        if (waker && waker->isWoken())
            return Interrupted;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int result = ::poll(fds, count, left > 0 ? int(left) : 0);
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return Error;
        }
        if (result == 0)
            return TimedOut;
        if (wakerIndex < count && fds[wakerIndex].revents)
            return Interrupted;
        // An error or hang-up shows as ready: the read, write or SO_ERROR that follows tells what happened.
        if (fd >= 0 && fds[0].revents)
            return Ready;
    }
}

} // namespace ZR
