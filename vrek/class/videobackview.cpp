#include "vrek/class/videobackview.h"

#include "vrek/class/classlistwidget.h"
#include "vrek/class/listreply.h"
#include "vrek/class/transferrecordview.h"
#include "vrek/class/uploadbutton.h"
#include "vrek/class/videolistview.h"
#include "vrek/class/videoplayview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QDateTime>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// The tab pages of each user type, in tab order.
const QVector<ClassListWidget::Kind> lecturerPages {
    { "全部", "all" },
    { "校内", "4" },
    { "校外", "8" },
};
const QVector<ClassListWidget::Kind> studentPages {
    { "全部", "all" },
    { "校内", "0" },
    { "校外", "2" },
};

const char *const allLessons = "all";
const unsigned int refreshTipSeconds = 2;
const char *const planTimeFormat = "yyyy-MM-dd hh:mm:ss";
const char *const planDateFormat = "yyyy年MM月dd日";

// A plan time as the cards show it; empty when the server's text is no time.
QString planDate(const QVariant &value)
{
    const QDateTime time = QDateTime::fromString(value.toString(), QString::fromLatin1(planTimeFormat));
    return time.isValid() ? time.toString(QString::fromUtf8(planDateFormat)) : QString();
}
} // namespace

VideobackView::VideobackView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
}

VideobackView::~VideobackView()
{
    // The frames take their views with them.
    m_recordFrame->deleteLater();
    m_playFrame->deleteLater();
    m_tipWidget->deleteLater();
}

void VideobackView::buildForm()
{
    setWindowTitle("Form");
    m_horizontalLayout = new QHBoxLayout(this);
    m_horizontalLayout->setObjectName("horizontalLayout");
    m_stackedWidget = new QStackedWidget(this);
    m_stackedWidget->setObjectName("stackedWidget");
    m_horizontalLayout->addWidget(m_stackedWidget);

    auto *page = new QWidget(m_stackedWidget);
    page->setObjectName("page");
    auto *verticalLayout = new QVBoxLayout(page);
    verticalLayout->setObjectName("verticalLayout");
    verticalLayout->setSpacing(30);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    m_titleLabel = new QLabel(QStringLiteral("课程回看"), page);
    m_titleLabel->setObjectName("titleLabel");
    m_pushButton = new QPushButton(page);
    m_pushButton->setObjectName("pushButton");
    m_uploadButton = new UploadButton(page);
    m_uploadButton->setObjectName("uploadButton");
    m_uploadButton->setText(QStringLiteral("录屏上传"));
    m_titleLayout = new QHBoxLayout;
    m_titleLayout->setObjectName("titleLayout");
    m_titleLayout->setSpacing(0);
    m_titleLayout->setContentsMargins(0, 0, 0, 0);
    m_titleLayout->addWidget(m_titleLabel);
    m_titleLayout->addWidget(m_pushButton);
    m_titleLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_titleLayout->addWidget(m_uploadButton);

    m_tabWidget = new QTabWidget(page);
    m_tabWidget->setObjectName("tabWidget");
    auto *verticalLayout2 = new QVBoxLayout;
    verticalLayout2->setObjectName("verticalLayout_2");
    verticalLayout2->setContentsMargins(18, 0, 0, 0);
    verticalLayout2->addWidget(m_tabWidget);
    verticalLayout->addLayout(m_titleLayout);
    verticalLayout->addLayout(verticalLayout2);

    auto *page2 = new QWidget(m_stackedWidget);
    page2->setObjectName("page_2");
    auto *verticalLayout4 = new QVBoxLayout(page2);
    verticalLayout4->setObjectName("verticalLayout_4");
    verticalLayout4->setSpacing(2);
    verticalLayout4->setContentsMargins(2, 2, 2, 2);
    m_verticalLayout3 = new QVBoxLayout;
    m_verticalLayout3->setObjectName("verticalLayout_3");
    m_verticalLayout3->setContentsMargins(15, 0, 0, 0);
    verticalLayout4->addLayout(m_verticalLayout3);

    m_stackedWidget->addWidget(page);
    m_stackedWidget->addWidget(page2);
    m_stackedWidget->setCurrentIndex(LessonFace);
}

