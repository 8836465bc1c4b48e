// The recorder on a real X display (Xvfb, started by this test before its QApplication): a Qt window with the
// recorded title and a generated microphone, into real files, shared to a real RTMP server.
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"

#include "platform/windowcapture/windowcaptureresolver.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/record/recordscreenmanager.h"
#include "vrek/record/recordui.h"
#include "vrek/record/screenrecorder.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/threadfactory.h"
#include "vrek/viewui/classtipmessage.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTime>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {
const char *const microphone = "lavfi:sine=frequency=440:sample_rate=48000";

// The teacher program's window: a picture that changes ten times a second.
class TeacherWindow : public QWidget
{
public:
    TeacherWindow()
    {
        setWindowTitle(WindowCaptureResolver::recordedWindowTitle);
        resize(640, 360);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            ++m_count;
            update();
        });
        m_timer.start(100);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromHsv((m_count * 7) % 360, 200, 220));
        painter.fillRect(QRect((m_count * 10) % width(), 100, 80, 80), Qt::black);
    }

private:
    QTimer m_timer;
    int m_count = 0;
};

struct Span
{
    int packets = 0;
    double first = 0;
    double last = 0;
    double largestGap = 0;
};

Span span(const FfmpegReceiver::ProbeResult &probe, const QString &type)
{
    Span result;
    const FfmpegReceiver::StreamInfo *stream = probe.stream(type);
    if (!stream)
        return result;
    QList<double> pts;
    for (const FfmpegReceiver::PacketInfo &packet : probe.packetsOf(stream->index))
        pts << packet.pts;
    std::sort(pts.begin(), pts.end());
    result.packets = pts.size();
    if (pts.isEmpty())
        return result;
    result.first = pts.first();
    result.last = pts.last();
    for (int i = 1; i < pts.size(); ++i)
        result.largestGap = qMax(result.largestGap, pts[i] - pts[i - 1]);
    return result;
}
} // namespace

class TestScreenRecorder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowIsFoundByItsTitle();
    void recordsWindowAndMicrophone();
    void pauseKeepsPictureAndSoundInStep();
    void shortRecordingIsKeptWithItsTrailer();
    void recordingWithoutDataIsRemoved();
    void containerFollowsTheFileName();
    void noWindowFailsWithItsCode();
    void noMicrophoneFailsWithItsCode();
    void stopWhileOpeningIsNotLost();
    void threadIsReleasedOnlyAfterTheRecordingEnded();
    void restartWhileTheLastRecordingEnds();
    void managerGoneWhileRecording();
    void sharesToRtmpServer();
    void shareThatFailsIsGivenUp();
    void endingTheShareKeepsTheRecording();
    void refusedShareLeavesTheFileRecording();
    void silentShareServerDoesNotHoldTheGuiThread();

private:
    // Starts a recording of the manager and waits until it records.
    bool startRecording(RecordScreenManager *manager, const QString &name);
    // A recording shared to the address; the clock, when given, starts once the recording has.
    bool startSharedRecording(
        RecordScreenManager *manager, const QString &name, const QString &shareUrl, QElapsedTimer *recording);
    bool stopRecording(RecordScreenManager *manager, QString *path = nullptr);

    TempWorkDir *m_dir = nullptr;
    TeacherWindow *m_window = nullptr;
    ThreadFactory *m_factory = nullptr;
};

void TestScreenRecorder::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
    g_userId = "u1001";
    g_pushStreamId = "u100120240101080000";
    g_lessonName = "数学";
    g_classType = 6;
}

void TestScreenRecorder::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    QVERIFY(QDir().mkpath("media"));
    m_factory = new ThreadFactory();
    m_window = new TeacherWindow();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    g_recordErrorFlag = false;
    g_shareRtmpFlag.store(false);
}

void TestScreenRecorder::cleanup()
{
    delete m_window;
    m_window = nullptr;
    // Recorders of a failed test end on their own; their threads go with the factory once they have.
    QTest::qWait(50);
    delete m_dir;
    m_dir = nullptr;
}

