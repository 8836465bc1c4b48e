#include "vrek/class/schoolclassview.h"

#include "answercard/answercard.h"
#include "callroll/callroll.h"
#include "vrek/course/centerview.h"

#include "vrek/chat/chatview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/toolview.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"
#include "vrek/viewui/devicesetmini.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/popup.h"
#include "vrek/viewui/tiplabel.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char *const tabStyleLarge
    = "QTabBar{border-bottom:2px solid #dfe4e9;}QTabBar::tab{width:%1px;height:%2px;font:20px "
      "微软雅黑;background-color:transparent;}QTabBar::tab:selected{color:#0081ff;border-bottom:3px solid #0081ff;}";
const char *const tabStyleNormal
    = "QTabBar{border-bottom:2px solid #dfe4e9;}QTabBar::tab{width:%1px;height:%2px;font:14px "
      "微软雅黑;background-color:transparent;}QTabBar::tab:selected{color:#0081ff;border-bottom:3px solid #0081ff;}";

// The part of its own height, in per cent, that the media panel keeps in a window too low for it.
constexpr int mediaLeastPart = 65;

// The lecturer's lock line: 1 locks, 0 unlocks.
constexpr uint lockFlag = 1;
constexpr uint unlockFlag = 0;
const char *const lockNoticePicture = ":/image/tip/exclamatory.png";

QRect availableGeometry(const QWidget *widget)
{
    QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
}
} // namespace

SchoolClassView::SchoolClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "parent:" << parent;
    buildForm();
    menuInitial();
    userInitial();
    chatInitial();
    centerInitial();
    logoutInitial();
    mediaInitial();
    toolInitial();
    frameInitial();
    deviceInitial();
    answerInitial();
    callRollInitial();
    praiseInitial();
    tipInitial();
    lockInitial();
}

SchoolClassView::~SchoolClassView()
{
    qInfo() << "";
    // The frames are windows of their own and take their panels with them; the chat tab's mark goes with the tab
    // bar.
    const QList<QObject *> parts { m_menuView, m_userInfoView, m_chatView, m_centerView, m_toolView, m_tipWidget,
        m_popUp, m_deviceSetMini, m_deviceTitle, m_logoutView, m_logoutTitle, m_relativeLogoutView,
        m_relativeLogoutTitle, m_answerCard, m_answerTitle, m_callRoll, m_callRollTitle, m_praiseView };
    for (QObject *part : parts) {
        if (part)
            part->deleteLater();
    }
    MediaViewInterface::release(m_mediaView);
}

void SchoolClassView::buildForm()
{
    setObjectName("SchoolClassView");
    setWindowTitle("SchoolClassView");
    resize(667, 401);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    auto *contentLayout = new QHBoxLayout();
    m_contentLayout = contentLayout;
    contentLayout->setSpacing(0);
    const QMargins margins = contentLayout->contentsMargins();
    contentLayout->setContentsMargins(margins.left(), margins.top(), 0, 0);
    verticalLayout->addLayout(contentLayout);

    m_leftLayout = new QHBoxLayout();
    m_centerLayout = new QHBoxLayout();
    m_rightWidget = new QWidget(this);
    m_rightWidget->setObjectName("rightWidget");
    contentLayout->addLayout(m_leftLayout, 1);
    contentLayout->addLayout(m_centerLayout, 15);
    contentLayout->addWidget(m_rightWidget, 3);

    auto *rightLayout = new QVBoxLayout(m_rightWidget);
    rightLayout->setSpacing(0);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_mediaLayout = new QVBoxLayout();
    m_rightMidLayout = new QGridLayout();
    m_rightMidLayout->setSpacing(0);
    m_rightMidLayout->setContentsMargins(0, 0, 1, 0);
    m_toolLayout = new QVBoxLayout();
    const QMargins toolMargins = m_toolLayout->contentsMargins();
    m_toolLayout->setContentsMargins(toolMargins.left(), toolMargins.top(), toolMargins.right(), 20);
    rightLayout->addLayout(m_mediaLayout, 6);
    rightLayout->addLayout(m_rightMidLayout, 14);
    rightLayout->addLayout(m_toolLayout);

    m_userChatWidget = new QTabWidget(m_rightWidget);
    m_userChatWidget->setObjectName("userChatWidget");
    m_userChatWidget->setTabShape(QTabWidget::Triangular);
    m_userChatWidget->setUsesScrollButtons(false);
    m_userChatWidget->setDocumentMode(true);
    m_userChatWidget->setMovable(false);
    m_userWidget = new QWidget();
    m_userWidget->setObjectName("userWidget");
    m_userLayout = new QVBoxLayout(m_userWidget);
    m_chatWidget = new QWidget();
    m_chatWidget->setObjectName("chatWidget");
    m_chatLayout = new QVBoxLayout(m_chatWidget);
    m_chatLayout->setContentsMargins(0, 0, 0, 0);
    m_userChatWidget->addTab(m_userWidget, QString());
    m_userChatWidget->addTab(m_chatWidget, QString());
    m_userChatWidget->setCurrentIndex(0);
    m_rightMidLayout->addWidget(m_userChatWidget, 0, 0);
}

