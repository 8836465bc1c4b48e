// The recordings window over SQLite in a temporary folder, a fake file server and the fake classroom server: the
// name rule, the listed rows, ranged uploads and the record-file line, the server's answer, show and close of
// the course list, deletes, and the progress painted on the page's upload button.
#include "tests/class/reviewtestsupport.h"
#include "tests/support/classroomlink.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/class/transferrecordview.h"
#include "vrek/class/uploadbutton.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/record/recordscreenmanager.h"
#include "vrek/record/recordui.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transferfilemanager.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/threadfactory.h"

#include <QFile>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {
const QByteArray uploadPath = "/vSocket/socket/recevieClient/uploadFile";
const QString recording = "1_1234_u77_20201208153000.ts";
const QString second = "2_5678_u77_20201209090500.ts";
const qint64 recordingSize = 2621440; // three ranges of at most 1 MiB

struct Row
{
    int status = TransferInfo::StatusUnset;
    QString statusText;
    QString path;
    int progress = 0;
};
} // namespace

class TestTransferRecordView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void form();
    void nameRule_data();
    void nameRule();
    void listedRows();
    void storedRowsFollowTheFolder();
    void missingFolderIsMadeAndDropsTheRows();
    void recorderNamesPassTheRule();
    void uploadAndServerAnswer_data();
    void uploadAndServerAnswer();
    void answerForAnUnlistedIdChangesNothing();
    void unaskedAnswersChangeNothing_data();
    void unaskedAnswersChangeNothing();
    void answerAfterTheRowWentChangesNothing();
    void showQueuesAndClosePauses();
    void uploadedRowIsNotQueuedAgain();
    void deleteWhileUploadingOnlyPauses();
    void deleteByStatus_data();
    void deleteByStatus();
    void buttonsFollowTheStatus_data();
    void buttonsFollowTheStatus();
    void progressSignal_data();
    void progressSignal();
    void uploadButtonAverages();
    void uploadButtonPaintsTheProgress();

private:
    void writeRecording(const QString &name, qint64 size = recordingSize);
    void storeRow(const QString &name, int progress, const QString &title = "三年级数学");
    Row row(const QString &id) const;
    void answerChunks(int delayMs = 0);
    void announce(const QString &id);
    void answer(const QString &id, int result, TransferInfo::TransferStatus shown);
    void handledSoFar();

    NetworkEngineThread *m_network = nullptr;
    ClassroomLink *m_link = nullptr;
    TempWorkDir *m_dir = nullptr;
    FakeHttpServer *m_files = nullptr;
    TransferRecordView *m_view = nullptr;
    FakePrompt *m_prompt = nullptr;
};

void TestTransferRecordView::initTestCase()
{
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    m_link = new ClassroomLink(true, GlobalEnum::User0);
    QVERIFY(m_link->connectToServer());
}

void TestTransferRecordView::cleanupTestCase()
{
    delete m_link;
    delete m_network;
}

void TestTransferRecordView::init()
{
    g_userId = "u77";
    g_userName = "王老师";
    g_classStartCount = 3;
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    QVERIFY(QDir().mkpath("media"));
    m_files = new FakeHttpServer();
    QVERIFY(m_files->listen());
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(m_files->port());
    m_view = new TransferRecordView();
    m_prompt = new FakePrompt();
    m_view->setPrompt(m_prompt);
    m_link->clear();
    m_link->server().clearLines();
}

