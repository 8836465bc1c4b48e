#include "vrek/transferfile/algetfile.h"

#include "vrek/transferfile/diskroom.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/fileutil.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <cerrno>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

namespace {
[[maybe_unused]] const int s_statusTypeId = qRegisterMetaType<ALGetFile::GetFileStatus>("ALGetFile::GetFileStatus");

constexpr qint64 copyBlock = 64 * 1024;

// The display name's part before its first "." is sent percent-encoded wherever the address carries it.
QString encodeAddress(const QString &fileName, const QString &fileUrl)
{
    const QString baseName = fileName.section('.', 0, 0);
    QString encoded = fileUrl;
    if (!baseName.isEmpty() && encoded.contains(baseName))
        encoded.replace(baseName, QString::fromLatin1(QUrl::toPercentEncoding(baseName)));
    return encoded;
}

QString addressSuffix(const QString &address)
{
    const QString path = address.section('?', 0, 0);
    const QString last = path.mid(path.lastIndexOf('/') + 1);
    const int dot = last.lastIndexOf('.');
    return dot < 0 ? QString() : last.mid(dot + 1);
}

// "bytes <first>-<last>/<total>": the first byte, or -1; total becomes the whole length, -1 for "*".
qint64 contentRangeStart(const QByteArray &header, qint64 *total = nullptr)
{
    static const QRegularExpression form(QStringLiteral("^bytes\\s+(\\d+)-\\d+/(\\d+|\\*)$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    if (total) {
        bool ok = false;
        const qint64 length = match.hasMatch() ? match.captured(2).toLongLong(&ok) : -1;
        *total = ok ? length : -1;
    }
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

const QByteArray validatorKey = "validator:";
const QByteArray lengthKey = "length:";

// An entry name that stays inside the folder it is unpacked into: relative, no drive, no "..".
bool isContainedEntry(const QString &name)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (name.isEmpty() || name.startsWith('/') || drive.match(name).hasMatch())
        return false;
    const QStringList parts = name.split('/');
    return !parts.contains(QStringLiteral(".."));
}
} // namespace

ALGetFile::ALGetFile(const QString &userId, QNetworkAccessManager *qnam, QObject *parent)
    : QObject(parent)
    , m_userId(userId)
    , m_qnam(qnam)
{
    qInfo() << "ui:" << userId << "qnam:" << qnam << "parent:" << parent;
}

ALGetFile::~ALGetFile()
{
    qInfo() << "ALGetFile::~ALGetFile fia:" << m_fileId;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    closeTempFile();
}

void ALGetFile::moveThread(QThread *thread)
{
    qDebug() << "ALGetFile::moveThread thread:" << thread;
    moveToThread(thread);
}

void ALGetFile::setZipLimits(int entries, qint64 bytes)
{
    m_maxEntries = entries;
    m_maxBytes = bytes;
}

void ALGetFile::start(QString fileId, QString fileName, QString fileUrl)
{
    qInfo() << "fia:" << fileId << "fileName:" << fileName << "fileUrl:" << fileUrl;
    if (m_busy) {
        emit signalGetFileResult(fileId, Busy);
        return;
    }
    // Both ids become folder names; the user id was checked at login, this guards every other way it came.
    if (!ReceivedFilePath::isValidFileId(fileId) || !ReceivedFilePath::isValidFileId(m_userId)) {
        qWarning() << "the fileId is not a plain name! fia:" << fileId << "ui:" << m_userId;
        emit signalGetFileResult(fileId, PathError);
        return;
    }
    m_address = encodeAddress(fileName, fileUrl);
    m_busy = true;
    m_writeFailed = false;
    m_noRoom = false;
    m_neededBytes = -1;
    m_suffix = addressSuffix(m_address);
    m_fileName = fileName;
    m_fileId = fileId;
    m_tempFilePath = QString("fileRecv/%1/%2.%3").arg(m_userId, fileId, m_suffix) + m_tempSuffix;

    if (!m_qnam) {
        qWarning() << "the qnam == NULL error!";
        finish(NoReply);
        return;
    }
    if (!FileUtil::dirMakePath(ReceivedFilePath::userFolder(m_userId))) {
        qWarning() << "the dirMakePath fail! path:" << ReceivedFilePath::userFolder(m_userId);
        finish(FolderError);
        return;
    }
    m_tempFile = new QFile(m_tempFilePath);
    qInfo() << "tempFilePath:" << m_tempFilePath;
    // What an earlier, broken download left stays and is continued. Unbuffered, so that a full disk fails the
    // write that meets it and not a later close.
    if (!m_tempFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        qWarning() << "the zipFile open fail! tempFilePath:" << m_tempFilePath << m_tempFile->errorString();
        finish(TempFileError);
        return;
    }
    qint64 from = m_tempFile->size();
    // Without the first answer's validator nothing shows that the server's file is still the same one.
    if (from > 0 && !readValidator()) {
        qInfo() << "the tempFile has no validator, the download starts again fia:" << m_fileId;
        m_tempFile->resize(0);
        from = 0;
    }
    request(from);
}

QString ALGetFile::validatorPath(const QString &tempFilePath)
{
    return tempFilePath + QStringLiteral("_validator");
}

bool ALGetFile::readValidator()
{
    m_validator.clear();
    m_fileLength = -1;
    QFile file(validatorPath(m_tempFilePath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(validatorKey))
            m_validator = line.mid(validatorKey.size());
        else if (line.startsWith(lengthKey))
            m_fileLength = line.mid(lengthKey.size()).toLongLong();
    }
    // A length the temporary file has reached leaves nothing to ask for: that is no resume either.
    return !m_validator.isEmpty() && m_fileLength > 0 && m_tempFile && m_tempFile->size() < m_fileLength;
}

void ALGetFile::storeValidator()
{
    const QString path = validatorPath(m_tempFilePath);
    QFile::remove(path);
    m_validator.clear();
    m_fileLength = -1;
    // If-Range takes a strong ETag or a date; a weak ETag cannot prove the bytes the same.
    const QByteArray etag = m_reply->rawHeader("ETag").trimmed();
    const QByteArray lastModified = m_reply->rawHeader("Last-Modified").trimmed();
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        m_validator = etag;
    else if (!lastModified.isEmpty())
        m_validator = lastModified;
    bool ok = false;
    const qint64 length = m_reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
    // An encoded answer's length and ranges count other bytes than the file's.
    m_fileLength = ok && m_reply->rawHeader("Content-Encoding").isEmpty() ? length : -1;
    if (m_validator.isEmpty() || m_validator.contains('\n') || m_fileLength <= 0)
        return;
    QFile file(path);
    const QByteArray text = validatorKey + m_validator + '\n' + lengthKey + QByteArray::number(m_fileLength) + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush()) {
        file.close();
        QFile::remove(path);
    }
}

