#include "tests/class/reviewtestsupport.h"
#include "tests/support/fakehttpserver.h"
#include "vrek/class/classcreateview.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/selectclassview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/reloginview.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
const QByteArray coursePath = "/mobile/httpGetAttendCourseList";
const char *const timeFormat = "yyyy-MM-dd HH:mm:ss";

QJsonObject lessonJson(int id, const QDateTime &begin)
{
    return QJsonObject { { "id", id }, { "title", QString("第%1课").arg(id) },
        { "beginTime", begin.toString(timeFormat) }, { "tClass", QString("c%1").arg(id) }, { "lessonType", 4 },
        { "teacherId", 900 + id }, { "teacherName", "王老师" }, { "videoId", QString("v%1").arg(id) } };
}

QByteArray page(int count, int first = 1, const QDateTime &begin = QDateTime::currentDateTime())
{
    QJsonArray body;
    for (int i = 0; i < count; ++i)
        body.append(lessonJson(first + i, begin));
    return QJsonDocument(
        QJsonObject { { "loginStatus", "0" }, { "requestStatus", "success" }, { "requestBody", body } })
        .toJson(QJsonDocument::Compact);
}

QStringList tabLabels(SelectClassView &view)
{
    QStringList labels;
    for (int i = 0; i < view.tabWidget()->count(); ++i)
        labels << view.tabWidget()->tabText(i) + "=" + view.pages().at(i)->lessonType();
    return labels;
}

GroupInfo joinRecord(int lessonType)
{
    GroupInfo info;
    info.setId("77");
    info.setTitle("分数");
    info.setTClass("c5");
    info.setGradeName("三年级");
    info.setClassName("二班");
    info.setTeacherId("901");
    info.setTeacherName("王老师");
    info.setParentId(12);
    info.setVideoId("v77");
    info.setLessonType(lessonType);
    return info;
}
} // namespace

class TestSelectClassView : public QObject
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
    void fullPageThenLoadMore();
    void shortPageEndsTheList();
    void emptyPageAfterAFullOne();
    void replyFieldsBecomeRecords();
    void failedReplies_data();
    void failedReplies();
    void expiredSession_data();
    void expiredSession();
    void refusedReplyLeavesThePageUsable();
    void enterWindowOfTheFetchedLessons();
    void refreshThrottle();
    void slowListBeforeARefreshIsNotShownAfterIt();
    void refreshReloadsThePageOfTheLastRequest_data();
    void refreshReloadsThePageOfTheLastRequest();
    void noPagesTouchNothing();
    void tabChangeReloadsTheNewPage();
    void join_data();
    void join();
    void joinFromACard();
    void connectOutcomes();
    void coursesPushedOnTheConnectionReachEveryPage();
    void createDialogFrame();
    void marginsFollowTheSize();
    void showClearsTheBindFlag();

private:
    QThread m_networkThread;
    FakeHttpServer *m_server = nullptr;
    HttpClientManager *m_client = nullptr;
    httpTipMessage *m_tip = nullptr;
};

void TestSelectClassView::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestSelectClassView::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestSelectClassView::init()
{
    g_userId = "1001";
    g_loginSignId = "sign9";
    g_userType = 1;
    g_lessonTypeFilter = -1;
    g_networkTimeFlag = false;
    g_networkTimeOffset = 0;
    m_server = new FakeHttpServer;
    QVERIFY(m_server->listen());
    m_client = new HttpClientManager;
    m_client->setDnsUrl(m_server->hostAndPort());
    g_httpClientManager = m_client;
    m_tip = new httpTipMessage;
    g_httpTipMessage = m_tip;
}

void TestSelectClassView::cleanup()
{
    g_httpTipMessage = nullptr;
    delete m_tip;
    delete m_client;
    delete m_server;
}

void TestSelectClassView::tabsByUserType_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("0") << 0
                       << QStringList { "全部=all", "班级课=0", "Quenna课堂=2", "家长会=6", "校园讲堂=4", "校务会议=5",
                              "公开课=7", "校外辅导=8" };
    QTest::newRow("1") << 1 << QStringList { "全部=all", "校内=4", "校外=8" };
    QTest::newRow("2") << 2 << QStringList();
    QTest::newRow("5") << 5 << QStringList();
}

void TestSelectClassView::tabsByUserType()
{
    QFETCH(int, userType);
    QFETCH(QStringList, tabs);
    g_userType = userType;
    SelectClassView view;
    QCOMPARE(tabLabels(view), tabs);
    for (ClassListWidget *list : view.pages())
        QCOMPARE(list->cardMode(), 0);
}

