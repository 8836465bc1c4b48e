#ifndef ALPOSTFILE_H
#define ALPOSTFILE_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QThread;

// Uploads one local file to the file server as multipart/form-data: whole (type 1) or in 1 MiB chunks with
// "Content-Range" and a JSON answer each, continuing from a stored position (type 2). The body is read from the
// file while it is sent. Lives in the network engine's thread; exactly one result per start.
class ALPostFile : public QObject
{
    Q_OBJECT
public:
    enum PostFileStatus {
        Busy = 0,
        PathEmpty = 1,
        AddressEmpty = 2,
        NameError = 3,
        OpenError = 4,
        EmptyFile = 5,
        TooLarge = 6, // never reported here
        NetworkError = 7,
        Unlisted = 8, // never reported here
        Done = 9,
        NoUserInfo = 10,
        UserNotExist = 11,
        InvalidType = 12,
        UploadFailure = 13,
        WrongFileType = 14,
        PdfTransferFailed = 15,
        SwfFailed = 16,
        FileNotExist = 17,
        NotPdf = 18,
        PictureFailed = 19,
        PdfTimeout = 20,
        NoSpace = 21,
        UnknownStatus = 22,
        ConvertFailed = 23, // never reported here
        BadAnswer = 24,
        Paused = 25,
    };
    Q_ENUM(PostFileStatus)

    static constexpr int clientWidth = 3000;
    static constexpr qint64 chunkSize = 1048576;
    static const QByteArray boundary;

    ALPostFile(const QString &userId, QNetworkAccessManager *qnam, QObject *parent = nullptr);
    ~ALPostFile() override;

    Q_INVOKABLE void setServerAddrBase(QString addr);
    void moveThread(QThread *thread);

    // The multipart head and tail around the file bytes; the head names the file.
    static QByteArray bodyHead(const QString &fileName);
    static QByteArray bodyTail();
    // The result an answer's status text stands for (10 to 22).
    static PostFileStatus statusOfAnswer(const QString &status);
    // Reads a chunk answer; false when it is not {"result":[{"fileId","fileName","status"}]}.
    static bool readAnswer(const QByteArray &answer, QString &fileId, QString &fileName, QString &status);

public slots:
    void start(QString fileId, QString filePath, uint uploadType, qint64 position);
    void setIsPostFilePause(bool pause);
    void getIsPostFileStart(bool &busy);
    void replyFinish();
    void uploadProgress(qint64 sent, qint64 total);

signals:
    void signalPostFileResult(QString fileId, ALPostFile::PostFileStatus status);
    void signalUploadProgress(QString fileId, qint64 uploaded, qint64 fileSize);
    void signalPostRangeFinish(QString fileId, qint64 confirmed, qint64 fileSize);

private:
    bool setFileName();
    void postFile();
    void postFileRange();
    // False when the file cannot be read; the request is then not sent.
    bool post(qint64 offset, qint64 length, bool ranged);
    void postFileFinish(const QString &fileId, const QString &fileName, const QString &status);
    void report(PostFileStatus status);

    QString m_userId;
    QNetworkAccessManager *m_qnam;
    bool m_busy = false;
    bool m_paused = false;
    uint m_uploadType = 0;
    QString m_serverAddr;
    QString m_requestAddr;
    QString m_fileId;
    QString m_fileName;
    QString m_filePath;
    qint64 m_position = 0;
    qint64 m_fileSize = 0;
    qint64 m_chunkLength = 0;
    qint64 m_overhead = 0;
    QNetworkReply *m_reply = nullptr;
};

#endif // ALPOSTFILE_H
