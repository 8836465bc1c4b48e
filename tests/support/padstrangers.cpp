// padstrangers: strangers on the school's network at the pad link's port, each of which connects again the
// moment it is dropped (or refused), for a given time. Plain sockets and poll(), so that the strangers are as
// fast as the machine and not as fast as an event loop.
//
//   padstrangers --host ADDRESS --port PORT --sources A,B,... [--count N] [--seconds S] [--mode silent|hello|noise]
//
// Stranger i connects from sources[i % sources]. silent: connects and waits; hello: sends a pad's login request
// and waits; noise: sends 64 bytes of random frames and waits. Ends after the time, or on SIGTERM / SIGINT, and
// prints "connections C drops D refused R answered A" (answered: connections that were sent anything).
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
volatile std::sig_atomic_t s_stop = 0;

void onSignal(int)
{
    s_stop = 1;
}

double nowSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

enum class Mode { Silent, Hello, Noise };

struct Stranger
{
    sockaddr_in source {};
    int fd = -1;
    bool connecting = false;
    bool answered = false;
};

struct Totals
{
    long connections = 0;
    long drops = 0;
    long refused = 0;
    long answered = 0;
};

// A login request: the frame head (big-endian length), type 1, subtype 0, {"hb":"KPRV"}.
std::string helloFrame()
{
    const std::string payload = std::string("\x01\x00", 2) + "{\"hb\":\"KPRV\"}";
    std::string frame(4, '\0');
    frame[3] = char(payload.size());
    return frame + payload;
}

void closeAbortive(int fd)
{
    // No TIME_WAIT left behind: thousands of connections a second from one address would use up its ports.
    const linger abortive { 1, 0 };
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    close(fd);
}

bool open(Stranger &stranger, const sockaddr_in &target, Totals &totals)
{
    stranger.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (stranger.fd < 0)
        return false;
    const int on = 1;
#ifdef IP_BIND_ADDRESS_NO_PORT
    setsockopt(stranger.fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
#endif
    (void)on;
    if (bind(stranger.fd, reinterpret_cast<const sockaddr *>(&stranger.source), sizeof stranger.source) != 0) {
        close(stranger.fd);
        stranger.fd = -1;
        return false;
    }
    stranger.answered = false;
    const int result = connect(stranger.fd, reinterpret_cast<const sockaddr *>(&target), sizeof target);
    if (result == 0 || errno == EINPROGRESS) {
        stranger.connecting = true;
        return true;
    }
    ++totals.refused;
    close(stranger.fd);
    stranger.fd = -1;
    return false;
}

void connected(Stranger &stranger, Mode mode, unsigned &seed, Totals &totals)
{
    stranger.connecting = false;
    ++totals.connections;
    std::string bytes;
    if (mode == Mode::Hello) {
        bytes = helloFrame();
    } else if (mode == Mode::Noise) {
        bytes.resize(64);
        for (char &byte : bytes)
            byte = char(rand_r(&seed));
        // Small heads, so that the peer reads frames and not one long wait.
        bytes[0] = bytes[1] = bytes[2] = 0;
        bytes[3] = 8;
    }
    if (!bytes.empty())
        (void)send(stranger.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}
} // namespace

int main(int argc, char *argv[])
{
    std::string host = "127.0.0.1";
    int port = 0;
    std::vector<std::string> sources;
    int count = 16;
    double seconds = 10;
    Mode mode = Mode::Silent;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--host") {
            host = value;
        } else if (key == "--port") {
            port = std::atoi(value.c_str());
        } else if (key == "--count") {
            count = std::atoi(value.c_str());
        } else if (key == "--seconds") {
            seconds = std::atof(value.c_str());
        } else if (key == "--sources") {
            std::size_t start = 0;
            while (start <= value.size()) {
                const std::size_t comma = value.find(',', start);
                sources.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
        } else if (key == "--mode") {
            mode = value == "hello" ? Mode::Hello : value == "noise" ? Mode::Noise : Mode::Silent;
        } else {
            std::fprintf(stderr, "padstrangers: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_port = htons(uint16_t(port));
    if (port <= 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &target.sin_addr) != 1 || count <= 0
        || sources.empty()) {
        std::fprintf(stderr, "padstrangers: give --host, --port, --sources and a positive --count\n");
        return 2;
    }
    std::vector<Stranger> strangers(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        sockaddr_in &source = strangers[std::size_t(i)].source;
        source.sin_family = AF_INET;
        if (inet_pton(AF_INET, sources[std::size_t(i) % sources.size()].c_str(), &source.sin_addr) != 1) {
            std::fprintf(stderr, "padstrangers: not an address: %s\n", sources[std::size_t(i) % sources.size()].c_str());
            return 2;
        }
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    Totals totals;
    unsigned seed = 59;
    const double end = nowSeconds() + seconds;
    std::vector<pollfd> polls(strangers.size());
    std::printf("strangers %d from %zu addresses at %s:%d\n", count, sources.size(), host.c_str(), port);
    std::fflush(stdout);
    while (!s_stop && nowSeconds() < end) {
        for (std::size_t i = 0; i < strangers.size(); ++i) {
            Stranger &stranger = strangers[i];
            if (stranger.fd < 0)
                open(stranger, target, totals);
            polls[i].fd = stranger.fd;
            polls[i].events = stranger.fd < 0 ? 0 : stranger.connecting ? POLLOUT : POLLIN;
            polls[i].revents = 0;
        }
        // Every stranger may have been refused at once (the server gone): wait a moment then, not a spin.
        if (poll(polls.data(), nfds_t(polls.size()), 10) < 0 && errno != EINTR)
            break;
        for (std::size_t i = 0; i < strangers.size(); ++i) {
            Stranger &stranger = strangers[i];
            const short events = polls[i].revents;
            if (stranger.fd < 0 || events == 0)
                continue;
            if (stranger.connecting) {
                int error = 0;
                socklen_t length = sizeof error;
                getsockopt(stranger.fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    ++totals.refused;
                    close(stranger.fd);
                    stranger.fd = -1;
                    continue;
                }
                connected(stranger, mode, seed, totals);
                continue;
            }
            char buffer[4096];
            const ssize_t got = recv(stranger.fd, buffer, sizeof buffer, 0);
            if (got > 0) {
                if (!stranger.answered)
                    ++totals.answered;
                stranger.answered = true;
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // Dropped: straight back.
            ++totals.drops;
            closeAbortive(stranger.fd);
            stranger.fd = -1;
        }
    }
    for (Stranger &stranger : strangers) {
        if (stranger.fd >= 0)
            closeAbortive(stranger.fd);
    }
    std::printf("connections %ld drops %ld refused %ld answered %ld\n", totals.connections, totals.drops,
        totals.refused, totals.answered);
    std::fflush(stdout);
    return 0;
}
