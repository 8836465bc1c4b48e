#include "vrek/media/panels/mediaviewwebrtc.h"

#include "platform/soundcontrol/soundcontrol.h"
#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/media/panels/videoshowwebrtc.h"
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
const char *const startOpenStyle = "QPushButton{color:white;background-color:#397200;}QPushButton:hover{background-"
                                   "color:#448900;}QPushButton:pressed{background-color:#2d5B00;}";

// The button of each state: text, enabled, video on.
struct StateButton
{
    int state;
    const char *text;
    bool enabled;
    bool videoOn;
};
const StateButton stateButtons[] = {
    { MediaViewWebrtc::TeacherIdle, "点击上课", true, false },
    { MediaViewWebrtc::TeacherStarting, "正在启动", false, false },
    { MediaViewWebrtc::TeacherInClass, "点击下课", true, true },
    { MediaViewWebrtc::TeacherEnding, "正在退出", false, false },
    { MediaViewWebrtc::StudentIdle, "", false, false },
    { MediaViewWebrtc::StudentWatching, "", false, true },
    { MediaViewWebrtc::ParentIdle, "开始旁听", true, false },
    { MediaViewWebrtc::ParentInClass, "开始旁听", true, true },
    { MediaViewWebrtc::ParentWatching, "退出旁听", true, true },
    { MediaViewWebrtc::ParentPreparing, "准备旁听", false, true },
    { MediaViewWebrtc::ParentLeaving, "正在退出", false, true },
};

// A parent's failed watching: the state to go to and the tip, by the error code.
struct WatchingFailure
{
    int errorCode;
    MediaViewWebrtc::UserState state;
    const char *tip;
};
const WatchingFailure watchingFailures[] = {
    { MediaManagerInfo::ClassNotStarted, MediaViewWebrtc::ParentIdle, "课程未开始" },
    { MediaManagerInfo::ChildOffline, MediaViewWebrtc::ParentIdle, "孩子未上线" },
    { MediaManagerInfo::ChildDeviceBusy, MediaViewWebrtc::ParentInClass, "孩子设备繁忙" },
    { MediaManagerInfo::ChildWentToTeacher, MediaViewWebrtc::ParentLeaving, "孩子进入老师房间" },
    { MediaManagerInfo::ChildInTeacherRoom, MediaViewWebrtc::ParentInClass, "孩子已经在老师房间" },
    { MediaManagerInfo::ChildNoPermission, MediaViewWebrtc::ParentInClass, "孩子设备权限未开启" },
};

// The teacher's stage results: the user list's camera (0 off, 1 on, -1 unchanged) and the tip.
struct InteractTip
{
    int camera;
    const char *tip;
};
InteractTip interactTip(LStreamMediaManager::InteractResult result)
{
    switch (result) {
    case LStreamMediaManager::InteractRequestSent:
        return { 1, "学生正在上讲台" };
    case LStreamMediaManager::InteractOnStage:
        return { -1, "学生上讲台成功" };
    case LStreamMediaManager::InteractPushFailed:
        return { 0, "学生上讲台失败" };
    case LStreamMediaManager::InteractClassNotStarted:
        return { -1, "请先点击上课" };
    case LStreamMediaManager::InteractClickedTooOften:
        return { -1, "点击频繁，请稍后" };
    case LStreamMediaManager::InteractStageFull:
        return { -1, "互动人数不能超过四个" };
    case LStreamMediaManager::InteractDeviceBusy:
        return { 0, "学生设备繁忙" };
    case LStreamMediaManager::InteractStopped:
        return { 0, "" };
    }
    return { -1, "" };
}
} // namespace

