#ifndef TITLEBARWIDGET_H
#define TITLEBARWIDGET_H

#include <QColor>
#include <QWidget>

// The title bar of a title view. When active it handles double clicks and dragging itself.
class TitleBarWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TitleBarWidget(QWidget *parent = nullptr);

    void setActive(bool active) { m_active = active; }
    bool isActive() const { return m_active; }
    void setDoubleClickMaximize(bool on) { m_doubleClickMaximize = on; }
    bool doubleClickMaximize() const { return m_doubleClickMaximize; }
    void setDragMove(bool on) { m_dragMove = on; }
    bool dragMove() const { return m_dragMove; }
    void setColor(const QColor &color);
    QColor color() const { return m_color; }

signals:
    void signalShowMax();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_active = false;
    bool m_doubleClickMaximize = true;
    bool m_dragMove = true;
    QColor m_color { Qt::transparent };
    // A drag the window manager would not take, done by hand.
    bool m_dragging = false;
    QPoint m_dragOffset;
};

#endif // TITLEBARWIDGET_H
