#include "vrek/transferfile/transferfileview.h"

#include "vrek/container/coursefilehash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transferfilemanager.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
const char *const timeFormat = "yyyy-MM-dd hh:mm";
const char *const uploadFilter
    = "课件 (*.doc *.docx *.ppt *.pptx *.pdf *.png *.jpg *.avi *.mp4 *.wmv *.rmvb *.flv *.3gp *.wav *.mp3 *.m4a)";
const int fileIdLength = 40;

QString buttonStyle(const QString &name)
{
    const QString base = QStringLiteral(":/vrek/image/transferfileview/") + name;
    return QString("QPushButton{border-image:url(%1_1.png);}"
                   "QPushButton:hover{border-image:url(%1_2.png);}"
                   "QPushButton:disabled{border-image:url(%1_3.png);}")
        .arg(base);
}

QPushButton *toolButton(QWidget *parent, const QString &objectName, const QString &picture, bool enabled)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(objectName);
    button->setFixedSize(int(65 * g_uiScale), int(40 * g_uiScale));
    button->setStyleSheet(buttonStyle(picture));
    button->setEnabled(enabled);
    return button;
}

bool isDownloading(int status)
{
    return status >= TransferInfo::WaitDownload && status <= TransferInfo::DownloadPaused;
}

bool isUploading(int status)
{
    return status >= TransferInfo::WaitUpload && status <= TransferInfo::UploadPaused;
}
} // namespace

TransferFileView::TransferFileView(QWidget *parent)
    : QWidget(parent)
    , m_manager(new TransferFileManager())
    , m_prompt(new TransferFilePrompt())
{
    setupForm();
    connect(m_manager, &TransferFileManager::signalTransferStatus, this, &TransferFileView::slotCourseStatus);
    connect(m_manager, &TransferFileManager::signalNoRoom, this, &TransferFileView::signalGetFileNoRoom);
    connect(m_manager, &TransferFileManager::signalInsertTransferInfo, m_treeView, &TransferTreeView::insertRow);
    connect(m_uploadButton, &QPushButton::clicked, this, &TransferFileView::slotUploadPushButtonClicked);
    connect(m_downloadButton, &QPushButton::clicked, this, &TransferFileView::slotDownloadPushButtonClicked);
    connect(m_deleteButton, &QPushButton::clicked, this, &TransferFileView::slotDeletePushButtonClicked);
    connect(
        m_treeView, &TransferTreeView::signalCurrentItemChange, this, &TransferFileView::slotDocumentTreeItemChanged);
}

TransferFileView::~TransferFileView()
{
    m_manager->deleteLater();
}

void TransferFileView::setupForm()
{
    setObjectName("TransferFileView");
    setWindowTitle("Form");
    m_layout = new QVBoxLayout(this);
    m_layout->setObjectName("TransferFileLayout");
    m_toolLayout = new QHBoxLayout();
    m_toolLayout->setObjectName("transferToolLayout");
    m_toolLayout->setContentsMargins(m_toolLayout->contentsMargins().left(), 0, m_toolLayout->contentsMargins().right(),
        m_toolLayout->contentsMargins().bottom());
    m_uploadButton = toolButton(this, "uploadPushButton", "upload", true);
    m_downloadButton = toolButton(this, "downloadPushButton", "download", false);
    m_toolLine = new QFrame(this);
    m_toolLine->setObjectName("transferToolLine_2");
    m_toolLine->setFrameShape(QFrame::VLine);
    m_toolLine->setFrameShadow(QFrame::Sunken);
    m_deleteButton = toolButton(this, "deletePushButton", "delete", false);
    m_toolLayout->addWidget(m_uploadButton);
    m_toolLayout->addWidget(m_downloadButton);
    m_toolLayout->addWidget(m_toolLine);
    m_toolLayout->addWidget(m_deleteButton);
    m_toolLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_layout->addLayout(m_toolLayout);
    m_treeView = new TransferTreeView(this);
    m_treeView->setObjectName("documentTreeView");
    m_layout->addWidget(m_treeView);
    if (g_uiScale > 1.3)
        setMinimumSize(1000, 750);
    else
        setMinimumSize(800, 600);
}