bool TestScreenRecorder::startRecording(RecordScreenManager *manager, const QString &name)
{
    QSignalSpy success(manager, &RecordScreenManager::signalRecordSuccess);
    manager->setAudioDevice(microphone);
    manager->setRecordFile(QDir::current().filePath("media/" + name));
    manager->StartRecord();
    if (!success.wait(10000)) {
        qWarning() << "the recording did not start";
        return false;
    }
    return manager->getState() == RecordScreenManager::StateRecording;
}

bool TestScreenRecorder::startSharedRecording(
    RecordScreenManager *manager, const QString &name, const QString &shareUrl, QElapsedTimer *recording)
{
    QSignalSpy shared(manager, &RecordScreenManager::signalShareResult);
    if (!startRecording(manager, name))
        return false;
    recording->start();
    g_shareRtmpUrl = shareUrl;
    manager->onSloStartShare();
    return shared.wait(10000) && shared.first().first().toBool();
}

bool TestScreenRecorder::stopRecording(RecordScreenManager *manager, QString *path)
{
    QSignalSpy released(manager, &RecordScreenManager::signalRecordReleased);
    manager->exitRecord();
    if (!released.wait(10000))
        return false;
    if (path)
        *path = released.first().first().toString();
    return true;
}

void TestScreenRecorder::windowIsFoundByItsTitle()
{
    const WindowCaptureResolver::Window found
        = WindowCaptureResolver::findWindow(WindowCaptureResolver::recordedWindowTitle);
    QVERIFY(found.id != 0);
    QCOMPARE(found.id, quint32(m_window->winId()));
    QCOMPARE(found.geometry.size(), m_window->size());
    QCOMPARE(WindowCaptureResolver::findWindow("TaviTeacher").id, quint32(0)); // the whole title, not a part
    m_window->hide();
    QTRY_COMPARE(WindowCaptureResolver::findWindow(WindowCaptureResolver::recordedWindowTitle).id, quint32(0));
}

