#include "tests/support/classroomlink.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"
#include "tests/support/threadroundtrip.h"
#include "vrek/media/push/pushstreamengine.h"
#include "vrek/media/push/pushvideostream.h"
#include "vrek/media/control/pushstreammanager.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

#include <memory>

namespace {
const QString camera = QStringLiteral("lavfi:testsrc=size=160x120:rate=10");
const QString microphone = QStringLiteral("lavfi:sine=frequency=440:sample_rate=44100");

QString answer(int type, const QString &streamId)
{
    return QString("11\t1\tL1\t3$%1$S1$L1$%2$0$$\t0").arg(type).arg(streamId);
}
} // namespace

class TestPushStreamManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void pushStreamIdAndAddress();
    void pushSizes();
    void requestsNotForThisUser_data();
    void requestsNotForThisUser();
    void stopWhileIdleSendsNothing();
    void requestAnsweredWithThePushStreamId();
    void stopDuringTheStartIsNotDropped();
    void disabledMicrophoneRefusesLaterRequests();
    void lecturerAnnouncesHisStream();
    void previewIsMadeOnlyWhileShown();

private:
    // A listener's manager with the generated devices, whose requests come from the classroom connection.
    std::unique_ptr<PushStreamManager> makeListener(ClassroomLink &link);
    // Waits until the results recorded by the spy hold the end of a push.
    static bool waitForExit(QSignalSpy &results, int timeoutMs = 15000);

    RtmpServer m_server;
};

void TestPushStreamManager::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
}

void TestPushStreamManager::init()
{
    g_userId = "S1";
    g_userType = 1;
    g_lectId = "L1";
    g_classId = "c1";
    g_classType = 7;
    g_mediaHost = "127.0.0.1";
    g_mediaPort = m_server.port();
}

std::unique_ptr<PushStreamManager> TestPushStreamManager::makeListener(ClassroomLink &link)
{
    std::unique_ptr<PushStreamManager> manager(new PushStreamManager("S1", GlobalEnum::Group7));
    manager->setAudioDeviceName(microphone);
    manager->setVideoDeviceName(camera);
    PushStreamManager *raw = manager.get();
    connect(
        link.manager(), &SocketClientManager::readStreamMediaMessage, raw, [raw](const StreamMediaMessage &message) {
            if (message.getSmmType() == StreamMediaMessage::RequestPushStreamId)
                raw->receiveRequestPushStreamId(message);
        });
    return manager;
}

bool TestPushStreamManager::waitForExit(QSignalSpy &results, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        for (int i = 0; i < results.size(); ++i) {
            if (results.at(i).at(0).toBool()) {
                results.removeAt(i);
                return true;
            }
        }
        results.wait(100);
    }
    return false;
}

void TestPushStreamManager::pushStreamIdAndAddress()
{
    PushStreamManager manager("S1", GlobalEnum::Group7);
    const QString id = manager.getPushStreamId();
    QVERIFY2(QRegularExpression("^S1\\d{14}$").match(id).hasMatch(), qPrintable(id));
    QCOMPARE(g_pushStreamId, id);
    QCOMPARE(manager.pushStreamUrl(), QString("rtmp://127.0.0.1:%1/live/%2").arg(m_server.port()).arg(id));
    QVERIFY(!manager.isPushingStream());
    // Two made in the same second by one user are one id.
    QString first, second;
    do {
        first = PushStreamManager::makePushStreamId("S1");
        second = PushStreamManager::makePushStreamId("S1");
    } while (first.right(2) != second.right(2));
    QCOMPARE(first, second);
}

void TestPushStreamManager::pushSizes()
{
    PushStreamManager listener("S1", GlobalEnum::Group7);
    QCOMPARE(listener.pushVideoSize(), QSize(160, 120));
    listener.setPushVideoSize(GlobalEnum::VQ640x480);
    QCOMPARE(listener.pushVideoSize(), QSize(640, 480));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the vqt type unknown error! vqt: 3"));
    listener.setPushVideoSize(GlobalEnum::VideoQualityType(3));
    QCOMPARE(listener.pushVideoSize(), QSize(640, 480));
    listener.setPushVideoSize(QSize(200, 100));
    QCOMPARE(listener.pushVideoSize(), QSize(200, 100));
    g_userType = 0;
    PushStreamManager lecturer("L1", GlobalEnum::Group7);
    QCOMPARE(lecturer.pushVideoSize(), QSize(320, 240));
}

