#include "vrek/viewui/tiplabel.h"

#include <QPainter>

TipLabel::TipLabel(QWidget *parent)
    : QLabel(parent)
{
    setFixedSize(8, 8);
}

void TipLabel::setTipShown(bool shown)
{
    m_tipShown = shown;
    update();
}

void TipLabel::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (!m_tipShown)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red("#fe6464");
    painter.setPen(red);
    painter.setBrush(red);
    painter.drawEllipse(rect());
}
