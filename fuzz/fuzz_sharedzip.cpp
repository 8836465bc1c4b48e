// Unpacks arbitrary bytes as a shared file's zip archive into a folder of a temporary root. Whatever the
// archive holds, nothing may land outside that folder, no link may appear, and the limits must hold.
#include "vrek/transferfile/algetfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void silence(QtMsgType, const QMessageLogContext &, const QString &) { }

constexpr int maxEntries = 200;
constexpr qint64 maxBytes = 4 * 1024 * 1024;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(silence);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTemporaryDir root;
    if (!root.isValid())
        std::abort();
    const QString archive = root.filePath("in.zip");
    const QString folder = root.filePath("out");
    {
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    ALGetFile::unpackZip(archive, folder, maxEntries, maxBytes);

    // Everything in the root but the archive lies in the folder, as plain files and folders.
    qint64 total = 0;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (info.isSymLink())
            std::abort();
        if (path == archive || path == folder)
            continue;
        if (!path.startsWith(folder + "/"))
            std::abort();
        if (info.isFile())
            total += info.size();
    }
    if (total > maxBytes)
        std::abort();
    return 0;
}
