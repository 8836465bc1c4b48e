#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/media/streamcontrolscript.h"
#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/panels/videoshowwebrtc.h"
#include "vrek/media/panels/videoviewfull.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {
const QString warning = QString::number(MediaViewWebrtc::warningTipSeconds);

QString tip(const QString &text, uint seconds = MediaViewWebrtc::resultTipSeconds)
{
    return QString("sendMessageBoxTipOut(%1,%2)").arg(text).arg(seconds);
}

QString state(int userState)
{
    return QString("signalUserStateChange(%1)").arg(userState);
}

MediaManagerInfo info(int kind, int errorCode = 0)
{
    MediaManagerInfo record;
    record.setKind(kind);
    record.setErrorCode(errorCode);
    return record;
}

QColor middle(const VideoShowWebrtc *video)
{
    const QImage image = video->label()->pixmap(Qt::ReturnByValue).toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

QImage frame(const QColor &colour)
{
    QImage image(320, 240, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

// A panel of a user type in a type 4 lesson, on a fake classroom connection and a pretend sound card; its
// controller pulls nothing (its pull pool is detached). Every signal of the panel is recorded, the states by
// number.
struct Fixture
{
    explicit Fixture(int userType, std::shared_ptr<FakeSoundControl::Machine> sound = nullptr)
        : link(true, GlobalEnum::UserType(userType))
        , machine(sound ? sound : std::make_shared<FakeSoundControl::Machine>())
    {
        const QString userId = userType == 0 ? "T1" : "S1";
        StreamControlScript::setSession(userType, userId, 4);
        g_classStartCount = 0;
        QVERIFY(link.connectToServer());
        SoundControl::setFactory(FakeSoundControl::factory(machine));
        panel.reset(new MediaViewWebrtc(300));
        panel->manager()->setClickInterval(0);
        QObject::disconnect(panel->manager(), nullptr, panel->manager()->pullEngineFactory(), nullptr);
        recorder.reset(new SignalRecorder(panel.get()));
        recorder->setFormatter([](const QVariant &value, bool &handled) {
            handled = value.userType() == qMetaTypeId<MediaViewWebrtc::UserState>();
            return handled ? QString::number(int(value.value<MediaViewWebrtc::UserState>())) : QString();
        });
        panel->resize(400, 300);
        panel->show();
    }
    ~Fixture()
    {
        panel.reset();
        SoundControl::setFactory({});
    }
    QPushButton *button(const char *name) const { return panel->findChild<QPushButton *>(name); }
    QSlider *slider(const char *name) const { return panel->findChild<QSlider *>(name); }
    // The main button as the user sees it: "text|enabled|shown".
    QString mainButton() const
    {
        QPushButton *startOpen = button("startOpen");
        return QString("%1|%2|%3").arg(startOpen->text()).arg(startOpen->isEnabled()).arg(!startOpen->isHidden());
    }

    ClassroomLink link;
    std::shared_ptr<FakeSoundControl::Machine> machine;
    std::unique_ptr<MediaViewWebrtc> panel;
    std::unique_ptr<SignalRecorder> recorder;
};
} // namespace

class TestMediaViewWebrtc : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void startByRole_data();
    void startByRole();
    void statesByRole_data();
    void statesByRole();
    void managerInfo_data();
    void managerInfo();
    void stageResults_data();
    void stageResults();
    void stageClicksOnlyForTheTeacher();
    void teacherClassThroughTheController();
    void startVolumes_data();
    void startVolumes();
    void volumeSliders_data();
    void volumeSliders();
    void muteButtons();
    void framesOnlyWhileTheVideoIsOn();
    void fullScreenReusesOneVideoWidget();
    void sizesForHeight300();
    void relaysToTheController();
};

void TestMediaViewWebrtc::cleanup()
{
    WebrtcSdkInterface::unload();
    WebrtcSdkInterface::setLibraryName(QString());
}

void TestMediaViewWebrtc::startByRole_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("identity");
    QTest::addColumn<int>("userState");
    QTest::addColumn<QString>("mainButton");
    QTest::newRow("teacher") << 0 << 1 << 0 << "点击上课|1|1";
    QTest::newRow("student") << 1 << 2 << 100 << "|0|0";
    QTest::newRow("parent") << 5 << 3 << 200 << "开始旁听|1|1";
}