void SchoolClassView::menuInitial()
{
    qDebug() << "menuInitial";
    m_menuView = new MenuView(this);
    m_leftLayout->addWidget(m_menuView);
    if (g_userInfoManager) {
        connect(g_userInfoManager, &UserInfoManager::signalLectInfoOnline, m_menuView, &MenuView::slotLectOnline);
        connect(g_userInfoManager, &UserInfoManager::signalLectInfoOffline, m_menuView, &MenuView::slotLectOffline);
    }
}

void SchoolClassView::userInitial()
{
    qDebug() << "userInitial";
    m_userInfoView = new UserInfoView(this);
    m_userLayout->addWidget(m_userInfoView);
    if (g_userInfoManager) {
        UserInfoManager *users = g_userInfoManager;
        connect(users, &UserInfoManager::signalUserInfoList, m_userInfoView, &UserInfoView::slotAddUserInfoList);
        connect(users, &UserInfoManager::signalTeacherInfoList, m_userInfoView, &UserInfoView::slotAddTeacherInfoList);
        connect(users, &UserInfoManager::signalUserInfoLate, m_userInfoView, &UserInfoView::slotAddUserInfo);
        connect(users, &UserInfoManager::signalUserInfoOffline, m_userInfoView, &UserInfoView::slotRemoveUserInfo);
        connect(
            users, &UserInfoManager::signalRelativeInfoOnline, m_userInfoView, &UserInfoView::slotRelativeInfoUpdate);
        connect(
            users, &UserInfoManager::signalRelativeInfoOffline, m_userInfoView, &UserInfoView::slotRelativeInfoUpdate);
        connect(users, &UserInfoManager::signalLectInfoLate, this, &SchoolClassView::lectOnlineLate);
        connect(users, &UserInfoManager::signalLectInfoOffline, this, &SchoolClassView::lectOffline);
    }
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalHandUp, m_userInfoView,
            &UserInfoView::slotHandUpButtonChanged);
    connect(m_menuView, &MenuView::signalHandDisable, m_userInfoView, &UserInfoView::slotResetHandUpButton);
    connect(m_menuView, &MenuView::signalHandButtonChanged, m_userInfoView, &UserInfoView::slotHandUpButtonChanged);
}

void SchoolClassView::chatInitial()
{
    qDebug() << "chatInitial";
    m_chatView = new ChatView(this);
    m_chatLayout->addWidget(m_chatView);
    m_chatWidget->setStyleSheet("background-color: white;");
    m_chatTipLabel = new TipLabel();
    m_userChatWidget->tabBar()->setTabButton(1, QTabBar::RightSide, m_chatTipLabel);

    if (g_userInfoManager)
        connect(g_userInfoManager, &UserInfoManager::signalLectIdOffline, m_chatView, &ChatView::resetChatTextEdit);
    connect(m_userChatWidget, &QTabWidget::currentChanged, m_chatView, &ChatView::onUserWidgetChange);
    connect(m_chatView, &ChatView::signalUserChatTip, this, &SchoolClassView::slotUserChatTip);
    // The tip bar is made by a later step: the window's slot looks for it when a tip comes.
    connect(
        m_chatView, &ChatView::showMessageTip, this, qOverload<const QString &, uint>(&SchoolClassView::slotShowTip));
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalClassClearScreen, m_chatView,
            &ChatView::slotClassClearScreen);
}

