#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "updater/httpdownload.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>
#include <thread>

using ZR::HttpDownload;

namespace {
// Time limits short enough that every time-out test ends well within a second.
HttpDownload::Limits quickLimits()
{
    HttpDownload::Limits limits;
    limits.connectTimeoutMs = 60;
    limits.sendTimeoutMs = 60;
    limits.receiveTimeoutMs = 60;
    limits.retryWaitMs = 50;
    return limits;
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

struct Outcome
{
    bool returned = false;
    int code = -1;
    int finishedCalls = 0;
    int progressCalls = 0;
    qint64 progressBytes = 0;
    quint64 lastReceived = 0;
    quint64 lastTotal = 0;
    bool progressConsistent = true;
    qint64 elapsedMs = 0;
};

// The client blocks, and the fake server lives in this thread's event loop: run the client on a worker and
// keep the loop turning until it returns.
template<typename Call>
void runBlocking(Call call)
{
    std::atomic<bool> done { false };
    std::thread worker([&] {
        call();
        done = true;
    });
    while (!done)
        QTest::qWait(2);
    worker.join();
}

Outcome download(HttpDownload &client, const QString &url, const QString &output)
{
    Outcome outcome;
    client.setFinishedAction([&outcome](int code) {
        outcome.code = code;
        ++outcome.finishedCalls;
    });
    client.setProgressAction([&outcome](int &bytes, uint64_t &received, uint64_t &total) {
        ++outcome.progressCalls;
        outcome.progressBytes += bytes;
        if (bytes <= 0 || bytes > 1024 || received <= outcome.lastReceived || received > total)
            outcome.progressConsistent = false;
        outcome.lastReceived = received;
        outcome.lastTotal = total;
    });
    QElapsedTimer timer;
    timer.start();
    runBlocking([&] { outcome.returned = client.download(url.toStdString(), output.toStdString()); });
    outcome.elapsedMs = timer.elapsed();
    return outcome;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

Q_DECLARE_METATYPE(FakeHttpServer::Reply)

class TestHttpDownload : public QObject
{
    Q_OBJECT
private slots:
    void splitUrl_data();
    void splitUrl();
    void unusableUrl_data();
    void unusableUrl();
    void serverBehaviour_data();
    void serverBehaviour();
    void resetMidBodyResumesWithTheRest();
    void secondAttemptMustAgreeOnTheTotal();
    void bodyTimeoutsCountOverTheWholeBody();
    void requestLineAndHost();
    void longRequestIsSent();
    void refusedConnectFailsFast();
    void busyObjectRefusesAndAbortEndsAtOnce();
    void queryFileSize_data();
    void queryFileSize();
};

void TestHttpDownload::splitUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("default port") << "http://update.example/file" << true << "update.example" << 80 << "/file";
    QTest::newRow("port and path") << "http://update.example:8088/a/b" << true << "update.example" << 8088 << "/a/b";
    QTest::newRow("doubled slash kept") << "http://h:8088/saas/update//student/files/filelist.xml" << true << "h"
                                        << 8088 << "/saas/update//student/files/filelist.xml";
    QTest::newRow("colon in the path, no port") << "http://h/a:80/b" << true << "h/a" << 80 << "/b";
    QTest::newRow("colon in the path, no digits") << "http://h/a:b" << false << "" << 0 << "";
    QTest::newRow("no http://") << "update.example/file" << false << "" << 0 << "";
    QTest::newRow("https") << "https://update.example/file" << false << "" << 0 << "";
    QTest::newRow("empty") << "" << false << "" << 0 << "";
    QTest::newRow("no path") << "http://update.example" << false << "" << 0 << "";
    QTest::newRow("port 0") << "http://h:0/x" << false << "" << 0 << "";
    QTest::newRow("port too big") << "http://h:65536/x" << false << "" << 0 << "";
    QTest::newRow("host of 255") << "http://" + QString(255, 'a') + "/x" << true << QString(255, 'a') << 80 << "/x";
    QTest::newRow("host of 256") << "http://" + QString(256, 'a') + "/x" << false << "" << 0 << "";
    QTest::newRow("path of 256") << "http://h/" + QString(255, 'p') << false << "" << 0 << "";
}

void TestHttpDownload::splitUrl()
{
    QFETCH(QString, url);
    QFETCH(bool, ok);
    HttpDownload::Url parts;
    QCOMPARE(HttpDownload::splitUrl(url.toStdString(), &parts), ok);
    if (!ok)
        return;
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(parts.host), host);
    QCOMPARE(parts.port, port);
    QCOMPARE(QString::fromStdString(parts.path), path);
}

void TestHttpDownload::unusableUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("no http://") << "127.0.0.1/file";
    QTest::newRow("over-long host") << "http://" + QString(256, 'a') + "/file";
    QTest::newRow("colon in the path") << "http://127.0.0.1/a:80/file"; // the host "127.0.0.1/a" is no name
}