MediaViewWebrtc::MediaViewWebrtc(const unsigned int fullHeight, QWidget *parent)
    : QWidget(parent)
    , m_sound(SoundControl::create())
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_userId(g_userId)
{
    qRegisterMetaType<MediaViewWebrtc::UserState>("MediaViewWebrtc::UserState");
    buildForm();
    QFile styleSheet(QStringLiteral(":/vrek/qss/mediaview.qss"));
    if (styleSheet.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
    qInfo() << "MediaViewWebrtc::MediaViewWebrtc parent:" << parent;

    switch (g_userType) {
    case GlobalEnum::User0:
        m_identity = LStreamMediaManager::TeacherIdentity;
        m_userState = TeacherIdle;
        break;
    case GlobalEnum::User1:
        m_identity = LStreamMediaManager::StudentIdentity;
        m_userState = StudentIdle;
        break;
    case GlobalEnum::User5:
        m_identity = LStreamMediaManager::ParentIdentity;
        m_userState = ParentIdle;
        break;
    default:
        break;
    }

    audioInitial();
    managerInitial();
    fullInitial(fullHeight);
    uiInit();
}

MediaViewWebrtc::~MediaViewWebrtc()
{
    qInfo() << "MediaViewWebrtc::~MediaViewWebrtc";
    // The controller's last reports must not reach a half-destroyed panel.
    disconnect(m_manager, nullptr, this, nullptr);
    delete m_manager;
    delete m_fullTitle;
}

void MediaViewWebrtc::buildForm()
{
    setObjectName(QStringLiteral("MediaViewWebrtc"));
    setWindowTitle(QStringLiteral("MediaViewWebrtc"));
    resize(400, 300);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_videoLayout = new QHBoxLayout();
    m_videoLayout->setObjectName(QStringLiteral("vlay_video"));
    m_videoLayout->setSpacing(0);
    verticalLayout->addLayout(m_videoLayout, 4);

    m_toolWidget = new QWidget(this);
    m_toolWidget->setObjectName(QStringLiteral("toolWidget"));
    m_toolWidget->setStyleSheet(QStringLiteral("background-color: rgb(0, 0, 0);"));
    verticalLayout->addWidget(m_toolWidget);
    auto *horizontalLayout = new QHBoxLayout(m_toolWidget);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(0);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);

    m_startOpen = new QPushButton(QStringLiteral("点击上课"), m_toolWidget);
    m_startOpen->setObjectName(QStringLiteral("startOpen"));
    m_micBtn = new QPushButton(m_toolWidget);
    m_micBtn->setObjectName(QStringLiteral("micBtn"));
    m_micBtn->setCheckable(true);
    m_micSlider = new QSlider(Qt::Horizontal, m_toolWidget);
    m_micSlider->setObjectName(QStringLiteral("micSlider"));
    m_micSlider->setRange(0, 80);
    m_micSlider->setPageStep(0);
    m_spkBtn = new QPushButton(m_toolWidget);
    m_spkBtn->setObjectName(QStringLiteral("spkBtn"));
    m_spkBtn->setCheckable(true);
    m_spkSlider = new QSlider(Qt::Horizontal, m_toolWidget);
    m_spkSlider->setObjectName(QStringLiteral("spkSlider"));
    m_spkSlider->setMinimum(0);
    m_spkSlider->setPageStep(0);
    m_fullScreen = new QPushButton(m_toolWidget);
    m_fullScreen->setObjectName(QStringLiteral("fullScreen"));
    for (QWidget *widget :
        std::initializer_list<QWidget *> { m_startOpen, m_micBtn, m_micSlider, m_spkBtn, m_spkSlider, m_fullScreen })
        horizontalLayout->addWidget(widget);

    connect(m_micBtn, &QPushButton::clicked, this, &MediaViewWebrtc::on_micBtn_clicked);
    connect(m_spkBtn, &QPushButton::clicked, this, &MediaViewWebrtc::on_spkBtn_clicked);
    connect(m_micSlider, &QSlider::sliderMoved, this, &MediaViewWebrtc::on_micSlider_sliderMoved);
    connect(m_spkSlider, &QSlider::sliderMoved, this, &MediaViewWebrtc::on_spkSlider_sliderMoved);
}

void MediaViewWebrtc::audioInitial()
{
    m_microphone
        = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Microphone, m_sound.get(), m_micBtn, m_micSlider);
    m_speaker = std::make_unique<PanelAudioDevice>(PanelAudioDevice::Speaker, m_sound.get(), m_spkBtn, m_spkSlider);
    // Without a sound control the controls stay as they are.
    m_microphone->setUp();
    m_speaker->setUp();
}

