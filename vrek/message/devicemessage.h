#ifndef DEVICEMESSAGE_H
#define DEVICEMESSAGE_H

#include <QMetaType>
#include <QString>

// One device-state message of the small device panel; the kinds and values are the panel's.
class DeviceMessage
{
public:
    DeviceMessage() = default;
    virtual ~DeviceMessage();
    DeviceMessage(const DeviceMessage &) = default;
    DeviceMessage &operator=(const DeviceMessage &) = default;

    quint32 getDmType() const { return m_dmType; }
    void setDmType(quint32 type) { m_dmType = type; }
    QString getUserId() const { return m_userId; }
    void setUserId(const QString &userId) { m_userId = userId; }
    QString getSecondText() const { return m_secondText; }
    void setSecondText(const QString &text) { m_secondText = text; }
    QString getThirdText() const { return m_thirdText; }
    void setThirdText(const QString &text) { m_thirdText = text; }

private:
    quint32 m_dmType = 0;
    QString m_userId;
    QString m_secondText;
    QString m_thirdText;
};

Q_DECLARE_METATYPE(DeviceMessage)

#endif // DEVICEMESSAGE_H
