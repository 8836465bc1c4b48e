#ifndef MEDIAVIEWWEBRTC_H
#define MEDIAVIEWWEBRTC_H

#include "vrek/media/control/lstreammediamanager.h"
#include "vrek/media/control/mediamanagerinfo.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/userinfo/userinfo.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

class QHBoxLayout;
class QPushButton;
class QSlider;
class SoundControl;
class TitleView;
class VideoShowWebrtc;
class VideoViewFull;

// The media panel of the WebRTC class modes (class types 0-4 and 8). It owns the WebRTC-mode stream controller and
// shows its one video (the teacher's stream, the child's for a parent, the room while a student is on stage),
// the role's main button (the teacher starts and ends the class, a parent starts and stops watching the child,
// a student has none), the microphone and speaker controls and a full-screen window. The class window reaches it
// through MediaViewInterface and relays the participant list's events through it.
class MediaViewWebrtc : public QWidget, public MediaViewInterface
{
    Q_OBJECT
public:
    enum UserState : int {
        TeacherIdle = 0,
        TeacherStarting = 1,
        TeacherInClass = 2,
        TeacherEnding = 3,
        StudentIdle = 100,
        StudentWatching = 101, // the teacher's stream plays
        ParentIdle = 200,
        ParentInClass = 201, // class on, the child not watched
        ParentWatching = 202,
        ParentPreparing = 203,
        ParentLeaving = 204,
    };
    Q_ENUM(UserState)

    // Display times of tips, in seconds: results, normal states, and warnings (which the tip bar's 32-bit
    // millisecond timer keeps up until the next tip replaces them).
    static constexpr uint resultTipSeconds = 5;
    static constexpr uint normalTipSeconds = PanelAudioDevice::normalTipSeconds;
    static constexpr uint warningTipSeconds = PanelAudioDevice::warningTipSeconds;
    // Frame flags of the full-screen window: no minimise or maximise button, fixed size.
    static constexpr int fullTitleFlags = 70;

    MediaViewWebrtc(const unsigned int fullHeight, QWidget *parent = nullptr);
    ~MediaViewWebrtc() override;

    // MediaViewInterface
    void initialLater() override;
    GlobalEnum::PushStreamState getPushStreamState() override;
    void stopAllPullStream() override;
    void stopPullStream(const QString &userId) override;
    PushStreamInterface *getPushStreamInterface() override;
    void sendLateState(const QString &userId) const override;
    bool stopPushStreamLect() override;
    bool stopPushStreamListener() override;
    void lectOnline(const QString &userId) override;

    int identity() const { return m_identity; }
    UserState userState() const { return m_userState; }
    bool isVideoOn() const { return m_videoOn; }
    bool isClassStarted() const { return m_classStarted; }
    LStreamMediaManager *manager() const { return m_manager; }
    VideoShowWebrtc *smallVideo() const { return m_smallVideo; }
    // The full-screen video widget; null until full screen was first asked for.
    VideoShowWebrtc *fullVideo() const { return m_fullShow; }
    VideoShowWebrtc *currentVideo() const { return m_currentVideo; }
    VideoViewFull *videoViewFull() const { return m_videoFull; }
    TitleView *fullTitle() const { return m_fullTitle; }

signals:
    void sendMessageBoxTipOut(QString text, uint seconds);
    void sendUserListCamState(QString userId, bool on);
    void sendResetAllCamState();
    void sendFullScreen();
    void sendHind();
    void signalUserOnline(QString userId);
    void signalUserOffline(QString userId);
    void signalRelativeOnline(QString accountId);
    void signalRelativeOffline(QString accountId);
    void signalClassBeginOrEnd(bool begin);
    void signalUserStateChange(MediaViewWebrtc::UserState state);
    void signalRecordRequest(bool start);
    void signalUserAVClose(QString userId);

public slots:
    void onStream(QImage image);
    void onStartPullStream(QString userId);
    void userOnline(QString userId);
    void userOffline(QString userId);
    void on_micBtn_clicked();
    void on_spkBtn_clicked();
    void on_fullScreen_clicked();
    void on_micSlider_sliderMoved(int position);
    void on_spkSlider_sliderMoved(int position);
    void onFullVideoHide();
    void onSlotStudentStartClass();
    void onSlotStudentEndClass();
    void slotRelativeInfoOnline(UserInfo userInfo);
    void slotRelativeInfoOffline(UserInfo userInfo);
    void slotRecordSuccess();
    void slotRecordFail(int errorType);
    void onSlotRecordEnd();
    void slotMediaManagerInfo(MediaManagerInfo info);
    void slotStartOpenClicked();
    void slotInteractRequestResult(QString userId, LStreamMediaManager::InteractResult result);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    void audioInitial();
    void managerInitial();
    void fullInitial(unsigned int h);
    void uiInit();
    void setUserState(int state);
    // The button of a state as the table gives it; false for a state without one.
    bool applyStateButton(int state);
    void setVideoOn(bool on);
    void showTip(const QString &text, uint seconds);
    void audioButtonClicked(PanelAudioDevice &device);
    void audioSliderMoved(PanelAudioDevice &device, int position);

    void teacherStartOpenClicked();
    void parentStartOpenClicked();
    void teacherManagerInfo(const MediaManagerInfo &info);
    void studentManagerInfo(const MediaManagerInfo &info);
    void parentManagerInfo(const MediaManagerInfo &info);

    // The form.
    QHBoxLayout *m_videoLayout = nullptr; // vlay_video
    QWidget *m_toolWidget = nullptr;
    QPushButton *m_startOpen = nullptr;
    QPushButton *m_micBtn = nullptr;
    QSlider *m_micSlider = nullptr;
    QPushButton *m_spkBtn = nullptr;
    QSlider *m_spkSlider = nullptr;
    QPushButton *m_fullScreen = nullptr;

    std::unique_ptr<SoundControl> m_sound;
    std::unique_ptr<PanelAudioDevice> m_microphone;
    std::unique_ptr<PanelAudioDevice> m_speaker;
    LStreamMediaManager *m_manager = nullptr;
    VideoViewFull *m_videoFull = nullptr;
    TitleView *m_fullTitle = nullptr; // owns m_videoFull and what it holds
    VideoShowWebrtc *m_smallVideo = nullptr;
    // Made at the first full-screen click and kept for the later ones.
    VideoShowWebrtc *m_fullShow = nullptr;
    VideoShowWebrtc *m_currentVideo = nullptr;

    bool m_classStarted = false;
    bool m_videoOn = true;
    bool m_isLect;
    QString m_userId;
    int m_identity = LStreamMediaManager::NoIdentity;
    UserState m_userState = TeacherIdle;
};

Q_DECLARE_METATYPE(MediaViewWebrtc::UserState)

#endif // MEDIAVIEWWEBRTC_H