void TransferFileView::setPrompt(TransferFilePrompt *prompt)
{
    m_prompt.reset(prompt);
}

void TransferFileView::information(const QString &text)
{
    m_prompt->information(this, QStringLiteral("提示"), text);
}

QString TransferFileView::uploadRefusal(const QString &filePath) const
{
    const QFileInfo file(filePath);
    if (file.fileName().size() > maxNameLength)
        return QStringLiteral("文件名太长");
    if (file.size() > maxUploadSize)
        return QStringLiteral("文件大小不能超过200M");
    if (filePath.contains(".lnk"))
        return QStringLiteral("文件名不支持！");
    if (file.completeBaseName().contains(','))
        return QStringLiteral("文件名不允许包含特殊字符");
    return QString();
}

void TransferFileView::slotUploadPushButtonClicked()
{
    const QString filePath = m_prompt->openFile(this, QStringLiteral("打开文件"), QString::fromUtf8(uploadFilter));
    qInfo() << "filePath:" << filePath;
    if (filePath.isEmpty())
        return;
    const QString refusal = uploadRefusal(filePath);
    if (!refusal.isEmpty()) {
        information(refusal);
        return;
    }
    const QString fileId = StringUtil::randomString(fileIdLength, QString::fromLatin1(GlobalDefault::idAlphabet));
    m_manager->pushPostFileQueue(fileId, filePath, 1);
}

void TransferFileView::requestFile(const QString &fileId)
{
    if (!g_socketClientManager) {
        qWarning() << "the socketClientManager == NULL error! fileId:" << fileId;
        return;
    }
    g_socketClientManager->sendTFile(fileId.section('_', -1), "0", g_roomId);
    g_socketClientManager->sendWebFile(fileId);
}

void TransferFileView::slotDownloadPushButtonClicked()
{
    if (m_currentId.isEmpty())
        return;
    requestFile(m_currentId);
}

void TransferFileView::slotDeletePushButtonClicked()
{
    TransferInfo info;
    info.setId(m_currentId);
    if (m_currentId.isEmpty() || !m_treeView->selectRow(info))
        return;
    const QString fileId = m_currentId;
    const QString text = QStringLiteral("是否删除") + '"' + info.getFilePath() + '"' + '?';
    if (!m_prompt->question(this, QStringLiteral("提示"), text, QStringLiteral("确定"), QStringLiteral("取消")))
        return;
    // The list may have moved on while the question was open.
    if (m_currentId != fileId || !m_treeView->selectRow(info))
        return;
    const int status = info.getStatus();
    if (isDownloading(status)) {
        information(QStringLiteral("正在下载，请等待"));
    } else if (isUploading(status)) {
        information(QStringLiteral("正在上传，请等待"));
    } else if (status == TransferInfo::Downloaded || status == TransferInfo::DownloadError
        || status == TransferInfo::Uploaded) {
        if (g_socketClientManager)
            g_socketClientManager->sendDeleteFile(info.getId().section('_', 0, 0), "1");
    } else if (status == TransferInfo::Converting) {
        information(QStringLiteral("正在转换，请等待"));
    } else {
        m_treeView->removeRow(info);
    }
}

void TransferFileView::slotGetFileResult(QString fileId, QString fileName, QString fileUrl, int result)
{
    TransferInfo info;
    info.setId(fileId);
    if (!m_treeView->containsRow(info)) {
        info.setFilePath(fileName);
        info.setTimeText(QDateTime::currentDateTime().toString(timeFormat));
        info.setStatus(TransferInfo::WaitUpload);
        info.setStatusText();
        m_treeView->insertRow(info);
    }
    if (result == 0) {
        setRowStatus(fileId, TransferInfo::FreeText, QStringLiteral("服务端不存在"));
    } else if (result == 1) {
        if (m_manager->pushGetFileQueue(fileId, fileName, fileUrl))
            emit signalGetFileStart(fileId, fileName, fileUrl);
    }
}

