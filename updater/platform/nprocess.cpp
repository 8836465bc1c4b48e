#include "updater/platform/nprocess.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

namespace ZR {

namespace {
bool isPid(const char *name)
{
    if (!*name)
        return false;
    for (const char *c = name; *c; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    }
    return true;
}

// The file of the running program; a replaced or deleted file still names the process by its old name.
std::string executablePath(const std::string &procDir)
{
    char target[4096];
    const ssize_t length = ::readlink((procDir + "/exe").c_str(), target, sizeof(target) - 1);
    if (length <= 0)
        return std::string();
    std::string path(target, size_t(length));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

std::string executableName(const std::string &procDir)
{
    const std::string path = executablePath(procDir);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

std::string NProcess::ownProgram()
{
    return executablePath("/proc/self");
}

bool NProcess::enterOwnFolder()
{
    const std::string program = ownProgram();
    const std::string::size_type slash = program.rfind('/');
    if (program.empty() || program[0] != '/' || slash == std::string::npos)
        return false;
    const std::string folder = slash == 0 ? std::string("/") : program.substr(0, slash);
    return ::chdir(folder.c_str()) == 0;
}

bool NProcess::snapshot(std::vector<Entry> *entries)
{
    entries->clear();
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return false;
    const uid_t user = ::getuid();
    const pid_t self = ::getpid();
    while (const dirent *entry = ::readdir(proc)) {
        if (!isPid(entry->d_name))
            continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat info
        {
        };
        if (::stat(dir.c_str(), &info) != 0 || info.st_uid != user)
            continue;
        const pid_t pid = pid_t(std::stol(entry->d_name));
        if (pid == self)
            continue;
        const std::string name = executableName(dir);
        if (!name.empty())
            entries->push_back({ pid, name });
    }
    ::closedir(proc);
    std::sort(entries->begin(), entries->end(), [](const Entry &a, const Entry &b) { return a.pid < b.pid; });
    return true;
}

bool NProcess::terminate(pid_t pid)
{
    return pid > 0 && ::kill(pid, SIGKILL) == 0;
}

bool NProcess::start(const std::string &path)
{
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    // Its own session: the client outlives the updater and whatever terminal started it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    std::string program = path.find('/') == std::string::npos ? "./" + path : path;
    char *argv[] = { &program[0], nullptr };
    const int result = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return result == 0;
}

} // namespace ZR
