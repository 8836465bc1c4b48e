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
    // False when the file could not be written (a full disk): the value holds for this run only.
    bool setValue(const QString &key, const QString &value);
    // Whether the last write did not reach the file.
    bool lastWriteFailed() const;

    // The file this object reads and writes (fixed when it was built).
    QString fileName() const;

private:
    QSettings *m_settings;
    bool m_writeFailed = false;
};

#endif // SETTINGCONFIG_H
