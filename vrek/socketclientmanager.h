#ifndef SOCKETCLIENTMANAGER_H
#define SOCKETCLIENTMANAGER_H

#include "vrek/message/chatmessage.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/devicemessage.h"
#include "vrek/message/pptmessage.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/videocoursemessage.h"
#include "vrek/model/groupinfo.h"
#include "vrek/utils/globalenum.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QThread;
class QTimer;
class SocketClient;

// The one connection to the classroom server. Lives in the GUI thread and drives its socket, in the
// "Socket Client" thread, only through queued signals. Every received line becomes one signal per kind of
// message; every outgoing line goes through one of the send operations, which refuse to send while the
// connection is down and refuse a field that would split or inject a line.
class SocketClientManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int heartbeatIntervalMs = 2000;
    static constexpr int chatIntervalMs = 50;
    // Heartbeats without any received line: from this many on a failed write drops the connection ...
    static constexpr quint8 dropAfterFailedBeats = 5;
    // ... and from this many on any heartbeat does.
    static constexpr quint8 dropAfterBeats = 15;
    // Participants from which class and personal chat lines closer than the chat interval are dropped.
    static constexpr int chatLimitParticipants = 201;
    // Received lines are handled in the GUI thread for at most this long per event-loop turn; the rest wait
    // for the next turn, so a burst never holds the window.
    static constexpr int lineBudgetMs = 20;
    // A course list longer than this (in characters) is read on a pool thread.
    static constexpr int syncCourseListChars = 256 * 1024;

    explicit SocketClientManager(GlobalEnum::UserType userType, QObject *parent = nullptr);
    ~SocketClientManager() override;

    void setHostAndPort(const QString &host, quint16 port);
    bool isConnected() const { return m_serverConnectStatus; }
    GlobalEnum::UserType userType() const { return m_userType; }

    // Tests shorten these; the product runs with the constants above.
    void setHeartbeatInterval(int ms) { m_heartbeatInterval = ms; }
    void setChatInterval(int ms) { m_chatInterval = ms; }
    // The socket's thread, for a caller that must know where the socket lives.
    QThread *socketThread() const { return m_socketThread; }

    void connectServerAndLogin(const QString &userCode, const QString &password);

    // Where the lines handed to the connection so far stand. The server has read every line sent before a mark
    // once isDelivered says so: the connection stayed logged in since and answered a heartbeat written after
    // them. A mark taken before a login, or while the connection is down, is never delivered.
    struct SendMark
    {
        quint32 session = 0;
        quint32 beats = 0;
    };
    SendMark sendMark() const;
    bool isDelivered(const SendMark &mark) const;
    // Whether what is sent now may arrive: connected, and no heartbeat outstanding beyond one interval. What a
    // user sends while it may not is refused with a notice rather than lost without one.
    bool canDeliver() const;

    // Outgoing lines. The user id is the signed-in user's.
    void sendConnectMessage();
    void sendLogout();
    void sendUserRequest();
    void sendFileList();
    void sendWebFile(const QString &fid);
    void sendTFile(const QString &fid, const QString &targetType, const QString &targetId);
    void sendDeleteFile(const QString &fid, const QString &fType);
    void sendJoinGroupRequest();
    void sendClassRtmp(const QString &pushStreamId);
    void sendStartClass(const QString &lessonKey, const QString &pushStreamId);
    void sendEndClass(const QString &pushStreamId);
    void sendRecordFile(const QString &lessonPart, const QString &fileId, int count);
    void sendAnswerInfo(const QString &answer, const QString &isCorrect);
    // type is the forward kind ("0" for a classroom text), data the forwarded text.
    void sendServerForwardSchoolClass(const QString &type, const QString &data);
    void sendServerForwardPersonal(const QString &targetId, const QString &type, const QString &data);
    void sendAddPushStreamIdToServer(const QString &streamId);
    void sendRequestStreamIdToServer();
    void sendSubjectRequest();
    void sendQuit();
    void sendCreateClass(const QString &request);

    bool jsonToList(const QString &json, QList<QVariantMap> &out);

