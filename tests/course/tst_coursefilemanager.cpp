#include "tests/course/storeduserfile.h"
#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "tests/support/tempworkdir.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/course/coursefilemanager.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {
const QString userId = QStringLiteral("17");
// Ends every fed line: once its signal is out, the lines before it have been read.
const QString sentinel = QStringLiteral("4\t5\tend\t0\t0");

// The course file table lives for the whole run, so every test names files of its own.
QString freshId(const QString &suffix = QStringLiteral("_1"))
{
    static int next = 100;
    return QString::number(++next) + suffix;
}

QString formatRecord(const QVariant &value, bool &handled)
{
    handled = true;
    if (value.userType() == qMetaTypeId<CtrlMessage::LateCtrlType>())
        return QString::number(quint32(value.value<CtrlMessage::LateCtrlType>()));
    if (value.userType() == qMetaTypeId<QList<UserFile>>()) {
        QStringList files;
        for (const UserFile &file : value.value<QList<UserFile>>())
            files << QStringList { file.getId(), file.getFileName(), file.getFileSize(), file.getUploadDate(),
                QString::number(file.getCourseType()) }
                         .join(',');
        return files.join('|');
    }
    handled = false;
    return QString();
}

void expectWarnings(const QStringList &prefixes)
{
    for (const QString &prefix : prefixes)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

QString folderOf(const QString &fileIdAll)
{
    return QString("fileRecv/%1/%2").arg(userId, fileIdAll);
}

StoredUserFile storedRow(const QString &fileIdAll)
{
    return storedUserFile(fileIdAll + "@" + userId);
}

bool storeRow(const QString &fileIdAll, int status, int fileCount, const QString &name = "deck.pptx")
{
    UserFile file;
    file.setId(fileIdAll, userId);
    file.setFileName(name);
    file.setFileUrl("http://files/" + fileIdAll + ".zip");
    file.setFileCount(fileCount);
    file.setStatus(quint8(status));
    return UserFileDao().saveUserFile(file);
}
} // namespace

class TestCourseFileManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void malformedLines_data();
    void malformedLines();
    void offeredFile_data();
    void offeredFile();
    void fileList_data();
    void fileList();
    void fileListWithRefusedEntriesDropsNothing_data();
    void fileListWithRefusedEntriesDropsNothing();
    void webFileAndResults();
    void downloadStartAndEnd();
    void failedDownloadRemovesEverything();
    void refusedIdsTouchNothing_data();
    void refusedIdsTouchNothing();
    void purge_data();
    void purge();
    void purgeCreatesAMissingUserFolder();
    void purgeLeavesADownloadAlone();
    void lecturerRegistersTwoPartIds();

private:
    void startLink(GlobalEnum::UserType userType);
    // Sends the line from the classroom server and returns what the manager emitted for it.
    QStringList feed(const QString &line);
    bool makeFolder(const QString &fileIdAll, int files);

    TempWorkDir *m_dir = nullptr;
    ClassroomLink *m_link = nullptr;
    CourseFileManager *m_manager = nullptr;
    SignalRecorder *m_recorder = nullptr;
};

void TestCourseFileManager::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
}

void TestCourseFileManager::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    g_userId = userId;
    g_userType = 1;
    g_classId = "class9";
    startLink(GlobalEnum::User1);
}

