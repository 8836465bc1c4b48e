// The course video manager offscreen over a real 10 s clip played by libVLC, in a received-files folder of a
// temporary working directory: where a video starts, what the class is told and when, what a late joiner gets,
// and a player that cannot start.
#include "tests/support/classroomlink.h"
#include "tests/support/mediaclip.h"
#include "tests/support/tempworkdir.h"
#include "vrek/container/filegraphsethash.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/videocoursemanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QFile>
#include <QStackedLayout>
#include <QtTest>

namespace {
// Generous: the machine may be busy.
constexpr int waitMs = 20000;
// How far a position read after a seek may lie from its target: the player moves on meanwhile.
constexpr int positionSlackMs = 1500;

const QString videoA = QStringLiteral("va001_1");
const QString videoB = QStringLiteral("vb002_1");

bool waitForState(VideoCourseManager &manager, VlcPlayer::State state)
{
    QElapsedTimer clock;
    clock.start();
    while (manager.player()->state() != state && clock.elapsed() < waitMs)
        QTest::qWait(10);
    return manager.player()->state() == state;
}

bool waitForPosition(VideoCourseManager &manager, qint64 atLeast)
{
    QElapsedTimer clock;
    clock.start();
    while (manager.player()->position() < atLeast && clock.elapsed() < waitMs)
        QTest::qWait(10);
    return manager.player()->position() >= atLeast;
}

bool isNear(qint64 value, qint64 target)
{
    return qAbs(value - target) <= positionSlackMs;
}
} // namespace

class TestVideoCourseManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstOpenStartsAtZero();
    void reopenResumesWherePaused();
    void missingFileOpensNothing_data();
    void missingFileOpensNothing();
    void openCommandToTheClass();
    void equalPauseSendsNothing();
    void seekIsClampedAndStoredAsAsked();
    void stateOfAnotherVideoAppliesAtItsOpen();
    void commandsFromElsewhereAreNeverSent_data();
    void commandsFromElsewhereAreNeverSent();
    void lateAnswerCarriesTimeLengthAndPause();
    void secondPlayIsRefused();
    void negativePositionStartsAtZero();
    void pauseStateFromTheOpenCommandHolds();
    void failedStartCrashesNothing();

private:
    QString forwardToClass(const QString &data) const { return QString("11\t0\tC1\t%1\t0").arg(data); }

    TempWorkDir m_work;
    ClassroomLink *m_link = nullptr;
    QWidget *m_host = nullptr;
    QStackedLayout *m_layout = nullptr;
};

