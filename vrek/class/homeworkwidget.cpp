#include "vrek/class/homeworkwidget.h"

#include "vrek/class/homeworkpage.h"

#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webhost.h"
#include "vrek/viewui/classtipmessage.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebPage>
#include <QWebView>

namespace {
const char *const pagePath = "/homework/pc_s_course_list.html";
const char *const notFoundPath = "/404.html";
const char *const attachmentKey = "downLoadOssFile";
const char *const failureText = "下载失败，请稍后重试！";
// What a file system takes as one name, in bytes; an extension longer than a few characters is no file type.
constexpr int maxNameBytes = 255;
constexpr int maxExtensionLength = 10;

// The site's name for an attachment, as long as a file may be named: cut at its end, before the extension, so that
// the save dialog lays out no more than it can save and the file keeps its type. A name of any length from the
// page costs the same.
QString savableName(const QString &name, const QString &extension)
{
    if (name.toUtf8().size() <= maxNameBytes)
        return name;
    const QString tail = extension.isEmpty() ? QString() : "." + extension;
    QString stem = name.left(name.size() - tail.size()).left(maxNameBytes);
    while (!stem.isEmpty() && (stem + tail).toUtf8().size() > maxNameBytes)
        stem.chop(stem.at(stem.size() - 1).isLowSurrogate() && stem.size() > 1 ? 2 : 1);
    return stem + tail;
}
} // namespace

HomeworkWidget::HomeworkWidget(QWidget *parent)
    : QWidget(parent)
    , m_prompt(new TransferFilePrompt())
{
    buildForm();
    m_homeworkWebView->setEnabled(true);

    m_tipMessage = new ClassTipMessage(this);
    m_tipFrame = new TitleView(m_tipMessage, QStringLiteral("下载进度"), tipFrameFlags);
    m_tipFrame->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    m_tipFrame->setFixedSize(QSize(300, 180));
    connect(m_tipMessage, &ClassTipMessage::signalHide, m_tipFrame, &QWidget::hide);
    connect(m_tipMessage, &ClassTipMessage::signalCloseButtonClicked, m_tipMessage, &ClassTipMessage::hideTip);

    m_page = new HomeworkPage(m_homeworkWebView);
    m_pageManager = new QNetworkAccessManager(m_page);
    m_page->setNetworkAccessManager(m_pageManager);
    m_homeworkWebView->setPage(m_page);
    m_homeworkWebView->setUrl(QUrl("about:blank"));
    // A link to a file comes here instead of to the browser.
    m_page->setForwardUnsupportedContent(true);
    connect(m_page, &QWebPage::unsupportedContent, this, &HomeworkWidget::slotUnsupportedContent);

    m_downloadManager = new QNetworkAccessManager(this);
    // Attachments may sit behind a redirect; without following it the redirect's own body would be saved.
    m_downloadManager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    // Connected once: each download's end is told apart by its reply.
    connect(m_downloadManager, &QNetworkAccessManager::finished, this, &HomeworkWidget::slotReplyFinished);
    connect(m_pageManager, &QNetworkAccessManager::finished, this, &HomeworkWidget::slotUploadReplyFinished);
}

HomeworkWidget::~HomeworkWidget()
{
    abandonDownload();
    m_tipFrame->deleteLater();
}

void HomeworkWidget::buildForm()
{
    setObjectName("HomeworkWidget");
    resize(400, 300);
    setWindowTitle("Form");
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");
    m_homeworkWebView = new QWebView(this);
    m_homeworkWebView->setObjectName("homeworkWebView");
    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName("errorLabel");
    m_errorLabel->setStyleSheet("border-image: url(:/vrek/image/homework/404.png);");
    verticalLayout->addWidget(m_homeworkWebView);
    verticalLayout->addWidget(m_errorLabel);
}

void HomeworkWidget::setPrompt(TransferFilePrompt *prompt)
{
    m_prompt.reset(prompt);
}

QUrl HomeworkWidget::pageUrl()
{
    return QUrl(
        QStringLiteral("%1%2?userId=%3&loginSignId=%4").arg(WebHost::baseUrl(), pagePath, g_userId, g_loginSignId));
}

QUrl HomeworkWidget::notFoundUrl()
{
    return QUrl(WebHost::baseUrl() + QLatin1String(notFoundPath));
}

QString HomeworkWidget::desktopFolder()
{
    return FileUtil::existingDesktopFolder();
}

QString HomeworkWidget::saveCaption()
{
    return tr("SaveAs");
}

bool HomeworkWidget::isDownloading() const
{
    return m_downloadReply != nullptr;
}

void HomeworkWidget::showEvent(QShowEvent *event)
{
    if (m_loadOnShow) {
        m_loadOnShow = false;
        m_errorLabel->hide();
        m_homeworkUrl = pageUrl();
        qInfo() << "url :" << m_homeworkUrl.toString();
        m_homeworkWebView->load(m_homeworkUrl);
    }
    m_homeworkWebView->show();
    QWidget::showEvent(event);
}

