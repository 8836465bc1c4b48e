#ifndef DRAWTEXTEDIT_H
#define DRAWTEXTEDIT_H

#include <QPoint>
#include <QTextEdit>

// The text tool's box on the board: the left button drags it about; it tells the board when it loses focus.
class DrawTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit DrawTextEdit(QWidget *parent = nullptr);
    ~DrawTextEdit() override;

signals:
    void focusChange();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QPoint m_dragOffset;
    bool m_dragging = false;
};

#endif // DRAWTEXTEDIT_H
