#include "vrek/transferfile/transferfilemanager.h"

#include "vrek/container/transferfilehash.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/transferfile/diskroom.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QNetworkAccessManager>

namespace {
const char *const uploadPath = "http://%1:%2/vSocket/socket/recevieClient/uploadFile";
const char *const timeFormat = "yyyy-MM-dd hh:mm";
const char *const stampFormat = "yyyy-MM-dd hh:mm:ss:zzz";

QNetworkAccessManager *engineManager()
{
    return g_networkEngine ? g_networkEngine->networkManager() : nullptr;
}
} // namespace

TransferFileManager::TransferFileManager(QObject *parent)
    : TransferFileManager(engineManager(), parent)
{ }

TransferFileManager::TransferFileManager(QNetworkAccessManager *qnam, QObject *parent)
    : QObject(parent)
    , m_qnam(qnam)
    , m_jobs(new TransferFileHash())
    , m_uploadAddress(QString::fromLatin1(uploadPath).arg(g_fileHost, g_filePort))
{ }

TransferFileManager::~TransferFileManager()
{
    delete m_jobs;
}

QString TransferFileManager::recordId(const QString &fileId) const
{
    return fileId + "@" + g_userId;
}

QString TransferFileManager::getFileStatusText(int status)
{
    switch (status) {
    case ALGetFile::AlreadyDownloaded:
        return QStringLiteral("文件已下载");
    case ALGetFile::Busy:
        return QStringLiteral("正在下载文件，稍后再试");
    case ALGetFile::PathError:
        return QStringLiteral("文件路径错误");
    case ALGetFile::TempFileError:
        return QStringLiteral("新建文件错误");
    case ALGetFile::FolderError:
        return QStringLiteral("新建文件夹错误");
    case ALGetFile::NoReply:
        return QStringLiteral("下载文件错误");
    case ALGetFile::EmptyFile:
        return QStringLiteral("空文件错误");
    case ALGetFile::NetworkError:
        return QStringLiteral("文件传输错误");
    case ALGetFile::UnzipError:
        return QStringLiteral("文件解压错误");
    case ALGetFile::Done:
        return QString();
    case ALGetFile::DiskFull:
        // The room as it is now, after the broken file went.
        return DiskRoom::noRoomText(DiskRoom::freeBytes());
    default:
        qWarning() << "the gfs type unknown error!" << status;
        return QStringLiteral("网络错误");
    }
}

QString TransferFileManager::postFileStatusText(int status)
{
    switch (status) {
    case ALPostFile::Busy:
        return QStringLiteral("正在上传文件,稍后再试");
    case ALPostFile::PathEmpty:
        return QStringLiteral("文件路径错误");
    case ALPostFile::AddressEmpty:
        return QStringLiteral("文件服务地址错误");
    case ALPostFile::NameError:
        return QStringLiteral("文件名错误");
    case ALPostFile::OpenError:
        return QStringLiteral("文件打开错误");
    case ALPostFile::EmptyFile:
        return QStringLiteral("空文件错误");
    case ALPostFile::TooLarge:
        return QStringLiteral("文件过大错误,大小不能超过200M");
    case ALPostFile::NetworkError:
        return QStringLiteral("上传失败");
    case ALPostFile::Done:
    case ALPostFile::Paused:
        return QString();
    case ALPostFile::NoUserInfo:
    case ALPostFile::UserNotExist:
    case ALPostFile::InvalidType:
        return QStringLiteral("文件上传失败，服务器错误");
    case ALPostFile::UploadFailure:
    case ALPostFile::WrongFileType:
    case ALPostFile::PdfTransferFailed:
    case ALPostFile::SwfFailed:
    case ALPostFile::FileNotExist:
    case ALPostFile::NotPdf:
    case ALPostFile::PictureFailed:
    case ALPostFile::PdfTimeout:
        return QStringLiteral("上传失败");
    case ALPostFile::NoSpace:
        return QStringLiteral("用户网盘空间不足");
    case ALPostFile::UnknownStatus:
        return QStringLiteral("服务端未知错误");
    case ALPostFile::ConvertFailed:
        return QStringLiteral("转换失败");
    case ALPostFile::BadAnswer:
        return QStringLiteral("服务端返回错误");
    default: // 8 and anything unlisted
        qWarning() << "the pfs type unknown error!" << status;
        return QStringLiteral("网络错误");
    }
}