void TestVideoCourseManager::initTestCase()
{
    QVERIFY(m_work.isValid());
    g_userId = "S1";
    g_classId = "C1";
    const QString folderA = QString("fileRecv/S1/%1").arg(videoA);
    const QString folderB = QString("fileRecv/S1/%1").arg(videoB);
    QVERIFY(QDir().mkpath(folderA));
    QVERIFY(QDir().mkpath(folderB));
    MediaClip clip;
    clip.seconds = 10;
    QVERIFY(clip.make(folderA + "/clip.mp4"));
    QVERIFY(QFile::copy(folderA + "/clip.mp4", folderB + "/other.mp4"));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestVideoCourseManager::cleanupTestCase()
{
    delete m_link;
}

void TestVideoCourseManager::init()
{
    courseIsLect = false;
    m_link->clear();
    m_host = new QWidget;
    m_layout = new QStackedLayout(m_host);
    m_layout->setStackingMode(QStackedLayout::StackAll);
}

void TestVideoCourseManager::cleanup()
{
    VlcPlayer::setStartFailureForTests(false);
    delete m_host;
    m_host = nullptr;
}

void TestVideoCourseManager::firstOpenStartsAtZero()
{
    VideoCourseManager manager(m_layout);
    QSignalSpy playing(&manager, &VideoCourseManager::signalMediaPlayerPlaying);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QCOMPARE(manager.currentFileIdAll(), videoA);
    QCOMPARE(m_layout->count(), 1);
    QCOMPARE(m_layout->widget(0), manager.videoWidget());
    QVERIFY(!manager.isReady());
    QVERIFY(playing.wait(waitMs));
    manager.initialVideoState();
    QVERIFY(manager.isReady());
    QVERIFY(!manager.isPause());
    QVERIFY(manager.player()->position() < 3000);
    QVERIFY(waitForPosition(manager, 500));
    QCOMPARE(manager.player()->state(), VlcPlayer::Playing);

    manager.stopVideo();
    QCOMPARE(m_layout->count(), 0);
    QVERIFY(!manager.videoWidget());
}

// The view records the position on every time report; reopening applies it with the pause state.
void TestVideoCourseManager::reopenResumesWherePaused()
{
    VideoCourseManager manager(m_layout);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPlaying, &manager, &VideoCourseManager::initialVideoState);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPaused, &manager, &VideoCourseManager::initialVideoState);
    connect(&manager, &VideoCourseManager::signalMediaPlayerTimeChanged, &manager, &VideoCourseManager::getVideoTime);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(waitForPosition(manager, 3000));
    QVERIFY(manager.setVideoPause(true, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Paused));
    const int left = manager.getVideoTime();
    QVERIFY(left >= 3000);
    QCOMPARE(manager.fileState().selectIsPause(videoA), true);

    manager.stopVideo();
    QVERIFY(manager.openVideoFile(videoB, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    manager.stopVideo();
    QCOMPARE(manager.fileState().selectTimeId(videoA), quint32(left));

    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Paused));
    QVERIFY(manager.isPause());
    QTRY_VERIFY_WITH_TIMEOUT(isNear(manager.player()->position(), left), waitMs);
    // It stays paused there.
    QTest::qWait(500);
    QCOMPARE(manager.player()->state(), VlcPlayer::Paused);
    QVERIFY(isNear(manager.player()->position(), left));
}

void TestVideoCourseManager::missingFileOpensNothing_data()
{
    QTest::addColumn<QString>("fileIdAll");
    QTest::newRow("not received") << "nope99_1";
    QTest::newRow("outside the user's folder") << "../S2/va001_1";
    QTest::newRow("empty") << "";
}

void TestVideoCourseManager::missingFileOpensNothing()
{
    QFETCH(QString, fileIdAll);
    courseIsLect = true;
    VideoCourseManager manager(m_layout);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^file not exists!"));
    QVERIFY(!manager.openVideoFile(fileIdAll, GlobalEnum::PPMLocal));
    QCOMPARE(manager.currentFileIdAll(), fileIdAll);
    QCOMPARE(m_layout->count(), 0);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestVideoCourseManager::openCommandToTheClass()
{
    courseIsLect = true;
    VideoCourseManager manager(m_layout);
    manager.slotSetVideoState(videoA, 4200, true);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMLocal));
    // The stored position and pause state, and no length.
    QCOMPARE(m_link->forwards(), QStringList { forwardToClass(QString("5$0$%1:4200:0:1").arg(videoA)) });
}

void TestVideoCourseManager::equalPauseSendsNothing()
{
    courseIsLect = true;
    VideoCourseManager manager(m_layout);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMLocal));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    manager.initialVideoState();
    manager.getVideoLength();
    m_link->clear();

    QVERIFY(!manager.setVideoPause(false, GlobalEnum::PPMLocal));
    QVERIFY(m_link->forwards().isEmpty());
    QCOMPARE(manager.player()->state(), VlcPlayer::Playing);

    QVERIFY(manager.setVideoPause(true, GlobalEnum::PPMLocal));
    QCOMPARE(m_link->forwards(),
        QStringList {
            forwardToClass(QString("5$1$%1:%2:%3:1").arg(videoA).arg(manager.time()).arg(manager.length())) });
    QVERIFY(waitForState(manager, VlcPlayer::Paused));
    QVERIFY(!manager.setVideoPause(true, GlobalEnum::PPMLocal));
    QCOMPARE(m_link->forwards().size(), 1);
}

