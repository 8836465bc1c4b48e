#include "vrek/class/videoopenbutton.h"

VideoOpenButton::VideoOpenButton(const GroupInfo &info, QWidget *parent)
    : QPushButton(parent)
    , m_groupInfo(info)
{
    // Flat, so that a style that draws a bevel of the button colour (Fusion) leaves the transparent row to show.
    setFlat(true);
    connect(this, &QPushButton::clicked, this, &VideoOpenButton::slotButtonClicked);
}

void VideoOpenButton::slotButtonClicked()
{
    emit signalButtonClicked(m_groupInfo);
}
