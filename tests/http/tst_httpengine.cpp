#include "tests/support/fakehttpserver.h"
#include "vrek/utils/httpengine.h"
#include "vrek/utils/httphash.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QtTest>

Q_DECLARE_METATYPE(FakeHttpServer::Reply)

namespace {
struct Outcome
{
    int count = 0;
    QString url;
    HttpEngine::RequestStatus status = HttpEngine::Cancelled;
    QString body;
};
} // namespace

class TestHttpEngine : public QObject
{
    Q_OBJECT
private slots:
    void redirectIsFollowedWithAGet();
    void failuresAreReportedOnce_data();
    void failuresAreReportedOnce();
    void redirectLoopEnds();
    void formSurvivesEveryCharacter();
    void getCarriesTheParametersInTheQuery();
    void destroyingAnOpenRequestAbortsIt();
    void tableInsertAndRemove();

private:
    Outcome run(HttpEngine &engine, FakeHttpServer &server, int waitMs = 5000);
    QNetworkAccessManager m_manager;
};

Outcome TestHttpEngine::run(HttpEngine &engine, FakeHttpServer &server, int waitMs)
{
    Outcome outcome;
    connect(&engine, &HttpEngine::signalRequestResult, this,
        [&outcome](const QString &, const QString &url, HttpEngine::RequestStatus status, const QString &body) {
            ++outcome.count;
            outcome.url = url;
            outcome.status = status;
            outcome.body = body;
        });
    engine.start();
    QElapsedTimer clock;
    clock.start();
    while (outcome.count == 0 && clock.elapsed() < waitMs)
        QTest::qWait(10);
    // A second request through the same manager, answered after the first was reported: a second report of the
    // first comes before this one's.
    HttpEngine marker("marker", server.baseUrl() + "/marker", {}, HttpEngine::Get, &m_manager);
    QSignalSpy markerDone(&marker, &HttpEngine::signalRequestResult);
    marker.start();
    if (!markerDone.wait(waitMs))
        QTest::qFail("the request after it got no report", __FILE__, __LINE__);
    return outcome;
}

void TestHttpEngine::redirectIsFollowedWithAGet()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setRedirect("/mobile/old", "/mobile/new");
    server.setJson("/mobile/new", R"({"requestStatus":"success"})");
    const QString url = server.baseUrl() + "/mobile/old";
    HttpEngine engine("id1", url, { { "userCode", "u1" } }, HttpEngine::Post, &m_manager);
    const Outcome outcome = run(engine, server);
    QCOMPARE(outcome.count, 1);
    QCOMPARE(outcome.status, HttpEngine::Success);
    QCOMPARE(outcome.url, url);
    QCOMPARE(outcome.body, QString(R"({"requestStatus":"success"})"));
    QCOMPARE(server.lastRequest("/mobile/old").method, QByteArray("POST"));
    const FakeHttpServer::Request second = server.lastRequest("/mobile/new");
    QCOMPARE(second.method, QByteArray("GET"));
    QVERIFY(second.body.isEmpty());
}

void TestHttpEngine::failuresAreReportedOnce_data()
{
    QTest::addColumn<FakeHttpServer::Reply>("reply");
    FakeHttpServer::Reply reply;
    reply.body = R"({"requestStatus":"success","requestBody":"partial"})";
    reply.status = 404;
    QTest::newRow("404") << reply;
    reply.status = 500;
    QTest::newRow("500") << reply;
    reply.status = 301;
    QTest::newRow("301 is not followed") << reply;
    reply.status = 200;
    reply.fault = FakeHttpServer::CloseAfter;
    reply.faultAfter = 10;
    QTest::newRow("body cut short") << reply;
    reply.fault = FakeHttpServer::ResetAfter;
    QTest::newRow("connection reset") << reply;
}

void TestHttpEngine::failuresAreReportedOnce()
{
    QFETCH(FakeHttpServer::Reply, reply);
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/mobile/x", reply);
    HttpEngine engine("id", server.baseUrl() + "/mobile/x", {}, HttpEngine::Post, &m_manager);
    const Outcome outcome = run(engine, server);
    QCOMPARE(outcome.count, 1);
    QCOMPARE(outcome.status, HttpEngine::Error);
    QVERIFY(outcome.body.isEmpty());
}

