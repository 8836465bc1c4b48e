#ifndef ZR_NFILE_H
#define ZR_NFILE_H

#include <string>
#include <vector>

namespace ZR {

// The file functions of the updater. Paths are local ones ("sub/x.so"); manifest names are converted by
// ManifestPath before they get here.
class NFile
{
public:
    // Lists root's entries: files as root + "/" + name (fullPath) or their bare name, folders likewise when
    // folders is set, and searches folders when recursive is set. Symbolic links are neither listed nor followed.
    // False only when root does not exist.
    static bool getAllFiles(
        const std::string &root, std::vector<std::string> &files, bool fullPath, bool folders, bool recursive);
    // digits 32: the whole digest in lower-case hexadecimal; 16: its middle eight bytes.
    static bool getFileMd5(const std::string &path, int digits, std::string &md5);
    // Creates every missing folder up to the last "/"; the last component is left alone.
    static bool createDirs(const std::string &path);
    static std::string getCurrentDir();
    // The pieces between backslashes, empty ones included, then the text after the last backslash; no pieces
    // for a path without a backslash.
    static std::vector<std::string> splitPath(const std::string &path);
    static std::string lastComponent(const std::string &path);
    // Exists and is no folder.
    static bool isFile(const std::string &path);
};

// A window-class number from 0 to 9999 that this process has not handed out before.
int getUniqueClassId();
// Command-line text to the narrow encoding of the system (UTF-8 here).
std::string toNarrow(const std::u16string &text);

} // namespace ZR

#endif // ZR_NFILE_H
