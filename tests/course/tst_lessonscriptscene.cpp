#include "sandbox/classroomsandbox.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/lessonscriptscene.h"
#include "tests/support/sandboxlesson.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/coursefileview.h"
#include "vrek/course/coursetoolview.h"
#include "vrek/course/drawcourseview.h"
#include "vrek/course/htmlcourseview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/course/picturecourseview.h"
#include "vrek/course/readcoursemessagemanager.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"
#include "vrek/socketclientmanager.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

namespace {
PPtMessage courseMessage(const QString &line)
{
    PPtMessage message;
    const QStringList fields = line.split('\t');
    if (fields.size() == 3 && fields.at(0) == "11" && fields.at(1) == "0")
        TSProtocolAnalysis::readPPtMessage(fields.at(2), message);
    return message;
}

// The shapes of one page of a file in a manager's layers.
QList<PointSet *> shapesOf(const PageCourseManager *manager, const QString &fileIdAll, quint32 pageId)
{
    QList<PointSet *> shapes;
    const GraphToIdHash &layers = manager->graphToIdHash();
    for (quint32 id : layers.graphSetIds()) {
        if (layers.selectUIntToFileIdAll(id) == fileIdAll && layers.selectPageId(id) == pageId)
            shapes += layers.selectGraphSet(id)->getPointSets().values();
    }
    return shapes;
}
} // namespace

// The sandbox teacher's lesson over its course files, played to a student whose courseware views are wired to a
// real classroom connection and the course message dispatch the way the center view wires them.
class TestLessonScriptScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void linesAreWhatTheTeachersClientWrites();
    void studentsCoursewareFollowsTheLesson();

private:
    void wireCourseware();
    void openFile(const QString &fileIdAll, GlobalEnum::PPMFromType from);

    TempWorkDir *m_dir = nullptr;
    NetworkEngineThread *m_network = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    LessonScriptScene *m_scene = nullptr;
    SocketClientManager *m_connection = nullptr;
    CourseFileView *m_files = nullptr;
    ReadCourseMessageManager *m_dispatch = nullptr;
    LateCtrlManager *m_late = nullptr;
    HtmlCourseView *m_html = nullptr;
    PictureCourseView *m_pictures = nullptr;
    DrawCourseView *m_board = nullptr;
    QStringList m_played;
    QList<int> m_uiTypes;
    QList<QPoint> m_scrolls;
    bool m_finished = false;
};

void TestLessonScriptScene::initTestCase()
{
    m_dir = new TempWorkDir();
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    QVERIFY(TransferFileDao::initial());

    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    m_sandbox->findChild<CourseFileScene *>()->setShareDelay(0);
    m_scene = m_sandbox->findChild<LessonScriptScene *>();
    QVERIFY(m_scene);
    m_scene->setPace(3000, 250);
    connect(m_scene, &LessonScriptScene::played, this, [this](const QString &line) { m_played << line; });
    connect(m_scene, &LessonScriptScene::finished, this, [this] { m_finished = true; });

    const ClassroomSandbox::Account account = m_sandbox->account();
    enterSandboxLesson(*m_sandbox);
    m_connection = new SocketClientManager(GlobalEnum::User1);
    g_socketClientManager = m_connection;
    m_connection->setHostAndPort("127.0.0.1", m_sandbox->classroomPort());
    wireCourseware();
    m_connection->connectServerAndLogin(account.userCode, account.password);
    QTRY_VERIFY_WITH_TIMEOUT(m_connection->isConnected(), 10000);
    m_connection->sendJoinGroupRequest();
}

void TestLessonScriptScene::cleanupTestCase()
{
    delete m_board;
    delete m_pictures;
    delete m_html;
    delete m_late;
    delete m_dispatch;
    delete m_files;
    g_socketClientManager = nullptr;
    delete m_connection;
    delete m_sandbox;
    delete m_network;
    delete m_dir;
}

void TestLessonScriptScene::openFile(const QString &fileIdAll, GlobalEnum::PPMFromType from)
{
    UserFile file;
    QVERIFY(g_courseFileHash.selectUserFile(fileIdAll, file));
    // As on the center view's pages, a view shows once its file is open.
    if (file.getCourseType() == 1) {
        QVERIFY(m_pictures->openPictureFile(fileIdAll, file.getFileName(), from));
        m_pictures->show();
    } else if (file.getCourseType() == 2) {
        QVERIFY(m_html->openHtmlFile(fileIdAll, file.getFileName(), from));
        m_html->show();
    }
}

