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

bool SettingConfig::setValue(const QString &key, const QString &value)
{
    QMutexLocker locker(&s_settingMutex);
    if (m_settings->status() != QSettings::NoError) {
        // A write that failed stays the object's status: a fresh object tells of the next one, holding all this
        // run has set (the old one tries its write once more as it goes).
        QVariantMap values;
        for (const QString &name : m_settings->allKeys())
            values.insert(name, m_settings->value(name));
        const QString file = m_settings->fileName();
        delete m_settings;
        m_settings = new QSettings(file, QSettings::IniFormat, this);
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            m_settings->setValue(it.key(), it.value());
    }
    m_settings->setValue(key, QVariant(value));
    // Written through at once: the singleton is never destroyed, and a crash must not lose a stored login.
    m_settings->sync();
    // The file is replaced whole, so a write that failed left the one before it as it was.
    m_writeFailed = m_settings->status() != QSettings::NoError;
    if (m_writeFailed)
        qWarning() << "the setting cannot be written! key:" << key << "file:" << m_settings->fileName();
    return !m_writeFailed;
}

bool SettingConfig::lastWriteFailed() const
{
    QMutexLocker locker(&s_settingMutex);
    return m_writeFailed;
}

QString SettingConfig::fileName() const
{
    return m_settings->fileName();
}
