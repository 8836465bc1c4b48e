// The homework page over the fake HTTP server: the page's address, the site's not-found page swapped for the
// picture and reloaded on the next show, and attachments: the proposed name and folder, the appended extension, the
// progress, failures that leave no file, an unknown total, and downloads one after another or over each other.
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/classtipmessage.h"
#include "vrek/window/titleview.h"

#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

#include <memory>

namespace {
const QByteArray pagePath = "/homework/pc_s_course_list.html";
const QByteArray filePath = "/homework/attachment";
const QString failureText = QStringLiteral("下载失败，请稍后重试！");

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

FakeHttpServer::Reply fileReply(const QByteArray &body)
{
    FakeHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = "application/pdf";
    reply.headers.append(qMakePair(QByteArray("Content-Disposition"), QByteArray("attachment")));
    return reply;
}

// The requests of the page's manager that have not ended yet (a reply is its manager's child until deleted).
int pageRequestsUnderWay(HomeworkWidget &widget)
{
    int open = 0;
    const QList<QNetworkReply *> replies
        = widget.webView()->page()->networkAccessManager()->findChildren<QNetworkReply *>();
    for (const QNetworkReply *reply : replies)
        open += reply->isFinished() ? 0 : 1;
    return open;
}

// What the last action left for the event loop has run, and every request of the page has been answered, so has
// reached the server. False on time-out.
bool pageRequestsSettled(HomeworkWidget &widget)
{
    const auto dealtWith = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        &widget, [dealtWith] { *dealtWith = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return *dealtWith && pageRequestsUnderWay(widget) == 0; }, 10000);
}

FakeHttpServer::Reply htmlReply(const QByteArray &body)
{
    FakeHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = "text/html;charset=UTF-8";
    return reply;
}
} // namespace

class TestHomeworkWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pageAddress_data();
    void pageAddress();
    void firstShowLoadsThePageOnce();
    void notFoundPageSwapsInThePictureAndReloads();
    void desktopFolder_data();
    void desktopFolder();
    void attachmentNameAndFolder();
    void longNameIsCutToWhatCanBeSaved_data();
    void longNameIsCutToWhatCanBeSaved();
    void extensionIsAppended_data();
    void extensionIsAppended();
    void cancelledDialogStartsNothing();
    void progress_data();
    void progress();
    void linkOnThePageIsSaved();
    void failureLeavesNoFile_data();
    void failureLeavesNoFile();
    void unknownTotal();
    void twoAttachmentsOneAfterTheOther();
    void secondAttachmentReplacesTheRunningOne();

private:
    // Feeds the widget a page reply for an attachment link, as the web page hands it over.
    void feedLink(HomeworkWidget &widget, const QString &query);
    // Puts a prompt in the widget that answers its save dialogs with these names in the test's folder.
    FakePrompt *answerSaves(HomeworkWidget &widget, const QStringList &names) const;
    QString fileUrl(const QString &query) const;

    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_server = nullptr;
    QNetworkAccessManager *m_pageManager = nullptr;
};

void TestHomeworkWidget::init()
{
    m_dir = new TempWorkDir;
    m_server = new FakeHttpServer;
    QVERIFY(m_server->listen());
    m_pageManager = new QNetworkAccessManager;
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_server->port());
    g_userId = "20001";
    g_loginSignId = "sign-20001";
    m_server->setReply(pagePath, htmlReply("<html><body><p>作业</p></body></html>"));
}

void TestHomeworkWidget::cleanup()
{
    m_server->closeConnections();
    delete m_pageManager;
    delete m_server;
    delete m_dir;
}

QString TestHomeworkWidget::fileUrl(const QString &query) const
{
    return m_server->baseUrl() + QString::fromLatin1(filePath) + "?" + query;
}

void TestHomeworkWidget::feedLink(HomeworkWidget &widget, const QString &query)
{
    widget.slotUnsupportedContent(m_pageManager->get(QNetworkRequest(QUrl(fileUrl(query)))));
}

