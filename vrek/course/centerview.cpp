#include "vrek/course/centerview.h"

#include "vrek/container/coursefilehash.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/coursefileview.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/coursemessageforward.h"
#include "vrek/course/drawcourseview.h"
#include "vrek/course/htmlcourseview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/course/picturecourseview.h"
#include "vrek/course/readcoursemessagemanager.h"
#include "vrek/course/selectcoursescrollarea.h"
#include "vrek/course/videocourseview.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
const char *const lineStyle = "QFrame{background-color:#dfe4e9;}";
const char *const scrollBarStyle
    = "QScrollBar:horizontal{height:8px;background:rgba(0,0,0,0%);padding-top:0px;padding-bottom:0px;}"
      "QScrollBar::handle:horizontal{background:rgba(0,0,0,20%);border-radius:4px;}"
      "QScrollBar::handle:horizontal:hover{background:rgba(0,0,0,50%);}"
      "QScrollBar::handle:horizontal:pressed{background:rgba(0,0,0,40%);}"
      "QScrollBar::add-line:horizontal{background-color:transparent;width: 0px;}"
      "QScrollBar::sub-line:horizontal{background-color:transparent;width: 0px;}";
// A full-screen courseware view is a window of its own meanwhile.
const Qt::WindowFlags fullScreenFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
// The second part of a file id that marks a file shared with the class.
const QString sharedFileMark = QStringLiteral("1");
const int meetingClassType = 5;

QFrame *makeLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::VLine);
    line->setLineWidth(0);
    line->setStyleSheet(lineStyle);
    return line;
}

QVBoxLayout *makePage(QStackedWidget *stack, const char *name, const char *layoutName)
{
    auto *page = new QWidget(stack);
    page->setObjectName(name);
    auto *layout = new QVBoxLayout(page);
    layout->setObjectName(layoutName);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(page);
    return layout;
}
} // namespace

CenterView::CenterView(QWidget *parent)
    : QWidget(parent)
{
    courseIsLect = GlobalFunc::isCurrentUserLect();
    qInfo() << "parent:" << parent << "courseIsLect:" << courseIsLect;
    setupForm();
    viewInitial();
    dispatchInitial();
    lateInitial();
    if (g_classType == meetingClassType)
        m_pageStackedWidget->setCurrentIndex(PageConference);
}

CenterView::~CenterView()
{
    qInfo() << "";
    // The views and the course file panel are children, a full-screen view too.
    delete m_dispatcher;
    delete m_lateCtrlManager;
}

