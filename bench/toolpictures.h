#ifndef TOOLPICTURES_H
#define TOOLPICTURES_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ChildProcess;

// The ffmpeg tool pulling a stream and writing every picture as 24-bit RGB into a pipe that this process reads:
// when each picture arrived, and the clock stamp it carries (ClockStamp), are noted as they come.
class ToolPictures
{
public:
    struct Picture
    {
        int64_t firstByteMs; // monotonic ms (ClockStamp::nowMs) when its first byte arrived
        int64_t arrivedMs; // ... and its last
        int stamp; // -1 when unreadable
    };

    // width and height of the pulled pictures; inputArguments go before "-i URL" (thread counts, probing),
    // outputArguments after it.
    ToolPictures(
        int width, int height, const QStringList &inputArguments, const QStringList &outputArguments = QStringList());
    ~ToolPictures();

    // frames: stop after this many pictures (0: run until stopped).
    bool start(const QString &url, int frames = 0);
    void stop();
    bool waitForFinished(int timeoutMs);
    qint64 pid() const;
    std::vector<Picture> pictures() const;
    QStringList arguments() const { return m_arguments; }

    ToolPictures(const ToolPictures &) = delete;
    ToolPictures &operator=(const ToolPictures &) = delete;

private:
    void readPictures(const QString &fifo);

    int m_width;
    int m_height;
    QStringList m_inputArguments;
    QStringList m_outputArguments;
    QStringList m_arguments;
    QTemporaryDir m_dir;
    QString m_fifo;
    std::unique_ptr<ChildProcess> m_process;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<Picture> m_pictures;
};

#endif // TOOLPICTURES_H
