#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/systeminfo/fakesysteminfo.h"
#include "tests/class/reviewtestsupport.h"
#include "tests/support/namedchild.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/devicesetview.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/class/selectclassview.h"
#include "vrek/class/videobackview.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/utils/settingconfig.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

namespace {
const QByteArray coursePath = "/mobile/httpGetAttendCourseList";
const QByteArray reviewPath = "/mobile/courseReview";
const QByteArray homeworkPath = "/homework/pc_s_course_list.html";
} // namespace

// The course-list window: a first run is held on the device check until it is finished; each tab shows its page,
// and only the live courses, the recorded lessons and the personal centre are filled again on every switch.
class TestClassManagerView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRunIsHeldOnTheDeviceCheck_data();
    void firstRunIsHeldOnTheDeviceCheck();
    void laterRunOpensOnTheCourses();
    void finishingTheFirstCheckReloadsTheCourses();
    void tabsAndWhatTheyReload();

private:
    static void waitForAnswers();

    TempWorkDir *m_work = nullptr;
    NetworkEngineThread *m_network = nullptr;
};

void TestClassManagerView::initTestCase()
{
    // A student: the course pages and the recorded lessons have their tabs.
    g_userType = 1;
    m_network = new NetworkEngineThread;
    m_work = new TempWorkDir;
    SettingConfig::getSetting();
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(std::make_shared<FakeDeviceCatalog::Machine>()));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
    SystemInfo::setFactory(FakeSystemInfo::factory(std::make_shared<FakeSystemInfo::Machine>()));
}

void TestClassManagerView::cleanupTestCase()
{
    DeviceCatalog::setFactory({});
    SoundControl::setFactory({});
    SystemInfo::setFactory({});
    delete m_work;
    delete m_network;
}

void TestClassManagerView::firstRunIsHeldOnTheDeviceCheck_data()
{
    QTest::addColumn<QString>("initial");
    QTest::newRow("never checked") << QString();
    QTest::newRow("another value") << "0";
}

void TestClassManagerView::firstRunIsHeldOnTheDeviceCheck()
{
    QFETCH(QString, initial);
    SettingConfig::getSetting().setValue("DeviceSet/initial", initial);
    ClassManagerView window;
    window.initial();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::DevicePage));
    QVERIFY(window.deviceButton()->isChecked());
    QVERIFY(!window.leftWidget()->isEnabled());
    DeviceSetView *check = window.deviceSetView();
    QVERIFY(check->isVisible());
    QCOMPARE(check->findChild<QStackedWidget *>("mainStackedWidget")->currentIndex(), 0);

    // Through the steps to "检测完成".
    for (const char *name : { "okButton_0", "okButton_1", "okButton_2", "okButton_3", "okButton_4" })
        QTest::mouseClick(check->findChild<QPushButton *>(name), Qt::LeftButton);
    QVERIFY(!window.leftWidget()->isEnabled());
    QTest::mouseClick(check->findChild<QPushButton *>("cancelButton_5"), Qt::LeftButton);
    QVERIFY(window.leftWidget()->isEnabled());
    QVERIFY(window.classButton()->isChecked());
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::ClassPage));
    QVERIFY(!check->isVisible());
    QCOMPARE(SettingConfig::getSetting().getValue("DeviceSet/initial"), QString("1"));
}

void TestClassManagerView::laterRunOpensOnTheCourses()
{
    SettingConfig::getSetting().setValue("DeviceSet/initial", "1");
    ClassManagerView window;
    window.initial();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::ClassPage));
    QVERIFY(window.leftWidget()->isEnabled());
    for (QPushButton *button : { window.classButton(), window.playButton(), window.homeworkButton(),
             window.personButton(), window.deviceButton() })
        QVERIFY(button->isVisible());
    QCOMPARE(window.deviceButton()->accessibleName(), QString("设备检测"));
    QTest::mouseClick(window.deviceButton(), Qt::LeftButton);
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::DevicePage));
    // The check opens on its steps now.
    QCOMPARE(window.deviceSetView()->findChild<QStackedWidget *>("mainStackedWidget")->currentIndex(), 1);
    // Finishing it leads back to the courses.
    QTest::mouseClick(window.deviceSetView()->findChild<QPushButton *>("okButton_1"), Qt::LeftButton);
    window.deviceSetView()->findChild<QPushButton *>("systemLeftButton")->setChecked(true);
    emit window.deviceSetView()->signalTestFinish();
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::ClassPage));
}

