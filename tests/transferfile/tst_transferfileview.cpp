// The network-disk window offscreen, through its slots: upload checks, delete refusals, rows from the file list
// and from transfers, the lines it sends, and its buttons.
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transferfilemanager.h"
#include "vrek/transferfile/transferfileprompt.h"
#include "vrek/transferfile/transferfileview.h"
#include "vrek/transferfile/transferitemmodel.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QThread>
#include <QtTest>

namespace {
TransferInfo row(const QString &id, const QString &name, TransferInfo::TransferStatus status, int progress = 0)
{
    TransferInfo info;
    info.setId(id);
    info.setFilePath(name);
    info.setStatus(status);
    info.setStatusText();
    info.setProgress(progress);
    return info;
}

UserFile listed(const QString &fileIdAll, const QString &name, const QString &size, const QString &date)
{
    UserFile file;
    file.setId(fileIdAll, "u7");
    file.setFileName(name);
    file.setFileSize(size);
    file.setUploadDate(date);
    return file;
}
} // namespace

class TestTransferFileView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void form();
    void uploadChecks_data();
    void uploadChecks();
    void nothingChosenUploadsNothing();
    void deleteByStatus_data();
    void deleteByStatus();
    void deleteAnsweredNo();
    void deleteResults_data();
    void deleteResults();
    void convertingAtThousand();
    void rowsFromAFileList();
    void offeredFileIsDownloaded();
    void offeredFileMissingOnTheServer();
    void processedUpload_data();
    void processedUpload();
    void updateFileStatus();
    void buttonsFollowTheStatus_data();
    void buttonsFollowTheStatus();
    void downloadButtonAsksForTheFile();
    void errorRowsGoOnClose();
    void showAsksForTheList();

private:
    TransferInfo stored(const QString &id) const;
    void makeCurrent(const QString &id);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomLink *m_link = nullptr;
    FakeHttpServer *m_files = nullptr;
    TransferFileView *m_view = nullptr;
    FakePrompt *m_prompt = nullptr;
    quint16 m_closedPort = 0;
};

void TestTransferFileView::initTestCase()
{
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    g_userId = "u7";
    g_roomId = "3101";
    m_link = new ClassroomLink(true, GlobalEnum::User1);
    QVERIFY(m_link->connectToServer());
    // A port nobody listens on: uploads started by these tests fail at once.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    m_closedPort = probe.serverPort();
    probe.close();
}

void TestTransferFileView::cleanupTestCase()
{
    delete m_link;
    delete m_network;
}

void TestTransferFileView::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    m_files = new FakeHttpServer();
    QVERIFY(m_files->listen());
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(m_closedPort);
    m_view = new TransferFileView();
    m_prompt = new FakePrompt();
    m_view->setPrompt(m_prompt);
    m_link->clear();
}

void TestTransferFileView::cleanup()
{
    delete m_view;
    m_view = nullptr;
    QMetaObject::invokeMethod(
        g_networkEngine, [] {}, Qt::BlockingQueuedConnection);
    delete m_files;
    m_files = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

TransferInfo TestTransferFileView::stored(const QString &id) const
{
    TransferInfo info;
    info.setId(id);
    if (!m_view->treeView()->selectRow(info))
        info.setStatus(TransferInfo::StatusUnset);
    return info;
}

void TestTransferFileView::makeCurrent(const QString &id)
{
    const QAbstractItemModel *model = m_view->treeView()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, TransferItemModel::IdColumn).data().toString() == id) {
            m_view->treeView()->setCurrentIndex(model->index(r, TransferItemModel::NameColumn));
            return;
        }
    }
    QFAIL("no such row");
}

void TestTransferFileView::form()
{
    QCOMPARE(m_view->objectName(), QString("TransferFileView"));
    QVERIFY(m_view->uploadButton()->isEnabled());
    QVERIFY(!m_view->downloadButton()->isEnabled());
    QVERIFY(!m_view->deleteButton()->isEnabled());
    QCOMPARE(m_view->uploadButton()->objectName(), QString("uploadPushButton"));
    QCOMPARE(m_view->treeView()->objectName(), QString("documentTreeView"));
    QVERIFY(m_view->findChild<QFrame *>("transferToolLine_2"));
    QCOMPARE(m_view->uploadButton()->size(), QSize(int(65 * g_uiScale), int(40 * g_uiScale)));
    QVERIFY(m_view->minimumSize() == QSize(800, 600) || m_view->minimumSize() == QSize(1000, 750));
    QVERIFY(m_view->treeView()->isColumnHidden(TransferItemModel::IdColumn));
}