void SchoolClassView::centerInitial()
{
    qDebug() << "centerInitial";
    m_centerView = new CenterView(this);
    m_centerLayout->addWidget(m_centerView);
    connect(m_centerView, &CenterView::signalCourseFileTip, this,
        qOverload<const QString &>(&SchoolClassView::slotShowTip));
    if (g_userInfoManager) {
        UserInfoManager *users = g_userInfoManager;
        connect(users, &UserInfoManager::signalLectIdFirst, m_centerView, &CenterView::slotSendLateStart);
        connect(users, &UserInfoManager::signalLectInfoOnline, m_centerView, &CenterView::slotLectOnline);
        connect(users, &UserInfoManager::signalLectInfoOffline, m_centerView, &CenterView::slotLectOffline);
    }
    connect(m_menuView, &MenuView::signalCenterPageChange, m_centerView, &CenterView::slotPageChange);
    connect(m_centerView, &CenterView::signalChangeUIType, m_menuView, &MenuView::slotChangeUIType);
}

void SchoolClassView::logoutInitial()
{
    qDebug() << "logoutInitial";
    m_logoutView = LogoutView::makeLeaveQuestion(g_classType);
    m_logoutTitle = new TitleView(m_logoutView, QStringLiteral("Vantrel"), logoutTitleFlags);
    connect(m_logoutView, &LogoutView::signalClose, m_logoutTitle, &QWidget::close);
    connect(m_logoutView, &LogoutView::signalLogout, m_logoutTitle, &QWidget::close);

    m_relativeLogoutView = new LogoutView(LogoutView::NoCloseButton);
    m_relativeLogoutView->setText(QStringLiteral("学生已退出无法继续旁听"));
    m_relativeLogoutView->setFixedSize(LogoutView::dialogWidth, LogoutView::dialogHeight);
    m_relativeLogoutTitle = new TitleView(m_relativeLogoutView, QStringLiteral("Vantrel"), relativeLogoutTitleFlags);
}

void SchoolClassView::mediaInitial()
{
    qDebug() << "mediaInitial";
    // A panel a test hands in takes the place of the lesson type's.
    if (MediaViewInterface *panel = MediaViewInterface::made()) {
        m_mediaView = panel;
        return;
    }
    switch (g_classType) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
        g_mediaHost = g_webrtcHost;
        g_mediaPort = g_webrtcPort;
        mediaWebrtcInitial();
        break;
    case 6:
    case 7:
        g_mediaHost = g_rtmpPushHost.isEmpty() ? g_rtmpHost : g_rtmpPushHost;
        g_mediaPort = g_rtmpPushHost.isEmpty() ? g_rtmpPort : g_rtmpPushPort;
        mediaRtmpInitial();
        break;
    default:
        qWarning() << "classType unknown error! classType:" << g_classType;
        break;
    }
}

void SchoolClassView::mediaWebrtcInitial()
{
    auto *panel = new MediaViewWebrtc(mediaFullHeight, this);
    m_mediaLayout->addWidget(panel);
    m_mediaView = panel;
    connect(panel, &MediaViewWebrtc::sendUserListCamState, m_userInfoView, &UserInfoView::slotCameraButtonChanged);
    connect(panel, &MediaViewWebrtc::sendResetAllCamState, m_userInfoView, &UserInfoView::slotResetCameraButton);
    connect(panel, &MediaViewWebrtc::sendMessageBoxTipOut, this,
        qOverload<const QString &, uint>(&SchoolClassView::slotShowTip));
    connect(m_userInfoView, &UserInfoView::signalSendAVRequest, panel, &MediaViewWebrtc::onStartPullStream);
    connect(m_userInfoView, &UserInfoView::signalSendAVClose, panel, &MediaViewWebrtc::signalUserAVClose);
    if (g_userInfoManager) {
        UserInfoManager *users = g_userInfoManager;
        connect(users, &UserInfoManager::signalUserIdOffline, panel, &MediaViewWebrtc::userOffline);
        connect(users, &UserInfoManager::signalUserIdOnline, panel, &MediaViewWebrtc::userOnline);
        connect(users, &UserInfoManager::signalRelativeInfoOnline, panel, &MediaViewWebrtc::slotRelativeInfoOnline);
        connect(users, &UserInfoManager::signalRelativeInfoOffline, panel, &MediaViewWebrtc::slotRelativeInfoOffline);
    }
    connect(panel, &MediaViewWebrtc::sendFullScreen, this, &SchoolClassView::slotVideoFullScreen);
    connect(panel, &MediaViewWebrtc::sendHind, this, &SchoolClassView::slotVideoFullScreenEnd);
    // No recorder takes part in the class start yet: the recording is granted at once and ends at once.
    connect(panel, &MediaViewWebrtc::signalRecordRequest, panel, [panel](bool start) {
        if (start)
            panel->slotRecordSuccess();
        else
            panel->onSlotRecordEnd();
    });
}

