#ifndef ZR_NPROCESS_H
#define ZR_NPROCESS_H

#include <string>
#include <sys/types.h>
#include <vector>

namespace ZR {

// Processes as the updater sees them: a snapshot of this user's processes, ending one, starting a program.
class NProcess
{
public:
    struct Entry
    {
        pid_t pid;
        std::string executable; // file name of the running program, without its folder
    };

    // This user's processes from /proc, in pid order, the calling process left out. Empty when /proc cannot be
    // read.
    static bool snapshot(std::vector<Entry> *entries);
    // Ends the process at once, as a forced termination does.
    static bool terminate(pid_t pid);
    // The running program's file, with its folder; empty when it cannot be read.
    static std::string ownProgram();
    // Makes the running program's folder the working directory; false, and the directory unchanged, when the
    // folder cannot be found or entered.
    static bool enterOwnFolder();
    // Starts the program in a session of its own, with the caller's environment, and does not wait for it.
    static bool start(const std::string &path);
};

} // namespace ZR

#endif // ZR_NPROCESS_H
