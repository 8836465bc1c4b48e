// The transfer manager over SQLite in a temporary folder and the fake HTTP server: slots, resume points, result
// texts and the ends of jobs that fail.
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/dao/basedao.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/transferfile/transferfilemanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QThread>
#include <QtTest>

namespace {
const QByteArray uploadPath = "/vSocket/socket/recevieClient/uploadFile";

struct Status
{
    QString id;
    int status;
    QString msg;
    int i;
};

QByteArray pattern(qint64 size)
{
    return transferPattern(size);
}

} // namespace

class TestTransferFileManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void fourthDownloadWaits();
    void downloadResults_data();
    void downloadResults();
    void downloadShares_data();
    void downloadShares();
    void uploadTexts_data();
    void uploadTexts();
    void finishedUploadIsNotSentAgain();
    void queuedUploadRow();
    void storedRangeDecidesTheStart_data();
    void storedRangeDecidesTheStart();
    void pauseThenPushAgain();
    void databaseFailureEndsTheUpload();
    void aFullDiskThatKeepsNoRecordIsTold();
    void answerForAnotherFileFreesTheSlot();

private:
    QList<Status> statusesOf(const QString &id) const;
    QList<int> codesOf(const QString &id) const;
    TransferFile record(const QString &fileId) const;
    void answerChunks();

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_server = nullptr;
    TransferFileManager *m_manager = nullptr;
    QList<Status> m_statuses;
    QList<TransferInfo> m_inserted;
};

void TestTransferFileManager::initTestCase()
{
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    g_userId = "u7";
}

void TestTransferFileManager::cleanupTestCase()
{
    delete m_network;
}

void TestTransferFileManager::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    m_server = new FakeHttpServer();
    QVERIFY(m_server->listen());
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(m_server->port());
    m_manager = new TransferFileManager();
    m_statuses.clear();
    m_inserted.clear();
    connect(m_manager, &TransferFileManager::signalTransferStatus, this,
        [this](const QString &id, TransferInfo::TransferStatus status, const QString &msg, int i) {
            m_statuses.append({ id, int(status), msg, i });
        });
    connect(m_manager, &TransferFileManager::signalInsertTransferInfo, this,
        [this](const TransferInfo &info) { m_inserted.append(info); });
}

