#include "sandbox/filescene.h"

#include "sandbox/classroomsandbox.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

namespace {
QByteArray uploadAnswer(const QString &fileId, const QString &fileName, const QString &status)
{
    const QJsonObject entry { { "fileId", fileId }, { "fileName", fileName }, { "status", status } };
    return QJsonDocument(QJsonObject { { "result", QJsonArray { entry } } }).toJson(QJsonDocument::Compact);
}

// A worksheet picture without text (no fonts needed): a grid of boxes to fill in.
QImage worksheetPicture()
{
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(QColor("#fdfcf7"));
    QPainter painter(&image);
    painter.setPen(QPen(QColor("#2a84e8"), 3));
    painter.drawRect(40, 40, 720, 520);
    painter.setPen(QPen(QColor("#8a8a8a"), 2));
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column)
            painter.drawRect(90 + column * 130, 100 + row * 110, 90, 70);
    }
    painter.end();
    return image;
}
} // namespace

const QByteArray FileScene::uploadPath = "/vSocket/socket/recevieClient/uploadFile";

FileScene::FileScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_files(new FakeHttpServer(this))
{ }

FileScene::~FileScene() = default;

FileScene *FileScene::of(ClassroomSandbox *sandbox)
{
    return sandbox ? sandbox->findChild<FileScene *>() : nullptr;
}

int FileScene::courseTypeOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "ppt" || suffix == "pptx")
        return 2;
    if (QStringList { "pdf", "doc", "docx", "png", "jpg" }.contains(suffix))
        return 1;
    if (QStringList { "mpg", "avi", "mp4", "wmv", "rmvb", "flv", "3gp" }.contains(suffix))
        return 3;
    if (QStringList { "wav", "mp3", "m4a" }.contains(suffix))
        return 4;
    return 0;
}

bool FileScene::install()
{
    if (!m_files->listen(sandbox()->filePort()))
        return false;
    sandbox()->announce("file", QString::number(m_files->port()));
    m_files->setHandler(uploadPath, [this](const FakeHttpServer::Request &request) { return takeUpload(request); });
    sandbox()->classroom()->setAnswer("4\t", [this](const QString &line) { return answerFileLine(line); });
    addSharedFile(QStringLiteral("课堂练习.png"), pngOf(worksheetPicture()));
    return true;
}

QString FileScene::fileUrl(const SharedFile &file) const
{
    if (file.archive)
        return QString("%1/vSocket/files/%2/%3.zip").arg(m_files->baseUrl(), file.serverId, file.fileIdAll());
    return QString("%1/vSocket/files/%2/%3").arg(m_files->baseUrl(), file.serverId, file.fileName);
}

QString FileScene::addSharedFile(const QString &fileName, const QByteArray &content, int courseType)
{
    SharedFile file;
    file.courseType = courseType >= 0 ? courseType : courseTypeOf(fileName);
    file.fileName = fileName;
    file.content = content;
    return share(file);
}

QString FileScene::addSharedArchive(const QString &fileName, const QByteArray &zip)
{
    SharedFile file;
    file.courseType = courseTypeOf(fileName);
    file.fileName = fileName;
    file.content = zip;
    file.archive = true;
    return share(file);
}

