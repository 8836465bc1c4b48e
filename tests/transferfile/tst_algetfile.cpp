// The download job against the fake HTTP server: addresses, resume, failures and the unpacking of archives.
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/threadroundtrip.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/transferfile/algetfile.h"
#include "vrek/transferfile/localfiletool.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {
const QString userId = QStringLiteral("7");

QByteArray pattern(int size)
{
    return transferPattern(size);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An archive with the entries in order; a name ending in "/" is a folder entry.
QByteArray makeZip(const QList<QPair<QString, QByteArray>> &entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("fixture.zip");
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return QByteArray();
    for (const auto &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            return QByteArray();
        file.write(entry.second);
        file.close();
    }
    zip.close();
    return readFile(path);
}

// The file as a server sends it, with an ETag of its content.
FakeHttpServer::Reply fileReply(const QByteArray &body, bool ranges = true)
{
    FakeHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = "application/octet-stream";
    reply.ranges = ranges;
    reply.headers.append({ "ETag", '"' + QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex() + '"' });
    return reply;
}

QByteArray etagOf(const FakeHttpServer::Reply &reply)
{
    for (const auto &header : reply.headers) {
        if (header.first == "ETag")
            return header.second;
    }
    return QByteArray();
}

} // namespace

class TestALGetFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void addressWithoutSuffix();
    void chineseBaseNameIsEncoded();
    void cutBodyIsResumed();
    void refusedRangeStartsAgain_data();
    void refusedRangeStartsAgain();
    void changedServerFileIsDownloadedWhole_data();
    void changedServerFileIsDownloadedWhole();
    void unknownLengthIsNoNegativeShare();
    void fullDiskLeavesNoHalfFile();
    void networkErrorKeepsWhatArrived();
    void errorPageIsNotTheFile();
    void secondStartWhileBusy();
    void localFailuresSendNothing_data();
    void localFailuresSendNothing();
    void idThatIsNoPlainNameIsRefused_data();
    void idThatIsNoPlainNameIsRefused();
    void displayNameIsCutToItsLastElement();
    void archiveIsUnpacked();
    void badArchives_data();
    void badArchives();
    void archiveBeyondTheLimits_data();
    void archiveBeyondTheLimits();
    void archiveCutByAFullDiskIsNoFile();
    void localFileToolRemovesOneFile();
    void userIdOtherThanAPositiveNumberRemovesNothing_data();
    void userIdOtherThanAPositiveNumberRemovesNothing();

private:
    ALGetFile *makeJob();
    // Starts the job in its thread and waits for its one result.
    int run(ALGetFile *job, const QString &fileId, const QString &fileName, const QString &fileUrl);
    int download(const QString &fileId, const QString &fileName, const QString &fileUrl);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_server = nullptr;
};

void TestALGetFile::initTestCase()
{
    m_network = new NetworkEngineThread();
    g_userId = userId;
}

void TestALGetFile::cleanupTestCase()
{
    delete m_network;
}

void TestALGetFile::init()
{
    m_dir = new TempWorkDir();
    m_server = new FakeHttpServer();
    QVERIFY(m_server->listen());
}

