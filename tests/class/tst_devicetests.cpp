#include "tests/support/messageboxcloser.h"
#include "tests/support/namedchild.h"
#include "tests/support/pulseaudioserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/devicesetview.h"
#include "vrek/class/volumeprogressbar.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/combobox.h"

#include <QAudioDeviceInfo>
#include <QAudioInput>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
// The warnings of the view while it lives, and the longest time the event loop was kept from running.
class Watch : public QObject
{
public:
    Watch()
    {
        s_warnings.clear();
        s_previous = qInstallMessageHandler(&Watch::handler);
        m_clock.start();
        connect(
            &m_tick, &QTimer::timeout, this, [this] { m_longestStallMs = qMax(m_longestStallMs, m_clock.restart()); });
        m_tick.start(10);
    }
    ~Watch() override { qInstallMessageHandler(s_previous); }

    QStringList warnings() const { return s_warnings; }
    qint64 longestStallMs() const { return m_longestStallMs; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtWarningMsg)
            s_warnings.append(message);
        s_previous(type, context, message);
    }

    static QStringList s_warnings;
    static QtMessageHandler s_previous;
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_longestStallMs = 0;
};
QStringList Watch::s_warnings;
QtMessageHandler Watch::s_previous = nullptr;

// The highest value a bar showed.
class Peak : public QObject
{
public:
    explicit Peak(VolumeProgressBar *bar)
    {
        connect(bar, &QProgressBar::valueChanged, this, [this](int value) { peak = qMax(peak, value); });
    }
    int peak = 0;
};

// What a recording of the test's own on the microphone hears from now on: a test still running in the view would
// have been given the same sound meanwhile, and have shown it.
bool heardElsewhere(const QString &sourceName, int ms)
{
    QAudioDeviceInfo device;
    for (const QAudioDeviceInfo &each : QAudioDeviceInfo::availableDevices(QAudio::AudioInput)) {
        if (each.deviceName() == sourceName)
            device = each;
    }
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleSize(16);
    format.setCodec("audio/pcm");
    format.setSampleType(QAudioFormat::SignedInt);
    QAudioInput input(device, format);
    QIODevice *stream = input.start();
    if (!stream)
        return false;
    qint64 heard = 0;
    QObject::connect(stream, &QIODevice::readyRead, stream, [stream, &heard] { heard += stream->readAll().size(); });
    const bool enough = QTest::qWaitFor([&] { return heard >= format.bytesForDuration(qint64(ms) * 1000); }, 20000);
    input.stop();
    return enough;
}

// The sound server's own command line tool, on the test's server.
bool pactl(const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start("pactl", arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        qWarning() << "pactl" << arguments << process.readAllStandardError();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}
} // namespace

// The speaker and microphone tests on a sound server of the test's own (a silent speaker that takes sound at
// its real pace, a microphone that hears a tone).
class TestDeviceTests : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void notifyInterval_data();
    void notifyInterval();
    void barValue_data();
    void barValue();
    void speakerPlaysTheSoundToItsEnd();
    void microphoneRaisesTheBar();
    void deadSpeakerIsReported();

private:
    TempWorkDir *m_work = nullptr;
    PulseAudioServer m_server;
};

void TestDeviceTests::initTestCase()
{
    m_work = new TempWorkDir;
    SettingConfig::getSetting();
    QVERIFY2(m_server.start(), qPrintable(m_server.log()));
    // Before anything asks Qt Multimedia: it keeps the first server it finds.
    m_server.useEnvironment();
}

void TestDeviceTests::cleanupTestCase()
{
    delete m_work;
}

void TestDeviceTests::notifyInterval_data()
{
    QTest::addColumn<int>("periodBytes");
    QTest::addColumn<int>("expected");
    const int bytesPerSecond = 176400; // 44.1 kHz, 16-bit stereo
    QTest::newRow("20 ms periods") << 3528 << 20;
    QTest::newRow("a tenth of a second") << bytesPerSecond / 10 << 100;
    QTest::newRow("a few frames, at least 1 ms") << 16 << 1;
    QTest::newRow("no period size") << 0 << int(DeviceSetView::fallbackNotifyMs);
}

void TestDeviceTests::notifyInterval()
{
    QFETCH(int, periodBytes);
    QFETCH(int, expected);
    QCOMPARE(DeviceSetView::notifyIntervalMs(periodBytes, 176400), expected);
}

void TestDeviceTests::barValue_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<int>("expected");
    QTest::newRow("silence") << 0.0 << 0;
    QTest::newRow("0.999 is not yet full") << 0.999 << 99;
    QTest::newRow("half") << 0.5 << 50;
    QTest::newRow("full") << 1.0 << 100;
}

