#include "tests/connection/recordformat.h"
#include "tests/support/signalrecorder.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QRegularExpression>
#include <QThreadPool>
#include <QtTest>

namespace {
void expectWarnings(const QStringList &prefixes)
{
    for (const QString &prefix : prefixes)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

// A line as the socket hands it over: framed, without its line feed.
QString framed(const QString &body)
{
    return "[[[" + body + "]]]";
}

void resetSession()
{
    g_userId = "1001";
    g_userName.clear();
    g_accountId.clear();
    g_loginSignId.clear();
    g_needBind = false;
    g_userType = 1;
    g_rtmpHost.clear();
    g_rtmpPort = 0;
    g_webrtcHost.clear();
    g_webrtcPort = 0;
    g_classesId.clear();
    g_classId = "c1";
    g_roomId = "r1";
    g_lessonTitle = "Maths";
    g_classType = 4;
    g_lectId = "L1";
    g_pushStreamId = "ps1";
    g_passWord = "pw";
}

const QStringList socketSignals { "connectToServer", "disconnectFromServer", "heartTimerStart", "heartTimerStop",
    "sendMessageOut" };
} // namespace

class TestSocketClientManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void dispatch_data();
    void dispatch();
    void longCourseListIsReadAside_data();
    void longCourseListIsReadAside();
    void courseListsApplyInOrder_data();
    void courseListsApplyInOrder();
    void joinLineCarriesTheTitleAsShown();
    void framingShorterThanItsFrameIsRefused_data();
    void framingShorterThanItsFrameIsRefused();
    void loginReplyFillsTheSession_data();
    void loginReplyFillsTheSession();
    void courseListEntries();
    void subjectEntries();
    void heartbeatSteps_data();
    void heartbeatSteps();
    void beatReplyResetsTheSeries();
    void outgoingLines_data();
    void outgoingLines();
    void nothingIsSentWhileDisconnected();
    void socketLivesInItsOwnThread();
};

void TestSocketClientManager::init()
{
    resetSession();
}

