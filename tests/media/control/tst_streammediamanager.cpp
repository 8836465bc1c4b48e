#include "tests/media/streamcontrolscript.h"
#include "tests/support/classroomlink.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/streamcontrol.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"

#include <SDL2/SDL.h>

#include <QtTest>

#include <QTcpServer>

#include <limits>
#include <memory>

namespace {
const auto C = &StreamControlScript::classLine;
const auto P = &StreamControlScript::personalLine;
const auto startPull = &StreamControlScript::startPull;

// A controller whose engines are not told anything: the tests play the engines' reports themselves.
struct Fixture
{
    Fixture(bool lecturer, int classType = 7, bool detachWebrtc = true, bool detachPull = true)
        : link(true, lecturer ? GlobalEnum::User0 : GlobalEnum::User1)
    {
        const QString userId = lecturer ? "L1" : "S1";
        StreamControlScript::setSession(lecturer ? 0 : 1, userId, classType);
        QVERIFY(link.connectToServer());
        manager.reset(new StreamMediaManager(userId, GlobalEnum::GroupType(classType)));
        manager->setClickInterval(0);
        manager->setAudioDeviceName("mic0");
        manager->setVideoDeviceName("cam0");
        QObject::disconnect(manager.get(), nullptr, manager->pushStreamEngine(), nullptr);
        if (detachPull)
            QObject::disconnect(manager.get(), nullptr, manager->pullEngineFactory(), nullptr);
        if (detachWebrtc && manager->webRtcStreamEngine())
            QObject::disconnect(manager.get(), nullptr, manager->webRtcStreamEngine(), nullptr);
        script.reset(new StreamControlScript(manager.get(), link, manager->getPushStreamId()));
        StreamMediaManager *m = manager.get();
        StreamControlScript *s = script.get();
        script->on("push", [m, s](const QStringList &w) { m->pushStreamResultIn(w.value(1) == "ok", s->word(w, 2)); });
        script->on("pushExit", [m](const QStringList &) { m->pushStreamExitIn(); });
        script->on(
            "webrtc", [m, s](const QStringList &w) { m->pushWebrtcStreamResultIn(w.value(1) == "ok", s->word(w, 2)); });
        script->on("webrtcExit", [m](const QStringList &) { m->pushWebRtcStreamExitIn(true, QString()); });
        script->on("pull",
            [m, s](const QStringList &w) { m->pullStreamResultIn(w.value(1) == "ok", s->word(w, 2), s->word(w, 3)); });
        script->on("startLect", [m](const QStringList &) { m->startPushStreamLect(); });
        script->on("stopLect", [m](const QStringList &) { m->stopPushStreamLect(); });
        script->on("click", [m, s](const QStringList &w) {
            QString text;
            m->sendStudentRequest(s->word(w, 1), text);
        });
        script->on("stage", [m, s](const QStringList &w) {
            QString text;
            m->sendStuReqInteract(s->word(w, 1), text);
        });
        script->on("late", [m, s](const QStringList &w) { m->sendLateState(s->word(w, 1)); });
        script->on("stopAll", [m](const QStringList &) { m->stopAllPullStream(); });
        script->on("stopPull", [m, s](const QStringList &w) { m->stopPullStream(s->word(w, 1)); });
    }

    ClassroomLink link;
    std::unique_ptr<StreamMediaManager> manager;
    std::unique_ptr<StreamControlScript> script;
};
} // namespace

class TestStreamMediaManager : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void pushStreamIdSizeAndAddress();
    void mediaLibrariesStayUp();
    void deviceNames_data();
    void deviceNames();
    void listenerScripts_data();
    void listenerScripts();
    void lecturerScripts_data();
    void lecturerScripts();
    void announcementByClassType_data();
    void announcementByClassType();
    void unknownTypes_data();
    void unknownTypes();
    void subStreamClicks();
    void clickSpacing();
    void webrtcStage();
    void lecturerStreamFlag();
    void webrtcWithoutLibrary();
    void noWebrtcEngineInMeetings();
    void lecturerStreamThatCannotBeHadIsTriedOn();
};

void TestStreamMediaManager::cleanup()
{
    WebrtcSdkInterface::unload();
    GlobalFunc::setStreamFlag(false);
}

