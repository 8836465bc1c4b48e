#include "vrek/course/toolbutton.h"

#include <QMouseEvent>

ToolButton::ToolButton(QWidget *parent)
    : QToolButton(parent)
{ }

ToolButton::~ToolButton() = default;

void ToolButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        emit rightClicked();
    QToolButton::mouseReleaseEvent(event);
}
