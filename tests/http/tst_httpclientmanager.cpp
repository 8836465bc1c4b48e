#include "tests/support/fakehttpserver.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"

#include <QThread>
#include <QtTest>

#include <functional>

using Fields = QMap<QString, QString>;
Q_DECLARE_METATYPE(Fields)

namespace {
// The same within this thread: a timer of it due before ms from now fires first.
bool passTimers(int ms)
{
    return roundTripAfter(QThread::currentThread(), ms);
}

// Every reply signal of the client, recorded as (signal name, body, login flag).
struct Answer
{
    QString signal;
    QString body;
    QString loginFlag;
};

class Recorder : public QObject
{
public:
    explicit Recorder(HttpClientManager *client)
    {
        const auto plain = [this, client](void (HttpClientManager::*signal)(const QString &), const QString &name) {
            connect(client, signal, this, [this, name](const QString &body) { answers.append({ name, body, {} }); });
        };
        plain(&HttpClientManager::signalReviewCourseProtocol, "signalReviewCourseProtocol");
        plain(&HttpClientManager::signalReviewLessonProtocol, "signalReviewLessonProtocol");
        plain(&HttpClientManager::signalReviewDeleteProtocol, "signalReviewDeleteProtocol");
        plain(&HttpClientManager::signalExportTable, "signalExportTable");
        plain(&HttpClientManager::signalGetVideoList, "signalGetVideoList");
        plain(&HttpClientManager::signalGetProvider, "signalGetProvider");
        plain(&HttpClientManager::signalCourseList, "signalCourseList");
        plain(&HttpClientManager::signalHttpElapsed, "signalHttpElapsed");
        plain(&HttpClientManager::signalGetPersonalData, "signalGetPersonalData");
        plain(&HttpClientManager::signalSavePersonalData, "signalSavePersonalData");
        plain(&HttpClientManager::signalVerificationMobile, "signalVerificationMobile");
        plain(&HttpClientManager::signalVerification, "signalVerification");
        plain(&HttpClientManager::signalVerificationResult, "signalVerificationResult");
        plain(&HttpClientManager::signalModifyUserPassWord, "signalModifyUserPassWord");
        connect(client, &HttpClientManager::signalLoginResult, this, [this](const QString &body, const QString &flag) {
            answers.append({ "signalLoginResult", body, flag });
        });
    }
    QList<Answer> answers;
};

using Sender = std::function<void(HttpClientManager &)>;

struct SenderCase
{
    const char *name;
    Sender send;
    QByteArray path;
    Fields fields;
    QString signal;
};

QList<SenderCase> senderCases()
{
    return {
        { "attend course list", [](HttpClientManager &c) { c.sendAttendCourseList("1", "2"); },
            "/mobile/httpGetAttendCourseList",
            { { "lessonType", "1" }, { "pageIndex", "2" }, { "userId", "u7" }, { "loginSignId", "sign9" } },
            "signalCourseList" },
        { "data export", [](HttpClientManager &c) { c.sendDataExportRequest(3, "0\t5\t9\tv3"); },
            "/mobile/exportStatistics",
            { { "userId", "u7" }, { "lessonType", "0" }, { "loginSignId", "sign9" }, { "videoId", "v3" }, { "id", "9" },
                { "parentId", "5" }, { "exportType", "3" } },
            "signalExportTable" },
        { "verification code", [](HttpClientManager &c) { c.sendGetVerificationCode("13800000000"); },
            "/personalInfo/getPostVerificationCode",
            { { "mobilePhone", "13800000000" }, { "roleType", "26946" }, { "verificationType", "10" } },
            "signalVerification" },
        { "video url", [](HttpClientManager &c) { c.sendGetVideoUrl("v1", "u2", "s3"); }, "/lesson/review/getVideoUrl",
            { { "videoId", "v1" }, { "userId", "u2" }, { "loginSignId", "s3" } }, "signalGetVideoList" },
        { "elapsed", [](HttpClientManager &c) { c.sendHttpElapsed(); }, "/mobile/httpElapsed",
            { { "heard", "3" }, { "userId", "u7" }, { "loginSignId", "sign9" } }, "signalHttpElapsed" },
        { "login", [](HttpClientManager &c) { c.sendUserLogin("stu", "a+b&c=d#e%f;g h", "1"); },
            "/mobile/httpUserLogin",
            { { "userCode", "stu" }, { "passWord", "a+b&c=d#e%f;g h" }, { "roleType", "26946" } },
            "signalLoginResult" },
        { "modify forgotten password", [](HttpClientManager &c) { c.sendModifyUserPassWord("138", "1234", "p+w"); },
            "/mobile/httpForgetModifyUserPassWord",
            { { "userCode", "138" }, { "roleType", "26946" }, { "vCode", "1234" }, { "passWord", "p+w" } },
            "signalModifyUserPassWord" },
        { "course review", [](HttpClientManager &c) { c.sendCourseReview("all", 4); }, "/mobile/courseReview",
            { { "lessonType", "all" }, { "pageIndex", "4" }, { "loginSignId", "sign9" }, { "userId", "u7" } },
            "signalReviewCourseProtocol" },
        { "delete video", [](HttpClientManager &c) { c.sendDeleteVideo("v8"); }, "/mobile/delVideo",
            { { "videoId", "v8" }, { "loginSignId", "sign9" }, { "userId", "u7" } }, "signalReviewDeleteProtocol" },
        { "lesson list", [](HttpClientManager &c) { c.sendLessonList("i", "t", "s", "p", 2, 20, "desc"); },
            "/mobile/lessonList",
            { { "id", "i" }, { "lessonType", "t" }, { "status", "s" }, { "isParent", "p" }, { "loginSignId", "sign9" },
                { "userId", "u7" }, { "pageIndex", "2" }, { "countIndex", "20" }, { "sortByTimes", "desc" } },
            "signalReviewLessonProtocol" },
        { "modify password", [](HttpClientManager &c) { c.sendModifyNewPassByOldPass("old&1", "new=2"); },
            "/mobile/httpModifyNewPassByOldPass",
            { { "accountId", "acc5" }, { "loginSignId", "sign9" }, { "userId", "u7" }, { "oldPassWord", "old&1" },
                { "newPassWord", "new=2" } },
            "signalSavePersonalData" },
        { "verify mobile", [](HttpClientManager &c) { c.sendVerificationMobilePhone("13900000000"); },
            "/mobile/httpVerificationMobilePhone", { { "userCode", "13900000000" }, { "roleType", "26946" } },
            "signalVerificationMobile" },
        { "check code", [](HttpClientManager &c) { c.sendCheckVerificationCode("139", "5678"); },
            "/personalInfo/checkPostVerificationCode",
            { { "mobilePhone", "139" }, { "roleType", "26946" }, { "verificationType", "10" },
                { "verificationCode", "5678" } },
            "signalVerificationResult" },
        { "personal data route",
            [](HttpClientManager &c) { c.sendHttpRequest(c.baseUrl() + "/mobile/getUserInfo", {}, 0); },
            "/mobile/getUserInfo", {}, "signalGetPersonalData" },
    };
}

FakeHttpServer::Reply never()
{
    FakeHttpServer::Reply reply;
    reply.fault = FakeHttpServer::NeverAnswer;
    return reply;
}
} // namespace

class TestHttpClientManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void baseUrlFollowsTheSessionAndTheDomain();
    void senders_data();
    void senders();
    void unknownUrlIsOnlyLogged();
    void timeoutAnswersError();
    void everyRequestHasItsOwnTimeout();
    void anAnswerDoesNotCancelAnotherRequestsTimeout();
    void failureIsReportedOnce_data();
    void failureIsReportedOnce();
    void lateAnswerAfterTimeoutIsDropped();
    void staleCourseListIsDropped();
    void redirectIsFollowed();
    void loginAnswersCarryTheirOwnFlag();
    void schoolLookupGoesToPort8766();

private:
    QThread m_networkThread;
};

void TestHttpClientManager::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestHttpClientManager::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestHttpClientManager::init()
{
    g_userId = "u7";
    g_loginSignId = "sign9";
    g_accountId = "acc5";
}

void TestHttpClientManager::baseUrlFollowsTheSessionAndTheDomain()
{
    g_webHost = "web.example";
    g_webPort = "8080";
    HttpClientManager client;
    QCOMPARE(client.baseUrl(), QString("http://web.example:8080"));
    client.setDnsUrl("school.example");
    QCOMPARE(client.baseUrl(), QString("http://school.example"));
}

void TestHttpClientManager::senders_data()
{
    QTest::addColumn<int>("index");
    const QList<SenderCase> cases = senderCases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).name) << i;
}

void TestHttpClientManager::senders()
{
    QFETCH(int, index);
    const SenderCase sc = senderCases().at(index);
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray reply = R"({"requestStatus":"success","requestBody":")" + sc.path + R"("})";
    server.setJson(sc.path, reply);
    HttpClientManager client;
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    sc.send(client);
    QTRY_COMPARE(recorder.answers.size(), 1);
    // Through the requests' thread and back: a second report of the reply would be here first.
    QVERIFY(roundTripAfter(&m_networkThread, 0));
    QCOMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().signal, sc.signal);
    QCOMPARE(recorder.answers.first().body, QString::fromUtf8(reply));
    const FakeHttpServer::Request request = server.lastRequest(sc.path);
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.form, sc.fields);
    QCOMPARE(client.pendingCount(), 0);
}

