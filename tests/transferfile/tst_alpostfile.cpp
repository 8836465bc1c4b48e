// The upload job against the fake HTTP server: the exact requests of whole and ranged uploads, the answers, pause
// and restart, and the refusals before anything is sent.
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/threadroundtrip.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/transferfile/alpostfile.h"
#include "vrek/transferfile/uploadbody.h"
#include "vrek/utils/networkengine.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QThread>
#include <QtTest>

namespace {
const QString userId = QStringLiteral("u7");
const QByteArray uploadPath = "/vSocket/socket/recevieClient/uploadFile";

QByteArray pattern(qint64 size)
{
    return transferPattern(size);
}

// The file bytes of a request's multipart body; null when the body is not of the upload's form.
QByteArray filePart(const QByteArray &body, const QString &fileName)
{
    const QByteArray head = ALPostFile::bodyHead(fileName);
    const QByteArray tail = ALPostFile::bodyTail();
    if (!body.startsWith(head) || !body.endsWith(tail))
        return QByteArray();
    return body.mid(head.size(), body.size() - head.size() - tail.size());
}

// One upload job in the network thread, with what it reports collected in this thread.
struct Upload
{
    ALPostFile *job = nullptr;
    QObject context;
    QList<int> results;
    QList<qint64> confirmed;
    QList<qint64> progress;

    Upload(QThread *thread, const QString &address)
    {
        job = new ALPostFile(userId, g_networkEngine->networkManager());
        job->setServerAddrBase(address);
        job->moveThread(thread);
        QObject::connect(
            job, &ALPostFile::signalPostFileResult, &context,
            [this](const QString &, ALPostFile::PostFileStatus status) { results.append(int(status)); },
            Qt::QueuedConnection);
        QObject::connect(
            job, &ALPostFile::signalPostRangeFinish, &context,
            [this](const QString &, qint64 done, qint64) { confirmed.append(done); }, Qt::QueuedConnection);
        QObject::connect(
            job, &ALPostFile::signalUploadProgress, &context,
            [this](const QString &, qint64 sent, qint64) { progress.append(sent); }, Qt::QueuedConnection);
    }
    ~Upload() { job->deleteLater(); }

    void start(const QString &fileId, const QString &path, uint type, qint64 position = 0)
    {
        ALPostFile *target = job;
        QMetaObject::invokeMethod(
            job, [=] { target->start(fileId, path, type, position); }, Qt::QueuedConnection);
    }
    // Waits for the first result, then for a round trip through the job's thread, from which a second one would
    // come before it.
    int result()
    {
        QElapsedTimer waited;
        waited.start();
        while (results.isEmpty() && waited.elapsed() < 30000)
            QTest::qWait(10);
        if (!roundTripThrough(job->thread()))
            return -100;
        return results.size() == 1 ? results.first() : -results.size() - 1;
    }
};
} // namespace

class TestALPostFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void rangedRequests_data();
    void rangedRequests();
    void wholeFile_data();
    void wholeFile();
    void chunkAnswers_data();
    void chunkAnswers();
    void networkErrorWithABodyIsOneResult();
    void pauseDuringTheSecondChunk();
    void restartFromAStoredPosition();
    void refusals_data();
    void refusals();
    void busyStart();
    void bodyOfAShrinkingFile();

private:
    QString address() const { return m_server->baseUrl() + QString::fromLatin1(uploadPath); }
    QString writeFile(const QString &name, const QByteArray &content);
    // Answers every chunk with success, or with the given reply.
    void answerChunks(const QString &status = "success", int httpStatus = 200);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_server = nullptr;
};

void TestALPostFile::initTestCase()
{
    m_network = new NetworkEngineThread();
}

void TestALPostFile::cleanupTestCase()
{
    delete m_network;
}

void TestALPostFile::init()
{
    m_dir = new TempWorkDir();
    m_server = new FakeHttpServer();
    QVERIFY(m_server->listen());
}