void TestTransferFileView::uploadChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("30 characters") << QString(26, 'a') + ".pdf" << qint64(10) << "";
    QTest::newRow("31 characters") << QString(27, 'a') + ".pdf" << qint64(10) << QStringLiteral("文件名太长");
    QTest::newRow("200 MiB") << "big.mp4" << qint64(209715200) << "";
    QTest::newRow("above 200 MiB") << "big.mp4" << qint64(209715201) << QStringLiteral("文件大小不能超过200M");
    QTest::newRow("link") << "a.lnk.pdf" << qint64(10) << QStringLiteral("文件名不支持！");
    QTest::newRow("comma") << "a,b.pdf" << qint64(10) << QStringLiteral("文件名不允许包含特殊字符");
    QTest::newRow("comma in the suffix") << "ab.p,df" << qint64(10) << "";
}

void TestTransferFileView::uploadChecks()
{
    QFETCH(QString, name);
    QFETCH(qint64, size);
    QFETCH(QString, refusal);
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size)); // sparse
    file.close();
    m_prompt->path = file.fileName();
    QTest::mouseClick(m_view->uploadButton(), Qt::LeftButton);
    QCOMPARE(m_prompt->questions.size(), 1);
    QCOMPARE(m_prompt->questions.first(),
        QStringLiteral("打开文件|课件 (*.doc *.docx *.ppt *.pptx *.pdf *.png *.jpg *.avi *.mp4 *.wmv *.rmvb *.flv "
                       "*.3gp *.wav *.mp3 *.m4a)"));
    const QHash<QString, TransferInfo::TransferStatus> rows = m_view->treeView()->getAllItemStatus();
    if (!refusal.isEmpty()) {
        QCOMPARE(m_prompt->informations, QStringList { QStringLiteral("提示|") + refusal });
        QVERIFY(rows.isEmpty());
        return;
    }
    QVERIFY(m_prompt->informations.isEmpty());
    QCOMPARE(rows.size(), 1);
    const QString id = rows.keys().first();
    QCOMPARE(id.size(), 40);
    QVERIFY(QRegularExpression("^[0-9A-Za-z]{40}$").match(id).hasMatch());
    QCOMPARE(stored(id).getFilePath(), name);
    QCOMPARE(stored(id).getFileSize(), size);
    // Nobody takes the upload here: it ends as an upload error.
    QTRY_COMPARE_WITH_TIMEOUT(int(stored(id).getStatus()), int(TransferInfo::UploadError), 20000);
    QCOMPARE(stored(id).getStatusText(), QStringLiteral("上传失败"));
}

void TestTransferFileView::nothingChosenUploadsNothing()
{
    m_prompt->path.clear();
    m_view->slotUploadPushButtonClicked();
    QVERIFY(m_view->treeView()->getAllItemStatus().isEmpty());
    QVERIFY(m_prompt->informations.isEmpty());
}

void TestTransferFileView::deleteByStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("information");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("removed");
    const QString downloading = QStringLiteral("提示|正在下载，请等待");
    const QString uploading = QStringLiteral("提示|正在上传，请等待");
    const QString deleteLine = "4\tu7\t5\t12\t1";
    for (int status : { 0, 1, 2, 3 })
        QTest::addRow("%d", status) << status << downloading << "" << false;
    for (int status : { 10, 11, 12, 13 })
        QTest::addRow("%d", status) << status << uploading << "" << false;
    for (int status : { 4, 5, 14 })
        QTest::addRow("%d", status) << status << "" << deleteLine << false;
    QTest::newRow("20") << 20 << QStringLiteral("提示|正在转换，请等待") << "" << false;
    for (int status : { 15, 21, 30 })
        QTest::addRow("%d", status) << status << ""
                                    << "" << true;
}

