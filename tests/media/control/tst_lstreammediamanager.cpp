#include "tests/media/streamcontrolscript.h"
#include "tests/support/classroomlink.h"
#include "vrek/media/control/lstreammediamanager.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"

#include <QtTest>

#include <memory>

namespace {
const auto C = &StreamControlScript::classLine;
const auto P = &StreamControlScript::personalLine;
const auto startPull = &StreamControlScript::startPull;

QString info(int kind, int code = 0)
{
    return QString("signalMediaManagerInfo(%1/0/%2)").arg(kind).arg(code);
}

QString interact(const QString &uid, int result)
{
    return QString("signalInteractRequestResult(%1,%2)").arg(uid).arg(result);
}

// The roles by user type: the teacher T1, the student S1, and S1's parent, who signs in with S1's account and
// has a server id of its own.
enum Role { Teacher = 0, Student = 1, Parent = 5 };

// A controller whose engines are not told anything: the tests play the engines' reports themselves.
struct Fixture
{
    explicit Fixture(Role role, int classType = 4, bool detachWebrtc = true)
        : link(true, role == Teacher ? GlobalEnum::User0 : GlobalEnum::User1)
    {
        const QString userId = role == Teacher ? "T1" : "S1";
        StreamControlScript::setSession(role, userId, classType);
        if (role == Parent)
            g_accountId = "pS1";
        QVERIFY(link.connectToServer());
        manager.reset(new LStreamMediaManager(userId, GlobalEnum::GroupType(classType)));
        manager->setClickInterval(0);
        manager->setAudioDeviceName("mic0");
        manager->setVideoDeviceName("cam0");
        QObject::disconnect(manager.get(), nullptr, manager->pullEngineFactory(), nullptr);
        if (detachWebrtc && manager->webRtcStreamEngine())
            QObject::disconnect(manager.get(), nullptr, manager->webRtcStreamEngine(), nullptr);
        script.reset(new StreamControlScript(manager.get(), link, manager->getPushStreamId()));
        LStreamMediaManager *m = manager.get();
        StreamControlScript *s = script.get();
        script->on("push", [m](const QStringList &w) { m->slotPushWebrtcStreamResult(w.value(1) == "ok", QString()); });
        script->on("pushExit", [m](const QStringList &) { m->slotPushWebrtcStreamExit(true, QString()); });
        script->on("pull",
            [m, s](const QStringList &w) { m->slotPullStreamResult(w.value(1) == "ok", s->word(w, 2), QString()); });
        script->on("online", [m, s](const QStringList &w) { m->slotUserOnline(s->word(w, 1)); });
        script->on("offline", [m, s](const QStringList &w) { m->slotUserOffline(s->word(w, 1)); });
        script->on("relOffline", [m, s](const QStringList &w) { m->slotRelativeOffline(s->word(w, 1)); });
        script->on("avclose", [m, s](const QStringList &w) { m->slotUserAVClose(s->word(w, 1)); });
        script->on("startClass", [m](const QStringList &) { m->startClass(); });
        script->on("stopClass", [m](const QStringList &) { m->stopClass(); });
        script->on("interact", [m, s](const QStringList &w) { m->requestInteract(s->word(w, 1)); });
        script->on("startMonitor", [m](const QStringList &) { m->startMonitor(); });
        script->on("stopMonitor", [m](const QStringList &) { m->stopMonitor(); });
        script->on("close", [m](const QStringList &) { m->slotClientClose(); });
        script->on("clientOffline", [m](const QStringList &) { m->slotClientOffline(); });
        script->on("late", [m, s](const QStringList &w) { m->sendLateState(s->word(w, 1)); });
    }

    ClassroomLink link;
    std::unique_ptr<LStreamMediaManager> manager;
    std::unique_ptr<StreamControlScript> script;
};
} // namespace

class TestLStreamMediaManager : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void roles_data();
    void roles();
    void teacherScripts_data();
    void teacherScripts();
    void studentScripts_data();
    void studentScripts();
    void parentScripts_data();
    void parentScripts();
    void watchingFailures_data();
    void watchingFailures();
    void stageClicks();
    void framesOfTheRoomOnTheStageOnly();
    void withoutTheLibrary();
    void meetingsHaveNoRoom();

private:
    void runScript(Role role);
};

void TestLStreamMediaManager::cleanup()
{
    WebrtcSdkInterface::unload();
}

