#ifndef POPUP_H
#define POPUP_H

#include <QDialog>
#include <QPoint>

class QLabel;
class QPushButton;
class QTimer;

// A notice that slides up at the bottom-right corner of the desktop, stays five seconds and slides away.
// Moving the mouse over it keeps it up.
class PopUp : public QDialog
{
    Q_OBJECT
public:
    static constexpr int stepMs = 5;
    static constexpr int stayMs = 5000;
    static constexpr int stepPixels = 2;

    explicit PopUp(QWidget *parent = nullptr);

    // Tests shorten the animation; the product keeps 5 ms steps and 5000 ms of stay.
    void setTimings(int stepIntervalMs, int stayIntervalMs);
    QPoint shownPosition() const { return m_shownPos; }
    QPoint hiddenPosition() const { return m_hiddenPos; }
    QPoint currentPosition() const { return m_currentPos; }
    bool isStaying() const;

public slots:
    void showDialog(const QString &text);
    void showDialogWithImg(const QString &text, const QString &imagePath);
    void closeDialog();
    void onShow();
    void onStay();
    void onClose();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void startShowing();

    QWidget *m_titleWidget;
    QLabel *m_titleLabel;
    QPushButton *m_closeButton;
    QWidget *m_contentWidget;
    QLabel *m_imgLabel;
    QLabel *m_textLabel;
    QTimer *m_showTimer;
    QTimer *m_stayTimer;
    QTimer *m_closeTimer;
    QPoint m_hiddenPos;
    QPoint m_currentPos;
    QPoint m_shownPos;
};

#endif // POPUP_H
