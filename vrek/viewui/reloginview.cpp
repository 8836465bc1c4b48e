#include "vrek/viewui/reloginview.h"

#include "vrek/connectservermanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"

#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ReLoginView *g_reLoginView = nullptr;

namespace {
const char *const reloginMarker = "1";
const char *const stateStyle = "font-size:16pt;color:rgb(102, 102, 102);";
const char *const reloginStyle
    = "QPushButton{border-image:url(:/vrek/image/reconnectview/relogin.png);}"
      "QPushButton:hover{border-image:url(:/vrek/image/reconnectview/relogin-hover.png);}"
      "QPushButton:disabled{border-image:url(:/vrek/image/reconnectview/relogin-disabled.png);}";
const char *const exitStyle = "QPushButton{border-image:url(:/vrek/image/reconnectview/exit.png);}"
                              "QPushButton:hover{border-image:url(:/vrek/image/reconnectview/exit-hover.png);}";
} // namespace

ReLoginView::ReLoginView(ConnectServerManager *connectServer, QWidget *parent, HttpClientManager *httpClient)
    : QWidget(parent)
    , m_httpClient(httpClient)
    , m_reloginTimer(new QTimer(this))
    , m_pictureLabel(new QLabel(this))
    , m_stateCaption(new QLabel(QStringLiteral("状态："), this))
    , m_stateLabel(new QLabel(this))
    , m_reloginButton(new QPushButton(this))
    , m_exitButton(new QPushButton(this))
{
    qInfo() << "parent:" << parent;
    setObjectName("ReLoginView");
    setFixedSize(500, 330);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("QWidget#ReLoginView{background-color:white;}");
    m_pictureLabel->setObjectName("pictureLabel");
    m_pictureLabel->setPixmap(QPixmap(":/vrek/image/reconnectview/404.png"));
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_stateCaption->setObjectName("stateCaption");
    m_stateCaption->setStyleSheet(stateStyle);
    m_stateLabel->setObjectName("stateLabel");
    m_stateLabel->setTextFormat(Qt::PlainText);
    m_stateLabel->setStyleSheet(stateStyle);
    m_stateLabel->setWordWrap(true);
    m_reloginButton->setObjectName("reloginButton");
    m_reloginButton->setFixedSize(122, 40);
    m_reloginButton->setCursor(Qt::PointingHandCursor);
    m_reloginButton->setStyleSheet(reloginStyle);
    m_exitButton->setObjectName("exitButton");
    m_exitButton->setFixedSize(122, 40);
    m_exitButton->setCursor(Qt::PointingHandCursor);
    m_exitButton->setStyleSheet(exitStyle);
    m_exitButton->hide();

    auto *stateLayout = new QHBoxLayout();
    stateLayout->addStretch();
    stateLayout->addWidget(m_stateCaption);
    stateLayout->addWidget(m_stateLabel, 1);
    stateLayout->addStretch();
    auto *buttonLayout = new QHBoxLayout();
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_reloginButton);
    buttonLayout->addSpacing(30);
    buttonLayout->addWidget(m_exitButton);
    buttonLayout->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 30, 20, 30);
    layout->addWidget(m_pictureLabel, 1);
    layout->addLayout(stateLayout);
    layout->addSpacing(20);
    layout->addLayout(buttonLayout);

    m_reloginTimer->setInterval(reloginTimeoutMs);
    connect(m_reloginTimer, &QTimer::timeout, this, &ReLoginView::slotReLoginTimeoutIn);
    connect(m_reloginButton, &QPushButton::clicked, this, &ReLoginView::slotReloginButtonClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    if (!connectServer) {
        qWarning() << "no connect-server manager";
        return;
    }
    connect(connectServer, &ConnectServerManager::signalReloginSuccessOut, this, &ReLoginView::slotReloginSuccessIn);
    connect(
        connectServer, &ConnectServerManager::signalReloginTimeoutOut, this, &ReLoginView::slotReloginTimeoutResultIn);
    connect(connectServer, &ConnectServerManager::signalReloginFailOut, this, &ReLoginView::slotReloginFailIn);
    connect(connectServer, &ConnectServerManager::signalSocketLoginFailOut, this, &ReLoginView::slotSocketLoginFailIn);
}

ReLoginView::~ReLoginView()
{
    qInfo() << "~ReLoginView";
    m_reloginTimer->stop();
}

void ReLoginView::setReloginTimeout(int ms)
{
    m_reloginTimer->setInterval(ms);
}

QString ReLoginView::stateText() const
{
    return m_stateLabel->text();
}

bool ReLoginView::isReloginShown() const
{
    return !m_reloginButton->isHidden();
}

bool ReLoginView::isReloginEnabled() const
{
    return m_reloginButton->isEnabled();
}

bool ReLoginView::isExitShown() const
{
    return !m_exitButton->isHidden();
}

HttpClientManager *ReLoginView::httpClient() const
{
    return m_httpClient ? m_httpClient.data() : g_httpClientManager;
}

void ReLoginView::offerButtons()
{
    // Whatever brought the page up, it always offers a way on: try again, or leave for the login window.
    m_reloginButton->show();
    m_exitButton->show();
}

bool ReLoginView::slotLoginStartIn()
{
    offerButtons();
    m_stateLabel->setText(QStringLiteral("登录已过期或账号在别处已登录,点击重新登录"));
    emit signalShow();
    return true;
}

void ReLoginView::slotReloginButtonClicked()
{
    m_reloginUnderWay = true;
    m_reloginTimer->start();
    m_reloginButton->setEnabled(false);
    m_stateLabel->setText(QStringLiteral("正在登录..."));
    if (HttpClientManager *client = httpClient())
        client->sendUserLogin(g_userCode, g_passWord, QString::fromLatin1(reloginMarker));
    else
        qWarning() << "no REST client to log in with"; // the timer tells the user
    emit signalShow();
}

void ReLoginView::slotReLoginTimeoutIn()
{
    m_stateLabel->setText(QStringLiteral("登录超时!"));
    m_reloginButton->setEnabled(true);
}

void ReLoginView::slotReloginSuccessIn()
{
    if (!m_reloginUnderWay)
        return;
    m_reloginUnderWay = false;
    m_reloginTimer->stop();
    m_stateLabel->setText(QStringLiteral("登录成功!"));
    m_reloginButton->setEnabled(true);
    emit signalHide();
}

void ReLoginView::slotReloginTimeoutResultIn()
{
    if (!m_reloginUnderWay)
        return;
    m_stateLabel->setText(QStringLiteral("登录超时!"));
    m_reloginButton->setEnabled(true);
    emit signalShow();
}

void ReLoginView::slotReloginFailIn(const QString &text)
{
    if (!m_reloginUnderWay)
        return;
    m_reloginTimer->stop();
    m_stateLabel->setText(text);
    m_reloginButton->setEnabled(true);
    emit signalShow();
}

void ReLoginView::slotSocketLoginFailIn(const QString &text)
{
    // The classroom server did not take the course list's login: a relogin brings the course list back once the
    // service answers again, and the lesson can then be entered anew.
    m_stateLabel->setText(text);
    if (!m_reloginUnderWay)
        m_reloginButton->setEnabled(true);
    offerButtons();
    emit signalShow();
}

void ReLoginView::closeEvent(QCloseEvent *event)
{
    m_reloginUnderWay = false;
    m_reloginTimer->stop();
    emit signalCloseEventOut();
    QWidget::closeEvent(event);
}