void TestTransferRecordView::cleanup()
{
    delete m_view;
    m_view = nullptr;
    NetworkEngineThread::flush();
    delete m_files;
    m_files = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestTransferRecordView::writeRecording(const QString &name, qint64 size)
{
    QVERIFY(m_dir->writeFile("media/" + name, transferPattern(size)));
}

void TestTransferRecordView::storeRow(const QString &name, int progress, const QString &title)
{
    TransferFile file;
    file.setIdParts(name, g_userId);
    file.setFileName("./media/" + name);
    file.setClassTitle(title);
    file.setFileProgress(progress);
    QVERIFY(TransferFileDao().saveTransferFile(file));
}

Row TestTransferRecordView::row(const QString &id) const
{
    TransferInfo info;
    info.setId(id);
    Row result;
    if (!m_view->recordTreeView()->selectRow(info))
        return result;
    result.status = info.getStatus();
    result.statusText = info.getStatusText();
    result.path = info.getFilePath();
    result.progress = info.getProgress();
    return result;
}

void TestTransferRecordView::answerChunks(int delayMs)
{
    m_files->setHandler(uploadPath, [delayMs](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = chunkAnswer(request.form.value("fileId"), "success");
        reply.delayMs = delayMs;
        return reply;
    });
}

// The view's own step once an upload is through: the row shows it converting and the record-file line goes out.
void TestTransferRecordView::announce(const QString &id)
{
    m_view->slotRecordStatus(id, TransferInfo::Uploaded);
    QCOMPARE(row(id).status, int(TransferInfo::Converting));
    const QString line = "8\tu77\t" + id.section('_', 1, 1) + "\t" + id + "\t3";
    QCOMPARE(m_link->server().waitForLine(line, 20000), line);
}

// The server's answer on the connection, once the row shows it.
void TestTransferRecordView::answer(const QString &id, int result, TransferInfo::TransferStatus shown)
{
    m_link->server().sendLine(QString("8\tu77\t%1\t%2").arg(result).arg(id));
    QTRY_COMPARE_WITH_TIMEOUT(row(id).status, int(shown), 20000);
}

// Lines arrive in order: once an answer sent after them is shown, every line before it has been handled.
void TestTransferRecordView::handledSoFar()
{
    writeRecording(second);
    storeRow(second, 0);
    m_view->loadRecordFiles();
    announce(second);
    answer(second, 1, TransferInfo::UploadError);
}

void TestTransferRecordView::form()
{
    QCOMPARE(m_view->minimumSize(), QSize(800, 600));
    QCOMPARE(m_view->uploadButton()->text(), QString("上传"));
    QCOMPARE(m_view->deleteButton()->text(), QString("删除"));
    QCOMPARE(m_view->uploadButton()->size(), QSize(50, 25));
    QCOMPARE(m_view->deleteButton()->iconSize(), QSize(12, 12));
    QVERIFY(!m_view->uploadButton()->icon().isNull());
    QVERIFY(!m_view->deleteButton()->icon().isNull());
    QCOMPARE(m_view->recordTreeView()->objectName(), QString("recordTreeView"));
    QVERIFY(m_view->selectedId().isEmpty());
}

void TestTransferRecordView::nameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("time");
    QTest::newRow("the user's") << recording << "u77"
                                << "2020-12-08 15:30";
    QTest::newRow("another user's") << recording << "u78"
                                    << "";
    QTest::newRow("empty lesson part") << "1__u77_20201208153000.ts"
                                       << "u77"
                                       << "2020-12-08 15:30";
    QTest::newRow("first part of two") << "12_1234_u77_20201208153000.ts"
                                       << "u77"
                                       << "";
    QTest::newRow("empty first part") << "_1234_u77_20201208153000.ts"
                                      << "u77"
                                      << "";
    QTest::newRow("13-digit stamp") << "1_1234_u77_2020120815300.ts"
                                    << "u77"
                                    << "";
    QTest::newRow("five parts") << "1_12_34_u77_20201208153000.ts"
                                << "u77"
                                << "";
    QTest::newRow("another suffix") << "1_1234_u77_20201208153000.mp4"
                                    << "u77"
                                    << "";
    QTest::newRow("upper-case suffix") << "1_1234_u77_20201208153000.TS"
                                       << "u77"
                                       << "";
}

