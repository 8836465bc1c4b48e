// The lesson list of a recorded series over the fake HTTP server: batches of rows as the table is scrolled to its
// end, server pages, the footer, reloads and their throttles, the open and return buttons, failed replies and
// the delete that the view keeps hidden.
#include "tests/class/reviewtestsupport.h"
#include "vrek/class/videolistview.h"
#include "vrek/class/videoopenbutton.h"
#include "vrek/class/videotreemodel.h"
#include "vrek/class/videotreeview.h"
#include "vrek/viewui/tipwidget.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray lessonPath = "/mobile/lessonList";
const QByteArray deletePath = "/mobile/delVideo";
const QString more = QStringLiteral("加载更多");
const QString loading = QStringLiteral("正在加载...");
const QString noMore = QStringLiteral("没有更多了");
const QString netError = QStringLiteral("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！");

GroupInfo series()
{
    GroupInfo info;
    info.setId("77");
    info.setTitle("三年级数学");
    info.setSubjectName("数学");
    info.setLessonType(4);
    info.setStatus(2);
    info.setIsParent(1);
    info.setPlanBeginTime("2020年09月01日");
    info.setPlanEndTime("2020年12月31日");
    return info;
}

// Pages of the series by page index; an index beyond them answers an empty page.
void servePages(FakeHttpServer &server, const QList<QJsonArray> &pages, int delayMs = 0)
{
    server.setHandler(lessonPath, [pages, delayMs](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = listReply(pages.value(request.form.value("pageIndex").toInt() - 1));
        reply.delayMs = delayMs;
        return reply;
    });
}

int rows(const VideoListView &view)
{
    return view.treeView()->videoModel()->rowCount();
}

// Scrolls the table to its end as the user does.
void scrollToEnd(VideoListView &view)
{
    QScrollBar *bar = view.treeView()->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(0);
    bar->setValue(bar->maximum());
}
} // namespace

class TestVideoListView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void formAndNothingBeforeShow();
    void sevenLessons();
    void thirtyFiveInAShortView();
    void twentyInATallView();
    void resizeAddsABatch();
    void resizeKeepsTheFooterOfALoadOrAnError();
    void refreshIsThrottled();
    void sortHeaderFlipsTheOrder();
    void oneRequestAtATime();
    void openAndReturnButtons();
    void failedReplies_data();
    void failedReplies();
    void newSeriesLoadsOnTheNextShow();
    void deleteAsksAndReloads_data();
    void deleteAsksAndReloads();
    void deleteAnsweredNo();

private:
    VideoListView *makeView(int height);

    NetworkEngineThread *m_network = nullptr;
    ReviewHttp *m_http = nullptr;
    FakePrompt *m_prompt = nullptr;
    QSignalSpy *m_reLogin = nullptr;
};

void TestVideoListView::initTestCase()
{
    m_network = new NetworkEngineThread;
}

void TestVideoListView::cleanupTestCase()
{
    delete m_network;
}

void TestVideoListView::init()
{
    g_userId = "901";
    g_loginSignId = "sign9";
    m_http = new ReviewHttp;
    QVERIFY(m_http->server.port() != 0);
}

void TestVideoListView::cleanup()
{
    delete m_reLogin;
    m_reLogin = nullptr;
    delete m_http;
    m_http = nullptr;
}

VideoListView *TestVideoListView::makeView(int height)
{
    auto *view = new VideoListView;
    m_prompt = new FakePrompt;
    view->setPrompt(m_prompt);
    view->setGroupInfo(series());
    view->resize(1000, height);
    m_reLogin = new QSignalSpy(view, &VideoListView::signalReLoginOut);
    return view;
}

void TestVideoListView::formAndNothingBeforeShow()
{
    QScopedPointer<VideoListView> view(makeView(500));
    QVERIFY(!view->isLoaded());
    QCOMPARE(view->returnButton()->toolTip(), QString("返回"));
    QCOMPARE(view->returnButton()->size(), QSize(20, 20));
    QCOMPARE(view->refreshButton()->toolTip(), QString("刷新"));
    QCOMPARE(view->refreshButton()->size(), QSize(27, 27));
    QCOMPARE(view->delButton()->size(), QSize(50, 25));
    QVERIFY(view->delButton()->isHidden());
    QVERIFY(!view->footerLabel()->isEnabled());
    QCOMPARE(view->tipWidget()->size(), QSize(112, 35));
    QCOMPARE(view->courseTime()->text(), QString("系列课时间："));
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(lessonPath), 0);
}

