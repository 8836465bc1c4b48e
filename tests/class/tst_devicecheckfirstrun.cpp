#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/systeminfo/fakesysteminfo.h"
#include "sandbox/classroomsandbox.h"
#include "sandbox/devicecheckscene.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/deviceinfolabel.h"
#include "vrek/class/devicesetview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/settingconfig.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QtTest>

// A first run of the program against the sandboxed school service: after sign-in the course list opens on the
// device check, whose system step measures the latency to the service, and the courses come once it is done.
class TestDeviceCheckFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRunOpensOnTheDeviceCheck();

private:
    SandboxClient *m_client = nullptr;
};

void TestDeviceCheckFirstRun::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    SettingConfig::getSetting().setValue("DeviceSet/initial", QString());
    auto devices = std::make_shared<FakeDeviceCatalog::Machine>();
    devices->outputs = { FakeDeviceCatalog::audio("Speakers") };
    devices->inputs = { FakeDeviceCatalog::audio("Internal Microphone") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(devices));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
    SystemInfo::setFactory(FakeSystemInfo::factory(std::make_shared<FakeSystemInfo::Machine>()));
}

void TestDeviceCheckFirstRun::cleanupTestCase()
{
    delete m_client;
    DeviceCatalog::setFactory({});
    SoundControl::setFactory({});
    SystemInfo::setFactory({});
}

void TestDeviceCheckFirstRun::firstRunOpensOnTheDeviceCheck()
{
    ClassroomSandbox *sandbox = m_client->sandbox();
    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), 10000);

    ClassManagerView *window = application.classManagerView();
    DeviceSetView *check = window->deviceSetView();
    QTRY_VERIFY_WITH_TIMEOUT(check->isVisible(), 10000);
    QCOMPARE(window->stackedWidget()->currentIndex(), int(ClassManagerView::DevicePage));
    QVERIFY(!window->leftWidget()->isEnabled());
    QLabel *invitation = check->findChild<QLabel *>("tipLabel");
    QVERIFY(invitation->isVisible());
    QCOMPARE(invitation->text(), QString("为了给你带来更好的体验，请先检测设备!"));

    // The system step runs while the page is shown: the service answers the latency probe.
    QVERIFY(sandbox->http()->waitForRequest(DeviceCheckScene::elapsedPath, 10000));
    QTest::mouseClick(check->findChild<QPushButton *>("okButton_0"), Qt::LeftButton);
    DeviceInfoLabel *network = check->findChild<DeviceInfoLabel *>("networkWidget");
    QTRY_VERIFY_WITH_TIMEOUT(sandbox->http()->requestCount(DeviceCheckScene::elapsedPath) >= 3, 10000);
    QVERIFY2(QRegularExpression("^延迟 \\d+ ms$").match(network->info()).hasMatch(), qPrintable(network->info()));
    QCOMPARE(network->status(), QString("正常"));
    const FakeHttpServer::Request probe = sandbox->http()->lastRequest(DeviceCheckScene::elapsedPath);
    QCOMPARE(probe.form.value("userId"), sandbox->account().userId);

    for (const char *name : { "okButton_1", "okButton_2", "okButton_3", "okButton_4", "cancelButton_5" })
        QTest::mouseClick(check->findChild<QPushButton *>(name), Qt::LeftButton);
    QVERIFY(window->leftWidget()->isEnabled());
    QCOMPARE(window->stackedWidget()->currentIndex(), int(ClassManagerView::ClassPage));
    QCOMPARE(SettingConfig::getSetting().getValue("DeviceSet/initial"), QString("1"));
    QCOMPARE(SettingConfig::getSetting().getValue("AudioDevice/Speaker"), QString("Speakers"));
    QTRY_COMPARE_WITH_TIMEOUT(
        window->selectClassView()->pages().first()->cards().size(), sandbox->lessons().size(), 10000);
    // Hidden, the check probes no more. Every request made is answered, so has reached the service; a refresh left
    // running would tick within an interval, before a timer of this thread set now for two; then once more every
    // request made is answered.
    const auto answered = [] { return g_httpClientManager->pendingCount() == 0; };
    QVERIFY(QTest::qWaitFor(answered, 10000));
    const int probes = sandbox->http()->requestCount(DeviceCheckScene::elapsedPath);
    bool due = false;
    QTimer::singleShot(2 * DeviceSetView::refreshIntervalMs, check, [&due] { due = true; });
    QTRY_VERIFY_WITH_TIMEOUT(due, 2 * DeviceSetView::refreshIntervalMs + 10000);
    QVERIFY(QTest::qWaitFor(answered, 10000));
    QCOMPARE(sandbox->http()->requestCount(DeviceCheckScene::elapsedPath), probes);
}

QTEST_MAIN(TestDeviceCheckFirstRun)
#include "tst_devicecheckfirstrun.moc"