void TestMediaViewWebrtc::startByRole()
{
    QFETCH(int, userType);
    QFETCH(int, identity);
    QFETCH(int, userState);
    QFETCH(QString, mainButton);
    Fixture fixture(userType);
    QCOMPARE(fixture.panel->identity(), identity);
    QCOMPARE(int(fixture.panel->userState()), userState);
    QCOMPARE(fixture.mainButton(), mainButton);
    // No start state shows video: the default picture stands in the small widget.
    QVERIFY(!fixture.panel->isVideoOn());
    QCOMPARE(fixture.panel->currentVideo(), fixture.panel->smallVideo());
    QCOMPARE(fixture.panel->getPushStreamInterface(), fixture.panel->manager());
}

// A script of reports and clicks, then the button, the video flag and the state signals. "info K [E]" is a
// report of the controller, "click" the main button, "recordEnd" the recording's end.
void TestMediaViewWebrtc::statesByRole_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("mainButton");
    QTest::addColumn<bool>("videoOn");
    QTest::addColumn<QStringList>("states");
    QTest::newRow("teacher starting") << 0 << QStringList { "click" } << "正在启动|0|1" << false << QStringList { "1" };
    QTest::newRow("teacher in class, twice told")
        << 0 << QStringList { "click", "info 0", "info 0" } << "点击下课|1|1" << true << QStringList { "1", "2" };
    QTest::newRow("teacher ending") << 0 << QStringList { "click", "info 0", "click" } << "正在退出|0|1" << false
                                    << QStringList { "1", "2", "3" };
    QTest::newRow("teacher back to the start") << 0 << QStringList { "click", "info 0", "click", "recordEnd" }
                                               << "点击上课|1|1" << false << QStringList { "1", "2", "3", "0" };
    QTest::newRow("teacher clicks while starting")
        << 0 << QStringList { "click", "click" } << "正在启动|0|1" << false << QStringList { "1" };
    QTest::newRow("student watching, twice told")
        << 1 << QStringList { "info 0", "info 0" } << "|0|0" << true << QStringList { "101" };
    QTest::newRow("student, teacher gone")
        << 1 << QStringList { "info 0", "info 2" } << "|0|0" << false << QStringList { "101", "100" };
    QTest::newRow("student clicks nothing") << 1 << QStringList { "click" } << "|0|0" << false << QStringList {};
    QTest::newRow("parent, class on") << 5 << QStringList { "info 0" } << "开始旁听|1|1" << true
                                      << QStringList { "201" };
    QTest::newRow("parent watching") << 5 << QStringList { "info 0", "info 3" } << "退出旁听|1|1" << true
                                     << QStringList { "201", "202" };
    QTest::newRow("parent leaving the child") << 5 << QStringList { "info 0", "info 3", "click" } << "正在退出|0|1"
                                              << true << QStringList { "201", "202", "204" };
    QTest::newRow("parent, class over") << 5 << QStringList { "info 0", "info 3", "info 2" } << "开始旁听|1|1" << false
                                        << QStringList { "201", "202", "200" };
}

void TestMediaViewWebrtc::statesByRole()
{
    QFETCH(int, userType);
    QFETCH(QStringList, steps);
    QFETCH(QString, mainButton);
    QFETCH(bool, videoOn);
    QFETCH(QStringList, states);
    Fixture fixture(userType);
    for (const QString &step : steps) {
        const QStringList words = step.split(' ');
        if (words.first() == "info")
            fixture.panel->slotMediaManagerInfo(info(words.value(1).toInt(), words.value(2).toInt()));
        else if (words.first() == "click")
            QTest::mouseClick(fixture.button("startOpen"), Qt::LeftButton);
        else if (words.first() == "recordEnd")
            fixture.panel->onSlotRecordEnd();
    }
    QCOMPARE(fixture.mainButton(), mainButton);
    QCOMPARE(fixture.panel->isVideoOn(), videoOn);
    QStringList emitted;
    for (const QVariantList &arguments : fixture.recorder->arguments("signalUserStateChange"))
        emitted.append(QString::number(int(arguments.value(0).value<MediaViewWebrtc::UserState>())));
    QCOMPARE(emitted, states);
}