void TestSocketClientManager::dispatch_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("warnings");

    const QString login15 = "0\t1001\tAnn\t0\trtmp.host\t1935\t\t1\trtc.host\t8443\ta1\t\t\tsign\ttrue";
    QTest::newRow("login") << 1 << login15
                           << QStringList { "signalConnectResult(0)", "heartTimerStart(2000,1001)",
                                  "signalSocketConnectSuceess()" }
                           << QStringList();
    QTest::newRow("login refused") << 1 << "0\t\t\t3"
                                   << QStringList { "disconnectFromServer()", "signalConnectResult(3)" }
                                   << QStringList();
    QTest::newRow("login refused 10") << 1 << "0\t\t\t10"
                                      << QStringList { "disconnectFromServer()", "signalConnectResult(10)" }
                                      << QStringList();
    QTest::newRow("login short") << 1 << "0\t1001\tAnn\t0\th\t1\t\t1\tw\t2\ta1"
                                 << QStringList { "disconnectFromServer()", "signalConnectResult(6)" }
                                 << QStringList { "the msgListSize < 12 error! msg:" };
    QTest::newRow("login user id leaves the folder")
        << 1 << "0\t../x\tAnn\t0\trtmp.host\t1935\t\t1\trtc.host\t8443\ta1\t\t\tsign\ttrue"
        << QStringList { "disconnectFromServer()", "signalConnectResult(6)" }
        << QStringList { "the userId is not a number error! msg:" };
    // A user id is a positive number: "-5" and "0" would each be a folder and a key of their own.
    QTest::newRow("login user id negative")
        << 1 << "0\t-5\tAnn\t0\trtmp.host\t1935\t\t1\trtc.host\t8443\ta1\t\t\tsign\ttrue"
        << QStringList { "disconnectFromServer()", "signalConnectResult(6)" }
        << QStringList { "the userId is not a number error! msg:" };
    QTest::newRow("login user id zero")
        << 1 << "0\t0\tAnn\t0\trtmp.host\t1935\t\t1\trtc.host\t8443\ta1\t\t\tsign\ttrue"
        << QStringList { "disconnectFromServer()", "signalConnectResult(6)" }
        << QStringList { "the userId is not a number error! msg:" };
    QTest::newRow("login code 11") << 1 << "0\t\t\t11" << QStringList()
                                   << QStringList { "the msgType unknown error! msg:" };
    QTest::newRow("login 3 fields") << 1 << "0\t1\t2" << QStringList()
                                    << QStringList { "the msgListSize < 4 error! msg:" };
    QTest::newRow("login code no number")
        << 1 << "0\t1\t2\tx" << QStringList() << QStringList { "the toUInt error! msg:" };

    QTest::newRow("type no number") << 1 << "abc\tx" << QStringList() << QStringList { "the toUInt error! msgType:" };
    QTest::newRow("type 30") << 1 << "30\tx" << QStringList() << QStringList();
    QTest::newRow("type 12") << 1 << "12\tx" << QStringList() << QStringList();
    QTest::newRow("type 2") << 1 << "2\tx" << QStringList()
                            << QStringList { "the msgType is TCPCMD_IP_RSP error! msg:" };
    QTest::newRow("type 10") << 1 << "10\tx" << QStringList()
                             << QStringList { "the msgType is TCPCMD_RTPSTREAM_RSP error! msg:" };
    QTest::newRow("users") << 1 << "3\t[]" << QStringList { "signalUserInfoProtocol(3\t[])" } << QStringList();
    QTest::newRow("files") << 1 << "4\t1\tx" << QStringList { "signalFileInfoProtocol(4\t1\tx)" } << QStringList();
    QTest::newRow("create class ok") << 1 << "5\t0\tk1" << QStringList { "signalCreateClassOK(k1)" }
                                     << QStringList { "the msgType is TCPCMD_GETVIDEO_RSP error! msg:" };
    QTest::newRow("create class other") << 1 << "5\t1\tk1" << QStringList()
                                        << QStringList { "the msgType unknown error! msg:",
                                               "the msgType is TCPCMD_GETVIDEO_RSP error! msg:" };
    QTest::newRow("create class short") << 1 << "5" << QStringList()
                                        << QStringList { "the msgListSize != 2 error! msg:",
                                               "the msgType is TCPCMD_GETVIDEO_RSP error! msg:" };
    QTest::newRow("enter ok") << 1 << "6\t0" << QStringList { "signalEnterClass(true)" } << QStringList();
    QTest::newRow("enter refused") << 1 << "6\t1" << QStringList { "signalEnterClass(false)" } << QStringList();
    QTest::newRow("enter short") << 1 << "6" << QStringList() << QStringList { "the msgType unknown error! msg:" };
    QTest::newRow("class table") << 1 << "7\tx" << QStringList() << QStringList();
    QTest::newRow("record result") << 1 << "8\tu\t1\tf9" << QStringList { "signalRecordFileResult(f9,1)" }
                                   << QStringList();
    QTest::newRow("record result no number") << 1 << "8\tu\tx\tf9" << QStringList()
                                             << QStringList { "the record file result is not a number! " };
    QTest::newRow("record result empty") << 1 << "8\tu\t\tf9" << QStringList()
                                         << QStringList { "the record file result is not a number! " };
    QTest::newRow("class start") << 1 << "8\tu\t0\tlesson\tc77" << QStringList { "signalStartClass(lesson)" }
                                 << QStringList();
    QTest::newRow("class end") << 1 << "8\tu\t1\tlesson\tc77" << QStringList { "signalEndClass()" } << QStringList();
    QTest::newRow("class no id") << 1 << "8\tu\t0\tlesson\t" << QStringList() << QStringList { "classesId is empty!" };
    QTest::newRow("class unknown") << 1 << "8\tu\t2\tlesson\tc77" << QStringList()
                                   << QStringList { "the msgType unknown error! " };
    QTest::newRow("class short") << 1 << "8\tu" << QStringList() << QStringList { "the msgListSize unknown error! " };
    QTest::newRow("question") << 1 << "9\tu\t0\t[{\"title\":\"q1\",\"type\":1}]\tx\ty"
                              << QStringList { "signalShowQuestionInfo({title=q1,type=1})" } << QStringList();
    QTest::newRow("question kind") << 1 << "9\tu\t1\t[{\"title\":\"q1\"}]\tx\ty" << QStringList()
                                   << QStringList { "the msgType unknown error! msg:" };
    QTest::newRow("question empty") << 1 << "9\tu\t0\t[]\tx\ty" << QStringList()
                                    << QStringList { "the questionInfoSize == 0 error! msg:" };
    QTest::newRow("question personal") << 1 << "9\tu\t0\t[{\"title\":\"q2\"}]\tx\ty\t0"
                                       << QStringList { "signalShowQuestionInfo({title=q2})" } << QStringList();
    QTest::newRow("question not personal")
        << 1 << "9\tu\t0\t[{\"title\":\"q2\"}]\tx\ty\t1" << QStringList() << QStringList();
    QTest::newRow("question stop") << 1 << "9\tu\t2" << QStringList { "signalStopQuestion()" } << QStringList();
    QTest::newRow("question other") << 1 << "9\tu\t5" << QStringList()
                                    << QStringList { "the msgListSize unknown error! msg:" };
    QTest::newRow("question id, lecturer")
        << 0 << "9\tu\tq7" << QStringList { "signalRecvQuestionID(q7)" } << QStringList();
    QTest::newRow("answer, lecturer") << 0 << "9\ta\t1\tb\tc\td\te" << QStringList { "signalShowAnswerInfo(a,b,d)" }
                                      << QStringList();
    QTest::newRow("answer kind, lecturer")
        << 0 << "9\ta\t2\tb\tc\td\te" << QStringList() << QStringList { "the msgType unknown error! msg:" };
    QTest::newRow("stream add") << 1 << "18\tu1\ts1\t1" << QStringList { "readAddStreamId(u1,s1)" } << QStringList();
    QTest::newRow("stream del") << 1 << "18\tu1\ts1\t2" << QStringList { "readDelStreamId(u1)" } << QStringList();
    QTest::newRow("stream sign") << 1 << "18\tu1\ts1\t9" << QStringList()
                                 << QStringList { "the sign type unknwon error! sign:" };
    QTest::newRow("stream all") << 1 << "18\t[{\"u1\":\"s1\",\"u2\":5}]\t3"
                                << QStringList { "readAllStreamId({u1=s1,u2=5})" } << QStringList();
    QTest::newRow("stream all empty") << 1 << "18\t[]\t3" << QStringList() << QStringList();
    QTest::newRow("stream all not json") << 1 << "18\tnope\t3" << QStringList()
                                         << QStringList { "the json analysisError! jsonError:" };
    QTest::newRow("stream all sign") << 1 << "18\t[]\t4" << QStringList()
                                     << QStringList { "the sign type unknwon error! sign:" };
    QTest::newRow("stream short") << 1 << "18\tx" << QStringList()
                                  << QStringList { "the msgList size unknown error! msg:" };
    QTest::newRow("integral") << 1 << "19\t15" << QStringList { "signalIntegralResult(15)" } << QStringList();
    QTest::newRow("integral short") << 1 << "19" << QStringList()
                                    << QStringList { "the msgList size unknown error! msg:" };
    QTest::newRow("courses") << 1 << "21\t6\t[{\"id\":12},{\"id\":13}]"
                             << QStringList { "signalRecvCourseInfo([12|13],6)", "signalCourseInfoResult(true)" }
                             << QStringList();
    QTest::newRow("courses short") << 1 << "21\t6" << QStringList { "signalCourseInfoResult(false)" }
                                   << QStringList { "the msgListSize < 3 error! " };
    QTest::newRow("courses not json") << 1 << "21\t6\tnope" << QStringList { "signalCourseInfoResult(false)" }
                                      << QStringList { "the json analysisError! jsonError:" };
    QTest::newRow("subjects") << 1 << "22\t[{\"id\":\"7\",\"classCode\":\"c7\",\"classType\":6}]"
                              << QStringList { "signalRecvSubjectInfo([7])" } << QStringList();
    QTest::newRow("subjects short") << 1 << "22" << QStringList() << QStringList { "the msgListSize < 2 error! " };
    QTest::newRow("subjects not json") << 1 << "22\t{}" << QStringList()
                                       << QStringList { "the json is not array error! jsonError:" };
    QTest::newRow("quit ok") << 1 << "25\t1" << QStringList { "signalQuitClass(true)" } << QStringList();
    QTest::newRow("quit refused") << 1 << "25\t0" << QStringList { "signalQuitClass(false)" } << QStringList();
    QTest::newRow("quit short") << 1 << "25" << QStringList() << QStringList { "the msgType unknown error! " };
    QTest::newRow("create result") << 1 << "26\t0\t1" << QStringList { "signalCreateClassProtocol(26\t0\t1)" }
                                   << QStringList();
    QTest::newRow("assistant lock") << 1 << "29\t0\tx\tp$q$r$s\t0" << QStringList { "signalClassLockScreen(p)" }
                                    << QStringList();
    QTest::newRow("assistant lock short")
        << 1 << "29\t0\tx\tp$q\t0" << QStringList() << QStringList { "data is error!" };
    QTest::newRow("assistant lock short, personal") << 1 << "29\t1\tx\tp$q\t0" << QStringList() << QStringList();
    QTest::newRow("assistant quit") << 1 << "29\t0\tx\tbye\t1" << QStringList { "signalClassQuit(bye)" }
                                    << QStringList();
    QTest::newRow("assistant quit, personal")
        << 1 << "29\t1\tx\tbye\t1" << QStringList { "signalPersonalQuit(bye)" } << QStringList();
    QTest::newRow("assistant roll call") << 1 << "29\t0\tx\ta$b$c$d\t2" << QStringList { "signalClassCallRoll(a)" }
                                         << QStringList();
    QTest::newRow("assistant roll call short") << 1 << "29\t0\tx\ta$b\t2" << QStringList() << QStringList();
    QTest::newRow("assistant clear") << 1 << "29\t0\tx\ty\t3" << QStringList { "signalClassClearScreen()" }
                                     << QStringList();
    QTest::newRow("assistant end") << 1 << "29\t0\tx\ty\t4" << QStringList { "signalForceClassEnd()" } << QStringList();
    QTest::newRow("assistant other") << 1 << "29\t0\tx\ty\t5" << QStringList() << QStringList();
    QTest::newRow("assistant short") << 1 << "29\t0\tx" << QStringList()
                                     << QStringList { "the msgType unknown error! " };
    QTest::newRow("beat answered") << 1 << "1\t1001\t1" << QStringList() << QStringList();
    QTest::newRow("beat not answered") << 1 << "1\t1001\t0" << QStringList() << QStringList();
    QTest::newRow("beat other user") << 1 << "1\t999\t1" << QStringList()
                                     << QStringList { "the recvUserId != currentUserId error! msg:" };
    QTest::newRow("beat no number") << 1 << "1\t1001\tx" << QStringList() << QStringList { "the toUInt error! msg:" };
    QTest::newRow("beat other result") << 1 << "1\t1001\t7" << QStringList()
                                       << QStringList { "the msgType unknown error! msg:" };
    QTest::newRow("beat short") << 1 << "1\t1001" << QStringList()
                                << QStringList { "the beat msgListSize < 3 error! msg:" };
}

