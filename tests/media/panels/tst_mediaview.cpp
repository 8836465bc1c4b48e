#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/media/streamcontrolscript.h"
#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/container/userinfohash.h"
#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/panelaudiodevice.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/media/panels/videoview.h"
#include "vrek/media/panels/videoviewfull.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {
QString tip(const QString &text, uint seconds = MediaView::resultTipSeconds)
{
    return QString("messageBoxTipOut(%1,%2)").arg(text).arg(seconds);
}
const uint warning = MediaView::warningTipSeconds;

// A panel of the lecturer's side (L1) or a student's (S1) in a type 7 lesson, on a fake classroom connection and a
// pretend sound card; its controller's engines are detached, the tests play their reports. Every signal of the
// panel is recorded.
struct Fixture
{
    explicit Fixture(bool lecturer, std::shared_ptr<FakeSoundControl::Machine> sound = nullptr)
        : link(true, lecturer ? GlobalEnum::User0 : GlobalEnum::User1)
        , machine(sound ? sound : std::make_shared<FakeSoundControl::Machine>())
    {
        StreamControlScript::setSession(lecturer ? 0 : 1, lecturer ? "L1" : "S1", 7);
        QVERIFY(link.connectToServer());
        g_userInfoHash.clear();
        g_userInfoHash.updateUserInfo(UserInfo("S2", "张小红", "1"));
        SoundControl::setFactory(FakeSoundControl::factory(machine));
        panel.reset(new MediaView(300));
        StreamMediaManager *manager = panel->manager();
        manager->setClickInterval(0);
        QObject::disconnect(manager, nullptr, manager->pushStreamEngine(), nullptr);
        QObject::disconnect(manager, nullptr, manager->pullEngineFactory(), nullptr);
        QObject::disconnect(manager, nullptr, manager->webRtcStreamEngine(), nullptr);
        recorder.reset(new SignalRecorder(panel.get()));
        panel->resize(477, 300);
        panel->show();
    }
    ~Fixture()
    {
        panel.reset();
        SoundControl::setFactory({});
        g_userInfoHash.clear();
    }
    QPushButton *button(const char *name) const { return panel->findChild<QPushButton *>(name); }
    QSlider *slider(const char *name) const { return panel->findChild<QSlider *>(name); }
    QVBoxLayout *pictureArea() const { return panel->findChild<QVBoxLayout *>("topLayout"); }
    // What stands in the panel's picture area and in the full-screen window: "A", "B", "video" or "-".
    QString name(const QWidget *widget) const
    {
        if (!widget)
            return "-";
        if (widget == panel->defaultImage())
            return "A";
        if (widget == panel->fullDefaultImage())
            return "B";
        return widget == panel->videoView() ? "video" : "?";
    }
    QString placement() const
    {
        QStringList area;
        for (int i = 0; i < pictureArea()->count(); ++i)
            area.append(name(pictureArea()->itemAt(i)->widget()));
        return area.join('+') + "|" + name(panel->videoViewFull()->hostedWidget());
    }
    // The lecturer's push runs: the button, then the push engine's good result.
    void startClass()
    {
        QTest::mouseClick(button("startOpen"), Qt::LeftButton);
        panel->manager()->pushStreamResultIn(true, QString());
    }

    ClassroomLink link;
    std::shared_ptr<FakeSoundControl::Machine> machine;
    std::unique_ptr<MediaView> panel;
    std::unique_ptr<SignalRecorder> recorder;
};
} // namespace

class TestMediaView : public QObject
{
    Q_OBJECT
private slots:
    void startBySide_data();
    void startBySide();
    void lecturersClassCycle();
    void pushResults_data();
    void pushResults();
    void pullResults_data();
    void pullResults();
    void lecturerClicksOnStudents_data();
    void lecturerClicksOnStudents();
    void clicksTooOftenAreRefused();
    void fullScreenBeforeAndDuringClass();
    void fullScreenDuringClassAndClassEnd();
    void unmuteAfterMute();
    void sliderAtZeroKeepsTheButtonMuting();
    void withoutSoundControl();
    void sizesForHeight270();
};

void TestMediaView::startBySide_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<bool>("buttonShown");
    QTest::newRow("lecturer") << true << true;
    QTest::newRow("student") << false << false;
}

void TestMediaView::startBySide()
{
    QFETCH(bool, lecturer);
    QFETCH(bool, buttonShown);
    Fixture fixture(lecturer);
    QPushButton *startOpen = fixture.button("startOpen");
    QCOMPARE(!startOpen->isHidden(), buttonShown);
    QCOMPARE(startOpen->text(), lecturer ? QString("点击上课") : QString());
    QCOMPARE(fixture.placement(), QString("A|-"));
    QVERIFY(fixture.panel->videoView()->isHidden());
    QCOMPARE(fixture.panel->classState(), 1);
    QCOMPARE(fixture.panel->getPushStreamState(), GlobalEnum::PSS0);
    QCOMPARE(fixture.panel->getPushStreamInterface(), fixture.panel->manager());
    QCOMPARE(g_pushStreamId, fixture.panel->manager()->getPushStreamId());
}

