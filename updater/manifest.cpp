#include "updater/manifest.h"

#include "updater/platform/manifestpath.h"
#include "updater/updatelog.h"

#include <tinyxml2.h>

namespace ZR {

namespace {
// Listed by old manifests, never fetched.
const char kSkippedName[] = ".\\\\temp.temp";
} // namespace

bool Manifest::read(const tinyxml2::XMLDocument &document, Manifest *manifest)
{
    const tinyxml2::XMLElement *root = document.FirstChildElement("AutoUpdater");
    const tinyxml2::XMLElement *complete = root ? root->FirstChildElement("Complete") : nullptr;
    const tinyxml2::XMLElement *files = root ? root->FirstChildElement("Files") : nullptr;
    const tinyxml2::XMLElement *firstEach = complete ? complete->FirstChildElement("eachFile") : nullptr;
    const tinyxml2::XMLElement *firstFile = files ? files->FirstChildElement("file") : nullptr;
    if (!firstEach || !firstFile)
        return false;
    const char *version = files->Attribute("version");
    if (!version)
        return false;

    std::vector<std::string> completeList;
    for (const tinyxml2::XMLElement *each = firstEach; each; each = each->NextSiblingElement()) {
        const char *dllPath = each->Attribute("dllPath");
        std::string local;
        if (!dllPath || !ManifestPath::toLocal(dllPath, &local)) {
            UpdateLog::line("bad dllPath in xml: ", dllPath ? dllPath : "");
            return false;
        }
        completeList.push_back(local);
    }
    std::map<std::string, std::string> md5Table;
    for (const tinyxml2::XMLElement *file = firstFile; file; file = file->NextSiblingElement()) {
        const char *name = file->Attribute("name");
        const char *md5 = file->Attribute("md5");
        if (!name || !md5) {
            UpdateLog::line("incomplete file entry in xml: ", name ? name : "");
            return false;
        }
        if (std::string(name) == kSkippedName)
            continue;
        std::string local;
        if (!ManifestPath::toLocal(name, &local)) {
            UpdateLog::line("bad file name in xml: ", name);
            return false;
        }
        md5Table[local] = md5;
    }
    manifest->version = version;
    manifest->completeList = completeList;
    manifest->md5Table = md5Table;
    return true;
}

} // namespace ZR
