// The recorded-lessons page over the fake HTTP server: its tabs by user type, the series cards and their keys,
// paging, refusals and expired sessions, the refresh throttle, the turn to a series' lessons, opening a lesson in
// the player while the course list hides, and its place on the course-list window with the recordings' uploads.
#include "tests/class/reviewtestsupport.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/mediabutton.h"
#include "vrek/class/transferrecordview.h"
#include "vrek/class/uploadbutton.h"
#include "vrek/class/videobackview.h"
#include "vrek/class/videolistview.h"
#include "vrek/class/videoplayview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QByteArray reviewPath = "/mobile/courseReview";
const QByteArray lessonPath = "/mobile/lessonList";
const QByteArray videoPath = "/lesson/review/getVideoUrl";
const QString netError = QStringLiteral("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！");

QJsonArray seriesJson(int count, int first = 1)
{
    QJsonArray series;
    for (int i = first; i < first + count; ++i) {
        series.append(QJsonObject { { "id", 600 + i }, { "title", QString("系列%1").arg(i) }, { "subjectName", "数学" },
            { "teacherName", "王老师" }, { "planBeginTime", "2020-09-01 08:00:00" },
            { "planEndTime", "2020-12-31 18:00:00" }, { "lessonType", 4 }, { "status", 2 }, { "isParent", 1 } });
    }
    return series;
}

QStringList tabLabels(VideobackView &view)
{
    QStringList labels;
    for (int i = 0; i < view.tabWidget()->count(); ++i)
        labels << view.tabWidget()->tabText(i) + "=" + view.pages().at(i)->lessonType();
    return labels;
}
} // namespace

class TestVideobackView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void tabsByUserType_data();
    void tabsByUserType();
    void formAndNoRequestAtConstruction();
    void seriesKeys();
    void fullPageAsksForTheNext();
    void emptyReply();
    void failedReplies_data();
    void failedReplies();
    void refreshThrottle();
    void refreshReloadsThePageOfTheFilter_data();
    void refreshReloadsThePageOfTheFilter();
    void seriesOpensItsLessons();
    void openingALessonHidesTheWindowUntilThePlayerCloses();
    void recordingsWindowFollowsThePage();
    void uploadButtonShowsTheRecordings();
    void marginsFollowTheSize();
    void playPageOfTheCourseListWindow();
    void courseListWindowShowAndCloseDriveTheUploads();

private:
    NetworkEngineThread *m_network = nullptr;
    ReviewHttp *m_http = nullptr;
    // The course-list window looks for recordings in the working folder.
    TempWorkDir *m_dir = nullptr;
};

void TestVideobackView::initTestCase()
{
    m_network = new NetworkEngineThread;
    QVERIFY(DBManager::dbFileInitial());
}

void TestVideobackView::cleanupTestCase()
{
    delete m_network;
}

void TestVideobackView::init()
{
    g_userId = "901";
    g_loginSignId = "sign9";
    g_userType = 0;
    g_lessonTypeFilter = -1;
    m_dir = new TempWorkDir;
    m_http = new ReviewHttp;
    QVERIFY(m_http->server.port() != 0);
}

void TestVideobackView::cleanup()
{
    delete m_http;
    m_http = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestVideobackView::tabsByUserType_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<bool>("uploadButton");
    QTest::newRow("0") << 0 << QStringList { "全部=all", "校内=4", "校外=8" } << true;
    QTest::newRow("1") << 1 << QStringList { "全部=all", "校内=0", "校外=2" } << false;
    for (int type = 2; type <= 5; ++type)
        QTest::newRow(qPrintable(QString::number(type))) << type << QStringList() << false;
}

void TestVideobackView::tabsByUserType()
{
    QFETCH(int, userType);
    QFETCH(QStringList, tabs);
    QFETCH(bool, uploadButton);
    g_userType = userType;
    VideobackView view;
    view.show();
    QCOMPARE(tabLabels(view), tabs);
    for (ClassListWidget *page : view.pages())
        QCOMPARE(page->cardMode(), int(ClassInfoWidget::SeriesMode));
    QCOMPARE(view.uploadButton()->isVisible(), uploadButton);
}

