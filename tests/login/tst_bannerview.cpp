#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/login/bannerjson.h"
#include "vrek/login/bannerview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httprequest.h"
#include "vrek/utils/networkengine.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QThread>
#include <QtTest>

namespace {
QByteArray jpeg(const QColor &color)
{
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

QByteArray description(int id, const QString &image, const QString &link)
{
    return QString(R"({"result":[{"id":%1,"img":"%2","link":"%3"}]})").arg(id).arg(image, link).toUtf8();
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};
} // namespace

class TestBannerView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void parse_data();
    void parse();
    void defaultBannerWithoutCache();
    void aFolderOfThreeFilesIsEmptied();
    void cacheIsShownAtOnce();
    void newBannerIsFetchedCachedAndShownAfterTheDelay();
    void bannerListIsAskedOfTheFileServer_data();
    void bannerListIsAskedOfTheFileServer();
    void sameBannerDownloadsNothing();
    void emptyResultKeepsTheBanner();
    void onlyWebLinksAreOpened_data();
    void onlyWebLinksAreOpened();

private:
    bool writeCache(int id, const QString &link);
    QThread m_networkThread;
    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_server = nullptr;
    UrlRecorder m_urls;
};

void TestBannerView::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
    g_fileHost = "127.0.0.1";
    for (const char *scheme : { "http", "https", "file", "javascript", "smb" })
        QDesktopServices::setUrlHandler(scheme, &m_urls, "open");
}

void TestBannerView::cleanupTestCase()
{
    for (const char *scheme : { "http", "https", "file", "javascript", "smb" })
        QDesktopServices::unsetUrlHandler(scheme);
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestBannerView::init()
{
    m_dir = new TempWorkDir();
    m_server = new FakeHttpServer();
    QVERIFY(m_server->listen());
    m_urls.opened.clear();
}

void TestBannerView::cleanup()
{
    delete m_server;
    delete m_dir;
}

bool TestBannerView::writeCache(int id, const QString &link)
{
    return m_dir->writeFile(QString("banner/%1.jpg").arg(id), jpeg(Qt::red))
        && m_dir->writeFile(QString("banner/%1.json").arg(id), description(id, "http://x/1.jpg", link));
}

void TestBannerView::parse_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<bool>("valid");
    QTest::newRow("valid") << description(3, "http://a/b.jpg", "http://a") << true << true;
    QTest::newRow("first entry counts") << QByteArray(
        R"({"result":[{"id":4,"img":"i","link":"l"},{"id":5,"img":"j","link":"m"}]})")
                                        << true << true;
    QTest::newRow("no link") << QByteArray(R"({"result":[{"id":4,"img":"i"}]})") << true << false;
    QTest::newRow("no id") << QByteArray(R"({"result":[{"img":"i","link":"l"}]})") << true << false;
    QTest::newRow("empty result") << QByteArray(R"({"result":[]})") << false << false;
    QTest::newRow("not json") << QByteArray("<html>") << false << false;
}

void TestBannerView::parse()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, parsed);
    QFETCH(bool, valid);
    BannerJson banner;
    QCOMPARE(banner.parse(json), parsed);
    QCOMPARE(banner.isValid(), valid);
}

void TestBannerView::defaultBannerWithoutCache()
{
    BannerView view;
    QCOMPARE(view.shownLink(), QString("http://127.0.0.1"));
    QVERIFY(!view.shownPicture().isNull());
    QCOMPARE(view.shownPicture().toImage(), QPixmap(":/vrek/image/login/bg2.jpg").toImage());
}

void TestBannerView::aFolderOfThreeFilesIsEmptied()
{
    QVERIFY(writeCache(1, "http://one.example/"));
    QVERIFY(m_dir->writeFile("banner/2.jpg", jpeg(Qt::blue)));
    BannerView view;
    QCOMPARE(view.shownLink(), QString("http://127.0.0.1"));
    QVERIFY(QDir("banner").entryList(QDir::Files).isEmpty());
}

void TestBannerView::cacheIsShownAtOnce()
{
    QVERIFY(writeCache(9, "https://school.example/news"));
    BannerView view;
    QCOMPARE(view.shownLink(), QString("https://school.example/news"));
    QCOMPARE(QColor(view.shownPicture().toImage().pixel(5, 5)).red() > 200, true);
}

