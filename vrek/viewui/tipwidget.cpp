#include "vrek/viewui/tipwidget.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TipWidget::TipWidget(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
    , m_closeButton(new QPushButton(this))
    , m_hideTimer(new QTimer(this))
{
    setFixedSize(550, 45);
    QPalette palette = this->palette();
    palette.setColor(QPalette::All, QPalette::Window, QColor(255, 130, 20, 230));
    setPalette(palette);
    setAutoFillBackground(true);

    m_label->setObjectName("label");
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(QFont("微软雅黑"));
    m_label->setStyleSheet("QLabel{\n    color:white;}");
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setWordWrap(true);
    m_closeButton->setObjectName("closeButton");
    m_closeButton->setFixedSize(15, 15);
    m_closeButton->setStyleSheet("QPushButton{border-image:url(:/vrek/image/centerview/close_01.png);}"
                                 "QPushButton:checked{border-image:url(:/vrek/image/centerview/close_02.png);}");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 0, 10, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_closeButton);

    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &TipWidget::hideTip);
    connect(m_closeButton, &QPushButton::clicked, this, &TipWidget::slotCloseButtonClicked);
    hide();
}

TipWidget *TipWidget::smallBar(QWidget *parent)
{
    auto *bar = new TipWidget(parent);
    bar->setFixedSize(int(112 * g_uiScale), int(35 * g_uiScale));
    bar->setStyleSheet("QWidget{background-color:#ff8214;}");
    bar->hideCloseButton();
    // The wide bar's margins would leave a short tip ("请勿频繁操作!") too little room and wrap it.
    bar->layout()->setContentsMargins(4, 0, 4, 0);
    return bar;
}

QString TipWidget::text() const
{
    return m_label->text();
}

void TipWidget::hideCloseButton()
{
    m_closeButton->hide();
}

void TipWidget::showTip(const QString &text, const unsigned int time)
{
    m_label->setText(StringUtil::clippedText(text));
    const unsigned int ms = time * 1000u;
    m_hideTimer->start(int(qMin(ms, 0x7fffffffu)));
    show();
    raise();
}

void TipWidget::showTip(const QString &text)
{
    showTip(text, defaultSeconds);
}

void TipWidget::hideTip()
{
    hide();
    m_label->clear();
    m_hideTimer->stop();
}

void TipWidget::slotCloseButtonClicked()
{
    hideTip();
}