bool TransferFileManager::pushGetFileQueue(const QString &fileId, const QString &fileName, const QString &fileUrl)
{
    if (m_jobs->containsGetFileNetworkHash(fileId)) {
        qWarning() << "fia already in hash fia:" << fileId;
        return false;
    }
    if (!m_qnam) {
        qWarning() << "the qnam == NULL error! fia:" << fileId;
        return false;
    }
    auto *job = new ALGetFile(g_userId, m_qnam);
    job->moveThread(m_qnam->thread());
    connect(job, &ALGetFile::signalGetFileResult, this, &TransferFileManager::slotGetFileResult, Qt::QueuedConnection);
    connect(job, &ALGetFile::signalDownloadProgress, this, &TransferFileManager::slotDownloadProgress,
        Qt::QueuedConnection);
    connect(job, &ALGetFile::signalNoRoom, this, &TransferFileManager::signalNoRoom, Qt::QueuedConnection);
    m_jobs->insertGetFileNetworkHash(fileId, job);
    m_getQueue.push(fileId, fileName, fileUrl, 0);
    emit signalTransferStatus(fileId, TransferInfo::WaitDownload, QString(), 0);
    startNextDownload();
    return true;
}

bool TransferFileManager::pushPostFileQueue(
    const QString &fileId, const QString &filePath, const unsigned int uploadType)
{
    if (m_jobs->containsPostFileNetworkHash(fileId)) {
        qWarning() << "fi already in hash" << fileId;
        return false;
    }
    if (m_dao.selectTransferResultById(recordId(fileId))) {
        qInfo() << "file is upload" << fileId;
        emit signalTransferStatus(fileId, TransferInfo::Uploaded, QString(), 1000);
        return true;
    }
    if (!m_qnam) {
        qWarning() << "the qnam == NULL error! fi:" << fileId;
        return false;
    }
    const QFileInfo file(filePath);
    auto *job = new ALPostFile(g_userId, m_qnam);
    job->setServerAddrBase(m_uploadAddress);
    job->moveThread(m_qnam->thread());
    connect(
        job, &ALPostFile::signalUploadProgress, this, &TransferFileManager::slotUploadProgress, Qt::QueuedConnection);
    connect(
        job, &ALPostFile::signalPostFileResult, this, &TransferFileManager::slotPostFileResult, Qt::QueuedConnection);
    connect(
        job, &ALPostFile::signalPostRangeFinish, this, &TransferFileManager::slotPostRangeFinish, Qt::QueuedConnection);
    m_jobs->insertPostFileNetworkHash(fileId, job);
    m_postQueue.push(fileId, file.fileName(), filePath, uploadType);

    TransferInfo info;
    info.setId(fileId);
    info.setFilePath(file.fileName());
    info.setTimeText(QDateTime::currentDateTime().toString(timeFormat));
    info.setFileSize(file.size());
    info.setStatus(TransferInfo::WaitUpload);
    info.setStatusText();
    emit signalInsertTransferInfo(info);
    startNextUpload();
    return true;
}

bool TransferFileManager::setPostFilePause(bool pause, const QString &fileId)
{
    QList<ALPostFile *> jobs;
    if (fileId.isEmpty()) {
        jobs = m_jobs->allPostFileNetworkHash();
    } else {
        ALPostFile *job = nullptr;
        if (!m_jobs->selectPostFileNetworkHash(fileId, &job))
            return false;
        jobs.append(job);
    }
    for (ALPostFile *job : qAsConst(jobs)) {
        connect(this, &TransferFileManager::signalPausePostFile, job, &ALPostFile::setIsPostFilePause);
        emit signalPausePostFile(pause);
        disconnect(this, &TransferFileManager::signalPausePostFile, job, &ALPostFile::setIsPostFilePause);
    }
    return true;
}

void TransferFileManager::startNextDownload()
{
    while (m_runningDownloads < maxRunning && !m_getQueue.isEmpty()) {
        QString fileId;
        QString fileName;
        QString fileUrl;
        unsigned int unused = 0;
        if (!m_getQueue.pop(fileId, fileName, fileUrl, unused))
            return;
        ALGetFile *job = nullptr;
        if (!m_jobs->selectGetFileNetworkHash(fileId, &job))
            continue;
        ++m_runningDownloads;
        emit signalTransferStatus(fileId, TransferInfo::PrepareDownload, QString(), 0);
        // Only this job hears the call, in its own thread.
        connect(this, &TransferFileManager::signalStartAlGetFile, job, &ALGetFile::start);
        emit signalStartAlGetFile(fileId, fileName, fileUrl);
        disconnect(this, &TransferFileManager::signalStartAlGetFile, job, &ALGetFile::start);
        return;
    }
}