void TestSelectClassView::formAndNoRequestAtConstruction()
{
    SelectClassView view;
    view.show();
    QVERIFY(!view.findChild<QPushButton *>("classCreateBtn")->isVisible());
    QCOMPARE(view.findChild<QPushButton *>("pushButton")->toolTip(), QString("刷新"));
    QCOMPARE(view.tipWidget()->size(), QSize(112, 35));
    QVERIFY(!view.tipWidget()->isVisible());
    QVERIFY(requestsSettled());
    QCOMPARE(m_server->requestCount(coursePath), 0);
}

void TestSelectClassView::fullPageThenLoadMore()
{
    m_server->setJson(coursePath, page(20));
    SelectClassView view;
    view.resize(900, 700);
    view.show();
    view.refreshCurrentTab();
    QVERIFY(!view.tabWidget()->isEnabled());
    QVERIFY(m_server->waitForRequest(coursePath));
    const FakeHttpServer::Request first = m_server->lastRequest(coursePath);
    const QMap<QString, QString> fields { { "lessonType", "all" }, { "pageIndex", "1" }, { "userId", "1001" },
        { "loginSignId", "sign9" } };
    QCOMPARE(first.form, fields);
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    ClassListWidget *list = view.pages().first();
    QCOMPARE(list->cards().size(), 20);
    QCOMPARE(list->footerText(), QString("加载更多"));
    QCOMPARE(g_lessonTypeFilter, -1);

    m_server->setJson(coursePath, page(20, 21));
    QScrollBar *bar = list->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QVERIFY(m_server->waitForRequest(coursePath));
    QCOMPARE(m_server->lastRequest(coursePath).form.value("pageIndex"), QString("2"));
    QTRY_COMPARE(list->cards().size(), 40);
    QCOMPARE(list->pageCount(), 2);
    QVERIFY(view.tabWidget()->isEnabled());
}

void TestSelectClassView::shortPageEndsTheList()
{
    m_server->setJson(coursePath, page(3));
    SelectClassView view;
    view.tabWidget()->setCurrentIndex(2);
    QVERIFY(m_server->waitForRequest(coursePath));
    QCOMPARE(m_server->lastRequest(coursePath).form.value("lessonType"), QString("8"));
    QCOMPARE(g_lessonTypeFilter, 8);
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    ClassListWidget *list = view.pages().at(2);
    QCOMPARE(list->cards().size(), 3);
    QCOMPARE(list->footerText(), QString("没有更多了"));
}

void TestSelectClassView::emptyPageAfterAFullOne()
{
    m_server->setJson(coursePath, page(20));
    SelectClassView view;
    view.refreshCurrentTab();
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(view.pages().first()->cards().size(), 20);
    // A page that had no page yet stays empty; one that had a full page keeps its cards.
    view.pages().at(1)->clearClassInfos();
    m_server->setJson(coursePath, page(0));
    view.slotRequestGroupInfo("all", 2);
    QVERIFY(!view.tabWidget()->isEnabled());
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    for (ClassListWidget *each : view.pages())
        QCOMPARE(each->footerText(), QString("没有更多了"));
    QCOMPARE(view.pages().at(0)->cards().size(), 20);
    QCOMPARE(view.pages().at(1)->cards().size(), 0);
}

