#include "vrek/class/transferrecordview.h"

#include "vrek/dao/transferfiledao.h"
#include "vrek/model/transferfile.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transferfilemanager.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>
#include <QToolButton>
#include <QVBoxLayout>

const char *const TransferRecordView::mediaFolder = "media";

namespace {
// Recordings go up in ranges, so that an interrupted upload resumes.
const unsigned int rangedUpload = 2;
const int timeStampLength = 14;
const char *const uploadableText = "可以上传";
const char *const convertFailedText = "服务端转换失败";

bool isUploading(TransferInfo::TransferStatus status)
{
    return status == TransferInfo::WaitUpload || status == TransferInfo::PrepareUpload
        || status == TransferInfo::Uploading;
}
} // namespace

TransferRecordView::TransferRecordView(QWidget *parent)
    : QWidget(parent)
    , m_prompt(new TransferFilePrompt())
{
    buildForm();
    initial();
}

TransferRecordView::~TransferRecordView()
{
    m_manager->deleteLater();
}

void TransferRecordView::buildForm()
{
    setWindowTitle("Form");
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setObjectName("mainLayout");

    m_titleLabel = new QLabel(QStringLiteral("课程列表"), this);
    m_titleLabel->setObjectName("titleLabel");
    m_titleLabel->setStyleSheet("QLabel{\n    font:14px;}");
    m_uploadButton = new QToolButton(this);
    m_uploadButton->setObjectName("uploadButton");
    m_uploadButton->setText(QStringLiteral("上传"));
    m_uploadButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_uploadButton->setStyleSheet("QToolButton{\n    border:none;\n    color:white;\n    background-color:#65ad57;}\n"
                                  "QToolButton::disabled{\n    background-color:#b2d6ab;}");
    m_deleteButton = new QToolButton(this);
    m_deleteButton->setObjectName("deleteButton");
    m_deleteButton->setText(QStringLiteral("删除"));
    m_deleteButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_deleteButton->setStyleSheet("QToolButton{\n    border:none;\n    color:white;\n    background-color:#ff0000;}\n"
                                  "QToolButton::disabled{\n    background-color:#ffb2b2;}");
    m_controlLayout = new QHBoxLayout;
    m_controlLayout->setObjectName("controlLayout");
    m_controlLayout->setContentsMargins(20, 0, 20, 0);
    m_controlLayout->addWidget(m_titleLabel);
    m_controlLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_controlLayout->addWidget(m_uploadButton);
    m_controlLayout->addWidget(m_deleteButton);

    m_recordTreeView = new TransferTreeView(this);
    m_recordTreeView->setObjectName("recordTreeView");
    m_mainLayout->addLayout(m_controlLayout);
    m_mainLayout->addWidget(m_recordTreeView);
}

void TransferRecordView::initial()
{
    m_selectedId.clear();
    m_manager = new TransferFileManager();
    m_uploadButton->setIcon(QIcon(":/vrek/image/classmanagerview/upload.png"));
    m_deleteButton->setIcon(QIcon(":/vrek/image/classmanagerview/delete.png"));
    m_uploadButton->setIconSize(QSize(12, 12));
    m_deleteButton->setIconSize(QSize(12, 12));
    m_uploadButton->setFixedSize(50, 25);
    m_deleteButton->setFixedSize(50, 25);
    setMinimumSize(800, 600);

    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalRecordFileResult, this,
            &TransferRecordView::slotRecordFileResult);
    connect(m_manager, &TransferFileManager::signalTransferStatus, this,
        qOverload<QString, TransferInfo::TransferStatus, QString, int>(&TransferRecordView::slotRecordStatus));
    connect(m_manager, &TransferFileManager::signalInsertTransferInfo, m_recordTreeView, &TransferTreeView::insertRow);
    connect(m_uploadButton, &QToolButton::clicked, this, &TransferRecordView::slotUploadPushButtonClicked);
    connect(m_deleteButton, &QToolButton::clicked, this, &TransferRecordView::slotDeletePushButtonClicked);
    connect(m_recordTreeView, &TransferTreeView::signalCurrentItemChange, this,
        &TransferRecordView::slotRecordTreeItemChanged);
}

