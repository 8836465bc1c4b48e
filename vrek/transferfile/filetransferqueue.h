#ifndef FILETRANSFERQUEUE_H
#define FILETRANSFERQUEUE_H

#include <QList>
#include <QMutex>
#include <QString>

// The transfers waiting for a free slot, first in first out, safe for calls from any thread. A download carries
// (file id, display name, address, 0), an upload (file id, file name, local path, upload type).
class FileTransferQueue
{
public:
    void push(const QString &fileId, const QString &name, const QString &pathOrUrl, unsigned int uploadType);
    bool isEmpty() const;
    // Takes the first item; false and a log line when there is none.
    bool pop(QString &fileId, QString &name, QString &pathOrUrl, unsigned int &uploadType);

private:
    struct Item
    {
        QString fileId;
        QString name;
        QString pathOrUrl;
        unsigned int uploadType = 0;
    };

    mutable QMutex m_mutex;
    QList<Item> m_items;
};

#endif // FILETRANSFERQUEUE_H