void TestPushStreamManager::requestsNotForThisUser_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("to another user") << 1 << "L1"
                                     << "S2";
    QTest::newRow("no sender") << 1 << ""
                               << "S1";
    QTest::newRow("on a lecturer's client") << 0 << "L1"
                                            << "S1";
}

void TestPushStreamManager::requestsNotForThisUser()
{
    QFETCH(int, userType);
    QFETCH(QString, from);
    QFETCH(QString, to);
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    g_userType = userType;
    PushStreamManager manager("S1", GlobalEnum::Group7);
    StreamMediaMessage request;
    request.setSmmType(StreamMediaMessage::RequestPushStreamId);
    request.setFromUserId(from);
    request.setToUserId(to);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^RequestPushStreamId "));
    manager.receiveRequestPushStreamId(request);
    QVERIFY(!manager.isPushingStream());
    QVERIFY(link.forwards().isEmpty());
}

void TestPushStreamManager::stopWhileIdleSendsNothing()
{
    ClassroomLink link(true, GlobalEnum::User0);
    QVERIFY(link.connectToServer());
    g_userType = 0;
    PushStreamManager manager("L1", GlobalEnum::Group7);
    link.clear();
    QVERIFY(!manager.stopPushStreamLect());
    QVERIFY(!manager.stopPushStreamListener());
    QVERIFY(link.sent().isEmpty());
}

// The teacher's request line is answered with the push stream id once the push runs, and the stream is on the
// server under that name.
void TestPushStreamManager::requestAnsweredWithThePushStreamId()
{
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    std::unique_ptr<PushStreamManager> manager = makeListener(link);
    const QString id = manager->getPushStreamId();
    QSignalSpy results(manager.get(), &PushStreamManager::pushStreamResultOut);

    link.server().sendLine("11\t1\t3$2$L1$S1$$0$$");
    QCOMPARE(link.server().waitForLine("11\t1\tL1\t", 20000), answer(7, id));
    QVERIFY(manager->isPushingStream());
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(m_server.url(id));
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.stream("video"));
    QVERIFY(probe.stream("audio"));
    QCOMPARE(probe.stream("video")->width, 160);

    // Asked again while pushing: the same id at once, and the push goes on.
    QSignalSpy starts(manager.get(), &PushStreamManager::startPushStreamOut);
    link.server().sendLine("11\t1\t3$2$L1$S1$$0$$");
    QCOMPARE(link.server().waitForLine("11\t1\tL1\t", 5000), answer(7, id));
    QCOMPARE(starts.size(), 0);

    QVERIFY(manager->stopPushStreamListener());
    QVERIFY(waitForExit(results));
    QVERIFY(!manager->isPushingStream());
    // A stop the listener asked for is no failure for the teacher.
    QCOMPARE(link.forwards().size(), 2);
}

// The teacher stops the push while it is still starting: it must never go live.
void TestPushStreamManager::stopDuringTheStartIsNotDropped()
{
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    std::unique_ptr<PushStreamManager> manager = makeListener(link);
    const QString id = manager->getPushStreamId();
    QSignalSpy results(manager.get(), &PushStreamManager::pushStreamResultOut);

    manager->setRequestPushStream(true);
    QVERIFY(manager->startPushStream());
    QVERIFY(manager->stopPushStreamListener());
    QVERIFY(manager->isPushingStream());
    QVERIFY(!manager->startPushStream());
    QVERIFY(waitForExit(results));
    QVERIFY(!manager->isPushingStream());
    QVERIFY(!manager->isRefused());
    for (const QVariantList &arguments : qAsConst(results))
        QVERIFY2(!arguments.at(1).toBool(), "the push went live");
    QVERIFY(link.forwards().filter("3$7$").isEmpty());
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(m_server.url(id), false, 3000);
    QVERIFY(!probe.ok || probe.streams.isEmpty());

    // The next request pushes as usual.
    link.server().sendLine("11\t1\t3$2$L1$S1$$0$$");
    QCOMPARE(link.server().waitForLine("11\t1\tL1\t3$7$", 20000), answer(7, id));
    QVERIFY(manager->stopPushStreamListener());
    QVERIFY(waitForExit(results));
}