void TestVideoListView::sevenLessons()
{
    servePages(m_http->server, { lessonsJson(7) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QVERIFY(view->isLoaded());
    QCOMPARE(view->footerLabel()->text(), loading);
    QVERIFY(view->tipLabel()->isVisible());
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    const QMap<QString, QString> fields { { "id", "77" }, { "lessonType", "4" }, { "status", "2" }, { "isParent", "1" },
        { "loginSignId", "sign9" }, { "userId", "901" }, { "pageIndex", "1" }, { "countIndex", "0" },
        { "sortByTimes", "0" } };
    QCOMPARE(m_http->server.lastRequest(lessonPath).form, fields);
    QTRY_COMPARE(rows(*view), 7);
    QCOMPARE(view->footerLabel()->text(), noMore);
    QVERIFY(!view->tipLabel()->isVisible());
    QVERIFY(view->treeView()->isVisible());
    QCOMPARE(view->classSubjectLabel()->text(), QString("数学"));
    QCOMPARE(view->courseName()->text(), QString("三年级数学"));
    QCOMPARE(view->courseTime()->text(), QString("系列课时间：2020年09月01日 至 2020年12月31日"));
    QCOMPARE(view->receivedLessons().first().getId(), QString("7001"));
    QCOMPARE(view->receivedLessons().first().getParentId(), 77);
    QVERIFY(view->receivedLessons().first().getIsCanLook());
    QVERIFY(!view->serverPaging());

    view->slotBottomChange();
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(lessonPath), 1);
    QCOMPARE(rows(*view), 7);
    QCOMPARE(view->footerLabel()->text(), noMore);
}

void TestVideoListView::thirtyFiveInAShortView()
{
    servePages(m_http->server, { lessonsJson(35) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 10);
    QCOMPARE(view->footerLabel()->text(), more);
    // A full page: there may be more on the server.
    QVERIFY(view->serverPaging());

    scrollToEnd(*view);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.requestCount(lessonPath), 2);
    const FakeHttpServer::Request second = m_http->server.lastRequest(lessonPath);
    QCOMPARE(second.form.value("pageIndex"), QString("2"));
    QCOMPARE(second.form.value("countIndex"), QString("35"));
    // Page 2 brings nothing: the next received batch shows.
    QTRY_COMPARE(rows(*view), 20);
    QCOMPARE(view->footerLabel()->text(), more);
    QVERIFY(!view->serverPaging());

    scrollToEnd(*view);
    QTRY_COMPARE(rows(*view), 30);
    QCOMPARE(view->footerLabel()->text(), more);
    scrollToEnd(*view);
    QTRY_COMPARE(rows(*view), 35);
    QCOMPARE(view->footerLabel()->text(), noMore);
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(lessonPath), 2);
    QCOMPARE(view->treeView()->videoModel()->index(34, VideoTreeModel::NumberColumn).data().toInt(), 35);
    QCOMPARE(
        view->treeView()->videoModel()->index(34, VideoTreeModel::TitleColumn).data().toString(), QString("第35课"));
}

void TestVideoListView::twentyInATallView()
{
    servePages(m_http->server, { lessonsJson(20), lessonsJson(3, 21) });
    QScopedPointer<VideoListView> view(makeView(700));
    view->show();
    QTRY_COMPARE(rows(*view), 20);
    QCOMPARE(view->footerLabel()->text(), more);
    scrollToEnd(*view);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("2"));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("countIndex"), QString("20"));
    QTRY_COMPARE(rows(*view), 23);
    QCOMPARE(view->footerLabel()->text(), noMore);
}

