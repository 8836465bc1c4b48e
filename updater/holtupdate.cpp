#include "updater/holtupdate.h"

#include "updater/manifest.h"
#include "updater/nfile.h"
#include "updater/platform/manifestpath.h"
#include "updater/platform/nprocess.h"
#include "updater/progressview.h"
#include "updater/updatelog.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unordered_set>

namespace {
const char kDefaultHost[] = "update.vantrel.com";
const char kLocalManifest[] = "temp.xml";
// Lies in the folder while a swap is under way, naming the files it adds (one a line): a run that stops before
// it is gone leaves the next start to undo the swap.
const char kSwapMark[] = "holtupdate.swap";
const char kTempSuffix[] = "ormu";
const char kBackupSuffix[] = "delBak";
const int kBackupAttempts = 3;
const int kDeleteAttempts = 4;
const unsigned kProgressCallsPerRedraw = 600;
// A downloaded file whose digest is not the manifest's: not among the download client's codes.
const int kDigestMismatch = 5;

bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool sameDigest(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool exists(const std::string &path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0;
}

// The name of this program's file when it lies in the working directory, where the manifest may list it.
std::string runningNameHere()
{
    const std::string program = ZR::NProcess::ownProgram();
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    char *folder = ::realpath(program.substr(0, slash + 1).c_str(), nullptr);
    char *here = ::realpath(".", nullptr);
    const bool inHere = folder && here && std::strcmp(folder, here) == 0;
    std::free(folder);
    std::free(here);
    return inHere ? program.substr(slash + 1) : std::string();
}
} // namespace

Holtupdate::Holtupdate()
    : Holtupdate(Settings())
{ }

Holtupdate::Holtupdate(const Settings &settings)
    : m_settings(settings)
    , m_baseUrl(defaultBaseUrl())
    , m_xmlDownload(settings.limits)
    , m_names(ZR::ProgramNames::student())
    , m_lock(settings.lockPath)
{ }

Holtupdate::~Holtupdate()
{
    for (auto &downloader : m_downloaders)
        downloader->abort();
    for (std::thread &thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

std::string Holtupdate::defaultBaseUrl()
{
    return std::string("http://") + kDefaultHost + ":8088/saas/update/";
}

void Holtupdate::readCommandLine(int argc, const char *const *argv)
{
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i] ? argv[i] : "";
        if (argument.compare(0, 5, "-url:") == 0)
            m_baseUrl = argument.substr(5);
        else if (argument.compare(0, 5, "-log:") == 0 && argument.substr(5) == "true")
            UpdateLog::setEnabled(true);
    }
    UpdateLog::line("\n----------------Holtrenew------------------");
}

void Holtupdate::startUpdate()
{
    switch (m_lock.acquire()) {
    case ZR::InstanceLock::HeldElsewhere:
        m_exitCode = AlreadyRunning;
        return;
    case ZR::InstanceLock::Unavailable:
        UpdateLog::line("can't open the lock file ", m_lock.path());
        break;
    case ZR::InstanceLock::Acquired:
        break;
    }
    m_names = ZR::ProgramNames::student();
    m_studentFlag = true;
    m_baseUrl += m_names.serverFolder;
    m_runningName = runningNameHere();

    restoreInterruptedSwap();
    m_xmlDownload.setFinishedAction([this](int code) { onXmldownloadFinsh(code); });
    m_xmlDownload.download(m_baseUrl + m_xmlName, kLocalManifest);
}

void Holtupdate::restoreInterruptedSwap()
{
    // Backups left behind mean an earlier run stopped in its swap or before it removed them. With the swap's
    // mark, the swap is undone: every backup goes back and the files it added go, so the folder is all old.
    // Without it the swap had finished: a backup beside its file is stale, one without its file the only copy.
    const bool undo = exists(kSwapMark);
    bool whole = true;
    if (undo) {
        std::ifstream mark(kSwapMark);
        std::string line;
        while (std::getline(mark, line)) {
            std::string local;
            if (ZR::ManifestPath::toLocal(line, &local) && ZR::NFile::isFile(local) && std::remove(local.c_str()) != 0)
                whole = false;
        }
    }
    std::vector<std::string> files;
    ZR::NFile::getAllFiles(".", files, true, false, true);
    for (const std::string &file : files) {
        if (!endsWith(file, kBackupSuffix))
            continue;
        const std::string original = file.substr(0, file.size() - std::strlen(kBackupSuffix));
        if (original.empty() || endsWith(original, "/"))
            continue;
        if (!undo && exists(original)) {
            std::remove(file.c_str());
            UpdateLog::line("removed old backup ", file);
            continue;
        }
        const bool restored = std::rename(file.c_str(), original.c_str()) == 0;
        UpdateLog::line(restored ? "restored " : "can't restore ", original);
        whole = whole && restored;
    }
    // Kept while anything could not be put back, so that the next start tries again.
    if (undo && whole)
        std::remove(kSwapMark);
}

bool Holtupdate::markSwap() const
{
    std::ofstream mark(kSwapMark, std::ios::trunc);
    for (const std::string &local : m_downloadList) {
        if (!exists(local))
            mark << local << '\n';
    }
    mark.flush();
    return bool(mark);
}

void Holtupdate::onXmldownloadFinsh(int code)
{
    UpdateLog::line("Infor:onXmldownloadFinsh:", code);
    // The size queries below run on the same downloader: their failures must not come back here and start the
    // client a second time.
    m_xmlDownload.setFinishedAction(nullptr);
    if (code != 0) {
        UpdateLog::line("can't download xml");
        onStartRunExe(false, false, false);
        return;
    }
    tinyxml2::XMLDocument document;
    if (document.LoadFile(kLocalManifest) != tinyxml2::XML_SUCCESS || !readManifest(document)) {
        onStartRunExe(false, false, false);
        UpdateLog::line("isXmlIntegrity failed");
        return;
    }

    killProcessByName(m_names.processToEnd);
    for (const std::string &leftover : ZR::ProgramNames::leftoverFiles())
        std::remove(leftover.c_str());

    removeStrayLibraries();
    UpdateLog::line("xml version:  ", m_version);

    UpdateLog::line(" onstart calcul md5 ....: ");
    for (const auto &entry : m_md5Table) {
        std::string md5;
        if (!ZR::NFile::isFile(entry.first) || !ZR::NFile::getFileMd5(entry.first, 32, md5) || md5 != entry.second)
            m_downloadList.push_back(entry.first);
    }
    UpdateLog::line(" onend calcul md5 ....:");

    if (m_downloadList.empty()) {
        m_exitCode = Succeeded;
        onStartRunExe(false, false, false);
        UpdateLog::line("no need update files");
        return;
    }
    onDownloadFile();
}

bool Holtupdate::readManifest(const tinyxml2::XMLDocument &document)
{
    ZR::Manifest manifest;
    if (!ZR::Manifest::read(document, &manifest))
        return false;
    m_version = manifest.version;
    m_completeList = manifest.completeList;
    m_md5Table = manifest.md5Table;
    return true;
}

void Holtupdate::removeStrayLibraries()
{
    const std::unordered_set<std::string> complete(m_completeList.begin(), m_completeList.end());
    std::vector<std::string> scanned;
    if (!ZR::NFile::getAllFiles(".", scanned, true, false, true)) {
        UpdateLog::line("ZR::NFile::getAllFiles failed!");
        return;
    }
    m_vecLocalCompleteList.clear();
    for (const std::string &path : scanned) {
        std::string local;
        if (ZR::ManifestPath::toLocal(path, &local))
            m_vecLocalCompleteList.push_back(local);
    }
    if (m_vecLocalCompleteList.empty()) {
        UpdateLog::line("m_vecLocalCompleteList.size() == 0!");
        return;
    }
    const std::string suffix = ZR::ProgramNames::librarySuffix();
    for (const std::string &local : m_vecLocalCompleteList) {
        if (!complete.count(local) && endsWith(local, suffix))
            std::remove(local.c_str());
    }
}

void Holtupdate::onDownloadFile()
{
    UpdateLog::line("Holtupdate::onDownloadFile", "onstart download ....:");
    if (m_view)
        m_view->openWindow(m_version);

    for (const std::string &local : m_downloadList) {
        const Job job { m_baseUrl + ZR::ManifestPath::fileName(local), local, m_md5Table[local] };
        UpdateLog::line(job.url);
        m_jobs.push_back(job);
        uint64_t size = 0;
        if (!m_xmlDownload.queryFileSize(size, job.url)) {
            UpdateLog::line("query the files lengs cautch error ;");
            if (m_view)
                m_view->closeWindow();
            onStartRunExe(false, false, false);
            return;
        }
        m_totalSize += size;
    }
    UpdateLog::line("  total files size:  ", m_totalSize);

    for (const std::string &local : m_downloadList) {
        if (!ZR::NFile::createDirs(local)) {
            UpdateLog::line("Holtupdate::onDownloadFile", " create need dir fail!:  ", m_totalSize);
            if (m_view)
                m_view->closeWindow();
            onStartRunExe(false, false, false);
            return;
        }
    }

    const size_t workers = std::min(m_workerLimit, m_jobs.size());
    m_threads.resize(workers);
    for (size_t slot = 0; slot < workers; ++slot) {
        auto downloader = std::make_unique<ZR::HttpDownload>(m_settings.limits);
        downloader->setProgressAction([this](int &bytes, uint64_t &, uint64_t &) { onDownloadProgress(bytes); });
        m_downloaders.push_back(std::move(downloader));
    }
    for (size_t slot = 0; slot < workers; ++slot)
        startWorker(slot);

    size_t finished = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (finished < m_jobs.size() && m_continue) {
        if (m_finishedQueue.empty()) {
            m_workerFinished.wait_for(lock, std::chrono::milliseconds(m_settings.pollMs));
            continue;
        }
        const size_t slot = m_finishedQueue.front();
        if (m_nextJob < m_jobs.size()) {
            lock.unlock();
            m_threads[slot].join();
            startWorker(slot);
            lock.lock();
        }
        ++finished;
        m_finishedQueue.pop_front();
    }
    const bool failed = !m_continue;
    lock.unlock();

    // Nothing goes on until every worker has stopped: a worker still writing would race the clean-up below.
    if (failed) {
        for (auto &downloader : m_downloaders)
            downloader->abort();
    }
    for (std::thread &thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }

    if (m_view)
        m_view->closeWindow();
    UpdateLog::line("all duty finshs");
    replaceFiles();
}

void Holtupdate::startWorker(size_t slot)
{
    const Job job = m_jobs[m_nextJob++];
    m_threads[slot] = std::thread(&Holtupdate::runWorker, this, slot, job);
}

void Holtupdate::runWorker(size_t slot, const Job &job)
{
    ZR::HttpDownload &downloader = *m_downloaders[slot];
    int code = ZR::HttpDownload::AllAttemptsFailed;
    downloader.setFinishedAction([&code](int finishedCode) { code = finishedCode; });
    const std::string temporary = job.local + kTempSuffix;
    downloader.download(job.url, temporary);
    std::string md5;
    if (code == ZR::HttpDownload::Downloaded
        && (!ZR::NFile::getFileMd5(temporary, 32, md5) || !sameDigest(md5, job.md5))) {
        UpdateLog::line("md5 differs from the xml: ", job.local);
        code = kDigestMismatch;
    }
    onFileDownloadFinish(slot, code);
}

void Holtupdate::onDownloadProgress(int &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received += uint64_t(bytes > 0 ? bytes : 0);
    const bool redraw = unsigned(m_progressCalls++) >= kProgressCallsPerRedraw || m_received == m_totalSize;
    if (redraw) {
        if (m_view && m_totalSize > 0)
            m_view->setProgress(float(m_received) / float(m_totalSize));
        m_progressCalls = 0;
    }
}

void Holtupdate::onFileDownloadFinish(size_t slot, int code)
{
    UpdateLog::line("finsh!", code);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (code != 0)
            m_continue = false;
        m_finishedQueue.push_back(slot);
    }
    m_workerFinished.notify_all();
}