void TestTransferFileManager::cleanup()
{
    delete m_manager;
    m_manager = nullptr;
    NetworkEngineThread::flush();
    delete m_server;
    m_server = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

QList<Status> TestTransferFileManager::statusesOf(const QString &id) const
{
    QList<Status> statuses;
    for (const Status &status : m_statuses) {
        if (status.id == id)
            statuses.append(status);
    }
    return statuses;
}

QList<int> TestTransferFileManager::codesOf(const QString &id) const
{
    QList<int> codes;
    for (const Status &status : statusesOf(id)) {
        // Progress repeats as often as the network reports it; one entry stands for all.
        if (status.status == TransferInfo::Downloading || status.status == TransferInfo::Uploading) {
            if (!codes.isEmpty() && codes.last() == status.status)
                continue;
        }
        codes.append(status.status);
    }
    return codes;
}

TransferFile TestTransferFileManager::record(const QString &fileId) const
{
    TransferFile file;
    file.setIdParts(fileId, "u7");
    TransferFileDao().selectTransferFileById(file);
    return file;
}

void TestTransferFileManager::answerChunks()
{
    m_server->setHandler(uploadPath, [](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = chunkAnswer(request.form.value("fileId"), "success");
        return reply;
    });
}

void TestTransferFileManager::fourthDownloadWaits()
{
    // The first three send their headers and a little, then nothing until the connections are closed.
    FakeHttpServer::Reply stalled;
    stalled.body = pattern(10000);
    stalled.contentType = "application/pdf";
    stalled.fault = FakeHttpServer::StallAfter;
    stalled.faultAfter = 100;
    FakeHttpServer::Reply whole;
    whole.body = pattern(10000);
    whole.contentType = "application/pdf";
    for (int n = 1; n <= 3; ++n)
        m_server->setReply(QString("/f/%1.pdf").arg(n).toLatin1(), stalled);
    m_server->setReply("/f/4.pdf", whole);
    for (int n = 1; n <= 4; ++n) {
        QVERIFY(m_manager->pushGetFileQueue(
            QString("%1_1").arg(n), QString("%1.pdf").arg(n), m_server->baseUrl() + QString("/f/%1.pdf").arg(n)));
    }
    QVERIFY(!m_manager->pushGetFileQueue("2_1", "2.pdf", m_server->baseUrl() + "/f/2.pdf"));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 3, 20000);
    QCOMPARE(m_manager->runningDownloads(), 3);
    QCOMPARE(codesOf("4_1"), (QList<int> { TransferInfo::WaitDownload }));
    QCOMPARE(codesOf("1_1").mid(0, 2), (QList<int> { TransferInfo::WaitDownload, TransferInfo::PrepareDownload }));

    m_server->closeConnections();
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("4_1").contains(TransferInfo::Downloaded), 20000);
    QCOMPARE(codesOf("4_1").mid(0, 2), (QList<int> { TransferInfo::WaitDownload, TransferInfo::PrepareDownload }));
    QCOMPARE(codesOf("1_1").last(), int(TransferInfo::DownloadError));
    QCOMPARE(statusesOf("1_1").last().msg, QStringLiteral("文件传输错误"));
    // The fourth started only once one of the three had ended.
    int firstEnd = -1;
    int fourthStart = -1;
    for (int n = 0; n < m_statuses.size(); ++n) {
        const Status &status = m_statuses.at(n);
        if (firstEnd < 0 && status.status == TransferInfo::DownloadError)
            firstEnd = n;
        if (status.id == "4_1" && status.status == TransferInfo::PrepareDownload)
            fourthStart = n;
    }
    QVERIFY(firstEnd >= 0 && fourthStart > firstEnd);
    QTRY_COMPARE_WITH_TIMEOUT(m_manager->runningDownloads(), 0, 20000);
}

void TestTransferFileManager::downloadResults_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("status"); // -1: nothing is reported
    QTest::addColumn<QString>("msg");
    QTest::newRow("0") << 0 << -1 << "";
    QTest::newRow("1") << 1 << 5 << QStringLiteral("正在下载文件，稍后再试");
    QTest::newRow("2") << 2 << 5 << QStringLiteral("文件路径错误");
    QTest::newRow("3") << 3 << 5 << QStringLiteral("新建文件错误");
    QTest::newRow("4") << 4 << 5 << QStringLiteral("新建文件夹错误");
    QTest::newRow("5") << 5 << 5 << QStringLiteral("下载文件错误");
    QTest::newRow("6") << 6 << 5 << QStringLiteral("空文件错误");
    QTest::newRow("7") << 7 << 5 << QStringLiteral("文件传输错误");
    QTest::newRow("8") << 8 << 5 << QStringLiteral("文件解压错误");
    QTest::newRow("9") << 9 << 4 << "";
    // With the room left now: only its start is fixed.
    QTest::newRow("10") << 10 << 5 << QStringLiteral("磁盘空间不足（剩余 ");
    QTest::newRow("unknown") << 26 << 5 << QStringLiteral("网络错误");
}

void TestTransferFileManager::downloadResults()
{
    QFETCH(int, code);
    QFETCH(int, status);
    QFETCH(QString, msg);
    m_manager->slotGetFileResult("9_1", ALGetFile::GetFileStatus(code));
    if (status < 0) {
        QVERIFY(m_statuses.isEmpty());
        return;
    }
    QCOMPARE(m_statuses.size(), 1);
    QCOMPARE(m_statuses.first().status, status);
    if (code == ALGetFile::DiskFull)
        QVERIFY2(m_statuses.first().msg.startsWith(msg), qPrintable(m_statuses.first().msg));
    else
        QCOMPARE(m_statuses.first().msg, msg);
}