void TestPushStreamManager::disabledMicrophoneRefusesLaterRequests()
{
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    std::unique_ptr<PushStreamManager> manager = makeListener(link);
    manager->setAudioDeviceName(QString::fromUtf8("禁用"));
    const QString id = manager->getPushStreamId();
    QSignalSpy results(manager.get(), &PushStreamManager::pushStreamResultOut);

    link.server().sendLine("11\t1\t3$2$L1$S1$$0$$");
    QCOMPARE(link.server().waitForLine("11\t1\tL1\t", 15000), answer(4, id));
    QVERIFY(waitForExit(results));
    QVERIFY(manager->isRefused());
    QVERIFY(results.size() >= 1);
    QCOMPARE(results.at(0).at(0).toBool(), false);
    QCOMPARE(results.at(0).at(1).toBool(), false);
    QVERIFY(!results.at(0).at(2).toString().isEmpty());
    results.clear();

    // Later requests fail at once, without a push.
    QSignalSpy starts(manager.get(), &PushStreamManager::startPushStreamOut);
    link.server().sendLine("11\t1\t3$2$L1$S1$$0$$");
    QCOMPARE(link.server().waitForLine("11\t1\tL1\t", 5000), answer(4, ""));
    QCOMPARE(starts.size(), 0);
}

void TestPushStreamManager::lecturerAnnouncesHisStream()
{
    ClassroomLink link(true, GlobalEnum::User0);
    QVERIFY(link.connectToServer());
    g_userType = 0;
    g_userId = "L1";
    g_classesId = "k1";
    PushStreamManager manager("L1", GlobalEnum::Group7);
    manager.setAudioDeviceName(microphone);
    manager.setVideoDeviceName(camera);
    const QString id = manager.getPushStreamId();
    QSignalSpy results(&manager, &PushStreamManager::pushStreamResultOut);
    link.clear();

    manager.initialLater();
    QVERIFY(!manager.isPushingStream());
    QVERIFY(manager.startPushStream());
    QCOMPARE(link.server().waitForLine("8\t", 20000), QString("8\tL1\t0\tc1\t7\t%1\t1").arg(id));
    QCOMPARE(link.forwards(), QStringList { QString("11\t0\tc1\t3$0$L1$$%1$0$$\t0").arg(id) });
    manager.sendLateState("S9");
    QCOMPARE(link.forwards().last(), QString("11\t1\tS9\t3$0$L1$$%1$0$$\t0").arg(id));

    QVERIFY(manager.stopPushStreamLect());
    QCOMPARE(link.forwards().last(), QString("11\t0\tc1\t3$1$L1$$%1$0$$\t0").arg(id));
    QCOMPARE(link.sent().last(), QString("8\tL1\t1\tc1\tk1\t%1").arg(id));
    QVERIFY(waitForExit(results));
}

// The pictures are pushed whether or not the panel shows them; the preview of each is made only while it does.
void TestPushStreamManager::previewIsMadeOnlyWhileShown()
{
    ClassroomLink link;
    QVERIFY(link.connectToServer());
    std::unique_ptr<PushStreamManager> manager = makeListener(link);
    QSignalSpy results(manager.get(), &PushStreamManager::pushStreamResultOut);
    // The engine emits its previews on the video stage's thread: counted here, in this one.
    int made = 0;
    connect(
        manager->pushStreamEngine(), &PushStreamEngine::showVideoImageOut, this, [&made] { ++made; },
        Qt::QueuedConnection);
    QSignalSpy shown(manager.get(), &PushStreamManager::showVideoImageOut);

    manager->setRequestPushStream(true);
    QVERIFY(manager->startPushStream());
    QTRY_VERIFY_WITH_TIMEOUT(!results.isEmpty(), 20000);
    QVERIFY(results.first().at(1).toBool());
    // Once the stage has counted a picture, its preview, if one was made, is on its way here through the engine's
    // thread, ahead of a round trip through that thread.
    const PushVideoStream *video = manager->pushStreamEngine()->videoStream();
    QThread *engineThread = manager->pushStreamEngine()->thread();
    const auto taken = [&](quint64 count) {
        return QTest::qWaitFor([&] { return video->picturesTaken() >= count; }, 20000)
            && roundTripThrough(engineThread);
    };
    QVERIFY(taken(10));
    QCOMPARE(made, 0);

    manager->setShowPushVideo(true);
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 3, 5000);

    manager->setShowPushVideo(false);
    // The picture under way may still bring its preview; the one after it starts once the preview is given up.
    QVERIFY(taken(video->picturesTaken() + 1));
    const int madeWhileShown = made;
    QVERIFY(taken(video->picturesTaken() + 10));
    QCOMPARE(made, madeWhileShown);
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(m_server.url(manager->getPushStreamId()));
    QVERIFY2(probe.ok && probe.stream("video"), qPrintable(probe.error));

    QVERIFY(manager->stopPushStreamListener());
    QVERIFY(waitForExit(results));
}

QTEST_GUILESS_MAIN(TestPushStreamManager)
#include "tst_pushstreammanager.moc"
