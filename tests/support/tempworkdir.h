#ifndef TEMPWORKDIR_H
#define TEMPWORKDIR_H

#include <QString>
#include <QTemporaryDir>

// A fresh temporary folder made the current directory for the life of the object; the previous
// directory is restored and the folder removed afterwards.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Writes a file below the folder, creating its parents.
    bool writeFile(const QString &relativePath, const QByteArray &content) const;

    TempWorkDir(const TempWorkDir &) = delete;
    TempWorkDir &operator=(const TempWorkDir &) = delete;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

#endif // TEMPWORKDIR_H