FakePrompt *TestHomeworkWidget::answerSaves(HomeworkWidget &widget, const QStringList &names) const
{
    auto *prompt = new FakePrompt;
    for (const QString &name : names)
        prompt->savePaths.append(m_dir->filePath(name));
    widget.setPrompt(prompt);
    return prompt;
}

void TestHomeworkWidget::pageAddress_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("url");
    QTest::newRow("usual port") << "80"
                                << "http://school.example/homework/pc_s_course_list.html?userId=20001&loginSignId=s1";
    QTest::newRow("other port")
        << "8080"
        << "http://school.example:8080/homework/pc_s_course_list.html?userId=20001&loginSignId=s1";
}

void TestHomeworkWidget::pageAddress()
{
    QFETCH(QString, port);
    QFETCH(QString, url);
    g_webHost = "school.example";
    g_webPort = port;
    g_loginSignId = "s1";
    QCOMPARE(HomeworkWidget::pageUrl(), QUrl(url));
    QCOMPARE(HomeworkWidget::notFoundUrl().path(), QString("/404.html"));
    QCOMPARE(HomeworkWidget::notFoundUrl().port(80), port.toInt());
}

void TestHomeworkWidget::firstShowLoadsThePageOnce()
{
    HomeworkWidget widget;
    QCOMPARE(widget.webView()->url(), QUrl("about:blank"));
    QCOMPARE(m_server->requestCount(pagePath), 0);
    widget.show();
    QVERIFY(m_server->waitForRequest(pagePath));
    const FakeHttpServer::Request request = m_server->lastRequest(pagePath);
    QCOMPARE(request.form.value("userId"), QString("20001"));
    QCOMPARE(request.form.value("loginSignId"), QString("sign-20001"));
    QCOMPARE(widget.homeworkUrl(), HomeworkWidget::pageUrl());
    QVERIFY(widget.webView()->isVisible());
    QVERIFY(!widget.errorLabel()->isVisible());
    QTRY_VERIFY(widget.webView()->page()->mainFrame()->toPlainText().contains("作业"));

    // A second load would start within the show (the web view tells its start there and then); and whatever the
    // page asked for before has been answered once its manager is idle.
    QSignalSpy loads(widget.webView(), &QWebView::loadStarted);
    widget.hide();
    widget.show();
    QCOMPARE(loads.count(), 0);
    QVERIFY(pageRequestsSettled(widget));
    QCOMPARE(m_server->requestCount(pagePath), 1);
}

void TestHomeworkWidget::notFoundPageSwapsInThePictureAndReloads()
{
    m_server->setRedirect(pagePath, "/404.html");
    m_server->setReply("/404.html", htmlReply("<html><body>404</body></html>"));
    HomeworkWidget widget;
    widget.show();
    QTRY_VERIFY_WITH_TIMEOUT(widget.errorLabel()->isVisible(), 10000);
    QVERIFY(!widget.webView()->isVisible());
    QVERIFY(widget.errorLabel()->styleSheet().contains(":/vrek/image/homework/404.png"));
    QVERIFY(widget.loadOnShow());

    // The site is back: the next show asks again and shows the page.
    m_server->setReply(pagePath, htmlReply("<html><body><p>作业</p></body></html>"));
    widget.hide();
    widget.show();
    QCOMPARE(m_server->requestCount(pagePath), 1);
    QVERIFY(m_server->waitForRequest(pagePath));
    QVERIFY(widget.webView()->isVisible());
    QVERIFY(!widget.errorLabel()->isVisible());
    QVERIFY(!widget.loadOnShow());
}

void TestHomeworkWidget::desktopFolder_data()
{
    QTest::addColumn<bool>("desktopExists");
    QTest::newRow("with a desktop folder") << true;
    QTest::newRow("without one") << false;
}

