#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "tests/support/sandboxlesson.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/course/coursefilemanager.h"
#include "vrek/course/coursefileview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/diskroom.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr qint64 diskBytes = 3 * 1024 * 1024;
constexpr qint64 clipBytes = 930 * 1024;
constexpr qint64 leftBytes = 888 * 1024;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether SQLite finds the database whole.
QString integrity(const QString &path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec("PRAGMA integrity_check") && query.next())
                result = query.value(0).toString();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("integrity");
    return result;
}
} // namespace

// A student's disk that fills: the data folder (database and received files) on a small file system of its own
// where the test may mount one, else a file size limit for this process; the course file panel over a real
// classroom connection to the sandbox, whose file server serves the teacher's clip.
class TestCourseFileNoRoom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void aFullDiskIsToldAndTheFileComesOnceThereIsRoom();
    void aFailedFileIsFetchedAgainWhenTheTeacherOpensIt();
    void aDatabaseThatTakesNoRowIsToldAsAFullDisk();

private:
    // Shares a clip and offers it to the class; its id.
    QString offerClip(const QString &name, const QByteArray &content);
    // Leaves only leftBytes free (small disk) or lets no file grow beyond it (limit).
    void fillTheDisk();
    // Leaves no room at all (small disk) or lets no file grow (limit): the database takes no row either.
    void fillTheDiskWhole();
    QStringList storedFiles() const;
    void makeRoom();
    QStringList tips() const;

    QTemporaryDir m_base;
    QString m_data;
    bool m_mounted = false;
    std::unique_ptr<FileSizeLimit> m_limit;
    NetworkEngineThread *m_network = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    SocketClientManager *m_connection = nullptr;
    CourseFileView *m_view = nullptr;
    QSignalSpy *m_tips = nullptr;
    QSignalSpy *m_finished = nullptr;
};

void TestCourseFileNoRoom::initTestCase()
{
    QVERIFY(m_base.isValid());
    m_data = m_base.filePath("data");
    QVERIFY(QDir().mkpath(m_data));
    m_mounted
        = QProcess::execute("mount", { "-t", "tmpfs", "-o", QString("size=%1").arg(diskBytes), "tmpfs", m_data }) == 0;
    qInfo().noquote() << (m_mounted ? "the data folder is on a 3 MB file system of its own"
                                    : "no file system can be mounted here: a file size limit stands for the disk");
    QVERIFY(QDir::setCurrent(m_data));
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    QVERIFY(TransferFileDao::initial());

    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    const ClassroomSandbox::Account account = m_sandbox->account();
    enterSandboxLesson(*m_sandbox);
    m_connection = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_connection;
    m_connection->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    m_view = new CourseFileView();
    m_view->manager()->setRoomCheckInterval(100);
    m_tips = new QSignalSpy(m_view, &CourseFileView::signalCourseFileTip);
    m_finished = new QSignalSpy(m_view, &CourseFileView::signalFileDownloadFinish);
    m_connection->connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), 10000);
}

void TestCourseFileNoRoom::cleanupTestCase()
{
    delete m_tips;
    delete m_finished;
    delete m_view;
    g_socketClientManager = nullptr;
    delete m_connection;
    delete m_sandbox;
    delete m_network;
    QDir::setCurrent(m_base.path());
    if (m_mounted)
        QCOMPARE(QProcess::execute("umount", { m_data }), 0);
}

void TestCourseFileNoRoom::cleanup()
{
    makeRoom();
}

QString TestCourseFileNoRoom::offerClip(const QString &name, const QByteArray &content)
{
    FileScene *files = FileScene::of(m_sandbox);
    const QString fileIdAll = files->addSharedFile(name, content);
    for (const FileScene::SharedFile &file : files->sharedFiles()) {
        if (file.fileIdAll() == fileIdAll)
            m_sandbox->classroom()->sendLine(
                QStringList { "4", "0", file.fileName, fileIdAll, files->fileUrl(file), "1" }.join('\t'));
    }
    return fileIdAll;
}