void TestVideoListView::resizeAddsABatch()
{
    servePages(m_http->server, { lessonsJson(35) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 10);
    view->resize(1000, 520);
    QTRY_COMPARE(rows(*view), 20);
    QCOMPARE(view->footerLabel()->text(), more);
    view->resize(1000, 540);
    view->resize(1000, 560);
    QTRY_COMPARE(rows(*view), 35);
    QCOMPARE(view->footerLabel()->text(), noMore);
    // Nothing left to add: a resize changes nothing.
    view->resize(1000, 580);
    QVERIFY(requestsSettled());
    QCOMPARE(rows(*view), 35);
    QCOMPARE(view->footerLabel()->text(), noMore);
}

void TestVideoListView::resizeKeepsTheFooterOfALoadOrAnError()
{
    servePages(m_http->server, { lessonsJson(7) }, 500);
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    // A shown window takes its resize at once.
    view->resize(1000, 540);
    QCOMPARE(view->footerLabel()->text(), loading);
    QTRY_COMPARE(rows(*view), 7);

    m_http->server.setJson(lessonPath, "<html>busy</html>");
    view->setRefreshInterval(0);
    view->slotRefresh();
    QTRY_COMPARE(view->footerLabel()->text(), netError);
    view->resize(1000, 500);
    QVERIFY(requestsSettled());
    QCOMPARE(view->footerLabel()->text(), netError);
}

void TestVideoListView::refreshIsThrottled()
{
    servePages(m_http->server, { lessonsJson(7) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->setRefreshInterval(400);
    view->show();
    QTRY_COMPARE(rows(*view), 7);
    QCOMPARE(m_http->server.requestCount(lessonPath), 1);

    // The first press is accepted whatever the show did.
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    QCOMPARE(view->footerLabel()->text(), loading);
    QVERIFY(!view->treeView()->isVisible());
    QCOMPARE(rows(*view), 0);
    QTRY_COMPARE(rows(*view), 7);
    QCOMPARE(m_http->server.requestCount(lessonPath), 2);
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("countIndex"), QString("0"));

    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    QVERIFY(view->tipWidget()->isVisible());
    QCOMPARE(view->tipWidget()->text(), QString(" 请勿频繁点击!"));
    QCOMPARE(rows(*view), 7);
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(lessonPath), 2);

    QTest::qWait(400);
    QTest::mouseClick(view->refreshButton(), Qt::LeftButton);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.requestCount(lessonPath), 3);
}

void TestVideoListView::sortHeaderFlipsTheOrder()
{
    servePages(m_http->server, { lessonsJson(7) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->treeView()->setSortInterval(0);
    view->show();
    QTRY_COMPARE(rows(*view), 7);
    QHeaderView *header = view->treeView()->header();
    const QPoint time(header->sectionViewportPosition(VideoTreeModel::TimeColumn) + 5, 5);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
    QCOMPARE(view->footerLabel()->text(), loading);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("sortByTimes"), QString("1"));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("1"));
    QTRY_COMPARE(rows(*view), 7);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("sortByTimes"), QString("0"));
    QTRY_COMPARE(rows(*view), 7);
    QCOMPARE(view->sortText(), QString("0"));
}

void TestVideoListView::oneRequestAtATime()
{
    servePages(m_http->server, { lessonsJson(20), lessonsJson(20, 21), lessonsJson(5, 41) }, 300);
    QScopedPointer<VideoListView> view(makeView(700));
    view->setRefreshInterval(0);
    view->show();
    QTRY_COMPARE(rows(*view), 20);

    scrollToEnd(*view);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("2"));
    // The end reached again while page 2 is on its way counts once: page 3 comes next, not page 4.
    view->slotBottomChange();
    QCOMPARE(view->pageIndex(), 2);
    QTRY_COMPARE(rows(*view), 30);
    scrollToEnd(*view);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("3"));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("countIndex"), QString("40"));

    // A refresh while page 3 is on its way: that page is not taken for the new list, page 1 is asked for.
    view->slotRefresh();
    QCOMPARE(m_http->client->pendingCount(), 1);
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("1"));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("countIndex"), QString("0"));
    QTRY_COMPARE(rows(*view), 20);
    QCOMPARE(view->receivedLessons().size(), 20);
    QCOMPARE(view->receivedLessons().first().getTitle(), QString("第1课"));
}

void TestVideoListView::openAndReturnButtons()
{
    servePages(m_http->server, { lessonsJson(3) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 3);
    QSignalSpy opened(view.data(), &VideoListView::signalVideoOpenButtonClicked);
    QSignalSpy returned(view.data(), &VideoListView::signalReturnButtonClicked);
    auto *button = qobject_cast<VideoOpenButton *>(
        view->treeView()->indexWidget(view->treeView()->videoModel()->index(1, VideoTreeModel::ButtonColumn)));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.first().first().value<GroupInfo>().getVideoId(), QString("v2"));
    QTest::mouseClick(view->returnButton(), Qt::LeftButton);
    QCOMPARE(returned.count(), 1);
}

void TestVideoListView::failedReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("tip");
    QTest::addColumn<bool>("reLogin");
    QTest::addColumn<bool>("tableShown");
    QTest::newRow("not json") << QByteArray("<html>busy</html>") << true << false << false;
    QTest::newRow("time-out") << QByteArray("error") << true << false << false;
    QTest::newRow("text, session expired") << textReply("1") << false << true << false;
    // Refused for another reason: the load ends with the error footer rather than loading for ever.
    QTest::newRow("text, refused") << textReply("0") << false << false << false;
    QTest::newRow("list, session expired") << listReply(lessonsJson(3), "2") << false << true << true;
    // JSON of another shape is the server's error: the footer tells of it, not the missing-page tip.
    QTest::newRow("list sent as an object")
        << QByteArray(R"({"loginStatus":"0","requestStatus":"success","requestBody":{"id":1}})") << false << false
        << false;
    QTest::newRow("bare array") << QByteArray(R"([{"id":1}])") << false << false << false;
    QTest::newRow("object without a wrapper") << QByteArray(R"({"rows":[]})") << false << false << false;
}

