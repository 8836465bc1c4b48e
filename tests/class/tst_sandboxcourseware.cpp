// A whole lesson's courseware in the sandbox from the student's seat, the client running in this process: the
// shared files as tiles, the teacher's HTML deck at the teacher's slide with the stroke on it, the board, the course
// video with its pause and seek, and, entering the lesson again, the lecturer's replay with its counts.
#include "sandbox/classroomsandbox.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/coursevideoscene.h"
#include "sandbox/latereplayscene.h"
#include "sandbox/lessonscriptscene.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/course/centerview.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/drawcourseview.h"
#include "vrek/course/htmlcoursemanager.h"
#include "vrek/course/htmlcourseview.h"
#include "vrek/course/videocoursemanager.h"
#include "vrek/course/videocourseview.h"
#include "vrek/paint/drawboard.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/window/titleview.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

namespace {
constexpr int waitMs = 30000;
constexpr int scriptStartMs = 4000;
// The teacher's pen over white: a red well away from grey.
bool isPen(QRgb pixel)
{
    return qRed(pixel) > 200 && qRed(pixel) - qGreen(pixel) > 60 && qRed(pixel) - qBlue(pixel) > 60;
}

int penPixels(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += isPen(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

bool holds(const QSignalSpy &spy, const QString &part)
{
    for (const QVariantList &arguments : spy) {
        if (arguments.value(0).toString().contains(part))
            return true;
    }
    return false;
}
} // namespace

class TestSandboxCourseware : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lessonThenLateEntry();

private:
    SchoolClassView *enter(ZephApplication &application);
    void leave(ZephApplication &application, SchoolClassView *view);

    SandboxClient *m_client = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
};

void TestSandboxCourseware::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_sandbox = m_client->sandbox();
    m_sandbox->findChild<CourseFileScene *>()->setShareDelay(0);
    m_sandbox->findChild<LessonScriptScene *>()->setPace(scriptStartMs, 600);
    m_sandbox->findChild<CourseVideoScene *>()->setPace(500, 2500);
}

void TestSandboxCourseware::cleanupTestCase()
{
    delete m_client;
}

