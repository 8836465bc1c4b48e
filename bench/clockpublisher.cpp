#include "bench/clockpublisher.h"

#include "bench/benchsupport.h"
#include "bench/clockstamp.h"
#include "tests/support/childprocess.h"

#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <vector>

ClockPublisher::ClockPublisher()
    : ClockPublisher(Options())
{ }

ClockPublisher::ClockPublisher(const Options &options)
    : m_options(options)
{
    // A tool that goes away mid-write must not take this process with it.
    std::signal(SIGPIPE, SIG_IGN);
}

ClockPublisher::~ClockPublisher()
{
    stop();
}

bool ClockPublisher::start(const QString &url, int timeoutMs)
{
    stop();
    m_fifo = m_dir.filePath("pictures.yuv");
    const QString fifo = m_fifo;
    if (!BenchSupport::makeFifo(fifo))
        return false;
    m_sent.store(0);
    m_running.store(true);
    // The feeder opens the pipe for writing; the tool's open for reading meets it.
    m_feeder = std::thread([this, fifo] { feed(fifo); });

    const QString size = QString("%1x%2").arg(m_options.width).arg(m_options.height);
    const int gop = m_options.keyframeSeconds * m_options.frameRate;
    m_process = std::make_unique<ChildProcess>();
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    const QStringList arguments { "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "rawvideo", "-pix_fmt",
        "yuv420p", "-s", size, "-r", QString::number(m_options.frameRate), "-i", fifo, "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100", "-map", "0:v", "-map", "1:a", "-c:v", "libx264", "-preset", "ultrafast",
        "-tune", "zerolatency", "-pix_fmt", "yuv420p", "-g", QString::number(gop), "-keyint_min", QString::number(gop),
        "-sc_threshold", "0", "-c:a", "aac", "-ac", "2", "-ar", "44100", "-flush_packets", "1", "-f", "flv", url };
    if (!m_process->startProgram("ffmpeg", arguments)) {
        stop();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (m_sent.load() < m_options.frameRate && !deadline.hasExpired() && m_process->isRunning())
        QThread::msleep(20);
    return m_sent.load() >= m_options.frameRate && m_process->isRunning();
}

void ClockPublisher::stop()
{
    m_running.store(false);
    if (m_process)
        m_process->stop();
    if (m_feeder.joinable()) {
        BenchSupport::meetFifo(m_fifo, true);
        m_feeder.join();
    }
    m_process.reset();
}

bool ClockPublisher::isRunning() const
{
    return m_process && m_process->isRunning() && m_running.load();
}

void ClockPublisher::feed(const QString &fifo)
{
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY);
    if (fd < 0)
        return;
    const int width = m_options.width;
    const int height = m_options.height;
    const int lumaSize = width * height;
    const int chromaSize = (width / 2) * (height / 2);
    std::vector<uint8_t> picture(size_t(lumaSize + 2 * chromaSize));
    uint8_t *planes[3] = { picture.data(), picture.data() + lumaSize, picture.data() + lumaSize + chromaSize };
    const int strides[3] = { width, width / 2, width / 2 };
    // Diagonal bands, moving: each row is a window on one pattern twice the picture's width.
    std::vector<uint8_t> bands(size_t(2 * width + 2 * height));
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i] = uint8_t(32 + (i * 3) % 192);

    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / m_options.frameRate);
    auto due = clock::now();
    for (int64_t n = 0; m_running.load(); ++n) {
        std::this_thread::sleep_until(due);
        due += period;
        const int shift = int((n * 6) % width);
        for (int y = 0; y < height; ++y)
            std::copy_n(bands.data() + shift + y, width, planes[0] + y * strides[0]);
        for (int y = 0; y < height / 2; ++y) {
            std::fill_n(planes[1] + y * strides[1], width / 2, uint8_t(96 + (y + n) % 64));
            std::fill_n(planes[2] + y * strides[2], width / 2, uint8_t(160 - (y + n) % 64));
        }
        ClockStamp::draw(planes, strides, width, height, ClockStamp::nowMs());
        size_t written = 0;
        while (written < picture.size() && m_running.load()) {
            const ssize_t result = ::write(fd, picture.data() + written, picture.size() - written);
            if (result < 0 && errno == EINTR)
                continue;
            if (result <= 0) {
                m_running.store(false);
                break;
            }
            written += size_t(result);
        }
        if (written == picture.size())
            m_sent.fetch_add(1);
    }
    ::close(fd);
}