void TestStreamMediaManager::pushStreamIdSizeAndAddress()
{
    Fixture listener(false);
    const QString id = listener.manager->getPushStreamId();
    QVERIFY2(QRegularExpression("^S1\\d{14}$").match(id).hasMatch(), qPrintable(id));
    QCOMPARE(g_pushStreamId, id);
    // Pushes go to the push host of the panel, pulls come from the login reply's RTMP host.
    QCOMPARE(listener.manager->pushStreamUrl(), "rtmp://127.0.0.2:8443/live/" + id);
    QCOMPARE(listener.manager->pushVideoSize(), QSize(160, 120));
    QVERIFY(!listener.manager->isPushingStream());
    listener.manager->setPushVideoSize(GlobalEnum::VQ640x480);
    QCOMPARE(listener.manager->pushVideoSize(), QSize(640, 480));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the vqt type unknown error! vqt: 5"));
    listener.manager->setPushVideoSize(GlobalEnum::VideoQualityType(5));
    QCOMPARE(listener.manager->pushVideoSize(), QSize(640, 480));

    Fixture lecturer(true);
    QCOMPARE(lecturer.manager->pushVideoSize(), QSize(320, 240));
    QVERIFY(lecturer.manager->isLect());
}

// Both controllers set FFmpeg and SDL up when they are built, and going never takes the sound output down.
void TestStreamMediaManager::mediaLibrariesStayUp()
{
    {
        Fixture first(false);
        Fixture second(true);
        QVERIFY(SDL_WasInit(SDL_INIT_AUDIO) != 0);
    }
    QVERIFY(SDL_WasInit(SDL_INIT_AUDIO) != 0);
}

void TestStreamMediaManager::deviceNames_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QString>("microphone");
    QTest::newRow("a device's name") << "dev0"
                                     << "dev0"
                                     << "dev0";
    QTest::newRow("off") << QString::fromUtf8("禁用") << ""
                         << "";
    QTest::newRow("a generated source") << "lavfi:sine"
                                        << "lavfi:sine"
                                        << "lavfi:sine";
}

void TestStreamMediaManager::deviceNames()
{
    QFETCH(QString, stored);
    QFETCH(QString, camera);
    QFETCH(QString, microphone);
    QCOMPARE(StreamControl::pushCameraName(stored), camera);
    QCOMPARE(StreamControl::pushMicrophoneName(stored), microphone);
    // No camera named is no camera, not the default one.
    QCOMPARE(StreamControl::pushCameraName(QString()), QString());
}

