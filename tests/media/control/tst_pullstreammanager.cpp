#include "tests/support/classroomlink.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/signalrecorder.h"
#include "vrek/container/pulluserinfohash.h"
#include "vrek/media/control/autopullengine.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/pullstreammanager.h"
#include "vrek/model/pulluserinfo.h"
#include "vrek/utils/globalvalue.h"

#include <QPointer>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
QString state(const PullStreamManager &manager, const QString &id)
{
    PullUserInfo *info = nullptr;
    if (!manager.pullUserInfoHash()->selectObject(id, &info, false))
        return id + "?";
    QString text = QString("%1.%2.%3")
                       .arg(info->getPullFromType())
                       .arg(info->getPullStreamState())
                       .arg(info->getPullShowState());
    if (info->getPlayAudio())
        text += "+audio";
    return text;
}

// A manager whose pulls go nowhere: the tests play the engine pool's results and pictures themselves.
PullStreamManager *detachedManager(PullStreamManager::PullManagerType type, PullStreamManager::PlayAudioType audio)
{
    auto *manager = new PullStreamManager(type, audio, 3);
    QObject::disconnect(manager, nullptr, manager->pullEngineFactory(), nullptr);
    QObject::disconnect(manager->pullEngineFactory(), nullptr, manager, nullptr);
    return manager;
}

QImage picture()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}
} // namespace

class TestPullStreamManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void ownPushStreamIdChangesNothing();
    void pullUrl();
    void resultsOnlyForPullsByHand();
    void lateResultOfAStoppedUser();
    void firstPictureEndsTheReplacedUser();
    void oneUserHeardAtATime();
    void eachUserSwitchedAlone();
    void manualManagerDoesNotRotate();
    void lastManualUserRestartsTheRotation();
    void stoppedPushStreamIdStopsThePull();
    void destructionStopsTheRotationFirst();
    void rotationOnTheRig();
};

void TestPullStreamManager::init()
{
    g_userId = "me";
    g_userType = 1;
    g_mediaHost = "127.0.0.1";
    g_mediaPort = 1;
}

void TestPullStreamManager::ownPushStreamIdChangesNothing()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    SignalRecorder recorder(manager.get());
    manager->addPushStreamIdIn("me", "psme");
    QCOMPARE(manager->pullUserInfoHash()->count(), 0);
    QVERIFY(recorder.emitted().isEmpty());
    manager->addPushStreamIdIn("u1", "ps1");
    QCOMPARE(recorder.emitted(), QStringList { "insertShowQueueOut(u1)" });
    QVERIFY(manager->verifyUserStreamId("u1"));
    // A known user gets his new id without a second announcement.
    manager->addPushStreamIdIn("u1", "ps1b");
    QCOMPARE(recorder.emitted().size(), 1);
    manager->delPushStreamIdIn("u1");
    QVERIFY(!manager->verifyUserStreamId("u1"));
    manager->delPushStreamIdIn("u2");
    QCOMPARE(recorder.emitted().last(), QString("insertShowQueueOut(u2)"));
    QVERIFY(!manager->verifyUserStreamId("u2"));
}

void TestPullStreamManager::pullUrl()
{
    g_mediaHost = "media.local";
    g_mediaPort = 1935;
    QCOMPARE(PullStreamManager::getPullStreamUrl("ps7"), QString("rtmp://media.local:1935/live/ps7 live=1 timeout=7"));
}

