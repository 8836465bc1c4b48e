#ifndef TIPWIDGET_H
#define TIPWIDGET_H

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

// An orange bar inside a window that shows one line of text for a few seconds.
class TipWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr unsigned int defaultSeconds = 5;

    explicit TipWidget(QWidget *parent = nullptr);
    // The small bar of the list pages (112 x 35 at the interface scale, orange, no close button); the caller
    // places it.
    static TipWidget *smallBar(QWidget *parent);

    QString text() const;
    // Hides the close button for good.
    void hideCloseButton();

public slots:
    void showTip(const QString &text, const unsigned int time);
    void showTip(const QString &text);
    void hideTip();
    void slotCloseButtonClicked();

private:
    QLabel *m_label;
    QPushButton *m_closeButton;
    QTimer *m_hideTimer;
};

#endif // TIPWIDGET_H