void TestHttpDownload::unusableUrl()
{
    QFETCH(QString, url);
    TempWorkDir dir;
    HttpDownload client(quickLimits());
    const Outcome outcome = download(client, url, dir.filePath("out"));
    QVERIFY(!outcome.returned);
    QCOMPARE(outcome.code, int(HttpDownload::BadUrl));
    QCOMPARE(outcome.finishedCalls, 1);
    QVERIFY(!QFile::exists(dir.filePath("out")));
}

void TestHttpDownload::serverBehaviour_data()
{
    QTest::addColumn<FakeHttpServer::Reply>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QByteArray>("content");

    const QByteArray body = pattern(5000);
    FakeHttpServer::Reply ranged;
    ranged.ranges = true;
    ranged.body = body;
    ranged.contentType = "application/octet-stream";
    QTest::newRow("whole file") << ranged << 0 << 1 << body;

    FakeHttpServer::Reply reply = ranged;
    reply.delayMs = 30;
    QTest::newRow("slow answer within the limit") << reply << 0 << 1 << body;

    reply = FakeHttpServer::Reply();
    reply.status = 416;
    reply.contentType = "text/html";
    reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes */0")));
    QTest::newRow("empty file, 416 bytes */0") << reply << 0 << 1 << QByteArray();

    // What nginx 1.22 really answers for a range of an empty file.
    reply = FakeHttpServer::Reply();
    reply.contentType = "text/plain";
    QTest::newRow("empty file, 200 with length 0") << reply << 0 << 1 << QByteArray();

    reply = FakeHttpServer::Reply();
    reply.status = 404;
    reply.body = "not found";
    QTest::newRow("404") << reply << 1 << 2 << QByteArray();

    reply = FakeHttpServer::Reply();
    reply.body = body;
    QTest::newRow("200 without Content-Range") << reply << 1 << 2 << QByteArray();

    reply = ranged;
    reply.fault = FakeHttpServer::NoContentRange;
    QTest::newRow("206 without Content-Range") << reply << 1 << 2 << QByteArray();

    reply = ranged;
    reply.fault = FakeHttpServer::WrongFirstByte;
    QTest::newRow("range starts late") << reply << 1 << 2 << QByteArray();

    // Each attempt gets 1000 bytes more and then the connection ends: two attempts, 2000 bytes, not the file.
    reply = ranged;
    reply.fault = FakeHttpServer::CloseAfter;
    reply.faultAfter = 1000;
    QTest::newRow("closed before the total") << reply << 1 << 2 << body.left(2000);

    reply.fault = FakeHttpServer::StallAfter;
    QTest::newRow("stalls mid-body") << reply << 1 << 2 << body.left(2000);

    reply = ranged;
    reply.fault = FakeHttpServer::NeverAnswer;
    QTest::newRow("never answers") << reply << 1 << 2 << QByteArray();

    reply = FakeHttpServer::Reply();
    reply.status = 206;
    reply.body = body;
    reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes 0-999/1000")));
    QTest::newRow("longer than declared is cut") << reply << 0 << 1 << body.left(1000);

    reply = FakeHttpServer::Reply();
    reply.status = 416;
    reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes */10")));
    QTest::newRow("416 for a file that is not empty") << reply << 1 << 2 << QByteArray();

    reply = FakeHttpServer::Reply();
    reply.status = 206;
    reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes 0-0/0")));
    QTest::newRow("total 0 in a 206") << reply << 1 << 2 << QByteArray();
}

