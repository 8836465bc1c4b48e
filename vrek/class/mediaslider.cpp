#include "vrek/class/mediaslider.h"

#include <QDebug>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

MediaSlider::MediaSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setMouseTracking(true);
    setStyleSheet("QSlider::groove:horizontal{border:1px solid #4A708B;background:#0081ff;height:5px;"
                  "border-radius:4px;padding-left:-1px;padding-right:-1px;}"
                  "QSlider::sub-page:horizontal{background-color:#0081ff;border:1px solid #4A708B;height:3px;"
                  "border-radius:1px;}"
                  "QSlider::add-page:horizontal{background-color:#bee1ff;border:0px solid #777;height:3px;"
                  "border-radius:1px;}"
                  "QSlider::handle:horizontal{background:#1575b0;height:8px;width:8px;margin-top:-5px;"
                  "margin-bottom:-5px;border-radius:4px;}");
}

int MediaSlider::pixelPosToRangeValue(int pos) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    int sliderMin = 0;
    int sliderMax = 0;
    if (orientation() == Qt::Horizontal) {
        sliderMin = groove.x();
        sliderMax = groove.right() - handle.width() + 1;
    } else {
        sliderMin = groove.y();
        sliderMax = groove.bottom() - handle.height() + 1;
    }
    return QStyle::sliderValueFromPosition(
        minimum(), maximum(), pos - sliderMin, sliderMax - sliderMin, option.upsideDown);
}

void MediaSlider::mousePressEvent(QMouseEvent *event)
{
    qDebug("pressed (%d, %d)", event->pos().x(), event->pos().y());
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (event->button() != Qt::LeftButton || handle.contains(event->pos())) {
        QSlider::mousePressEvent(event);
        return;
    }
    qDebug() << "accept";
    event->accept();
    // The handle's centre goes to the click: its corner lies half a handle before it.
    const QPoint point = event->pos() - QPoint(handle.width() / 2, handle.height() / 2);
    const int value = pixelPosToRangeValue(orientation() == Qt::Horizontal ? point.x() : point.y());
    setSliderPosition(value);
    triggerAction(SliderMove);
    setRepeatAction(SliderNoAction);
    emit sliderMoved(value);
    emit sliderPressed();
}

void MediaSlider::mouseMoveEvent(QMouseEvent *event)
{
    const int length = style()->pixelMetric(QStyle::PM_SliderLength) - 1;
    const int value
        = QStyle::sliderValueFromPosition(minimum(), maximum(), event->pos().x() - length / 2, width() - length, false);
    emit onHover(event->pos().x(), value);
    QSlider::mouseMoveEvent(event);
}

void MediaSlider::enterEvent(QEvent *event)
{
    emit onEnter();
    QSlider::enterEvent(event);
}

void MediaSlider::leaveEvent(QEvent *event)
{
    emit onLeave();
    QSlider::leaveEvent(event);
}