void TestScreenRecorder::recordsWindowAndMicrophone()
{
    RecordUI controls(nullptr, m_factory);
    controls.recordManager()->setAudioDevice(microphone);
    QSignalSpy success(&controls, &RecordUI::signalRecordSuccess);
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    QSignalSpy errors(&controls, &RecordUI::signalRecordError);

    QElapsedTimer sinceStart;
    sinceStart.start();
    controls.recordAction()->trigger();
    QVERIFY(controls.isRecording());
    QCOMPARE(controls.recordAction()->text(), QString("结束录屏"));
    QVERIFY(controls.pauseButton()->isEnabled());
    QVERIFY(success.wait(10000));
    const QString name = g_recordFileName;
    QVERIFY(QRegularExpression("^6_u100120240101080000_u1001_\\d{14}\\.ts$").match(name).hasMatch());

    // Its row waits for upload in the transfer table.
    TransferFile row;
    row.setId(name + "@u1001");
    TransferFileDao dao;
    QVERIFY(dao.selectTransferFileById(row));
    QCOMPARE(row.getFileName(), "./media/" + name);
    QCOMPARE(row.getFileRange(), qint64(0));
    QCOMPARE(row.getClassTitle(), QString("数学"));

    // The label counts the recorded seconds: it gets to four, never ahead of the clock.
    auto shownSeconds = [&] {
        const QTime shown = QTime::fromString(controls.timeLabel()->text(), "hh:mm:ss");
        return shown.isValid() ? shown.msecsSinceStartOfDay() / 1000 : -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(shownSeconds() >= 4, 30000);
    const int shown = shownSeconds();
    QVERIFY2(shown * 1000 <= sinceStart.elapsed(), qPrintable(controls.timeLabel()->text()));

    const double recordedAtMost = (sinceStart.elapsed() + 500) / 1000.0;
    controls.recordAction()->trigger();
    QVERIFY(!controls.isRecording());
    QCOMPARE(controls.recordAction()->text(), QString("开始录屏"));
    QCOMPARE(controls.timeLabel()->text(), QString("00:00:00"));
    QVERIFY(released.wait(10000));
    QCOMPARE(errors.count(), 0);
    const QString path = released.first().first().toString();
    QCOMPARE(path, QDir::current().filePath("media/" + name));

    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const FfmpegReceiver::StreamInfo *video = probe.stream("video");
    const FfmpegReceiver::StreamInfo *audio = probe.stream("audio");
    QVERIFY(video && audio);
    QCOMPARE(video->codec, QString("h264"));
    QCOMPARE(video->width, 1280);
    QCOMPARE(video->height, 720);
    QCOMPARE(audio->codec, QString("aac"));
    QCOMPARE(audio->sampleRate, 32000);
    QCOMPARE(audio->channels, 1);
    QCOMPARE(audio->index, 0);
    const Span pictures = span(probe, "video");
    const Span sound = span(probe, "audio");
    qInfo() << "video" << pictures.packets << pictures.first << pictures.last << "audio" << sound.packets << sound.first
            << sound.last;
    // At least what the label showed, and no more than the time it ran (what a busy machine delays stays in
    // the stamps of the capture).
    const double recordedAtLeast = shown - 0.2;
    const QString bounds = QString(" in %1..%2").arg(recordedAtLeast).arg(recordedAtMost);
    QVERIFY2(pictures.last - pictures.first > recordedAtLeast && pictures.last - pictures.first < recordedAtMost,
        qPrintable(QString::number(pictures.last - pictures.first) + bounds));
    QVERIFY2(sound.last - sound.first > recordedAtLeast && sound.last - sound.first < recordedAtMost,
        qPrintable(QString::number(sound.last - sound.first) + bounds));
    // Ten a second; a busy machine may miss a few grabs, not half of them.
    QVERIFY2(pictures.packets >= 5 * shown, qPrintable(QString::number(pictures.packets)));
    QVERIFY(qAbs(pictures.first - sound.first) < 0.5);
    QCOMPARE(controls.recordManager()->endingRecorders(), 0);
}

void TestScreenRecorder::pauseKeepsPictureAndSoundInStep()
{
    RecordScreenManager manager(nullptr, m_factory);
    QVERIFY(startRecording(&manager, "paused.ts"));
    // Each stretch as long as it really lasted: a busy machine makes the waits longer.
    QElapsedTimer stretch;
    stretch.start();
    QTest::qWait(1500);
    manager.PauseRecord(true);
    const double firstRun = stretch.restart() / 1000.0;
    QTest::qWait(1500);
    manager.PauseRecord(false);
    const double paused = stretch.restart() / 1000.0;
    QTest::qWait(1500);
    const double secondRun = stretch.elapsed() / 1000.0;
    QString path;
    QVERIFY(stopRecording(&manager, &path));

    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const Span pictures = span(probe, "video");
    const Span sound = span(probe, "audio");
    qInfo() << "video" << pictures.first << pictures.last << pictures.largestGap << "audio" << sound.first << sound.last
            << sound.largestGap;
    // The paused stretch is in neither stream: both run as long as the two recorded stretches and end together.
    const double recorded = firstRun + secondRun;
    const QString expected = QString(" recorded %1 s, paused %2 s").arg(recorded).arg(paused);
    QVERIFY2(pictures.last - pictures.first < recorded + 0.8,
        qPrintable(QString::number(pictures.last - pictures.first) + expected));
    QVERIFY2(sound.last - sound.first < recorded + 0.8, qPrintable(QString::number(sound.last - sound.first) + expected));
    QVERIFY2(pictures.last - pictures.first > 2.3, qPrintable(QString::number(pictures.last - pictures.first) + expected));
    QVERIFY2(qAbs(pictures.last - sound.last) < 0.35, qPrintable(QString::number(pictures.last - sound.last)));
    QVERIFY(pictures.largestGap < 0.6);
    QVERIFY(sound.largestGap < 0.2);
}

void TestScreenRecorder::shortRecordingIsKeptWithItsTrailer()
{
    RecordScreenManager manager(nullptr, m_factory);
    QVERIFY(startRecording(&manager, "short.ts"));
    QTest::qWait(800);
    QString path;
    QVERIFY(stopRecording(&manager, &path));
    // Less than the output's buffer was written: a look at the file while it was still open found it empty.
    QVERIFY(QFileInfo(path).size() > 0);
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(span(probe, "video").packets > 0);
    QVERIFY(span(probe, "audio").packets > 0);
}

void TestScreenRecorder::recordingWithoutDataIsRemoved()
{
    RecordScreenManager manager(nullptr, m_factory);
    QSignalSpy success(&manager, &RecordScreenManager::signalRecordSuccess);
    manager.setAudioDevice(microphone);
    const QString path = QDir::current().filePath("media/empty.ts");
    manager.setRecordFile(path);
    manager.StartRecord();
    manager.PauseRecord(true); // paused from the start: nothing is ever encoded
    QVERIFY(success.wait(10000));
    QTest::qWait(300);
    QVERIFY(stopRecording(&manager));
    QVERIFY(!QFileInfo::exists(path));
}

void TestScreenRecorder::containerFollowsTheFileName()
{
    // An MP4 file is readable only with its trailer.
    RecordScreenManager manager(nullptr, m_factory);
    QVERIFY(startRecording(&manager, "lesson.mp4"));
    QTest::qWait(1000);
    QString path;
    QVERIFY(stopRecording(&manager, &path));
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.stream("video") && probe.stream("audio"));
    QCOMPARE(probe.stream("video")->width, 1280);
    QVERIFY(span(probe, "video").packets >= 5);
    QVERIFY(span(probe, "audio").packets >= 20);
}