void TestTransferRecordView::nameRule()
{
    QFETCH(QString, name);
    QFETCH(QString, userId);
    QFETCH(QString, time);
    QString shown;
    QCOMPARE(TransferRecordView::recordFileTime(name, userId, &shown), !time.isEmpty());
    if (!time.isEmpty())
        QCOMPARE(shown, time);

    // And as the window lists them.
    g_userId = userId;
    writeRecording(name, 100);
    storeRow(name, 0);
    m_view->loadRecordFiles();
    QCOMPARE(m_view->recordTreeView()->getAllItemStatus().contains(name), !time.isEmpty());
}

void TestTransferRecordView::listedRows()
{
    writeRecording(recording);
    storeRow(recording, 0);
    writeRecording(second, 1000);
    storeRow(second, 500, "英语");
    writeRecording("1_1111_u77_20201210100000.ts", 10); // no stored row
    writeRecording("1_1111_u78_20201210100000.ts", 10); // another user's
    m_view->show();

    QCOMPARE(m_view->recordTreeView()->getAllItemStatus().size(), 2);
    const Row first = row(recording);
    QCOMPARE(first.status, int(TransferInfo::FreeText));
    QCOMPARE(first.statusText, QString("可以上传"));
    QCOMPARE(first.path, QString("三年级数学_王老师_2020-12-08 15:30.ts"));
    QCOMPARE(first.progress, 0);
    TransferInfo info;
    info.setId(recording);
    QVERIFY(m_view->recordTreeView()->selectRow(info));
    QCOMPARE(info.getTimeText(), QString("2020-12-08 15:30"));
    QCOMPARE(info.getFileSize(), recordingSize);
    QCOMPARE(info.getKind(), int(TransferInfo::KindRecording));
    // A stored progress between the ends: an upload that was paused.
    const Row paused = row(second);
    QCOMPARE(paused.status, int(TransferInfo::UploadPaused));
    QCOMPARE(paused.progress, 500);
    QCOMPARE(paused.path, QString("英语_王老师_2020-12-09 09:05.ts"));

    // Listing again adds nothing twice.
    m_view->loadRecordFiles();
    QCOMPARE(m_view->recordTreeView()->itemModel()->rowCount(), 2);
}

void TestTransferRecordView::storedRowsFollowTheFolder()
{
    writeRecording(recording);
    storeRow(recording, 0);
    storeRow(second, 300); // its file is gone
    g_userId = "u78";
    storeRow(second, 300); // another user's row stays
    g_userId = "u77";
    m_view->verifyLocalFile();
    TransferFileDao dao;
    QList<TransferFile> rows;
    QVERIFY(dao.selectTransferFileList("u77", rows));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().getId(), recording + "@u77");
    QList<TransferFile> others;
    QVERIFY(dao.selectTransferFileList("u78", others));
    QCOMPARE(others.size(), 1);
}

void TestTransferRecordView::missingFolderIsMadeAndDropsTheRows()
{
    QVERIFY(QDir("media").removeRecursively());
    storeRow(recording, 0);
    m_view->verifyLocalFile();
    QVERIFY(QDir("media").exists());
    QList<TransferFile> rows;
    QVERIFY(TransferFileDao().selectTransferFileList("u77", rows));
    QVERIFY(rows.isEmpty());
}

void TestTransferRecordView::recorderNamesPassTheRule()
{
    // What the class window's recorder writes is what this window lists.
    g_pushStreamId = "u7720240101080000";
    g_lessonName = "语文";
    g_classType = 4;
    ThreadFactory factory;
    RecordUI controls(nullptr, &factory);
    controls.recordManager()->setAudioDevice("禁用");
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    const QString name = g_recordFileName;
    QString time;
    QVERIFY2(TransferRecordView::recordFileTime(name, "u77", &time), qPrintable(name));
    // The row is written at the start; a recording that leaves no file takes it along when it ends.
    TransferFile stored;
    stored.setId(name + "@u77");
    QVERIFY(TransferFileDao().selectTransferFileById(stored));
    QCOMPARE(stored.getClassTitle(), QString("语文"));
    QVERIFY(released.wait(10000));

    // Had the recording left its file, the row would have stayed: list the two as the recorder leaves them.
    QVERIFY(TransferFileDao().saveTransferFile(stored));
    writeRecording(name, 100);
    m_view->loadRecordFiles();
    QCOMPARE(row(name).path, QString("语文_王老师_%1.ts").arg(time));
    QCOMPARE(row(name).statusText, QString("可以上传"));
}