void TestHttpDownload::serverBehaviour()
{
    QFETCH(FakeHttpServer::Reply, reply);
    QFETCH(int, code);
    QFETCH(int, attempts);
    QFETCH(QByteArray, content);

    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/files/f.bin", reply);
    HttpDownload client(quickLimits());
    const Outcome outcome = download(client, server.baseUrl() + "/files/f.bin", dir.filePath("f.bin"));

    QCOMPARE(outcome.code, code);
    QCOMPARE(outcome.returned, code == 0);
    QCOMPARE(outcome.finishedCalls, 1);
    QCOMPARE(server.requestCount("/files/f.bin"), attempts);
    QCOMPARE(readAll(dir.filePath("f.bin")), content);
    QVERIFY(outcome.progressConsistent);
    QCOMPARE(outcome.progressBytes, qint64(content.size()));
    // By the short limits: a stall or silence under the usual ones would take longer than this on its own.
    const HttpDownload::Limits usual;
    QVERIFY2(outcome.elapsedMs < usual.receiveTimeoutMs * usual.timeoutLimit,
        qPrintable(QString::number(outcome.elapsedMs)));
    QVERIFY(!client.isBusy());
}

void TestHttpDownload::resetMidBodyResumesWithTheRest()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray body = pattern(200000);
    int calls = 0;
    server.setHandler("/files/big.bin", [&](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply;
        reply.ranges = true;
        reply.body = body;
        if (calls++ == 0) {
            reply.fault = FakeHttpServer::ResetAfter;
            reply.faultAfter = 70000;
        }
        return reply;
    });
    HttpDownload client(quickLimits());
    quint64 firstAttemptBytes = 0;
    Outcome outcome;
    client.setFinishedAction([&](int code) { outcome.code = code; });
    client.setProgressAction([&](int &bytes, uint64_t &, uint64_t &) {
        outcome.progressBytes += bytes;
        if (server.requestCount("/files/big.bin") <= 1)
            firstAttemptBytes += bytes;
    });
    runBlocking([&] {
        outcome.returned = client.download(
            (server.baseUrl() + "/files/big.bin").toStdString(), dir.filePath("big.bin").toStdString());
    });

    QVERIFY(outcome.returned);
    QCOMPARE(outcome.code, 0);
    const QList<FakeHttpServer::Request> requests = server.requests("/files/big.bin");
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).header("range"), QByteArray("bytes=0-"));
    const QByteArray secondRange = requests.at(1).header("range");
    QVERIFY(secondRange.startsWith("bytes=") && secondRange.endsWith("-"));
    const qint64 resumedAt = secondRange.mid(6, secondRange.size() - 7).toLongLong();
    QVERIFY2(resumedAt > 0 && resumedAt <= 70000, secondRange.constData());
    QCOMPARE(readAll(dir.filePath("big.bin")), body);
    // Every byte was reported once, the first attempt's bytes too.
    QCOMPARE(outcome.progressBytes, qint64(body.size()));
}