void VideobackView::initial()
{
    m_stackedWidget->setCurrentIndex(SeriesFace);

    m_tipWidget = TipWidget::smallBar(this);
    m_tipWidget->move((width() - m_tipWidget->width()) / 2, (height() - m_tipWidget->height()) / 2);

    // The first press is always accepted: the clock is only started by an accepted one.
    m_lastRefresh.invalidate();

    m_recordView = new TransferRecordView;
    m_recordFrame = new TitleView(m_recordView, QStringLiteral("录屏上传"), recordFrameFlags);
    m_recordFrame->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    m_videoListView = new VideoListView;
    m_verticalLayout3->addWidget(m_videoListView);
    m_videoPlayView = new VideoPlayView;
    m_playFrame = new TitleView(m_videoPlayView, QStringLiteral("课程回看"), playerFrameFlags);
    m_playFrame->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    connect(m_videoPlayView, &VideoPlayView::signalClose, this, &VideobackView::slotShow);

    m_tabWidget->setDocumentMode(true);
    addPages();

    m_uploadButton->setFixedSize(100, 35);
    m_tabWidget->setStyleSheet(
        "QTabBar{border-bottom:2px solid #dfe4e9;}"
        "QTabBar::tab{margin-left:10px;margin-right:10px;border-bottom:0px;font:16px 微软雅黑;color:#333333;"
        "width:80px;height:50px;}"
        "QTabBar::tab:selected{border-bottom:3px solid #0081ff;}"
        "QTabBar::tab:disabled{color:#333333;}");
    m_titleLabel->setStyleSheet("QLabel{\n    font-size:26px;}");
    m_titleLabel->setFixedSize(120, 30);
    QFont refreshFont = m_pushButton->font();
    refreshFont.setPointSize(9);
    m_pushButton->setFont(refreshFont);
    m_pushButton->setFixedSize(27, 27);
    m_pushButton->setStyleSheet("QPushButton{border-image:url(:/image/videoBack/refrash.png);}"
                                "QPushButton:hover{border-image:url(:/image/videoBack/refrashhover.png);}");
    m_pushButton->setToolTip(QStringLiteral("刷新"));
    m_pushButton->setFocusPolicy(Qt::NoFocus);

    if (g_httpClientManager) {
        connect(g_httpClientManager, &HttpClientManager::signalReviewCourseProtocol, this,
            &VideobackView::slotReviewCourseProtocol);
        connect(g_httpClientManager, &HttpClientManager::signalGetVideoList, m_videoPlayView,
            &VideoPlayView::slotGetVideoLists);
    } else {
        qWarning() << "the http client manager is not created, the recorded lessons cannot load!";
    }
    connect(m_playFrame, &TitleView::signalRestoreOrMaxsize, m_videoPlayView, &VideoPlayView::slotRestoreOrMaxsize);
    connect(m_uploadButton, &QPushButton::clicked, this, &VideobackView::slotUploadButtonClicked);
    connect(m_recordView, &TransferRecordView::signalTransferProgress, m_uploadButton, &UploadButton::slotSetProgress);
    connect(m_videoListView, &VideoListView::signalVideoOpenButtonClicked, this,
        &VideobackView::slotVideoOpenButtonClicked);
    connect(m_videoListView, &VideoListView::signalReturnButtonClicked, this, &VideobackView::slotReturnButtonClicked);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &VideobackView::slotTabWidgetTabChanged);
    connect(m_pushButton, &QPushButton::clicked, this, &VideobackView::slotRefreshButtonClicked);
    // Every expired session found below this page starts the one relogin.
    connect(m_videoListView, &VideoListView::signalReLoginOut, this, &VideobackView::signalReLoginOut);
    connect(m_videoPlayView, &VideoPlayView::signalReLoginOut, this, &VideobackView::signalReLoginOut);

    if (g_userType != 0)
        m_uploadButton->hide();
}

void VideobackView::addPages()
{
    QVector<ClassListWidget::Kind> kinds;
    if (g_userType == 0)
        kinds = lecturerPages;
    else if (g_userType == 1)
        kinds = studentPages;
    for (ClassListWidget *page : ClassListWidget::addPages(m_tabWidget, kinds, 1)) {
        connect(page, &ClassListWidget::signalEnterButtonClicked, this, &VideobackView::slotEnterClassButtonClicked);
        connect(page, &ClassListWidget::signalRequestGroupInfo, this, &VideobackView::slotRequestGroupInfo);
    }
}

QList<ClassListWidget *> VideobackView::pages() const
{
    return ClassListWidget::pagesOf(m_tabWidget);
}

ClassListWidget *VideobackView::pageAt(int index) const
{
    return qobject_cast<ClassListWidget *>(m_tabWidget->widget(index));
}

GroupInfo VideobackView::seriesFromMap(const QMap<QString, QVariant> &map)
{
    // The keys a series shares with a lesson, without the lesson's parent.
    GroupInfo info = VideoListView::lessonFromMap(map);
    info.setParentId(0);
    info.setPlanBeginTime(planDate(map.value("planBeginTime")));
    info.setPlanEndTime(planDate(map.value("planEndTime")));
    return info;
}

void VideobackView::slotUploadButtonClicked()
{
    m_recordFrame->show();
}