// One report of the controller in a given state: the new state and what the panel says.
void TestMediaViewWebrtc::managerInfo_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("classOn"); // an "info 0" first
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("teacher 0") << 0 << false << 0 << 0
                               << QStringList { state(2), tip("上课成功"), "signalClassBeginOrEnd(true)" };
    QTest::newRow("teacher 1") << 0 << false << 1 << 0 << QStringList { tip("上课失败"), "signalRecordRequest(false)" };
    QTest::newRow("teacher 2") << 0 << true << 2 << 0 << QStringList { tip("下课成功"), "signalRecordRequest(false)" };
    QTest::newRow("teacher 5") << 0 << true << 5 << 0 << QStringList {};
    QTest::newRow("student 1") << 1 << true << 1 << 0 << QStringList { state(100), tip("上课失败, 请重新登录") };
    QTest::newRow("student 2") << 1 << true << 2 << 0 << QStringList { state(100), tip("老师已下课") };
    QTest::newRow("student 3") << 1 << true << 3 << 0 << QStringList {};
    QTest::newRow("student 5") << 1 << true << 5 << 0 << QStringList { state(100) };
    QTest::newRow("parent 1") << 5 << false << 1 << 0 << QStringList { state(201), tip("进入课堂失败") };
    QTest::newRow("parent 2") << 5 << true << 2 << 0 << QStringList { state(200), tip("课程结束") };
    QTest::newRow("parent 5") << 5 << true << 5 << 0 << QStringList { state(200) };
    QTest::newRow("parent 4/1") << 5 << true << 4 << 1 << QStringList { state(200), tip("课程未开始") };
    QTest::newRow("parent 4/2") << 5 << true << 4 << 2 << QStringList { state(200), tip("孩子未上线") };
    QTest::newRow("parent 4/3") << 5 << true << 4 << 3 << QStringList { tip("孩子设备繁忙") };
    QTest::newRow("parent 4/4") << 5 << true << 4 << 4 << QStringList { state(204), tip("孩子进入老师房间") };
    QTest::newRow("parent 4/5") << 5 << true << 4 << 5 << QStringList { tip("孩子已经在老师房间") };
    QTest::newRow("parent 4/6") << 5 << true << 4 << 6 << QStringList { tip("孩子设备权限未开启") };
    QTest::newRow("parent 4/0") << 5 << true << 4 << 0 << QStringList { tip("旁听失败") };
    QTest::newRow("parent 4/9") << 5 << true << 4 << 9 << QStringList { tip("旁听失败") };
}

void TestMediaViewWebrtc::managerInfo()
{
    QFETCH(int, userType);
    QFETCH(bool, classOn);
    QFETCH(int, kind);
    QFETCH(int, errorCode);
    QFETCH(QStringList, emitted);
    Fixture fixture(userType);
    if (classOn)
        fixture.panel->slotMediaManagerInfo(info(0));
    fixture.recorder->clear();
    fixture.panel->slotMediaManagerInfo(info(kind, errorCode));
    QCOMPARE(fixture.recorder->emitted(), emitted);
}

void TestMediaViewWebrtc::stageResults_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("0") << 0 << QStringList { "sendUserListCamState(S2,true)", tip("学生正在上讲台") };
    QTest::newRow("1") << 1 << QStringList { tip("学生上讲台成功") };
    QTest::newRow("2") << 2 << QStringList { "sendUserListCamState(S2,false)", tip("学生上讲台失败") };
    QTest::newRow("3") << 3 << QStringList { tip("请先点击上课") };
    QTest::newRow("4") << 4 << QStringList { tip("点击频繁，请稍后") };
    QTest::newRow("5") << 5 << QStringList { tip("互动人数不能超过四个") };
    QTest::newRow("6") << 6 << QStringList { "sendUserListCamState(S2,false)", tip("学生设备繁忙") };
    QTest::newRow("7") << 7 << QStringList { "sendUserListCamState(S2,false)" };
}

