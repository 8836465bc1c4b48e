#ifndef MEDIAVIEW_H
#define MEDIAVIEW_H

#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/utils/globalenum.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

class DefaultView;
class QHBoxLayout;
class QPushButton;
class QSlider;
class QVBoxLayout;
class SoundControl;
class StreamMediaManager;
class TitleView;
class VideoView;
class VideoViewFull;

// The media panel of the RTMP lessons (class types 6 and 7). It owns the RTMP stream controller and shows what it
// reports: the lecturer's video with one student on stage in a picture-in-picture view, result tips, and on the
// lecturer's side the start/stop-class button; it also carries the microphone and speaker controls and a
// full-screen window. A default picture stands where no class video plays (a second one in the full-screen
// window).
class MediaView : public QWidget, public MediaViewInterface
{
    Q_OBJECT
public:
    static constexpr uint resultTipSeconds = 5;
    static constexpr uint normalTipSeconds = PanelAudioDevice::normalTipSeconds;
    // Kept up by the tip bar until the next tip replaces it.
    static constexpr uint warningTipSeconds = PanelAudioDevice::warningTipSeconds;
    static constexpr int fullTitleFlags = 70;
    // The button bar's sizes for a panel this high: the bar a ninth of it, the start button three squares wide,
    // the other buttons square.
    static void sizeButtonBar(
        int panelHeight, QWidget *bar, QPushButton *startOpen, const QList<QPushButton *> &squares);
    static QString defaultPicture() { return QStringLiteral(":/vrek/image/mediaview/defaultmedia.png"); }

    MediaView(const unsigned int h, QWidget *parent = nullptr);
    ~MediaView() override;

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

    StreamMediaManager *manager() const { return m_manager; }
    VideoView *videoView() const { return m_videoView; }
    VideoViewFull *videoViewFull() const { return m_videoFull; }
    TitleView *fullTitle() const { return m_fullTitle; }
    DefaultView *defaultImage() const { return m_defaultA; }
    DefaultView *fullDefaultImage() const { return m_defaultB; }
    bool isMicOn() const { return m_micOn; }
    bool isSpkOn() const { return m_spkOn; }
    int micVolume() const { return m_micVolume; }
    int spkVolume() const { return m_spkVolume; }
    // 1 while the default picture is shown, 0 while class video is.
    int classState() const { return m_classState; }
    bool isFullScreen() const { return m_isFullScreen != 0; }

signals:
    void signalClassBeginOrEnd(bool begin);
    void signalIsClassStart(bool started);
    void onCameraBtnChangedOut(QString userId, bool on);
    void messageBoxTipOut(QString text, uint seconds);
    void videoQualityChangedOut(GlobalEnum::VideoQualityType vqt, bool flag);

public slots:
    void startPullStreamIn(QString userId);
    void showMainVideoImage(QImage frame);
    void showSubVideoImage(QImage frame);
    void pushStreamResultIn(bool isFinish, bool result, QString msg);
    void pullStreamResultIn(bool isLectFlag, bool result, QString uid, QString msg);
    void startOpenIn();
    void micValueChangedIn(int mv);
    void spkValueChangedIn(int sv);
    void openMicrophoneIn();
    void openSpeakerIn();
    void showFullVideoIn();
    void hideFullVideoIn();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    void initial();
    void strInitial();
    void audioInitial();
    void streamInitial();
    void fullInitial(unsigned int h);
    void uiInitial();
    void setPushStreamState(int pss);
    void setStartClass(bool flag);
    void setDefaultImage(bool flag);
    void placeInPictureArea(QWidget *widget);
    void showTip(const QString &text, uint seconds);
    void tipIfAny(const QString &text);
    QString userName(const QString &uid) const;
    void openDevice(PanelAudioDevice &device, bool &on, int &volume);
    void deviceValueChanged(PanelAudioDevice &device, bool &on, int &volume, int value);

    bool m_isLect;
    QString m_userId;
    std::unique_ptr<SoundControl> m_sound;
    std::unique_ptr<PanelAudioDevice> m_microphone;
    std::unique_ptr<PanelAudioDevice> m_speaker;
    QString m_startText;
    QString m_startingText;
    QString m_stopText;
    QString m_stoppingText;

    // The form.
    QVBoxLayout *m_topLayout = nullptr;
    QWidget *m_buttonWidget = nullptr;
    QPushButton *m_startOpen = nullptr;
    QPushButton *m_micBtn = nullptr;
    QSlider *m_micSlider = nullptr;
    QPushButton *m_spkBtn = nullptr;
    QSlider *m_spkSlider = nullptr;
    QPushButton *m_fullScreen = nullptr;

    DefaultView *m_defaultA = nullptr; // in the panel while no class video plays
    DefaultView *m_defaultB = nullptr; // in the full-screen window then
    VideoView *m_videoView = nullptr;
    VideoViewFull *m_videoFull = nullptr;
    TitleView *m_fullTitle = nullptr; // owns m_videoFull and what it hosts
    StreamMediaManager *m_manager = nullptr;

    bool m_micOn = false;
    bool m_spkOn = false;
    int m_micVolume = 0;
    int m_spkVolume = 0;
    GlobalEnum::PushStreamState m_pushStreamState = GlobalEnum::PSS0;
    int m_classState = 1;
    int m_isFullScreen = 0;
};

#endif // MEDIAVIEW_H