void TestLStreamMediaManager::runScript(Role role)
{
    Fixture fixture(role);
    fixture.script->runRow();
}

void TestLStreamMediaManager::roles_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("identity");
    QTest::addColumn<QSize>("pushSize");
    QTest::newRow("teacher") << 0 << 1 << QSize(320, 240);
    QTest::newRow("student") << 1 << 2 << QSize(160, 120);
    QTest::newRow("parent") << 5 << 3 << QSize(160, 120);
    QTest::newRow("no role") << 3 << 0 << QSize(160, 120);
}

void TestLStreamMediaManager::roles()
{
    QFETCH(int, userType);
    QFETCH(int, identity);
    QFETCH(QSize, pushSize);
    StreamControlScript::setSession(userType, "U1", 4);
    LStreamMediaManager manager("U1", GlobalEnum::Group4);
    QCOMPARE(manager.userIdentity(), identity);
    QCOMPARE(manager.pushVideoSize(), pushSize);
    QVERIFY2(QRegularExpression("^U1\\d{14}$").match(manager.getPushStreamId()).hasMatch(),
        qPrintable(manager.getPushStreamId()));
    QCOMPARE(g_pushStreamId, manager.getPushStreamId());
    QVERIFY(!manager.isPushingStream());
    QCOMPARE(manager.pushStreamState(), LStreamMediaManager::PushStreamIdle);
    QCOMPARE(manager.pullStreamState(), LStreamMediaManager::PullStreamIdle);
    QVERIFY(manager.webRtcStreamEngine());
    QCOMPARE(manager.webRtcStreamEngine()->userId(), QString("U1"));
}

void TestLStreamMediaManager::teacherScripts_data()
{
    StreamControlScript::addColumns();
    const QString push = "startPushWebrtcStreamOut(0,cam0,mic0,320x240,$ID,true,NameT1)";
    const QStringList running { "startClass", "push ok" };

    QTest::newRow("the class starts") << running << QStringList { C("3$0$T1$$$ID$0$$"), "8\tT1\t0\tc1\t4\t$ID\t1" }
                                      << QStringList { push, info(0) } << QString();
    QTest::newRow("the class fails to start")
        << QStringList { "startClass", "push fail" } << QStringList() << QStringList { push, info(1) } << QString();
    QTest::newRow("a second start while starting")
        << QStringList { "startClass", "startClass" } << QStringList() << QStringList { push, info(1) } << QString();
    QTest::newRow("the class ends") << (running + QStringList { "interact S2", "clear", "stopClass", "pushExit" })
                                    << QStringList { C("3$1$T1$$$0$$"), "8\tT1\t1\tc1\tcs1\t$ID" }
                                    << QStringList { interact("S2", 7), "stopPushWebrtcStreamOut()", info(2) }
                                    << QString();
    QTest::newRow("ended while starting: stopped on success, not announced")
        << QStringList { "startClass", "stopClass", "push ok", "pushExit" } << QStringList()
        << QStringList { push, "stopPushWebrtcStreamOut()", info(2) } << QString();
    QTest::newRow("ended while starting: a failure simply ends it")
        << QStringList { "startClass", "stopClass", "push fail", "startClass" } << QStringList()
        << QStringList { push, info(1), push } << QString();
    QTest::newRow("closing the class window ends the class")
        << (running + QStringList { "interact S2", "clear", "close" })
        << QStringList { C("3$1$T1$$$0$$"), "8\tT1\t1\tc1\tcs1\t$ID" } << QStringList { "stopPushWebrtcStreamOut()" }
        << QString();
    QTest::newRow("a stage click before the class")
        << QStringList { "interact S2" } << QStringList() << QStringList { interact("S2", 3) } << QString();
    QTest::newRow("three on the stage at most")
        << (running + QStringList { "clear", "interact S2", "interact S3", "interact S4", "interact S5" })
        << QStringList { P("S2", "3$16$T1$S2$$ID$0$$"), P("S3", "3$16$T1$S3$$ID$0$$"), P("S4", "3$16$T1$S4$$ID$0$$") }
        << QStringList { interact("S2", 0), interact("S3", 0), interact("S4", 0), interact("S5", 5) } << QString();
    QTest::newRow("a second click takes the student off the stage")
        << (running + QStringList { "interact S2", "clear", "interact S2" })
        << QStringList { P("S2", "3$18$T1$S2$$0$$") } << QStringList { interact("S2", 7) } << QString();
    QTest::newRow("19: the student is on the stage")
        << (running + QStringList { "interact S2", "clear", "smm 19 S2 - S2s", "smm 19 S9 - S9s" }) << QStringList()
        << QStringList { interact("S2", 1) } << QString();
    QTest::newRow("17 busy: off the stage")
        << (running + QStringList { "interact S2", "clear", "smm 17 S2 - - 1", "smm 17 S2 - - 1", "interact S2" })
        << QStringList { P("S2", "3$16$T1$S2$$ID$0$$") } << QStringList { interact("S2", 6), interact("S2", 0) }
        << QString();
    QTest::newRow("17 failed") << (running + QStringList { "interact S2", "clear", "smm 17 S2 - - 0" }) << QStringList()
                               << QStringList { interact("S2", 2) } << QString();
    QTest::newRow("a stage student going offline is sent out of the room")
        << (running + QStringList { "interact S2", "clear", "offline S2", "interact S2" })
        << QStringList { P("S2", "3$16$T1$S2$$ID$0$$") } << QStringList { interact("S2", 0) } << "!funcEvent";
    QTest::newRow("the user list closing a student's picture")
        << (running + QStringList { "interact S2", "clear", "avclose S2", "interact S2" })
        << QStringList { P("S2", "3$16$T1$S2$$ID$0$$") } << QStringList { interact("S2", 0) } << QString();
    QTest::newRow("the late joiner") << (running + QStringList { "clear", "late S9" })
                                     << QStringList { P("S9", "3$0$T1$$$ID$0$$") } << QStringList() << QString();
    QTest::newRow("the late joiner before the class")
        << QStringList { "late S9" } << QStringList() << QStringList() << QString();
    QTest::newRow("other types pass silently")
        << QStringList { "smm 2 T1 S1", "smm 5 S1 - x", "smm 24 S1" } << QStringList() << QStringList() << QString();
}

