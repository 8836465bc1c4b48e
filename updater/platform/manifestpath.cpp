#include "updater/platform/manifestpath.h"

namespace ZR {

namespace {
bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}
} // namespace

bool ManifestPath::toLocal(const std::string &name, std::string *local)
{
    if (name.empty() || isSeparator(name.front()) || isSeparator(name.back()))
        return false;
    if (name.find('\0') != std::string::npos || name.find(':') != std::string::npos)
        return false;
    const size_t lastSeparator = name.find_last_of("\\/");
    if (name.compare(lastSeparator == std::string::npos ? 0 : lastSeparator + 1, std::string::npos, ".") == 0)
        return false; // names a folder, not a file
    std::string result;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !isSeparator(name[end]))
            ++end;
        const std::string component = name.substr(start, end - start);
        if (component == "..")
            return false;
        if (!component.empty() && component != ".") {
            if (!result.empty())
                result += '/';
            result += component;
        }
        start = end + 1;
    }
    if (result.empty())
        return false;
    *local = result;
    return true;
}

std::string ManifestPath::fileName(const std::string &local)
{
    const size_t slash = local.rfind('/');
    return slash == std::string::npos ? local : local.substr(slash + 1);
}

} // namespace ZR
