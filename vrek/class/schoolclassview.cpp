#include "vrek/class/schoolclassview.h"

#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QLabel>
#include <QVBoxLayout>

SchoolClassView::SchoolClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "";
    setObjectName("SchoolClassView");
    resize(1280, 720);
    auto *layout = new QVBoxLayout(this);
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName("classTitleLabel");
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setStyleSheet("QLabel{font:26px;color:#333333;}");
    m_stateLabel = new QLabel(this);
    m_stateLabel->setObjectName("classStateLabel");
    m_stateLabel->setAlignment(Qt::AlignCenter);
    m_stateLabel->setStyleSheet("QLabel{font:16px;color:#666666;}");
    layout->addStretch();
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_stateLabel);
    layout->addStretch();
}

SchoolClassView::~SchoolClassView()
{
    qInfo() << "";
}

void SchoolClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    m_titleLabel->setText(g_classTitle);
    m_stateLabel->setText(QStringLiteral("已进入课堂"));
    mediaInitial();
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
    m_stateLabel->setText(QStringLiteral("已进入课堂"));
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
}

void SchoolClassView::clientOffline()
{
    setEnabled(false);
    m_stateLabel->setText(QStringLiteral("与服务器的连接已断开"));
    g_userInfoHash.resetAllUserState();
    g_teacherList.clear();
}
