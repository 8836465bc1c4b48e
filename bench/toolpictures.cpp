#include "bench/toolpictures.h"

#include "bench/benchsupport.h"
#include "bench/clockstamp.h"
#include "tests/support/childprocess.h"

#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

ToolPictures::ToolPictures(int width, int height, const QStringList &inputArguments, const QStringList &outputArguments)
    : m_width(width)
    , m_height(height)
    , m_inputArguments(inputArguments)
    , m_outputArguments(outputArguments)
{ }

ToolPictures::~ToolPictures()
{
    stop();
}

bool ToolPictures::start(const QString &url, int frames)
{
    stop();
    m_fifo = m_dir.filePath("pictures.rgb");
    if (!BenchSupport::makeFifo(m_fifo))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pictures.clear();
    }
    // The reader's open waits for the tool's.
    m_reader = std::thread([this, fifo = m_fifo] { readPictures(fifo); });
    m_arguments = QStringList { "-hide_banner", "-loglevel", "error", "-nostdin" } + m_inputArguments
        + QStringList { "-i", url, "-map", "0:v" } + m_outputArguments
        + QStringList { "-pix_fmt", "rgb24", "-f", "rawvideo" };
    if (frames > 0)
        m_arguments << "-frames:v" << QString::number(frames);
    m_arguments << "-y" << m_fifo;
    m_process = std::make_unique<ChildProcess>();
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    if (!m_process->startProgram("ffmpeg", m_arguments)) {
        stop();
        return false;
    }
    return true;
}

void ToolPictures::stop()
{
    if (m_process)
        m_process->stop();
    if (m_reader.joinable()) {
        BenchSupport::meetFifo(m_fifo, false);
        m_reader.join();
    }
    m_process.reset();
}

bool ToolPictures::waitForFinished(int timeoutMs)
{
    return m_process && m_process->waitForFinished(timeoutMs);
}

qint64 ToolPictures::pid() const
{
    return m_process ? m_process->pid() : 0;
}

std::vector<ToolPictures::Picture> ToolPictures::pictures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pictures;
}

void ToolPictures::readPictures(const QString &fifo)
{
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0)
        return;
    const size_t pictureBytes = size_t(m_width) * size_t(m_height) * 3;
    std::vector<uchar> picture(pictureBytes);
    size_t filled = 0;
    int64_t firstByte = 0;
    for (;;) {
        const ssize_t got = ::read(fd, picture.data() + filled, pictureBytes - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (filled == 0)
            firstByte = ClockStamp::nowMs();
        filled += size_t(got);
        if (filled < pictureBytes)
            continue;
        const int64_t arrived = ClockStamp::nowMs();
        const QImage image(picture.data(), m_width, m_height, m_width * 3, QImage::Format_RGB888);
        const int stamp = ClockStamp::read(image);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pictures.push_back({ firstByte, arrived, stamp });
        filled = 0;
    }
    ::close(fd);
}
