#ifndef PULLSTREAMMANAGER_H
#define PULLSTREAMMANAGER_H

#include "vrek/media/pull/pullstreamengine.h"

#include <QImage>
#include <QObject>
#include <QString>

class AutoPullEngine;
class ManualPullEngine;
class PullEngineFactory;
class PullUserInfo;
class PullUserInfoHash;

// The pull side of the teacher-room media panel. Knows every remote user's push stream id, decides through
// the automatic rotation and the teacher's main/sub choice who is pulled and shown, and drives its own pool of
// pull engines. The policies and the table they share live in the manager's thread; only the engines run
// elsewhere.
class PullStreamManager : public QObject
{
    Q_OBJECT
public:
    enum PullManagerType {
        PullManagerAuto = 0, // automatic pulling allowed
        PullManagerManual = 1,
    };
    enum PlayAudioType {
        PlayAudioOne = 0, // one remote user heard at a time
        PlayAudioEach = 1, // each user switched on and off alone
    };
    // Users shown at once by the automatic rotation, and per kind (main, sub) by hand.
    static constexpr uint autoMaxShow = 3;
    static constexpr uint manualMaxShow = 1;

    PullStreamManager(PullManagerType type, PlayAudioType playAudioType, uint maxShow, QObject *parent = nullptr);
    // Stops the rotation and the policies before the table they read goes, then stops every engine and waits
    // for them (bounded, see PullEngineFactory).
    ~PullStreamManager() override;

    void sendLateState(const QString &userId);
    // Pulled or shown by hand, as main or sub.
    bool getPullUserState(const QString &userId) const;
    bool verifyUserStreamId(const QString &userId) const;

    // For tests and the log.
    PullEngineFactory *pullEngineFactory() const { return m_factory; }
    AutoPullEngine *autoPullEngine() const { return m_autoPullEngine; }
    ManualPullEngine *manualPullEngine() const { return m_manualPullEngine; }
    const PullUserInfoHash *pullUserInfoHash() const { return m_table; }
    QString playAudioUserId() const { return m_playAudioUserId; }
    static QString getPullStreamUrl(const QString &pushStreamId);

signals:
    void showVideoImageOut(QString userId, QImage frame);
    // Only for pulls started by hand.
    void pullStreamResultOut(bool isMain, bool ok, QString userId, QString msg);
    void pullStreamChangeOut(QString fromUserId, QString toUserId, bool isAuto, bool isMain);
    void manualPullStreamNoneOut();
    void autoToManualOut(QString userId);
    void playAudioChangeOut(QString userId, bool flag);
    // To the engine pool.
    void startPullStreamOut(QString userId, PullStreamEngine::PullStreamType type, QString url, bool playAudio);
    void startPlayAudioOut(QString userId, bool flag);
    void stopPullStreamOut(QString userId);
    // To the policies.
    void startAutoPullOut();
    void stopAutoPullOut();
    void stopAutoPullStreamOut(QString userId);
    void insertShowQueueOut(QString userId);
    void startManualPullStreamOut(QString userId, bool isMain);
    void stopManualPullStreamOut(QString userId);
    void stopManualPullOut(bool isMain);

public slots:
    void addPushStreamIdIn(QString userId, QString pushStreamId);
    void delPushStreamIdIn(QString userId);
    void startAutoPullStreamIn();
    void stopAutoPullStreamIn();
    void stopAllPullStreamIn();
    void stopAllSubPullStreamIn();
    void startPullStreamInByUserId(QString userId);
    void startPullStreamInByPushId(QString userId, QString pushStreamId, bool isMain);
    void stopPullStreamIn(QString userId);
    void startPlayAudioIn(QString userId);
    void stopPlayAudioIn(QString userId);
    void sendPullFRStartIn(QString userId);
    void pullStreamResultIn(bool ok, QString userId, QString msg);
    void showVideoImageIn(QString userId, QImage frame);
    void startPullStreamIn(QString userId);
    void manualPullStreamNoneIn();

private:
    void initial();
    PullUserInfo *insertUser(const QString &userId, const QString &pushStreamId);
    void startPullStream(PullUserInfo *info, bool playAudio);
    void stopPullStream(PullUserInfo *info);
    void startPlayAudio(PullUserInfo *info);
    void stopPlayAudio(PullUserInfo *info);

    PullManagerType m_pullManagerType;
    bool m_isLect;
    PlayAudioType m_playAudioType;
    QString m_playAudioUserId;
    uint m_maxShow;
    PullEngineFactory *m_factory = nullptr;
    PullUserInfoHash *m_table = nullptr;
    AutoPullEngine *m_autoPullEngine = nullptr;
    ManualPullEngine *m_manualPullEngine = nullptr;
};

#endif // PULLSTREAMMANAGER_H
