#include "vrek/transferfile/alpostfile.h"

#include "vrek/transferfile/uploadbody.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QThread>
#include <QUrl>

namespace {
[[maybe_unused]] const int s_statusTypeId = qRegisterMetaType<ALPostFile::PostFileStatus>("ALPostFile::PostFileStatus");

const QHash<QString, ALPostFile::PostFileStatus> answerStatuses {
    { "No transmission of user information was obtained", ALPostFile::NoUserInfo },
    { "User information does not exist", ALPostFile::UserNotExist },
    { "Invalid upload type", ALPostFile::InvalidType },
    { "Upload failure", ALPostFile::UploadFailure },
    { "The upload file type is incorrect", ALPostFile::WrongFileType },
    { "Failed to transfer PDF file", ALPostFile::PdfTransferFailed },
    { "Converting SWF failed", ALPostFile::SwfFailed },
    { "file does not exist", ALPostFile::FileNotExist },
    { "Not a PDF file", ALPostFile::NotPdf },
    { "Turn picture failure", ALPostFile::PictureFailed },
    { "Turn PDF file timeout", ALPostFile::PdfTimeout },
    { "Insufficient space", ALPostFile::NoSpace },
};
} // namespace

const QByteArray ALPostFile::boundary = "*****";

ALPostFile::ALPostFile(const QString &userId, QNetworkAccessManager *qnam, QObject *parent)
    : QObject(parent)
    , m_userId(userId)
    , m_qnam(qnam)
{ }

ALPostFile::~ALPostFile()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
}

void ALPostFile::setServerAddrBase(QString addr)
{
    m_serverAddr = addr;
}

void ALPostFile::moveThread(QThread *thread)
{
    qDebug() << "thread:" << thread;
    moveToThread(thread);
}

QByteArray ALPostFile::bodyHead(const QString &fileName)
{
    return "--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"file0\";filename=\"" + fileName.toUtf8()
        + "\"\r\n" + "\r\n";
}

QByteArray ALPostFile::bodyTail()
{
    return "\r\n--" + boundary + "--\r\n";
}

ALPostFile::PostFileStatus ALPostFile::statusOfAnswer(const QString &status)
{
    const auto found = answerStatuses.constFind(status);
    if (found != answerStatuses.constEnd())
        return found.value();
    qWarning() << "the status error! status:" << status;
    return UnknownStatus;
}

void ALPostFile::start(QString fileId, QString filePath, uint uploadType, qint64 position)
{
    qInfo() << "fp" << filePath << "postType:" << uploadType << "r " << position
            << "thread:" << QThread::currentThread();
    if (m_busy) {
        emit signalPostFileResult(fileId, Busy);
        return;
    }
    m_busy = true;
    m_filePath = filePath;
    m_fileId = fileId;
    if (filePath.isEmpty()) {
        report(PathEmpty);
        return;
    }
    if (m_serverAddr.isEmpty()) {
        report(AddressEmpty);
        return;
    }
    if (!setFileName() || m_fileName.isEmpty()) {
        report(NameError);
        return;
    }
    m_fileSize = QFileInfo(filePath).size();
    qInfo() << "fileSize :" << m_fileSize;
    if (m_fileSize == 0) {
        report(EmptyFile);
        return;
    }
    m_position = position;
    m_uploadType = uploadType;
    if (uploadType == 1) {
        postFile();
    } else if (uploadType == 2) {
        m_chunkLength = qMin(chunkSize, m_fileSize - m_position);
        postFileRange();
    } else {
        qWarning() << "the postType unknown error! postType:" << uploadType;
        report(Unlisted);
    }
}

void ALPostFile::setIsPostFilePause(bool pause)
{
    m_paused = pause;
}

void ALPostFile::getIsPostFileStart(bool &busy)
{
    busy = m_busy;
}

bool ALPostFile::setFileName()
{
    const QStringList parts = m_filePath.split('/');
    if (parts.isEmpty()) {
        qWarning() << "fileName is null";
        return false;
    }
    m_fileName = parts.last();
    return true;
}

void ALPostFile::postFile()
{
    post(0, m_fileSize, false);
}

void ALPostFile::postFileRange()
{
    if (m_position != 0)
        m_position += 1;
    post(m_position, m_chunkLength, true);
}

