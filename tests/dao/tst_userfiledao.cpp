#include "tests/support/tempworkdir.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"

#include <QCryptographicHash>
#include <QtConcurrent>
#include <QtEndian>
#include <QtTest>

namespace {
UserFile makeFile(const QString &fileIdAll, const QString &userId, quint8 status, const QString &name = "a.pptx")
{
    UserFile file;
    file.setId(fileIdAll, userId);
    file.setFileName(name);
    file.setCourseType(name);
    file.setFileUrl("http://files/" + fileIdAll);
    file.setFileCount(3);
    file.setStatus(status);
    return file;
}

QStringList ids(const QList<UserFile> &files)
{
    QStringList result;
    for (const UserFile &file : files)
        result << file.getId();
    result.sort();
    return result;
}
} // namespace

class TestUserFileDao : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void setId_data();
    void setId();
    void courseType_data();
    void courseType();
    void copyAndHash();
    void saveSelectUpdateDelete();
    void savingOverAStatusZeroRowKeepsTheRecord();
    void verifyIgnoresStatusZero();
    void restartForgetsUnfinishedFiles();
    void listing();
    void worksFromAnotherThread();

private:
    TempWorkDir *m_dir = nullptr;
};

void TestUserFileDao::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
}

void TestUserFileDao::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
}

void TestUserFileDao::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void TestUserFileDao::setId_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("fileIdAll");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<bool>("warns");
    QTest::newRow("two parts") << "f1@u1"
                               << "f1"
                               << "u1" << false;
    QTest::newRow("empty parts kept") << "@u1"
                                      << ""
                                      << "u1" << false;
    QTest::newRow("no @") << "f1u1"
                          << "old"
                          << "olduser" << true;
    QTest::newRow("two @") << "f@1@u"
                           << "old"
                           << "olduser" << true;
}

void TestUserFileDao::setId()
{
    QFETCH(QString, id);
    QFETCH(QString, fileIdAll);
    QFETCH(QString, userId);
    QFETCH(bool, warns);
    UserFile file;
    file.setId("old", "olduser");
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("UserFile::setId the id error!"));
    file.setId(id);
    QCOMPARE(file.getId(), id);
    QCOMPARE(file.getFileIdAll(), fileIdAll);
    QCOMPARE(file.getUserId(), userId);
}

void TestUserFileDao::courseType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::newRow("PPTX") << "课件.PPTX" << 2;
    QTest::newRow("ppt") << "a.ppt" << 2;
    QTest::newRow("pdf") << "a.pdf" << 1;
    QTest::newRow("jpg") << "a.JPG" << 1;
    QTest::newRow("rmvb") << "a.rmvb" << 3;
    QTest::newRow("3gp") << "a.3gp" << 3;
    QTest::newRow("m4a") << "a.m4a" << 4;
    QTest::newRow("txt") << "a.txt" << 0;
    QTest::newRow("no suffix") << "README" << 0;
}

void TestUserFileDao::courseType()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    UserFile file;
    if (type == 0)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unknow fileType:"));
    file.setCourseType(name);
    QCOMPARE(file.getCourseType(), type);
}

void TestUserFileDao::copyAndHash()
{
    UserFile file = makeFile("f9", "u9", 2, "a.mp4");
    file.setFileSize("1024");
    file.setUploadDate("2024-01-01");
    file.setDownloadStart(1);
    file.setDownloaded(true);
    const UserFile copy(file);
    QCOMPARE(copy.getId(), QString("f9@u9"));
    QCOMPARE(copy.getFileSize(), QString("1024"));
    QCOMPARE(copy.getUploadDate(), QString("2024-01-01"));
    QCOMPARE(copy.getDownloadStart(), 1);
    QCOMPARE(copy.getCourseType(), 3);
    QVERIFY(copy.isDownloaded());
    QCOMPARE(copy.getStatus(), quint8(2));
    UserFile other = makeFile("f9", "someoneElse", 0);
    QVERIFY(other == file); // compared by fileIdAll alone
    const QByteArray digest = QCryptographicHash::hash("f9@u9", QCryptographicHash::Md5);
    QCOMPARE(qHash(file), uint(qFromLittleEndian<quint32>(digest.constData())));
}

