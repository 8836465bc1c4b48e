#ifndef LESSONCAPTION_H
#define LESSONCAPTION_H

#include <QWidget>

class QLabel;

// The lesson's title and the state of the classroom connection, centred in a class window.
class LessonCaption : public QWidget
{
    Q_OBJECT
public:
    explicit LessonCaption(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    void setState(const QString &state);

private:
    QLabel *m_titleLabel;
    QLabel *m_stateLabel;
};

#endif // LESSONCAPTION_H
