#ifndef FIRSTREPLYVIEW_H
#define FIRSTREPLYVIEW_H

#include <QWidget>

class QPushButton;

// The prompt of a first-reply round: the lecturer asks who answers first; the student answers from here or
// closes it.
class FirstReplyView : public QWidget
{
    Q_OBJECT
public:
    explicit FirstReplyView(QWidget *parent = nullptr);
    ~FirstReplyView() override;

signals:
    void sendResponseFRStartOut();

public slots:
    void firstReplyResponseIn();
    void firstReplyCloseIn();

private:
    QPushButton *m_responseButton;
    QPushButton *m_closeButton;
};

#endif // FIRSTREPLYVIEW_H
