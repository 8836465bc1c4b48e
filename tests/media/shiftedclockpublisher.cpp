#include "tests/media/shiftedclockpublisher.h"

#include "tests/support/childprocess.h"

extern "C" {
#include <libavformat/avio.h>
}

#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {
constexpr size_t flvHeaderBytes = 13; // the file header and the first "previous tag size"
constexpr size_t tagHeaderBytes = 11;
constexpr size_t tagTrailerBytes = 4;
} // namespace

ShiftedClockPublisher::ShiftedClockPublisher(const FfmpegPublisher::Options &options, uint32_t startMs)
    : m_options(options)
    , m_startMs(startMs)
{ }

ShiftedClockPublisher::~ShiftedClockPublisher()
{
    stop();
}

bool ShiftedClockPublisher::start(const QString &url, int timeoutMs)
{
    stop();
    const QString fifo = m_dir.filePath("flv");
    ::unlink(fifo.toLocal8Bit().constData());
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0)
        return false;
    m_tags.store(0);
    m_failed.store(false);
    m_running.store(true);
    m_relay = std::thread([this, fifo, url] { relay(fifo, url); });

    QStringList arguments = FfmpegPublisher::arguments(m_options, fifo, m_dir.filePath("progress"));
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

void ShiftedClockPublisher::stop()
{
    m_running.store(false);
    if (m_process)
        m_process->stop();
    if (m_relay.joinable())
        m_relay.join();
    m_process.reset();
}

void ShiftedClockPublisher::relay(const QString &fifo, const QString &url)
{
    // Not blocking, so that a stop before the tool opened its end is seen.
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        m_failed.store(true);
        return;
    }
    AVIOContext *output = nullptr;
    if (avio_open2(&output, url.toUtf8().constData(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0) {
        ::close(fd);
        m_failed.store(true);
        return;
    }
    std::vector<uint8_t> pending;
    bool headerSent = false;
    bool gotData = false;
    bool firstMedia = true;
    uint8_t chunk[65536];
    while (m_running.load()) {
        const ssize_t got = ::read(fd, chunk, sizeof(chunk));
        if (got == 0 && gotData)
            break; // the tool ended
        if (got <= 0) {
            if (got < 0 && errno != EAGAIN && errno != EINTR)
                break;
            QThread::msleep(5);
            continue;
        }
        gotData = true;
        pending.insert(pending.end(), chunk, chunk + got);
        size_t at = 0;
        if (!headerSent) {
            if (pending.size() < flvHeaderBytes)
                continue;
            avio_write(output, pending.data(), int(flvHeaderBytes));
            at = flvHeaderBytes;
            headerSent = true;
        }
        while (pending.size() - at >= tagHeaderBytes) {
            uint8_t *tag = pending.data() + at;
            const size_t dataBytes = (size_t(tag[1]) << 16) | (size_t(tag[2]) << 8) | tag[3];
            const size_t whole = tagHeaderBytes + dataBytes + tagTrailerBytes;
            if (pending.size() - at < whole)
                break;
            const uint32_t stamp
                = (uint32_t(tag[7]) << 24) | (uint32_t(tag[4]) << 16) | (uint32_t(tag[5]) << 8) | tag[6];
            const uint32_t shifted = stamp + m_startMs; // modulo 2^32
            tag[4] = uint8_t(shifted >> 16);
            tag[5] = uint8_t(shifted >> 8);
            tag[6] = uint8_t(shifted);
            tag[7] = uint8_t(shifted >> 24);
            if (tag[0] == 8 || tag[0] == 9) {
                if (firstMedia)
                    m_firstStamp.store(shifted);
                firstMedia = false;
                m_lastStamp.store(shifted);
            }
            avio_write(output, tag, int(whole));
            avio_flush(output);
            m_tags.fetch_add(1);
            at += whole;
        }
        pending.erase(pending.begin(), pending.begin() + long(at));
    }
    ::close(fd);
    avio_closep(&output);
}