void MediaViewWebrtc::managerInitial()
{
    m_manager = new LStreamMediaManager(g_userId, GlobalEnum::GroupType(g_classType), this);
    LStreamMediaManager *manager = m_manager;
    connect(manager, &LStreamMediaManager::sendRemoteStream, this, &MediaViewWebrtc::onStream);
    if (g_socketClientManager) {
        SocketClientManager *socket = g_socketClientManager;
        connect(
            socket, &SocketClientManager::readStreamMediaMessage, manager, &LStreamMediaManager::readSocketMessageIn);
        connect(socket, &SocketClientManager::signalStartClass, this, &MediaViewWebrtc::onSlotStudentStartClass);
        connect(socket, &SocketClientManager::signalEndClass, this, &MediaViewWebrtc::onSlotStudentEndClass);
    }
    connect(manager, &LStreamMediaManager::signalMediaManagerInfo, this, &MediaViewWebrtc::slotMediaManagerInfo);
    connect(
        manager, &LStreamMediaManager::signalInteractRequestResult, this, &MediaViewWebrtc::slotInteractRequestResult);
    connect(this, &MediaViewWebrtc::signalUserOnline, manager, &LStreamMediaManager::slotUserOnline);
    connect(this, &MediaViewWebrtc::signalUserOffline, manager, &LStreamMediaManager::slotUserOffline);
    connect(this, &MediaViewWebrtc::signalRelativeOnline, manager, &LStreamMediaManager::slotRelativeOnline);
    connect(this, &MediaViewWebrtc::signalRelativeOffline, manager, &LStreamMediaManager::slotRelativeOffline);
    connect(this, &MediaViewWebrtc::signalUserAVClose, manager, &LStreamMediaManager::slotUserAVClose);
}

void MediaViewWebrtc::fullInitial(unsigned int h)
{
    qInfo() << "MediaViewWebrtc::fullInitial h:" << h;
    m_videoFull = new VideoViewFull(int(h));
    m_fullTitle = new TitleView(m_videoFull, QStringLiteral("视频"), fullTitleFlags);
    connect(m_fullTitle, &TitleView::signalClose, this, &MediaViewWebrtc::onFullVideoHide);
    connect(m_videoFull, &VideoViewFull::signalShowOut, m_fullTitle, qOverload<>(&TitleView::show));
}

void MediaViewWebrtc::uiInit()
{
    m_smallVideo = new VideoShowWebrtc(this);
    m_videoLayout->addWidget(m_smallVideo);
    m_currentVideo = m_smallVideo;
    // The default picture until the first frame.
    m_smallVideo->reset();
    m_startOpen->setStyleSheet(QString::fromUtf8(startOpenStyle));
    switch (m_identity) {
    case LStreamMediaManager::TeacherIdentity:
        m_startOpen->setText(QStringLiteral("点击上课"));
        m_startOpen->setEnabled(true);
        connect(m_startOpen, &QPushButton::clicked, this, &MediaViewWebrtc::slotStartOpenClicked);
        break;
    case LStreamMediaManager::StudentIdentity:
        m_startOpen->setText(QString());
        m_startOpen->setEnabled(false);
        m_startOpen->hide();
        break;
    case LStreamMediaManager::ParentIdentity:
        m_startOpen->setText(QStringLiteral("开始旁听"));
        m_startOpen->setEnabled(true);
        connect(m_startOpen, &QPushButton::clicked, this, &MediaViewWebrtc::slotStartOpenClicked);
        break;
    default:
        break;
    }
    // Every start state shows no video.
    applyStateButton(m_userState);
    connect(m_fullScreen, &QPushButton::clicked, this, &MediaViewWebrtc::on_fullScreen_clicked);
}

// MediaViewInterface

void MediaViewWebrtc::initialLater()
{
    qInfo() << "MediaViewWebrtc::initialLater";
}

GlobalEnum::PushStreamState MediaViewWebrtc::getPushStreamState()
{
    return GlobalEnum::PSS0;
}

void MediaViewWebrtc::stopAllPullStream() { }

void MediaViewWebrtc::stopPullStream(const QString &) { }

PushStreamInterface *MediaViewWebrtc::getPushStreamInterface()
{
    return m_manager;
}

void MediaViewWebrtc::sendLateState(const QString &userId) const
{
    qInfo() << "pid:" << userId;
    if (m_manager)
        m_manager->sendLateState(userId);
}

bool MediaViewWebrtc::stopPushStreamLect()
{
    return m_manager && m_manager->slotClientClose();
}

bool MediaViewWebrtc::stopPushStreamListener()
{
    return m_manager && m_manager->slotClientClose();
}

void MediaViewWebrtc::lectOnline(const QString &) { }

// State

bool MediaViewWebrtc::applyStateButton(int state)
{
    for (const StateButton &button : stateButtons) {
        if (button.state != state)
            continue;
        m_startOpen->setText(QString::fromUtf8(button.text));
        m_startOpen->setEnabled(button.enabled);
        setVideoOn(button.videoOn);
        return true;
    }
    return false;
}

void MediaViewWebrtc::setUserState(int state)
{
    if (state == m_userState)
        return;
    qInfo() << "userState:" << int(m_userState) << "->" << state;
    m_userState = UserState(state);
    emit signalUserStateChange(m_userState);
    applyStateButton(state);
}

