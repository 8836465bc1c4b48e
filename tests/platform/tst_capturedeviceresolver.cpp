#include "platform/capturedevice/capturedeviceresolver.h"

#include <QTcpServer>
#include <QtTest>

namespace {
CaptureDevice device(const QString &name, const QString &id, const QString &backend, bool isDefault = false)
{
    CaptureDevice result;
    result.name = name;
    result.id = id;
    result.backend = backend;
    result.isDefault = isDefault;
    return result;
}

const QString defaultName = QStringLiteral("Windows默认设备");
const QString disabledName = QStringLiteral("禁用");
} // namespace

Q_DECLARE_METATYPE(QList<CaptureDevice>)

class TestCaptureDeviceResolver : public QObject
{
    Q_OBJECT
private slots:
    void chooseMicrophone_data();
    void chooseMicrophone();
    void chooseCamera_data();
    void chooseCamera();
    void cameraSource_data();
    void cameraSource();
    void microphoneSource_data();
    void microphoneSource();
    void systemListsAnswerPromptly();
    void silentSoundServerDoesNotHoldTheList();
};

void TestCaptureDeviceResolver::chooseMicrophone_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<CaptureDevice>>("microphones");
    QTest::addColumn<QString>("expected");

    const QList<CaptureDevice> usual { device("Built-in Audio Analog Stereo", "alsa_input.pci.analog-stereo", "pulse",
                                           true),
        device("USB Headset Mono", "alsa_input.usb-headset.mono", "pulse") };
    const QList<CaptureDevice> mixFirst { device("立体声混音 (Realtek High Definition Audio)", "mix", "alsa"),
        device("Stereo Mix (USB)", "mix2", "alsa"), device("Microphone (USB)", "plughw:CARD=USB,DEV=0", "alsa") };
    const QList<CaptureDevice> onlyLoopback { device("立体声混音", "mix", "alsa"),
        device("Monitor of Built-in Audio", "alsa_output.pci.analog-stereo.monitor", "pulse") };

    QTest::newRow("default") << defaultName << usual << "Built-in Audio Analog Stereo";
    QTest::newRow("empty means default") << "" << usual << "Built-in Audio Analog Stereo";
    QTest::newRow("disabled") << disabledName << usual << "";
    QTest::newRow("named") << "USB Headset Mono" << usual << "USB Headset Mono";
    QTest::newRow("a name not there stays as stored") << "Gone Mic" << usual << "Gone Mic";
    QTest::newRow("stereo mix is never the default") << defaultName << mixFirst << "Microphone (USB)";
    QTest::newRow("only loopback sources") << defaultName << onlyLoopback << "";
    QTest::newRow("no microphone") << defaultName << QList<CaptureDevice>() << "";
    QTest::newRow("generated source") << "lavfi:sine" << usual << "lavfi:sine";
}

void TestCaptureDeviceResolver::chooseMicrophone()
{
    QFETCH(QString, stored);
    QFETCH(QList<CaptureDevice>, microphones);
    QFETCH(QString, expected);
    QCOMPARE(CaptureDeviceResolver::chooseMicrophone(stored, microphones), expected);
}

void TestCaptureDeviceResolver::chooseCamera_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<CaptureDevice>>("cameras");
    QTest::addColumn<QString>("expected");

    const QList<CaptureDevice> cameras { device("Integrated Camera", "/dev/video0", "v4l2", true),
        device("HD Pro Webcam C920", "/dev/video2", "v4l2") };
    QTest::newRow("default") << defaultName << cameras << "Integrated Camera";
    QTest::newRow("empty means default") << "" << cameras << "Integrated Camera";
    QTest::newRow("disabled") << disabledName << cameras << "";
    QTest::newRow("named") << "HD Pro Webcam C920" << cameras << "HD Pro Webcam C920";
    QTest::newRow("no camera") << defaultName << QList<CaptureDevice>() << "";
}

void TestCaptureDeviceResolver::chooseCamera()
{
    QFETCH(QString, stored);
    QFETCH(QList<CaptureDevice>, cameras);
    QFETCH(QString, expected);
    QCOMPARE(CaptureDeviceResolver::chooseCamera(stored, cameras), expected);
}

void TestCaptureDeviceResolver::cameraSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("url");

    QTest::newRow("by name") << "HD Pro Webcam C920"
                             << "v4l2"
                             << "/dev/video2";
    QTest::newRow("by node") << "/dev/video0"
                             << "v4l2"
                             << "/dev/video0";
    QTest::newRow("a node not listed") << "/dev/video7"
                                       << "v4l2"
                                       << "/dev/video7";
    QTest::newRow("default") << defaultName << "v4l2"
                             << "/dev/video0";
    QTest::newRow("unknown") << "Gone Camera"
                             << ""
                             << "";
    QTest::newRow("disabled") << disabledName << ""
                              << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    // Paced like a camera unless the graph says otherwise.
    QTest::newRow("generated") << "lavfi:testsrc=size=640x480"
                               << "lavfi"
                               << "testsrc=size=640x480,realtime";
    QTest::newRow("generated, paced") << "lavfi:testsrc,realtime"
                                      << "lavfi"
                                      << "testsrc,realtime";
    QTest::newRow("generated, several chains") << "lavfi:testsrc[a];[a]null"
                                               << "lavfi"
                                               << "testsrc[a];[a]null";
    QTest::newRow("generated, no graph") << "lavfi:"
                                         << ""
                                         << "";
}

