#include "vrek/class/selectclassview.h"

#include "vrek/class/classcreateview.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/ffmpegcheck.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// The tab pages of each user type, in tab order.
const QVector<ClassListWidget::Kind> lecturerPages {
    { "全部", "all" },
    { "班级课", "0" },
    { "Quenna课堂", "2" },
    { "家长会", "6" },
    { "校园讲堂", "4" },
    { "校务会议", "5" },
    { "公开课", "7" },
    { "校外辅导", "8" },
};
const QVector<ClassListWidget::Kind> studentPages {
    { "全部", "all" },
    { "校内", "4" },
    { "校外", "8" },
};

const char *const allLessons = "all";
// The dialogs' frame: no minimise or maximise button, fixed size.
const int createFrameFlags = TitleView::NoMinButton | TitleView::NoMaxButton | TitleView::FixedSize;
const unsigned int refreshTipSeconds = 2;
} // namespace

SelectClassView::SelectClassView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();

    m_tipWidget = new TipWidget(this);
    m_tipWidget->setFixedSize(int(112 * g_uiScale), int(35 * g_uiScale));
    m_tipWidget->setStyleSheet("QWidget{background-color:#ff8214;}");
    m_tipWidget->hideCloseButton();
    m_tipWidget->move((width() - m_tipWidget->width()) / 2, (height() - m_tipWidget->height()) / 2);

    // The first press is always accepted: the clock is only started by an accepted one.
    m_lastRefresh.invalidate();

    m_classCreateView = new ClassCreateView;
    m_classCreateFrame = new TitleView(m_classCreateView, "新建课程", createFrameFlags);
    m_classCreateFrame->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);

    m_classCreateBtn->setFixedSize(100, 35);
    m_classContentTabWidget->setDocumentMode(true);
    addPages();

    // A tab is as wide as its label needs between the triangular tab's slanted sides: eight labels of up to six
    // characters, some Latin, do not fit tabs of 80 pixels 20 apart. The bar measures its tabs with
    // its own font, so it gets the tabs' font too.
    m_classContentTabWidget->setStyleSheet(
        "QTabBar{border-bottom:2px solid #dfe4e9;font:16px 微软雅黑;}"
        "QTabBar::tab{margin-left:2px;margin-right:2px;border-bottom:0px;font:16px 微软雅黑;color:#333333;"
        "min-width:56px;padding-left:16px;padding-right:16px;height:50px;}"
        "QTabBar::tab:selected{border-bottom:3px solid #0081ff;}"
        "QTabBar::tab:disabled{color:#333333;}");
    m_classTitleLabel->setStyleSheet("QLabel{\n    font-size:26px;}");
    m_pushButton->setStyleSheet("QPushButton{border-image:url(:/image/videoBack/refrash.png);}"
                                "QPushButton:hover{border-image:url(:/image/videoBack/refrashhover.png);}");

    connect(m_classContentTabWidget, &QTabWidget::currentChanged, this, &SelectClassView::slotClassContentTabChanged);
    connect(m_classCreateBtn, &QPushButton::clicked, this, &SelectClassView::slotClassCreateBtnClicked);
    connect(m_pushButton, &QPushButton::clicked, this, &SelectClassView::slotRefreshButtonClicked);
    connect(m_classCreateView, &ClassCreateView::signalCloseOut, this, &SelectClassView::slotClassCreateClosed);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalRecvCourseInfo, this,
            &SelectClassView::slotRecvClassInfo);
    if (g_httpClientManager)
        connect(
            g_httpClientManager, &HttpClientManager::signalCourseList, this, &SelectClassView::slotRecvClassListInfo);
    else
        qWarning() << "the http client manager is not created, the course list cannot load!";

    // Nothing offers course creation in this client.
    m_classCreateBtn->hide();
}

SelectClassView::~SelectClassView()
{
    m_classCreateFrame->deleteLater(); // takes the dialog with it
    m_tipWidget->deleteLater();
}

