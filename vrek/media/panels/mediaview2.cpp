#include "vrek/media/panels/mediaview2.h"

#include "platform/soundcontrol/soundcontrol.h"
#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/firstreplyview.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/control/pullfrmanager.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/media/control/streammediaforward.h"
#include "vrek/media/panels/videoview2.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoviewfull.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QVBoxLayout>

namespace {
const char *const styleSheetPath = ":/vrek/qss/mediaview2.qss";
const char *const defaultPicturePath = ":/vrek/image/mediaview2/defaultmedia.png";
// Stream command types of the first-reply rounds.
constexpr quint32 pullFirstReplyStop = 15;
} // namespace

MediaView2::MediaView2(QWidget *parent)
    : PullPushMediaView(parent)
    , m_soundControl(SoundControl::create())
{
    qInfo() << "parent:" << parent;
    buildForm();
    QFile style(QString::fromLatin1(styleSheetPath));
    if (style.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(style.readAll()));
    initial();
    strInitial();
    audioInitial();
    streamInitial();
    fullInitial();
    uiInitial();
}

MediaView2::~MediaView2()
{
    qInfo() << "pushStreamState:" << int(m_pushStreamState);
    // The frame is a window of its own and takes the full-screen window with what it hosts.
    delete m_fullTitle;
    delete m_defaultB;
}

void MediaView2::buildForm()
{
    setObjectName("MediaView2");
    setWindowTitle("MediaView2");
    resize(477, 300);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_topLayout = new QVBoxLayout();
    m_topLayout->setObjectName("topLayout");
    m_topLayout->setSpacing(0);
    m_buttonWidget = new QWidget(this);
    m_buttonWidget->setObjectName("buttonWidget");
    verticalLayout->addLayout(m_topLayout, 7);
    verticalLayout->addWidget(m_buttonWidget, 1);

    auto *buttons = new QHBoxLayout(m_buttonWidget);
    buttons->setObjectName("horizontalLayout");
    buttons->setSpacing(0);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto button = [this](const char *name, bool checkable) {
        auto *made = new QPushButton(m_buttonWidget);
        made->setObjectName(name);
        made->setCheckable(checkable);
        return made;
    };
    auto slider = [this](const char *name) {
        auto *made = new QSlider(Qt::Horizontal, m_buttonWidget);
        made->setObjectName(name);
        made->setRange(0, maxVolume);
        return made;
    };
    m_startOpen = button("startOpen", false);
    m_micBtn = button("micBtn", true);
    m_micSlider = slider("micSlider");
    m_spkBtn = button("spkBtn", true);
    m_spkSlider = slider("spkSlider");
    m_fullScreen = button("fullScreen", false);
    m_firstReply = button("firstReply", true);
    m_firstReply->setText(QStringLiteral("抢答"));
    buttons->addWidget(m_startOpen, 1);
    buttons->addWidget(m_micBtn);
    buttons->addWidget(m_micSlider, 1);
    buttons->addWidget(m_spkBtn);
    buttons->addWidget(m_spkSlider, 1);
    buttons->addWidget(m_fullScreen, 1);
    buttons->addWidget(m_firstReply, 1);
}

void MediaView2::initial()
{
    m_defaultA = new DefaultView(QString::fromLatin1(defaultPicturePath));
    m_topLayout->addWidget(m_defaultA);
    m_defaultB = new DefaultView(QString::fromLatin1(defaultPicturePath));
    m_defaultB->setParent(this);
    m_defaultB->hide();
    m_micOn = false;
    m_spkOn = false;
    m_micVolume = 0;
    m_spkVolume = 0;
    m_classState = 1;
    m_isFullScreen = false;
    m_isPushShow = false;
    m_autoFlag = false;
    m_firstReplyFlag = false;
}

void MediaView2::strInitial()
{
    m_startOpenTexts[0] = QStringLiteral("点击上课");
    m_startOpenTexts[1] = QStringLiteral("正在启动");
    m_startOpenTexts[2] = QStringLiteral("点击下课");
    m_startOpenTexts[3] = QStringLiteral("正在关闭");
}

