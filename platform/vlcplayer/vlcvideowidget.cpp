#include "platform/vlcplayer/vlcvideowidget.h"

#include "platform/vlcplayer/vlcplayer.h"

#include <QPainter>

VlcVideoWidget::VlcVideoWidget(VlcPlayer *player, QWidget *parent)
    : QWidget(parent)
    , m_player(player)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (player)
        connect(player, &VlcPlayer::imageChanged, this, qOverload<>(&QWidget::update));
}

void VlcVideoWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage image = m_player ? m_player->currentImage() : QImage();
    if (image.isNull())
        return;
    const QSize size = image.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    ++m_paintedCount;
}