void Holtupdate::replaceFiles()
{
    if (!m_continue) {
        UpdateLog::line("the one of the file download  fail");
        onStartRunExe(true, false, false);
        return;
    }

    if (!markSwap()) {
        UpdateLog::line("can't mark the swap");
        std::remove(kSwapMark);
        onStartRunExe(true, false, false);
        return;
    }
    std::vector<std::string> backups;
    for (const std::string &local : m_downloadList) {
        // A folder where the manifest has a file is never moved; the install below then fails and rolls back.
        if (!ZR::NFile::isFile(local))
            continue;
        const std::string backup = local + kBackupSuffix;
        bool renamed = false;
        for (int attempt = 0; attempt < kBackupAttempts && !renamed; ++attempt) {
            if (attempt > 0)
                std::remove(backup.c_str());
            renamed = std::rename(local.c_str(), backup.c_str()) == 0;
        }
        if (!renamed) {
            UpdateLog::line("can't rename to  delbak files");
            rollBack(backups, {});
            endSwap();
            onStartRunExe(true, true, false);
            return;
        }
        backups.push_back(local);
        m_backedUp.insert(local);
    }

    if (m_downloadList.empty()) {
        endSwap();
        m_exitCode = Succeeded;
        onStartRunExe(false, true, true);
        return;
    }

    std::vector<std::string> installed;
    for (const std::string &local : m_downloadList) {
        const std::string temporary = local + kTempSuffix;
        // A missing download cannot be passed over: its original already lies in the backup.
        if (!ZR::NFile::isFile(temporary) || !takeOverMode(local)
            || std::rename(temporary.c_str(), local.c_str()) != 0) {
            UpdateLog::line(local, "can't rename to  realy files");
            UpdateLog::line("start back...!");
            rollBack(backups, installed);
            UpdateLog::line("end back...!");
            endSwap();
            onStartRunExe(true, true, false);
            return;
        }
        installed.push_back(local);
    }
    endSwap();
    m_exitCode = Succeeded;
    onStartRunExe(false, true, true);
}