void CenterView::setupForm()
{
    setObjectName("CenterView");
    setWindowTitle("CenterView");
    resize(716, 449);
    m_mainLayout = new QGridLayout(this);
    m_mainLayout->setObjectName("mainLayout");
    m_mainLayout->setSpacing(0);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);
    m_pageStackedWidget = new QStackedWidget(this);
    m_pageStackedWidget->setObjectName("pageStackedWidget");
    m_mainLayout->addWidget(makeLine(this, "lineLeft"), 0, 0);
    m_mainLayout->addWidget(m_pageStackedWidget, 0, 1);
    m_mainLayout->addWidget(makeLine(this, "lineRight"), 0, 2);

    auto *coursePage = new QWidget(m_pageStackedWidget);
    coursePage->setObjectName("coursePage");
    m_pageStackedWidget->addWidget(coursePage);
    m_painterPageLayout = makePage(m_pageStackedWidget, "painterPage", "painterPageLayout");
    m_conferencePageLayout = makePage(m_pageStackedWidget, "conferencePage", "conferencePageLayout");

    auto *courseLayout = new QGridLayout(coursePage);
    courseLayout->setObjectName("courseLayout");
    auto *courseViewLayout = new QVBoxLayout();
    courseViewLayout->setObjectName("courseViewLayout");
    m_courseStackedWidget = new QStackedWidget(coursePage);
    m_courseStackedWidget->setObjectName("courseStackedWidget");
    courseViewLayout->addWidget(m_courseStackedWidget);
    courseLayout->addLayout(courseViewLayout, 0, 0);
    m_courseFileWidget = new QWidget(coursePage);
    m_courseFileWidget->setObjectName("courseFileWidget");
    courseLayout->addWidget(m_courseFileWidget, 1, 0);
    courseLayout->setRowStretch(0, 1);

    m_defaultPageLayout = makePage(m_courseStackedWidget, "defaultPage", "defaultPageLayout");
    m_picturePageLayout = makePage(m_courseStackedWidget, "picturePage", "picturePageLayout");
    m_htmlPageLayout = makePage(m_courseStackedWidget, "htmlPage", "htmlPageLayout");
    m_videoPageLayout = makePage(m_courseStackedWidget, "videoPage", "videoPageLayout");
    m_courseStackedWidget->setCurrentIndex(CourseDefaultPage);

    auto *courseFileLayout = new QHBoxLayout(m_courseFileWidget);
    courseFileLayout->setObjectName("courseFileLayout");
    m_selectCourseScrollArea = new SelectCourseScrollArea(m_courseFileWidget);
    m_selectCourseScrollArea->setObjectName("selectCourseScrollArea");
    m_selectCourseScrollArea->setWidgetResizable(true);
    m_selectCourseScrollArea->setFixedHeight(140);
    m_selectCourseScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_selectCourseScrollArea->horizontalScrollBar()->setStyleSheet(scrollBarStyle);
    m_selectCourseContents = new QWidget();
    m_selectCourseContents->setObjectName("selectCourseScrollAreaWidgetContents");
    m_selectCourseContents->setStyleSheet("QWidget{background-color:transparent;}");
    m_selectCourseLayout = new QHBoxLayout(m_selectCourseContents);
    m_selectCourseLayout->setObjectName("selectCourseLayout");
    m_selectCourseLayout->setSpacing(0);
    m_selectCourseLayout->setAlignment(Qt::AlignLeft);
    m_selectCourseScrollArea->setWidget(m_selectCourseContents);
    courseFileLayout->addWidget(m_selectCourseScrollArea, 1);
    m_selectFileLayout = new QHBoxLayout();
    m_selectFileLayout->setObjectName("selectFileLayout");
    courseFileLayout->addLayout(m_selectFileLayout);
    m_courseFileWidget->installEventFilter(this);
}

void CenterView::viewInitial()
{
    m_defaultView = new QLabel(this);
    m_defaultView->setObjectName("defaultView");
    m_defaultView->setStyleSheet("border-image: url(:/vrek/image/centerview/defaultview.png);");
    m_defaultPageLayout->addWidget(m_defaultView);
    m_pictureView = new PictureCourseView(this);
    m_picturePageLayout->addWidget(m_pictureView);
    m_htmlView = new HtmlCourseView(this);
    m_htmlPageLayout->addWidget(m_htmlView);
    m_videoView = new VideoCourseView(this);
    m_videoPageLayout->addWidget(m_videoView);
    m_drawView = new DrawCourseView(this);
    m_painterPageLayout->addWidget(m_drawView);
    m_courseFileView = new CourseFileView(this);
    m_selectFileLayout->addWidget(m_courseFileView);

    connect(
        m_pictureView, &PictureCourseView::signalMaximizeButtonToggled, this, &CenterView::slotMaximizeButtonToggled);
    connect(m_htmlView, &HtmlCourseView::signalMaximizeButtonToggled, this, &CenterView::slotMaximizeButtonToggled);
    connect(m_videoView, &VideoCourseView::signalMaximizeButtonToggled, this, &CenterView::slotMaximizeButtonToggled);
    connect(m_pictureView, &PictureCourseView::signalSendPPtMessageOut, this, &CenterView::signalSendPPtMessageOut);
    connect(m_htmlView, &HtmlCourseView::signalSendPPtMessageOut, this, &CenterView::signalSendPPtMessageOut);
    connect(m_drawView, &DrawCourseView::signalSendPPtMessageOut, this, &CenterView::signalSendPPtMessageOut);

    CourseFileView *files = m_courseFileView;
    connect(files, &CourseFileView::signalAddCourseFileOut, this, &CenterView::slotAddCourseFile);
    connect(files, &CourseFileView::signalCourseFileStatus, this, &CenterView::slotCourseFileStatus);
    connect(files, &CourseFileView::signalRemoveLocalFileOut, this, &CenterView::slotRemoveCourseBtn);
    connect(files, &CourseFileView::signalLateCountInc, this, &CenterView::signalLateCountInc);
    connect(files, &CourseFileView::signalFileDownloadFinish, this, &CenterView::signalFileDownloadFinish);
    connect(files, &CourseFileView::signalCourseFileTip, this, &CenterView::signalCourseFileTip);
    connect(this, &CenterView::signalRemoveLocalFile, files, &CourseFileView::signalRemoveLocalFileIn);
}

