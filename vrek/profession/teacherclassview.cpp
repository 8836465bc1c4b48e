#include "vrek/profession/teacherclassview.h"

#include "vrek/chat/chatview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/centerview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/toolview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/devicesetmini.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/popup.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

TeacherClassView::TeacherClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "parent:" << parent;
    buildForm();
    frameInitial();
    menuInitial();
    userInitial();
    chatInitial();
    centerInitial();
    logoutInitial();
    mediaInitial();
    toolInitial();
    deviceInitial();
    tipInitial();
    // Sized before the panels were there: the window still keeps room for them.
    sizeColumn();
}

TeacherClassView::~TeacherClassView()
{
    qInfo() << "";
    // The frames are windows of their own and take their panels with them.
    const QList<QObject *> parts { m_menuView, m_userInfoView, m_chatView, m_centerView, m_toolView, m_tipWidget,
        m_popUp, m_deviceSetMini, m_deviceTitle, m_logoutView, m_logoutTitle };
    for (QObject *part : parts) {
        if (part)
            part->deleteLater();
    }
    MediaViewInterface::release(m_mediaView);
}

void TeacherClassView::buildForm()
{
    setObjectName("TeacherClassView");
    setWindowTitle("Form");
    resize(667, 401);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    auto *contentLayout = new QHBoxLayout();
    contentLayout->setSpacing(0);
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
    m_userLayout = new QVBoxLayout();
    m_chatLayout = new QVBoxLayout();
    m_toolLayout = new QVBoxLayout();
    rightLayout->addLayout(m_userLayout, 10);
    rightLayout->addLayout(m_chatLayout, 10);
    rightLayout->addLayout(m_toolLayout);
}

void TeacherClassView::frameInitial()
{
    qDebug() << "frameInitial";
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
    const int width = qMax(available.width() * 750 / 1000, minimumWidth() + 60);
    const int height = qMax(available.height() * 850 / 1000, minimumHeight());
    resize(width, height);
}

void TeacherClassView::menuInitial()
{
    qDebug() << "menuInitial";
    m_menuView = new MenuView(this);
    m_leftLayout->addWidget(m_menuView);
    if (g_userInfoManager) {
        connect(g_userInfoManager, &UserInfoManager::signalLectInfoOnline, m_menuView, &MenuView::slotLectOnline);
        connect(g_userInfoManager, &UserInfoManager::signalLectInfoOffline, m_menuView, &MenuView::slotLectOffline);
    }
}

void TeacherClassView::userInitial()
{
    qDebug() << "userInitial";
    m_userInfoView = new UserInfoView(this);
    m_userLayout->addWidget(m_userInfoView);
    if (!g_userInfoManager)
        return;
    connect(
        g_userInfoManager, &UserInfoManager::signalUserInfoList, m_userInfoView, &UserInfoView::slotAddUserInfoList);
    connect(g_userInfoManager, &UserInfoManager::signalUserInfoLate, m_userInfoView, &UserInfoView::slotAddUserInfo);
    connect(
        g_userInfoManager, &UserInfoManager::signalUserInfoOffline, m_userInfoView, &UserInfoView::slotRemoveUserInfo);
}

void TeacherClassView::chatInitial()
{
    qDebug() << "chatInitial";
    m_chatView = new ChatView(this);
    m_chatLayout->addWidget(m_chatView);
    // The tip bar is made by a later step: the window's slot looks for it when a tip comes.
    connect(
        m_chatView, &ChatView::showMessageTip, this, qOverload<const QString &, uint>(&TeacherClassView::slotShowTip));
}

