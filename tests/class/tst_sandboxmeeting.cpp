#include "platform/devicecatalog/fakedevicecatalog.h"
#include "sandbox/classroomsandbox.h"
#include "sandbox/devicescene.h"
#include "sandbox/meetingscene.h"
#include "sandbox/streamteacherscene.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoview4.h"
#include "vrek/media/panels/videoviewone.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
constexpr int waitMs = 60000;

QImage shown(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

// The picture's middle is mostly of the channel's colour (the published pictures are of one colour).
bool middleIs(const QLabel *label, Qt::GlobalColor colour)
{
    const QImage image = shown(label);
    if (image.isNull())
        return false;
    const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
    const int red = middle.red(), green = middle.green(), blue = middle.blue();
    return colour == Qt::green ? green > red + 40 && green > blue + 40 : blue > red + 40 && blue > green + 40;
}

// A moving test picture has many colours; the no-camera picture and the published single colours do not.
bool isTestPicture(const QLabel *label)
{
    const QImage image = shown(label).scaled(32, 24);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xf0f0f0);
    }
    return colours.size() > 12;
}
} // namespace

// The sandbox's meeting from a participant's seat, with the whole program in this process: the host in the main
// picture, the two members in the strip, one of them on stage and off again, the own push announced and the
// device question answered.
class TestSandboxMeeting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void participantInTheMeeting();

private:
    SandboxClient *m_client = nullptr;
    MeetingScene *m_scene = nullptr;
    DeviceScene *m_devices = nullptr;
};

void TestSandboxMeeting::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_scene = m_client->sandbox()->findChild<MeetingScene *>();
    m_devices = m_client->sandbox()->findChild<DeviceScene *>();
    QVERIFY(m_scene && m_devices);
    QVERIFY2(m_client->sandbox()->findChild<StreamTeacherScene *>()->rtmpServer(), "the sandbox has its RTMP server");
    // No other scene's lesson has the meeting's class id.
    QCOMPARE(
        m_client->sandbox()->lessonByClassId(MeetingScene::meeting().tClass()).title, MeetingScene::meeting().title);
    m_scene->setStep(0);
    // The participant pushes generated pictures and sound; the machine has one microphone and one camera.
    SettingConfig &settings = SettingConfig::getSetting();
    settings.setValue("AudioDevice/Micro", "lavfi:sine=frequency=330:sample_rate=44100");
    settings.setValue("CameraDevice/name", "lavfi:testsrc=size=160x120:rate=10");
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
}

void TestSandboxMeeting::cleanupTestCase()
{
    DeviceCatalog::setFactory(nullptr);
    delete m_client;
}

void TestSandboxMeeting::participantInTheMeeting()
{
    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_client->sandbox()->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
    ClassListWidget *all = application.ensureCourseList()->selectClassView()->pages().first();
    QTRY_COMPARE_WITH_TIMEOUT(all->cards().size(), m_client->sandbox()->lessons().size(), waitMs);
    ClassInfoWidget *card = nullptr;
    for (ClassInfoWidget *listed : all->cards()) {
        if (listed->groupInfo().getTitle() == MeetingScene::meeting().title)
            card = listed;
    }
    QVERIFY(card);
    QTest::mouseClick(card->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageTeacherClass), waitMs);
    QCOMPARE(g_userType, 3);
    auto *view = qobject_cast<TeacherClassView *>(application.classWindow()->centerWidget());
    QVERIFY(view);
    auto *panel = dynamic_cast<MediaView3 *>(view->mediaView());
    QVERIFY(panel);
    VideoView3 *main = panel->videoView3();
    VideoView4 *strip = panel->videoView4();

    // The host in the main picture, his moving test picture arriving.
    const QString host = MeetingScene::meeting().teacherId;
    QTRY_COMPARE_WITH_TIMEOUT(main->mainUserId(), host, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(isTestPicture(main->bigLabel()), waitMs);
    // The two members in the strip, each in his colour.
    const QList<ClassroomSandbox::Participant> members = MeetingScene::members();
    const QString green = members.at(0).userId;
    const QString blue = members.at(1).userId;
    QTRY_VERIFY_WITH_TIMEOUT(strip->containsUserId(green) && strip->containsUserId(blue), waitMs);
    uint greenTile = 0, blueTile = 0;
    QVERIFY(strip->selectUserIdHash(green, greenTile) && strip->selectUserIdHash(blue, blueTile));
    QTRY_VERIFY_WITH_TIMEOUT(middleIs(strip->tile(int(greenTile))->pictureLabel(), Qt::green), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(middleIs(strip->tile(int(blueTile))->pictureLabel(), Qt::blue), waitMs);

    // The host puts the green member on stage: he leaves the strip for the sub picture.
    m_scene->sendOnStage();
    QTRY_COMPARE_WITH_TIMEOUT(main->subUserId(), green, waitMs);
    QVERIFY(!strip->containsUserId(green));
    QTRY_VERIFY_WITH_TIMEOUT(middleIs(main->smallLabel(), Qt::green), waitMs);
    QCOMPARE(main->mainUserId(), host);
    m_scene->sendOffStage();
    QTRY_VERIFY_WITH_TIMEOUT(main->subUserId().isEmpty(), waitMs);

    // The own push was announced to the server, and the host's device question answered.
    QTRY_VERIFY_WITH_TIMEOUT(m_scene->announcedPushIds().contains(g_pushStreamId), waitMs);
    const QString answer = QString("4$1$%1$1$1").arg(m_client->sandbox()->account().userId);
    QTRY_VERIFY_WITH_TIMEOUT(m_devices->answers().contains(answer), waitMs);

    // Leaving asks first.
    QTest::mouseClick(application.classWindow()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->logoutTitle()->isVisible(), waitMs);
    QCOMPARE(view->logoutView()->text(), QString("确定退出会议吗?"));
    QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), waitMs);
}

QTEST_MAIN(TestSandboxMeeting)
#include "tst_sandboxmeeting.moc"
