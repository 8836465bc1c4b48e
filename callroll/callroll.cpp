#include "callroll/callroll.h"

#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int startParts = 4;
}

CallRoll::CallRoll(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
    , m_textLabel(new QLabel(this))
    , m_resButton(new QPushButton(this))
{
    setObjectName("CallRoll");
    resize(400, 300);
    m_timer->setInterval(tickIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &CallRoll::onTimeout);

    m_textLabel->setObjectName("callRollTextLabel");
    m_textLabel->setAlignment(Qt::AlignCenter);
    m_textLabel->setStyleSheet("QLabel{font:18px;color:#333333;}");
    m_resButton->setObjectName("callRollResButton");
    m_resButton->setFixedSize(148, 148);
    m_resButton->setCursor(Qt::PointingHandCursor);
    connect(m_resButton, &QPushButton::clicked, this, &CallRoll::onResButtonClick);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_resButton, 0, Qt::AlignHCenter);
    layout->addSpacing(20);
    layout->addWidget(m_textLabel);
    layout->addStretch();
    setSignButton();
}

CallRoll::~CallRoll()
{
    m_timer->stop();
}

void CallRoll::setTickInterval(int ms)
{
    m_timer->setInterval(ms);
}

bool CallRoll::isRunning() const
{
    return m_timer->isActive();
}

void CallRoll::setSignButton()
{
    m_resButton->setEnabled(true);
    m_resButton->setStyleSheet("QPushButton{border-image:url(:/image/call/Sign_1.png);}"
                               "QPushButton:hover{border-image:url(:/image/call/Sign_2.png);}");
    m_textLabel->setText(QStringLiteral("老师正在点名,请您答到"));
}

void CallRoll::setAnsweredButton()
{
    // Answered once: a second click must not answer again.
    m_resButton->setEnabled(false);
    m_resButton->setStyleSheet("QPushButton{border-image:url(:/image/call/Success.png);}");
    m_textLabel->setText(QStringLiteral("已答到"));
}

void CallRoll::onCallRollStart(QString text)
{
    qInfo() << "text:" << text;
    if (GlobalFunc::isCurrentUserTypeFive()) {
        qInfo() << "userType five takes no roll call";
        return;
    }
    // The text comes from the network: every part is checked before it is used.
    const QStringList parts = text.split('@');
    if (parts.size() != startParts || parts.at(0).isEmpty()) {
        qWarning() << "the call roll text error! text:" << text;
        return;
    }
    m_callerId = parts.at(0);
    if (parts.at(1) == QLatin1String("1")) {
        qInfo() << "flag:" << parts.at(1);
        return;
    }
    bool ok = false;
    const int remaining = parts.at(3).toInt(&ok);
    if (!ok || parts.at(2).isEmpty()) {
        qWarning() << "the call roll text error! text:" << text;
        return;
    }
    m_rollCallId = parts.at(2);
    m_remaining = remaining;
    m_ticks = 0;
    m_timer->start();
    setSignButton();
    emit signalCallRollShow();
}

void CallRoll::onTimeout()
{
    ++m_ticks;
    m_remaining -= tickIntervalMs;
    if (m_ticks >= maxTicks || m_remaining <= 0)
        finish();
}

void CallRoll::finish()
{
    m_timer->stop();
    m_ticks = 0;
    emit signalCallRollHide();
}

void CallRoll::onResButtonClick()
{
    if (!m_timer->isActive()) {
        qWarning() << "no roll call running! rollCallId:" << m_rollCallId;
        return;
    }
    const QString data = g_userId + "@" + m_rollCallId;
    qInfo() << "callerId:" << m_callerId << "data:" << data;
    if (!g_socketClientManager || !g_socketClientManager->canDeliver()) {
        // Told, and the button stays: the reply can be given again while the roll call runs.
        qWarning() << "the connection cannot deliver now, no reply sent! data:" << data;
        m_textLabel->setText(QStringLiteral("网络连接已断开，答到未发送，请稍后再点"));
        return;
    }
    setAnsweredButton();
    g_socketClientManager->sendServerForwardPersonal(m_callerId, "10", data);
    m_timer->stop();
    emit signalCallRollHide();
}
