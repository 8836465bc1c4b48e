#include "vrek/window/titlebarwidget.h"

#include "platform/window/windowmover.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

TitleBarWidget::TitleBarWidget(QWidget *parent)
    : QWidget(parent)
{ }

void TitleBarWidget::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TitleBarWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_active && m_doubleClickMaximize && event->button() == Qt::LeftButton) {
        emit signalShowMax();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void TitleBarWidget::mousePressEvent(QMouseEvent *event)
{
    if (m_active && m_dragMove && event->button() == Qt::LeftButton) {
        if (!WindowMover::startMove(window()->windowHandle())) {
            m_dragging = true;
            m_dragOffset = event->globalPos() - window()->pos();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TitleBarWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPos() - m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TitleBarWidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void TitleBarWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}
