#include "vrek/course/selectcoursescrollarea.h"

#include <QScrollBar>
#include <QWheelEvent>

SelectCourseScrollArea::SelectCourseScrollArea(QWidget *parent)
    : QScrollArea(parent)
{ }

SelectCourseScrollArea::~SelectCourseScrollArea() = default;

void SelectCourseScrollArea::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta);
    QScrollArea::wheelEvent(event);
}