void Holtupdate::endSwap()
{
    // A backup that could not be put back keeps the mark: the next start tries again.
    if (m_keptBackups.empty())
        std::remove(kSwapMark);
}

bool Holtupdate::takeOverMode(const std::string &local)
{
    // The new file gets the permission bits of the one it replaces, so the client stays executable.
    const std::string temporary = local + kTempSuffix;
    struct stat info
    {
    };
    if (m_backedUp.count(local)) {
        if (::stat((local + kBackupSuffix).c_str(), &info) != 0)
            return false;
        return ::chmod(temporary.c_str(), info.st_mode & 07777) == 0;
    }
    if (local == m_names.client || isOwnExecutable(local)) {
        if (::stat(temporary.c_str(), &info) != 0)
            return false;
        const mode_t mode = info.st_mode & 07777;
        return ::chmod(temporary.c_str(), mode | ((mode & 0444) >> 2)) == 0;
    }
    return true;
}

void Holtupdate::rollBack(const std::vector<std::string> &backups, const std::vector<std::string> &installed)
{
    for (const std::string &local : backups) {
        const std::string backup = local + kBackupSuffix;
        if (std::rename(backup.c_str(), local.c_str()) != 0) {
            UpdateLog::line("can't restore ", local);
            m_keptBackups.insert(local);
        }
    }
    // A file that had no original before this run did not exist before it.
    for (const std::string &local : installed) {
        if (!m_backedUp.count(local))
            std::remove(local.c_str());
    }
}

