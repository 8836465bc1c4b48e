#ifndef USERINFOVIEW_H
#define USERINFOVIEW_H

#include "vrek/userinfo/userinfo.h"

#include <QList>
#include <QWidget>

class QLabel;
class QVBoxLayout;
class UserInfoListView;
class UserInfoWidget;

// The participant panel of the class windows: the lesson's title with the online count, the lecturer-side
// rows of the user info manager's teacher list, and the student list. It keeps no records of its own: each
// change reads the participant table, sets one flag, writes the record back and refreshes the row.
class UserInfoView : public QWidget
{
    Q_OBJECT
public:
    explicit UserInfoView(QWidget *parent = nullptr);
    ~UserInfoView() override;

    int onlineStudentCount() const { return m_onlineStudentCount; }
    int onlineCount() const { return m_onlineCount; }
    UserInfoListView *listView() const { return m_listView; }
    // The rows of the teacher area, in order.
    QList<UserInfoWidget *> teacherRows() const;
    void updateOnlineCount();

signals:
    void signalSendAVRequest(QString userId);
    void signalSendAVClose(QString userId);
    void signalRelativeUserOffline();

public slots:
    void slotAddUserInfo(UserInfo userInfo);
    void slotAddUserInfoList(QList<UserInfo> list);
    void slotAddTeacherInfoList(QList<UserInfo> list);
    void slotRemoveUserInfo(UserInfo userInfo);
    void slotRelativeInfoUpdate(UserInfo userInfo);
    void slotCameraButtonEnable(QString userId, bool enable);
    void slotCameraButtonChanged(QString userId, bool on);
    void slotHandUpButtonChanged(QString userId, bool up);
    void slotPraiseButtonChanged(QString userId, int count);
    void slotResetUserInfoView();
    void slotResetHandUpButton();
    void slotResetCameraButton();
    void slotResetPraiseButton();
    void slotCameraButtonClicked(QString userId);
    void slotPraiseButtonClicked(QString userId);

private:
    void buildForm();
    void initial();
    // Reads the user's record, lets change alter it, writes it back and refreshes the row; false for a user
    // the participant table does not hold.
    template<typename Change>
    bool changeUserInfo(const QString &userId, Change change);
    // Schedules the deletion of the first teacher-area row of the user, from the item at first on.
    bool removeTeacherRow(const QString &userId, int first);
    void countOnline(const QList<UserInfo> &added, int sign);

    QVBoxLayout *m_userInfoViewLayout = nullptr;
    QLabel *m_groupNameLabel = nullptr;
    QLabel *m_groupCountLabel = nullptr;
    QWidget *m_teacherWidget = nullptr;
    QVBoxLayout *m_userInfoLayout = nullptr; // the teacher area
    UserInfoListView *m_listView = nullptr;
    int m_onlineStudentCount = 0;
    int m_onlineCount = 0;
};

#endif // USERINFOVIEW_H