void TestCaptureDeviceResolver::cameraSource()
{
    QFETCH(QString, name);
    QFETCH(QString, format);
    QFETCH(QString, url);
    const QList<CaptureDevice> cameras { device("Integrated Camera", "/dev/video0", "v4l2", true),
        device("HD Pro Webcam C920", "/dev/video2", "v4l2") };
    const CaptureSource source = CaptureDeviceResolver::cameraSource(name, cameras);
    QCOMPARE(source.isValid(), !url.isEmpty());
    if (source.isValid()) {
        QCOMPARE(source.format, format);
        QCOMPARE(source.url, url);
    }
}

void TestCaptureDeviceResolver::microphoneSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("url");

    QTest::newRow("by name") << "USB Headset Mono"
                             << "pulse"
                             << "alsa_input.usb-headset.mono";
    QTest::newRow("by source name") << "alsa_input.usb-headset.mono"
                                    << "pulse"
                                    << "alsa_input.usb-headset.mono";
    QTest::newRow("default") << defaultName << "pulse"
                             << "alsa_input.pci.analog-stereo";
    QTest::newRow("alsa device") << "HDA Intel PCH, ALC3246 Analog"
                                 << "alsa"
                                 << "plughw:CARD=PCH,DEV=0";
    QTest::newRow("a monitor, even by its name") << "alsa_output.pci.analog-stereo.monitor"
                                                 << ""
                                                 << "";
    QTest::newRow("stereo mix, even by its name") << "立体声混音"
                                                  << ""
                                                  << "";
    QTest::newRow("unknown") << "Gone Mic"
                             << ""
                             << "";
    QTest::newRow("disabled") << disabledName << ""
                              << "";
    QTest::newRow("generated") << "lavfi:sine=sample_rate=48000"
                               << "lavfi"
                               << "sine=sample_rate=48000,arealtime";
}

void TestCaptureDeviceResolver::microphoneSource()
{
    QFETCH(QString, name);
    QFETCH(QString, format);
    QFETCH(QString, url);
    const QList<CaptureDevice> microphones {
        device("Built-in Audio Analog Stereo", "alsa_input.pci.analog-stereo", "pulse", true),
        device("USB Headset Mono", "alsa_input.usb-headset.mono", "pulse"),
        device("Monitor of Built-in Audio", "alsa_output.pci.analog-stereo.monitor", "pulse"),
        device("立体声混音", "hw:1,2", "alsa"),
        device("HDA Intel PCH, ALC3246 Analog", "plughw:CARD=PCH,DEV=0", "alsa"),
    };
    const CaptureSource source = CaptureDeviceResolver::microphoneSource(name, microphones);
    QCOMPARE(source.isValid(), !url.isEmpty());
    if (source.isValid()) {
        QCOMPARE(source.format, format);
        QCOMPARE(source.url, url);
    }
}

void TestCaptureDeviceResolver::systemListsAnswerPromptly()
{
    // Whatever this machine has (a build machine has no camera and maybe no sound server).
    QElapsedTimer timer;
    timer.start();
    const QList<CaptureDevice> cameras = CaptureDeviceResolver::cameras();
    const QList<CaptureDevice> microphones = CaptureDeviceResolver::microphones();
    QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    for (const CaptureDevice &camera : cameras) {
        QCOMPARE(camera.backend, QString("v4l2"));
        QVERIFY(camera.id.startsWith("/dev/video"));
    }
    for (int i = 0; i < microphones.size(); ++i) {
        QVERIFY(!CaptureDeviceResolver::isLoopbackSource(microphones[i].name, microphones[i].id));
        QVERIFY(microphones[i].backend == "pulse" || microphones[i].backend == "alsa");
        QVERIFY(!microphones[i].isDefault || i == 0);
    }
    QCOMPARE(CaptureDeviceResolver::resolveMicrophoneName(defaultName),
        microphones.isEmpty() ? QString() : microphones.first().name);
    QCOMPARE(CaptureDeviceResolver::resolveCameraName(disabledName), QString());
    QCOMPARE(CaptureDeviceResolver::resolveCameraName("lavfi:testsrc"), QString("lavfi:testsrc"));
}

void TestCaptureDeviceResolver::silentSoundServerDoesNotHoldTheList()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", QString("tcp:127.0.0.1:%1").arg(server.serverPort()).toLatin1());
    QElapsedTimer timer;
    timer.start();
    CaptureDeviceResolver::microphones();
    const qint64 took = timer.elapsed();
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(100));
    QVERIFY2(took < 3000, qPrintable(QString::number(took)));
}

QTEST_GUILESS_MAIN(TestCaptureDeviceResolver)
#include "tst_capturedeviceresolver.moc"
