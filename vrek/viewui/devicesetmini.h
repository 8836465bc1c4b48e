#ifndef DEVICESETMINI_H
#define DEVICESETMINI_H

#include "vrek/message/devicemessage.h"

#include <QString>
#include <QWidget>

class PushStreamInterface;

// The device object of the in-class windows: it hands the microphone and camera chosen in the device check to
// the lesson's push, and answers the classroom's device question. The lecturer's side asks the class how many
// microphones and cameras each participant has; every participant answers the lecturer personally, and the
// lecturer's participant list enables a camera button by the answer. Devices are counted at the time of the
// question, from the device catalog.
class DeviceSetMini : public QWidget
{
    Q_OBJECT
public:
    enum DeviceMessageType : quint32 {
        DeviceRequest = 0, // to the class: how many devices has each of you
        DeviceAnswer = 1, // to one user: this many microphones and cameras
    };

    explicit DeviceSetMini(PushStreamInterface *pushStreamInterface, QWidget *parent = nullptr);
    ~DeviceSetMini() override;

    QString speakerName() const { return m_speakerName; }
    QString microphoneName() const { return m_microphoneName; }
    QString cameraName() const { return m_cameraName; }
    PushStreamInterface *pushStreamInterface() const { return m_pushStreamInterface; }

    void sendDeviceInfoPersonal(const QString &userId);
    void sendDeviceInfoRequest();

signals:
    void signalCameraButtonEnable(QString userId, bool enable);

public slots:
    void slotLectIdFirst(QString lectId);
    void slotReadDeviceMsg(DeviceMessage message);

private:
    void send(const DeviceMessage &message, const QString &targetId);

    PushStreamInterface *m_pushStreamInterface;
    QString m_speakerName;
    QString m_microphoneName;
    QString m_cameraName;
};

#endif // DEVICESETMINI_H