void VideobackView::slotEnterClassButtonClicked(const GroupInfo &info)
{
    m_videoListView->setGroupInfo(info);
    m_videoListView->setLoaded(false);
    m_stackedWidget->setCurrentIndex(LessonFace);
}

void VideobackView::slotVideoOpenButtonClicked(const GroupInfo &info)
{
    if (g_httpClientManager)
        g_httpClientManager->sendGetVideoUrl(info.getVideoId(), g_userId, g_loginSignId);
    else
        qWarning() << "the http client manager is not created! videoId:" << info.getVideoId();
    // The course-list window goes while the player shows; closing the player brings it back.
    window()->hide();
    m_playFrame->show();
}

void VideobackView::slotTabWidgetTabChanged(int index)
{
    clearAllLists();
    m_tabWidget->setEnabled(false);
    if (ClassListWidget *page = pageAt(index))
        page->refreshClassInfos();
}

void VideobackView::slotReviewCourseProtocol(const QString &reply)
{
    const ListReply read = ListReply::read(reply);
    switch (read.kind) {
    case ListReply::Rows: {
        QList<GroupInfo> infos;
        for (const QMap<QString, QVariant> &row : read.rows)
            infos.append(seriesFromMap(row));
        if (ClassListWidget *page = pageAt(m_tabWidget->currentIndex()))
            page->addClassInfos(infos);
        m_tabWidget->setEnabled(true);
        break;
    }
    case ListReply::Expired:
        // The tabs stay usable behind the relogin, as on the live-courses page.
        setClassListError();
        startReLogin();
        break;
    case ListReply::Refused:
        qWarning() << "the recorded lessons were refused! loginStatus:" << read.loginStatus << "body:" << read.body;
        setClassListError();
        break;
    case ListReply::Malformed:
        qWarning() << "the recorded lessons reply has the wrong shape! reply:" << reply.left(200);
        setClassListError();
        break;
    case ListReply::Unreadable:
        if (g_httpTipMessage)
            g_httpTipMessage->slotShow();
        setClassListError();
        break;
    }
}

void VideobackView::slotRequestGroupInfo(const QString &lessonType, int pageIndex)
{
    g_lessonTypeFilter = lessonType == QLatin1String(allLessons) ? -1 : lessonType.toInt();
    if (!g_httpClientManager) {
        qWarning() << "the http client manager is not created! lessonType:" << lessonType;
        setClassListError();
        return;
    }
    m_tabWidget->setEnabled(false);
    g_httpClientManager->sendCourseReview(lessonType, pageIndex);
}

void VideobackView::slotReturnButtonClicked()
{
    m_stackedWidget->setCurrentIndex(SeriesFace);
}

void VideobackView::slotShow()
{
    window()->show();
}

void VideobackView::setClassListError()
{
    m_tabWidget->setEnabled(true);
    for (ClassListWidget *page : pages())
        page->getClassError();
}

void VideobackView::clearAllLists()
{
    for (ClassListWidget *page : pages())
        page->clearClassInfos();
}

void VideobackView::refreshCurrentTab()
{
    const int index = m_tabWidget->currentIndex();
    if (index < 0)
        return;
    emit m_tabWidget->currentChanged(index);
}

void VideobackView::setRecordUpload(bool shown)
{
    m_recordView->refreshRecordList(shown);
}

void VideobackView::slotRefreshButtonClicked()
{
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() < m_refreshIntervalMs) {
        m_tipWidget->showTip(QStringLiteral(" 请勿频繁刷新!"), refreshTipSeconds);
        return;
    }
    m_lastRefresh.start();
    // The page whose lesson type the last request named; the current one when none of these pages did.
    const QString lessonType
        = g_lessonTypeFilter == -1 ? QString::fromLatin1(allLessons) : QString::number(g_lessonTypeFilter);
    for (int i = 0; i < m_tabWidget->count(); ++i) {
        ClassListWidget *page = pageAt(i);
        if (page && page->lessonType() == lessonType) {
            slotTabWidgetTabChanged(i);
            return;
        }
    }
    if (m_tabWidget->currentIndex() >= 0)
        slotTabWidgetTabChanged(m_tabWidget->currentIndex());
}

void VideobackView::startReLogin()
{
    qWarning() << "reLogin";
    emit signalReLoginOut();
}

void VideobackView::resizeEvent(QResizeEvent *event)
{
    const QSize size = event->size();
    m_titleLayout->setContentsMargins(size.width() / 50, size.height() / 50, size.width() / 34, 0);
    QWidget::resizeEvent(event);
}

void VideobackView::hideEvent(QHideEvent *event)
{
    m_recordFrame->close();
    QWidget::hideEvent(event);
}
