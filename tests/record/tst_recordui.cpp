// The recording controls offscreen: no X display here, so every recording they start ends at its opening.
#include "tests/support/tempworkdir.h"

#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/record/recordscreenmanager.h"
#include "vrek/record/recordui.h"
#include "vrek/record/screenrecorder.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/threadfactory.h"
#include "vrek/viewui/classtipmessage.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestRecordUI : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void errorTexts_data();
    void errorTexts();
    void showRecordTime_data();
    void showRecordTime();
    void recordIconStates();
    void errorTextStaysWhenTheControlsGoOff();
    void recordingIsNamedAndEnteredForUpload_data();
    void recordingIsNamedAndEnteredForUpload();
    void emptyRecordingTakesItsRowAlong_data();
    void emptyRecordingTakesItsRowAlong();
    void stopWhileStartingIsNotLost();
    void startWhileStartingIsRefused();
    void quitBeforeTheLoopStartsOpensNothing();
    void recordEndOnlyWhenAllowed();

private:
    // Starts from the controls; the recording fails at its microphone at once.
    QString startFailingRecording(RecordUI *controls);

    TempWorkDir *m_dir = nullptr;
    ThreadFactory *m_factory = nullptr;
};

void TestRecordUI::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
    g_userId = "u7";
    g_pushStreamId = "u720240101080000";
    g_lessonName = "语文";
}

void TestRecordUI::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(TransferFileDao::initial());
    m_factory = new ThreadFactory(this);
    g_recordErrorFlag = false;
    g_classType = 6;
}

void TestRecordUI::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

QString TestRecordUI::startFailingRecording(RecordUI *controls)
{
    controls->recordManager()->setAudioDevice("禁用");
    QSignalSpy released(controls->recordManager(), &RecordScreenManager::signalRecordReleased);
    controls->OnStartStopRecord(true);
    const QString name = g_recordFileName;
    if (!QTest::qWaitFor([&] { return released.count() == 1; }, 5000))
        return QString();
    return name;
}

void TestRecordUI::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("tip");
    const QString audio = "音频设备打开失败";
    const QString audioTip = "音频开启失败，请退出课堂进行设备检测。";
    const QString video = "视频设备打开失败";
    const QString videoTip = "视频开启失败，请退出课堂进行设备检测。";
    QTest::newRow("no microphone") << 1 << audio << audioTip;
    QTest::newRow("microphone stream") << 5 << audio << audioTip;
    QTest::newRow("audio encoder") << 9 << audio << audioTip;
    QTest::newRow("no window") << 10 << video << videoTip;
    QTest::newRow("window decoder") << 12 << video << videoTip;
    QTest::newRow("video encoder: no text") << 13 << "00:00:00" << QString();
    QTest::newRow("unknown: no text") << 27 << "00:00:00" << QString();
    QTest::newRow("output file") << 28 << "输出文件打开失败" << QString();
    QTest::newRow("output header") << 31 << "输出文件打开失败" << QString();
}

void TestRecordUI::errorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, label);
    QFETCH(QString, tip);
    RecordUI controls(nullptr, m_factory);
    QSignalSpy errors(&controls, &RecordUI::signalRecordError);
    QSignalSpy states(&controls, &RecordUI::signalRecordState);
    controls.OnRecordError(code);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(controls.timeLabel()->text(), label);
    QCOMPARE(controls.tipMessage()->text(), tip);
    QCOMPARE(controls.tipMessage()->isVisible(), !tip.isEmpty());
    QVERIFY(!controls.isRecording());
    QCOMPARE(controls.recordAction()->text(), QString("开始录屏"));
    QCOMPARE(states.count(), 1);
    QCOMPARE(states.first().first().toBool(), false);
}

void TestRecordUI::showRecordTime_data()
{
    QTest::addColumn<qlonglong>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0LL << "00:00:00";
    QTest::newRow("seconds") << 59LL << "00:00:59";
    QTest::newRow("a minute") << 61LL << "00:01:01";
    QTest::newRow("an hour") << 3661LL << "01:01:01";
    QTest::newRow("a long lesson") << 36000LL << "10:00:00";
    QTest::newRow("hours past 99 keep two digits") << 360005LL << "00:00:05";
}

void TestRecordUI::showRecordTime()
{
    QFETCH(qlonglong, seconds);
    QFETCH(QString, text);
    RecordUI controls(nullptr, m_factory);
    controls.ShowRecordTime(seconds);
    QCOMPARE(controls.timeLabel()->text(), text);
}

