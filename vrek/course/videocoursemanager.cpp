#include "vrek/course/videocoursemanager.h"

#include "platform/vlcplayer/vlcvideowidget.h"
#include "vrek/container/filegraphsethash.h"
#include "vrek/course/courseislect.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/message/videocoursemessage.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStackedLayout>

namespace {
const QString forwardType = QStringLiteral("0");

enum VideoCommand : quint32 {
    OpenVideo = 0,
    VideoState = 1,
};

// The time table holds no negative times: a seek before the start is kept as the start.
quint32 storedTime(qint64 ms)
{
    return quint32(qBound<qint64>(0, ms, std::numeric_limits<quint32>::max()));
}

// To the whole class, or to one user.
void forward(const QString &userId, const VideoCourseMessage &message)
{
    QString text;
    if (!TSProtocolAnalysis::sendVideoCourseMessage(message, text))
        return;
    if (!g_socketClientManager) {
        qWarning() << "no classroom connection! msg:" << text;
        return;
    }
    if (userId.isEmpty())
        g_socketClientManager->sendServerForwardSchoolClass(forwardType, text);
    else
        g_socketClientManager->sendServerForwardPersonal(userId, forwardType, text);
}
} // namespace

VideoCourseManager::VideoCourseManager(QStackedLayout *stackedLayout, QObject *parent)
    : QObject(parent)
    , m_stackedLayout(stackedLayout)
    , m_fileGraphSetHash(new FileGraphSetHash)
{
    libvlcInitial();
    if (!isPlayerValid())
        qCritical() << "VideoCourseManager::VideoCourseManager libvlcInitial failed!";
}

VideoCourseManager::~VideoCourseManager()
{
    qInfo() << "";
    // No report of the player comes after it is gone.
    libvlcRelease();
    delete m_fileGraphSetHash;
}

bool VideoCourseManager::libvlcInitial()
{
    qDebug() << "VideoCourseManager::libvlcInitial";
    m_player = new VlcPlayer(this);
    connect(m_player, &VlcPlayer::stateChanged, this, &VideoCourseManager::onPlayerStateChanged);
    connect(m_player, &VlcPlayer::positionChanged, this, &VideoCourseManager::onPlayerPositionChanged);
    connect(m_player, &VlcPlayer::positionChanged, this, &VideoCourseManager::signalMediaPlayerTimeChanged);
    connect(m_player, &VlcPlayer::lengthChanged, this, &VideoCourseManager::signalMediaPlayerLengthChanged);
    return true;
}

void VideoCourseManager::libvlcRelease()
{
    if (!m_player)
        return;
    if (m_player->isValid()) {
        qDebug() << "VideoCourseManager::libvlcRelease ";
        setVideoPlay(false);
    }
    m_player->disconnect(this);
    delete m_player;
    m_player = nullptr;
}

void VideoCourseManager::onPlayerStateChanged(VlcPlayer::State state)
{
    switch (state) {
    case VlcPlayer::Playing:
        emit signalMediaPlayerPlaying();
        break;
    case VlcPlayer::Paused:
        emit signalMediaPlayerPaused();
        break;
    case VlcPlayer::Ended:
        m_pauseAfter = -1;
        emit signalMediaPlayerEndReached();
        break;
    default:
        break;
    }
}

void VideoCourseManager::onPlayerPositionChanged(qint64 ms)
{
    if (m_pauseAfter < 0 || ms <= m_pauseAfter)
        return;
    m_pauseAfter = -1;
    if (m_isPause && isPlayerValid())
        m_player->setPaused(true);
}

QString VideoCourseManager::getVideoFilePath(const QString &fileIdAll) const
{
    // The id comes from the class: it must name one folder and nothing beside it.
    if (!ReceivedFilePath::isValidFileId(fileIdAll))
        return QString();
    const QDir folder("./" + ReceivedFilePath::fileFolder(g_userId, fileIdAll));
    const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::NoSort);
    if (entries.isEmpty())
        return QString();
    return entries.first().absoluteFilePath();
}

bool VideoCourseManager::openVideoFile(const QString &fileIdAll, GlobalEnum::PPMFromType from)
{
    m_fileIdAll = fileIdAll;
    QString path = getVideoFilePath(fileIdAll);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        qWarning() << "file not exists!"
                   << "fia:" << fileIdAll;
        return false;
    }
    if (!isPlayerValid()) {
        qCritical() << "VideoCourseManager::openVideoFile libvlc is not initialised! fia:" << fileIdAll;
        return false;
    }
    path = QDir::toNativeSeparators(path);
    m_fileGraphSetHash->insertPageGraphSetList(1, fileIdAll);
    m_time = m_fileGraphSetHash->selectTimeId(fileIdAll);
    m_isPause = m_fileGraphSetHash->selectIsPause(fileIdAll);
    sendToClass(stateMessage(OpenVideo, 0), from);
    m_ready = false;
    m_pauseAfter = -1;
    // A new media ends what played before.
    if (m_videoWidget)
        m_player->stop();
    m_mediaPath = path;
    setVideoPlay(true);
    return true;
}

