#include "updater/platform/nwaker.h"

#include "updater/platform/nsocket.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace ZR {

NWaker::NWaker()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{ }

NWaker::~NWaker()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void NWaker::wake()
{
    m_woken.store(true);
    const uint64_t one = 1;
    if (m_fd >= 0) {
        const ssize_t written = ::write(m_fd, &one, sizeof(one));
        (void)written; // a full counter is still readable, which is all the waiters look at
    }
}

bool NWaker::sleep(int ms) const
{
    if (isWoken())
        return false;
    return NSocket::waitFor(-1, 0, ms, this) == NSocket::TimedOut;
}

} // namespace ZR
