#ifndef VLCPLAYER_H
#define VLCPLAYER_H

#include <QImage>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <vector>

struct libvlc_event_t;
struct libvlc_media_player_t;
struct libvlc_media_t;

// One media player over libVLC: plays a file or an address, with pause, seek, volume, position and length, and
// hands its pictures over as images (VlcVideoWidget paints them), so it needs no native window and works
// offscreen. libVLC reports on threads of its own; those reports only emit, and reach this object's thread
// (the GUI thread) queued, where the state changes and the public signals are emitted.
//
//     VlcPlayer player;
//     VlcVideoWidget view(&player);
//     connect(&player, &VlcPlayer::stateChanged, ...);
//     player.play("/path/to/lesson.mp4");
class VlcPlayer : public QObject
{
    Q_OBJECT
public:
    enum State {
        NoMedia, // nothing played yet
        Loading, // a media is being opened
        Loaded, // the media opened; Playing follows at once
        Playing,
        Paused,
        Stopped, // by stop()
        Ended, // the media played to its end
        Error, // the media could not be opened or played; errorOccurred told why
    };
    Q_ENUM(State)

    // What one step of seekForward() / seekBackward() moves.
    static constexpr qint64 seekStepMs = 10000;

    explicit VlcPlayer(QObject *parent = nullptr);
    ~VlcPlayer() override;

    // False when libVLC could not be started: every call then fails or does nothing, and play() reports the
    // error.
    bool isValid() const { return m_player != nullptr; }

    // Stops what plays and plays the location: a file path, or an address ("http://...", "file:///...").
    bool play(const QString &location);
    // Resumes a paused media; plays a stopped or ended one again from its start.
    bool play();
    void stop();
    void setPaused(bool paused);
    // To a time in ms within the media (clamped to its length once that is known); false when nothing plays or
    // the media cannot seek. seekFinished follows with the position reached.
    bool seek(qint64 ms);
    bool seekForward() { return seek(position() + seekStepMs); }
    bool seekBackward() { return seek(qMax<qint64>(0, position() - seekStepMs)); }

    State state() const { return m_state; }
    QString location() const { return m_location; }
    // Position and length in ms; 0 while unknown.
    qint64 position() const;
    qint64 length() const;
    bool isSeekable() const;
    // 1.0 is the media's own loudness, 0 silence; up to 2.0.
    void setVolume(double volume);
    double volume() const { return m_volume; }
    QString errorString() const { return m_errorString; }

    // The last picture (RGB32), null before the first one.
    QImage currentImage() const;
    // Pictures received since the player was made.
    quint64 imageCount() const { return m_imageCount.load(); }

    // Tests: players made from now on fail to start libVLC, as on a machine without its plugins.
    static void setStartFailureForTests(bool fail);

signals:
    void stateChanged(VlcPlayer::State state);
    void positionChanged(qint64 ms);
    void lengthChanged(qint64 ms);
    void seekableChanged(bool seekable);
    void seekFinished(qint64 ms);
    // A new picture is in currentImage(); pictures that came faster than this thread took them are skipped.
    void imageChanged();
    void errorOccurred(const QString &message);

    // From libVLC's threads to this object's, queued.
    void vlcEventOut(int type, qint64 value, quint64 generation, QPrivateSignal);
    void imageReadyOut(QPrivateSignal);

private:
    void onVlcEvent(int type, qint64 value, quint64 generation);
    void onImageReady();
    void setState(State state);
    void fail(const QString &message);
    void applyVolume();
    // Ends what the player did; reports of it that are still on their way are dropped.
    void halt();
    // The picture size of the media's video track as the media tells it; empty while unknown.
    QSize visibleSize() const;

    static void eventCallback(const libvlc_event_t *event, void *opaque);
    static unsigned formatCallback(
        void **opaque, char *chroma, unsigned *width, unsigned *height, unsigned *pitches, unsigned *lines);
    static void cleanupCallback(void *opaque);
    static void *lockCallback(void *opaque, void **planes);
    static void displayCallback(void *opaque, void *picture);

    libvlc_media_player_t *m_player = nullptr;
    mutable QMutex m_mediaMutex;
    libvlc_media_t *m_media = nullptr;
    State m_state = NoMedia;
    QString m_location;
    QString m_errorString;
    double m_volume = 1.0;
    bool m_seekPending = false;
    // Sound and picture streams found in the playing media.
    int m_streamCount = 0;
    std::atomic<quint64> m_generation { 0 };

    // libVLC's picture thread writes the buffer; the image is handed over under the mutex.
    std::vector<uchar> m_buffer;
    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    mutable QMutex m_imageMutex;
    QImage m_image;
    std::atomic<quint64> m_imageCount { 0 };
    std::atomic<bool> m_imagePending { false };
};

#endif // VLCPLAYER_H
