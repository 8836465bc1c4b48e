#include "tests/login/signinrig.h"
#include "tests/support/outagerelay.h"
#include "vrek/interface/processuniqueinterface.h"
#include "vrek/login/normalloginmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/viewui/reconnectview.h"

#include <QPushButton>
#include <QThread>
#include <QtTest>

// The reconnect page against the fake classroom server: logging in again over the classroom connection and
// rejoining the lesson, one flow at a time.
class TestReconnectView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void reconnectAfterTheServerDropsAndComesBack();
    void reconnectAfterAHeartbeatDrop();
    void aLoginAfterTheTryTimedOutRejoins_data();
    void aLoginAfterTheTryTimedOutRejoins();
    void aRefusedTryIsSeenBeforeItsOutcome();
    void refusedLogin_data();
    void refusedLogin();
    void loginTimeoutLogsOut();
    void joinFailureLeavesOnlyExit_data();
    void joinFailureLeavesOnlyExit();
    void refusedWhileANormalLoginRuns();
    void normalLoginRefusedWhileReconnecting();
    void closingReleasesTheLock();
    void exitButtonAsksToClose();

private:
    // Logs in over the classroom connection and enters a lesson, so that a drop is noticed.
    void enterLesson();
    QPushButton *reconnectButton() const { return m_view->findChild<QPushButton *>("reconnectButton"); }

    SigninRig *m_rig = nullptr;
    ReconnectView *m_view = nullptr;
    QThread m_networkThread;
};

void TestReconnectView::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestReconnectView::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestReconnectView::init()
{
    SigninRig::resetSession();
    m_rig = new SigninRig();
    QVERIFY(m_rig->isListening());
    m_view = new ReconnectView(m_rig->connectServer);
    m_view->show();
}

void TestReconnectView::cleanup()
{
    delete m_view;
    delete m_rig;
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::enterLesson()
{
    m_rig->classroom.answerLogin();
    m_rig->answerJoin(true);
    QSignalSpy loggedIn(m_rig->connectServer, &ConnectServerManager::signalSocketConnectSuceess);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(loggedIn.wait(5000));
    m_rig->socket->sendUserRequest();
    QCOMPARE(m_rig->classroom.waitForLine("3\t"), QString("3\t1001"));
}

void TestReconnectView::reconnectAfterTheServerDropsAndComesBack()
{
    enterLesson();
    const quint16 port = m_rig->classroom.port();
    QSignalSpy dropped(m_rig->socket, &SocketClientManager::signalSocketTimeout);
    m_rig->classroom.close();
    QVERIFY(dropped.wait(5000));
    QCOMPARE(dropped.last().at(0).toBool(), true);

    // The server is away: the attempt ends at once, and the button may be pressed again.
    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QSignalSpy joined(m_view, &ReconnectView::signalJoinSuccessOut);
    reconnectButton()->click();
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessReconnect);
    QCOMPARE(m_view->stateText(), QString::fromUtf8("正在登录..."));
    QVERIFY(!m_view->isReconnectEnabled());
    QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("网络错误"));
    QVERIFY(m_view->isReconnectEnabled());
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);

    // Back on the same port.
    QVERIFY(m_rig->classroom.listen(port));
    reconnectButton()->click();
    QVERIFY(loggedIn.wait(5000));
    QCOMPARE(m_rig->classroom.waitForLine("0\t"), QString("0\tstu\tpw\t1"));
    // The lock stays taken for the join, which the application asks for.
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessReconnect);
    m_view->slotRequestJoinClassesIn();
    QCOMPARE(m_view->stateText(), QString::fromUtf8("正在进入班级..."));
    QVERIFY(joined.wait(5000));
    QCOMPARE(m_rig->classroom.waitForLine("6\t"), QString("6\t1001\tc1\tMaths\t4\tr1\tMaths"));
    QVERIFY(!m_view->isReconnectEnabled());
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::reconnectAfterAHeartbeatDrop()
{
    m_rig->socket->setHeartbeatInterval(10);
    enterLesson(); // no heartbeat is answered
    QSignalSpy timeouts(m_rig->socket, &SocketClientManager::signalSocketTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!timeouts.isEmpty() && timeouts.last().at(0).toBool(), 10000);
    // The dropped connection is still open: a plain login on it would send nothing.
    QVERIFY(m_rig->socket->isConnected());
    QCOMPARE(m_rig->classroom.connectionCount(), 1);

    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QVERIFY(m_view->slotLoginStartIn(g_userCode, g_passWord));
    QVERIFY(loggedIn.wait(5000));
    QCOMPARE(m_rig->classroom.connectionCount(), 2);
    QCOMPARE(m_rig->classroom.lineCount("0\tstu\tpw\t1"), 2);
    m_rig->classroom.answerHeartbeats();
    QSignalSpy joined(m_view, &ReconnectView::signalJoinSuccessOut);
    m_view->slotRequestJoinClassesIn();
    QVERIFY(joined.wait(5000));
}