void TestTransferRecordView::uploadAndServerAnswer_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fileKept");
    QTest::newRow("converted") << 0 << int(TransferInfo::Uploaded) << "文件已上传" << false;
    QTest::newRow("conversion failed") << 1 << int(TransferInfo::UploadError) << "服务端转换失败" << true;
    QTest::newRow("unknown result") << 2 << int(TransferInfo::Converting) << "正在转换" << true;
}

void TestTransferRecordView::uploadAndServerAnswer()
{
    QFETCH(int, result);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(bool, fileKept);
    writeRecording(recording);
    storeRow(recording, 0);
    answerChunks();
    m_view->loadRecordFiles();
    QSignalSpy progress(m_view, &TransferRecordView::signalTransferProgress);
    m_view->recordTreeView()->setCurrentIndex(
        m_view->recordTreeView()->model()->index(0, TransferItemModel::NameColumn));
    QCOMPARE(m_view->selectedId(), recording);
    QTest::mouseClick(m_view->uploadButton(), Qt::LeftButton);

    QTRY_COMPARE_WITH_TIMEOUT(row(recording).status, int(TransferInfo::Converting), 20000);
    const QList<FakeHttpServer::Request> sent = m_files->requests(uploadPath);
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.first().header("content-range"), QByteArray("bytes 0-1048575/2621440"));
    QCOMPARE(sent.first().form.value("uploadType"), QString("2"));
    QCOMPARE(m_link->sent().filter(QRegularExpression("^8\t")), QStringList { "8\tu77\t1234\t" + recording + "\t3" });
    QCOMPARE(row(recording).statusText, QString("正在转换"));
    // Progress rose while it went, and the end counts as no upload any more.
    QVERIFY(progress.count() >= 2);
    QVERIFY(progress.at(progress.count() - 2).at(1).toInt() > 0);
    QCOMPARE(progress.last().at(1).toInt(), 0);

    m_link->server().sendLine(QString("8\tu77\t%1\t%2").arg(result).arg(recording));
    handledSoFar();
    QCOMPARE(row(recording).status, status);
    QCOMPARE(row(recording).statusText, text);
    QCOMPARE(QFile::exists("media/" + recording), fileKept);
}

void TestTransferRecordView::answerForAnUnlistedIdChangesNothing()
{
    writeRecording(recording);
    storeRow(recording, 0);
    m_view->loadRecordFiles();
    m_view->slotRecordFileResult(second, 0);
    m_view->slotRecordFileResult(QString(), 0);
    m_link->server().sendLine("8\tu77\t0\t../" + recording);
    handledSoFar();
    QCOMPARE(row(recording).status, int(TransferInfo::FreeText));
    QVERIFY(QFile::exists("media/" + recording));
}

