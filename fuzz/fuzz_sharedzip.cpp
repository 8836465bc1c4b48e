// Unpacks a shared file's zip archive into a folder of a temporary root: the input's bytes as they are, or,
// when its first byte is odd, an archive built from its lines ("name<TAB>content"), so that well-formed
// archives with any entry names come often. Whatever the archive holds, nothing may land outside that folder,
// no link may appear, and the limits must hold.
#include "vrek/transferfile/algetfile.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

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
constexpr int builtEntries = 64;

bool buildArchive(const QString &path, const QByteArray &text)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size() && i < builtEntries; ++i) {
        const int tab = lines.at(i).indexOf('\t');
        const QByteArray name = tab < 0 ? lines.at(i) : lines.at(i).left(tab);
        const QByteArray content = tab < 0 ? QByteArray() : lines.at(i).mid(tab + 1);
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromUtf8(name))))
            continue;
        entry.write(content);
        entry.close();
    }
    zip.close();
    return true;
}
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
    if (size > 0 && (data[0] & 1)) {
        if (!buildArchive(archive, QByteArray(reinterpret_cast<const char *>(data) + 1, int(size - 1))))
            std::abort();
    } else {
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