void TestMediaView::lecturersClassCycle()
{
    Fixture fixture(true);
    MediaView *panel = fixture.panel.get();
    QPushButton *startOpen = fixture.button("startOpen");
    QTest::mouseClick(startOpen, Qt::LeftButton);
    QCOMPARE(startOpen->text(), QString("正在启动"));
    QVERIFY(!startOpen->isEnabled());
    QVERIFY(panel->manager()->isPushingStream());
    // The own preview comes as the main picture.
    QCOMPARE(fixture.placement(), QString("video|-"));
    QVERIFY(panel->videoView()->isMainStarted());

    panel->manager()->pushStreamResultIn(true, QString());
    QCOMPARE(startOpen->text(), QString("点击下课"));
    QVERIFY(startOpen->isEnabled());
    QCOMPARE(fixture.recorder->emitted(), QStringList({ "signalClassBeginOrEnd(true)", "signalIsClassStart(true)" }));

    fixture.recorder->clear();
    fixture.link.clear();
    QTest::mouseClick(startOpen, Qt::LeftButton);
    QCOMPARE(startOpen->text(), QString("正在关闭"));
    QCOMPARE(fixture.placement(), QString("A|-"));
    QCOMPARE(fixture.link.forwards().value(0), StreamControlScript::classLine("3$1$L1$$$0$$"));
    panel->manager()->pushStreamExitIn();
    QCOMPARE(startOpen->text(), QString("点击上课"));
    QCOMPARE(panel->getPushStreamState(), GlobalEnum::PSSStopped);
    QCOMPARE(fixture.recorder->emitted(), QStringList({ "signalClassBeginOrEnd(false)", "signalIsClassStart(false)" }));
    // And again from "stopped".
    QTest::mouseClick(startOpen, Qt::LeftButton);
    QCOMPARE(startOpen->text(), QString("正在启动"));

    // A failed push ends the class with the engine's message.
    fixture.recorder->clear();
    panel->manager()->pushStreamResultIn(false, "打开摄像头失败");
    QCOMPARE(startOpen->text(), QString("正在关闭"));
    QCOMPARE(fixture.recorder->emitted(), QStringList { tip("打开摄像头失败") });
}

void TestMediaView::pushResults_data()
{
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<bool>("overlay");
    QTest::newRow("on stage") << true << "" << QStringList { tip("上讲台成功") } << true;
    QTest::newRow("failed") << false << "设备繁忙" << QStringList { tip("设备繁忙") } << false;
    QTest::newRow("failed, no message") << false << "" << QStringList {} << false;
}

// A student's own push on the lecturer's request: the own video in the overlay under the own name.
void TestMediaView::pushResults()
{
    QFETCH(bool, result);
    QFETCH(QString, msg);
    QFETCH(QStringList, emitted);
    QFETCH(bool, overlay);
    Fixture fixture(false);
    fixture.panel->pushStreamResultIn(false, result, msg);
    QCOMPARE(fixture.recorder->emitted(), emitted);
    VideoView *video = fixture.panel->videoView();
    QCOMPARE(video->isSubStarted(), overlay);
    QCOMPARE(video->subName(), overlay ? g_userName : QString());
}

void TestMediaView::pullResults_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<bool>("isLectFlag");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("placement");
    QTest::addColumn<QString>("subName");
    QTest::newRow("lecturer: student on stage")
        << true << false << true << "" << QStringList { tip("学生成功上讲台"), "onCameraBtnChangedOut(S2,true)" }
        << "A|-"
        << "张小红";
    QTest::newRow("lecturer: stage failed")
        << true << false << false << "上讲台失败"
        << QStringList { "onCameraBtnChangedOut(S2,false)", tip("上讲台失败") } << "A|-"
        << "";
    QTest::newRow("student: classmate on stage")
        << false << false << true << "" << QStringList { tip("同学上讲台成功") } << "A|-"
        << "张小红";
    QTest::newRow("student: classmate's stream failed")
        << false << false << false << "拉流失败" << QStringList { tip("拉流失败") } << "A|-"
        << "";
    QTest::newRow("student: class on") << false << true << true << "开始上课" << QStringList { tip("上课成功") }
                                       << "video|-"
                                       << "";
    QTest::newRow("student: lecturer's stream failed")
        << false << true << false << "上课失败,请重新登录" << QStringList { tip("上课失败,请重新登录") } << "A|-"
        << "";
    QTest::newRow("student: lecturer gone")
        << false << true << false << "" << QStringList { tip("老师已下课") } << "A|-"
        << "";
}