void TestTransferRecordView::unaskedAnswersChangeNothing_data()
{
    QTest::addColumn<int>("announced"); // record-file lines sent for the recording
    QTest::addColumn<QList<int>>("answered"); // the server's answers to them
    QTest::addColumn<QString>("line"); // then this line comes unasked
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    const QString free = "可以上传";
    const QString failed = "服务端转换失败";
    const QString converting = "正在转换";
    const int freeText = TransferInfo::FreeText;
    const int error = TransferInfo::UploadError;
    const int busy = TransferInfo::Converting;
    QTest::newRow("unknown id") << 0 << QList<int>() << "8\tu77\t0\t1_9999_u77_20201208153000.ts" << freeText << free;
    QTest::newRow("listed, never sent: converted") << 0 << QList<int>() << "8\tu77\t0\t" + recording << freeText
                                                   << free;
    QTest::newRow("listed, never sent: failed") << 0 << QList<int>() << "8\tu77\t1\t" + recording << freeText
                                                << free;
    QTest::newRow("another user's answer") << 0 << QList<int>() << "8\tu78\t0\t" + recording << freeText << free;
    QTest::newRow("answered, then again") << 1 << QList<int> { 1 } << "8\tu77\t0\t" + recording << error << failed;
    QTest::newRow("sent twice, answered once, then again")
        << 2 << QList<int> { 1 } << "8\tu77\t0\t" + recording << error << failed;
    QTest::newRow("empty id") << 1 << QList<int>() << "8\tu77\t0\t" << busy << converting;
    QTest::newRow("id as a path") << 1 << QList<int>() << "8\tu77\t0\t./" + recording << busy << converting;
    QTest::newRow("result no number") << 1 << QList<int>() << "8\tu77\tok\t" + recording << busy << converting;
    QTest::newRow("result empty") << 1 << QList<int>() << "8\tu77\t\t" + recording << busy << converting;
    QTest::newRow("result unknown") << 1 << QList<int>() << "8\tu77\t7\t" + recording << busy << converting;
    QTest::newRow("result negative") << 1 << QList<int>() << "8\tu77\t-1\t" + recording << busy << converting;
}

void TestTransferRecordView::unaskedAnswersChangeNothing()
{
    QFETCH(int, announced);
    QFETCH(QList<int>, answered);
    QFETCH(QString, line);
    QFETCH(int, status);
    QFETCH(QString, text);
    writeRecording(recording);
    storeRow(recording, 0);
    m_view->loadRecordFiles();
    for (int i = 0; i < announced; ++i)
        announce(recording);
    for (int result : qAsConst(answered))
        answer(recording, result, result == 0 ? TransferInfo::Uploaded : TransferInfo::UploadError);

    m_link->server().sendLine(line);
    handledSoFar();
    QCOMPARE(row(recording).status, status);
    QCOMPARE(row(recording).statusText, text);
    QVERIFY(QFile::exists("media/" + recording));
    bool stored = false;
    QVERIFY(TransferFileDao().verifyTransferFileById(recording + "@u77", stored));
    QVERIFY(stored);
    if (status != TransferInfo::Converting)
        return;
    // The line sent is still waiting for its answer, and takes it.
    answer(recording, 0, TransferInfo::Uploaded);
    QVERIFY(!QFile::exists("media/" + recording));
}

void TestTransferRecordView::answerAfterTheRowWentChangesNothing()
{
    // Sent, then deleted by the user, then a file of the name came back: the late answer is not its.
    writeRecording(recording);
    storeRow(recording, 0);
    m_view->loadRecordFiles();
    announce(recording);
    m_view->recordTreeView()->setCurrentIndex(
        m_view->recordTreeView()->model()->index(0, TransferItemModel::NameColumn));
    m_prompt->yes = true;
    m_view->slotDeletePushButtonClicked();
    QVERIFY(!m_view->recordTreeView()->getAllItemStatus().contains(recording));
    m_link->server().sendLine("8\tu77\t0\t" + recording);
    handledSoFar();
    writeRecording(recording);
    m_view->loadRecordFiles();
    m_link->server().sendLine("8\tu77\t0\t" + recording);
    handledSoFar();
    QCOMPARE(row(recording).status, int(TransferInfo::FreeText));
    QVERIFY(QFile::exists("media/" + recording));
}

