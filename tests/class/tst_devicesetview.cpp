#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "platform/systeminfo/fakesysteminfo.h"
#include "tests/support/messagecollector.h"
#include "tests/support/namedchild.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/deviceinfolabel.h"
#include "vrek/class/devicesetview.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/combobox.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest>

namespace {
QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    return items;
}

void click(const DeviceSetView &view, const char *name)
{
    QTest::mouseClick(namedChild<QPushButton>(view, name), Qt::LeftButton);
}

QString setting(const char *key)
{
    return SettingConfig::getSetting().getValue(key);
}
} // namespace

// The device check page with a pretend machine: the lists, what is saved, the steps and verdicts, and what reaches
// the system's volume.
class TestDeviceSetView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void firstRunOpensOnTheInvitation_data();
    void firstRunOpensOnTheInvitation();
    void stereoMixAndMonitorsAreNoMicrophones();
    void testButtonsFollowTheLists();
    void unpluggedCamerasLeaveTheList();
    void savedDevicesAreSelectedOnce();
    void hidingSavesTheChoices();
    void verdictsReachTheResultPage();
    void codeSetSlidersWriteNothing();
    void userSliderMovesReachTheSystem_data();
    void userSliderMovesReachTheSystem();
    void refreshFollowsTheStep();
    void cameraThatCannotOpenLeavesThePlaceholder();

private:
    // Builds the list of a step, as its refresh does.
    void refresh(DeviceSetView &view, const char *stepButton);

    TempWorkDir *m_work = nullptr;
    std::shared_ptr<FakeDeviceCatalog::Machine> m_devices;
    std::shared_ptr<FakeSoundControl::Machine> m_sound;
    std::shared_ptr<FakeSystemInfo::Machine> m_system;
};

void TestDeviceSetView::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    QVERIFY(SettingConfig::getSetting().fileName().startsWith(m_work->path()));
}

void TestDeviceSetView::cleanupTestCase()
{
    DeviceCatalog::setFactory({});
    SoundControl::setFactory({});
    SystemInfo::setFactory({});
    delete m_work;
}

void TestDeviceSetView::init()
{
    m_devices = std::make_shared<FakeDeviceCatalog::Machine>();
    m_devices->outputs = { FakeDeviceCatalog::audio("Speakers"), FakeDeviceCatalog::audio("Headphones") };
    m_devices->inputs = { FakeDeviceCatalog::audio("Internal Microphone") };
    m_devices->cameras = { FakeDeviceCatalog::camera("Integrated Camera") };
    m_sound = std::make_shared<FakeSoundControl::Machine>();
    m_system = std::make_shared<FakeSystemInfo::Machine>();
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(m_devices));
    SoundControl::setFactory(FakeSoundControl::factory(m_sound));
    SystemInfo::setFactory(FakeSystemInfo::factory(m_system));
    for (const char *key : { "DeviceSet/initial", "AudioDevice/Speaker", "AudioDevice/Micro", "CameraDevice/name" })
        SettingConfig::getSetting().setValue(key, QString());
    DeviceSetView::resetRestoredLists();
}

void TestDeviceSetView::refresh(DeviceSetView &view, const char *stepButton)
{
    QPushButton *step = namedChild<QPushButton>(view, stepButton);
    if (step->isChecked())
        view.slotRefreshTimeout();
    else
        step->setChecked(true);
}

void TestDeviceSetView::firstRunOpensOnTheInvitation_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("page");
    QTest::newRow("never checked") << QString() << 0;
    QTest::newRow("another value") << "0" << 0;
    QTest::newRow("checked before") << "1" << 1;
}

void TestDeviceSetView::firstRunOpensOnTheInvitation()
{
    QFETCH(QString, initial);
    QFETCH(int, page);
    SettingConfig::getSetting().setValue("DeviceSet/initial", initial);
    DeviceSetView view;
    auto *pages = namedChild<QStackedWidget>(view, "mainStackedWidget");
    QCOMPARE(pages->currentIndex(), page);
    QCOMPARE(namedChild<QLabel>(view, "tipLabel")->text(), QString("为了给你带来更好的体验，请先检测设备!"));
    click(view, "okButton_0");
    QCOMPARE(pages->currentIndex(), 1);
    QCOMPARE(namedChild<QStackedWidget>(view, "stackedWidget")->currentIndex(), 0);
    QVERIFY(namedChild<QPushButton>(view, "systemLeftButton")->isChecked());
}

