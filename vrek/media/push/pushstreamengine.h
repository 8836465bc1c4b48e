#ifndef PUSHSTREAMENGINE_H
#define PUSHSTREAMENGINE_H

#include "vrek/media/push/pushaudiostream.h"
#include "vrek/media/push/pushvideostream.h"
#include "vrek/media/pull/streammediastatus.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

class PushStreamContext;
class QThread;
class ThreadFactory;

// Publishes the student's camera and microphone as one live FLV stream over RTMP. It runs an audio and a
// video stage on worker threads of their own, and itself lives in the thread its owner gives it (moveThread).
// One start command becomes: initialise the wanted stages, open the output for those that may and did
// succeed, start their encode loops and report one result; one stop command becomes: stop the loops, close
// the output, reset both stages and report the exit. The owner talks to it by queued signals only and learns
// of the end of every push, failed or not, from pushStreamExitOut.
//
// Ownership: the owner hands the engine a thread from the thread factory and, when it no longer needs the
// engine, calls releaseThread() once and forgets it. The engine then goes, with its thread, as soon as its
// last push has ended: the factory deletes it and takes the thread back. Nobody else deletes it.
class PushStreamEngine : public QObject
{
    Q_OBJECT
public:
    enum PushStreamType {
        PushBothStream = 0, // both must succeed
        PushEitherStream = 1, // at least one must succeed; the push runs with those that did
        PushAudioStreamMust = 2, // audio must succeed; video is used when it succeeds
        PushVideoStreamMust = 3, // video must succeed; audio is used when it succeeds
        PushAudioStreamOnly = 4,
        PushVideoStreamOnly = 5,
    };
    Q_ENUM(PushStreamType)

    // Stage masks.
    static constexpr uchar audioStage = 1;
    static constexpr uchar videoStage = 2;
    static constexpr uchar bothStages = 3;

    // factory: the thread factory the stages' threads come from and the engine's thread goes back to; the
    // program's one by default.
    explicit PushStreamEngine(const QString &url, QObject *parent = nullptr, ThreadFactory *factory = nullptr);
    ~PushStreamEngine() override;

    // An owner's engine for url, moved to a thread of its own from the program's thread factory ("Push Stream").
    // threadId is that thread's id, or ThreadFactory::noThreadId when none was free: the engine then stays in the
    // caller's thread and the caller deletes it.
    static PushStreamEngine *createOnOwnThread(const QString &url, unsigned int &threadId);

    // Called by the owner, from the engine's current thread, with the factory thread the engine is to run in.
    void moveThread(QThread *thread);
    // Called once by the owner when it goes: the engine and its thread are handed back once idle.
    void releaseThread();

    QString url() const { return m_url; }
    StreamMediaStatus::PushStreamStatus pushStreamStatus() const { return m_pushStreamStatus.getPushStreamStatus(); }
    unsigned int useCount() const { return m_useCount.load(); }
    PushAudioStream *audioStream() const { return m_audioStream; }
    PushVideoStream *videoStream() const { return m_videoStream; }
    // From any thread: whether the owner shows the preview (showVideoImageOut); while it does not, none is made.
    void setPreviewWanted(bool wanted);
    // Only tests shorten the limits on opening and writing the output.
    void setOutputLimits(int connectMs, int writeMs, int closeMs);

    static bool isKnownType(int type);

signals:
    void pushStreamResultOut(bool ok, QString msg);
    void pushStreamExitOut();
    void showVideoImageOut(QImage frame);
    void audioInitialOut(QString audioDeviceName);
    void audioResetOut();
    void audioEncodeOut();
    void audioStopOut();
    void videoInitialOut(QString videoDeviceName, QSize size);
    void videoResetOut();
    void videoEncodeOut(uchar index);
    void videoStopOut();

public slots:
    void startPushStreamIn(
        PushStreamEngine::PushStreamType type, QString audioDeviceName, QString videoDeviceName, QSize size);
    void stopPushStreamIn();
    void audioInitialResultIn(PushAudioStream::AudioInitialType ait);
    void videoInitialResultIn(PushVideoStream::VideoInitialType vit);
    void pushResetResultIn(uchar stage);
    void audioEncodeResultIn(PushAudioStream::AudioEncodeType aet);
    void videoEncodeResultIn(PushVideoStream::VideoEncodeType vet);

private:
    void initial();
    void resultSetInitial();
    void pushInitialResult(bool ok, const QString &msg, bool isAudio);
    bool connectToServer(uchar stages, QString &msg);
    void pushInitailSuccess(uchar stages);
    void pushInitialFail(const QString &msg);
    void pushEncodeResult(bool ok, const QString &msg, bool isAudio);
    void pushEncodeSuccess(uchar stages);
    void pushEncodeFail(uchar stages, const QString &msg);
    void pushStreamFinishIn(uchar stage);
    // Once every running loop has ended: free the output and reset both stages.
    void endIfLoopsEnded();

    // The stages the type starts, and those of them that must succeed (type 1: none in particular).
    uchar typeStages() const;
    uchar requiredStages() const;
    void stopStages(uchar stages);
    // Both stages are reset once per push; their answers end it.
    void resetStages();
    void lowerUseCount();
    void releaseStageThread(QObject *stage, unsigned int threadId, const char *failText);

    std::atomic<unsigned int> m_useCount { 1 };
    std::atomic<bool> m_released { false };
    PushStreamType m_pushStreamType = PushBothStream;
    StreamMediaStatus m_pushStreamStatus;
    PushAudioStream *m_audioStream = nullptr;
    PushVideoStream *m_videoStream = nullptr;
    QString m_url;
    bool m_pushStreamCmdFlag = false;
    QString m_audioDeviceName;
    QString m_videoDeviceName;
    // Initialisation reports: the first one, and each stage's.
    bool m_initialResult = false;
    QString m_initialMsg;
    bool m_initialFirstIsAudio = false;
    uchar m_initialSet = 0;
    uchar m_initialOkSet = 0;
    QString m_audioInitialMsg;
    QString m_videoInitialMsg;
    uchar m_startedSet = 0;
    // Encode start reports.
    bool m_encodeResult = false;
    QString m_encodeMsg;
    uchar m_encodeSet = 0;
    uchar m_encodeOkSet = 0;
    QString m_audioEncodeMsg;
    QString m_videoEncodeMsg;
    uchar m_encodeExecSet = 0;
    uchar m_finishSet = 0;
    uchar m_resetSet = 0;
    bool m_resetPending = false;
    std::shared_ptr<PushStreamContext> m_pushStreamContext;

    ThreadFactory *m_factory;
    unsigned int m_threadId;
    unsigned int m_audioThreadId;
    unsigned int m_videoThreadId;
};

#endif // PUSHSTREAMENGINE_H
