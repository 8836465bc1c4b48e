#include "vrek/media/panels/mediaview3.h"

#include "vrek/media/panels/defaultview.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoview4.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

const char *const MediaView3::defaultPicturePath = ":/vrek/image/mediaview2/defaultmedia.png";

MediaView3::MediaView3(QWidget *parent)
    : PullPushMediaView(parent)
{
    qInfo() << "parent:" << parent;
    buildForm();
    initial();
    strInitial();
    streamInitial(stripUsers);
    uiInitial();
    msgInitial();
    sizeInitial();
}

MediaView3::~MediaView3()
{
    qInfo() << "pushStreamState:" << int(m_pushStreamState) << "classState:" << m_classState;
}

void MediaView3::buildForm()
{
    setObjectName("MediaView3");
    setWindowTitle("MediaView3");
    resize(573, 451);
    m_gridLayout = new QGridLayout(this);
    m_gridLayout->setObjectName("gridLayout");
    m_gridLayout->setSpacing(1);
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_topLayout = new QHBoxLayout();
    m_topLayout->setObjectName("topLayout");
    m_topLayout->setSpacing(0);
    m_bottomLayout = new QVBoxLayout();
    m_bottomLayout->setObjectName("bottomLayout");
    m_bottomLayout->setSpacing(0);
    m_gridLayout->addLayout(m_topLayout, 0, 0);
    m_gridLayout->addLayout(m_bottomLayout, 1, 0);
}

void MediaView3::initial()
{
    m_defaultView = new DefaultView(QString::fromLatin1(defaultPicturePath));
    m_bottomLayout->addWidget(m_defaultView);
    m_defaultView->show();
    m_classState = 1;
    m_isPushShow = false;
}

void MediaView3::strInitial()
{
    m_startOpenTexts[0] = QStringLiteral("开始会议");
    m_startOpenTexts[1] = QStringLiteral("正在启动");
    m_startOpenTexts[2] = QStringLiteral("结束会议");
    m_startOpenTexts[3] = QStringLiteral("结束会议");
}

void MediaView3::uiInitial()
{
    videoView3Initial();
    m_videoView4 = new VideoView4(this);
    connect(m_videoView4, &VideoView4::startPlayAudioOut, m_pullStreamManager, &PullStreamManager::startPlayAudioIn);
    connect(m_videoView4, &VideoView4::stopPlayAudioOut, m_pullStreamManager, &PullStreamManager::stopPlayAudioIn);
    m_topLayout->addWidget(m_videoView4);
    setPushStreamState(GlobalEnum::PSS0);
}

void MediaView3::msgInitial()
{
    SocketClientManager *socket = g_socketClientManager;
    if (!socket) {
        qWarning() << "no classroom connection, the meeting hears no stream message";
        return;
    }
    connect(socket, &SocketClientManager::readStreamMediaMessage, this, &MediaView3::readSocketMessageIn);
    connect(socket, &SocketClientManager::readAddStreamId, this, &MediaView3::readAddStreamIdIn);
    connect(socket, &SocketClientManager::readDelStreamId, this, &MediaView3::readDelStreamIdIn);
    connect(socket, &SocketClientManager::readAllStreamId, this, &MediaView3::readAllStreamIdIn);
    socket->sendRequestStreamIdToServer();
}

QSize MediaView3::stripSize(int screenHeight)
{
    const int unit = ((screenHeight * 5) / 6) / 4;
    return QSize(5 * unit, unit);
}

QSize MediaView3::mainSize(int screenHeight)
{
    const int unit = ((screenHeight * 5) / 6) / 4;
    return QSize(5 * unit, 3 * unit);
}

void MediaView3::sizeInitial()
{
    // From the screen that holds the panel, not from the panel's own size.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const int height = screen->availableGeometry().height();
    m_videoView4->setFixedSize(stripSize(height));
    m_videoView3->setFixedSize(mainSize(height));
    m_defaultView->setFixedSize(mainSize(height));
}