void TestRecordUI::recordIconStates()
{
    RecordUI controls(nullptr, m_factory);
    QPushButton *pause = controls.pauseButton();
    QVERIFY(!pause->isEnabled());
    QCOMPARE(controls.timeLabel()->text(), QString("00:00:00"));
    QCOMPARE(controls.timeLabel()->styleSheet(), RecordUI::timeOffStyle);

    controls.setRecordIcon(true);
    QVERIFY(pause->isEnabled());
    QVERIFY(pause->isCheckable());
    QVERIFY(!pause->isChecked());
    QCOMPARE(pause->toolTip(), QString("暂停"));
    QCOMPARE(pause->styleSheet(), RecordUI::pauseStyle);
    QCOMPARE(controls.timeLabel()->styleSheet(), RecordUI::timeStyle);

    pause->setChecked(true); // paused when the recording goes off
    controls.ShowRecordTime(75);
    controls.setRecordIcon(false);
    QVERIFY(!pause->isChecked());
    QVERIFY(!pause->isEnabled());
    QCOMPARE(pause->styleSheet(), RecordUI::pauseOffStyle);
    QCOMPARE(controls.timeLabel()->text(), QString("00:00:00"));
}

void TestRecordUI::errorTextStaysWhenTheControlsGoOff()
{
    RecordUI controls(nullptr, m_factory);
    controls.OnRecordError(10);
    g_recordErrorFlag = true;
    controls.setRecordIcon(false);
    QCOMPARE(controls.timeLabel()->text(), QString("视频设备打开失败"));
    g_recordErrorFlag = false;
    controls.setRecordIcon(false);
    QCOMPARE(controls.timeLabel()->text(), QString("00:00:00"));
}

void TestRecordUI::recordingIsNamedAndEnteredForUpload_data()
{
    QTest::addColumn<int>("previousType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("label");
    QTest::newRow("type 0") << 5 << 0 << "1";
    QTest::newRow("type 1") << 5 << 1 << "1";
    QTest::newRow("type 2") << 5 << 2 << "2";
    QTest::newRow("type 8") << 5 << 8 << "8";
    QTest::newRow("type 9 keeps the label") << 3 << 9 << "3";
    QTest::newRow("no lesson keeps the label") << 7 << -1 << "7";
}

void TestRecordUI::recordingIsNamedAndEnteredForUpload()
{
    QFETCH(int, previousType);
    QFETCH(int, classType);
    QFETCH(QString, label);
    RecordUI controls(nullptr, m_factory);
    g_classType = previousType;
    QVERIFY(!startFailingRecording(&controls).isEmpty());
    g_classType = classType;
    controls.recordManager()->setAudioDevice("禁用");
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    const QString name = g_recordFileName;
    QVERIFY(!name.isEmpty());
    QCOMPARE(controls.classTypeLabel(), label);

    // What the list of recordings expects: four parts, the first one character, the user's id third.
    QVERIFY(name.endsWith(".ts"));
    const QStringList parts = name.chopped(3).split('_');
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts[0], label);
    QCOMPARE(parts[1], g_pushStreamId);
    QCOMPARE(parts[2], g_userId);
    QVERIFY(QRegularExpression("^\\d{14}$").match(parts[3]).hasMatch());

    TransferFile row;
    row.setId(name + "@u7");
    TransferFileDao dao;
    QVERIFY(dao.selectTransferFileById(row));
    QCOMPARE(row.getFileName(), "./media/" + name);
    QCOMPARE(row.getFileRange(), qint64(0));
    QCOMPARE(row.getFileProgress(), 0);
    QCOMPARE(row.getClassTitle(), QString("语文"));
    QVERIFY(QDir("media").exists());
    QTRY_COMPARE(released.count(), 1);
}

void TestRecordUI::emptyRecordingTakesItsRowAlong_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("kept");
    QTest::newRow("empty: removed with its row") << QByteArray() << false;
    QTest::newRow("recorded: both stay") << QByteArray("ts") << true;
}

