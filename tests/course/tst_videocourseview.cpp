// The course video page offscreen over a real clip played by libVLC: the time text, the slider held and let go,
// the back, forward and pause buttons, controls held disabled, the reset on stop and the restart at the end.
#include "tests/support/classroomlink.h"
#include "tests/support/mediaclip.h"
#include "tests/support/namedchild.h"
#include "tests/support/tempworkdir.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/videocoursemanager.h"
#include "vrek/course/videocourseview.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QtTest>

namespace {
constexpr int waitMs = 20000;
const QString video = QStringLiteral("vv001_1");
} // namespace

class TestVideoCourseView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void timeToString_data();
    void timeToString();
    void form();
    void openShowsTheNameOnlyOnSuccess();
    void heldSliderSeeksOnceOnRelease();
    void backAndForwardStayWithinTheVideo();
    void pauseButtonWaitsForThePlayer();
    void disabledControlsStayDisabled();
    void stopResetsTimeAndSlider();
    void endStartsAgain();

private:
    // Opens the clip and waits until it plays with its length known.
    bool openAndPlay(VideoCourseView &view);
    QStringList stateForwards() const;

    TempWorkDir m_work;
    ClassroomLink *m_link = nullptr;
};

void TestVideoCourseView::initTestCase()
{
    QVERIFY(m_work.isValid());
    g_userId = "S1";
    g_classId = "C1";
    const QString folder = QString("fileRecv/S1/%1").arg(video);
    QVERIFY(QDir().mkpath(folder));
    MediaClip clip;
    clip.seconds = 6;
    QVERIFY(clip.make(folder + "/clip.mp4"));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestVideoCourseView::cleanupTestCase()
{
    delete m_link;
}

void TestVideoCourseView::init()
{
    courseIsLect = true;
    m_link->clear();
}

bool TestVideoCourseView::openAndPlay(VideoCourseView &view)
{
    QSignalSpy playing(view.manager(), &VideoCourseManager::signalMediaPlayerPlaying);
    if (!view.openVideoFile(video, QString::fromUtf8("分数动画.mp4"), GlobalEnum::PPMServer))
        return false;
    if (!playing.wait(waitMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    auto *slider = namedChild<QSlider>(view, "videoTimeHorizontalSlider");
    while (slider->maximum() < 5000 && clock.elapsed() < waitMs)
        QTest::qWait(10);
    return slider->maximum() >= 5000;
}

QStringList TestVideoCourseView::stateForwards() const
{
    return m_link->forwards().filter(QString("\t5$1$%1:").arg(video));
}

void TestVideoCourseView::timeToString_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "00:00:00";
    QTest::newRow("65 s") << 65000 << "00:01:05";
    QTest::newRow("part of a second") << 65999 << "00:01:05";
    QTest::newRow("one hour") << 3600000 << "01:00:00";
    QTest::newRow("1 h 2 min 3 s") << 3723000 << "01:02:03";
}

void TestVideoCourseView::timeToString()
{
    QFETCH(int, ms);
    QFETCH(QString, text);
    QCOMPARE(VideoCourseView::timeToString(ms), text);
}

void TestVideoCourseView::form()
{
    VideoCourseView view;
    QCOMPARE(view.objectName(), QString("VideoCourseView"));
    QCOMPARE(namedChild<QLabel>(view, "videoRealTimelineLabel")->text(), QString("00:00:00"));
    QCOMPARE(namedChild<QLabel>(view, "videoTotalTimelineLabel")->text(), QString("00:00:00"));
    QCOMPARE(namedChild<QLabel>(view, "videoTitleLabel")->text(), QString());
    QCOMPARE(namedChild<QSlider>(view, "videoTimeHorizontalSlider")->maximum(), 0);
    QCOMPARE(namedChild<QPushButton>(view, "videoControlBackButton")->size(), QSize(44, 30));
    QCOMPARE(namedChild<QPushButton>(view, "videoControlPauseButton")->size(), QSize(32, 32));
    QVERIFY(namedChild<QPushButton>(view, "videoControlPauseButton")->styleSheet().contains("videopause.png"));
    auto *maximize = namedChild<QPushButton>(view, "videoControlMaximizeButton");
    QVERIFY(maximize->isCheckable());
    QVERIFY(maximize->isHidden());
    QSignalSpy toggled(&view, &VideoCourseView::signalMaximizeButtonToggled);
    maximize->toggle();
    QCOMPARE(toggled.size(), 1);
    QCOMPARE(view.stackedLayout()->stackingMode(), QStackedLayout::StackAll);
    QCOMPARE(view.stackedLayout()->parentWidget(), namedChild<QWidget>(view, "videoWidget"));
}

void TestVideoCourseView::openShowsTheNameOnlyOnSuccess()
{
    VideoCourseView view;
    auto *title = namedChild<QLabel>(view, "videoTitleLabel");
    QVERIFY(view.openVideoFile(video, "first.mp4", GlobalEnum::PPMServer));
    QCOMPARE(title->text(), QString("first.mp4"));
    view.stopVideo();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^file not exists!"));
    QVERIFY(!view.openVideoFile("none01_1", "second.mp4", GlobalEnum::PPMServer));
    QCOMPARE(title->text(), QString("first.mp4"));
}

void TestVideoCourseView::heldSliderSeeksOnceOnRelease()
{
    VideoCourseView view;
    QVERIFY(openAndPlay(view));
    auto *slider = namedChild<QSlider>(view, "videoTimeHorizontalSlider");
    auto *label = namedChild<QLabel>(view, "videoRealTimelineLabel");
    m_link->clear();

    slider->setSliderDown(true);
    slider->setSliderPosition(2000);
    slider->setSliderPosition(4000);
    QCOMPARE(label->text(), QString("00:00:04"));
    // Time reports leave the held display alone: the view heard them before the spy did.
    QSignalSpy reports(view.manager(), &VideoCourseManager::signalMediaPlayerTimeChanged);
    QVERIFY(reports.wait(waitMs));
    QVERIFY(reports.wait(waitMs));
    QCOMPARE(label->text(), QString("00:00:04"));
    QCOMPARE(slider->value(), 4000);
    QVERIFY(stateForwards().isEmpty());

    slider->setSliderDown(false);
    QCOMPARE(stateForwards().size(), 1);
    QVERIFY(stateForwards().first().contains(QString("5$1$%1:4000:").arg(video)));
    QTRY_VERIFY_WITH_TIMEOUT(view.manager()->player()->position() >= 4000, waitMs);
    // The time reports after the seek move the slider and send nothing.
    reports.clear();
    QVERIFY(reports.wait(waitMs));
    QVERIFY(reports.wait(waitMs));
    QVERIFY(slider->value() >= 4000);
    QCOMPARE(stateForwards().size(), 1);
}

void TestVideoCourseView::backAndForwardStayWithinTheVideo()
{
    VideoCourseView view;
    QVERIFY(openAndPlay(view));
    const int length = view.manager()->getVideoLength();
    m_link->clear();
    // Within the first 15 s: to the start; forward from there: to the end.
    QTest::mouseClick(namedChild<QPushButton>(view, "videoControlBackButton"), Qt::LeftButton);
    QCOMPARE(view.manager()->time(), qint64(0));
    QTest::mouseClick(namedChild<QPushButton>(view, "videoControlForwardButton"), Qt::LeftButton);
    QCOMPARE(view.manager()->time(), qint64(length));
    const QStringList sent = stateForwards();
    QCOMPARE(sent.size(), 2);
    QVERIFY(sent.at(0).contains(QString("5$1$%1:0:%2:").arg(video).arg(length)));
    QVERIFY(sent.at(1).contains(QString("5$1$%1:%2:%2:").arg(video).arg(length)));
}

void TestVideoCourseView::pauseButtonWaitsForThePlayer()
{
    VideoCourseView view;
    QVERIFY(openAndPlay(view));
    auto *pause = namedChild<QPushButton>(view, "videoControlPauseButton");
    QVERIFY(pause->isEnabled());
    QSignalSpy paused(view.manager(), &VideoCourseManager::signalMediaPlayerPaused);
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(!pause->isEnabled());
    QVERIFY(paused.wait(waitMs));
    QVERIFY(pause->isEnabled());
    QVERIFY(pause->styleSheet().contains("videoplay.png"));

    // The player already goes where the click asks (a pause from the class not yet reported): no report will
    // come, so the button is not held.
    QSignalSpy playing(view.manager(), &VideoCourseManager::signalMediaPlayerPlaying);
    QVERIFY(view.manager()->setVideoPause(false, GlobalEnum::PPMServer));
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(pause->isEnabled());
    QVERIFY(playing.wait(waitMs));
    QVERIFY(pause->styleSheet().contains("videopause.png"));
}

void TestVideoCourseView::disabledControlsStayDisabled()
{
    VideoCourseView view;
    view.setControlEnabled(false);
    const QList<QWidget *> controls { namedChild<QWidget>(view, "videoControlBackButton"),
        namedChild<QWidget>(view, "videoControlForwardButton"), namedChild<QWidget>(view, "videoControlPauseButton"),
        namedChild<QWidget>(view, "videoTimeHorizontalSlider") };
    QVERIFY(openAndPlay(view));
    QSignalSpy paused(view.manager(), &VideoCourseManager::signalMediaPlayerPaused);
    QVERIFY(view.manager()->setVideoPause(true, GlobalEnum::PPMServer));
    QVERIFY(paused.wait(waitMs));
    for (QWidget *control : controls)
        QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    view.setControlEnabled(true);
    for (QWidget *control : controls)
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
}

void TestVideoCourseView::stopResetsTimeAndSlider()
{
    VideoCourseView view;
    QVERIFY(openAndPlay(view));
    auto *now = namedChild<QLabel>(view, "videoRealTimelineLabel");
    QTRY_VERIFY_WITH_TIMEOUT(now->text() != "00:00:00", waitMs);
    QVERIFY(namedChild<QLabel>(view, "videoTotalTimelineLabel")->text().startsWith("00:00:0"));
    view.stopVideo();
    QCOMPARE(now->text(), QString("00:00:00"));
    QCOMPARE(namedChild<QLabel>(view, "videoTotalTimelineLabel")->text(), QString("00:00:00"));
    QCOMPARE(namedChild<QSlider>(view, "videoTimeHorizontalSlider")->maximum(), 0);
    QVERIFY(!view.manager()->videoWidget());
}

void TestVideoCourseView::endStartsAgain()
{
    VideoCourseView view;
    QVERIFY(openAndPlay(view));
    VideoCourseManager *manager = view.manager();
    QSignalSpy ended(manager, &VideoCourseManager::signalMediaPlayerEndReached);
    QSignalSpy playing(manager, &VideoCourseManager::signalMediaPlayerPlaying);
    QVERIFY(manager->setVideoRealTime(manager->getVideoLength() - 800, GlobalEnum::PPMServer));
    QVERIFY(ended.wait(waitMs));
    // Without a click it plays again from the start, in a new picture widget.
    QTRY_VERIFY_WITH_TIMEOUT(playing.size() >= 1, waitMs);
    QVERIFY(manager->videoWidget());
    QCOMPARE(view.stackedLayout()->count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(manager->player()->state() == VlcPlayer::Playing, waitMs);
    QVERIFY(manager->player()->position() < 3000);
}

QTEST_MAIN(TestVideoCourseView)
#include "tst_videocourseview.moc"
