#include "sandbox/classroomsandbox.h"
#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/logfilemanager.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

// From sign-in to the classroom: the running client against the sandboxed school service, with its log file.
class TestEnterLesson : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void expiredSessionOnTheCourseListStartsTheRelogin();
    void signInListEnterAndStayOnline();

private:
    void signIn(ZephApplication &application);

    SandboxClient *m_client = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
};

void TestEnterLesson::initTestCase()
{
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    m_sandbox = m_client->sandbox();
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
}

void TestEnterLesson::cleanupTestCase()
{
    delete m_client;
}

void TestEnterLesson::cleanup()
{
    if (g_socketClientManager->isConnected()) {
        g_socketClientManager->slotDisconnectFromServer();
        QTRY_VERIFY(!g_socketClientManager->isConnected());
    }
    g_userType = 1;
}

void TestEnterLesson::signIn(ZephApplication &application)
{
    QVERIFY(application.run());
    SandboxClient::signIn(application, m_sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), 10000);
}

void TestEnterLesson::expiredSessionOnTheCourseListStartsTheRelogin()
{
    ZephApplication application;
    signIn(application);
    if (QTest::currentTestFailed())
        return;
    SelectClassView *courses = application.ensureCourseList()->selectClassView();
    QTRY_COMPARE_WITH_TIMEOUT(courses->pages().first()->cards().size(), m_sandbox->lessons().size(), 10000);
    QTRY_VERIFY(courses->tabWidget()->isEnabled());
    const QByteArray path = "/mobile/httpGetAttendCourseList";
    m_sandbox->http()->setJson(path, R"({"loginStatus":"1","requestStatus":"success","requestBody":[]})");
    courses->tabWidget()->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(application.reloginWindow()->isVisible(), 10000);
    QVERIFY(courses->tabWidget()->isEnabled());
    QCOMPARE(courses->pages().at(1)->loadState(), int(ClassListWidget::NetError));
    m_sandbox->http()->setHandler(path, [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        reply.body = m_sandbox->courseListReply(request.form.value("lessonType"), request.form.value("pageIndex"));
        return reply;
    });
}

void TestEnterLesson::signInListEnterAndStayOnline()
{
    LogFileManager log;
    ZephApplication application;
    signIn(application);
    if (QTest::currentTestFailed())
        return;
    const ClassroomSandbox::Account account = m_sandbox->account();

    // The course list shows the student's lessons: the first open now, the second opening an hour before its start.
    SelectClassView *courses = application.ensureCourseList()->selectClassView();
    QCOMPARE(courses->tabWidget()->count(), 3);
    ClassListWidget *all = courses->pages().first();
    QTRY_COMPARE_WITH_TIMEOUT(all->cards().size(), m_sandbox->lessons().size(), 10000);
    QTRY_VERIFY(courses->tabWidget()->isEnabled());
    QCOMPARE(all->footerText(), QString("没有更多了"));
    ClassInfoWidget *now = all->cards().at(0);
    ClassInfoWidget *later = all->cards().at(1);
    QCOMPARE(now->groupInfo().getTitle(), QString("分数的初步认识"));
    QCOMPARE(later->groupInfo().getTitle(), QString("英语口语练习"));
    QPushButton *enter = now->findChild<QPushButton *>("enterPushButton");
    QVERIFY(enter->isEnabled());
    QCOMPARE(enter->text(), QString("进入课堂"));
    QVERIFY(!later->findChild<QPushButton *>("enterPushButton")->isEnabled());
    QVERIFY(!g_socketClientManager->isConnected());

    FakeClassroomServer *classroom = m_sandbox->classroom();
    classroom->clearLines();
    QSignalSpy heartTimer(g_socketClientManager, &SocketClientManager::heartTimerStart);
    QList<qint64> beats;
    QElapsedTimer clock;
    clock.start();
    connect(classroom, &FakeClassroomServer::lineReceived, this, [&](const QString &line) {
        if (line == "1\t" + account.userId)
            beats.append(clock.elapsed());
    });

    QTest::mouseClick(enter, Qt::LeftButton);
    const QString loginLine = classroom->waitForLine("0\t");
    QCOMPARE(loginLine, QString("0\t%1\t%2\t1").arg(account.userCode, account.password));
    const QString joinLine = classroom->waitForLine("6\t");
    QCOMPARE(joinLine, QString("6\t%1\tclass3101\t分数的初步认识\t4\t3101\t分数的初步认识").arg(account.userId));
    QVERIFY(classroom->lines().indexOf(loginLine) < classroom->lines().indexOf(joinLine));
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageSchoolClass), 10000);
    QCOMPARE(g_classTitle, QString("分数的初步认识"));
    QCOMPARE(g_lectId, QString("901"));

    // The connection stays up: a heartbeat every 2000 ms, by a timer set to that, and the beats keep coming. The
    // clock between two beats says little on a busy machine, where one late beat is followed by one early.
    QVERIFY(!heartTimer.isEmpty());
    QCOMPARE(heartTimer.last().at(0).toInt(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(beats.size() >= 3, 10000);
    QVERIFY(g_socketClientManager->isConnected());

    QFile file(g_logFileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    bool online = false;
    for (const QString &line : text.split("\r\n"))
        online = online || (line.contains("the user is online! userId:") && line.contains(account.userId));
    QVERIFY2(online, "no line \"the user is online! userId:\" with the user id in the log");
}

QTEST_MAIN(TestEnterLesson)
#include "tst_enterlesson.moc"
