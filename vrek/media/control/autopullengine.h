#ifndef AUTOPULLENGINE_H
#define AUTOPULLENGINE_H

#include <QObject>
#include <QString>
#include <QStringList>

class PullUserInfo;
class PullUserInfoHash;
class QTimer;

// The automatic rotation of the users shown in the automatic places: at most maxShow users are pulled and
// shown at once, and every rotation period the users waiting longest replace those shown longest. A replaced
// user stays on screen until his successor's first picture; the manager stops him then. Works on the
// manager's user table only and talks to the manager by signals, in the manager's thread.
class AutoPullEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int rotationPeriodMs = 15000;
    // Users placed in one rotation step at most.
    static constexpr int maxStepUsers = 3;

    AutoPullEngine(PullUserInfoHash *table, uint maxShow, QObject *parent = nullptr);
    ~AutoPullEngine() override;

    // Tests shorten the rotation; takes effect at the next start.
    void setRotationPeriod(int ms) { m_rotationPeriodMs = ms; }
    bool isRotating() const;
    // Front first: the user waiting longest.
    QStringList showQueue() const { return m_showQueue; }

signals:
    void startPullStreamOut(QString userId);
    void stopPullStreamOut(QString userId);
    void pullStreamChangeOut(QString fromUserId, QString toUserId, bool isAuto, bool isMain);

public slots:
    void startAutoPullIn();
    void stopAutoPullIn();
    void stopAutoPullStreamIn(QString userId);
    void insertShowQueueIn(QString userId);
    void autoStartPullIn();

private:
    void insertShowUserIdQueue(const QString &userId);
    bool selectIdleUserId(PullUserInfo **info) const;
    void autoPullStream(int step);
    bool choosePullExit(PullUserInfo *info);
    void hideToShow(PullUserInfo *info);
    bool showToHide(PullUserInfo *oldInfo, PullUserInfo *newInfo);
    void startPullStream(const QString &userId);
    void stopPullStream(PullUserInfo *info);

    QTimer *m_timer;
    int m_rotationPeriodMs = rotationPeriodMs;
    uint m_maxShow;
    PullUserInfoHash *m_table;
    QStringList m_showQueue;
};

#endif // AUTOPULLENGINE_H