void TestMediaViewWebrtc::stageResults()
{
    QFETCH(int, result);
    QFETCH(QStringList, emitted);
    Fixture fixture(0);
    fixture.panel->slotInteractRequestResult("S2", LStreamMediaManager::InteractResult(result));
    QCOMPARE(fixture.recorder->emitted(), emitted);
}

void TestMediaViewWebrtc::stageClicksOnlyForTheTeacher()
{
    // The teacher's click reaches the controller, which refuses it before the class.
    Fixture teacher(0);
    teacher.panel->onStartPullStream("S2");
    QCOMPARE(teacher.recorder->emitted(), QStringList { tip("请先点击上课") });

    Fixture student(1);
    student.panel->onStartPullStream("S2");
    QVERIFY(student.recorder->emitted().isEmpty());
    QVERIFY(student.link.forwards().isEmpty());
}

// The whole cycle with a WebRTC library that answers from a thread of its own; the recording is granted as the class
// window grants it.
void TestMediaViewWebrtc::teacherClassThroughTheController()
{
    WebrtcSdkInterface::setLibraryName(QStringLiteral(FAKE_RTC_THREADED));
    WebrtcSdkInterface::onRtcInit();
    QVERIFY(WebrtcSdkInterface::isLoaded());
    Fixture fixture(0);
    MediaViewWebrtc *panel = fixture.panel.get();
    connect(panel, &MediaViewWebrtc::signalRecordRequest, panel, [panel](bool start) {
        if (start)
            panel->slotRecordSuccess();
        else
            panel->onSlotRecordEnd();
    });
    QTest::mouseClick(fixture.button("startOpen"), Qt::LeftButton);
    QCOMPARE(g_classStartCount, 1);
    QTRY_COMPARE(int(panel->userState()), int(MediaViewWebrtc::TeacherInClass));
    QTRY_VERIFY(fixture.recorder->emitted().contains("signalClassBeginOrEnd(true)"));
    QCOMPARE(fixture.mainButton(), QString("点击下课|1|1"));
    const QString pushId = panel->getPushStreamInterface()->getPushStreamId();
    QVERIFY(fixture.link.forwards().contains(StreamControlScript::classLine(QString("3$0$T1$$%1$0$$").arg(pushId))));

    fixture.recorder->clear();
    QTest::mouseClick(fixture.button("startOpen"), Qt::LeftButton);
    QTRY_COMPARE(int(panel->userState()), int(MediaViewWebrtc::TeacherIdle));
    QCOMPARE(fixture.recorder->emitted(),
        QStringList(
            { state(3), tip("下课成功"), "signalRecordRequest(false)", "signalClassBeginOrEnd(false)", state(0) }));
    QCOMPARE(fixture.mainButton(), QString("点击上课|1|1"));
}

void TestMediaViewWebrtc::startVolumes_data()
{
    QTest::addColumn<bool>("microphonePresent");
    QTest::addColumn<bool>("microphoneMuted");
    QTest::addColumn<int>("microphoneSlider");
    QTest::addColumn<int>("microphoneVolume");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("muted microphone") << true << true << 60 << 60
                                      << QStringList { "getMicrophoneMute", "setMicrophone(-2)", "setMicrophone(60)",
                                             "getSpeakerMute", "setSpeaker(60)" };
    QTest::newRow("unmuted microphone") << true << false << 60 << 60
                                        << QStringList { "getMicrophoneMute", "setMicrophone(60)", "getSpeakerMute",
                                               "setSpeaker(60)" };
    // A device that cannot be read is left as it is, with its controls.
    QTest::newRow("no microphone") << false << true << 0 << 30
                                   << QStringList { "getMicrophoneMute", "getSpeakerMute", "setSpeaker(60)" };
}