bool TransferFileManager::rangedStart(
    const QString &fileId, const QString &fileName, const QString &filePath, qint64 &position)
{
    position = 0;
    const QString stamp = QFileInfo(filePath).lastModified().toString(stampFormat);
    bool exists = false;
    if (!m_dao.verifyTransferFileById(recordId(fileId), exists))
        return false;
    TransferFile record;
    record.setIdParts(fileId, g_userId);
    if (exists) {
        if (!m_dao.selectTransferFileById(record))
            return false;
        if (record.getFileMd5() == stamp) {
            position = record.getFileRange() > 0 ? record.getFileRange() - 1 : 0;
        } else {
            // Another file under the same name: what was confirmed of the old one means nothing now.
            record.setFileMd5(stamp);
            record.setFileRange(0);
            record.setFileProgress(0);
        }
    } else {
        record.setFileName(fileName);
        record.setFileUrl(filePath);
        record.setFileRange(0);
        record.setFileMd5(stamp);
    }
    return m_dao.saveTransferFile(record);
}

void TransferFileManager::startNextUpload()
{
    while (m_runningUploads < maxRunning && !m_postQueue.isEmpty()) {
        QString fileId;
        QString fileName;
        QString filePath;
        unsigned int uploadType = 0;
        if (!m_postQueue.pop(fileId, fileName, filePath, uploadType))
            return;
        ALPostFile *job = nullptr;
        if (!m_jobs->selectPostFileNetworkHash(fileId, &job))
            continue;
        qint64 position = 0;
        if (uploadType == 2 && !rangedStart(fileId, fileName, filePath, position)) {
            // Ended, so the slot and the id are free again.
            qWarning() << "the transfer record cannot be kept! fi:" << fileId;
            const bool noRoom = DBManager::lastFailureWasNoRoom();
            m_jobs->deletePostFileNetworkHash(fileId);
            emit signalTransferStatus(fileId, TransferInfo::UploadError,
                noRoom ? DiskRoom::noRoomForUploadText(DiskRoom::freeBytes())
                       : postFileStatusText(ALPostFile::NetworkError),
                0);
            continue;
        }
        ++m_runningUploads;
        emit signalTransferStatus(fileId, TransferInfo::PrepareUpload, QString(), 0);
        connect(this, &TransferFileManager::signalStartAlPostFile, job, &ALPostFile::start);
        emit signalStartAlPostFile(fileId, filePath, uploadType, position);
        disconnect(this, &TransferFileManager::signalStartAlPostFile, job, &ALPostFile::start);
        return;
    }
}

void TransferFileManager::slotGetFileResult(QString fileId, ALGetFile::GetFileStatus status)
{
    qInfo() << "fia:" << fileId << "gfs:" << status;
    const QString text = getFileStatusText(status);
    if (m_jobs->deleteGetFileNetworkHash(fileId))
        m_runningDownloads = qMax(0, m_runningDownloads - 1);
    if (status == ALGetFile::Done)
        emit signalTransferStatus(fileId, TransferInfo::Downloaded, QString(), 0);
    else if (status != ALGetFile::AlreadyDownloaded)
        emit signalTransferStatus(fileId, TransferInfo::DownloadError, text, 0);
    startNextDownload();
}

void TransferFileManager::slotDownloadProgress(QString fileId, qint64 received, qint64 total)
{
    // An unknown length (-1) has no share to show; the end of the download is told by its result.
    if (total > 0 && received >= 0)
        emit signalTransferStatus(
            fileId, TransferInfo::Downloading, QString(), int(qMin(received, total) * 1000 / total));
}

void TransferFileManager::slotPostFileResult(QString fileId, ALPostFile::PostFileStatus status)
{
    qInfo() << "fi:" << fileId << "pfs:" << status;
    const QString text = postFileStatusText(status);
    if (m_jobs->deletePostFileNetworkHash(fileId))
        m_runningUploads = qMax(0, m_runningUploads - 1);
    if (status == ALPostFile::Paused)
        emit signalTransferStatus(fileId, TransferInfo::UploadPaused, QString(), 0);
    else if (status == ALPostFile::Done)
        emit signalTransferStatus(fileId, TransferInfo::Uploaded, QString(), 0);
    else
        emit signalTransferStatus(fileId, TransferInfo::UploadError, text, 0);
    startNextUpload();
}

void TransferFileManager::slotUploadProgress(QString fileId, qint64 sent, qint64 total)
{
    if (total != 0)
        emit signalTransferStatus(fileId, TransferInfo::Uploading, QString(), int(sent * 1000 / total));
}

void TransferFileManager::slotPostRangeFinish(QString fileId, qint64 confirmed, qint64 total)
{
    if (total == 0)
        return;
    const int perMille = int(confirmed * 1000 / total);
    bool exists = false;
    TransferFile record;
    record.setIdParts(fileId, g_userId);
    if (!m_dao.verifyTransferFileById(record.getId(), exists) || !exists || !m_dao.selectTransferFileById(record))
        return;
    record.setFileProgress(perMille);
    record.setFileRange(confirmed);
    m_dao.saveTransferFile(record);
}
