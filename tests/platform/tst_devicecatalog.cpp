#include "platform/capturedevice/capturedeviceresolver.h"
#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/devicecatalog/qtdevicecatalog.h"

#include "tests/support/pulseaudioserver.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

Q_DECLARE_METATYPE(QList<SoundDevice>)

namespace {
SoundDevice soundDevice(const QString &id, const QString &name, bool isMonitor = false)
{
    SoundDevice device;
    device.id = id;
    device.name = name;
    device.isMonitor = isMonitor;
    return device;
}

QStringList namesOf(const QList<AudioDeviceEntry> &entries)
{
    QStringList names;
    for (const AudioDeviceEntry &entry : entries)
        names.append(entry.name);
    return names;
}

QStringList namesOf(const QList<CaptureDevice> &devices)
{
    QStringList names;
    for (const CaptureDevice &device : devices)
        names.append(device.name);
    return names;
}
} // namespace

class TestDeviceCatalog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void match_data();
    void match();
    void fakeListsItsMachine();
    void factoryCanBeReplaced();
    void soundDevicesCarryTheCaptureNames();
    void camerasCarryTheCaptureNames();
    void hungServerDoesNotHoldTheLists();

private:
    PulseAudioServer m_server;
};

void TestDeviceCatalog::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.log()));
    // Before anything asks Qt Multimedia: it keeps the first server it finds.
    m_server.useEnvironment();
}

void TestDeviceCatalog::match_data()
{
    QTest::addColumn<QList<SoundDevice>>("system");
    QTest::addColumn<QStringList>("qtNames");
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<QList<int>>("expectedIndexes");

    const QList<SoundDevice> pulse { soundDevice("usb_mic", "USB Mic"), soundDevice("builtin", "Built-in Audio"),
        soundDevice("speaker.monitor", "Monitor of Speaker", true) };
    // Qt lists the sound server's devices beside ALSA's plugins, in its own order.
    const QStringList qt { "default", "pulse", "speaker.monitor", "builtin", "usb_mic", "upmix" };
    QTest::newRow("the system's order, Qt's devices")
        << pulse << qt << QStringList { "USB Mic", "Built-in Audio", "Monitor of Speaker" } << QList<int> { 4, 3, 2 };
    QTest::newRow("a device Qt does not offer is left out")
        << pulse << QStringList { "builtin" } << QStringList { "Built-in Audio" } << QList<int> { 0 };
    QTest::newRow("a name twice in Qt, the first")
        << QList<SoundDevice> { soundDevice("default", "Default") } << QStringList { "x", "default", "default" }
        << QStringList { "Default" } << QList<int> { 1 };
    QTest::newRow("a device twice in the system, once")
        << QList<SoundDevice> { soundDevice("a", "A"), soundDevice("a", "A again") } << QStringList { "a" }
        << QStringList { "A" } << QList<int> { 0 };
    QTest::newRow("no server, no Qt devices") << pulse << QStringList { "" } << QStringList() << QList<int>();
}

void TestDeviceCatalog::match()
{
    QFETCH(QList<SoundDevice>, system);
    QFETCH(QStringList, qtNames);
    QFETCH(QStringList, expectedNames);
    QFETCH(QList<int>, expectedIndexes);
    QStringList names;
    QList<int> indexes;
    for (const auto &matched : QtDeviceCatalog::match(system, qtNames)) {
        names.append(matched.first.name);
        indexes.append(matched.second);
    }
    QCOMPARE(names, expectedNames);
    QCOMPARE(indexes, expectedIndexes);
}

void TestDeviceCatalog::fakeListsItsMachine()
{
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    FakeDeviceCatalog catalog(machine);
    QVERIFY(catalog.audioInputs().isEmpty() && catalog.cameras().isEmpty());
    machine->inputs = { FakeDeviceCatalog::audio("立体声混音 (Realtek High Definition Audio)"),
        FakeDeviceCatalog::audio("立体声混音 (USB)"), FakeDeviceCatalog::audio("Microphone (USB)"),
        FakeDeviceCatalog::audio("Monitor of Built-in Audio") };
    machine->cameras = { FakeDeviceCatalog::camera("Integrated Camera"), FakeDeviceCatalog::camera("USB Camera") };
    QCOMPARE(catalog.audioInputs().size(), 4);
    QCOMPARE(namesOf(catalog.microphones()), QStringList { "Microphone (USB)" });
    QCOMPARE(catalog.cameras().size(), 2);
    QVERIFY(catalog.cameras().at(0).deviceName != catalog.cameras().at(1).deviceName);
    machine->cameras.removeLast();
    QCOMPARE(catalog.cameras().size(), 1);
}

