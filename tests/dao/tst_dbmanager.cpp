#include "tests/support/tempworkdir.h"
#include "vrek/dao/basedao.h"
#include "vrek/dao/dbmanager.h"

#include <QFile>
#include <QThread>
#include <QtConcurrent>
#include <QtTest>

class TestDBManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void secondInitialOnlyLogs();
    void createDataFile();
    void createTableText();
    void createTableNeedsMatchingLists();
    void selectWithoutColumnsGivesEveryColumn();
    void updateWithoutConditionChangesEveryRow();
    void fieldTestIsASubstringTest();
    void valuesCannotInjectSql();
    void statementsNeedAnOpenDatabase();
    void failedOpenReleasesTheLock();
    void secondOpenInOnePeriodFailsInsteadOfWaiting();
    void periodsOfOtherThreadsWaitTheirTurn();

private:
    bool makeTable();
    TempWorkDir *m_dir = nullptr;
};

void TestDBManager::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
}

void TestDBManager::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
}

void TestDBManager::cleanup()
{
    if (DBManager::isOpen())
        DBManager::closeDataBase();
    delete m_dir;
    m_dir = nullptr;
}

bool TestDBManager::makeTable()
{
    return DBManager::createTable(
        "T", { "id", "name", "count" }, { DBManager::Text, DBManager::Text, DBManager::Integer });
}

void TestDBManager::secondInitialOnlyLogs()
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("the init == true !"));
    QVERIFY(DBManager::dbFileInitial());
    // The type names were not added twice: every type still maps to its own name.
    QVERIFY(BaseDao::openDB());
    QVERIFY(DBManager::createTable("Types", { "a", "b", "c", "d", "e" },
        { DBManager::Null, DBManager::Integer, DBManager::Real, DBManager::Text, DBManager::Blob }));
    QStringList keys { "sql" };
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("sqlite_master", keys, rows, "name = ?", { "Types" }));
    QCOMPARE(rows.value(0).value(0).toString(),
        QString("CREATE TABLE Types (a NULL PRIMARY KEY ,b INTEGER ,c REAL ,d TEXT ,e BLOB )"));
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::createDataFile()
{
    QFile file(DBManager::dataBaseName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the dbFile is exist already!"));
    QVERIFY(!DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));
    QVERIFY(DBManager::createDataFile("deep/er/file"));
    QVERIFY(QFile::exists("deep/er/file"));
}

void TestDBManager::createTableText()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(DBManager::createTable("UserFile",
        { "id", "fileIdAll", "fileName", "fileUrl", "userId", "fileCount", "status" },
        { DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Text, DBManager::Integer,
            DBManager::Integer }));
    QStringList keys { "sql" };
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("sqlite_master", keys, rows, "name = 'UserFile'"));
    QCOMPARE(rows.value(0).value(0).toString(),
        QString("CREATE TABLE UserFile (id TEXT PRIMARY KEY ,fileIdAll TEXT ,fileName TEXT ,fileUrl TEXT ,userId TEXT "
                ",fileCount INTEGER ,status INTEGER )"));
    bool exists = false;
    QVERIFY(DBManager::isExistTable("UserFile", exists));
    QVERIFY(exists);
    QVERIFY(DBManager::removeTable("UserFile"));
    QVERIFY(DBManager::isExistTable("UserFile", exists));
    QVERIFY(!exists);
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::createTableNeedsMatchingLists()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the keyListSize != typeListSize error!"));
    QVERIFY(!DBManager::createTable("T", { "a", "b" }, { DBManager::Text }));
}

