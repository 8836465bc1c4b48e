#include "updater/nfile.h"

#include "updater/md5.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace ZR {

namespace {
const size_t kMaxDirPath = 255;
const size_t kMd5Block = 1024;
} // namespace

bool NFile::getAllFiles(
    const std::string &root, std::vector<std::string> &files, bool fullPath, bool folders, bool recursive)
{
    struct stat info
    {
    };
    if (::stat(root.c_str(), &info) != 0)
        return false;
    DIR *dir = ::opendir(root.c_str());
    if (!dir)
        return true;
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        const std::string path = root + "/" + name;
        if (::lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISREG(info.st_mode)) {
            files.push_back(fullPath ? path : name);
        } else if (S_ISDIR(info.st_mode)) {
            if (folders)
                files.push_back(fullPath ? path : name);
            if (recursive)
                getAllFiles(path, files, fullPath, folders, recursive);
        }
    }
    return true;
}

bool NFile::getFileMd5(const std::string &path, int digits, std::string &md5)
{
    if (digits != 16 && digits != 32)
        return false;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "fopen %s failed\n", path.c_str());
        return false;
    }
    Md5 digest;
    char block[kMd5Block];
    size_t read = 0;
    while ((read = std::fread(block, 1, sizeof(block), file)) > 0)
        digest.update(block, read);
    const bool failed = std::ferror(file) != 0; // a folder opens but cannot be read
    std::fclose(file);
    if (failed)
        return false;
    uint8_t bytes[16];
    digest.finish(bytes);
    md5 = digits == 32 ? Md5::toHex(bytes, 16) : Md5::toHex(bytes + 4, 8);
    return true;
}

bool NFile::createDirs(const std::string &path)
{
    if (path.size() > kMaxDirPath)
        return false;
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash + 1);
        struct stat info
        {
        };
        if (::stat(folder.c_str(), &info) == 0)
            continue;
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string NFile::getCurrentDir()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof(buffer)) ? std::string(buffer) : std::string();
}

std::vector<std::string> NFile::splitPath(const std::string &path)
{
    std::vector<std::string> pieces;
    if (path.find('\\') == std::string::npos)
        return pieces;
    size_t start = 0;
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', start)) {
        pieces.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    pieces.push_back(path.substr(start));
    return pieces;
}

std::string NFile::lastComponent(const std::string &path)
{
    const std::vector<std::string> pieces = splitPath(path);
    return pieces.empty() ? std::string() : pieces.back();
}

bool NFile::isFile(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

int getUniqueClassId()
{
    static std::mutex mutex;
    static std::vector<int> handedOut;
    std::lock_guard<std::mutex> lock(mutex);
    std::srand(unsigned(std::time(nullptr)));
    int id = std::rand() % 10000;
    while (std::find(handedOut.begin(), handedOut.end(), id) != handedOut.end())
        id = std::rand() % 10000;
    handedOut.push_back(id);
    return id;
}

std::string toNarrow(const std::u16string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xd800 && code <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) {
            code = 0x10000 + ((code - 0xd800) << 10) + (text[i + 1] - 0xdc00);
            ++i;
        } else if (code >= 0xd800 && code <= 0xdfff) {
            code = 0xfffd; // a lone surrogate
        }
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xc0 | (code >> 6));
            out += char(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out += char(0xe0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        } else {
            out += char(0xf0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3f));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        }
    }
    return out;
}

} // namespace ZR
