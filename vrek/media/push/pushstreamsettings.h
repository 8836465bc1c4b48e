#ifndef PUSHSTREAMSETTINGS_H
#define PUSHSTREAMSETTINGS_H

#include "vrek/media/control/pushstreaminterface.h"

#include <QSize>
#include <QString>

// The device names and the picture size the device panels give a stream controller for its next push, kept
// alike for the RTMP-mode and the WebRTC-mode controller.
class PushStreamSettings : public PushStreamInterface
{
public:
    // logPrefix starts the controller's log texts of these settings. The size is -1 x -1 until the controller
    // sets its first one.
    explicit PushStreamSettings(const char *logPrefix);
    ~PushStreamSettings() override;

    void setAudioDeviceName(const QString &name) override;
    void setVideoDeviceName(const QString &name) override;
    void setPushVideoSize(const GlobalEnum::VideoQualityType vqt) override;
    void setPushVideoSize(const QSize &size) override;

    QSize pushVideoSize() const { return m_pushVideoSize; }
    // The names a push opens now (see StreamControl::pushMicrophoneName).
    QString pushMicrophoneName() const;
    QString pushCameraName() const;

private:
    const char *m_logPrefix;
    QString m_audioDeviceName;
    QString m_videoDeviceName;
    QSize m_pushVideoSize = QSize(-1, -1);
};

#endif // PUSHSTREAMSETTINGS_H