void TestCourseFileNoRoom::fillTheDisk()
{
    if (!m_mounted) {
        m_limit = std::make_unique<FileSizeLimit>(rlim_t(leftBytes));
        QVERIFY(m_limit->isSet());
        return;
    }
    QFile filler("filler.bin");
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const qint64 free = DiskRoom::freeBytes(".");
    QVERIFY(free > leftBytes);
    QVERIFY(filler.resize(0));
    const QByteArray block(4096, 'f');
    for (qint64 written = 0; written < free - leftBytes; written += block.size())
        QCOMPARE(filler.write(block), qint64(block.size()));
    filler.close();
    const qint64 left = DiskRoom::freeBytes(".");
    QVERIFY2(left <= leftBytes && left > clipBytes / 2, qPrintable(QString::number(left)));
}

void TestCourseFileNoRoom::fillTheDiskWhole()
{
    if (!m_mounted) {
        m_limit = std::make_unique<FileSizeLimit>(rlim_t(0));
        QVERIFY(m_limit->isSet());
        return;
    }
    QFile filler("filler.bin");
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) { }
    filler.close();
    QCOMPARE(DiskRoom::freeBytes("."), qint64(0));
}

QStringList TestCourseFileNoRoom::storedFiles() const
{
    QList<UserFile> files;
    UserFileDao dao;
    if (!dao.selectUserFileList(g_userId, files, 0))
        return { "the table cannot be read" };
    QStringList ids;
    for (const UserFile &file : qAsConst(files))
        ids.append(file.getFileIdAll());
    ids.sort();
    return ids;
}

void TestCourseFileNoRoom::makeRoom()
{
    m_limit.reset();
    QFile::remove("filler.bin");
}

QStringList TestCourseFileNoRoom::tips() const
{
    QStringList texts;
    for (const QVariantList &arguments : *m_tips)
        texts.append(arguments.value(0).toString());
    return texts;
}

void TestCourseFileNoRoom::aFullDiskIsToldAndTheFileComesOnceThereIsRoom()
{
    const QByteArray clip = transferPattern(clipBytes);
    fillTheDisk();
    m_tips->clear();
    const QString fileIdAll = offerClip(QStringLiteral("分数动画.mp4"), clip);
    QTRY_VERIFY_WITH_TIMEOUT(!m_tips->isEmpty(), 20000);
    // A full disk, told as one with the room that is left, and not as something to try again at once.
    const QString told = tips().first();
    QVERIFY2(told.startsWith(QString::fromUtf8("磁盘空间不足（剩余 ")), qPrintable(told));
    QVERIFY(!tips().contains(QString::fromUtf8("下载失败，请稍后重试！")));
    QVERIFY(!tips().contains(QString::fromUtf8("新建文件错误")));
    QCOMPARE(m_view->manager()->filesWaitingForRoom(), QStringList { fileIdAll });
    QCOMPARE(integrity(DBManager::dataBaseName), QString("ok"));
    QVERIFY(m_finished->isEmpty());

    makeRoom();
    QElapsedTimer sinceRoom;
    sinceRoom.start();
    if (!m_mounted) {
        // A limit of the process leaves the disk's room as it was: only an open by the teacher brings the file.
        m_view->slotFileWanted(fileIdAll);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_finished->count(), 1, 30000);
    qInfo().noquote() << QString("the file came %1 ms after the room was made").arg(sinceRoom.elapsed());
    QCOMPARE(m_finished->first().value(0).toString(), fileIdAll);
    QVERIFY(readFile(QString("fileRecv/%1/%2/分数动画.mp4").arg(g_userId, fileIdAll)) == clip);
    QVERIFY(m_view->manager()->filesWaitingForRoom().isEmpty());
    QCOMPARE(integrity(DBManager::dataBaseName), QString("ok"));
}