void TestVideoListView::failedReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, tip);
    QFETCH(bool, reLogin);
    QFETCH(bool, tableShown);
    m_http->server.setJson(lessonPath, reply);
    QSignalSpy tipShown(m_http->tip, &httpTipMessage::signalShows);
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(view->footerLabel()->text(), netError);
    QCOMPARE(tipShown.count(), tip ? 1 : 0);
    QCOMPARE(m_reLogin->count(), reLogin ? 1 : 0);
    QCOMPARE(view->treeView()->isVisible(), tableShown);
    QCOMPARE(rows(*view), 0);
    QVERIFY(!view->tipLabel()->isVisible());

    // The next press loads again.
    servePages(m_http->server, { lessonsJson(2) });
    view->slotRefresh();
    QTRY_COMPARE(rows(*view), 2);
}

void TestVideoListView::newSeriesLoadsOnTheNextShow()
{
    servePages(m_http->server, { lessonsJson(4) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 4);
    view->hide();
    view->show();
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(lessonPath), 1);

    view->hide();
    GroupInfo other = series();
    other.setId("78");
    view->setGroupInfo(other);
    view->setLoaded(false);
    view->show();
    QVERIFY(m_http->server.waitForRequest(lessonPath));
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("id"), QString("78"));
}

void TestVideoListView::deleteAsksAndReloads_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("informations");
    const QStringList failed { "提示|删除失败" };
    QTest::newRow("done") << listReply(QJsonArray { QJsonObject { { "result", 1 } } }) << QStringList();
    QTest::newRow("refused") << listReply(QJsonArray { QJsonObject { { "result", 0 } } }) << failed;
    QTest::newRow("unreadable") << QByteArray("<html/>") << failed;
}

void TestVideoListView::deleteAsksAndReloads()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, informations);
    servePages(m_http->server, { lessonsJson(3) });
    m_http->server.setJson(deletePath, reply);
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 3);
    QVERIFY(!view->delButton()->isVisible());
    QSignalSpy returned(view.data(), &VideoListView::signalReturnButtonClicked);
    view->treeView()->setCurrentIndex(view->treeView()->videoModel()->index(2, VideoTreeModel::TitleColumn));
    QCOMPARE(view->selectedVideoId(), QString("v3"));
    QVERIFY(view->delButton()->isEnabled());

    view->delButton()->click();
    QCOMPARE(m_prompt->questions, QStringList { "提示|是否删除视频?|确定|取消" });
    QCOMPARE(returned.count(), 1);
    QTRY_COMPARE(m_http->server.requestCount(deletePath), 1);
    const QMap<QString, QString> fields { { "videoId", "v3" }, { "loginSignId", "sign9" }, { "userId", "901" } };
    QCOMPARE(m_http->server.lastRequest(deletePath).form, fields);
    QTRY_COMPARE(m_http->server.requestCount(lessonPath), 2);
    QCOMPARE(m_http->server.lastRequest(lessonPath).form.value("pageIndex"), QString("1"));
    QCOMPARE(m_prompt->informations, informations);
    QTRY_COMPARE(rows(*view), 3);
}

void TestVideoListView::deleteAnsweredNo()
{
    servePages(m_http->server, { lessonsJson(3) });
    QScopedPointer<VideoListView> view(makeView(500));
    view->show();
    QTRY_COMPARE(rows(*view), 3);
    view->treeView()->setCurrentIndex(view->treeView()->videoModel()->index(1, VideoTreeModel::TitleColumn));
    view->treeView()->setCurrentIndex(QModelIndex());
    QVERIFY(!view->delButton()->isEnabled());
    view->slotDelButtonClicked();
    QVERIFY(m_prompt->questions.isEmpty());

    view->treeView()->setCurrentIndex(view->treeView()->videoModel()->index(0, VideoTreeModel::TitleColumn));
    m_prompt->yes = false;
    view->slotDelButtonClicked();
    QCOMPARE(m_prompt->questions.size(), 1);
    QVERIFY(requestsSettled());
    QCOMPARE(m_http->server.requestCount(deletePath), 0);
}

QTEST_MAIN(TestVideoListView)
#include "tst_videolistview.moc"
