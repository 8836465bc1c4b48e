#ifndef FFMPEGPUBLISHER_H
#define FFMPEGPUBLISHER_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ChildProcess;

// The ffmpeg tool publishing generated sound and pictures (lavfi) as FLV over RTMP, in real time: a picture of
// one colour (or two halves), a sine tone, or both, as H.264 and AAC.
class FfmpegPublisher
{
public:
    struct Options
    {
        bool video = true;
        int width = 320;
        int height = 240;
        int frameRate = 25;
        QString color = "red";
        QString rightColor; // when set, the right half of the picture (from width / 2 on) has this colour
        QString pattern; // when set, a moving lavfi test picture ("testsrc2") in place of the colours
        // When above 0: black pictures and silence, with a white flash (the whole picture) and a 1 kHz beep that
        // start together every so many seconds and last flashSeconds; in place of the colours and the tone.
        double beepSeconds = 0;
        static constexpr double flashSeconds = 0.1;
        double keyframeSeconds = 1.0;

        bool audio = true;
        int toneHz = 440;
        int sampleRate = 44100;
        int channels = 1;
    };

    FfmpegPublisher();
    explicit FfmpegPublisher(const Options &options);
    ~FfmpegPublisher();

    // Returns once ffmpeg is sending (its output clock has moved), false when it did not get there in time.
    bool start(const QString &url, int timeoutMs = 8000);
    // Stops the current run and starts again with other options (a new ffmpeg process).
    bool restart(const Options &options, int timeoutMs = 8000);
    void stop();
    bool isRunning() const;
    bool pause();
    bool resume();
    qint64 pid() const;

    const Options &options() const { return m_options; }
    QString url() const { return m_url; }
    QString errorOutput() const;

    static QStringList arguments(const Options &options, const QString &url, const QString &progressFile);

    FfmpegPublisher(const FfmpegPublisher &) = delete;
    FfmpegPublisher &operator=(const FfmpegPublisher &) = delete;

private:
    bool waitUntilSending(int timeoutMs) const;

    Options m_options;
    QString m_url;
    QTemporaryDir m_dir;
    ChildProcess *m_process;
};

#endif // FFMPEGPUBLISHER_H
