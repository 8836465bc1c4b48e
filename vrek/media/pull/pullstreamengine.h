#ifndef PULLSTREAMENGINE_H
#define PULLSTREAMENGINE_H

#include "vrek/media/pull/pullaudiostream.h"
#include "vrek/media/pull/pullstreamcontext.h"
#include "vrek/media/pull/pullvideostream.h"
#include "vrek/media/pull/streammediastatus.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>

class PullReadAllStream;
class QTimer;

// Pulls one remote user's RTMP stream at a time: opens the input, starts the audio and video stages, then the
// read stage that feeds them, and connects again whenever the input drops or fails, for as long as the pull is
// wanted. Lives on a "Pull Stream" thread of its own; its stages each on theirs. Pooled and re-used by
// PullEngineFactory once it has reported its exit.
class PullStreamEngine : public QObject
{
    Q_OBJECT
public:
    // Which of sound and picture a pull takes and which of them must work.
    // Of a fixed type: a caller may pass any number, and a value outside the table is refused, not undefined.
    enum PullStreamType : int {
        PullBothRequired = 0,
        PullEitherRequired = 1,
        PullAudioRequired = 2, // the picture is optional
        PullVideoRequired = 3, // the sound is optional
        PullAudioStreamOnly = 4,
        PullVideoStreamOnly = 5,
    };
    Q_ENUM(PullStreamType)

    // The first attempts of a pull follow one another at once; every later one waits first.
    static constexpr int fastAttempts = 10;
    static constexpr int reconnectDelayMs = 1000;
    // nginx sends a late viewer the pictures only from the next keyframe, so a stream may show up after the
    // open; one the pull requires is waited for this long. If the other stream plays by then, the pull goes on
    // without it (connecting again would not bring it), else the attempt counts as failed.
    static constexpr int lateStreamWaitMs = 3000;
    // A pull is never given up while it is wanted (the network may come back at any time), but after its fast
    // attempts the wait before each attempt doubles from the reconnect delay up to this, so that a stream that
    // cannot be had costs little, and one that comes back plays within this long.
    static constexpr int maxReconnectDelayMs = 4000;

    explicit PullStreamEngine(const QString &poid, QObject *parent = nullptr);
    // Only once the engine is idle (isIdle), from the thread that made it; its stage threads go back to the
    // thread factory.
    ~PullStreamEngine() override;

    QString getPullObjId() const { return m_pullObjId; }

    // From any thread: whether the remote sound is heard. Decoding goes on either way.
    void setPlayAudio(bool flag);
    // From the owner's thread, before it sends a start command: the engine counts as busy from now until it
    // reports its exit, and a stop given before the start has even arrived applies to that start.
    void claim();
    // From any thread: makes a blocking open or read of the current pull give up at once. The stop itself
    // still comes by stopPullStreamIn; a queued stop alone cannot reach an engine blocked in an open.
    void interruptPull();
    // From any thread: no pull is under way and none is on its way (see claim).
    bool isIdle() const { return !m_busy.load(); }
    StreamMediaStatus::PullStreamStatus pullStreamStatus() const { return m_status.getPullStreamStatus(); }
    // Connection attempts of the current pull; stays at 255 once there.
    uchar startCount() const { return m_startCount.load(); }

    // Shorter times for tests; set before the first start.
    void setReconnectDelay(int ms) { m_reconnectDelayMs.store(ms); }
    void setLateStreamWait(int ms) { m_lateStreamWaitMs.store(ms); }
    void setMaxReconnectDelay(int ms) { m_maxReconnectDelayMs.store(ms); }
    // The wait before the next attempt, after the given number of failed ones.
    int reconnectWait(int failedAttempts) const;
    void setWatchdogLimits(int connectMs, int readMs) { m_context.setWatchdogLimits(connectMs, readMs); }

