#include "sandbox/classpanelscene.h"
#include "sandbox/classroomsandbox.h"
#include "sandbox/stagescene.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/media/control/pushstreaminterface.h"
#include "vrek/media/panels/videoshowwebrtc.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>

namespace {
// The stage script in steps of 0.7 s: the classmate stays on stage for 14 s.
constexpr int stageStepMs = 700;
constexpr int waitMs = 60000;
} // namespace

// The program in the sandbox, signed in as the demo student: the lesson of class type 4 shows the teacher's
// stream in the WebRTC panel and answers the teacher's stage call; the lesson of class type 6 shows the teacher
// in the RTMP panel with a classmate on stage in the overlay, and pushes the student's own (generated) camera and
// microphone when the teacher asks.
class TestSandboxMedia : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void webrtcLessonShowsTheTeacherAndAnswersTheStageCall();
    void rtmpLessonShowsTheStage();

private:
    SchoolClassView *enter(qint64 lessonId);
    void leave(SchoolClassView *view);

    SandboxClient *m_client = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    StageScene *m_stage = nullptr;
    ZephApplication *m_application = nullptr;
};

void TestSandboxMedia::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_sandbox = m_client->sandbox();
    m_stage = m_sandbox->findChild<StageScene *>();
    QVERIFY(m_stage);
    m_stage->setStep(stageStepMs);
    QVERIFY2(m_sandbox->findChild<StreamTeacherScene *>()->rtmpServer(), "no RTMP server");
    // The teacher's quiz and roll call stay away from these lessons.
    m_sandbox->findChild<ClassPanelScene *>()->setStep(3600 * 1000);
    m_application = new ZephApplication;
    QVERIFY(m_application->run());
    SandboxClient::signIn(*m_application, m_sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), waitMs);
}

void TestSandboxMedia::cleanupTestCase()
{
    delete m_application;
    delete m_client;
}

SchoolClassView *TestSandboxMedia::enter(qint64 lessonId)
{
    ClassListWidget *all = m_application->ensureCourseList()->selectClassView()->pages().first();
    ClassInfoWidget *card = nullptr;
    const auto found = [&] {
        for (ClassInfoWidget *candidate : all->cards()) {
            if (candidate->groupInfo().getId() == QString::number(lessonId))
                card = candidate;
        }
        return card != nullptr;
    };
    if (!QTest::qWaitFor(found, waitMs))
        return nullptr;
    QTest::mouseClick(card->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    if (!QTest::qWaitFor([this] { return m_application->stage() == ZephApplication::StageSchoolClass; }, waitMs))
        return nullptr;
    return qobject_cast<SchoolClassView *>(m_application->classWindow()->centerWidget());
}

void TestSandboxMedia::leave(SchoolClassView *view)
{
    QTest::mouseClick(m_application->classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->logoutTitle()->isVisible(), waitMs);
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), waitMs);
}

void TestSandboxMedia::webrtcLessonShowsTheTeacherAndAnswersTheStageCall()
{
    const ClassroomSandbox::Lesson lesson = m_sandbox->lessons().first();
    QCOMPARE(lesson.lessonType, 4);
    SchoolClassView *view = enter(lesson.id);
    QVERIFY(view);
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view->mediaView());
    QVERIFY(panel);
    QVERIFY(view->rightWidget()->isAncestorOf(panel));
    // The panel set the (pretend) volumes.
    QCOMPARE(m_client->sound().microphone.volume, 60);

    // The teacher's moving test picture.
    QTRY_COMPARE_WITH_TIMEOUT(int(panel->userState()), int(MediaViewWebrtc::StudentWatching), waitMs);
    QLabel *label = panel->smallVideo()->label();
    QTRY_VERIFY_WITH_TIMEOUT(
        SandboxClient::differs(SandboxClient::shown(label), VideoShowWebrtc::defaultPicture()), waitMs);
    const QImage first = SandboxClient::shown(label);
    QTRY_VERIFY_WITH_TIMEOUT(SandboxClient::shown(label) != first, waitMs);

    // The stage call: no WebRTC library here, so the student says at once that its push failed.
    const QString pushId = panel->getPushStreamInterface()->getPushStreamId();
    QTRY_COMPARE_WITH_TIMEOUT(m_stage->answers().size(), 1, waitMs);
    QCOMPARE(m_stage->answers().first(),
        QString("11\t1\t%1\t3$17$%2$$%3$0$$\t0").arg(lesson.teacherId, m_sandbox->account().userId, pushId));
    // The teacher still plays.
    const QImage later = SandboxClient::shown(label);
    QTRY_VERIFY_WITH_TIMEOUT(SandboxClient::shown(label) != later, waitMs);
    QCOMPARE(int(panel->userState()), int(MediaViewWebrtc::StudentWatching));

    leave(view);
}