void TestLessonScriptScene::wireCourseware()
{
    m_files = new CourseFileView();
    m_dispatch = new ReadCourseMessageManager();
    m_late = new LateCtrlManager(nullptr, m_connection);
    m_html = new HtmlCourseView(nullptr, 50);
    m_pictures = new PictureCourseView();
    m_board = new DrawCourseView();
    for (QWidget *view : std::initializer_list<QWidget *> { m_html, m_pictures, m_board })
        view->resize(1000, 700);
    m_board->show();
    ReadCourseMessageManager *d = m_dispatch;
    connect(m_connection, &SocketClientManager::readPPtMessage, d, &ReadCourseMessageManager::readPPtCourseMessage);
    connect(m_connection, &SocketClientManager::readCtrlMessage, m_late, &LateCtrlManager::readCtrlMessage);
    connect(m_late, &LateCtrlManager::signalChangeUIType, this, [this](int type) { m_uiTypes << type; });
    connect(m_files, &CourseFileView::signalFileDownloadFinish, d, &ReadCourseMessageManager::slotFileDownloadFinish);
    connect(d, &ReadCourseMessageManager::signalOpenFile, this, &TestLessonScriptScene::openFile);
    connect(
        d, &ReadCourseMessageManager::signalChangePicturePage, m_pictures, &PictureCourseView::signalChangePicturePage);
    connect(
        d, &ReadCourseMessageManager::signalChangePictureRate, m_pictures, &PictureCourseView::signalChangePictureRate);
    connect(d, &ReadCourseMessageManager::signalSetPicturePage, m_pictures, &PictureCourseView::signalSetPicturePage);
    connect(d, &ReadCourseMessageManager::signalSetPictureRate, m_pictures, &PictureCourseView::signalSetPictureRate);
    connect(
        d, &ReadCourseMessageManager::signalPictureDrawGraph, m_pictures, &PictureCourseView::signalPictureDrawGraph);
    connect(d, &ReadCourseMessageManager::signalPictureDrawGraphAll, m_pictures,
        &PictureCourseView::signalPictureDrawGraphAll);
    connect(d, &ReadCourseMessageManager::signalPictureScrollAreaMove, m_pictures,
        &PictureCourseView::signalPictureScrollAreaMove);
    connect(d, &ReadCourseMessageManager::signalChangeHtmlStep, m_html, &HtmlCourseView::signalChangeHtmlStep);
    connect(d, &ReadCourseMessageManager::signalChangeHtmlRate, m_html, &HtmlCourseView::signalChangeHtmlRate);
    connect(d, &ReadCourseMessageManager::signalSetHtmlStep, m_html, &HtmlCourseView::signalSetHtmlStep);
    connect(d, &ReadCourseMessageManager::signalSetHtmlRate, m_html, &HtmlCourseView::signalSetHtmlRate);
    connect(d, &ReadCourseMessageManager::signalHtmlDrawGraph, m_html, &HtmlCourseView::signalHtmlDrawGraph);
    connect(d, &ReadCourseMessageManager::signalHtmlDrawGraphAll, m_html, &HtmlCourseView::signalHtmlDrawGraphAll);
    connect(d, &ReadCourseMessageManager::signalHtmlScrollAreaMove, m_html, &HtmlCourseView::signalHtmlScrollAreaMove);
    connect(d, &ReadCourseMessageManager::signalBoardDrawGraph, m_board, &DrawCourseView::signalDrawDrawGraph);
    connect(d, &ReadCourseMessageManager::signalBoardDrawGraphAll, m_board, &DrawCourseView::signalDrawDrawGraphAll);
    connect(m_html->manager(), &HtmlCourseManager::signalScrollAreaMoveOut, this,
        [this](int x, int y) { m_scrolls << QPoint(x, y); });
}