void TestLStreamMediaManager::teacherScripts()
{
    runScript(Teacher);
}

void TestLStreamMediaManager::studentScripts_data()
{
    StreamControlScript::addColumns();
    const QString pullT1 = startPull("T1", "TS");
    const QString stagePush = "startPushWebrtcStreamOut(0,cam0,mic0,160x120,TS,false,NameS1)";
    const QString parentPush = "startPushWebrtcStreamOut(0,cam0,mic0,160x120,$ID,false,NameS1)";
    const QStringList inClass { "smm 0 T1 - TS", "pull ok T1" };
    const QStringList onStage = inClass + QStringList { "smm 16 T1 S1 TS", "push ok", "pull fail T1" };
    const QStringList forParent { "smm 20 pS1", "push ok" };

    QTest::newRow("0 pulls the teacher") << QStringList { "smm 0 T1 - TS" } << QStringList() << QStringList { pullT1 }
                                         << QString();
    QTest::newRow("the teacher's stream plays")
        << inClass << QStringList() << QStringList { pullT1, info(0) } << QString();
    QTest::newRow("the teacher's stream fails") << QStringList { "smm 0 T1 - TS", "pull fail T1" } << QStringList()
                                                << QStringList { pullT1, info(1) } << QString();
    QTest::newRow("1 ends the class") << (inClass + QStringList { "clear", "smm 1 T1" }) << QStringList()
                                      << QStringList { info(2), "stopPullStreamOut(T1)" } << QString();
    QTest::newRow("a stream gone by itself does not block the next class")
        << (inClass + QStringList { "pull fail T1", "clear", "smm 1 T1", "smm 0 T1 - TS" }) << QStringList()
        << QStringList { info(2), pullT1 } << QString();
    QTest::newRow("16: onto the stage, then the teacher's stream stops")
        << (inClass + QStringList { "clear", "smm 16 T1 S1 TS", "push ok" })
        << QStringList { P("T1", "3$19$S1$$$ID$0$$") } << QStringList { stagePush, "stopPullStreamOut(T1)" }
        << QString();
    QTest::newRow("16 while starting answers 17 busy")
        << (inClass + QStringList { "smm 16 T1 S1 TS", "clear", "smm 16 T1 S1 TS" })
        << QStringList { P("T1", "3$17$S1$$$1$$") } << QStringList() << QString();
    QTest::newRow("16 on the stage: nothing")
        << (onStage + QStringList { "clear", "smm 16 T1 S1 TS" }) << QStringList() << QStringList() << QString();
    QTest::newRow("no answer to an unknown teacher goes to the whole class")
        << QStringList { "smm 16 T1 S1 TS", "clear", "smm 16 T1 S1 TS" } << QStringList() << QStringList()
        << "the targetId is empty, nothing sent! smmType: 17";
    QTest::newRow("a failed stage push answers 17")
        << (inClass + QStringList { "smm 16 T1 S1 TS", "clear", "push fail" })
        << QStringList { P("T1", "3$17$S1$$$ID$0$$") } << QStringList() << QString();
    QTest::newRow("18: off the stage, the teacher plays again")
        << (onStage + QStringList { "clear", "smm 18 T1 S1", "pushExit", "pull ok T1" }) << QStringList()
        << QStringList { "stopPushWebrtcStreamOut()", pullT1, info(0) } << QString();
    QTest::newRow("18 while the stage push starts: stopped on success, no 19")
        << (inClass + QStringList { "smm 16 T1 S1 TS", "clear", "smm 18 T1 S1", "push ok", "pushExit" })
        << QStringList() << QStringList { "stopPushWebrtcStreamOut()" } << QString();
    QTest::newRow("1 on the stage") << (onStage + QStringList { "clear", "smm 1 T1" }) << QStringList()
                                    << QStringList { info(2), "stopPushWebrtcStreamOut()" } << QString();
    QTest::newRow("20 pushes for the parent")
        << forParent << QStringList { P("pS1", "3$22$S1$$$ID$0$$") } << QStringList { parentPush } << QString();
    QTest::newRow("a failed push for the parent answers 23")
        << QStringList { "smm 20 pS1", "push fail" } << QStringList { P("pS1", "3$23$S1$$$ID$1$$") }
        << QStringList { parentPush } << QString();
    QTest::newRow("20 on the stage answers 23 code 2")
        << (onStage + QStringList { "clear", "smm 20 pS1" }) << QStringList { P("pS1", "3$23$S1$$$2$$") }
        << QStringList() << QString();
    QTest::newRow("20 while a push starts answers 23 code 3")
        << QStringList { "smm 16 T1 S1 TS", "clear", "smm 20 pS1" } << QStringList { P("pS1", "3$23$S1$$$3$$") }
        << QStringList() << QString();
    QTest::newRow("20 while pushing for the parent: nothing")
        << (forParent + QStringList { "clear", "smm 20 pS1" }) << QStringList() << QStringList() << QString();
    QTest::newRow("16 while pushing for the parent: 23 code 4, then the stage")
        << (inClass + forParent + QStringList { "clear", "smm 16 T1 S1 TS", "pushExit", "push ok" })
        << QStringList { P("pS1", "3$23$S1$$$4$$"), P("T1", "3$19$S1$$$ID$0$$") }
        << QStringList { "stopPushWebrtcStreamOut()", stagePush, "stopPullStreamOut(T1)" } << QString();
    QTest::newRow("21 stops the push for the parent")
        << (forParent + QStringList { "clear", "smm 21 pS1", "smm 21 pS1" }) << QStringList()
        << QStringList { "stopPushWebrtcStreamOut()" } << QString();
    QTest::newRow("21 leaves the stage alone")
        << (onStage + QStringList { "clear", "smm 21 pS1" }) << QStringList() << QStringList() << QString();
    QTest::newRow("the parent leaving stops the push for it")
        << (forParent + QStringList { "clear", "relOffline pS1" }) << QStringList()
        << QStringList { "stopPushWebrtcStreamOut()" } << QString();
    QTest::newRow("the teacher going offline")
        << (inClass + QStringList { "clear", "offline T1", "offline T1" }) << QStringList()
        << QStringList { info(2), "stopPullStreamOut(T1)" } << QString();
    QTest::newRow("the connection dropping") << (onStage + QStringList { "clear", "clientOffline" }) << QStringList()
                                             << QStringList { "stopPushWebrtcStreamOut()" } << QString();
    QTest::newRow("a pull result for another user")
        << QStringList { "smm 0 T1 - TS", "clear", "pull ok S7" } << QStringList() << QStringList() << QString();
}