void TestMediaView::pullResults()
{
    QFETCH(bool, lecturer);
    QFETCH(bool, isLectFlag);
    QFETCH(bool, result);
    QFETCH(QString, msg);
    QFETCH(QStringList, emitted);
    QFETCH(QString, placement);
    QFETCH(QString, subName);
    Fixture fixture(lecturer);
    fixture.panel->pullStreamResultIn(isLectFlag, result, "S2", msg);
    QCOMPARE(fixture.recorder->emitted(), emitted);
    QCOMPARE(fixture.placement(), placement);
    QCOMPARE(fixture.panel->classState(), placement == "A|-" ? 1 : 0);
    VideoView *video = fixture.panel->videoView();
    QCOMPARE(video->isSubStarted(), !subName.isEmpty());
    if (!subName.isEmpty())
        QCOMPARE(video->subName(), subName);
}

// The lecturer clicks students in the participant list while the class runs; "!" is the own entry.
void TestMediaView::lecturerClicksOnStudents_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<bool>("classOn");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("subName");
    QTest::newRow("request sent") << true << true << QStringList { "S2" }
                                  << QStringList { tip("正在上讲台"), "onCameraBtnChangedOut(S2,true)" } << "张小红";
    QTest::newRow("taken off again") << true << true << QStringList { "S2", "S2" }
                                     << QStringList { tip("正在上讲台"), "onCameraBtnChangedOut(S2,true)",
                                            "onCameraBtnChangedOut(S2,false)" }
                                     << "";
    QTest::newRow("another is on stage") << true << true << QStringList { "S2", "S3" }
                                         << QStringList { tip("正在上讲台"), "onCameraBtnChangedOut(S2,true)",
                                                tip("不能多人同时上讲台"), "onCameraBtnChangedOut(S3,false)" }
                                         << "张小红";
    QTest::newRow("class not started") << true << false << QStringList { "S2" }
                                       << QStringList { tip("请先点击上课"), "onCameraBtnChangedOut(S2,false)" } << "";
    QTest::newRow("own entry") << true << true << QStringList { "L1" } << QStringList {} << "";
    QTest::newRow("student's side") << false << false << QStringList { "S2" } << QStringList {} << "";
}

void TestMediaView::lecturerClicksOnStudents()
{
    QFETCH(bool, lecturer);
    QFETCH(bool, classOn);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, emitted);
    QFETCH(QString, subName);
    Fixture fixture(lecturer);
    if (classOn)
        fixture.startClass();
    fixture.recorder->clear();
    for (const QString &userId : clicks)
        fixture.panel->startPullStreamIn(userId);
    QCOMPARE(fixture.recorder->emitted(), emitted);
    QCOMPARE(fixture.panel->videoView()->isSubStarted(), !subName.isEmpty());
    if (!subName.isEmpty())
        QCOMPARE(fixture.panel->videoView()->subName(), subName);
}

void TestMediaView::clicksTooOftenAreRefused()
{
    Fixture fixture(true);
    fixture.startClass();
    fixture.panel->manager()->setClickInterval(60000);
    fixture.recorder->clear();
    fixture.panel->startPullStreamIn("S2");
    QCOMPARE(fixture.recorder->emitted(), QStringList { tip("点击频繁,请稍后") });
    QVERIFY(!fixture.panel->videoView()->isSubStarted());
}

// Full screen asked for before the class: the second default picture there; the class video moves into the
// window once it comes, and back into the panel when the window closes.
void TestMediaView::fullScreenBeforeAndDuringClass()
{
    Fixture fixture(false);
    MediaView *panel = fixture.panel.get();
    QTest::mouseClick(fixture.button("fullScreen"), Qt::LeftButton);
    QVERIFY(panel->isFullScreen());
    QCOMPARE(fixture.placement(), QString("A|B"));
    QTRY_VERIFY(panel->fullTitle()->isVisible());
    QVERIFY(panel->fullDefaultImage()->isVisible());

    panel->pullStreamResultIn(true, true, "L0", "开始上课");
    QCOMPARE(fixture.placement(), QString("A|video"));
    QVERIFY(panel->defaultImage()->isVisible());
    QVERIFY(panel->videoView()->isVisible());
    QVERIFY(panel->fullDefaultImage()->isHidden());

    panel->fullTitle()->close();
    QVERIFY(!panel->isFullScreen());
    QCOMPARE(fixture.placement(), QString("video|-"));
    QVERIFY(panel->videoView()->isVisible());
    QVERIFY(panel->defaultImage()->isHidden());
}

