#include "updater/platform/instancelock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ZR {

namespace {
const char kMutexName[] = "Holtapdate";
} // namespace

InstanceLock::InstanceLock(const std::string &path)
    : m_path(path)
{ }

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::Result InstanceLock::acquire()
{
    if (m_fd >= 0)
        return Acquired;
    // O_NOFOLLOW: in a shared /tmp nobody can plant a link that makes us create or lock another file.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? HeldElsewhere : Unavailable;
    }
    m_fd = fd;
    return Acquired;
}

void InstanceLock::release()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

std::string InstanceLock::defaultPath()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info
    {
    };
    if (runtime && *runtime && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
        return std::string(runtime) + "/" + kMutexName + ".lock";
    return std::string("/tmp/") + kMutexName + "-" + std::to_string(::getuid()) + ".lock";
}

} // namespace ZR
