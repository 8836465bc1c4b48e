#include "platform/vlcplayer/vlcplayer.h"

#include <QDebug>
#include <QFile>
#include <QSet>
#include <QUrl>

#include <vlc/vlc.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {
// Larger pictures than this are refused rather than given memory.
constexpr unsigned largestSide = 8192;

const libvlc_event_e playerEvents[] = {
    libvlc_MediaPlayerOpening,
    libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,
    libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError,
    libvlc_MediaPlayerTimeChanged,
    libvlc_MediaPlayerLengthChanged,
    libvlc_MediaPlayerSeekableChanged,
    libvlc_MediaPlayerESAdded,
};

// One libVLC for the whole program: starting it reads the plugin cache, which is worth doing once.
QMutex instanceMutex;
libvlc_instance_t *sharedInstance = nullptr;
int instanceUsers = 0;
bool startFailsForTests = false;

// libVLC repeats some errors for every block of a media (a machine without a sound device fails to make its
// sound output for each one): each text is logged once, and only so many texts at all.
constexpr int loggedErrorLimit = 100;
QMutex logMutex;
QSet<QByteArray> loggedErrors;

void logCallback(void *, int level, const libvlc_log_t *, const char *format, va_list arguments)
{
    if (level < LIBVLC_ERROR)
        return;
    char text[512];
    vsnprintf(text, sizeof text, format, arguments);
    QMutexLocker locker(&logMutex);
    if (loggedErrors.size() > loggedErrorLimit || loggedErrors.contains(text))
        return;
    loggedErrors.insert(text);
    if (loggedErrors.size() > loggedErrorLimit)
        qWarning() << "libvlc: further errors are not logged";
    else
        qWarning() << "libvlc:" << text;
}

libvlc_instance_t *acquireInstance()
{
    QMutexLocker locker(&instanceMutex);
    if (startFailsForTests)
        return nullptr;
    if (!sharedInstance) {
        // Pictures go to our callbacks: no window system, no titles drawn into the picture.
        const char *const arguments[] = { "--no-xlib", "--no-video-title-show", "--no-snapshot-preview", "--no-stats",
            "--no-sub-autodetect-file", "--quiet" };
        sharedInstance = libvlc_new(int(sizeof arguments / sizeof *arguments), arguments);
        if (!sharedInstance)
            return nullptr;
        libvlc_log_set(sharedInstance, &logCallback, nullptr);
    }
    ++instanceUsers;
    return sharedInstance;
}

void releaseInstance()
{
    QMutexLocker locker(&instanceMutex);
    if (--instanceUsers == 0) {
        libvlc_release(sharedInstance);
        sharedInstance = nullptr;
    }
}

bool isAddress(const QString &location)
{
    // "C:/..." or a relative path is no address; a scheme is at least two letters.
    const QUrl url(location);
    return url.isValid() && url.scheme().size() > 1;
}
} // namespace

VlcPlayer::VlcPlayer(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<VlcPlayer::State>();
    connect(this, &VlcPlayer::vlcEventOut, this, &VlcPlayer::onVlcEvent, Qt::QueuedConnection);
    connect(this, &VlcPlayer::imageReadyOut, this, &VlcPlayer::onImageReady, Qt::QueuedConnection);
    libvlc_instance_t *instance = acquireInstance();
    if (!instance) {
        qCritical() << "libVLC could not be started";
        return;
    }
    m_player = libvlc_media_player_new(instance);
    if (!m_player) {
        qCritical() << "libVLC could not make a media player";
        releaseInstance();
        return;
    }
    libvlc_video_set_callbacks(m_player, &lockCallback, nullptr, &displayCallback, this);
    libvlc_video_set_format_callbacks(m_player, &formatCallback, &cleanupCallback);
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (libvlc_event_e type : playerEvents)
        libvlc_event_attach(events, type, &eventCallback, this);
}

VlcPlayer::~VlcPlayer()
{
    if (!m_player)
        return;
    // Once detached no report is under way (libVLC holds its lock while it reports), and once stopped no
    // picture is.
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (libvlc_event_e type : playerEvents)
        libvlc_event_detach(events, type, &eventCallback, this);
    libvlc_media_player_stop(m_player);
    libvlc_media_player_release(m_player);
    if (m_media)
        libvlc_media_release(m_media);
    releaseInstance();
}

