#ifndef MEDIAVIEW2_H
#define MEDIAVIEW2_H

#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/media/panels/pullpushmediaview.h"

#include <QPointer>

#include <memory>

class DefaultView;
class FirstReplyView;
class PullFRManager;
class QPushButton;
class QSlider;
class QVBoxLayout;
class SoundControl;
class TitleView;
class VideoView2;
class VideoViewFull;

// A classroom panel kept beside the meeting panel: the meeting's pull and push managers with the RTMP panel's
// button bar (start and end of class, microphone and speaker, full screen), a strip of automatically pulled
// users that may replace the picture-in-picture view, and first-reply rounds (the lecturer asks who answers
// first, and pulls whoever does). No class window builds it.
class MediaView2 : public PullPushMediaView
{
    Q_OBJECT
public:
    static constexpr int maxVolume = 80;
    // The height the panel is made for: the full-screen window's size follows it.
    static constexpr int panelHeight = 300;
    // The full-screen frame: no minimise or maximise button, fixed size.
    static constexpr int fullTitleFlags = 70;
    // The strip shows the own user and up to three pulled users.
    static constexpr uint stripUsers = 3;

    explicit MediaView2(QWidget *parent = nullptr);
    ~MediaView2() override;

    int pushStreamState() const { return int(m_pushStreamState); }
    bool isAutoVideo() const { return m_autoFlag; }
    bool isFirstReplyRunning() const { return m_firstReplyFlag; }
    bool isMicOn() const { return m_micOn; }
    bool isSpkOn() const { return m_spkOn; }
    PullFRManager *pullFRManager() const { return m_pullFRManager; }
    VideoView2 *videoView2() const { return m_videoView2; }
    FirstReplyView *firstReplyView() const { return m_firstReplyView; }
    VideoViewFull *videoViewFull() const { return m_videoFull; }
    TitleView *fullTitle() const { return m_fullTitle; }
    // What the picture area holds now.
    QWidget *pictureWidget() const;

public slots:
    void startPullStreamIn(QString userId);
    void userOnline(QString userId);
    void showVideoImageIn(QString userId, QImage frame) override;
    void pullStreamResultIn(bool isMain, bool result, QString userId, QString msg) override;
    void manualPullStreamNoneIn();
    void autoToManualIn(QString userId) override;
    void playAudioChangeIn(QString userId, bool flag) override;
    void sendPullFRStopIn(QString userId);
    void showFRStartIn();
    void showFRStopIn();
    void startOpenIn();
    void micValueChangedIn(int value);
    void spkValueChangedIn(int value);
    void openMicrophoneIn();
    void openSpeakerIn();
    void firstReplyClickedIn();
    void showFullVideoIn();
    void hideFullVideoIn();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void setPushStreamState(int pss) override;
    void setStartClass(bool flag) override;
    void setDefaultImage(bool flag) override;
    QString classEndTip() const override { return QStringLiteral("老师已下课"); }
    bool stageByPushId() const override { return true; }
    void readPanelMessage(const StreamMediaMessage &message) override;
    void showAutoChange(const QString &fromUserId, const QString &toUserId) override;
    // A user picked by hand is shown in the picture-in-picture view.
    void beforeLectPull() override { setAutoVideo(false); }

private:
    void buildForm();
    void initial();
    void strInitial();
    void audioInitial();
    void fullInitial();
    void streamInitial();
    void uiInitial();

    void setAutoVideo(bool flag);
    // Puts the default picture, the strip or the picture-in-picture view where classState, the automatic flag
    // and full screen say.
    void placeViews();
    // The own video into the picture the automatic flag chooses, or out of it.
    void showOwnVideo(bool shown);
    void setFirstReplyShown(bool shown);

    void showDeviceTip(const PanelAudioDevice::Tip &told);

    QVBoxLayout *m_topLayout = nullptr;
    QWidget *m_buttonWidget = nullptr;
    QPushButton *m_startOpen = nullptr;
    QPushButton *m_micBtn = nullptr;
    QSlider *m_micSlider = nullptr;
    QPushButton *m_spkBtn = nullptr;
    QSlider *m_spkSlider = nullptr;
    QPushButton *m_fullScreen = nullptr;
    QPushButton *m_firstReply = nullptr;

    std::unique_ptr<SoundControl> m_soundControl;
    std::unique_ptr<PanelAudioDevice> m_microphone;
    std::unique_ptr<PanelAudioDevice> m_speaker;
    bool m_micOn = false;
    bool m_spkOn = false;
    int m_micVolume = 0;
    int m_spkVolume = 0;
    bool m_isFullScreen = false;
    bool m_autoFlag = false;
    bool m_firstReplyFlag = false;
    QString m_startOpenTexts[4];

    DefaultView *m_defaultA = nullptr;
    QPointer<DefaultView> m_defaultB; // in the full-screen window then
    VideoViewFull *m_videoFull = nullptr; // owned by its frame
    TitleView *m_fullTitle = nullptr;
    VideoView2 *m_videoView2 = nullptr;
    FirstReplyView *m_firstReplyView = nullptr;
    PullFRManager *m_pullFRManager = nullptr;
};

#endif // MEDIAVIEW2_H