void TestPullStreamManager::resultsOnlyForPullsByHand()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    QSignalSpy starts(manager.get(), &PullStreamManager::startPullStreamOut);
    QSignalSpy results(manager.get(), &PullStreamManager::pullStreamResultOut);
    manager->addPushStreamIdIn("u1", "ps1");
    manager->startAutoPullStreamIn();
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.at(0).at(0).toString(), QString("u1"));
    QCOMPARE(starts.at(0).at(1).value<PullStreamEngine::PullStreamType>(), PullStreamEngine::PullAudioRequired);
    QCOMPARE(starts.at(0).at(2).toString(), QString("rtmp://127.0.0.1:1/live/ps1 live=1 timeout=7"));
    QCOMPARE(starts.at(0).at(3).toBool(), false);
    manager->pullStreamResultIn(false, "u1", "fail");
    QCOMPARE(results.size(), 0);
    manager->pullStreamResultIn(true, "u1", QString());
    QCOMPARE(results.size(), 0);
    QCOMPARE(state(*manager, "u1"), QString("1.2.1"));
    QVERIFY(!manager->getPullUserState("u1"));

    manager->startPullStreamInByPushId("u2", "ps2", true);
    QCOMPARE(starts.size(), 2);
    QCOMPARE(starts.at(1).at(3).toBool(), true);
    manager->pullStreamResultIn(true, "u2", "ok");
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.at(0), QVariantList({ true, true, "u2", "ok" }));
    QVERIFY(manager->getPullUserState("u2"));
    QCOMPARE(state(*manager, "u2"), QString("2.2.1+audio"));

    manager->addPushStreamIdIn("u3", "ps3");
    manager->startPullStreamInByUserId("u3");
    manager->pullStreamResultIn(false, "u3", "gone");
    QCOMPARE(results.at(1), QVariantList({ false, false, "u3", "gone" }));
}

// A start result that arrives after the user was stopped must not leave him marked as pulled for ever.
void TestPullStreamManager::lateResultOfAStoppedUser()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    manager->startPullStreamInByPushId("u1", "ps1", false);
    manager->stopPullStreamIn("u1");
    QCOMPARE(state(*manager, "u1"), QString("0.0.0"));
    manager->pullStreamResultIn(true, "u1", QString());
    QCOMPARE(state(*manager, "u1"), QString("0.0.0"));
    manager->startPullStreamInByUserId("u1");
    QCOMPARE(state(*manager, "u1"), QString("3.1.1+audio"));
}

void TestPullStreamManager::firstPictureEndsTheReplacedUser()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    for (const QString &id : QStringList { "u1", "u2", "u3", "u4" })
        manager->addPushStreamIdIn(id, "ps" + id);
    manager->startAutoPullStreamIn();
    manager->autoPullEngine()->autoStartPullIn();
    QCOMPARE(state(*manager, "u1"), QString("1.1.2"));
    QCOMPARE(state(*manager, "u4"), QString("1.1.1"));

    QStringList events;
    connect(manager.get(), &PullStreamManager::showVideoImageOut, this,
        [&](const QString &id) { events << "frame " + id; });
    connect(manager.get(), &PullStreamManager::pullStreamChangeOut, this,
        [&](const QString &from, const QString &to) { events << "change " + from + ">" + to; });
    connect(
        manager.get(), &PullStreamManager::stopPullStreamOut, this, [&](const QString &id) { events << "stop " + id; });
    // The leaving user's pictures are no longer shown; he stays until his successor's first picture.
    manager->showVideoImageIn("u1", picture());
    manager->showVideoImageIn("u2", picture());
    QCOMPARE(events, QStringList { "frame u2" });
    manager->showVideoImageIn("u4", picture());
    manager->showVideoImageIn("u4", picture());
    QCOMPARE(events, QStringList({ "frame u2", "change u1>u4", "stop u1", "frame u4", "frame u4" }));
    QCOMPARE(state(*manager, "u1"), QString("0.0.0"));
}

