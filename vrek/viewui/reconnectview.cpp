#include "vrek/viewui/reconnectview.h"

#include "vrek/connectservermanager.h"
#include "vrek/utils/globalvalue.h"

#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *const stateStyle = "font-size:16pt;color:rgb(102, 102, 102);";
const char *const reconnectStyle
    = "QPushButton{border-image:url(:/vrek/image/reconnectview/reconnect.png);}"
      "QPushButton:hover{border-image:url(:/vrek/image/reconnectview/reconnect-hover.png);}"
      "QPushButton:disabled{border-image:url(:/vrek/image/reconnectview/reconnect-disabled.png);}";
const char *const exitStyle = "QPushButton{border-image:url(:/vrek/image/reconnectview/exit.png);}"
                              "QPushButton:hover{border-image:url(:/vrek/image/reconnectview/exit-hover.png);}";
} // namespace

ReconnectView::ReconnectView(ConnectServerManager *connectServer, QWidget *parent)
    : QWidget(parent)
    , m_connectServer(connectServer)
    , m_pictureLabel(new QLabel(this))
    , m_stateCaption(new QLabel(QStringLiteral("状态："), this))
    , m_stateLabel(new QLabel(this))
    , m_reconnectButton(new QPushButton(this))
    , m_exitButton(new QPushButton(this))
    , m_outcomeTimer(new QTimer(this))
{
    qInfo() << "parent:" << parent;
    setObjectName("ReconnectView");
    setFixedSize(500, 330);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("QWidget#ReconnectView{background-color:white;}");
    m_pictureLabel->setObjectName("pictureLabel");
    m_pictureLabel->setPixmap(QPixmap(":/vrek/image/reconnectview/404.png"));
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_stateCaption->setObjectName("stateCaption");
    m_stateCaption->setStyleSheet(stateStyle);
    m_stateLabel->setObjectName("stateLabel");
    m_stateLabel->setTextFormat(Qt::PlainText);
    m_stateLabel->setStyleSheet(stateStyle);
    m_reconnectButton->setObjectName("reconnectButton");
    m_reconnectButton->setFixedSize(122, 40);
    m_reconnectButton->setCursor(Qt::PointingHandCursor);
    m_reconnectButton->setStyleSheet(reconnectStyle);
    m_exitButton->setObjectName("exitButton");
    m_exitButton->setFixedSize(122, 40);
    m_exitButton->setCursor(Qt::PointingHandCursor);
    m_exitButton->setStyleSheet(exitStyle);

    auto *stateLayout = new QHBoxLayout();
    stateLayout->addStretch();
    stateLayout->addWidget(m_stateCaption);
    stateLayout->addWidget(m_stateLabel);
    stateLayout->addStretch();
    auto *buttonLayout = new QHBoxLayout();
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_reconnectButton);
    buttonLayout->addSpacing(30);
    buttonLayout->addWidget(m_exitButton);
    buttonLayout->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 30, 20, 30);
    layout->addWidget(m_pictureLabel, 1);
    layout->addLayout(stateLayout);
    layout->addSpacing(20);
    layout->addLayout(buttonLayout);

    m_outcomeTimer->setSingleShot(true);
    m_outcomeTimer->setTimerType(Qt::PreciseTimer); // a coarse one may end the wait early
    connect(m_outcomeTimer, &QTimer::timeout, this, &ReconnectView::applyOutcome);
    connect(m_reconnectButton, &QPushButton::clicked, this, &ReconnectView::slotReconnectButtonClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &ReconnectView::slotExitButtonClicked);
    if (!connectServer) {
        qWarning() << "no connect-server manager";
        return;
    }
    connect(connectServer, &ConnectServerManager::signalLoginSuccessOut, this, &ReconnectView::slotLoginSuccessIn);
    connect(connectServer, &ConnectServerManager::signalLoginFailOut, this, &ReconnectView::slotLoginFailIn);
    connect(connectServer, &ConnectServerManager::signalLoginTimeoutOut, this, &ReconnectView::slotLoginTimeoutIn);
    connect(connectServer, &ConnectServerManager::signalJoinSuccessOut, this, &ReconnectView::slotJoinSuccessIn);
    connect(connectServer, &ConnectServerManager::signalJoinFailOut, this, &ReconnectView::slotJoinFailIn);
    connect(connectServer, &ConnectServerManager::signalJoinTimeoutOut, this, &ReconnectView::slotJoinFailIn);
    connect(connectServer, &ConnectServerManager::signalConnectionLoggedInOut, this,
        &ReconnectView::slotConnectionLoggedInIn);
}

