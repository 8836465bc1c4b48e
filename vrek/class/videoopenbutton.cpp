#include "vrek/class/videoopenbutton.h"

VideoOpenButton::VideoOpenButton(const GroupInfo &info, QWidget *parent)
    : QPushButton(parent)
    , m_groupInfo(info)
{
    connect(this, &QPushButton::clicked, this, &VideoOpenButton::slotButtonClicked);
}

void VideoOpenButton::slotButtonClicked()
{
    emit signalButtonClicked(m_groupInfo);
}
