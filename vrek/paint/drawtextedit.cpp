#include "vrek/paint/drawtextedit.h"

#include <QMouseEvent>

DrawTextEdit::DrawTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
    document()->setDocumentMargin(0);
    viewport()->setCursor(Qt::SizeAllCursor);
}

DrawTextEdit::~DrawTextEdit() = default;

void DrawTextEdit::mousePressEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton) {
        m_dragOffset = event->globalPos() - pos();
        m_dragging = true;
    }
    QTextEdit::mousePressEvent(event);
}

void DrawTextEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QTextEdit::mouseReleaseEvent(event);
}

void DrawTextEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPos() - m_dragOffset);
    QTextEdit::mouseMoveEvent(event);
}

void DrawTextEdit::focusOutEvent(QFocusEvent *event)
{
    emit focusChange();
    QTextEdit::focusOutEvent(event);
}