void TestSandboxMedia::rtmpLessonShowsTheStage()
{
    const ClassroomSandbox::Lesson lesson = StageScene::stageLesson();
    SchoolClassView *view = enter(lesson.id);
    QVERIFY(view);
    QCOMPARE(g_classType, 6);
    auto *panel = dynamic_cast<MediaView *>(view->mediaView());
    QVERIFY(panel);
    QSignalSpy played(m_stage, &StageScene::played);
    // The student's own camera and microphone are generated.
    PushStreamInterface *push = panel->getPushStreamInterface();
    push->setVideoDeviceName("lavfi:testsrc2=size=320x240:rate=15");
    push->setAudioDeviceName("lavfi:sine=frequency=330:sample_rate=44100");

    // The teacher's picture in the panel.
    VideoView *video = panel->videoView();
    QTRY_VERIFY_WITH_TIMEOUT(video->isMainStarted() && video->isVisible(), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        SandboxClient::differs(SandboxClient::shown(video->bigLabel()), VideoView::noCameraPicture())
            && SandboxClient::differs(SandboxClient::shown(video->bigLabel()), VideoView::defaultPicture()),
        waitMs);

    // The classmate on stage: the overlay with the classmate's picture and name.
    QTRY_VERIFY_WITH_TIMEOUT(video->isSubStarted(), waitMs);
    QCOMPARE(video->subName(), StageScene::classmate().userName);
    QVERIFY(video->smallLabel()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(
        SandboxClient::differs(SandboxClient::shown(video->smallLabel()), VideoView::noCameraPicture()), waitMs);
    // Swapped, the classmate fills the view.
    const QPoint overlay(video->width() - 5, video->height() - 5);
    QTest::mouseClick(video, Qt::LeftButton, Qt::NoModifier, overlay);
    QVERIFY(video->isFlipped());
    QTest::mouseClick(video, Qt::LeftButton, Qt::NoModifier, overlay);
    QVERIFY(!video->isFlipped());

    // The classmate leaves the stage; the teacher stays.
    QTRY_VERIFY_WITH_TIMEOUT(!video->isSubStarted(), waitMs);
    QVERIFY(video->smallLabel()->isHidden());
    QVERIFY(video->isMainStarted());

    // The student is called: its stream goes out and shows in the overlay under its own name, until the teacher
    // asks it off the stage.
    const QString pushId = push->getPushStreamId();
    const QString student = m_sandbox->account().userId;
    QTRY_COMPARE_WITH_TIMEOUT(m_stage->answers().size(), 1, waitMs);
    QCOMPARE(m_stage->answers().first(), QString("11\t0\t%1\t3$5$%2$$%3$0$$\t0").arg(lesson.tClass(), student, pushId));
    QTRY_VERIFY_WITH_TIMEOUT(video->isSubStarted(), waitMs);
    QCOMPARE(video->subName(), m_sandbox->account().userName);
    QTRY_VERIFY_WITH_TIMEOUT(
        SandboxClient::differs(SandboxClient::shown(video->smallLabel()), VideoView::noCameraPicture()), waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(played.size(), 4, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!video->isSubStarted(), waitMs);
    QVERIFY(!push->isPushingStream());
    QStringList steps;
    for (const QVariantList &arguments : played)
        steps.append(arguments.value(0).toString());
    QCOMPARE(steps, QStringList({ "classmate on", "classmate off", "student called", "student off" }));
    // Stopped on request, the push says nothing more.
    QCOMPARE(m_stage->answers().size(), 1);

    leave(view);
}

QTEST_MAIN(TestSandboxMedia)
#include "tst_sandboxmedia.moc"
