#include "vrek/transferfile/uploadbody.h"

#include <cstring>

UploadBody::UploadBody(const QString &filePath, qint64 offset, qint64 length, const QByteArray &head,
    const QByteArray &tail, QObject *parent)
    : QIODevice(parent)
    , m_file(filePath)
    , m_offset(offset)
    , m_length(length)
    , m_head(head)
    , m_tail(tail)
{ }

UploadBody::~UploadBody() = default;

bool UploadBody::open(OpenMode mode)
{
    if ((mode & (ReadWrite | Append | Truncate)) != ReadOnly)
        return false;
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    const qint64 fileSize = m_file.size();
    if (fileSize == 0) {
        m_file.close();
        return false;
    }
    m_sliceLength = qBound(qint64(0), qMin(m_length, fileSize - m_offset), m_length);
    return QIODevice::open(ReadOnly | Unbuffered);
}

void UploadBody::close()
{
    m_file.close();
    QIODevice::close();
}

qint64 UploadBody::size() const
{
    return m_head.size() + m_sliceLength + m_tail.size();
}

qint64 UploadBody::readData(char *data, qint64 maxSize)
{
    qint64 position = pos();
    qint64 done = 0;
    const qint64 headSize = m_head.size();
    if (position < headSize && done < maxSize) {
        const qint64 count = qMin(maxSize - done, headSize - position);
        std::memcpy(data + done, m_head.constData() + position, size_t(count));
        done += count;
        position += count;
    }
    const qint64 sliceEnd = headSize + m_sliceLength;
    if (position >= headSize && position < sliceEnd && done < maxSize) {
        const qint64 want = qMin(maxSize - done, sliceEnd - position);
        if (!m_file.seek(m_offset + position - headSize))
            return done > 0 ? done : -1;
        const qint64 read = m_file.read(data + done, want);
        if (read <= 0)
            return done > 0 ? done : -1;
        done += read;
        position += read;
        if (read < want)
            return done;
    }
    if (position >= sliceEnd && done < maxSize) {
        const qint64 tailPosition = position - sliceEnd;
        const qint64 count = qMin(maxSize - done, qint64(m_tail.size()) - tailPosition);
        if (count > 0) {
            std::memcpy(data + done, m_tail.constData() + tailPosition, size_t(count));
            done += count;
        }
    }
    return done;
}

qint64 UploadBody::writeData(const char *, qint64)
{
    return -1;
}
