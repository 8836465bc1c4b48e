#include "platform/devicecatalog/fakedevicecatalog.h"
#include "sandbox/classroomsandbox.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/window/titleview.h"

#include <QPushButton>
#include <QtTest>

namespace {
constexpr int waitMs = 60000;

// The kind of media panel the open class window holds: "webrtc", "rtmp", "meeting", or empty.
QString panelOf(QWidget *view)
{
    MediaViewInterface *media = nullptr;
    if (auto *school = qobject_cast<SchoolClassView *>(view))
        media = school->mediaView();
    else if (auto *teacher = qobject_cast<TeacherClassView *>(view))
        media = teacher->mediaView();
    if (dynamic_cast<MediaViewWebrtc *>(media))
        return "webrtc";
    if (dynamic_cast<MediaView *>(media))
        return "rtmp";
    if (dynamic_cast<MediaView3 *>(media))
        return "meeting";
    return QString();
}

} // namespace

// Every kind of lesson the sandbox holds, from the course list in, out through the leave dialog and in again.
class TestSandboxEntries : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void enterLeaveEnterAgain_data();
    void enterLeaveEnterAgain();

private:
    SandboxClient *m_client = nullptr;
};

void TestSandboxEntries::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_client->keepClassroomQuiet();
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
}

void TestSandboxEntries::cleanupTestCase()
{
    DeviceCatalog::setFactory(nullptr);
    delete m_client;
}

void TestSandboxEntries::enterLeaveEnterAgain_data()
{
    QTest::addColumn<int>("lessonType");
    QTest::addColumn<int>("stage");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("leaveText");
    QTest::newRow("WebRTC lesson") << 4 << int(ZephApplication::StageSchoolClass) << "webrtc"
                                   << "确定退出课堂吗?";
    QTest::newRow("RTMP lesson") << 6 << int(ZephApplication::StageSchoolClass) << "rtmp"
                                 << "确定退出会议吗?";
    QTest::newRow("meeting") << 5 << int(ZephApplication::StageTeacherClass) << "meeting"
                             << "确定退出会议吗?";
}

void TestSandboxEntries::enterLeaveEnterAgain()
{
    QFETCH(int, lessonType);
    QFETCH(int, stage);
    QFETCH(QString, panel);
    QFETCH(QString, leaveText);
    const QString title = m_client->sandbox()->firstLessonOfType(lessonType).title;
    QVERIFY2(!title.isEmpty(), "the sandbox holds a lesson of the type");

    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_client->sandbox()->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
    for (int entry = 0; entry < 2; ++entry) {
        QTRY_VERIFY_WITH_TIMEOUT(SandboxClient::courseCard(application, title) && application.classManagerView()->isEnabled(), waitMs);
        QTest::mouseClick(SandboxClient::courseCard(application, title)->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(application.stage(), stage, waitMs);
        QCOMPARE(g_classType, lessonType);
        QWidget *view = application.classWindow()->centerWidget();
        QVERIFY(view);
        QCOMPARE(panelOf(view), panel);
        QVERIFY(view->isEnabled());

        QTest::mouseClick(application.classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
        LogoutView *leave = SandboxClient::leaveDialogOf(view);
        QTRY_VERIFY_WITH_TIMEOUT(leave->window()->isVisible(), waitMs);
        QCOMPARE(leave->text(), leaveText);
        QCOMPARE(application.stage(), stage);
        QTest::mouseClick(leave->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_client->sandbox()->joinedLesson().title.isEmpty(), waitMs);
    }
}

QTEST_MAIN(TestSandboxEntries)
#include "tst_sandboxentries.moc"