void TestTransferFileView::deleteByStatus()
{
    QFETCH(int, status);
    QFETCH(QString, information);
    QFETCH(QString, line);
    QFETCH(bool, removed);
    m_view->treeView()->insertRow(row("12_1@u7", QStringLiteral("练习.pdf"), TransferInfo::TransferStatus(status)));
    makeCurrent("12_1@u7");
    QCOMPARE(m_view->currentFileId(), QString("12_1@u7"));
    m_link->clear();
    m_view->slotDeletePushButtonClicked();
    QCOMPARE(m_prompt->questions, QStringList { QStringLiteral("提示|是否删除\"练习.pdf\"?|确定|取消") });
    QCOMPARE(m_prompt->informations, information.isEmpty() ? QStringList() : QStringList { information });
    QCOMPARE(m_link->sent(), line.isEmpty() ? QStringList() : QStringList { line });
    QCOMPARE(m_view->treeView()->getAllItemStatus().isEmpty(), removed);
}

void TestTransferFileView::deleteAnsweredNo()
{
    m_view->treeView()->insertRow(row("12_1@u7", "a.pdf", TransferInfo::Uploaded));
    makeCurrent("12_1@u7");
    m_prompt->yes = false;
    m_link->clear();
    m_view->slotDeletePushButtonClicked();
    QCOMPARE(m_prompt->questions.size(), 1);
    QVERIFY(m_link->sent().isEmpty());
    QCOMPARE(m_view->treeView()->getAllItemStatus().size(), 1);
}

void TestTransferFileView::deleteResults_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("informations");
    QTest::newRow("failed") << 0 << QStringList { QStringLiteral("提示|删除失败") };
    QTest::newRow("deleted") << 1 << QStringList();
    QTest::newRow("not on the server") << 2 << QStringList { QStringLiteral("提示|服务端不存在") };
}

void TestTransferFileView::deleteResults()
{
    QFETCH(int, result);
    QFETCH(QStringList, informations);
    m_view->treeView()->insertRow(row("12_1@u7", "a.pdf", TransferInfo::Uploaded));
    m_view->slotDeleteFileResult("12_1", result);
    QCOMPARE(m_prompt->informations, informations);
    QVERIFY(m_view->treeView()->getAllItemStatus().isEmpty());
    QCOMPARE(m_link->sent(), QStringList { "4\tu7\t2" });
}

void TestTransferFileView::convertingAtThousand()
{
    m_view->treeView()->insertRow(row("W1", "a.pdf", TransferInfo::WaitUpload));
    m_view->slotCourseStatus("W1", TransferInfo::Uploading, QString(), 500);
    QCOMPARE(int(stored("W1").getStatus()), int(TransferInfo::Uploading));
    QCOMPARE(stored("W1").getProgress(), 500);
    m_view->slotCourseStatus("W1", TransferInfo::Uploading, QString(), 1000);
    QCOMPARE(int(stored("W1").getStatus()), int(TransferInfo::Converting));
    QCOMPARE(stored("W1").getStatusText(), QStringLiteral("正在转换"));
    QCOMPARE(stored("W1").getProgress(), 1000);
    // The job's own end changes nothing: the server's result will.
    m_view->slotCourseStatus("W1", TransferInfo::Uploaded, QString(), 0);
    QCOMPARE(int(stored("W1").getStatus()), int(TransferInfo::Converting));
    // A progress of 0 keeps the progress shown.
    m_view->slotCourseStatus("W1", TransferInfo::UploadPaused);
    QCOMPARE(stored("W1").getProgress(), 1000);
}

void TestTransferFileView::rowsFromAFileList()
{
    UserFile downloaded = listed("5_1", "a.pdf", "2048", "2021-03-01 10:00");
    downloaded.setDownloaded(true);
    g_courseFileHash.updateUserFile(downloaded);
    UserFile gone = listed("6_2", "b.pptx", "999", "2021-03-02 11:00");
    g_courseFileHash.updateUserFile(gone); // known, not downloaded
    m_view->treeView()->insertRow(row("7_1", "c.mp4", TransferInfo::Downloading, 300));
    const QList<UserFile> files { listed("5_1", "a.pdf", "2048", "2021-03-01 10:00"),
        listed("6_2", "b.pptx", "999", "2021-03-02 11:00"), listed("7_1", "c.mp4", "5", "2021-03-03 12:00"),
        listed("8_3", QStringLiteral("视频.mp4"), "3197952", "2021-03-04 13:00") };
    m_view->slotRecvFileList(files);
    m_view->slotRecvFileList(files);
    const QHash<QString, TransferInfo::TransferStatus> rows = m_view->treeView()->getAllItemStatus();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(int(rows.value("5_1@u7")), int(TransferInfo::Downloaded));
    QCOMPARE(int(rows.value("6_2@u7")), int(TransferInfo::Uploaded));
    QCOMPARE(int(rows.value("7_1")), int(TransferInfo::Downloading)); // the running transfer stays
    QCOMPARE(int(rows.value("8_3@u7")), int(TransferInfo::Uploaded));
    QCOMPARE(stored("5_1@u7").getSizeText(), QString("2KB"));
    QCOMPARE(stored("5_1@u7").getTimeText(), QString("2021-03-01 10:00"));
    QCOMPARE(stored("8_3@u7").getSizeText(), QString("3.04MB"));
    QCOMPARE(stored("6_2@u7").getStatusText(), QStringLiteral("文件已上传"));
}

