#ifndef MEDIAVIEW3_H
#define MEDIAVIEW3_H

#include "vrek/media/mediaviewinterface.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/utils/globalenum.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

class DefaultView;
class PullStreamManager;
class PushStreamManager;
class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class VideoView3;
class VideoView4;

// The media panel of a meeting (class type 5). Everybody pushes his own camera and microphone and pulls the
// others: the host (the lecturer's side) starts and ends the meeting and picks whom to show beside himself;
// a participant starts pushing as he enters, follows the host's main picture and is put on stage by him. The
// panel drives its own pull and push managers from the classroom's stream messages and the server's table of
// push stream ids, and shows a strip of up to three automatically pulled users above a picture-in-picture view.
class MediaView3 : public QWidget, public MediaViewInterface
{
    Q_OBJECT
public:
    // Clicks in the participant list closer than this are refused.
    static constexpr int clickIntervalMs = 1000;
    static const char *const defaultPicturePath;
    // The strip shows up to this many automatically pulled users.
    static constexpr uint stripUsers = 3;

    explicit MediaView3(QWidget *parent = nullptr);
    ~MediaView3() override;

    // MediaViewInterface.
    void initialLater() override;
    GlobalEnum::PushStreamState getPushStreamState() override;
    void stopAllPullStream() override;
    void stopPullStream(const QString &userId) override;
    PushStreamInterface *getPushStreamInterface() override;
    void sendLateState(const QString &userId) const override;
    bool stopPushStreamLect() override;
    bool stopPushStreamListener() override;
    void lectOnline(const QString &userId) override;

    // Tests shorten the click spacing.
    void setClickInterval(int ms) { m_clickIntervalMs = ms; }
    // When the click clock last started (milliseconds of the monotonic clock).
    qint64 clickClockStart() const { return m_clickClock.msecsSinceReference(); }
    // The strip's and the main view's size on a screen whose available height is this.
    static QSize stripSize(int screenHeight);
    static QSize mainSize(int screenHeight);

    bool isLect() const { return m_isLect; }
    int classState() const { return m_classState; }
    bool isPushShow() const { return m_isPushShow; }
    PullStreamManager *pullStreamManager() const { return m_pullStreamManager; }
    PushStreamManager *pushStreamManager() const { return m_pushStreamManager; }
    VideoView3 *videoView3() const { return m_videoView3; }
    VideoView4 *videoView4() const { return m_videoView4; }
    DefaultView *defaultView() const { return m_defaultView; }
    QVBoxLayout *bottomLayout() const { return m_bottomLayout; }

signals:
    void classesBeginOrEndOut(bool showStart, bool enabled, QString text);
    void onCameraBtnChangedOut(QString userId, bool on);
    void setCameraBtnStateOut(QString userId, bool enabled);
    void messageBoxTipOut(QString text, uint seconds);
    void videoQualityChangedOut(GlobalEnum::VideoQualityType vqt, bool flag);

public slots:
    void readSocketMessageIn(StreamMediaMessage message);
    void readAddStreamIdIn(QString userId, QString streamId);
    void readDelStreamIdIn(QString userId);
    void readAllStreamIdIn(QHash<QString, QString> streamIds);
    void startPullStreamIn(QString userId);
    void userOnline(QString userId);
    void userOffline(QString userId);
    void startOpenIn();
    void showVideoImageIn(QString userId, QImage frame);
    void pushStreamResultIn(bool isFinish, bool result, QString msg);
    void pullStreamResultIn(bool isMain, bool result, QString userId, QString msg);
    void pullStreamChangeIn(QString fromUserId, QString toUserId, bool isAuto, bool isMain);
    void autoToManualIn(QString userId);
    void playAudioChangeIn(QString userId, bool flag);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Results are shown this long (seconds).
    static constexpr uint tipSeconds = 5;

    void buildForm();
    void initial();
    void strInitial();
    void pushInitial();
    void pullInitial();
    void uiInitial();
    void msgInitial();
    void sizeInitial();

    void setPushStreamState(int pss);
    void setStartClass(bool flag);
    void setDefaultImage(bool flag);
    void startPullSubStream(const StreamMediaMessage &message);
    void stopPullSubStream(const StreamMediaMessage &message);
    // The own video leaves the sub picture.
    void hidePushShow();
    void tip(const QString &text);

    QGridLayout *m_gridLayout = nullptr;
    QHBoxLayout *m_topLayout = nullptr;
    QVBoxLayout *m_bottomLayout = nullptr;
    DefaultView *m_defaultView = nullptr;
    VideoView3 *m_videoView3 = nullptr;
    VideoView4 *m_videoView4 = nullptr;
    QElapsedTimer m_clickClock;
    int m_clickIntervalMs = clickIntervalMs;
    bool m_isLect;
    QString m_userId;
    PushStreamManager *m_pushStreamManager = nullptr;
    PullStreamManager *m_pullStreamManager = nullptr;
    GlobalEnum::PushStreamState m_pushStreamState = GlobalEnum::PSS0;
    int m_classState = 1;
    bool m_isPushShow = false;
    QString m_startOpenTexts[4];
};

#endif // MEDIAVIEW3_H
