#ifndef PULLUSERINFO_H
#define PULLUSERINFO_H

#include <QString>

// What the pull side knows of one remote user: his push stream id, and where and how he is pulled and shown.
class PullUserInfo
{
public:
    // Who asked for the pull.
    enum PullFromType {
        PullFromNone = 0,
        PullFromAuto = 1,
        PullFromMain = 2,
        PullFromSub = 3,
    };
    enum PullStreamState {
        PullStreamNone = 0,
        PullStreamStarted = 1,
        PullStreamPlaying = 2, // the first success was reported
    };
    enum PullShowState {
        PullShowHidden = 0,
        PullShowShown = 1,
        PullShowLeaving = 2, // being replaced; stays on screen until the successor's first picture
    };

    explicit PullUserInfo(const QString &userId);
    virtual ~PullUserInfo();

    QString getUserId() const { return m_userId; }
    // The user taking over this user's shown place.
    QString getReplacedBy() const { return m_replacedBy; }
    void setReplacedBy(const QString &userId) { m_replacedBy = userId; }
    // The user whose place this user is taking over, until this user's first picture.
    QString getReplacing() const { return m_replacing; }
    void setReplacing(const QString &userId) { m_replacing = userId; }
    QString getPushStreamId() const { return m_pushStreamId; }
    void setPushStreamId(const QString &pushStreamId) { m_pushStreamId = pushStreamId; }
    int getPullFromType() const { return m_pullFromType; }
    void setPullFromType(int type) { m_pullFromType = type; }
    int getPullStreamState() const { return m_pullStreamState; }
    void setPullStreamState(int state) { m_pullStreamState = state; }
    int getPullShowState() const { return m_pullShowState; }
    void setPullShowState(int state) { m_pullShowState = state; }
    bool getPlayAudio() const { return m_playAudio; }
    void setPlayAudio(bool flag) { m_playAudio = flag; }

    // Neither pulled nor shown.
    bool isIdle() const { return m_pullStreamState == PullStreamNone && m_pullShowState == PullShowHidden; }
    bool isManual() const { return m_pullFromType == PullFromMain || m_pullFromType == PullFromSub; }

private:
    QString m_userId;
    QString m_replacedBy;
    QString m_replacing;
    QString m_pushStreamId;
    int m_pullFromType = PullFromNone;
    int m_pullStreamState = PullStreamNone;
    int m_pullShowState = PullShowHidden;
    bool m_playAudio = false;
};

#endif // PULLUSERINFO_H
