#include "vrek/course/coursefileview.h"

#include "vrek/course/coursefilemanager.h"
#include "vrek/transferfile/transferfileview.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QGridLayout>
#include <QIcon>
#include <QToolButton>

namespace {
// The transfer list's frame: a modeless window with a close button only.
const int transferTitleFlags = TitleView::NoMinButton | TitleView::NoMaxButton | TitleView::Modeless;
} // namespace

CourseFileView::CourseFileView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "parent:" << parent;
    setupForm();
    initial();
    viewInitial();
}

CourseFileView::~CourseFileView()
{
    m_manager->deleteLater();
    // The frame holds the transfer list.
    m_transferTitleView->deleteLater();
}

void CourseFileView::setupForm()
{
    setWindowTitle("CourseFileView");
    resize(36, 127);
    m_gridLayout = new QGridLayout(this);
    m_gridLayout->setObjectName("gridLayout");
    m_gridLayout->setSpacing(0);
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_fileButton = new QToolButton(this);
    m_fileButton->setObjectName("fileButton");
    m_gridLayout->addWidget(m_fileButton, 0, 0);
}

void CourseFileView::initial()
{
    m_manager = new CourseFileManager();
    connect(m_manager, &CourseFileManager::signalLateCountInc, this, &CourseFileView::signalLateCountInc);
    connect(m_manager, &CourseFileManager::signalFileDownloadFinish, this, &CourseFileView::signalFileDownloadFinish);
    connect(m_manager, &CourseFileManager::signalAddCourseFileOut, this, &CourseFileView::signalAddCourseFileOut);
    connect(m_manager, &CourseFileManager::signalRemoveLocalFileOut, this, &CourseFileView::signalRemoveLocalFileOut);
    connect(m_manager, &CourseFileManager::signalCourseFileProgress, this, &CourseFileView::signalCourseFileStatus);
    connect(m_manager, &CourseFileManager::signalCourseFileTip, this, &CourseFileView::signalCourseFileTip);
    connect(this, &CourseFileView::signalRemoveLocalFileIn, m_manager, &CourseFileManager::slotRemoveLocalFile);

    // Without a border of its own the platform style paints the transparent button black under its black text.
    m_fileButton->setStyleSheet("background-color:transparent;border:none;");
    m_fileButton->setIcon(QIcon(":/vrek/image/centerview/add-1.png"));
    m_fileButton->setIconSize(QSize(32, 32));
    m_fileButton->setText(GlobalFunc::isMeetingClass() ? QString::fromUtf8("资料") : QString::fromUtf8("课件"));
    m_fileButton->setFixedSize(50, 70);
    m_fileButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_fileButton->setHidden(!GlobalFunc::isCurrentUserLect());
    connect(m_fileButton, &QToolButton::clicked, this, &CourseFileView::openCourseList);
}

void CourseFileView::viewInitial()
{
    m_transferFileView = new TransferFileView();
    m_transferTitleView = new TitleView(m_transferFileView,
        GlobalFunc::isMeetingClass() ? QString::fromUtf8("资料上传") : QString::fromUtf8("文件上传"),
        transferTitleFlags);
    m_transferTitleView->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);

    connect(m_manager, &CourseFileManager::signalReadFileList, m_transferFileView, &TransferFileView::slotRecvFileList);
    connect(m_manager, &CourseFileManager::signalCourseFileResult, m_transferFileView,
        &TransferFileView::slotCourseFileResult);
    connect(
        m_manager, &CourseFileManager::signalGetFileResult, m_transferFileView, &TransferFileView::slotGetFileResult);
    connect(m_manager, &CourseFileManager::signalDeleteFileResult, m_transferFileView,
        &TransferFileView::slotDeleteFileResult);
    connect(m_transferFileView, &TransferFileView::signalGetFileStart, m_manager, &CourseFileManager::slotGetFileStart);
    connect(
        m_transferFileView, &TransferFileView::signalGetFileNoRoom, m_manager, &CourseFileManager::slotGetFileNoRoom);
    connect(
        m_transferFileView, &TransferFileView::signalGetFileResult, m_manager, &CourseFileManager::slotGetFileResult);
    connect(
        m_transferFileView, &TransferFileView::signalGetFileProgress, this, &CourseFileView::signalCourseFileStatus);
}

void CourseFileView::verifyLocalFile()
{
    m_manager->verifyLocalFile();
}

void CourseFileView::openCourseList()
{
    qInfo() << "open the course list";
    m_transferTitleView->show();
}

void CourseFileView::slotFileWanted(QString fileIdAll)
{
    m_manager->slotFileWantedIn(fileIdAll);
}

void CourseFileView::slotUpdateFileStatus(QString fileIdAll)
{
    m_transferFileView->slotUpdateFileStatus(fileIdAll);
}
