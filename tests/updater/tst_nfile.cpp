#include "tests/support/tempworkdir.h"
#include "updater/md5.h"
#include "updater/nfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>

using ZR::NFile;

namespace {
QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + 5) & 0xff);
    return bytes;
}

std::string md5Of(const QByteArray &bytes)
{
    ZR::Md5 md5;
    md5.update(bytes.constData(), size_t(bytes.size()));
    uint8_t digest[16];
    md5.finish(digest);
    return ZR::Md5::toHex(digest, 16);
}

QStringList sorted(const std::vector<std::string> &list)
{
    QStringList out;
    for (const std::string &item : list)
        out << QString::fromStdString(item);
    out.sort();
    return out;
}
} // namespace

class TestNFile : public QObject
{
    Q_OBJECT
private slots:
    void rfc1321Vectors_data();
    void rfc1321Vectors();
    void fileDigestAcrossBlockEdges_data();
    void fileDigestAcrossBlockEdges();
    void digestFailures();
    void createDirs();
    void getAllFiles();
    void getAllFilesDoesNotFollowLinks();
    void splitPath_data();
    void splitPath();
    void uniqueClassIds();
    void toNarrow_data();
    void toNarrow();
};

void TestNFile::rfc1321Vectors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("digest");
    QTest::newRow("empty") << QByteArray("") << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("a") << QByteArray("a") << "0cc175b9c0f1b6a831c399e269772661";
    QTest::newRow("abc") << QByteArray("abc") << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("message digest") << QByteArray("message digest") << "f96b697d7cb7938d525a2f31aaf161d0";
    QTest::newRow("alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz") << "c3fcd3d76192e4007dfb496cca67e13b";
    QTest::newRow("alphanumeric") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
                                  << "d174ab98d277d9f5a5611c2c9f419d9f";
    QTest::newRow("digits") << QByteArray("1234567890").repeated(8) << "57edf4a22be3c955ac49da2e2107b67a";
}

void TestNFile::rfc1321Vectors()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, digest);
    QCOMPARE(QString::fromStdString(md5Of(input)), digest);

    TempWorkDir dir;
    QVERIFY(dir.writeFile("f", input));
    std::string text;
    QVERIFY(NFile::getFileMd5("f", 32, text));
    QCOMPARE(QString::fromStdString(text), digest);
    QVERIFY(NFile::getFileMd5("f", 16, text));
    QCOMPARE(QString::fromStdString(text), digest.mid(8, 16)); // the middle eight bytes
}

void TestNFile::fileDigestAcrossBlockEdges_data()
{
    QTest::addColumn<int>("size");
    for (int size : { 55, 56, 63, 64, 65, 1023, 1024, 1025, 3 * 1024 + 7 })
        QTest::addRow("%d bytes", size) << size;
}