void TestSocketClientManager::dispatch()
{
    QFETCH(int, userType);
    QFETCH(QString, line);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, warnings);
    SocketClientManager manager { GlobalEnum::UserType(userType) };
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    expectWarnings(warnings);
    manager.readMessageIn(framed(line));
    QCOMPARE(recorder.emitted(), emitted);
}

void TestSocketClientManager::longCourseListIsReadAside_data()
{
    QTest::addColumn<bool>("valid");
    QTest::newRow("a long list") << true;
    QTest::newRow("a long text that is no list") << false;
}

void TestSocketClientManager::longCourseListIsReadAside()
{
    QFETCH(bool, valid);
    SocketClientManager manager { GlobalEnum::User1 };
    QSignalSpy courses(&manager, &SocketClientManager::signalRecvCourseInfo);
    QSignalSpy results(&manager, &SocketClientManager::signalCourseInfoResult);
    QStringList rows;
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        rows << QString(R"({"id":%1,"title":"%2","lessonType":4})").arg(i + 1).arg(QString(80, 'x'));
    QString json = "[" + rows.join(',') + "]";
    if (!valid) {
        json.chop(1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the json analysisError"));
    }
    QVERIFY(json.size() > SocketClientManager::syncCourseListChars);
    manager.readMessageIn(framed("21\t6\t" + json));
    // Read aside: the answer comes as an event, once the reading is done.
    QVERIFY(results.isEmpty());
    QVERIFY(results.wait(30000));
    QCOMPARE(results.first().first().toBool(), valid);
    if (!valid) {
        QVERIFY(courses.isEmpty());
        return;
    }
    QCOMPARE(courses.size(), 1);
    const QList<GroupInfo> list = courses.first().first().value<QList<GroupInfo>>();
    QCOMPARE(list.size(), count);
    QCOMPARE(list.first().getId(), QString("1"));
    QCOMPARE(list.last().getId(), QString::number(count));
    QCOMPARE(courses.first().at(1).toString(), QString("6"));
}

namespace {
// A course list of one lesson whose title tells which list it is; long enough to be read aside when asked.
QString courseListLine(const QString &title, bool longList)
{
    QStringList rows { QString(R"({"id":1,"title":"%1","lessonType":4})").arg(title) };
    for (int i = 2; longList && i < 4000; ++i)
        rows << QString(R"({"id":%1,"title":"%2","lessonType":4})").arg(i).arg(QString(80, 'x'));
    return "21\t6\t[" + rows.join(',') + "]";
}
} // namespace

void TestSocketClientManager::courseListsApplyInOrder_data()
{
    QTest::addColumn<bool>("olderIsLong");
    QTest::addColumn<bool>("newerIsLong");
    QTest::addColumn<QStringList>("shown");
    // A list read aside that a newer one overtook is stale: it never shows after the newer.
    QTest::newRow("long, then short") << true << false << QStringList { "newer" };
    QTest::newRow("long, then long") << true << true << QStringList { "newer" };
    QTest::newRow("short, then long") << false << true << QStringList { "older", "newer" };
}

void TestSocketClientManager::courseListsApplyInOrder()
{
    QFETCH(bool, olderIsLong);
    QFETCH(bool, newerIsLong);
    QFETCH(QStringList, shown);
    SocketClientManager manager { GlobalEnum::User1 };
    QStringList titles;
    connect(&manager, &SocketClientManager::signalRecvCourseInfo, [&titles](const QList<GroupInfo> &list) {
        titles << list.value(0).getTitle();
    });
    manager.readMessageIn(framed(courseListLine("older", olderIsLong)));
    manager.readMessageIn(framed(courseListLine("newer", newerIsLong)));
    QTRY_VERIFY_WITH_TIMEOUT(titles.contains("newer"), 30000);
    // Every reading aside has ended and told its end: nothing more can come.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(titles, shown);
}

// The join line echoes the lesson's title twice: as the client shows it, not a megabyte of it twice.
void TestSocketClientManager::joinLineCarriesTheTitleAsShown()
{
    const QString title = g_lessonTitle;
    g_lessonTitle = QStringLiteral("BIG") + QString(1048576, 'x');
    SocketClientManager manager { GlobalEnum::User1 };
    QObject::disconnect(&manager, nullptr, nullptr, nullptr);
    QSignalSpy sent(&manager, &SocketClientManager::sendMessageOut);
    manager.connectServerAndLogin("stu", "pw");
    manager.sockNewConnectOut("127.0.0.1", 1, nullptr);
    sent.clear();
    manager.sendJoinGroupRequest();
    g_lessonTitle = title;
    QCOMPARE(sent.count(), 1);
    const QStringList fields = QString::fromUtf8(sent.at(0).at(0).toByteArray()).chopped(1).split('\t');
    QCOMPARE(fields.size(), 7);
    QCOMPARE(fields.at(3), QStringLiteral("BIG") + QString(StringUtil::clippedLength - 3, 'x') + QChar(0x2026));
    QCOMPARE(fields.at(6), fields.at(3));
}

void TestSocketClientManager::framingShorterThanItsFrameIsRefused_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("warning");
    QTest::newRow("one character") << "6"
                                   << "the msg is shorter than its frame error! msg:";
    QTest::newRow("five characters") << "[[6]]"
                                     << "the msg is shorter than its frame error! msg:";
    QTest::newRow("frame only") << "[[[]]]"
                                << "the toUInt error! msgType:";
}

