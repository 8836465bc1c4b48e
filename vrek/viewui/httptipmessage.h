#ifndef HTTPTIPMESSAGE_H
#define HTTPTIPMESSAGE_H

#include <QWidget>

class QPushButton;

// The panel shown when a REST reply cannot be read: a page-missing picture and a confirm button.
// One for the whole program; its owner shows and hides the frame around it.
class httpTipMessage : public QWidget
{
    Q_OBJECT
public:
    explicit httpTipMessage(QWidget *parent = nullptr);

signals:
    void signalCloseButtonClicked();
    void signalShows();

public slots:
    void slotShow();

private:
    QWidget *m_picture;
    QPushButton *m_pushButton;
};

// The one shared network tip, created by the application controller.
extern httpTipMessage *g_httpTipMessage;

#endif // HTTPTIPMESSAGE_H
