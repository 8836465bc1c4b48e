#ifndef CODERUI_H
#define CODERUI_H

#include <QWidget>

class QLabel;
class QPushButton;

// The overlay of the login window that shows a picture under a translucent veil, with a back button.
class CoderUI : public QWidget
{
    Q_OBJECT
public:
    explicit CoderUI(QWidget *parent = nullptr);
    ~CoderUI() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *m_backBtn;
    QLabel *m_label;
};

#endif // CODERUI_H