void TestTransferFileManager::downloadShares_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("share"); // per mille; -1: nothing is reported
    QTest::newRow("half") << qint64(500) << qint64(1000) << 500;
    QTest::newRow("all") << qint64(1000) << qint64(1000) << 1000;
    QTest::newRow("large file") << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024 << 750;
    // No length in the answer: no share, and never a negative one.
    QTest::newRow("unknown length") << qint64(4096) << qint64(-1) << -1;
    QTest::newRow("nothing yet, unknown length") << qint64(0) << qint64(-1) << -1;
    QTest::newRow("zero length") << qint64(0) << qint64(0) << -1;
    // A server that sends more than it declared shows no more than the whole.
    QTest::newRow("more than declared") << qint64(1500) << qint64(1000) << 1000;
}

void TestTransferFileManager::downloadShares()
{
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, share);
    m_manager->slotDownloadProgress("9_1", received, total);
    if (share < 0) {
        QVERIFY(m_statuses.isEmpty());
        return;
    }
    QCOMPARE(m_statuses.size(), 1);
    QCOMPARE(m_statuses.first().status, int(TransferInfo::Downloading));
    QCOMPARE(m_statuses.first().i, share);
}

void TestTransferFileManager::uploadTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("msg");
    const QString server = QStringLiteral("文件上传失败，服务器错误");
    const QString failed = QStringLiteral("上传失败");
    QTest::newRow("7") << 7 << 15 << failed;
    QTest::newRow("8") << 8 << 15 << QStringLiteral("网络错误");
    QTest::newRow("9") << 9 << 14 << "";
    for (int code = 10; code <= 12; ++code)
        QTest::addRow("%d", code) << code << 15 << server;
    for (int code = 13; code <= 20; ++code)
        QTest::addRow("%d", code) << code << 15 << failed;
    QTest::newRow("21") << 21 << 15 << QStringLiteral("用户网盘空间不足");
    QTest::newRow("22") << 22 << 15 << QStringLiteral("服务端未知错误");
    QTest::newRow("23") << 23 << 15 << QStringLiteral("转换失败");
    QTest::newRow("24") << 24 << 15 << QStringLiteral("服务端返回错误");
    QTest::newRow("25") << 25 << 13 << "";
    QTest::newRow("26") << 26 << 15 << QStringLiteral("网络错误");
}

void TestTransferFileManager::uploadTexts()
{
    QFETCH(int, code);
    QFETCH(int, status);
    QFETCH(QString, msg);
    m_manager->slotPostFileResult("up", ALPostFile::PostFileStatus(code));
    QCOMPARE(m_statuses.size(), 1);
    QCOMPARE(m_statuses.first().status, status);
    QCOMPARE(m_statuses.first().msg, msg);
    QCOMPARE(m_statuses.first().i, 0);
}

void TestTransferFileManager::finishedUploadIsNotSentAgain()
{
    TransferFile done;
    done.setIdParts("done1", "u7");
    done.setFileProgress(1000);
    done.setFileRange(5001);
    QVERIFY(TransferFileDao().saveTransferFile(done));
    m_dir->writeFile("media/done1.ts", pattern(5000));
    answerChunks();
    QVERIFY(m_manager->pushPostFileQueue("done1", m_dir->filePath("media/done1.ts"), 2));
    QCOMPARE(m_statuses.size(), 1);
    QCOMPARE(m_statuses.first().status, int(TransferInfo::Uploaded));
    QCOMPARE(m_statuses.first().i, 1000);
    QVERIFY(m_inserted.isEmpty());
    QCOMPARE(m_manager->runningUploads(), 0);
    QVERIFY(NetworkEngineThread::settled());
    QCOMPARE(m_server->requests().size(), 0);
}