void MediaView2::streamInitial()
{
    PullPushMediaView::streamInitial(stripUsers);
    connect(
        m_pullStreamManager, &PullStreamManager::manualPullStreamNoneOut, this, &MediaView2::manualPullStreamNoneIn);

    m_pullFRManager = new PullFRManager(this);
    connect(m_pullFRManager, &PullFRManager::sendPullFRStartOut, m_pullStreamManager,
        &PullStreamManager::sendPullFRStartIn);
    connect(m_pullFRManager, &PullFRManager::sendPullFRStopOut, this, &MediaView2::sendPullFRStopIn);
    connect(m_pullFRManager, &PullFRManager::showFRStartOut, this, &MediaView2::showFRStartIn);
    connect(m_pullFRManager, &PullFRManager::showFRStopOut, this, &MediaView2::showFRStopIn);

    if (SocketClientManager *socket = g_socketClientManager)
        connect(socket, &SocketClientManager::readStreamMediaMessage, this, &MediaView2::readSocketMessageIn);
}

void MediaView2::fullInitial()
{
    m_videoFull = new VideoViewFull(panelHeight);
    m_fullTitle = m_videoFull->makeFrame(fullTitleFlags);
    connect(m_fullScreen, &QPushButton::clicked, this, &MediaView2::showFullVideoIn);
    connect(m_fullTitle, &TitleView::signalClose, this, &MediaView2::hideFullVideoIn);
}

void MediaView2::uiInitial()
{
    if (m_isLect) {
        connect(m_startOpen, &QPushButton::clicked, this, &MediaView2::startOpenIn);
        connect(m_firstReply, &QPushButton::clicked, this, &MediaView2::firstReplyClickedIn);
    } else {
        m_startOpen->hide();
        m_firstReply->hide();
    }
    videoView3Initial();
    m_videoView2 = new VideoView2(this);
    m_videoView2->hide();
    connect(m_videoView2, &VideoView2::startPlayAudioOut, m_pullStreamManager, &PullStreamManager::startPlayAudioIn);
    connect(m_videoView2, &VideoView2::stopPlayAudioOut, m_pullStreamManager, &PullStreamManager::stopPlayAudioIn);
    m_firstReplyView = new FirstReplyView();
    m_firstReplyView->setParent(this, Qt::Tool);
    m_firstReplyView->hide();
    connect(m_firstReplyView, &FirstReplyView::sendResponseFRStartOut, m_pullFRManager,
        &PullFRManager::sendResponseFRStartIn);
    setPushStreamState(GlobalEnum::PSS0);
}

QWidget *MediaView2::pictureWidget() const
{
    return m_topLayout->count() > 0 ? m_topLayout->itemAt(0)->widget() : nullptr;
}

void MediaView2::placeViews()
{
    QWidget *video = m_autoFlag ? static_cast<QWidget *>(m_videoView2) : m_videoView3;
    QWidget *inArea = m_classState == 0 && !m_isFullScreen ? video : m_defaultA;
    // In full screen the full-screen window shows the video, or picture B before the class; the area keeps A.
    QWidget *inFull = nullptr;
    if (m_isFullScreen) {
        inFull = m_classState == 0 ? video : static_cast<QWidget *>(m_defaultB);
        if (m_videoFull->hostedWidget() != inFull)
            m_videoFull->setShow(inFull);
        inFull->show();
    }
    for (QWidget *widget : { static_cast<QWidget *>(m_defaultA), static_cast<QWidget *>(m_videoView2),
             static_cast<QWidget *>(m_videoView3), static_cast<QWidget *>(m_defaultB) }) {
        if (widget == inArea || widget == inFull)
            continue;
        m_topLayout->removeWidget(widget);
        widget->hide();
    }
    if (m_topLayout->indexOf(inArea) < 0)
        m_topLayout->addWidget(inArea);
    inArea->show();
}

