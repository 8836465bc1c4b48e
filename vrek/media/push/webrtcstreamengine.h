#ifndef WEBRTCSTREAMENGINE_H
#define WEBRTCSTREAMENGINE_H

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

// Pushes the own camera and microphone into a WebRTC room through the WebRTC library (WebrtcSdkInterface). A
// start becomes one tab-separated parameter text for the library; the library's events become start and stop
// results, its frames images. Lives in the GUI thread; the library calls back on threads of its own, and
// everything the engine reports reaches its receivers queued, after the call that caused it has returned.
class WebRtcStreamEngine : public QObject
{
    Q_OBJECT
public:
    // The managers always pass 0; the library is not told.
    enum PullStreamType {
        PullBothStream = 0,
    };
    Q_ENUM(PullStreamType)

    explicit WebRtcStreamEngine(QObject *parent = nullptr);
    // Callbacks the library still makes for this engine are dropped from now on.
    ~WebRtcStreamEngine() override;

    QString userId() const { return m_userId; }
    QString roomId() const { return m_roomId; }

    // camera, tab, microphone, tab, room, "\ttrue\t" or "\tfalse\t", user id, tab, push host, tab, push port,
    // tab, user name; empty fields stay empty between their tabs.
    static QString startParameters(const QString &videoDeviceName, const QString &audioDeviceName,
        const QString &roomId, bool isCenter, const QString &userId, const QString &userName);

    // What the library is handed: the engine as user, these as callbacks.
    static void onEvent(void *user, int type, const char *text);
    static void onFrame(void *user, int width, int height, unsigned char *pixels);

signals:
    void sendStartPushStreamResult(bool result, QString msg);
    void sendStopPushStreamResult(bool result, QString msg);
    void sendRemoteStream(QImage frame);

public slots:
    // Without the library nothing would ever answer: the start then fails at once.
    void onStartPushStream(WebRtcStreamEngine::PullStreamType type, QString videoDeviceName, QString audioDeviceName,
        QSize captureSize, QString roomID, bool isCenter, QString userName);
    // Without the library the push counts as ended at once.
    void onStopPushStream();
    void onSetUserId(QString userId);
    void toKickOneByUserId(QString userId);
    void toMuteOneByUserId(QString userId);

private:
    void sendRoomEvent(const QString &userId, int value);

    QString m_userId;
    QString m_roomId;
};

Q_DECLARE_METATYPE(WebRtcStreamEngine::PullStreamType)

#endif // WEBRTCSTREAMENGINE_H
