#include "platform/appdata/appdata.h"

#include <QDir>
#include <QStandardPaths>

QString AppData::folder(const QString &applicationName)
{
    QString path = qEnvironmentVariable("TAVI_APPDATA");
    if (path.isEmpty()) {
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (path.isEmpty())
            path = QDir::homePath() + "/.local/share";
        path += '/' + applicationName;
    }
    QDir().mkpath(path);
    return QDir(path).absolutePath();
}