void TestALGetFile::cleanup()
{
    delete m_server;
    m_server = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

ALGetFile *TestALGetFile::makeJob()
{
    auto *job = new ALGetFile(userId, g_networkEngine->networkManager());
    job->moveThread(m_network->thread());
    return job;
}

int TestALGetFile::run(ALGetFile *job, const QString &fileId, const QString &fileName, const QString &fileUrl)
{
    // Collected in this thread: the job emits in its own.
    QList<QPair<QString, int>> results;
    QObject context;
    connect(
        job, &ALGetFile::signalGetFileResult, &context,
        [&results](const QString &id, ALGetFile::GetFileStatus status) {
            results.append({ id, int(status) });
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        job, [=] { job->start(fileId, fileName, fileUrl); }, Qt::QueuedConnection);
    QElapsedTimer waited;
    waited.start();
    while (results.isEmpty() && waited.elapsed() < 20000)
        QTest::qWait(10);
    if (results.isEmpty())
        return -1;
    // Exactly one result per start: a second would come from the job's thread before a round trip through it.
    if (!roundTripThrough(job->thread()))
        return -4;
    if (results.size() != 1)
        return -2;
    if (results.first().first != fileId)
        return -3;
    return results.first().second;
}

int TestALGetFile::download(const QString &fileId, const QString &fileName, const QString &fileUrl)
{
    ALGetFile *job = makeJob();
    const int result = run(job, fileId, fileName, fileUrl);
    job->deleteLater();
    return result;
}

void TestALGetFile::addressWithoutSuffix()
{
    const QByteArray body = pattern(5000);
    m_server->setReply("/files/noext", fileReply(body));
    QCOMPARE(download("31_1", QStringLiteral("讲义.pdf"), m_server->baseUrl() + "/files/noext"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/31_1/讲义.pdf"), body);
    QVERIFY(!QFile::exists("fileRecv/7/31_1."));
    QVERIFY(!QFile::exists("fileRecv/7/31_1._tmp"));

    // A broken download of the same address keeps its temporary file under that name.
    FakeHttpServer::Reply cut = fileReply(body);
    cut.fault = FakeHttpServer::CloseAfter;
    cut.faultAfter = 1000;
    m_server->setReply("/files/noext", cut);
    QCOMPARE(download("32_1", "notes", m_server->baseUrl() + "/files/noext"), int(ALGetFile::NetworkError));
    QCOMPARE(QFileInfo("fileRecv/7/32_1._tmp").size(), qint64(1000));
}

void TestALGetFile::chineseBaseNameIsEncoded()
{
    const QByteArray body = pattern(300);
    const QString name = QStringLiteral("分数练习.v2.pdf");
    const QByteArray encodedPath = "/share/" + QUrl::toPercentEncoding(QStringLiteral("分数练习")) + ".v2.pdf";
    m_server->setReply(encodedPath, fileReply(body));
    QCOMPARE(download("40_1", name, m_server->baseUrl() + "/share/" + name), int(ALGetFile::Done));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().first().target, encodedPath);
    QCOMPARE(readFile("fileRecv/7/40_1/" + name), body);
}

void TestALGetFile::cutBodyIsResumed()
{
    const QByteArray body = pattern(200000);
    FakeHttpServer::Reply cut = fileReply(body);
    cut.fault = FakeHttpServer::CloseAfter;
    cut.faultAfter = 70000;
    m_server->setReply("/f/lesson.mp4", cut);
    const QString url = m_server->baseUrl() + "/f/lesson.mp4";
    QCOMPARE(download("50_3", "lesson.mp4", url), int(ALGetFile::NetworkError));
    QCOMPARE(QFileInfo("fileRecv/7/50_3.mp4_tmp").size(), qint64(70000));
    // Qt may send a request cut short once more by itself: the resume's requests are counted from here.
    const int before = m_server->requests().size();

    m_server->setReply("/f/lesson.mp4", fileReply(body));
    ALGetFile *job = makeJob();
    QList<QPair<qint64, qint64>> progress;
    connect(
        job, &ALGetFile::signalDownloadProgress, this,
        [&progress](const QString &, qint64 received, qint64 total) {
            progress.append({ received, total });
        },
        Qt::QueuedConnection);
    QCOMPARE(run(job, "50_3", "lesson.mp4", url), int(ALGetFile::Done));
    job->deleteLater();
    QCOMPARE(m_server->requests().at(0).header("range"), QByteArray());
    const QList<FakeHttpServer::Request> resumed = m_server->requests().mid(before);
    QCOMPARE(resumed.size(), 1);
    QCOMPARE(resumed.at(0).header("range"), QByteArray("bytes=70000-"));
    QCOMPARE(resumed.at(0).header("if-range"), etagOf(cut));
    QCOMPARE(readFile("fileRecv/7/50_3/lesson.mp4"), body);
    QVERIFY(!QFile::exists("fileRecv/7/50_3.mp4_tmp"));
    QVERIFY(!QFile::exists(ALGetFile::validatorPath("fileRecv/7/50_3.mp4_tmp")));
    // Progress counts the whole file, what the first attempt brought included.
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().first, qint64(body.size()));
    QCOMPARE(progress.last().second, qint64(body.size()));
}

void TestALGetFile::refusedRangeStartsAgain_data()
{
    QTest::addColumn<bool>("ranges");
    QTest::addColumn<int>("leftOver");
    QTest::addColumn<QByteArray>("validator"); // what the first answer left beside the temporary file
    QTest::addColumn<QByteArray>("firstRange");
    QTest::addColumn<int>("requests");
    const QByteArray etag = etagOf(fileReply(pattern(8000)));
    const QByteArray kept = "validator:" + etag + "\nlength:8000\n";
    // The server ignores the range and sends the whole file: written from empty.
    QTest::newRow("200") << false << 4000 << kept << QByteArray("bytes=4000-") << 1;
    // The file is shorter now than the temporary file: asked again without a range.
    QTest::newRow("416") << true << 8500 << QByteArray("validator:" + etag + "\nlength:9000\n")
                         << QByteArray("bytes=8500-") << 2;
    // Nothing shows what the temporary file was a part of: started again at once.
    QTest::newRow("no validator") << true << 4000 << QByteArray() << QByteArray() << 1;
    QTest::newRow("validator without length")
        << true << 4000 << QByteArray("validator:" + etag + "\n") << QByteArray() << 1;
    QTest::newRow("temporary file complete") << true << 8000 << kept << QByteArray() << 1;
}

void TestALGetFile::refusedRangeStartsAgain()
{
    QFETCH(bool, ranges);
    QFETCH(int, leftOver);
    QFETCH(QByteArray, validator);
    QFETCH(QByteArray, firstRange);
    QFETCH(int, requests);
    const QByteArray body = pattern(8000);
    QVERIFY(m_dir->writeFile("fileRecv/7/60_1.pdf_tmp", QByteArray(leftOver, 'x')));
    if (!validator.isEmpty())
        QVERIFY(m_dir->writeFile(ALGetFile::validatorPath("fileRecv/7/60_1.pdf_tmp"), validator));
    m_server->setReply("/f/a.pdf", fileReply(body, ranges));
    QCOMPARE(download("60_1", "a.pdf", m_server->baseUrl() + "/f/a.pdf"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/60_1/a.pdf"), body);
    QCOMPARE(m_server->requests().size(), requests);
    QCOMPARE(m_server->requests().first().header("range"), firstRange);
    if (requests > 1)
        QCOMPARE(m_server->requests().last().header("range"), QByteArray());
    QVERIFY(!QFile::exists(ALGetFile::validatorPath("fileRecv/7/60_1.pdf_tmp")));
}

void TestALGetFile::changedServerFileIsDownloadedWhole_data()
{
    QTest::addColumn<QByteArray>("validatorHeader");
    QTest::addColumn<int>("newSize");
    QTest::addColumn<bool>("ifRangeHonoured");
    QTest::addColumn<QByteArray>("firstRange"); // of the second start
    // The same length, other bytes: only the validator tells.
    QTest::newRow("ETag") << QByteArray("ETag") << 120000 << true << QByteArray("bytes=50000-");
    QTest::newRow("Last-Modified") << QByteArray("Last-Modified") << 120000 << true << QByteArray("bytes=50000-");
    // A server that answers the range whatever If-Range says: the length it gives shows the change.
    QTest::newRow("If-Range ignored, length changed")
        << QByteArray("ETag") << 130000 << false << QByteArray("bytes=50000-");
    // A weak ETag proves nothing: no resume is tried.
    QTest::newRow("weak ETag") << QByteArray("ETag-weak") << 120000 << true << QByteArray();
}

// A file that changed on the server between a broken download and its resume comes whole, never as the old
// file's head with the new one's tail.
void TestALGetFile::changedServerFileIsDownloadedWhole()
{
    QFETCH(QByteArray, validatorHeader);
    QFETCH(int, newSize);
    QFETCH(bool, ifRangeHonoured);
    QFETCH(QByteArray, firstRange);
    const QByteArray oldBody = pattern(120000);
    QByteArray newBody = pattern(newSize);
    for (int i = 0; i < newBody.size(); i += 7)
        newBody[i] = char(newBody.at(i) ^ 0x5a);
    auto version = [&](const QByteArray &body, const QByteArray &validator) {
        FakeHttpServer::Reply reply = fileReply(body);
        reply.headers.clear();
        if (validatorHeader == "ETag")
            reply.headers.append({ "ETag", '"' + validator + '"' });
        else if (validatorHeader == "ETag-weak")
            reply.headers.append({ "ETag", "W/\"" + validator + '"' });
        else
            reply.headers.append({ "Last-Modified", validator });
        return reply;
    };
    const QByteArray oldValidator
        = validatorHeader == "Last-Modified" ? QByteArray("Mon, 06 May 2024 07:08:09 GMT") : QByteArray("v1");
    FakeHttpServer::Reply cut = version(oldBody, oldValidator);
    cut.fault = FakeHttpServer::CloseAfter;
    cut.faultAfter = 50000;
    m_server->setReply("/f/clip.mp4", cut);
    const QString url = m_server->baseUrl() + "/f/clip.mp4";
    QCOMPARE(download("80_3", "clip.mp4", url), int(ALGetFile::NetworkError));
    QCOMPARE(QFileInfo("fileRecv/7/80_3.mp4_tmp").size(), qint64(50000));
    // Qt may send a request cut short once more by itself: the second start's requests are counted from here.
    const int before = m_server->requests().size();

    const QByteArray newValidator
        = validatorHeader == "Last-Modified" ? QByteArray("Tue, 07 May 2024 07:08:09 GMT") : QByteArray("v2");
    // A server that ignores If-Range is played by one that still names the old validator.
    m_server->setReply("/f/clip.mp4", version(newBody, ifRangeHonoured ? newValidator : oldValidator));
    QCOMPARE(download("80_3", "clip.mp4", url), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/80_3/clip.mp4"), newBody);
    const QList<FakeHttpServer::Request> requests = m_server->requests().mid(before);
    QVERIFY(!requests.isEmpty());
    QCOMPARE(requests.at(0).header("range"), firstRange);
    if (!firstRange.isEmpty()) {
        const QByteArray sent = validatorHeader == "Last-Modified" ? oldValidator : '"' + oldValidator + '"';
        QCOMPARE(requests.at(0).header("if-range"), sent);
    }
    QCOMPARE(requests.size(), ifRangeHonoured ? 1 : 2);
    QVERIFY(!QFile::exists("fileRecv/7/80_3.mp4_tmp"));
}

void TestALGetFile::unknownLengthIsNoNegativeShare()
{
    const QByteArray body = pattern(90000);
    FakeHttpServer::Reply reply = fileReply(body);
    reply.lengthUnknown = true;
    m_server->setReply("/f/open.mp4", reply);
    ALGetFile *job = makeJob();
    QList<QPair<qint64, qint64>> progress;
    connect(
        job, &ALGetFile::signalDownloadProgress, this,
        [&progress](const QString &, qint64 received, qint64 total) {
            progress.append({ received, total });
        },
        Qt::QueuedConnection);
    QCOMPARE(run(job, "81_3", "open.mp4", m_server->baseUrl() + "/f/open.mp4"), int(ALGetFile::Done));
    job->deleteLater();
    QCOMPARE(readFile("fileRecv/7/81_3/open.mp4"), body);
    QVERIFY(!progress.isEmpty());
    // Unknown on the way (-1); the end may name what came as the whole.
    for (const auto &step : progress) {
        QVERIFY(step.first >= 0);
        QVERIFY(step.second == -1 || step.second == step.first);
    }
}

// A disk that fills mid-download: the job fails as a full disk, says how much room the file needs, keeps nothing
// half-written, and the next start, once the space is back, brings the whole file.
void TestALGetFile::fullDiskLeavesNoHalfFile()
{
    const QByteArray body = pattern(400000);
    m_server->setReply("/f/big.mp4", fileReply(body));
    const QString url = m_server->baseUrl() + "/f/big.mp4";
    {
        FileSizeLimit full(64 * 1024);
        QVERIFY(full.isSet());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the zipFile write error!"));
        QCOMPARE(download("82_3", "big.mp4", url), int(ALGetFile::DiskFull));
    }
    QVERIFY(!QFile::exists("fileRecv/7/82_3.mp4_tmp"));
    QVERIFY(!QFile::exists(ALGetFile::validatorPath("fileRecv/7/82_3.mp4_tmp")));
    QVERIFY(!QDir("fileRecv/7/82_3").exists());

    QCOMPARE(download("82_3", "big.mp4", url), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/82_3/big.mp4"), body);
    QCOMPARE(m_server->requests().last().header("range"), QByteArray());
}

void TestALGetFile::networkErrorKeepsWhatArrived()
{
    FakeHttpServer::Reply reset = fileReply(pattern(100000));
    reset.fault = FakeHttpServer::ResetAfter;
    reset.faultAfter = 30000;
    m_server->setReply("/f/b.ppt", reset);
    QCOMPARE(download("70_2", "b.ppt", m_server->baseUrl() + "/f/b.ppt"), int(ALGetFile::NetworkError));
    QVERIFY(!QDir("fileRecv/7/70_2").exists());
    QVERIFY(QFileInfo("fileRecv/7/70_2.ppt_tmp").size() <= 30000);
}

void TestALGetFile::errorPageIsNotTheFile()
{
    // A stale temporary file, then a 404 page: the page is not written, the download is a failure.
    QVERIFY(m_dir->writeFile("fileRecv/7/71_1.pdf_tmp", QByteArray(10, 'k')));
    QVERIFY(m_dir->writeFile(ALGetFile::validatorPath("fileRecv/7/71_1.pdf_tmp"), "validator:\"k\"\nlength:100\n"));
    QCOMPARE(download("71_1", "c.pdf", m_server->baseUrl() + "/missing/c.pdf"), int(ALGetFile::NetworkError));
    QCOMPARE(readFile("fileRecv/7/71_1.pdf_tmp"), QByteArray(10, 'k'));
    QVERIFY(!QDir("fileRecv/7/71_1").exists());

    // A redirect ends without a network error but carries no file either.
    m_server->setRedirect("/moved/c.pdf", "/elsewhere/c.pdf");
    QCOMPARE(download("71_2", "c.pdf", m_server->baseUrl() + "/moved/c.pdf"), int(ALGetFile::NetworkError));
    QVERIFY(!QDir("fileRecv/7/71_2").exists());
}

void TestALGetFile::secondStartWhileBusy()
{
    const QByteArray body = pattern(4000);
    FakeHttpServer::Reply slow = fileReply(body);
    slow.delayMs = 50;
    m_server->setReply("/f/slow.doc", slow);
    ALGetFile *job = makeJob();
    QList<QPair<QString, int>> results;
    connect(
        job, &ALGetFile::signalGetFileResult, this,
        [&results](const QString &id, ALGetFile::GetFileStatus status) {
            results.append({ id, int(status) });
        },
        Qt::QueuedConnection);
    const QString url = m_server->baseUrl() + "/f/slow.doc";
    QMetaObject::invokeMethod(
        job, [=] { job->start("80_1", "slow.doc", url); }, Qt::QueuedConnection);
    QVERIFY(m_server->waitForRequest("/f/slow.doc", 10000));
    // The server answers from this thread, so it cannot answer before the second start has run.
    QMetaObject::invokeMethod(
        job, [=] { job->start("81_1", "other.doc", url); }, Qt::BlockingQueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 20000);
    QCOMPARE(results.at(0), qMakePair(QString("81_1"), int(ALGetFile::Busy)));
    QCOMPARE(results.at(1), qMakePair(QString("80_1"), int(ALGetFile::Done)));
    QCOMPARE(readFile("fileRecv/7/80_1/slow.doc"), body);
    QCOMPARE(m_server->requests().size(), 1);
    job->deleteLater();
}

void TestALGetFile::localFailuresSendNothing_data()
{
    QTest::addColumn<QString>("blocker"); // a file where a folder must go, or a folder where the file must go
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<int>("result");
    QTest::newRow("user folder") << "fileRecv/7" << false << int(ALGetFile::FolderError);
    QTest::newRow("temporary file") << "fileRecv/7/140_1.pdf_tmp" << true << int(ALGetFile::TempFileError);
}

void TestALGetFile::localFailuresSendNothing()
{
    QFETCH(QString, blocker);
    QFETCH(bool, asFolder);
    QFETCH(int, result);
    if (asFolder)
        QVERIFY(QDir().mkpath(blocker));
    else
        QVERIFY(m_dir->writeFile(blocker, "x"));
    m_server->setReply("/f/x.pdf", fileReply(pattern(100)));
    // The job stays until the engine has settled: its going would drop a request it had made.
    ALGetFile *job = makeJob();
    const auto release = qScopeGuard([job] { job->deleteLater(); });
    QCOMPARE(run(job, "140_1", "x.pdf", m_server->baseUrl() + "/f/x.pdf"), result);
    QVERIFY(NetworkEngineThread::settled());
    QCOMPARE(m_server->requests().size(), 0);
}

void TestALGetFile::idThatIsNoPlainNameIsRefused_data()
{
    QTest::addColumn<QString>("fileId");
    QTest::addColumn<QString>("user");
    QTest::newRow("parent") << "../../escape" << userId;
    QTest::newRow("absolute") << "/tmp/escape" << userId;
    QTest::newRow("separator") << "a/b" << userId;
    QTest::newRow("empty") << "" << userId;
    QTest::newRow("blank") << "a b" << userId;
    QTest::newRow("user id leaves the folder") << "91_1"
                                               << "../x";
    QTest::newRow("user id empty") << "91_1"
                                   << "";
}

void TestALGetFile::idThatIsNoPlainNameIsRefused()
{
    QFETCH(QString, fileId);
    QFETCH(QString, user);
    m_server->setReply("/f/x.pdf", fileReply(pattern(100)));
    auto *job = new ALGetFile(user, g_networkEngine->networkManager());
    job->moveThread(m_network->thread());
    QCOMPARE(run(job, fileId, "x.pdf", m_server->baseUrl() + "/f/x.pdf"), int(ALGetFile::PathError));
    job->deleteLater();
    QCOMPARE(m_server->requests().size(), 0);
    QVERIFY(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void TestALGetFile::displayNameIsCutToItsLastElement()
{
    const QByteArray body = pattern(100);
    m_server->setReply("/f/x.pdf", fileReply(body));
    QCOMPARE(download("90_1", "../../../outside.pdf", m_server->baseUrl() + "/f/x.pdf"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/90_1/outside.pdf"), body);
    QVERIFY(!QFile::exists("outside.pdf"));
    QCOMPARE(download("91_1", "C:\\Users\\t\\win.pdf", m_server->baseUrl() + "/f/x.pdf"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/91_1/win.pdf"), body);
    // Nothing usable is left of the name: the file cannot be filed.
    QCOMPARE(download("92_1", "a/..", m_server->baseUrl() + "/f/x.pdf"), int(ALGetFile::TempFileError));
    QVERIFY(!QFile::exists("fileRecv/7/92_1.pdf"));
}

void TestALGetFile::archiveIsUnpacked()
{
    const QByteArray zip = makeZip({ { "index.html", "<html/>" }, { "data/", "" }, { "data/pres/", "" },
        { "data/pres/outline.xml", "<outline/>" }, { "data\\pres\\slide1.png", pattern(3000) } });
    QVERIFY(!zip.isEmpty());
    m_server->setReply("/f/deck.zip", fileReply(zip));
    QCOMPARE(download("100_2", "deck.pptx", m_server->baseUrl() + "/f/deck.zip"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/100_2/index.html"), QByteArray("<html/>"));
    QCOMPARE(readFile("fileRecv/7/100_2/data/pres/outline.xml"), QByteArray("<outline/>"));
    QCOMPARE(readFile("fileRecv/7/100_2/data/pres/slide1.png"), pattern(3000));
    QVERIFY(!QFile::exists("fileRecv/7/100_2.zip"));
    QVERIFY(!QFile::exists("fileRecv/7/100_2.zip_tmp"));
}

void TestALGetFile::badArchives_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QStringList>("absent"); // relative to the working folder
    const QString outside = QDir::tempPath() + "/tavi-zip-slip-" + QString::number(QCoreApplication::applicationPid());
    QTest::newRow("only sub-folders") << makeZip({ { "sub/", "" }, { "sub/a.html", "a" } }) << QStringList();
    QTest::newRow("missing folder entry")
        << makeZip({ { "a.html", "a" }, { "pics/b.png", "b" } }) << QStringList { "fileRecv/7/110_2/pics/b.png" };
    QTest::newRow("parent") << makeZip({ { "a.html", "a" }, { "../x", "x" } })
                            << QStringList { "fileRecv/7/x", "fileRecv/7/110_2/a.html" };
    QTest::newRow("absolute") << makeZip({ { "a.html", "a" }, { outside + "/abs", "abs" } })
                              << QStringList { outside + "/abs", "fileRecv/7/110_2/a.html" };
    QTest::newRow("windows parent") << makeZip({ { "a\\", "" }, { "a.html", "a" }, { "a\\..\\..\\b", "b" } })
                                    << QStringList { "fileRecv/7/b", "fileRecv/7/110_2/a.html" };
    QTest::newRow("drive") << makeZip({ { "a.html", "a" }, { "C:\\b", "b" } })
                           << QStringList { "fileRecv/7/110_2/a.html" };
    QTest::newRow("not an archive") << QByteArray("PK but not really") << QStringList();
}

void TestALGetFile::badArchives()
{
    QFETCH(QByteArray, zip);
    QFETCH(QStringList, absent);
    QVERIFY(!zip.isEmpty());
    m_server->setReply("/f/bad.zip", fileReply(zip));
    QCOMPARE(download("110_2", "bad.pptx", m_server->baseUrl() + "/f/bad.zip"), int(ALGetFile::UnzipError));
    for (const QString &path : absent)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    QVERIFY(!QFile::exists("fileRecv/7/110_2.zip"));
}

void TestALGetFile::archiveBeyondTheLimits_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<int>("entries");
    QTest::addColumn<qint64>("bytes");
    // 64 MiB of zeros pack into a few dozen KiB.
    QTest::newRow("bomb") << makeZip({ { "zeros.bin", QByteArray(64 * 1024 * 1024, '\0') } }) << 100
                          << qint64(16 * 1024 * 1024);
    QList<QPair<QString, QByteArray>> many;
    for (int i = 0; i < 6; ++i)
        many.append({ QString("f%1.txt").arg(i), "x" });
    QTest::newRow("entries") << makeZip(many) << 5 << qint64(1024);
}

void TestALGetFile::archiveBeyondTheLimits()
{
    QFETCH(QByteArray, zip);
    QFETCH(int, entries);
    QFETCH(qint64, bytes);
    QVERIFY(zip.size() < 1024 * 1024);
    m_server->setReply("/f/big.zip", fileReply(zip));
    ALGetFile *job = makeJob();
    job->setZipLimits(entries, bytes);
    QCOMPARE(run(job, "120_2", "big.pptx", m_server->baseUrl() + "/f/big.zip"), int(ALGetFile::UnzipError));
    job->deleteLater();
    // Refused before anything was written.
    QVERIFY(!QDir("fileRecv/7/120_2").exists()
        || QDir("fileRecv/7/120_2").entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// The last block of an entry is written when the entry is closed: a full disk then is no unpacked file either.
void TestALGetFile::archiveCutByAFullDiskIsNoFile()
{
    const QByteArray text(12 * 1024, 'a');
    const QByteArray zip = makeZip({ { "index.html", text } });
    QVERIFY(zip.size() < 1024);
    m_server->setReply("/f/small.zip", fileReply(zip));
    int result = 0;
    {
        FileSizeLimit full(4096);
        QVERIFY(full.isSet());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the dstFile write fail!"));
        result = download("125_2", "small.pptx", m_server->baseUrl() + "/f/small.zip");
    }
    QVERIFY2(result != int(ALGetFile::Done), qPrintable(QString::number(result)));
    QVERIFY(readFile("fileRecv/7/125_2/index.html") != text);
    // With room again it comes whole.
    QCOMPARE(download("125_2", "small.pptx", m_server->baseUrl() + "/f/small.zip"), int(ALGetFile::Done));
    QCOMPARE(readFile("fileRecv/7/125_2/index.html"), text);
}

void TestALGetFile::localFileToolRemovesOneFile()
{
    QVERIFY(m_dir->writeFile("fileRecv/7/130_1/data/a.png", "a"));
    QVERIFY(m_dir->writeFile("fileRecv/7/130_1.zip", "z"));
    QVERIFY(m_dir->writeFile("fileRecv/7/130_1.zip_tmp", "t"));
    QVERIFY(m_dir->writeFile("fileRecv/7/131_1/keep.png", "k"));
    QVERIFY(m_dir->writeFile("fileRecv/keep.txt", "k"));
    LocalFileTool tool;
    tool.removeFileAndDir("130_1");
    QVERIFY(!QDir("fileRecv/7/130_1").exists());
    QVERIFY(!QFile::exists("fileRecv/7/130_1.zip"));
    QVERIFY(!QFile::exists("fileRecv/7/130_1.zip_tmp"));
    QVERIFY(QFile::exists("fileRecv/7/131_1/keep.png"));
    // An id that climbs out of the user's folder removes nothing.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the fileId is not a plain name"));
    tool.removeFileAndDir("..");
    QVERIFY(QFile::exists("fileRecv/keep.txt"));
    QVERIFY(QFile::exists("fileRecv/7/131_1/keep.png"));
    // So does a user id that climbs out, with a plain file id: nothing outside the user's folder goes.
    QVERIFY(m_dir->writeFile("130_1.txt", "k"));
    QVERIFY(m_dir->writeFile("130_1/keep.png", "k"));
    QVERIFY(m_dir->writeFile("fileRecv/130_1.zip", "k"));
    g_userId = "..";
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the userId is not a plain name"));
    tool.removeFileAndDir("130_1");
    QVERIFY(QFile::exists("130_1.txt"));
    QVERIFY(QFile::exists("130_1/keep.png"));
    QVERIFY(QFile::exists("fileRecv/130_1.zip"));
    QVERIFY(ReceivedFilePath::leftovers("..", "130_1").isEmpty());
    QCOMPARE(ReceivedFilePath::leftovers("7", "131_1"), QStringList());
    QVERIFY(m_dir->writeFile("fileRecv/7/131_1.pdf_tmp", "t"));
    QCOMPARE(ReceivedFilePath::leftovers("7", "131_1"), QStringList { "fileRecv/7/131_1.pdf_tmp" });
    // Another id that differs by case only keeps its files.
    QVERIFY(m_dir->writeFile("fileRecv/7/ab_1.zip_tmp", "t"));
    QVERIFY(m_dir->writeFile("fileRecv/7/Ab_1.zip_tmp", "t"));
    QCOMPARE(ReceivedFilePath::leftovers("7", "Ab_1"), QStringList { "fileRecv/7/Ab_1.zip_tmp" });
    // The largest id the login takes is one whose folder is cleaned up.
    QString largest;
    QVERIFY(ReceivedFilePath::readUserId("9223372036854775807", largest));
    QVERIFY(ReceivedFilePath::isValidUserId(largest));
}

void TestALGetFile::userIdOtherThanAPositiveNumberRemovesNothing_data()
{
    QTest::addColumn<QString>("id");
    // Each would be a folder of its own beside the user's, and a key other than the number it reads as.
    QTest::newRow("negative") << "-5";
    QTest::newRow("zero") << "0";
    QTest::newRow("leading zero") << "07";
    QTest::newRow("plus sign") << "+7";
    QTest::newRow("not decimal") << "7a";
}

void TestALGetFile::userIdOtherThanAPositiveNumberRemovesNothing()
{
    QFETCH(QString, id);
    const QString kept = QStringLiteral("fileRecv/%1/130_1/keep.png").arg(id);
    QVERIFY(m_dir->writeFile(kept, "k"));
    QVERIFY(m_dir->writeFile("fileRecv/7/130_1/keep.png", "k"));
    g_userId = id;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the userId is not a plain name"));
    LocalFileTool().removeFileAndDir("130_1");
    g_userId = userId;
    QVERIFY(QFile::exists(kept));
    QVERIFY(QFile::exists("fileRecv/7/130_1/keep.png"));
    QVERIFY(!ReceivedFilePath::isValidUserId(id));
    QVERIFY(ReceivedFilePath::isValidUserId(userId));
}

QTEST_GUILESS_MAIN(TestALGetFile)
#include "tst_algetfile.moc"
