#ifndef ZR_INSTANCELOCK_H
#define ZR_INSTANCELOCK_H

#include <string>

namespace ZR {

// One updater at a time per user: an flock'd lock file named after the updater's mutex. The lock goes with the
// process, so a crashed updater never blocks the next one, and a started program never inherits it.
class InstanceLock
{
public:
    enum Result {
        Acquired,
        HeldElsewhere, // another updater runs
        Unavailable, // the lock file cannot be opened; the caller carries on without it
    };

    explicit InstanceLock(const std::string &path = defaultPath());
    ~InstanceLock();

    Result acquire();
    void release();
    const std::string &path() const { return m_path; }

    // $XDG_RUNTIME_DIR/Holtapdate.lock, or /tmp/Holtapdate-<uid>.lock without a runtime folder.
    static std::string defaultPath();

    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace ZR

#endif // ZR_INSTANCELOCK_H