void TestReconnectView::aLoginAfterTheTryTimedOutRejoins_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("page shown") << true;
    QTest::newRow("page hidden") << false;
}

void TestReconnectView::aLoginAfterTheTryTimedOutRejoins()
{
    // The network between the client and the server goes away in the lesson: the try's connection is not even
    // answered, so its login times out; when the network comes back the connection gets through and logs in.
    QFETCH(bool, shown);
    OutageRelay relay;
    QVERIFY(relay.start(m_rig->classroom.port()));
    m_rig->socket->setHostAndPort("127.0.0.1", quint16(relay.port()));
    m_rig->socket->setHeartbeatInterval(10);
    enterLesson(); // no heartbeat is answered
    relay.holdFor(600000, OutageRelay::Blackhole);
    QSignalSpy timeouts(m_rig->socket, &SocketClientManager::signalSocketTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!timeouts.isEmpty() && timeouts.last().at(0).toBool(), 10000);
    m_rig->classroom.answerHeartbeats();

    m_rig->shortenSteps();
    m_view->setMinimumTry(0);
    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QSignalSpy joined(m_view, &ReconnectView::signalJoinSuccessOut);
    // As the application does: a login of the page's flow asks for the join.
    connect(m_view, &ReconnectView::signalLoginSuccessOut, m_view, &ReconnectView::slotRequestJoinClassesIn);
    QVERIFY(m_view->slotLoginStartIn(g_userCode, g_passWord));
    QTRY_COMPARE_WITH_TIMEOUT(m_view->stateText(), QString::fromUtf8("登录超时"), 10000);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QCOMPARE(loggedIn.count(), 0);
    if (!shown)
        m_view->hide();

    QSignalSpy connectionLoggedIn(m_rig->connectServer, &ConnectServerManager::signalConnectionLoggedInOut);
    const int joinsBefore = m_rig->classroom.lineCount("6\t");
    relay.holdFor(0, OutageRelay::Blackhole);
    QVERIFY(connectionLoggedIn.wait(20000));
    // The late answer is no step's (the timed-out login logged out and left the manager idle): only the page's
    // rejoin starts a step on it.
    QCOMPARE(m_rig->connectServer->connectState(),
        shown ? ConnectServerManager::StateJoin : ConnectServerManager::StateIdle);
    if (!shown) {
        // A page nobody sees starts nothing.
        QCOMPARE(loggedIn.count(), 0);
        QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
        QCOMPARE(m_view->stateText(), QString::fromUtf8("登录超时"));
        return;
    }
    // The login starts the page's rejoin at once: it no longer says that its login timed out.
    QCOMPARE(loggedIn.count(), 1);
    QCOMPARE(m_view->stateText(), QString::fromUtf8("正在进入班级..."));
    QVERIFY(!m_view->isReconnectEnabled());
    QVERIFY(joined.wait(10000));
    QCOMPARE(m_rig->classroom.lineCount("6\t"), joinsBefore + 1);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::aRefusedTryIsSeenBeforeItsOutcome()
{
    // The server is away and refuses at once: the press must still show that a try was made.
    const int minimumMs = 400;
    m_view->setMinimumTry(minimumMs);
    m_rig->classroom.close();
    QElapsedTimer clock;
    for (int press = 0; press < 2; ++press) {
        clock.start();
        reconnectButton()->click();
        QCOMPARE(m_view->stateText(), QString::fromUtf8("正在登录..."));
        QVERIFY(!m_view->isReconnectEnabled());
        // The flow itself has ended: only its outcome waits to be shown.
        QTRY_COMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
        QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("网络错误"));
        QVERIFY2(clock.elapsed() >= minimumMs - 20, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(m_view->isReconnectEnabled()); // and it may be pressed again
    }
    // However long the flow took, with a minimum longer than the test its outcome is not shown yet.
    m_view->setMinimumTry(3600 * 1000);
    reconnectButton()->click();
    QTRY_COMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QCOMPARE(m_view->stateText(), QString::fromUtf8("正在登录..."));
    QVERIFY(!m_view->isReconnectEnabled());
}

void TestReconnectView::refusedLogin_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("wrong password") << "2" << QString::fromUtf8("密码错误");
    QTest::newRow("signed in elsewhere") << "7" << QString::fromUtf8("用户已登录，不能重复登录");
    QTest::newRow("short reply") << "0" << QString::fromUtf8("程序未知错误(传输参数不正确)");
}

