#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/chat/pictureupload.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webhost.h"

#include <QPointer>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QByteArray uploadPath = "/mobile/httpUploadCourseware";

QByteArray successReply(const QString &address)
{
    const QJsonObject inner { { "originalGraph", address } };
    const QJsonObject reply { { "requestStatus", "success" },
        { "requestBody", QString::fromUtf8(QJsonDocument(inner).toJson(QJsonDocument::Compact)) } };
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}
} // namespace

// One chat picture: posted to the web host as a form, its address sent on to the lecturer.
class TestPictureUpload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void webHostAddress_data();
    void webHostAddress();
    void queryValuesAreEscaped();
    void uploadTellsTheLecturer();
    void answersThatTellNobody_data();
    void answersThatTellNobody();
    void unreadableFileStartsNothing();
    void unreachableServerTellsNobody();

private:
    // Uploads the file and waits until the upload has released itself.
    void upload(const QString &path);

    ClassroomLink *m_link = nullptr;
    FakeHttpServer *m_http = nullptr;
    TempWorkDir *m_work = nullptr;
};

void TestPictureUpload::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_http = new FakeHttpServer;
    QVERIFY(m_http->listen());
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    QVERIFY(m_work->writeFile("Photo 1.JPG", QByteArray(2048, 'x')));
}

void TestPictureUpload::cleanupTestCase()
{
    delete m_work;
    delete m_http;
    delete m_link;
}

void TestPictureUpload::init()
{
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_http->port());
    g_userId = "S1";
    g_loginSignId = "sign1";
    g_videoId = "v1";
    g_classId = "class9";
    g_lectId = "L9";
    m_http->clearRequests();
    m_http->clearRoutes();
    m_link->clear();
    m_link->server().clearLines();
}

void TestPictureUpload::upload(const QString &path)
{
    QPointer<PictureUpload> upload = new PictureUpload;
    QVERIFY(upload->setFileName(path));
    upload->startUpload();
    QTRY_VERIFY_WITH_TIMEOUT(upload.isNull(), 10000);
}

void TestPictureUpload::webHostAddress_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("base");
    QTest::newRow("port 80") << "80"
                             << "http://school.example";
    QTest::newRow("no port") << ""
                             << "http://school.example";
    QTest::newRow("another port") << "8080"
                                  << "http://school.example:8080";
    QTest::newRow("port 8") << "8"
                            << "http://school.example:8";
}

void TestPictureUpload::webHostAddress()
{
    QFETCH(QString, port);
    QFETCH(QString, base);
    g_webHost = "school.example";
    g_webPort = port;
    QCOMPARE(WebHost::baseUrl(), base);
    QCOMPARE(PictureUpload::uploadUrl(),
        base + "/mobile/httpUploadCourseware?userId=S1&loginSignId=sign1&videoId=v1&classId=class9");
}

void TestPictureUpload::queryValuesAreEscaped()
{
    g_userId = "S 1";
    g_loginSignId = "a&b=c";
    g_videoId = "v/1?#";
    g_classId = "班级+1";
    m_http->setJson(uploadPath, successReply("http://img/a.png"));
    upload(m_work->filePath("Photo 1.JPG"));
    QCOMPARE(m_http->requestCount(uploadPath), 1);
    QCOMPARE(m_http->lastRequest(uploadPath).target,
        QByteArray("/mobile/httpUploadCourseware?userId=S%201&loginSignId=a%26b%3Dc&videoId=v%2F1%3F%23"
                   "&classId=%E7%8F%AD%E7%BA%A7%2B1"));
    // The lecturer is told on the classroom connection's own thread: waited for here, the line cannot turn up
    // in the next test.
    QVERIFY(!m_link->server().waitForLine("11\t", 10000).isNull());
}

void TestPictureUpload::uploadTellsTheLecturer()
{
    m_http->setJson(uploadPath, successReply("http://127.0.0.1/pic/a.JPG"));
    upload(m_work->filePath("Photo 1.JPG"));

    const FakeHttpServer::Request request = m_http->lastRequest(uploadPath);
    QCOMPARE(request.method, QByteArray("POST"));
    QVERIFY(request.header("content-type").startsWith("multipart/form-data; boundary="));
    const QByteArray body = request.body;
    // The suffix keeps its case; the form names the file without its folders.
    QVERIFY2(body.contains("image/JPG\r\n"), body.left(300).constData());
    QVERIFY(body.contains("form-data; name=\"image\"; filename=\"Photo 1.JPG\"\r\n"));
    QVERIFY(!body.contains(m_work->path().toUtf8()));
    QVERIFY(body.contains(QByteArray(2048, 'x')));

    QCOMPARE(m_link->server().waitForLine("11\t"), QString("11\t1\tL9\tS1:http://127.0.0.1/pic/a.JPG\t13"));
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tL9\tS1:http://127.0.0.1/pic/a.JPG\t13" });
}

void TestPictureUpload::answersThatTellNobody_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("errors"); // signalUploadError emissions

    QTest::newRow("error status") << 200 << QByteArray(R"({"requestStatus":"error","requestBody":"x"})") << 1;
    QTest::newRow("not json") << 200 << QByteArray("<html>busy</html>") << 0;
    QTest::newRow("empty") << 200 << QByteArray() << 0;
    QTest::newRow("body is an object")
        << 200 << QByteArray(R"({"requestStatus":"success","requestBody":{"originalGraph":"http://a"}})") << 0;
    QTest::newRow("body text is no object")
        << 200 << QByteArray(R"({"requestStatus":"success","requestBody":"http://a"})") << 0;
    QTest::newRow("unknown status") << 200 << QByteArray(R"({"requestStatus":"busy"})") << 0;
    QTest::newRow("no address") << 200 << successReply("") << 0;
    QTest::newRow("server error") << 500 << successReply("http://a") << 0;
}

void TestPictureUpload::answersThatTellNobody()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, errors);
    m_http->setJson(uploadPath, body, status);

    QPointer<PictureUpload> upload = new PictureUpload;
    QSignalSpy uploadErrors(upload.data(), &PictureUpload::signalUploadError);
    QVERIFY(upload->setFileName(m_work->filePath("Photo 1.JPG")));
    upload->startUpload();
    QTRY_VERIFY_WITH_TIMEOUT(upload.isNull(), 10000);
    QCOMPARE(uploadErrors.count(), errors);
    QCOMPARE(m_http->requestCount(uploadPath), 1);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestPictureUpload::unreadableFileStartsNothing()
{
    QPointer<PictureUpload> upload = new PictureUpload;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^file open fail!"));
    QVERIFY(!upload->setFileName(m_work->filePath("missing.png")));
    QTRY_VERIFY(upload.isNull());
    QCOMPARE(m_http->requests().size(), 0);
}

void TestPictureUpload::unreachableServerTellsNobody()
{
    {
        FakeHttpServer gone;
        QVERIFY(gone.listen());
        g_webPort = QString::number(gone.port());
    }
    upload(m_work->filePath("Photo 1.JPG"));
    QVERIFY(m_link->forwards().isEmpty());
}

QTEST_MAIN(TestPictureUpload)
#include "tst_pictureupload.moc"
