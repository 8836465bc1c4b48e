#ifndef PULLAUDIOSTREAM_H
#define PULLAUDIOSTREAM_H

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct SwrContext;
class PullStreamContext;
class QThread;

// The "Pull Audio" stage: opens the audio decoder of the pulled input, decodes the queued packets, converts
// the sound to the output's format, whatever its rate and channels, and writes it to the program's one
// output. The sound clock moves with every packet, also while the source is not to be heard.
class PullAudioStream : public QObject
{
    Q_OBJECT
public:
    enum AudioInitialType {
        AudioInitialSuccess = 0,
        AudioFrameAllocFail = 1,
        AudioStreamNotFound = 2,
        AudioDecoderNotFound = 3,
        AudioContextAllocFail = 4,
        AudioParametersCopyFail = 5,
        AudioDecoderOpenFail = 6,
        AudioConverterInitFail = 7,
        AudioConverterAllocFail = 60,
        AudioConverterOptionsFail = 70,
    };
    Q_ENUM(AudioInitialType)

    enum AudioDecodeType {
        AudioDecodeStarted = 0,
        AudioDecodeEnded = 1,
    };
    Q_ENUM(AudioDecodeType)

    explicit PullAudioStream(PullStreamContext *context, QObject *parent = nullptr);
    ~PullAudioStream() override;

    // From any thread.
    void setPlayAudio(bool play) { m_playAudio.store(play); }
    bool playAudio() const { return m_playAudio.load(); }
    void pullAudioStop();
    void moveThread(QThread *thread);
    bool isRunning() const { return m_running.load(); }
    void printFFmpegError(int error, const QString &tag);

signals:
    void audioInitialResultOut(PullAudioStream::AudioInitialType type);
    void audioResetResultOut(uchar type);
    void audioDecodeResultOut(PullAudioStream::AudioDecodeType type);

public slots:
    void audioInitialIn(bool playAudio);
    void audioResetIn();
    void audioDecodeIn();

private:
    bool ffmpegInitial();
    AudioInitialType openDecoder();
    AudioInitialType configureConverter(const struct AVChannelLayout *layout, int format, int sampleRate);
    void freeDecoder();
    void decodePacket(struct AVPacket *packet);
    void playFrame();

    std::atomic<bool> m_running { false };
    std::atomic<bool> m_playAudio { true };
    PullStreamContext *m_context;
    bool m_initialised = false;
    AVFrame *m_frame = nullptr;
    AVCodecContext *m_codecContext = nullptr;
    int m_audioStreamIndex = -1;
    const AVCodec *m_codec = nullptr;
    SwrContext *m_converter = nullptr;
    // What the converter was set up for; a frame of another format sets it up again.
    int m_converterFormat = -1;
    int m_converterRate = 0;
    int m_converterChannels = 0;
    uint64_t m_converterMask = 0;
    std::vector<uint8_t> m_output;
};

#endif // PULLAUDIOSTREAM_H
