#include "vrek/model/transferfile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QStringList>
#include <QtEndian>

void TransferFile::setId(const QString &id)
{
    m_id = id;
    const QStringList parts = id.split('@');
    if (parts.size() != 2) {
        qWarning() << "TransferFile::setId id error! id:" << id;
        return;
    }
    m_fileId = parts.at(0);
    m_userId = parts.at(1);
}

void TransferFile::setIdParts(const QString &fileId, const QString &userId)
{
    m_fileId = fileId;
    m_userId = userId;
    m_id = fileId + "@" + userId;
}

uint qHash(const TransferFile &file, uint seed)
{
    const QByteArray digest = QCryptographicHash::hash(file.getId().toUtf8(), QCryptographicHash::Md5);
    return qFromLittleEndian<quint32>(digest.constData()) ^ seed;
}