void CenterView::dispatchInitial()
{
    m_dispatcher = new ReadCourseMessageManager();
    ReadCourseMessageManager *d = m_dispatcher;
    if (g_socketClientManager) {
        SocketClientManager *socket = g_socketClientManager;
        connect(socket, &SocketClientManager::readPPtMessage, d, &ReadCourseMessageManager::readPPtCourseMessage);
        connect(
            socket, &SocketClientManager::readVideoCourseMessage, d, &ReadCourseMessageManager::readVideoCourseMessage);
        connect(socket, &SocketClientManager::signalEndClass, this, &CenterView::slotEndClass);
    }
    connect(this, &CenterView::signalReadPPtCourseMessage, d, &ReadCourseMessageManager::readPPtCourseMessage);
    connect(this, &CenterView::signalFileDownloadFinish, d, &ReadCourseMessageManager::slotFileDownloadFinish);
    connect(d, &ReadCourseMessageManager::signalOpenDefaultView, this, &CenterView::slotOpenDefaultView);
    connect(d, &ReadCourseMessageManager::signalOpenFile, this, &CenterView::slotOpenFile);
    if (m_courseFileView)
        connect(d, &ReadCourseMessageManager::signalFileWanted, m_courseFileView, &CourseFileView::slotFileWanted);

    PictureCourseView *pictures = m_pictureView;
    connect(
        d, &ReadCourseMessageManager::signalChangePicturePage, pictures, &PictureCourseView::signalChangePicturePage);
    connect(
        d, &ReadCourseMessageManager::signalChangePictureRate, pictures, &PictureCourseView::signalChangePictureRate);
    connect(d, &ReadCourseMessageManager::signalSetPicturePage, pictures, &PictureCourseView::signalSetPicturePage);
    connect(d, &ReadCourseMessageManager::signalSetPictureRate, pictures, &PictureCourseView::signalSetPictureRate);
    connect(d, &ReadCourseMessageManager::signalPictureDrawGraph, pictures, &PictureCourseView::signalPictureDrawGraph);
    connect(d, &ReadCourseMessageManager::signalPictureDrawGraphAll, pictures,
        &PictureCourseView::signalPictureDrawGraphAll);
    connect(d, &ReadCourseMessageManager::signalPictureScrollAreaMove, pictures,
        &PictureCourseView::signalPictureScrollAreaMove);

    HtmlCourseView *html = m_htmlView;
    connect(d, &ReadCourseMessageManager::signalChangeHtmlStep, html, &HtmlCourseView::signalChangeHtmlStep);
    connect(d, &ReadCourseMessageManager::signalChangeHtmlRate, html, &HtmlCourseView::signalChangeHtmlRate);
    connect(d, &ReadCourseMessageManager::signalSetHtmlStep, html, &HtmlCourseView::signalSetHtmlStep);
    connect(d, &ReadCourseMessageManager::signalSetHtmlRate, html, &HtmlCourseView::signalSetHtmlRate);
    connect(d, &ReadCourseMessageManager::signalHtmlDrawGraph, html, &HtmlCourseView::signalHtmlDrawGraph);
    connect(d, &ReadCourseMessageManager::signalHtmlDrawGraphAll, html, &HtmlCourseView::signalHtmlDrawGraphAll);
    connect(d, &ReadCourseMessageManager::signalHtmlScrollAreaMove, html, &HtmlCourseView::signalHtmlScrollAreaMove);

    connect(d, &ReadCourseMessageManager::signalBoardDrawGraph, m_drawView, &DrawCourseView::signalDrawDrawGraph);
    connect(d, &ReadCourseMessageManager::signalBoardDrawGraphAll, m_drawView, &DrawCourseView::signalDrawDrawGraphAll);

    connect(d, &ReadCourseMessageManager::signalVideoPause, m_videoView, &VideoCourseView::signalVideoPause);
    connect(d, &ReadCourseMessageManager::signalVideoRealTime, m_videoView, &VideoCourseView::signalVideoRealTime);
    connect(d, &ReadCourseMessageManager::signalSetVideoState, m_videoView, &VideoCourseView::signalSetVideoState);
}