QSize VlcPlayer::visibleSize() const
{
    QMutexLocker locker(&m_mediaMutex);
    QSize size;
    if (!m_media)
        return size;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(m_media, &tracks);
    for (unsigned i = 0; i < count && size.isEmpty(); ++i) {
        if (tracks[i]->i_type == libvlc_track_video && tracks[i]->video)
            size = QSize(int(tracks[i]->video->i_width), int(tracks[i]->video->i_height));
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    return size;
}

void VlcPlayer::setStartFailureForTests(bool fail)
{
    QMutexLocker locker(&instanceMutex);
    startFailsForTests = fail;
}

void VlcPlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void VlcPlayer::fail(const QString &message)
{
    qWarning() << message;
    m_errorString = message;
    setState(Error);
    emit errorOccurred(message);
}

void VlcPlayer::halt()
{
    libvlc_media_player_stop(m_player);
    ++m_generation;
    m_seekPending = false;
}

bool VlcPlayer::play(const QString &location)
{
    m_location = location;
    m_errorString.clear();
    if (!m_player) {
        fail(QStringLiteral("libVLC is not available to play %1").arg(location));
        return false;
    }
    halt();
    libvlc_instance_t *instance = sharedInstance;
    libvlc_media_t *media = isAddress(location)
        ? libvlc_media_new_location(instance, location.toUtf8().constData())
        : libvlc_media_new_path(instance, QFile::encodeName(location).constData());
    if (!media) {
        fail(QStringLiteral("cannot open %1").arg(location));
        return false;
    }
    libvlc_media_player_set_media(m_player, media);
    {
        // Kept for the picture thread, which must not ask the player (its lock may be held by a stop
        // waiting for that very thread).
        QMutexLocker locker(&m_mediaMutex);
        if (m_media)
            libvlc_media_release(m_media);
        m_media = media;
    }
    return play();
}

bool VlcPlayer::play()
{
    if (!m_player || m_location.isEmpty())
        return false;
    if (m_state == Paused) {
        libvlc_media_player_set_pause(m_player, 0);
        return true;
    }
    if (m_state == Playing || m_state == Loading || m_state == Loaded)
        return true;
    // An ended or failed media keeps its finished input until stopped.
    if (m_state == Ended || m_state == Error || m_state == Stopped)
        halt();
    setState(Loading);
    m_streamCount = 0;
    if (libvlc_media_player_play(m_player) != 0) {
        fail(QStringLiteral("cannot play %1").arg(m_location));
        return false;
    }
    return true;
}

void VlcPlayer::stop()
{
    if (!m_player || m_state == NoMedia || m_state == Stopped)
        return;
    halt();
    setState(Stopped);
}

void VlcPlayer::setPaused(bool paused)
{
    if (!m_player)
        return;
    if (paused && (m_state == Playing || m_state == Loaded || m_state == Loading))
        libvlc_media_player_set_pause(m_player, 1);
    else if (!paused && m_state == Paused)
        libvlc_media_player_set_pause(m_player, 0);
}

bool VlcPlayer::seek(qint64 ms)
{
    if (!m_player || !(m_state == Playing || m_state == Paused) || !isSeekable())
        return false;
    const qint64 end = length();
    const qint64 target = qBound<qint64>(0, ms, end > 0 ? end : ms);
    libvlc_media_player_set_time(m_player, target);
    m_seekPending = true;
    return true;
}

qint64 VlcPlayer::position() const
{
    return m_player ? qMax<qint64>(0, libvlc_media_player_get_time(m_player)) : 0;
}

qint64 VlcPlayer::length() const
{
    return m_player ? qMax<qint64>(0, libvlc_media_player_get_length(m_player)) : 0;
}

bool VlcPlayer::isSeekable() const
{
    return m_player && libvlc_media_player_is_seekable(m_player) != 0;
}

void VlcPlayer::setVolume(double volume)
{
    m_volume = qBound(0.0, volume, 2.0);
    applyVolume();
}

void VlcPlayer::applyVolume()
{
    // The sound output may come only with the media; it is set again then.
    if (m_player)
        libvlc_audio_set_volume(m_player, int(std::lround(m_volume * 100)));
}

QImage VlcPlayer::currentImage() const
{
    QMutexLocker locker(&m_imageMutex);
    return m_image;
}

void VlcPlayer::onVlcEvent(int type, qint64 value, quint64 generation)
{
    if (generation != m_generation.load())
        return;
    switch (type) {
    case libvlc_MediaPlayerOpening:
        setState(Loading);
        break;
    case libvlc_MediaPlayerPlaying:
        if (m_state == Loading)
            setState(Loaded);
        applyVolume();
        setState(Playing);
        break;
    case libvlc_MediaPlayerPaused:
        setState(Paused);
        break;
    case libvlc_MediaPlayerStopped:
        // A stop of our own is told by stop(); this one came from libVLC.
        if (m_state != Ended && m_state != Error)
            setState(Stopped);
        break;
    case libvlc_MediaPlayerEndReached:
        // What ends without a single sound or picture stream was no media libVLC could read.
        if (m_streamCount == 0)
            fail(QStringLiteral("no sound or picture in %1").arg(m_location));
        else
            setState(Ended);
        break;
    case libvlc_MediaPlayerESAdded:
        ++m_streamCount;
        break;
    case libvlc_MediaPlayerEncounteredError:
        fail(QStringLiteral("cannot play %1").arg(m_location));
        break;
    case libvlc_MediaPlayerTimeChanged:
        emit positionChanged(value);
        if (m_seekPending) {
            m_seekPending = false;
            emit seekFinished(value);
        }
        break;
    case libvlc_MediaPlayerLengthChanged:
        emit lengthChanged(value);
        break;
    case libvlc_MediaPlayerSeekableChanged:
        emit seekableChanged(value != 0);
        break;
    default:
        break;
    }
}

void VlcPlayer::eventCallback(const libvlc_event_t *event, void *opaque)
{
    auto *self = static_cast<VlcPlayer *>(opaque);
    qint64 value = 0;
    switch (event->type) {
    case libvlc_MediaPlayerTimeChanged:
        value = event->u.media_player_time_changed.new_time;
        break;
    case libvlc_MediaPlayerLengthChanged:
        value = event->u.media_player_length_changed.new_length;
        break;
    case libvlc_MediaPlayerSeekableChanged:
        value = event->u.media_player_seekable_changed.new_seekable;
        break;
    default:
        break;
    }
    emit self->vlcEventOut(event->type, value, self->m_generation.load(), QPrivateSignal());
}

unsigned VlcPlayer::formatCallback(
    void **opaque, char *chroma, unsigned *width, unsigned *height, unsigned *pitches, unsigned *lines)
{
    auto *self = static_cast<VlcPlayer *>(*opaque);
    // The size given is the decoder's, rows of padding included; the picture is the media's visible part.
    const QSize visible = self->visibleSize();
    if (visible.width() > 0 && visible.height() > 0 && unsigned(visible.width()) <= *width
        && unsigned(visible.height()) <= *height) {
        *width = unsigned(visible.width());
        *height = unsigned(visible.height());
    }
    if (*width == 0 || *height == 0 || *width > largestSide || *height > largestSide)
        return 0;
    memcpy(chroma, "RV32", 4);
    // Rows and row counts in multiples of 32, as libVLC's converters like them.
    pitches[0] = (*width * 4 + 31) & ~31u;
    lines[0] = (*height + 31) & ~31u;
    self->m_width = int(*width);
    self->m_height = int(*height);
    self->m_pitch = int(pitches[0]);
    self->m_buffer.assign(size_t(pitches[0]) * lines[0], 0);
    return 1;
}

void VlcPlayer::cleanupCallback(void *opaque)
{
    auto *self = static_cast<VlcPlayer *>(opaque);
    std::vector<uchar>().swap(self->m_buffer);
}

void *VlcPlayer::lockCallback(void *opaque, void **planes)
{
    auto *self = static_cast<VlcPlayer *>(opaque);
    planes[0] = self->m_buffer.data();
    return nullptr;
}

void VlcPlayer::displayCallback(void *opaque, void *)
{
    auto *self = static_cast<VlcPlayer *>(opaque);
    // The buffer is written again for the next picture: the image takes a copy.
    const QImage image
        = QImage(self->m_buffer.data(), self->m_width, self->m_height, self->m_pitch, QImage::Format_RGB32).copy();
    {
        QMutexLocker locker(&self->m_imageMutex);
        self->m_image = image;
    }
    ++self->m_imageCount;
    if (!self->m_imagePending.exchange(true))
        emit self->imageReadyOut(QPrivateSignal());
}

void VlcPlayer::onImageReady()
{
    m_imagePending = false;
    emit imageChanged();
}