void SchoolClassView::mediaRtmpInitial()
{
    auto *panel = new MediaView(mediaFullHeight, this);
    m_mediaLayout->addWidget(panel);
    m_mediaView = panel;
    if (g_userInfoManager)
        connect(g_userInfoManager, &UserInfoManager::signalUserIdOffline, panel, &MediaView::stopPullStream);
    connect(m_userInfoView, &UserInfoView::signalSendAVRequest, panel, &MediaView::startPullStreamIn);
    connect(panel, &MediaView::messageBoxTipOut, this, qOverload<const QString &, uint>(&SchoolClassView::slotShowTip));
    connect(panel, &MediaView::onCameraBtnChangedOut, m_userInfoView, &UserInfoView::slotCameraButtonChanged);
}

void SchoolClassView::toolInitial()
{
    qDebug() << "toolInitial";
    m_toolView = new ToolView(this);
    m_toolLayout->addWidget(m_toolView);
    PadTcpManager *pad = m_toolView->getPadTcpManager();
    connect(pad, &PadTcpManager::readPPtMessageOut, m_centerView, &CenterView::signalReadPPtCourseMessage);
    connect(m_centerView, &CenterView::signalSendPPtMessageOut, pad, &PadTcpManager::sendPPtMessageIn);
    pad->startTcpServer();
}

void SchoolClassView::frameInitial()
{
    qDebug() << "frameInitial";
    // The least size is what the panels take, so that the size below keeps room for them.
    sizeColumn();
    setMinimumSize(leastSize());
    const QRect available = availableGeometry(this);
    const int width = qMax(available.width() * 750 / 1000, minimumWidth() + 60);
    const int height = qMax(available.height() * 850 / 1000, minimumHeight());
    resize(width, height);
}

void SchoolClassView::deviceInitial()
{
    qDebug() << "deviceInitial";
    // Without a media panel there is no push to hand the devices to, and nobody to answer for.
    if (!m_mediaView)
        return;
    m_deviceSetMini = new DeviceSetMini(m_mediaView->getPushStreamInterface());
    m_deviceTitle = new TitleView(m_deviceSetMini, QStringLiteral("设备检测"), deviceTitleFlags);
    if (g_userInfoManager)
        connect(
            g_userInfoManager, &UserInfoManager::signalLectIdFirst, m_deviceSetMini, &DeviceSetMini::slotLectIdFirst);
    connect(m_deviceSetMini, &DeviceSetMini::signalCameraButtonEnable, m_userInfoView,
        &UserInfoView::slotCameraButtonEnable);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::readDeviceMessage, m_deviceSetMini,
            &DeviceSetMini::slotReadDeviceMsg);
}

void SchoolClassView::answerInitial()
{
    qDebug() << "answerInitial";
    m_answerCard = new AnswerCard();
    m_answerCard->setFixedSize(m_answerCard->size());
    m_answerTitle = new TitleView(m_answerCard, QStringLiteral("答题"), answerTitleFlags);
    m_answerTitle->setWindowFlags(popUpWindowFlags);
    // Observers (type 5) take no quiz.
    if (GlobalFunc::isCurrentUserTypeFive())
        return;
    connect(m_answerCard, &AnswerCard::signalAnswerCardShow, m_answerTitle, qOverload<>(&TitleView::show));
    if (g_socketClientManager) {
        SocketClientManager *socket = g_socketClientManager;
        connect(socket, &SocketClientManager::signalShowQuestionInfo, this, &SchoolClassView::slotQuestionShown);
        connect(socket, &SocketClientManager::signalShowQuestionInfo, m_answerCard, &AnswerCard::deQuestionInfo);
        connect(socket, &SocketClientManager::signalStopQuestion, m_answerCard, &AnswerCard::OnStopQuestion);
        connect(socket, &SocketClientManager::signalStopQuestion, this, &SchoolClassView::slotQuestionStopped);
        connect(socket, &SocketClientManager::signalCloseQuestion, m_answerCard, &AnswerCard::exitQuestion);
        connect(socket, &SocketClientManager::signalCloseQuestion, m_answerTitle, &QWidget::close);
    }
    if (g_userInfoManager) {
        // Nobody is left to stop or close the question.
        connect(g_userInfoManager, &UserInfoManager::signalLectIdOffline, m_answerCard, &AnswerCard::exitQuestion);
        connect(g_userInfoManager, &UserInfoManager::signalLectIdOffline, m_answerTitle, &QWidget::close);
    }
}

