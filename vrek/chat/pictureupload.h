#ifndef PICTUREUPLOAD_H
#define PICTUREUPLOAD_H

#include <QByteArray>
#include <QHttpPart>
#include <QObject>
#include <QString>

class QFile;
class QHttpMultiPart;
class QNetworkAccessManager;
class QNetworkReply;

// One picture of a chat message: posts the file to the school's web host as a multipart form and tells the
// lecturer where the server stored it. Call setFileName, and only when it succeeded, startUpload. The object
// releases itself once its reply has finished, or at once when its file cannot be opened, so an owner keeps
// no more than a guarded pointer to it.
class PictureUpload : public QObject
{
    Q_OBJECT
public:
    // The forward kind of the notice to the lecturer.
    static constexpr const char *forwardType = "13";
    static constexpr const char *uploadPath = "/mobile/httpUploadCourseware";

    explicit PictureUpload(QObject *parent = nullptr);
    ~PictureUpload() override;

    // The address the picture goes to, every query value percent-encoded.
    static QString uploadUrl();
    // The file name as the multipart form carries it: the name without its folders, with the characters that
    // would end the header's quoted text encoded.
    static QString formFileName(const QString &path);

signals:
    void signalUploadError(QString error);
    void signalUploadHttpMsg(QString targetId, QString data, QString type);

public slots:
    bool setFileName(QString path);
    void startUpload();
    QString parseJson(QByteArray body);
    void onSlotFinished();
    void sendLectureMsg(QString targetId, QString data, QString type);

private:
    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    QHttpMultiPart *m_multiPart;
    QHttpPart m_imagePart;
    QFile *m_file;
};

#endif // PICTUREUPLOAD_H