void TestStreamMediaManager::listenerScripts_data()
{
    StreamControlScript::addColumns();
    const QString pullL1 = startPull("L1", "LS");
    const QString pushRtmp = "startPushStreamOut(2,mic0,cam0,160x120)";
    const QString pushStage = "startPushWebrtcStreamOut(0,cam0,mic0,160x120,LS,false,NameS1)";

    // The lecturer's main stream.
    QTest::newRow("0 pulls the lecturer")
        << QStringList { "smm 0 L1 - LS" } << QStringList() << QStringList { pullL1 } << QString();
    QTest::newRow("0 twice pulls once") << QStringList { "smm 0 L1 - LS", "smm 0 L1 - LS2" } << QStringList()
                                        << QStringList { pullL1 } << QString();
    QTest::newRow("0 without a stream id")
        << QStringList { "smm 0 L1" } << QStringList() << QStringList() << "^StartPullMainStream";
    QTest::newRow("the lecturer's stream plays")
        << QStringList { "smm 0 L1 - LS", "clear", "pull ok L1" } << QStringList()
        << QStringList { QString::fromUtf8("pullStreamResultOut(true,true,L1,开始上课)") } << QString();
    QTest::newRow("the lecturer's stream fails")
        << QStringList { "smm 0 L1 - LS", "clear", "pull fail L1" } << QStringList()
        << QStringList { QString::fromUtf8("pullStreamResultOut(true,false,L1,上课失败,请重新登录)") } << QString();
    QTest::newRow("1 stops both pulls") << QStringList { "smm 0 L1 - LS", "smm 2 L1 S2", "smm 5 S2 - S2s", "clear",
        "smm 1 L1" } << QStringList()
                                        << QStringList { "stopPullStreamOut(L1)", "pullStreamResultOut(true,false,L1,)",
                                               "stopPullStreamOut(S2)", "pullStreamResultOut(false,false,S2,)" }
                                        << QString();
    QTest::newRow("1 of another user") << QStringList { "smm 0 L1 - LS", "clear", "smm 1 X9" } << QStringList()
                                       << QStringList() << QString();
    QTest::newRow("a stop of everything")
        << QStringList { "smm 0 L1 - LS", "clear", "stopAll" } << QStringList()
        << QStringList { "stopPullStreamOut(L1)", "pullStreamResultOut(true,false,L1,)" } << QString();

    // A classmate's sub stream.
    QTest::newRow("5 of an asked classmate") << QStringList { "smm 2 L1 S2", "smm 5 S2 - S2s" } << QStringList()
                                             << QStringList { startPull("S2", "S2s") } << QString();
    QTest::newRow("19 of an asked classmate") << QStringList { "smm 2 L1 S2", "smm 19 S2 - S2s" } << QStringList()
                                              << QStringList { startPull("S2", "S2s") } << QString();
    QTest::newRow("5 of one never asked") << QStringList { "smm 5 S2 - S2s" } << QStringList() << QStringList()
                                          << "^fromUserId: \"S2\" pullSubStreamFlag: false";
    QTest::newRow("one sub pull at a time")
        << QStringList { "smm 2 L1 S2", "smm 2 L1 S3", "smm 5 S2 - S2s", "clear", "smm 5 S3 - S3s" } << QStringList()
        << QStringList() << "pullSubStreamFlag: true";
    QTest::newRow("4 of a classmate") << QStringList { "smm 2 L1 S2", "smm 4 S2", "smm 5 S2 - S2s" } << QStringList()
                                      << QStringList() << "^fromUserId: \"S2\"";
    QTest::newRow("3 for a classmate") << QStringList { "smm 2 L1 S2", "smm 5 S2 - S2s", "clear", "smm 3 L1 S2" }
                                       << QStringList() << QStringList { "stopPullStreamOut(S2)" } << QString();
    QTest::newRow("6 ends the sub pull, a later 5 is taken")
        << QStringList { "smm 2 L1 S2", "smm 5 S2 - S2s", "pull ok S2", "clear", "smm 6 S2 - S2s", "smm 2 L1 S2",
               "smm 5 S2 - S2t" }
        << QStringList()
        << QStringList { "stopPullStreamOut(S2)", "pullStreamResultOut(false,false,S2,)", startPull("S2", "S2t") }
        << QString();
    QTest::newRow("6 of one not asked") << QStringList { "smm 6 S2 - S2s" } << QStringList() << QStringList()
                                        << "^fromUserId \"S2\"";

    // The own RTMP sub stream.
    QTest::newRow("2 pushes, 5 announces it")
        << QStringList { "smm 2 L1 S1", "push ok" } << QStringList { C("3$5$S1$$$ID$0$$") }
        << QStringList { pushRtmp, "pushStreamResultOut(false,true,)" } << QString();
    QTest::newRow("a failed push answers 4")
        << QStringList { "smm 2 L1 S1", "push fail busy" } << QStringList { C("3$4$S1$$$ID$0$$") }
        << QStringList { pushRtmp, "pushStreamResultOut(false,false,busy)" } << QString();
    QTest::newRow("2 while pushing answers 4 busy")
        << QStringList { "smm 2 L1 S1", "push ok", "clear", "smm 2 L1 S1" } << QStringList { C("3$4$S1$$$1$$") }
        << QStringList { "stopPushStreamOut()" } << QString();
    QTest::newRow("3 while starting: no 5, the push stops")
        << QStringList { "smm 2 L1 S1", "smm 3 L1 S1", "push ok", "pushExit" } << QStringList()
        << QStringList { pushRtmp, "stopPushStreamOut()", "pushStreamResultOut(false,true,)",
               "pushStreamResultOut(true,false,)" }
        << QString();
    QTest::newRow("a push that ends by itself answers 6")
        << QStringList { "smm 2 L1 S1", "push ok", "clear", "pushExit" } << QStringList { C("3$6$S1$$$ID$0$$") }
        << QStringList { "pushStreamResultOut(true,false,)" } << QString();
    QTest::newRow("pushes again after its push ended")
        << QStringList { "smm 2 L1 S1", "push ok", "smm 3 L1 S1", "pushExit", "clear", "smm 2 L1 S1", "push ok" }
        << QStringList { C("3$5$S1$$$ID$0$$") } << QStringList { pushRtmp, "pushStreamResultOut(false,true,)" }
        << QString();
    QTest::newRow("pushes again after its push failed")
        << QStringList { "smm 2 L1 S1", "push fail", "pushExit", "clear", "smm 2 L1 S1" } << QStringList()
        << QStringList { pushRtmp } << QString();
    QTest::newRow("1 during the sub push: the pulls stop, 3 stops the push")
        << QStringList { "smm 0 L1 - LS", "smm 2 L1 S1", "push ok", "clear", "smm 1 L1", "smm 3 L1 S1", "pushExit" }
        << QStringList()
        << QStringList { "stopPullStreamOut(L1)", "pullStreamResultOut(true,false,L1,)", "stopPushStreamOut()",
               "pushStreamResultOut(true,false,)" }
        << QString();

    // The WebRTC stage.
    QTest::newRow("16 for another user") << QStringList { "smm 16 L1 S2 LS" } << QStringList() << QStringList()
                                         << QString();
    QTest::newRow("16 without a target") << QStringList { "smm 16 L1 - LS" } << QStringList() << QStringList()
                                         << "^RequestPushStreamId";
    QTest::newRow("16 takes the stage, 19 answers")
        << QStringList { "smm 0 L1 - LS", "pull ok L1", "clear", "smm 16 L1 S1 LS", "webrtc ok" }
        << QStringList { P("L1", "3$19$S1$$$ID$0$$") }
        << QStringList { pushStage, "stopPullStreamOut(L1)", "pullStreamResultOut(true,false,L1,)",
               "sendPushStreamResult(false,true,)" }
        << QString();
    QTest::newRow("16 on the stage answers 17 busy")
        << QStringList { "smm 16 L1 S1 LS", "webrtc ok", "clear", "smm 16 L1 S1 LS" }
        << QStringList { P("L1", "3$17$S1$$$1$$") } << QStringList() << "^ResponsePushWebRtcStreamFail";
    QTest::newRow("a failed stage push answers 17")
        << QStringList { "smm 16 L1 S1 LS", "webrtc fail" } << QStringList { P("L1", "3$17$S1$$$ID$0$$") }
        << QStringList { pushStage, "sendPushStreamResult(false,false,)" } << QString();
    QTest::newRow("18 while starting: no 19, the push stops")
        << QStringList { "smm 16 L1 S1 LS", "smm 18 L1 S1", "webrtc ok", "webrtcExit" } << QStringList()
        << QStringList { pushStage, "stopPushWebrtcStreamOut()", "sendPushStreamResult(false,true,)",
               "sendPushStreamResult(true,true,)" }
        << "stopPushWebrtcStreamStu fail";
    QTest::newRow("18 pulls the lecturer, then the stage ends")
        << QStringList { "smm 0 L1 - LS", "pull ok L1", "smm 16 L1 S1 LS", "webrtc ok", "clear", "smm 18 L1 S1",
               "pull ok L1", "webrtcExit" }
        << QStringList()
        << QStringList { pullL1, QString::fromUtf8("pullStreamResultOut(true,true,L1,开始上课)"),
               "stopPushWebrtcStreamOut()", "sendPushStreamResult(true,true,)" }
        << QString();
    QTest::newRow("1 on the stage leaves it")
        << QStringList { "smm 16 L1 S1 LS", "webrtc ok", "clear", "smm 1 L1" } << QStringList()
        << QStringList { "stopPushWebrtcStreamOut()", "pullStreamResultOut(true,false,,)" } << QString();
    QTest::newRow("0 on the stage leaves it and pulls")
        << QStringList { "smm 16 L1 S1 LS", "webrtc ok", "clear", "smm 0 L1 - LS" } << QStringList()
        << QStringList { "stopPushWebrtcStreamOut()", pullL1 } << QString();
    QTest::newRow("17 at a listener") << QStringList { "smm 17 S2" } << QStringList() << QStringList()
                                      << "^the fromUserId is invalid error! fromUserId: \"S2\"";
    QTest::newRow("17 without a sender") << QStringList { "smm 17" } << QStringList() << QStringList()
                                         << "^smm.getFromUserId is empty";
}