void TestTransferRecordView::showQueuesAndClosePauses()
{
    writeRecording(recording);
    storeRow(recording, 0);
    writeRecording(second);
    storeRow(second, 0);
    answerChunks(300);
    m_view->refreshRecordList(true);
    QCOMPARE(m_view->recordTreeView()->getAllItemStatus().size(), 2);
    // Both queued at once, each with its first range under way.
    QTRY_COMPARE_WITH_TIMEOUT(m_files->requestCount(uploadPath), 2, 10000);
    QVERIFY(row(recording).status >= TransferInfo::WaitUpload && row(recording).status <= TransferInfo::Uploading);

    m_view->refreshRecordList(false);
    QTRY_COMPARE_WITH_TIMEOUT(row(recording).status, int(TransferInfo::UploadPaused), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(row(second).status, int(TransferInfo::UploadPaused), 10000);
    QVERIFY(NetworkEngineThread::settled());
    QCOMPARE(m_files->requestCount(uploadPath), 2);
    QCOMPARE(m_view->manager()->runningUploads(), 0);

    // Shown again: they go on from where they stopped.
    m_view->refreshRecordList(true);
    QTRY_COMPARE_WITH_TIMEOUT(row(recording).status, int(TransferInfo::Converting), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(row(second).status, int(TransferInfo::Converting), 20000);
    // Converting comes with the last byte written, the server's reading of it may come a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(m_files->requestCount(uploadPath), 6, 10000);
}

void TestTransferRecordView::uploadedRowIsNotQueuedAgain()
{
    writeRecording(recording);
    storeRow(recording, 0);
    m_view->loadRecordFiles();
    announce(recording);
    answer(recording, 0, TransferInfo::Uploaded);
    answerChunks();
    m_view->refreshRecordList(true);
    QVERIFY(NetworkEngineThread::settled());
    QCOMPARE(m_files->requestCount(uploadPath), 0);
    QCOMPARE(row(recording).status, int(TransferInfo::Uploaded));
    // The file went, and with the next look its stored row.
    QVERIFY(!QFile::exists("media/" + recording));
    bool exists = true;
    QVERIFY(TransferFileDao().verifyTransferFileById(recording + "@u77", exists));
    QVERIFY(!exists);
}

void TestTransferRecordView::deleteWhileUploadingOnlyPauses()
{
    writeRecording(recording);
    storeRow(recording, 0);
    answerChunks(300);
    m_view->refreshRecordList(true);
    QTRY_VERIFY_WITH_TIMEOUT(row(recording).status == TransferInfo::Uploading, 10000);
    m_view->recordTreeView()->setCurrentIndex(
        m_view->recordTreeView()->model()->index(0, TransferItemModel::NameColumn));
    m_view->slotDeletePushButtonClicked();
    QCOMPARE(
        m_prompt->questions, QStringList { "提示|是否删除文件\"三年级数学_王老师_2020-12-08 15:30.ts\"?|确定|取消" });
    QTRY_COMPARE_WITH_TIMEOUT(row(recording).status, int(TransferInfo::UploadPaused), 10000);
    QVERIFY(QFile::exists("media/" + recording));
    QCOMPARE(m_view->recordTreeView()->getAllItemStatus().size(), 1);
}

void TestTransferRecordView::deleteByStatus_data()
{
    QTest::addColumn<bool>("uploaded");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("rowKept");
    QTest::addColumn<bool>("fileKept");
    QTest::newRow("waiting for upload") << false << true << false << false;
    QTest::newRow("answered no") << false << false << true << true;
    // The server has it: a file that came back under its name is no longer the window's.
    QTest::newRow("uploaded") << true << true << false << true;
}

void TestTransferRecordView::deleteByStatus()
{
    QFETCH(bool, uploaded);
    QFETCH(bool, yes);
    QFETCH(bool, rowKept);
    QFETCH(bool, fileKept);
    writeRecording(recording);
    storeRow(recording, 0);
    m_view->loadRecordFiles();
    if (uploaded) {
        announce(recording);
        answer(recording, 0, TransferInfo::Uploaded);
        writeRecording(recording);
    }
    m_view->recordTreeView()->setCurrentIndex(
        m_view->recordTreeView()->model()->index(0, TransferItemModel::NameColumn));
    m_prompt->yes = yes;
    QTest::mouseClick(m_view->deleteButton(), Qt::LeftButton);
    QCOMPARE(m_prompt->questions.size(), 1);
    QCOMPARE(m_view->recordTreeView()->getAllItemStatus().contains(recording), rowKept);
    QCOMPARE(QFile::exists("media/" + recording), fileKept);
}

void TestTransferRecordView::buttonsFollowTheStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("upload");
    QTest::newRow("paused") << int(TransferInfo::UploadPaused) << true;
    QTest::newRow("error") << int(TransferInfo::UploadError) << true;
    QTest::newRow("free text") << int(TransferInfo::FreeText) << true;
    QTest::newRow("waiting") << int(TransferInfo::WaitUpload) << false;
    QTest::newRow("uploading") << int(TransferInfo::Uploading) << false;
    QTest::newRow("uploaded") << int(TransferInfo::Uploaded) << false;
    QTest::newRow("converting") << int(TransferInfo::Converting) << false;
}

void TestTransferRecordView::buttonsFollowTheStatus()
{
    QFETCH(int, status);
    QFETCH(bool, upload);
    m_view->slotRecordTreeItemChanged("x", TransferInfo::TransferStatus(status));
    QCOMPARE(m_view->selectedId(), QString("x"));
    QCOMPARE(m_view->uploadButton()->isEnabled(), upload);
    QVERIFY(m_view->deleteButton()->isEnabled());
}

void TestTransferRecordView::progressSignal_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("i");
    QTest::addColumn<int>("progress");
    QTest::newRow("uploading") << int(TransferInfo::Uploading) << 500 << 500;
    QTest::newRow("uploading, no figure") << int(TransferInfo::Uploading) << 0 << 0;
    QTest::newRow("paused") << int(TransferInfo::UploadPaused) << 600 << 0;
    QTest::newRow("uploaded") << int(TransferInfo::Uploaded) << 1000 << 0;
}