void TestSelectClassView::replyFieldsBecomeRecords()
{
    const QByteArray reply = R"({"requestStatus":"success","requestBody":[)"
                             R"({"id":12345678901,"title":"分数","beginTime":"2030-05-06 10:00:00",)"
                             R"("endTime":"2030-05-06 10:45:00","actualTime":"45","grade":"3","gradeName":"三年级",)"
                             R"("tClass":"c5","className":"二班","subject":"2","subjectName":"数学","teacherId":901,)"
                             R"("teacherName":"王老师","parentTitle":"","parentId":12,"viewingTimes":3,"sort":2,)"
                             R"("isCompere":true,"isCanSit":true,"classState":1,"lessonType":8},)"
                             R"({"id":"abc"}]})";
    m_server->setJson(coursePath, reply);
    SelectClassView view;
    view.refreshCurrentTab();
    ClassListWidget *list = view.pages().first();
    QTRY_COMPARE(list->cards().size(), 2);
    const GroupInfo info = list->cards().first()->groupInfo();
    QCOMPARE(info.getId(), QString("12345678901"));
    QCOMPARE(info.getTitle(), QString("分数"));
    QCOMPARE(info.getBeginTime(), QString("2030-05-06 10:00:00"));
    QCOMPARE(info.getEndTime(), QString("2030-05-06 10:45:00"));
    QCOMPARE(info.getActualTime(), QString("45"));
    QCOMPARE(info.getGrade(), QString("3"));
    QCOMPARE(info.getGradeName(), QString("三年级"));
    QCOMPARE(info.getTClass(), QString("c5"));
    QCOMPARE(info.getClassName(), QString("二班"));
    QCOMPARE(info.getSubject(), QString("2"));
    QCOMPARE(info.getSubjectName(), QString("数学"));
    QCOMPARE(info.getTeacherId(), QString("901"));
    QCOMPARE(info.getTeacherName(), QString("王老师"));
    QCOMPARE(info.getParentId(), 12);
    QCOMPARE(info.getViewingTimes(), 3);
    QCOMPARE(info.getSort(), 2);
    QVERIFY(info.getIsCompere());
    QVERIFY(info.getIsCanSit());
    QCOMPARE(info.getClassState(), 1);
    QCOMPARE(info.getLessonType(), 8);
    // A missing key reads as empty, 0 or false, the lesson's type and state as unknown (-1, 3); an id that is
    // no number as "0".
    const GroupInfo bare = list->cards().last()->groupInfo();
    QCOMPARE(bare.getId(), QString("0"));
    QCOMPARE(bare.getTitle(), QString());
    QCOMPARE(bare.getLessonType(), -1);
    QCOMPARE(bare.getClassState(), 3);
    QVERIFY(!bare.getIsCompere());
}

void TestSelectClassView::failedReplies_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<bool>("tip");
    QTest::newRow("not json") << 200 << QByteArray("<html>busy</html>") << false << true;
    QTest::newRow("server error") << 500 << QByteArray() << false << true;
    QTest::newRow("time-out") << 200 << QByteArray() << true << true;
    // JSON of another shape is the server's error: the footer tells of it, not the missing-page tip.
    QTest::newRow("json array") << 200 << QByteArray("[1,2]") << false << false;
    QTest::newRow("list sent as an object")
        << 200 << QByteArray(R"({"loginStatus":"0","requestStatus":"success","requestBody":{"id":1}})") << false
        << false;
    QTest::newRow("object without a wrapper") << 200 << QByteArray(R"({"courses":[]})") << false << false;
    QTest::newRow("body a number") << 200 << QByteArray(R"({"requestStatus":"success","requestBody":7})") << false
                                   << false;
}

void TestSelectClassView::failedReplies()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, timeout);
    if (timeout) {
        FakeHttpServer::Reply reply;
        reply.fault = FakeHttpServer::NeverAnswer;
        m_server->setReply(coursePath, reply);
        m_client->setRequestTimeouts(200, 200);
    } else {
        m_server->setJson(coursePath, body, status);
    }
    QFETCH(bool, tip);
    QSignalSpy tipShown(m_tip, &httpTipMessage::signalShows);
    SelectClassView view;
    view.refreshCurrentTab();
    QVERIFY(!view.tabWidget()->isEnabled());
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(tipShown.count(), tip ? 1 : 0);
    for (ClassListWidget *list : view.pages()) {
        QCOMPARE(list->loadState(), int(ClassListWidget::NetError));
        QCOMPARE(list->footerText(), QString("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！"));
    }
}

void TestSelectClassView::expiredSession_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("list with login status 1")
        << QByteArray(R"({"loginStatus":"1","requestStatus":"success","requestBody":[]})");
    QTest::newRow("list with login status 2")
        << QByteArray(R"({"loginStatus":"2","requestStatus":"success","requestBody":[{"id":1}]})");
    QTest::newRow("text wrapper with login status 1")
        << QByteArray(R"({"loginStatus":"1","requestStatus":"error","requestBody":"登录超时"})");
}

