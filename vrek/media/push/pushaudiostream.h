#ifndef PUSHAUDIOSTREAM_H
#define PUSHAUDIOSTREAM_H

#include "platform/capturedevice/captureinput.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct AVAudioFifo;
struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
class PushStreamContext;
class QThread;

// The "Push Audio" stage: opens the microphone, takes its sound in blocks of 100 ms, turns it into 32 kHz
// mono, lets the program's echo canceller take the classroom's own sound out of it, 10 ms at a time, and
// encodes it as AAC into the push's output. The sound is stamped by the samples actually captured. Its encode
// loop keeps its thread busy for the whole push.
class PushAudioStream : public QObject
{
    Q_OBJECT
public:
    enum AudioInitialType {
        AudioInitialSuccess = 0,
        AudioFrameAllocFail = 1,
        AudioDeviceNameEmpty = 2,
        AudioBufferOptionFail = 3,
        AudioBufferSizeOptionFail = 4,
        AudioDeviceOpenFail = 5,
        AudioStreamInfoFail = 6,
        AudioStreamNotFound = 7,
        AudioDecoderNotFound = 8,
        AudioDecoderContextFail = 9,
        AudioParametersCopyFail = 10,
        AudioDecoderOpenFail = 11,
        AudioEncoderNotFound = 12,
        AudioEncoderContextFail = 13,
        AudioEncoderOpenFail = 14,
        AudioConverterAllocFail = 15,
        AudioConverterInitFail = 16,
    };
    Q_ENUM(AudioInitialType)

    enum AudioEncodeType {
        AudioEncodeStarted = 0,
        AudioEncodeEnded = 1,
        AudioFifoAllocFail = 2,
        AudioSampleArrayFail = 3,
    };
    Q_ENUM(AudioEncodeType)

    static constexpr int sampleRate = 32000;
    static constexpr int channels = 1;
    static constexpr int bitRate = 32000;
    // The microphone's sound is taken in blocks of this length.
    static constexpr int captureBlockMs = 100;
    static constexpr int captureBlockSamples = sampleRate * captureBlockMs / 1000;
    // Blocks that come faster than this at the start are the device's backlog.
    static constexpr int backlogGapMs = 50;
    static constexpr int backlogMaxPackets = 50;

    explicit PushAudioStream(std::shared_ptr<PushStreamContext> context, QObject *parent = nullptr);
    ~PushAudioStream() override;

    void moveThread(QThread *thread);
    // From any thread: the encode loop (and a blocked microphone read) ends at once.
    void pushAudioStop();
    bool isRunning() const { return m_running.load(); }

    const AVCodec *getAudioCodec() const { return m_encoder; }
    AVCodecContext *getAudioCodecContext() const { return m_encoderContext; }

    void printFFmpegError(const int errorId, const QString &msg);
    void setCaptureLimits(int openMs, int readMs) { m_capture.setLimits(openMs, readMs); }

signals:
    void audioInitialResultOut(PushAudioStream::AudioInitialType type);
    void audioResetResultOut(uchar stage);
    void audioEncodeResultOut(PushAudioStream::AudioEncodeType type);

public slots:
    void audioInitialIn(QString audioDeviceName);
    void audioResetIn();
    void audioEncodeIn();

private:
    bool ffmpegInitial();
    AudioInitialType openMicrophone();
    AudioInitialType openEncoder();
    void freeContexts();
    bool prepareResampler(const AVFrame *frame);
    void dropBacklog();
    // One block from the microphone into the queue; false when nothing was added.
    bool fillQueue();
    void resampleFrame();
    void cancelEchoAndQueue();
    void drainQueue();

    QString m_audioDeviceName;
    QString m_reserved;
    std::atomic<bool> m_running { false };
    std::shared_ptr<PushStreamContext> m_context;
    bool m_ffmpegReady = false;
    int m_writeFailures = 0; // in a row

    AVFrame *m_captureFrame = nullptr;
    AVFrame *m_encodeFrame = nullptr;
    AVPacket *m_capturePacket = nullptr;
    AVPacket *m_encodePacket = nullptr;

    CaptureInput m_capture;
    AVCodecContext *m_decoderContext = nullptr;
    int m_audioStreamIndex = -1;
    AVCodecContext *m_encoderContext = nullptr;
    const AVCodec *m_encoder = nullptr;
    SwrContext *m_converter = nullptr; // 32 kHz mono 16-bit to the encoder's format

    // Loop state.
    SwrContext *m_resampler = nullptr; // the device's sound to 32 kHz mono 16-bit
    int m_resamplerFormat = -1;
    int m_resamplerRate = 0;
    int m_resamplerChannels = 0;
    AVAudioFifo *m_fifo = nullptr;
    uint8_t **m_samplePointers = nullptr;
    std::vector<int16_t> m_pcm; // resampled, waiting for a whole 10 ms block
    std::vector<uint8_t> m_converted;
    int64_t m_captureStartUs = 0; // time line position when the first kept read began
    int64_t m_firstSample = -1; // time line position of the first sample, in samples
    int64_t m_queuedSamples = 0; // samples put into the queue so far
    int64_t m_encodedSamples = 0; // samples taken out of the queue so far
};

#endif // PUSHAUDIOSTREAM_H