void TestTransferFileView::offeredFileIsDownloaded()
{
    const QByteArray body(70000, 'p');
    FakeHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = "application/pdf";
    m_files->setReply("/files/9/b.pdf", reply);
    m_view->treeView()->insertRow(row("9_1@u7", "b.pdf", TransferInfo::Uploaded));
    QSignalSpy started(m_view, &TransferFileView::signalGetFileStart);
    QSignalSpy progress(m_view, &TransferFileView::signalGetFileProgress);
    QSignalSpy finished(m_view, &TransferFileView::signalGetFileResult);
    const QString url = m_files->baseUrl() + "/files/9/b.pdf";
    m_view->slotGetFileResult("9_1", "b.pdf", url, 1);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first(), (QVariantList { "9_1", "b.pdf", url }));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(finished.first(), (QVariantList { "9_1", true }));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(1).toInt(), 1000);
    QCOMPARE(m_view->treeView()->getAllItemStatus().size(), 1);
    QCOMPARE(int(stored("9_1@u7").getStatus()), int(TransferInfo::Downloaded));
    QCOMPARE(stored("9_1@u7").getStatusText(), QStringLiteral("文件已下载"));
    QFile file("fileRecv/u7/9_1/b.pdf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), body);

    // A file the file server does not have ends as a download error.
    m_view->slotGetFileResult("10_1", "c.pdf", m_files->baseUrl() + "/missing.pdf", 1);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
    QCOMPARE(finished.last(), (QVariantList { "10_1", false }));
    QCOMPARE(stored("10_1").getStatusText(), QStringLiteral("下载错误:\n文件传输错误"));
}

void TestTransferFileView::offeredFileMissingOnTheServer()
{
    QSignalSpy started(m_view, &TransferFileView::signalGetFileStart);
    m_view->slotGetFileResult("11_1", "d.pdf", "http://127.0.0.1:1/d.pdf", 0);
    QCOMPARE(int(stored("11_1").getStatus()), int(TransferInfo::FreeText));
    QCOMPARE(stored("11_1").getStatusText(), QStringLiteral("服务端不存在"));
    m_view->slotGetFileResult("12_1", "e.pdf", "http://127.0.0.1:1/e.pdf", 2);
    QCOMPARE(int(stored("12_1").getStatus()), int(TransferInfo::WaitUpload));
    QVERIFY(started.isEmpty());
}

void TestTransferFileView::processedUpload_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("converted") << 1 << "20_1" << int(TransferInfo::Converting) << QStringLiteral("正在转换")
                               << QStringList { "4\tu7\t1\t20_1\t1" };
    QTest::newRow("no space") << 13 << "W1" << int(TransferInfo::UploadError) << QStringLiteral("网盘空间不足")
                              << QStringList();
    QTest::newRow("failed") << 0 << "W1" << int(TransferInfo::UploadError) << QStringLiteral("转换失败")
                            << QStringList();
}

void TestTransferFileView::processedUpload()
{
    QFETCH(int, result);
    QFETCH(QString, id);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    m_view->treeView()->insertRow(row("W1", "a.pdf", TransferInfo::Converting, 1000));
    m_view->slotCourseFileResult("W1", "20_1", QStringLiteral("讲义.pdf"), result);
    QCOMPARE(m_view->treeView()->getAllItemStatus().keys(), QStringList { id });
    QCOMPARE(int(stored(id).getStatus()), status);
    QCOMPARE(stored(id).getStatusText(), text);
    if (result == 1)
        QCOMPARE(stored(id).getFilePath(), QStringLiteral("讲义.pdf"));
    // A student's connection does not send the lecturer's file line.
    QCOMPARE(m_link->sent(), lines);
}