void TestCourseFileManager::cleanup()
{
    delete m_recorder;
    m_recorder = nullptr;
    delete m_manager;
    m_manager = nullptr;
    delete m_link;
    m_link = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestCourseFileManager::startLink(GlobalEnum::UserType userType)
{
    delete m_recorder;
    delete m_manager;
    delete m_link;
    m_link = new ClassroomLink(true, userType);
    QVERIFY(m_link->connectToServer());
    m_manager = new CourseFileManager();
    m_recorder = new SignalRecorder(m_manager);
    m_recorder->setFormatter(formatRecord);
    m_link->clear();
}

QStringList TestCourseFileManager::feed(const QString &line)
{
    m_recorder->clear();
    m_link->server().sendLines({ line, sentinel });
    const QString end = "signalDeleteFileResult(end_0,0)";
    if (!QTest::qWaitFor([&] { return m_recorder->emitted().contains(end); }, 10000))
        return { "no sentinel" };
    QStringList emitted = m_recorder->emitted();
    emitted.removeAll(end);
    return emitted;
}

bool TestCourseFileManager::makeFolder(const QString &fileIdAll, int files)
{
    bool ok = QDir().mkpath(folderOf(fileIdAll));
    for (int i = 0; i < files; ++i)
        ok = ok && m_dir->writeFile(QString("%1/page_%2.jpg").arg(folderOf(fileIdAll)).arg(i + 1), "x");
    return ok;
}

void TestCourseFileManager::malformedLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("warning");
    QTest::newRow("two fields") << "4\t0"
                                << "the msgListSize < 3 error! ";
    QTest::newRow("offer of five") << "4\t0\ta.ppt\t7_1\turl"
                                   << "the msgListSize < 6 error! ";
    QTest::newRow("offer without id") << "4\t1\ta.ppt\t\turl\t1"
                                      << "fileIdAll or fileFlag is empty!";
    QTest::newRow("offer without flag") << "4\t0\ta.ppt\t7_1\turl\t"
                                        << "fileIdAll or fileFlag is empty!";
    QTest::newRow("web file of five") << "4\t3\ta\tb\tc"
                                      << "the msgListSize != 6 error! ";
    QTest::newRow("deletion of four") << "4\t5\ta\tb"
                                      << "the msgListSize < 5 error!";
    QTest::newRow("upload of seven") << "4\t6\ta\tb\tc\td\te"
                                     << "the msgListSize < 8 error! ";
    QTest::newRow("upload without name") << "4\t6\t\tb\tc\td\te\t1"
                                         << "the fileName or fileId is empty! ";
    QTest::newRow("upload without result") << "4\t6\ta\tb\tc\td\te\t"
                                           << "the fileName or fileId is empty! ";
    QTest::newRow("unknown kind") << "4\t9\tx"
                                  << "the msgType unknown error! ";
}

void TestCourseFileManager::malformedLines()
{
    QFETCH(QString, line);
    QFETCH(QString, warning);
    expectWarnings({ warning });
    QCOMPARE(feed(line), QStringList());
    QVERIFY(m_link->sent().isEmpty());
}

void TestCourseFileManager::offeredFile_data()
{
    QTest::addColumn<int>("storedStatus");
    QTest::addColumn<bool>("startedHere"); // the row is this manager's own download
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("offered");
    QTest::newRow("new file") << -1 << false << "0" << true;
    QTest::newRow("new file, kind 1") << -1 << false << "1" << true;
    QTest::newRow("forgotten row") << 0 << false << "0" << true;
    QTest::newRow("downloading") << 1 << true << "0" << false;
    // An earlier lesson's download that never ended (its row could not be deleted): no copy, fetched again.
    QTest::newRow("left by an earlier lesson") << 1 << false << "0" << true;
    QTest::newRow("stored") << 2 << false << "0" << false;
}

void TestCourseFileManager::offeredFile()
{
    QFETCH(int, storedStatus);
    QFETCH(bool, startedHere);
    QFETCH(QString, kind);
    QFETCH(bool, offered);
    const QString id = freshId();
    if (startedHere)
        m_manager->slotGetFileStart(id, "分数.pptx", "http://h/x.zip");
    else if (storedStatus >= 0)
        QVERIFY(storeRow(id, storedStatus, 3));
    if (storedStatus == 1) {
        // What a download leaves on its way.
        QVERIFY(makeFolder(id, 1));
        QVERIFY(m_dir->writeFile(folderOf(id) + ".zip_tmp", "part"));
        QVERIFY(m_dir->writeFile(folderOf(id) + ".mp4_tmp", "part"));
    }
    const QStringList emitted = feed(QString("4\t%1\t分数.pptx\t%2\thttp://h/%2.zip\t1").arg(kind, id));
    if (offered)
        QCOMPARE(emitted, QStringList { QString("signalGetFileResult(%1,分数.pptx,http://h/%1.zip,1)").arg(id) });
    else
        QCOMPARE(emitted, QStringList { "signalLateCountInc(0)" });
    if (storedStatus == 1) {
        // A running download keeps what it has; an earlier lesson's leftovers and row are gone.
        for (const QString &path : { folderOf(id), folderOf(id) + ".zip_tmp", folderOf(id) + ".mp4_tmp" })
            QCOMPARE(QFileInfo::exists(path), startedHere);
        QCOMPARE(storedRow(id).status, startedHere ? 1 : -1);
    }
}

void TestCourseFileManager::fileList_data()
{
    QTest::addColumn<bool>("extraField");
    QTest::newRow("three fields") << false;
    QTest::newRow("four fields still applied") << true;
}