void TestSocketClientManager::framingShorterThanItsFrameIsRefused()
{
    QFETCH(QString, line);
    QFETCH(QString, warning);
    SocketClientManager manager(GlobalEnum::User1);
    SignalRecorder recorder(&manager);
    expectWarnings({ warning });
    manager.readMessageIn(line);
    QVERIFY(recorder.emitted().isEmpty());
}

void TestSocketClientManager::loginReplyFillsTheSession_data()
{
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("loginSignId");
    QTest::addColumn<bool>("needBind");
    QTest::newRow("15 fields") << 15 << "1" << 1 << "sign" << true;
    QTest::newRow("14 fields") << 14 << "1" << 1 << "sign" << false;
    QTest::newRow("12 fields") << 12 << "1" << 1 << "" << false;
    QTest::newRow("kind 0 makes type 5") << 15 << "0" << 5 << "sign" << true;
    QTest::newRow("kind 00 makes type 5") << 15 << "00" << 5 << "sign" << true;
    // Neither an empty nor a broken kind is a 0.
    QTest::newRow("empty kind") << 15 << "" << 1 << "sign" << true;
    QTest::newRow("broken kind") << 15 << "x" << 1 << "sign" << true;
}

void TestSocketClientManager::loginReplyFillsTheSession()
{
    QFETCH(int, fieldCount);
    QFETCH(QString, kind);
    QFETCH(int, userType);
    QFETCH(QString, loginSignId);
    QFETCH(bool, needBind);
    const QStringList fields { "0", "2002", QString::fromUtf8("李雷"), "0", "rtmp.host", "1935", "", kind, "rtc.host",
        "8443", "acc9", "", "", "sign", "true" };
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy result(&manager, &SocketClientManager::signalConnectResult);
    manager.readMessageIn(framed(fields.mid(0, fieldCount).join('\t')));
    QCOMPARE(result.count(), 1);
    QCOMPARE(result.at(0).at(0).toUInt(), 0u);
    QCOMPARE(g_userId, QString("2002"));
    QCOMPARE(g_userName, QString::fromUtf8("李雷"));
    QCOMPARE(g_userType, userType);
    QCOMPARE(g_accountId, QString("acc9"));
    QCOMPARE(g_loginSignId, loginSignId);
    QCOMPARE(g_needBind, needBind);
    QCOMPARE(g_rtmpHost, QString("rtmp.host"));
    QCOMPARE(g_rtmpPort, quint16(1935));
    QCOMPARE(g_webrtcHost, QString("rtc.host"));
    QCOMPARE(g_webrtcPort, quint16(8443));
    emit manager.heartTimerStop();
}