void TestSelectClassView::expiredSession()
{
    QFETCH(QByteArray, body);
    m_server->setJson(coursePath, body);
    QSignalSpy tipShown(m_tip, &httpTipMessage::signalShows);
    QTest::ignoreMessage(QtWarningMsg, "no connect-server manager");
    ReLoginView reLoginView(nullptr);
    QSignalSpy reloginShown(&reLoginView, &ReLoginView::signalShow);
    SelectClassView view;
    connect(&view, &SelectClassView::signalReLoginOut, &reLoginView, &ReLoginView::slotLoginStartIn);
    view.refreshCurrentTab();
    QTRY_COMPARE(reloginShown.count(), 1);
    QCOMPARE(reLoginView.stateText(), QString("登录已过期或账号在别处已登录,点击重新登录"));
    QVERIFY(reLoginView.isReloginShown());
    QVERIFY(view.tabWidget()->isEnabled());
    for (ClassListWidget *list : view.pages()) {
        QCOMPARE(list->loadState(), int(ClassListWidget::NetError));
        QCOMPARE(list->cards().size(), 0);
    }
    QCOMPARE(tipShown.count(), 0);
}

void TestSelectClassView::refusedReplyLeavesThePageUsable()
{
    m_server->setJson(coursePath, R"({"loginStatus":"0","requestStatus":"error","requestBody":"busy"})");
    SelectClassView view;
    QSignalSpy relogin(&view, &SelectClassView::signalReLoginOut);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the course list was refused"));
    view.refreshCurrentTab();
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(view.pages().first()->loadState(), int(ClassListWidget::NetError));
    QCOMPARE(relogin.count(), 0);
}

void TestSelectClassView::enterWindowOfTheFetchedLessons()
{
    const QDateTime now = QDateTime::currentDateTime();
    QJsonArray body { lessonJson(1, now.addSecs(3000)), lessonJson(2, now.addSecs(7200)),
        lessonJson(3, now.addSecs(-600)) };
    m_server->setJson(coursePath,
        QJsonDocument(QJsonObject { { "requestStatus", "success" }, { "requestBody", body } })
            .toJson(QJsonDocument::Compact));
    SelectClassView view;
    view.refreshCurrentTab();
    ClassListWidget *list = view.pages().first();
    QTRY_COMPARE(list->cards().size(), 3);
    const auto enabled
        = [list](int i) { return list->cards().at(i)->findChild<QPushButton *>("enterPushButton")->isEnabled(); };
    QVERIFY(enabled(0));
    QVERIFY(!enabled(1));
    QVERIFY(enabled(2));

    // A local clock found 90 minutes slow at start-up opens the lesson that starts in two hours.
    g_networkTimeFlag = true;
    g_networkTimeOffset = 5400;
    view.refreshCurrentTab();
    QTRY_COMPARE(list->cards().size(), 3);
    QTRY_VERIFY(view.tabWidget()->isEnabled());
    QVERIFY(enabled(1));
}

void TestSelectClassView::refreshThrottle()
{
    m_server->setJson(coursePath, page(1));
    SelectClassView view;
    view.show();
    view.setRefreshInterval(400);
    QPushButton *refresh = view.findChild<QPushButton *>("pushButton");
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(m_server->waitForRequest(coursePath));
    QTRY_VERIFY(view.tabWidget()->isEnabled());

    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(view.tipWidget()->isVisible());
    QCOMPARE(view.tipWidget()->text(), QString(" 请勿频繁刷新!"));
    QVERIFY(view.tabWidget()->isEnabled());
    QVERIFY(requestsSettled());
    QCOMPARE(m_server->requestCount(coursePath), 1);

    QTest::qWait(400);
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(m_server->waitForRequest(coursePath));
    QCOMPARE(m_server->requestCount(coursePath), 2);
}

// A refresh while a long list is on its way: the list the refresh asked for shows, and the older one, coming after
// it, does not take its place.
void TestSelectClassView::slowListBeforeARefreshIsNotShownAfterIt()
{
    const auto asked = std::make_shared<std::atomic<int>>(0);
    m_server->setHandler(coursePath, [asked](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply;
        const bool first = ++*asked == 1;
        reply.body = first ? page(2000, 1) : page(1, 5000);
        reply.contentType = "application/json";
        reply.delayMs = first ? 500 : 0;
        return reply;
    });
    SelectClassView view;
    view.show();
    view.setRefreshInterval(0);
    view.slotRefreshButtonClicked();
    QVERIFY(m_server->waitForRequest(coursePath));
    view.slotRefreshButtonClicked();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount(coursePath), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(view.pages().at(0)->cards().size(), 1, 30000);
    QCOMPARE(view.pages().at(0)->cards().first()->groupInfo().getId(), QString("5000"));
    // The slow one has come and been dealt with.
    QVERIFY(requestsSettled(m_client, 30000));
    QCoreApplication::processEvents();
    QCOMPARE(view.pages().at(0)->cards().size(), 1);
    QCOMPARE(view.pages().at(0)->cards().first()->groupInfo().getId(), QString("5000"));
}