// The server's list replaces what is stored: rows it lacks go, except the user's own ("_0"); the purge that
// follows removes their folders and keeps the listed ones.
void TestCourseFileManager::fileList()
{
    QFETCH(bool, extraField);
    const QString listed = freshId("_1");
    const QString own = freshId("_0");
    const QString gone = freshId("_1");
    for (const QString &id : { listed, own, gone }) {
        QVERIFY(storeRow(id, 2, 2));
        QVERIFY(makeFolder(id, 2));
    }
    const QString listedServerId = listed.section('_', 0, 0);
    const QString json = QString("[{\"id\":%1,\"courseType\":1,\"fileName\":\"分数.pptx\",\"fileSize\":\"2048\","
                                 "\"uploadDate\":\"2024-05-06 07:08:09.0\"},"
                                 "{\"id\":\"77\",\"courseType\":\"0\",\"fileName\":\"clip.mp4\",\"fileSize\":9,"
                                 "\"uploadDate\":\"2024-05-06\"}]")
                             .arg(listedServerId);
    if (extraField)
        expectWarnings({ "the msgListSize != 3 error! " });
    const QStringList emitted = feed("4\t2\t" + json + (extraField ? "\textra" : ""));

    const QString files
        = QString("%1@17,分数.pptx,2048,2024-05-06 07:08,2|77_0@17,clip.mp4,9,2024-05-06,3").arg(listed);
    QCOMPARE(emitted.last(), "signalReadFileList(" + files + ")");
    QVERIFY(emitted.contains(QString("signalRemoveLocalFileOut(%1)").arg(gone)));
    QCOMPARE(storedRow(gone).status, -1);
    QVERIFY(!QFileInfo::exists(folderOf(gone)));
    for (const QString &id : { listed, own }) {
        QCOMPARE(storedRow(id).status, 2);
        QVERIFY(QFileInfo(folderOf(id)).isDir());
        QVERIFY(emitted.contains(QString("signalAddCourseFileOut(%1,deck.pptx)").arg(id)));
    }

    // Not an array: nothing more.
    expectWarnings({ "the json is not array error!" });
    QCOMPARE(feed("4\t2\t{\"id\":1}"), QStringList());
}

void TestCourseFileManager::fileListWithRefusedEntriesDropsNothing_data()
{
    QTest::addColumn<QString>("entries"); // %1: the listed file's server id
    QTest::newRow("all refused") << "{\"id\":\"../x\",\"courseType\":1},{\"id\":\"a/b\",\"courseType\":\"1\"}";
    QTest::newRow("one refused among good ones")
        << "{\"id\":%1,\"courseType\":1,\"fileName\":\"a.pptx\"},{\"id\":\"../../..\",\"courseType\":1}";
    QTest::newRow("refused course type") << "{\"id\":%1,\"courseType\":\"1/../..\"}";
    QTest::newRow("entry without id") << "{\"courseType\":1,\"fileName\":\"a.pptx\"}";
    QTest::newRow("entry without course type") << "{\"id\":%1,\"fileName\":\"a.pptx\"}";
    QTest::newRow("entry that is no object") << "{\"id\":%1,\"courseType\":1},7";
}

