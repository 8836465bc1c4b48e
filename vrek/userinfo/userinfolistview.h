#ifndef USERINFOLISTVIEW_H
#define USERINFOLISTVIEW_H

#include "vrek/userinfo/userinfo.h"

#include <QListView>

class QTimer;
class UserInfoListModel;

// The student list of the participant panel. Rows are widgets made when the view first lays an item out,
// from the participant table's current record; a sort, one second after the last change, drops them all so
// they are rebuilt in their new places.
class UserInfoListView : public QListView
{
    Q_OBJECT
public:
    static constexpr int sortDelayMs = 1000;

    explicit UserInfoListView(QWidget *parent = nullptr);
    ~UserInfoListView() override;

    // Tests shorten the wait before a sort; the product waits a full second.
    void setSortDelay(int ms);
    UserInfoListModel *userInfoListModel() const { return m_model; }
    bool isSortPending() const;

    bool addUserInfo(const UserInfo &userInfo);
    // The records actually appended: users listed already are left out.
    QList<UserInfo> addUserInfoList(const QList<UserInfo> &list);
    bool removeUserInfo(const UserInfo &userInfo);
    void clearUserInfo();
    // (Re)starts the full wait before the next sort.
    void startSortTimer();
    // Refreshes the row of a listed user; false, with a warning, for a user not listed.
    bool updateUserInfo(const UserInfo &userInfo);

    QRect visualRect(const QModelIndex &index) const override;

signals:
    void signalCameraButtonClicked(QString userId);
    void signalPraiseButtonClicked(QString userId);

public slots:
    void sortUserInfo();

private:
    void createRowWidget(const QModelIndex &index);

    UserInfoListModel *m_model;
    QTimer *m_sortTimer;
};

#endif // USERINFOLISTVIEW_H
