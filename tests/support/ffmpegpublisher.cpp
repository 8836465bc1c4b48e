#include "tests/support/ffmpegpublisher.h"

#include "tests/support/childprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <cmath>

FfmpegPublisher::FfmpegPublisher()
    : FfmpegPublisher(Options())
{ }

FfmpegPublisher::FfmpegPublisher(const Options &options)
    : m_options(options)
    , m_process(new ChildProcess())
{ }

FfmpegPublisher::~FfmpegPublisher()
{
    stop();
    delete m_process;
}

QStringList FfmpegPublisher::arguments(const Options &options, const QString &url, const QString &progressFile)
{
    QStringList args { "-hide_banner", "-loglevel", "error", "-nostdin" };
    if (options.video) {
        const QString size = QString("%1x%2").arg(options.width).arg(options.height);
        QString graph = QString("color=c=%1:s=%2:r=%3").arg(options.color, size).arg(options.frameRate);
        if (options.beepSeconds > 0) {
            graph = QString("color=c=black:s=%1:r=%2,drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:"
                            "enable='lt(mod(t,%3),%4)'")
                        .arg(size)
                        .arg(options.frameRate)
                        .arg(options.beepSeconds)
                        .arg(Options::flashSeconds);
        } else if (!options.pattern.isEmpty()) {
            graph = QString("%1=s=%2:r=%3").arg(options.pattern, size).arg(options.frameRate);
        } else if (!options.rightColor.isEmpty()) {
            const int half = options.width / 2;
            graph = QString("%1[l];color=c=%2:s=%3x%4:r=%5[r];[l][r]overlay=x=%6[out0]")
                        .arg(graph, options.rightColor)
                        .arg(options.width - half)
                        .arg(options.height)
                        .arg(options.frameRate)
                        .arg(half);
        }
        args << "-re"
             << "-f"
             << "lavfi"
             << "-i" << graph;
    }
    if (options.audio) {
        args << "-re"
             << "-f"
             << "lavfi"
             << "-i"
             << (options.beepSeconds > 0
                        ? QString("sine=frequency=1000:sample_rate=%1,volume=volume=0:enable='gte(mod(t,%2),%3)'")
                              .arg(options.sampleRate)
                              .arg(options.beepSeconds)
                              .arg(Options::flashSeconds)
                        : QString("sine=frequency=%1:sample_rate=%2").arg(options.toneHz).arg(options.sampleRate));
    }
    if (options.video) {
        const int gop = qMax(1, int(std::lround(options.keyframeSeconds * options.frameRate)));
        args << "-c:v"
             << "libx264"
             << "-preset"
             << "ultrafast"
             << "-tune"
             << "zerolatency"
             << "-pix_fmt"
             << "yuv420p"
             << "-g" << QString::number(gop) << "-keyint_min" << QString::number(gop) << "-sc_threshold"
             << "0";
    }
    if (options.audio) {
        args << "-c:a"
             << "aac"
             << "-ar" << QString::number(options.sampleRate) << "-ac" << QString::number(options.channels);
    }
    // Each packet leaves as it is made, as a live encoder sends it, not gathered into 32 KB writes.
    if (options.beepSeconds > 0)
        args << "-flush_packets"
             << "1";
    args << "-f"
         << "flv" << url << "-progress" << progressFile << "-stats_period"
         << "0.1";
    return args;
}

bool FfmpegPublisher::start(const QString &url, int timeoutMs)
{
    stop();
    if (!m_dir.isValid())
        return false;
    m_url = url;
    const QString progress = m_dir.filePath("progress.txt");
    QFile::remove(progress);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_dir.filePath("stderr.log"));
    if (!m_process->startProgram("ffmpeg", arguments(m_options, url, progress)))
        return false;
    return waitUntilSending(timeoutMs);
}

bool FfmpegPublisher::restart(const Options &options, int timeoutMs)
{
    m_options = options;
    return start(m_url, timeoutMs);
}

bool FfmpegPublisher::waitUntilSending(int timeoutMs) const
{
    const QRegularExpression outTime("out_time_us=(\\d+)");
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_process->isRunning()) {
        QFile file(m_dir.filePath("progress.txt"));
        if (file.open(QIODevice::ReadOnly)) {
            auto matches = outTime.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext()) {
                if (matches.next().captured(1).toLongLong() > 0)
                    return true;
            }
        }
        QThread::msleep(20);
    }
    return false;
}

void FfmpegPublisher::stop()
{
    m_process->stop();
}

bool FfmpegPublisher::isRunning() const
{
    return m_process->isRunning();
}

bool FfmpegPublisher::pause()
{
    return m_process->pause();
}

bool FfmpegPublisher::resume()
{
    return m_process->resume();
}

qint64 FfmpegPublisher::pid() const
{
    return m_process->pid();
}

QString FfmpegPublisher::errorOutput() const
{
    QFile file(m_dir.filePath("stderr.log"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