void TestStreamMediaManager::listenerScripts()
{
    Fixture fixture(false);
    fixture.script->runRow();
}

void TestStreamMediaManager::lecturerScripts_data()
{
    StreamControlScript::addColumns();
    const QString push = "startPushStreamOut(2,mic0,cam0,320x240)";
    const QStringList asked { "startLect", "push ok", "click S2" };

    QTest::newRow("the push runs: 0 and the class start")
        << QStringList { "startLect", "push ok" } << QStringList { C("3$0$L1$$$ID$0$$"), "8\tL1\t0\tc1\t7\t$ID\t1" }
        << QStringList { push, "pushStreamResultOut(false,true,)" } << QString();
    QTest::newRow("one start at a time") << QStringList { "startLect", "startLect" } << QStringList()
                                         << QStringList { push } << QString();
    QTest::newRow("the push fails: 1") << QStringList { "startLect", "push fail down" }
                                       << QStringList { C("3$1$L1$$$ID$0$$") }
                                       << QStringList { push, "pushStreamResultOut(false,false,down)" } << QString();
    QTest::newRow("the push ends by itself: 1")
        << QStringList { "startLect", "push ok", "clear", "pushExit" } << QStringList { C("3$1$L1$$$ID$0$$") }
        << QStringList { "pushStreamResultOut(true,false,)" } << QString();
    QTest::newRow("the class ends with the sub stream")
        << (asked + QStringList { "smm 5 S2 - S2s", "clear", "stopLect", "pushExit" })
        << QStringList { C("3$1$L1$$$0$$"), "8\tL1\t1\tc1\tcs1\t$ID", C("3$3$L1$S2$$0$$") }
        << QStringList { "stopPullStreamOut(S2)", "stopPushStreamOut()", "pushStreamResultOut(true,false,)" }
        << QString();
    QTest::newRow("no stop before the push runs")
        << QStringList { "startLect", "stopLect" } << QStringList() << QStringList { push } << QString();
    QTest::newRow("5 of the asked student")
        << (asked + QStringList { "clear", "smm 5 S2 - S2s", "pull ok S2" }) << QStringList()
        << QStringList { startPull("S2", "S2s"), "pullStreamResultOut(false,true,S2,)" } << QString();
    QTest::newRow("5 of another student") << (asked + QStringList { "clear", "smm 5 S3 - S3s" }) << QStringList()
                                          << QStringList() << "^fromUserId: \"S3\" currentPullUserId: \"S2\"";
    QTest::newRow("5 twice pulls once") << (asked + QStringList { "smm 5 S2 - S2s", "clear", "smm 5 S2 - S2s" })
                                        << QStringList() << QStringList() << "pullListStreamStart: true";
    QTest::newRow("4 device busy") << (asked + QStringList { "clear", "smm 4 S2 - - 1" }) << QStringList()
                                   << QStringList { QString::fromUtf8("pullStreamResultOut(false,false,S2,设备繁忙)") }
                                   << QString();
    QTest::newRow("4 push failed") << (asked + QStringList { "clear", "smm 4 S2 - - 0" }) << QStringList()
                                   << QStringList { QString::fromUtf8(
                                          "pullStreamResultOut(false,false,S2,上讲台失败)") }
                                   << QString();
    QTest::newRow("4 of an unknown kind") << (asked + QStringList { "clear", "smm 4 S2 - - 7" }) << QStringList()
                                          << QStringList() << "the errorType unknown error! errorType: 7";
    QTest::newRow("4 of another student") << (asked + QStringList { "clear", "smm 4 S3" }) << QStringList()
                                          << QStringList() << "the fromUserId != currentPullUserId error!";
    QTest::newRow("6 of the pulled student") << (asked + QStringList { "smm 5 S2 - S2s", "clear", "smm 6 S2 - S2s" })
                                             << QStringList() << QStringList { "stopPullStreamOut(S2)" } << QString();
    QTest::newRow("the sub pull fails") << (asked + QStringList { "smm 5 S2 - S2s", "clear", "pull fail S2 gone" })
                                        << QStringList() << QStringList { "pullStreamResultOut(false,false,S2,gone)" }
                                        << QString();
    QTest::newRow("a stop of the pulled student")
        << (asked + QStringList { "smm 5 S2 - S2s", "clear", "stopPull S2" }) << QStringList()
        << QStringList { "stopPullStreamOut(S2)", "pullStreamResultOut(false,false,S2,)" } << QString();
    QTest::newRow("19 of a stage student")
        << QStringList { "startLect", "push ok", "stage S2", "clear", "smm 19 S2 - S2s" } << QStringList()
        << QStringList { QString::fromUtf8("interactReqResultOut(true,S2,学生上讲台成功)") } << QString();
    QTest::newRow("17 busy of a stage student, who leaves the stage")
        << QStringList { "startLect", "push ok", "stage S2", "clear", "smm 17 S2 - - 1", "stage S2" }
        << QStringList { P("S2", "3$16$L1$S2$$ID$0$$") }
        << QStringList { QString::fromUtf8("interactReqResultOut(false,S2,设备繁忙)") } << QString();
    QTest::newRow("17 failed of a stage student")
        << QStringList { "startLect", "push ok", "stage S2", "clear", "smm 17 S2 - - 0" } << QStringList()
        << QStringList { QString::fromUtf8("interactReqResultOut(false,S2,上讲台失败)") } << QString();
    QTest::newRow("17 of one not on the stage")
        << QStringList { "smm 17 S2 - - 1" } << QStringList() << QStringList() << "the fromUserId is invalid error!";
    QTest::newRow("0 at the lecturer") << QStringList { "smm 0 L9 - LS" } << QStringList() << QStringList()
                                       << "^StartPullMainStream";
    QTest::newRow("2 at the lecturer") << QStringList { "smm 2 L9 L1" } << QStringList() << QStringList()
                                       << "^RequestPushStreamId";
    QTest::newRow("the late joiner, with the sub stream")
        << (asked + QStringList { "smm 5 S2 - S2s", "clear", "late S9" })
        << QStringList { P("S9", "3$0$L1$$$ID$0$$"), P("S9", "3$2$L1$S2$$0$$"), P("S9", "3$5$S2$$S2s$0$$") }
        << QStringList() << QString();
    QTest::newRow("the late joiner, a sub stream asked for only")
        << (asked + QStringList { "clear", "late S9" }) << QStringList { P("S9", "3$0$L1$$$ID$0$$") } << QStringList()
        << QString();
    QTest::newRow("the late joiner before the class")
        << QStringList { "late S9" } << QStringList() << QStringList() << QString();
}

