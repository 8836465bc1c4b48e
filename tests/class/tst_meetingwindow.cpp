#include "platform/devicecatalog/fakedevicecatalog.h"
#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/centerview.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/devicesetmini.h"
#include "vrek/viewui/menubutton.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QStackedWidget>
#include <QtTest>

namespace {
const char *const participants = R"(3	[{"userId":"H","userName":"王老师","userType":"0"},)"
                                 R"({"userId":"S1","userName":"李小明","userType":"1"},)"
                                 R"({"userId":"P1","userName":"张小红","userType":"1"}])";

MediaView3 *meetingPanel(TeacherClassView &view)
{
    return dynamic_cast<MediaView3 *>(view.mediaView());
}

int cameraState(const QString &userId)
{
    UserInfo userInfo;
    g_userInfoHash.selectUserInfo(userId, userInfo);
    return userInfo.getCameraState();
}
} // namespace

// The meeting window builds the meeting panel in its courseware area and the device panel, and connects them to
// the participant list, the menu bar, the tip bar and the classroom connection.
class TestMeetingWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void meetingPanelTakesTheCourseArea();
    void cameraButtonsOfTheHostOnly_data();
    void cameraButtonsOfTheHostOnly();
    void menuStartsTheMeeting();
    void tipsReachTheTipBar();
    void lecturerLeavingOrConnectionLostStopsThePulls();
    void deviceQuestionsAnswered();
    void noMeetingNoPanels();
    void schoolWindowHandsItsPanelsPush_data();
    void schoolWindowHandsItsPanelsPush();

private:
    TempWorkDir *m_work = nullptr;
    ClassroomLink *m_link = nullptr;
    UserInfoManager *m_users = nullptr;
    std::shared_ptr<FakeDeviceCatalog::Machine> m_machine;
};

void TestMeetingWindow::initTestCase()
{
    m_work = new TempWorkDir;
    SettingConfig::getSetting();
    m_machine = std::make_shared<FakeDeviceCatalog::Machine>();
    m_machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    m_machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(m_machine));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_users = m_link->users();
}

void TestMeetingWindow::cleanupTestCase()
{
    delete m_link;
    DeviceCatalog::setFactory(nullptr);
    delete m_work;
}

void TestMeetingWindow::init()
{
    g_userInfoHash.clear();
    g_userId = "S1";
    g_userType = 3;
    g_lectId = "H";
    g_classType = 5;
    g_classId = "class3104";
    g_webrtcHost = "127.0.0.1";
    g_webrtcPort = 1;
    g_mediaHost.clear();
    g_mediaPort = 0;
    m_link->clear();
    m_link->server().clearLines();
}

void TestMeetingWindow::meetingPanelTakesTheCourseArea()
{
    TeacherClassView view;
    MediaView3 *panel = meetingPanel(view);
    QVERIFY(panel);
    // On the courseware area's meeting page, which a meeting starts on.
    QStackedWidget *pages = view.centerView()->pageStackedWidget();
    QCOMPARE(panel->parentWidget(), pages->widget(CenterView::PageConference));
    QCOMPARE(pages->currentIndex(), int(CenterView::PageConference));
    QCOMPARE(g_mediaHost, QString("127.0.0.1"));
    QCOMPARE(g_mediaPort, quint16(1));
    QVERIFY(m_link->sent().contains("18\tS1\t\t3"));

    QVERIFY(view.deviceSetMini());
    QCOMPARE(view.deviceSetMini()->pushStreamInterface(), panel->getPushStreamInterface());
    QCOMPARE(view.deviceTitle()->title(), QString("设备检测"));
    QCOMPARE(view.deviceTitle()->titleFlags(), 70);
    QVERIFY(view.deviceTitle()->isHidden());
}

void TestMeetingWindow::cameraButtonsOfTheHostOnly_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("state");
    QTest::newRow("host") << 2 << 3;
    QTest::newRow("participant") << 3 << 0;
}

void TestMeetingWindow::cameraButtonsOfTheHostOnly()
{
    QFETCH(int, userType);
    QFETCH(int, state);
    g_userType = userType;
    g_userId = userType == 2 ? "H" : "S1";
    TeacherClassView view;
    m_link->server().sendLine(participants);
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("P1"));
    m_link->server().sendLine("18\tP1\tP1s\t1");
    QTRY_VERIFY(meetingPanel(view)->pullStreamManager()->verifyUserStreamId("P1"));
    QCOMPARE(cameraState("P1"), state);
}

