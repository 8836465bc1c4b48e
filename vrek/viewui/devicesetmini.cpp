#include "vrek/viewui/devicesetmini.h"

#include "platform/devicecatalog/devicecatalog.h"
#include "vrek/media/control/pushstreaminterface.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"

#include <QDebug>

DeviceSetMini::DeviceSetMini(PushStreamInterface *pushStreamInterface, QWidget *parent)
    : QWidget(parent)
    , m_pushStreamInterface(pushStreamInterface)
{
    setObjectName("DeviceSetMini");
    setWindowTitle("Form");
    resize(400, 300);
    SettingConfig &settings = SettingConfig::getSetting();
    m_speakerName = settings.getValue(QStringLiteral("AudioDevice/Speaker"));
    m_microphoneName = settings.getValue(QStringLiteral("AudioDevice/Micro"));
    m_cameraName = settings.getValue(QStringLiteral("CameraDevice/name"));
    qInfo() << "speaker:" << m_speakerName << "micro:" << m_microphoneName << "camera:" << m_cameraName
            << "pushStreamInterface:" << (m_pushStreamInterface != nullptr);
    if (!m_pushStreamInterface)
        return;
    m_pushStreamInterface->setAudioDeviceName(m_microphoneName);
    m_pushStreamInterface->setVideoDeviceName(m_cameraName);
}

DeviceSetMini::~DeviceSetMini() = default;

void DeviceSetMini::slotLectIdFirst(QString lectId)
{
    qInfo() << "lectId:" << lectId << "userId:" << g_userId;
    if (lectId != g_userId)
        sendDeviceInfoPersonal(lectId);
    else
        sendDeviceInfoRequest();
}

void DeviceSetMini::slotReadDeviceMsg(DeviceMessage message)
{
    qDebug() << "type:" << message.getDmType();
    switch (message.getDmType()) {
    case DeviceRequest:
        sendDeviceInfoPersonal(message.getUserId());
        break;
    case DeviceAnswer:
        // The answer's microphone count decides; a count that is no number counts as none.
        emit signalCameraButtonEnable(message.getUserId(), message.getSecondText().toInt() != 0);
        break;
    default:
        break;
    }
}

void DeviceSetMini::sendDeviceInfoPersonal(const QString &userId)
{
    qDebug() << "uid:" << userId;
    std::unique_ptr<DeviceCatalog> catalog = DeviceCatalog::create();
    const int microphones = catalog->microphones().size();
    // The device check's choice of "no camera".
    const int cameras = m_cameraName == QStringLiteral("禁用") ? 0 : catalog->cameras().size();
    DeviceMessage message;
    message.setDmType(DeviceAnswer);
    message.setUserId(g_userId);
    message.setSecondText(QString::number(microphones));
    message.setThirdText(QString::number(cameras));
    if (userId.isEmpty()) {
        // A personal line without a target would reach nobody, or everybody.
        qWarning() << "no user to answer";
        return;
    }
    send(message, userId);
}

void DeviceSetMini::sendDeviceInfoRequest()
{
    qDebug() << "request";
    std::unique_ptr<DeviceCatalog> catalog = DeviceCatalog::create();
    DeviceMessage message;
    message.setDmType(DeviceRequest);
    message.setUserId(g_userId);
    message.setSecondText(QString::number(catalog->audioInputs().size()));
    message.setThirdText(QString::number(catalog->cameras().size()));
    send(message, QString());
}

void DeviceSetMini::send(const DeviceMessage &message, const QString &targetId)
{
    QString text;
    if (!TSProtocolAnalysis::sendDeviceMessage(message, text) || !g_socketClientManager)
        return;
    if (targetId.isEmpty())
        g_socketClientManager->sendServerForwardSchoolClass(QStringLiteral("0"), text);
    else
        g_socketClientManager->sendServerForwardPersonal(targetId, QStringLiteral("0"), text);
}