void TestDeviceSetView::stereoMixAndMonitorsAreNoMicrophones()
{
    m_devices->inputs = { FakeDeviceCatalog::audio("Internal Microphone"),
        FakeDeviceCatalog::audio("立体声混音 (Realtek High Definition Audio)"),
        FakeDeviceCatalog::audio("立体声混音 (USB Audio)"), FakeDeviceCatalog::audio("USB Microphone"),
        FakeDeviceCatalog::audio("Monitor of Speakers") };
    DeviceSetView view;
    refresh(view, "microLeftButton");
    QCOMPARE(
        itemsOf(namedChild<ComboBox>(view, "microComboBox")), QStringList({ "Internal Microphone", "USB Microphone" }));
    // The speakers are listed as they are.
    refresh(view, "speakLeftButton");
    QCOMPARE(itemsOf(namedChild<ComboBox>(view, "speakComboBox")), QStringList({ "Speakers", "Headphones" }));
}

void TestDeviceSetView::testButtonsFollowTheLists()
{
    m_devices->outputs.clear();
    m_devices->inputs.clear();
    DeviceSetView view;
    auto *speakButton = namedChild<QPushButton>(view, "speakButton");
    auto *videoButton = namedChild<QPushButton>(view, "videoButton");
    refresh(view, "speakLeftButton");
    QCOMPARE(namedChild<ComboBox>(view, "speakComboBox")->count(), 0);
    QVERIFY(!speakButton->isEnabled());
    m_devices->outputs = { FakeDeviceCatalog::audio("USB Speaker") };
    view.slotRefreshTimeout();
    QVERIFY(speakButton->isEnabled());
    m_devices->outputs.clear();
    view.slotRefreshTimeout();
    QVERIFY(!speakButton->isEnabled());

    refresh(view, "microLeftButton");
    QVERIFY(!namedChild<QPushButton>(view, "microButton")->isEnabled());

    refresh(view, "videoLeftButton");
    auto *cameras = namedChild<ComboBox>(view, "videoComboBox");
    QCOMPARE(cameras->currentText(), QString("Integrated Camera"));
    QVERIFY(videoButton->isEnabled());
    cameras->setCurrentIndex(cameras->findText("禁用"));
    QVERIFY(!videoButton->isEnabled());
}

void TestDeviceSetView::unpluggedCamerasLeaveTheList()
{
    m_devices->cameras = { FakeDeviceCatalog::camera("Integrated Camera"), FakeDeviceCatalog::camera("USB Camera"),
        FakeDeviceCatalog::camera("Virtual Camera") };
    DeviceSetView view;
    auto *cameras = namedChild<ComboBox>(view, "videoComboBox");
    refresh(view, "videoLeftButton");
    QCOMPARE(itemsOf(cameras), QStringList({ "Integrated Camera", "USB Camera", "Virtual Camera", "禁用" }));
    QCOMPARE(cameras->currentIndex(), 0);
    QCOMPARE(cameras->currentData().toByteArray(), m_devices->cameras.first().deviceName);
    QVERIFY(cameras->itemData(3).isNull());

    // The last camera and one beside another go at the next refresh, both in one pass; "禁用" stays last.
    m_devices->cameras = { m_devices->cameras.at(0) };
    view.slotRefreshTimeout();
    QCOMPARE(itemsOf(cameras), QStringList({ "Integrated Camera", "禁用" }));

    m_devices->cameras.clear();
    view.slotRefreshTimeout();
    QCOMPARE(cameras->count(), 0);
    QVERIFY(!namedChild<QPushButton>(view, "videoButton")->isEnabled());

    m_devices->cameras = { FakeDeviceCatalog::camera("USB Camera") };
    view.slotRefreshTimeout();
    QCOMPARE(itemsOf(cameras), QStringList({ "USB Camera", "禁用" }));
    QCOMPARE(cameras->currentIndex(), 0);
    QVERIFY(namedChild<QPushButton>(view, "videoButton")->isEnabled());
    QCOMPARE(setting("CameraDevice/name"), QString("USB Camera"));
}

