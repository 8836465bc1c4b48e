#include "vrek/transferfile/transferinfo.h"

#include <QFileInfo>
#include <QStringList>

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<TransferInfo>("TransferInfo");
[[maybe_unused]] const int s_statusTypeId
    = qRegisterMetaType<TransferInfo::TransferStatus>("TransferInfo::TransferStatus");

const QStringList documentSuffixes { "ppt", "pptx", "pdf", "doc", "docx", "png", "jpg" };
const QStringList mediaSuffixes { "mpg", "avi", "mp4", "wmv", "rmvb", "flv", "3gp", "ts", "wav", "mp3", "m4a" };

QString wholeAndHundredths(qint64 bytes, qint64 unit, const char *name)
{
    const qint64 hundredths = (bytes % unit) * 100 / unit;
    return QString("%1.%2%3").arg(bytes / unit).arg(hundredths, 2, 10, QChar('0')).arg(QLatin1String(name));
}
} // namespace

TransferInfo::TransferInfo(const TransferInfo &other)
{
    *this = other;
}

TransferInfo &TransferInfo::operator=(const TransferInfo &other)
{
    if (this == &other)
        return *this;
    m_id = other.m_id;
    m_statusText = other.m_statusText;
    m_timeText = other.m_timeText;
    m_sizeText = other.m_sizeText;
    m_fileSize = other.m_fileSize;
    m_progress = other.m_progress;
    m_status = other.m_status;
    m_kind = other.m_kind;
    setFilePath(other.m_filePath);
    return *this;
}

void TransferInfo::setFilePath(const QString &filePath)
{
    m_filePath = filePath;
    if (m_kind == KindRecording)
        return;
    const int kind = kindOfPath(filePath);
    if (kind != KindUnset)
        m_kind = kind;
}

void TransferInfo::setStatusText(const QString &msg)
{
    bool known = false;
    const QString text = statusText(m_status, msg, known);
    if (known)
        m_statusText = text;
}

void TransferInfo::setFileSize(qint64 fileSize)
{
    m_fileSize = fileSize;
    m_sizeText = sizeText(fileSize);
}

QString TransferInfo::sizeText(qint64 bytes)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = kib * 1024;
    constexpr qint64 gib = mib * 1024;
    if (bytes < kib)
        return QString::number(bytes) + "B";
    if (bytes < mib)
        return QString::number(bytes / kib) + "KB";
    if (bytes < gib)
        return wholeAndHundredths(bytes, mib, "MB");
    return wholeAndHundredths(bytes, gib, "GB");
}

int TransferInfo::kindOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (documentSuffixes.contains(suffix))
        return KindDocument;
    if (mediaSuffixes.contains(suffix))
        return KindMedia;
    return KindUnset;
}

QString TransferInfo::statusText(TransferStatus status, const QString &msg, bool &known)
{
    known = true;
    switch (status) {
    case WaitDownload:
        return QStringLiteral("等待下载");
    case PrepareDownload:
        return QStringLiteral("准备下载");
    case Downloading:
        return QStringLiteral("正在下载");
    case DownloadPaused:
        return QStringLiteral("下载暂停");
    case Downloaded:
        return QStringLiteral("文件已下载");
    case DownloadError:
        return QStringLiteral("下载错误:\n") + msg;
    case WaitUpload:
        return QStringLiteral("等待上传");
    case PrepareUpload:
        return QStringLiteral("准备上传");
    case Uploading:
        return QStringLiteral("正在上传");
    case UploadPaused:
        return QStringLiteral("上传暂停");
    case Uploaded:
        return QStringLiteral("文件已上传");
    case UploadError:
    case FreeText:
        return msg;
    case Converting:
        return QStringLiteral("正在转换");
    case Deleting:
        return QStringLiteral("正在删除");
    default:
        known = false;
        return QString();
    }
}