void TransferFileView::slotCourseFileResult(QString oldId, QString fileId, QString fileName, int result)
{
    if (result == 1) {
        m_treeView->updateId(oldId, fileId, fileName);
        slotCourseStatus(fileId, TransferInfo::Uploaded, QString(), 0);
        requestFile(fileId);
        return;
    }
    setRowStatus(
        oldId, TransferInfo::UploadError, result == 13 ? QStringLiteral("网盘空间不足") : QStringLiteral("转换失败"));
}

void TransferFileView::slotDeleteFileResult(QString fileId, int result)
{
    if (result == 0)
        information(QStringLiteral("删除失败"));
    else if (result == 2)
        information(QStringLiteral("服务端不存在"));
    TransferInfo info;
    info.setId(fileId);
    m_treeView->removeRow(info);
    if (g_socketClientManager)
        g_socketClientManager->sendFileList();
}

void TransferFileView::slotRecvFileList(QList<UserFile> files)
{
    qInfo() << "size:" << files.size();
    for (const UserFile &file : qAsConst(files)) {
        TransferInfo info;
        info.setId(file.getId());
        info.setFilePath(file.getFileName());
        info.setTimeText(file.getUploadDate());
        info.setFileSize(file.getFileSize().toLongLong());
        UserFile stored;
        const bool downloaded = g_courseFileHash.selectUserFile(file.getFileIdAll(), stored) && stored.isDownloaded();
        info.setStatus(downloaded ? TransferInfo::Downloaded : TransferInfo::Uploaded);
        info.setStatusText();
        m_treeView->insertRow(info);
    }
}

void TransferFileView::slotUpdateFileStatus(QString fileId)
{
    TransferInfo info;
    info.setId(fileId);
    if (m_treeView->containsRow(info))
        setRowStatus(fileId, TransferInfo::Uploaded, QString());
}

void TransferFileView::setRowStatus(const QString &fileId, TransferInfo::TransferStatus status, const QString &msg)
{
    TransferInfo info;
    info.setId(fileId);
    if (!m_treeView->selectRow(info))
        return;
    info.setStatus(status);
    info.setStatusText(msg);
    m_treeView->updateRow(info);
}

void TransferFileView::slotCourseStatus(QString fileId, TransferInfo::TransferStatus status, QString msg, int i)
{
    qInfo() << "fi:" << fileId << "ts:" << status << "msg:" << msg;
    // Finished uploads are told by the server's result instead.
    if (status == TransferInfo::Uploaded)
        return;
    TransferInfo info;
    info.setId(fileId);
    if (m_treeView->containsRow(info) && m_treeView->selectRow(info)) {
        if (status == TransferInfo::Uploading && i == 1000) {
            info.setStatus(TransferInfo::Converting);
            info.setProgress(1000);
        } else {
            info.setStatus(status);
            if (i != 0)
                info.setProgress(i);
        }
        info.setStatusText(msg);
        m_treeView->updateRow(info);
    }
    if (status == TransferInfo::Downloading)
        emit signalGetFileProgress(fileId, i);
    else if (status == TransferInfo::Downloaded || status == TransferInfo::DownloadError)
        emit signalGetFileResult(fileId, status == TransferInfo::Downloaded);
}

void TransferFileView::slotDocumentTreeItemChanged(QString fileId, TransferInfo::TransferStatus status)
{
    m_currentId = fileId;
    const bool done = status == TransferInfo::Downloaded || status == TransferInfo::DownloadError
        || status == TransferInfo::Uploaded || status == TransferInfo::UploadError || status == TransferInfo::FreeText;
    const bool enabled = done && !fileId.isEmpty();
    m_downloadButton->setEnabled(enabled);
    m_deleteButton->setEnabled(enabled);
}

void TransferFileView::showEvent(QShowEvent *event)
{
    qInfo() << "TransferFileView::showEvent";
    if (g_socketClientManager)
        g_socketClientManager->sendFileList();
    QWidget::showEvent(event);
}

void TransferFileView::closeEvent(QCloseEvent *event)
{
    qInfo() << "TransferFileView::closeEvent";
    m_treeView->clearErrorRows();
    QWidget::closeEvent(event);
}
