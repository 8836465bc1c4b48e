#include "tests/login/signinrig.h"
#include "vrek/interface/processuniqueinterface.h"
#include "vrek/login/normalloginmanager.h"
#include "vrek/utils/networkengine.h"

#include <QThread>
#include <QtTest>

namespace {
FakeHttpServer::Reply neverAnswer()
{
    FakeHttpServer::Reply reply;
    reply.fault = FakeHttpServer::NeverAnswer;
    return reply;
}

FakeHttpServer::Reply notFound()
{
    FakeHttpServer::Reply reply;
    reply.status = 404;
    reply.body = "missing";
    return reply;
}
} // namespace

// The login, join and quit steps and the normal login flow over them, against the fake servers.
class TestConnectServerManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void restLoginFillsTheSession();
    void restLoginOutcomes_data();
    void restLoginOutcomes();
    void restLoginWithoutAnswerEnds();
    void lateClassroomErrorLeavesARestLogin();
    void secondFlowIsRefusedWhileOneRuns();
    void joinAndQuit_data();
    void joinAndQuit();
    void stepTimeoutsEndTheFlow();
    void joinTakesOverFromAnUnansweredQuit();
    void lateResultAfterTimeoutChangesNothing();
    void loginResultTexts_data();
    void loginResultTexts();
    void courseListLoginForwardsItsSuccessOnce();
    void courseListLoginOutlivesTheClosingConnectionsError();
    void nextLessonWhileTheLastQuitIsUnanswered_data();
    void nextLessonWhileTheLastQuitIsUnanswered();
    void courseListLoginFailures_data();
    void courseListLoginFailures();
    void reloginOutcomesGoToTheReloginView();

private:
    SigninRig *m_rig = nullptr;
    NormalLoginManager *m_flow = nullptr;
    QThread m_networkThread;
};

void TestConnectServerManager::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestConnectServerManager::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestConnectServerManager::init()
{
    SigninRig::resetSession();
    m_rig = new SigninRig();
    QVERIFY(m_rig->isListening());
    m_flow = new NormalLoginManager(m_rig->connectServer);
}

