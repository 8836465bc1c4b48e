#include "vrek/profession/teacherclassview.h"

#include "vrek/class/lessoncaption.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QVBoxLayout>

TeacherClassView::TeacherClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "";
    setObjectName("TeacherClassView");
    resize(1280, 720);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_caption = new LessonCaption(this);
    layout->addWidget(m_caption);
}

TeacherClassView::~TeacherClassView()
{
    qInfo() << "";
}

void TeacherClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    m_caption->setTitle(g_classTitle);
    m_caption->setState(QStringLiteral("已进入会议"));
    lateCtrlInitial();
}

void TeacherClassView::lateCtrlInitial()
{
    if (m_lateCtrlManager)
        return;
    m_lateCtrlManager = new LateCtrlManager(this);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::readCtrlMessage, m_lateCtrlManager,
            &LateCtrlManager::readCtrlMessage);
    if (g_userInfoManager)
        connect(g_userInfoManager, &UserInfoManager::signalLectIdFirst, m_lateCtrlManager,
            &LateCtrlManager::slotLateMessageStart);
    connect(m_lateCtrlManager, &LateCtrlManager::signalSendStatusLate, this, &TeacherClassView::sendLateState);
}

void TeacherClassView::sendLateState(QString userId)
{
    qInfo() << "uid:" << userId;
    CtrlMessage message;
    message.setCtType(LateCtrlManager::LateEnd);
    message.setPersonId(g_userId);
    QString text;
    if (!TSProtocolAnalysis::sendCtrlMessage(message, text))
        return;
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(userId, "0", text);
}

void TeacherClassView::clientOnline()
{
    setEnabled(true);
    m_caption->setState(QStringLiteral("已进入会议"));
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
}

void TeacherClassView::clientOffline()
{
    setEnabled(false);
    m_caption->setState(QStringLiteral("与服务器的连接已断开"));
    g_userInfoHash.resetAllUserState();
    g_teacherList.clear();
}