void TestTransferRecordView::progressSignal()
{
    QFETCH(int, status);
    QFETCH(int, i);
    QFETCH(int, progress);
    QSignalSpy spy(m_view, &TransferRecordView::signalTransferProgress);
    // Also for a row that is not listed.
    m_view->slotRecordStatus("elsewhere", TransferInfo::TransferStatus(status), QString(), i);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().at(0).toString(), QString("elsewhere"));
    QCOMPARE(spy.first().at(1).toInt(), progress);
}

void TestTransferRecordView::uploadButtonAverages()
{
    UploadButton button;
    button.setText("录屏上传");
    QCOMPARE(button.shownProgress(), 1000);
    button.slotSetProgress("a", 0);
    QCOMPARE(button.text(), QString("录屏上传"));
    button.slotSetProgress("a", 500);
    QCOMPARE(button.text(), QString("50%"));
    button.slotSetProgress("b", 1000);
    QCOMPARE(button.text(), QString("75%"));
    QCOMPARE(button.shownProgress(), 750);
    button.slotSetProgress("a", 1000);
    QCOMPARE(button.text(), QString("录屏上传"));
    button.slotSetProgress("a", 0);
    button.slotSetProgress("b", 455);
    QCOMPARE(button.text(), QString("45.5%"));
    // Nothing uploads any more: the last figure stays.
    button.slotSetProgress("b", 0);
    QCOMPARE(button.text(), QString("45.5%"));
    button.slotSetProgress("c", 1001);
    QCOMPARE(button.shownProgress(), 455);
}

void TestTransferRecordView::uploadButtonPaintsTheProgress()
{
    UploadButton button;
    button.setText("录屏上传");
    button.setFixedSize(100, 35);
    button.slotSetProgress("a", 400);
    const QImage image = button.grab().toImage();
    const QColor done = image.pixelColor(20, 5);
    const QColor rest = image.pixelColor(80, 5);
    QCOMPARE(done, QColor(101, 173, 87));
    QCOMPARE(rest, QColor(160, 203, 253));
    // The green part ends at 40 % of the width.
    QCOMPARE(image.pixelColor(38, 5), QColor(101, 173, 87));
    QCOMPARE(image.pixelColor(42, 5), QColor(160, 203, 253));
}

QTEST_MAIN(TestTransferRecordView)
#include "tst_transferrecordview.moc"