void TestDeviceSetView::savedDevicesAreSelectedOnce()
{
    SettingConfig::getSetting().setValue("AudioDevice/Speaker", "Headphones");
    SettingConfig::getSetting().setValue("CameraDevice/name", "USB Camera");
    m_devices->cameras.append(FakeDeviceCatalog::camera("USB Camera"));
    {
        DeviceSetView view;
        auto *speakers = namedChild<ComboBox>(view, "speakComboBox");
        refresh(view, "speakLeftButton");
        QCOMPARE(speakers->currentText(), QString("Headphones"));
        // The student's own choice outlives later builds.
        speakers->setCurrentIndex(0);
        for (int i = 0; i < 3; ++i)
            view.slotRefreshTimeout();
        QCOMPARE(speakers->currentText(), QString("Speakers"));
        refresh(view, "videoLeftButton");
        QCOMPARE(namedChild<ComboBox>(view, "videoComboBox")->currentText(), QString("USB Camera"));
    }
    // Once per run: a later view of the same run selects nothing saved.
    SettingConfig::getSetting().setValue("AudioDevice/Speaker", "Headphones");
    DeviceSetView later;
    refresh(later, "speakLeftButton");
    QCOMPARE(namedChild<ComboBox>(later, "speakComboBox")->currentText(), QString("Speakers"));

    // A saved name that is not there any more is ignored.
    DeviceSetView::resetRestoredLists();
    SettingConfig::getSetting().setValue("AudioDevice/Speaker", "Bluetooth Speaker");
    DeviceSetView another;
    refresh(another, "speakLeftButton");
    QCOMPARE(namedChild<ComboBox>(another, "speakComboBox")->currentText(), QString("Speakers"));
}

void TestDeviceSetView::hidingSavesTheChoices()
{
    m_devices->inputs = { FakeDeviceCatalog::audio("Internal Microphone"), FakeDeviceCatalog::audio("USB Mic") };
    DeviceSetView view;
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    refresh(view, "speakLeftButton");
    namedChild<ComboBox>(view, "speakComboBox")->setCurrentIndex(1);
    refresh(view, "microLeftButton");
    namedChild<ComboBox>(view, "microComboBox")->setCurrentIndex(1);
    refresh(view, "videoLeftButton");
    QCOMPARE(setting("DeviceSet/initial"), QString());
    view.hide();
    QCOMPARE(setting("DeviceSet/initial"), QString("1"));
    QCOMPARE(setting("AudioDevice/Speaker"), QString("Headphones"));
    QCOMPARE(setting("AudioDevice/Micro"), QString("USB Mic"));
    QCOMPARE(setting("CameraDevice/name"), QString("Integrated Camera"));

    // Empty lists leave the keys as they are; the camera's build has already written its empty choice.
    m_devices->outputs.clear();
    m_devices->cameras.clear();
    view.show();
    refresh(view, "speakLeftButton");
    refresh(view, "videoLeftButton");
    QCOMPARE(setting("CameraDevice/name"), QString());
    view.hide();
    QCOMPARE(setting("AudioDevice/Speaker"), QString("Headphones"));
    QCOMPARE(setting("CameraDevice/name"), QString());
}