void TestClassManagerView::finishingTheFirstCheckReloadsTheCourses()
{
    ReviewHttp http;
    SettingConfig::getSetting().setValue("DeviceSet/initial", "");
    ClassManagerView window;
    window.initial();
    window.show();
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::DevicePage));
    QVERIFY(!window.leftWidget()->isEnabled());
    waitForAnswers();
    QCOMPARE(http.server.requestCount(coursePath), 0);
    emit window.deviceSetView()->signalTestFinish();
    QVERIFY(window.leftWidget()->isEnabled());
    QVERIFY(window.classButton()->isChecked());
    QCOMPARE(window.stackedWidget()->currentIndex(), int(ClassManagerView::ClassPage));
    waitForAnswers();
    QCOMPARE(http.server.requestCount(coursePath), 1);
}

void TestClassManagerView::waitForAnswers()
{
    // Once every request is answered, each has reached the server.
    if (!QTest::qWaitFor([] { return g_httpClientManager->pendingCount() == 0; }, 10000))
        qFatal("a request was not answered");
}

void TestClassManagerView::tabsAndWhatTheyReload()
{
    ReviewHttp http;
    FakeHttpServer::Reply page;
    page.body = "<html><body>homework</body></html>";
    page.contentType = "text/html";
    http.server.setReply(homeworkPath, page);
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(http.server.port());
    g_userName = QStringLiteral("李小明");
    SettingConfig::getSetting().setValue("DeviceSet/initial", "1");
    ClassManagerView window;
    window.initial();
    window.show();
    const struct
    {
        QPushButton *button;
        ClassManagerView::Page page;
        QWidget *view;
        int courses; // course-list requests so far
        int reviews; // recorded-lesson requests so far
    } steps[] = {
        { window.playButton(), ClassManagerView::PlayPage, window.videobackView(), 0, 1 },
        { window.classButton(), ClassManagerView::ClassPage, window.selectClassView(), 1, 1 },
        { window.deviceButton(), ClassManagerView::DevicePage, window.deviceSetView(), 1, 1 },
        { window.homeworkButton(), ClassManagerView::HomeworkPage, window.homeworkWidget(), 1, 1 },
        { window.classButton(), ClassManagerView::ClassPage, window.selectClassView(), 2, 1 },
        { window.personButton(), ClassManagerView::PersonPage, window.bindTipView(), 2, 1 },
        { window.homeworkButton(), ClassManagerView::HomeworkPage, window.homeworkWidget(), 2, 1 },
        { window.deviceButton(), ClassManagerView::DevicePage, window.deviceSetView(), 2, 1 },
        { window.classButton(), ClassManagerView::ClassPage, window.selectClassView(), 3, 1 },
        { window.playButton(), ClassManagerView::PlayPage, window.videobackView(), 3, 2 },
    };
    waitForAnswers();
    QCOMPARE(http.server.requestCount(coursePath), 0);
    int step = 0;
    for (const auto &to : steps) {
        const QByteArray name = to.button->objectName().toLatin1() + " step " + QByteArray::number(step++);
        QTest::mouseClick(to.button, Qt::LeftButton);
        QVERIFY2(to.button->isChecked(), name.constData());
        QCOMPARE(window.stackedWidget()->currentIndex(), int(to.page));
        QVERIFY2(to.view->isVisible(), name.constData());
        waitForAnswers();
        QVERIFY2(http.server.requestCount(coursePath) == to.courses, name.constData());
        QVERIFY2(http.server.requestCount(reviewPath) == to.reviews, name.constData());
    }
    // The homework page was loaded on its first show only.
    QCOMPARE(http.server.requestCount(homeworkPath), 1);
    QCOMPARE(window.homeworkWidget()->homeworkUrl(), HomeworkWidget::pageUrl());
    // The personal centre was filled when it was chosen.
    QCOMPARE(namedChild<QLabel>(*window.bindTipView(), "nameLabel")->text(), QString("李小明"));
}

QTEST_MAIN(TestClassManagerView)
#include "tst_classmanagerview.moc"