// A refused entry may have named any stored file, so a list with one is no word on which files the lesson has:
// nothing is dropped, not even files the list lacks.
void TestCourseFileManager::fileListWithRefusedEntriesDropsNothing()
{
    QFETCH(QString, entries);
    const QString listed = freshId("_1");
    const QString unlisted = freshId("_1");
    for (const QString &id : { listed, unlisted }) {
        QVERIFY(storeRow(id, 2, 2));
        QVERIFY(makeFolder(id, 2));
    }
    const QString downloading = freshId("_3");
    m_manager->slotGetFileStart(downloading, "clip.mp4", "http://h/clip.mp4");
    QVERIFY(m_dir->writeFile(folderOf(downloading) + ".mp4_tmp", "part"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the file list has refused entries"));
    const QStringList emitted = feed("4\t2\t[" + entries.arg(listed.section('_', 0, 0)) + "]");
    for (const QString &line : emitted)
        QVERIFY2(!line.startsWith("signalRemoveLocalFileOut"), qPrintable(line));
    QVERIFY(!emitted.isEmpty() && emitted.last().startsWith("signalReadFileList("));
    for (const QString &id : { listed, unlisted }) {
        QCOMPARE(storedRow(id).status, 2);
        QCOMPARE(QDir(folderOf(id)).entryList(QDir::Files).size(), 2);
    }
    QCOMPARE(storedRow(downloading).status, 1);
    QVERIFY(QFileInfo::exists(folderOf(downloading) + ".mp4_tmp"));

    // The same list without its refused entries is the server's word again.
    const QStringList whole = feed(QString("4\t2\t[{\"id\":%1,\"courseType\":1}]").arg(listed.section('_', 0, 0)));
    QVERIFY(whole.contains(QString("signalRemoveLocalFileOut(%1)").arg(unlisted)));
    QCOMPARE(storedRow(unlisted).status, -1);
    QCOMPARE(storedRow(listed).status, 2);
}

void TestCourseFileManager::webFileAndResults()
{
    QCOMPARE(feed("4\t3\t555\tx\ty\t1"), QStringList());
    QCOMPARE(m_link->sent(), QStringList { "4\t17\t1\t555_1\t1" });
    QCOMPARE(feed("4\t5\t555\t1\t13"), QStringList { "signalDeleteFileResult(555_1,13)" });
    QCOMPARE(
        feed("4\t6\told.ppt\t556\tx\t1\t新.ppt\t1"), QStringList { "signalCourseFileResult(old.ppt,556_1,新.ppt,1)" });
}

void TestCourseFileManager::downloadStartAndEnd()
{
    const QString id = freshId();
    m_manager->slotGetFileStart(id, "Lesson.PPTX", "http://h/x.zip");
    QCOMPARE(m_recorder->emitted(),
        QStringList({ QString("signalAddCourseFileOut(%1,Lesson.PPTX)").arg(id),
            QString("signalCourseFileProgress(%1,0)").arg(id) }));
    QCOMPARE(storedRow(id).status, 1);
    UserFile file;
    QVERIFY(g_courseFileHash.selectUserFile(id, file));
    QCOMPARE(file.getCourseType(), 2);
    QCOMPARE(file.getStatus(), quint8(1));
    QVERIFY(!file.isDownloaded());

    // A second start of the same file records nothing.
    m_recorder->clear();
    m_manager->slotGetFileStart(id, "Lesson.PPTX", "http://h/x.zip");
    QCOMPARE(m_recorder->emitted(), QStringList());

    QVERIFY(makeFolder(id, 4));
    m_manager->slotGetFileResult(id, true);
    // The finished download opens its button whether or not its length was known on the way.
    QCOMPARE(m_recorder->emitted(),
        QStringList({ "signalLateCountInc(0)", QString("signalCourseFileProgress(%1,1000)").arg(id),
            QString("signalFileDownloadFinish(%1)").arg(id) }));
    QCOMPARE(storedRow(id).status, 2);
    QCOMPARE(storedRow(id).fileCount, 4);
    QVERIFY(g_courseFileHash.selectUserFile(id, file));
    QVERIFY(file.isDownloaded());
    QCOMPARE(file.getStatus(), quint8(2));

    // The end of a download the table never saw is ignored.
    m_recorder->clear();
    m_manager->slotGetFileResult(freshId(), true);
    QCOMPARE(m_recorder->emitted(), QStringList());
}

void TestCourseFileManager::failedDownloadRemovesEverything()
{
    const QString id = freshId();
    m_manager->slotGetFileStart(id, "a.pdf", "http://h/a.zip");
    QVERIFY(makeFolder(id, 2));
    QVERIFY(m_dir->writeFile(folderOf(id) + ".zip", "zip"));
    QVERIFY(m_dir->writeFile(folderOf(id) + ".zip_tmp", "part"));
    QVERIFY(m_dir->writeFile(folderOf(id) + ".mp4_tmp", "part"));
    QVERIFY(m_dir->writeFile(folderOf(id) + ".mp4_tmp_validator", "validator:x"));
    m_recorder->clear();
    m_manager->slotGetFileResult(id, false);
    // The student hears of it.
    QCOMPARE(m_recorder->emitted(),
        QStringList({ QString("signalRemoveLocalFileOut(%1)").arg(id),
            QString::fromUtf8("signalCourseFileTip(下载失败，请稍后重试！)") }));
    QVERIFY(!QFileInfo::exists(folderOf(id)));
    QVERIFY(!QFileInfo::exists(folderOf(id) + ".zip"));
    QVERIFY(!QFileInfo::exists(folderOf(id) + ".zip_tmp"));
    QVERIFY(!QFileInfo::exists(folderOf(id) + ".mp4_tmp"));
    QVERIFY(!QFileInfo::exists(folderOf(id) + ".mp4_tmp_validator"));
    QCOMPARE(storedRow(id).status, -1);
    UserFile file;
    QVERIFY(g_courseFileHash.selectUserFile(id, file));
    QVERIFY(!file.isDownloaded());
}

void TestCourseFileManager::refusedIdsTouchNothing_data()
{
    QTest::addColumn<QString>("fileIdAll");
    QTest::newRow("two levels up") << "../..";
    QTest::newRow("up and aside") << "../../victim";
    QTest::newRow("nested") << "a/b";
    QTest::newRow("parent") << "..";
    QTest::newRow("dot") << ".";
    QTest::newRow("backslash") << "..\\x";
    QTest::newRow("space") << "a b";
    QTest::newRow("dot inside") << "x.y";
}

// Every way a server's id reaches the disk or the table refuses it before either is touched.
void TestCourseFileManager::refusedIdsTouchNothing()
{
    QFETCH(QString, fileIdAll);
    QVERIFY(m_dir->writeFile("victim/keep.txt", "keep"));
    QVERIFY(m_dir->writeFile("victim.zip", "keep"));
    QVERIFY(m_dir->writeFile("keep.txt", "keep"));
    QVERIFY(m_dir->writeFile("fileRecv/17/a/b/keep.txt", "keep"));
    QVERIFY(m_dir->writeFile("fileRecv/17/a/b.zip", "keep"));
    QVERIFY(storeRow("a/b", 2, 1));

    const QString refused = "the fileId is not a plain name! ";
    expectWarnings({ refused });
    QCOMPARE(feed(QString("4\t0\tx.pdf\t%1\thttp://h/x.zip\t1").arg(fileIdAll)), QStringList());
    m_recorder->clear();
    expectWarnings({ refused, refused, refused, refused, refused });
    m_manager->slotGetFileStart(fileIdAll, "x.pdf", "http://h/x.zip");
    m_manager->slotGetFileResult(fileIdAll, false);
    m_manager->slotGetFileResult(fileIdAll, true);
    m_manager->slotRemoveLocalFile(fileIdAll);
    m_manager->removeFileAndDir(fileIdAll);
    QCOMPARE(m_recorder->emitted(), QStringList());
    QVERIFY(!g_courseFileHash.containsUserFile(fileIdAll));

    for (const char *kept :
        { "victim/keep.txt", "victim.zip", "keep.txt", "fileRecv/17/a/b/keep.txt", "fileRecv/17/a/b.zip" })
        QVERIFY2(QFileInfo::exists(kept), kept);
    QCOMPARE(storedRow("a/b").status, 2);
    QCOMPARE(storedRow(fileIdAll).status, fileIdAll == "a/b" ? 2 : -1);
}

void TestCourseFileManager::purge_data()
{
    QTest::addColumn<int>("rowStatus"); // -1: no row
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("files"); // -1: no folder
    QTest::addColumn<int>("ageDays");
    QTest::addColumn<bool>("kept");
    QTest::newRow("two days, right count") << 2 << 3 << 3 << 2 << true;
    QTest::newRow("fresh, right count") << 2 << 3 << 3 << 0 << true;
    QTest::newRow("three days") << 2 << 3 << 3 << 3 << false;
    QTest::newRow("ten days") << 2 << 3 << 3 << 10 << false;
    QTest::newRow("count changed") << 2 << 3 << 2 << 0 << false;
    QTest::newRow("empty folder, row counts none") << 2 << 0 << 0 << 0 << true;
    QTest::newRow("folder without row") << -1 << 0 << 3 << 0 << false;
    QTest::newRow("row without folder") << 2 << 3 << -1 << 0 << false;
    // A download of an earlier lesson that never ended: its half is no copy.
    QTest::newRow("earlier lesson's download") << 1 << 0 << 2 << 0 << false;
}

void TestCourseFileManager::purge()
{
    QFETCH(int, rowStatus);
    QFETCH(int, rowCount);
    QFETCH(int, files);
    QFETCH(int, ageDays);
    QFETCH(bool, kept);
    const QString id = freshId();
    if (rowStatus >= 0)
        QVERIFY(storeRow(id, rowStatus, rowCount, "Page.JPG"));
    if (files >= 0) {
        QVERIFY(makeFolder(id, files));
        QVERIFY(m_dir->writeFile(folderOf(id) + ".zip", "zip"));
        QVERIFY(m_dir->writeFile(folderOf(id) + ".zip_tmp", "part"));
    }
    // An unrelated file in the user's folder is no course file and stays.
    QVERIFY(m_dir->writeFile("fileRecv/17/notes.txt", "x"));

    if (files >= 0 && ageDays >= 3)
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^delete history files!"));
    QVERIFY(m_manager->verifyLocalFile(QDateTime::currentDateTime().addSecs(qint64(ageDays) * 24 * 3600)));

    QCOMPARE(QFileInfo(folderOf(id)).isDir(), kept);
    QCOMPARE(storedRow(id).status, kept ? 2 : -1);
    QVERIFY(QFileInfo::exists("fileRecv/17/notes.txt"));
    UserFile file;
    if (kept) {
        QCOMPARE(m_recorder->emitted(), QStringList { QString("signalAddCourseFileOut(%1,Page.JPG)").arg(id) });
        QVERIFY(g_courseFileHash.selectUserFile(id, file));
        QVERIFY(file.isDownloaded());
        QCOMPARE(file.getCourseType(), 1);
        QCOMPARE(file.getFileCount(), unsigned(rowCount));
    } else {
        QCOMPARE(m_recorder->emitted(), QStringList());
        QVERIFY(!g_courseFileHash.containsUserFile(id));
        QVERIFY(!QFileInfo::exists(folderOf(id) + ".zip"));
        QVERIFY(!QFileInfo::exists(folderOf(id) + ".zip_tmp"));
    }
}

void TestCourseFileManager::purgeCreatesAMissingUserFolder()
{
    const QString first = freshId();
    const QString second = freshId();
    QVERIFY(storeRow(first, 2, 1));
    QVERIFY(storeRow(second, 2, 0));
    QVERIFY(m_dir->writeFile("fileRecv/other/keep.txt", "x"));
    QVERIFY(!QFileInfo::exists("fileRecv/17"));
    QVERIFY(m_manager->verifyLocalFile());
    QVERIFY(QFileInfo("fileRecv/17").isDir());
    QCOMPARE(storedRow(first).status, -1);
    QCOMPARE(storedRow(second).status, -1);
    QVERIFY(QFileInfo::exists("fileRecv/other/keep.txt"));
    QCOMPARE(m_recorder->emitted(), QStringList());
}

// A download that has been unpacked but not yet recorded keeps its folder through a purge (a server list may
// arrive at any time), and is recorded complete afterwards.
void TestCourseFileManager::purgeLeavesADownloadAlone()
{
    const QString id = freshId();
    m_manager->slotGetFileStart(id, "deck.pptx", "http://h/deck.zip");
    QVERIFY(makeFolder(id, 2));
    m_recorder->clear();
    QVERIFY(m_manager->verifyLocalFile(QDateTime::currentDateTime().addSecs(10 * 24 * 3600)));
    QVERIFY(QFileInfo(folderOf(id)).isDir());
    QCOMPARE(storedRow(id).status, 1);
    QCOMPARE(m_recorder->emitted(), QStringList());

    m_manager->slotGetFileResult(id, true);
    QCOMPARE(storedRow(id).status, 2);
    QCOMPARE(storedRow(id).fileCount, 2);
}

void TestCourseFileManager::lecturerRegistersTwoPartIds()
{
    g_userType = 0;
    startLink(GlobalEnum::User0);
    const QString twoParts = freshId("_1");
    const QString onePart = freshId("");
    const QString threeParts = freshId("_1_2");
    for (const QString &id : { twoParts, onePart, threeParts }) {
        QVERIFY(storeRow(id, 2, 1, "a.png"));
        QVERIFY(makeFolder(id, 1));
    }
    QVERIFY(m_manager->verifyLocalFile());
    QStringList added;
    for (const QString &id : { twoParts, onePart, threeParts })
        added << QString("signalAddCourseFileOut(%1,a.png)").arg(id);
    QStringList emitted = m_recorder->emitted();
    emitted.sort();
    added.sort();
    QCOMPARE(emitted, added);
    QCOMPARE(m_link->sent(), QStringList { QString("4\t17\t3\t%1\t1\t0\tclass9").arg(twoParts.section('_', 0, 0)) });

    // A file the table knows already is not registered again, but still gets its button.
    m_link->clear();
    m_recorder->clear();
    UserFile file;
    file.setId(twoParts, userId);
    file.setFileName("a.png");
    m_manager->addCourseFile(file);
    QCOMPARE(m_recorder->emitted(), QStringList { QString("signalAddCourseFileOut(%1,a.png)").arg(twoParts) });
    QCOMPARE(m_link->sent(), QStringList());
}

QTEST_GUILESS_MAIN(TestCourseFileManager)
#include "tst_coursefilemanager.moc"