void TestStreamMediaManager::lecturerScripts()
{
    Fixture fixture(true);
    fixture.script->runRow();
}

void TestStreamMediaManager::announcementByClassType_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("announcement");
    for (int type : { 0, 1, 2, 4, 5, 6, 7, 8 })
        QTest::addRow("class type %d", type) << type << QString("8\tL1\t0\tc1\t%1\t$ID\t1").arg(type);
    QTest::newRow("class type 3: an RTMP class") << 3 << "8\tL1\t0\tc1\tr1\t$ID\t0";
    QTest::newRow("unknown class type") << -1 << QString();
    QTest::newRow("class type 9") << 9 << QString();
}

void TestStreamMediaManager::announcementByClassType()
{
    QFETCH(int, classType);
    QFETCH(QString, announcement);
    Fixture fixture(true, classType);
    if (announcement.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the classType unknown error! classType: -?\\d"));
    QVERIFY(fixture.script->run({ "startLect", "clear", "push ok" }));
    QStringList expected { C("3$0$L1$$$ID$0$$") };
    if (!announcement.isEmpty())
        expected << announcement;
    QCOMPARE(fixture.script->lines(), fixture.script->expand(expected));
    // The push stays up either way.
    QVERIFY(fixture.manager->isPushingStream());
}

void TestStreamMediaManager::unknownTypes_data()
{
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<int>("type");
    for (int type : { 7, 8, 10, 15, 20, 21, 22, 23, 24 }) {
        QTest::addRow("%d at a listener", type) << false << type;
        QTest::addRow("%d at the lecturer", type) << true << type;
    }
}

void TestStreamMediaManager::unknownTypes()
{
    QFETCH(bool, lecturer);
    QFETCH(int, type);
    Fixture fixture(lecturer);
    QTest::ignoreMessage(QtWarningMsg, QString("the smmType unknown error! smmType: %1").arg(type).toUtf8());
    QVERIFY(fixture.script->run({ QString("smm %1 L1 S1 X").arg(type) }));
    QVERIFY(fixture.script->lines().isEmpty());
    QVERIFY(fixture.script->signalTexts().isEmpty());
}

void TestStreamMediaManager::subStreamClicks()
{
    Fixture fixture(true);
    StreamMediaManager &manager = *fixture.manager;
    QString text;
    QCOMPARE(manager.sendStudentRequest("S2", text), StreamMediaManager::PushNotRunning);
    QCOMPARE(text, QString::fromUtf8("请先点击上课"));
    QVERIFY(fixture.script->run({ "startLect", "push ok", "clear" }));

    QCOMPARE(manager.sendStudentRequest("S2", text), StreamMediaManager::SubStreamRequested);
    QCOMPARE(text, QString::fromUtf8("正在上讲台"));
    QCOMPARE(manager.sendStudentRequest("S3", text), StreamMediaManager::StageRefused);
    QCOMPARE(text, QString::fromUtf8("不能多人同时上讲台"));
    text = "kept";
    QCOMPARE(manager.sendStudentRequest("S2", text), StreamMediaManager::SubStreamStopped);
    QCOMPARE(text, QString("kept"));
    // Free again: another student may be asked.
    QCOMPARE(manager.sendStudentRequest("S3", text), StreamMediaManager::SubStreamRequested);
    QCOMPARE(fixture.script->lines(), QStringList({ C("3$2$L1$S2$$0$$"), C("3$3$L1$S2$$0$$"), C("3$2$L1$S3$$0$$") }));
}

// A click too soon after the last accepted one is refused, and the refused click does not start the interval
// again: the next click counts from the accepted one.
void TestStreamMediaManager::clickSpacing()
{
    Fixture fixture(true);
    StreamMediaManager &manager = *fixture.manager;
    QVERIFY(fixture.script->run({ "startLect", "push ok", "clear" }));
    QString text;
    QCOMPARE(manager.sendStudentRequest("S2", text), StreamMediaManager::SubStreamRequested);
    QElapsedTimer sinceAccepted;
    sinceAccepted.start();
    // The interval is what the manager compares with at each click: a long one makes every click too soon, however
    // late the machine gets to it, and one just shorter than the time since the accepted click lets the next pass,
    // unless the refused clicks started it again.
    manager.setClickInterval(std::numeric_limits<int>::max());
    QTest::qWait(StreamMediaManager::clickIntervalMs / 2);
    const qint64 refusedAt = sinceAccepted.elapsed();
    QCOMPARE(manager.sendStudentRequest("S2", text), StreamMediaManager::ClickedTooOften);
    QCOMPARE(text, QString::fromUtf8("点击频繁,请稍后"));
    QCOMPARE(manager.sendStuReqInteract("S3", text), StreamMediaManager::ClickedTooOften);

    const qint64 spacing = sinceAccepted.elapsed();
    manager.setClickInterval(int(spacing));
    const StreamMediaManager::UserListCtrlType accepted = manager.sendStudentRequest("S2", text);
    // Had the refused clicks started the interval again, this click would have come too soon after them.
    QVERIFY2(sinceAccepted.elapsed() - refusedAt < spacing,
        qPrintable(QString("refused at %1 ms, spaced %2 ms").arg(refusedAt).arg(spacing)));
    QCOMPARE(accepted, StreamMediaManager::SubStreamStopped);
    QCOMPARE(fixture.script->lines(), QStringList({ C("3$2$L1$S2$$0$$"), C("3$3$L1$S2$$0$$") }));
}

// The WebRTC stage of the lecturer (reached by name only in the client): at most four students.
void TestStreamMediaManager::webrtcStage()
{
    Fixture fixture(true);
    StreamMediaManager &manager = *fixture.manager;
    QString text;
    QCOMPARE(manager.sendStuReqInteract("S1", text), StreamMediaManager::PushNotRunning);
    QCOMPARE(text, QString::fromUtf8("请先点击上课"));
    bool started = false;
    QVERIFY(QMetaObject::invokeMethod(&manager, "startPushWebrtcStreamLect", Q_RETURN_ARG(bool, started)));
    QVERIFY(started);
    QCOMPARE(fixture.script->signalTexts(),
        fixture.script->expand({ "startPushWebrtcStreamOut(0,cam0,mic0,320x240,$ID,true,NameL1)" }));
    QVERIFY(fixture.script->run({ "webrtc ok" }));
    QCOMPARE(fixture.script->lines(), fixture.script->expand({ C("3$0$L1$$$ID$0$$"), "8\tL1\t0\tc1\t7\t$ID\t1" }));
    QVERIFY(fixture.script->run({ "clear" }));

    QStringList expected;
    for (const QString &student : QStringList { "S1", "S2", "S3", "S4" }) {
        QCOMPARE(manager.sendStuReqInteract(student, text), StreamMediaManager::InteractRequested);
        QCOMPARE(text, QString::fromUtf8("学生正在上讲台"));
        expected << P(student, QString("3$16$L1$%1$$ID$0$$").arg(student));
    }
    QCOMPARE(manager.sendStuReqInteract("S5", text), StreamMediaManager::StageRefused);
    QCOMPARE(text, QString::fromUtf8("不能多于4个人同时上讲台"));
    QCOMPARE(manager.sendStuReqInteract("S3", text), StreamMediaManager::InteractStopped);
    expected << P("S3", "3$18$L1$S3$$0$$");
    QCOMPARE(manager.sendStuReqInteract("S5", text), StreamMediaManager::InteractRequested);
    expected << P("S5", "3$16$L1$S5$$ID$0$$");
    QCOMPARE(fixture.script->lines(), fixture.script->expand(expected));
    QCOMPARE(manager.interactUserIds(), QSet<QString>({ "S1", "S2", "S4", "S5" }));

    // Ending the class tells the class and the classroom server, but leaves the stage as it is.
    bool stopped = false;
    QVERIFY(QMetaObject::invokeMethod(&manager, "stopPushWebrtcStreamLect", Q_RETURN_ARG(bool, stopped)));
    QVERIFY(stopped);
    QVERIFY(fixture.script->run({ "webrtcExit" }));
    QVERIFY(!manager.isPushingStream());
}

void TestStreamMediaManager::lecturerStreamFlag()
{
    Fixture fixture(true);
    QVERIFY(fixture.script->run({ "startLect", "push ok" }));
    QVERIFY(GlobalFunc::streamFlag());
    QVERIFY(fixture.manager->stopPushStreamLect());
    QVERIFY(GlobalFunc::streamFlag());
    QVERIFY(fixture.script->run({ "pushExit" }));
    QVERIFY(!GlobalFunc::streamFlag());
    QVERIFY(!fixture.manager->isPushingStream());
    // And the class may start again.
    QVERIFY(fixture.manager->startPushStreamLect());
}

// Without the WebRTC library a call onto the stage is answered at once with a failure, and the student is free
// for the next call.
void TestStreamMediaManager::webrtcWithoutLibrary()
{
    WebrtcSdkInterface::unload();
    Fixture fixture(false, 7, false);
    const QString failed = fixture.script->expand({ P("L1", "3$17$S1$$$ID$0$$") }).first();
    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QVERIFY(fixture.script->run({ "smm 16 L1 S1 LS" }));
    QVERIFY(fixture.manager->isPushingStream());
    QTRY_COMPARE_WITH_TIMEOUT(fixture.script->lines(), QStringList { failed }, 10000);
    QVERIFY(!fixture.manager->isPushingStream());

    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QVERIFY(fixture.script->run({ "smm 16 L1 S1 LS" }));
    QTRY_COMPARE_WITH_TIMEOUT(fixture.script->lines(), QStringList({ failed, failed }), 10000);
    QCOMPARE(fixture.script->signalTexts().count("startPushWebrtcStreamOut(0,cam0,mic0,160x120,LS,false,NameS1)"), 2);
}

void TestStreamMediaManager::noWebrtcEngineInMeetings()
{
    Fixture listener(false, 5);
    QVERIFY(!listener.manager->webRtcStreamEngine());
    QTest::ignoreMessage(QtWarningMsg, "ResponsePushWebRtcStreamFail");
    QVERIFY(listener.script->run({ "smm 16 L1 S1 LS" }));
    QCOMPARE(listener.script->lines(), QStringList { P("L1", "3$17$S1$$$1$$") });
    QVERIFY(!listener.manager->isPushingStream());

    Fixture lecturer(true, 5);
    QVERIFY(!lecturer.manager->webRtcStreamEngine());
    QVERIFY(!lecturer.manager->startPushWebrtcStreamLect());
    QVERIFY(lecturer.script->signalTexts().isEmpty());
}

void TestStreamMediaManager::lecturerStreamThatCannotBeHadIsTriedOn()
{
    // The student pulls the lecturer's stream with real engines from a server that is not there.
    Fixture fixture(false, 7, true, false);
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    g_rtmpPort = closed.serverPort();
    closed.close();
    fixture.manager->pullEngineFactory()->setEngineTimes(0, 0, 100, 20);
    QVERIFY(fixture.script->run({ "smm 0 L1 - LS", "clear" }));
    // Well beyond the fast attempts and the longest wait, the pull is still tried: no result is told, and the
    // panel keeps its waiting picture rather than asking to log in again.
    PullEngineFactory *pool = fixture.manager->pullEngineFactory();
    QTRY_VERIFY_WITH_TIMEOUT(pool->engineCount() == 1 && pool->idleEngineCount() == 0, 10000);
    PullStreamEngine *engine = pool->pullEngineOf("L1");
    QVERIFY(engine);
    QTRY_VERIFY_WITH_TIMEOUT(engine->startCount() > PullStreamEngine::fastAttempts + 5, 30000);
    QVERIFY(fixture.script->signalTexts().isEmpty());
    QCOMPARE(pool->idleEngineCount(), 0);
}

QTEST_MAIN(TestStreamMediaManager)
#include "tst_streammediamanager.moc"