void TestReconnectView::refusedLogin()
{
    QFETCH(QString, result);
    FakeClassroomServer::LoginReply reply;
    reply.result = result;
    if (result == "0")
        reply.fieldCount = 11;
    m_rig->classroom.answerLogin(reply);
    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QVERIFY(m_view->slotLoginStartIn("stu", "pw"));
    QTRY_VERIFY(m_view->isReconnectEnabled());
    QTEST(m_view->stateText(), "text");
    QCOMPARE(loggedIn.count(), 0);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::loginTimeoutLogsOut()
{
    // The server takes the connection and the login line, and never answers. The try's own minimum time is left
    // out, lest it hide a step limit that ran out early.
    m_rig->shortenSteps();
    m_view->setMinimumTry(0);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_view->slotLoginStartIn("stu", "pw"));
    QCOMPARE(m_rig->classroom.waitForLine("0\t"), QString("0\tstu\tpw\t1"));
    QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("登录超时"));
    QVERIFY(clock.elapsed() >= SigninRig::stepMs - 20);
    QVERIFY(m_view->isReconnectEnabled());
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QCOMPARE(m_rig->classroom.waitForLine("0\t1001"), QString("0\t1001\tpw\t1\t1"));
}

void TestReconnectView::joinFailureLeavesOnlyExit_data()
{
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("text");
    QTest::newRow("refused") << true << QString::fromUtf8("登录失败");
    QTest::newRow("time-out") << false << QString::fromUtf8("进入班级超时");
}

void TestReconnectView::joinFailureLeavesOnlyExit()
{
    QFETCH(bool, answered);
    m_rig->classroom.answerLogin();
    if (answered)
        m_rig->answerJoin(false);
    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QSignalSpy joined(m_view, &ReconnectView::signalJoinSuccessOut);
    QVERIFY(m_view->slotLoginStartIn("stu", "pw"));
    QVERIFY(loggedIn.wait(5000));
    if (!answered)
        m_rig->shortenSteps(); // for the join alone
    m_view->slotRequestJoinClassesIn();
    QTRY_VERIFY(!m_view->stateText().startsWith(QString::fromUtf8("正在")));
    QTEST(m_view->stateText(), "text");
    QVERIFY(!m_view->isReconnectEnabled());
    QCOMPARE(joined.count(), 0);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::refusedWhileANormalLoginRuns()
{
    FakeHttpServer::Reply never;
    never.fault = FakeHttpServer::NeverAnswer;
    m_rig->http.setReply(SigninRig::loginPath, never);
    m_rig->shortenRest();
    NormalLoginManager flow(m_rig->connectServer);
    QSignalSpy failed(&flow, &NormalLoginManager::signalLoginFailOut);
    QVERIFY(flow.slotLoginStartIn("stu", "pw"));
    m_view->slotLoginFailIn("old text"); // not its flow: ignored
    const QString before = m_view->stateText();
    QTest::ignoreMessage(QtWarningMsg, "another flow is running, processType: 1");
    reconnectButton()->click();
    QCOMPARE(m_view->stateText(), before);
    QVERIFY(m_view->isReconnectEnabled());
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    QCOMPARE(m_rig->classroom.connectionCount(), 0);
    // The normal login's own failure goes to it alone.
    QVERIFY(failed.wait(5000));
    QCOMPARE(m_view->stateText(), before);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::normalLoginRefusedWhileReconnecting()
{
    NormalLoginManager flow(m_rig->connectServer);
    QSignalSpy flowSuccess(&flow, &NormalLoginManager::signalLoginSuccessOut);
    m_rig->classroom.answerLogin();
    QSignalSpy loggedIn(m_view, &ReconnectView::signalLoginSuccessOut);
    QVERIFY(m_view->slotLoginStartIn("stu", "pw"));
    QTest::ignoreMessage(QtWarningMsg, "another flow is running, processType: 2");
    QVERIFY(!flow.slotLoginStartIn("stu", "pw"));
    QVERIFY(loggedIn.wait(5000));
    QCOMPARE(flowSuccess.count(), 0);
    QCOMPARE(m_rig->http.requestCount(SigninRig::loginPath), 0);
    m_view->close();
}

void TestReconnectView::closingReleasesTheLock()
{
    QSignalSpy closed(m_view, &ReconnectView::signalCloseEventOut);
    m_rig->shortenSteps();
    QVERIFY(m_view->slotLoginStartIn("stu", "pw"));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessReconnect);
    m_view->close();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    // An outcome that comes later belongs to no flow of this view: here the login's own time-out.
    QSignalSpy timedOut(m_rig->connectServer, &ConnectServerManager::signalLoginTimeoutOut);
    QVERIFY(timedOut.wait(10000));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReconnectView::exitButtonAsksToClose()
{
    QSignalSpy exit(m_view, &ReconnectView::signalExitButtonClicked);
    m_view->findChild<QPushButton *>("exitButton")->click();
    QCOMPARE(exit.count(), 1);
}

QTEST_MAIN(TestReconnectView)
#include "tst_reconnectview.moc"