void TestALPostFile::cleanup()
{
    delete m_server;
    m_server = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

QString TestALPostFile::writeFile(const QString &name, const QByteArray &content)
{
    m_dir->writeFile(name, content);
    return m_dir->filePath(name);
}

void TestALPostFile::answerChunks(const QString &status, int httpStatus)
{
    m_server->setHandler(uploadPath, [status, httpStatus](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.status = httpStatus;
        reply.body = chunkAnswer(request.form.value("fileId"), status);
        return reply;
    });
}

void TestALPostFile::rangedRequests_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("ranges");
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addColumn<QList<qint64>>("lengths");
    QTest::addColumn<QList<qint64>>("confirmed");
    QTest::newRow("2.5 MiB") << qint64(2621440)
                             << QStringList { "bytes 0-1048575/2621440", "bytes 1048576-2097151/2621440",
                                    "bytes 2097152-2621440/2621440" }
                             << QList<qint64> { 0, 1048576, 2097152 } << QList<qint64> { 1048576, 1048576, 524288 }
                             << QList<qint64> { 1048576, 2097152, 2621441 };
    // The last range ends at the size, and a file that ends on a chunk boundary gets an empty last part.
    QTest::newRow("0.5 MiB") << qint64(524288) << QStringList { "bytes 0-524287/524288", "bytes 524288-524288/524288" }
                             << QList<qint64> { 0, 524288 } << QList<qint64> { 524288, 0 }
                             << QList<qint64> { 524288, 524289 };
}

void TestALPostFile::rangedRequests()
{
    QFETCH(qint64, size);
    QFETCH(QStringList, ranges);
    QFETCH(QList<qint64>, offsets);
    QFETCH(QList<qint64>, lengths);
    QFETCH(QList<qint64>, confirmed);
    const QByteArray data = pattern(size);
    const QString path = writeFile("media/lesson.bin", data);
    answerChunks();
    Upload upload(m_network->thread(), address());
    upload.start("F1", path, 2);
    QCOMPARE(upload.result(), int(ALPostFile::Done));
    QCOMPARE(upload.confirmed, confirmed);

    const QList<FakeHttpServer::Request> requests = m_server->requests(uploadPath);
    QCOMPARE(requests.size(), ranges.size());
    for (int i = 0; i < requests.size(); ++i) {
        const FakeHttpServer::Request &request = requests.at(i);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, uploadPath + "?userId=u7&uploadType=2&clientWidth=3000&fileId=F1");
        QCOMPARE(request.header("connection"), QByteArray("Keep-Alive"));
        QCOMPARE(request.header("charset"), QByteArray("UTF-8"));
        QCOMPARE(request.header("content-type"), QByteArray("multipart/form-data;boundary=*****"));
        QCOMPARE(request.header("content-range"), ranges.at(i).toLatin1());
        QCOMPARE(request.header("content-length").toLongLong(), qint64(request.body.size()));
        const QByteArray expected
            = "--*****\r\nContent-Disposition: form-data; name=\"file0\";filename=\"lesson.bin\"\r\n"
              "\r\n"
            + data.mid(int(offsets.at(i)), int(lengths.at(i))) + "\r\n--*****--\r\n";
        QCOMPARE(request.body.size(), expected.size());
        QVERIFY(request.body == expected);
    }
    QVERIFY(!upload.progress.isEmpty());
    QVERIFY(upload.progress.last() <= size + 1);
}

void TestALPostFile::wholeFile_data()
{
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("result");
    QTest::newRow("plain answer") << 200 << QByteArray("ok") << int(ALPostFile::Done);
    QTest::newRow("empty answer") << 200 << QByteArray() << int(ALPostFile::Done);
    QTest::newRow("success") << 200 << chunkAnswer("W1", "success") << int(ALPostFile::Done);
    QTest::newRow("no space") << 200 << chunkAnswer("W1", "Insufficient space") << int(ALPostFile::NoSpace);
    QTest::newRow("another file") << 200 << chunkAnswer("W2", "success") << int(ALPostFile::BadAnswer);
    QTest::newRow("server error with status")
        << 502 << chunkAnswer("W1", "Upload failure") << int(ALPostFile::UploadFailure);
    QTest::newRow("server error") << 502 << QByteArray("bad gateway") << int(ALPostFile::NetworkError);
    QTest::newRow("not found") << 404 << chunkAnswer("W1", "success") << int(ALPostFile::NetworkError);
}

void TestALPostFile::wholeFile()
{
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, answer);
    QFETCH(int, result);
    const QByteArray data = pattern(1500000);
    const QString path = writeFile(QStringLiteral("作业 一.pdf"), data);
    FakeHttpServer::Reply reply;
    reply.status = httpStatus;
    reply.body = answer;
    m_server->setReply(uploadPath, reply);
    Upload upload(m_network->thread(), address());
    upload.start("W1", path, 1);
    QCOMPARE(upload.result(), result);
    QCOMPARE(m_server->requestCount(uploadPath), 1);
    const FakeHttpServer::Request request = m_server->lastRequest(uploadPath);
    QCOMPARE(request.form.value("uploadType"), QString("1"));
    QCOMPARE(request.header("content-range"), QByteArray());
    QVERIFY(filePart(request.body, QStringLiteral("作业 一.pdf")) == data);
    QVERIFY(upload.confirmed.isEmpty());
}

