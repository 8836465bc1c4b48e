#include "tests/login/signinrig.h"
#include "vrek/interface/processuniqueinterface.h"
#include "vrek/utils/networkengine.h"
#include "vrek/viewui/reloginview.h"

#include <QPushButton>
#include <QThread>
#include <QtTest>

namespace {
FakeHttpServer::Reply neverAnswer()
{
    FakeHttpServer::Reply reply;
    reply.fault = FakeHttpServer::NeverAnswer;
    return reply;
}

// Runs the loop until a timer of ms, started now, has fired: a timer of this thread due before it fires first.
bool passTimers(int ms)
{
    QTimer marker;
    marker.setSingleShot(true);
    marker.setTimerType(Qt::PreciseTimer);
    QSignalSpy fired(&marker, &QTimer::timeout);
    marker.start(ms);
    return fired.wait(ms + 30000);
}
} // namespace

// The relogin page against the fake REST server: repeating the REST login with the session's account.
class TestReLoginView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void startAsksForARelogin();
    void reloginSucceedsOnceTheServerIsBack();
    void reloginAnswers_data();
    void reloginAnswers();
    void lateAnswerAfterSuccessIsIgnored();
    void courseListLoginFailureOffersTheWayOn_data();
    void courseListLoginFailureOffersTheWayOn();
    void closingIsReported();

private:
    QPushButton *reloginButton() const { return m_view->findChild<QPushButton *>("reloginButton"); }

    SigninRig *m_rig = nullptr;
    ReLoginView *m_view = nullptr;
    QThread m_networkThread;
    static constexpr int reloginMs = 250;
};

void TestReLoginView::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestReLoginView::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestReLoginView::init()
{
    SigninRig::resetSession();
    m_rig = new SigninRig();
    QVERIFY(m_rig->isListening());
    m_view = new ReLoginView(m_rig->connectServer, nullptr, m_rig->rest);
    m_view->setReloginTimeout(reloginMs);
    m_view->show();
}

void TestReLoginView::cleanup()
{
    delete m_view;
    delete m_rig;
}

void TestReLoginView::startAsksForARelogin()
{
    QVERIFY(!m_view->findChild<QPushButton *>("exitButton")->isVisible());
    QSignalSpy shown(m_view, &ReLoginView::signalShow);
    QVERIFY(m_view->slotLoginStartIn());
    QCOMPARE(m_view->stateText(), QString::fromUtf8("登录已过期或账号在别处已登录,点击重新登录"));
    QVERIFY(m_view->isReloginShown());
    QVERIFY(m_view->isExitShown());
    QCOMPARE(shown.count(), 1);
    // It takes no flow lock.
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestReLoginView::reloginSucceedsOnceTheServerIsBack()
{
    g_userCode = "stu9";
    g_passWord = "pw9";
    m_rig->http.setReply(SigninRig::loginPath, neverAnswer());
    // The unanswered attempt ends by its REST time-out, longer than the relogin's own limit as in the product.
    m_rig->shortenRest(3 * reloginMs);
    QSignalSpy shown(m_view, &ReLoginView::signalShow);
    QSignalSpy hidden(m_view, &ReLoginView::signalHide);
    m_view->slotLoginStartIn();
    reloginButton()->click();
    QCOMPARE(m_view->stateText(), QString::fromUtf8("正在登录..."));
    QVERIFY(!m_view->isReloginEnabled());
    QVERIFY(m_rig->http.waitForRequest(SigninRig::loginPath));
    const FakeHttpServer::Request request = m_rig->http.lastRequest(SigninRig::loginPath);
    QCOMPARE(request.form.value("userCode"), QString("stu9"));
    QCOMPARE(request.form.value("passWord"), QString("pw9"));
    QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("登录超时!"));
    QVERIFY(m_view->isReloginEnabled());

    // The time-out text comes back on every tick until a relogin succeeds.
    m_view->slotSocketLoginFailIn("x");
    m_view->slotLoginStartIn();
    QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("登录超时!"));

    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted("31"));
    m_rig->restoreRest();
    reloginButton()->click();
    QVERIFY(hidden.wait(5000));
    QCOMPARE(m_view->stateText(), QString::fromUtf8("登录成功!"));
    QVERIFY(m_view->isReloginEnabled());
    QCOMPARE(g_userId, QString("31"));
    // Neither the timer nor the first attempt's late time-out undoes it: the REST client has given that
    // attempt up, and a timer of this thread over two relogin intervals has fired after the relogin timer would.
    QTRY_COMPARE_WITH_TIMEOUT(m_rig->rest->pendingCount(), 0, 10000);
    QVERIFY(passTimers(2 * reloginMs));
    QCOMPARE(m_view->stateText(), QString::fromUtf8("登录成功!"));
    QVERIFY(shown.count() >= 2);
}