void TestSocketClientManager::courseListEntries()
{
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy courses(&manager, &SocketClientManager::signalRecvCourseInfo);
    const QString json = R"([{"id":12,"title":"Maths","tClass":"c7","className":"7A","teacherId":"L1",)"
                         R"("teacherName":"Li","parentId":3,"isCompere":true,"classState":1,"lessonType":6,)"
                         R"("sort":2,"viewingTimes":1e30},)"
                         R"({"title":"Art"}])";
    manager.readMessageIn(framed("21\t0\t" + json));
    QCOMPARE(courses.count(), 1);
    const QList<GroupInfo> list = courses.at(0).at(0).value<QList<GroupInfo>>();
    QCOMPARE(courses.at(0).at(1).toString(), QString("0"));
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0).getId(), QString("12"));
    QCOMPARE(list.at(0).getTitle(), QString("Maths"));
    QCOMPARE(list.at(0).getTClass(), QString("c7"));
    QCOMPARE(list.at(0).getTeacherName(), QString("Li"));
    QCOMPARE(list.at(0).getParentId(), 3);
    QCOMPARE(list.at(0).getIsCompere(), true);
    QCOMPARE(list.at(0).getClassState(), 1);
    QCOMPARE(list.at(0).getLessonType(), 6);
    QCOMPARE(list.at(0).getSort(), 2);
    QCOMPARE(list.at(0).getViewingTimes(), 0); // out of range reads as 0
    // A key missing from one entry never takes the value of the entry before it.
    QCOMPARE(list.at(1).getTitle(), QString("Art"));
    QVERIFY(list.at(1).getId().isEmpty());
    QVERIFY(list.at(1).getTClass().isEmpty());
    QCOMPARE(list.at(1).getParentId(), 0);
    QCOMPARE(list.at(1).getIsCompere(), false);
    // Without a state or a type the entry stays "unknown" (3, -1), not "not started" of type 0.
    QCOMPARE(list.at(1).getClassState(), 3);
    QCOMPARE(list.at(1).getLessonType(), -1);
}