void TestScreenRecorder::noWindowFailsWithItsCode()
{
    m_window->hide();
    QTRY_COMPARE(WindowCaptureResolver::findWindow(WindowCaptureResolver::recordedWindowTitle).id, quint32(0));
    RecordUI controls(nullptr, m_factory);
    controls.recordManager()->setAudioDevice(microphone);
    QSignalSpy codes(controls.recordManager(), &RecordScreenManager::signalRecordError);
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    QVERIFY(codes.wait(10000));
    QCOMPARE(codes.first().first().toInt(), int(ScreenRecorder::VideoOpenFail));
    QCOMPARE(controls.timeLabel()->text(), QString("视频设备打开失败"));
    QCOMPARE(controls.tipMessage()->text(), QString("视频开启失败，请退出课堂进行设备检测。"));
    QVERIFY(!controls.isRecording());
    QCOMPARE(controls.recordManager()->getState(), int(RecordScreenManager::StateIdle));
    QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, 5000);
}

void TestScreenRecorder::noMicrophoneFailsWithItsCode()
{
    RecordUI controls(nullptr, m_factory);
    controls.recordManager()->setAudioDevice("禁用");
    QSignalSpy codes(controls.recordManager(), &RecordScreenManager::signalRecordError);
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    QVERIFY(codes.wait(10000));
    QCOMPARE(codes.first().first().toInt(), int(ScreenRecorder::AudioDeviceNameEmpty));
    QCOMPARE(controls.timeLabel()->text(), QString("音频设备打开失败"));
    QCOMPARE(controls.tipMessage()->text(), QString("音频开启失败，请退出课堂进行设备检测。"));
    QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, 5000);
    QVERIFY(!QFileInfo::exists(released.first().first().toString()));
}

