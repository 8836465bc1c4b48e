#include "vrek/viewui/httptipmessage.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

httpTipMessage *g_httpTipMessage = nullptr;

httpTipMessage::httpTipMessage(QWidget *parent)
    : QWidget(parent)
    , m_picture(new QWidget(this))
    , m_pushButton(new QPushButton(this))
{
    setFixedSize(400, 300);
    m_picture->setObjectName("picture");
    m_picture->setAttribute(Qt::WA_StyledBackground);
    m_picture->setStyleSheet("border-image: url(:/image/videoBack/404.png);");
    m_picture->setMaximumWidth(382);
    m_pushButton->setObjectName("pushButton");
    m_pushButton->setFixedSize(78, 26);
    m_pushButton->setStyleSheet("QPushButton{border-image: url(:/image/videoBack/sure.png);}"
                                "QPushButton:hover{border-image: url(:/image/videoBack/surehover.png);}");
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(135, 35, 135, 10);
    layout->addWidget(m_picture, 1);
    auto *buttonRow = new QHBoxLayout();
    buttonRow->addStretch();
    buttonRow->addWidget(m_pushButton);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    connect(m_pushButton, &QPushButton::clicked, this, &httpTipMessage::signalCloseButtonClicked);
}

void httpTipMessage::slotShow()
{
    qDebug() << "test";
    emit signalShows();
}