void CenterView::lateInitial()
{
    m_lateCtrlManager = new LateCtrlManager();
    LateCtrlManager *late = m_lateCtrlManager;
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::readCtrlMessage, late, &LateCtrlManager::readCtrlMessage);
    connect(m_dispatcher, &ReadCourseMessageManager::signalLateCountInc, late, &LateCtrlManager::signalLateCountInc);
    connect(this, &CenterView::signalLateCountInc, late, &LateCtrlManager::signalLateCountInc);
    connect(this, &CenterView::signalSendLateStart, late, &LateCtrlManager::slotLateMessageStart);
    connect(late, &LateCtrlManager::signalSendStatusLate, this, &CenterView::signalSendStatusLate);
    connect(late, &LateCtrlManager::signalChangeUIType, this, &CenterView::signalChangeUIType);
    // The counts come back through the reference: these run at once, in this thread.
    connect(late, &LateCtrlManager::signalSendFileLate, this, &CenterView::slotSendFileLate, Qt::DirectConnection);
    connect(late, &LateCtrlManager::signalSendDrawLate, m_pictureView, &PictureCourseView::signalSendBoardLate,
        Qt::DirectConnection);
    connect(late, &LateCtrlManager::signalSendDrawLate, m_htmlView, &HtmlCourseView::signalSendBoardLate,
        Qt::DirectConnection);
    connect(late, &LateCtrlManager::signalSendBoardLate, m_drawView, &DrawCourseView::signalSendBoardLate,
        Qt::DirectConnection);
}

void CenterView::initialLater()
{
    qInfo() << "";
    m_courseFileView->verifyLocalFile();
}

GlobalEnum::PPMFromType CenterView::ownFrom() const
{
    return courseIsLect ? GlobalEnum::PPMLocal : GlobalEnum::PPMServer;
}

QWidget *CenterView::currentCourseWidget() const
{
    switch (m_currentCourseType) {
    case CoursePicture:
        return m_pictureView;
    case CourseHtml:
        return m_htmlView;
    case CourseVideo:
    case CourseSound:
        return m_videoView;
    default:
        return nullptr;
    }
}

QVBoxLayout *CenterView::currentCourseLayout() const
{
    switch (m_currentCourseType) {
    case CoursePicture:
        return m_picturePageLayout;
    case CourseHtml:
        return m_htmlPageLayout;
    case CourseVideo:
    case CourseSound:
        return m_videoPageLayout;
    default:
        return nullptr;
    }
}

void CenterView::clearViewState()
{
    m_drawView->clearBoard();
    m_pictureView->clearDrawData();
    m_htmlView->clearDrawData();
    m_videoView->clearVideoState();
}

void CenterView::clearCourseState()
{
    clearViewState();
}

void CenterView::saveCurrentCourse()
{
    switch (m_currentCourseType) {
    case CoursePicture:
        m_pictureView->closePictureFile();
        break;
    case CourseHtml:
        m_htmlView->closeHtmlFile();
        break;
    case CourseVideo:
    case CourseSound:
        m_videoView->stopVideo();
        break;
    default:
        break;
    }
}

void CenterView::openDefaultViewLocal()
{
    slotOpenDefaultView(ownFrom());
}

void CenterView::pauseVideo()
{
    if (m_currentCourseType == CourseVideo || m_currentCourseType == CourseSound)
        m_videoView->setVideoPause(true);
}

void CenterView::sendCourseLate(QString userId)
{
    switch (m_currentCourseType) {
    case CoursePicture:
        emit m_pictureView->signalSendPictureLate(userId);
        break;
    case CourseHtml:
        emit m_htmlView->signalSendHtmlLate(userId);
        break;
    case CourseVideo:
    case CourseSound:
        emit m_videoView->signalSendVideoLate(userId);
        break;
    default:
        break;
    }
}

void CenterView::addMediaWidget(QWidget *widget)
{
    m_conferencePageLayout->addWidget(widget);
}