void SchoolClassView::slotQuestionShown()
{
    // A new question is answered before anything else, as the card's frame always was.
    if (m_answerTitle->titleFlags() == answerStoppedTitleFlags)
        m_answerTitle->setTitleFlags(answerTitleFlags | TitleView::StayOnTop);
}

void SchoolClassView::slotQuestionStopped()
{
    if (m_answerTitle->titleFlags() != answerStoppedTitleFlags)
        m_answerTitle->setTitleFlags(answerStoppedTitleFlags);
}

void SchoolClassView::callRollInitial()
{
    qDebug() << "callRollInitial";
    m_callRoll = new CallRoll(this);
    m_callRoll->setAttribute(Qt::WA_ShowModal, true);
    m_callRoll->setWindowModality(Qt::ApplicationModal);
    m_callRoll->setFixedSize(m_callRoll->size());
    m_callRollTitle = new TitleView(m_callRoll, QStringLiteral("课堂点名"), callRollTitleFlags);
    m_callRollTitle->setWindowFlags(popUpWindowFlags);
    m_callRollTitle->setFixedSize(QSize(400, 300));
    if (g_socketClientManager)
        connect(
            g_socketClientManager, &SocketClientManager::signalCallRollStart, m_callRoll, &CallRoll::onCallRollStart);
    connect(m_callRoll, &CallRoll::signalCallRollShow, m_callRollTitle, qOverload<>(&TitleView::show));
    connect(m_callRoll, &CallRoll::signalCallRollHide, m_callRollTitle, &QWidget::hide);
}

void SchoolClassView::praiseInitial()
{
    qDebug() << "praiseInitial";
    m_praiseView = new PraiseView();
    connect(m_praiseView, &PraiseView::signalPraiseBtnChanged, m_userInfoView, &UserInfoView::slotPraiseButtonChanged);
}

void SchoolClassView::tipInitial()
{
    qDebug() << "tipInitial";
    m_tipWidget = new TipWidget(this);
    m_tipWidget->hide();
    m_popUp = new PopUp();
}

void SchoolClassView::lockInitial()
{
    qDebug() << "lockInitial";
    m_titleLocked = false;
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalLockScreen, this,
            &SchoolClassView::slotSocketLockScreen);
}

void SchoolClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    if (m_mediaView)
        m_mediaView->initialLater();
    m_centerView->initialLater();
    m_titleView = qobject_cast<TitleView *>(parentWidget());
    if (m_titleView) {
        connect(m_logoutView, &LogoutView::signalLogout, m_titleView, &QWidget::close);
        connect(m_logoutTitle, &TitleView::signalClose, this, &SchoolClassView::slotLogoutTitleClosed);
        connect(m_titleView, &TitleView::signalCustomClose, this, &SchoolClassView::slotCustomClose);
        connect(m_relativeLogoutView, &LogoutView::signalLogout, m_titleView, &QWidget::close);
        connect(m_userInfoView, &UserInfoView::signalRelativeUserOffline, m_relativeLogoutTitle,
            qOverload<>(&TitleView::show));
        // The boxes of the class window are its own: kept above it through full screen and the lock by any
        // window manager, and blocking it alone.
        for (TitleView *frame : ownedFrames())
            frame->setOwner(m_titleView);
    } else {
        qWarning() << "SchoolClassView::initialLater titleView is null!";
    }
    // The device panel is realised once, hidden: its native window is made and never mapped. Shown and hidden at
    // once instead, it would be mapped all the same by a window manager that handles the map after the withdrawal
    // (an empty modal frame over the lesson for good).
    if (m_deviceTitle)
        m_deviceTitle->winId();
}

