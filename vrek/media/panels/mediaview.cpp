#include "vrek/media/panels/mediaview.h"

#include "platform/soundcontrol/soundcontrol.h"
#include "vrek/container/userinfohash.h"
#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/media/panels/videoviewfull.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
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

MediaView::MediaView(const unsigned int h, QWidget *parent)
    : QWidget(parent)
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(g_userId)
    , m_sound(SoundControl::create())
{
    qInfo() << "h:" << h << "parent:" << parent;
    buildForm();
    QFile styleSheet(QStringLiteral(":/vrek/qss/mediaview.qss"));
    if (styleSheet.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
    initial();
    strInitial();
    audioInitial();
    streamInitial();
    fullInitial(h);
    uiInitial();
}

MediaView::~MediaView()
{
    qInfo() << "MediaView::~MediaView";
    // The controller's last reports must not reach a half-destroyed panel.
    disconnect(m_manager, nullptr, this, nullptr);
    delete m_manager;
    // B belongs to the full-screen window once it was shown there, to nobody before.
    if (!m_defaultB->parent())
        delete m_defaultB;
    delete m_fullTitle;
}

void MediaView::buildForm()
{
    setObjectName(QStringLiteral("MediaView"));
    setWindowTitle(QStringLiteral("MediaView"));
    resize(477, 300);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_topLayout = new QVBoxLayout();
    m_topLayout->setObjectName(QStringLiteral("topLayout"));
    m_topLayout->setSpacing(0);
    verticalLayout->addLayout(m_topLayout, 7);
    m_buttonWidget = new QWidget(this);
    m_buttonWidget->setObjectName(QStringLiteral("buttonWidget"));
    verticalLayout->addWidget(m_buttonWidget, 1);

    auto *horizontalLayout = new QHBoxLayout(m_buttonWidget);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(0);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);
    m_startOpen = new QPushButton(m_buttonWidget);
    m_startOpen->setObjectName(QStringLiteral("startOpen"));
    m_micBtn = new QPushButton(m_buttonWidget);
    m_micBtn->setObjectName(QStringLiteral("micBtn"));
    m_micBtn->setCheckable(true);
    m_micSlider = new QSlider(Qt::Horizontal, m_buttonWidget);
    m_micSlider->setObjectName(QStringLiteral("micSlider"));
    m_micSlider->setRange(0, 80);
    m_spkBtn = new QPushButton(m_buttonWidget);
    m_spkBtn->setObjectName(QStringLiteral("spkBtn"));
    m_spkBtn->setCheckable(true);
    m_spkSlider = new QSlider(Qt::Horizontal, m_buttonWidget);
    m_spkSlider->setObjectName(QStringLiteral("spkSlider"));
    m_spkSlider->setRange(0, 80);
    m_fullScreen = new QPushButton(m_buttonWidget);
    m_fullScreen->setObjectName(QStringLiteral("fullScreen"));
    horizontalLayout->addWidget(m_startOpen, 1);
    horizontalLayout->addWidget(m_micBtn, 0);
    horizontalLayout->addWidget(m_micSlider, 1);
    horizontalLayout->addWidget(m_spkBtn, 0);
    horizontalLayout->addWidget(m_spkSlider, 1);
    horizontalLayout->addWidget(m_fullScreen, 1);
}

void MediaView::initial()
{
    m_defaultA = new DefaultView(defaultPicture());
    m_topLayout->addWidget(m_defaultA);
    m_defaultA->show();
    m_defaultB = new DefaultView(defaultPicture());
    m_defaultB->hide();
    m_micOn = false;
    m_spkOn = false;
    m_micVolume = 0;
    m_spkVolume = 0;
    m_classState = 1;
    m_isFullScreen = 0;
}

void MediaView::strInitial()
{
    m_startText = QStringLiteral("点击上课");
    m_startingText = QStringLiteral("正在启动");
    m_stopText = QStringLiteral("点击下课");
    m_stoppingText = QStringLiteral("正在关闭");
}