ReconnectView::~ReconnectView()
{
    qInfo() << "~ReconnectView";
    releaseProcessLock(ProcessReconnect, false);
}

QString ReconnectView::stateText() const
{
    return m_stateLabel->text();
}

bool ReconnectView::isReconnectEnabled() const
{
    return m_reconnectButton->isEnabled();
}

bool ReconnectView::slotLoginStartIn(const QString &userCode, const QString &password)
{
    if (!tryProcessLock(ProcessReconnect)) {
        qWarning() << "another flow is running, processType:" << getProcessType();
        return false;
    }
    m_reconnectButton->setEnabled(false);
    startTry(QStringLiteral("正在登录..."));
    if (m_connectServer)
        m_connectServer->slotLoginStartIn(userCode, password, ConnectServerManager::SocketLogin);
    else
        slotLoginFailIn(QStringLiteral("网络错误"));
    return true;
}

void ReconnectView::slotReconnectButtonClicked()
{
    slotLoginStartIn(g_userCode, g_passWord);
}

void ReconnectView::slotLoginSuccessIn()
{
    if (holdsLock())
        emit signalLoginSuccessOut(); // the lock stays taken for the join
}

void ReconnectView::startTry(const QString &text)
{
    m_outcomeTimer->stop();
    m_stateLabel->setText(text);
    m_tryClock.start();
}

void ReconnectView::showOutcome(const QString &text, bool reconnectEnabled)
{
    m_outcomeText = text;
    m_outcomeEnables = reconnectEnabled;
    const qint64 left = m_tryClock.isValid() ? m_minimumTryMs - m_tryClock.elapsed() : 0;
    if (left > 0)
        m_outcomeTimer->start(int(left));
    else
        applyOutcome();
}

void ReconnectView::applyOutcome()
{
    m_outcomeTimer->stop();
    m_stateLabel->setText(m_outcomeText);
    m_reconnectButton->setEnabled(m_outcomeEnables);
}

void ReconnectView::slotLoginFailIn(const QString &text)
{
    if (!holdsLock())
        return;
    release();
    showOutcome(text, true);
}

void ReconnectView::slotLoginTimeoutIn(const QString &text)
{
    if (!holdsLock())
        return;
    if (m_connectServer)
        m_connectServer->slotLogoutStartIn();
    release();
    showOutcome(text, true);
}

void ReconnectView::slotConnectionLoggedInIn()
{
    // A login of the page's own try is already told by the connect-server manager; one of another flow is not
    // the page's to take.
    if (!isVisible() || holdsLock() || !tryProcessLock(ProcessReconnect))
        return;
    qInfo() << "the connection logged in again, rejoining";
    m_reconnectButton->setEnabled(false);
    m_joinRequested = false;
    emit signalLoginSuccessOut(); // the lock stays taken for the join
    // Where nobody asks for the join (the page is no longer wanted), the try ends here.
    if (holdsLock() && !m_joinRequested) {
        release();
        m_reconnectButton->setEnabled(true);
    }
}

void ReconnectView::slotRequestJoinClassesIn()
{
    if (!holdsLock())
        return;
    m_joinRequested = true;
    startTry(QStringLiteral("正在进入班级..."));
    if (m_connectServer)
        m_connectServer->slotJoinClassesIn();
    else
        slotJoinFailIn(QStringLiteral("进入班级失败"));
}

void ReconnectView::slotJoinSuccessIn()
{
    if (!holdsLock())
        return;
    release();
    m_outcomeTimer->stop();
    m_reconnectButton->setEnabled(false);
    emit signalJoinSuccessOut();
}

void ReconnectView::slotJoinFailIn(const QString &text)
{
    if (!holdsLock())
        return;
    release();
    m_reconnectButton->setEnabled(false);
    showOutcome(text, false);
}

void ReconnectView::slotExitButtonClicked()
{
    emit signalExitButtonClicked();
}

void ReconnectView::closeEvent(QCloseEvent *event)
{
    if (m_outcomeTimer->isActive())
        applyOutcome();
    emit signalCloseEventOut();
    releaseProcessLock(ProcessReconnect, false);
    QWidget::closeEvent(event);
}