void TestPullStreamManager::oneUserHeardAtATime()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    for (const QString &id : QStringList { "u1", "u2", "u3" })
        manager->addPushStreamIdIn(id, "ps" + id);
    manager->startAutoPullStreamIn();
    SignalRecorder recorder(manager.get());
    recorder.ignore({ "startPullStreamOut" });

    manager->startPlayAudioIn("u1");
    manager->startPlayAudioIn("u2");
    QCOMPARE(recorder.emitted(),
        QStringList({ "playAudioChangeOut(u1,true)", "startPlayAudioOut(u1,true)", "playAudioChangeOut(u1,false)",
            "startPlayAudioOut(u1,false)", "playAudioChangeOut(u2,true)", "startPlayAudioOut(u2,true)" }));
    QCOMPARE(manager->playAudioUserId(), QString("u2"));
    recorder.clear();
    // Only the user heard can be switched off.
    manager->stopPlayAudioIn("u1");
    QVERIFY(recorder.emitted().isEmpty());
    manager->stopPlayAudioIn("u2");
    QCOMPARE(recorder.emitted(), QStringList({ "playAudioChangeOut(u2,false)", "startPlayAudioOut(u2,false)" }));
    recorder.clear();
    // A user nobody pulls has no sound to switch.
    manager->addPushStreamIdIn("u9", "ps9");
    manager->autoPullEngine()->stopAutoPullIn();
    manager->startPlayAudioIn("u9");
    QCOMPARE(recorder.emitted().filter("Audio").size(), 0);
}

void TestPullStreamManager::eachUserSwitchedAlone()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioEach));
    for (const QString &id : QStringList { "u1", "u2" })
        manager->addPushStreamIdIn(id, "ps" + id);
    manager->startAutoPullStreamIn();
    manager->startPlayAudioIn("u1");
    manager->startPlayAudioIn("u2");
    QCOMPARE(state(*manager, "u1"), QString("1.1.1+audio"));
    QCOMPARE(state(*manager, "u2"), QString("1.1.1+audio"));
    manager->stopPlayAudioIn("u1");
    QCOMPARE(state(*manager, "u1"), QString("1.1.1"));
    QCOMPARE(state(*manager, "u2"), QString("1.1.1+audio"));
}

void TestPullStreamManager::manualManagerDoesNotRotate()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerManual, PullStreamManager::PlayAudioOne));
    manager->addPushStreamIdIn("u1", "ps1");
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("pullManagerType: 1"));
    manager->startAutoPullStreamIn();
    QVERIFY(!manager->autoPullEngine()->isRotating());
    QCOMPARE(state(*manager, "u1"), QString("0.0.0"));
}

void TestPullStreamManager::lastManualUserRestartsTheRotation()
{
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    g_userType = 0;
    g_userId = "L1";
    g_classId = "c1";
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    QSignalSpy none(manager.get(), &PullStreamManager::manualPullStreamNoneOut);
    manager->addPushStreamIdIn("u1", "ps1");
    manager->addPushStreamIdIn("u2", "ps2");
    manager->startPullStreamInByUserId("u1");
    QVERIFY(!manager->autoPullEngine()->isRotating());
    manager->stopPullStreamIn("u1");
    QCOMPARE(none.size(), 1);
    QVERIFY(manager->autoPullEngine()->isRotating());
    QCOMPARE(state(*manager, "u1"), QString("1.1.1"));
    QCOMPARE(link.forwards(), QStringList({ "11\t0\tc1\t3$5$L1$u1$ps1$0$u1$\t0", "11\t0\tc1\t3$6$L1$u1$$0$u1$\t0" }));
    link.clear();
    manager->sendPullFRStartIn("u2");
    QCOMPARE(link.forwards(), QStringList { "11\t0\tc1\t3$14$L1$u2$ps2$0$u2$\t0" });
}

void TestPullStreamManager::stoppedPushStreamIdStopsThePull()
{
    std::unique_ptr<PullStreamManager> manager(
        detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne));
    QSignalSpy stops(manager.get(), &PullStreamManager::stopPullStreamOut);
    manager->addPushStreamIdIn("u1", "ps1");
    manager->startPullStreamInByPushId("u2", "ps2", true);
    manager->startAutoPullStreamIn();
    manager->delPushStreamIdIn("u1");
    manager->delPushStreamIdIn("u2");
    QCOMPARE(stops.size(), 2);
    QCOMPARE(state(*manager, "u1"), QString("0.0.0"));
    QCOMPARE(state(*manager, "u2"), QString("0.0.0"));
}

