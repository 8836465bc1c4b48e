#ifndef TOOLBUTTON_H
#define TOOLBUTTON_H

#include <QToolButton>

// A tool button that also reports right clicks.
class ToolButton : public QToolButton
{
    Q_OBJECT
public:
    explicit ToolButton(QWidget *parent = nullptr);
    ~ToolButton() override;

signals:
    void rightClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif // TOOLBUTTON_H