void TestVideoCourseManager::seekIsClampedAndStoredAsAsked()
{
    courseIsLect = true;
    VideoCourseManager manager(m_layout);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMLocal));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    manager.initialVideoState();
    QTRY_VERIFY_WITH_TIMEOUT(manager.getVideoLength() > 9000, waitMs);
    const int length = manager.getVideoLength();
    m_link->clear();

    QVERIFY(manager.setVideoRealTime(length + 5000, GlobalEnum::PPMLocal));
    QCOMPARE(manager.time(), qint64(length));
    QCOMPARE(manager.fileState().selectTimeId(videoA), quint32(length + 5000));
    QVERIFY(manager.setVideoRealTime(-3000, GlobalEnum::PPMLocal));
    QCOMPARE(manager.time(), qint64(0));
    QCOMPARE(manager.fileState().selectTimeId(videoA), quint32(0));
    QVERIFY(manager.setVideoRealTime(6000, GlobalEnum::PPMLocal));
    QCOMPARE(m_link->forwards(),
        QStringList({ forwardToClass(QString("5$1$%1:%2:%2:0").arg(videoA).arg(length)),
            forwardToClass(QString("5$1$%1:0:%2:0").arg(videoA).arg(length)),
            forwardToClass(QString("5$1$%1:6000:%2:0").arg(videoA).arg(length)) }));
    QTRY_VERIFY_WITH_TIMEOUT(isNear(manager.player()->position(), 6000), waitMs);
}

void TestVideoCourseManager::stateOfAnotherVideoAppliesAtItsOpen()
{
    VideoCourseManager manager(m_layout);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPlaying, &manager, &VideoCourseManager::initialVideoState);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPaused, &manager, &VideoCourseManager::initialVideoState);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    // The lecturer's state of the other video changes only what is stored for it.
    manager.slotSetVideoState(videoB, 5000, true);
    QCOMPARE(manager.currentFileIdAll(), videoA);
    QCOMPARE(manager.player()->state(), VlcPlayer::Playing);
    QCOMPARE(manager.fileState().selectTimeId(videoB), quint32(5000));

    manager.stopVideo();
    QVERIFY(manager.openVideoFile(videoB, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Paused));
    QTRY_VERIFY_WITH_TIMEOUT(isNear(manager.player()->position(), 5000), waitMs);
}

void TestVideoCourseManager::commandsFromElsewhereAreNeverSent_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("sent");
    QTest::newRow("lecturer, own control") << true << int(GlobalEnum::PPMLocal) << true;
    QTest::newRow("lecturer, from the server") << true << int(GlobalEnum::PPMServer) << false;
    QTest::newRow("lecturer, from the pad") << true << int(GlobalEnum::PPMPad) << false;
    QTest::newRow("student, own control") << false << int(GlobalEnum::PPMLocal) << false;
}

void TestVideoCourseManager::commandsFromElsewhereAreNeverSent()
{
    QFETCH(bool, lecturer);
    QFETCH(int, from);
    QFETCH(bool, sent);
    courseIsLect = lecturer;
    const auto origin = GlobalEnum::PPMFromType(from);
    VideoCourseManager manager(m_layout);
    QVERIFY(manager.openVideoFile(videoA, origin));
    QVERIFY(manager.setVideoPause(true, origin));
    QVERIFY(manager.setVideoRealTime(2000, origin));
    QCOMPARE(m_link->forwards().size(), sent ? 3 : 0);
}

void TestVideoCourseManager::lateAnswerCarriesTimeLengthAndPause()
{
    // Whatever the flag and however the video came.
    courseIsLect = false;
    VideoCourseManager manager(m_layout);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    manager.initialVideoState();
    QVERIFY(waitForPosition(manager, 1000));
    QTRY_VERIFY_WITH_TIMEOUT(manager.getVideoLength() > 9000, waitMs);
    QVERIFY(manager.setVideoPause(true, GlobalEnum::PPMServer));
    QVERIFY(waitForState(manager, VlcPlayer::Paused));
    const int time = manager.getVideoTime();
    QVERIFY(time >= 1000);
    QVERIFY(m_link->forwards().isEmpty());

    manager.slotSendVideoLate("S9");
    QCOMPARE(m_link->forwards(),
        QStringList { QString("11\t1\tS9\t5$0$%1:%2:%3:1\t0").arg(videoA).arg(time).arg(manager.length()) });
}