void TestSocketClientManager::subjectEntries()
{
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy subjects(&manager, &SocketClientManager::signalRecvSubjectInfo);
    manager.readMessageIn(framed(R"(22	[{"id":"7","classCode":"c7","className":"7A","classType":6,)"
                                 R"("gradeType":"2","schoolType":"1","subjectType":"3"},{"id":"8"}])"));
    QCOMPARE(subjects.count(), 1);
    const GroupInfo subject = subjects.at(0).at(0).value<QList<GroupInfo>>().value(0);
    QCOMPARE(subject.getId(), QString("7"));
    QCOMPARE(subject.getTClass(), QString("c7"));
    QCOMPARE(subject.getClassName(), QString("7A"));
    QCOMPARE(subject.getClassType(), QString("6"));
    QCOMPARE(subject.getLessonType(), 6);
    QCOMPARE(subjects.at(0).at(0).value<QList<GroupInfo>>().value(1).getLessonType(), -1);
    QCOMPARE(subject.getGradeType(), QString("2"));
    QCOMPARE(subject.getSchoolType(), QString("1"));
    QCOMPARE(subject.getSubjectType(), QString("3"));
}

void TestSocketClientManager::heartbeatSteps_data()
{
    // Each step: "+" a heartbeat written, "-" one that failed, "r" a line received in between.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("reports");

    QStringList silent { QString::fromUtf8("正常") };
    for (int i = 0; i < 3; ++i)
        silent << QString::fromUtf8("较差");
    for (int i = 0; i < 5; ++i)
        silent << QString::fromUtf8("非常差");
    for (int i = 0; i < 6; ++i)
        silent << QString::fromUtf8("可能掉线");
    silent << QString::fromUtf8("dropped:已掉线");
    QTest::newRow("silent server") << QString(16, '+') << silent;
    QTest::newRow("four unanswered") << "++++"
                                     << QStringList { QString::fromUtf8("正常"), QString::fromUtf8("较差"),
                                            QString::fromUtf8("较差"), QString::fromUtf8("较差") };
    QTest::newRow("a line restarts the series") << "+++r+"
                                                << QStringList { QString::fromUtf8("正常"), QString::fromUtf8("较差"),
                                                       QString::fromUtf8("较差"), QString::fromUtf8("正常") };
    QTest::newRow("first write failed") << "-" << QStringList { QString::fromUtf8("较差") };
    QTest::newRow("failed write with 4 outstanding")
        << "++++-"
        << QStringList { QString::fromUtf8("正常"), QString::fromUtf8("较差"), QString::fromUtf8("较差"),
               QString::fromUtf8("较差"), QString::fromUtf8("非常差") };
    QTest::newRow("failed write with 5 outstanding")
        << "+++++-"
        << QStringList { QString::fromUtf8("正常"), QString::fromUtf8("较差"), QString::fromUtf8("较差"),
               QString::fromUtf8("较差"), QString::fromUtf8("非常差"), QString::fromUtf8("dropped:已掉线") };
}