void TestALPostFile::chunkAnswers_data()
{
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("result");
    const QList<QPair<QString, int>> statuses {
        { "No transmission of user information was obtained", 10 },
        { "User information does not exist", 11 },
        { "Invalid upload type", 12 },
        { "Upload failure", 13 },
        { "The upload file type is incorrect", 14 },
        { "Failed to transfer PDF file", 15 },
        { "Converting SWF failed", 16 },
        { "file does not exist", 17 },
        { "Not a PDF file", 18 },
        { "Turn picture failure", 19 },
        { "Turn PDF file timeout", 20 },
        { "Insufficient space", 21 },
        { "something new", 22 },
    };
    for (const auto &status : statuses)
        QTest::addRow("%s", qPrintable(status.first)) << 200 << chunkAnswer("C1", status.first) << status.second;
    // A server error page that carries the server's answer: the answer decides.
    QTest::newRow("502 with status") << 502 << chunkAnswer("C1", "Insufficient space") << 21;
    QTest::newRow("502 with success") << 502 << chunkAnswer("C1", "success") << int(ALPostFile::Done);
    QTest::newRow("not json") << 200 << QByteArray("<html>") << 24;
    QTest::newRow("empty") << 200 << QByteArray() << 24;
    QTest::newRow("another file") << 200 << chunkAnswer("C2", "success") << 24;
    QTest::newRow("two entries") << 200
                                 << QByteArray(R"({"result":[{"fileId":"C1","fileName":"a","status":"success"},)"
                                               R"({"fileId":"C1","fileName":"a","status":"success"}]})")
                                 << 24;
    QTest::newRow("missing status") << 200 << QByteArray(R"({"result":[{"fileId":"C1","fileName":"a"}]})") << 24;
}

void TestALPostFile::chunkAnswers()
{
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, answer);
    QFETCH(int, result);
    const QString path = writeFile("a.bin", pattern(1000));
    FakeHttpServer::Reply reply;
    reply.status = httpStatus;
    reply.body = answer;
    m_server->setReply(uploadPath, reply);
    Upload upload(m_network->thread(), address());
    upload.start("C1", path, 2);
    QCOMPARE(upload.result(), result);
    // A file of 1000 bytes takes two requests when both are confirmed, else one.
    QCOMPARE(m_server->requestCount(uploadPath), result == int(ALPostFile::Done) ? 2 : 1);
}

void TestALPostFile::networkErrorWithABodyIsOneResult()
{
    const QString path = writeFile("a.bin", pattern(3 * 1048576));
    answerChunks("success", 404);
    Upload upload(m_network->thread(), address());
    upload.start("N1", path, 2);
    QCOMPARE(upload.result(), int(ALPostFile::NetworkError));
    QCOMPARE(m_server->requestCount(uploadPath), 1);
    QVERIFY(upload.confirmed.isEmpty());
}

void TestALPostFile::pauseDuringTheSecondChunk()
{
    const QString path = writeFile("a.bin", pattern(2621440));
    answerChunks();
    Upload upload(m_network->thread(), address());
    ALPostFile *job = upload.job;
    connect(m_server, &FakeHttpServer::requestReceived, this, [this, job](const FakeHttpServer::Request &) {
        // The server answers from this thread, after the pause has reached the job.
        if (m_server->requestCount(uploadPath) == 2)
            QMetaObject::invokeMethod(
                job, [job] { job->setIsPostFilePause(true); }, Qt::BlockingQueuedConnection);
    });
    upload.start("P1", path, 2);
    QCOMPARE(upload.result(), int(ALPostFile::Paused));
    QCOMPARE(upload.confirmed, (QList<qint64> { 1048576, 2097152 }));
    QCOMPARE(m_server->requestCount(uploadPath), 2);
}