void MediaView2::setPushStreamState(int pss)
{
    qInfo() << "pss:" << pss << "isLect:" << m_isLect;
    if (pss < GlobalEnum::PSS0 || pss > GlobalEnum::PSSStopped) {
        qWarning() << "MediaView2::setPushStreamState the pss type unkonwn error! pss:" << pss;
        return;
    }
    m_pushStreamState = GlobalEnum::PushStreamState(pss);
    if (!m_isLect)
        return;
    switch (pss) {
    case GlobalEnum::PSS1:
        setStartClass(true);
        m_pushStreamManager->startPushStream();
        showOwnVideo(true);
        break;
    case GlobalEnum::PSS3:
        showOwnVideo(false);
        m_pushStreamManager->stopPushStreamLect();
        m_pullStreamManager->stopAllPullStreamIn();
        setDefaultImage(true);
        break;
    default:
        break;
    }
    const QString &text = m_startOpenTexts[pss == GlobalEnum::PSSStopped ? 0 : pss];
    const bool enabled = pss != GlobalEnum::PSS1 && pss != GlobalEnum::PSS3;
    m_startOpen->setText(text);
    m_startOpen->setEnabled(enabled);
    emit classesBeginOrEndOut(pss != GlobalEnum::PSS1 && pss != GlobalEnum::PSS2, enabled, text);
}

void MediaView2::showOwnVideo(bool shown)
{
    m_pushStreamManager->setShowPushVideo(shown);
    if (m_autoFlag)
        m_videoView2->showVideoChangeIn(shown ? QString() : m_userId, shown ? m_userId : QString());
    else
        m_videoView3->showVideoChangeIn(shown ? QString() : m_userId, shown ? m_userId : QString(), true);
}

void MediaView2::startOpenIn()
{
    const int state = int(m_pushStreamState);
    if (m_isLect && (state == GlobalEnum::PSS0 || state == GlobalEnum::PSSStopped)) {
        setPushStreamState(GlobalEnum::PSS1);
        return;
    }
    if (m_isLect && state == GlobalEnum::PSS2) {
        setPushStreamState(GlobalEnum::PSS3);
        return;
    }
    qWarning() << "pushStreamState:" << state << "isLect:" << m_isLect;
}

void MediaView2::setStartClass(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 0;
        m_videoView2->setDefaultStart();
        m_pullStreamManager->startAutoPullStreamIn();
    }
    placeViews();
}

void MediaView2::setDefaultImage(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 1;
        m_isPushShow = false;
        m_pullStreamManager->stopAutoPullStreamIn();
        m_videoView2->setDefaultImage();
        m_videoView3->setDefaultImage();
    }
    placeViews();
}

void MediaView2::setAutoVideo(bool flag)
{
    qInfo() << "flag:" << flag << "isAutoFlag:" << m_autoFlag;
    if (flag == m_autoFlag)
        return;
    // The lecturer's own video goes with the view that is shown.
    const bool ownShown = m_isLect && m_classState == 0;
    if (ownShown)
        showOwnVideo(false);
    m_autoFlag = flag;
    if (ownShown)
        showOwnVideo(true);
    placeViews();
}

void MediaView2::manualPullStreamNoneIn()
{
    setAutoVideo(true);
}