void TestHttpDownload::secondAttemptMustAgreeOnTheTotal()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    int calls = 0;
    server.setHandler("/files/f.bin", [&](const FakeHttpServer::Request &) {
        FakeHttpServer::Reply reply;
        reply.ranges = true;
        if (calls++ == 0) {
            reply.body = pattern(4000);
            reply.fault = FakeHttpServer::CloseAfter;
            reply.faultAfter = 1000;
        } else {
            reply.body = pattern(6000); // the file was replaced between the attempts
        }
        return reply;
    });
    HttpDownload client(quickLimits());
    const Outcome outcome = download(client, server.baseUrl() + "/files/f.bin", dir.filePath("f.bin"));
    QCOMPARE(outcome.code, 1);
    QCOMPARE(server.requestCount("/files/f.bin"), 2);
    QCOMPARE(server.lastRequest("/files/f.bin").header("range"), QByteArray("bytes=1000-"));
    QCOMPARE(readAll(dir.filePath("f.bin")).size(), 1000);
}

void TestHttpDownload::bodyTimeoutsCountOverTheWholeBody()
{
    // Seven pieces with a pause of three time-outs between each: data keeps flowing, yet the pauses add up.
    QTcpServer trickle;
    QVERIFY(trickle.listen(QHostAddress::LocalHost));
    const int piece = 100;
    const int pieces = 7;
    int requests = 0;
    connect(&trickle, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *socket = trickle.nextPendingConnection();
        ++requests;
        connect(socket, &QTcpSocket::readyRead, socket, [socket, piece, pieces] {
            if (!socket->readAll().contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-"
                + QByteArray::number(piece * pieces - 1) + "/" + QByteArray::number(piece * pieces)
                + "\r\nConnection: close\r\n\r\n");
            for (int i = 0; i < pieces; ++i) {
                QTimer::singleShot(i * 180, socket, [socket, piece] { socket->write(QByteArray(piece, 'x')); });
            }
        });
    });
    HttpDownload::Limits limits = quickLimits();
    limits.attempts = 1;
    TempWorkDir dir;
    HttpDownload client(limits);
    const Outcome outcome
        = download(client, QString("http://127.0.0.1:%1/f.bin").arg(trickle.serverPort()), dir.filePath("f.bin"));
    QCOMPARE(outcome.code, 1);
    QCOMPARE(requests, 1);
    QVERIFY(outcome.progressBytes > 0);
    QVERIFY(outcome.progressBytes < piece * pieces);
}

void TestHttpDownload::requestLineAndHost()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply reply;
    reply.ranges = true;
    reply.body = "x";
    const QByteArray encoded = "/saas/update//student/files/a%20b%25%23%3F%C3%A9.so";
    server.setReply(encoded, reply);
    HttpDownload client(quickLimits());
    const QString url = QString("http://localhost:%1/saas/update//student/files/a b%#?\u00e9.so").arg(server.port());
    const Outcome outcome = download(client, url, dir.filePath("f"));
    QCOMPARE(outcome.code, 0);
    const FakeHttpServer::Request request = server.lastRequest(encoded);
    QCOMPARE(request.target, encoded);
    QCOMPARE(request.header("host"), QString("localhost:%1").arg(server.port()).toLatin1());
    QCOMPARE(request.header("range"), QByteArray("bytes=0-"));
    QCOMPARE(request.header("connection"), QByteArray("close"));
}

void TestHttpDownload::longRequestIsSent()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray path = "/" + QByteArray(120, 'd') + "/" + QByteArray(120, 'f');
    FakeHttpServer::Reply reply;
    reply.ranges = true;
    reply.body = "content";
    server.setReply(path, reply);
    HttpDownload client(quickLimits());
    const Outcome outcome = download(client, server.baseUrl() + path, dir.filePath("f"));
    QCOMPARE(outcome.code, 0);
    QCOMPARE(readAll(dir.filePath("f")), QByteArray("content"));
}

void TestHttpDownload::refusedConnectFailsFast()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    HttpDownload::Limits limits = quickLimits();
    limits.connectTimeoutMs = 10000; // a refusal must not wait for the time-out
    TempWorkDir dir;
    HttpDownload client(limits);
    const Outcome outcome = download(client, QString("http://127.0.0.1:%1/f").arg(port), dir.filePath("f"));
    QCOMPARE(outcome.code, 1);
    QVERIFY2(outcome.elapsedMs < limits.connectTimeoutMs, qPrintable(QString::number(outcome.elapsedMs)));
}