void TestTransferFileManager::queuedUploadRow()
{
    const QByteArray data = pattern(3000);
    m_dir->writeFile("docs/作业.docx", data);
    answerChunks();
    const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm");
    QVERIFY(m_manager->pushPostFileQueue("W1", m_dir->filePath("docs/作业.docx"), 1));
    QVERIFY(!m_manager->pushPostFileQueue("W1", m_dir->filePath("docs/作业.docx"), 1));
    QCOMPARE(m_inserted.size(), 1);
    const TransferInfo info = m_inserted.first();
    QCOMPARE(info.getId(), QString("W1"));
    QCOMPARE(info.getFilePath(), QStringLiteral("作业.docx"));
    QCOMPARE(info.getFileSize(), qint64(3000));
    QCOMPARE(info.getSizeText(), QString("2KB"));
    QCOMPARE(int(info.getStatus()), int(TransferInfo::WaitUpload));
    QCOMPARE(info.getStatusText(), QStringLiteral("等待上传"));
    QCOMPARE(info.getKind(), int(TransferInfo::KindDocument));
    QVERIFY(info.getTimeText() >= before);
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("W1").contains(TransferInfo::Uploaded), 20000);
    QCOMPARE(codesOf("W1").first(), int(TransferInfo::PrepareUpload));
    QCOMPARE(
        m_server->lastRequest(uploadPath).target, uploadPath + "?userId=u7&uploadType=1&clientWidth=3000&fileId=W1");
    // A whole upload keeps no record.
    bool exists = true;
    QVERIFY(TransferFileDao().verifyTransferFileById("W1@u7", exists));
    QVERIFY(!exists);
}

void TestTransferFileManager::storedRangeDecidesTheStart_data()
{
    QTest::addColumn<bool>("sameFile");
    QTest::addColumn<QByteArray>("firstRange");
    QTest::addColumn<int>("requests");
    QTest::newRow("same file") << true << QByteArray("bytes 1048576-2097151/2621440") << 2;
    QTest::newRow("changed file") << false << QByteArray("bytes 0-1048575/2621440") << 3;
}

void TestTransferFileManager::storedRangeDecidesTheStart()
{
    QFETCH(bool, sameFile);
    QFETCH(QByteArray, firstRange);
    QFETCH(int, requests);
    m_dir->writeFile("media/1_3101_u7_20201208153000.ts", pattern(2621440));
    const QString path = m_dir->filePath("media/1_3101_u7_20201208153000.ts");
    const QString stamp = QFileInfo(path).lastModified().toString("yyyy-MM-dd hh:mm:ss:zzz");
    TransferFile stored;
    stored.setIdParts("rec", "u7");
    stored.setFileMd5(sameFile ? stamp : "2020-12-08 15:30:00:000");
    stored.setFileRange(1048576);
    stored.setFileProgress(400);
    stored.setClassTitle("三年级 二班");
    QVERIFY(TransferFileDao().saveTransferFile(stored));
    answerChunks();
    QVERIFY(m_manager->pushPostFileQueue("rec", path, 2));
    // Stored before the first chunk goes out: a changed file keeps nothing of the old one's resume point, so a
    // break before the first answer cannot resume it from there.
    QCOMPARE(record("rec").getFileMd5(), stamp);
    QCOMPARE(record("rec").getFileRange(), sameFile ? qint64(1048576) : qint64(0));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("rec").contains(TransferInfo::Uploaded), 20000);
    const QList<FakeHttpServer::Request> sent = m_server->requests(uploadPath);
    QCOMPARE(sent.size(), requests);
    QCOMPARE(sent.first().header("content-range"), firstRange);
    const TransferFile after = record("rec");
    QCOMPARE(after.getFileMd5(), stamp);
    QCOMPARE(after.getFileProgress(), 1000);
    QCOMPARE(after.getFileRange(), qint64(2621441));
    QCOMPARE(after.getClassTitle(), QStringLiteral("三年级 二班"));
}