void TestSocketClientManager::heartbeatSteps()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, reports);
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy timeouts(&manager, &SocketClientManager::signalSocketTimeout);
    QSignalSpy stops(&manager, &SocketClientManager::heartTimerStop);
    QSignalSpy elapsed(&manager, &SocketClientManager::signalSocketElapsed);
    for (const QString &report : reports) {
        if (report == QString::fromUtf8("可能掉线"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^May disconnect:"));
        else if (report.startsWith("dropped:"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket is dropped!"));
    }
    for (const QChar step : steps) {
        if (step == 'r')
            manager.readMessageIn(framed("12\tanything"));
        else
            manager.sendHeartBeatIn(step == '+');
    }
    QStringList seen;
    for (const QVariantList &arguments : qAsConst(timeouts))
        seen << (arguments.at(0).toBool() ? "dropped:" : "") + arguments.at(1).toString();
    QCOMPARE(seen, reports);
    QCOMPARE(elapsed.count(), reports.size());
    QCOMPARE(stops.count(), reports.last().startsWith("dropped:") ? 1 : 0);
}

void TestSocketClientManager::beatReplyResetsTheSeries()
{
    SocketClientManager manager(GlobalEnum::User1);
    QSignalSpy timeouts(&manager, &SocketClientManager::signalSocketTimeout);
    manager.sendHeartBeatIn(true);
    manager.sendHeartBeatIn(true);
    manager.readMessageIn(framed("1\t1001\t1"));
    manager.sendHeartBeatIn(true);
    QCOMPARE(timeouts.last().at(1).toString(), QString::fromUtf8("正常"));
}

void TestSocketClientManager::outgoingLines_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("line");

    QTest::newRow("login, student") << 1 << "login"
                                    << "0\tstu\tpw\t1\n";
    QTest::newRow("login, lecturer") << 0 << "login"
                                     << "0\tstu\tpw\t0\n";
    QTest::newRow("logout") << 1 << "logout"
                            << "0\t1001\tpw\t1\t1\n";
    QTest::newRow("user request") << 1 << "userRequest"
                                  << "3\t1001\n";
    QTest::newRow("file list") << 1 << "fileList"
                               << "4\t1001\t2\n";
    QTest::newRow("web file") << 1 << "webFile"
                              << "4\t1001\t1\tf5\t1\n";
    QTest::newRow("t file, lecturer") << 0 << "tFile"
                                      << "4\t1001\t3\tf5\t1\t0\tc1\n";
    QTest::newRow("t file, student") << 1 << "tFile"
                                     << "";
    QTest::newRow("delete file") << 1 << "deleteFile"
                                 << "4\t1001\t5\tf5\t2\n";
    QTest::newRow("join") << 1 << "join"
                          << "6\t1001\tc1\tMaths\t4\tr1\tMaths\n";
    QTest::newRow("create teach class") << 1 << "createTeachClass"
                                        << "6\t1001\t\tT1\t5\t\n";
    QTest::newRow("class rtmp, lecturer") << 0 << "classRtmp"
                                          << "8\t1001\t0\tc1\tr1\tps9\t0\n";
    QTest::newRow("class rtmp, student") << 1 << "classRtmp"
                                         << "";
    QTest::newRow("start class, lecturer") << 0 << "startClass"
                                           << "8\t1001\t0\tc1\tk1\tps9\t1\n";
    QTest::newRow("start class, student") << 1 << "startClass"
                                          << "";
    QTest::newRow("end class, lecturer") << 0 << "endClass"
                                         << "8\t1001\t1\tc1\tcs1\tps9\n";
    QTest::newRow("end class, student") << 1 << "endClass"
                                        << "";
    QTest::newRow("record file") << 1 << "recordFile"
                                 << "8\t1001\tpart\tf5\t3\n";
    QTest::newRow("answer, student") << 1 << "answer"
                                     << "9\t1001\t1\tAB\t1\tL1\tps1\t\n";
    QTest::newRow("answer, lecturer") << 0 << "answer"
                                      << "";
    QTest::newRow("forward class") << 1 << "forwardClass"
                                   << "11\t0\tc1\t2$4:p9\t0\n";
    QTest::newRow("forward personal") << 1 << "forwardPersonal"
                                      << "11\t1\tu7\t2$4:p9\t0\n";
    QTest::newRow("forward swapped") << 1 << "forwardSwapped"
                                     << "";
    QTest::newRow("add push stream") << 1 << "addPushStream"
                                     << "18\t1001\tps9\t1\n";
    QTest::newRow("request stream ids") << 1 << "requestStreamIds"
                                        << "18\t1001\t\t3\n";
    QTest::newRow("subjects") << 1 << "subjects"
                              << "22\t1001\n";
    QTest::newRow("quit") << 1 << "quit"
                          << "25\t1001\n";
    QTest::newRow("create class") << 1 << "createClass"
                                  << "26\t1001\t{\"a\":1}\n";
    QTest::newRow("field with tab") << 1 << "tabbedField"
                                    << "";
    QTest::newRow("field with line feed") << 1 << "lineFeedField"
                                          << "";
    QTest::newRow("password with carriage return") << 1 << "carriageReturnLogin"
                                                   << "";
}

void TestSocketClientManager::outgoingLines()
{
    QFETCH(int, userType);
    QFETCH(QString, operation);
    QFETCH(QString, line);
    g_classesId = "cs1";
    SocketClientManager manager { GlobalEnum::UserType(userType) };
    // The lines are taken from the manager's signal; the socket is left out of it.
    QObject::disconnect(&manager, nullptr, nullptr, nullptr);
    QSignalSpy sent(&manager, &SocketClientManager::sendMessageOut);
    if (operation == "carriageReturnLogin") {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the field holds a line separator"));
        manager.connectServerAndLogin("stu", "p\rw");
    } else {
        manager.connectServerAndLogin("stu", "pw");
    }
    // The socket reports the connection: the manager sends its login line.
    manager.sockNewConnectOut("127.0.0.1", 1, nullptr);
    if (operation == "login" || operation == "carriageReturnLogin") {
        QCOMPARE(sent.count(), line.isEmpty() ? 0 : 1);
        if (!line.isEmpty())
            QCOMPARE(sent.at(0).at(0).toByteArray(), line.toUtf8());
        return;
    }
    sent.clear();
    if (line.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression("^the (socket is disconnect or userType|forward type"
                               "|field holds a line separator)"));

    const QHash<QString, std::function<void()>> operations {
        { "logout", [&] { manager.sendLogout(); } },
        { "userRequest", [&] { manager.sendUserRequest(); } },
        { "fileList", [&] { manager.sendFileList(); } },
        { "webFile", [&] { manager.sendWebFile("f5"); } },
        { "tFile", [&] { manager.sendTFile("f5", "0", "c1"); } },
        { "deleteFile", [&] { manager.sendDeleteFile("f5", "2"); } },
        { "join", [&] { manager.sendJoinGroupRequest(); } },
        { "createTeachClass", [&] { manager.sendCreateTeachClass("T1"); } },
        { "classRtmp", [&] { manager.sendClassRtmp("ps9"); } },
        { "startClass", [&] { manager.sendStartClass("k1", "ps9"); } },
        { "endClass", [&] { manager.sendEndClass("ps9"); } },
        { "recordFile", [&] { manager.sendRecordFile("part", "f5", 3); } },
        { "answer", [&] { manager.sendAnswerInfo("AB", "1"); } },
        { "forwardClass", [&] { manager.sendServerForwardSchoolClass("0", "2$4:p9"); } },
        { "forwardPersonal", [&] { manager.sendServerForwardPersonal("u7", "0", "2$4:p9"); } },
        { "forwardSwapped", [&] { manager.sendServerForwardSchoolClass("2$4:p9", "0"); } },
        { "addPushStream", [&] { manager.sendAddPushStreamIdToServer("ps9"); } },
        { "requestStreamIds", [&] { manager.sendRequestStreamIdToServer(); } },
        { "subjects", [&] { manager.sendSubjectRequest(); } },
        { "quit", [&] { manager.sendQuit(); } },
        { "createClass", [&] { manager.sendCreateClass("{\"a\":1}"); } },
        { "tabbedField", [&] { manager.sendWebFile("f\t5"); } },
        { "lineFeedField", [&] { manager.sendServerForwardPersonal("u7", "0", "x\n9\tinjected"); } },
    };
    QVERIFY(operations.contains(operation));
    operations.value(operation)();
    QCOMPARE(sent.count(), line.isEmpty() ? 0 : 1);
    if (!line.isEmpty())
        QCOMPARE(QString::fromUtf8(sent.at(0).at(0).toByteArray()), line);
}

void TestSocketClientManager::nothingIsSentWhileDisconnected()
{
    SocketClientManager manager(GlobalEnum::User1);
    QObject::disconnect(&manager, nullptr, nullptr, nullptr);
    QSignalSpy sent(&manager, &SocketClientManager::sendMessageOut);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket is disconnect! data:"));
    manager.sendServerForwardSchoolClass("0", "2$4:p9");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket is disconnect! targetId:"));
    manager.sendServerForwardPersonal("u7", "0", "2$4:p9");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket is disconnect! "));
    manager.sendJoinGroupRequest();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the socket is disconnect "));
    manager.slotDisconnectFromServer();
    QCOMPARE(sent.count(), 0);
    QVERIFY(!manager.isConnected());

    // Once connected, a second connect-and-login sends nothing.
    QSignalSpy connects(&manager, &SocketClientManager::connectToServer);
    manager.sockNewConnectOut("127.0.0.1", 1, nullptr);
    manager.connectServerAndLogin("stu", "pw");
    QCOMPARE(connects.count(), 0);
}

void TestSocketClientManager::socketLivesInItsOwnThread()
{
    SocketClientManager manager(GlobalEnum::User1);
    QVERIFY(manager.socketThread());
    QVERIFY(manager.socketThread() != QThread::currentThread());
    QCOMPARE(manager.socketThread()->objectName(), QString("Socket Client"));
    QVERIFY(manager.socketThread()->isRunning());
}

QTEST_GUILESS_MAIN(TestSocketClientManager)
#include "tst_socketclientmanager.moc"