void TeacherClassView::centerInitial()
{
    qDebug() << "centerInitial";
    m_centerView = new CenterView(this);
    connect(m_centerView, &CenterView::signalCourseFileTip, this,
        qOverload<const QString &>(&TeacherClassView::slotShowTip));
    if (g_userInfoManager) {
        UserInfoManager *users = g_userInfoManager;
        connect(users, &UserInfoManager::signalLectIdFirst, m_centerView, &CenterView::slotSendLateStart);
        connect(users, &UserInfoManager::signalLectInfoOnline, m_centerView, &CenterView::slotLectOnline);
        connect(users, &UserInfoManager::signalLectInfoOffline, m_centerView, &CenterView::slotLectOffline);
    }
    connect(m_menuView, &MenuView::signalCenterPageChange, m_centerView, &CenterView::slotPageChange);
    connect(m_centerView, &CenterView::signalChangeUIType, m_menuView, &MenuView::slotChangeUIType);
    connect(m_centerView, &CenterView::signalSendStatusLate, this, &TeacherClassView::sendLateState);
    m_centerLayout->addWidget(m_centerView);
}

void TeacherClassView::logoutInitial()
{
    qDebug() << "logoutInitial";
    m_logoutView = LogoutView::makeLeaveQuestion(g_classType);
    m_logoutTitle = new TitleView(m_logoutView, QStringLiteral("Vantrel"), logoutTitleFlags);
    connect(m_logoutView, &LogoutView::signalClose, m_logoutTitle, &QWidget::close);
    connect(m_logoutView, &LogoutView::signalLogout, m_logoutTitle, &QWidget::close);
}

void TeacherClassView::mediaInitial()
{
    qDebug() << "mediaInitial";
    // A panel a test hands in takes the place of the meeting's.
    if (MediaViewInterface *panel = MediaViewInterface::made()) {
        m_mediaView = panel;
        return;
    }
    if (g_classType != 5) {
        qWarning() << "classType unknown error! classType:" << g_classType;
        return;
    }
    // Meetings push and pull on the second stream server of the classroom login reply.
    g_mediaHost = g_webrtcHost;
    g_mediaPort = g_webrtcPort;
    auto *media = new MediaView3(this);
    if (g_userInfoManager) {
        connect(g_userInfoManager, &UserInfoManager::signalUserIdOnline, media, &MediaView3::userOnline);
        connect(g_userInfoManager, &UserInfoManager::signalUserIdOffline, media, &MediaView3::userOffline);
        connect(g_userInfoManager, &UserInfoManager::signalLectIdOffline, media, &MediaView3::stopAllPullStream);
    }
    connect(m_menuView, &MenuView::signalStartOrStopClass, media, &MediaView3::startOpenIn);
    connect(m_userInfoView, &UserInfoView::signalSendAVRequest, media, &MediaView3::startPullStreamIn);
    connect(
        media, &MediaView3::messageBoxTipOut, this, qOverload<const QString &, uint>(&TeacherClassView::slotShowTip));
    connect(media, &MediaView3::classesBeginOrEndOut, m_menuView, &MenuView::slotClassesBeginOrEndIn);
    connect(media, &MediaView3::onCameraBtnChangedOut, m_userInfoView, &UserInfoView::slotCameraButtonChanged);
    if (GlobalFunc::isCurrentUserLect())
        connect(media, &MediaView3::setCameraBtnStateOut, m_userInfoView, &UserInfoView::slotCameraButtonEnable);
    // The meeting shows on the courseware area's meeting page.
    m_centerView->addMediaWidget(media);
    m_mediaView = media;
}

void TeacherClassView::toolInitial()
{
    qDebug() << "toolInitial";
    m_toolView = new ToolView(this);
    PadTcpManager *pad = m_toolView->getPadTcpManager();
    connect(pad, &PadTcpManager::readPPtMessageOut, m_centerView, &CenterView::signalReadPPtCourseMessage);
    connect(m_centerView, &CenterView::signalSendPPtMessageOut, pad, &PadTcpManager::sendPPtMessageIn);
    pad->startTcpServer();
    m_toolLayout->addWidget(m_toolView);
}

void TeacherClassView::deviceInitial()
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

