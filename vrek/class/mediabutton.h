#ifndef MEDIABUTTON_H
#define MEDIABUTTON_H

#include <QPushButton>
#include <QString>

// One entry of the player's list: a video's title; pressing it plays its address.
class MediaButton : public QPushButton
{
    Q_OBJECT
public:
    explicit MediaButton(const QString &address, QWidget *parent = nullptr);

    QString address() const { return m_address; }

signals:
    void btnClicked(QString address);

public slots:
    void buttonClicked();

private:
    QString m_address;
};

#endif // MEDIABUTTON_H
