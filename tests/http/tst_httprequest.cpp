#include "tests/support/fakehttpserver.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/utils/httprequest.h"
#include "vrek/utils/networkengine.h"

#include <QThread>
#include <QtTest>

namespace {
struct Finish
{
    QNetworkReply::NetworkError error;
    QString name;
    QByteArray body;
};
} // namespace

class TestHttpRequest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void getAndPost();
    void outcomes_data();
    void outcomes();
    void noLimitWaitsForTheServer();
    void twoRequestsWithOneName();

private:
    QThread m_networkThread;
};

void TestHttpRequest::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    g_networkEngine->moveThread(&m_networkThread); // the first request starts the thread
}

void TestHttpRequest::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestHttpRequest::getAndPost()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setJson("/banner", "body");
    HttpRequest request;
    QList<Finish> finishes;
    connect(&request, &HttpRequest::signalFinish, this,
        [&finishes](QNetworkReply::NetworkError error, const QString &name, const QByteArray &body) {
            finishes.append({ error, name, body });
        });
    request.get("g", QUrl(server.baseUrl() + "/banner"), 2000);
    QTRY_COMPARE(finishes.size(), 1);
    request.post("p", QUrl(server.baseUrl() + "/banner"), "raw=1", 2000);
    QTRY_COMPARE(finishes.size(), 2);
    QCOMPARE(finishes.at(0).name, QString("g"));
    QCOMPARE(finishes.at(0).error, QNetworkReply::NoError);
    QCOMPARE(finishes.at(0).body, QByteArray("body"));
    QCOMPARE(finishes.at(1).name, QString("p"));
    QCOMPARE(server.lastRequest("/banner").method, QByteArray("POST"));
    QCOMPARE(server.lastRequest("/banner").body, QByteArray("raw=1"));
    QCOMPARE(server.requests().at(0).method, QByteArray("GET"));
}

void TestHttpRequest::outcomes_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("error");
    QTest::newRow("time limit") << 200 << int(FakeHttpServer::NeverAnswer) << 0 << 150
                                << int(QNetworkReply::TimeoutError);
    QTest::newRow("answer inside the limit")
        << 200 << int(FakeHttpServer::NoFault) << 50 << 2000 << int(QNetworkReply::NoError);
    QTest::newRow("404") << 404 << int(FakeHttpServer::NoFault) << 0 << 2000
                         << int(QNetworkReply::ContentNotFoundError);
    QTest::newRow("cut short") << 200 << int(FakeHttpServer::CloseAfter) << 0 << 2000
                               << int(QNetworkReply::RemoteHostClosedError);
}

void TestHttpRequest::outcomes()
{
    QFETCH(int, status);
    QFETCH(int, fault);
    QFETCH(int, delayMs);
    QFETCH(int, limit);
    QFETCH(int, error);
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply reply;
    reply.status = status;
    reply.body = "0123456789";
    reply.fault = FakeHttpServer::Fault(fault);
    reply.faultAfter = 3;
    reply.delayMs = delayMs;
    server.setReply("/x", reply);
    HttpRequest request;
    QList<Finish> finishes;
    connect(&request, &HttpRequest::signalFinish, this,
        [&finishes](QNetworkReply::NetworkError e, const QString &name, const QByteArray &body) {
            finishes.append({ e, name, body });
        });
    request.post("json", QUrl(server.baseUrl() + "/x"), QByteArray(), limit);
    QTRY_COMPARE(finishes.size(), 1);
    // Past the limit on a timer of the requests' thread (the limit's own may run 5 % late): a second answer,
    // from the limit or the reply, would be here first.
    QVERIFY(roundTripAfter(&m_networkThread, limit * 11 / 10 + 20));
    QCOMPARE(finishes.size(), 1);
    QCOMPARE(int(finishes.first().error), error);
    QCOMPARE(finishes.first().name, QString("json"));
    QCOMPARE(finishes.first().body, error == 0 ? QByteArray("0123456789") : QByteArray());
}

void TestHttpRequest::noLimitWaitsForTheServer()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply slow;
    slow.body = "slow";
    slow.delayMs = 600;
    server.setReply("/slow", slow);
    HttpRequest request;
    QSignalSpy finished(&request, &HttpRequest::signalFinish);
    request.get("image", QUrl(server.baseUrl() + "/slow"), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);
    QCOMPARE(finished.at(0).at(2).toByteArray(), QByteArray("slow"));
}

void TestHttpRequest::twoRequestsWithOneName()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setJson("/a", "a");
    server.setJson("/b", "b");
    HttpRequest request;
    QSignalSpy finished(&request, &HttpRequest::signalFinish);
    request.get("same", QUrl(server.baseUrl() + "/a"), 2000);
    request.get("same", QUrl(server.baseUrl() + "/b"), 2000);
    QTRY_COMPARE(finished.size(), 2);
    QSet<QByteArray> bodies;
    for (const QList<QVariant> &args : finished) {
        QCOMPARE(args.at(1).toString(), QString("same"));
        bodies.insert(args.at(2).toByteArray());
    }
    QCOMPARE(bodies, QSet<QByteArray>({ "a", "b" }));
}

QTEST_GUILESS_MAIN(TestHttpRequest)
#include "tst_httprequest.moc"