QString FileScene::share(SharedFile file)
{
    file.serverId = QString::number(m_nextId++);
    file.uploaded = QDateTime::currentDateTime();
    m_shared.append(file);
    FakeHttpServer::Reply reply;
    reply.body = file.content;
    reply.contentType = file.archive ? "application/zip" : "application/octet-stream";
    reply.ranges = true;
    // The validators a file server sends, without which a client cannot tell that a file it began is still the
    // same and so cannot resume it: a strong ETag of the content and the upload time.
    const QByteArray digest = QCryptographicHash::hash(file.content, QCryptographicHash::Sha1).toHex().left(20);
    reply.headers.append({ "ETag", '"' + digest + '"' });
    reply.headers.append({ "Last-Modified",
        QLocale::c().toString(file.uploaded.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1() });
    // The client sends the name percent-encoded.
    const QByteArray name
        = file.archive ? (file.fileIdAll() + ".zip").toLatin1() : QUrl::toPercentEncoding(file.fileName);
    m_files->setReply("/vSocket/files/" + file.serverId.toLatin1() + "/" + name, reply);
    return file.fileIdAll();
}

const FileScene::SharedFile *FileScene::findShared(const QString &fileIdAll) const
{
    for (const SharedFile &file : m_shared) {
        if (file.fileIdAll() == fileIdAll || file.serverId == fileIdAll)
            return &file;
    }
    return nullptr;
}

QString FileScene::fileListLine() const
{
    QJsonArray list;
    for (const SharedFile &file : m_shared) {
        list.append(QJsonObject { { "id", file.serverId.toLongLong() }, { "courseType", file.courseType },
            { "fileName", file.fileName }, { "fileSize", QString::number(file.content.size()) },
            { "uploadDate", file.uploaded.toString("yyyy-MM-dd hh:mm:ss") } });
    }
    return "4\t2\t" + QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QStringList FileScene::answerFileLine(const QString &line)
{
    // "4", user id, kind, ...
    const QStringList fields = line.split('\t');
    const QString kind = fields.value(2);
    if (kind == "2")
        return { fileListLine() };
    if (kind == "1" && fields.size() >= 4) {
        // The file-list rows carry "@<user id>".
        const QString fileIdAll = fields.at(3).section('@', 0, 0);
        if (const SharedFile *file = findShared(fileIdAll))
            return { QStringList { "4", "1", file->fileName, file->fileIdAll(), fileUrl(*file), "1" }.join('\t') };
        return { QStringList { "4", "1", QString(), fileIdAll, QString(), "0" }.join('\t') };
    }
    if (kind == "5" && fields.size() >= 4) {
        const QString serverId = fields.at(3);
        for (int i = 0; i < m_shared.size(); ++i) {
            if (m_shared.at(i).serverId == serverId) {
                const SharedFile gone = m_shared.takeAt(i);
                return { QStringList { "4", "5", serverId, QString::number(gone.courseType), "1" }.join('\t') };
            }
        }
        return { QStringList { "4", "5", serverId, "0", "2" }.join('\t') };
    }
    return {};
}

FakeHttpServer::Reply FileScene::takeUpload(const FakeHttpServer::Request &request)
{
    FakeHttpServer::Reply reply;
    const QString fileId = request.form.value("fileId");
    const QString userId = request.form.value("userId");
    const uint uploadType = request.form.value("uploadType").toUInt();
    const QByteArray contentType = request.header("content-type");
    const QByteArray boundary = contentType.mid(contentType.indexOf('=') + 1);
    static const QRegularExpression nameForm(QStringLiteral("filename=\"([^\"]*)\""));
    const int partStart = request.body.indexOf("\r\n\r\n");
    const QByteArray tail = "\r\n--" + boundary + "--\r\n";
    if (fileId.isEmpty() || boundary.isEmpty() || partStart < 0 || !request.body.endsWith(tail)) {
        reply.body = uploadAnswer(fileId, QString(), "Upload failure");
        return reply;
    }
    const QString fileName
        = nameForm.match(QString::fromUtf8(request.body.left(partStart))).captured(1).section('/', -1);
    const QByteArray bytes = request.body.mid(partStart + 4, request.body.size() - partStart - 4 - tail.size());

    bool complete = uploadType == 1;
    QByteArray content = bytes;
    if (uploadType == 2) {
        static const QRegularExpression rangeForm(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+)$"));
        const QRegularExpressionMatch range = rangeForm.match(QString::fromLatin1(request.header("content-range")));
        const qint64 first = range.captured(1).toLongLong();
        const qint64 last = range.captured(2).toLongLong();
        const qint64 total = range.captured(3).toLongLong();
        if (!range.hasMatch() || total > maxUploadSize || first > total) {
            reply.body = uploadAnswer(fileId, fileName, "Upload failure");
            return reply;
        }
        Upload &upload = m_uploads[fileId];
        upload.fileName = fileName;
        if (upload.content.size() < first + bytes.size())
            upload.content.resize(int(first + bytes.size()));
        upload.content.replace(int(first), bytes.size(), bytes);
        // The last range ends at the size.
        complete = last >= total;
        if (complete)
            content = m_uploads.take(fileId).content.left(int(total));
    } else if (uploadType != 1) {
        reply.body = uploadAnswer(fileId, fileName, "Invalid upload type");
        return reply;
    }
    reply.body = uploadAnswer(fileId, fileName, "success");
    if (!complete)
        return reply;
    emit uploadFinished(userId, fileId, fileName, uploadType, content);
    if (uploadType == 1) {
        // The network disk's file: converted a moment later, then shared with the class.
        QTimer::singleShot(300, this, [this, userId, fileId, fileName, content] {
            const QString fileIdAll = addSharedFile(fileName, content);
            const SharedFile *file = findShared(fileIdAll);
            sandbox()->classroom()->sendLine(QStringList {
                "4", "6", fileId, file->serverId, userId, QString::number(file->courseType), fileName, "1" }
                                                 .join('\t'));
        });
    }
    return reply;
}