void TestMediaView::fullScreenDuringClassAndClassEnd()
{
    Fixture fixture(false);
    MediaView *panel = fixture.panel.get();
    panel->pullStreamResultIn(true, true, "L0", "开始上课");
    QTest::mouseClick(fixture.button("fullScreen"), Qt::LeftButton);
    QCOMPARE(fixture.placement(), QString("A|video"));
    QVERIFY(panel->defaultImage()->isVisible());

    // The lecturer leaves meanwhile: the window shows the second default picture, the panel the first.
    panel->pullStreamResultIn(true, false, "L0", QString());
    QCOMPARE(fixture.placement(), QString("A|B"));
    QCOMPARE(panel->classState(), 1);
    QVERIFY(!panel->videoView()->isMainStarted());

    panel->fullTitle()->close();
    QCOMPARE(fixture.placement(), QString("A|-"));
    QVERIFY(panel->fullDefaultImage()->isHidden());
    QVERIFY(panel->defaultImage()->isVisible());
    QVERIFY(panel->videoView()->isHidden());
}

void TestMediaView::unmuteAfterMute()
{
    Fixture fixture(false);
    QCOMPARE(fixture.panel->micVolume(), PanelAudioDevice::startVolume);
    QPushButton *mic = fixture.button("micBtn");
    mic->click();
    QVERIFY(fixture.machine->microphone.muted);
    QVERIFY(mic->isChecked());
    mic->click();
    QVERIFY(!fixture.machine->microphone.muted);
    QVERIFY(!mic->isChecked());
    QVERIFY(fixture.panel->isMicOn());
    QPushButton *speaker = fixture.button("spkBtn");
    speaker->click();
    speaker->click();
    QVERIFY(!fixture.machine->speaker.muted);
    QCOMPARE(fixture.recorder->emitted(),
        QStringList({ tip("当前已静音", warning), tip("当前非静音", MediaView::normalTipSeconds),
            tip("当前已静音", warning), tip("当前非静音", MediaView::normalTipSeconds) }));

    // A quiet device is named so on unmuting.
    fixture.slider("micSlider")->setValue(10);
    mic->click();
    fixture.recorder->clear();
    mic->click();
    QCOMPARE(fixture.recorder->emitted(), QStringList { tip("音量过小，可能影响通话质量", warning) });
}

void TestMediaView::sliderAtZeroKeepsTheButtonMuting()
{
    Fixture fixture(false);
    QSlider *slider = fixture.slider("micSlider");
    QPushButton *mic = fixture.button("micBtn");
    slider->setValue(30);
    QCOMPARE(fixture.machine->microphone.volume, 30);
    slider->setValue(0);
    QVERIFY(mic->isChecked());
    QVERIFY(fixture.machine->microphone.muted);
    fixture.recorder->clear();
    mic->click();
    QVERIFY(mic->isChecked());
    QVERIFY(fixture.machine->microphone.muted);
    QCOMPARE(fixture.recorder->emitted(), QStringList { tip("当前已静音", warning) });
}

// No sound control: the controls start as they are, and a device that cannot be read is reported.
void TestMediaView::withoutSoundControl()
{
    auto machine = std::make_shared<FakeSoundControl::Machine>();
    machine->microphone.present = false;
    machine->speaker.present = false;
    Fixture fixture(false, machine);
    QCOMPARE(fixture.slider("micSlider")->value(), 0);
    QCOMPARE(fixture.slider("spkSlider")->value(), 0);
    QVERIFY(!fixture.panel->isMicOn());
    QPushButton *mic = fixture.button("micBtn");
    mic->click();
    QVERIFY(mic->isChecked());
    fixture.slider("micSlider")->setValue(30);
    mic->click();
    fixture.recorder->clear();
    mic->click();
    QCOMPARE(fixture.recorder->emitted(), QStringList { tip("麦克风设备异常", warning) });

    SoundControl::setFactory([] { return std::make_unique<NullSoundControl>(); });
    MediaView silent(300);
    QCOMPARE(silent.findChild<QSlider *>("spkSlider")->value(), 0);
    QVERIFY(!silent.isSpkOn());
    QCOMPARE(silent.spkVolume(), 0);
}

void TestMediaView::sizesForHeight270()
{
    Fixture fixture(true);
    fixture.panel->resize(477, 270);
    QTRY_COMPARE(fixture.panel->findChild<QWidget *>("buttonWidget")->height(), 30);
    QCOMPARE(fixture.button("startOpen")->size(), QSize(90, 30));
    for (const char *name : { "micBtn", "spkBtn", "fullScreen" })
        QCOMPARE(fixture.button(name)->size(), QSize(30, 30));
    QCOMPARE(fixture.panel->videoViewFull()->minimumSize(), QSize(618, 450));
}

QTEST_MAIN(TestMediaView)
#include "tst_mediaview.moc"