bool VideoCourseManager::setVideoPlay(bool play)
{
    if (play && !m_videoWidget) {
        m_videoWidget = new VlcVideoWidget(m_player);
        m_videoWidget->setObjectName("videoCourseWidget");
        if (m_stackedLayout)
            m_stackedLayout->addWidget(m_videoWidget);
        if (isPlayerValid())
            m_player->play(m_mediaPath);
        m_isPause = false;
    } else if (!play && m_videoWidget) {
        if (m_stackedLayout)
            m_stackedLayout->removeWidget(m_videoWidget);
        delete m_videoWidget;
        m_videoWidget = nullptr;
        if (isPlayerValid())
            m_player->stop();
    } else {
        qWarning() << "play or stop error b:" << play << "videoWidget:" << m_videoWidget;
    }
    return true;
}

bool VideoCourseManager::setVideoPause(bool pause, GlobalEnum::PPMFromType from)
{
    qDebug() << "isPause:" << m_isPause << "b:" << pause;
    if (pause == m_isPause) {
        // While the video loads, its stored state is what the open applies: a request that only matches the
        // reset state still counts there.
        if (!m_ready && !m_fileIdAll.isEmpty())
            m_fileGraphSetHash->setIsPause(m_fileIdAll, pause);
        return false;
    }
    m_isPause = pause;
    m_fileGraphSetHash->setIsPause(m_fileIdAll, pause);
    sendToClass(stateMessage(VideoState, quint32(m_length)), from);
    if (m_ready && isPlayerValid())
        m_player->setPaused(pause);
    return true;
}

bool VideoCourseManager::setVideoRealTime(int ms, GlobalEnum::PPMFromType from)
{
    qint64 time = ms;
    if (time > m_length)
        time = m_length;
    if (time < 0)
        time = 0;
    m_time = time;
    m_fileGraphSetHash->setTimeId(m_fileIdAll, storedTime(ms));
    sendToClass(stateMessage(VideoState, quint32(m_length)), from);
    if (m_ready) {
        if (isPlayerValid())
            m_player->seek(m_time);
        emit signalMediaPlayerTimeChanged();
    }
    return true;
}

void VideoCourseManager::initialVideoState()
{
    if (m_ready)
        return;
    m_time = m_fileGraphSetHash->selectTimeId(m_fileIdAll);
    m_isPause = m_fileGraphSetHash->selectIsPause(m_fileIdAll);
    // A pause right behind a seek at the start may leave libVLC paused at the start: a video opened paused is
    // paused once it has played on from where the seek took it.
    const qint64 target = m_time;
    const bool seeking = isPlayerValid() && m_player->seek(target);
    emit signalMediaPlayerTimeChanged();
    if (seeking && m_isPause)
        m_pauseAfter = target;
    else if (isPlayerValid())
        m_player->setPaused(m_isPause);
    m_ready = true;
}

int VideoCourseManager::getVideoTime()
{
    m_time = isPlayerValid() ? m_player->position() : 0;
    m_fileGraphSetHash->setTimeId(m_fileIdAll, storedTime(m_time));
    return int(storedTime(m_time));
}

int VideoCourseManager::getVideoLength()
{
    m_length = isPlayerValid() ? m_player->length() : 0;
    return int(quint32(m_length));
}

bool VideoCourseManager::stopVideo()
{
    return setVideoPlay(false);
}

bool VideoCourseManager::clearVideoState()
{
    m_fileGraphSetHash->clear();
    return true;
}

void VideoCourseManager::slotSendVideoLate(QString userId)
{
    sendToPerson(userId, stateMessage(OpenVideo, quint32(m_length)));
}

void VideoCourseManager::slotSetVideoState(QString fileIdAll, int ms, bool pause)
{
    m_fileGraphSetHash->setTimeId(fileIdAll, storedTime(ms));
    m_fileGraphSetHash->setIsPause(fileIdAll, pause);
}

VideoCourseMessage VideoCourseManager::stateMessage(quint32 type, quint32 length) const
{
    VideoCourseMessage message;
    message.setVcmType(type);
    message.setId(m_fileIdAll);
    message.setValue1(storedTime(m_time));
    message.setValue2(length);
    message.setFlag(m_isPause);
    return message;
}

void VideoCourseManager::sendToClass(const VideoCourseMessage &message, GlobalEnum::PPMFromType from)
{
    // Only the lecturer's own controls lead the class; what came from the server or the pad is not sent on.
    if (from == GlobalEnum::PPMLocal && courseIsLect)
        forward(QString(), message);
}

void VideoCourseManager::sendToPerson(const QString &userId, const VideoCourseMessage &message)
{
    if (userId.isEmpty())
        qWarning() << "the userId is empty!";
    else
        forward(userId, message);
}
