#include "tests/connection/recordformat.h"
#include "tests/support/signalrecorder.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
QString framed(const QString &body)
{
    return "[[[" + body + "]]]";
}

void fillClass(int participants)
{
    g_userInfoHash.clear();
    for (int i = 0; i < participants; ++i)
        g_userInfoHash.updateUserInfo(UserInfo(QString::number(5000 + i), "s", "1"));
}

QString chat(int cmType)
{
    return QStringLiteral("11\t0\t1$%1$u1$1500000000$Ann$aGk=").arg(cmType);
}
} // namespace

class TestServerForward : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase();
    void forwardKinds_data();
    void forwardKinds();
    void chatLimitInLargeClasses();
    void recordsCarryTheirFields();
};

void TestServerForward::init()
{
    g_userId = "1001";
    g_lectId = "L1";
    g_userInfoHash.clear();
}

void TestServerForward::cleanupTestCase()
{
    g_userInfoHash.clear();
}

void TestServerForward::forwardKinds_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("warnings");

    const auto row = [](const char *name, int userType, const QString &line, const QStringList &emitted,
                         const QStringList &warnings = {}, bool lecturer = false) {
        QTest::newRow(name) << userType << lecturer << line << emitted << warnings;
    };
    row("courseware", 1, "11\t0\t0$6$s:8@f1:2:0:1", { "readPPtMessage(0$6$s:8@f1:2:0:1,1)" });
    row("courseware personal", 1, "11\t1\t0$1$f1:3:2:12", { "readPPtMessage(0$1$f1:3:2:12,1)" });
    row("chat", 1, "11\t0\t1$1$u1$1500000000$Ann$aGk=", { "readChatMessage(1$1$u1$1500000000$Ann$aGk=)" });
    row("control", 1, "11\t0\t2$4:p9", { "readCtrlMessage(2$4:p9)" });
    row("stream media", 1, "11\t1\t3$7$a$b$s$0$$", { "readStreamMediaMessage(3$7$a$b$s$0$$)" });
    row("device", 1, "11\t1\t4$2$u7$1$0", { "readDeviceMessage(4$2$u7$1$0)" });
    row("video course", 1, "11\t0\t5$1$v1:30:4:1", { "readVideoCourseMessage(5$1$v1:30:4:1,1)" });
    row("courseware refused", 1, "11\t0\t0$1", {}, { "the msgList != 3 error! msg:" });
    row("drawing refused", 1, "11\t0\t0$8$f1:1:0:1@3;4", {}, { "the point analysis error_2! msg:" });
    row("chat refused", 1, "11\t0\t1$1$u1", {}, { "the msgList size != 6 error! msg:" });
    row("stream refused", 1, "11\t0\t3$x$a$b$s$0$$", {}, { "the msgType error! msg:" });
    row("text kind 6", 1, "11\t0\t6$x", {}, { "the tsType is TSError error! msg:" });
    row("text kind 7", 1, "11\t0\t7$x", {}, { "the tsType unknown error! msg:" });
    row("two fields", 1, "11\t0", {}, { "the msgListSize != 3 error! msg:" });
    row("four fields", 1, "11\t0\ta\tb", {}, { "the msgListSize != 3 error! msg:" });
    row("kind no number", 1, "11\tx\td", {}, { "the toUInt error! msg:" });
    row("unlock", 1, "11\t2\t0", { "signalLockScreen(0)" });
    row("lock", 1, "11\t2\t1", { "signalLockScreen(1)" });
    row("lock 2", 1, "11\t2\t2", {}, { "the lockType unknown error! msg:" });
    row("lock no number", 1, "11\t2\tx", {}, { "the toUInt error! msg:" });
    row("hand-up unlocked", 1, "11\t3\t2", { "signalHandUpLock(false)" });
    row("hand-up locked", 1, "11\t3\t3", { "signalHandUpLock(true)" });
    row("hand-up other", 1, "11\t3\t4", {}, { "the handUpType unknown error! msg:" });
    row("hand raised", 1, "11\t3\tu5@1", { "signalHandUp(u5,true)" });
    row("hand lowered", 1, "11\t3\tu5@0", { "signalHandUp(u5,false)" });
    row("hand state 2", 1, "11\t3\tu5@2", {}, { "the conListType unknown error! conListType:" });
    row("hand three parts", 1, "11\t3\tu5@1@x", {}, { "the conListSize != 2 error! msgCon:" });
    row("praise", 1, "11\t4\tu1@3@1", { "signalPraiseMessage(u1,3,1)" });
    row("praise two parts", 1, "11\t4\tu1@3", {});
    row("praise no @", 1, "11\t4\tu1", {});
    row("kind 5", 1, "11\t5\tanything@at@all", {});
    row("start push", 1, "11\t6\t4", { "signalStartPush()" });
    row("end push", 1, "11\t6\t5", { "signalEndPush()" });
    row("push other", 1, "11\t6\t6", {}, { "the streamType unknown error! msg:" });
    row("peer failed, lecturer", 0, "11\t6\tfail:busy", { "signalPeerStartAvAbnormal(fail:busy)" });
    row("pull, lecturer", 0, "11\t6\tu1#s1", { "signalPullStream(u1,s1)" });
    row("pull broken, lecturer", 0, "11\t6\tu1", {}, { "the msgListSize != 2! msg:" });
    row("interactive, type 3", 3, "11\t6\t4", {}, { "the userType unknown error! userType:" });
    row("late arrival", 1, "11\t7\tdata", { "signalStartClass(data)" });
    row("answer card", 1, "11\t8\tx", { "signalCloseQuestion()" });
    row("roll call", 1, "11\t9\t12:00", { "signalCallRollStart(12:00)" });
    row("roll call 10", 1, "11\t10\t12:00", { "signalCallRollStart(12:00)" });
    row("roll call start, lecturer", 0, "11\t9\ta@b@c", { "signalCallRollStart(a@b@c)" });
    row("roll call response, lecturer", 0, "11\t9\ta@b@", { "signalCallRollResponse(a@b@)" });
    row("roll call short, lecturer", 0, "11\t10\ta", { "signalCallRollResponse(a)" });
    row("roll call, type 3", 3, "11\t9\ta", {});
    row("encrypt me", 1, "11\t11\t1001@1", { "signalEncrptUser(true)", "signalEncrptionMsg(1001,true)" });
    row("decrypt other", 1, "11\t11\tu2@0", { "signalEncrptUser(false)", "signalEncrptionMsg(u2,false)" });
    row("encrypt flag 7", 1, "11\t11\tu2@7", {});
    row("encrypt no @", 1, "11\t11\tu2", {});
    row("encrypt, lecturer", 1, "11\t11\t1001@1", {}, {}, true);
    row("question", 1, "11\t12\tx$[{\"title\":\"q\"}]", { "signalShowQuestionInfo({title=q})" });
    row("question one part", 1, "11\t12\tx", {});
    row("question empty", 1, "11\t12\tx$[]", {});
    row("question, lecturer", 0, "11\t12\tpic", { "signalHttpPictureMsg(pic)" });
    row("picture, lecturer", 0, "11\t13\tpic", { "signalHttpPictureMsg(pic)" });
    row("picture, student", 1, "11\t13\tpic", {}, { "the msgType unknown error! msg:" });
    row("kind 14", 1, "11\t14\tx", {}, { "the msgType unknown error! msg:" });
}