void TestVideobackView::formAndNoRequestAtConstruction()
{
    VideobackView view;
    view.show();
    QCOMPARE(view.stackedWidget()->currentIndex(), int(VideobackView::SeriesFace));
    QCOMPARE(view.uploadButton()->text(), QString("录屏上传"));
    QCOMPARE(view.uploadButton()->size(), QSize(100, 35));
    QCOMPARE(view.refreshButton()->toolTip(), QString("刷新"));
    QCOMPARE(view.refreshButton()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(view.tipWidget()->size(), QSize(112, 35));
    QVERIFY(view.tabWidget()->documentMode());
    QCOMPARE(view.recordFrame()->title(), QString("录屏上传"));
    QCOMPARE(view.recordFrame()->titleFlags(), 70);
    QVERIFY(view.recordFrame()->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(view.playFrame()->title(), QString("课程回看"));
    QCOMPARE(view.playFrame()->titleFlags(), 64);
    QCOMPARE(view.playFrame()->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(view.playFrame()->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(view.videoListView()->parentWidget()->objectName(), QString("page_2"));
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(reviewPath), 0);
    QCOMPARE(m_http->server.requestCount(lessonPath), 0);
}

void TestVideobackView::seriesKeys()
{
    QJsonObject full { { "id", qint64(12345678901) }, { "title", "三年级数学" }, { "beginTime", "2020-09-01 08:00:00" },
        { "actualTime", "45" }, { "gradeName", "三年级" }, { "className", "二班" }, { "subjectName", "数学" },
        { "teacherId", 901 }, { "teacherName", "王老师" }, { "videoId", "v9" },
        { "planBeginTime", "2020-09-01 08:00:00" }, { "planEndTime", "2020-12-31 18:30:00" }, { "status", 2 },
        { "isParent", 1 }, { "isCanLook", 1 }, { "lessonType", 8 }, { "parentId", 5 } };
    QJsonObject malformed { { "id", 2 }, { "planBeginTime", "2020/09/01" }, { "isCanLook", 0 } };
    m_http->server.setJson(reviewPath, listReply({ full, malformed, QJsonObject {} }));
    VideobackView view;
    view.refreshCurrentTab();
    ClassListWidget *page = view.pages().first();
    QTRY_COMPARE(page->cards().size(), 3);
    const GroupInfo info = page->cards().at(0)->groupInfo();
    QCOMPARE(info.getId(), QString("12345678901"));
    QCOMPARE(info.getTitle(), QString("三年级数学"));
    QCOMPARE(info.getBeginTime(), QString("2020-09-01 08:00:00"));
    QCOMPARE(info.getActualTime(), QString("45"));
    QCOMPARE(info.getGradeName(), QString("三年级"));
    QCOMPARE(info.getClassName(), QString("二班"));
    QCOMPARE(info.getSubjectName(), QString("数学"));
    QCOMPARE(info.getTeacherId(), QString("901"));
    QCOMPARE(info.getTeacherName(), QString("王老师"));
    QCOMPARE(info.getVideoId(), QString("v9"));
    QCOMPARE(info.getPlanBeginTime(), QString("2020年09月01日"));
    QCOMPARE(info.getPlanEndTime(), QString("2020年12月31日"));
    QCOMPARE(info.getStatus(), 2);
    QCOMPARE(info.getIsParent(), 1);
    QVERIFY(info.getIsCanLook());
    QCOMPARE(info.getLessonType(), 8);
    QCOMPARE(info.getParentId(), 0); // not a key of a series
    const GroupInfo bad = page->cards().at(1)->groupInfo();
    QCOMPARE(bad.getPlanBeginTime(), QString());
    QCOMPARE(bad.getPlanEndTime(), QString());
    QVERIFY(!bad.getIsCanLook());
    const GroupInfo empty = page->cards().at(2)->groupInfo();
    QCOMPARE(empty.getId(), QString("0"));
    QCOMPARE(empty.getTitle(), QString());
    QCOMPARE(empty.getStatus(), 0);
}

void TestVideobackView::fullPageAsksForTheNext()
{
    m_http->server.setJson(reviewPath, listReply(seriesJson(20)));
    VideobackView view;
    view.resize(900, 700);
    view.show();
    view.tabWidget()->setCurrentIndex(1);
    QVERIFY(!view.tabWidget()->isEnabled());
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    const QMap<QString, QString> fields { { "lessonType", "4" }, { "pageIndex", "1" }, { "userId", "901" },
        { "loginSignId", "sign9" } };
    QCOMPARE(m_http->server.lastRequest(reviewPath).form, fields);
    QCOMPARE(g_lessonTypeFilter, 4);
    ClassListWidget *page = view.pages().at(1);
    QTRY_COMPARE(page->cards().size(), 20);
    QVERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(page->footerText(), QString("加载更多"));

    m_http->server.setJson(reviewPath, listReply(seriesJson(2, 21)));
    QScrollBar *bar = page->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    QCOMPARE(m_http->server.lastRequest(reviewPath).form.value("pageIndex"), QString("2"));
    QTRY_COMPARE(page->cards().size(), 22);
    QCOMPARE(page->footerText(), QString("没有更多了"));
}

void TestVideobackView::emptyReply()
{
    m_http->server.setJson(reviewPath, listReply(QJsonArray()));
    VideobackView view;
    view.refreshCurrentTab();
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(view.pages().first()->cards().size(), 0);
    QCOMPARE(view.pages().first()->footerText(), QString("没有更多了"));
}

void TestVideobackView::failedReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("tip");
    QTest::addColumn<bool>("reLogin");
    QTest::newRow("not json") << QByteArray("<html>busy</html>") << true << false;
    QTest::newRow("time-out") << QByteArray("error") << true << false;
    QTest::newRow("text, session expired") << textReply("1") << false << true;
    // The tabs stay usable rather than locked until the page is entered again.
    QTest::newRow("text, refused") << textReply("0") << false << false;
    QTest::newRow("list, session expired") << listReply(seriesJson(3), "2") << false << true;
    // JSON of another shape is the server's error: the footer tells of it, not the missing-page tip.
    QTest::newRow("list sent as an object")
        << QByteArray(R"({"loginStatus":"0","requestStatus":"success","requestBody":{"id":1}})") << false << false;
    QTest::newRow("bare array") << QByteArray(R"([{"id":1}])") << false << false;
    QTest::newRow("object without a wrapper") << QByteArray(R"({"rows":[]})") << false << false;
    QTest::newRow("body a number") << QByteArray(R"({"requestStatus":"success","requestBody":5})") << false << false;
}

void TestVideobackView::failedReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, tip);
    QFETCH(bool, reLogin);
    m_http->server.setJson(reviewPath, reply);
    QSignalSpy tipShown(m_http->tip, &httpTipMessage::signalShows);
    VideobackView view;
    QSignalSpy reLogins(&view, &VideobackView::signalReLoginOut);
    view.refreshCurrentTab();
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(tipShown.count(), tip ? 1 : 0);
    QCOMPARE(reLogins.count(), reLogin ? 1 : 0);
    for (ClassListWidget *page : view.pages()) {
        QCOMPARE(page->footerText(), netError);
        QCOMPARE(page->cards().size(), 0);
    }

    // Another tab can be chosen and loads.
    m_http->server.setJson(reviewPath, listReply(seriesJson(2)));
    view.tabWidget()->setCurrentIndex(2);
    QTRY_COMPARE(view.pages().at(2)->cards().size(), 2);
}