    static QString audioInitialMessage(int code);
    static QString videoInitialMessage(int code);

signals:
    void pullStreamResultOut(const QString &poid, bool ok, const QString &msg);
    void pullStreamExitOut(const QString &poid);
    void showVideoImageOut(const QString &userId, const QImage &frame);
    void audioInitialOut(bool playAudio);
    void audioResetOut();
    void audioDecodeOut();
    void videoInitialOut();
    void videoResetOut();
    void videoDecodeOut();
    void startReadStreamOut();

public slots:
    void startPullStreamIn(
        const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio);
    void stopPullStreamIn();
    void readStreamExitIn();
    void audioInitialResultIn(PullAudioStream::AudioInitialType type);
    void videoInitialResultIn(PullVideoStream::VideoInitialType type);
    void pullResetResultIn(uchar type);
    void audioDecodeResultIn(PullAudioStream::AudioDecodeType type);
    void videoDecodeResultIn(PullVideoStream::VideoDecodeType type);
    // Called on the video stage's thread.
    void showVideoImageIn(const QImage &frame);
    // A stream the pull wants showed up only after the open.
    void readStreamFoundIn(uchar type);

private:
    enum Requirement {
        RequirementMet,
        RequirementOpen, // a stream it needs may still come
        RequirementFailed,
    };

    void initial();
    void startPullStream();
    bool connectToServer(QString &msg);
    void printFFmpegError(int err, const QString &tag);

    uchar wantedStreams() const;
    uchar requiredStreams() const;
    Requirement requirement(uchar working, uchar failed) const;
    void pullInitialResult(bool ok, const QString &msg, uchar bit, bool notFound);
    void decideInitial();
    void startDecoders(uchar set);
    void pullDecodeStarted(uchar bit);
    void pullDecodeFailed(uchar bit, const QString &msg);
    void pullStreamFinishIn(uchar type);
    void evaluateDecode();
    void startRead();
    void lateStreamTimeout();
    void rememberFailure(uchar bit, const QString &msg);
    QString failureMessage(uchar required) const;

    void pullInitialFail(const QString &msg, bool freeInput);
    void pullSucceeded();
    void beginTeardown();
    void checkTeardown();
    void resetStages(bool freeInput);
    void reconnect();
    void exitPull();

    QString m_pullObjId;
    QString m_userId;
    PullStreamType m_pullStreamType = PullBothRequired;
    StreamMediaStatus m_status;
    PullReadAllStream *m_read = nullptr;
    PullAudioStream *m_audio = nullptr;
    PullVideoStream *m_video = nullptr;
    unsigned int m_readThreadId = 0;
    unsigned int m_audioThreadId = 0;
    unsigned int m_videoThreadId = 0;
    bool m_threadsReady = false;
    QString m_pullUrl;
    std::atomic<bool> m_pullStreamCmdFlag { false };
    std::atomic<bool> m_playAudioCmdFlag { true };
    std::atomic<uchar> m_startCount { 0 };
    std::atomic<bool> m_busy { false };

    // One connection attempt, in stage bits (PullStreamContext::audioBit, videoBit, readBit).
    uchar m_initPendingSet = 0; // asked to initialise, not answered
    uchar m_initialResultSet = 0; // answered among the first initialisations of the attempt
    bool m_initialDecided = false;
    uchar m_workingSet = 0; // initialised, and not failed since
    uchar m_failedSet = 0;
    uchar m_absentSet = 0; // required, never showed up, done without while the other stream plays
    uchar m_awaitedSet = 0; // wanted, not in the input yet; the read stage claims it when it shows up
    uchar m_startedDecoderSet = 0; // asked to decode
    uchar m_decodePendingSet = 0; // asked to decode, loop not ended nor failed yet
    uchar m_decodeResultSet = 0; // of the started decoders, those that answered the start
    uchar m_decodeExecSet = 0; // loops that run or ran: decoders that started, the read stage once started
    uchar m_decodeFinishSet = 0; // loops that ended, or failed to start
    uchar m_resetResultSet = 0;
    QString m_audioMessage;
    QString m_videoMessage;
    QString m_lastFailure; // what the last failed attempt logged
    int m_failedAttempts = 0; // attempts since the pull last played
    uchar m_firstFailure = 0;
    bool m_readStarted = false;
    bool m_resultSent = false;
    bool m_tearingDown = false;
    bool m_resetting = false; // the resets are asked for, their answers not all in

    QTimer *m_reconnectTimer = nullptr;
    QTimer *m_lateStreamTimer = nullptr;
    std::atomic<int> m_reconnectDelayMs { reconnectDelayMs };
    std::atomic<int> m_lateStreamWaitMs { lateStreamWaitMs };
    std::atomic<int> m_maxReconnectDelayMs { maxReconnectDelayMs };

    char m_errorBuffer[1024] = {};
    PullStreamContext m_context;
};

#endif // PULLSTREAMENGINE_H
