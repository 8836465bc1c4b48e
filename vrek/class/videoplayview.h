#ifndef VIDEOPLAYVIEW_H
#define VIDEOPLAYVIEW_H

#include "platform/vlcplayer/vlcplayer.h"

#include <QString>
#include <QWidget>

class MediaSlider;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSlider;
class QSpacerItem;
class QToolBox;
class QVBoxLayout;
class VlcVideoWidget;

// The recorded-lesson player: the getVideoUrl reply becomes its list of videos and the first one plays at once.
// Around the picture: the time row with its seek slider, the play and step buttons, the volume and the (hidden)
// list. Closing it stops the video, empties the list and tells the owner, which shows the course list again.
class VideoPlayView : public QWidget
{
    Q_OBJECT
public:
    // The volume slider's value times this is the output volume (25 plays the media as loud as it is).
    static constexpr double volumeStep = 0.04;
    static constexpr int defaultVolume = 25;

    explicit VideoPlayView(QWidget *parent = nullptr);
    ~VideoPlayView() override;

    VlcPlayer *player() const { return m_player; }
    VlcVideoWidget *renderer() const { return m_renderer; }
    MediaSlider *progressSlider() const { return m_progressSlider; }
    QSlider *volumeSlider() const { return m_volumeSlider; }
    QPushButton *playButton() const { return m_playOrStopBtn; }
    QLabel *currentTimeLabel() const { return m_currentTimeLabel; }
    QLabel *lengthLabel() const { return m_lengthLabel; }
    QVBoxLayout *playListLayout() const { return m_playListLayout; }
    QString url() const { return m_url; }
    bool isEnded() const { return m_ended; }

    // A time in ms as the labels show it: a time of day from 00:00:00, so that a day wraps.
    static QString timeText(qint64 ms);

signals:
    void signalAddList(QString playId, QString title, QString videoUrl);
    void signalClose();
    // The session has expired: the application's relogin view starts a relogin with the stored account.
    void signalReLoginOut();

public slots:
    void slotGetVideoLists(const QString &reply);
    void slotRestoreOrMaxsize(const bool &maximized);
    void onOpenFile(const QString &url);
    void playOrPause(bool checked);
    void seek(int value);
    void seek();
    void setVolume();
    void onSeekFinished(qint64 position);
    void onPositionChange(qint64 position);
    void onLengthChange(qint64 length);
    void onSeekableChange(bool seekable);
    void onPaused(bool paused);
    void onStartPlay();
    void onStopPlay();
    void onEndPlay();
    void onMediaStatusChanged(VlcPlayer::State state);
    void handleError(const QString &message);
    void onSetListVisiable(bool shown);
    void onSetFullScreen(bool shown);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildForm();
    void initial();

    // The form.
    QVBoxLayout *m_centorLayout = nullptr;
    QHBoxLayout *m_mainLayout = nullptr;
    QWidget *m_videoArea = nullptr;
    QVBoxLayout *m_videoLayout = nullptr;
    QToolBox *m_toolBox = nullptr;
    QWidget *m_playList = nullptr;
    QWidget *m_timeWidget = nullptr;
    QHBoxLayout *m_timeLayout = nullptr;
    QWidget *m_toolWidget = nullptr;
    QHBoxLayout *m_toolLayout = nullptr;
    QSpacerItem *m_firstSpacer = nullptr;
    QWidget *m_horizontalWidget = nullptr;
    QPushButton *m_forwardBtn = nullptr;
    QPushButton *m_playOrStopBtn = nullptr;
    QPushButton *m_backwardBtn = nullptr;
    QPushButton *m_speakBtn = nullptr;
    QSlider *m_volumeSlider = nullptr;
    QPushButton *m_displayBtn = nullptr;

    VlcPlayer *m_player = nullptr;
    VlcVideoWidget *m_renderer = nullptr;
    MediaSlider *m_progressSlider = nullptr;
    QLabel *m_currentTimeLabel = nullptr;
    QLabel *m_lengthLabel = nullptr;
    QVBoxLayout *m_playListLayout = nullptr;
    QString m_url;
    bool m_ended = false;
    // The player's last state: a play after a pause resumes, any other starts.
    VlcPlayer::State m_lastState = VlcPlayer::NoMedia;
};

#endif // VIDEOPLAYVIEW_H
