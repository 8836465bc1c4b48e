#include "tests/support/classroomlink.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

namespace {
// A courseware line that stands for every replayed message.
const QString replayed = QStringLiteral("0$1$f1:3:2:12");

QString ctrl(const QString &body)
{
    return "2$" + body;
}

QString personal(const QString &to, const QString &text)
{
    return QString("11\t1\t%1\t%2\t0").arg(to, text);
}

CtrlMessage message(quint32 ctType, const QString &personId, quint32 lateCtrlType = 0, quint32 lateCount = 0)
{
    CtrlMessage record;
    record.setCtType(ctType);
    record.setPersonId(personId);
    record.setLateCtrlType(lateCtrlType);
    record.setLateCount(lateCount);
    record.setUiCtrlType(lateCtrlType);
    return record;
}

// Makes a manager with the role and id the session says.
LateCtrlManager *makeManager(int userType, const QString &userId, SocketClientManager *connection)
{
    g_userType = userType;
    g_userId = userId;
    return new LateCtrlManager(nullptr, connection);
}
} // namespace

class TestLateCtrlManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void handshakeThroughTheServer_data();
    void handshakeThroughTheServer();
    void emptyAnnouncementIsAcknowledgedAtOnce();
    void messagesCountedBeforeTheAnnouncementCount();
    void counterIsConnectedOnce();
    void lecturerSideEdges();
    void interfaceModeAndUnknownKinds();
    void ownIdOfUserTypeFive();
};

void TestLateCtrlManager::init()
{
    g_lectId = "L1";
    g_accountId = "acc";
}

void TestLateCtrlManager::handshakeThroughTheServer_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("drawings");
    QTest::addColumn<int>("boards");
    QTest::newRow("every phase has messages") << 2 << 3 << 1;
    QTest::newRow("nothing to replay") << 0 << 0 << 0;
    QTest::newRow("only files and board") << 1 << 0 << 4;
}

