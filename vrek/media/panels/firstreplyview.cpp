#include "vrek/media/panels/firstreplyview.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FirstReplyView::FirstReplyView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName("FirstReplyView");
    setWindowTitle("FirstReplyView");
    resize(240, 120);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("老师发起了抢答"), this);
    label->setObjectName("tipLabel");
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    auto *buttons = new QHBoxLayout();
    m_responseButton = new QPushButton(QStringLiteral("抢答"), this);
    m_responseButton->setObjectName("responseButton");
    m_closeButton = new QPushButton(QStringLiteral("关闭"), this);
    m_closeButton->setObjectName("closeButton");
    buttons->addWidget(m_responseButton);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);
    connect(m_responseButton, &QPushButton::clicked, this, &FirstReplyView::firstReplyResponseIn);
    connect(m_closeButton, &QPushButton::clicked, this, &FirstReplyView::firstReplyCloseIn);
}

FirstReplyView::~FirstReplyView() = default;

void FirstReplyView::firstReplyResponseIn()
{
    qInfo() << "first reply";
    emit sendResponseFRStartOut();
    hide();
}

void FirstReplyView::firstReplyCloseIn()
{
    hide();
}
