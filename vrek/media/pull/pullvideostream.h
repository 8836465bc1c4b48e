#ifndef PULLVIDEOSTREAM_H
#define PULLVIDEOSTREAM_H

#include <QImage>
#include <QObject>

#include <array>
#include <atomic>
#include <cstdint>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct SwsContext;
class PullStreamContext;
class QThread;

// The "Pull Video" stage: opens the video decoder of the pulled input, decodes the queued packets, holds
// pictures back while they run ahead of the sound and hands each one up as an RGB image of its own.
class PullVideoStream : public QObject
{
    Q_OBJECT
public:
    enum VideoInitialType {
        VideoInitialSuccess = 0,
        VideoFrameAllocFail = 1,
        VideoStreamNotFound = 2,
        VideoDecoderNotFound = 3,
        VideoContextAllocFail = 4,
        VideoParametersCopyFail = 5,
        VideoDecoderOpenFail = 6,
        VideoSizeInvalid = 7,
        VideoScalerFail = 8,
    };
    Q_ENUM(VideoInitialType)

    enum VideoDecodeType {
        VideoDecodeStarted = 0,
        VideoDecodeEnded = 1,
        VideoBufferSizeFail = 2,
        VideoBufferAllocFail = 3,
        VideoBufferFillFail = 4,
    };
    Q_ENUM(VideoDecodeType)

    // Pictures more than this ahead of the sound wait for it, and say so.
    static constexpr int64_t lipSyncLeadUs = 300000;
    // While the output says which sound is being heard, a smaller lead is that sound's own delay (its buffer
    // against the link's jitter, the device's): the picture is held until its sound is heard. The heard clock moves
    // a 10 ms block at a time; half of one is in step.
    static constexpr int64_t lipSyncHoldUs = 5000;
    // A larger lead is a jump in the time stamps (a restarted publisher), not a lead: no wait.
    static constexpr int64_t lipSyncMaxLeadUs = 3000000;
    // A sound clock that does not move for this long has stopped: stop waiting for it.
    static constexpr int audioStallMs = 500;
    // The heard sound's clock may step back a little (a cut, the time stamps' rounding); only a larger step is a
    // restarted publisher.
    static constexpr int64_t audioStepBackUs = lipSyncLeadUs;
    // The longest sleep of such a wait between looks at the sound clock; a move of the clock ends it sooner.
    static constexpr int lipSyncStepMs = 30;

    explicit PullVideoStream(PullStreamContext *context, QObject *parent = nullptr);
    ~PullVideoStream() override;

    // From any thread: ends the decode loop (and a lip-sync wait) at once.
    void pullVideoStop();
    void moveThread(QThread *thread);
    bool isRunning() const { return m_running.load(); }

signals:
    void videoInitialResultOut(PullVideoStream::VideoInitialType type);
    void videoResetResultOut(uchar type);
    void videoDecodeResultOut(PullVideoStream::VideoDecodeType type);
    void showVideoImageOut(QImage frame);

public slots:
    void videoInitialIn();
    void videoResetIn();
    void videoDecodeIn();

private:
    bool ffmpegInitial();
    VideoInitialType openDecoder();
    void freeDecoder();
    bool prepareScaler(int width, int height, int format);
    void decodePacket(struct AVPacket *packet);
    void showFrame();
    QImage *freePicture(int width, int height);
    void waitForAudio(int64_t videoPts);
    bool audioRestarted();

    std::atomic<bool> m_running { false };
    PullStreamContext *m_context;
    bool m_initialised = false;
    AVFrame *m_frame = nullptr;
    AVCodecContext *m_codecContext = nullptr;
    int m_videoStreamIndex = -1;
    const AVCodec *m_codec = nullptr;
    SwsContext *m_scaler = nullptr;
    int m_scaleWidth = 0;
    int m_scaleHeight = 0;
    int m_scaleFormat = -1;
    // Pictures handed out before: one that every receiver has let go of is written again instead of a new one,
    // whose fresh pages would each cost a fault.
    std::array<QImage, 3> m_pictures;
    size_t m_nextPicture = 0;
    // The sound clock value at which the sound was last found stopped; no wait until it moves again.
    int64_t m_stalledAudioClock = INT64_MIN;
    // The decoded sound's clock when last seen.
    int64_t m_lastAudioClock = INT64_MIN;
    // Set when the sound clock went back (a restarted publisher) while the pictures had not: pictures from
    // before the restart do not wait for the new sound.
    int64_t m_audioRestartVideoPts = INT64_MIN;
};

#endif // PULLVIDEOSTREAM_H
