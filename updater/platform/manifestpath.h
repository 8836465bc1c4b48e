#ifndef ZR_MANIFESTPATH_H
#define ZR_MANIFESTPATH_H

#include <string>

namespace ZR {

// The one place where the manifest's Windows-style names (".\\sub\\x.dll") become local relative paths
// ("sub/x.dll"). Every file the updater touches goes through here, so a manifest cannot point outside the
// client's folder.
class ManifestPath
{
public:
    // False for a name that is empty, absolute, carries a drive letter, a ".." component or a NUL, or ends in a
    // separator. Backslashes and slashes both separate; "." components and empty ones are dropped.
    static bool toLocal(const std::string &name, std::string *local);
    // The last component of a local path: the file's name on the update server.
    static std::string fileName(const std::string &local);
};

} // namespace ZR

#endif // ZR_MANIFESTPATH_H