void TransferRecordView::setPrompt(TransferFilePrompt *prompt)
{
    m_prompt.reset(prompt);
}

QString TransferRecordView::recordPath(const QString &id) const
{
    return QString("./%1/%2").arg(QLatin1String(mediaFolder), id);
}

bool TransferRecordView::recordFileTime(const QString &fileName, const QString &userId, QString *displayTime)
{
    const QFileInfo file(fileName);
    if (file.suffix() != QLatin1String("ts"))
        return false;
    const QStringList parts = file.completeBaseName().split('_');
    if (parts.size() != 4 || parts.at(0).size() != 1 || parts.at(2) != userId || parts.at(3).size() != timeStampLength)
        return false;
    if (displayTime) {
        const QString stamp = parts.at(3);
        *displayTime = QString("%1-%2-%3 %4:%5")
                           .arg(stamp.mid(0, 4), stamp.mid(4, 2), stamp.mid(6, 2), stamp.mid(8, 2), stamp.mid(10, 2));
    }
    return true;
}

void TransferRecordView::verifyLocalFile()
{
    TransferFileDao dao;
    QList<TransferFile> rows;
    if (!dao.selectTransferFileList(g_userId, rows)) {
        qCritical() << "the select error! ";
        return;
    }
    const QString folder = QLatin1String(mediaFolder);
    if (QDir(folder).exists()) {
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
        for (const QString &file : files) {
            const QString id = file + "@" + g_userId;
            for (int i = rows.size() - 1; i >= 0; --i) {
                if (rows.at(i).getId() == id)
                    rows.removeAt(i);
            }
        }
    } else if (!FileUtil::dirMakePath(folder)) {
        qWarning() << "the pathMakeRel fail! path:" << folder;
    }
    for (const TransferFile &row : qAsConst(rows))
        dao.deleteTransferFileById(row.getId());
}

void TransferRecordView::loadRecordFiles()
{
    const QFileInfoList files
        = QDir(QLatin1String(mediaFolder)).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
    TransferFileDao dao;
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        QString displayTime;
        if (!recordFileTime(name, g_userId, &displayTime))
            continue;
        TransferInfo row;
        row.setId(name);
        if (m_recordTreeView->containsRow(row))
            continue;
        TransferFile stored;
        stored.setIdParts(name, g_userId);
        bool exists = false;
        if (!dao.verifyTransferFileById(stored.getId(), exists) || !exists || !dao.selectTransferFileById(stored))
            continue;

        row.setKind(TransferInfo::KindRecording);
        row.setFilePath(QString("%1_%2_%3.ts").arg(stored.getClassTitle(), g_userName, displayTime));
        row.setTimeText(displayTime);
        row.setFileSize(file.size());
        const int progress = stored.getFileProgress();
        if (progress >= 1 && progress <= 999) {
            row.setProgress(progress);
            row.setStatus(TransferInfo::UploadPaused);
            row.setStatusText();
        } else {
            row.setStatus(TransferInfo::FreeText);
            row.setStatusText(QString::fromUtf8(uploadableText));
        }
        m_recordTreeView->insertRow(row);
    }
}

void TransferRecordView::refreshRecordList(bool shown)
{
    verifyLocalFile();
    loadRecordFiles();
    if (!shown) {
        m_manager->setPostFilePause(true, QString());
        return;
    }
    m_manager->setPostFilePause(false, QString());
    const QHash<QString, TransferInfo::TransferStatus> rows = m_recordTreeView->getAllItemStatus();
    for (auto it = rows.constBegin(); it != rows.constEnd(); ++it) {
        if (it.value() != TransferInfo::Uploaded)
            m_manager->pushPostFileQueue(it.key(), recordPath(it.key()), rangedUpload);
    }
}