void TestUserFileDao::saveSelectUpdateDelete()
{
    UserFileDao dao;
    UserFile file = makeFile("f1", "u1", 1, "数学.pdf");
    QVERIFY(dao.saveUserFile(file));
    UserFile found;
    found.setId("f1@u1");
    QVERIFY(dao.selectUserFileById(found));
    QCOMPARE(found.getFileName(), QString("数学.pdf"));
    QCOMPARE(found.getFileUrl(), QString("http://files/f1"));
    QCOMPARE(found.getFileCount(), 3u);
    QCOMPARE(found.getFileIdAll(), QString("f1"));

    file.setStatus(2);
    file.setFileCount(9);
    QVERIFY(dao.saveUserFile(file)); // the row exists with status 1: updated
    QList<UserFile> list;
    QVERIFY(dao.selectUserFileList("u1", list, 0));
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().getFileCount(), 9u);

    QVERIFY(dao.deleteUserFileById("f1@u1"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the res != 1 error!"));
    QVERIFY(!dao.selectUserFileById(found));
    UserFile empty;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the ufId empty error!"));
    QVERIFY(!dao.selectUserFileById(empty));
}

void TestUserFileDao::savingOverAStatusZeroRowKeepsTheRecord()
{
    UserFileDao dao;
    QVERIFY(dao.saveUserFile(makeFile("f2", "u1", 0)));
    UserFile complete = makeFile("f2", "u1", 2, "b.mp3");
    QVERIFY(dao.saveUserFile(complete));
    QList<UserFile> list;
    QVERIFY(dao.selectUserFileList("u1", list, 0));
    QCOMPARE(ids(list), QStringList({ "f2@u1" }));
    QCOMPARE(list.first().getFileName(), QString("b.mp3"));
}

void TestUserFileDao::verifyIgnoresStatusZero()
{
    UserFileDao dao;
    QVERIFY(dao.saveUserFile(makeFile("f3", "u1", 0)));
    QVERIFY(dao.saveUserFile(makeFile("f4", "u1", 1)));
    bool exists = true;
    QVERIFY(dao.verifyUserFileById("f3@u1", exists));
    QVERIFY(!exists);
    QVERIFY(dao.verifyUserFileById("f4@u1", exists));
    QVERIFY(exists);
    QVERIFY(dao.verifyUserFileById("none@u1", exists));
    QVERIFY(!exists);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the id is empty error!"));
    QVERIFY(!dao.verifyUserFileById(QString(), exists));
}

void TestUserFileDao::restartForgetsUnfinishedFiles()
{
    UserFileDao dao;
    QVERIFY(dao.saveUserFile(makeFile("a", "u1", 0)));
    QVERIFY(dao.saveUserFile(makeFile("b", "u1", 1)));
    QVERIFY(dao.saveUserFile(makeFile("c", "u1", 2)));
    QVERIFY(UserFileDao::initial());
    QList<UserFile> list;
    QVERIFY(dao.selectUserFileList("u1", list, 1));
    QCOMPARE(ids(list), QStringList({ "c@u1" }));
    bool exists = true;
    QVERIFY(dao.verifyUserFileById("b@u1", exists));
    QVERIFY(!exists);
}

void TestUserFileDao::listing()
{
    UserFileDao dao;
    QVERIFY(dao.saveUserFile(makeFile("a", "u1", 1)));
    QVERIFY(dao.saveUserFile(makeFile("b", "u1", 2)));
    QVERIFY(dao.saveUserFile(makeFile("c", "u2", 2)));
    QList<UserFile> list;
    QVERIFY(dao.selectUserFileList("u1", list, 0));
    QCOMPARE(ids(list), QStringList({ "b@u1" }));
    QCOMPARE(list.first().getStatus(), quint8(0)); // listed records keep the default status
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the ufListSize != 0 error!"));
    QVERIFY(!dao.selectUserFileList("u1", list, 1));
    list.clear();
    QVERIFY(dao.selectUserFileList("u1", list, 1));
    QCOMPARE(ids(list), QStringList({ "a@u1", "b@u1" }));
    list.clear();
    QVERIFY(dao.selectUserFileList("u1' or '1'='1", list, 0));
    QVERIFY(list.isEmpty());
}

void TestUserFileDao::worksFromAnotherThread()
{
    QFuture<bool> saved = QtConcurrent::run([] {
        UserFileDao dao;
        return dao.saveUserFile(makeFile("t", "u5", 2));
    });
    saved.waitForFinished();
    QVERIFY(saved.result());
    UserFileDao dao;
    QList<UserFile> list;
    QVERIFY(dao.selectUserFileList("u5", list, 0));
    QCOMPARE(ids(list), QStringList({ "t@u5" }));
}

QTEST_GUILESS_MAIN(TestUserFileDao)
#include "tst_userfiledao.moc"
