#include "vrek/transferfile/filetransferqueue.h"

#include <QDebug>
#include <QMutexLocker>

void FileTransferQueue::push(
    const QString &fileId, const QString &name, const QString &pathOrUrl, unsigned int uploadType)
{
    QMutexLocker locker(&m_mutex);
    m_items.append({ fileId, name, pathOrUrl, uploadType });
}

bool FileTransferQueue::isEmpty() const
{
    QMutexLocker locker(&m_mutex);
    return m_items.isEmpty();
}

bool FileTransferQueue::pop(QString &fileId, QString &name, QString &pathOrUrl, unsigned int &uploadType)
{
    QMutexLocker locker(&m_mutex);
    if (m_items.isEmpty()) {
        qWarning() << "the fgQueue is empty error!";
        return false;
    }
    const Item item = m_items.takeFirst();
    fileId = item.fileId;
    name = item.name;
    pathOrUrl = item.pathOrUrl;
    uploadType = item.uploadType;
    return true;
}
