// Feeds arbitrary lines of the course-file message (type 4, as the classroom connection hands them on) to the
// course file manager, with its table in a fresh folder: offers, file lists, deletions and upload results.
// Nothing may crash, and no file may be written outside the folder.
#include "vrek/course/coursefilemanager.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/utils/globalvalue.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void silence(QtMsgType, const QMessageLogContext &, const QString &) { }

CourseFileManager *manager = nullptr;
QString folderPath;

void removeFolder()
{
    QDir(folderPath).removeRecursively();
}

// The run leaves for a folder of its own: the corpus and artifact paths it was given must still lead home.
void makePathsAbsolute(int argc, char **argv)
{
    const QString prefix = QStringLiteral("-artifact_prefix=");
    for (int i = 1; i < argc; ++i) {
        QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(prefix))
            arg = prefix + QDir::current().absoluteFilePath(arg.mid(prefix.size())) + (arg.endsWith('/') ? "/" : "");
        else if (!arg.startsWith('-'))
            arg = QDir::current().absoluteFilePath(arg);
        else
            continue;
        argv[i] = strdup(arg.toLocal8Bit().constData());
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    makePathsAbsolute(*argc, *argv);
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(silence);
    // The table and the received files live under the working folder: a fresh one per run.
    char folder[] = "/tmp/fuzz_fileinfoline.XXXXXX";
    if (!mkdtemp(folder) || !QDir::setCurrent(QString::fromLocal8Bit(folder)))
        std::abort();
    folderPath = QString::fromLocal8Bit(folder);
    std::atexit(removeFolder);
    if (!DBManager::dbFileInitial() || !DBManager::createDataFile(DBManager::dataBaseName) || !UserFileDao::initial())
        std::abort();
    g_userId = QStringLiteral("1001");
    g_userType = 1;
    manager = new CourseFileManager(nullptr, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    manager->slotProtocolAnalysis(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