bool ALPostFile::post(qint64 offset, qint64 length, bool ranged)
{
    if (!m_qnam) {
        qWarning() << "the qnam == NULL error!";
        report(NetworkError);
        return false;
    }
    auto *body = new UploadBody(m_filePath, offset, length, bodyHead(m_fileName), bodyTail());
    if (!body->open(QIODevice::ReadOnly)) {
        qWarning() << "file open error.";
        delete body;
        report(OpenError);
        return false;
    }
    m_requestAddr = m_serverAddr + "?userId=" + m_userId + "&uploadType=" + QString::number(m_uploadType)
        + "&clientWidth=" + QString::number(clientWidth) + "&fileId=" + m_fileId;
    QNetworkRequest request(QUrl(m_requestAddr, QUrl::TolerantMode));
    request.setRawHeader("Connection", "Keep-Alive");
    request.setRawHeader("Charset", "UTF-8");
    request.setRawHeader("Content-Type", "multipart/form-data;boundary=" + boundary);
    if (ranged) {
        request.setRawHeader(
            "Content-Range", QString("bytes %1-%2/%3").arg(offset).arg(offset + length - 1).arg(m_fileSize).toLatin1());
    }
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
    m_overhead = body->size() - body->fileBytes();
    m_reply = m_qnam->post(request, body);
    body->setParent(m_reply);
    connect(m_reply, &QNetworkReply::uploadProgress, this, &ALPostFile::uploadProgress);
    connect(m_reply, &QNetworkReply::finished, this, &ALPostFile::replyFinish);
    return true;
}

void ALPostFile::uploadProgress(qint64 sent, qint64 total)
{
    if (sent == 0 && total == 0)
        return;
    const qint64 uploaded = sent >= m_overhead ? m_position - m_overhead + sent : m_position;
    emit signalUploadProgress(m_fileId, uploaded, m_fileSize);
}

bool ALPostFile::readAnswer(const QByteArray &answer, QString &fileId, QString &fileName, QString &status)
{
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    if (!document.isObject())
        return false;
    const QJsonValue result = document.object().value("result");
    if (!result.isArray() || result.toArray().size() != 1 || !result.toArray().first().isObject())
        return false;
    const QJsonObject entry = result.toArray().first().toObject();
    if (!entry.contains("fileId") || !entry.contains("fileName") || !entry.contains("status"))
        return false;
    // Read as text whatever their JSON type.
    fileId = entry.value("fileId").toVariant().toString();
    fileName = entry.value("fileName").toVariant().toString();
    status = entry.value("status").toVariant().toString();
    return true;
}

void ALPostFile::replyFinish()
{
    if (!m_reply || sender() != m_reply) {
        qWarning() << "reply is nullptr";
        return;
    }
    const QByteArray answer = m_reply->readAll();
    const QNetworkReply::NetworkError error = m_reply->error();
    const QString errorString = m_reply->errorString();
    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    m_busy = false;

    // An answer with the server's status (code 499 is the server's own error page) is read; any other network
    // error is the result by itself.
    if (error != QNetworkReply::NoError && error != QNetworkReply::UnknownServerError) {
        if (m_uploadType == 1) {
            qWarning() << "ALPostFile::replyError errorType:" << error << "errorString:" << errorString;
            m_qnam->clearAccessCache();
        } else {
            qWarning() << "errorType:" << error << "errorCode:" << errorString;
        }
        report(NetworkError);
        return;
    }
    QString fileId;
    QString fileName;
    QString status;
    const bool read = readAnswer(answer, fileId, fileName, status);
    if (m_uploadType == 1) {
        if (!read) {
            if (error != QNetworkReply::NoError)
                qWarning() << "ALPostFile::replyError errorType:" << error << "errorString:" << errorString;
            report(error == QNetworkReply::NoError ? Done : NetworkError);
            return;
        }
        if (fileId != m_fileId) {
            qWarning() << "the fi != fileId! fi:" << m_fileId << "fileId:" << fileId;
            report(BadAnswer);
            return;
        }
        report(status == QLatin1String("success") ? Done : statusOfAnswer(status));
        return;
    }
    if (!read) {
        qWarning() << "ba:" << answer;
        report(BadAnswer);
        return;
    }
    postFileFinish(fileId, fileName, status);
}

void ALPostFile::postFileFinish(const QString &fileId, const QString &fileName, const QString &status)
{
    if (fileId != m_fileId) {
        qWarning() << "the fi != fileId! fi:" << m_fileId << "fileId:" << fileId << "fileName:" << fileName;
        report(BadAnswer);
        return;
    }
    if (status != QLatin1String("success")) {
        report(statusOfAnswer(status));
        return;
    }
    const qint64 start = m_position;
    emit signalPostRangeFinish(m_fileId, start + m_chunkLength, m_fileSize);
    m_position = start + m_chunkLength - 1;
    if (m_position >= m_fileSize) {
        report(Done);
    } else if (m_paused) {
        report(Paused);
    } else {
        m_chunkLength = qMin(chunkSize, m_fileSize - m_position);
        m_busy = true;
        postFileRange();
    }
}

void ALPostFile::report(PostFileStatus status)
{
    m_busy = false;
    emit signalPostFileResult(m_fileId, status);
}
