#ifndef PUSHVIDEOSTREAM_H
#define PUSHVIDEOSTREAM_H

#include "platform/capturedevice/captureinput.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
class PushStreamContext;
class QThread;

// The "Push Video" stage: opens the camera, takes about 16 of its pictures a second, scales them to the push
// size, encodes them as H.264 (baseline, no B-frames) into the push's output and hands each one up as an RGB
// image for the local preview. Its encode loop keeps its thread busy for the whole push.
class PushVideoStream : public QObject
{
    Q_OBJECT
public:
    enum VideoInitialType {
        VideoInitialSuccess = 0,
        VideoFrameAllocFail = 1,
        VideoDeviceNameEmpty = 2,
        VideoOptionSetFail = 3,
        VideoDeviceOpenFail = 4,
        VideoStreamInfoFail = 5,
        VideoStreamNotFound = 6,
        VideoDecoderNotFound = 7,
        VideoDecoderContextFail = 8,
        VideoParametersCopyFail = 9,
        VideoDecoderOpenFail = 10,
        VideoEncoderNotFound = 11,
        VideoEncoderContextFail = 12,
        VideoEncoderOpenFail = 13,
        VideoPreviewScalerFail = 14,
        VideoEncoderScalerFail = 15,
    };
    Q_ENUM(VideoInitialType)

    enum VideoEncodeType {
        VideoEncodeStarted = 0,
        VideoEncodeEnded = 1,
        VideoBufferSizeFail = 2,
        VideoBufferAllocFail = 3,
        VideoBufferFillFail = 4,
        VideoPreviewSizeFail = 5,
        VideoPreviewAllocFail = 6,
        VideoPreviewFillFail = 7,
    };
    Q_ENUM(VideoEncodeType)

    // A picture is taken at most every 60 ms: about 16 a second.
    static constexpr int frameGapMs = 60;
    static constexpr int loopSleepMs = 2;
    // Pictures that come faster than this at the start are the camera's backlog.
    static constexpr int backlogGapMs = 15;
    static constexpr int backlogMaxPackets = 100;
    static constexpr int slowFrameMs = 2000;
    static constexpr int gopSize = 15;
    static constexpr int frameRateHint = 16;
    // With the sound pushed too, pictures wait at most this long for the sound's capture to begin.
    static constexpr int soundWaitMs = 1000;

    explicit PushVideoStream(std::shared_ptr<PushStreamContext> context, QObject *parent = nullptr);
    ~PushVideoStream() override;

    void moveThread(QThread *thread);
    // From any thread: the encode loop (and a blocked camera read) ends at once.
    void pushVideoStop();
    bool isRunning() const { return m_running.load(); }

    const AVCodec *getVideoCodec() const { return m_encoder; }
    AVCodecContext *getVideoCodecContext() const { return m_encoderContext; }

    void printFFmpegError(const int errorId, const QString &msg);
    // From any thread: whether anyone shows the preview; while nobody does, the pictures are pushed without one.
    void setPreviewWanted(bool wanted) { m_previewWanted.store(wanted); }
    bool previewWanted() const { return m_previewWanted.load(); }
    // From any thread: the pictures that have passed the preview step (with a preview sent up for each while one
    // was wanted), counted after it.
    quint64 picturesTaken() const { return m_picturesTaken.load(); }
    // Only tests shorten how long the camera may take to open and to deliver.
    void setCaptureLimits(int openMs, int readMs) { m_capture.setLimits(openMs, readMs); }

signals:
    void videoInitialResultOut(PushVideoStream::VideoInitialType type);
    void videoResetResultOut(uchar stage);
    void videoEncodeResultOut(PushVideoStream::VideoEncodeType type);
    void showVideoImageOut(QImage frame);

public slots:
    void videoInitialIn(QString videoDeviceName, QSize pushVideoSize);
    void videoResetIn();
    void videoEncodeIn(uchar index);

private:
    bool ffmpegInitial();
    VideoInitialType openCamera();
    VideoInitialType openEncoder(const QSize &size);
    bool prepareEncodeScaler(int width, int height, int format);
    void freeContexts();
    void freeBuffers();
    VideoEncodeType allocBuffers();
    void dropBacklog();
    // Whether a picture taken now comes before the push's first sound, and is not sent.
    bool beforeTheSound(const QElapsedTimer &awaiting);
    void encodePacket(uchar index);
    void encodeFrame(uchar index, int64_t captureUs);

    QString m_videoDeviceName;
    QString m_reserved;
    QElapsedTimer m_timeRecord;
    std::atomic<bool> m_running { false };
    std::atomic<bool> m_previewWanted { true };
    std::atomic<quint64> m_picturesTaken { 0 };
    std::shared_ptr<PushStreamContext> m_context;
    bool m_ffmpegReady = false;
    int m_writeFailures = 0; // in a row

    AVFrame *m_cameraFrame = nullptr;
    AVFrame *m_encodeFrame = nullptr;
    AVFrame *m_previewFrame = nullptr;
    AVPacket *m_cameraPacket = nullptr;
    AVPacket *m_encodePacket = nullptr;
    uint8_t *m_encodeBuffer = nullptr;
    uint8_t *m_previewBuffer = nullptr;

    CaptureInput m_capture;
    AVCodecContext *m_decoderContext = nullptr;
    int m_videoStreamIndex = -1;
    AVCodecContext *m_encoderContext = nullptr;
    const AVCodec *m_encoder = nullptr;
    SwsContext *m_previewScaler = nullptr;
    SwsContext *m_encodeScaler = nullptr;
    QSize m_pushSize;
    int64_t m_lastPts = INT64_MIN;
};

#endif // PUSHVIDEOSTREAM_H