void MediaView2::readPanelMessage(const StreamMediaMessage &message)
{
    const quint32 type = message.getSmmType();
    const QString from = message.getFromUserId();
    const QString to = message.getToUserId();
    const QString third = message.getTripartiteUserId();
    const QString streamId = message.getStreamId();
    const QString frId = message.getFrId();
    switch (type) {
    case StreamMediaMessage::ResponsePushStreamFail:
        if (!m_isLect || from.isEmpty() || to != m_userId) {
            qWarning() << "ResponsePushStreamFail "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "toUserId:" << to;
            return;
        }
        m_pullStreamManager->delPushStreamIdIn(from);
        return;
    case pullFirstReplyStop:
        if (m_isLect || from.isEmpty() || third.isEmpty()) {
            qWarning() << "PullFRStop "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "tripartiteUserId:" << third;
            return;
        }
        stopPullSubStream(third);
        return;
    case StreamMediaMessage::ResponsePushStreamId:
        if (!m_isLect || from.isEmpty() || to != m_userId || streamId.isEmpty()) {
            qWarning() << "ResponsePushStreamId "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "toUserId:" << to
                       << "streamId:" << streamId;
            return;
        }
        m_pullStreamManager->addPushStreamIdIn(from, streamId);
        emit setCameraBtnStateOut(from, true);
        return;
    case StreamMediaMessage::RequestFirstReply:
        if (m_isLect || from.isEmpty() || frId.isEmpty()) {
            qWarning() << "RequestFirstReply "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "frId:" << frId;
            return;
        }
        m_pullFRManager->receiveRequestFRStartIn(from, frId);
        return;
    case StreamMediaMessage::RequestStopFirstReply:
        if (m_isLect || from.isEmpty() || frId.isEmpty()) {
            qWarning() << "RequestStopReply "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "frId:" << frId;
            return;
        }
        m_pullFRManager->receiveRequestFRStopIn(from, frId);
        return;
    case StreamMediaMessage::ResponseFirstReply:
        // Answers meant for another lecturer are none of this panel's business.
        if (m_isLect && !from.isEmpty() && to == m_userId && !frId.isEmpty())
            m_pullFRManager->receiveResponseFRStartIn(from, frId);
        return;
    case StreamMediaMessage::ResponseStopFirstReply:
        if (!m_isLect || from.isEmpty() || frId.isEmpty()) {
            qWarning() << "ResponseFRStop "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "frId:" << frId;
            return;
        }
        m_pullFRManager->receiveResponseFRStopIn(from, frId);
        return;
    case StreamMediaMessage::StartPullFirstReplyStream:
        if (m_isLect || from.isEmpty() || streamId.isEmpty() || third.isEmpty()) {
            qWarning() << "PullFRStart "
                       << "isLect:" << m_isLect << "fromUserId:" << from << "tripartiteUserId:" << third;
            return;
        }
        startPullSubStream(message, stageByPushId(), "PullFRStart isPushShow:");
        return;
    default:
        qWarning() << "the smmType unknown error! smmType:" << type;
        return;
    }
}

void MediaView2::startPullStreamIn(QString userId)
{
    lectClick(userId, QStringLiteral("请先点击上课"));
}

void MediaView2::userOnline(QString userId)
{
    qInfo() << "uid:" << userId;
    if (userId == m_userId)
        return;
    emit setCameraBtnStateOut(userId, false);
    StreamMediaMessage request;
    request.setSmmType(StreamMediaMessage::RequestPushStreamId);
    request.setFromUserId(m_userId);
    request.setToUserId(userId);
    StreamMediaForward::send(request, userId);
}

void MediaView2::sendPullFRStopIn(QString userId)
{
    qInfo() << "uid:" << userId;
    if (!m_isLect) {
        qWarning() << "uid:" << userId << "isLect:" << m_isLect;
        return;
    }
    StreamMediaMessage stop;
    stop.setSmmType(pullFirstReplyStop);
    stop.setFromUserId(m_userId);
    stop.setTripartiteUserId(userId);
    StreamMediaForward::send(stop, QString());
    m_pullStreamManager->stopPullStreamIn(userId);
}

void MediaView2::setFirstReplyShown(bool shown)
{
    if (m_isLect) {
        qWarning() << "isLect:" << m_isLect << "shown:" << shown;
        return;
    }
    m_firstReplyView->setVisible(shown);
}

void MediaView2::showFRStartIn()
{
    setFirstReplyShown(true);
}

void MediaView2::showFRStopIn()
{
    setFirstReplyShown(false);
}

void MediaView2::firstReplyClickedIn()
{
    m_firstReplyFlag = !m_firstReplyFlag;
    qInfo() << "firstReplyFlag:" << m_firstReplyFlag;
    if (m_firstReplyFlag)
        m_pullFRManager->startRequestFRIn();
    else
        m_pullFRManager->stopRequestFRIn();
}

