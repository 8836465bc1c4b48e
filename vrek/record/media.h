#ifndef MEDIA_H
#define MEDIA_H

#include "platform/capturedevice/captureinput.h"

#include <QMutex>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

struct AVAudioFifo;
struct AVCodec;
struct AVCodecContext;
struct AVFifo;
struct AVFormatContext;
struct SwrContext;
struct SwsContext;
class ShareRtmpContext;

// Everything one screen recording shares between its threads: the record thread (encoding and writing) and
// the two capture threads (window and microphone). Pictures and samples pass only through the two queues,
// each under its own lock on both sides; packets are written under the output lock. The recording's time line
// runs on the wall clock from the start and stands still while the recording is paused, so that pictures
// (stamped when taken) and sound (stamped by the samples) stay in step across a pause.
class Media
{
public:
    Media();
    ~Media();

    // The window.
    CaptureInput videoInput;
    int videoStreamIndex = -1;
    AVCodecContext *videoDecoderContext = nullptr;
    const AVCodec *videoEncoder = nullptr;
    AVCodecContext *videoEncoderContext = nullptr;
    SwsContext *scaler = nullptr;

    // The microphone.
    CaptureInput audioInput;
    int audioStreamIndex = -1;
    AVCodecContext *audioDecoderContext = nullptr;
    QString audioDeviceName;
    const AVCodec *audioEncoder = nullptr;
    AVCodecContext *audioEncoderContext = nullptr;
    SwrContext *resampler = nullptr;

    // Room for exactly one picture at the encoder's size: the encoder takes whole pictures, a faster capture
    // drops them.
    QMutex frameLock;
    AVFifo *frameFifo = nullptr;
    int pictureBytes = 0;
    int64_t frameTimeUs = 0; // when the queued picture was taken, on the time line

    // Samples in the encoder's format, one channel.
    QMutex sampleLock;
    AVAudioFifo *sampleFifo = nullptr;
    int64_t sampleHead = 0; // time line position of the first queued sample, in samples
    int64_t sampleEncodedEnd = 0; // position after the last sample handed to the encoder
    bool sampleAnchorPending = true; // the next samples start a new stretch (start, after a pause)

    // The file, and the RTMP share while there is one.
    QMutex outputLock;
    AVFormatContext *outputContext = nullptr;
    bool outputHeaderWritten = false;
    std::shared_ptr<ShareRtmpContext> share;
    AVFormatContext *rtmpOutput = nullptr;
    int64_t shareStartUs = 0; // the time line position the share's stream starts from
    bool shareVideoStarted = false; // the share has had its first whole picture

    // Held while the encoders are freed or their parameters copied for a share.
    QMutex codecLock;

    std::atomic<bool> audioRunning { false };
    std::atomic<bool> videoRunning { false };
    std::atomic<bool> mainRunning { false };
    // True until a stop is asked for: devices being opened give up at once then.
    std::atomic<bool> opening { true };

    // Bits of the loops that have ended: 1 audio capture, 2 window capture, 4 main loop.
    QMutex exitLock;
    int exitMask = 0;

    // Wall clock (FFmpeg's, microseconds) when the recording started.
    int64_t startTimeUs() const { return m_startTimeUs.load(); }
    void startTimeline();
    // Microseconds on the recording's time line: since the start, less the paused stretches.
    int64_t timelineUs() const;
    void setPaused(bool paused);
    bool isPaused() const { return m_paused.load(); }

    Media(const Media &) = delete;
    Media &operator=(const Media &) = delete;

private:
    mutable QMutex m_timeLock;
    std::atomic<int64_t> m_startTimeUs { 0 };
    std::atomic<bool> m_paused { false };
    int64_t m_pausedSinceUs = 0;
    int64_t m_pausedTotalUs = 0;
};

// Releases everything the recording opened: the file, the share, the scaler, the four codec contexts, the
// resampler, the queues, the microphone and the window.
void resetMediaCtx(Media *media);

#endif // MEDIA_H