void TestMediaViewWebrtc::startVolumes()
{
    QFETCH(bool, microphonePresent);
    QFETCH(bool, microphoneMuted);
    QFETCH(int, microphoneSlider);
    QFETCH(int, microphoneVolume);
    QFETCH(QStringList, calls);
    auto machine = std::make_shared<FakeSoundControl::Machine>();
    machine->microphone.present = microphonePresent;
    machine->microphone.muted = microphoneMuted;
    machine->microphone.volume = 30;
    machine->speaker.volume = 90;
    Fixture fixture(1, machine);
    QCOMPARE(machine->calls, calls);
    QCOMPARE(machine->microphone.volume, microphoneVolume);
    QCOMPARE(machine->microphone.muted, microphoneMuted && !microphonePresent);
    QCOMPARE(fixture.slider("micSlider")->value(), microphoneSlider);
    QCOMPARE(machine->speaker.volume, 60);
    QCOMPARE(fixture.slider("spkSlider")->value(), 60);
    QVERIFY(!fixture.button("micBtn")->isChecked());
    QVERIFY(!fixture.button("spkBtn")->isChecked());
}

void TestMediaViewWebrtc::volumeSliders_data()
{
    QTest::addColumn<QString>("sliderName");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("muted");
    QTest::addColumn<QString>("tipText");
    QTest::addColumn<QString>("seconds");
    QTest::newRow("microphone 0") << "micSlider" << 0 << true << "当前已静音" << warning;
    QTest::newRow("microphone 19") << "micSlider" << 19 << false << "音量过小，可能影响通话质量" << warning;
    QTest::newRow("microphone 20") << "micSlider" << 20 << false << "音量正常"
                                   << QString::number(MediaViewWebrtc::normalTipSeconds);
    QTest::newRow("speaker 0") << "spkSlider" << 0 << true << "当前已静音" << warning;
    QTest::newRow("speaker 99") << "spkSlider" << 99 << false << "音量正常"
                                << QString::number(MediaViewWebrtc::normalTipSeconds);
}

void TestMediaViewWebrtc::volumeSliders()
{
    QFETCH(QString, sliderName);
    QFETCH(int, position);
    QFETCH(bool, muted);
    QFETCH(QString, tipText);
    QFETCH(QString, seconds);
    Fixture fixture(1);
    const bool microphone = sliderName == "micSlider";
    FakeSoundControl::Device &device = microphone ? fixture.machine->microphone : fixture.machine->speaker;
    QPushButton *button = fixture.button(microphone ? "micBtn" : "spkBtn");
    // Muted by its button first: the slider unmutes.
    button->click();
    QVERIFY(device.muted);
    fixture.recorder->clear();
    QSlider *slider = fixture.slider(qPrintable(sliderName));
    slider->setSliderDown(true);
    slider->setSliderPosition(position);
    slider->setSliderDown(false);
    QCOMPARE(device.volume, position);
    QCOMPARE(device.muted, muted);
    QCOMPARE(button->isChecked(), muted);
    QCOMPARE(fixture.recorder->emitted(), QStringList { QString("sendMessageBoxTipOut(%1,%2)").arg(tipText, seconds) });
}

void TestMediaViewWebrtc::muteButtons()
{
    Fixture fixture(1);
    fixture.button("micBtn")->click();
    QVERIFY(fixture.machine->microphone.muted);
    fixture.button("spkBtn")->click();
    QVERIFY(fixture.machine->speaker.muted);
    fixture.button("micBtn")->click();
    QVERIFY(!fixture.machine->microphone.muted);
    QCOMPARE(fixture.recorder->emitted(),
        QStringList({ tip("当前麦克风关闭", MediaViewWebrtc::warningTipSeconds),
            tip("当前扬声器关闭", MediaViewWebrtc::warningTipSeconds), tip("", MediaViewWebrtc::normalTipSeconds) }));

    // Without a sound control the buttons still show the choice and say it; nothing else changes.
    SoundControl::setFactory([] { return std::make_unique<NullSoundControl>(); });
    MediaViewWebrtc silent(300);
    auto *slider = silent.findChild<QSlider *>("micSlider");
    auto *button = silent.findChild<QPushButton *>("micBtn");
    QCOMPARE(slider->value(), 0);
    button->click();
    QVERIFY(button->isChecked());
    QCOMPARE(slider->value(), 0);
}

