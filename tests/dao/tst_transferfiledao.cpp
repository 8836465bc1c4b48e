#include "tests/support/tempworkdir.h"
#include "vrek/dao/basedao.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"

#include <QtConcurrent>
#include <QtTest>

namespace {
TransferFile makeTransfer(const QString &fileId, const QString &userId, int progress, qint64 range)
{
    TransferFile file;
    file.setIdParts(fileId, userId);
    file.setFileName(fileId + ".mp4");
    file.setFileUrl("/media/" + fileId);
    file.setFileMd5("d41d8cd98f00b204e9800998ecf8427e");
    file.setClassTitle("三年级 二班");
    file.setFileProgress(progress);
    file.setFileRange(range);
    return file;
}
} // namespace

class TestTransferFileDao : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void setId();
    void finishedMeansProgress1000_data();
    void finishedMeansProgress1000();
    void saveTwiceKeepsOneRow();
    void resumePointSurvives();
    void tableWithoutAColumnIsMadeAnew();
    void completeTableIsKept();
    void savesFromSeveralThreads();

private:
    TempWorkDir *m_dir = nullptr;
};

void TestTransferFileDao::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
}

void TestTransferFileDao::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
}

void TestTransferFileDao::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void TestTransferFileDao::setId()
{
    TransferFile file;
    file.setIdParts("f", "u");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TransferFile::setId id error! id:"));
    file.setId("nothing");
    QCOMPARE(file.getId(), QString("nothing"));
    QCOMPARE(file.getFileId(), QString("f"));
    QCOMPARE(file.getUserId(), QString("u"));
    file.setId("g@v");
    QCOMPARE(file.getFileId(), QString("g"));
    QCOMPARE(file.getUserId(), QString("v"));
    QVERIFY(makeTransfer("g", "other", 0, 0) == file);
}

void TestTransferFileDao::finishedMeansProgress1000_data()
{
    QTest::addColumn<int>("progress");
    QTest::addColumn<bool>("finished");
    QTest::newRow("1000") << 1000 << true;
    QTest::newRow("999") << 999 << false;
    QTest::newRow("0") << 0 << false;
}

void TestTransferFileDao::finishedMeansProgress1000()
{
    QFETCH(int, progress);
    QFETCH(bool, finished);
    TransferFileDao dao;
    QVERIFY(dao.saveTransferFile(makeTransfer("f", "u", progress, 10)));
    QCOMPARE(dao.selectTransferResultById("f@u"), finished);
    QVERIFY(!dao.selectTransferResultById("missing@u"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the id is empty!"));
    QVERIFY(!dao.selectTransferResultById(QString()));
}

void TestTransferFileDao::saveTwiceKeepsOneRow()
{
    TransferFileDao dao;
    QVERIFY(dao.saveTransferFile(makeTransfer("f", "u", 10, 100)));
    QVERIFY(dao.saveTransferFile(makeTransfer("f", "u", 500, 5000)));
    QVERIFY(dao.saveTransferFile(makeTransfer("g", "w", 1, 1)));
    QList<TransferFile> list;
    QVERIFY(dao.selectTransferFileList("u", list));
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().getFileProgress(), 500);
    bool exists = false;
    QVERIFY(dao.verifyTransferFileById("f@u", exists));
    QVERIFY(exists);
    QVERIFY(dao.deleteTransferFileById("f@u"));
    QVERIFY(dao.verifyTransferFileById("f@u", exists));
    QVERIFY(!exists);
}

void TestTransferFileDao::resumePointSurvives()
{
    TransferFileDao dao;
    const qint64 range = 5LL * 1024 * 1024 * 1024 + 7; // past 32 bits
    QVERIFY(dao.saveTransferFile(makeTransfer("big", "u", 321, range)));
    TransferFile found;
    found.setId("big@u");
    QVERIFY(dao.selectTransferFileById(found));
    QCOMPARE(found.getFileRange(), range);
    QCOMPARE(found.getFileProgress(), 321);
    QCOMPARE(found.getFileName(), QString("big.mp4"));
    QCOMPARE(found.getFileMd5(), QString("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(found.getClassTitle(), QString("三年级 二班"));
    QCOMPARE(found.getUserId(), QString("u"));
}

void TestTransferFileDao::tableWithoutAColumnIsMadeAnew()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(DBManager::removeTable("TransferFile"));
    QVERIFY(DBManager::createTable("TransferFile",
        { "id", "fileId", "fileName", "fileUrl", "classTitle", "userId", "fileProgress", "fileRange" },
        { DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text,
            DBManager::Integer, DBManager::Integer }));
    QVERIFY(DBManager::insert("TransferFile", { { "id", "old@u" }, { "userId", "u" } }));
    QVERIFY(BaseDao::closeDB());

    QVERIFY(TransferFileDao::initial());
    TransferFileDao dao;
    QList<TransferFile> list;
    QVERIFY(dao.selectTransferFileList("u", list));
    QVERIFY(list.isEmpty());
    QVERIFY(dao.saveTransferFile(makeTransfer("new", "u", 1, 2)));
    QVERIFY(dao.selectTransferFileList("u", list));
    QCOMPARE(list.size(), 1);
}

void TestTransferFileDao::completeTableIsKept()
{
    TransferFileDao dao;
    QVERIFY(dao.saveTransferFile(makeTransfer("keep", "u", 1, 2)));
    QVERIFY(TransferFileDao::initial());
    bool exists = false;
    QVERIFY(dao.verifyTransferFileById("keep@u", exists));
    QVERIFY(exists);
}

void TestTransferFileDao::savesFromSeveralThreads()
{
    QList<QFuture<bool>> futures;
    for (int t = 0; t < 3; ++t) {
        futures << QtConcurrent::run([t] {
            TransferFileDao dao;
            bool ok = true;
            for (int i = 0; i <= 10; ++i)
                ok = dao.saveTransferFile(makeTransfer(QString("f%1").arg(t), "u", i * 100, i)) && ok;
            return ok;
        });
    }
    for (QFuture<bool> &future : futures)
        QVERIFY(future.result());
    TransferFileDao dao;
    QList<TransferFile> list;
    QVERIFY(dao.selectTransferFileList("u", list));
    QCOMPARE(list.size(), 3);
    for (const TransferFile &file : list)
        QVERIFY(dao.selectTransferResultById(file.getId()));
}

QTEST_GUILESS_MAIN(TestTransferFileDao)
#include "tst_transferfiledao.moc"