void TestHttpClientManager::unknownUrlIsOnlyLogged()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setJson("/mobile/whatever", "{}");
    HttpClientManager client;
    Recorder recorder(&client);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unknow url"));
    client.sendHttpRequest(server.baseUrl() + "/mobile/whatever", {}, 0);
    QTRY_COMPARE(client.pendingCount(), 0);
    QVERIFY(recorder.answers.isEmpty());
}

void TestHttpClientManager::timeoutAnswersError()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/mobile/httpUserLogin", never());
    HttpClientManager client;
    client.setRequestTimeouts(200, 100);
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendUserLogin("stu", "pw", "1");
    QVERIFY(server.waitForRequest("/mobile/httpUserLogin"));
    QTRY_COMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().signal, QString("signalLoginResult"));
    QCOMPARE(recorder.answers.first().body, QString("error"));
    QCOMPARE(recorder.answers.first().loginFlag, QString("1"));
    // Twice the time-out on a timer of this thread, the time-out's: a time-out that fired again comes first.
    QVERIFY(passTimers(2 * 200 + 20));
    QCOMPARE(recorder.answers.size(), 1);
    QCOMPARE(client.pendingCount(), 0);
}

void TestHttpClientManager::everyRequestHasItsOwnTimeout()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/mobile/httpUserLogin", never());
    server.setReply("/mobile/httpGetAttendCourseList", never());
    HttpClientManager client;
    client.setRequestTimeouts(300, 100);
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendUserLogin("stu", "pw", "0");
    QTest::qWait(150);
    client.sendAttendCourseList("1", "1");
    QTRY_COMPARE(recorder.answers.size(), 2);
    QCOMPARE(recorder.answers.at(0).signal, QString("signalLoginResult"));
    QCOMPARE(recorder.answers.at(0).body, QString("error"));
    QCOMPARE(recorder.answers.at(1).signal, QString("signalCourseList"));
    QCOMPARE(recorder.answers.at(1).body, QString("error"));
}

void TestHttpClientManager::anAnswerDoesNotCancelAnotherRequestsTimeout()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/mobile/httpUserLogin", never());
    server.setJson("/mobile/httpElapsed", "pong");
    HttpClientManager client;
    client.setRequestTimeouts(300, 100);
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendUserLogin("stu", "pw", "0");
    client.sendHttpElapsed();
    QTRY_COMPARE(recorder.answers.size(), 2);
    QCOMPARE(recorder.answers.at(0).signal, QString("signalHttpElapsed"));
    QCOMPARE(recorder.answers.at(0).body, QString("pong"));
    QCOMPARE(recorder.answers.at(1).signal, QString("signalLoginResult"));
    QCOMPARE(recorder.answers.at(1).body, QString("error"));
}

void TestHttpClientManager::failureIsReportedOnce_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("fault");
    QTest::newRow("404") << 404 << int(FakeHttpServer::NoFault);
    QTest::newRow("500") << 500 << int(FakeHttpServer::NoFault);
    QTest::newRow("cut short") << 200 << int(FakeHttpServer::CloseAfter);
    QTest::newRow("refused") << 0 << int(FakeHttpServer::NoFault);
}

void TestHttpClientManager::failureIsReportedOnce()
{
    QFETCH(int, status);
    QFETCH(int, fault);
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply reply;
    reply.status = status;
    reply.body = R"({"requestStatus":"success"})";
    reply.fault = FakeHttpServer::Fault(fault);
    reply.faultAfter = 5;
    server.setReply("/mobile/httpGetAttendCourseList", reply);
    QString base = server.hostAndPort();
    if (status == 0) {
        FakeHttpServer gone;
        QVERIFY(gone.listen());
        base = gone.hostAndPort();
    }
    HttpClientManager client;
    client.setRequestTimeouts(400, 100);
    client.setDnsUrl(base);
    Recorder recorder(&client);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("http error!"));
    client.sendAttendCourseList("1", "1");
    QTRY_COMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().signal, QString("signalCourseList"));
    QCOMPARE(recorder.answers.first().body, QString());
    // Past the time-out (it may run 5 % late) on a timer of this thread, the time-out's: no "error" follows.
    QVERIFY(passTimers(400 * 11 / 10 + 20));
    QCOMPARE(recorder.answers.size(), 1);
}