void TestVideobackView::refreshThrottle()
{
    m_http->server.setJson(reviewPath, listReply(seriesJson(1)));
    VideobackView view;
    view.show();
    view.setRefreshInterval(400);
    QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    QTRY_VERIFY(view.tabWidget()->isEnabled());

    QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
    QVERIFY(view.tipWidget()->isVisible());
    QCOMPARE(view.tipWidget()->text(), QString(" 请勿频繁刷新!"));
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(reviewPath), 1);

    QTest::qWait(400);
    QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    QCOMPARE(m_http->server.requestCount(reviewPath), 2);
}

void TestVideobackView::refreshReloadsThePageOfTheFilter_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("lessonType");
    QTest::newRow("all, another tab current") << 0 << -1 << "all";
    QTest::newRow("out of school") << 0 << 8 << "8";
    QTest::newRow("student, at school") << 1 << 0 << "0";
    QTest::newRow("student, out of school") << 1 << 2 << "2";
    // A filter the live-courses page left, of no tab here: the current tab.
    QTest::newRow("filter of no tab") << 0 << 6 << "4";
}

void TestVideobackView::refreshReloadsThePageOfTheFilter()
{
    QFETCH(int, userType);
    QFETCH(int, filter);
    QFETCH(QString, lessonType);
    g_userType = userType;
    m_http->server.setJson(reviewPath, listReply(seriesJson(1)));
    VideobackView view;
    {
        QSignalBlocker blocker(view.tabWidget());
        view.tabWidget()->setCurrentIndex(1);
    }
    g_lessonTypeFilter = filter;
    view.slotRefreshButtonClicked();
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    QCOMPARE(m_http->server.lastRequest(reviewPath).form.value("lessonType"), lessonType);
    QCOMPARE(view.tabWidget()->currentIndex(), 1);
}

