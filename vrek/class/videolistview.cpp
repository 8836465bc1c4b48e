#include "vrek/class/videolistview.h"

#include "vrek/class/listreply.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/class/videotreeview.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/tipwidget.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QMutexLocker>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
const unsigned int refreshTipSeconds = 2;
const char *const refreshStyle = "QPushButton{border-image:url(:/image/videoBack/refrash.png);}"
                                 "QPushButton:hover{border-image:url(:/image/videoBack/refrashhover.png);}";

} // namespace

VideoListView::VideoListView(QWidget *parent)
    : QWidget(parent)
    , m_prompt(new TransferFilePrompt())
{
    buildForm();
    initial();
}

VideoListView::~VideoListView()
{
    m_movie->stop();
}

void VideoListView::buildForm()
{
    setWindowTitle("Form");
    m_verticalLayout = new QVBoxLayout(this);
    m_verticalLayout->setObjectName("verticalLayout");

    m_returnButton = new QPushButton(this);
    m_returnButton->setObjectName("returnButton");
    m_titleLabel = new QLabel(QStringLiteral("课程回看"), this);
    m_titleLabel->setObjectName("titleLabel");
    m_refreshButton = new QPushButton(this);
    m_refreshButton->setObjectName("refreshButton");
    m_titleLayout = new QHBoxLayout;
    m_titleLayout->setObjectName("titleLayout");
    m_titleLayout->setSpacing(0);
    m_titleLayout->setContentsMargins(0, 0, 0, 0);
    m_titleLayout->addWidget(m_returnButton);
    m_titleLayout->addItem(new QSpacerItem(9, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    m_titleLayout->addWidget(m_titleLabel);
    m_titleLayout->addItem(new QSpacerItem(9, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    m_titleLayout->addWidget(m_refreshButton);
    m_titleLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_classSubjectLabel = new QLabel(this);
    m_classSubjectLabel->setTextFormat(Qt::PlainText);
    m_classSubjectLabel->setObjectName("classSubjectLabel");
    m_courseName = new QLabel(this);
    m_courseName->setTextFormat(Qt::PlainText);
    m_courseName->setObjectName("courseName");
    // Outside texts never widen the page: narrower than their text, the labels clip it.
    m_classSubjectLabel->setMinimumWidth(1);
    m_courseName->setMinimumWidth(1);
    m_delButton = new QPushButton(QStringLiteral("删除"), this);
    m_delButton->setObjectName("delButton");
    m_horizontalLayout2 = new QHBoxLayout;
    m_horizontalLayout2->setObjectName("horizontalLayout_2");
    m_horizontalLayout2->setContentsMargins(0, 12, 0, 0);
    m_horizontalLayout2->addWidget(m_classSubjectLabel);
    m_horizontalLayout2->addWidget(m_courseName);
    m_horizontalLayout2->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_horizontalLayout2->addWidget(m_delButton);
    m_horizontalLayout2->addItem(new QSpacerItem(22, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));

    m_horizontalWidget = new QWidget(this);
    m_horizontalWidget->setObjectName("horizontalWidget");
    m_horizontalWidget->setStyleSheet("QWidget{\nborder-bottom:1px solid rgb(221, 221, 221);}");
    auto *horizontalLayout = new QHBoxLayout(m_horizontalWidget);
    horizontalLayout->setObjectName("horizontalLayout");
    horizontalLayout->setSpacing(36);
    horizontalLayout->setContentsMargins(0, 0, 0, 18);
    m_courseTime = new QLabel(QStringLiteral("系列课时间："), m_horizontalWidget);
    m_courseTime->setTextFormat(Qt::PlainText);
    m_courseTime->setObjectName("courseTime");
    m_courseTime->setMinimumWidth(1);
    m_courseTime->setStyleSheet(
        "\nQLabel{\n    font-size:15px;\n    color: rgb(102, 102, 102);\n    border-bottom:no;\n}\n\n");
    horizontalLayout->addWidget(m_courseTime);

    m_treeView = new VideoTreeView(this);
    m_treeView->setObjectName("treeView");
    m_label = new QLabel(this);
    m_label->setObjectName("label");
    m_tipLabel = new QLabel(this);
    m_tipLabel->setObjectName("tipLabel");
    auto *verticalLayout3 = new QVBoxLayout;
    verticalLayout3->setObjectName("verticalLayout_3");
    verticalLayout3->setContentsMargins(0, 30, 0, 0);
    auto *verticalLayout4 = new QVBoxLayout;
    verticalLayout4->setObjectName("verticalLayout_4");
    // The table takes the height of the page; while it is hidden the footer sits in the middle.
    verticalLayout4->addWidget(m_treeView, 1);
    verticalLayout4->addWidget(m_label);
    verticalLayout4->addWidget(m_tipLabel);
    verticalLayout3->addLayout(verticalLayout4, 1);
    verticalLayout3->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));

    m_verticalLayout->addLayout(m_titleLayout);
    m_verticalLayout->addLayout(m_horizontalLayout2);
    m_verticalLayout->addWidget(m_horizontalWidget);
    m_verticalLayout->addLayout(verticalLayout3, 1);
}

void VideoListView::initial()
{
    m_movie = new QMovie(":/image/videoBack/wait.gif", QByteArray(), this);

    m_tipWidget = TipWidget::smallBar(this);
    m_tipWidget->move((width() - m_tipWidget->width()) / 2, (height() - m_tipWidget->height()) / 2);

    m_treeView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_treeView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_label->setEnabled(false);
    m_label->setAlignment(Qt::AlignCenter);
    m_tipLabel->setAlignment(Qt::AlignCenter);
    m_classSubjectLabel->setAlignment(Qt::AlignCenter);
    m_classSubjectLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);

    m_returnButton->setFixedSize(20, 20);
    m_returnButton->setToolTip(QStringLiteral("返回"));
    m_returnButton->setStyleSheet("QPushButton{border-image:url(:/image/videoBack/return.png);}"
                                  "QPushButton:hover{border-image:url(:/image/videoBack/returnhover.png);}");
    m_titleLabel->setStyleSheet("QLabel{\n    font-size:27px;}");
    QFont refreshFont = m_refreshButton->font();
    refreshFont.setPointSize(9);
    m_refreshButton->setFont(refreshFont);
    m_refreshButton->setFixedSize(27, 27);
    m_refreshButton->setToolTip(QStringLiteral("刷新"));
    m_refreshButton->setStyleSheet(refreshStyle);
    m_classSubjectLabel->setStyleSheet(
        "QLabel{border:1px solid #0081ff;border-radius:2px;color:#0081ff;font-size:10pt;padding:1px 4px;}");
    m_courseName->setStyleSheet("QLabel{\n    font-size:20px;\n    color:#333333;\n}");
    m_delButton->setFixedSize(50, 25);
    m_delButton->setStyleSheet("QPushButton{\n    border:none;\n    color:white;\n    background-color:#ff0000;}\n"
                               "QPushButton::disabled{\n    background-color:#ffb2b2;}");
    QFont treeFont("Agency FB");
    treeFont.setPointSize(10);
    m_treeView->setFont(treeFont);
    m_treeView->setStyleSheet("QTreeView::item{height:50px;}QTreeView{font-size:15px;}");
    m_treeView->verticalScrollBar()->setStyleSheet(
        "QScrollBar:vertical{width:8px;background:rgba(0,0,0,0%);padding-top:0px;padding-bottom:0px;}"
        "QScrollBar::handle:vertical{min-height:30px;max-height:100px;background:rgba(0,0,0,20%);border-radius:4px;}"
        "QScrollBar::handle:vertical:hover{background:rgba(0,0,0,50%);}"
        "QScrollBar::handle:vertical:pressed{background:rgba(0,0,0,40%);}"
        "QScrollBar::add-line:vertical{background-color:transparent}"
        "QScrollBar::sub-line:vertical{background-color:transparent}");

    if (g_httpClientManager) {
        connect(g_httpClientManager, &HttpClientManager::signalReviewLessonProtocol, this,
            &VideoListView::slotReviewLessonProtocol);
        connect(g_httpClientManager, &HttpClientManager::signalReviewDeleteProtocol, this,
            &VideoListView::slotReviewDeleteProtocol);
    } else {
        qWarning() << "the http client manager is not created, the lesson list cannot load!";
    }
    connect(m_treeView, &VideoTreeView::signalButtonClicked, this, &VideoListView::signalVideoOpenButtonClicked);
    connect(m_treeView, &VideoTreeView::signalCurrentItemChange, this, &VideoListView::slotCurrentItemChange);
    connect(m_treeView, &VideoTreeView::signalResetSort, this, &VideoListView::slotResetSort, Qt::UniqueConnection);
    connect(m_delButton, &QPushButton::clicked, this, &VideoListView::slotDelButtonClicked);
    connect(m_returnButton, &QPushButton::clicked, this, &VideoListView::signalReturnButtonClicked);
    connect(
        m_treeView, &VideoTreeView::signalReachBottom, this, &VideoListView::slotBottomChange, Qt::UniqueConnection);
    connect(m_delButton, &QPushButton::clicked, this, &VideoListView::signalReturnButtonClicked);
    connect(m_refreshButton, &QPushButton::clicked, this, &VideoListView::slotRefresh);

    // Nothing in this client offers deleting a recorded lesson.
    m_delButton->hide();
    m_loaded = false;
    setEndType(EndLoadMore);
}

void VideoListView::setPrompt(TransferFilePrompt *prompt)
{
    m_prompt.reset(prompt);
}

void VideoListView::setGroupInfo(const GroupInfo &info)
{
    m_groupInfo = info;
    m_title = info.getTitle();
    m_subjectName = info.getSubjectName();
    m_planBeginTime = info.getPlanBeginTime();
    m_planEndTime = info.getPlanEndTime();
}

GroupInfo VideoListView::lessonFromMap(const QMap<QString, QVariant> &map)
{
    GroupInfo info;
    info.setId(QString::number(map.value("id").toLongLong()));
    info.setTitle(StringUtil::jsonText(map.value("title")));
    info.setBeginTime(StringUtil::jsonText(map.value("beginTime")));
    info.setActualTime(StringUtil::jsonText(map.value("actualTime")));
    info.setGradeName(StringUtil::jsonText(map.value("gradeName")));
    info.setClassName(StringUtil::jsonText(map.value("className")));
    info.setSubjectName(StringUtil::jsonText(map.value("subjectName")));
    info.setTeacherId(StringUtil::jsonText(map.value("teacherId")));
    info.setTeacherName(StringUtil::jsonText(map.value("teacherName")));
    info.setVideoId(StringUtil::jsonText(map.value("videoId")));
    info.setParentId(map.value("parentId").toInt());
    info.setStatus(map.value("status").toInt());
    info.setIsParent(map.value("isParent").toInt());
    info.setIsCanLook(map.value("isCanLook").toInt() != 0);
    info.setLessonType(map.value("lessonType").toInt());
    return info;
}

void VideoListView::requestLessonList(int pageIndex)
{
    if (!m_requestFree) {
        if (pageIndex == 1)
            m_reloadPending = true;
        return;
    }
    if (!g_httpClientManager) {
        qWarning() << "the http client manager is not created! pageIndex:" << pageIndex;
        return;
    }
    m_requestFree = false;
    g_httpClientManager->sendLessonList(m_groupInfo.getId(), QString::number(m_groupInfo.getLessonType()),
        QString::number(m_groupInfo.getStatus()), QString::number(m_groupInfo.getIsParent()), pageIndex,
        m_lessons.size(), m_sortText);
}

void VideoListView::slotReviewLessonProtocol(const QString &reply)
{
    qInfo() << "lessonList reply, page:" << m_pageIndex;
    m_requestFree = true;
    if (m_reloadPending) {
        m_reloadPending = false;
        qInfo() << "the reply of the request before the reload is dropped";
        requestLessonList(1);
        return;
    }
    const ListReply read = ListReply::read(reply);
    switch (read.kind) {
    case ListReply::Rows: {
        QList<GroupInfo> lessons;
        for (const QMap<QString, QVariant> &row : read.rows)
            lessons.append(lessonFromMap(row));
        if (lessons.isEmpty())
            setEndType(EndNoMore);
        if (lessons.size() < fullPageSize)
            m_serverPaging = false;
        showLessonList(lessons);
        break;
    }
    case ListReply::Expired:
        showNetError();
        startReLogin();
        if (read.isList) {
            showLessonList(QList<GroupInfo>());
            // The empty table comes back, but its footer tells of the failed load, not of an empty series.
            setEndType(EndNetError);
        }
        break;
    case ListReply::Refused:
        // The load ends with the error footer rather than loading for ever.
        qWarning() << "the lesson list was refused! loginStatus:" << read.loginStatus << "body:" << read.body;
        showNetError();
        break;
    case ListReply::Malformed:
        qWarning() << "the lesson list reply has the wrong shape! reply:" << reply.left(200);
        showNetError();
        break;
    case ListReply::Unreadable:
        if (g_httpTipMessage)
            g_httpTipMessage->slotShow();
        showNetError();
        break;
    }
}

void VideoListView::showNetError()
{
    m_treeView->hide();
    setEndType(EndNetError);
}

void VideoListView::startReLogin()
{
    qWarning() << "reLogin";
    emit signalReLoginOut();
}

void VideoListView::addLessons(int from, int to)
{
    for (int i = from; i < to && i < m_lessons.size(); ++i)
        m_treeView->addRow(m_lessons.at(i));
}

void VideoListView::showLessonList(const QList<GroupInfo> &lessons)
{
    if (m_pageIndex != 1) {
        if (!lessons.isEmpty())
            m_lessons.append(lessons);
        insertMoreData();
        return;
    }
    m_treeView->clearRows();
    m_treeView->show();
    m_classSubjectLabel->setText(m_subjectName);
    m_courseName->setText(StringUtil::clippedText(m_title));
    m_courseTime->setText(QStringLiteral("系列课时间：%1 至 %2").arg(m_planBeginTime, m_planEndTime));
    connect(
        m_treeView, &VideoTreeView::signalReachBottom, this, &VideoListView::slotBottomChange, Qt::UniqueConnection);
    m_lessons = lessons;
    if (m_lessons.size() <= batchSize) {
        addLessons(0, m_lessons.size());
        setEndType(EndNoMore);
    } else if (height() < tallHeight) {
        m_batchIndex = 0;
        addLessons(0, batchSize);
        setEndType(EndLoadMore);
    } else {
        m_batchIndex = 1;
        if (m_lessons.size() < 2 * batchSize) {
            addLessons(0, m_lessons.size());
            setEndType(EndNoMore);
        } else {
            addLessons(0, 2 * batchSize);
            setEndType(EndLoadMore);
        }
    }
}

void VideoListView::insertMoreData()
{
    ++m_batchIndex;
    const int start = m_batchIndex * batchSize;
    if (m_lessons.size() - start < batchSize + 1) {
        addLessons(start, m_lessons.size());
        setEndType(EndNoMore);
    } else {
        addLessons(start, start + batchSize);
        setEndType(EndLoadMore);
    }
}

void VideoListView::slotBottomChange()
{
    // While a page is on its way the end counts once: a second end would skip the page after it.
    if (m_serverPaging && !m_requestFree)
        return;
    if (!m_lessons.isEmpty())
        ++m_pageIndex;
    if (m_serverPaging)
        requestLessonList(m_pageIndex);
    else
        insertMoreData();
}

void VideoListView::setEndType(int type)
{
    m_endType = type;
    switch (type) {
    case EndLoadMore:
        m_movie->stop();
        m_tipLabel->hide();
        m_label->setText(QStringLiteral("加载更多"));
        break;
    case EndLoading:
        m_tipLabel->setMovie(m_movie);
        m_tipLabel->show();
        m_movie->start();
        m_label->setText(QStringLiteral("正在加载..."));
        break;
    case EndNoMore:
        m_movie->stop();
        m_tipLabel->hide();
        m_label->setText(QStringLiteral("没有更多了"));
        break;
    case EndNetError:
        m_movie->stop();
        m_tipLabel->hide();
        m_label->setText(QStringLiteral("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！"));
        break;
    default:
        break;
    }
}

void VideoListView::reload()
{
    disconnect(m_treeView, &VideoTreeView::signalReachBottom, this, &VideoListView::slotBottomChange);
    m_lessons.clear();
    m_treeView->hide();
    m_treeView->clearRows();
    m_pageIndex = 1;
    m_serverPaging = true;
    setEndType(EndLoading);
    requestLessonList(1);
}

void VideoListView::slotRefresh()
{
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() <= m_refreshIntervalMs) {
        m_tipWidget->showTip(QStringLiteral(" 请勿频繁点击!"), refreshTipSeconds);
        return;
    }
    m_lastRefresh.start();
    reload();
}