void TestServerForward::forwardKinds()
{
    QFETCH(int, userType);
    QFETCH(bool, lecturer);
    QFETCH(QString, line);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, warnings);
    if (lecturer)
        g_lectId = g_userId;
    SocketClientManager manager { GlobalEnum::UserType(userType) };
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    for (const QString &warning : warnings)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(warning)));
    manager.readMessageIn(framed(line));
    QCOMPARE(recorder.emitted(), emitted);
}

void TestServerForward::chatLimitInLargeClasses()
{
    SocketClientManager manager(GlobalEnum::User1);
    // "Right after" is within an interval longer than any machine takes between two lines; "after the interval"
    // waits out a short one.
    const int longInterval = 3600 * 1000;
    const int shortInterval = 100;
    manager.setChatInterval(longInterval);
    QSignalSpy chats(&manager, &SocketClientManager::readChatMessage);

    fillClass(200);
    manager.readMessageIn(framed(chat(1)));
    manager.readMessageIn(framed(chat(1)));
    QCOMPARE(chats.count(), 2); // fewer than 201 participants: no limit

    fillClass(250);
    chats.clear();
    manager.setChatInterval(shortInterval);
    QTest::qWait(shortInterval + 50);
    manager.readMessageIn(framed(chat(1))); // after the interval: passes
    manager.setChatInterval(longInterval);
    manager.readMessageIn(framed(chat(1))); // right after: dropped
    manager.readMessageIn(framed(chat(0))); // personal, right after: dropped
    manager.readMessageIn(framed(chat(2))); // mute notice: always passes
    manager.readMessageIn(framed(chat(3)));
    QCOMPARE(chats.count(), 3);
    QCOMPARE(chats.at(1).at(0).value<ChatMessage>().getCmType(), 2u);
    manager.readMessageIn(framed(chat(1)));
    QCOMPARE(chats.count(), 3);
    manager.setChatInterval(shortInterval);
    QTest::qWait(shortInterval + 50);
    manager.readMessageIn(framed(chat(0)));
    QCOMPARE(chats.count(), 4);
}

void TestServerForward::recordsCarryTheirFields()
{
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy ppt(&manager, &SocketClientManager::readPPtMessage);
    QSignalSpy stream(&manager, &SocketClientManager::readStreamMediaMessage);
    manager.readMessageIn(framed("11\t0\t0$2$pi:42;px:50015002;px:49975004;s:1;it:1@f1:1:0:1"));
    manager.readMessageIn(framed("11\t1\t3$16$L1$1001$room9$0$$"));
    QCOMPARE(ppt.count(), 1);
    const PPtMessage message = ppt.at(0).at(0).value<PPtMessage>();
    QCOMPARE(ppt.at(0).at(1).value<GlobalEnum::PPMFromType>(), GlobalEnum::PPMServer);
    QCOMPARE(message.getDrawSignal().getPointList(), (QList<quint32> { 50015002u, 49975004u }));
    QCOMPARE(message.getDrawSignal().getIsTemp(), 1u);
    QCOMPARE(message.getDrawControl().getFileIdAll(), QString("f1"));
    QCOMPARE(stream.count(), 1);
    const StreamMediaMessage command = stream.at(0).at(0).value<StreamMediaMessage>();
    QCOMPARE(command.getSmmType(), quint32(StreamMediaMessage::RequestPushWebRtcStream));
    QCOMPARE(command.getFromUserId(), QString("L1"));
    QCOMPARE(command.getToUserId(), QString("1001"));
    QCOMPARE(command.getStreamId(), QString("room9"));
}

QTEST_GUILESS_MAIN(TestServerForward)
#include "tst_serverforward.moc"