void TestNFile::fileDigestAcrossBlockEdges()
{
    QFETCH(int, size);
    const QByteArray content = pattern(size);
    TempWorkDir dir;
    QVERIFY(dir.writeFile("sub/f.bin", content));
    std::string text;
    QVERIFY(NFile::getFileMd5("sub/f.bin", 32, text));
    QCOMPARE(QByteArray::fromStdString(text), QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
}

void TestNFile::digestFailures()
{
    TempWorkDir dir;
    QVERIFY(dir.writeFile("f", "x"));
    QVERIFY(QDir().mkdir("folder"));
    std::string text = "unchanged";
    QVERIFY(!NFile::getFileMd5("missing", 32, text));
    QVERIFY(!NFile::getFileMd5("folder", 32, text)); // opens, but cannot be read
    QVERIFY(!NFile::getFileMd5("f", 20, text));
    QCOMPARE(text, std::string("unchanged"));
}

void TestNFile::createDirs()
{
    TempWorkDir dir;
    QVERIFY(NFile::createDirs("./a/b/c.txt"));
    QVERIFY(QFileInfo("a").isDir());
    QVERIFY(QFileInfo("a/b").isDir());
    QVERIFY(!QFileInfo::exists("a/b/c.txt"));
    QVERIFY(NFile::createDirs("./a/b/c.txt")); // existing folders are fine
    QVERIFY(NFile::createDirs("top.txt"));

    QVERIFY(dir.writeFile("blocker", "a file"));
    QVERIFY(!NFile::createDirs("blocker/x/y.txt"));

    std::string tooLong = "./";
    for (int i = 0; i < 130; ++i)
        tooLong += "d/";
    QVERIFY(!NFile::createDirs(tooLong + "x"));
    QVERIFY(!QFileInfo::exists("d"));
}

void TestNFile::getAllFiles()
{
    TempWorkDir dir;
    QVERIFY(dir.writeFile("a.so", "1"));
    QVERIFY(dir.writeFile("sub/b.so", "2"));
    QVERIFY(dir.writeFile("sub/deeper/c.txt", "3"));
    QVERIFY(QDir().mkdir("empty"));

    std::vector<std::string> files;
    QVERIFY(NFile::getAllFiles(".", files, true, false, true));
    QCOMPARE(sorted(files), QStringList({ "./a.so", "./sub/b.so", "./sub/deeper/c.txt" }));

    files.clear();
    QVERIFY(NFile::getAllFiles(".", files, true, true, false));
    QCOMPARE(sorted(files), QStringList({ "./a.so", "./empty", "./sub" }));

    files.clear();
    QVERIFY(NFile::getAllFiles("sub", files, false, false, true));
    QCOMPARE(sorted(files), QStringList({ "b.so", "c.txt" }));

    files.clear();
    QVERIFY(NFile::getAllFiles("empty", files, true, false, true));
    QVERIFY(files.empty());
    QVERIFY(!NFile::getAllFiles("missing", files, true, false, true));
}

void TestNFile::getAllFilesDoesNotFollowLinks()
{
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    QFile lib(outside.filePath("outside.so"));
    QVERIFY(lib.open(QIODevice::WriteOnly));
    lib.close();
    TempWorkDir dir;
    QVERIFY(dir.writeFile("in.so", "1"));
    QVERIFY(QFile::link(outside.path(), "linkeddir"));
    QVERIFY(QFile::link(outside.filePath("outside.so"), "linked.so"));
    std::vector<std::string> files;
    QVERIFY(NFile::getAllFiles(".", files, true, true, true));
    QCOMPARE(sorted(files), QStringList({ "./in.so" }));
}

void TestNFile::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QString>("last");
    QTest::newRow("manifest name") << ".\\\\sub\\x.dll" << QStringList({ ".", "", "sub", "x.dll" }) << "x.dll";
    QTest::newRow("top level") << ".\\\\x.dll" << QStringList({ ".", "", "x.dll" }) << "x.dll";
    QTest::newRow("no backslash") << "x.dll" << QStringList() << "";
    QTest::newRow("trailing backslash") << "a\\" << QStringList({ "a", "" }) << "";
    QTest::newRow("slashes are no separators") << "a/b\\c" << QStringList({ "a/b", "c" }) << "c";
}

void TestNFile::splitPath()
{
    QFETCH(QString, path);
    QFETCH(QStringList, pieces);
    QFETCH(QString, last);
    QStringList got;
    for (const std::string &piece : NFile::splitPath(path.toStdString()))
        got << QString::fromStdString(piece);
    QCOMPARE(got, pieces);
    QCOMPARE(QString::fromStdString(NFile::lastComponent(path.toStdString())), last);
}

void TestNFile::uniqueClassIds()
{
    // Drawn in the same second, all from one seed: each must still differ from those before it.
    QSet<int> seen;
    for (int i = 0; i < 50; ++i) {
        const int id = ZR::getUniqueClassId();
        QVERIFY(id >= 0 && id < 10000);
        QVERIFY(!seen.contains(id));
        seen.insert(id);
    }
}

void TestNFile::toNarrow_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << "-url:http://h:8088/x";
    QTest::newRow("chinese") << QString::fromUtf8("更新程序");
    QTest::newRow("outside the BMP") << QString::fromUtf8("a\xF0\x9F\x98\x80z");
}

void TestNFile::toNarrow()
{
    QFETCH(QString, text);
    const std::u16string wide(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    QCOMPARE(QByteArray::fromStdString(ZR::toNarrow(wide)), text.toUtf8());
}

QTEST_GUILESS_MAIN(TestNFile)
#include "tst_nfile.moc"