void TestVideobackView::seriesOpensItsLessons()
{
    m_http->server.setJson(reviewPath, listReply(seriesJson(2)));
    m_http->server.setJson(lessonPath, listReply(lessonsJson(3)));
    VideobackView view;
    view.resize(1000, 600);
    view.show();
    view.refreshCurrentTab();
    ClassListWidget *page = view.pages().first();
    QTRY_COMPARE(page->cards().size(), 2);
    QPushButton *list = page->cards().at(1)->findChild<QPushButton *>("enterPushButton");
    QCOMPARE(list->text(), QString("列表"));
    QTest::mouseClick(list, Qt::LeftButton);
    QCOMPARE(view.stackedWidget()->currentIndex(), int(VideobackView::LessonFace));
    QCOMPARE(view.videoListView()->groupInfo().getId(), QString("602"));
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("id"), QString("602"));
    QTRY_COMPARE(view.videoListView()->receivedLessons().size(), 3);

    QTest::mouseClick(view.videoListView()->returnButton(), Qt::LeftButton);
    QCOMPARE(view.stackedWidget()->currentIndex(), int(VideobackView::SeriesFace));
    // The same series again loads anew.
    QTest::mouseClick(list, Qt::LeftButton);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
}

void TestVideobackView::openingALessonHidesTheWindowUntilThePlayerCloses()
{
    // The address plays nothing: the player's error box may come before the frame closes.
    MessageBoxCloser boxes;
    // The page sits in a window of its own, as on the course-list window.
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *view = new VideobackView;
    layout->addWidget(view);
    window.show();
    QJsonObject entry { { "playId", "p1" }, { "title", "第一段" }, { "videoUrl", "/nowhere/a.mp4" } };
    m_http->server.setJson(videoPath, listReply({ entry }));
    m_http->server.setJson(lessonPath, listReply(lessonsJson(2)));

    GroupInfo lesson;
    lesson.setVideoId("v77");
    view->slotVideoOpenButtonClicked(lesson);
    QVERIFY(!window.isVisible());
    QVERIFY(view->playFrame()->isVisible());
    QVERIFY(m_http->server.waitForRequest(videoPath));
    const QMap<QString, QString> fields { { "videoId", "v77" }, { "userId", "901" }, { "loginSignId", "sign9" } };
    QCOMPARE(m_http->server.lastRequest(videoPath).form, fields);
    // The reply reaches the player.
    QTRY_COMPARE(view->videoPlayView()->playListLayout()->count(), 1);
    QCOMPARE(view->videoPlayView()->url(), QString("/nowhere/a.mp4"));

    // Closing the player's frame brings the window back, and the player's list goes.
    view->playFrame()->close();
    QVERIFY(window.isVisible());
    QVERIFY(!view->playFrame()->isVisible());
    QCOMPARE(view->videoPlayView()->playListLayout()->count(), 0);
}