void TestVideoCourseManager::secondPlayIsRefused()
{
    VideoCourseManager manager(m_layout);
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QWidget *widget = manager.videoWidget();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^play or stop error b: true videoWidget:"));
    QVERIFY(manager.setVideoPlay(true));
    QCOMPARE(manager.videoWidget(), widget);
    QCOMPARE(m_layout->count(), 1);
    manager.stopVideo();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^play or stop error b: false videoWidget:"));
    QVERIFY(manager.setVideoPlay(false));
}

// A seek before the start (the back button within the first 15 s) is kept as the start.
void TestVideoCourseManager::negativePositionStartsAtZero()
{
    VideoCourseManager manager(m_layout);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPlaying, &manager, &VideoCourseManager::initialVideoState);
    manager.slotSetVideoState(videoA, -4000, false);
    QCOMPARE(manager.fileState().selectTimeId(videoA), quint32(0));
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(manager.setVideoRealTime(-2500, GlobalEnum::PPMServer));
    QCOMPARE(manager.fileState().selectTimeId(videoA), quint32(0));
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    QVERIFY(manager.isReady());
    QVERIFY(waitForPosition(manager, 200));
    QVERIFY(manager.player()->position() < 4000);
}

// An open command that says "playing" for a video this client left paused: the video plays.
void TestVideoCourseManager::pauseStateFromTheOpenCommandHolds()
{
    VideoCourseManager manager(m_layout);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPlaying, &manager, &VideoCourseManager::initialVideoState);
    connect(&manager, &VideoCourseManager::signalMediaPlayerPaused, &manager, &VideoCourseManager::initialVideoState);
    manager.slotSetVideoState(videoA, 1000, true);
    // As the courseware dispatch hands on the lecturer's open: open, pause state, position.
    QVERIFY(manager.openVideoFile(videoA, GlobalEnum::PPMServer));
    QVERIFY(!manager.setVideoPause(false, GlobalEnum::PPMServer));
    QVERIFY(manager.setVideoRealTime(1000, GlobalEnum::PPMServer));
    QCOMPARE(manager.fileState().selectIsPause(videoA), false);
    QVERIFY(waitForState(manager, VlcPlayer::Playing));
    QVERIFY(waitForPosition(manager, 2500));
    QCOMPARE(manager.player()->state(), VlcPlayer::Playing);
    QVERIFY(!manager.isPause());
}

void TestVideoCourseManager::failedStartCrashesNothing()
{
    courseIsLect = true;
    VlcPlayer::setStartFailureForTests(true);
    QTest::ignoreMessage(QtCriticalMsg, "VideoCourseManager::VideoCourseManager libvlcInitial failed!");
    auto *manager = new VideoCourseManager(m_layout);
    QVERIFY(!manager->player()->isValid());
    QVERIFY(!manager->openVideoFile(videoA, GlobalEnum::PPMLocal));
    QCOMPARE(m_layout->count(), 0);
    QVERIFY(m_link->forwards().isEmpty());
    QVERIFY(manager->setVideoPause(true, GlobalEnum::PPMServer));
    QVERIFY(manager->setVideoRealTime(3000, GlobalEnum::PPMServer));
    manager->initialVideoState();
    QCOMPARE(manager->getVideoTime(), 0);
    QCOMPARE(manager->getVideoLength(), 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^play or stop error b: false"));
    QVERIFY(manager->stopVideo());
    QVERIFY(manager->clearVideoState());
    delete manager;
}

QTEST_MAIN(TestVideoCourseManager)
#include "tst_videocoursemanager.moc"
