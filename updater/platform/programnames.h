#ifndef ZR_PROGRAMNAMES_H
#define ZR_PROGRAMNAMES_H

#include <string>
#include <vector>

namespace ZR {

// How this platform names the programs and files the updater deals with. Linux executables carry no suffix;
// every other place takes the names from here.
struct ProgramNames
{
    std::string serverFolder; // appended to the base URL
    std::string processToEnd; // ended before updating
    std::string client; // started at the end, relative to the working directory
    std::string ownExecutable;

    static ProgramNames student();
    static ProgramNames teacher();
    // Leftovers of older updater versions, removed before updating.
    static std::vector<std::string> leftoverFiles();
    // The ending of the library files that a scan may remove when no manifest lists them.
    static std::string librarySuffix();
};

} // namespace ZR

#endif // ZR_PROGRAMNAMES_H