void TestHomeworkWidget::desktopFolder()
{
    QFETCH(bool, desktopExists);
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("config")));
    if (desktopExists)
        QVERIFY(QDir().mkpath(m_dir->filePath("Desktop")));
    const QString folder = HomeworkWidget::desktopFolder();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config);
    QCOMPARE(folder, desktopExists ? m_dir->filePath("Desktop") : m_dir->path());
}

void TestHomeworkWidget::attachmentNameAndFolder()
{
    m_server->setReply(filePath, fileReply(pattern(300)));
    HomeworkWidget widget;
    QVERIFY(QDir().mkpath(m_dir->filePath("first")));
    FakePrompt *prompt = answerSaves(widget, { "first/my-notes.pdf", "second.pdf" });
    const QString second = m_dir->filePath("second.pdf");

    feedLink(widget, "fileId=1&downLoadOssFile=my_notes.pdf");
    const QString desktop = HomeworkWidget::desktopFolder();
    QCOMPARE(prompt->questions, QStringList { "SaveAs|" + QDir::cleanPath(desktop + "/my-notes.pdf") + "|*.pdf" });
    QCOMPARE(widget.saveFolder(), m_dir->filePath("first") + "/");
    QTRY_VERIFY(!widget.isDownloading());
    QCOMPARE(widget.tipMessage()->progress(), 100);

    // The next link starts in the folder of the last one; the query is read decoded.
    prompt->questions.clear();
    feedLink(widget, "downLoadOssFile=%E4%BD%9C%E4%B8%9A_1.doc&fileId=2");
    QCOMPARE(prompt->questions, QStringList { "SaveAs|" + m_dir->filePath("first/作业-1.doc") + "|*.doc" });
    QTRY_VERIFY(!widget.isDownloading());
    QVERIFY(QFile::exists(second + ".doc"));
}

void TestHomeworkWidget::longNameIsCutToWhatCanBeSaved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("filter");
    const QString word(1048576, QLatin1Char('x'));
    QString chinese;
    for (int i = 0; i < 200000; ++i)
        chinese.append(QChar(0x4E00 + (i * 7) % 0x5000));
    QTest::newRow("1 MB word.pdf") << word + ".pdf" << QString(251, QLatin1Char('x')) + ".pdf"
                                   << "*.pdf";
    QTest::newRow("1 MB suffix") << "a." + word << "a." + QString(253, QLatin1Char('x')) << "*";
    QTest::newRow("200000 Chinese.doc") << chinese + ".doc" << chinese.left(83) + ".doc"
                                        << "*.doc";
    QTest::newRow("255 bytes") << QString(251, QLatin1Char('y')) + ".pdf" << QString(251, QLatin1Char('y')) + ".pdf"
                               << "*.pdf";
}

// A name longer than a file may have is proposed cut, its type kept: the dialog lays out what can be saved.
void TestHomeworkWidget::longNameIsCutToWhatCanBeSaved()
{
    QFETCH(QString, name);
    QFETCH(QString, proposed);
    QFETCH(QString, filter);
    HomeworkWidget widget;
    FakePrompt *prompt = answerSaves(widget, {});
    feedLink(widget, "fileId=1&downLoadOssFile=" + QString::fromLatin1(QUrl::toPercentEncoding(name)));
    QCOMPARE(prompt->questions.size(), 1);
    const QString expected = "SaveAs|" + QDir::cleanPath(HomeworkWidget::desktopFolder() + "/" + proposed) + "|" + filter;
    QVERIFY2(prompt->questions.first() == expected, qPrintable(prompt->questions.first().left(300)));
    QVERIFY(!widget.isDownloading());
}

void TestHomeworkWidget::extensionIsAppended_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("without extension") << "report"
                                       << "report.pdf";
    QTest::newRow("with extension") << "report.pdf"
                                    << "report.pdf";
    QTest::newRow("another extension") << "report.txt"
                                       << "report.txt.pdf";
}