void TestALPostFile::restartFromAStoredPosition()
{
    const QByteArray data = pattern(2621440);
    const QString path = writeFile("a.bin", data);
    answerChunks();
    Upload upload(m_network->thread(), address());
    // The manager passes the confirmed count less one.
    upload.start("R1", path, 2, 1048576 - 1);
    QCOMPARE(upload.result(), int(ALPostFile::Done));
    const QList<FakeHttpServer::Request> requests = m_server->requests(uploadPath);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).header("content-range"), QByteArray("bytes 1048576-2097151/2621440"));
    QVERIFY(filePart(requests.at(0).body, "a.bin") == data.mid(1048576, 1048576));
    QCOMPARE(requests.at(1).header("content-range"), QByteArray("bytes 2097152-2621440/2621440"));
    QCOMPARE(upload.confirmed, (QList<qint64> { 2097152, 2621441 }));
}

void TestALPostFile::refusals_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("withAddress");
    QTest::addColumn<uint>("type");
    QTest::addColumn<int>("result");
    QTest::newRow("empty path") << "" << true << 2u << int(ALPostFile::PathEmpty);
    QTest::newRow("no address") << "a.bin" << false << 2u << int(ALPostFile::AddressEmpty);
    QTest::newRow("no file name") << "media/" << true << 2u << int(ALPostFile::NameError);
    QTest::newRow("missing file") << "gone.bin" << true << 1u << int(ALPostFile::EmptyFile);
    QTest::newRow("empty file") << "empty.bin" << true << 2u << int(ALPostFile::EmptyFile);
    QTest::newRow("unknown type") << "a.bin" << true << 3u << int(ALPostFile::Unlisted);
}

void TestALPostFile::refusals()
{
    QFETCH(QString, path);
    QFETCH(bool, withAddress);
    QFETCH(uint, type);
    QFETCH(int, result);
    writeFile("a.bin", pattern(10));
    writeFile("empty.bin", QByteArray());
    QDir().mkpath("media");
    answerChunks();
    Upload upload(m_network->thread(), withAddress ? address() : QString());
    upload.start("X1", path, type);
    QCOMPARE(upload.result(), result);
    QCOMPARE(m_server->requestCount(uploadPath), 0);

    // The job is free again afterwards.
    upload.results.clear();
    upload.job->setServerAddrBase(address());
    upload.start("X1", m_dir->filePath("a.bin"), 2);
    QCOMPARE(upload.result(), int(ALPostFile::Done));
}

void TestALPostFile::busyStart()
{
    const QString path = writeFile("a.bin", pattern(5000));
    m_server->setHandler(uploadPath, [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = chunkAnswer(request.form.value("fileId"), "success");
        reply.delayMs = 30;
        return reply;
    });
    Upload upload(m_network->thread(), address());
    upload.start("B1", path, 2);
    QVERIFY(m_server->waitForRequest(uploadPath, 10000));
    ALPostFile *job = upload.job;
    const QString other = m_dir->filePath("a.bin");
    QMetaObject::invokeMethod(
        job, [job, other] { job->start("B2", other, 2, 0); }, Qt::BlockingQueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(upload.results.size(), 2, 20000);
    QCOMPARE(upload.results, (QList<int> { int(ALPostFile::Busy), int(ALPostFile::Done) }));
}

void TestALPostFile::bodyOfAShrinkingFile()
{
    const QString path = writeFile("a.bin", pattern(100000));
    UploadBody body(path, 1000, 50000, "head", "tail");
    QVERIFY(body.open(QIODevice::ReadOnly));
    QCOMPARE(body.size(), qint64(4 + 50000 + 4));
    QCOMPARE(body.read(10), QByteArray("head") + pattern(100000).mid(1000, 6));
    QVERIFY(QFile::resize(path, 20000));
    // Fewer bytes than announced: the read fails instead of sending something else.
    QByteArray rest;
    for (;;) {
        const QByteArray part = body.read(8192);
        if (part.isEmpty())
            break;
        rest += part;
    }
    QVERIFY(rest.size() < 50000 - 6 + 4);

    // The slice ends at the end of the file; an emptied file cannot be opened.
    UploadBody end(path, 15000, 50000, "h", "t");
    QVERIFY(end.open(QIODevice::ReadOnly));
    QCOMPARE(end.readAll(), "h" + pattern(100000).mid(15000, 5000) + "t");
    QVERIFY(QFile::resize(path, 0));
    UploadBody empty(path, 0, 10, "h", "t");
    QVERIFY(!empty.open(QIODevice::ReadOnly));
}

QTEST_GUILESS_MAIN(TestALPostFile)
#include "tst_alpostfile.moc"