void TestDeviceSetView::verdictsReachTheResultPage()
{
    DeviceSetView view;
    QSignalSpy finished(&view, &DeviceSetView::signalTestFinish);
    auto *steps = namedChild<QStackedWidget>(view, "stackedWidget");
    const auto pass
        = [&view](const char *step) { return namedChild<QPushButton>(view, step)->property("pass").toString(); };
    const auto row = [&view](const char *name) {
        DeviceInfoLabel *result = namedChild<DeviceInfoLabel>(view, name);
        return QStringList({ result->title(), result->info(), result->status() });
    };
    click(view, "okButton_0");
    click(view, "okButton_1");
    QCOMPARE(steps->currentIndex(), 1);
    QVERIFY(namedChild<QPushButton>(view, "speakLeftButton")->isChecked());
    click(view, "cancelButton_2");
    QCOMPARE(row("result2Widget"), QStringList({ "扬声器", "您选择了不可以听到", "不通过" }));
    QCOMPARE(pass("speakLeftButton"), QString("0"));
    QCOMPARE(steps->currentIndex(), 2);
    click(view, "okButton_3");
    QCOMPARE(row("result3Widget"), QStringList({ "麦克风", "您选择了可以看到", "通过" }));
    QCOMPARE(pass("microLeftButton"), QString("1"));
    QCOMPARE(steps->currentIndex(), 3);
    click(view, "cancelButton_4");
    QCOMPARE(row("result4Widget"), QStringList({ "摄像头", "您选择了不可以看到", "不通过" }));
    QCOMPARE(pass("videoLeftButton"), QString("0"));
    QCOMPARE(steps->currentIndex(), 4);
    for (const char *step : { "systemLeftButton", "speakLeftButton", "microLeftButton", "videoLeftButton" })
        QVERIFY2(!namedChild<QPushButton>(view, step)->isChecked(), step);

    // "重新检测" starts again at the system step; the verdicts stay.
    click(view, "okButton_5");
    QCOMPARE(steps->currentIndex(), 0);
    QVERIFY(namedChild<QPushButton>(view, "systemLeftButton")->isChecked());
    QCOMPARE(row("result2Widget").last(), QString("不通过"));
    QCOMPARE(pass("speakLeftButton"), QString("0"));

    click(view, "okButton_1");
    click(view, "okButton_2");
    QCOMPARE(pass("speakLeftButton"), QString("1"));
    click(view, "okButton_3");
    click(view, "okButton_4");
    QCOMPARE(row("result4Widget"), QStringList({ "摄像头", "您选择了可以看到", "通过" }));
    QCOMPARE(finished.count(), 0);
    click(view, "cancelButton_5");
    QCOMPARE(finished.count(), 1);
    QCOMPARE(steps->currentIndex(), 0);
}

void TestDeviceSetView::codeSetSlidersWriteNothing()
{
    m_sound->speaker.volume = 35;
    m_sound->speaker.muted = true;
    m_sound->microphone.present = false;
    m_sound->microphone.volume = 70;
    DeviceSetView view;
    auto *speakSlider = namedChild<QSlider>(view, "speakSlider");
    auto *microSlider = namedChild<QSlider>(view, "microSlider");
    QCOMPARE(speakSlider->value(), -1);
    QVERIFY(!speakSlider->isEnabled());
    refresh(view, "speakLeftButton");
    refresh(view, "microLeftButton");
    // A second speaker chosen reads the volume again.
    namedChild<ComboBox>(view, "speakComboBox")->setCurrentIndex(1);

    QVERIFY(speakSlider->isEnabled());
    QCOMPARE(speakSlider->value(), 35);
    QVERIFY(!microSlider->isEnabled());
    QCOMPARE(microSlider->value(), 0);
    QCOMPARE(m_sound->calls, QStringList({ "getSpeakerVolume", "getMicrophoneVolume", "getSpeakerVolume" }));
    QVERIFY(m_sound->speaker.muted);
    QCOMPARE(m_sound->speaker.volume, 35);
    QCOMPARE(m_sound->microphone.volume, 70);
}

void TestDeviceSetView::userSliderMovesReachTheSystem_data()
{
    QTest::addColumn<QString>("sliderName");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("speaker to its far left mutes") << "speakSlider" << -1 << QStringList { "setSpeaker(-1)" };
    QTest::newRow("speaker to 0 unmutes first")
        << "speakSlider" << 0 << QStringList { "setSpeaker(-2)", "setSpeaker(0)" };
    QTest::newRow("speaker to 80") << "speakSlider" << 80 << QStringList { "setSpeaker(-2)", "setSpeaker(80)" };
    QTest::newRow("microphone muted") << "microSlider" << -1 << QStringList { "setMicrophone(-1)" };
    QTest::newRow("microphone to 100") << "microSlider" << 100
                                       << QStringList { "setMicrophone(-2)", "setMicrophone(100)" };
}