void MediaViewWebrtc::setVideoOn(bool on)
{
    const bool turnedOff = m_videoOn && !on;
    m_videoOn = on;
    if (turnedOff && m_currentVideo)
        m_currentVideo->reset();
}

void MediaViewWebrtc::showTip(const QString &text, uint seconds)
{
    emit sendMessageBoxTipOut(text, seconds);
}

// The main button

void MediaViewWebrtc::slotStartOpenClicked()
{
    if (m_identity == LStreamMediaManager::TeacherIdentity)
        teacherStartOpenClicked();
    else if (m_identity == LStreamMediaManager::ParentIdentity)
        parentStartOpenClicked();
}

void MediaViewWebrtc::teacherStartOpenClicked()
{
    if (m_userState == TeacherIdle) {
        setUserState(TeacherStarting);
        ++g_classStartCount;
        // The class starts once the recording reports success.
        emit signalRecordRequest(true);
    } else if (m_userState == TeacherInClass) {
        setUserState(TeacherEnding);
        m_manager->stopClass();
    }
}

void MediaViewWebrtc::parentStartOpenClicked()
{
    if (m_userState == ParentIdle) {
        showTip(QStringLiteral("无法旁听"), resultTipSeconds);
    } else if (m_userState == ParentInClass) {
        setUserState(ParentPreparing);
        m_manager->startMonitor();
    } else if (m_userState == ParentWatching) {
        setUserState(ParentLeaving);
        m_manager->stopMonitor();
    }
}

void MediaViewWebrtc::slotRecordSuccess()
{
    qInfo() << "userState:" << int(m_userState);
    m_manager->startClass();
}

void MediaViewWebrtc::slotRecordFail(int errorType)
{
    qInfo() << "userState:" << int(m_userState) << "errorType:" << errorType;
}

void MediaViewWebrtc::onSlotRecordEnd()
{
    qInfo() << "userState:" << int(m_userState);
    if (m_userState == TeacherEnding)
        emit signalClassBeginOrEnd(false);
    setUserState(TeacherIdle);
}

// Reports of the controller

void MediaViewWebrtc::slotMediaManagerInfo(MediaManagerInfo info)
{
    qInfo() << "info:" << info.getKind() << info.getValue() << info.getErrorCode();
    switch (m_identity) {
    case LStreamMediaManager::TeacherIdentity:
        teacherManagerInfo(info);
        break;
    case LStreamMediaManager::StudentIdentity:
        studentManagerInfo(info);
        break;
    case LStreamMediaManager::ParentIdentity:
        parentManagerInfo(info);
        break;
    default:
        break;
    }
}

void MediaViewWebrtc::teacherManagerInfo(const MediaManagerInfo &info)
{
    switch (info.getKind()) {
    case MediaManagerInfo::ClassRuns:
        setUserState(TeacherInClass);
        showTip(QStringLiteral("上课成功"), resultTipSeconds);
        emit signalClassBeginOrEnd(true);
        break;
    case MediaManagerInfo::ClassFailed:
        showTip(QStringLiteral("上课失败"), resultTipSeconds);
        emit signalRecordRequest(false);
        break;
    case MediaManagerInfo::ClassEnded:
        showTip(QStringLiteral("下课成功"), resultTipSeconds);
        emit signalRecordRequest(false);
        break;
    default:
        break;
    }
}

void MediaViewWebrtc::studentManagerInfo(const MediaManagerInfo &info)
{
    switch (info.getKind()) {
    case MediaManagerInfo::ClassRuns:
        setUserState(StudentWatching);
        break;
    case MediaManagerInfo::ClassFailed:
        setUserState(StudentIdle);
        showTip(QStringLiteral("上课失败, 请重新登录"), resultTipSeconds);
        break;
    case MediaManagerInfo::ClassEnded:
        setUserState(StudentIdle);
        showTip(QStringLiteral("老师已下课"), resultTipSeconds);
        break;
    case 5:
        setUserState(StudentIdle);
        break;
    default:
        break;
    }
}

