#ifndef PULLSTREAMINFO_H
#define PULLSTREAMINFO_H

#include "vrek/media/pull/pullstreamengine.h"

#include <QString>

// One pull request waiting for an engine.
class PullStreamInfo
{
public:
    PullStreamInfo() = default;
    PullStreamInfo(
        const QString &userId, PullStreamEngine::PullStreamType pullStreamType, const QString &pullUrl, bool playAudio)
        : m_userId(userId)
        , m_pullStreamType(pullStreamType)
        , m_pullUrl(pullUrl)
        , m_playAudio(playAudio)
    { }
    virtual ~PullStreamInfo() = default;

    QString getUserId() const { return m_userId; }
    void setUserId(const QString &userId) { m_userId = userId; }
    PullStreamEngine::PullStreamType getPullStreamType() const { return m_pullStreamType; }
    void setPullStreamType(PullStreamEngine::PullStreamType type) { m_pullStreamType = type; }
    QString getPullUrl() const { return m_pullUrl; }
    void setPullUrl(const QString &url) { m_pullUrl = url; }
    bool getPlayAudio() const { return m_playAudio; }
    void setPlayAudio(bool playAudio) { m_playAudio = playAudio; }

private:
    QString m_userId;
    PullStreamEngine::PullStreamType m_pullStreamType = PullStreamEngine::PullBothRequired;
    QString m_pullUrl;
    bool m_playAudio = false;
};

#endif // PULLSTREAMINFO_H