void TestSelectClassView::refreshReloadsThePageOfTheLastRequest_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("lessonType");
    QTest::newRow("student, all") << 1 << -1 << "all";
    QTest::newRow("student, 4") << 1 << 4 << "4";
    QTest::newRow("student, 8") << 1 << 8 << "8";
    QTest::newRow("student, 2") << 1 << 2 << "";
    QTest::newRow("lecturer, 8") << 0 << 8 << "8";
    QTest::newRow("lecturer, 0") << 0 << 0 << "0";
}

void TestSelectClassView::refreshReloadsThePageOfTheLastRequest()
{
    QFETCH(int, userType);
    QFETCH(int, filter);
    QFETCH(QString, lessonType);
    g_userType = userType;
    m_server->setJson(coursePath, page(1));
    SelectClassView view;
    g_lessonTypeFilter = filter;
    view.slotRefreshButtonClicked();
    if (lessonType.isEmpty()) {
        QVERIFY(requestsSettled());
        QCOMPARE(m_server->requestCount(coursePath), 0);
        QVERIFY(view.tabWidget()->isEnabled());
        return;
    }
    QVERIFY(m_server->waitForRequest(coursePath));
    QCOMPARE(m_server->lastRequest(coursePath).form.value("lessonType"), lessonType);
    QCOMPARE(view.tabWidget()->currentIndex(), 0);
}

void TestSelectClassView::noPagesTouchNothing()
{
    g_userType = 2;
    m_server->setJson(coursePath, page(1));
    SelectClassView view;
    view.slotRefreshButtonClicked();
    view.refreshCurrentTab();
    view.slotRecvClassListInfo(QString::fromUtf8(page(2)));
    QVERIFY(requestsSettled());
    QCOMPARE(m_server->requestCount(coursePath), 0);
    QVERIFY(view.tabWidget()->isEnabled());
}

void TestSelectClassView::tabChangeReloadsTheNewPage()
{
    m_server->setJson(coursePath, page(2));
    SelectClassView view;
    view.refreshCurrentTab();
    QTRY_COMPARE(view.pages().at(0)->cards().size(), 2);
    // The reply went to every page; the change clears them all and asks for the new one.
    QCOMPARE(view.pages().at(1)->cards().size(), 2);
    m_server->setJson(coursePath, page(1, 50));
    view.tabWidget()->setCurrentIndex(1);
    QVERIFY(!view.tabWidget()->isEnabled());
    QCOMPARE(view.pages().at(0)->cards().size(), 0);
    QCOMPARE(view.pages().at(1)->cards().size(), 0);
    QCOMPARE(view.pages().at(1)->loadState(), int(ClassListWidget::Loading));
    QVERIFY(m_server->waitForRequest(coursePath));
    QCOMPARE(m_server->lastRequest(coursePath).form.value("lessonType"), QString("4"));
    QCOMPARE(g_lessonTypeFilter, 4);
    QTRY_COMPARE(view.pages().at(1)->cards().size(), 1);
    QCOMPARE(view.pages().at(1)->cards().first()->groupInfo().getId(), QString("50"));
}

void TestSelectClassView::join_data()
{
    QTest::addColumn<int>("lessonType");
    QTest::addColumn<QString>("teacherId");
    QTest::addColumn<QString>("classTitle");
    QTest::addColumn<QString>("roomId");
    QTest::addColumn<int>("userType");
    QTest::newRow("class lesson") << 0 << "901"
                                  << "三年级 二班 分数"
                                  << "c5" << 1;
    QTest::newRow("online lesson") << 4 << "901"
                                   << "分数"
                                   << "77" << 1;
    QTest::newRow("meeting, own") << 5 << "1001"
                                  << "分数"
                                  << "77" << 2;
    QTest::newRow("meeting, other") << 5 << "901"
                                    << "分数"
                                    << "77" << 3;
    QTest::newRow("parents meeting") << 6 << "1001"
                                     << "分数"
                                     << "77" << 1;
}

