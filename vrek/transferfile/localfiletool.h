#ifndef LOCALFILETOOL_H
#define LOCALFILETOOL_H

#include <QObject>
#include <QString>

// Removes what the signed-in user holds of one received file: its folder, its archive and a partial archive.
class LocalFileTool : public QObject
{
    Q_OBJECT
public:
    explicit LocalFileTool(QObject *parent = nullptr);

public slots:
    // An empty id, or one that is not a plain name, removes nothing.
    void removeFileAndDir(QString fileId);
};

#endif // LOCALFILETOOL_H