void MediaView3::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeInitial();
}

void MediaView3::initialLater()
{
    qInfo() << "isLect:" << m_isLect;
    if (m_isLect)
        return;
    setPushStreamState(GlobalEnum::PSS1);
    m_pushStreamManager->initialLater();
}

GlobalEnum::PushStreamState MediaView3::getPushStreamState()
{
    return m_pushStreamState;
}

void MediaView3::stopAllPullStream()
{
    qInfo() << "classState:" << m_classState;
    m_pullStreamManager->stopAllPullStreamIn();
    setDefaultImage(true);
}

void MediaView3::stopPullStream(const QString &userId)
{
    qInfo() << "uid:" << userId;
    m_pullStreamManager->stopPullStreamIn(userId);
}

PushStreamInterface *MediaView3::getPushStreamInterface()
{
    return m_pushStreamManager;
}

void MediaView3::sendLateState(const QString &userId) const
{
    qInfo() << "uid:" << userId;
    if (!m_isLect || m_classState != 0)
        return;
    m_pushStreamManager->sendLateState(userId);
    m_pullStreamManager->sendLateState(userId);
}

bool MediaView3::stopPushStreamLect()
{
    qInfo() << "classState:" << m_classState << "isLect:" << m_isLect;
    if (!m_isLect || m_classState != 0)
        return false;
    setPushStreamState(GlobalEnum::PSS3);
    return true;
}

bool MediaView3::stopPushStreamListener()
{
    qInfo() << "classState:" << m_classState << "isLect:" << m_isLect;
    if (m_isLect)
        return false;
    setPushStreamState(GlobalEnum::PSS3);
    return m_pushStreamManager->stopPushStreamListener();
}

void MediaView3::lectOnline(const QString &userId)
{
    qInfo() << "uid:" << userId;
    if (m_isLect)
        qWarning() << "isLect:" << m_isLect;
}

void MediaView3::setPushStreamState(int pss)
{
    qInfo() << "pss:" << pss;
    if (pss < GlobalEnum::PSS0 || pss > GlobalEnum::PSS3) {
        qWarning() << "the pss type unknown error! pss:" << pss;
        return;
    }
    m_pushStreamState = GlobalEnum::PushStreamState(pss);
    if (!m_isLect)
        return;
    switch (pss) {
    case GlobalEnum::PSS0:
        emit classesBeginOrEndOut(true, true, m_startOpenTexts[0]);
        break;
    case GlobalEnum::PSS1:
        emit classesBeginOrEndOut(false, false, m_startOpenTexts[1]);
        setStartClass(true);
        // The host's own video is the main picture.
        m_videoView3->showVideoChangeIn(QString(), m_userId, true);
        m_pushStreamManager->startPushStream();
        m_pushStreamManager->setShowPushVideo(true);
        break;
    case GlobalEnum::PSS2:
        emit classesBeginOrEndOut(false, true, m_startOpenTexts[2]);
        break;
    case GlobalEnum::PSS3:
        emit classesBeginOrEndOut(true, false, m_startOpenTexts[3]);
        m_pushStreamManager->setShowPushVideo(false);
        m_pushStreamManager->stopPushStreamLect();
        m_pullStreamManager->stopAllPullStreamIn();
        m_videoView3->showVideoChangeIn(m_userId, QString(), true);
        setDefaultImage(true);
        break;
    }
}

void MediaView3::startOpenIn()
{
    if (m_isLect && m_pushStreamState == GlobalEnum::PSS0) {
        setPushStreamState(GlobalEnum::PSS1);
        return;
    }
    if (m_isLect && m_pushStreamState == GlobalEnum::PSS2) {
        setPushStreamState(GlobalEnum::PSS3);
        return;
    }
    qWarning() << "pushStreamState:" << int(m_pushStreamState) << "isLect:" << m_isLect;
}