void TestSelectClassView::join()
{
    QFETCH(int, lessonType);
    QFETCH(QString, teacherId);
    QFETCH(QString, classTitle);
    QFETCH(QString, roomId);
    QFETCH(int, userType);
    g_classStartCount = 3;
    SelectClassView view;
    QSignalSpy connectAsked(&view, &SelectClassView::signalSocketConnect);
    GroupInfo info = joinRecord(lessonType);
    info.setTeacherId(teacherId);
    view.slotJoinClassesIn(info);
    QCOMPARE(connectAsked.count(), 1);
    QVERIFY(!view.tabWidget()->isEnabled());
    QCOMPARE(g_classType, lessonType);
    QCOMPARE(g_lessonTitle, QString("分数"));
    QCOMPARE(g_lessonName, QString("分数"));
    QCOMPARE(g_classId, QString("c5"));
    QCOMPARE(g_videoId, QString("v77"));
    QCOMPARE(g_parentId, 12);
    QCOMPARE(g_classTitle, classTitle);
    QCOMPARE(g_roomId, roomId);
    QCOMPARE(g_lectId, teacherId);
    QCOMPARE(g_lectName, QString("王老师"));
    QCOMPARE(g_userType, userType);
    QCOMPARE(g_classStartCount, 0);
}

void TestSelectClassView::joinFromACard()
{
    m_server->setJson(coursePath, page(2));
    SelectClassView view;
    QSignalSpy connectAsked(&view, &SelectClassView::signalSocketConnect);
    view.refreshCurrentTab();
    QTRY_COMPARE(view.pages().first()->cards().size(), 2);
    QTest::mouseClick(view.pages().first()->cards().at(1)->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    QCOMPARE(connectAsked.count(), 1);
    QCOMPARE(g_roomId, QString("2"));
    QCOMPARE(g_classId, QString("c2"));
    QCOMPARE(g_videoId, QString("v2"));
    QCOMPARE(g_lectId, QString("902"));
}

void TestSelectClassView::connectOutcomes()
{
    m_server->setJson(coursePath, page(2));
    SelectClassView view;
    QSignalSpy joinAsked(&view, &SelectClassView::signalRequestJoinClassesOut);
    view.refreshCurrentTab();
    QTRY_COMPARE(view.pages().first()->cards().size(), 2);
    view.slotJoinClassesIn(view.pages().first()->cards().first()->groupInfo());
    view.slotSocketConnect();
    QCOMPARE(joinAsked.count(), 1);

    // A failed connection empties the pages and leaves the tabs usable.
    view.slotJoinClassesIn(view.pages().first()->cards().first()->groupInfo());
    QVERIFY(!view.tabWidget()->isEnabled());
    view.slotSocketConnectFalse();
    for (ClassListWidget *list : view.pages())
        QCOMPARE(list->cards().size(), 0);
    QVERIFY(view.tabWidget()->isEnabled());
    QCOMPARE(view.pages().first()->count(), 1); // the footer stays
}

void TestSelectClassView::coursesPushedOnTheConnectionReachEveryPage()
{
    SelectClassView view;
    GroupInfo info = joinRecord(4);
    view.tabWidget()->setEnabled(false);
    view.slotRecvClassInfo({ info }, "x");
    for (ClassListWidget *list : view.pages())
        QCOMPARE(list->cards().size(), 1);
    QVERIFY(view.tabWidget()->isEnabled());
}

void TestSelectClassView::createDialogFrame()
{
    SelectClassView view;
    TitleView *frame = view.classCreateFrame();
    QCOMPARE(frame->title(), QString("新建课程"));
    QCOMPARE(frame->centerWidget(), view.classCreateView());
    QVERIFY(frame->windowFlags() & Qt::Tool);
    QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no class list can be asked"));
    view.slotClassCreateBtnClicked();
    QVERIFY(frame->isVisible());

    // Done with the dialog: the frame closes and the current page reloads.
    m_server->setJson(coursePath, page(1));
    emit view.classCreateView()->signalCloseOut();
    QVERIFY(!frame->isVisible());
    QVERIFY(!view.tabWidget()->isEnabled());
    QVERIFY(m_server->waitForRequest(coursePath));
    QTRY_VERIFY(view.tabWidget()->isEnabled());
}

void TestSelectClassView::marginsFollowTheSize()
{
    SelectClassView view;
    view.resize(1020, 840);
    view.show();
    QTRY_COMPARE(view.layout()->contentsMargins(), QMargins(30, 30, 30, 0));
    view.resize(700, 560);
    QTRY_COMPARE(view.layout()->contentsMargins(), QMargins(20, 20, 20, 0));
}

void TestSelectClassView::showClearsTheBindFlag()
{
    SelectClassView view;
    g_needBind = true;
    view.show();
    QVERIFY(!g_needBind);
}

QTEST_MAIN(TestSelectClassView)
#include "tst_selectclassview.moc"