void TestHttpEngine::redirectLoopEnds()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setRedirect("/a", "/b");
    server.setRedirect("/b", "/a");
    HttpEngine engine("id", server.baseUrl() + "/a", {}, HttpEngine::Post, &m_manager);
    const Outcome outcome = run(engine, server);
    QCOMPARE(outcome.count, 1);
    QCOMPARE(outcome.status, HttpEngine::Error);
    QCOMPARE(server.requestCount("/a") + server.requestCount("/b"), HttpEngine::maxRedirects + 1);
}

void TestHttpEngine::formSurvivesEveryCharacter()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setJson("/mobile/httpUserLogin", "{}");
    const QString password = "a+b&c=d#e%f;g h";
    HttpEngine engine("id", server.baseUrl() + "/mobile/httpUserLogin",
        { { "passWord", password }, { "userCode", "学生01" }, { "a=b", "" } }, HttpEngine::Post, &m_manager);
    QCOMPARE(run(engine, server).status, HttpEngine::Success);
    const FakeHttpServer::Request request = server.lastRequest("/mobile/httpUserLogin");
    QCOMPARE(request.header("content-type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.form.value("passWord"), password);
    QCOMPARE(request.form.value("userCode"), QString("学生01"));
    QVERIFY(request.form.contains("a=b"));
    QCOMPARE(request.form.size(), 3);
}

void TestHttpEngine::getCarriesTheParametersInTheQuery()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setJson("/q", "ok");
    HttpEngine engine("id", server.baseUrl() + "/q", { { "k", "a+b c&d" } }, HttpEngine::Get, &m_manager);
    QCOMPARE(run(engine, server).body, QString("ok"));
    const FakeHttpServer::Request request = server.lastRequest("/q");
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(
        FakeHttpServer::decodeForm(request.target.mid(request.target.indexOf('?') + 1)).value("k"), QString("a+b c&d"));
}

void TestHttpEngine::destroyingAnOpenRequestAbortsIt()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply never;
    never.fault = FakeHttpServer::NeverAnswer;
    server.setReply("/slow", never);
    int reports = 0;
    QPointer<QNetworkReply> reply;
    {
        HttpEngine engine("id", server.baseUrl() + "/slow", {}, HttpEngine::Post, &m_manager);
        connect(&engine, &HttpEngine::signalRequestResult, this, [&reports] { ++reports; });
        engine.start();
        QVERIFY(server.waitForRequest("/slow"));
        for (QNetworkReply *candidate : m_manager.findChildren<QNetworkReply *>()) {
            if (candidate->isRunning())
                reply = candidate;
        }
        QVERIFY(reply);
        QVERIFY(reply->isRunning());
    }
    QVERIFY(!reply || !reply->isRunning());
    QTRY_VERIFY(!reply);
    QCOMPARE(reports, 0);
}

void TestHttpEngine::tableInsertAndRemove()
{
    HttpHash hash;
    QPointer<HttpEngine> first = new HttpEngine("a", "http://127.0.0.1:1/x", {}, HttpEngine::Post, nullptr);
    QPointer<HttpEngine> duplicate = new HttpEngine("a", "http://127.0.0.1:1/y", {}, HttpEngine::Post, nullptr);
    hash.insertHttpNetwork("a", first);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("id exist!"));
    hash.insertHttpNetwork("a", duplicate);
    QVERIFY(hash.containsHttpNetwork("a"));
    QCOMPARE(hash.count(), 1);
    QVERIFY(hash.deleteHttpNetWork("a"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("id not exist!"));
    QVERIFY(!hash.deleteHttpNetWork("a"));
    QTRY_VERIFY(!first);
    QVERIFY(duplicate); // never entered, so never the table's to delete
    delete duplicate;
}

QTEST_GUILESS_MAIN(TestHttpEngine)
#include "tst_httpengine.moc"