void TestMeetingWindow::menuStartsTheMeeting()
{
    g_userType = 2;
    g_userId = "H";
    TeacherClassView view;
    auto *start = view.menuView()->findChild<MenuButton *>("startButton");
    QVERIFY(start->isVisibleTo(view.menuView()));
    start->click();
    MediaView3 *panel = meetingPanel(view);
    QCOMPARE(panel->classState(), 0);
    QCOMPARE(panel->videoView3()->mainUserId(), QString("H"));
    QCOMPARE(start->buttonText(), QString("结束会议"));
    QVERIFY(!start->isEnabled());
    // The push to a server that is not there fails: the meeting ends and can be started again.
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 20000);
    QCOMPARE(start->buttonText(), QString("开始会议"));
    QCOMPARE(panel->classState(), 1);
}

void TestMeetingWindow::tipsReachTheTipBar()
{
    TeacherClassView view;
    meetingPanel(view)->pullStreamResultIn(true, true, "H", QString());
    QCOMPARE(view.tipWidget()->text(), QString("参会成功"));
}

void TestMeetingWindow::lecturerLeavingOrConnectionLostStopsThePulls()
{
    TeacherClassView view;
    MediaView3 *panel = meetingPanel(view);
    m_link->server().sendLine("11\t0\t3$0$H$$Hs$0$$");
    QTRY_COMPARE(panel->classState(), 0);
    emit m_users->signalLectIdOffline("H");
    QCOMPARE(panel->classState(), 1);
    QVERIFY(!panel->pullStreamManager()->getPullUserState("H"));

    m_link->server().sendLine("11\t0\t3$0$H$$Hs$0$$");
    QTRY_COMPARE(panel->classState(), 0);
    view.clientOffline();
    QCOMPARE(panel->classState(), 1);
}

void TestMeetingWindow::deviceQuestionsAnswered()
{
    TeacherClassView view;
    // The lecturer shows up in the first list: he is told the devices.
    m_link->server().sendLine(participants);
    QCOMPARE(m_link->server().waitForLine("11\t1\tH\t4$"), QString("11\t1\tH\t4$1$S1$1$1\t0"));
    // And asked again, answered again.
    m_link->server().sendLine("11\t0\t4$0$H$1$1");
    QCOMPARE(m_link->server().waitForLine("11\t1\tH\t4$"), QString("11\t1\tH\t4$1$S1$1$1\t0"));
}

void TestMeetingWindow::noMeetingNoPanels()
{
    g_classType = 4;
    MessageCollector messages;
    TeacherClassView view;
    QCOMPARE(messages.count("classType unknown error! classType: 4"), 1);
    QVERIFY(!view.mediaView());
    QVERIFY(!view.deviceSetMini());
    QVERIFY(view.centerView()
                ->pageStackedWidget()
                ->widget(CenterView::PageConference)
                ->findChildren<QWidget *>()
                .isEmpty());
    // A school window without a media panel has no device panel either.
    g_userType = 1;
    g_classType = 9;
    SchoolClassView school;
    QVERIFY(!school.mediaView());
    QVERIFY(!school.deviceSetMini());
}

void TestMeetingWindow::schoolWindowHandsItsPanelsPush_data()
{
    QTest::addColumn<int>("classType");
    QTest::newRow("WebRTC lesson") << 4;
    QTest::newRow("RTMP lesson") << 6;
}

void TestMeetingWindow::schoolWindowHandsItsPanelsPush()
{
    QFETCH(int, classType);
    g_userType = 1;
    g_classType = classType;
    SchoolClassView school;
    QVERIFY(school.mediaView());
    QVERIFY(school.deviceSetMini());
    QCOMPARE(school.deviceSetMini()->pushStreamInterface(), school.mediaView()->getPushStreamInterface());
    QCOMPARE(school.deviceTitle()->title(), QString("设备检测"));
    QVERIFY(school.deviceTitle()->isHidden());
}

QTEST_MAIN(TestMeetingWindow)
#include "tst_meetingwindow.moc"