void MediaView2::pullStreamResultIn(bool isMain, bool result, QString userId, QString msg)
{
    qInfo() << "isMain:" << isMain << "result:" << result << "uid:" << userId << "msg:" << msg;
    if (m_isLect) {
        lectPullResult(result, userId, msg, QStringLiteral("学生成功上讲台"));
        return;
    }
    if (isMain && result)
        tip(QStringLiteral("上课成功"));
    else if (!msg.isEmpty())
        tip(msg);
}

void MediaView2::showAutoChange(const QString &fromUserId, const QString &toUserId)
{
    m_videoView2->showVideoChangeIn(fromUserId, toUserId);
}

void MediaView2::autoToManualIn(QString userId)
{
    qInfo() << "uid:" << userId;
    if (m_autoFlag) {
        qWarning() << "isAutoFlag:" << m_autoFlag << "uid:" << userId;
        return;
    }
    m_videoView2->showVideoChangeIn(userId, QString());
    m_videoView3->showVideoChangeIn(QString(), userId, false);
}

void MediaView2::playAudioChangeIn(QString userId, bool flag)
{
    qInfo() << "uid:" << userId << "flag:" << flag;
}

void MediaView2::showVideoImageIn(QString userId, QImage frame)
{
    if (m_videoView3->containsUserId(userId)) {
        if (m_autoFlag)
            qWarning() << "isAutoFlag_2:" << m_autoFlag << "uid:" << userId;
        else
            m_videoView3->showVideoImageIn(userId, frame);
    } else if (m_videoView2->containsUserId(userId)) {
        if (m_autoFlag)
            m_videoView2->showVideoImageIn(userId, frame);
        else
            qWarning() << "isAutoFlag:" << m_autoFlag << "uid:" << userId;
    } else if (userId != m_userId) {
        qWarning() << "uid:" << userId;
    }
}

void MediaView2::showFullVideoIn()
{
    qInfo() << "classState:" << m_classState;
    m_isFullScreen = true;
    placeViews();
}

void MediaView2::hideFullVideoIn()
{
    qInfo() << "classState:" << m_classState;
    m_isFullScreen = false;
    placeViews();
}

void MediaView2::audioInitial()
{
    m_microphone
        = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Microphone, m_soundControl.get(), m_micBtn, m_micSlider);
    m_speaker
        = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Speaker, m_soundControl.get(), m_spkBtn, m_spkSlider);
    // Without a sound control the controls stay as they are.
    m_microphone->setUp(m_micOn, m_micVolume);
    m_speaker->setUp(m_spkOn, m_spkVolume);
    // Connected after the sliders were set, so the start values raise no tip.
    connect(m_micBtn, &QPushButton::clicked, this, &MediaView2::openMicrophoneIn);
    connect(m_micSlider, &QSlider::valueChanged, this, &MediaView2::micValueChangedIn);
    connect(m_spkBtn, &QPushButton::clicked, this, &MediaView2::openSpeakerIn);
    connect(m_spkSlider, &QSlider::valueChanged, this, &MediaView2::spkValueChangedIn);
}

void MediaView2::showDeviceTip(const PanelAudioDevice::Tip &told)
{
    tip(told.text, told.seconds);
}

void MediaView2::openMicrophoneIn()
{
    showDeviceTip(m_microphone->buttonClicked(m_micOn, m_micVolume));
}

void MediaView2::openSpeakerIn()
{
    showDeviceTip(m_speaker->buttonClicked(m_spkOn, m_spkVolume));
}

void MediaView2::micValueChangedIn(int value)
{
    qInfo() << "mv:" << value;
    m_micVolume = value;
    m_micOn = value != 0;
    showDeviceTip(m_microphone->volumeChanged(value));
}

void MediaView2::spkValueChangedIn(int value)
{
    qInfo() << "sv:" << value;
    m_spkVolume = value;
    m_spkOn = value != 0;
    showDeviceTip(m_speaker->volumeChanged(value));
}

void MediaView2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    MediaView::sizeButtonBar(event->size().height(), m_buttonWidget, m_startOpen, { m_micBtn, m_spkBtn, m_fullScreen });
}