signals:
    // To the socket.
    void connectToServer(QString host, ushort port);
    void disconnectFromServer();
    void heartTimerStart(int ms, const QString &userId);
    void heartTimerStop();
    void sendMessageOut(QByteArray bytes);

    // Connection and heartbeat.
    void signalConnectResult(uint code);
    void signalConnectError();
    void signalSocketConnectSuceess();
    void signalSocketTimeout(bool dropped, QString quality);
    void signalSocketElapsed(int ms);
    // A heartbeat was answered: marks may have been delivered. And the logged-in session ended (dropped by its
    // heartbeat or closed): undelivered marks of it never will be.
    void signalDeliveryProgress();
    void signalSessionLost();

    // Classroom lines.
    void signalUserInfoProtocol(QString line);
    void signalFileInfoProtocol(QString line);
    void signalCreateClassOK(QString data);
    void signalCreateClassProtocol(QString line);
    void signalEnterClass(bool ok);
    void signalQuitClass(bool ok);
    void signalRecordFileResult(QString fileId, int result);
    void signalStartClass(QString data);
    void signalEndClass();
    void signalRecvQuestionID(QString questionId);
    void signalShowAnswerInfo(QString answer);
    void signalShowQuestionInfo(QVariantMap question);
    void signalStopQuestion();
    void readAddStreamId(QString userId, QString streamId);
    void readDelStreamId(QString userId);
    void readAllStreamId(QHash<QString, QString> streamIds);
    void signalIntegralResult(QString result);
    void signalRecvCourseInfo(QList<GroupInfo> courses, QString classType);
    void signalCourseInfoResult(bool ok);
    void signalRecvSubjectInfo(QList<GroupInfo> subjects);
    void signalClassLockScreen(QString data);
    void signalClassQuit(QString data);
    void signalPersonalQuit(QString data);
    void signalClassCallRoll(QString data);
    void signalClassClearScreen();
    void signalForceClassEnd();
    void serverFileNone(QString data);
    void signalVideoMsg(QString data);
    void signalStuCheckVideo(QString data);

    // Server-forwarded messages.
    void readPPtMessage(PPtMessage message, GlobalEnum::PPMFromType from);
    void readChatMessage(ChatMessage message);
    void readCtrlMessage(CtrlMessage message);
    void readStreamMediaMessage(StreamMediaMessage message);
    void readDeviceMessage(DeviceMessage message);
    void readVideoCourseMessage(VideoCourseMessage message, GlobalEnum::PPMFromType from);
    void signalLockScreen(uint lockType);
    void signalHandUpLock(bool locked);
    void signalHandUp(QString userId, bool raised);
    void signalPraiseMessage(QString userId, QString count, QString type);
    void signalStartPush();
    void signalEndPush();
    void signalPeerStartAvAbnormal(QString data);
    void signalPullStream(QString userId, QString streamId);
    void signalCloseQuestion();
    void signalCallRollStart(QString time);
    void signalCallRollResponse(QString data);
    void signalEncrptUser(bool encrypted);
    void signalEncrptionMsg(QString userId, bool encrypted);
    void signalHttpPictureMsg(QString data);

public slots:
    void readMessageIn(QString line);
    // Queues the lines of one read; they are handled in order over the following event-loop turns.
    void readMessagesIn(QStringList lines);
    // Lines received and not handled yet.
    int pendingLineCount() const { return m_pendingLines.size() - m_pendingStart; }
    void sockNewConnectOut(QString address, ushort port, QThread *thread);
    void sockDisConnectOut(QString address, ushort port, QThread *thread);
    void connectToServerError();
    void slotDisconnectFromServer();
    void sendHeartBeatIn(bool sent);
    void sendCreateTeachClass(const QString &data);

private:
    void initial();
    // Joins the fields with tabs and hands the line to the socket; refuses a field holding a tab, carriage
    // return or line feed.
    bool sendLine(const QStringList &fields);
    int beatClockElapsed() const;
    void handlePendingLines();
    void endSession();

    void recvConnectRSP(const QString &line);
    void recvBeatRSP(const QString &line);
    void recvCreateClass(const QString &line);
    void recvEnterClass(const QString &line);
    void recvClassTable(const QString &line);
    void recvStartClass(const QString &line);
    void recvQuestion(const QString &line);
    void recvStreamIdResult(const QString &line);
    void recvIntegralResult(const QString &line);
    void recvClassRequest(const QString &line);
    void deliverCourseList(bool ok, const QList<GroupInfo> &courses, const QString &classType);
    void recvSubjectRequest(const QString &line);
    void recvQuitRequest(const QString &line);
    void recvTeacherAssistantRequest(const QString &line);
    void recvServerForward(const QString &line);
    void recvClassroomText(const QString &line, const QString &text);
    void showQuestion(const QString &line, const QString &json);

    GlobalEnum::UserType m_userType;
    SocketClient *m_socket = nullptr;
    QThread *m_socketThread = nullptr;
    unsigned int m_socketThreadId = 0;
    QString m_serverHost;
    quint16 m_serverPort = 0;
    bool m_serverConnectStatus = false;
    quint8 m_missedBeats = 0;
    // The heartbeat gave this connection up; it may still be open.
    bool m_beatDropped = false;
    // The logged-in session (0 while none), the heartbeats written in it and those answered.
    quint32 m_session = 0;
    quint32 m_sessionCount = 0;
    quint32 m_beatsWritten = 0;
    quint32 m_beatsAnswered = 0;
    QElapsedTimer m_beatClock;
    int m_elapsed = 0;
    QElapsedTimer m_chatClock;
    QString m_userCode;
    QString m_password;
    QString m_assistantField;
    bool m_assistantPersonal = false;
    QString m_questionId;
    bool m_dropNotice = false;
    int m_heartbeatInterval = heartbeatIntervalMs;
    int m_chatInterval = chatIntervalMs;
    // Course-list replies so far: a reply read on a pool thread is delivered only when no newer one came
    // meanwhile, so that a stale list never shows after a fresh one.
    quint64 m_courseListReplies = 0;
    QStringList m_pendingLines;
    int m_pendingStart = 0;
    QTimer *m_lineTimer = nullptr;
};

// The one connection of the running client; main creates it.
extern SocketClientManager *g_socketClientManager;

#endif // SOCKETCLIENTMANAGER_H