void TestLStreamMediaManager::studentScripts()
{
    runScript(Student);
}

void TestLStreamMediaManager::parentScripts_data()
{
    StreamControlScript::addColumns();
    const QString pullT1 = startPull("T1", "TS");
    const QString pullChild = startPull("S1", "CS");
    const QStringList inClass { "smm 0 T1 - TS", "pull ok T1", "online S1" };
    const QStringList watching = inClass + QStringList { "smm 22 S1 - CS", "pull fail T1", "pull ok S1" };
    const QString stopWatching = P("S1", "3$21$S1$S1$$0$$");

    QTest::newRow("the teacher's stream plays")
        << inClass << QStringList() << QStringList { pullT1, info(0) } << QString();
    QTest::newRow("watching before the class")
        << QStringList { "online S1", "startMonitor" } << QStringList() << QStringList { info(4, 1) } << QString();
    QTest::newRow("watching a child not online") << QStringList { "smm 0 T1 - TS", "clear", "startMonitor" }
                                                 << QStringList() << QStringList { info(4, 2) } << QString();
    QTest::newRow("watching asks the child")
        << (inClass + QStringList { "clear", "startMonitor" }) << QStringList { P("S1", "3$20$pS1$S1$$0$$") }
        << QStringList() << QString();
    QTest::newRow("22: over to the child once the teacher's pull ended")
        << (inClass + QStringList { "clear", "smm 22 S1 - CS", "pull fail T1", "pull ok S1" }) << QStringList()
        << QStringList { "stopPullStreamOut(T1)", pullChild, info(3) } << QString();
    QTest::newRow("22 with nothing pulled") << QStringList { "smm 22 S1 - CS", "pull ok S1" } << QStringList()
                                            << QStringList { pullChild, info(3) } << QString();
    QTest::newRow("22 while the child's pull starts") << QStringList { "smm 22 S1 - CS", "clear", "smm 22 S1 - CS" }
                                                      << QStringList { stopWatching } << QStringList() << QString();
    QTest::newRow("the child's stream fails")
        << QStringList { "smm 22 S1 - CS", "clear", "pull fail S1" } << QStringList { stopWatching }
        << QStringList { info(4, 0) } << QString();
    QTest::newRow("stop watching: back to the teacher")
        << (watching + QStringList { "clear", "stopMonitor", "pull fail S1", "pull ok T1" })
        << QStringList { stopWatching } << QStringList { "stopPullStreamOut(S1)", pullT1, info(0) } << QString();
    QTest::newRow("stop watching while the child's pull starts")
        << QStringList { "smm 22 S1 - CS", "clear", "stopMonitor" } << QStringList() << QStringList() << QString();
    QTest::newRow("23 code 4: back to the teacher")
        << (watching + QStringList { "clear", "smm 23 S1 - - 4", "pull fail S1" }) << QStringList()
        << QStringList { "stopPullStreamOut(S1)", info(4, 4), pullT1 } << QString();
    QTest::newRow("the teacher going offline") << (inClass + QStringList { "clear", "offline T1" }) << QStringList()
                                               << QStringList { info(2), "stopPullStreamOut(T1)" } << QString();
    QTest::newRow("the child going offline")
        << (watching + QStringList { "clear", "offline S1", "startMonitor" }) << QStringList()
        << QStringList { info(2), "stopPullStreamOut(S1)", info(4, 2) } << QString();
    QTest::newRow("1 ends the class") << (watching + QStringList { "clear", "smm 1 T1", "startMonitor" })
                                      << QStringList() << QStringList { info(2), "stopPullStreamOut(S1)", info(4, 1) }
                                      << QString();
}

