#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/systeminfo/fakesysteminfo.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/devicesetview.h"
#include "vrek/utils/settingconfig.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

// The course-list window and its device check: a first run is held on the check until it is finished.
class TestClassManagerView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRunIsHeldOnTheDeviceCheck_data();
    void firstRunIsHeldOnTheDeviceCheck();
    void laterRunOpensOnTheCourses();

private:
    TempWorkDir *m_work = nullptr;
};

void TestClassManagerView::initTestCase()
{
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
    QVERIFY(window.deviceButton()->isVisible());
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

QTEST_MAIN(TestClassManagerView)
#include "tst_classmanagerview.moc"