void TestRecordUI::emptyRecordingTakesItsRowAlong()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, kept);
    RecordUI controls(nullptr, m_factory);
    controls.recordManager()->setAudioDevice("禁用");
    QSignalSpy released(controls.recordManager(), &RecordScreenManager::signalRecordReleased);
    controls.OnStartStopRecord(true);
    const QString name = g_recordFileName;
    // What the recording leaves in its file by the time it is released.
    QVERIFY(m_dir->writeFile("media/" + name, content));
    TransferFile row;
    row.setId(name + "@u7");
    TransferFileDao dao;
    QVERIFY(dao.selectTransferFileById(row));
    QTRY_COMPARE(released.count(), 1);
    QCOMPARE(QFile::exists("media/" + name), kept);
    QCOMPARE(dao.selectTransferFileById(row), kept);
}

void TestRecordUI::stopWhileStartingIsNotLost()
{
    // One recording thread, held busy until the second click: however slow this thread is, the recorder has
    // opened nothing when the stop comes.
    m_factory->initThreadType(ThreadFactory::FixedPool, 1);
    const unsigned int heldId = m_factory->allocThreadId();
    QSemaphore hold;
    QObject holder;
    holder.moveToThread(m_factory->getThread(heldId));
    QMetaObject::invokeMethod(
        &holder, [&hold] { hold.acquire(); }, Qt::QueuedConnection);
    RecordUI controls(nullptr, m_factory);
    RecordScreenManager *manager = controls.recordManager();
    manager->setAudioDevice("lavfi:sine=frequency=440:sample_rate=48000");
    QSignalSpy errors(manager, &RecordScreenManager::signalRecordError);
    QSignalSpy released(manager, &RecordScreenManager::signalRecordReleased);
    controls.slotRecordActionClicked();
    QCOMPARE(manager->getState(), int(RecordScreenManager::StateStarting));
    QVERIFY(controls.isRecording());
    // The second click comes before the recorder has opened anything: it stops the recording all the same.
    controls.slotRecordActionClicked();
    QVERIFY(!controls.isRecording());
    QCOMPARE(controls.recordAction()->text(), QString("开始录屏"));
    QCOMPARE(manager->getState(), int(RecordScreenManager::StateIdle));
    hold.release();
    QTRY_COMPARE(released.count(), 1);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(manager->endingRecorders(), 0);
    QVERIFY(!manager->recorder());
    holder.moveToThread(thread());
    m_factory->releaseThreadId(heldId);
}

void TestRecordUI::startWhileStartingIsRefused()
{
    RecordScreenManager manager(nullptr, m_factory);
    manager.setAudioDevice("禁用");
    QSignalSpy released(&manager, &RecordScreenManager::signalRecordReleased);
    manager.setRecordFile(QDir::current().filePath("media/a.ts"));
    manager.StartRecord();
    ScreenRecorder *first = manager.recorder();
    manager.setRecordFile(QDir::current().filePath("media/b.ts"));
    manager.StartRecord();
    QCOMPARE(manager.recorder(), first);
    QTRY_COMPARE(released.count(), 1);
    QTest::qWait(100);
    QCOMPARE(released.count(), 1);
}

void TestRecordUI::quitBeforeTheLoopStartsOpensNothing()
{
    ScreenRecorder recorder(nullptr);
    recorder.setAudioDevice("lavfi:sine");
    QSignalSpy exits(&recorder, &ScreenRecorder::signalRecordExit);
    QSignalSpy failures(&recorder, &ScreenRecorder::signalRecordFail);
    QSignalSpy success(&recorder, &ScreenRecorder::signalRecordSuccess);
    recorder.QuitRecord();
    QCOMPARE(recorder.getState(), int(ScreenRecorder::StateIdle));
    QVERIFY(recorder.isQuitRequested());
    QCOMPARE(recorder.recordFileOrRtmp(), 0);
    QCOMPARE(exits.count(), 1);
    QCOMPARE(failures.count(), 0);
    QCOMPARE(success.count(), 0);
    QVERIFY(recorder.hasEnded());
    QVERIFY(!recorder.media()->audioInput.isOpen());
}

void TestRecordUI::recordEndOnlyWhenAllowed()
{
    RecordUI controls(nullptr, m_factory);
    QSignalSpy ends(&controls, &RecordUI::signalRecordEnd);
    controls.slotRecordEnd();
    QCOMPARE(ends.count(), 1);
    controls.setRecordEndAllowed(false);
    controls.slotRecordEnd();
    QCOMPARE(ends.count(), 1);
}

QTEST_MAIN(TestRecordUI)
#include "tst_recordui.moc"
