#ifndef PUSHSTREAMMANAGER_H
#define PUSHSTREAMMANAGER_H

#include "vrek/media/push/pushstreamengine.h"
#include "vrek/media/control/pushstreaminterface.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/utils/globalenum.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

// The own camera and microphone push of the teacher-room media panel. Owns one push engine on a "Push Stream"
// thread, makes the own push stream id and address, starts and stops the push, and tells the class what
// happened through stream-media messages. Lives in the panel's thread; meets the engine by queued signals.
class PushStreamManager : public QObject, public PushStreamInterface
{
    Q_OBJECT
public:
    PushStreamManager(const QString &userId, const GlobalEnum::GroupType groupType, QObject *parent = nullptr);
    // Stops a push under way and hands the engine back: it goes with its thread once that push has ended.
    ~PushStreamManager() override;

    // PushStreamInterface.
    void setAudioDeviceName(const QString &name) override;
    void setVideoDeviceName(const QString &name) override;
    void setPushVideoSize(const GlobalEnum::VideoQualityType vqt) override;
    void setPushVideoSize(const QSize &size) override;
    QString &getPushStreamId() override { return m_pushStreamId; }
    bool isPushingStream() override;

    // What the panel passes on.
    void initialLater();
    void sendLateState(const QString &userId);
    bool stopPushStreamLect();
    bool stopPushStreamListener();

    void setRequestPushStream(bool flag);
    void setShowPushVideo(bool flag);
    bool startPushStream();
    // Also during the start: the start is then called off, and the push never goes live.
    bool stopPushStream();
    // A teacher's RequestPushStreamId.
    void receiveRequestPushStreamId(const StreamMediaMessage &message);

    QString pushStreamUrl() const { return m_pushStreamUrl; }
    QSize pushVideoSize() const { return QSize(m_pushWidth, m_pushHeight); }
    PushStreamEngine *pushStreamEngine() const { return m_pushStreamEngine; }
    bool isRefused() const { return m_refused; }
    static QString makePushStreamId(const QString &userId);

signals:
    void showVideoImageOut(QString userId, QImage frame);
    void videoQualityChangedOut(GlobalEnum::VideoQualityType vqt, bool flag);
    void pushStreamResultOut(bool isFinish, bool result, QString msg);
    void startPushStreamOut(
        PushStreamEngine::PushStreamType type, QString audioDeviceName, QString videoDeviceName, QSize size);
    void stopPushStreamOut();

public slots:
    void pushStreamResultIn(bool result, QString msg);
    void pushStreamExitIn();
    void showVideoImageIn(QImage frame);

private:
    void initial();
    void pushInitial();
    void logFlags() const;
    void stopEngine();
    void sendStartNotice(const QString &userId);
    void sendStopNotice();
    void sendAnswer(quint32 type, const QString &toUserId, const QString &streamId);
    void sendStreamMediaMessage(const StreamMediaMessage &message, const QString &toUserId);

    bool m_isLect;
    QString m_userId;
    GlobalEnum::GroupType m_groupType;
    QString m_audioDeviceName;
    QString m_videoDeviceName;
    int m_pushWidth = 160;
    int m_pushHeight = 120;
    QString m_pushStreamId;
    QString m_pushStreamUrl;
    bool m_pushStreamCmdFlag = false;
    bool m_pushingStreamSucc = false;
    bool m_stopingPushStream = false;
    bool m_showPushVideo = false;
    PushStreamEngine *m_pushStreamEngine = nullptr;
    unsigned int m_pushThreadId = 0;
    bool m_request = false;
    bool m_refused = false;
};

#endif // PUSHSTREAMMANAGER_H