void TeacherClassView::tipInitial()
{
    qDebug() << "tipInitial";
    m_tipWidget = new TipWidget(this);
    m_tipWidget->hide();
    m_popUp = new PopUp();
}

void TeacherClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    if (m_mediaView)
        m_mediaView->initialLater();
    m_centerView->initialLater();
    m_titleView = qobject_cast<TitleView *>(parentWidget());
    if (m_titleView) {
        connect(m_logoutView, &LogoutView::signalLogout, m_titleView, &QWidget::close);
        connect(m_titleView, &TitleView::signalCustomClose, m_logoutTitle, qOverload<>(&TitleView::show));
        // The window's own boxes: kept above it by any window manager, blocking it alone.
        m_logoutTitle->setOwner(m_titleView);
        if (m_deviceTitle)
            m_deviceTitle->setOwner(m_titleView);
    } else {
        qWarning() << "SchoolClassView::initialLater titleView is null!";
    }
    // The device panel is realised once, hidden: its native window is made and never mapped. Shown and hidden at
    // once instead, it would be mapped all the same by a window manager that handles the map after the withdrawal
    // (an empty modal frame over the lesson for good).
    if (m_deviceTitle)
        m_deviceTitle->winId();
}

void TeacherClassView::sendLateState(QString userId)
{
    qInfo() << "uid:" << userId;
    m_centerView->sendCourseLate(userId);
    m_menuView->sendLateState(userId);
    m_toolView->sendLateState(userId);
    if (m_mediaView)
        m_mediaView->sendLateState(userId);
    m_chatView->sendLateState(userId);
    CtrlMessage message;
    message.setCtType(LateCtrlManager::LateEnd);
    message.setPersonId(g_userId);
    QString text;
    if (!TSProtocolAnalysis::sendCtrlMessage(message, text))
        return;
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(userId, "0", text);
}

void TeacherClassView::slotShowTip(const QString &text, uint time)
{
    if (m_tipWidget)
        m_tipWidget->showTip(text, time);
}

void TeacherClassView::slotShowTip(const QString &text)
{
    slotShowTip(text, TipWidget::defaultSeconds);
}

void TeacherClassView::classesBeginOrEndIn(bool showStart, bool enabled, const QString &text)
{
    Q_UNUSED(showStart)
    Q_UNUSED(enabled)
    Q_UNUSED(text)
}

void TeacherClassView::onRecordStartIn() { }

void TeacherClassView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeColumn();
    if (m_tipWidget)
        m_tipWidget->move((width() - m_tipWidget->width()) / 2, 0);
}

void TeacherClassView::sizeColumn()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : width();
    m_rightWidget->setFixedWidth(screenWidth * 200 / 1000);
    // The meeting panel and the chat's rows fix what the window takes at the least.
    setMinimumSize(layout()->totalMinimumSize());
}

void TeacherClassView::clientOnline()
{
    qInfo() << "userId:" << g_userId;
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
    m_centerView->openDefaultViewLocal();
    m_centerView->clearCourseState();
    m_menuView->restoreState();
    setEnabled(true);
}

void TeacherClassView::clientOffline()
{
    qInfo() << "userId:" << g_userId;
    g_userInfoHash.resetAllUserState();
    // The list lives for the run: kept, this meeting's host would head the next lesson's teachers.
    g_teacherList.clear();
    if (m_mediaView) {
        m_mediaView->stopPushStreamLect();
        m_mediaView->stopAllPullStream();
    }
    m_userInfoView->slotResetUserInfoView();
    m_centerView->setCourseEnable(true);
    m_centerView->pauseVideo();
    setEnabled(false);
}

void TeacherClassView::closeEvent(QCloseEvent *event)
{
    qInfo() << "event:" << event;
    // Without the connection nobody hears the push end.
    if (m_mediaView && g_socketClientManager && g_socketClientManager->isConnected())
        m_mediaView->stopPushStreamLect();
    m_centerView->saveCurrentCourse();
    emit signalCloseOut();
    QWidget::closeEvent(event);
}