void SchoolClassView::applyTitleLock()
{
    if (!m_titleView)
        return;
    const int flags = m_titleView->titleFlags();
    m_titleView->setTitleFlags(m_titleLocked ? flags | titleLockBits : flags & ~titleLockBits);
    // The window comes in front of everything when locked and changes its layer when unlocked: the boxes still
    // open over it come back in front.
    raiseOwnedFrames();
}

QList<TitleView *> SchoolClassView::ownedFrames() const
{
    QList<TitleView *> frames;
    for (TitleView *frame : { m_deviceTitle, m_callRollTitle, m_answerTitle, m_relativeLogoutTitle, m_logoutTitle }) {
        if (frame)
            frames.append(frame);
    }
    return frames;
}

void SchoolClassView::raiseOwnedFrames()
{
    // The modal one that blocks the window last, so that it keeps the keyboard.
    TitleView *modal = nullptr;
    for (TitleView *frame : ownedFrames()) {
        if (!frame->isVisible())
            continue;
        if (frame == QApplication::activeModalWidget())
            modal = frame;
        else
            frame->raiseOverOwner();
    }
    if (modal)
        modal->raiseOverOwner();
}

void SchoolClassView::slotCustomClose()
{
    // The dialog needs the title bar's buttons free while it is open.
    m_titleLocked = false;
    applyTitleLock();
    m_logoutTitle->show();
}

void SchoolClassView::slotLogoutTitleClosed()
{
    if (!m_screenLocked)
        return;
    m_titleLocked = true;
    applyTitleLock();
}

void SchoolClassView::slotSocketLockScreen(uint flag)
{
    qInfo() << "flag:" << flag;
    // Observers are never locked.
    if (GlobalFunc::isCurrentUserTypeFive())
        return;
    if (!m_titleView) {
        qWarning() << "title is null!";
        return;
    }
    switch (flag) {
    case lockFlag:
        m_screenLocked = true;
        // A full-screen video keeps the title bar free; its end locks the window.
        if (!m_videoFullScreen) {
            slotLockStateChange(true);
            m_titleView->show();
            m_titleView->showFullScreen();
            raiseOwnedFrames();
        }
        m_popUp->showDialogWithImg(QStringLiteral("教师已锁定您的屏幕"), QString::fromLatin1(lockNoticePicture));
        break;
    case unlockFlag:
        m_screenLocked = false;
        if (!m_videoFullScreen) {
            slotLockStateChange(false);
            m_titleView->showNormal();
            raiseOwnedFrames();
        }
        m_popUp->showDialogWithImg(QStringLiteral("教师已解锁您的屏幕"), QString::fromLatin1(lockNoticePicture));
        break;
    default:
        qWarning() << "flag unknown error! flag:" << flag;
        m_titleLocked = false;
        showMaximized();
        break;
    }
}

void SchoolClassView::slotLockStateChange(bool locked)
{
    m_titleLocked = locked;
    applyTitleLock();
}

void SchoolClassView::slotTitleMainViewEnable()
{
    applyTitleLock();
}

void SchoolClassView::lectOffline(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    // Whoever could lift the lock has gone: also during a full-screen video or an open leave dialog, when the
    // title bar is free but the screen still counts as locked; kept, the next full-screen end would lock the
    // student in with nobody to unlock.
    if (m_screenLocked)
        slotSocketLockScreen(unlockFlag);
}

void SchoolClassView::sendLateState(QString uid)
{
    qInfo() << "uid:" << uid;
}

void SchoolClassView::lectOnlineLate(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    m_userInfoView->slotResetPraiseButton();
}

void SchoolClassView::slotShowTip(const QString &text, uint time)
{
    if (m_tipWidget)
        m_tipWidget->showTip(text, time);
}

void SchoolClassView::slotShowTip(const QString &text)
{
    slotShowTip(text, TipWidget::defaultSeconds);
}

void SchoolClassView::slotVideoFullScreen()
{
    m_videoFullScreen = true;
    m_titleLocked = false;
    applyTitleLock();
}

