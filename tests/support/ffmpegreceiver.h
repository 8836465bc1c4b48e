#ifndef FFMPEGRECEIVER_H
#define FFMPEGRECEIVER_H

#include <QList>
#include <QString>
#include <QTemporaryDir>

class ChildProcess;

// The ffmpeg tool as a viewer: records what an RTMP server sends into an FLV file (stream copy, nothing
// decoded), and ffprobe to tell what a file or an address holds.
class FfmpegReceiver
{
public:
    struct StreamInfo
    {
        int index = -1;
        QString type; // "audio", "video"
        QString codec; // "h264", "aac"
        QString profile; // "Constrained Baseline", "LC"
        int width = 0;
        int height = 0;
        double frameRate = 0; // average
        int sampleRate = 0;
        int channels = 0;
    };
    struct PacketInfo
    {
        int streamIndex = -1;
        double pts = 0; // seconds
        bool key = false;
    };
    struct ProbeResult
    {
        bool ok = false;
        QString error;
        QList<StreamInfo> streams;
        QList<PacketInfo> packets; // only when asked for
        // The first stream of the type, or null.
        const StreamInfo *stream(const QString &type) const;
        QList<PacketInfo> packetsOf(int streamIndex) const;
    };

    FfmpegReceiver();
    ~FfmpegReceiver();

    // Starts recording the address for the given time into a file of the receiver's own folder.
    bool start(const QString &url, double seconds);
    // Waits for the recording to end by itself; false on time-out.
    bool waitForFinished(int timeoutMs);
    void stop();
    QString filePath() const;
    QString errorOutput() const;

    static ProbeResult probe(const QString &urlOrFile, bool withPackets = false, int timeoutMs = 15000);

    FfmpegReceiver(const FfmpegReceiver &) = delete;
    FfmpegReceiver &operator=(const FfmpegReceiver &) = delete;

private:
    QTemporaryDir m_dir;
    ChildProcess *m_process;
};

#endif // FFMPEGRECEIVER_H