SchoolClassView *TestSandboxCourseware::enter(ZephApplication &application)
{
    ClassListWidget *all = application.ensureCourseList()->selectClassView()->pages().first();
    if (!QTest::qWaitFor([all] { return !all->cards().isEmpty(); }, waitMs))
        return nullptr;
    QTest::mouseClick(all->cards().at(0)->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    if (!QTest::qWaitFor([&application] { return application.stage() == ZephApplication::StageSchoolClass; }, waitMs))
        return nullptr;
    return qobject_cast<SchoolClassView *>(application.classWindow()->centerWidget());
}

void TestSandboxCourseware::leave(ZephApplication &application, SchoolClassView *view)
{
    QTest::mouseClick(application.classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->logoutTitle()->isVisible(), waitMs);
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
}

void TestSandboxCourseware::lessonThenLateEntry()
{
    auto *courseFiles = m_sandbox->findChild<CourseFileScene *>();
    auto *replay = m_sandbox->findChild<LateReplayScene *>();
    QSignalSpy script(m_sandbox->findChild<LessonScriptScene *>(), &LessonScriptScene::played);
    QSignalSpy video(m_sandbox->findChild<CourseVideoScene *>(), &CourseVideoScene::played);
    QSignalSpy videoDone(m_sandbox->findChild<CourseVideoScene *>(), &CourseVideoScene::finished);
    QSignalSpy replayEnded(replay, &LateReplayScene::replayEnded);
    // The clip is made at the sandbox's start; the teacher shares once it is there.
    QTRY_VERIFY_WITH_TIMEOUT(courseFiles->isReady(), 90000);

    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
    SchoolClassView *view = enter(application);
    QVERIFY(view);
    view->resize(1400, 900);
    CenterView *center = view->centerView();

    // The joiner asked for the lesson's state at once and got it, counts and all.
    QTRY_COMPARE_WITH_TIMEOUT(replayEnded.size(), 1, waitMs);
    QCOMPARE(replay->acknowledgedCounts(), replay->sentCounts());

    // The shared files as tiles.
    QTRY_COMPARE_WITH_TIMEOUT(center->courseButtons().size(), 3, waitMs);
    const QStringList ids = courseFiles->fileIds();
    for (const QString &id : ids)
        QVERIFY(center->courseButton(id));

    // The deck at the teacher's slide, with the underline drawn on it.
    HtmlCourseView *html = center->htmlView();
    QTRY_VERIFY_WITH_TIMEOUT(holds(script, "@" + ids.value(0) + ":1:1:"), waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(center->currentCourseType(), 2, waitMs);
    QCOMPARE(center->courseStackedWidget()->currentIndex(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(html->manager()->isLoaded(), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(html->webView()
                                 ->page()
                                 ->mainFrame()
                                 ->evaluateJavaScript("Presentation.CurrentStatus()")
                                 .toString()
                                 .startsWith("2:"),
        waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(penPixels(html->board()) > 50, waitMs);

    // The board page with the teacher's circle.
    QTRY_COMPARE_WITH_TIMEOUT(center->pageStackedWidget()->currentIndex(), 1, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(penPixels(center->drawView()->board()) > 50, waitMs);

    // The course video: back on the courseware page, opened, paused, moved back while paused, played on.
    VideoCourseManager *player = center->videoView()->manager();
    QTRY_COMPARE_WITH_TIMEOUT(center->currentCourseType(), 3, waitMs);
    QCOMPARE(center->pageStackedWidget()->currentIndex(), 0);
    QCOMPARE(center->courseStackedWidget()->currentIndex(), 3);
    QCOMPARE(player->currentFileIdAll(), ids.value(2));
    QTRY_COMPARE_WITH_TIMEOUT(video.size(), 3, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(player->player()->state(), VlcPlayer::Paused, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(video.size(), 4, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player->player()->position() - CourseVideoScene::seekPositionMs) < 1000, waitMs);
    QCOMPARE(player->player()->state(), VlcPlayer::Paused);
    QTRY_VERIFY_WITH_TIMEOUT(videoDone.size() == 1, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(player->player()->state(), VlcPlayer::Playing, waitMs);
    // A student follows: nothing of the courseware went back to the class.
    for (const QString &line : m_sandbox->classroom()->lines())
        QVERIFY2(!QRegularExpression("^11\t0\t[^\t]*\t[05]\\$").match(line).hasMatch(), qPrintable(line));

    // Away and back: the lecturer replays the files, the stroke, the circle and the video to the late entry.
    leave(application, view);
    const int sentBefore = replay->sentCounts().size();
    QSignalSpy sharedAgain(courseFiles, &CourseFileScene::filesShared);
    const int scriptPlayed = script.size();
    const int videoPlayed = video.size();
    view = enter(application);
    QVERIFY(view);
    center = view->centerView();
    QTRY_COMPARE_WITH_TIMEOUT(replayEnded.size(), 2, waitMs);
    const QList<QPair<int, int>> counts = replay->sentCounts().mid(sentBefore);
    QCOMPARE(counts,
        (QList<QPair<int, int>> { { LateReplayScene::PhaseFiles, 3 }, { LateReplayScene::PhaseDrawings, 1 },
            { LateReplayScene::PhaseBoard, 1 } }));
    QCOMPARE(replay->acknowledgedCounts(), replay->sentCounts());
    QTRY_COMPARE_WITH_TIMEOUT(center->currentCourseType(), 3, waitMs);
    QCOMPARE(center->videoView()->manager()->currentFileIdAll(), ids.value(2));
    QCOMPARE(center->pageStackedWidget()->currentIndex(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(center->videoView()->manager()->player()->state(), VlcPlayer::Playing, waitMs);
    // The teacher does not teach the lesson again: a second lesson would start a pause after the files are shared,
    // on a timer of this thread set before a timer set now for twice as long.
    QTRY_VERIFY_WITH_TIMEOUT(!sharedAgain.isEmpty(), waitMs);
    bool due = false;
    QObject marker;
    QTimer::singleShot(2 * scriptStartMs, Qt::PreciseTimer, &marker, [&due] { due = true; });
    QTRY_VERIFY_WITH_TIMEOUT(due, 2 * scriptStartMs + waitMs);
    QCOMPARE(script.size(), scriptPlayed);
    QCOMPARE(video.size(), videoPlayed);
    QCOMPARE(center->currentCourseType(), 3);
    leave(application, view);
}

QTEST_MAIN(TestSandboxCourseware)
#include "tst_sandboxcourseware.moc"