void MediaViewWebrtc::parentManagerInfo(const MediaManagerInfo &info)
{
    switch (info.getKind()) {
    case MediaManagerInfo::ClassRuns:
        setUserState(ParentInClass);
        break;
    case MediaManagerInfo::ClassFailed:
        setUserState(ParentInClass);
        showTip(QStringLiteral("进入课堂失败"), resultTipSeconds);
        break;
    case MediaManagerInfo::ClassEnded:
        setUserState(ParentIdle);
        showTip(QStringLiteral("课程结束"), resultTipSeconds);
        break;
    case MediaManagerInfo::WatchingChild:
        setUserState(ParentWatching);
        break;
    case MediaManagerInfo::WatchingFailed: {
        for (const WatchingFailure &failure : watchingFailures) {
            if (failure.errorCode == info.getErrorCode()) {
                setUserState(failure.state);
                showTip(QString::fromUtf8(failure.tip), resultTipSeconds);
                return;
            }
        }
        setUserState(ParentInClass);
        showTip(QStringLiteral("旁听失败"), resultTipSeconds);
        break;
    }
    case 5:
        setUserState(ParentIdle);
        break;
    default:
        break;
    }
}

void MediaViewWebrtc::slotInteractRequestResult(QString userId, LStreamMediaManager::InteractResult result)
{
    qInfo() << "result:" << int(result) << "uid:" << userId;
    const InteractTip tip = interactTip(result);
    if (tip.camera >= 0)
        emit sendUserListCamState(userId, tip.camera == 1);
    if (*tip.tip)
        showTip(QString::fromUtf8(tip.tip), resultTipSeconds);
}

void MediaViewWebrtc::onStartPullStream(QString userId)
{
    if (m_identity == LStreamMediaManager::TeacherIdentity)
        m_manager->requestInteract(userId);
}

// Relays

void MediaViewWebrtc::userOnline(QString userId)
{
    emit signalUserOnline(userId);
}

void MediaViewWebrtc::userOffline(QString userId)
{
    emit signalUserOffline(userId);
}

void MediaViewWebrtc::slotRelativeInfoOnline(UserInfo userInfo)
{
    emit signalRelativeOnline(userInfo.getAccountId());
}

void MediaViewWebrtc::slotRelativeInfoOffline(UserInfo userInfo)
{
    emit signalRelativeOffline(userInfo.getAccountId());
}

void MediaViewWebrtc::onSlotStudentStartClass()
{
    if (m_isLect)
        return;
    m_classStarted = true;
    qInfo() << "onSlotStudentStartClass:" << m_classStarted;
}

void MediaViewWebrtc::onSlotStudentEndClass()
{
    if (m_isLect)
        return;
    m_classStarted = false;
    qInfo() << "onSlotStudentEndClass" << m_classStarted;
}

// Video

void MediaViewWebrtc::onStream(QImage image)
{
    if (!m_videoOn || !m_currentVideo)
        return;
    m_currentVideo->showImage(image);
}

void MediaViewWebrtc::on_fullScreen_clicked()
{
    emit sendFullScreen();
    m_smallVideo->reset();
    if (!m_fullShow)
        m_fullShow = new VideoShowWebrtc();
    m_videoFull->setShow(m_fullShow);
    m_fullShow->show();
    m_fullShow->reset();
    m_currentVideo = m_fullShow;
}

void MediaViewWebrtc::onFullVideoHide()
{
    m_videoFull->setHide();
    emit sendHind();
    m_currentVideo = m_smallVideo;
}

// Sound

void MediaViewWebrtc::audioButtonClicked(PanelAudioDevice &device)
{
    if (device.button()->isChecked()) {
        device.setMuted(true);
        showTip(device.offText(), warningTipSeconds);
    } else {
        device.setMuted(false);
        showTip(QString(), normalTipSeconds);
    }
}

void MediaViewWebrtc::audioSliderMoved(PanelAudioDevice &device, int position)
{
    const PanelAudioDevice::Tip tip = device.volumeChanged(position);
    showTip(tip.text, tip.seconds);
}

void MediaViewWebrtc::on_micBtn_clicked()
{
    audioButtonClicked(*m_microphone);
}

void MediaViewWebrtc::on_spkBtn_clicked()
{
    audioButtonClicked(*m_speaker);
}

void MediaViewWebrtc::on_micSlider_sliderMoved(int position)
{
    audioSliderMoved(*m_microphone, position);
}

void MediaViewWebrtc::on_spkSlider_sliderMoved(int position)
{
    audioSliderMoved(*m_speaker, position);
}

void MediaViewWebrtc::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int h = event->size().height() / 10;
    m_toolWidget->setFixedHeight(h);
    m_startOpen->setFixedSize(3 * h, h);
    for (QPushButton *button : { m_micBtn, m_spkBtn, m_fullScreen })
        button->setFixedSize(h, h);
}