void TestPullStreamManager::destructionStopsTheRotationFirst()
{
    auto *manager = detachedManager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne);
    const int periodMs = 5;
    manager->autoPullEngine()->setRotationPeriod(periodMs);
    manager->addPushStreamIdIn("u1", "ps1");
    manager->startAutoPullStreamIn();
    QPointer<AutoPullEngine> policy = manager->autoPullEngine();
    QPointer<PullEngineFactory> factory = manager->pullEngineFactory();
    delete manager;
    QVERIFY(!policy);
    QVERIFY(!factory);
    // No tick of a policy left behind reaches the freed table: by the third tick of a timer of the same period,
    // started after, it would have.
    int ticks = 0;
    QTimer marker;
    connect(&marker, &QTimer::timeout, [&ticks] { ++ticks; });
    marker.start(periodMs);
    QTRY_VERIFY(ticks >= 3);
}

// Four publishers, three shown: the rotation replaces a shown user once his successor's first picture has
// arrived, over a real nginx and real pulls.
void TestPullStreamManager::rotationOnTheRig()
{
    RtmpServer server;
    QVERIFY2(server.start(), qPrintable(server.errorLog()));
    g_mediaPort = server.port();
    std::vector<std::unique_ptr<FfmpegPublisher>> publishers;
    const QStringList colors { "red", "green", "blue", "yellow" };
    for (int i = 0; i < 4; ++i) {
        FfmpegPublisher::Options options;
        options.width = 160;
        options.height = 120;
        options.frameRate = 10;
        options.color = colors.at(i);
        options.keyframeSeconds = 0.5;
        publishers.emplace_back(new FfmpegPublisher(options));
        QVERIFY2(publishers.back()->start(server.url(QString("ps%1").arg(i + 1))),
            qPrintable(publishers.back()->errorOutput()));
    }

    PullStreamManager manager(PullStreamManager::PullManagerAuto, PullStreamManager::PlayAudioOne, 3);
    manager.pullEngineFactory()->setStopWait(3000);
    QStringList events;
    QHash<QString, int> frames;
    connect(&manager, &PullStreamManager::showVideoImageOut, this, [&](const QString &id, const QImage &image) {
        if (frames[id]++ == 0)
            events << "frame " + id;
        QVERIFY(!image.isNull());
    });
    connect(&manager, &PullStreamManager::pullStreamChangeOut, this,
        [&](const QString &from, const QString &to) { events << "change " + from + ">" + to; });
    connect(&manager, &PullStreamManager::stopPullStreamOut, this, [&](const QString &id) { events << "stop " + id; });

    for (int i = 1; i <= 4; ++i)
        manager.addPushStreamIdIn(QString("u%1").arg(i), QString("ps%1").arg(i));
    manager.startAutoPullStreamIn();
    QCOMPARE(events, QStringList({ "change >u1", "change >u2", "change >u3" }));
    QTRY_VERIFY_WITH_TIMEOUT(frames.value("u1") > 0 && frames.value("u2") > 0 && frames.value("u3") > 0, 20000);
    QCOMPARE(manager.pullEngineFactory()->engineCount(), 3);

    events.clear();
    manager.autoPullEngine()->autoStartPullIn();
    QCOMPARE(state(manager, "u1"), QString("1.2.2"));
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("frame u4"), 20000);
    // u1 left the screen exactly when u4's first picture came, not before.
    QCOMPARE(events.mid(0, 3), QStringList({ "change u1>u4", "stop u1", "frame u4" }));
    QCOMPARE(state(manager, "u1"), QString("0.0.0"));
    QCOMPARE(state(manager, "u4"), QString("1.2.1"));
    // The pictures of those still shown come the same way: once more of them came, any of u1's would have.
    const int u1Frames = frames.value("u1");
    const int u4Frames = frames.value("u4");
    QTRY_VERIFY_WITH_TIMEOUT(frames.value("u4") >= u4Frames + 5, 10000);
    QCOMPARE(frames.value("u1"), u1Frames);
    QVERIFY(frames.value("u2") > 1 && frames.value("u3") > 1);
}

QTEST_MAIN(TestPullStreamManager)
#include "tst_pullstreammanager.moc"
