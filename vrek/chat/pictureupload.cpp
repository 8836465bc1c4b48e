#include "vrek/chat/pictureupload.h"

#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webhost.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {
QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}
} // namespace

PictureUpload::PictureUpload(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_multiPart(new QHttpMultiPart(QHttpMultiPart::FormDataType, this))
    , m_file(new QFile(this))
{
    connect(this, &PictureUpload::signalUploadHttpMsg, this, &PictureUpload::sendLectureMsg);
}

PictureUpload::~PictureUpload()
{
    qDebug() << "~PictureUpload";
}

QString PictureUpload::uploadUrl()
{
    return WebHost::baseUrl() + QLatin1String(uploadPath)
        + QStringLiteral("?userId=%1&loginSignId=%2&videoId=%3&classId=%4")
              .arg(encoded(g_userId), encoded(g_loginSignId), encoded(g_videoId), encoded(g_classId));
}

QString PictureUpload::formFileName(const QString &path)
{
    QString name = QFileInfo(path).fileName();
    name.replace('"', QLatin1String("%22"));
    name.replace('\r', QLatin1String("%0D"));
    name.replace('\n', QLatin1String("%0A"));
    return name;
}

bool PictureUpload::setFileName(QString path)
{
    m_file->setFileName(path);
    if (!m_file->open(QIODevice::ReadOnly)) {
        qWarning() << "file open fail! path:" << path;
        deleteLater();
        return false;
    }
    m_imagePart.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("image/%1").arg(QFileInfo(path).suffix()));
    m_imagePart.setHeader(QNetworkRequest::ContentDispositionHeader,
        QStringLiteral("form-data; name=\"image\"; filename=\"%1\"").arg(formFileName(path)));
    m_imagePart.setBodyDevice(m_file);
    m_file->setParent(m_multiPart);
    m_multiPart->append(m_imagePart);
    qDebug() << "file open success";
    return true;
}

void PictureUpload::startUpload()
{
    const QString url = uploadUrl();
    qDebug() << "initial upload image!" << url;
    m_reply = m_manager->post(QNetworkRequest(QUrl(url)), m_multiPart);
    m_multiPart->setParent(m_reply);
    connect(m_reply, &QNetworkReply::finished, this, &PictureUpload::onSlotFinished);
    qDebug() << "start upload!";
}

void PictureUpload::onSlotFinished()
{
    if (m_reply->error() == QNetworkReply::NoError) {
        const QString result = parseJson(m_reply->readAll());
        if (result == QLatin1String("error")) {
            emit signalUploadError(result);
        } else if (result.isEmpty()) {
            // Without an address the lecturer could do nothing with the notice.
            qWarning() << "the upload answer holds no picture address, nothing sent!";
        } else {
            const QString data = g_userId + ':' + result;
            qDebug() << "data:" << data;
            emit signalUploadHttpMsg(g_lectId, data, QLatin1String(forwardType));
        }
    }
    qDebug() << "requestFinished" << m_reply->error();
    deleteLater();
}

QString PictureUpload::parseJson(QByteArray body)
{
    qDebug() << "body:" << body;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (document.isNull() || error.error != QJsonParseError::NoError)
        return QString();
    const QJsonObject object = document.object();
    const QString status = object.value(QLatin1String("requestStatus")).toString();
    if (status == QLatin1String("success")) {
        const QJsonDocument inner
            = QJsonDocument::fromJson(object.value(QLatin1String("requestBody")).toString().toUtf8());
        if (!inner.isObject())
            return QString();
        qDebug() << "requestBody:" << inner.object();
        return inner.object().value(QLatin1String("originalGraph")).toString();
    }
    if (status == QLatin1String("error"))
        return QStringLiteral("error");
    return QString();
}

void PictureUpload::sendLectureMsg(QString targetId, QString data, QString type)
{
    qDebug() << "targetId:" << targetId << "data:" << data << "type:" << type;
    if (g_socketClientManager)
        g_socketClientManager->sendServerForwardPersonal(targetId, type, data);
}