void ALGetFile::dropTempFile()
{
    closeTempFile();
    QFile::remove(validatorPath(m_tempFilePath));
    QFile::remove(m_tempFilePath);
}

void ALGetFile::request(qint64 from)
{
    m_resumeFrom = from;
    m_mode = BodyUnknown;
    QNetworkRequest request(QUrl(m_address, QUrl::TolerantMode));
    if (from > 0) {
        qInfo() << "resume fia:" << m_fileId << "from:" << from;
        request.setRawHeader("Range", QString("bytes=%1-").arg(from).toLatin1());
        // A file that changed on the server comes whole instead of as a tail of another file.
        request.setRawHeader("If-Range", m_validator);
    }
    m_reply = m_qnam->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &ALGetFile::replyMetaData);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &ALGetFile::downloadProgress);
    connect(m_reply, &QNetworkReply::finished, this, &ALGetFile::replyFinish);
    connect(m_reply, &QNetworkReply::readyRead, this, &ALGetFile::replyRead);
}

void ALGetFile::replyMetaData()
{
    if (!m_reply || sender() != m_reply || m_mode != BodyUnknown)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    qint64 total = -1;
    const qint64 first = status == 206 ? contentRangeStart(m_reply->rawHeader("Content-Range"), &total) : -1;
    if (status == 200) {
        m_mode = BodyWhole;
        storeValidator();
    } else if (status == 206 && m_resumeFrom > 0 && first == m_resumeFrom && total == m_fileLength) {
        m_mode = BodyAppend;
    } else if (m_resumeFrom > 0 && (status == 206 || status == 416)) {
        // The server cannot continue where the temporary file ends: start again from empty.
        restartWhole();
        return;
    } else {
        qWarning() << "the reply status error! status:" << status << "fia:" << m_fileId;
        m_mode = BodyDiscard;
        return;
    }
    if (m_mode == BodyWhole && m_tempFile) {
        m_tempFile->resize(0);
        m_tempFile->seek(0);
    } else if (m_tempFile) {
        m_tempFile->seek(m_tempFile->size());
    }
}

void ALGetFile::restartWhole()
{
    qInfo() << "the range is refused, the download starts again fia:" << m_fileId;
    QNetworkReply *old = m_reply;
    m_reply = nullptr;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
    if (m_tempFile) {
        m_tempFile->resize(0);
        m_tempFile->seek(0);
    }
    QFile::remove(validatorPath(m_tempFilePath));
    request(0);
}

