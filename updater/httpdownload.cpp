#include "updater/httpdownload.h"

#include <cstdio>
#include <cstring>

namespace ZR {

namespace {
const size_t kMaxHostLength = 255;
const size_t kMaxPathLength = 255;
const size_t kMaxHeaderLength = 1023;
const size_t kBodyChunk = 1024;
const char kHttpScheme[] = "http://";

// Reads a run of decimal digits into value; false when there is none or it overflows.
bool readNumber(const char *&cursor, uint64_t *value)
{
    if (*cursor < '0' || *cursor > '9')
        return false;
    uint64_t result = 0;
    while (*cursor >= '0' && *cursor <= '9') {
        const uint64_t digit = uint64_t(*cursor - '0');
        if (result > (UINT64_MAX - digit) / 10)
            return false;
        result = result * 10 + digit;
        ++cursor;
    }
    *value = result;
    return true;
}

bool isPathChar(unsigned char c)
{
    // RFC 3986 pchar without the escape character itself, so a "%" in a file name stays a "%".
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::strchr("-._~!$&'()*+,;=:@", c) != nullptr;
}

void appendEscaped(std::string &out, unsigned char c)
{
    static const char kDigits[] = "0123456789ABCDEF";
    out += '%';
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0f];
}
} // namespace

HttpDownload::HttpDownload()
    : HttpDownload(Limits())
{ }

HttpDownload::HttpDownload(const Limits &limits)
    : m_socket(&m_waker)
    , m_limits(limits)
{ }

HttpDownload::~HttpDownload()
{
    m_socket.close();
    if (m_file)
        std::fclose(m_file);
}

void HttpDownload::abort()
{
    m_waker.wake();
}

bool HttpDownload::splitUrl(const std::string &url, Url *parts)
{
    const size_t scheme = url.find(kHttpScheme);
    if (url.empty() || scheme == std::string::npos)
        return false;
    const std::string rest = url.substr(scheme + std::strlen(kHttpScheme));
    Url result;
    std::string path;
    const size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        // Any colon is taken for the port's, as the update server's addresses are written.
        result.host = rest.substr(0, colon);
        const char *cursor = rest.c_str() + colon + 1;
        uint64_t port = 0;
        if (!readNumber(cursor, &port) || port == 0 || port > 65535)
            return false;
        result.port = int(port);
        path = cursor;
    } else {
        const size_t slash = rest.find('/');
        result.host = rest.substr(0, slash);
        path = slash == std::string::npos ? std::string() : rest.substr(slash);
    }
    if (result.host.empty() || result.host.size() > kMaxHostLength)
        return false;
    if (path.empty() || path.front() != '/' || path.size() > kMaxPathLength)
        return false;
    result.path = path;
    *parts = result;
    return true;
}

std::string HttpDownload::encodePath(const std::string &path)
{
    const size_t lastSlash = path.rfind('/');
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        const bool inLastComponent = lastSlash == std::string::npos || i > lastSlash;
        if (c <= 0x20 || c >= 0x7f || (inLastComponent && !isPathChar(c)))
            appendEscaped(out, c);
        else
            out += char(c);
    }
    return out;
}

bool HttpDownload::begin()
{
    bool idle = false;
    if (!m_busy.compare_exchange_strong(idle, true))
        return false;
    m_socket.close();
    m_total = 1;
    m_totalKnown = false;
    m_offset = 0;
    return true;
}

bool HttpDownload::parseUrl()
{
    Url parts;
    if (!splitUrl(m_url, &parts))
        return false;
    std::string address;
    if (!NSocket::resolveIpv4(parts.host, &address))
        return false;
    m_host = parts.host;
    m_address = address;
    m_port = parts.port;
    m_path = parts.path;
    return true;
}

bool HttpDownload::connectServer()
{
    if (m_waker.isWoken() || m_address.empty() || !m_socket.open())
        return false;
    const NSocket::ConnectResult started = m_socket.connectTo(m_address, m_port);
    if (started == NSocket::Connected)
        return true;
    if (started == NSocket::ConnectFailed)
        return false;
    int timeouts = 0;
    for (;;) {
        const NSocket::WaitResult waited = m_socket.waitWritable(m_limits.connectTimeoutMs);
        if (waited == NSocket::TimedOut) {
            if (++timeouts > m_limits.timeoutLimit)
                return false;
            continue;
        }
        // Writable says only that the connect has ended; a refused one ends at once and is told by SO_ERROR.
        return waited == NSocket::Ready && m_socket.connectSucceeded();
    }
}

bool HttpDownload::sendRequest()
{
    if (m_path.empty())
        return false;
    std::string host = m_host;
    if (m_port != 80)
        host += ":" + std::to_string(m_port);
    const std::string request = "GET " + encodePath(m_path) + " HTTP/1.1\r\nHost: " + host
        + "\r\nRange: bytes=" + std::to_string(m_offset) + "-\r\nConnection: close\r\n\r\n";
    size_t sent = 0;
    int timeouts = 0;
    while (sent < request.size()) {
        const NSocket::WaitResult waited = m_socket.waitWritable(m_limits.sendTimeoutMs);
        if (waited == NSocket::TimedOut) {
            if (++timeouts > m_limits.timeoutLimit)
                return false;
            continue;
        }
        if (waited != NSocket::Ready)
            return false;
        const ssize_t piece = m_socket.sendSome(request.data() + sent, request.size() - sent);
        if (piece < 0)
            return false;
        sent += size_t(piece);
    }
    return true;
}

