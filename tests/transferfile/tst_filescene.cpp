// The sandbox's file scene with the client's own pieces: the classroom connection asks for the list, a file's
// address and deletions; the transfer jobs download and upload on the scene's file port.
#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "tests/support/childprocess.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/algetfile.h"
#include "vrek/transferfile/alpostfile.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/networkengine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <csignal>

class TestFileScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listAndDownload();
    void wholeUploadIsShared();
    void rangedUploadIsReported();
    void deletion();
    void killedDownloadResumesByRange();

private:
    // The next file-info line of the kind that arrives on the connection.
    QString waitForFileLine(const QString &kind);
    QJsonArray listed();
    int runJob(QObject *job, const std::function<void()> &start);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    FileScene *m_scene = nullptr;
    SocketClientManager *m_socket = nullptr;
    QStringList m_fileLines;
};

void TestFileScene::initTestCase()
{
    m_network = new NetworkEngineThread();
    m_dir = new TempWorkDir();
    m_sandbox = new ClassroomSandbox();
    QVERIFY(m_sandbox->start());
    m_scene = FileScene::of(m_sandbox);
    QVERIFY(m_scene);
    QVERIFY(m_sandbox->announced().contains("file=" + QString::number(m_scene->filePort())));
    g_userId = m_sandbox->account().userId;
    m_socket = new SocketClientManager(GlobalEnum::User1);
    connect(m_socket, &SocketClientManager::signalFileInfoProtocol, this,
        [this](const QString &line) { m_fileLines.append(line); });
    m_socket->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    m_socket->connectServerAndLogin(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_VERIFY_WITH_TIMEOUT(m_socket->isConnected(), 10000);
}

void TestFileScene::cleanupTestCase()
{
    delete m_socket;
    delete m_sandbox;
    delete m_dir;
    delete m_network;
}

QString TestFileScene::waitForFileLine(const QString &kind)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        for (int i = 0; i < m_fileLines.size(); ++i) {
            if (m_fileLines.at(i).section('\t', 1, 1) == kind)
                return m_fileLines.takeAt(i);
        }
        QTest::qWait(10);
    }
    return QString();
}

QJsonArray TestFileScene::listed()
{
    m_socket->sendFileList();
    const QString line = waitForFileLine("2");
    return QJsonDocument::fromJson(line.section('\t', 2).toUtf8()).array();
}