void MediaView::audioInitial()
{
    m_microphone
        = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Microphone, m_sound.get(), m_micBtn, m_micSlider);
    m_speaker = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Speaker, m_sound.get(), m_spkBtn, m_spkSlider);
    // Without a sound control the controls stay as they are.
    m_microphone->setUp(m_micOn, m_micVolume);
    m_speaker->setUp(m_spkOn, m_spkVolume);
    // Connected after the sliders were set, so the start values raise no tip.
    connect(m_micBtn, &QPushButton::clicked, this, &MediaView::openMicrophoneIn);
    connect(m_micSlider, &QSlider::valueChanged, this, &MediaView::micValueChangedIn);
    connect(m_spkBtn, &QPushButton::clicked, this, &MediaView::openSpeakerIn);
    connect(m_spkSlider, &QSlider::valueChanged, this, &MediaView::spkValueChangedIn);
}

void MediaView::streamInitial()
{
    m_manager = new StreamMediaManager(m_userId, GlobalEnum::GroupType(g_classType), this);
    g_pushStreamId = m_manager->getPushStreamId();
    connect(m_manager, &StreamMediaManager::showMainVideoImageOut, this, &MediaView::showMainVideoImage);
    connect(m_manager, &StreamMediaManager::showSubVideoImageOut, this, &MediaView::showSubVideoImage);
    connect(m_manager, &StreamMediaManager::pushStreamResultOut, this, &MediaView::pushStreamResultIn);
    connect(m_manager, &StreamMediaManager::pullStreamResultOut, this, &MediaView::pullStreamResultIn);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::readStreamMediaMessage, m_manager,
            &StreamMediaManager::readSocketMessageIn);
    connect(m_manager, &StreamMediaManager::videoQualityChangedOut, this, &MediaView::videoQualityChangedOut);
}

void MediaView::fullInitial(unsigned int h)
{
    m_videoFull = new VideoViewFull(int(h));
    m_fullTitle = m_videoFull->makeFrame(fullTitleFlags);
    connect(m_fullScreen, &QPushButton::clicked, this, &MediaView::showFullVideoIn);
    connect(m_fullTitle, &TitleView::signalClose, this, &MediaView::hideFullVideoIn);
}

void MediaView::uiInitial()
{
    if (m_isLect)
        connect(m_startOpen, &QPushButton::clicked, this, &MediaView::startOpenIn);
    else
        m_startOpen->hide();
    m_videoView = new VideoView(this);
    m_videoView->setDefaultImage();
    m_videoView->hide();
    setPushStreamState(GlobalEnum::PSS0);
}

// MediaViewInterface

void MediaView::initialLater()
{
    qInfo() << "MediaView::initialLater";
}

GlobalEnum::PushStreamState MediaView::getPushStreamState()
{
    return m_pushStreamState;
}

void MediaView::stopAllPullStream()
{
    m_manager->stopAllPullStream();
    setDefaultImage(true);
}

void MediaView::stopPullStream(const QString &userId)
{
    m_manager->stopPullStream(userId);
}

PushStreamInterface *MediaView::getPushStreamInterface()
{
    return m_manager;
}

void MediaView::sendLateState(const QString &userId) const
{
    m_manager->sendLateState(userId);
}

bool MediaView::stopPushStreamLect()
{
    return m_manager->stopPushStreamLect();
}

bool MediaView::stopPushStreamListener()
{
    return m_manager->stopPushStreamListener();
}

void MediaView::lectOnline(const QString &userId)
{
    qInfo() << "uid:" << userId;
}

// The lecturer's class

void MediaView::setPushStreamState(int pss)
{
    qInfo() << "pss:" << pss << "isLect:" << m_isLect;
    m_pushStreamState = GlobalEnum::PushStreamState(pss);
    if (!m_isLect)
        return;
    switch (pss) {
    case GlobalEnum::PSS0:
        m_startOpen->setText(m_startText);
        m_startOpen->setEnabled(true);
        break;
    case GlobalEnum::PSS1:
        m_startOpen->setText(m_startingText);
        m_startOpen->setEnabled(false);
        setStartClass(true);
        m_manager->startPushStreamLect();
        break;
    case GlobalEnum::PSS2:
        m_startOpen->setText(m_stopText);
        m_startOpen->setEnabled(true);
        emit signalClassBeginOrEnd(true);
        emit signalIsClassStart(true);
        break;
    case GlobalEnum::PSS3:
        m_startOpen->setText(m_stoppingText);
        m_startOpen->setEnabled(false);
        setDefaultImage(true);
        m_manager->stopPushStreamLect();
        break;
    case GlobalEnum::PSSStopped:
        m_startOpen->setText(m_startText);
        m_startOpen->setEnabled(true);
        emit signalClassBeginOrEnd(false);
        emit signalIsClassStart(false);
        break;
    default:
        qWarning() << "MediaView::setState the pss type unkonwn error! pss:" << pss;
        break;
    }
}

