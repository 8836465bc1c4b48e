#ifndef ZR_HTTPDOWNLOAD_H
#define ZR_HTTPDOWNLOAD_H

#include "updater/platform/nsocket.h"
#include "updater/platform/nwaker.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace ZR {

// Fetches one file at a time over plain HTTP/1.1 with a byte range, time-outs on every wait and a second attempt
// that continues where the first stopped. Blocking; one object serves one thread at a time.
class HttpDownload
{
public:
    enum Code {
        Downloaded = 0,
        AllAttemptsFailed = 1,
        SocketsUnavailable = 2, // kept for the callers' tables; POSIX sockets need no start-up
        BadUrl = 3, // not usable, or its host does not resolve
        CannotOpenFile = 4,
    };

    struct Limits
    {
        int connectTimeoutMs = 2000;
        int sendTimeoutMs = 2000;
        int receiveTimeoutMs = 2000;
        int timeoutLimit = 5; // a wait fails at the time-out after this many
        int attempts = 2;
        int retryWaitMs = 1000;
    };

    struct Url
    {
        std::string host;
        int port = 80;
        std::string path;
    };

    using FinishedAction = std::function<void(int code)>;
    using ProgressAction = std::function<void(int &bytes, uint64_t &received, uint64_t &total)>;

    HttpDownload();
    explicit HttpDownload(const Limits &limits);
    ~HttpDownload();

    // Both run on the calling thread; set them before a call.
    void setFinishedAction(FinishedAction action) { m_finishedAction = std::move(action); }
    void setProgressAction(ProgressAction action) { m_progressAction = std::move(action); }

    // Calls the finished action once with a code and the progress action after every chunk written. False at
    // once, calling nothing, while busy.
    bool download(const std::string &url, const std::string &outputPath);
    // The file's total size from a ranged request; the body is not read. Calls the finished action only for a
    // URL that cannot be used.
    bool queryFileSize(uint64_t &size, const std::string &url);
    // From any thread: the running operation fails at once, and so does every later one.
    void abort();
    bool isBusy() const { return m_busy.load(); }

    // "http://host[:port]/path". False without "http://", with an empty or over-long host or path, a bad port, or
    // a path that does not start with "/".
    static bool splitUrl(const std::string &url, Url *parts);
    // The path as it goes into the request line: its last component fully percent-encoded, and no blank,
    // control or non-ASCII byte anywhere.
    static std::string encodePath(const std::string &path);

    HttpDownload(const HttpDownload &) = delete;
    HttpDownload &operator=(const HttpDownload &) = delete;

private:
    struct ResponseHead
    {
        int status = 0;
        uint64_t first = 0;
        uint64_t last = 0;
        uint64_t total = 0;
        bool nothingFollows = false; // no byte from the offset on; total is the file's length
    };

    bool begin();
    bool parseUrl();
    bool connectServer();
    bool sendRequest();
    bool receiveResponse();
    bool readResponseHeader(ResponseHead *head);
    bool receiveBody();
    bool pause();
    void finish(int code);

    FinishedAction m_finishedAction;
    ProgressAction m_progressAction;
    std::atomic<bool> m_busy { false };
    std::string m_host; // the host name as given, for the Host header
    std::string m_address; // its resolved IPv4 address
    int m_port = 80;
    std::string m_path;
    std::string m_outputPath;
    NWaker m_waker;
    NSocket m_socket;
    FILE *m_file = nullptr;
    uint64_t m_total = 0;
    bool m_totalKnown = false;
    uint64_t m_offset = 0;
    std::string m_url;
    Limits m_limits;
};

} // namespace ZR

#endif // ZR_HTTPDOWNLOAD_H
