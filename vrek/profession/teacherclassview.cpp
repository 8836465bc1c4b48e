#include "vrek/profession/teacherclassview.h"

#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QLabel>
#include <QVBoxLayout>

TeacherClassView::TeacherClassView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "";
    setObjectName("TeacherClassView");
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

TeacherClassView::~TeacherClassView()
{
    qInfo() << "";
}

void TeacherClassView::initialLater()
{
    qInfo() << "classType:" << g_classType;
    m_titleLabel->setText(g_classTitle);
    m_stateLabel->setText(QStringLiteral("已进入会议"));
}

void TeacherClassView::clientOnline()
{
    setEnabled(true);
    m_stateLabel->setText(QStringLiteral("已进入会议"));
    if (g_socketClientManager)
        g_socketClientManager->sendUserRequest();
}

void TeacherClassView::clientOffline()
{
    setEnabled(false);
    m_stateLabel->setText(QStringLiteral("与服务器的连接已断开"));
    g_userInfoHash.resetAllUserState();
}