void TestMediaViewWebrtc::framesOnlyWhileTheVideoIsOn()
{
    Fixture fixture(1);
    VideoShowWebrtc *video = fixture.panel->smallVideo();
    const QImage idle = video->label()->pixmap(Qt::ReturnByValue).toImage();
    fixture.panel->onStream(frame(Qt::red));
    QCOMPARE(video->label()->pixmap(Qt::ReturnByValue).toImage(), idle);

    fixture.panel->slotMediaManagerInfo(info(0));
    fixture.panel->onStream(frame(Qt::red));
    QCOMPARE(middle(video), QColor(Qt::red));
    QCOMPARE(video->label()->pixmap(Qt::ReturnByValue).size(), video->size());

    // The teacher leaves: the default picture comes back and later frames are dropped.
    fixture.panel->slotMediaManagerInfo(info(2));
    QVERIFY(middle(video) != QColor(Qt::red));
    const QImage after = video->label()->pixmap(Qt::ReturnByValue).toImage();
    fixture.panel->onStream(frame(Qt::green));
    QCOMPARE(video->label()->pixmap(Qt::ReturnByValue).toImage(), after);
}

void TestMediaViewWebrtc::fullScreenReusesOneVideoWidget()
{
    Fixture fixture(1);
    MediaViewWebrtc *panel = fixture.panel.get();
    panel->slotMediaManagerInfo(info(0));
    QPushButton *fullScreen = fixture.button("fullScreen");
    fullScreen->click();
    VideoShowWebrtc *full = panel->fullVideo();
    QVERIFY(full);
    QTRY_VERIFY(panel->fullTitle()->isVisible());
    QCOMPARE(panel->videoViewFull()->hostedWidget(), full);
    QCOMPARE(panel->currentVideo(), full);
    QCOMPARE(panel->fullTitle()->title(), QString("视频"));
    panel->onStream(frame(Qt::red));
    QCOMPARE(middle(full), QColor(Qt::red));
    QVERIFY(middle(panel->smallVideo()) != QColor(Qt::red));

    panel->fullTitle()->close();
    QCOMPARE(panel->currentVideo(), panel->smallVideo());
    panel->onStream(frame(Qt::blue));
    QCOMPARE(middle(panel->smallVideo()), QColor(Qt::blue));

    // Every later click uses the same widget, the first picture is the default one again.
    for (int round = 0; round < 3; ++round) {
        fullScreen->click();
        QCOMPARE(panel->fullVideo(), full);
        QVERIFY(middle(full) != QColor(Qt::red));
        panel->fullTitle()->close();
    }
    QCOMPARE(panel->videoViewFull()->findChildren<VideoShowWebrtc *>().size(), 1);
    QCOMPARE(fixture.recorder->arguments("sendFullScreen").size(), 4);
    QCOMPARE(fixture.recorder->arguments("sendHind").size(), 4);
}

void TestMediaViewWebrtc::sizesForHeight300()
{
    Fixture fixture(0);
    fixture.panel->resize(400, 300);
    QTRY_COMPARE(fixture.panel->findChild<QWidget *>("toolWidget")->height(), 30);
    QCOMPARE(fixture.button("startOpen")->size(), QSize(90, 30));
    for (const char *name : { "micBtn", "spkBtn", "fullScreen" })
        QCOMPARE(fixture.button(name)->size(), QSize(30, 30));
    QCOMPARE(fixture.panel->videoViewFull()->minimumSize(), QSize(618, 450));
}

void TestMediaViewWebrtc::relaysToTheController()
{
    Fixture fixture(1);
    UserInfo relative("P1", "Parent", "5");
    relative.setAccountId("acc-P1");
    fixture.panel->userOnline("S2");
    fixture.panel->userOffline("S2");
    fixture.panel->slotRelativeInfoOnline(relative);
    fixture.panel->slotRelativeInfoOffline(relative);
    QCOMPARE(fixture.recorder->emitted(),
        QStringList({ "signalUserOnline(S2)", "signalUserOffline(S2)", "signalRelativeOnline(acc-P1)",
            "signalRelativeOffline(acc-P1)" }));
    // The lesson start and end of the classroom only concern those who are not lecturers.
    fixture.panel->onSlotStudentStartClass();
    QVERIFY(fixture.panel->isClassStarted());
    fixture.panel->onSlotStudentEndClass();
    QVERIFY(!fixture.panel->isClassStarted());
}

QTEST_MAIN(TestMediaViewWebrtc)
#include "tst_mediaviewwebrtc.moc"
