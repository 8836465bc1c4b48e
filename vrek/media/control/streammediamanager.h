#ifndef STREAMMEDIAMANAGER_H
#define STREAMMEDIAMANAGER_H

#include "vrek/media/pull/pullstreamengine.h"
#include "vrek/media/push/pushstreamengine.h"
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

// The stream controller of the RTMP classroom panel (class types 6 and 7). It turns the classroom's stream
// commands into engine commands: the lecturer's main stream and one student's sub stream are pulled through a
// pull engine pool, the own camera and microphone go out as RTMP through a push engine, or into the lecturer's
// WebRTC room through the WebRTC engine when a student is called onto the stage. On the lecturer's side it asks
// students onto the stage, keeps who is there and replays the state to late joiners. Lives in the GUI thread;
// the engines run in threads of their own and answer by queued signals.
class StreamMediaManager : public QObject, public PushStreamSettings
{
    Q_OBJECT
public:
    // The answer to a lecturer's click on a student, with the text for the user list.
    enum UserListCtrlType {
        SubStreamRequested = 0, // "正在上讲台"
        SubStreamStopped = 1,
        StageRefused = 2, // "不能多人同时上讲台" / "不能多于4个人同时上讲台"
        PushNotRunning = 3, // "请先点击上课"
        ClickedTooOften = 4, // "点击频繁,请稍后"
        InteractRequested = 5, // "学生正在上讲台"
        InteractStopped = 6,
    };
    Q_ENUM(UserListCtrlType)

    // The lecturer's stage clicks are at least this far apart.
    static constexpr int clickIntervalMs = 1000;
    // Students on the WebRTC stage at most.
    static constexpr int maxInteractUsers = 4;

    StreamMediaManager(const QString &userId, const GlobalEnum::GroupType classType, QObject *parent = nullptr);
    // A push under way is stopped and its engine handed back; the pulls are stopped with their pool.
    ~StreamMediaManager() override;

    // PushStreamInterface; new names and sizes count from the next push start.
    QString &getPushStreamId() override { return m_pushStreamId; }
    bool isPushingStream() override;

    // Tests shorten the click spacing; the product runs with clickIntervalMs.
    void setClickInterval(int ms) { m_clickInterval = ms; }

    // What the panel calls.
    bool startPushStreamLect();
    bool stopPushStreamLect();
    bool startPushStreamStu();
    bool stopPushStreamListener();
    bool startPushWebrtcStreamStu(const QString &roomId);
    bool stopPushWebrtcStreamStu();
    void stopAllPullStream();
    void stopPullStream(const QString &userId);
    void sendLateState(const QString &userId) const;
    // The lecturer's click on a student: ask for the sub stream, or end it.
    UserListCtrlType sendStudentRequest(const QString &userId, QString &text);

    bool isLect() const { return m_isLect; }
    QString pushStreamUrl() const { return m_pushStreamUrl; }
    PushStreamEngine *pushStreamEngine() const { return m_pushStreamEngine; }
    PullEngineFactory *pullEngineFactory() const { return m_pullEngineFactory; }
    // Null with class type 5: there the WebRTC operations refuse.
    WebRtcStreamEngine *webRtcStreamEngine() const { return m_webRtcStreamEngine; }
    QSet<QString> interactUserIds() const { return m_interactUserIdSet; }

signals:
    void showMainVideoImageOut(QImage frame);
    void showSubVideoImageOut(QImage frame);
    void videoQualityChangedOut(GlobalEnum::VideoQualityType vqt, bool flag);
    void pushStreamResultOut(bool isFinish, bool result, QString msg);
    // isLectFlag: the lecturer's main stream.
    void pullStreamResultOut(bool isLectFlag, bool result, QString userId, QString msg);
    void startPushStreamOut(PushStreamEngine::PushStreamType type, QString micName, QString cameraName, QSize size);
    void stopPushStreamOut();
    void startPullStreamOut(QString userId, PullStreamEngine::PullStreamType type, QString url, bool playAudio);
    void stopPullStreamOut(QString userId);
    void startPushWebrtcStreamOut(WebRtcStreamEngine::PullStreamType type, QString cameraName, QString micName,
        QSize size, QString roomId, bool isCenter, QString userName);
    void stopPushWebrtcStreamOut();
    void interactReqResultOut(bool result, QString userId, QString msg);
    void sendPushStreamResult(bool isFinish, bool result, QString msg);
    void sendRemoteStream(QImage frame);
    void releaseWebRtcSdkOut();

public slots:
    void readSocketMessageIn(StreamMediaMessage message);
    void pushStreamResultIn(bool ok, QString msg);
    void pushStreamExitIn();
    void pullStreamResultIn(bool ok, QString userId, QString msg);
    void showVideoImageIn(QString userId, QImage image);
    bool startPushWebrtcStreamLect();
    bool stopPushWebrtcStreamLect();
    void pushWebrtcStreamResultIn(bool result, QString msg);
    // The lecturer's click on a student for the WebRTC stage.
    StreamMediaManager::UserListCtrlType sendStuReqInteract(QString userId, QString &text);
    void pushWebRtcStreamExitIn(bool result, QString text);

private:
    void initial();
    void deviceNameInitial();
    void ffmpegInitial();
    void webrtcInitial();
    void logFlags() const;
    // A lecturer's click within the interval of the last accepted one; else the click counts.
    bool clickTooSoon(QString &text);
    bool ownPushIdle() const;
    // The own push of the lecturer's side or a listener's, as RTMP or into a WebRTC room.
    bool startOwnPush(bool lecturerSide, bool webrtc, const QString &roomId);
    bool stopOwnPush(bool lecturerSide, bool webrtc);
    // On the WebRTC stage, or called there and starting.
    bool onWebrtcStage() const;
    // Leaves the stage; a refusal withdraws the command instead.
    void leaveWebrtcStage();
    void sendClassWide(quint32 type, const QString &toUserId = QString(), const QString &streamId = QString(),
        quint32 errorType = 0) const;
    void sendPersonal(const QString &targetId, quint32 type, const QString &fromUserId,
        const QString &toUserId = QString(), const QString &streamId = QString(), quint32 errorType = 0) const;

