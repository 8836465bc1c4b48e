#include "vrek/login/coderui.h"

#include <QDebug>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

CoderUI::CoderUI(QWidget *parent)
    : QWidget(parent)
    , m_backBtn(new QPushButton(this))
    , m_label(new QLabel(this))
{
    qInfo() << "parent:" << parent;
    setObjectName("CoderUI");
    resize(640, 400);
    m_backBtn->setObjectName("backBtn");
    m_backBtn->setGeometry(270, 260, 100, 31);
    m_backBtn->setStyleSheet("QPushButton{border-image:url(:/image/login/back-1.png);}"
                             "QPushButton:hover{border-image:url(:/image/login/back-2.png);}"
                             "QPushButton:pressed{border-image:url(:/image/login/back-3.png);}");
    m_label->setObjectName("label");
    m_label->setGeometry(200, 30, 243, 282);
    m_label->setStyleSheet("border-image:url(:/image/login/coder.png);");
    m_backBtn->raise();
    setStyleSheet("QWidget#CoderUI{border-radius:4px;background-color:rgba(0,0,0,20%);}");
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_backBtn, &QPushButton::clicked, this, &QWidget::hide);
}

CoderUI::~CoderUI()
{
    qInfo() << "~CoderUI";
}

void CoderUI::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    QLinearGradient veil(0, 0, width(), height());
    veil.setColorAt(0, QColor(0, 0, 0, 100));
    veil.setColorAt(0.5, QColor(0, 0, 0, 100));
    veil.setColorAt(1, QColor(0, 0, 0, 100));
    painter.fillRect(rect(), veil);
}
