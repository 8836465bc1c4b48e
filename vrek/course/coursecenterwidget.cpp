#include "vrek/course/coursecenterwidget.h"

#include <QResizeEvent>

CourseCenterWidget::CourseCenterWidget(QWidget *parent)
    : QWidget(parent)
{ }

CourseCenterWidget::~CourseCenterWidget() = default;

void CourseCenterWidget::resizeEvent(QResizeEvent *event)
{
    emit signalCenterWidgetResize(event->size());
    QWidget::resizeEvent(event);
}
