#ifndef VIDEOCOURSEVIEW_H
#define VIDEOCOURSEVIEW_H

#include "vrek/utils/globalenum.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;
class QStackedLayout;
class VideoCourseManager;

// The page of the center view on which a shared course video plays: the file's name, the picture, the time
// row with its seek slider and the back, pause and forward buttons. The user's clicks are this client's own
// controls; the player's reports become labels and slider positions.
class VideoCourseView : public QWidget
{
    Q_OBJECT
public:
    // What the back and forward buttons move.
    static constexpr int seekStepMs = 15000;

    explicit VideoCourseView(QWidget *parent = nullptr);
    ~VideoCourseView() override;

    // On success the title shows fileName; a refused open keeps the title.
    bool openVideoFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from);
    void stopVideo();
    bool clearVideoState();
    // As this client's own control: on the lecturer's client the pause goes to the class.
    void setVideoPause(bool pause);
    void setControlEnabled(bool on);
    bool isControlEnabled() const { return m_controlEnabled; }

    // "hh:mm:ss", hours always shown.
    static QString timeToString(int ms);

    VideoCourseManager *manager() const { return m_manager; }
    QStackedLayout *stackedLayout() const { return m_stackedLayout; }

signals:
    void signalMaximizeButtonToggled(bool on);
    void signalVideoPause(bool pause, GlobalEnum::PPMFromType from);
    void signalVideoRealTime(int ms, GlobalEnum::PPMFromType from);
    void signalSetVideoState(QString fileIdAll, int ms, bool pause);
    void signalSendVideoLate(QString userId);

public slots:
    void onMediaPlayerTimeChanged();
    void onMediaPlayerPlaying();
    void onMediaPlayerPaused();
    void onMediaPlayerEndReached();
    void onMediaPlayerLengthChanged();
    void onVideoTimeHorizontalSliderPressed();
    void onVideoTimeHorizontalSliderMoved(int value);
    void onVideoTimeHorizontalSliderReleased();
    void onVideoControlBackButtonClicked();
    void onVideoControlForwardButtonClicked();
    void onVideoControlPauseButtonClicked();

private:
    void setupForm();
    void showPlayState(bool paused);

    QLabel *m_titleLabel = nullptr;
    QWidget *m_videoWidget = nullptr;
    QLabel *m_realTimeLabel = nullptr;
    QSlider *m_timeSlider = nullptr;
    QLabel *m_totalTimeLabel = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_pauseButton = nullptr;
    QPushButton *m_forwardButton = nullptr;
    QPushButton *m_maximizeButton = nullptr;

    VideoCourseManager *m_manager = nullptr;
    QStackedLayout *m_stackedLayout = nullptr;
    bool m_controlEnabled = true;
    bool m_isPaused = false;
    bool m_sliderHeld = false;
};

#endif // VIDEOCOURSEVIEW_H