void TestCourseFileNoRoom::aFailedFileIsFetchedAgainWhenTheTeacherOpensIt()
{
    // Room is looked for too seldom to matter here.
    m_view->manager()->setRoomCheckInterval(3600 * 1000);
    const QByteArray clip = transferPattern(clipBytes + 4096);
    fillTheDisk();
    m_tips->clear();
    m_finished->clear();
    const QString fileIdAll = offerClip(QStringLiteral("分数练习.mp4"), clip);
    QTRY_VERIFY_WITH_TIMEOUT(!m_tips->isEmpty(), 20000);
    QVERIFY(tips().first().startsWith(QString::fromUtf8("磁盘空间不足")));
    makeRoom();

    // The teacher opens it: the student is told that it comes, and it comes.
    m_view->slotFileWanted(fileIdAll);
    QCOMPARE(tips().last(), QString::fromUtf8("老师打开的课件正在重新下载，请稍候"));
    QTRY_COMPARE_WITH_TIMEOUT(m_finished->count(), 1, 30000);
    QVERIFY(readFile(QString("fileRecv/%1/%2/分数练习.mp4").arg(g_userId, fileIdAll)) == clip);
    // Once here, a further open fetches nothing.
    const int told = m_tips->count();
    m_view->slotFileWanted(fileIdAll);
    QCOMPARE(m_tips->count(), told);
    QCOMPARE(integrity(DBManager::dataBaseName), QString("ok"));
}

void TestCourseFileNoRoom::aDatabaseThatTakesNoRowIsToldAsAFullDisk()
{
    m_view->manager()->setRoomCheckInterval(100);
    m_tips->clear();
    m_finished->clear();
    // One file stored while there was room.
    const QByteArray kept = transferPattern(64 * 1024);
    const QString keptId = offerClip(QStringLiteral("口算.mp4"), kept);
    QTRY_COMPARE_WITH_TIMEOUT(m_finished->count(), 1, 30000);
    const QStringList before = storedFiles();
    QVERIFY2(before.contains(keptId), qPrintable(before.join(' ')));

    fillTheDiskWhole();
    m_tips->clear();
    m_finished->clear();
    const QByteArray clip = transferPattern(200 * 1024);
    const QString fileIdAll = offerClip(QStringLiteral("分数复习.mp4"), clip);
    QTRY_VERIFY_WITH_TIMEOUT(!m_tips->isEmpty(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_view->manager()->filesWaitingForRoom(), QStringList { fileIdAll }, 20000);
    // Told as a full disk, once, and not as a download to try again.
    QVERIFY2(tips().first().startsWith(QString::fromUtf8("磁盘空间不足（剩余 ")), qPrintable(tips().first()));
    QCOMPARE(tips().size(), 1);
    QVERIFY(m_finished->isEmpty());
    makeRoom();
    // Nothing that was stored is lost, and the database is whole.
    QCOMPARE(integrity(DBManager::dataBaseName), QString("ok"));
    QCOMPARE(storedFiles(), before);
    QVERIFY(readFile(QString("fileRecv/%1/%2/口算.mp4").arg(g_userId, keptId)) == kept);

    // With room again, the file comes and is stored.
    if (!m_mounted)
        m_view->slotFileWanted(fileIdAll);
    QTRY_COMPARE_WITH_TIMEOUT(m_finished->count(), 1, 30000);
    QCOMPARE(m_finished->first().value(0).toString(), fileIdAll);
    QVERIFY(readFile(QString("fileRecv/%1/%2/分数复习.mp4").arg(g_userId, fileIdAll)) == clip);
    QVERIFY(storedFiles().contains(fileIdAll));
    QVERIFY(storedFiles().contains(keptId));
    QCOMPARE(integrity(DBManager::dataBaseName), QString("ok"));
}

QTEST_MAIN(TestCourseFileNoRoom)
#include "tst_coursefilenoroom.moc"
