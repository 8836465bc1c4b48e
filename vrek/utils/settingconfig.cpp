#include "vrek/utils/settingconfig.h"

#include "platform/appdata/appdata.h"

#include <QDebug>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>

#include <atomic>

namespace {
QMutex s_settingMutex;

// The file holds the remembered password: it is the user's alone before anything is written to it, and stays so
// (each write replaces the file with one of the same mode).
QString privateSettingsFile()
{
    const QString path = QDir::currentPath() + "/config.ini";
    AppData::makePrivateFile(path);
    return path;
}
std::atomic<SettingConfig *> s_instance { nullptr };
} // namespace

SettingConfig &SettingConfig::getSetting()
{
    SettingConfig *instance = s_instance.load(std::memory_order_acquire);
    if (!instance) {
        QMutexLocker locker(&s_settingMutex);
        instance = s_instance.load(std::memory_order_relaxed);
        if (!instance) {
            qInfo() << "SettingConfig::getSetting";
            instance = new SettingConfig();
            s_instance.store(instance, std::memory_order_release);
        }
    }
    return *instance;
}

SettingConfig::SettingConfig(QObject *parent)
    : QObject(parent)
    , m_settings(new QSettings(privateSettingsFile(), QSettings::IniFormat, this))
{
    qInfo() << "parent:" << parent;
}

SettingConfig::~SettingConfig()
{
    qInfo() << "~SettingConfig";
    m_settings->deleteLater();
}

QString SettingConfig::getValue(const QString &key)
{
    QMutexLocker locker(&s_settingMutex);
    return m_settings->value(key, QVariant("")).toString();
}

void SettingConfig::setValue(const QString &key, const QString &value)
{
    QMutexLocker locker(&s_settingMutex);
    m_settings->setValue(key, QVariant(value));
    // Written through at once: the singleton is never destroyed, and a crash must not lose a stored login.
    m_settings->sync();
}

QString SettingConfig::fileName() const
{
    return m_settings->fileName();
}