void Holtupdate::onStartRunExe(bool removeTemporaries, bool removeBackups, bool checkSelfReplaced)
{
    UpdateLog::line("Holtupdate::onStartRunExe", "  onstart run exe....:");
    if (m_clientStarted)
        return;
    m_replacedSelf.clear();
    if (checkSelfReplaced) {
        for (const std::string &local : m_downloadList) {
            if (isOwnExecutable(local) && ZR::NFile::isFile(local) && ZR::NFile::isFile(local + kBackupSuffix))
                m_replacedSelf = local;
        }
    }
    const bool selfReplaced = !m_replacedSelf.empty();

    if (removeTemporaries) {
        for (const std::string &local : m_downloadList) {
            const std::string temporary = local + kTempSuffix;
            if (exists(temporary))
                std::remove(temporary.c_str());
        }
    }
    if (removeBackups) {
        for (const std::string &local : m_downloadList) {
            const std::string backup = local + kBackupSuffix;
            // A backup whose restore failed, or whose file is missing, is the only copy left.
            if (!exists(backup) || m_keptBackups.count(local) || !exists(local))
                continue;
            if (selfReplaced && local == m_replacedSelf)
                continue;
            bool deleted = false;
            for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
                if (attempt > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_settings.deleteRetryMs));
                deleted = std::remove(backup.c_str()) == 0;
            }
            if (!deleted)
                UpdateLog::line("can't del temp files", backup);
        }
    }

    std::remove(kLocalManifest);
    m_lock.release();
    UpdateLog::line("start run exe");
    m_clientStarted = true;
    if (!ZR::NProcess::start(m_names.client))
        UpdateLog::line("can't start ", m_names.client);
    if (selfReplaced)
        deleteSelf();
}

void Holtupdate::deleteSelf()
{
    // A running program's file can go at once here; no helper has to wait for this process to end.
    UpdateLog::line("start update self....");
    std::remove((m_replacedSelf + kBackupSuffix).c_str());
}

bool Holtupdate::isOwnExecutable(const std::string &local) const
{
    return local == m_names.ownExecutable || (!m_runningName.empty() && local == m_runningName);
}

bool killProcessByName(const std::string &name)
{
    std::vector<ZR::NProcess::Entry> processes;
    if (!ZR::NProcess::snapshot(&processes))
        return false;
    for (const ZR::NProcess::Entry &process : processes) {
        if (process.executable == name)
            return ZR::NProcess::terminate(process.pid);
    }
    return false;
}