void MediaView::startOpenIn()
{
    if (m_isLect && (m_pushStreamState == GlobalEnum::PSS0 || m_pushStreamState == GlobalEnum::PSSStopped)) {
        setPushStreamState(GlobalEnum::PSS1);
    } else if (m_isLect && m_pushStreamState == GlobalEnum::PSS2) {
        setPushStreamState(GlobalEnum::PSS3);
    } else {
        qWarning() << "MediaView::startOpenIn pushStreamState:" << int(m_pushStreamState) << "isLect:" << m_isLect;
    }
}

// Results of the controller

void MediaView::showTip(const QString &text, uint seconds)
{
    emit messageBoxTipOut(text, seconds);
}

void MediaView::tipIfAny(const QString &text)
{
    if (!text.isEmpty())
        showTip(text, resultTipSeconds);
}

QString MediaView::userName(const QString &uid) const
{
    UserInfo userInfo;
    return g_userInfoHash.selectUserInfo(uid, userInfo) ? userInfo.getUserName() : QString();
}

void MediaView::pushStreamResultIn(bool isFinish, bool result, QString msg)
{
    qInfo() << "isFinish:" << isFinish << "result:" << result << "msg:" << msg;
    if (m_isLect) {
        if (isFinish) {
            setPushStreamState(GlobalEnum::PSSStopped);
        } else if (result) {
            setPushStreamState(GlobalEnum::PSS2);
        } else {
            setPushStreamState(GlobalEnum::PSS3);
            tipIfAny(msg);
        }
        return;
    }
    if (result) {
        showTip(QStringLiteral("上讲台成功"), resultTipSeconds);
        // The student's own video goes into the overlay.
        m_videoView->setSubImageStart(g_userName);
    } else {
        m_videoView->setSubImageEnd();
        tipIfAny(msg);
    }
}

void MediaView::pullStreamResultIn(bool isLectFlag, bool result, QString uid, QString msg)
{
    qInfo() << "isLectFlag:" << isLectFlag << "result:" << result << "uid:" << uid << "msg:" << msg;
    if (m_isLect) {
        if (result) {
            showTip(QStringLiteral("学生成功上讲台"), resultTipSeconds);
            m_videoView->setSubImageStart(userName(uid));
            emit onCameraBtnChangedOut(uid, true);
        } else {
            m_videoView->setSubImageEnd();
            emit onCameraBtnChangedOut(uid, false);
            tipIfAny(msg);
        }
        return;
    }
    if (!isLectFlag) {
        if (result) {
            showTip(QStringLiteral("同学上讲台成功"), resultTipSeconds);
            m_videoView->setSubImageStart(userName(uid));
        } else {
            m_videoView->setSubImageEnd();
            tipIfAny(msg);
        }
        return;
    }
    if (result) {
        showTip(QStringLiteral("上课成功"), resultTipSeconds);
        setStartClass(true);
    } else {
        setDefaultImage(true);
        showTip(msg.isEmpty() ? QStringLiteral("老师已下课") : msg, resultTipSeconds);
    }
}

void MediaView::startPullStreamIn(QString userId)
{
    qInfo() << "uid:" << userId;
    if (userId == m_userId || !m_isLect) {
        qWarning() << "uid:" << userId << "isLect:" << m_isLect;
        return;
    }
    QString text;
    const StreamMediaManager::UserListCtrlType answer = m_manager->sendStudentRequest(userId, text);
    switch (answer) {
    case StreamMediaManager::SubStreamRequested:
        showTip(text, resultTipSeconds);
        emit onCameraBtnChangedOut(userId, true);
        m_videoView->setSubImageStart(userName(userId));
        break;
    case StreamMediaManager::SubStreamStopped:
        emit onCameraBtnChangedOut(userId, false);
        m_videoView->setSubImageEnd();
        break;
    case StreamMediaManager::StageRefused:
    case StreamMediaManager::PushNotRunning:
        showTip(text, resultTipSeconds);
        emit onCameraBtnChangedOut(userId, false);
        break;
    case StreamMediaManager::ClickedTooOften:
        showTip(text, resultTipSeconds);
        break;
    default:
        qWarning() << "the ulct unknown error! ulct:" << int(answer);
        break;
    }
}