void ALGetFile::replyRead()
{
    if (!m_reply)
        return;
    if (m_mode == BodyDiscard) {
        m_reply->readAll();
        return;
    }
    if (!m_busy || !m_tempFile || !m_tempFile->isOpen() || m_mode == BodyUnknown || m_writeFailed) {
        qWarning() << "the zipFile write error!";
        return;
    }
    const QByteArray data = m_reply->readAll();
    const qint64 before = m_tempFile->size();
    errno = 0;
    if (m_tempFile->write(data) != data.size()) {
        const int error = errno;
        qWarning() << "the zipFile write error!" << m_tempFile->errorString();
        m_writeFailed = true;
        // Of a file of unknown length only more than what fitted is known: twice that is asked for, so that a
        // little room freed does not bring the whole download again only to fill the disk again.
        judgeFailedWrite(error, m_fileLength > 0 ? m_fileLength : 2 * (before + data.size()));
        m_reply->abort();
    }
}

void ALGetFile::judgeFailedWrite(int error, qint64 needed)
{
    const qint64 free = DiskRoom::freeBytes(ReceivedFilePath::userFolder(m_userId));
    m_noRoom = DiskRoom::isNoRoomError(error) || (free >= 0 && needed > 0 && free < needed);
    m_neededBytes = needed;
    qWarning() << "the write failed, noRoom:" << m_noRoom << "error:" << error << "free:" << free
               << "needed:" << needed;
}

void ALGetFile::downloadProgress(qint64 received, qint64 total)
{
    if (sender() != m_reply)
        return;
    // A continued download counts what the temporary file held before.
    const qint64 before = m_mode == BodyAppend ? m_resumeFrom : 0;
    // An unknown length stays unknown (-1) however much came before.
    emit signalDownloadProgress(m_fileId, received + before, total > 0 ? total + before : -1);
}

void ALGetFile::replyFinish()
{
    // A reply that was dropped or replaced no longer belongs to a download.
    if (!m_reply || sender() != m_reply) {
        qWarning() << "the reply == NULL error!";
        return;
    }
    replyRead();
    errno = 0;
    if (m_tempFile && m_tempFile->isOpen() && !m_tempFile->flush() && !m_writeFailed) {
        m_writeFailed = true;
        judgeFailedWrite(errno, m_fileLength > 0 ? m_fileLength : m_tempFile->size());
    }
    closeTempFile();
    GetFileStatus status = Done;
    if (m_writeFailed) {
        // Most likely a full disk: a half-written file would only keep it full.
        dropTempFile();
        status = m_noRoom ? DiskFull : TempFileError;
        if (m_noRoom)
            emit signalNoRoom(m_fileId, m_neededBytes);
    } else if (m_reply->error() != QNetworkReply::NoError) {
        qWarning() << "the reply network error! errorType:" << m_reply->error()
                   << "errorString:" << m_reply->errorString();
        status = NetworkError;
    } else if (m_mode != BodyWhole && m_mode != BodyAppend) {
        qWarning() << "the reply carried no file fia:" << m_fileId;
        status = NetworkError;
    } else {
        const QByteArray rest = m_reply->readAll();
        if (!rest.isEmpty())
            qInfo() << "replyString:" << rest;
        status = fileDownload();
    }
    finish(status);
}

ALGetFile::GetFileStatus ALGetFile::fileDownload()
{
    QFile::remove(validatorPath(m_tempFilePath));
    if (!QFile::exists(m_tempFilePath))
        return EmptyFile;
    const QString downloaded = m_tempFilePath.left(m_tempFilePath.lastIndexOf(m_tempSuffix));
    if (QFile::exists(downloaded))
        QFile::remove(downloaded);
    if (!QFile::rename(m_tempFilePath, downloaded)) {
        qWarning() << "the rename fail! tempFilePath:" << m_tempFilePath;
        return TempFileError;
    }
    m_tempFilePath = downloaded;
    if (m_suffix == QLatin1String("zip")) {
        // Unpacked beside the archive: the disk must hold both for a while.
        qint64 unpacked = 0;
        {
            QuaZip zip(downloaded);
            if (zip.open(QuaZip::mdUnzip)) {
                for (const QuaZipFileInfo64 &entry : zip.getFileInfoList64())
                    unpacked += qint64(entry.uncompressedSize);
            }
        }
        const qint64 archive = QFileInfo(downloaded).size();
        // Looked at before: a failed unpack leaves what it wrote, which would hide the room it had.
        const qint64 free = DiskRoom::freeBytes(ReceivedFilePath::userFolder(m_userId));
        const bool ok = exitract();
        FileUtil::fileRemove(downloaded);
        if (!ok) {
            if (free >= 0 && unpacked > 0 && unpacked <= m_maxBytes && free < unpacked) {
                qWarning() << "the archive does not fit unpacked! free:" << free << "unpacked:" << unpacked;
                m_neededBytes = archive + unpacked;
                emit signalNoRoom(m_fileId, m_neededBytes);
                return DiskFull;
            }
        }
        return ok ? Done : UnzipError;
    }
    const QString folder = ReceivedFilePath::fileFolder(m_userId, m_fileId);
    const QString name = ReceivedFilePath::lastComponent(m_fileName);
    if (!FileUtil::dirMakePath(folder) || name.isEmpty()) {
        qWarning() << "the file cannot be filed! folder:" << folder << "fileName:" << m_fileName;
        FileUtil::fileRemove(downloaded);
        return TempFileError;
    }
    const QString target = folder + "/" + name;
    if (QFile::exists(target))
        QFile::remove(target);
    if (!QFile::rename(downloaded, target)) {
        qWarning() << "the copy fail! target:" << target;
        FileUtil::fileRemove(downloaded);
        return TempFileError;
    }
    return Done;
}

