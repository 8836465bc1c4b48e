#ifndef SCREENRECORDER_H
#define SCREENRECORDER_H

#include "vrek/record/media.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <utility>

struct AVFrame;
struct AVPacket;
struct AVRational;

// Records the teacher program's window and the microphone: H.264 pictures and AAC sound into the recording
// file (its container follows the file name) and, while the recording is shared, into the RTMP share as well.
// One recorder makes one recording: its main loop runs once on the record thread and starts the two capture
// threads; it ends with signalRecordExit after everything it opened is closed, the file with its trailer.
// The slots that stop, pause and read the recorder may be called directly from any thread.
class ScreenRecorder : public QObject
{
    Q_OBJECT
public:
    enum RecordState {
        StateIdle = 0,
        StateOpening = 1,
        StateRecording = 2,
        StateTearingDown = 3,
    };
    Q_ENUM(RecordState)

    // What signalRecordFail carries: the opening step that failed.
    enum RecordError {
        AudioDeviceNameEmpty = 1,
        AudioOptionFail = 2,
        AudioOpenFail = 3,
        AudioStreamInfoFail = 4,
        AudioStreamNotFound = 5,
        AudioDecoderFail = 6,
        AudioEncoderNotFound = 8,
        AudioEncoderOpenFail = 9,
        VideoOpenFail = 10,
        VideoStreamInfoFail = 11,
        VideoDecoderFail = 12,
        VideoEncoderOpenFail = 13,
        OutputAllocFail = 28,
        OutputStreamFail = 29,
        OutputOpenFail = 30,
        OutputHeaderFail = 31,
    };
    Q_ENUM(RecordError)

    static constexpr int videoWidth = 1280;
    static constexpr int videoHeight = 720;
    static constexpr int videoFrameRate = 10;
    static constexpr int videoBitRate = 60000;
    static constexpr int sampleRate = 32000;
    static constexpr int audioBitRate = 32000;
    static constexpr int audioFrameSize = 1024;
    // The microphone is read in blocks of this length.
    static constexpr int audioBufferMs = 100;
    // What the devices deliver first is dropped: old pictures and the microphone's start-up noise.
    static constexpr int videoWarmUpMs = 15;
    static constexpr int audioWarmUpMs = 50;
    static constexpr int64_t audioIgnoreUs = 300000;
    // More sound than this waiting for the encoder is not queued.
    static constexpr int maxQueuedSamples = sampleRate * 10;

    explicit ScreenRecorder(std::shared_ptr<Media> media);
    ~ScreenRecorder() override;

    int getState() const { return m_state.load(); }
    bool isQuitRequested() const { return m_quitRequested.load(); }
    // The main loop has returned, or is about to: signalRecordExit has been sent.
    bool hasEnded() const { return m_ended.load(); }
    std::shared_ptr<Media> media() const { return m_media; }
    QString recordFile() const { return m_recordFile; }
    QString rtmpUrl() const { return m_rtmpUrl; }
    // The microphone as the device settings name it (also "lavfi:GRAPH"); empty: the system's first.
    void setAudioDevice(const QString &name) { m_audioDevice = name; }

    // The main loop; runs on the record thread. 0 on a normal end, -1 when opening failed.
    Q_INVOKABLE int recordFileOrRtmp();
    int InitGDIDevice(const QRect &rect, const bool &useRect);
    int initAudioDevice();
    int recordFileOutput();

signals:
    void signalRecordTimer(qlonglong seconds);
    void signalFileUpload();
    void signalRecordFail(int code);
    void signalGUIResponse();
    void signalRecordExit();
    void signalRecordSuccess();
    void signalShareRtmpExit();

public slots:
    void stopShare();
    // Ends the RTMP share alone (from any thread); the recording goes on into its file.
    void exitShareThread();
    void QuitRecord();
    void PauseRecord();
    void restoreRecord();
    qint64 getRecordPts() const;
    void setRecordFile(QString path);
    void setRtmpUrl(QString url);
    int WriteFileTail();

private:
    int openFailed(int code, const char *text);
    int endWithoutRecording();
    bool allocBuffers();
    void freeBuffers();
    void videoCaptureLoop();
    void audioCaptureLoop();
    void queuePicture(const AVFrame *frame, int64_t takenUs);
    void queueSamples(const AVFrame *frame, int64_t readUs);
    void encodeVideo();
    void encodeAudio();
    void receiveVideoPackets();
    void receiveAudioPackets();
    void flushEncoders();
    void writePacket(AVPacket *packet, int streamIndex, const AVRational &timeBase, bool isVideo);
    void dropShare();
    void loopEnded(int bit, const char *text);
    void teardown();

    std::shared_ptr<Media> m_media;
    QString m_recordFile;
    QString m_rtmpUrl;
    QString m_audioDevice;
    std::atomic<qint64> m_recordPts { 0 };
    std::atomic<bool> m_quitRequested { false };
    std::atomic<int> m_state { StateIdle };
    std::atomic<bool> m_ended { false };
    std::thread m_videoThread;
    std::thread m_audioThread;

    // Main loop.
    AVFrame *m_videoFrame = nullptr;
    AVFrame *m_audioFrame = nullptr;
    AVPacket *m_videoPacket = nullptr;
    AVPacket *m_audioPacket = nullptr;
    uint8_t *m_pictureBuffer = nullptr;
    int64_t m_lastFramePts = INT64_MIN; // encoder ticks
    int64_t m_lastVideoUs = INT64_MIN;
    std::deque<std::pair<int64_t, int64_t>> m_framesInEncoder; // encoder ticks, when taken
    int64_t m_audioFrameCount = 0;
    int m_videoWriteFailures = 0;
    int m_audioWriteFailures = 0;
    int m_idleAudioPasses = 0;
};

#endif // SCREENRECORDER_H