void TestHomeworkWidget::extensionIsAppended()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    const QByteArray body = pattern(1000);
    m_server->setReply(filePath, fileReply(body));
    HomeworkWidget widget;
    answerSaves(widget, { chosen });
    feedLink(widget, "downLoadOssFile=notes.pdf");
    QTRY_VERIFY(!widget.isDownloading());
    QFile file(m_dir->filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), body);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { written });
    QCOMPARE(widget.tipMessage()->text(), QString("下载完成"));
    QVERIFY(widget.tipFrame()->isVisible());
}

void TestHomeworkWidget::cancelledDialogStartsNothing()
{
    m_server->setReply(filePath, fileReply(pattern(10)));
    HomeworkWidget widget;
    FakePrompt *prompt = answerSaves(widget, {});
    const QString desktop = HomeworkWidget::desktopFolder();
    // A link without the key asks nothing; a name never leads out of the folder.
    feedLink(widget, "fileId=3");
    QVERIFY(prompt->questions.isEmpty());
    feedLink(widget, "downLoadOssFile=../../escape_me.pdf");
    QCOMPARE(prompt->questions, QStringList { "SaveAs|" + QDir::cleanPath(desktop + "/escape-me.pdf") + "|*.pdf" });
    QVERIFY(!widget.isDownloading());
    // Still the desktop: nothing was chosen.
    QCOMPARE(widget.saveFolder(), desktop);
    QVERIFY(!widget.tipFrame()->isVisible());
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
}

void TestHomeworkWidget::progress_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("a quarter") << qint64(50) << qint64(200) << 25;
    QTest::newRow("rounded down") << qint64(199) << qint64(200) << 99;
    QTest::newRow("all") << qint64(200) << qint64(200) << 100;
    QTest::newRow("large file") << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024 << 75;
    QTest::newRow("no total") << qint64(70) << qint64(-1) << 0;
    QTest::newRow("zero total") << qint64(70) << qint64(0) << 0;
}

void TestHomeworkWidget::progress()
{
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, percent);
    HomeworkWidget widget;
    widget.slotOnDownloadProgress(received, total);
    QCOMPARE(widget.tipMessage()->progress(), percent);
}

void TestHomeworkWidget::linkOnThePageIsSaved()
{
    const QByteArray body = pattern(4096);
    m_server->setReply(pagePath,
        htmlReply("<html><body><a id=\"file\" href=\"" + filePath
            + "?fileId=9&amp;downLoadOssFile=week_3.pdf\">week 3</a></body></html>"));
    m_server->setReply(filePath, fileReply(body));
    HomeworkWidget widget;
    FakePrompt *prompt = answerSaves(widget, { "week-3.pdf" });
    QSignalSpy loaded(widget.webView(), &QWebView::loadFinished);
    widget.show();
    QVERIFY(loaded.count() > 0 || loaded.wait(10000));
    widget.webView()->page()->mainFrame()->evaluateJavaScript("document.getElementById('file').click();");
    QTRY_COMPARE_WITH_TIMEOUT(prompt->questions.size(), 1, 10000);
    QVERIFY(prompt->questions.first().endsWith("/week-3.pdf|*.pdf"));
    QTRY_VERIFY(!widget.isDownloading());
    QFile file(m_dir->filePath("week-3.pdf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), body);
    // The homework list stays, with no error page in its place.
    QCOMPARE(widget.webView()->url().path(), QString::fromLatin1(pagePath));
    QCOMPARE(widget.webView()->page()->mainFrame()->toPlainText(), QString("week 3"));
}

void TestHomeworkWidget::failureLeavesNoFile_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("fault");
    QTest::newRow("not found") << 404 << int(FakeHttpServer::NoFault);
    QTest::newRow("cut part-way") << 200 << int(FakeHttpServer::CloseAfter);
    QTest::newRow("reset part-way") << 200 << int(FakeHttpServer::ResetAfter);
}

void TestHomeworkWidget::failureLeavesNoFile()
{
    QFETCH(int, status);
    QFETCH(int, fault);
    FakeHttpServer::Reply reply = fileReply(pattern(50000));
    reply.status = status;
    reply.fault = FakeHttpServer::Fault(fault);
    reply.faultAfter = 20000;
    m_server->setReply(filePath, reply);
    HomeworkWidget widget;
    answerSaves(widget, { "lost.pdf" });
    feedLink(widget, "downLoadOssFile=lost.pdf");
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isDownloading(), 10000);
    QCOMPARE(widget.tipMessage()->text(), failureText);
    QVERIFY(widget.tipFrame()->isVisible());
    QVERIFY(!QFile::exists(m_dir->filePath("lost.pdf")));
}