bool ALGetFile::exitract()
{
    return unpackZip(m_tempFilePath, ReceivedFilePath::fileFolder(m_userId, m_fileId), m_maxEntries, m_maxBytes);
}

bool ALGetFile::unpackZip(const QString &archivePath, const QString &outFilePath, int maxEntries, qint64 maxBytes)
{
    QuaZip zip(archivePath);
    if (!zip.open(QuaZip::mdUnzip)) {
        qWarning() << "ALGetFile::exitract the open zipFile fail! tempFilePath:" << archivePath;
        return false;
    }
    // Every entry is checked before anything is written.
    const QList<QuaZipFileInfo64> entries = zip.getFileInfoList64();
    if (entries.size() != zip.getEntriesCount() || entries.size() > maxEntries) {
        qWarning() << "the zip holds too many entries! count:" << zip.getEntriesCount();
        return false;
    }
    qint64 declared = 0;
    for (const QuaZipFileInfo64 &entry : entries) {
        QString name = entry.name;
        name.replace('\\', '/');
        if (!isContainedEntry(name)) {
            qWarning() << "the zip entry leaves its folder! name:" << entry.name;
            return false;
        }
        declared += qint64(entry.uncompressedSize);
        if (declared > maxBytes) {
            qWarning() << "the zip content is too large! size:" << declared;
            return false;
        }
    }

    if (!FileUtil::dirMakePath(outFilePath)) {
        qWarning() << "the dirMake fail!";
        return false;
    }
    qint64 written = 0;
    QByteArray block(int(copyBlock), Qt::Uninitialized);
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QString name = zip.getCurrentFileName();
        name.replace('\\', '/');
        if (!isContainedEntry(name)) {
            qWarning() << "the zip entry leaves its folder! name:" << name;
            return false;
        }
        const QString path = outFilePath + "/" + name;
        if (name.endsWith('/')) {
            QDir().mkdir(path);
            continue;
        }
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::ReadOnly)) {
            entry.close();
            qWarning() << "the qzFile open fail!";
            return false;
        }
        // A folder must have come as an entry of its own.
        QFile dstFile(path);
        if (!dstFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qWarning() << "the dstFile open fail!" << dstFile.errorString();
            return false;
        }
        // In blocks, against the real size: the sizes an archive declares may lie.
        for (;;) {
            const qint64 read = entry.read(block.data(), copyBlock);
            if (read < 0) {
                qWarning() << "the qzFile read fail!" << entry.errorString();
                return false;
            }
            if (read == 0)
                break;
            written += read;
            if (written > maxBytes) {
                qWarning() << "the zip content is too large! size:" << written;
                return false;
            }
            if (dstFile.write(block.constData(), read) != read) {
                qWarning() << "the dstFile write fail!" << dstFile.errorString();
                return false;
            }
        }
        // The last block may still be in the file's buffer: written only here, and a full disk shows only here.
        if (!dstFile.flush()) {
            qWarning() << "the dstFile write fail!" << dstFile.errorString();
            return false;
        }
        dstFile.close();
        entry.close();
        if (entry.getZipError() != UNZ_OK) {
            qWarning() << "the qzFile is broken! name:" << name << "error:" << entry.getZipError();
            return false;
        }
    }
    if (zip.getZipError() != UNZ_OK) {
        qWarning() << "the zip read fail! error:" << zip.getZipError();
        return false;
    }

    unsigned int fileCount = 0;
    if (!FileUtil::dirFileCount(outFilePath, fileCount)) {
        qWarning() << "the outFilePath fileCount fail!";
        return false;
    }
    if (fileCount == 0) {
        qDebug() << "the outFilePath fileCount == 0 error!";
        return false;
    }
    return true;
}

void ALGetFile::finish(GetFileStatus status)
{
    closeTempFile();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_busy = false;
    emit signalGetFileResult(m_fileId, status);
}

void ALGetFile::closeTempFile()
{
    if (!m_tempFile)
        return;
    m_tempFile->close();
    delete m_tempFile;
    m_tempFile = nullptr;
}
