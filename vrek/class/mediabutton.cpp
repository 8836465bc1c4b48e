#include "vrek/class/mediabutton.h"

MediaButton::MediaButton(const QString &address, QWidget *parent)
    : QPushButton(parent)
    , m_address(address)
{
    setStyleSheet("QPushButton{text-align:left;background-color:black;color:white;}");
    connect(this, &QPushButton::clicked, this, &MediaButton::buttonClicked);
}

void MediaButton::buttonClicked()
{
    emit btnClicked(m_address);
}