void CenterView::setCourseEnable(bool enable)
{
    m_selectCourseContents->setEnabled(enable);
    m_pictureView->setCourseEnable(enable);
    m_htmlView->setCourseEnable(enable);
    m_videoView->setControlEnabled(enable);
}

void CenterView::slotSendLateStart()
{
    if (courseIsLect) {
        qWarning() << "CenterView::slotSendLateStart isLect:" << courseIsLect;
        return;
    }
    if (g_userInfoHash.isUserOnline(g_lectId))
        emit signalSendLateStart();
}

void CenterView::slotLectOnline(UserInfo userInfo)
{
    Q_UNUSED(userInfo)
    // The lecturer leads while present.
    if (!courseIsLect)
        setCourseEnable(false);
}

void CenterView::slotLectOffline(UserInfo userInfo)
{
    qInfo() << "userId:" << userInfo.getUserId();
    slotOpenDefaultView(ownFrom());
    clearViewState();
    if (!courseIsLect)
        setCourseEnable(true);
}

void CenterView::slotEndClass()
{
    slotOpenDefaultView(ownFrom());
    clearViewState();
}

void CenterView::forwardDefaultView(GlobalEnum::PPMFromType from)
{
    PPtMessage message(PPtMessage::OpenFile);
    DrawControl control;
    control.setFileIdAll(ReadCourseMessageManager::defaultFileIdAll);
    message.setDrawControl(control);
    const bool toServer = from == GlobalEnum::PPMPad || (from == GlobalEnum::PPMLocal && courseIsLect);
    if (toServer)
        CourseMessageForward::toClass(message);
    if (from != GlobalEnum::PPMPad)
        emit signalSendPPtMessageOut(message);
}

void CenterView::slotOpenDefaultView(GlobalEnum::PPMFromType from)
{
    qInfo() << "ppmft:" << from;
    saveCurrentCourse();
    m_courseStackedWidget->setCurrentIndex(CourseDefaultPage);
    m_currentCourseType = CourseNone;
    for (CourseFileButton *button : courseButtons())
        button->setChecked(false);
    forwardDefaultView(from);
}

void CenterView::slotOpenFile(QString fileIdAll, GlobalEnum::PPMFromType from)
{
    qInfo() << "fileIdAll:" << fileIdAll << "ppmft:" << from;
    for (CourseFileButton *button : courseButtons()) {
        if (button->getFileIdAll() != fileIdAll) {
            button->setChecked(false);
            continue;
        }
        button->setChecked(true);
        UserFile file;
        g_courseFileHash.selectUserFile(fileIdAll, file);
        const int courseType = file.getCourseType();
        saveCurrentCourse();
        switch (courseType) {
        case CoursePicture:
            if (m_pictureView->openPictureFile(fileIdAll, file.getFileName(), from)) {
                m_courseStackedWidget->setCurrentIndex(CoursePicturePage);
                m_currentCourseType = courseType;
            }
            break;
        case CourseHtml:
            if (m_htmlView->openHtmlFile(fileIdAll, file.getFileName(), from)) {
                m_courseStackedWidget->setCurrentIndex(CourseHtmlPage);
                m_currentCourseType = courseType;
            }
            break;
        case CourseVideo:
        case CourseSound:
            if (m_videoView->openVideoFile(fileIdAll, file.getFileName(), from)) {
                m_courseStackedWidget->setCurrentIndex(CourseVideoPage);
                m_currentCourseType = courseType;
            }
            break;
        default:
            slotOpenDefaultView(from);
            qWarning() << "CenterView::slotOpenFile unknow courseType:" << courseType << "fileIdAll:" << fileIdAll;
            break;
        }
    }
}

CourseFileButton *CenterView::courseButton(const QString &fileIdAll) const
{
    for (CourseFileButton *button : courseButtons()) {
        if (button->getFileIdAll() == fileIdAll)
            return button;
    }
    return nullptr;
}

QList<CourseFileButton *> CenterView::courseButtons() const
{
    QList<CourseFileButton *> buttons;
    for (const QPointer<CourseFileButton> &button : m_buttons) {
        if (button)
            buttons.append(button);
    }
    return buttons;
}

