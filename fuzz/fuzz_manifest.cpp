// Feeds arbitrary bytes to the updater's manifest reader and to its path check. Every name the reader takes
// must be a relative path that stays inside the client's folder; the check must agree with itself.
#include "updater/manifest.h"
#include "updater/platform/manifestpath.h"
#include "updater/updatelog.h"

#include <tinyxml2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
// Relative, no drive, no backslash, no NUL, and every component a plain name.
bool staysInside(const std::string &local)
{
    if (local.empty() || local.front() == '/' || local.back() == '/')
        return false;
    if (local.find('\\') != std::string::npos || local.find(':') != std::string::npos
        || local.find('\0') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= local.size()) {
        size_t end = local.find('/', start);
        if (end == std::string::npos)
            end = local.size();
        const std::string component = local.substr(start, end - start);
        if (component.empty() || component == "." || component == "..")
            return false;
        start = end + 1;
    }
    return true;
}

void checkName(const std::string &name)
{
    std::string local;
    if (!ZR::ManifestPath::toLocal(name, &local))
        return;
    if (!staysInside(local))
        std::abort();
    // A local path is its own local form.
    std::string again;
    if (!ZR::ManifestPath::toLocal(local, &again) || again != local)
        std::abort();
    const std::string name2 = ZR::ManifestPath::fileName(local);
    if (name2.empty() || name2.find('/') != std::string::npos)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    UpdateLog::setEnabled(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    checkName(bytes);

    tinyxml2::XMLDocument document;
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS)
        return 0;
    ZR::Manifest manifest;
    if (!ZR::Manifest::read(document, &manifest))
        return 0;
    for (const std::string &local : manifest.completeList) {
        if (!staysInside(local))
            std::abort();
    }
    for (const auto &entry : manifest.md5Table) {
        if (!staysInside(entry.first))
            std::abort();
    }
    return 0;
}
