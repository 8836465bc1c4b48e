#include "vrek/media/pull/streammediastatus.h"

#include <QDebug>

StreamMediaStatus::PullStreamStatus StreamMediaStatus::getPullStreamStatus() const
{
    return PullStreamStatus(m_pullStreamStatus.load());
}

void StreamMediaStatus::setPullStreamStatus(PullStreamStatus status)
{
    qDebug() << "pss:" << status;
    m_pullStreamStatus.store(status);
}

StreamMediaStatus::PushStreamStatus StreamMediaStatus::getPushStreamStatus() const
{
    return PushStreamStatus(m_pushStreamStatus.load());
}

void StreamMediaStatus::setPushStreamStatus(PushStreamStatus status)
{
    qDebug() << "push pss:" << status;
    m_pushStreamStatus.store(status);
}
