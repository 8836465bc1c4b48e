#include "sandbox/classroomsandbox.h"
#include "sandbox/coursefilescene.h"
#include "tests/course/storeduserfile.h"
#include "tests/support/sandboxlesson.h"
#include "tests/support/signalrecorder.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/course/coursefileview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QImage>
#include <QProcess>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

namespace {
QString formatRecord(const QVariant &value, bool &handled)
{
    handled = value.userType() == qMetaTypeId<CtrlMessage::LateCtrlType>();
    return handled ? QString::number(quint32(value.value<CtrlMessage::LateCtrlType>())) : QString();
}

QString folderOf(const QString &fileIdAll)
{
    return QString("fileRecv/%1/%2").arg(g_userId, fileIdAll);
}
} // namespace

// The sandbox's teacher shares the course files after the join; the course file panel with its transfer list
// downloads them over a real classroom connection into the user's folder and the database.
class TestCourseFileScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sharedFilesArriveAfterTheJoin();
    void deckScriptAnswers();
    void pictureDeckAndClip();

private:
    TempWorkDir *m_dir = nullptr;
    NetworkEngineThread *m_network = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    CourseFileScene *m_scene = nullptr;
    SocketClientManager *m_connection = nullptr;
    CourseFileView *m_view = nullptr;
    SignalRecorder *m_recorder = nullptr;
};

void TestCourseFileScene::initTestCase()
{
    m_dir = new TempWorkDir();
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    QVERIFY(TransferFileDao::initial());

    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_scene = m_sandbox->findChild<CourseFileScene *>();
    QVERIFY(m_scene);
    m_scene->setShareDelay(0);

    const ClassroomSandbox::Account account = m_sandbox->account();
    enterSandboxLesson(*m_sandbox);

    m_connection = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_connection;
    m_connection->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    m_view = new CourseFileView();
    m_recorder = new SignalRecorder(m_view);
    m_recorder->setFormatter(formatRecord);
    m_recorder->ignore({ "signalCourseFileStatus" });
    m_connection->connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), 10000);
    m_connection->sendJoinGroupRequest();
}

void TestCourseFileScene::cleanupTestCase()
{
    delete m_recorder;
    delete m_view;
    g_socketClientManager = nullptr;
    delete m_connection;
    delete m_sandbox;
    delete m_network;
    delete m_dir;
}

void TestCourseFileScene::sharedFilesArriveAfterTheJoin()
{
    // The video is made at start; the teacher waits for it.
    QTRY_VERIFY_WITH_TIMEOUT(m_scene->isReady(), 90000);
    const QStringList ids = m_scene->fileIds();
    QCOMPARE(ids.size(), 3);
    for (const QString &id : ids)
        QTRY_VERIFY_WITH_TIMEOUT(
            m_recorder->emitted().contains(QString("signalFileDownloadFinish(%1)").arg(id)), 30000);

    const QStringList names { "分数的初步认识.pptx", "分数练习题.pdf", "分数动画.mp4" };
    const QList<int> counts { 1, 3, 1 };
    for (int i = 0; i < ids.size(); ++i) {
        QVERIFY(m_recorder->emitted().contains(QString("signalAddCourseFileOut(%1,%2)").arg(ids.at(i), names.at(i))));
        QVERIFY(QFileInfo(folderOf(ids.at(i))).isDir());
        const StoredUserFile row = storedUserFile(ids.at(i) + "@" + g_userId);
        QCOMPARE(row.status, 2);
        QCOMPARE(row.fileCount, counts.at(i));
    }
    // Stored files offered again count only for a late joiner.
    m_recorder->clear();
    m_sandbox->classroom()->sendLines(m_scene->shareLines());
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->emitted().count("signalLateCountInc(0)"), 3, 10000);
}

void TestCourseFileScene::deckScriptAnswers()
{
    const QString folder = folderOf(m_scene->fileIds().value(0));
    QVERIFY(QFileInfo::exists(folder + "/data/pres/outline.xml"));
    QCOMPARE(QImage(folder + "/data/pres/sb1.jpg").size(), QSize(960, 540));
    QWebPage page;
    QSignalSpy loaded(&page, &QWebPage::loadFinished);
    page.mainFrame()->load(QUrl::fromLocalFile(QFileInfo(folder + "/index.html").absoluteFilePath()));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 20000);
    QVERIFY(loaded.first().first().toBool());
    QWebFrame *frame = page.mainFrame();
    QCOMPARE(frame->evaluateJavaScript("Presentation.CurrentStatus()").toString(), QString("1:0"));
    QCOMPARE(frame->evaluateJavaScript("Presentation.ClickCount()").toInt(), 1);
    frame->evaluateJavaScript("Presentation.JumpToAnim(2, 2)");
    QCOMPARE(frame->evaluateJavaScript("Presentation.CurrentStatus()").toString(), QString("2:2"));
    frame->evaluateJavaScript("Presentation.Prev()");
    QCOMPARE(frame->evaluateJavaScript("Presentation.CurrentStatus()").toString(), QString("2:1"));
    frame->evaluateJavaScript("Presentation.JumpToAnim(0, 9)");
    QCOMPARE(frame->evaluateJavaScript("Presentation.CurrentStatus()").toString(), QString("3:0"));
}

void TestCourseFileScene::pictureDeckAndClip()
{
    const QString pictures = folderOf(m_scene->fileIds().value(1));
    QImage first;
    for (int page = 1; page <= 3; ++page) {
        const QImage image(QString("%1/page_%2.jpg").arg(pictures).arg(page));
        QCOMPARE(image.size(), QSize(800, 1100));
        if (page == 1)
            first = image;
        else
            QVERIFY(image != first);
    }

    QProcess probe;
    probe.start("ffprobe",
        { "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_name:format=duration", "-of",
            "default=noprint_wrappers=1", folderOf(m_scene->fileIds().value(2)) + "/clip.mp4" });
    QVERIFY(probe.waitForFinished(30000));
    const QString output = QString::fromUtf8(probe.readAllStandardOutput());
    QVERIFY2(output.contains("codec_name=h264"), qPrintable(output));
    const double seconds = output.section("duration=", 1).section('\n', 0, 0).toDouble();
    QVERIFY2(qAbs(seconds - 10.0) < 0.5, qPrintable(output));
}

QTEST_MAIN(TestCourseFileScene)
#include "tst_coursefilescene.moc"