// Pictures

void MediaView::showMainVideoImage(QImage frame)
{
    m_videoView->showVideoImage(true, frame);
}

void MediaView::showSubVideoImage(QImage frame)
{
    m_videoView->showVideoImage(false, frame);
}

void MediaView::placeInPictureArea(QWidget *widget)
{
    // Both pictures may already stand there: a second item of one widget would split the area.
    if (m_topLayout->indexOf(widget) < 0)
        m_topLayout->addWidget(widget);
}

void MediaView::setStartClass(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 0;
        m_videoView->setMainImageStart();
    }
    if (m_isFullScreen) {
        setDefaultImage(false);
        m_videoFull->setShow(m_videoView);
    } else {
        m_topLayout->removeWidget(m_defaultA);
        placeInPictureArea(m_videoView);
        m_defaultA->hide();
    }
    m_videoView->show();
}

void MediaView::setDefaultImage(bool flag)
{
    qInfo() << "flag:" << flag;
    if (flag) {
        m_classState = 1;
        m_videoView->setDefaultImage();
    }
    if (m_isFullScreen) {
        m_videoFull->setShow(m_defaultB);
        m_defaultB->show();
        placeInPictureArea(m_defaultA);
    } else {
        m_topLayout->removeWidget(m_videoView);
        placeInPictureArea(m_defaultA);
        m_videoView->hide();
    }
    m_defaultA->show();
}

void MediaView::showFullVideoIn()
{
    qInfo() << "classState:" << m_classState;
    m_isFullScreen = 1;
    if (m_classState == 1) {
        m_videoFull->setShow(m_defaultB);
        m_defaultB->show();
    } else {
        setDefaultImage(false);
        m_videoFull->setShow(m_videoView);
        m_videoView->show();
    }
}

void MediaView::hideFullVideoIn()
{
    qInfo() << "classState:" << m_classState;
    m_isFullScreen = 0;
    if (m_classState == 1) {
        m_defaultB->hide();
        setDefaultImage(false);
    } else {
        setStartClass(false);
    }
}

// Sound

void MediaView::openDevice(PanelAudioDevice &device, bool &on, int &volume)
{
    const PanelAudioDevice::Tip tip = device.buttonClicked(on, volume);
    showTip(tip.text, tip.seconds);
}

void MediaView::deviceValueChanged(PanelAudioDevice &device, bool &on, int &volume, int value)
{
    volume = value;
    on = value != 0;
    const PanelAudioDevice::Tip tip = device.volumeChanged(value);
    showTip(tip.text, tip.seconds);
}

void MediaView::openMicrophoneIn()
{
    openDevice(*m_microphone, m_micOn, m_micVolume);
}

void MediaView::openSpeakerIn()
{
    openDevice(*m_speaker, m_spkOn, m_spkVolume);
}

void MediaView::micValueChangedIn(int mv)
{
    qInfo() << "mv:" << mv;
    deviceValueChanged(*m_microphone, m_micOn, m_micVolume, mv);
}

void MediaView::spkValueChangedIn(int sv)
{
    qInfo() << "sv:" << sv;
    deviceValueChanged(*m_speaker, m_spkOn, m_spkVolume, sv);
}

void MediaView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeButtonBar(event->size().height(), m_buttonWidget, m_startOpen, { m_micBtn, m_spkBtn, m_fullScreen });
}

void MediaView::sizeButtonBar(
    int panelHeight, QWidget *bar, QPushButton *startOpen, const QList<QPushButton *> &squares)
{
    const int u = panelHeight / 9;
    bar->setFixedHeight(u);
    startOpen->setFixedSize(3 * u, u);
    for (QPushButton *button : squares)
        button->setFixedSize(u, u);
}
