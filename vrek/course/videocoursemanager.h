#ifndef VIDEOCOURSEMANAGER_H
#define VIDEOCOURSEMANAGER_H

#include "platform/vlcplayer/vlcplayer.h"
#include "vrek/utils/globalenum.h"

#include <QObject>
#include <QPointer>
#include <QString>

class FileGraphSetHash;
class QStackedLayout;
class QWidget;
class VideoCourseMessage;

// Plays the local copy of a shared course video into the course video view and keeps the class in step with the
// lecturer: it remembers every video's last position and pause state, tells the class (on the lecturer's own
// controls) which video is open and each pause and seek, applies what the lecturer sent, and answers a late
// joiner. The player's pictures are painted by a widget that exists from play to stop, in the view's stacked
// layout. GUI thread only; the player's reports arrive queued.
class VideoCourseManager : public QObject
{
    Q_OBJECT
public:
    explicit VideoCourseManager(QStackedLayout *stackedLayout, QObject *parent = nullptr);
    ~VideoCourseManager() override;

    bool libvlcInitial();
    void libvlcRelease();

    // True when the file was found and started; its stored position and pause state follow on the first
    // Playing or Paused report.
    bool openVideoFile(const QString &fileIdAll, GlobalEnum::PPMFromType from);
    bool setVideoPlay(bool play);
    // False when the state does not change: then nothing is stored, sent or applied.
    bool setVideoPause(bool pause, GlobalEnum::PPMFromType from);
    bool setVideoRealTime(int ms, GlobalEnum::PPMFromType from);
    void initialVideoState();
    int getVideoTime();
    int getVideoLength();
    // The first file of the video's folder under the user's received files; "" when there is none.
    QString getVideoFilePath(const QString &fileIdAll) const;
    bool stopVideo();
    bool clearVideoState();

    VlcPlayer *player() const { return m_player; }
    QWidget *videoWidget() const { return m_videoWidget; }
    QString currentFileIdAll() const { return m_fileIdAll; }
    bool isPause() const { return m_isPause; }
    bool isReady() const { return m_ready; }
    qint64 time() const { return m_time; }
    qint64 length() const { return m_length; }
    const FileGraphSetHash &fileState() const { return *m_fileGraphSetHash; }

signals:
    void signalMediaPlayerTimeChanged();
    void signalMediaPlayerPlaying();
    void signalMediaPlayerPaused();
    void signalMediaPlayerEndReached();
    void signalMediaPlayerLengthChanged();

public slots:
    void slotSendVideoLate(QString userId);
    void slotSetVideoState(QString fileIdAll, int ms, bool pause);

private:
    void onPlayerStateChanged(VlcPlayer::State state);
    void onPlayerPositionChanged(qint64 ms);
    VideoCourseMessage stateMessage(quint32 type, quint32 length) const;
    // To the class only when this is the lecturer's own control.
    void sendToClass(const VideoCourseMessage &message, GlobalEnum::PPMFromType from);
    void sendToPerson(const QString &userId, const VideoCourseMessage &message);
    bool isPlayerValid() const { return m_player && m_player->isValid(); }

    QPointer<QStackedLayout> m_stackedLayout;
    VlcPlayer *m_player = nullptr;
    QWidget *m_videoWidget = nullptr;
    // The media that play starts: set by an open, played again after a stop.
    QString m_mediaPath;
    qint64 m_time = 0;
    qint64 m_length = 0;
    bool m_isPause = false;
    bool m_ready = false;
    // A video opened paused plays until the player reports a time past this, then pauses: -1 when nothing waits.
    qint64 m_pauseAfter = -1;
    QString m_fileIdAll;
    FileGraphSetHash *m_fileGraphSetHash;
};

#endif // VIDEOCOURSEMANAGER_H