void HomeworkWidget::slotUploadReplyFinished(QNetworkReply *reply)
{
    if (!reply || reply->url() != notFoundUrl())
        return;
    m_loadOnShow = true;
    m_homeworkWebView->hide();
    m_errorLabel->show();
}

void HomeworkWidget::slotUnsupportedContent(QNetworkReply *reply)
{
    if (!reply)
        return;
    const QUrl url = reply->url();
    // The page hands the reply over; the file is fetched again on our own manager.
    reply->abort();
    reply->deleteLater();

    if (m_askDesktopFolder)
        m_saveFolder = desktopFolder();
    QString address = url.toString(QUrl::RemoveQuery);
    if (url.hasQuery())
        address += "?" + url.query(QUrl::FullyDecoded);
    for (const QString &part : address.split('&')) {
        if (!part.contains(QLatin1String(attachmentKey)))
            continue;
        QString fileName = part.section('=', 1).replace('_', '-');
        // Only a name is proposed: the site's text never picks the folder.
        fileName = fileName.section('/', -1).section('\\', -1);
        QString extension = fileName.contains('.') ? fileName.section('.', -1) : QString();
        if (extension.size() > maxExtensionLength)
            extension.clear();
        fileName = savableName(fileName, extension);
        const QString filter = extension.isEmpty() ? QStringLiteral("*") : "*." + extension;
        QString chosen = m_prompt->saveFile(
            this, saveCaption(), QDir::cleanPath(m_saveFolder + "/" + fileName), filter);
        if (chosen.isEmpty())
            return;
        m_askDesktopFolder = false;
        m_saveFolder = chosen.section('/', 0, -2) + "/";
        if (!extension.isEmpty() && !chosen.contains("." + extension))
            chosen += "." + extension;
        slotStartDownload(chosen, url);
    }
}

void HomeworkWidget::slotStartDownload(const QString &fileName, const QUrl &url)
{
    // One download at a time: a new one replaces the running one.
    abandonDownload();
    m_progressShown = false;
    m_downloadFile = new QFile(fileName, this);
    if (!m_downloadFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning() << "the attachment file cannot be opened! path:" << fileName << m_downloadFile->errorString();
        delete m_downloadFile;
        m_downloadFile = nullptr;
        showFailure();
        return;
    }
    m_downloadReply = m_downloadManager->get(QNetworkRequest(url));
    connect(m_downloadReply, &QNetworkReply::downloadProgress, this, &HomeworkWidget::slotOnDownloadProgress);
    connect(m_downloadReply, &QNetworkReply::readyRead, this, &HomeworkWidget::slotOn_readyRead);
}

void HomeworkWidget::slotOnDownloadProgress(qint64 received, qint64 total)
{
    // Without a total the tip stays at 0 until the end.
    qint32 percent = total > 0 ? qint32(qBound<qint64>(0, received * 100 / total, 100)) : 0;
    m_tipMessage->slotShow(percent, progressTipSeconds);
}

void HomeworkWidget::slotOn_readyRead()
{
    // Shown with the first data of a download; once the user has closed it, the rest of the download keeps
    // it closed.
    if (!m_progressShown) {
        m_progressShown = true;
        m_tipFrame->show();
    }
    if (!m_downloadReply)
        return;
    if (!m_downloadFile || !m_downloadFile->isOpen()) {
        m_tipMessage->slotShow(QString::fromUtf8(failureText));
        qWarning() << " m_pFile open fails!";
        return;
    }
    const QByteArray bytes = m_downloadReply->readAll();
    if (m_downloadFile->write(bytes) != bytes.size()) {
        qWarning() << "the attachment cannot be written! path:" << m_downloadFile->fileName()
                   << m_downloadFile->errorString();
        // Ends as a failed download.
        m_downloadReply->abort();
    }
}

void HomeworkWidget::slotReplyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_downloadReply)
        return;
    m_downloadReply = nullptr;
    bool ok = reply->error() == QNetworkReply::NoError;
    if (ok && m_downloadFile) {
        const QByteArray rest = reply->readAll();
        ok = m_downloadFile->write(rest) == rest.size() && m_downloadFile->flush();
    }
    if (!ok || !m_downloadFile) {
        qWarning() << "load error" << reply->errorString();
        removeDownloadFile();
        showFailure();
        return;
    }
    m_downloadFile->close();
    delete m_downloadFile;
    m_downloadFile = nullptr;
    qint32 done = 100;
    m_tipMessage->slotShow(done, progressTipSeconds);
    m_tipFrame->show();
}

void HomeworkWidget::abandonDownload()
{
    if (m_downloadReply) {
        QNetworkReply *reply = m_downloadReply;
        m_downloadReply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    removeDownloadFile();
}

void HomeworkWidget::removeDownloadFile()
{
    if (!m_downloadFile)
        return;
    m_downloadFile->close();
    if (!m_downloadFile->remove())
        qWarning() << "the cut attachment cannot be removed! path:" << m_downloadFile->fileName();
    delete m_downloadFile;
    m_downloadFile = nullptr;
}

void HomeworkWidget::showFailure()
{
    m_tipMessage->slotShow(QString::fromUtf8(failureText));
    m_tipFrame->show();
}