void TestDeviceSetView::userSliderMovesReachTheSystem()
{
    QFETCH(QString, sliderName);
    QFETCH(int, value);
    QFETCH(QStringList, calls);
    m_sound->speaker.volume = 20;
    m_sound->microphone.volume = 20;
    DeviceSetView view;
    refresh(view, "speakLeftButton");
    refresh(view, "microLeftButton");
    m_sound->calls.clear();
    auto *slider = namedChild<QSlider>(view, sliderName.toLatin1().constData());
    QVERIFY(slider->isEnabled());
    // The user's own move, as the slider's keys make it.
    slider->setFocus();
    if (value == -1) {
        QTest::keyClick(slider, Qt::Key_Home);
    } else if (value == 100) {
        QTest::keyClick(slider, Qt::Key_End);
    } else {
        slider->setValue(value);
    }
    QCOMPARE(slider->value(), value);
    QCOMPARE(m_sound->calls, calls);
}

void TestDeviceSetView::refreshFollowsTheStep()
{
    m_system->memory.loadPercent = 42;
    DeviceSetView view;
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Shown on the system step: the system is checked at once, and again each second.
    QCOMPARE(m_system->diskFolders.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_system->diskFolders.size() >= 2, 10000);
    QCOMPARE(namedChild<DeviceInfoLabel>(view, "memoryWidget")->info(), QString("8.00/16.00 GB (42%)"));
    // Another step refreshes its own list instead; a hidden page refreshes nothing.
    refresh(view, "speakLeftButton");
    const int systemRuns = m_system->diskFolders.size();
    m_devices->outputs.append(FakeDeviceCatalog::audio("HDMI Output"));
    QTRY_COMPARE_WITH_TIMEOUT(namedChild<ComboBox>(view, "speakComboBox")->count(), 3, 10000);
    QCOMPARE(m_system->diskFolders.size(), systemRuns);
    view.hide();
    m_devices->outputs.append(FakeDeviceCatalog::audio("Bluetooth"));
    // A refresh left running would tick within an interval, before a timer of this thread set now for two.
    bool due = false;
    QTimer::singleShot(2 * DeviceSetView::refreshIntervalMs, &view, [&due] { due = true; });
    QTRY_VERIFY_WITH_TIMEOUT(due, 2 * DeviceSetView::refreshIntervalMs + 10000);
    QCOMPARE(namedChild<ComboBox>(view, "speakComboBox")->count(), 3);
}

void TestDeviceSetView::cameraThatCannotOpenLeavesThePlaceholder()
{
    m_devices->cameras = { FakeDeviceCatalog::camera("Gone Camera", "/dev/video-none") };
    DeviceSetView view;
    refresh(view, "videoLeftButton");
    auto *videoButton = namedChild<QPushButton>(view, "videoButton");
    auto *preview = namedChild<QStackedWidget>(view, "videoStackedWidget");
    QVERIFY(videoButton->isEnabled());
    // The camera's last word on a device it cannot open is its error, which the view logs: any state it reported
    // came before it.
    MessageCollector log;
    const QString cameraError = "camera error:";
    click(view, "videoButton");
    QTRY_VERIFY_WITH_TIMEOUT(log.count(cameraError) > 0, 10000);
    QCOMPARE(preview->currentIndex(), 0);
    // With no second press the button offers the preview again and the placeholder stays.
    QTRY_COMPARE_WITH_TIMEOUT(videoButton->text(), QString("打开预览画面"), 10000);
    QCOMPARE(preview->currentIndex(), 0);
    QCOMPARE(namedChild<QLabel>(view, "previewLabel")->property("open").toString(), QString("0"));
    // The next press opens the camera again, it does not take the failed one for open and stop it.
    const auto opened = [&log] { return log.messages().filter("open the camera:").size(); };
    QCOMPARE(opened(), 1);
    const int errors = log.count(cameraError);
    click(view, "videoButton");
    QTRY_VERIFY_WITH_TIMEOUT(log.count(cameraError) > errors, 10000);
    QCOMPARE(opened(), 2);
    QCOMPARE(preview->currentIndex(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(videoButton->text(), QString("打开预览画面"), 10000);
}

QTEST_MAIN(TestDeviceSetView)
#include "tst_devicesetview.moc"
