#include "tests/support/tempworkdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempWorkDir::TempWorkDir()
    : m_previous(QDir::currentPath())
{
    if (m_dir.isValid())
        QDir::setCurrent(m_dir.path());
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(m_previous);
}

bool TempWorkDir::writeFile(const QString &relativePath, const QByteArray &content) const
{
    const QString path = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}
