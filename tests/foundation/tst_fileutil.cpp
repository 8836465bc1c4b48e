#include "tests/support/tempworkdir.h"
#include "vrek/utils/fileutil.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFileUtil : public QObject
{
    Q_OBJECT
private slots:
    void makePathCreatesEveryLevel();
    void absolutePath_data();
    void absolutePath();
    void fileCount();
    void emptyPaths();
    void removeFolder();
    void removeAllKeepsEmptyParents();
    void removeAllDoesNotFollowLinks();
    void removeMissingFile();
};

void TestFileUtil::makePathCreatesEveryLevel()
{
    TempWorkDir work;
    QVERIFY(FileUtil::dirMakePath("fileRecv/1001/abc"));
    QVERIFY(QDir(work.filePath("fileRecv/1001/abc")).exists());
    QVERIFY(FileUtil::dirMakePath("fileRecv/1001/abc")); // again: nothing to make, still true
    QVERIFY(FileUtil::dirMakePath(work.filePath("abs/olute")));
    QVERIFY(QDir(work.filePath("abs/olute")).exists());
    QVERIFY(FileUtil::dirExists("fileRecv/1001"));
    QVERIFY(!FileUtil::dirExists("nowhere"));
    QVERIFY(FileUtil::dirCreate("media"));
    QVERIFY(FileUtil::dirCreate("media"));
    QVERIFY(!FileUtil::dirCreate("a/b/c")); // one level only
}

void TestFileUtil::absolutePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("relative");
    QTest::newRow("relative") << "log/x.txt" << true;
    QTest::newRow("dot") << "./log" << true;
    QTest::newRow("absolute") << "/tmp/x" << false;
}

void TestFileUtil::absolutePath()
{
    QFETCH(QString, path);
    QFETCH(bool, relative);
    const QString expected = relative ? QDir::currentPath() + '/' + path : path;
    QCOMPARE(FileUtil::toAbsolutePath(path), expected);
}

void TestFileUtil::fileCount()
{
    TempWorkDir work;
    QVERIFY(work.writeFile("d/one", "1"));
    QVERIFY(work.writeFile("d/two", "2"));
    for (const char *name : { "d/sub/a", "d/sub/b", "d/sub/c" })
        QVERIFY(work.writeFile(name, "x"));
    QVERIFY(QFile::link(work.filePath("d/one"), work.filePath("d/link")));
    unsigned int count = 99;
    QVERIFY(FileUtil::dirFileCount("d", count));
    QCOMPARE(count, 2u);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^FileUtil::dirFileCount the path does not exist! path:"));
    QVERIFY(!FileUtil::dirFileCount("missing", count));
}

void TestFileUtil::emptyPaths()
{
    unsigned int count = 0;
    QTest::ignoreMessage(QtWarningMsg, "FileUtil::dirFileCount the path is empty error! ");
    QVERIFY(!FileUtil::dirFileCount("", count));
    QTest::ignoreMessage(QtWarningMsg, "FileUtil::dirRemove the path is empty error! ");
    QVERIFY(!FileUtil::dirRemove(""));
    QVERIFY(!FileUtil::dirRemoveAll(""));
}

void TestFileUtil::removeFolder()
{
    TempWorkDir work;
    QVERIFY(work.writeFile("f/a/b/c.txt", "x"));
    QVERIFY(FileUtil::dirRemove("f/a"));
    QVERIFY(!QDir(work.filePath("f/a")).exists());
    QVERIFY(QDir(work.filePath("f")).exists());
}

void TestFileUtil::removeAllKeepsEmptyParents()
{
    TempWorkDir work;
    QVERIFY(work.writeFile("fileRecv/7/file1/a.txt", "x"));
    QVERIFY(work.writeFile("fileRecv/7/file1/sub/b.txt", "y"));
    QVERIFY(FileUtil::dirRemoveAll("fileRecv/7/file1"));
    QVERIFY(!QDir(work.filePath("fileRecv/7/file1")).exists());
    // The user's folder and "fileRecv" stay although they are empty now.
    QVERIFY(QDir(work.filePath("fileRecv/7")).exists());
    QVERIFY(QDir(work.filePath("fileRecv")).exists());
    QVERIFY(FileUtil::dirRemoveAll("fileRecv/never")); // nothing to remove
}

void TestFileUtil::removeAllDoesNotFollowLinks()
{
    TempWorkDir work;
    QVERIFY(work.writeFile("outside/keep.txt", "keep"));
    QVERIFY(work.writeFile("inside/a.txt", "x"));
    QVERIFY(QFile::link(work.filePath("outside"), work.filePath("inside/link")));
    QVERIFY(FileUtil::dirRemoveAll("inside"));
    QVERIFY(QFile::exists(work.filePath("outside/keep.txt")));
}

void TestFileUtil::removeMissingFile()
{
    TempWorkDir work;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^FileUtil::fileRemove the remove file fail! path:"));
    QVERIFY(!FileUtil::fileRemove("none.txt"));
    QVERIFY(work.writeFile("some.txt", "x"));
    QVERIFY(FileUtil::fileRemove("some.txt"));
    QVERIFY(!QFile::exists(work.filePath("some.txt")));
}

QTEST_GUILESS_MAIN(TestFileUtil)
#include "tst_fileutil.moc"
