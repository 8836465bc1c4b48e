#ifndef LSTREAMMEDIAMANAGER_H
#define LSTREAMMEDIAMANAGER_H

#include "vrek/media/control/mediamanagerinfo.h"
#include "vrek/media/pull/pullstreamengine.h"
#include "vrek/media/push/pushstreamsettings.h"
#include "vrek/media/push/webrtcstreamengine.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/utils/globalenum.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

class PullEngineFactory;

// The stream controller of the WebRTC class modes (class types 0-4 and 8). The own stream always goes into a
// WebRTC room: the teacher's class into its own room, a student's stage push into the teacher's room, a
// student's push for a watching parent into its own room. Remote streams come in as RTMP pulls: a student and
// a parent pull the teacher, a watching parent the child. One push and one pull at a time, each with a small
// state machine; a stop that overtakes a start is carried out once the start has reported. Lives in the GUI
// thread; the engines answer by queued signals.
class LStreamMediaManager : public QObject, public PushStreamSettings
{
    Q_OBJECT
public:
    enum PushStreamState {
        PushStreamIdle = 0,
        PushStreamStarting = 1,
        PushStreamRunning = 2,
        PushStreamStopping = 3,
    };
    Q_ENUM(PushStreamState)
    enum PullStreamState {
        PullStreamIdle = 0,
        PullStreamStarting = 1,
        PullStreamRunning = 2,
        PullStreamStopping = 3,
    };
    Q_ENUM(PullStreamState)
    enum PushStreamMode {
        PushModeNone = 0,
        PushModeClass = 1, // the teacher's class, or a student's stage push into the teacher's room
        PushModeMonitor = 2, // a student's push for its watching parent
    };
    Q_ENUM(PushStreamMode)
    enum PullStreamMode {
        PullModeNone = 0,
        PullModeTeacher = 1,
        PullModeChild = 2,
    };
    Q_ENUM(PullStreamMode)
    // What to do once the current stream has ended.
    enum StreamChangeType {
        ChangeNone = 0,
        ChangeChildToTeacher = 1, // a parent goes back to the teacher's stream
        ChangeTeacherToChild = 2, // a parent goes over to the child's stream
        ChangeMonitorToStage = 3, // a student goes from the push for its parent onto the stage
        ChangeStopTeacherPull = 4, // a student on the stage stops the teacher's stream once its push runs
    };
    Q_ENUM(StreamChangeType)
    // The teacher's stage results for the user list.
    enum InteractResult {
        InteractRequestSent = 0,
        InteractOnStage = 1,
        InteractPushFailed = 2,
        InteractClassNotStarted = 3,
        InteractClickedTooOften = 4,
        InteractStageFull = 5,
        InteractDeviceBusy = 6,
        InteractStopped = 7,
    };
    Q_ENUM(InteractResult)
    enum UserIdentity {
        NoIdentity = 0,
        TeacherIdentity = 1,
        StudentIdentity = 2,
        ParentIdentity = 3,
    };

    static constexpr int clickIntervalMs = 1000;
    // Students on the stage at most.
    static constexpr int maxInteractUsers = 3;

    LStreamMediaManager(const QString &userId, const GlobalEnum::GroupType classType, QObject *parent = nullptr);
    ~LStreamMediaManager() override;

    // PushStreamInterface; new names and sizes count from the next push start.
    QString &getPushStreamId() override { return m_my.streamId; }
    bool isPushingStream() override { return m_pushStreamState != PushStreamIdle; }

    // Tests shorten the click spacing; the product runs with clickIntervalMs.
    void setClickInterval(int ms) { m_clickInterval = ms; }

    // What the panel calls.
    void requestInteract(const QString &uid);
    void startClass();
    void stopClass();
    void startMonitor();
    void stopMonitor();
    void sendLateState(const QString &uid) const;

