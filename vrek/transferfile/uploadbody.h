#ifndef UPLOADBODY_H
#define UPLOADBODY_H

#include <QByteArray>
#include <QFile>
#include <QIODevice>

// The body of one upload request, read straight from the file: a head, a slice of the file and a tail. The
// slice is fixed when the device opens: at most the asked length from the offset, fewer at the end of the file.
// A file that shrinks while it is sent makes the read fail instead of sending other bytes.
class UploadBody : public QIODevice
{
    Q_OBJECT
public:
    UploadBody(const QString &filePath, qint64 offset, qint64 length, const QByteArray &head, const QByteArray &tail,
        QObject *parent = nullptr);
    ~UploadBody() override;

    // Read-only; false when the file cannot be opened or is empty.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    qint64 fileBytes() const { return m_sliceLength; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QFile m_file;
    qint64 m_offset;
    qint64 m_length;
    qint64 m_sliceLength = 0;
    QByteArray m_head;
    QByteArray m_tail;
};

#endif // UPLOADBODY_H
