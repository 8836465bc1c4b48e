#include "platform/devicecatalog/fakedevicecatalog.h"
#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "tests/support/tempworkdir.h"
#include "vrek/media/control/pushstreaminterface.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/devicesetmini.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// What a stream controller is told of the devices.
class RecordingPush : public PushStreamInterface
{
public:
    void setAudioDeviceName(const QString &name) override { calls << "audio=" + name; }
    void setVideoDeviceName(const QString &name) override { calls << "video=" + name; }
    void setPushVideoSize(const GlobalEnum::VideoQualityType) override { }
    void setPushVideoSize(const QSize &) override { }
    QString &getPushStreamId() override { return id; }
    bool isPushingStream() override { return false; }

    QStringList calls;
    QString id;
};
} // namespace

// The in-class device panel over a pretend machine: the names it hands to the push, and the device lines it sends
// and reads over the fake classroom server, byte for byte.
class TestDeviceSetMini : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void savedNamesReachThePush();
    void answersTheLecturer_data();
    void answersTheLecturer();
    void lecturerAsksTheClassOnce();
    void deviceLines_data();
    void deviceLines();

private:
    void save(const QString &microphone, const QString &camera);

    TempWorkDir *m_work = nullptr;
    ClassroomLink *m_link = nullptr;
    std::shared_ptr<FakeDeviceCatalog::Machine> m_machine;
};

void TestDeviceSetMini::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    SettingConfig::getSetting(); // config.ini in the temporary folder
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_machine = std::make_shared<FakeDeviceCatalog::Machine>();
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(m_machine));
}

void TestDeviceSetMini::cleanupTestCase()
{
    DeviceCatalog::setFactory(nullptr);
    delete m_link;
    delete m_work;
}

void TestDeviceSetMini::init()
{
    g_userId = "S1";
    g_classId = "class7";
    *m_machine = FakeDeviceCatalog::Machine();
    save(QString(), QString());
    m_link->clear();
    m_link->server().clearLines();
}

void TestDeviceSetMini::save(const QString &microphone, const QString &camera)
{
    SettingConfig &settings = SettingConfig::getSetting();
    settings.setValue("AudioDevice/Speaker", "Speakers");
    settings.setValue("AudioDevice/Micro", microphone);
    settings.setValue("CameraDevice/name", camera);
}

void TestDeviceSetMini::savedNamesReachThePush()
{
    save("USB Mic", QString::fromUtf8("禁用"));
    RecordingPush push;
    DeviceSetMini panel(&push);
    QCOMPARE(push.calls, QStringList({ "audio=USB Mic", QString::fromUtf8("video=禁用") }));
    QCOMPARE(panel.speakerName(), QString("Speakers"));
    // A later change of the device check does not reach an open lesson.
    save("Other Mic", "Cam");
    panel.slotLectIdFirst("L1");
    QCOMPARE(push.calls.size(), 2);
    QCOMPARE(panel.cameraName(), QString::fromUtf8("禁用"));
    // Without a push the names are read and handed to nobody.
    DeviceSetMini alone(nullptr);
    QCOMPARE(alone.microphoneName(), QString("Other Mic"));
    QCOMPARE(panel.objectName(), QString("DeviceSetMini"));
}

void TestDeviceSetMini::answersTheLecturer_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("cameras");
    QTest::addColumn<QString>("savedCamera");
    QTest::addColumn<QString>("answer");
    QTest::newRow("stereo mix only") << QStringList { QString::fromUtf8("立体声混音 (Realtek High Definition Audio)") }
                                     << 1 << QString() << "4$1$S1$0$1";
    QTest::newRow("monitor source") << QStringList { "Monitor of Built-in Audio", "USB Mic" } << 2 << "Cam 1"
                                    << "4$1$S1$1$2";
    QTest::newRow("camera disabled") << QStringList { "USB Mic" } << 1 << QString::fromUtf8("禁用") << "4$1$S1$1$0";
    QTest::newRow("nothing") << QStringList() << 0 << QString() << "4$1$S1$0$0";
}

void TestDeviceSetMini::answersTheLecturer()
{
    QFETCH(QStringList, inputs);
    QFETCH(int, cameras);
    QFETCH(QString, savedCamera);
    QFETCH(QString, answer);
    for (const QString &input : inputs)
        m_machine->inputs.append(FakeDeviceCatalog::audio(input));
    for (int camera = 0; camera < cameras; ++camera)
        m_machine->cameras.append(FakeDeviceCatalog::camera(QString("Cam %1").arg(camera + 1)));
    save(QString(), savedCamera);
    DeviceSetMini panel(nullptr);
    panel.slotLectIdFirst("L1");
    QCOMPARE(m_link->sent(), QStringList { "11\t1\tL1\t" + answer + "\t0" });
    // The server has it as it was sent.
    QCOMPARE(m_link->server().waitForLine("11\t1\tL1\t" + answer), "11\t1\tL1\t" + answer + "\t0");
}

void TestDeviceSetMini::lecturerAsksTheClassOnce()
{
    g_userId = "L1";
    m_machine->inputs = { FakeDeviceCatalog::audio(QString::fromUtf8("立体声混音")), FakeDeviceCatalog::audio("Mic") };
    m_machine->cameras = { FakeDeviceCatalog::camera("Cam") };
    DeviceSetMini panel(nullptr);
    panel.slotLectIdFirst("L1");
    // Every input counts in the request.
    QCOMPARE(m_link->sent(), QStringList { "11\t0\tclass7\t4$0$L1$2$1\t0" });
}

void TestDeviceSetMini::deviceLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QVariantList>("enabled");
    QTest::newRow("request") << "11\t0\t4$0$L1$3$1" << QStringList { "11\t1\tL1\t4$1$S1$1$1\t0" } << QVariantList();
    QTest::newRow("answer with a microphone") << "11\t0\t4$1$S2$1$0" << QStringList() << QVariantList { "S2", true };
    QTest::newRow("answer without") << "11\t0\t4$1$S2$0$1" << QStringList() << QVariantList { "S2", false };
    QTest::newRow("answer not a number") << "11\t0\t4$1$S2$x$1" << QStringList() << QVariantList { "S2", false };
    QTest::newRow("type 2") << "11\t0\t4$2$S2$1$1" << QStringList() << QVariantList();
    QTest::newRow("request without a requester") << "11\t0\t4$0$$1$1" << QStringList() << QVariantList();
}

// Device lines as the classroom server forwards them, through the classroom connection to the panel.
void TestDeviceSetMini::deviceLines()
{
    QFETCH(QString, line);
    QFETCH(QStringList, sent);
    QFETCH(QVariantList, enabled);
    m_machine->inputs = { FakeDeviceCatalog::audio("Mic") };
    m_machine->cameras = { FakeDeviceCatalog::camera("Cam") };
    DeviceSetMini panel(nullptr);
    connect(m_link->manager(), &SocketClientManager::readDeviceMessage, &panel, &DeviceSetMini::slotReadDeviceMsg);
    QSignalSpy buttons(&panel, &DeviceSetMini::signalCameraButtonEnable);
    QSignalSpy read(m_link->manager(), &SocketClientManager::readDeviceMessage);
    m_link->server().sendLine(line);
    QVERIFY(read.wait(5000));
    QCOMPARE(m_link->sent(), sent);
    QCOMPARE(buttons.size(), enabled.isEmpty() ? 0 : 1);
    if (!enabled.isEmpty())
        QCOMPARE(buttons.first(), enabled);
}

QTEST_MAIN(TestDeviceSetMini)
#include "tst_devicesetmini.moc"
