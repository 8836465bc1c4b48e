#ifndef PULLSTREAMINFO_H
#define PULLSTREAMINFO_H

#include <QString>

// One pull request waiting for an engine. The type holds a PullStreamEngine::PullStreamType value.
class PullStreamInfo
{
public:
    PullStreamInfo() = default;
    PullStreamInfo(const QString &userId, int pullStreamType, const QString &pullUrl, bool playAudio)
        : m_userId(userId)
        , m_pullStreamType(pullStreamType)
        , m_pullUrl(pullUrl)
        , m_playAudio(playAudio)
    { }
    virtual ~PullStreamInfo() = default;

    QString getUserId() const { return m_userId; }
    void setUserId(const QString &userId) { m_userId = userId; }
    int getPullStreamType() const { return m_pullStreamType; }
    void setPullStreamType(int type) { m_pullStreamType = type; }
    QString getPullUrl() const { return m_pullUrl; }
    void setPullUrl(const QString &url) { m_pullUrl = url; }
    bool getPlayAudio() const { return m_playAudio; }
    void setPlayAudio(bool playAudio) { m_playAudio = playAudio; }

private:
    QString m_userId;
    int m_pullStreamType = 0;
    QString m_pullUrl;
    bool m_playAudio = false;
};

#endif // PULLSTREAMINFO_H
