#include "vrek/class/lessoncaption.h"

#include <QLabel>
#include <QVBoxLayout>

LessonCaption::LessonCaption(QWidget *parent)
    : QWidget(parent)
    , m_titleLabel(new QLabel(this))
    , m_stateLabel(new QLabel(this))
{
    auto *layout = new QVBoxLayout(this);
    m_titleLabel->setObjectName("classTitleLabel");
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setStyleSheet("QLabel{font:26px;color:#333333;}");
    m_stateLabel->setObjectName("classStateLabel");
    m_stateLabel->setAlignment(Qt::AlignCenter);
    m_stateLabel->setStyleSheet("QLabel{font:16px;color:#666666;}");
    layout->addStretch();
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_stateLabel);
    layout->addStretch();
}

void LessonCaption::setTitle(const QString &title)
{
    m_titleLabel->setText(title);
}

void LessonCaption::setState(const QString &state)
{
    m_stateLabel->setText(state);
}