void TestHttpDownload::busyObjectRefusesAndAbortEndsAtOnce()
{
    TempWorkDir dir;
    FakeHttpServer server;
    QVERIFY(server.listen());
    FakeHttpServer::Reply reply;
    reply.fault = FakeHttpServer::NeverAnswer;
    server.setReply("/f", reply);
    HttpDownload::Limits limits;
    limits.receiveTimeoutMs = 10000;
    HttpDownload client(limits);
    std::atomic<int> code { -1 };
    client.setFinishedAction([&code](int finished) { code = finished; });
    std::atomic<bool> done { false };
    std::thread worker([&] {
        client.download((server.baseUrl() + "/f").toStdString(), dir.filePath("f").toStdString());
        done = true;
    });
    QVERIFY(server.waitForRequest("/f"));
    QVERIFY(client.isBusy());

    uint64_t size = 0;
    QVERIFY(!client.queryFileSize(size, (server.baseUrl() + "/f").toStdString()));
    QVERIFY(!client.download((server.baseUrl() + "/f").toStdString(), dir.filePath("g").toStdString()));
    QCOMPARE(code.load(), -1);
    QVERIFY(!QFile::exists(dir.filePath("g")));

    QElapsedTimer timer;
    timer.start();
    client.abort();
    while (!done)
        QTest::qWait(2);
    worker.join();
    // Sooner than the wait it was in would have timed out.
    QVERIFY2(timer.elapsed() < limits.receiveTimeoutMs, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(code.load(), 1);
    QCOMPARE(server.requestCount("/f"), 1); // no second attempt after an abort
}

void TestHttpDownload::queryFileSize_data()
{
    QTest::addColumn<FakeHttpServer::Reply>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint64>("size");
    QTest::addColumn<int>("attempts");
    FakeHttpServer::Reply reply;
    reply.ranges = true;
    reply.body = pattern(123456);
    QTest::newRow("size") << reply << true << quint64(123456) << 1;
    reply.body.clear();
    reply.ranges = false;
    reply.status = 416;
    reply.headers.append(qMakePair(QByteArray("Content-Range"), QByteArray("bytes */0")));
    QTest::newRow("empty file, 416") << reply << true << quint64(0) << 1;
    reply.status = 200;
    reply.headers.clear();
    QTest::newRow("empty file, 200") << reply << true << quint64(0) << 1;
    reply = FakeHttpServer::Reply();
    reply.status = 404;
    QTest::newRow("404") << reply << false << quint64(0) << 2;
}

void TestHttpDownload::queryFileSize()
{
    QFETCH(FakeHttpServer::Reply, reply);
    QFETCH(bool, ok);
    QFETCH(quint64, size);
    QFETCH(int, attempts);
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/f", reply);
    HttpDownload client(quickLimits());
    int finishedCalls = 0;
    client.setFinishedAction([&finishedCalls](int) { ++finishedCalls; });
    bool returned = false;
    uint64_t answered = 0;
    runBlocking([&] { returned = client.queryFileSize(answered, (server.baseUrl() + "/f").toStdString()); });
    QCOMPARE(returned, ok);
    if (ok)
        QCOMPARE(quint64(answered), size);
    QCOMPARE(server.requestCount("/f"), attempts);
    QCOMPARE(server.lastRequest("/f").header("range"), QByteArray("bytes=0-"));
    QCOMPARE(finishedCalls, 0); // only an unusable URL is reported through the action

    runBlocking([&] { returned = client.queryFileSize(answered, "http://" + std::string(300, 'h') + "/f"); });
    QVERIFY(!returned);
    QCOMPARE(finishedCalls, 1);
}

QTEST_GUILESS_MAIN(TestHttpDownload)
#include "tst_httpdownload.moc"
