#ifndef ZR_NSOCKET_H
#define ZR_NSOCKET_H

#include <string>
#include <sys/types.h>

namespace ZR {

class NWaker;

// A non-blocking IPv4 TCP socket over POSIX calls. Every wait can be cut short by an NWaker. The descriptor is
// closed on destruction and never inherited by a started program.
class NSocket
{
public:
    enum WaitResult { Ready, TimedOut, Error, Interrupted };
    enum ConnectResult { Connected, InProgress, ConnectFailed };

    explicit NSocket(const NWaker *waker = nullptr);
    ~NSocket();

    // getaddrinfo is safe on several threads at once. False for a name that is no host name at all.
    static bool resolveIpv4(const std::string &host, std::string *address);

    bool open();
    bool isOpen() const { return m_fd >= 0; }
    ConnectResult connectTo(const std::string &address, int port);
    // After the socket became writable: whether the connect really succeeded (a refused one is writable too).
    bool connectSucceeded() const;
    WaitResult waitWritable(int ms) const;
    WaitResult waitReadable(int ms) const;
    // Bytes sent; 0 when the socket would block; -1 on an error.
    ssize_t sendSome(const char *data, size_t size);
    // Bytes read; 0 when the peer closed; -1 on an error; -2 when nothing is there yet.
    ssize_t receiveSome(char *data, size_t size);
    bool close();

    // Waits until fd shows one of events (POLLIN, POLLOUT), the waker fires or ms have passed. fd -1 waits on the
    // waker alone.
    static WaitResult waitFor(int fd, short events, int ms, const NWaker *waker);

    NSocket(const NSocket &) = delete;
    NSocket &operator=(const NSocket &) = delete;

private:
    int m_fd = -1;
    const NWaker *m_waker;
};

} // namespace ZR

#endif // ZR_NSOCKET_H