void TestBannerView::newBannerIsFetchedCachedAndShownAfterTheDelay()
{
    QVERIFY(writeCache(1, "http://old.example/"));
    const auto serve = [this](int id, const QColor &color) {
        const QString image = m_server->baseUrl() + QString("/img/%1.jpg").arg(id);
        m_server->setJson(
            "/vSocket/socket/getBanners", description(id, image, QString("https://school.example/%1").arg(id)));
        FakeHttpServer::Reply reply;
        reply.body = jpeg(color);
        reply.contentType = "image/jpeg";
        m_server->setReply(QString("/img/%1.jpg").arg(id).toLatin1(), reply);
    };
    serve(7, Qt::green);
    {
        // With a delay longer than the test, the old banner is still shown once the new one is cached.
        BannerView waiting;
        waiting.setBannerPort(m_server->port());
        waiting.setSwitchDelay(3600 * 1000);
        waiting.requestBanner();
        QVERIFY(m_server->waitForRequest("/img/7.jpg"));
        QCOMPARE(m_server->lastRequest("/vSocket/socket/getBanners").method, QByteArray("POST"));
        QTRY_COMPARE(QDir("banner").entryList(QDir::Files), QStringList({ "7.jpg", "7.json" }));
        QCOMPARE(waiting.shownLink(), QString("http://old.example/"));
    }

    // The delay counts from the request.
    serve(8, Qt::blue);
    BannerView view;
    QCOMPARE(view.shownLink(), QString("https://school.example/7"));
    view.setBannerPort(m_server->port());
    view.setSwitchDelay(600);
    QElapsedTimer clock;
    clock.start();
    view.requestBanner();
    QTRY_COMPARE(view.shownLink(), QString("https://school.example/8"));
    QVERIFY(clock.elapsed() >= 550);
    QVERIFY(QColor(view.shownPicture().toImage().pixel(5, 5)).blue() > 200);
    QCOMPARE(QDir("banner").entryList(QDir::Files), QStringList({ "8.jpg", "8.json" }));

    BannerView next; // the next start shows it at once
    QCOMPARE(next.shownLink(), QString("https://school.example/8"));
}

void TestBannerView::bannerListIsAskedOfTheFileServer_data()
{
    QTest::addColumn<QString>("filePort");
    QTest::addColumn<int>("port");
    QTest::newRow("built-in file port") << "34127" << 34127;
    QTest::newRow("file server moved") << "4711" << 4711;
    QTest::newRow("no port") << "not a port" << 34127;
    QTest::newRow("out of range") << "70000" << 34127;
}

void TestBannerView::bannerListIsAskedOfTheFileServer()
{
    QFETCH(QString, filePort);
    QFETCH(int, port);
    const QString saved = g_filePort;
    g_filePort = filePort;
    BannerView view;
    QCOMPARE(view.bannerListUrl(), QUrl(QString("http://127.0.0.1:%1/vSocket/socket/getBanners").arg(port)));
    g_filePort = saved;

    // A file server on a port of its own answers it.
    m_server->setJson("/vSocket/socket/getBanners", R"({"result":[]})");
    g_filePort = QString::number(m_server->port());
    BannerView asking;
    asking.requestBanner();
    g_filePort = saved;
    QVERIFY(m_server->waitForRequest("/vSocket/socket/getBanners"));
}

void TestBannerView::sameBannerDownloadsNothing()
{
    // Its picture is on this server: a download of it would be seen here.
    const QString image = m_server->baseUrl() + "/img/3.jpg";
    QVERIFY(writeCache(3, "http://same.example/"));
    QVERIFY(m_dir->writeFile("banner/3.json", description(3, image, "http://same.example/")));
    m_server->setJson("/vSocket/socket/getBanners", description(3, image, "http://same.example/"));
    FakeHttpServer::Reply picture;
    picture.body = jpeg(Qt::red);
    picture.contentType = "image/jpeg";
    m_server->setReply("/img/3.jpg", picture);
    BannerView view;
    view.setBannerPort(m_server->port());
    QSignalSpy answered(view.findChild<HttpRequest *>(), &HttpRequest::signalFinish);
    view.requestBanner();
    QVERIFY(answered.wait(10000));
    QCOMPARE(view.shownLink(), QString("http://same.example/"));

    // A new banner asked for after that answer was handled: its picture comes after any download of the first.
    m_server->setJson(
        "/vSocket/socket/getBanners", description(4, m_server->baseUrl() + "/img/4.jpg", "http://next.example/"));
    m_server->setReply("/img/4.jpg", picture);
    view.requestBanner();
    QVERIFY(m_server->waitForRequest("/img/4.jpg", 10000));
    QCOMPARE(m_server->requestCount("/img/3.jpg"), 0);
}

void TestBannerView::emptyResultKeepsTheBanner()
{
    QVERIFY(writeCache(3, "http://kept.example/"));
    m_server->setJson("/vSocket/socket/getBanners", R"({"result":[]})");
    BannerView view;
    view.setBannerPort(m_server->port());
    QSignalSpy answered(view.findChild<HttpRequest *>(), &HttpRequest::signalFinish);
    view.requestBanner();
    // The view handles the answer before anything else hears of it.
    QVERIFY(answered.wait(10000));
    QCOMPARE(answered.at(0).at(1).toString(), QString("json"));
    QCOMPARE(view.shownLink(), QString("http://kept.example/"));
    QCOMPARE(QDir("banner").entryList(QDir::Files), QStringList({ "3.jpg", "3.json" }));
}

void TestBannerView::onlyWebLinksAreOpened_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http") << "http://school.example/a" << true;
    QTest::newRow("https") << "https://school.example/a" << true;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("smb") << "smb://host/share" << false;
    QTest::newRow("no scheme") << "school.example" << false;
}

void TestBannerView::onlyWebLinksAreOpened()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    QVERIFY(writeCache(5, link));
    BannerView view;
    QCOMPARE(view.shownLink(), link);
    view.click();
    QCOMPARE(m_urls.opened.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(m_urls.opened.first(), QUrl(link));
}

QTEST_MAIN(TestBannerView)
#include "tst_bannerview.moc"
