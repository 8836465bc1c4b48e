#include "tests/support/ffmpegreceiver.h"

#include "tests/support/childprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
double parseRate(const QString &rate)
{
    const QStringList parts = rate.split('/');
    if (parts.size() != 2 || parts[1].toDouble() == 0)
        return 0;
    return parts[0].toDouble() / parts[1].toDouble();
}
} // namespace

const FfmpegReceiver::StreamInfo *FfmpegReceiver::ProbeResult::stream(const QString &type) const
{
    for (const StreamInfo &info : streams) {
        if (info.type == type)
            return &info;
    }
    return nullptr;
}

QList<FfmpegReceiver::PacketInfo> FfmpegReceiver::ProbeResult::packetsOf(int streamIndex) const
{
    QList<PacketInfo> result;
    for (const PacketInfo &packet : packets) {
        if (packet.streamIndex == streamIndex)
            result << packet;
    }
    return result;
}

FfmpegReceiver::FfmpegReceiver()
    : m_process(new ChildProcess())
{ }

FfmpegReceiver::~FfmpegReceiver()
{
    stop();
    delete m_process;
}

bool FfmpegReceiver::start(const QString &url, double seconds)
{
    stop();
    if (!m_dir.isValid())
        return false;
    QFile::remove(filePath());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_dir.filePath("stderr.log"));
    return m_process->startProgram("ffmpeg",
        { "-hide_banner", "-loglevel", "error", "-nostdin", "-rw_timeout", "5000000", "-i", url, "-t",
            QString::number(seconds), "-c", "copy", "-f", "flv", filePath() });
}

bool FfmpegReceiver::waitForFinished(int timeoutMs)
{
    return !m_process->isRunning() || m_process->waitForFinished(timeoutMs);
}

void FfmpegReceiver::stop()
{
    m_process->stop();
}

QString FfmpegReceiver::filePath() const
{
    return m_dir.filePath("received.flv");
}

QString FfmpegReceiver::errorOutput() const
{
    QFile file(m_dir.filePath("stderr.log"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

FfmpegReceiver::ProbeResult FfmpegReceiver::probe(const QString &urlOrFile, bool withPackets, int timeoutMs)
{
    ProbeResult result;
    QStringList args { "-v", "error", "-of", "json", "-show_streams" };
    if (withPackets)
        args << "-show_packets";
    if (urlOrFile.startsWith("rtmp://"))
        args << "-rw_timeout"
             << "5000000";
    args << urlOrFile;
    ChildProcess process;
    if (!process.startProgram("ffprobe", args)) {
        result.error = "ffprobe did not start";
        return result;
    }
    // Reads while waiting: a long packet list would fill the pipe.
    QByteArray output;
    QDeadlineTimer deadline(timeoutMs);
    while (process.isRunning() && !deadline.hasExpired()) {
        process.waitForReadyRead(100);
        output += process.readAllStandardOutput();
    }
    if (process.isRunning()) {
        process.stop();
        result.error = "ffprobe timed out";
        return result;
    }
    output += process.readAllStandardOutput();
    const QJsonObject root = QJsonDocument::fromJson(output).object();
    if (process.exitCode() != 0 || root.isEmpty()) {
        result.error = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
    for (const QJsonValue &value : root.value("streams").toArray()) {
        const QJsonObject object = value.toObject();
        StreamInfo info;
        info.index = object.value("index").toInt(-1);
        info.type = object.value("codec_type").toString();
        info.codec = object.value("codec_name").toString();
        info.profile = object.value("profile").toString();
        info.width = object.value("width").toInt();
        info.height = object.value("height").toInt();
        info.frameRate = parseRate(object.value("avg_frame_rate").toString());
        info.sampleRate = object.value("sample_rate").toString().toInt();
        info.channels = object.value("channels").toInt();
        result.streams << info;
    }
    for (const QJsonValue &value : root.value("packets").toArray()) {
        const QJsonObject object = value.toObject();
        PacketInfo packet;
        packet.streamIndex = object.value("stream_index").toInt(-1);
        packet.pts = object.value("pts_time").toString().toDouble();
        packet.key = object.value("flags").toString().startsWith('K');
        result.packets << packet;
    }
    result.ok = true;
    return result;
}