// The lecturer's and the joiner's managers, each on a classroom connection of its own; the two fake servers
// forward the personal lines to each other as the classroom server does. Fake course parts send the replayed
// messages and count them on arrival.
void TestLateCtrlManager::handshakeThroughTheServer()
{
    QFETCH(int, files);
    QFETCH(int, drawings);
    QFETCH(int, boards);

    ClassroomLink lecturerLink(false, GlobalEnum::User0);
    ClassroomLink joinerLink(false, GlobalEnum::User1);
    QVERIFY(lecturerLink.connectToServer());
    QVERIFY(joinerLink.connectToServer());
    const auto route = [](ClassroomLink &to, const QString &toId) {
        return [&to, toId](const QString &line) {
            const QStringList fields = line.split('\t');
            if (fields.size() == 5 && fields.at(0) == "11" && fields.at(1) == "1" && fields.at(2) == toId)
                to.server().sendLine("11\t1\t" + fields.at(3));
        };
    };
    connect(&lecturerLink.server(), &FakeClassroomServer::lineReceived, this, route(joinerLink, "S1"));
    connect(&joinerLink.server(), &FakeClassroomServer::lineReceived, this, route(lecturerLink, "L1"));

    QScopedPointer<LateCtrlManager> lecturer(makeManager(0, "L1", lecturerLink.manager()));
    QScopedPointer<LateCtrlManager> joiner(makeManager(1, "S1", joinerLink.manager()));
    QVERIFY(lecturer->isLect());
    QVERIFY(!joiner->isLect());
    connect(lecturerLink.manager(), &SocketClientManager::readCtrlMessage, lecturer.data(),
        &LateCtrlManager::readCtrlMessage);
    connect(
        joinerLink.manager(), &SocketClientManager::readCtrlMessage, joiner.data(), &LateCtrlManager::readCtrlMessage);

    // The course parts of the lecturer's side.
    const auto sender = [&lecturerLink](int n) {
        return [&lecturerLink, n](const QString &pid, quint32 &count) {
            for (int i = 0; i < n; ++i)
                lecturerLink.manager()->sendServerForwardPersonal(pid, "0", replayed);
            count += quint32(n);
        };
    };
    connect(lecturer.data(), &LateCtrlManager::signalSendFileLate, this, sender(files), Qt::DirectConnection);
    connect(lecturer.data(), &LateCtrlManager::signalSendDrawLate, this, sender(drawings), Qt::DirectConnection);
    connect(lecturer.data(), &LateCtrlManager::signalSendBoardLate, this, sender(boards), Qt::DirectConnection);
    QStringList statuses;
    connect(lecturer.data(), &LateCtrlManager::signalSendStatusLate, this, [&](const QString &pid) {
        statuses << pid;
        // The class window follows the status with the end of the replay.
        QString text;
        QVERIFY(TSProtocolAnalysis::sendCtrlMessage(message(6, "L1"), text));
        lecturerLink.manager()->sendServerForwardPersonal(pid, "0", text);
    });
    // The course parts of the joiner's side count each replayed message.
    int received = 0;
    connect(joinerLink.manager(), &SocketClientManager::readPPtMessage, this, [&]() {
        ++received;
        emit joiner->signalLateCountInc(CtrlMessage::LateCourseDraw);
    });

    joiner->slotLateMessageStart();
    QVERIFY(!lecturerLink.server().waitForLine(personal("S1", ctrl("6:L1")), 5000).isNull());
    QVERIFY(!joinerLink.server().waitForLine(personal("L1", ctrl("7:S1")), 5000).isNull());

    QStringList lecturerSent;
    lecturerSent << personal("S1", ctrl("5:L1"));
    for (int i = 0; i < files; ++i)
        lecturerSent << personal("S1", replayed);
    lecturerSent << personal("S1", ctrl(QString("0:0:L1:%1").arg(files)));
    for (int i = 0; i < drawings; ++i)
        lecturerSent << personal("S1", replayed);
    lecturerSent << personal("S1", ctrl(QString("0:1:L1:%1").arg(drawings)));
    for (int i = 0; i < boards; ++i)
        lecturerSent << personal("S1", replayed);
    lecturerSent << personal("S1", ctrl(QString("0:3:L1:%1").arg(boards))) << personal("S1", ctrl("6:L1"));
    QCOMPARE(lecturerLink.forwards(), lecturerSent);
    QCOMPARE(joinerLink.forwards(),
        QStringList({ personal("L1", ctrl("4:S1")), personal("L1", ctrl(QString("1:0:S1:%1").arg(files))),
            personal("L1", ctrl(QString("1:1:S1:%1").arg(drawings))),
            personal("L1", ctrl(QString("1:3:S1:%1").arg(boards))), personal("L1", ctrl("7:S1")) }));
    QCOMPARE(received, files + drawings + boards);
    QCOMPARE(statuses, QStringList { "S1" });
    QCOMPARE(lecturer->latePersonHash().count(), 0);
    QVERIFY(!joiner->isCounting());
    QCOMPARE(joiner->lateCount(), 0u);
    QCOMPARE(joiner->lateCountSum(), qint64(-1));
}

void TestLateCtrlManager::emptyAnnouncementIsAcknowledgedAtOnce()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    QScopedPointer<LateCtrlManager> joiner(makeManager(1, "S1", link.manager()));
    joiner->readCtrlMessage(message(5, "L1"));
    joiner->readCtrlMessage(message(0, "L1", CtrlMessage::LateCourseFile, 0));
    QCOMPARE(link.forwards(), QStringList { personal("L1", ctrl("1:0:S1:0")) });
}

void TestLateCtrlManager::messagesCountedBeforeTheAnnouncementCount()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    QScopedPointer<LateCtrlManager> joiner(makeManager(1, "S1", link.manager()));
    joiner->readCtrlMessage(message(5, "L1"));
    for (int i = 0; i < 5; ++i)
        emit joiner->signalLateCountInc(CtrlMessage::LateCourseDraw);
    QVERIFY(link.forwards().isEmpty());
    joiner->readCtrlMessage(message(0, "L1", CtrlMessage::LateCourseDraw, 5));
    QCOMPARE(link.forwards(), QStringList { personal("L1", ctrl("1:1:S1:5")) });
    // The next phase waits for its own messages.
    joiner->readCtrlMessage(message(0, "L1", CtrlMessage::LateBoardDraw, 2));
    emit joiner->signalLateCountInc(CtrlMessage::LateBoardDraw);
    QCOMPARE(link.forwards().size(), 1);
    emit joiner->signalLateCountInc(CtrlMessage::LateBoardDraw);
    QCOMPARE(link.forwards().last(), personal("L1", ctrl("1:3:S1:2")));
}

