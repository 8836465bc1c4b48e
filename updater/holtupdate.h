#ifndef HOLTUPDATE_H
#define HOLTUPDATE_H

#include "updater/httpdownload.h"
#include "updater/platform/instancelock.h"
#include "updater/platform/programnames.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
}

namespace ZR {
class ProgressView;
}

// The update flow: reads the manifest, ends the running client, removes stray libraries, downloads the
// changed files on up to three workers, swaps them in with backups and roll-back, and starts the client. Every
// path ends by starting the client exactly once. Runs on the calling thread; only downloads run on workers.
class Holtupdate
{
public:
    enum ExitCode {
        Succeeded = 0, // updated, or nothing needed updating
        Failed = 1, // the client was started unchanged
        AlreadyRunning = 2, // another updater runs; nothing was touched
    };

    struct Settings
    {
        ZR::HttpDownload::Limits limits;
        std::string lockPath = ZR::InstanceLock::defaultPath();
        int pollMs = 1;
        int deleteRetryMs = 10;
    };

    Holtupdate();
    explicit Holtupdate(const Settings &settings);
    ~Holtupdate();

    // May stay unset: the flow then runs without a window.
    void setProgressView(ZR::ProgressView *view) { m_view = view; }
    // "-url:" followed by the base address replaces it; "-log:true" switches the log on. Every argument is
    // looked at, the program path included.
    void readCommandLine(int argc, const char *const *argv);
    void startUpdate();

    int exitCode() const { return m_exitCode; }
    const std::string &baseUrl() const { return m_baseUrl; }
    static std::string defaultBaseUrl();

    Holtupdate(const Holtupdate &) = delete;
    Holtupdate &operator=(const Holtupdate &) = delete;

private:
    struct Job
    {
        std::string url;
        std::string local; // the local path the file goes to
        std::string md5;
    };

    void onXmldownloadFinsh(int code);
    bool readManifest(const tinyxml2::XMLDocument &document);
    void restoreInterruptedSwap();
    // Marks the swap as under way, with the files it adds; false when the mark cannot be written.
    bool markSwap() const;
    void endSwap();
    void removeStrayLibraries();
    void onDownloadFile();
    void startWorker(size_t slot);
    void runWorker(size_t slot, const Job &job);
    void onDownloadProgress(int &bytes);
    void onFileDownloadFinish(size_t slot, int code);
    void replaceFiles();
    bool takeOverMode(const std::string &local);
    void rollBack(const std::vector<std::string> &backups, const std::vector<std::string> &installed);
    void onStartRunExe(bool removeTemporaries, bool removeBackups, bool checkSelfReplaced);
    void deleteSelf();
    // The updater's own file, under the manifest's name or the one it runs as from this folder.
    bool isOwnExecutable(const std::string &local) const;

    Settings m_settings;
    std::string m_baseUrl;
    std::string m_xmlName = "filelist.xml";
    ZR::HttpDownload m_xmlDownload;
    std::map<std::string, std::string> m_md5Table; // local path to the manifest's digest
    std::vector<std::string> m_downloadList; // local paths
    std::vector<std::string> m_completeList; // local paths of a complete installation
    std::vector<std::string> m_vecLocalCompleteList;
    uint64_t m_totalSize = 0;
    uint64_t m_received = 0;
    std::vector<std::unique_ptr<ZR::HttpDownload>> m_downloaders;
    size_t m_workerLimit = 3;
    // The URL table, in download-list order. Keyed by local path: two files of one name in two folders are
    // both fetched, from the same URL.
    std::vector<Job> m_jobs;
    std::vector<std::thread> m_threads;
    size_t m_nextJob = 0;
    std::mutex m_mutex; // received, the call counter, the continue flag and the finished queue
    std::condition_variable m_workerFinished;
    std::deque<size_t> m_finishedQueue; // slots of workers that finished a file
    ZR::ProgressView *m_view = nullptr;
    int m_progressCalls = 0;
    bool m_continue = true;
    bool m_studentFlag = true;
    ZR::ProgramNames m_names;
    std::string m_runningName; // the file this updater runs as, when it lies in the working directory
    std::string m_replacedSelf; // the own file this run replaced
    std::string m_version;
    ZR::InstanceLock m_lock;

    std::set<std::string> m_backedUp; // files this run renamed to their backups
    std::set<std::string> m_keptBackups; // backups whose restore failed: they hold the only copy
    bool m_clientStarted = false;
    int m_exitCode = Failed;
};

// Ends the first of this user's processes whose program file is named exactly so. Nothing waits for it.
bool killProcessByName(const std::string &name);

#endif // HOLTUPDATE_H
