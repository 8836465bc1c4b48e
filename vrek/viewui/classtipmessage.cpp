#include "vrek/viewui/classtipmessage.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

ClassTipMessage::ClassTipMessage(QWidget *parent)
    : QWidget(parent)
    , m_tipLabel(new QLabel(this))
    , m_progressBar(new QProgressBar(this))
    , m_surePushButton(new QPushButton(this))
    , m_hideTimer(new QTimer(this))
{
    setFixedSize(300, 200);
    m_tipLabel->setObjectName("tipLabel");
    m_tipLabel->setTextFormat(Qt::PlainText);
    m_tipLabel->setStyleSheet("color:#222222;font:12px");
    m_tipLabel->setAlignment(Qt::AlignCenter);
    m_tipLabel->setWordWrap(true);
    m_progressBar->setObjectName("progressBar");
    m_progressBar->setFixedSize(180, 15);
    m_progressBar->setRange(0, 100);
    m_surePushButton->setObjectName("surePushButton");
    m_surePushButton->setFixedSize(65, 28);
    m_surePushButton->setStyleSheet("border-image: url(:/vrek/image/centerview/close.png);");
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_tipLabel, 0, Qt::AlignCenter);
    layout->addWidget(m_progressBar, 0, Qt::AlignCenter);
    layout->addWidget(m_surePushButton, 0, Qt::AlignCenter);
    layout->addStretch();
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &ClassTipMessage::hideTip);
    connect(m_surePushButton, &QPushButton::clicked, this, &ClassTipMessage::signalCloseButtonClicked);
}

QString ClassTipMessage::text() const
{
    return m_tipLabel->text();
}

int ClassTipMessage::progress() const
{
    return m_progressBar->value();
}

bool ClassTipMessage::isHideTimerActive() const
{
    return m_hideTimer->isActive();
}

int ClassTipMessage::hideTimerInterval() const
{
    return m_hideTimer->interval();
}

void ClassTipMessage::slotShow(const QString &text)
{
    m_tipLabel->setText(text);
    m_progressBar->hide();
    m_surePushButton->show();
    emit signalShows();
}

void ClassTipMessage::slotShow(const qint32 &progress, uint time)
{
    m_surePushButton->hide();
    m_progressBar->show();
    if (progress < 100) {
        m_tipLabel->setText("下载中");
    } else if (progress == 100) {
        m_tipLabel->setText("下载完成");
        m_hideTimer->start(int(qMin(time * 1000u, 0x7fffffffu)));
    }
    // Out of range the bar would keep its old value; it shows the nearest end instead.
    m_progressBar->setValue(qBound(0, int(progress), 100));
}

void ClassTipMessage::hideTip()
{
    hide();
    m_hideTimer->stop();
    emit signalHide();
}