void TestScreenRecorder::stopWhileOpeningIsNotLost()
{
    RecordScreenManager manager(nullptr, m_factory);
    manager.setAudioDevice(microphone);
    manager.setRecordFile(QDir::current().filePath("media/opening.ts"));
    QSignalSpy success(&manager, &RecordScreenManager::signalRecordSuccess);
    QSignalSpy errors(&manager, &RecordScreenManager::signalRecordError);
    QSignalSpy released(&manager, &RecordScreenManager::signalRecordReleased);
    QSignalSpy finished(&manager, &RecordScreenManager::signalRecordFinished);
    manager.StartRecord();
    QPointer<ScreenRecorder> recorder = manager.recorder();
    QVERIFY(recorder);
    // Caught while it opens the devices (the window takes a picture or two).
    QElapsedTimer waited;
    waited.start();
    while (recorder->getState() != ScreenRecorder::StateOpening && waited.elapsed() < 5000)
        QThread::usleep(100);
    QCOMPARE(recorder->getState(), int(ScreenRecorder::StateOpening));
    manager.exitRecord();
    QCOMPARE(manager.getState(), int(RecordScreenManager::StateIdle));
    QCOMPARE(finished.count(), 1);
    QVERIFY(released.wait(10000));
    QCOMPARE(success.count(), 0);
    QCOMPARE(errors.count(), 0);
    QVERIFY(recorder.isNull() || recorder->hasEnded());
    QVERIFY(!QFileInfo::exists(QDir::current().filePath("media/opening.ts")));
}

void TestScreenRecorder::threadIsReleasedOnlyAfterTheRecordingEnded()
{
    RecordScreenManager manager(nullptr, m_factory);
    manager.setForceExitInterval(1);
    QVERIFY(startRecording(&manager, "forced.ts"));
    QTest::qWait(500);
    QPointer<ScreenRecorder> recorder = manager.recorder();
    QThread *thread = recorder->thread();
    QSignalSpy finished(&manager, &RecordScreenManager::signalRecordFinished);
    QSignalSpy released(&manager, &RecordScreenManager::signalRecordReleased);
    // The recorder's loop is held up the way a slow write would hold it: the force-exit time passes first.
    const std::shared_ptr<Media> media = manager.media();
    media->outputLock.lock();
    manager.exitRecord();
    QVERIFY(finished.wait(2000));
    QCOMPARE(manager.getState(), int(RecordScreenManager::StateIdle));
    QCOMPARE(released.count(), 0);
    QCOMPARE(manager.endingRecorders(), 1);
    QVERIFY(!recorder.isNull());
    QVERIFY(thread->isRunning());
    // A new recording may start meanwhile.
    QVERIFY(startRecording(&manager, "next.ts"));
    media->outputLock.unlock();
    QVERIFY(released.wait(10000));
    QCOMPARE(released.first().first().toString(), QDir::current().filePath("media/forced.ts"));
    QCOMPARE(manager.endingRecorders(), 0);
    QTRY_VERIFY(recorder.isNull());
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(QDir::current().filePath("media/forced.ts"));
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(stopRecording(&manager));
}

void TestScreenRecorder::restartWhileTheLastRecordingEnds()
{
    RecordUI controls(nullptr, m_factory);
    RecordScreenManager *manager = controls.recordManager();
    manager->setAudioDevice(microphone);
    manager->setForceExitInterval(5000);
    QSignalSpy success(&controls, &RecordUI::signalRecordSuccess);
    QSignalSpy finished(&controls, &RecordUI::signRecordFinishedOut);
    QSignalSpy released(manager, &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    QVERIFY(success.wait(10000));
    QTest::qWait(300);
    const std::shared_ptr<Media> first = manager->media();
    first->outputLock.lock(); // the first recording takes its time to end
    controls.OnStartStopRecord(false);
    QVERIFY(!controls.isRecording());
    QCOMPARE(finished.count(), 0);
    QTest::qWait(1100); // a new name a second later

    controls.OnStartStopRecord(true);
    QCOMPARE(finished.count(), 1); // the first one's end
    QVERIFY(controls.isRecording());
    QCOMPARE(controls.recordAction()->text(), QString("结束录屏"));
    QVERIFY(controls.pauseButton()->isEnabled());
    QVERIFY(success.wait(10000));
    first->outputLock.unlock();
    QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, 10000);
    QVERIFY(controls.isRecording());
    QCOMPARE(manager->getState(), int(RecordScreenManager::StateRecording));
    QTest::qWait(1000);
    controls.OnStartStopRecord(false);
    QTRY_COMPARE_WITH_TIMEOUT(released.count(), 2, 10000);
    QVERIFY(released.at(0).first().toString() != released.at(1).first().toString());
    for (const QList<QVariant> &file : qAsConst(released))
        QVERIFY(FfmpegReceiver::probe(file.first().toString()).ok);
}

