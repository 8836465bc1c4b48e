#include "tests/support/flvpipepublisher.h"

#include "tests/support/childprocess.h"

extern "C" {
#include <libavformat/avio.h>
}

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace {
constexpr size_t flvHeaderBytes = 13; // the file header and the first "previous tag size"
constexpr size_t tagHeaderBytes = 11;
constexpr size_t tagTrailerBytes = 4;
} // namespace

FlvPipePublisher::FlvPipePublisher(const FfmpegPublisher::Options &stream)
    : m_stream(stream)
{ }

FlvPipePublisher::~FlvPipePublisher()
{
    stop();
}

int64_t FlvPipePublisher::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool FlvPipePublisher::start(const QString &url, int timeoutMs)
{
    stop();
    const QString fifo = m_dir.filePath("flv");
    ::unlink(fifo.toLocal8Bit().constData());
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0)
        return false;
    m_tags.store(0);
    m_failed.store(false);
    prepare();
    m_running.store(true);
    m_relay = std::thread([this, fifo, url] { relay(fifo, url); });

    QStringList arguments = FfmpegPublisher::arguments(m_stream, fifo, m_dir.filePath("progress"));
    adjustArguments(arguments);
    arguments.prepend("-y");
    m_process = std::make_unique<ChildProcess>();
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_dir.filePath("errors"));
    if (!m_process->startProgram("ffmpeg", arguments)) {
        stop();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (m_tags.load() < 10 && !m_failed.load() && !deadline.hasExpired())
        QThread::msleep(20);
    return m_tags.load() >= 10;
}

void FlvPipePublisher::stop()
{
    m_running.store(false);
    if (m_process)
        m_process->stop();
    if (m_relay.joinable())
        m_relay.join();
    m_process.reset();
}

QString FlvPipePublisher::errorOutput() const
{
    QFile file(m_dir.filePath("errors"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void FlvPipePublisher::send(const uint8_t *data, size_t bytes, int64_t tags)
{
    avio_write(m_output, data, int(bytes));
    avio_flush(m_output);
    m_tags.fetch_add(tags);
}

void FlvPipePublisher::relay(const QString &fifo, const QString &url)
{
    // Not blocking, so that a stop before the tool opened its end is seen.
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        m_failed.store(true);
        return;
    }
    if (avio_open2(&m_output, url.toUtf8().constData(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0) {
        ::close(fd);
        m_failed.store(true);
        return;
    }
    std::vector<uint8_t> pending;
    bool headerSent = false;
    bool gotData = false;
    uint8_t chunk[65536];
    while (m_running.load()) {
        turn();
        const ssize_t got = ::read(fd, chunk, sizeof(chunk));
        if (got == 0 && gotData)
            break; // the tool ended
        if (got <= 0) {
            if (got < 0 && errno != EAGAIN && errno != EINTR)
                break;
            QThread::msleep(2);
            continue;
        }
        gotData = true;
        pending.insert(pending.end(), chunk, chunk + got);
        size_t at = 0;
        if (!headerSent) {
            if (pending.size() < flvHeaderBytes)
                continue;
            send(pending.data(), flvHeaderBytes, 0);
            at = flvHeaderBytes;
            headerSent = true;
        }
        while (pending.size() - at >= tagHeaderBytes) {
            uint8_t *tag = pending.data() + at;
            const size_t dataBytes = (size_t(tag[1]) << 16) | (size_t(tag[2]) << 8) | tag[3];
            const size_t whole = tagHeaderBytes + dataBytes + tagTrailerBytes;
            if (pending.size() - at < whole)
                break;
            passTag(tag, whole);
            at += whole;
        }
        pending.erase(pending.begin(), pending.begin() + long(at));
    }
    ::close(fd);
    avio_closep(&m_output);
}