// Each begin of a replay must not add a connection: a message would count once per connection.
void TestLateCtrlManager::counterIsConnectedOnce()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    QScopedPointer<LateCtrlManager> joiner(makeManager(1, "S1", link.manager()));
    joiner->readCtrlMessage(message(5, "L1"));
    joiner->readCtrlMessage(message(5, "L1"));
    joiner->readCtrlMessage(message(5, "L1"));
    joiner->readCtrlMessage(message(0, "L1", CtrlMessage::LateCourseFile, 2));
    emit joiner->signalLateCountInc(CtrlMessage::LateCourseFile);
    QCOMPARE(joiner->lateCount(), 1u);
    QVERIFY(link.forwards().isEmpty());
    emit joiner->signalLateCountInc(CtrlMessage::LateCourseFile);
    QCOMPARE(link.forwards(), QStringList { personal("L1", ctrl("1:0:S1:2")) });

    // After the end of the replay nothing counts any more.
    joiner->readCtrlMessage(message(6, "L1"));
    QCOMPARE(link.forwards().last(), personal("L1", ctrl("7:S1")));
    emit joiner->signalLateCountInc(CtrlMessage::LateCourseFile);
    QCOMPARE(joiner->lateCount(), 0u);
}

void TestLateCtrlManager::lecturerSideEdges()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    QScopedPointer<LateCtrlManager> lecturer(makeManager(0, "L1", link.manager()));
    QSignalSpy statuses(lecturer.data(), &LateCtrlManager::signalSendStatusLate);

    QTest::ignoreMessage(QtInfoMsg, "late start lect!");
    lecturer->slotLateMessageStart();
    QVERIFY(link.forwards().isEmpty());

    // A board acknowledgement from somebody not being replayed.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the pid does not exist! pid: \"S9\""));
    lecturer->readCtrlMessage(message(1, "S9", CtrlMessage::LateBoardDraw, 0));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unknow lctType: 2"));
    lecturer->readCtrlMessage(message(1, "S9", 2, 0));
    QCOMPARE(lecturer->latePersonHash().count(), 0);

    // A request records the person at phase 0 until he acknowledges the board.
    lecturer->readCtrlMessage(message(4, "S2"));
    CtrlMessage::LateCtrlType phase = CtrlMessage::LateBoardDraw;
    QVERIFY(lecturer->latePersonHash().selectPersonState("S2", phase));
    QCOMPARE(phase, CtrlMessage::LateCourseFile);
    lecturer->readCtrlMessage(message(1, "S2", CtrlMessage::LateCourseFile, 0));
    QVERIFY(lecturer->latePersonHash().selectPersonState("S2", phase));
    QCOMPARE(phase, CtrlMessage::LateCourseDraw);
    QCOMPARE(link.forwards(),
        QStringList(
            { personal("S2", ctrl("5:L1")), personal("S2", ctrl("0:0:L1:0")), personal("S2", ctrl("0:1:L1:0")) }));
}

void TestLateCtrlManager::interfaceModeAndUnknownKinds()
{
    QScopedPointer<LateCtrlManager> joiner(makeManager(1, "S1", nullptr));
    QSignalSpy modes(joiner.data(), &LateCtrlManager::signalChangeUIType);
    for (quint32 mode = 0; mode <= 3; ++mode)
        joiner->readCtrlMessage(message(2, "L1", mode));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unknow UICtrlType: 4"));
    joiner->readCtrlMessage(message(2, "L1", 4));
    QCOMPARE(modes.size(), 4);
    QCOMPARE(modes.at(3).at(0).toInt(), 3);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unknow ctType: 9"));
    joiner->readCtrlMessage(message(9, "L1"));
    // Kind 3 is ignored.
    joiner->readCtrlMessage(message(3, "L1"));
    QCOMPARE(modes.size(), 4);
}

void TestLateCtrlManager::ownIdOfUserTypeFive()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    QScopedPointer<LateCtrlManager> joiner(makeManager(5, "S5", link.manager()));
    QCOMPARE(joiner->ownId(), QString("acc"));
    joiner->slotLateMessageStart();
    QCOMPARE(link.forwards(), QStringList { personal("L1", ctrl("4:acc")) });
}

QTEST_GUILESS_MAIN(TestLateCtrlManager)
#include "tst_latectrlmanager.moc"
