#include "vrek/media/push/pushstreamsettings.h"

#include "vrek/media/control/streamcontrol.h"

#include <QDebug>

PushStreamSettings::PushStreamSettings(const char *logPrefix)
    : m_logPrefix(logPrefix)
{ }

PushStreamSettings::~PushStreamSettings() = default;

void PushStreamSettings::setAudioDeviceName(const QString &name)
{
    qInfo().nospace() << m_logPrefix << "adn: " << name;
    m_audioDeviceName = name;
}

void PushStreamSettings::setVideoDeviceName(const QString &name)
{
    qInfo().nospace() << m_logPrefix << "vdn: " << name;
    m_videoDeviceName = name;
}

void PushStreamSettings::setPushVideoSize(const GlobalEnum::VideoQualityType vqt)
{
    QSize size;
    if (!pushVideoSizeOf(vqt, size)) {
        qWarning().nospace() << m_logPrefix << "the vqt type unknown error! vqt: " << int(vqt);
        return;
    }
    setPushVideoSize(size);
}

void PushStreamSettings::setPushVideoSize(const QSize &size)
{
    m_pushVideoSize = size;
}

QString PushStreamSettings::pushMicrophoneName() const
{
    return StreamControl::pushMicrophoneName(m_audioDeviceName);
}

QString PushStreamSettings::pushCameraName() const
{
    return StreamControl::pushCameraName(m_videoDeviceName);
}
