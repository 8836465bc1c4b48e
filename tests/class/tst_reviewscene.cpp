// The sandbox's recorded lessons with the client's own pages: every tab of both demo accounts has series, the
// long series pages and sorts, a lesson's recordings play the scene's clip, and the recording the scene leaves in
// a data folder goes up to the file scene and comes back converted.
#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "sandbox/reviewscene.h"
#include "tests/class/reviewtestsupport.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/transferrecordview.h"
#include "vrek/class/videobackview.h"
#include "vrek/class/videoplayview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transfertreeview.h"

#include <QDir>
#include <QFile>
#include <QLayout>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {
QJsonArray bodyOf(const QByteArray &reply)
{
    return QJsonDocument::fromJson(reply).object().value("requestBody").toArray();
}
} // namespace

class TestReviewScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void everyTabOfBothAccountsHasSeries_data();
    void everyTabOfBothAccountsHasSeries();
    void longSeriesPagesAndSorts();
    void recordingsPlayTheClip();
    void recordingIsLeftOnceAndUploads();

private:
    NetworkEngineThread *m_network = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    ReviewScene *m_scene = nullptr;
    ReviewHttp *m_http = nullptr;
};

void TestReviewScene::initTestCase()
{
    m_network = new NetworkEngineThread;
    QVERIFY(DBManager::dbFileInitial());
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = ReviewScene::of(m_sandbox);
    QVERIFY(m_scene);
    QVERIFY(m_scene->seededRecording().isEmpty());
    m_http = new ReviewHttp;
    m_http->client->setDnsUrl(m_sandbox->http()->hostAndPort());
    g_userId = "901";
    g_loginSignId = "sandbox-901";
}

void TestReviewScene::cleanupTestCase()
{
    delete m_http;
    delete m_sandbox;
    delete m_network;
}

void TestReviewScene::everyTabOfBothAccountsHasSeries_data()
{
    QTest::addColumn<int>("userType");
    QTest::newRow("lecturer's side") << 0;
    QTest::newRow("student") << 1;
}

void TestReviewScene::everyTabOfBothAccountsHasSeries()
{
    QFETCH(int, userType);
    g_userType = userType;
    VideobackView view;
    for (int i = 0; i < view.tabWidget()->count(); ++i) {
        view.tabWidget()->setCurrentIndex(i);
        view.refreshCurrentTab();
        ClassListWidget *page = view.pages().at(i);
        QTRY_VERIFY2(!page->cards().isEmpty(), qPrintable(page->lessonType()));
        QTRY_VERIFY(view.tabWidget()->isEnabled());
        QCOMPARE(page->footerText(), QString("没有更多了"));
        for (auto *card : page->cards())
            QVERIFY(!card->groupInfo().getPlanBeginTime().isEmpty());
    }
    QVERIFY(bodyOf(m_scene->courseReviewReply("all", "2")).isEmpty());
}

void TestReviewScene::longSeriesPagesAndSorts()
{
    const QJsonArray oldestFirst = bodyOf(m_scene->lessonListReply(801, 1, 0, "0"));
    QCOMPARE(oldestFirst.size(), ReviewScene::longSeriesLessons);
    const QJsonArray newestFirst = bodyOf(m_scene->lessonListReply(801, 1, 0, "1"));
    QCOMPARE(newestFirst.size(), ReviewScene::longSeriesLessons);
    QVERIFY(oldestFirst.first().toObject().value("beginTime").toString()
        < oldestFirst.last().toObject().value("beginTime").toString());
    QCOMPARE(newestFirst.first().toObject().value("beginTime"), oldestFirst.last().toObject().value("beginTime"));
    // A later page follows what the client has.
    QVERIFY(bodyOf(m_scene->lessonListReply(801, 2, 35, "0")).isEmpty());
    QCOMPARE(bodyOf(m_scene->lessonListReply(801, 2, 20, "0")).size(), 15);
    QVERIFY(bodyOf(m_scene->lessonListReply(999, 1, 0, "0")).isEmpty());
    // Some lessons have no recording to watch.
    int unrecorded = 0;
    for (const QJsonValue &lesson : oldestFirst)
        unrecorded += lesson.toObject().value("videoId").toString().isEmpty() ? 1 : 0;
    QCOMPARE(unrecorded, 5);
}