void TestLStreamMediaManager::parentScripts()
{
    runScript(Parent);
}

void TestLStreamMediaManager::watchingFailures_data()
{
    QTest::addColumn<int>("errorType");
    QTest::addColumn<int>("code");
    QTest::newRow("child in the teacher's room") << 2 << 5;
    QTest::newRow("child's device busy") << 3 << 3;
    QTest::newRow("child went into the teacher's room") << 4 << 4;
    QTest::newRow("no device permission") << 5 << 6;
    QTest::newRow("the push for the parent failed") << 1 << 0;
    QTest::newRow("an unknown error") << 9 << 0;
}

void TestLStreamMediaManager::watchingFailures()
{
    QFETCH(int, errorType);
    QFETCH(int, code);
    Fixture fixture(Parent);
    QVERIFY(
        fixture.script->run({ "smm 0 T1 - TS", "pull ok T1", "clear", QString("smm 23 S1 - - %1").arg(errorType) }));
    // The teacher's stream plays on: only a child's stream is given up.
    QCOMPARE(fixture.script->signalTexts(), QStringList { info(4, code) });
    QVERIFY(fixture.script->lines().isEmpty());
}

// The teacher's stage clicks are at least the click interval apart; a refused click leaves the interval running
// from the accepted one.
void TestLStreamMediaManager::stageClicks()
{
    Fixture fixture(Teacher);
    QVERIFY(fixture.script->run({ "startClass", "push ok", "clear", "interact S2" }));
    fixture.manager->setClickInterval(60000);
    QVERIFY(fixture.script->run({ "interact S2", "interact S3" }));
    QCOMPARE(fixture.script->signalTexts(), QStringList({ interact("S2", 0), interact("S2", 4), interact("S3", 4) }));
    QCOMPARE(fixture.script->lines(), fixture.script->expand({ P("S2", "3$16$T1$S2$$ID$0$$") }));
}

