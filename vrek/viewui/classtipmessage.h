#ifndef CLASSTIPMESSAGE_H
#define CLASSTIPMESSAGE_H

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// A small panel with a text, a progress bar and a confirm button: download progress or a short message.
class ClassTipMessage : public QWidget
{
    Q_OBJECT
public:
    explicit ClassTipMessage(QWidget *parent = nullptr);

    QString text() const;
    int progress() const;
    bool isHideTimerActive() const;
    int hideTimerInterval() const;

signals:
    void signalCloseButtonClicked();
    void signalShows();
    void signalHide();

public slots:
    void slotShow(const QString &text);
    // Progress in per cent; at 100 the panel hides itself after time seconds.
    void slotShow(const qint32 &progress, uint time = 5);
    void hideTip();

private:
    QLabel *m_tipLabel;
    QProgressBar *m_progressBar;
    QPushButton *m_surePushButton;
    QTimer *m_hideTimer;
};

#endif // CLASSTIPMESSAGE_H