void VideoListView::slotResetSort()
{
    QMutexLocker locker(&m_sortMutex);
    m_sortText = m_sortText == QLatin1String("0") ? QStringLiteral("1") : QStringLiteral("0");
    setEndType(EndLoading);
    m_lessons.clear();
    m_treeView->hide();
    m_treeView->clearRows();
    m_pageIndex = 1;
    m_serverPaging = true;
    requestLessonList(1);
}

void VideoListView::slotCurrentItemChange(const QString &videoId)
{
    m_selectedVideoId = videoId;
    m_delButton->setEnabled(!videoId.isEmpty());
}

void VideoListView::slotDelButtonClicked()
{
    if (m_selectedVideoId.isEmpty())
        return;
    const QString videoId = m_selectedVideoId;
    if (!m_prompt->question(this, QStringLiteral("提示"), QStringLiteral("是否删除视频?"), QStringLiteral("确定"),
            QStringLiteral("取消")))
        return;
    if (g_httpClientManager)
        g_httpClientManager->sendDeleteVideo(videoId);
}

void VideoListView::slotReviewDeleteProtocol(const QString &reply)
{
    QString loginStatus = QStringLiteral("0");
    JsonRows rows;
    const bool parsed = StringUtil::httpJsonToList(reply, rows, loginStatus);
    if (parsed && loginStatus != QLatin1String("0")) {
        startReLogin();
        return;
    }
    const bool done = parsed && !rows.isEmpty() && rows.last().value("result").toInt() != 0;
    if (!done)
        m_prompt->information(this, QStringLiteral("提示"), QStringLiteral("删除失败"));
    m_pageIndex = 1;
    m_serverPaging = true;
    m_lessons.clear();
    m_treeView->clearRows();
    requestLessonList(1);
}

void VideoListView::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        reload();
    }
    QWidget::showEvent(event);
}

void VideoListView::resizeEvent(QResizeEvent *event)
{
    // Only rows already received are added; the footer of a load under way or of an error stays.
    if (m_treeView->videoModel()->rowCount() < m_lessons.size())
        insertMoreData();
    QWidget::resizeEvent(event);
}

void VideoListView::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
}
