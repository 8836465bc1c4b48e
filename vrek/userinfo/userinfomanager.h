#ifndef USERINFOMANAGER_H
#define USERINFOMANAGER_H

#include "vrek/userinfo/userinfo.h"

#include <QList>
#include <QObject>
#include <QVariantMap>

// Turns the classroom server's user messages (the whole-class list, joins and leaves) into the participant
// table and the shared teacher list, and tells the views who came and went. Runs in the GUI thread.
class UserInfoManager : public QObject
{
    Q_OBJECT
public:
    explicit UserInfoManager(QObject *parent = nullptr);
    ~UserInfoManager() override;

signals:
    void signalUserIdOnline(QString userId);
    void signalUserIdLate(QString userId);
    void signalUserIdOffline(QString userId);
    void signalUserInfoList(QList<UserInfo> students);
    void signalTeacherInfoList(QList<UserInfo> teachers);
    void signalUserInfoOnline(UserInfo userInfo);
    void signalUserInfoLate(UserInfo userInfo);
    void signalUserInfoOffline(UserInfo userInfo);
    void signalLectIdOnline(QString userId);
    void signalLectIdFirst(QString userId);
    void signalLectIdLate(QString userId);
    void signalLectIdOffline(QString userId);
    void signalLectInfoOnline(UserInfo userInfo);
    void signalLectInfoFirst(UserInfo userInfo);
    void signalLectInfoLate(UserInfo userInfo);
    void signalLectInfoOffline(UserInfo userInfo);
    void signalRelativeInfoOnline(UserInfo userInfo);
    void signalRelativeInfoOffline(UserInfo userInfo);

public slots:
    // One user message: the line as the connection manager passes it, its type field first.
    void slotProtocolAnalysis(QString line);

private:
    void recvResUserInfo(const QList<UserInfo> &list);
    // Stores a main login as present; false when it already was.
    bool storeMainLogin(const QVariantMap &row, const char *alreadyOnlineWarning, UserInfo &stored);
    void storeSecondLogin(const QVariantMap &row);
    void recvUserJoin(const QList<QVariantMap> &rows);
    void recvUserLeave(const QList<QVariantMap> &rows);
    void joinHandling(const UserInfo &userInfo);
    void leaveHandling(const UserInfo &userInfo);
    // Adds a lecturer-side participant to the teacher list at the given place unless it is there already.
    void addTeacher(const UserInfo &userInfo, int position);
};

#endif // USERINFOMANAGER_H