bool HttpDownload::readResponseHeader(ResponseHead *head)
{
    // Byte by byte, so that no byte of the body is taken with the header.
    std::string header;
    int timeouts = 0;
    while (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0) {
        if (header.size() >= kMaxHeaderLength)
            return false;
        const NSocket::WaitResult waited = m_socket.waitReadable(m_limits.receiveTimeoutMs);
        if (waited == NSocket::TimedOut) {
            if (++timeouts > m_limits.timeoutLimit)
                return false;
            continue;
        }
        if (waited != NSocket::Ready)
            return false;
        char byte = 0;
        const ssize_t read = m_socket.receiveSome(&byte, 1);
        if (read == -2)
            continue;
        if (read <= 0)
            return false;
        header += byte;
        timeouts = 0;
    }

    float version = 0;
    if (header.compare(0, 5, "HTTP/") != 0 || std::sscanf(header.c_str(), "HTTP/%f %d ", &version, &head->status) != 2)
        return false;
    const char kRange[] = "\r\nContent-Range: bytes ";
    const size_t found = header.find(kRange);
    if (found == std::string::npos) {
        // nginx answers a range of an empty file with the whole, empty file and no Content-Range.
        head->nothingFollows = head->status == 200 && header.find("\r\nContent-Length: 0\r\n") != std::string::npos;
        head->total = 0;
        return head->nothingFollows;
    }
    const char *cursor = header.c_str() + found + std::strlen(kRange);
    if (head->status == 416 && *cursor == '*') {
        // A range from the end of the file: "bytes */length".
        ++cursor;
        head->nothingFollows = true;
        return *cursor++ == '/' && readNumber(cursor, &head->total);
    }
    if (head->status != 200 && head->status != 206)
        return false;
    if (!readNumber(cursor, &head->first) || *cursor++ != '-' || !readNumber(cursor, &head->last) || *cursor++ != '/'
        || !readNumber(cursor, &head->total)) {
        return false;
    }
    return head->total != 0 && head->first <= head->last && head->last < head->total;
}

bool HttpDownload::receiveResponse()
{
    ResponseHead head;
    if (!readResponseHeader(&head))
        return false;
    if (head.nothingFollows) {
        // Nothing lies past the offset: the file is whole when its length is where we stand.
        if (head.total != m_offset || (m_totalKnown && head.total != m_total))
            return false;
        m_total = head.total;
        m_totalKnown = true;
        return true;
    }
    if (!m_totalKnown) {
        m_total = head.total;
        m_totalKnown = true;
    } else if (head.total != m_total) {
        return false; // the file changed between the attempts
    }
    if (head.first != m_offset)
        return false;
    return receiveBody();
}

bool HttpDownload::receiveBody()
{
    char buffer[kBodyChunk];
    int timeouts = 0; // over the whole body: a trickle of data does not reset it
    while (m_offset < m_total) {
        const NSocket::WaitResult waited = m_socket.waitReadable(m_limits.receiveTimeoutMs);
        if (waited == NSocket::TimedOut) {
            if (++timeouts > m_limits.timeoutLimit)
                return false;
            continue;
        }
        if (waited != NSocket::Ready)
            return false;
        // Never past the declared total: whatever a server sends beyond it is not the file.
        const uint64_t left = m_total - m_offset;
        const size_t wanted = left < sizeof(buffer) ? size_t(left) : sizeof(buffer);
        const ssize_t read = m_socket.receiveSome(buffer, wanted);
        if (read == -2)
            continue;
        if (read <= 0)
            return false; // an error, or the server closed before the whole file had come
        if (std::fwrite(buffer, 1, size_t(read), m_file) != size_t(read))
            return false;
        m_offset += uint64_t(read);
        if (m_progressAction) {
            int bytes = int(read);
            uint64_t received = m_offset;
            uint64_t total = m_total;
            m_progressAction(bytes, received, total);
        }
    }
    return true;
}

bool HttpDownload::pause()
{
    return m_waker.sleep(m_limits.retryWaitMs);
}

void HttpDownload::finish(int code)
{
    m_busy.store(false);
    if (m_finishedAction)
        m_finishedAction(code);
}

bool HttpDownload::download(const std::string &url, const std::string &outputPath)
{
    if (!begin())
        return false;
    m_url = url;
    m_outputPath = outputPath;
    if (!parseUrl()) {
        finish(BadUrl);
        return false;
    }
    m_file = std::fopen(m_outputPath.c_str(), "wbe");
    if (!m_file) {
        finish(CannotOpenFile);
        return false;
    }
    bool ok = false;
    for (int attempt = 0; attempt < m_limits.attempts && !ok; ++attempt) {
        if (attempt > 0 && !pause())
            break;
        ok = connectServer() && sendRequest() && receiveResponse();
        if (!m_socket.close())
            ok = false;
        if (!ok && m_waker.isWoken())
            break;
    }
    // Written data that cannot be flushed is a failed download, not a short file.
    if (std::fclose(m_file) != 0)
        ok = false;
    m_file = nullptr;
    finish(ok ? Downloaded : AllAttemptsFailed);
    return ok;
}

bool HttpDownload::queryFileSize(uint64_t &size, const std::string &url)
{
    if (!begin())
        return false;
    m_url = url;
    if (!parseUrl()) {
        finish(BadUrl);
        return false;
    }
    bool ok = false;
    ResponseHead head;
    for (int attempt = 0; attempt < m_limits.attempts && !ok; ++attempt) {
        if (attempt > 0 && !pause())
            break;
        head = ResponseHead();
        ok = connectServer() && sendRequest() && readResponseHeader(&head);
        // An empty file is the only one with nothing from byte 0 on.
        if (ok && head.nothingFollows && head.total != 0)
            ok = false;
        m_socket.close();
        if (!ok && m_waker.isWoken())
            break;
    }
    if (ok)
        size = head.total;
    m_busy.store(false);
    return ok;
}

} // namespace ZR