void TestLStreamMediaManager::framesOfTheRoomOnTheStageOnly()
{
    Fixture fixture(Student);
    QSignalSpy frames(fixture.manager.get(), &LStreamMediaManager::sendRemoteStream);
    QImage picture(4, 4, QImage::Format_RGB32);
    fixture.manager->showVideoImageIn("T1", picture);
    fixture.manager->slotSendRemoteStream(picture);
    QCOMPARE(frames.size(), 1);
    QVERIFY(fixture.script->run({ "smm 0 T1 - TS", "smm 16 T1 S1 TS", "push ok" }));
    fixture.manager->slotSendRemoteStream(picture);
    QCOMPARE(frames.size(), 2);
    QVERIFY(fixture.script->run({ "smm 18 T1 S1", "pushExit", "smm 20 pS1", "push ok" }));
    fixture.manager->slotSendRemoteStream(picture);
    QCOMPARE(frames.size(), 2);
}

// Without the WebRTC library a call onto the stage, or a parent's wish to watch, is answered at once with a
// failure, and the student is free again.
void TestLStreamMediaManager::withoutTheLibrary()
{
    WebrtcSdkInterface::unload();
    Fixture fixture(Student, 4, false);
    QVERIFY(fixture.script->run({ "smm 0 T1 - TS", "pull ok T1", "clear" }));
    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QVERIFY(fixture.script->run({ "smm 16 T1 S1 TS" }));
    QVERIFY(fixture.manager->isPushingStream());
    const QString stageFailed = fixture.script->expand({ P("T1", "3$17$S1$$$ID$0$$") }).first();
    QTRY_COMPARE_WITH_TIMEOUT(fixture.script->lines(), QStringList { stageFailed }, 10000);
    QVERIFY(!fixture.manager->isPushingStream());
    // The teacher's stream was left playing.
    QVERIFY(!fixture.script->signalTexts().contains("stopPullStreamOut(T1)"));

    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QVERIFY(fixture.script->run({ "smm 20 pS1" }));
    const QString watchFailed = fixture.script->expand({ P("pS1", "3$23$S1$$$ID$1$$") }).first();
    QTRY_COMPARE_WITH_TIMEOUT(fixture.script->lines(), QStringList({ stageFailed, watchFailed }), 10000);
    QVERIFY(!fixture.manager->isPushingStream());
}

void TestLStreamMediaManager::meetingsHaveNoRoom()
{
    Fixture student(Student, 5);
    QVERIFY(!student.manager->webRtcStreamEngine());
    QVERIFY(student.script->run({ "smm 0 T1 - TS", "clear", "smm 16 T1 S1 TS", "smm 20 pS1" }));
    QCOMPARE(student.script->lines(), QStringList({ P("T1", "3$17$S1$$$1$$"), P("pS1", "3$23$S1$$$3$$") }));
    QVERIFY(!student.manager->isPushingStream());

    Fixture teacher(Teacher, 5);
    QVERIFY(teacher.script->run({ "startClass" }));
    QCOMPARE(teacher.script->signalTexts(), QStringList { info(1) });
}

QTEST_MAIN(TestLStreamMediaManager)
#include "tst_lstreammediamanager.moc"