void TestVideobackView::recordingsWindowFollowsThePage()
{
    VideobackView view;
    view.show();
    QTest::mouseClick(view.uploadButton(), Qt::LeftButton);
    QVERIFY(view.recordFrame()->isVisible());
    view.hide();
    QVERIFY(!view.recordFrame()->isVisible());
}

void TestVideobackView::uploadButtonShowsTheRecordings()
{
    VideobackView view;
    emit view.recordView()->signalTransferProgress("a", 500);
    emit view.recordView()->signalTransferProgress("b", 1000);
    QCOMPARE(view.uploadButton()->text(), QString("75%"));
}

void TestVideobackView::marginsFollowTheSize()
{
    VideobackView view;
    view.resize(1000, 600);
    view.show();
    QTRY_COMPARE(view.size(), QSize(1000, 600));
    const QMargins margins
        = view.findChild<QWidget *>("page")->findChild<QHBoxLayout *>("titleLayout")->contentsMargins();
    QCOMPARE(QList<int>({ margins.left(), margins.top(), margins.right(), margins.bottom() }),
        QList<int>({ 20, 12, 29, 0 }));
}

void TestVideobackView::playPageOfTheCourseListWindow()
{
    m_http->server.setJson(reviewPath, listReply(seriesJson(2)));
    ClassManagerView window;
    window.show();
    QVERIFY(window.playButton()->isVisible());
    QCOMPARE(window.videobackView()->parentWidget()->objectName(), QString("playPage"));
    QTest::mouseClick(window.playButton(), Qt::LeftButton);
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::PlayPage));
    QVERIFY(m_http->server.waitForRequest(reviewPath));
    QTRY_COMPARE(window.videobackView()->pages().first()->cards().size(), 2);
    // Pressed again, the page reloads.
    QTest::mouseClick(window.classButton(), Qt::LeftButton);
    QTest::mouseClick(window.playButton(), Qt::LeftButton);
    QVERIFY(m_http->server.waitForRequest(reviewPath));
}

void TestVideobackView::courseListWindowShowAndCloseDriveTheUploads()
{
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    const QString name = "1_3101_901_20201208153000.ts";
    QVERIFY(m_dir->writeFile("media/" + name, transferPattern(2621440)));
    TransferFile stored;
    stored.setIdParts(name, "901");
    stored.setClassTitle("分数");
    QVERIFY(TransferFileDao().saveTransferFile(stored));
    FakeHttpServer files;
    QVERIFY(files.listen());
    files.setHandler("/vSocket/socket/recevieClient/uploadFile", [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = chunkAnswer(request.form.value("fileId"), "success");
        reply.delayMs = 300;
        return reply;
    });
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(files.port());

    {
        ClassManagerView window;
        TransferRecordView *records = window.videobackView()->recordView();
        window.show();
        QVERIFY(files.waitForRequest("/vSocket/socket/recevieClient/uploadFile"));
        TransferInfo row;
        row.setId(name);
        QVERIFY(records->recordTreeView()->selectRow(row));
        window.close();
        QTRY_VERIFY_WITH_TIMEOUT(
            records->recordTreeView()->selectRow(row) && row.getStatus() == TransferInfo::UploadPaused, 10000);
        QCOMPARE(files.requestCount("/vSocket/socket/recevieClient/uploadFile"), 1);
    }
    NetworkEngineThread::flush();
}

QTEST_MAIN(TestVideobackView)
#include "tst_videobackview.moc"