void TestDBManager::selectWithoutColumnsGivesEveryColumn()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(makeTable());
    QVERIFY(DBManager::insert("T", { { "id", "1" }, { "name", "一" }, { "count", 3 } }));
    QStringList keys;
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("T", keys, rows, QString()));
    QCOMPARE(keys, QStringList({ "id", "name", "count" }));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), QVariantList({ "1", "一", 3 }));
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::updateWithoutConditionChangesEveryRow()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(makeTable());
    for (int i = 0; i < 3; ++i)
        QVERIFY(DBManager::insert("T", { { "id", QString::number(i) }, { "count", i } }));
    QVERIFY(DBManager::update("T", { { "count", 7 } }, QString()));
    QVERIFY(DBManager::update("T", { { "name", "one" } }, "id = ?", { "1" }));
    QStringList keys { "count", "name" };
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("T", keys, rows, QString()));
    QCOMPARE(rows.size(), 3);
    for (const QVariantList &row : rows)
        QCOMPARE(row.at(0).toInt(), 7);
    QCOMPARE(rows.at(1).at(1).toString(), QString("one"));
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::fieldTestIsASubstringTest()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(DBManager::createTable("OnlyFileId", { "fileId", "size" }, { DBManager::Text, DBManager::Integer }));
    bool exists = false;
    QVERIFY(DBManager::isExistField("OnlyFileId", "id", exists));
    QVERIFY(exists);
    QVERIFY(DBManager::isExistField("OnlyFileId", "fileMd5", exists));
    QVERIFY(!exists);
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::valuesCannotInjectSql()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(makeTable());
    QVERIFY(DBManager::insert("T", { { "id", "a" } }));
    QVERIFY(DBManager::insert("T", { { "id", "x' or '1'='1" } }));
    QVERIFY(DBManager::remove("T", "id = ?", { "nothing' or '1'='1" }));
    QStringList keys { "id" };
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("T", keys, rows, "id = ?", { "x' or '1'='1" }));
    QCOMPARE(rows.size(), 1);
    rows.clear();
    keys = QStringList { "id" };
    QVERIFY(DBManager::select("T", keys, rows, QString()));
    QCOMPARE(rows.size(), 2);
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::statementsNeedAnOpenDatabase()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the dataBase not open error!"));
    QVERIFY(!makeTable());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the dataBase does not open!"));
    QVERIFY(!DBManager::closeDataBase());
}

void TestDBManager::failedOpenReleasesTheLock()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the dataBase is not open!"));
    QVERIFY(!DBManager::openDataBase("no/such/folder/db"));
    // Neither this thread nor another waits for a period that never began.
    QFuture<bool> other = QtConcurrent::run([] {
        const bool opened = BaseDao::openDB();
        return opened && BaseDao::closeDB();
    });
    QTRY_VERIFY_WITH_TIMEOUT(other.isFinished(), 5000);
    QVERIFY(other.result());
    QVERIFY(BaseDao::openDB());
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::secondOpenInOnePeriodFailsInsteadOfWaiting()
{
    QVERIFY(BaseDao::openDB());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the dataBase is open already!"));
    QVERIFY(!BaseDao::openDB());
    QVERIFY(DBManager::isOpen());
    QVERIFY(makeTable());
    QVERIFY(BaseDao::closeDB());
}

void TestDBManager::periodsOfOtherThreadsWaitTheirTurn()
{
    QVERIFY(BaseDao::openDB());
    QVERIFY(makeTable());
    QVERIFY(BaseDao::closeDB());
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    QList<QFuture<int>> futures;
    for (int t = 0; t < 4; ++t) {
        futures << QtConcurrent::run(&pool, [t] {
            int done = 0;
            for (int i = 0; i < 25; ++i) {
                if (!BaseDao::openDB())
                    continue;
                if (DBManager::insert("T", { { "id", QString("%1-%2").arg(t).arg(i) }, { "count", i } }))
                    ++done;
                BaseDao::closeDB();
            }
            return done;
        });
    }
    int done = 0;
    for (QFuture<int> &future : futures)
        done += future.result();
    QCOMPARE(done, 100);
    QVERIFY(BaseDao::openDB());
    QStringList keys { "id" };
    QList<QVariantList> rows;
    QVERIFY(DBManager::select("T", keys, rows, QString()));
    QCOMPARE(rows.size(), 100);
    QVERIFY(BaseDao::closeDB());
}

QTEST_GUILESS_MAIN(TestDBManager)
#include "tst_dbmanager.moc"