void CenterView::slotAddCourseFile(QString fileIdAll, QString fileName)
{
    if (courseButton(fileIdAll))
        return;
    auto *button = new CourseFileButton(fileIdAll, fileName, m_selectCourseContents);
    connect(button, &CourseFileButton::signalBtnLeftClicked, this, &CenterView::slotBtnLeftClicked);
    connect(button, &CourseFileButton::signalBtnRightClicked, this, &CenterView::slotBtnRightClicked);
    connect(button, &CourseFileButton::signalDelBtnClicked, this, &CenterView::slotRemoveCourseFile);
    m_selectCourseLayout->addWidget(button);
    m_buttons.append(button);
}

void CenterView::slotCourseFileStatus(QString fileIdAll, int progress)
{
    CourseFileButton *button = courseButton(fileIdAll);
    if (!button)
        return;
    if (progress >= 1000) {
        button->setEnabled(true);
        button->setNormalStyle();
    } else {
        button->setEnabled(false);
        button->setProgress(progress);
    }
}

void CenterView::slotRemoveCourseBtn(QString fileIdAll)
{
    CourseFileButton *button = courseButton(fileIdAll);
    if (!button)
        return;
    if (button->isChecked())
        slotOpenDefaultView(ownFrom());
    // Out of the bar at once, so that the file can come back before the tile is gone.
    m_buttons.removeAll(button);
    m_selectCourseLayout->removeWidget(button);
    button->hide();
    button->deleteLater();
}

void CenterView::slotRemoveCourseFile(QString fileIdAll)
{
    qInfo() << "fia:" << fileIdAll;
    slotRemoveCourseBtn(fileIdAll);
    emit signalRemoveLocalFile(fileIdAll);
    m_courseFileView->slotUpdateFileStatus(fileIdAll);
}

void CenterView::slotPageChange(int page)
{
    if (page < PageCourse || page > PageConference)
        return;
    m_pageStackedWidget->setCurrentIndex(page);
    if (page != PageCourse)
        pauseVideo();
}

void CenterView::slotBtnLeftClicked(QString fileIdAll)
{
    qInfo() << "fileIdAll:" << fileIdAll;
    slotOpenFile(fileIdAll, ownFrom());
}

void CenterView::slotBtnRightClicked(QString fileIdAll)
{
    qInfo() << "fileIdAll:" << fileIdAll << "isDeleteFlag:" << m_isDeleteFlag;
    for (CourseFileButton *button : courseButtons()) {
        if (button->isEnabled())
            button->setDeleteHidden(m_isDeleteFlag);
    }
    m_isDeleteFlag = !m_isDeleteFlag;
}

bool CenterView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_courseFileWidget || event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);
    if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return QWidget::eventFilter(watched, event);
    // A press that reaches the bar fell beside the tiles: it ends the delete mode.
    if (m_isDeleteFlag)
        slotBtnRightClicked(QString());
    return true;
}

void CenterView::slotMaximizeButtonToggled(bool on)
{
    qInfo() << "b:" << on << "currentCourseType:" << m_currentCourseType;
    QWidget *view = currentCourseWidget();
    QVBoxLayout *layout = currentCourseLayout();
    if (!view || !layout)
        return;
    if (on) {
        layout->removeWidget(view);
        view->setWindowFlags(view->windowFlags() | fullScreenFlags);
        view->showFullScreen();
    } else {
        view->setWindowFlags(view->windowFlags() & ~fullScreenFlags);
        layout->addWidget(view);
        view->showNormal();
    }
}

void CenterView::slotSendFileLate(QString userId, quint32 &count)
{
    count = 0;
    QList<UserFile> files;
    UserFileDao dao;
    if (!dao.selectUserFileList(g_userId, files, 1))
        return;
    for (const UserFile &file : qAsConst(files)) {
        const QStringList parts = file.getFileIdAll().split('_');
        if (parts.size() != 2) {
            qCritical() << "LateCtrlManager::sendFileLate the strList length error! pid:" << userId;
            if (parts.size() < 2)
                continue;
        }
        if (parts.at(1) != sharedFileMark)
            continue;
        if (g_socketClientManager)
            g_socketClientManager->sendTFile(parts.at(0), "1", userId);
        ++count;
    }
}
