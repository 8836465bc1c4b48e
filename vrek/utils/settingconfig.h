#ifndef SETTINGCONFIG_H
#define SETTINGCONFIG_H

#include <QObject>
#include <QString>

class QSettings;

// The one access point to "config.ini" in the working directory. Every value is text.
class SettingConfig : public QObject
{
    Q_OBJECT
public:
    static SettingConfig &getSetting();

    explicit SettingConfig(QObject *parent = nullptr);
    ~SettingConfig() override;

    QString getValue(const QString &key);
    void setValue(const QString &key, const QString &value);

    // The file this object reads and writes (fixed when it was built).
    QString fileName() const;

private:
    QSettings *m_settings;
};

#endif // SETTINGCONFIG_H
