#ifndef ZR_MANIFEST_H
#define ZR_MANIFEST_H

#include <map>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
}

namespace ZR {

// The manifest "filelist.xml": the files of a complete installation and the digest of every file, each name
// already a local path inside the client's folder (ManifestPath).
struct Manifest
{
    std::string version;
    std::vector<std::string> completeList; // local paths
    std::map<std::string, std::string> md5Table; // local path to the manifest's digest

    // False, with a log line, for an incomplete manifest or one with a name that is no local path: one such name
    // refuses the whole manifest, before anything is touched. The manifest is left as it was then.
    static bool read(const tinyxml2::XMLDocument &document, Manifest *manifest);
};

} // namespace ZR

#endif // ZR_MANIFEST_H
