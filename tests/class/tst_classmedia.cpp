#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/class/classwindowtest.h"
#include "tests/support/classroomlink.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

namespace {
// The frame flags the application gives the class windows.
constexpr int classWindowFlags = 0x300408;

const char *const participants
    = R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},{"userId":"S1","userName":"李小明","userType":"1"},)"
      R"({"userId":"S2","userName":"张小红","userType":"1"}])";

bool cameraOn(const QString &id)
{
    UserInfo userInfo;
    return g_userInfoHash.selectUserInfo(id, userInfo) && userInfo.getCameraOn();
}
} // namespace

// The school class window builds the media panel of the lesson's class type and connects it to the participant
// panel, the participant manager, its tip bar and its own full-screen handlers.
class TestClassMedia : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void panelByClassType_data();
    void panelByClassType();
    void webrtcPanelWiring();
    void fullScreenFreesTheTitleBar();
    void teachersClassStartIsGrantedAtOnce();
    void rtmpPanelWiring();
    void offlineStopsThePulls();

private:
    ClassroomLink *m_link = nullptr;
    UserInfoManager *m_users = nullptr;
};

void TestClassMedia::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_users = m_link->users();
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
}

void TestClassMedia::cleanupTestCase()
{
    SoundControl::setFactory({});
    delete m_link;
}

void TestClassMedia::init()
{
    ClassWindowTest::enterStudentLesson();
    g_rtmpHost = "10.0.0.1";
    g_rtmpPort = 1935;
    g_webrtcHost = "10.0.0.2";
    g_webrtcPort = 1936;
    g_rtmpPushHost = "10.0.0.3";
    g_rtmpPushPort = 1937;
    m_link->clear();
}

void TestClassMedia::panelByClassType_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("mediaHost");
    QTest::addColumn<int>("mediaPort");
    for (int classType : { 0, 1, 2, 3, 4, 8 })
        QTest::addRow("%d", classType) << classType << "webrtc"
                                       << "10.0.0.2" << 1936;
    QTest::newRow("6") << 6 << "rtmp"
                       << "10.0.0.3" << 1937;
    QTest::newRow("7") << 7 << "rtmp"
                       << "10.0.0.3" << 1937;
    QTest::newRow("5") << 5 << ""
                       << "" << 0;
    QTest::newRow("-1") << -1 << ""
                        << "" << 0;
}

void TestClassMedia::panelByClassType()
{
    QFETCH(int, classType);
    QFETCH(QString, panel);
    QFETCH(QString, mediaHost);
    QFETCH(int, mediaPort);
    g_classType = classType;
    g_mediaHost.clear();
    g_mediaPort = 0;
    if (panel.isEmpty())
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QString("^classType unknown error! classType: %1$").arg(classType)));
    SchoolClassView view;
    QCOMPARE(g_mediaHost, mediaHost);
    QCOMPARE(int(g_mediaPort), mediaPort);
    MediaViewInterface *media = view.mediaView();
    QCOMPARE(dynamic_cast<MediaViewWebrtc *>(media) != nullptr, panel == "webrtc");
    QCOMPARE(dynamic_cast<MediaView *>(media) != nullptr, panel == "rtmp");
    if (auto *widget = dynamic_cast<QWidget *>(media))
        QVERIFY(view.rightWidget()->isAncestorOf(widget));
    // The steps after the panel cope without one.
    view.initialLater();
    view.clientOffline();
}