void TestDeviceTests::barValue()
{
    QFETCH(double, level);
    QFETCH(int, expected);
    QCOMPARE(DeviceSetView::barValue(level), expected);
}

void TestDeviceTests::speakerPlaysTheSoundToItsEnd()
{
    DeviceSetView view;
    namedChild<QPushButton>(view, "speakLeftButton")->setChecked(true);
    auto *speakers = namedChild<ComboBox>(view, "speakComboBox");
    QCOMPARE(speakers->currentText(), m_server.options().sinkDescription);
    auto *play = namedChild<QPushButton>(view, "speakButton");
    auto *bar = namedChild<VolumeProgressBar>(view, "speakProgressBar");
    QVERIFY(play->isEnabled());
    // Once the first build of every list is over: a list that changes stops the tests.
    QTRY_VERIFY(namedChild<ComboBox>(view, "microComboBox")->count() > 0);
    Peak peak(bar);
    Watch watch;
    QElapsedTimer playing;
    playing.start();
    QTest::mouseClick(play, Qt::LeftButton);
    // No second press while it plays.
    QVERIFY(!play->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(play->isEnabled(), 60000);
    const qint64 playedMs = playing.elapsed();
    QCOMPARE(bar->value(), 0);
    QVERIFY2(peak.peak > 10, qPrintable(QString::number(peak.peak)));
    // The sound (3.2 s) went to the device at the pace it plays it, to its end.
    QVERIFY2(playedMs >= 3000, qPrintable(QString::number(playedMs)));
    // It never ran dry, unless the test's own event loop was held up longer than the device's buffer.
    const QStringList dry = watch.warnings().filter("ran dry");
    QVERIFY2(dry.isEmpty() || watch.longestStallMs() > 200,
        qPrintable(dry.join("; ") + " longest stall " + QString::number(watch.longestStallMs())));
    QVERIFY(watch.warnings().filter("error:").isEmpty());

    // Played again from its start.
    playing.restart();
    QTest::mouseClick(play, Qt::LeftButton);
    QVERIFY(!play->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(play->isEnabled(), 60000);
    QVERIFY(playing.elapsed() >= 3000);
}

void TestDeviceTests::microphoneRaisesTheBar()
{
    DeviceSetView view;
    auto *microStep = namedChild<QPushButton>(view, "microLeftButton");
    microStep->setChecked(true);
    auto *microphones = namedChild<ComboBox>(view, "microComboBox");
    // The speaker's monitor records no one.
    QCOMPARE(microphones->count(), 1);
    QCOMPARE(microphones->currentText(), m_server.options().sourceDescription);
    auto *test = namedChild<QPushButton>(view, "microButton");
    auto *bar = namedChild<VolumeProgressBar>(view, "microProgressBar");
    QCOMPARE(test->text(), QString("麦克风测试"));
    QTRY_VERIFY(namedChild<ComboBox>(view, "speakComboBox")->count() > 0);
    for (int round = 0; round < 2; ++round) {
        Peak peak(bar);
        QTest::mouseClick(test, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(test->text(), QString("关闭测试"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(peak.peak > 10, 20000);
        if (round == 0) {
            // Leaving the step stops the test.
            namedChild<QPushButton>(view, "systemLeftButton")->setChecked(true);
            microStep->setChecked(true);
        } else {
            QTest::mouseClick(test, Qt::LeftButton);
        }
        QCOMPARE(test->text(), QString("麦克风测试"));
        QCOMPARE(bar->value(), 0);
    }
    // Stopped, the bar stays down.
    QVERIFY(heardElsewhere(m_server.options().sourceName, 300));
    QCOMPARE(bar->value(), 0);
}

void TestDeviceTests::deadSpeakerIsReported()
{
    QString module;
    QVERIFY(pactl(
        { "load-module", "module-null-sink", "sink_name=tavi_gone", "sink_properties=device.description=Gone_Speaker" },
        &module));
    DeviceSetView view;
    namedChild<QPushButton>(view, "speakLeftButton")->setChecked(true);
    auto *speakers = namedChild<ComboBox>(view, "speakComboBox");
    const int gone = speakers->findText("Gone_Speaker");
    QVERIFY2(gone >= 0, qPrintable(speakers->currentText()));
    QTRY_VERIFY(namedChild<ComboBox>(view, "microComboBox")->count() > 0);
    speakers->setCurrentIndex(gone);
    // Unplugged between the list's refresh and the press.
    QVERIFY(pactl({ "unload-module", module }));
    MessageBoxCloser boxes;
    auto *play = namedChild<QPushButton>(view, "speakButton");
    QTest::mouseClick(play, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.titledTexts, QStringList { "提示|扬声器打开失败!" }, 20000);
    QVERIFY(play->isEnabled());
}

QTEST_MAIN(TestDeviceTests)
#include "tst_devicetests.moc"
