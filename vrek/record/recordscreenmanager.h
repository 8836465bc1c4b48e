#ifndef RECORDSCREENMANAGER_H
#define RECORDSCREENMANAGER_H

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Media;
class QTimer;
class ScreenRecorder;
class ShareRtmpContext;
class ThreadFactory;

// Runs one screen recording at a time from the GUI thread: makes a ScreenRecorder on a "Record Thread" of
// the thread factory, relays its progress and errors, stops it, and opens the RTMP share on request (on a
// worker, with a deadline). A stop returns the controls to idle at once, or at the latest after the
// force-exit time; the recorder and its thread are released only once the recorder has really ended, and only
// then is its file looked at (an empty one is removed).
class RecordScreenManager : public QObject
{
    Q_OBJECT
public:
    enum ManagerState {
        StateIdle = 0,
        StateStarting = 1,
        StateRecording = 2,
        StateLeaving = 3,
    };
    Q_ENUM(ManagerState)

    static constexpr int forceExitMs = 2000;
    static constexpr int recordTimerMs = 500;

    explicit RecordScreenManager(QObject *parent = nullptr, ThreadFactory *factory = nullptr);
    ~RecordScreenManager() override;

    int getState() const { return m_state; }
    QString getRecordFile() const { return m_recordFile; }
    ScreenRecorder *recorder() const { return m_recorder; }
    // The media record of the current recording, or null.
    std::shared_ptr<Media> media() const { return m_media; }
    // Recorders asked to stop that have not ended yet.
    int endingRecorders() const { return m_ending.size(); }
    bool isThreadLeft() const { return m_threadLeaveFlag; }

    // The microphone of the next recordings, as the device settings name it; empty: the system's first.
    void setAudioDevice(const QString &name) { m_audioDevice = name; }
    QString audioDevice() const { return m_audioDevice; }
    // Only tests shorten these.
    void setForceExitInterval(int ms);
    void setShareLimits(int connectMs, int writeMs, int closeMs);

signals:
    void signalRecordTimer(qlonglong seconds);
    void signalUploadUpdate();
    void signalBtnResponse();
    void signalRecordError(int code);
    void signalRecordFinished();
    void signalRecordSuccess();
    // The share was opened (true) or could not be (false).
    void signalShareResult(bool ok);
    // A recorder has ended and its thread is back; its file at path is complete, or removed when empty.
    void signalRecordReleased(QString path);

public slots:
    void StartRecord();
    void exitRecord();
    void PauseRecord(bool pause);
    void slotTimeOut();
    void setRecordFile(QString path);
    void onSlotThreadLeave();
    void onSlotGetStatus();
    void resetRecordThread();
    void resetRecordEnv();
    void threadForceLeave();
    void onSloStartShare();
    void OnGetError(int code);

private:
    struct Ending
    {
        ScreenRecorder *recorder = nullptr;
        unsigned int threadId = 0;
    };

    bool isFromEndingRecorder() const;
    void recorderExited(ScreenRecorder *recorder);
    void releaseRecorder(ScreenRecorder *recorder, unsigned int threadId);
    void shareOpened(std::shared_ptr<Media> media, std::shared_ptr<ShareRtmpContext> share, bool ok);
    void abortPendingShare();
    static void checkRecordFile(const QString &path);

    int m_state = StateIdle;
    QString m_recordFile;
    ScreenRecorder *m_recorder = nullptr;
    unsigned int m_recordThreadId;
    QTimer *m_recordTimer;
    QTimer *m_forceExitTimer;
    bool m_threadLeaveFlag = false;
    std::shared_ptr<Media> m_media;
    std::shared_ptr<ShareRtmpContext> m_pendingShare;
    ThreadFactory *m_factory;
    QString m_audioDevice;
    QList<Ending> m_ending;
    QList<QMetaObject::Connection> m_recorderConnections;
    int m_shareConnectMs = 0;
    int m_shareWriteMs = 0;
    int m_shareCloseMs = 0;
};

#endif // RECORDSCREENMANAGER_H
