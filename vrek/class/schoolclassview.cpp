#include "vrek/class/schoolclassview.h"

#include "callroll/callroll.h"
#include "vrek/course/latectrlmanager.h"

#include "vrek/class/lessoncaption.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QVBoxLayout>

SchoolClassView::SchoolClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "";
    setObjectName("SchoolClassView");
    resize(1280, 720);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_caption = new LessonCaption(this);
    layout->addWidget(m_caption);
}

SchoolClassView::~SchoolClassView()
{
    qInfo() << "";
    // The frame is a window of its own and takes the prompt with it.
    delete m_callRollTitle;
}

void SchoolClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    m_caption->setTitle(g_classTitle);
    m_caption->setState(QStringLiteral("已进入课堂"));
    lateCtrlInitial();
    mediaInitial();
    callRollInitial();
}

void SchoolClassView::lateCtrlInitial()
{
    if (m_lateCtrlManager)
        return;
    m_lateCtrlManager = new LateCtrlManager(this);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::readCtrlMessage, m_lateCtrlManager,
            &LateCtrlManager::readCtrlMessage);
    // The replay is asked for once the lecturer shows up in the first participant list.
    if (g_userInfoManager)
        connect(g_userInfoManager, &UserInfoManager::signalLectIdFirst, m_lateCtrlManager,
            &LateCtrlManager::slotLateMessageStart);
}

void SchoolClassView::callRollInitial()
{
    if (m_callRoll)
        return;
    m_callRoll = new CallRoll(this);
    m_callRoll->setAttribute(Qt::WA_ShowModal, true);
    m_callRoll->setWindowModality(Qt::ApplicationModal);
    m_callRoll->setFixedSize(m_callRoll->size());
    m_callRollTitle = new TitleView(m_callRoll, QStringLiteral("课堂点名"), callRollTitleFlags);
    m_callRollTitle->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_callRollTitle->setFixedSize(QSize(400, 300));
    if (g_socketClientManager)
        connect(
            g_socketClientManager, &SocketClientManager::signalCallRollStart, m_callRoll, &CallRoll::onCallRollStart);
    connect(m_callRoll, &CallRoll::signalCallRollShow, m_callRollTitle, [this]() { m_callRollTitle->show(); });
    connect(m_callRoll, &CallRoll::signalCallRollHide, m_callRollTitle, &QWidget::hide);
}

void SchoolClassView::mediaInitial()
{
    switch (g_classType) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
        g_mediaHost = g_webrtcHost;
        g_mediaPort = g_webrtcPort;
        break;
    case 6:
    case 7:
        g_mediaHost = g_rtmpPushHost.isEmpty() ? g_rtmpHost : g_rtmpPushHost;
        g_mediaPort = g_rtmpPushHost.isEmpty() ? g_rtmpPort : g_rtmpPushPort;
        break;
    default:
        qWarning() << "classType unknown error! classType:" << g_classType;
        break;
    }
}

void SchoolClassView::clientOnline()
{
    setEnabled(true);
    m_caption->setState(QStringLiteral("已进入课堂"));
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
}

void SchoolClassView::clientOffline()
{
    setEnabled(false);
    m_caption->setState(QStringLiteral("与服务器的连接已断开"));
    g_userInfoHash.resetAllUserState();
    g_teacherList.clear();
}