void TestReLoginView::reloginAnswers_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("status not 0") << QByteArray(R"({"loginStatus":"1","requestStatus":"success","requestBody":[]})")
                                  << QString::fromUtf8("登录超时!");
    QTest::newRow("refused") << QByteArray(R"({"loginStatus":"0","requestStatus":"success",)"
                                           R"("requestBody":[{"userId":5,"loginStatus":4}]})")
                             << QString::fromUtf8("帐户已停用");
}

void TestReLoginView::reloginAnswers()
{
    QFETCH(QByteArray, reply);
    m_view->setReloginTimeout(60000);
    m_rig->http.setJson(SigninRig::loginPath, reply);
    QSignalSpy shown(m_view, &ReLoginView::signalShow);
    QSignalSpy hidden(m_view, &ReLoginView::signalHide);
    reloginButton()->click();
    QCOMPARE(shown.count(), 1);
    QVERIFY(shown.wait(5000));
    QTEST(m_view->stateText(), "text");
    QVERIFY(m_view->isReloginEnabled());
    QCOMPARE(hidden.count(), 0);
    QCOMPARE(g_userId, QString("1001"));
}

void TestReLoginView::lateAnswerAfterSuccessIsIgnored()
{
    // The first attempt's answer is held until the second has succeeded, so that it surely comes late.
    FakeHttpServer::Reply held;
    held.held = true;
    m_rig->http.setReply(SigninRig::loginPath, held);
    reloginButton()->click();
    QVERIFY(m_rig->http.waitForRequest(SigninRig::loginPath));
    QTRY_COMPARE(m_view->stateText(), QString::fromUtf8("登录超时!"));
    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted());
    QSignalSpy hidden(m_view, &ReLoginView::signalHide);
    QSignalSpy shown(m_view, &ReLoginView::signalShow);
    reloginButton()->click();
    QVERIFY(hidden.wait(5000));
    shown.clear();
    m_rig->http.setJson(SigninRig::loginPath, R"({"loginStatus":"1","requestStatus":"success","requestBody":[]})");
    QCOMPARE(m_rig->http.heldCount(), 1);
    m_rig->http.answerHeld();
    QTRY_COMPARE(m_rig->rest->pendingCount(), 0);
    QCOMPARE(m_view->stateText(), QString::fromUtf8("登录成功!"));
    QCOMPARE(shown.count(), 0);
}

void TestReLoginView::courseListLoginFailureOffersTheWayOn_data()
{
    QTest::addColumn<bool>("serverDown");
    QTest::addColumn<QString>("text");
    QTest::newRow("login refused") << false << QString::fromUtf8("密码错误");
    QTest::newRow("classroom server down") << true << QString::fromUtf8("网络错误");
}

void TestReLoginView::courseListLoginFailureOffersTheWayOn()
{
    QFETCH(bool, serverDown);
    const quint16 port = m_rig->classroom.port();
    if (serverDown) {
        m_rig->classroom.close();
    } else {
        FakeClassroomServer::LoginReply reply;
        reply.result = "2";
        m_rig->classroom.answerLogin(reply);
    }
    QSignalSpy shown(m_view, &ReLoginView::signalShow);
    QSignalSpy hidden(m_view, &ReLoginView::signalHide);
    m_rig->connectServer->slotSocketConnect();
    QVERIFY(shown.wait(5000));
    QTEST(m_view->stateText(), "text");
    // No dead end: both ways on are offered.
    QVERIFY(m_view->isReloginShown());
    QVERIFY(m_view->isReloginEnabled());
    QVERIFY(m_view->isExitShown());

    // The service is back: the relogin brings the course list back, from which the lesson is entered anew.
    if (serverDown)
        QVERIFY(m_rig->classroom.listen(port));
    m_rig->http.setJson(SigninRig::loginPath, SigninRig::granted());
    reloginButton()->click();
    QVERIFY(hidden.wait(5000));
    QCOMPARE(m_view->stateText(), QString::fromUtf8("登录成功!"));
    QVERIFY(m_view->isReloginEnabled());
}

void TestReLoginView::closingIsReported()
{
    QSignalSpy closed(m_view, &ReLoginView::signalCloseEventOut);
    m_view->close();
    QCOMPARE(closed.count(), 1);
}

QTEST_MAIN(TestReLoginView)
#include "tst_reloginview.moc"