void SelectClassView::buildForm()
{
    setObjectName("SelectClassView");
    resize(800, 600);

    m_classTitleLabel = new QLabel("直播课程", this);
    m_classTitleLabel->setObjectName("classTitleLabel");
    m_classTitleLabel->setFixedSize(120, 35);
    m_pushButton = new QPushButton(this);
    m_pushButton->setObjectName("pushButton");
    m_pushButton->setIconSize(QSize(30, 30));
    m_pushButton->setFixedSize(27, 27);
    m_pushButton->setToolTip("刷新");
    m_pushButton->setFocusPolicy(Qt::NoFocus);
    m_classCreateBtn = new QPushButton("新建课程", this);
    m_classCreateBtn->setObjectName("classCreateBtn");
    m_classCreateBtn->setStyleSheet(
        "QPushButton{border-image:url(:/vrek/image/classmanagerview/xj_01.png);color:white;font:12px;}"
        "QPushButton:hover{border-image:url(:/vrek/image/classmanagerview/xj_02.png);}");

    m_classTitleLayout = new QHBoxLayout;
    m_classTitleLayout->setObjectName("classTitleLayout");
    m_classTitleLayout->setSpacing(0);
    m_classTitleLayout->setContentsMargins(0, 0, 0, 0);
    m_classTitleLayout->addWidget(m_classTitleLabel);
    m_classTitleLayout->addWidget(m_pushButton);
    m_classTitleLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_classTitleLayout->addWidget(m_classCreateBtn);

    m_classContentTabWidget = new QTabWidget(this);
    m_classContentTabWidget->setObjectName("classContentTabWidget");
    m_classContentTabWidget->setTabShape(QTabWidget::Triangular);
    m_classContentTabWidget->setUsesScrollButtons(false);
    m_classContentLayout = new QHBoxLayout;
    m_classContentLayout->setObjectName("classContentLayout");
    m_classContentLayout->setSpacing(0);
    m_classContentLayout->addWidget(m_classContentTabWidget);

    m_selectClassLayout = new QVBoxLayout(this);
    m_selectClassLayout->setObjectName("selectClassLayout");
    m_selectClassLayout->setSpacing(30);
    m_selectClassLayout->setContentsMargins(0, 0, 0, 0);
    m_selectClassLayout->addLayout(m_classTitleLayout);
    m_selectClassLayout->addLayout(m_classContentLayout);
}

void SelectClassView::addPages()
{
    QVector<ClassListWidget::Kind> kinds;
    if (g_userType == 0)
        kinds = lecturerPages;
    else if (g_userType == 1)
        kinds = studentPages;
    for (ClassListWidget *page : ClassListWidget::addPages(m_classContentTabWidget, kinds, 0)) {
        connect(page, &ClassListWidget::signalEnterButtonClicked, this, &SelectClassView::slotJoinClassesIn);
        connect(page, &ClassListWidget::signalRequestGroupInfo, this, &SelectClassView::slotRequestGroupInfo);
    }
}

QList<ClassListWidget *> SelectClassView::pages() const
{
    return ClassListWidget::pagesOf(m_classContentTabWidget);
}

ClassListWidget *SelectClassView::pageAt(int index) const
{
    return qobject_cast<ClassListWidget *>(m_classContentTabWidget->widget(index));
}

GroupInfo SelectClassView::groupInfoFromMap(const QMap<QString, QVariant> &map)
{
    GroupInfo info;
    info.setId(QString::number(map.value("id").toLongLong()));
    info.setTitle(StringUtil::jsonText(map.value("title")));
    info.setBeginTime(StringUtil::jsonText(map.value("beginTime")));
    info.setEndTime(StringUtil::jsonText(map.value("endTime")));
    info.setActualTime(StringUtil::jsonText(map.value("actualTime")));
    info.setGrade(StringUtil::jsonText(map.value("grade")));
    info.setGradeName(StringUtil::jsonText(map.value("gradeName")));
    info.setTClass(StringUtil::jsonText(map.value("tClass")));
    info.setClassName(StringUtil::jsonText(map.value("className")));
    info.setSubject(StringUtil::jsonText(map.value("subject")));
    info.setSubjectName(StringUtil::jsonText(map.value("subjectName")));
    info.setTeacherId(StringUtil::jsonText(map.value("teacherId")));
    info.setTeacherName(StringUtil::jsonText(map.value("teacherName")));
    info.setParentTitle(StringUtil::jsonText(map.value("parentTitle")));
    info.setParentId(map.value("parentId").toInt());
    info.setViewingTimes(map.value("viewingTimes").toInt());
    info.setSort(map.value("sort").toInt());
    info.setIsCompere(map.value("isCompere").toBool());
    info.setIsCanSit(map.value("isCanSit").toBool());
    // Missing, they keep the record's own "unknown": a lesson of type 0 or not started would be a claim.
    if (map.contains("classState"))
        info.setClassState(map.value("classState").toInt());
    if (map.contains("lessonType"))
        info.setLessonType(map.value("lessonType").toInt());
    info.setVideoId(StringUtil::jsonText(map.value("videoId")));
    return info;
}

void SelectClassView::slotRecvClassListInfo(const QString &reply)
{
    QString loginStatus = "0";
    QString body;
    JsonRows rows;
    if (StringUtil::httpJsonToList(reply, rows, loginStatus)) {
        if (loginStatus == "0") {
            QList<GroupInfo> infos;
            for (const QMap<QString, QVariant> &row : qAsConst(rows))
                infos.append(groupInfoFromMap(row));
            slotRecvClassInfo(infos);
        } else {
            setClassListError();
            startReLogin();
        }
        return;
    }
    if (StringUtil::httpJsonToMap(reply, loginStatus, body)) {
        // Any wrapper but a list leaves the pages usable: the error footer, and a relogin when the session expired.
        setClassListError();
        if (loginStatus == "1")
            startReLogin();
        else
            qWarning() << "the course list was refused! loginStatus:" << loginStatus << "body:" << body;
        return;
    }
    // JSON of another shape is the server's error, not a missing page: the error footer tells of it.
    if (StringUtil::isJsonDocument(reply))
        qWarning() << "the course list reply has the wrong shape! reply:" << reply.left(200);
    else if (g_httpTipMessage)
        g_httpTipMessage->slotShow();
    setClassListError();
}

