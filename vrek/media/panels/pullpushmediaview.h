#ifndef PULLPUSHMEDIAVIEW_H
#define PULLPUSHMEDIAVIEW_H

#include "vrek/message/streammediamessage.h"
#include "vrek/utils/globalenum.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>

class PullStreamManager;
class PushStreamManager;
class VideoView3;

// What the panels that drive a pull and a push stream manager of their own share (the meeting panel, the spare
// classroom panel): the managers and their wiring, the picture-in-picture view addressed by user id, the stage
// commands that put a user into its sub picture or the own video, and the lecturer's clicks in the participant
// list. Each panel adds its own form, strip and start and end.
class PullPushMediaView : public QWidget
{
    Q_OBJECT
public:
    // Clicks in the participant list closer than this are refused.
    static constexpr int clickIntervalMs = 1000;
    // How long results are shown (seconds).
    static constexpr uint tipSeconds = 5;

    ~PullPushMediaView() override;

    // Tests shorten the click spacing.
    void setClickInterval(int ms) { m_clickIntervalMs = ms; }
    // When the click clock last started (milliseconds of the monotonic clock).
    qint64 clickClockStart() const { return m_clickClock.msecsSinceReference(); }
    bool isLect() const { return m_isLect; }
    int classState() const { return m_classState; }
    bool isPushShow() const { return m_isPushShow; }
    PullStreamManager *pullStreamManager() const { return m_pullStreamManager; }
    PushStreamManager *pushStreamManager() const { return m_pushStreamManager; }
    VideoView3 *videoView3() const { return m_videoView3; }

signals:
    void classesBeginOrEndOut(bool showStart, bool enabled, QString text);
    void onCameraBtnChangedOut(QString userId, bool on);
    void setCameraBtnStateOut(QString userId, bool enabled);
    void messageBoxTipOut(QString text, uint seconds);
    void videoQualityChangedOut(GlobalEnum::VideoQualityType vqt, bool flag);

public slots:
    // The classroom's stream commands: the start and end of the class, the lecturer's requests for the push
    // stream id and the stage are read here, the rest by the panel (readPanelMessage).
    void readSocketMessageIn(StreamMediaMessage message);
    virtual void showVideoImageIn(QString userId, QImage frame) = 0;
    void pushStreamResultIn(bool isFinish, bool result, QString msg);
    virtual void pullStreamResultIn(bool isMain, bool result, QString userId, QString msg) = 0;
    void pullStreamChangeIn(QString fromUserId, QString toUserId, bool isAuto, bool isMain);
    virtual void autoToManualIn(QString userId) = 0;
    virtual void playAudioChangeIn(QString userId, bool flag);
    void userOffline(QString userId);

protected:
    explicit PullPushMediaView(QWidget *parent);

    // The managers, children of the panel, wired to it; a participant's push answers the lecturer's requests.
    // Up to maxShow users are pulled automatically.
    void streamInitial(uint maxShow);
    void videoView3Initial();
    virtual void setPushStreamState(int pss) = 0;
    // The class's video in place of the default picture (flag: the class starts), and back.
    virtual void setStartClass(bool flag) = 0;
    virtual void setDefaultImage(bool flag) = 0;
    // The tip at the end of the class.
    virtual QString classEndTip() const = 0;
    // A user put on stage is pulled by the push stream id of the command, or as the pull manager knows him.
    virtual bool stageByPushId() const = 0;
    // The stream commands the panel reads its own way.
    virtual void readPanelMessage(const StreamMediaMessage &message) = 0;
    // A user enters or leaves the strip of automatically pulled users.
    virtual void showAutoChange(const QString &fromUserId, const QString &toUserId) = 0;
    // Called before a user picked by the lecturer is pulled.
    virtual void beforeLectPull() { }

    // The lecturer picks a user in the participant list: on stage, or off it when he is already; refused too
    // soon after the last accepted click, and before the class starts (with notStartedTip).
    void lectClick(const QString &userId, const QString &notStartedTip);
    // The stage command for the third user: another user's sub stream is pulled (by his push stream id, or as
    // the pull manager knows him), this user's own video takes the sub picture; repeated, warns warning.
    void startPullSubStream(const StreamMediaMessage &message, bool byPushId, const char *warning);
    // The third user leaves the stage.
    void stopPullSubStream(const QString &thirdUserId);
    // A pull the lecturer asked for: the user's camera button follows it, a success is told with successTip.
    void lectPullResult(bool result, const QString &userId, const QString &msg, const QString &successTip);
    // The own video leaves the sub picture, when it is there.
    void hidePushShow();
    void tip(const QString &text, uint seconds = tipSeconds);

    bool m_isLect;
    QString m_userId;
    PushStreamManager *m_pushStreamManager = nullptr;
    PullStreamManager *m_pullStreamManager = nullptr;
    VideoView3 *m_videoView3 = nullptr;
    GlobalEnum::PushStreamState m_pushStreamState = GlobalEnum::PSS0;
    // 1 while the default picture is shown, 0 while the class (the meeting) runs.
    int m_classState = 1;
    // The own video is in the sub picture: the lecturer put this user on stage.
    bool m_isPushShow = false;
    QElapsedTimer m_clickClock;
    int m_clickIntervalMs = clickIntervalMs;
};

#endif // PULLPUSHMEDIAVIEW_H