void TestTransferFileView::updateFileStatus()
{
    m_view->treeView()->insertRow(row("30_1@u7", "a.pdf", TransferInfo::Converting));
    m_view->slotUpdateFileStatus("30_1");
    QCOMPARE(int(stored("30_1@u7").getStatus()), int(TransferInfo::Uploaded));
    QCOMPARE(stored("30_1@u7").getStatusText(), QStringLiteral("文件已上传"));
    m_view->slotUpdateFileStatus("31_1");
    QCOMPARE(m_view->treeView()->getAllItemStatus().size(), 1);
}

void TestTransferFileView::buttonsFollowTheStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("enabled");
    for (int status : { 4, 5, 14, 15, 30 })
        QTest::addRow("%d", status) << status << true;
    for (int status : { 0, 1, 2, 3, 10, 11, 12, 13, 20, 21 })
        QTest::addRow("%d", status) << status << false;
}

void TestTransferFileView::buttonsFollowTheStatus()
{
    QFETCH(int, status);
    QFETCH(bool, enabled);
    m_view->treeView()->insertRow(row("40_1", "a.pdf", TransferInfo::TransferStatus(status)));
    makeCurrent("40_1");
    QCOMPARE(m_view->downloadButton()->isEnabled(), enabled);
    QCOMPARE(m_view->deleteButton()->isEnabled(), enabled);
    // The buttons follow the current row's changes.
    m_view->slotCourseStatus("40_1", TransferInfo::Downloading, QString(), 10);
    QVERIFY(!m_view->downloadButton()->isEnabled());
    m_view->slotCourseStatus("40_1", TransferInfo::Downloaded, QString(), 0);
    QVERIFY(m_view->downloadButton()->isEnabled());
    m_view->slotDocumentTreeItemChanged(QString(), TransferInfo::FreeText);
    QVERIFY(!m_view->deleteButton()->isEnabled());
}

void TestTransferFileView::downloadButtonAsksForTheFile()
{
    m_view->treeView()->insertRow(row("12_1@u7", "a.pdf", TransferInfo::Uploaded));
    makeCurrent("12_1@u7");
    QTest::mouseClick(m_view->downloadButton(), Qt::LeftButton);
    QCOMPARE(m_link->sent(), QStringList { "4\tu7\t1\t12_1@u7\t1" });

    // The lecturer's side registers the file with the class first.
    const auto restore = qScopeGuard([this] { g_socketClientManager = m_link->manager(); });
    ClassroomLink lecturer(true, GlobalEnum::User0);
    QVERIFY(lecturer.connectToServer());
    lecturer.clear();
    m_view->slotDownloadPushButtonClicked();
    QCOMPARE(lecturer.sent(), (QStringList { "4\tu7\t3\t1@u7\t1\t0\t3101", "4\tu7\t1\t12_1@u7\t1" }));
}

void TestTransferFileView::errorRowsGoOnClose()
{
    m_view->treeView()->insertRow(row("50_1", "a.pdf", TransferInfo::Downloading));
    m_view->treeView()->insertRow(row("51_1", "b.pdf", TransferInfo::Uploading));
    m_view->treeView()->insertRow(row("52_1", "c.pdf", TransferInfo::Downloading));
    m_view->slotCourseStatus("50_1", TransferInfo::DownloadError, QStringLiteral("文件传输错误"));
    m_view->slotCourseStatus("51_1", TransferInfo::UploadError, QStringLiteral("上传失败"));
    QCOMPARE(stored("50_1").getStatusText(), QStringLiteral("下载错误:\n文件传输错误"));
    m_view->show();
    m_view->close();
    QCOMPARE(m_view->treeView()->getAllItemStatus().keys(), QStringList { "52_1" });
}

void TestTransferFileView::showAsksForTheList()
{
    m_view->show();
    QCOMPARE(m_link->sent(), QStringList { "4\tu7\t2" });
    m_view->hide();
    m_view->show();
    QCOMPARE(m_link->sent().size(), 2);
}

QTEST_MAIN(TestTransferFileView)
#include "tst_transferfileview.moc"