void TestConnectServerManager::cleanup()
{
    delete m_flow;
    delete m_rig;
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestConnectServerManager::restLoginFillsTheSession()
{
    g_userId.clear();
    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted("\"0123\""));
    QSignalSpy success(m_flow, &NormalLoginManager::signalLoginSuccessOut);
    QSignalSpy failure(m_flow, &NormalLoginManager::signalLoginFailOut);
    QVERIFY(m_flow->slotLoginStartIn("stu", "p&w=1"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    QVERIFY(success.wait(5000));
    QCOMPARE(failure.count(), 0);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    const FakeHttpServer::Request request = m_rig->http.lastRequest(SigninRig::loginPath);
    QCOMPARE(request.form.value("userCode"), QString("stu"));
    QCOMPARE(request.form.value("passWord"), QString("p&w=1"));
    QCOMPARE(request.form.value("roleType"), QString("26946"));
    // The user id is read as a number and kept as its decimal text.
    QCOMPARE(g_userId, QString("123"));
    QCOMPARE(g_userCode, QString("stu"));
    QCOMPARE(g_userName, QString::fromUtf8("张三"));
    QCOMPARE(g_passWord, QString("pw-1"));
    QCOMPARE(g_loginSignId, QString("sign-1"));
    QCOMPARE(g_mobile, QString("13800000000"));
    QCOMPARE(g_gradeClassName, QString::fromUtf8("三年级2班"));
    // A REST login opens no classroom connection.
    QCOMPARE(m_rig->classroom.connectionCount(), 0);
    QCOMPARE(m_rig->connectServer->connectState(), ConnectServerManager::StateIdle);
}

void TestConnectServerManager::restLoginOutcomes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    const auto body = [](const char *loginStatus) {
        return QString(R"({"loginStatus":"0","requestStatus":"success","requestBody":[{"userId":9,"loginStatus":%1}]})")
            .arg(loginStatus)
            .toUtf8();
    };
    QTest::newRow("wrong password") << body("2") << QString::fromUtf8("密码错误");
    QTest::newRow("no such user") << body("1") << QString::fromUtf8("用户不存在");
    QTest::newRow("account stopped") << body("4") << QString::fromUtf8("帐户已停用");
    QTest::newRow("not verified") << body("8") << QString::fromUtf8("尚未通过认证");
    QTest::newRow("unknown code") << body("12") << QString::fromUtf8("程序未知错误(type:12)");
    QTest::newRow("body without status") << QByteArray(R"({"loginStatus":"0","requestStatus":"success",)"
                                                       R"("requestBody":[{"userId":9}]})")
                                         << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("empty body") << QByteArray(R"({"loginStatus":"0","requestStatus":"success","requestBody":[]})")
                                << QString::fromUtf8("程序未知错误(传输参数不正确)");
    // A readable reply that is not a granted session still ends the login.
    QTest::newRow("readable, status 1") << QByteArray(R"({"loginStatus":"1","requestStatus":"success",)"
                                                      R"("requestBody":[{"userId":9,"loginStatus":0}]})")
                                        << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("readable, no status") << QByteArray(R"({"requestStatus":"success","requestBody":[]})")
                                         << QString::fromUtf8("程序未知错误(传输参数不正确)");
    // Refusals carry the server's own code, two of which this client shows under another number.
    QTest::newRow("refused, signed in elsewhere")
        << QByteArray(R"({"loginStatus":"2","requestStatus":"error","requestBody":"4"})")
        << QString::fromUtf8("用户已登录，不能重复登录");
    QTest::newRow("refused, unknown user")
        << QByteArray(R"({"loginStatus":"2","requestStatus":"error","requestBody":"3"})")
        << QString::fromUtf8("未知用户");
    QTest::newRow("refused, wrong password")
        << QByteArray(R"({"loginStatus":"2","requestStatus":"error","requestBody":{"result":2}})")
        << QString::fromUtf8("密码错误");
    QTest::newRow("refused without a code")
        << QByteArray(R"({"loginStatus":"2","requestStatus":"error","requestBody":"busy"})")
        << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("other status") << QByteArray(R"({"loginStatus":"5","requestStatus":"error","requestBody":"4"})")
                                  << QString::fromUtf8("程序未知错误(传输参数不正确)");
    // Only no JSON at all counts as no answer; JSON of another shape is the server's error.
    QTest::newRow("not json") << QByteArray("<html>502</html>") << QString::fromUtf8("服务器连接超时");
    QTest::newRow("bare array") << QByteArray(R"([{"userId":9,"loginStatus":0}])") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("body an object") << QByteArray(R"({"loginStatus":"0","requestStatus":"success",)"
                                                  R"("requestBody":{"userId":9,"loginStatus":0}})")
                                    << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("object without a wrapper") << QByteArray(R"({"user":{"id":9}})") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    // The user id names the user's folder: a granted reply without a numeric one cannot be used.
    QTest::newRow("user id with a path") << SigninRig::granted("\"../..\"") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("user id not a number") << SigninRig::granted("\"12abc\"") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("user id with a fraction") << SigninRig::granted("12.5") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("user id negative") << SigninRig::granted("-5") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("user id negative text") << SigninRig::granted("\"-5\"") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("user id zero") << SigninRig::granted("0") << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("no user id") << QByteArray(R"({"loginStatus":"0","requestStatus":"success",)"
                                              R"("requestBody":[{"userCode":"stu","loginStatus":0}]})")
                                << QString::fromUtf8("程序未知错误(传输参数不正确)");
}

void TestConnectServerManager::restLoginOutcomes()
{
    QFETCH(QByteArray, reply);
    m_rig->http.setJson(SigninRig::loginPath, reply);
    QSignalSpy success(m_flow, &NormalLoginManager::signalLoginSuccessOut);
    QSignalSpy failure(m_flow, &NormalLoginManager::signalLoginFailOut);
    QVERIFY(m_flow->slotLoginStartIn("stu", "pw"));
    QVERIFY(failure.wait(5000));
    QTEST(failure.first().first().toString(), "text");
    QCOMPARE(success.count(), 0);
    // A refused login leaves the session as it was, and the next login may start.
    QCOMPARE(g_userId, QString("1001"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted());
    QVERIFY(m_flow->slotLoginStartIn("stu", "pw"));
    QVERIFY(success.wait(5000));
}

void TestConnectServerManager::restLoginWithoutAnswerEnds()
{
    // Only the unanswered request waits for a (short) time-out; the 404 must end the login by itself.
    const std::pair<FakeHttpServer::Reply, bool> cases[] { { neverAnswer(), true }, { notFound(), false } };
    for (const auto &[reply, timesOut] : cases) {
        if (timesOut)
            m_rig->shortenRest();
        else
            m_rig->restoreRest();
        m_rig->http.setReply(SigninRig::loginPath, reply);
        QSignalSpy failure(m_flow, &NormalLoginManager::signalLoginFailOut);
        QVERIFY(m_flow->slotLoginStartIn("stu", "pw"));
        QVERIFY(failure.wait(5000));
        QCOMPARE(failure.first().first().toString(), QString::fromUtf8("服务器连接超时"));
        QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    }
}

void TestConnectServerManager::lateClassroomErrorLeavesARestLogin()
{
    // A reconnect's classroom login was given up; its refused connection is told only once the login window's
    // REST login runs.
    m_rig->http.setReply(SigninRig::loginPath, [] {
        FakeHttpServer::Reply reply;
        reply.body = SigninRig::granted();
        reply.delayMs = 300;
        return reply;
    }());
    QSignalSpy success(m_flow, &NormalLoginManager::signalLoginSuccessOut);
    QSignalSpy failure(m_flow, &NormalLoginManager::signalLoginFailOut);
    QVERIFY(m_flow->slotLoginStartIn("stu", "pw"));
    QVERIFY(m_rig->http.waitForRequest(SigninRig::loginPath));
    m_rig->connectServer->slotSocketConnectErrorIn();
    QCOMPARE(m_rig->connectServer->connectState(), ConnectServerManager::StateLogin);
    QVERIFY(success.wait(5000));
    QCOMPARE(failure.count(), 0);

    // A classroom login still ends on its connection's failure.
    m_rig->classroom.close();
    QSignalSpy timeout(m_rig->connectServer, &ConnectServerManager::signalLoginTimeoutOut);
    m_rig->connectServer->slotLoginStartIn("stu", "pw", ConnectServerManager::SocketLogin);
    QVERIFY(timeout.wait(5000));
    QCOMPARE(timeout.first().first().toString(), QString::fromUtf8("网络错误"));
}

void TestConnectServerManager::secondFlowIsRefusedWhileOneRuns()
{
    // The first login's reply is held until the checks are done: however slow the machine, that login still runs.
    FakeHttpServer::Reply held;
    held.held = true;
    m_rig->http.setReply(SigninRig::loginPath, held);
    QSignalSpy failure(m_flow, &NormalLoginManager::signalLoginFailOut);
    QVERIFY(m_flow->slotLoginStartIn("stu", "pw"));
    QVERIFY(m_rig->http.waitForRequest(SigninRig::loginPath));
    QTest::ignoreMessage(QtWarningMsg, "another flow is running, processType: 1");
    QVERIFY(!m_flow->slotLoginStartIn("stu", "pw"));
    QTest::ignoreMessage(QtWarningMsg, "another flow is running, processType: 1");
    QVERIFY(!m_flow->slotJoinClassesIn());
    QCOMPARE(m_rig->http.requestCount(SigninRig::loginPath), 1);
    QCOMPARE(m_rig->classroom.connectionCount(), 0);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    m_rig->http.setReply(SigninRig::loginPath, notFound());
    m_rig->http.answerHeld();
    QVERIFY(failure.wait(5000));
    QCOMPARE(failure.count(), 1);
}

void TestConnectServerManager::joinAndQuit_data()
{
    QTest::addColumn<bool>("joinOk");
    QTest::addColumn<bool>("quitOk");
    QTest::newRow("both granted") << true << true;
    QTest::newRow("join refused") << false << true;
    QTest::newRow("quit refused") << true << false;
}

void TestConnectServerManager::joinAndQuit()
{
    QFETCH(bool, joinOk);
    QFETCH(bool, quitOk);
    m_rig->classroom.answerLogin();
    m_rig->answerJoin(joinOk);
    m_rig->answerQuit(quitOk);
    QSignalSpy socketSuccess(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(socketSuccess.wait(5000));
    QCOMPARE(m_rig->classroom.waitForLine("0\t"), QString("0\tstu\tpw\t1"));

    QSignalSpy joined(m_flow, &NormalLoginManager::signalJoinSuccessOut);
    QSignalSpy joinFailed(m_flow, &NormalLoginManager::signalJoinFailOut);
    QVERIFY(m_flow->slotJoinClassesIn());
    QCOMPARE(m_rig->classroom.waitForLine("6\t"), QString("6\t1001\tc1\tMaths\t4\tr1\tMaths"));
    QTRY_COMPARE(joined.count() + joinFailed.count(), 1);
    QCOMPARE(joined.count(), joinOk ? 1 : 0);
    if (!joinOk)
        QCOMPARE(joinFailed.first().first().toString(), QString::fromUtf8("登录失败"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    QSignalSpy quitFailed(m_flow, &NormalLoginManager::signalQuitFailOut);
    QVERIFY(m_flow->slotQuitStartIn());
    QCOMPARE(m_rig->classroom.waitForLine("25\t"), QString("25\t1001"));
    // Either way the account is logged out of the classroom server afterwards.
    QCOMPARE(m_rig->classroom.waitForLine("0\t1001"), QString("0\t1001\tpw\t1\t1"));
    QTRY_COMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QCOMPARE(quitFailed.count(), quitOk ? 0 : 1);
    if (!quitOk)
        QCOMPARE(quitFailed.first().first().toString(), QString::fromUtf8("退出班级失败"));
}

void TestConnectServerManager::stepTimeoutsEndTheFlow()
{
    m_rig->classroom.answerLogin();
    QSignalSpy socketSuccess(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(socketSuccess.wait(5000));

    // The server never answers the join or the quit: only these steps run under the short limit.
    m_rig->shortenSteps();
    QSignalSpy joinFailed(m_flow, &NormalLoginManager::signalJoinFailOut);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_flow->slotJoinClassesIn());
    QVERIFY(joinFailed.wait(5000));
    QVERIFY(clock.elapsed() >= SigninRig::stepMs - 20);
    QCOMPARE(joinFailed.first().first().toString(), QString::fromUtf8("进入班级超时"));
    QCOMPARE(m_rig->connectServer->connectState(), ConnectServerManager::StateTimeout);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    QSignalSpy quitFailed(m_flow, &NormalLoginManager::signalQuitFailOut);
    QVERIFY(m_flow->slotQuitStartIn());
    QVERIFY(quitFailed.wait(5000));
    QCOMPARE(quitFailed.first().first().toString(), QString::fromUtf8("退出班级超时"));
    QCOMPARE(m_rig->classroom.waitForLine("0\t1001"), QString("0\t1001\tpw\t1\t1"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

// Leaving a lesson and entering the next at once: the quit still waits for its answer when the join starts.
void TestConnectServerManager::joinTakesOverFromAnUnansweredQuit()
{
    m_rig->classroom.answerLogin();
    QSignalSpy socketSuccess(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(socketSuccess.wait(5000));

    // No answer to the quit.
    QSignalSpy quitFailed(m_flow, &NormalLoginManager::signalQuitFailOut);
    QVERIFY(m_flow->slotQuitStartIn());
    QCOMPARE(m_rig->classroom.waitForLine("25\t"), QString("25\t1001"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);

    m_rig->answerJoin(true);
    QSignalSpy joined(m_flow, &NormalLoginManager::signalJoinSuccessOut);
    QVERIFY(m_flow->slotJoinClassesIn());
    QVERIFY(joined.wait(5000));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    // The given-up quit has no outcome of its own any more, not even when the join is running.
    QVERIFY(m_flow->slotQuitStartIn());
    m_flow->slotJoinClassesIn();
    emit m_rig->connectServer->signalQuitTimeoutOut(QStringLiteral("退出班级超时"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    QCOMPARE(quitFailed.count(), 0);
}

void TestConnectServerManager::lateResultAfterTimeoutChangesNothing()
{
    m_rig->classroom.answerLogin();
    QSignalSpy socketSuccess(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(socketSuccess.wait(5000));
    m_rig->shortenSteps(); // for the unanswered join
    QSignalSpy joinTimeout(m_rig->connectServer, &ConnectServerManager::signalJoinTimeoutOut);
    QSignalSpy joined(m_rig->connectServer, &ConnectServerManager::signalJoinSuccessOut);
    QSignalSpy joinFailed(m_rig->connectServer, &ConnectServerManager::signalJoinFailOut);
    QVERIFY(m_flow->slotJoinClassesIn());
    QVERIFY(joinTimeout.wait(5000));
    QSignalSpy entered(m_rig->socket, &SocketClientManager::signalEnterClass);
    m_rig->classroom.sendLine("6\t0");
    QVERIFY(entered.wait(5000));
    QCOMPARE(joined.count(), 0);
    QCOMPARE(joinFailed.count(), 0);
    QCOMPARE(joinTimeout.count(), 1);
    QCOMPARE(m_rig->connectServer->connectState(), ConnectServerManager::StateTimeout);
}

void TestConnectServerManager::loginResultTexts_data()
{
    QTest::addColumn<uint>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1u << QString::fromUtf8("用户不存在");
    QTest::newRow("2") << 2u << QString::fromUtf8("密码错误");
    QTest::newRow("3") << 3u << QString::fromUtf8("服务器连接超时");
    QTest::newRow("4") << 4u << QString::fromUtf8("帐户已停用");
    QTest::newRow("5") << 5u << QString::fromUtf8("未知用户");
    QTest::newRow("6") << 6u << QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("7") << 7u << QString::fromUtf8("用户已登录，不能重复登录");
    QTest::newRow("8") << 8u << QString::fromUtf8("尚未通过认证");
    QTest::newRow("12") << 12u << QString::fromUtf8("程序未知错误(type:12)");
}

void TestConnectServerManager::loginResultTexts()
{
    QFETCH(uint, result);
    QFETCH(QString, text);
    QCOMPARE(ConnectServerManager::loginResultText(result), text);
}

void TestConnectServerManager::courseListLoginForwardsItsSuccessOnce()
{
    m_rig->classroom.answerLogin();
    QSignalSpy forwarded(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    QSignalSpy loggedIn(m_rig->connectServer, &ConnectServerManager::signalLoginSuccessOut);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(forwarded.wait(5000));
    QCOMPARE(loggedIn.count(), 1);
    QVERIFY(!m_rig->connectServer->isSocketLogin());
    // Nobody holds the lock during it: the course list joins next.
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    // A login the course list did not start is not forwarded to it.
    m_rig->classroom.drop();
    QTRY_VERIFY(!m_rig->socket->isConnected());
    m_rig->connectServer->slotLoginStartIn("stu", "pw", ConnectServerManager::SocketLogin);
    QTRY_COMPARE(loggedIn.count(), 2);
    // A line the server sends after its login reply is handled after whatever that reply set off.
    QSignalSpy marker(m_rig->socket, &SocketClientManager::readCtrlMessage);
    m_rig->classroom.sendLine("11\t0\t2$0:1:p9:12");
    QVERIFY(marker.wait(10000));
    QCOMPARE(forwarded.count(), 1);
}

void TestConnectServerManager::courseListLoginOutlivesTheClosingConnectionsError()
{
    m_rig->classroom.answerLogin();
    QSignalSpy forwarded(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    QSignalSpy toRelogin(m_rig->connectServer, &ConnectServerManager::signalSocketLoginFailOut);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(forwarded.wait(5000));
    // The next lesson is entered while the last connection still counts as open: it is closed first, and its
    // error, as a server that closes it after the logout gives one, arrives meanwhile.
    m_rig->connectServer->slotSocketConnect();
    emit m_rig->socket->signalConnectError();
    QTRY_COMPARE_WITH_TIMEOUT(forwarded.count(), 2, 5000);
    QCOMPARE(toRelogin.count(), 0);
    QTRY_COMPARE(m_rig->classroom.connectionCount(), 2);
    QVERIFY(m_rig->socket->isConnected());
}

void TestConnectServerManager::nextLessonWhileTheLastQuitIsUnanswered_data()
{
    QTest::addColumn<bool>("answeredDuringTheLogin");
    QTest::newRow("never answered") << false;
    QTest::newRow("answered while the next login goes out") << true;
}

// The student leaves a lesson and enters the next at once: the last connection, still waiting for the quit's
// answer, is closed on purpose, which is no drop to tell, and the quit's answer, should it come meanwhile, does
// not stop the login.
void TestConnectServerManager::nextLessonWhileTheLastQuitIsUnanswered()
{
    QFETCH(bool, answeredDuringTheLogin);
    m_rig->classroom.answerLogin();
    QSignalSpy forwarded(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(forwarded.wait(5000));
    m_rig->socket->sendUserRequest(); // inside the lesson: a lost connection is worth a notice from now on
    QVERIFY(m_flow->slotQuitStartIn());
    QCOMPARE(m_rig->classroom.waitForLine("25\t"), QString("25\t1001"));

    QSignalSpy timeouts(m_rig->socket, &SocketClientManager::signalSocketTimeout);
    m_rig->connectServer->slotSocketConnect();
    if (answeredDuringTheLogin)
        emit m_rig->socket->signalQuitClass(true);
    QTRY_COMPARE_WITH_TIMEOUT(forwarded.count(), 2, 10000);
    QTRY_COMPARE(m_rig->classroom.connectionCount(), 2);
    for (const QVariantList &timeout : timeouts)
        QVERIFY2(!timeout.value(0).toBool(), "the closed connection was told as dropped");
    // The join of the next lesson goes ahead of the quit.
    m_rig->answerJoin(true);
    QSignalSpy joined(m_flow, &NormalLoginManager::signalJoinSuccessOut);
    QVERIFY(m_flow->slotJoinClassesIn());
    QVERIFY(joined.wait(5000));
}

void TestConnectServerManager::courseListLoginFailures_data()
{
    QTest::addColumn<QString>("result"); // empty: the server never answers
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("joinFail");
    const QString badParameters = QString::fromUtf8("程序未知错误(传输参数不正确)");
    QTest::newRow("refused") << "7"
                             << "1001" << QString::fromUtf8("用户已登录，不能重复登录") << true;
    QTest::newRow("unknown code") << "9"
                                  << "1001" << QString::fromUtf8("程序未知错误(type:9)") << true;
    QTest::newRow("time-out") << QString() << "1001" << QString::fromUtf8("登录超时") << false;
    // The id names the user's folder: anything but a plain number is refused before it is stored.
    QTest::newRow("user id leaves the folder") << "0"
                                               << "../x" << badParameters << true;
    QTest::newRow("user id three levels up") << "0"
                                             << "../../../PWN" << badParameters << true;
    QTest::newRow("user id absolute") << "0"
                                      << "/tmp/x" << badParameters << true;
    QTest::newRow("user id empty") << "0"
                                   << "" << badParameters << true;
    QTest::newRow("user id padded") << "0"
                                    << "007" << badParameters << true;
}

void TestConnectServerManager::courseListLoginFailures()
{
    QFETCH(QString, result);
    QFETCH(QString, userId);
    QFETCH(QString, text);
    QFETCH(bool, joinFail);
    const QString userBefore = g_userId;
    if (!result.isEmpty()) {
        FakeClassroomServer::LoginReply reply;
        reply.result = result;
        reply.userId = userId;
        m_rig->classroom.answerLogin(reply);
    } else {
        m_rig->shortenSteps();
    }
    QSignalSpy forwarded(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    QSignalSpy toRelogin(m_rig->connectServer, &ConnectServerManager::signalSocketLoginFailOut);
    QSignalSpy joinFailed(m_rig->connectServer, &ConnectServerManager::signalJoinFailOut);
    QSignalSpy loginFailed(m_rig->connectServer, &ConnectServerManager::signalLoginFailOut);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(toRelogin.wait(5000));
    // The relogin view tells the user; the course list hears of a failed join.
    QCOMPARE(toRelogin.first().first().toString(), text);
    QCOMPARE(joinFailed.count(), joinFail ? 1 : 0);
    if (joinFail)
        QCOMPARE(joinFailed.first().first().toString(), QString::fromUtf8("进入班级失败"));
    QCOMPARE(loginFailed.count(), 0);
    QCOMPARE(forwarded.count(), 0);
    QVERIFY(!m_rig->connectServer->isSocketLogin());
    QCOMPARE(g_userId, userBefore);
}

void TestConnectServerManager::reloginOutcomesGoToTheReloginView()
{
    QSignalSpy reloginSuccess(m_rig->connectServer, &ConnectServerManager::signalReloginSuccessOut);
    QSignalSpy reloginTimeout(m_rig->connectServer, &ConnectServerManager::signalReloginTimeoutOut);
    QSignalSpy reloginFail(m_rig->connectServer, &ConnectServerManager::signalReloginFailOut);
    QSignalSpy normalFail(m_rig->connectServer, &ConnectServerManager::signalLoginFailOut);

    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted("77"));
    m_rig->rest->sendUserLogin("stu", "pw", "1");
    QVERIFY(reloginSuccess.wait(5000));
    QCOMPARE(g_userId, QString("77"));

    m_rig->http.setJson(SigninRig::loginPath,
        R"({"loginStatus":"0","requestStatus":"success","requestBody":[{"userId":5,"loginStatus":2}]})");
    m_rig->rest->sendUserLogin("stu", "pw", "1");
    QVERIFY(reloginFail.wait(5000));
    QCOMPARE(reloginFail.first().first().toString(), QString::fromUtf8("密码错误"));
    // A refused relogin does not replace the running session.
    QCOMPARE(g_userId, QString("77"));

    m_rig->http.setJson(SigninRig::loginPath, R"({"loginStatus":"1","requestStatus":"success","requestBody":[]})");
    m_rig->rest->sendUserLogin("stu", "pw", "1");
    QVERIFY(reloginTimeout.wait(5000));
    QCOMPARE(reloginTimeout.count(), 1);
    // So is a granted answer without a numeric user id; the running session stays.
    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted("\"../..\""));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the user id of the login reply is no number"));
    m_rig->rest->sendUserLogin("stu", "pw", "1");
    // The REST client lets a request go as it hands its answer on.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->rest->pendingCount(), 0, 10000);
    QCOMPARE(reloginSuccess.count(), 1);
    QCOMPARE(reloginTimeout.count(), 1);
    QCOMPARE(g_userId, QString("77"));
    // An unreadable answer (here the REST time-out) is left to the relogin view's own timer.
    m_rig->shortenRest();
    m_rig->http.setReply(SigninRig::loginPath, neverAnswer());
    m_rig->rest->sendUserLogin("stu", "pw", "1");
    QTest::ignoreMessage(QtWarningMsg, "the relogin reply cannot be read: \"error\"");
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->rest->pendingCount(), 0, 10000);
    QCOMPARE(reloginTimeout.count(), 1);
    QCOMPARE(reloginSuccess.count(), 1);
    QCOMPARE(normalFail.count(), 0);
}

QTEST_GUILESS_MAIN(TestConnectServerManager)
#include "tst_connectservermanager.moc"