void TransferRecordView::slotUploadPushButtonClicked()
{
    if (!m_recordTreeView->currentIndex().isValid() || m_selectedId.isEmpty())
        return;
    m_manager->pushPostFileQueue(m_selectedId, recordPath(m_selectedId), rangedUpload);
}

void TransferRecordView::slotDeletePushButtonClicked()
{
    TransferInfo info;
    info.setId(m_selectedId);
    if (!m_recordTreeView->currentIndex().isValid() || m_selectedId.isEmpty() || !m_recordTreeView->selectRow(info))
        return;
    const QString id = m_selectedId;
    const QString text = QStringLiteral("是否删除文件") + '"' + info.getFilePath() + '"' + '?';
    if (!m_prompt->question(this, QStringLiteral("提示"), text, QStringLiteral("确定"), QStringLiteral("取消")))
        return;
    // The list may have moved on while the question was open.
    if (m_selectedId != id || !m_recordTreeView->selectRow(info))
        return;
    if (isUploading(info.getStatus())) {
        // An upload under way is only paused; its row and its file stay.
        m_manager->setPostFilePause(true, id);
        return;
    }
    if (info.getStatus() != TransferInfo::Uploaded)
        FileUtil::fileRemove(recordPath(id));
    m_recordTreeView->removeRow(info);
}

void TransferRecordView::slotRecordTreeItemChanged(QString id, TransferInfo::TransferStatus status)
{
    m_selectedId = id;
    const bool uploadable = status == TransferInfo::UploadPaused || status == TransferInfo::UploadError
        || status == TransferInfo::FreeText;
    m_uploadButton->setEnabled(uploadable);
    m_deleteButton->setEnabled(true);
}

void TransferRecordView::slotRecordStatus(QString id, TransferInfo::TransferStatus status, QString msg, int i)
{
    TransferInfo info;
    info.setId(id);
    if (m_recordTreeView->selectRow(info)) {
        if (status == TransferInfo::Uploaded) {
            info.setStatus(TransferInfo::Converting);
            if (g_socketClientManager) {
                m_awaitingResult.insert(id);
                g_socketClientManager->sendRecordFile(id.section('_', 1, 1), id, g_classStartCount);
            } else
                qWarning() << "the socketClientManager == NULL error! id:" << id;
        } else {
            info.setStatus(status);
        }
        if (i != 0)
            info.setProgress(i);
        info.setStatusText(msg);
        m_recordTreeView->updateRow(info);
    }
    emit signalTransferProgress(id, status == TransferInfo::Uploading && i != 0 ? i : 0);
}

void TransferRecordView::slotRecordStatus(QString id, TransferInfo::TransferStatus status, QString msg)
{
    slotRecordStatus(id, status, msg, 0);
}

void TransferRecordView::slotRecordStatus(QString id, TransferInfo::TransferStatus status)
{
    slotRecordStatus(id, status, QString(), 0);
}

void TransferRecordView::slotRecordFileResult(QString id, int result)
{
    if (id.isNull() || !m_awaitingResult.contains(id)) {
        qWarning() << "the record file result unasked! id:" << id << "result:" << result;
        return;
    }
    if (result != 0 && result != 1) {
        // Not an answer: the line stays unanswered.
        qWarning() << "the record file result unknown! id:" << id << "result:" << result;
        return;
    }
    m_awaitingResult.remove(id);
    TransferInfo info;
    info.setId(id);
    if (!m_recordTreeView->selectRow(info))
        return;
    if (result == 0) {
        info.setStatus(TransferInfo::Uploaded);
        info.setStatusText();
        FileUtil::fileRemove(recordPath(id));
    } else if (result == 1) {
        info.setStatus(TransferInfo::UploadError);
        info.setStatusText(QString::fromUtf8(convertFailedText));
    }
    m_recordTreeView->updateRow(info);
}

void TransferRecordView::showEvent(QShowEvent *event)
{
    verifyLocalFile();
    loadRecordFiles();
    QWidget::showEvent(event);
}