int TestFileScene::runJob(QObject *job, const std::function<void()> &start)
{
    int result = -1;
    QObject context;
    if (auto *get = qobject_cast<ALGetFile *>(job)) {
        connect(
            get, &ALGetFile::signalGetFileResult, &context,
            [&result](const QString &, ALGetFile::GetFileStatus status) { result = status; }, Qt::QueuedConnection);
    } else if (auto *post = qobject_cast<ALPostFile *>(job)) {
        connect(
            post, &ALPostFile::signalPostFileResult, &context,
            [&result](const QString &, ALPostFile::PostFileStatus status) { result = status; }, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(job, start, Qt::QueuedConnection);
    QElapsedTimer waited;
    waited.start();
    while (result < 0 && waited.elapsed() < 20000)
        QTest::qWait(10);
    job->deleteLater();
    return result;
}

void TestFileScene::listAndDownload()
{
    const QJsonArray files = listed();
    QVERIFY(!files.isEmpty());
    const QJsonObject worksheet = files.first().toObject();
    QCOMPARE(worksheet.value("fileName").toString(), QStringLiteral("课堂练习.png"));
    QCOMPARE(worksheet.value("courseType").toInt(), 1);
    const QString fileIdAll = QString::number(worksheet.value("id").toInt()) + "_1";

    // The window asks with the file-list row's id.
    m_socket->sendWebFile(fileIdAll + "@" + g_userId);
    const QStringList offer = waitForFileLine("1").split('\t');
    QCOMPARE(offer.size(), 6);
    QCOMPARE(offer.at(2), QStringLiteral("课堂练习.png"));
    QCOMPARE(offer.at(3), fileIdAll);
    QCOMPARE(offer.at(5), QString("1"));

    auto *job = new ALGetFile(g_userId, g_networkEngine->networkManager());
    job->moveThread(m_network->thread());
    const QString url = offer.at(4);
    QCOMPARE(runJob(job, [=] { job->start(fileIdAll, offer.at(2), url); }), int(ALGetFile::Done));
    QImage picture(QString("fileRecv/%1/%2/课堂练习.png").arg(g_userId, fileIdAll));
    QCOMPARE(picture.size(), QSize(800, 600));

    m_socket->sendWebFile("9999_1");
    const QStringList missing = waitForFileLine("1").split('\t');
    QCOMPARE(missing.value(3), QString("9999_1"));
    QCOMPARE(missing.value(5), QString("0"));
}

void TestFileScene::wholeUploadIsShared()
{
    m_dir->writeFile(QStringLiteral("我的作业.docx"), QByteArray(40000, 'd'));
    auto *job = new ALPostFile(g_userId, g_networkEngine->networkManager());
    job->setServerAddrBase(QString("http://127.0.0.1:%1%2").arg(m_scene->filePort()).arg(FileScene::uploadPath.data()));
    job->moveThread(m_network->thread());
    const QString path = m_dir->filePath(QStringLiteral("我的作业.docx"));
    QCOMPARE(runJob(job, [=] { job->start("LOCAL1", path, 1, 0); }), int(ALPostFile::Done));
    // Converted and shared: the server's id and course type for the local id.
    const QStringList result = waitForFileLine("6").split('\t');
    QCOMPARE(result.size(), 8);
    QCOMPARE(result.at(2), QString("LOCAL1"));
    QCOMPARE(result.at(5), QString("1"));
    QCOMPARE(result.at(6), QStringLiteral("我的作业.docx"));
    QCOMPARE(result.at(7), QString("1"));
    bool found = false;
    for (const QJsonValue &value : listed()) {
        const QJsonObject file = value.toObject();
        if (QString::number(file.value("id").toInt()) == result.at(3))
            found = file.value("fileName").toString() == QStringLiteral("我的作业.docx")
                && file.value("fileSize").toString() == "40000";
    }
    QVERIFY(found);
}

void TestFileScene::rangedUploadIsReported()
{
    QByteArray content(2621440, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i % 253);
    m_dir->writeFile("media/1_3101_20001_20201208153000.ts", content);
    QSignalSpy finished(m_scene, &FileScene::uploadFinished);
    auto *job = new ALPostFile(g_userId, g_networkEngine->networkManager());
    job->setServerAddrBase(QString("http://127.0.0.1:%1%2").arg(m_scene->filePort()).arg(FileScene::uploadPath.data()));
    job->moveThread(m_network->thread());
    const QString path = m_dir->filePath("media/1_3101_20001_20201208153000.ts");
    QCOMPARE(runJob(job, [=] { job->start("1_3101_20001_20201208153000.ts", path, 2, 0); }), int(ALPostFile::Done));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(3).toUInt(), 2u);
    QVERIFY(finished.first().at(4).toByteArray() == content);
    // A recording is no course file of the class. The sandbox shares a network disk's file 300 ms after its upload,
    // by a timer of its thread: one set now for longer fires after it, whatever the load, and the list asked for
    // then comes over the connection behind any share line.
    bool due = false;
    QTimer::singleShot(600, m_scene, [&due] { due = true; });
    QTRY_VERIFY_WITH_TIMEOUT(due, 10000);
    m_socket->sendFileList();
    QVERIFY(!waitForFileLine("2").isNull());
    for (const QString &line : qAsConst(m_fileLines))
        QVERIFY(line.section('\t', 1, 1) != "6");
}

void TestFileScene::deletion()
{
    const QString fileIdAll = m_scene->addSharedFile("extra.mp4", "movie");
    QCOMPARE(fileIdAll.section('_', 1), QString("3"));
    const QString serverId = fileIdAll.section('_', 0, 0);
    m_socket->sendDeleteFile(serverId, "1");
    QCOMPARE(waitForFileLine("5"), QStringList({ "4", "5", serverId, "3", "1" }).join('\t'));
    m_socket->sendDeleteFile(serverId, "1");
    QCOMPARE(waitForFileLine("5"), QStringList({ "4", "5", serverId, "0", "2" }).join('\t'));
    for (const QJsonValue &value : listed())
        QVERIFY(QString::number(value.toObject().value("id").toInt()) != serverId);
}

void TestFileScene::killedDownloadResumesByRange()
{
    QByteArray content(900000, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((i * 7) % 251);
    const QString fileIdAll = m_scene->addSharedFile(QStringLiteral("课堂视频.mp4"), content);
    m_socket->sendWebFile(fileIdAll + "@" + g_userId);
    const QStringList offer = waitForFileLine("1").split('\t');
    QCOMPARE(offer.value(3), fileIdAll);
    const QString url = offer.value(4);
    const QByteArray path = QUrl(url).path(QUrl::FullyEncoded).toLatin1();
    FakeHttpServer *files = m_scene->fileServer();

    // The first answer stops part-way and the client is killed while it waits for the rest.
    const FakeHttpServer::Handler serve = files->handler(path);
    QVERIFY(serve);
    constexpr qint64 cut = 300000;
    files->setHandler(path, [serve](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply = serve(request);
        reply.fault = FakeHttpServer::StallAfter;
        reply.faultAfter = cut;
        return reply;
    });
    files->clearRequests();
    const QString tempPath = QString("fileRecv/%1/%2.mp4_tmp").arg(g_userId, fileIdAll);
    const QStringList arguments = { "--download-child", QDir::currentPath(), g_userId, fileIdAll, offer.value(2), url };
    {
        ChildProcess first;
        QVERIFY(first.startProgram(QCoreApplication::applicationFilePath(), arguments));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(tempPath).size(), cut, 20000);
        QCOMPARE(::kill(pid_t(first.pid()), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!first.isRunning(), 10000);
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    }
    QCOMPARE(files->requests(path).size(), 1);
    QVERIFY(files->requests(path).first().header("range").isEmpty());

    // A new start asks for the rest only, and gets the same file whole.
    files->setHandler(path, serve);
    ChildProcess second;
    QVERIFY(second.startProgram(QCoreApplication::applicationFilePath(), arguments));
    // The server runs in this thread: the wait keeps its event loop going.
    QTRY_VERIFY_WITH_TIMEOUT(!second.isRunning(), 30000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), int(ALGetFile::Done));
    const QList<FakeHttpServer::Request> asked = files->requests(path);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.last().header("range"), QByteArray("bytes=300000-"));
    QVERIFY(!asked.last().header("if-range").isEmpty());
    QFile stored(QString("fileRecv/%1/%2/课堂视频.mp4").arg(g_userId, fileIdAll));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QVERIFY(stored.readAll() == content);
}

namespace {
// The download alone, as a client that is started, killed and started again would run it; the exit code is the
// download's result.
int runDownloadChild(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 7 || !QDir::setCurrent(arguments.at(2)))
        return 100;
    QNetworkAccessManager manager;
    ALGetFile job(arguments.at(3), &manager);
    QObject::connect(&job, &ALGetFile::signalGetFileResult, &application,
        [](const QString &, ALGetFile::GetFileStatus status) { QCoreApplication::exit(int(status)); });
    QTimer::singleShot(0, &job, [&] { job.start(arguments.at(4), arguments.at(5), arguments.at(6)); });
    return application.exec();
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--download-child") == 0)
        return runDownloadChild(argc, argv);
    QCoreApplication application(argc, argv);
    TestFileScene test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_filescene.moc"