    int userIdentity() const { return m_userIdentity; }
    PushStreamState pushStreamState() const { return m_pushStreamState; }
    PullStreamState pullStreamState() const { return m_pullStreamState; }
    PushStreamMode pushStreamMode() const { return m_pushStreamMode; }
    PullStreamMode pullStreamMode() const { return m_pullStreamMode; }
    StreamChangeType streamChangeType() const { return m_streamChangeType; }
    QString pullUserId() const { return m_pullUserId; }
    QSet<QString> interactUserIds() const { return m_interactUserIdSet; }
    PullEngineFactory *pullEngineFactory() const { return m_pullEngineFactory; }
    // Null with class type 5: there no push is possible.
    WebRtcStreamEngine *webRtcStreamEngine() const { return m_webRtcStreamEngine; }

signals:
    void startPullStreamOut(QString userId, PullStreamEngine::PullStreamType type, QString url, bool playAudio);
    void stopPullStreamOut(QString userId);
    void startPushWebrtcStreamOut(WebRtcStreamEngine::PullStreamType type, QString cameraName, QString micName,
        QSize size, QString roomId, bool isCenter, QString userName);
    void stopPushWebrtcStreamOut();
    void sendRemoteStream(QImage frame);
    void signalMediaManagerInfo(MediaManagerInfo info);
    void signalInteractRequestResult(QString uid, LStreamMediaManager::InteractResult result);

public slots:
    void readSocketMessageIn(StreamMediaMessage message);
    void showVideoImageIn(QString userId, QImage image);
    void slotUserOnline(QString uid);
    void slotUserOffline(QString uid);
    void slotRelativeOnline(QString sid);
    void slotRelativeOffline(QString sid);
    // True when the own push was told to stop.
    bool slotClientClose();
    void slotClientOffline();
    void slotUserAVClose(QString uid);
    void slotSendRemoteStream(QImage frame);
    void slotPullStreamResult(bool ok, QString uid, QString msg);
    void slotPushWebrtcStreamResult(bool ok, QString msg);
    void slotPushWebrtcStreamExit(bool result, QString msg);

private:
    // One participant as this manager knows it.
    struct MediaUser
    {
        int online = 0;
        QString userId;
        QString userName;
        QString serverId;
        QString streamId;
    };

    void initial();
    void deviceNameInitial();
    void ffmpegInitial();
    void userRoleInit();
    void logStates() const;

    bool startPushMode(const QString &roomId, PushStreamMode mode);
    bool startPushWebrtcStream(const QString &roomId);
    bool stopPushMode(PushStreamMode mode);
    bool stopPushWebrtcStream();
    bool startPullMode(const QString &userId, const QString &streamId, PullStreamMode mode);
    bool startPullStream(const QString &userId, const QString &streamId);
    bool stopPullMode(PullStreamMode mode);
    bool stopPullStream();
    bool stopAllStream();

    void teacherPushResult(bool ok);
    void studentPushResult(bool ok);
    void parentPullResult(bool ok, const QString &uid);
    void parentPullEnd();
    void sendSocketClassBegin();
    void resetInteractUserIdSet();

    void startPullMainStreamHandle(const StreamMediaMessage &message);
    void stopPullMainStreamHandle(const StreamMediaMessage &message);
    void requestPushWebRtcStreamHandle(const StreamMediaMessage &message);
    void responsePushWebRtcStreamFailHandle(const StreamMediaMessage &message);
    void requestStopPushWebRtcStreamHandle(const StreamMediaMessage &message);
    void responsePushWebRtcStreamSuccHandle(const StreamMediaMessage &message);
    void requestStartMonitorHandle(const StreamMediaMessage &message);
    void requestStopMonitorHandle(const StreamMediaMessage &message);
    void responseMonitorSuccessHandle(const StreamMediaMessage &message);
    void responseMonitorFailHandle(const StreamMediaMessage &message);

    void requestStartInteraction(const QString &uid);
    void requestStopInteraction(const QString &uid);
    void sendInteractResult(const QString &uid, InteractResult result);
    void sendMediaManagerInfo(int kind);
    void sendWatchingFailed(int errorCode);
    void sendPersonal(const QString &targetId, quint32 type, const QString &fromUserId,
        const QString &toUserId = QString(), const QString &streamId = QString(), quint32 errorType = 0) const;

    bool m_isLect;
    QString m_userId;
    GlobalEnum::GroupType m_classType;
    QElapsedTimer m_clickTimer;
    int m_clickInterval = clickIntervalMs;

    PullEngineFactory *m_pullEngineFactory = nullptr;
    WebRtcStreamEngine *m_webRtcStreamEngine = nullptr;

    QString m_pullUserId;
    bool m_ensureStopPushWebrtcStream = false;
    bool m_ensureStopPullStream = false;
    int m_userIdentity = NoIdentity;
    PushStreamState m_pushStreamState = PushStreamIdle;
    PullStreamState m_pullStreamState = PullStreamIdle;
    PushStreamMode m_pushStreamMode = PushModeNone;
    PullStreamMode m_pullStreamMode = PullModeNone;
    StreamChangeType m_streamChangeType = ChangeNone;

    MediaUser m_my;
    MediaUser m_teacher;
    MediaUser m_child;
    MediaUser m_parent;
    QSet<QString> m_interactUserIdSet;
    MediaManagerInfo m_info;
};

Q_DECLARE_METATYPE(LStreamMediaManager::InteractResult)

#endif // LSTREAMMEDIAMANAGER_H
