#ifndef USERINFOWIDGET_H
#define USERINFOWIDGET_H

#include "vrek/userinfo/userinfo.h"

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

// One participant's row: head picture, name, and the hand marker, camera and praise buttons. The row keeps
// only the user id; each update passes the current record in.
class UserInfoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit UserInfoWidget(const UserInfo &userInfo, QWidget *parent = nullptr);
    ~UserInfoWidget() override;

    QString userId() const { return m_userId; }
    void updateUserInfo(const UserInfo &userInfo);

signals:
    void signalCameraButtonClicked(QString userId);
    void signalPraiseButtonClicked(QString userId);

public slots:
    void slotCameraButtonClicked();
    void slotPraiseButtonClicked();

private:
    void buildForm();
    void initial();
    void initUserInfo(const UserInfo &userInfo);

    QHBoxLayout *m_layout = nullptr;
    QLabel *m_userImgLabel = nullptr;
    QLabel *m_userNameLabel = nullptr;
    QPushButton *m_handUpButton = nullptr;
    QPushButton *m_cameraButton = nullptr;
    QPushButton *m_praiseButton = nullptr;
    QString m_userId;
};

#endif // USERINFOWIDGET_H
