#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/tipwidget.h"
#include "vrek/window/titleview.h"

#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>
#include <QtTest>

namespace {
// The frame flags the application gives the class windows.
constexpr int classWindowFlags = 0x300408;
} // namespace

// The class windows' right column follows the width of the screen they stand on: two X screens of 1100 and
// 1000 pixels.
class TestClassWindowSizes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void rightColumnFollowsTheScreen_data();
    void rightColumnFollowsTheScreen();

private:
    TempWorkDir *m_work = nullptr;
};

void TestClassWindowSizes::initTestCase()
{
    QCOMPARE(QGuiApplication::screens().size(), 2);
    QCOMPARE(QGuiApplication::screens().at(0)->geometry().width(), 1100);
    QCOMPARE(QGuiApplication::screens().at(1)->geometry().width(), 1000);
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
}

void TestClassWindowSizes::cleanupTestCase()
{
    SoundControl::setFactory({});
    DeviceCatalog::setFactory(nullptr);
    delete m_work;
}

void TestClassWindowSizes::init()
{
    g_userId = "S1";
    g_userType = 1;
    g_classType = 4;
    g_classId = "class3101";
    g_uiScale = 1.0;
}

void TestClassWindowSizes::rightColumnFollowsTheScreen_data()
{
    QTest::addColumn<bool>("school");
    QTest::addColumn<int>("screen");
    QTest::addColumn<double>("uiScale");
    QTest::addColumn<int>("rightWidth");
    QTest::addColumn<int>("mediaHeight");
    QTest::addColumn<QString>("tabStyle"); // width, height and font of the tabs
    QTest::newRow("school, 1100") << true << 0 << 1.0 << 200 << 178 << "width:99px;height:21px;font:14px";
    QTest::newRow("school, 1100, scaled") << true << 0 << 1.5 << 200 << 178 << "width:99px;height:21px;font:20px";
    QTest::newRow("school, 1000") << true << 1 << 1.0 << 181 << 163 << "width:89px;height:19px;font:14px";
    QTest::newRow("teacher, 1000") << false << 1 << 1.0 << 200 << 0 << QString();
    QTest::newRow("teacher, 1100") << false << 0 << 1.0 << 220 << 0 << QString();
}

void TestClassWindowSizes::rightColumnFollowsTheScreen()
{
    QFETCH(bool, school);
    QFETCH(int, screen);
    QFETCH(double, uiScale);
    QFETCH(int, rightWidth);
    QFETCH(int, mediaHeight);
    QFETCH(QString, tabStyle);
    g_uiScale = uiScale;
    if (!school) {
        g_userType = 2;
        g_classType = 5;
    }
    QWidget *view = school ? static_cast<QWidget *>(new SchoolClassView) : static_cast<QWidget *>(new TeacherClassView);
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    frame.winId();
    frame.windowHandle()->setScreen(QGuiApplication::screens().at(screen));
    frame.resize(900, 600);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(view->screen(), QGuiApplication::screens().at(screen));
    // High enough for the media panel's own height above the chat.
    frame.resize(880, 780);

    QWidget *right = school ? static_cast<SchoolClassView *>(view)->rightWidget()
                            : static_cast<TeacherClassView *>(view)->rightWidget();
    QTRY_COMPARE(right->width(), rightWidth);
    QCOMPARE(right->minimumWidth(), rightWidth);
    QCOMPARE(right->maximumWidth(), rightWidth);
    TipWidget *tip = school ? static_cast<SchoolClassView *>(view)->tipWidget()
                            : static_cast<TeacherClassView *>(view)->tipWidget();
    QCOMPARE(tip->x(), (view->width() - tip->width()) / 2);
    QCOMPARE(tip->y(), 0);
    if (!school)
        return;
    auto *schoolView = static_cast<SchoolClassView *>(view);
    auto *media = dynamic_cast<QWidget *>(schoolView->mediaView());
    QVERIFY(media);
    QCOMPARE(media->minimumHeight(), mediaHeight);
    QCOMPARE(media->maximumHeight(), mediaHeight);
    QTabWidget *tabs = schoolView->userChatWidget();
    QCOMPARE(tabs->tabText(0), QString("用户列表"));
    QCOMPARE(tabs->tabText(1), QString("讨论交流"));
    QVERIFY2(tabs->styleSheet().contains(tabStyle), qPrintable(tabs->styleSheet()));
}

VREK_XVFB_TEST_MAIN_SCREENS(TestClassWindowSizes, { QSize(1100, 800), QSize(1000, 800) })
#include "tst_classwindowsizes.moc"
