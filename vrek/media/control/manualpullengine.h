#ifndef MANUALPULLENGINE_H
#define MANUALPULLENGINE_H

#include <QObject>
#include <QString>
#include <QStringList>

class PullUserInfo;
class PullUserInfoHash;

// Places the users the teacher side chooses: one "main" and one "sub" user at a time (maxShow per kind); a
// new choice replaces the one shown in its place. A user already pulled by the automatic rotation is taken
// over without a new pull. On a lecturer's client every sub choice is announced to the class, so that the
// other clients pull the same sub stream. Works on the manager's user table, in the manager's thread.
class ManualPullEngine : public QObject
{
    Q_OBJECT
public:
    ManualPullEngine(PullUserInfoHash *table, uint maxShow, QObject *parent = nullptr);
    ~ManualPullEngine() override;

    // The sub users being pulled, told personally to a user who joined late (lecturer's client only).
    void sendLateState(const QString &userId);
    QStringList showQueue() const { return m_showQueue; }

signals:
    void startPullStreamOut(QString userId);
    void stopPullStreamOut(QString userId);
    void pullStreamChangeOut(QString fromUserId, QString toUserId, bool isAuto, bool isMain);
    void pullStreamNoneOut();
    void autoToManualOut(QString userId);
    void playAudioChangeOut(QString userId, bool flag);

public slots:
    void startPullStreamIn(QString userId, bool isMain);
    void stopPullStreamIn(QString userId);
    void stopManualPullIn(bool isMain);
    void insertShowQueueIn(QString userId);

private:
    void insertShowUserIdQueue(const QString &userId);
    void choosePullExit(PullUserInfo *info, bool isMain);
    void startPullStream(PullUserInfo *info, bool isMain);
    void takeOverAutoUser(PullUserInfo *info, bool isMain);
    void takeManualKind(PullUserInfo *info, bool isMain);
    void stopPullStream(PullUserInfo *info, bool isEnd);
    void checkPullNone();
    void sendStartPullSubStream(PullUserInfo *info, const QString &toPersonId = QString());
    void sendStopPullSubStream(const QString &userId);
    void sendStreamMediaMessage(
        quint32 type, const QString &toUserId, const QString &streamId, const QString &personId);

    bool m_isLect;
    uint m_maxShow;
    PullUserInfoHash *m_table;
    QStringList m_showQueue;
};

#endif // MANUALPULLENGINE_H