void TestLessonScriptScene::linesAreWhatTheTeachersClientWrites()
{
    const QStringList lines = LessonScriptScene::scriptLines("d_2", "p_1", "T1");
    QList<int> types;
    for (const QString &line : lines) {
        const QStringList fields = line.split('\t');
        QCOMPARE(fields.size(), 3);
        if (fields.at(2).startsWith("2$")) {
            CtrlMessage control;
            QVERIFY(TSProtocolAnalysis::readCtrlMessage(fields.at(2), control));
            QCOMPARE(control.getCtType(), 2u);
            QCOMPARE(control.getUiCtrlType(), 1u);
            QCOMPARE(control.getPersonId(), QString("T1"));
            types << -1;
            continue;
        }
        PPtMessage message;
        QVERIFY2(TSProtocolAnalysis::readPPtMessage(fields.at(2), message), qPrintable(line));
        types << int(message.getPpmType());
        // What the teacher's client would write for the same message.
        QString written;
        QVERIFY(TSProtocolAnalysis::sendPPtMessage(message, written));
        QCOMPARE(written, fields.at(2));
    }
    QCOMPARE(types, (QList<int> { 0, 1, 1, 1, 2, 2, 2, 1, 9, 8, 0, 1, 1, -1, 6, 6, 6 }));
    const PPtMessage slideStroke = courseMessage(lines.at(6));
    QCOMPARE(slideStroke.getDrawSignal().getIsTemp(), 0u);
    QCOMPARE(courseMessage(lines.at(5)).getDrawSignal().getIsTemp(), 1u);
    QCOMPARE(slideStroke.getDrawControl().getFileIdAll(), QString("d_2"));
    QCOMPARE(slideStroke.getDrawControl().getPageId(), 1u);
    QCOMPARE(courseMessage(lines.at(8)).getRate(), 125);
    QCOMPARE(courseMessage(lines.at(9)).getPoint(), QPoint(120, 80));
    QCOMPARE(courseMessage(lines.at(16)).getDrawControl().getFileIdAll(), QString());
}

void TestLessonScriptScene::studentsCoursewareFollowsTheLesson()
{
    // The video is made at the sandbox's start; the teacher shares after it, then plays.
    QTRY_VERIFY_WITH_TIMEOUT(m_finished, 150000);
    const QStringList ids = m_sandbox->findChild<CourseFileScene *>()->fileIds();
    const QString deck = ids.value(0);
    const QString pictures = ids.value(1);
    QCOMPARE(m_played.size(), 17);

    // The HTML deck: slide 2 at step 2, zoomed to 125 %, its script at the same place, the stroke on slide 2.
    HtmlCourseManager *html = m_html->manager();
    QTRY_COMPARE_WITH_TIMEOUT(html->getStepId(), 2, 10000);
    QCOMPARE(html->fileIdAll(), deck);
    QCOMPARE(html->getPageId(), 1);
    QCOMPARE(html->rate(), 125);
    QVERIFY(html->isLoaded());
    QCOMPARE(m_html->webView()->page()->mainFrame()->evaluateJavaScript("Presentation.CurrentStatus()").toString(),
        QString("2:2"));
    QCOMPARE(m_html->findChild<QComboBox *>("rationComboBox")->currentText(), QString("125%"));
    QCOMPARE(m_html->findChild<QComboBox *>("pageComboBox")->itemText(0), QString("2/3"));
    const QList<PointSet *> onSlide = shapesOf(html, deck, 1);
    QCOMPARE(onSlide.size(), 1);
    QCOMPARE(onSlide.first()->pointCount(), 24);
    QVERIFY(shapesOf(html, deck, 0).isEmpty());
    QCOMPARE(m_scrolls.size(), 1);
    QCOMPARE(m_scrolls.first(), QPoint(int(120 * html->displayScale()), int(80 * html->displayScale())));
    // 960 x 540 in a centre area 960 wide, at 125 %.
    QCOMPARE(m_html->form().courseCenterWidget->width(), 960);
    QCOMPARE(html->displayScale(), 1.25);

    // The picture deck at its third page.
    QCOMPARE(m_pictures->manager()->fileIdAll(), pictures);
    QCOMPARE(m_pictures->manager()->getPageId(), 2);
    QCOMPARE(m_pictures->findChild<QComboBox *>("pageComboBox")->itemText(0), QString("3/3"));
    QVERIFY(!m_pictures->pictureLabel()->pixmap(Qt::ReturnByValue).isNull());

    // The board, shown by the lecturer's interface mode, with the teacher's circle.
    QCOMPARE(m_uiTypes, QList<int> { 1 });
    QTRY_COMPARE_WITH_TIMEOUT(m_board->board()->graphSet()->count(), 1, 10000);
    QCOMPARE(m_board->board()->graphSet()->getPointSets().first()->pointCount(), 31);

    // A student follows: nothing of it went back to the class.
    const QRegularExpression courseForward("^11\t0\t[^\t]*\t0\\$");
    for (const QString &line : m_sandbox->classroom()->lines())
        QVERIFY2(!courseForward.match(line).hasMatch(), qPrintable(line));
}

QTEST_MAIN(TestLessonScriptScene)
#include "tst_lessonscriptscene.moc"