void SchoolClassView::slotVideoFullScreenEnd()
{
    m_videoFullScreen = false;
    if (!m_screenLocked)
        return;
    m_titleLocked = true;
    applyTitleLock();
    if (m_titleView) {
        m_titleView->showFullScreen();
        m_titleView->show();
        raiseOwnedFrames();
    }
}

void SchoolClassView::slotUserChatTip(const QString &id, bool shown)
{
    if (id == g_classId)
        m_chatTipLabel->setTipShown(shown);
}

void SchoolClassView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeColumn();
    if (auto *media = dynamic_cast<QWidget *>(m_mediaView))
        media->setFixedHeight(mediaHeight());
    // Another screen gives the column another width, and the panels another least size.
    setMinimumSize(leastSize());
    if (m_tipWidget)
        m_tipWidget->move((width() - m_tipWidget->width()) / 2, 0);
}

void SchoolClassView::sizeColumn()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : width();
    const int rightWidth = screenWidth * 200 / 1100;
    m_rightWidget->setFixedWidth(rightWidth);
    const int tabWidth = rightWidth / 2 - 1;
    const int tabHeight = tabWidth * 215 / 1000;
    m_userChatWidget->setTabText(0, QStringLiteral("用户列表"));
    m_userChatWidget->setTabText(1, QStringLiteral("讨论交流"));
    const char *style = g_uiScale > 1.2 ? tabStyleLarge : tabStyleNormal;
    const QString sheet = QString::fromUtf8(style).arg(tabWidth).arg(tabHeight);
    if (m_userChatWidget->styleSheet() != sheet)
        m_userChatWidget->setStyleSheet(sheet);
}

int SchoolClassView::mediaLeastHeight() const
{
    return (m_rightWidget->width() * 750 / 1000 + 28) * mediaLeastPart / 100;
}

int SchoolClassView::mediaHeight() const
{
    const int own = m_rightWidget->width() * 750 / 1000 + 28;
    // Below the panel: the tabs with the chat at its least rows, the tool bar.
    const QMargins margins = m_contentLayout->contentsMargins();
    const int room = height() - margins.top() - margins.bottom() - m_rightMidLayout->minimumSize().height()
        - m_toolLayout->minimumSize().height();
    return qBound(mediaLeastHeight(), room, own);
}

QSize SchoolClassView::leastSize() const
{
    const QMargins margins = m_contentLayout->contentsMargins();
    const int column = (m_mediaView ? mediaLeastHeight() : 0) + m_rightMidLayout->minimumSize().height()
        + m_toolLayout->minimumSize().height();
    const int height
        = std::max({ column, m_leftLayout->minimumSize().height(), m_centerLayout->minimumSize().height() })
        + margins.top() + margins.bottom();
    return QSize(layout()->totalMinimumSize().width(), height);
}

void SchoolClassView::clientOnline()
{
    qInfo() << "userId:" << g_userId;
    g_userInfoHash.resetAllUserState();
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
    m_centerView->openDefaultViewLocal();
    m_centerView->clearCourseState();
    m_menuView->restoreState();
    setEnabled(true);
}

void SchoolClassView::clientOffline()
{
    qInfo() << "userId:" << g_userId;
    g_userInfoHash.resetAllUserState();
    g_teacherList.clear();
    if (m_mediaView) {
        m_mediaView->stopPushStreamListener();
        m_mediaView->stopAllPullStream();
    }
    m_userInfoView->slotResetUserInfoView();
    m_centerView->setCourseEnable(true);
    m_centerView->pauseVideo();
    // The question's close would come over the connection that is gone; a question still open comes again
    // with the lesson's state.
    m_answerCard->exitQuestion();
    m_answerTitle->close();
    setEnabled(false);
}

void SchoolClassView::closeEvent(QCloseEvent *event)
{
    // The praise counts are the lesson's: the next lesson starts at none.
    for (const QString &userId : g_userInfoHash.selectAllUserId()) {
        UserInfo userInfo;
        if (!g_userInfoHash.selectUserInfo(userId, userInfo))
            continue;
        userInfo.setExtraState(0);
        g_userInfoHash.updateUserInfo(userInfo);
    }
    qInfo() << "event:" << event;
    if (m_mediaView)
        m_mediaView->stopPushStreamLect();
    m_centerView->slotOpenDefaultView(GlobalEnum::PPMServer);
    emit signalCloseOut();
    QWidget::closeEvent(event);
}