void TestHomeworkWidget::unknownTotal()
{
    FakeHttpServer::Reply reply = fileReply(pattern(200000));
    reply.lengthUnknown = true;
    m_server->setReply(filePath, reply);
    HomeworkWidget widget;
    answerSaves(widget, { "open.pdf" });
    feedLink(widget, "downLoadOssFile=open.pdf");
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isDownloading(), 10000);
    QCOMPARE(widget.tipMessage()->progress(), 100);
    QCOMPARE(widget.tipMessage()->text(), QString("下载完成"));
    QCOMPARE(QFileInfo(m_dir->filePath("open.pdf")).size(), qint64(200000));
}

void TestHomeworkWidget::twoAttachmentsOneAfterTheOther()
{
    const QByteArray first = pattern(70000);
    const QByteArray second = pattern(90000).toBase64();
    m_server->setHandler(filePath, [&](const FakeHttpServer::Request &request) {
        return fileReply(request.form.value("fileId") == "1" ? first : second);
    });
    HomeworkWidget widget;
    answerSaves(widget, { "one.pdf", "two.pdf" });
    feedLink(widget, "fileId=1&downLoadOssFile=one.pdf");
    QTRY_VERIFY(!widget.isDownloading());
    feedLink(widget, "fileId=2&downLoadOssFile=two.pdf");
    QTRY_VERIFY(!widget.isDownloading());
    QFile one(m_dir->filePath("one.pdf"));
    QFile two(m_dir->filePath("two.pdf"));
    QVERIFY(one.open(QIODevice::ReadOnly) && two.open(QIODevice::ReadOnly));
    QCOMPARE(one.readAll(), first);
    QCOMPARE(two.readAll(), second);
    QCOMPARE(widget.tipMessage()->text(), QString("下载完成"));
}

void TestHomeworkWidget::secondAttachmentReplacesTheRunningOne()
{
    const QByteArray second = pattern(90000);
    m_server->setHandler(filePath, [&](const FakeHttpServer::Request &request) {
        if (request.form.value("fileId") == "1") {
            // The first stalls part-way and then ends after the second has started.
            FakeHttpServer::Reply stalled = fileReply(pattern(80000));
            stalled.fault = FakeHttpServer::StallAfter;
            stalled.faultAfter = 1000;
            return stalled;
        }
        FakeHttpServer::Reply slow = fileReply(second);
        slow.delayMs = 300;
        return slow;
    });
    HomeworkWidget widget;
    answerSaves(widget, { "one.pdf", "two.pdf" });
    feedLink(widget, "fileId=1&downLoadOssFile=one.pdf");
    QTRY_VERIFY_WITH_TIMEOUT(widget.tipFrame()->isVisible(), 10000);
    QVERIFY(widget.isDownloading());
    QVERIFY(QFile::exists(m_dir->filePath("one.pdf")));

    feedLink(widget, "fileId=2&downLoadOssFile=two.pdf");
    QVERIFY(!QFile::exists(m_dir->filePath("one.pdf")));
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isDownloading(), 10000);
    QFile two(m_dir->filePath("two.pdf"));
    QVERIFY(two.open(QIODevice::ReadOnly));
    QCOMPARE(two.readAll(), second);
    QCOMPARE(widget.tipMessage()->text(), QString("下载完成"));
    QVERIFY(!QFile::exists(m_dir->filePath("one.pdf")));
}

QTEST_MAIN(TestHomeworkWidget)
#include "tst_homeworkwidget.moc"