void TestHttpClientManager::lateAnswerAfterTimeoutIsDropped()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply slow;
    slow.body = "late";
    slow.delayMs = 300;
    server.setReply("/mobile/httpElapsed", slow);
    HttpClientManager client;
    client.setRequestTimeouts(100, 100);
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendHttpElapsed();
    QTRY_COMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().body, QString("error"));
    // A later request whose answer the server sends well after the late one: by its answer, the late one has
    // come and gone.
    FakeHttpServer::Reply later;
    later.body = "later";
    later.delayMs = 600;
    server.setReply("/mobile/httpGetAttendCourseList", later);
    client.setRequestTimeouts(30000, 30000);
    client.sendAttendCourseList("1", "1");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.answers.size(), 2, 30000);
    QCOMPARE(recorder.answers.at(1).body, QString("later"));
}

// Answers need not come in the order of their requests: a course list asked for before a newer one would show
// a stale page after the fresh one.
void TestHttpClientManager::staleCourseListIsDropped()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setHandler("/mobile/httpGetAttendCourseList", [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = request.form.value("lessonType").toUtf8();
        reply.delayMs = reply.body == "older" ? 300 : 0;
        return reply;
    });
    HttpClientManager client;
    client.setRequestTimeouts(30000, 30000);
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendAttendCourseList("older", "1");
    QVERIFY(server.waitForRequest("/mobile/httpGetAttendCourseList"));
    client.sendAttendCourseList("newer", "1");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.answers.size(), 1, 30000);
    QCOMPARE(recorder.answers.at(0).body, QString("newer"));
    // The older one has come, and gone nowhere.
    QTRY_COMPARE_WITH_TIMEOUT(client.pendingCount(), 0, 30000);
    QCOMPARE(recorder.answers.size(), 1);
}

void TestHttpClientManager::redirectIsFollowed()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setRedirect("/mobile/httpElapsed", "/moved/elsewhere");
    server.setJson("/moved/elsewhere", "moved");
    HttpClientManager client;
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendHttpElapsed();
    QTRY_COMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().signal, QString("signalHttpElapsed"));
    QCOMPARE(recorder.answers.first().body, QString("moved"));
    QCOMPARE(server.lastRequest("/moved/elsewhere").method, QByteArray("GET"));
}

void TestHttpClientManager::loginAnswersCarryTheirOwnFlag()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setHandler("/mobile/httpUserLogin", [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = request.form.value("userCode").toUtf8();
        reply.delayMs = request.form.value("userCode") == "first" ? 300 : 0;
        return reply;
    });
    HttpClientManager client;
    client.setDnsUrl(server.hostAndPort());
    Recorder recorder(&client);
    client.sendUserLogin("first", "pw", "0");
    QVERIFY(server.waitForRequest("/mobile/httpUserLogin"));
    client.sendUserLogin("second", "pw", "1");
    QTRY_COMPARE(recorder.answers.size(), 2);
    QCOMPARE(recorder.answers.at(0).body, QString("second"));
    QCOMPARE(recorder.answers.at(0).loginFlag, QString("1"));
    QCOMPARE(recorder.answers.at(1).body, QString("first"));
    QCOMPARE(recorder.answers.at(1).loginFlag, QString("0"));
}

void TestHttpClientManager::schoolLookupGoesToPort8766()
{
    FakeHttpServer server;
    // The port is fixed; another run may hold it for a moment.
    QElapsedTimer waited;
    waited.start();
    while (!server.listen(8766) && waited.elapsed() < 20000)
        QTest::qWait(200);
    QVERIFY2(server.port() == 8766, "port 8766 stayed taken");
    server.setJson("/mobile/getSchoolNameByDomainName", R"({"requestStatus":"success","requestBody":"一中"})");
    HttpClientManager client;
    client.setRequestTimeouts(5000, 150);
    client.setDnsUrl("127.0.0.1");
    Recorder recorder(&client);
    client.sendGetSchoolName("school.example");
    QTRY_COMPARE(recorder.answers.size(), 1);
    QCOMPARE(recorder.answers.first().signal, QString("signalGetProvider"));
    QVERIFY(recorder.answers.first().body.contains("一中"));
    QCOMPARE(
        server.lastRequest("/mobile/getSchoolNameByDomainName").form.value("doMainName"), QString("school.example"));

    // Its time-out is the short one: it ends before half the other requests' time-out has passed.
    client.setRequestTimeouts(60000, 150);
    server.setReply("/mobile/getSchoolNameByDomainName", never());
    QTimer halfTheRequestTimeout;
    halfTheRequestTimeout.setSingleShot(true);
    halfTheRequestTimeout.setTimerType(Qt::PreciseTimer);
    halfTheRequestTimeout.start(30000);
    client.sendGetSchoolName("school.example");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.answers.size(), 2, 90000);
    QCOMPARE(recorder.answers.at(1).body, QString("error"));
    QVERIFY(halfTheRequestTimeout.isActive());
}

QTEST_GUILESS_MAIN(TestHttpClientManager)
#include "tst_httpclientmanager.moc"