    // A command for a listener, with a sender and a target; else false, with the type's warning.
    bool isListenerRequest(const StreamMediaMessage &message, const char *warning) const;
    void startPullMainStreamHandle(const StreamMediaMessage &message);
    void stopPullMainStreamHandle(const StreamMediaMessage &message);
    void requestPushStreamIdHandle(const StreamMediaMessage &message);
    void requestStopPushStreamHandle(const StreamMediaMessage &message);
    void responsePushStreamFailHandle(const StreamMediaMessage &message);
    void startPullSubStreamHandle(const StreamMediaMessage &message);
    void stopPullSubStreamHandle(const StreamMediaMessage &message);
    void requestPushWebRtcStreamHandle(const StreamMediaMessage &message);
    void responsePushWebRtcStreamFailHandle(const StreamMediaMessage &message);
    void requestStopPushWebrtcStreamHandle(const StreamMediaMessage &message);
    void responsePushWebRtcStreamSuccHandle(const StreamMediaMessage &message);
    void listenerStartPullSubStream(const StreamMediaMessage &message);

    bool requestPushSubStream(const QString &userId);
    bool requestStopSubStream(const QString &userId);
    bool requestStartInteraction(const QString &userId);
    bool requestStopInteraction(const QString &userId);
    void interactReqResultNotify(bool result, const QString &msg, const QString &fromUserId);
    void startPullStream(const QString &userId, const QString &streamId);
    QString getPullStreamUrl(const QString &streamId) const;
    // Ends one pull of the bookkeeping given: a started pull is stopped, and its end is reported.
    void endPull(bool &flag, bool &started, QString &userId, bool isLectFlag, const QString &msg);
    void stopPullMainStream(const QString &msg);
    void stopPullSubStream(const QString &msg);
    void stopPullStuStream(const QString &msg);

    void insertPullUserIdSet(const QString &userId) { m_pullUserIdSet.insert(userId); }
    void deletePullUserIdSet(const QString &userId) { m_pullUserIdSet.remove(userId); }
    bool verifyPullUserIdSet(const QString &userId) const { return m_pullUserIdSet.contains(userId); }
    void insertInteractUserId(const QString &userId) { m_interactUserIdSet.insert(userId); }
    void delInteractUserId(const QString &userId) { m_interactUserIdSet.remove(userId); }
    bool verifyInteractUserIdSet(const QString &userId) const { return m_interactUserIdSet.contains(userId); }

    bool m_isLect;
    QString m_userId;
    GlobalEnum::GroupType m_classType;
    QElapsedTimer m_clickTimer;
    int m_clickInterval = clickIntervalMs;
    QString m_pushStreamId;
    QString m_pushStreamUrl;

    PushStreamEngine *m_pushStreamEngine = nullptr;
    unsigned int m_pushThreadId = 0;
    PullEngineFactory *m_pullEngineFactory = nullptr;
    WebRtcStreamEngine *m_webRtcStreamEngine = nullptr;

    bool m_pushingStreamSucc = false;
    bool m_stopingPushStream = false;
    bool m_pushStreamCmdLect = false;
    bool m_pushStreamCmdListener = false;
    bool m_pushStreamStartListener = false;
    // The own push goes into a WebRTC room (else it is the RTMP push): a stop goes to the engine that runs it.
    bool m_pushIsWebrtc = false;

    // The lecturer's sub stream.
    bool m_pullStreamCmdFlag = false;
    bool m_pullListStreamStart = false;
    QString m_currentPullUserId;
    QString m_currentPullStreamId;

    // A listener's main stream.
    bool m_pullMainStreamFlag = false;
    bool m_pullMainStreamStart = false;
    QString m_pullMainUserId;
    QString m_lectMainStreamId;

    // A listener's sub stream.
    bool m_pullSubStreamFlag = false;
    bool m_pullSubStreamStart = false;
    QString m_pullSubUserId;

    QString m_lectUserId;
    QSet<QString> m_pullUserIdSet;
    QSet<QString> m_interactUserIdSet;
};

#endif // STREAMMEDIAMANAGER_H