void TestClassMedia::webrtcPanelWiring()
{
    SchoolClassView view;
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view.mediaView());
    QVERIFY(panel);
    m_link->server().sendLine(participants);
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("S2"));

    emit panel->sendUserListCamState("S2", true);
    QVERIFY(cameraOn("S2"));
    emit panel->sendMessageBoxTipOut("上课成功", 5);
    QCOMPARE(view.tipWidget()->text(), QString("上课成功"));
    QVERIFY(view.tipWidget()->isVisibleTo(&view));

    // The participant panel's and the participant manager's events go through the panel to its controller.
    QSignalSpy closes(panel, &MediaViewWebrtc::signalUserAVClose);
    QSignalSpy onlines(panel, &MediaViewWebrtc::signalUserOnline);
    QSignalSpy offlines(panel, &MediaViewWebrtc::signalUserOffline);
    QSignalSpy relatives(panel, &MediaViewWebrtc::signalRelativeOnline);
    emit view.userInfoView()->signalSendAVClose("S2");
    emit m_users->signalUserIdOnline("S3");
    emit m_users->signalUserIdOffline("S3");
    UserInfo relative("P1", "家长", "5");
    relative.setAccountId("acc-P1");
    emit m_users->signalRelativeInfoOnline(relative);
    QCOMPARE(closes.value(0).value(0).toString(), QString("S2"));
    QCOMPARE(onlines.value(0).value(0).toString(), QString("S3"));
    QCOMPARE(offlines.value(0).value(0).toString(), QString("S3"));
    QCOMPARE(relatives.value(0).value(0).toString(), QString("acc-P1"));
    // A student's camera click asks nothing of the class.
    const int sent = m_link->forwards().size();
    emit view.userInfoView()->signalSendAVRequest("S2");
    QCOMPARE(m_link->forwards().size(), sent);
}

void TestClassMedia::fullScreenFreesTheTitleBar()
{
    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags | SchoolClassView::titleLockBits);
    view->initialLater();
    frame.show();
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view->mediaView());
    QVERIFY(panel);
    QTest::mouseClick(panel->findChild<QPushButton *>("fullScreen"), Qt::LeftButton);
    QVERIFY(view->isVideoFullScreen());
    QCOMPARE(frame.titleFlags() & SchoolClassView::titleLockBits, 0);
    QTRY_VERIFY(panel->fullTitle()->isVisible());

    panel->fullTitle()->close();
    QVERIFY(!view->isVideoFullScreen());
    // The screen is not locked: the title bar stays free.
    QVERIFY(!view->isTitleLocked());
    QCOMPARE(frame.titleFlags() & SchoolClassView::titleLockBits, 0);
}

// No recorder takes part yet: the teacher's class start is granted at once, and its end (here a failed start,
// without a WebRTC library) brings the button back.
void TestClassMedia::teachersClassStartIsGrantedAtOnce()
{
    WebrtcSdkInterface::unload();
    g_userType = 0;
    g_userId = "T1";
    g_classStartCount = 0;
    SchoolClassView view;
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view.mediaView());
    QVERIFY(panel);
    QSignalSpy states(panel, &MediaViewWebrtc::signalUserStateChange);
    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QTest::mouseClick(panel->findChild<QPushButton *>("startOpen"), Qt::LeftButton);
    QCOMPARE(g_classStartCount, 1);
    QTRY_COMPARE(view.tipWidget()->text(), QString("上课失败"));
    QCOMPARE(int(panel->userState()), int(MediaViewWebrtc::TeacherIdle));
    QCOMPARE(states.size(), 2);
    QCOMPARE(panel->findChild<QPushButton *>("startOpen")->text(), QString("点击上课"));
    g_userType = 1;
}

void TestClassMedia::rtmpPanelWiring()
{
    g_classType = 7;
    g_userType = 0;
    g_userId = "T1";
    SchoolClassView view;
    auto *panel = dynamic_cast<MediaView *>(view.mediaView());
    QVERIFY(panel);
    panel->manager()->setClickInterval(0);
    m_link->server().sendLine(participants);
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("S2"));

    emit panel->onCameraBtnChangedOut("S2", true);
    QVERIFY(cameraOn("S2"));
    // The lecturer's click on a student before the class: the panel's refusal in the tip bar.
    emit view.userInfoView()->signalSendAVRequest("S2");
    QCOMPARE(view.tipWidget()->text(), QString("请先点击上课"));
    QVERIFY(!cameraOn("S2"));
    g_userType = 1;
}

void TestClassMedia::offlineStopsThePulls()
{
    g_classType = 6;
    SchoolClassView view;
    auto *panel = dynamic_cast<MediaView *>(view.mediaView());
    QVERIFY(panel);
    panel->pullStreamResultIn(true, true, "T1", "开始上课");
    QCOMPARE(panel->classState(), 0);
    view.clientOffline();
    QCOMPARE(panel->classState(), 1);
    QVERIFY(!panel->videoView()->isMainStarted());
}

QTEST_MAIN(TestClassMedia)
#include "tst_classmedia.moc"