void MediaView3::readPanelMessage(const StreamMediaMessage &message)
{
    const QString from = message.getFromUserId();
    const QString streamId = message.getStreamId();
    switch (message.getSmmType()) {
    case StreamMediaMessage::ResponsePushStreamFail:
        if (from == m_userId) {
            qWarning() << "ResponsePushStreamFail "
                       << "fromUserId:" << from;
            return;
        }
        m_pullStreamManager->delPushStreamIdIn(from);
        return;
    case StreamMediaMessage::ResponsePushStreamId:
        if (from == m_userId || streamId.isEmpty()) {
            qWarning() << "ResponsePushStreamId "
                       << "fromUserId:" << from << "streamId:" << streamId;
            return;
        }
        m_pullStreamManager->addPushStreamIdIn(from, streamId);
        emit setCameraBtnStateOut(from, true);
        return;
    default:
        qWarning() << "the smmType unknown error! smmType:" << message.getSmmType();
        return;
    }
}

void MediaView3::readAddStreamIdIn(QString userId, QString streamId)
{
    qInfo() << "uid:" << userId << "sid:" << streamId;
    m_pullStreamManager->addPushStreamIdIn(userId, streamId);
    emit setCameraBtnStateOut(userId, true);
}

void MediaView3::readAllStreamIdIn(QHash<QString, QString> streamIds)
{
    for (auto it = streamIds.constBegin(); it != streamIds.constEnd(); ++it)
        readAddStreamIdIn(it.key(), it.value());
}

void MediaView3::readDelStreamIdIn(QString userId)
{
    qInfo() << "uid:" << userId;
    m_pullStreamManager->delPushStreamIdIn(userId);
}

void MediaView3::userOnline(QString userId)
{
    qInfo() << "uid:" << userId;
    if (userId != m_userId)
        emit setCameraBtnStateOut(userId, false);
}

void MediaView3::pullStreamResultIn(bool isMain, bool result, QString userId, QString msg)
{
    qInfo() << "isMain:" << isMain << "result:" << result << "uid:" << userId << "msg:" << msg;
    if (m_isLect) {
        lectPullResult(result, userId, msg, QStringLiteral("教师成功参会"));
        return;
    }
    if (!isMain)
        tip(msg);
    else if (result)
        tip(QStringLiteral("参会成功"));
    else if (!msg.isEmpty())
        tip(msg);
}

void MediaView3::startPullStreamIn(QString userId)
{
    lectClick(userId, QStringLiteral("请先开始会议"));
}

void MediaView3::showAutoChange(const QString &fromUserId, const QString &toUserId)
{
    m_videoView4->showVideoChangeIn(fromUserId, toUserId);
}

void MediaView3::autoToManualIn(QString userId)
{
    qInfo() << "uid:" << userId;
    m_videoView4->showVideoChangeIn(userId, QString());
    m_videoView3->showVideoChangeIn(QString(), userId, false);
}

void MediaView3::showVideoImageIn(QString userId, QImage frame)
{
    if (m_videoView3->containsUserId(userId))
        m_videoView3->showVideoImageIn(userId, frame);
    else if (m_videoView4->containsUserId(userId))
        m_videoView4->showVideoImageIn(userId, frame);
    else
        qWarning() << "uid:" << userId;
}

void MediaView3::setStartClass(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 0;
        m_videoView4->setDefaultStart();
        m_pullStreamManager->startAutoPullStreamIn();
    }
    m_bottomLayout->removeWidget(m_defaultView);
    m_bottomLayout->addWidget(m_videoView3);
    m_defaultView->hide();
    m_videoView3->show();
}

void MediaView3::setDefaultImage(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 1;
        m_isPushShow = false;
        m_pullStreamManager->stopAutoPullStreamIn();
        m_videoView4->setDefaultImage();
        m_videoView3->setDefaultImage();
    }
    m_bottomLayout->removeWidget(m_videoView3);
    m_bottomLayout->addWidget(m_defaultView);
    m_videoView3->hide();
    m_defaultView->show();
}