void TestDeviceCatalog::factoryCanBeReplaced()
{
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->outputs = { FakeDeviceCatalog::audio("Speakers") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
    QCOMPARE(namesOf(DeviceCatalog::create()->audioOutputs()), QStringList { "Speakers" });
    DeviceCatalog::setFactory({});
    QVERIFY(dynamic_cast<QtDeviceCatalog *>(DeviceCatalog::create().get()));
}

void TestDeviceCatalog::soundDevicesCarryTheCaptureNames()
{
    QtDeviceCatalog catalog;
    const PulseAudioServer::Options &options = m_server.options();

    const QList<AudioDeviceEntry> outputs = catalog.audioOutputs();
    QCOMPARE(namesOf(outputs), QStringList { options.sinkDescription });
    QCOMPARE(outputs.first().device.deviceName(), options.sinkName);
    QVERIFY(!outputs.first().isLoopback);

    const QList<AudioDeviceEntry> inputs = catalog.audioInputs();
    QCOMPARE(namesOf(inputs), QStringList({ options.sourceDescription, "Monitor of " + options.sinkDescription }));
    QCOMPARE(inputs.at(0).device.deviceName(), options.sourceName);
    QVERIFY(!inputs.at(0).isLoopback);
    QVERIFY(inputs.at(1).isLoopback);

    // The microphones are the capture's, by name, and a name opens the very device Qt tests.
    const QList<AudioDeviceEntry> microphones = catalog.microphones();
    QCOMPARE(namesOf(microphones), namesOf(CaptureDeviceResolver::microphones()));
    for (const AudioDeviceEntry &microphone : microphones) {
        const CaptureSource source = CaptureDeviceResolver::microphoneSource(microphone.name);
        QCOMPARE(source.format, QString("pulse"));
        QCOMPARE(source.url, microphone.device.deviceName());
    }
    // The monitor is no microphone to the capture either.
    QVERIFY(!CaptureDeviceResolver::microphoneSource(inputs.at(1).name).isValid());
}

void TestDeviceCatalog::camerasCarryTheCaptureNames()
{
    QtDeviceCatalog catalog;
    QStringList names;
    for (const CameraEntry &camera : catalog.cameras()) {
        names.append(camera.name);
        QCOMPARE(CaptureDeviceResolver::cameraSource(camera.name).url, QString::fromLatin1(camera.deviceName));
    }
    // A build machine has none; a machine with cameras lists the capture's (those Qt can open as well).
    for (const QString &name : names)
        QVERIFY(namesOf(CaptureDeviceResolver::cameras()).contains(name));
    if (CaptureDeviceResolver::cameras().isEmpty())
        QVERIFY(names.isEmpty());
}

void TestDeviceCatalog::hungServerDoesNotHoldTheLists()
{
    // Long enough that a listing without the wait, however slow a busy machine makes it, stays well below it.
    constexpr int limitMs = 1000;
    QtDeviceCatalog catalog(limitMs, 60000);
    QVERIFY(!catalog.audioOutputs().isEmpty());
    // A server that takes the connection and never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    QList<AudioDeviceEntry> first;
    qint64 firstMs = 0;
    qint64 secondMs = 0;
    {
        PulseServerAddress address(QString("tcp:127.0.0.1:%1").arg(silent.serverPort()));
        QElapsedTimer timer;
        timer.start();
        first = catalog.audioInputs();
        firstMs = timer.elapsed();
        timer.restart();
        catalog.audioOutputs();
        secondMs = timer.elapsed();
    }
    // Without the server's names nothing of it is listed; the next listing does not wait again.
    QVERIFY(!namesOf(first).contains(m_server.options().sourceDescription));
    QVERIFY2(firstMs >= limitMs && firstMs < limitMs + 2000, qPrintable(QString::number(firstMs)));
    QVERIFY2(secondMs < limitMs, qPrintable(QString::number(secondMs)));
}

QTEST_MAIN(TestDeviceCatalog)
#include "tst_devicecatalog.moc"