void SelectClassView::slotRecvClassInfo(const QList<GroupInfo> &infos, const QString &classType)
{
    Q_UNUSED(classType)
    const QList<ClassListWidget *> all = pages();
    for (ClassListWidget *page : all)
        page->addClassInfos(infos);
    m_classContentTabWidget->setEnabled(true);
}

void SelectClassView::slotRequestGroupInfo(const QString &lessonType, int pageIndex)
{
    g_lessonTypeFilter = lessonType == QLatin1String(allLessons) ? -1 : lessonType.toInt();
    if (!g_httpClientManager) {
        qWarning() << "the http client manager is not created! lessonType:" << lessonType;
        setClassListError();
        return;
    }
    // No tab change while a request is open: its reply goes to every page.
    m_classContentTabWidget->setEnabled(false);
    g_httpClientManager->sendAttendCourseList(lessonType, QString::number(pageIndex));
}

void SelectClassView::slotClassContentTabChanged(int index)
{
    ClassListWidget *page = pageAt(index);
    if (!page)
        return;
    slotSocketConnectFalse();
    m_classContentTabWidget->setEnabled(false);
    page->refreshClassInfos();
}

void SelectClassView::slotJoinClassesIn(const GroupInfo &info)
{
    // A class needs FFmpeg: without it the course list says so and stays as it is, before anything of the lesson
    // is set or sent.
    if (!FfmpegCheck::readyOrTold(this))
        return;
    m_classContentTabWidget->setEnabled(false);
    g_classType = info.getLessonType();
    g_lessonTitle = info.getTitle();
    g_lessonName = info.getTitle();
    g_classId = info.getTClass();
    g_videoId = info.getVideoId();
    g_parentId = info.getParentId();
    if (g_classType == 0) {
        g_classTitle = QString("%1 %2 %3").arg(info.getGradeName(), info.getClassName(), info.getTitle());
        g_roomId = info.getTClass();
    } else {
        g_classTitle = info.getTitle();
        g_roomId = info.getId();
    }
    g_lectId = info.getTeacherId();
    g_lectName = info.getTeacherName();
    // A school-affairs meeting opens the teacher window: as host for its own lecturer, else as participant. The
    // role lasts for that meeting only: the next ordinary lesson takes the signed-in role again.
    if (g_classType == 5) {
        if (g_userType != 2 && g_userType != 3)
            m_userTypeBeforeMeeting = g_userType;
        g_userType = g_lectId == g_userId ? 2 : 3;
    } else if (g_userType == 2 || g_userType == 3) {
        g_userType = m_userTypeBeforeMeeting;
    }
    g_classStartCount = 0;
    emit signalSocketConnect();
}

void SelectClassView::slotSocketConnect()
{
    emit signalRequestJoinClassesOut();
}

void SelectClassView::slotSocketConnectFalse()
{
    const QList<ClassListWidget *> all = pages();
    for (ClassListWidget *page : all)
        page->clearClassInfos();
    // A failed join must not leave the tabs locked: changing tab reloads the page.
    m_classContentTabWidget->setEnabled(true);
}

void SelectClassView::slotClassCreateBtnClicked()
{
    m_classCreateFrame->show();
}

void SelectClassView::slotClassCreateClosed()
{
    m_classCreateFrame->close();
    slotClassContentTabChanged(m_classContentTabWidget->currentIndex());
}

void SelectClassView::refreshCurrentTab()
{
    const int index = m_classContentTabWidget->currentIndex();
    if (index < 0)
        return;
    emit m_classContentTabWidget->currentChanged(index);
}

void SelectClassView::setClassListError()
{
    m_classContentTabWidget->setEnabled(true);
    const QList<ClassListWidget *> all = pages();
    for (ClassListWidget *page : all)
        page->getClassError();
}

void SelectClassView::slotRefreshButtonClicked()
{
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() < m_refreshIntervalMs) {
        m_tipWidget->showTip(" 请勿频繁刷新!", refreshTipSeconds);
        return;
    }
    m_lastRefresh.start();
    // The page whose lesson type the last request named.
    const QString lessonType
        = g_lessonTypeFilter == -1 ? QString::fromLatin1(allLessons) : QString::number(g_lessonTypeFilter);
    for (int i = 0; i < m_classContentTabWidget->count(); ++i) {
        ClassListWidget *page = pageAt(i);
        if (page && page->lessonType() == lessonType) {
            slotClassContentTabChanged(i);
            return;
        }
    }
}

void SelectClassView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    m_selectClassLayout->setContentsMargins(size.width() / 34, size.height() / 28, size.width() / 34, 0);
}

void SelectClassView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (g_needBind) {
        qInfo() << "the account has no bound mobile phone";
        g_needBind = false;
    }
}

void SelectClassView::startReLogin()
{
    qWarning() << "the session has expired! the relogin starts";
    emit signalReLoginOut();
}