void TestScreenRecorder::managerGoneWhileRecording()
{
    auto *manager = new RecordScreenManager(nullptr, m_factory);
    QVERIFY(startRecording(manager, "orphan.ts"));
    QTest::qWait(800);
    QPointer<ScreenRecorder> recorder = manager->recorder();
    QCOMPARE(m_factory->threadCount(), 1);
    delete manager;
    // The recorder ends by itself; the factory takes its thread back then.
    QTRY_VERIFY_WITH_TIMEOUT(recorder.isNull(), 10000);
    QTRY_COMPARE(m_factory->threadCount(), 0);
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(QDir::current().filePath("media/orphan.ts"), true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(span(probe, "video").packets > 0);
}

void TestScreenRecorder::sharesToRtmpServer()
{
    RtmpServer server;
    QVERIFY(server.start());
    RecordUI controls(nullptr, m_factory);
    RecordScreenManager *manager = controls.recordManager();
    manager->setAudioDevice(microphone);
    QSignalSpy success(&controls, &RecordUI::signalRecordSuccess);
    QSignalSpy shared(manager, &RecordScreenManager::signalShareResult);
    controls.OnStartStopRecord(true);
    QVERIFY(success.wait(10000));
    g_shareRtmpUrl = server.url("share");
    emit controls.signalRecordShareRtmp();
    QVERIFY(shared.wait(10000));
    QCOMPARE(shared.first().first().toBool(), true);
    QVERIFY(g_shareRtmpFlag.load());

    FfmpegReceiver receiver;
    QVERIFY(receiver.start(server.url("share"), 3));
    QVERIFY2(receiver.waitForFinished(15000), qPrintable(receiver.errorOutput()));
    const FfmpegReceiver::ProbeResult received = FfmpegReceiver::probe(receiver.filePath(), true);
    QVERIFY2(received.ok, qPrintable(received.error + receiver.errorOutput()));
    const FfmpegReceiver::StreamInfo *video = received.stream("video");
    const FfmpegReceiver::StreamInfo *audio = received.stream("audio");
    QVERIFY(video && audio);
    QCOMPARE(video->codec, QString("h264"));
    QCOMPARE(video->width, 1280);
    QCOMPARE(audio->codec, QString("aac"));
    QVERIFY(span(received, "video").packets >= 10);
    QVERIFY(span(received, "audio").packets >= 30);

    QSignalSpy released(manager, &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(false);
    QVERIFY(released.wait(10000));
    QVERIFY(!g_shareRtmpFlag.load());
    const FfmpegReceiver::ProbeResult file = FfmpegReceiver::probe(released.first().first().toString(), true);
    QVERIFY2(file.ok, qPrintable(file.error));
    QVERIFY(span(file, "video").packets > 0);
}

void TestScreenRecorder::shareThatFailsIsGivenUp()
{
    RtmpServer server;
    QVERIFY(server.start());
    RecordScreenManager manager(nullptr, m_factory);
    QElapsedTimer recording;
    QVERIFY(startSharedRecording(&manager, "dropped.ts", server.url("share"), &recording));
    QTest::qWait(500);
    server.stop();
    // The next write fails: the share is given up rather than tried again for every packet.
    QTRY_VERIFY_WITH_TIMEOUT(!g_shareRtmpFlag.load(), 8000);
    QTest::qWait(1000);
    QCOMPARE(manager.getState(), int(RecordScreenManager::StateRecording));
    const double recorded = recording.elapsed() / 1000.0;
    QElapsedTimer stopping;
    stopping.start();
    QString path;
    QVERIFY(stopRecording(&manager, &path));
    QVERIFY(stopping.elapsed() < 2000);
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    // Pictures went on into the file after the share was gone.
    const Span pictures = span(probe, "video");
    QVERIFY2(pictures.last > recorded - 0.6, qPrintable(QString("%1 %2").arg(pictures.last).arg(recorded)));
    QVERIFY(pictures.largestGap < 0.6);
}

void TestScreenRecorder::endingTheShareKeepsTheRecording()
{
    RtmpServer server;
    QVERIFY(server.start());
    RecordScreenManager manager(nullptr, m_factory);
    QSignalSpy released(&manager, &RecordScreenManager::signalRecordReleased);
    QElapsedTimer recording;
    QVERIFY(startSharedRecording(&manager, "unshared.ts", server.url("share"), &recording));
    QTest::qWait(500);

    ScreenRecorder *recorder = manager.recorder();
    QSignalSpy shareEnded(recorder, &ScreenRecorder::signalShareRtmpExit);
    recorder->exitShareThread();
    QCOMPARE(shareEnded.count(), 1);
    QVERIFY(!g_shareRtmpFlag.load());
    // Only the share ended: the recording goes on into its file.
    QTest::qWait(1000);
    QCOMPARE(released.count(), 0);
    QCOMPARE(manager.getState(), int(RecordScreenManager::StateRecording));
    QCOMPARE(manager.recorder(), recorder);
    const double recorded = recording.elapsed() / 1000.0;
    QString path;
    QVERIFY(stopRecording(&manager, &path));
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const Span pictures = span(probe, "video");
    QVERIFY2(pictures.last > recorded - 0.6, qPrintable(QString("%1 %2").arg(pictures.last).arg(recorded)));
}

void TestScreenRecorder::refusedShareLeavesTheFileRecording()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close(); // nothing listens there now
    RecordScreenManager manager(nullptr, m_factory);
    QSignalSpy shared(&manager, &RecordScreenManager::signalShareResult);
    QVERIFY(startRecording(&manager, "refused.ts"));
    g_shareRtmpUrl = QString("rtmp://127.0.0.1:%1/live/share").arg(port);
    manager.onSloStartShare();
    QVERIFY(shared.wait(10000));
    QCOMPARE(shared.first().first().toBool(), false);
    QVERIFY(!g_shareRtmpFlag.load());
    QCOMPARE(manager.getState(), int(RecordScreenManager::StateRecording));
    QTest::qWait(1000);
    QString path;
    QVERIFY(stopRecording(&manager, &path));
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(path, true);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(span(probe, "video").packets > 0);
}

void TestScreenRecorder::silentShareServerDoesNotHoldTheGuiThread()
{
    // Takes the connection and never answers: the handshake would wait for ever.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    RecordScreenManager manager(nullptr, m_factory);
    const int connectLimitMs = 700;
    manager.setShareLimits(connectLimitMs, connectLimitMs, 300);
    QSignalSpy shared(&manager, &RecordScreenManager::signalShareResult);
    QVERIFY(startRecording(&manager, "silent.ts"));
    g_shareRtmpUrl = QString("rtmp://127.0.0.1:%1/live/share").arg(silent.serverPort());
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    QElapsedTimer took;
    took.start();
    manager.onSloStartShare();
    // A start that waited for the handshake would have taken the connect limit.
    QVERIFY2(took.elapsed() < connectLimitMs, qPrintable(QString::number(took.elapsed())));
    QVERIFY(shared.wait(5000));
    QCOMPARE(shared.first().first().toBool(), false);
    QVERIFY2(took.elapsed() < 2500, qPrintable(QString::number(took.elapsed())));
    QVERIFY(ticks >= 10); // the GUI thread went on meanwhile
    QVERIFY(!g_shareRtmpFlag.load());
    QVERIFY(stopRecording(&manager));
}

VREK_XVFB_TEST_MAIN(TestScreenRecorder)

#include "tst_screenrecorder.moc"