void TestTransferFileManager::pauseThenPushAgain()
{
    m_dir->writeFile("media/p.ts", pattern(2621440));
    const QString path = m_dir->filePath("media/p.ts");
    answerChunks();
    connect(m_server, &FakeHttpServer::requestReceived, this, [this](const FakeHttpServer::Request &) {
        // Paused while the first chunk is under way; the server answers only after the pause has arrived.
        if (m_server->requestCount(uploadPath) == 1) {
            QVERIFY(m_manager->setPostFilePause(true, "p"));
            NetworkEngineThread::flush();
        }
    });
    QVERIFY(m_manager->pushPostFileQueue("p", path, 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("p").contains(TransferInfo::UploadPaused), 20000);
    QCOMPARE(m_server->requestCount(uploadPath), 1);
    QCOMPARE(record("p").getFileRange(), qint64(1048576));
    QCOMPARE(record("p").getFileProgress(), 400);
    QCOMPARE(m_manager->runningUploads(), 0);
    QVERIFY(!m_manager->setPostFilePause(false, "p"));

    m_statuses.clear();
    QVERIFY(m_manager->pushPostFileQueue("p", path, 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("p").contains(TransferInfo::Uploaded), 20000);
    const QList<FakeHttpServer::Request> sent = m_server->requests(uploadPath);
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.at(1).header("content-range"), QByteArray("bytes 1048576-2097151/2621440"));
    QCOMPARE(record("p").getFileProgress(), 1000);
    // Progress per mille of the whole file, rising.
    int last = 0;
    for (const Status &status : statusesOf("p")) {
        if (status.status != TransferInfo::Uploading)
            continue;
        QVERIFY(status.i >= last && status.i <= 1000);
        last = status.i;
    }
    QVERIFY(last > 400);
}

void TestTransferFileManager::databaseFailureEndsTheUpload()
{
    m_dir->writeFile("media/d.ts", pattern(1000));
    answerChunks();
    {
        DaoAccessPeriod period;
        QVERIFY(period.isOpen());
        QVERIFY(DBManager::removeTable("TransferFile"));
    }
    QVERIFY(m_manager->pushPostFileQueue("d", m_dir->filePath("media/d.ts"), 2));
    QCOMPARE(codesOf("d"), (QList<int> { TransferInfo::UploadError }));
    QCOMPARE(statusesOf("d").last().msg, QStringLiteral("上传失败"));
    QCOMPARE(m_manager->runningUploads(), 0);
    // The id is free for another try.
    m_statuses.clear();
    {
        DaoAccessPeriod period;
        QVERIFY(TransferFileDao::createTransferTable());
    }
    QVERIFY(m_manager->pushPostFileQueue("d", m_dir->filePath("media/d.ts"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("d").contains(TransferInfo::Uploaded), 20000);
}

// The file to send is there, but the disk (here the process's file size limit) takes no record of where its upload
// stands.
void TestTransferFileManager::aFullDiskThatKeepsNoRecordIsTold()
{
    m_dir->writeFile("media/f.ts", pattern(1000));
    answerChunks();
    {
        FileSizeLimit noRoom(0);
        QVERIFY(noRoom.isSet());
        QVERIFY(m_manager->pushPostFileQueue("f", m_dir->filePath("media/f.ts"), 2));
    }
    QCOMPARE(codesOf("f"), (QList<int> { TransferInfo::UploadError }));
    const QString told = statusesOf("f").last().msg;
    QVERIFY2(told.startsWith(QStringLiteral("磁盘空间不足（剩余 ")), qPrintable(told));
    QCOMPARE(m_manager->runningUploads(), 0);
    // With room, the same file goes.
    m_statuses.clear();
    QVERIFY(m_manager->pushPostFileQueue("f", m_dir->filePath("media/f.ts"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("f").contains(TransferInfo::Uploaded), 20000);
}

void TestTransferFileManager::answerForAnotherFileFreesTheSlot()
{
    m_dir->writeFile("media/o.ts", pattern(1000));
    m_server->setJson(uploadPath, chunkAnswer("someone-else", "success"));
    QVERIFY(m_manager->pushPostFileQueue("o", m_dir->filePath("media/o.ts"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("o").contains(TransferInfo::UploadError), 20000);
    QCOMPARE(statusesOf("o").last().msg, QStringLiteral("服务端返回错误"));
    QCOMPARE(m_manager->runningUploads(), 0);
    answerChunks();
    QVERIFY(m_manager->pushPostFileQueue("o", m_dir->filePath("media/o.ts"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(codesOf("o").contains(TransferInfo::Uploaded), 20000);
}

QTEST_GUILESS_MAIN(TestTransferFileManager)
#include "tst_transferfilemanager.moc"