void TestReviewScene::recordingsPlayTheClip()
{
    if (!m_scene->clipReady()) {
        QSignalSpy made(m_scene, &ReviewScene::clipMade);
        QVERIFY(made.wait(30000));
    }
    QVERIFY(bodyOf(m_scene->videoUrlReply("nothing")).isEmpty());
    VideoPlayView player;
    connect(m_http->client, &HttpClientManager::signalGetVideoList, &player, &VideoPlayView::slotGetVideoLists);
    player.show();
    m_http->client->sendGetVideoUrl("review-801-2", g_userId, g_loginSignId);
    QTRY_COMPARE(player.playListLayout()->count(), 2);
    QCOMPARE(player.url(), m_scene->clipUrl());
    QTRY_COMPARE_WITH_TIMEOUT(player.player()->state(), VlcPlayer::Playing, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(player.player()->imageCount() > 0, 20000);
    QCOMPARE(player.player()->currentImage().size(), QSize(640, 360));
}

void TestReviewScene::recordingIsLeftOnceAndUploads()
{
    TempWorkDir data;
    QString name;
    {
        ClassroomSandbox sandbox;
        sandbox.setDataDir(data.path());
        QVERIFY(sandbox.start());
        name = ReviewScene::of(&sandbox)->seededRecording();
    }
    QVERIFY(!name.isEmpty());
    QVERIFY(TransferRecordView::recordFileTime(name, "901"));
    QVERIFY(QFile::exists(data.filePath("media/" + name)));
    QCOMPARE(QDir::currentPath(), data.path());

    // A second run leaves no second recording.
    ClassroomSandbox sandbox;
    sandbox.setDataDir(data.path());
    QVERIFY(sandbox.start());
    QCOMPARE(ReviewScene::of(&sandbox)->seededRecording(), name);
    QCOMPARE(QDir("media").entryList(QDir::Files).size(), 1);
    TransferFile stored;
    stored.setId(name + "@901");
    QVERIFY(TransferFileDao().selectTransferFileById(stored));
    QCOMPARE(stored.getClassTitle(), sandbox.lessons().first().title);

    // The lecturer signs in on the classroom connection; the recordings window uploads to the file scene.
    SocketClientManager socket(GlobalEnum::User0);
    socket.setHostAndPort("127.0.0.1", sandbox.classroomPort());
    const ClassroomSandbox::Account lecturer = sandbox.accounts().value(1);
    socket.connectServerAndLogin(lecturer.userCode, lecturer.password);
    QTRY_VERIFY_WITH_TIMEOUT(socket.isConnected(), 10000);
    SocketClientManager *previous = g_socketClientManager;
    g_socketClientManager = &socket;
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(FileScene::of(&sandbox)->filePort());
    g_userName = lecturer.userName;
    QSignalSpy uploaded(FileScene::of(&sandbox), &FileScene::uploadFinished);
    FakeHttpServer *files = FileScene::of(&sandbox)->fileServer();
    {
        TransferRecordView records;
        records.refreshRecordList(true);
        TransferInfo row;
        row.setId(name);
        QVERIFY(records.recordTreeView()->selectRow(row));
        // The first range waits until the lecturer asks for the recorded lessons, where the progress shows.
        QTRY_COMPARE_WITH_TIMEOUT(files->heldCount(), 1, 20000);
        QVERIFY(uploaded.isEmpty());
        m_http->client->setDnsUrl(sandbox.http()->hostAndPort());
        m_http->client->sendCourseReview("all", 1);
        QVERIFY(uploaded.wait(60000));
        QCOMPARE(files->heldCount(), 0);
        m_http->client->setDnsUrl(m_sandbox->http()->hostAndPort());
        QCOMPARE(uploaded.first().at(1).toString(), name);
        QCOMPARE(uploaded.first().at(4).toByteArray().size(), int(QFileInfo("media/" + name).size()));
        QTRY_VERIFY_WITH_TIMEOUT(
            records.recordTreeView()->selectRow(row) && row.getStatus() == TransferInfo::Uploaded, 20000);
        QVERIFY(!QFile::exists("media/" + name));
    }
    g_socketClientManager = previous;
    NetworkEngineThread::flush();
}

QTEST_MAIN(TestReviewScene)
#include "tst_reviewscene.moc"
