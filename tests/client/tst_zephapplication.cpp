#include "sandbox/classroomsandbox.h"
#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/commandlinemanager.h"
#include "vrek/interface/mainviewinterface.h"
#include "vrek/login/loginclient.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/reconnectview.h"
#include "vrek/viewui/reloginview.h"
#include "vrek/window/titleview.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

// The client's controller with its real windows and services, signed in through its login window against a
// sandboxed school service on loopback.
class TestZephApplication : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void builtAndShowsTheLoginWindowOnce();
    void databaseSetUpEndsAtTheFirstFailure();
    void goneControllerLeavesNoGlobalBehind();
    void goingOfflineForgetsTheTeachers_data();
    void goingOfflineForgetsTheTeachers();
    void storedDomainAndAddressesGivenOnTheCommandLine_data();
    void storedDomainAndAddressesGivenOnTheCommandLine();
    void signsInThroughTheLoginWindow();
    void wrongPasswordKeepsTheLoginWindow();
    void enteringALessonOpensTheClassWindowByUserType_data();
    void enteringALessonOpensTheClassWindowByUserType();
    void droppedConnectionOnTheCourseListStartsTheReconnect();
    void closingTheClassWindowReturnsToTheCourseList();
    void aMeetingRoleDoesNotOutlastTheMeeting();

private:
    void signIn(const QString &userCode, const QString &password);
    void reachCourseList();

    TempWorkDir *m_work = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    ZephApplication *m_application = nullptr;
};

void TestZephApplication::initTestCase()
{
    QThread::currentThread()->setObjectName("Main Thread");
    m_work = new TempWorkDir; // the settings file and the database land here
    QVERIFY(m_work->isValid());
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    g_socketHost = "127.0.0.1";
    g_socketPort = QString::number(m_sandbox->classroomPort());
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());
    g_fileHost = "127.0.0.1";
    g_userType = 1;
    g_socketClientManager = new SocketClientManager(GlobalEnum::User1);
}

void TestZephApplication::cleanupTestCase()
{
    delete g_socketClientManager;
    g_socketClientManager = nullptr;
    delete m_sandbox;
    delete m_work;
}

void TestZephApplication::init()
{
    m_application = new ZephApplication;
    m_sandbox->http()->clearRequests();
}

void TestZephApplication::cleanup()
{
    delete m_application;
    m_application = nullptr;
    if (g_socketClientManager->isConnected()) {
        g_socketClientManager->slotDisconnectFromServer();
        QTRY_VERIFY(!g_socketClientManager->isConnected());
    }
    g_userType = 1;
}

void TestZephApplication::signIn(const QString &userCode, const QString &password)
{
    LoginClient *login = m_application->loginClient();
    login->findChild<QLineEdit *>("userCodeEdit")->setText(userCode);
    login->findChild<QLineEdit *>("passwordEdit")->setText(password);
    QTest::mouseClick(login->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
}

void TestZephApplication::reachCourseList()
{
    QVERIFY(m_application->run());
    signIn(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), 10000);
}

void TestZephApplication::builtAndShowsTheLoginWindowOnce()
{
    QVERIFY(m_application->isInitialised());
    QVERIFY(QDir("fileRecv").exists());
    QVERIFY(QDir("media").exists());
    QVERIFY(QFile::exists("ESystemData2"));
    QCOMPARE(m_application->stage(), int(ZephApplication::StageNone));
    QVERIFY(!m_application->loginClient()->isVisible());
    QVERIFY(m_application->run());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageLogin));
    QVERIFY(m_application->loginClient()->isVisible());
    QVERIFY(!m_application->run()); // a second run shows nothing
    QCOMPARE(m_application->courseListWindow()->title(), QString::fromUtf8("我的课程"));
    QCOMPARE(m_application->courseListWindow()->titleFlags(), 1032);
    QCOMPARE(m_application->tipWindow()->titleFlags(), 70);
    QCOMPARE(m_application->reconnectWindow()->title(), QString::fromUtf8("客户端重连"));
    QCOMPARE(m_application->reloginWindow()->title(), QString::fromUtf8("重新登录"));
    // The first run keeps the server host as the school's domain.
    QCOMPARE(SettingConfig::getSetting().getValue("domain/dns"), QString("127.0.0.1"));
}

void TestZephApplication::databaseSetUpEndsAtTheFirstFailure()
{
    delete m_application;
    m_application = nullptr;
    {
        TempWorkDir work;
        // A table of the user files whose columns are not the client's: it cannot be cleaned.
        {
            QSqlDatabase broken = QSqlDatabase::addDatabase("QSQLITE", "broken");
            broken.setDatabaseName(work.filePath("ESystemData2"));
            QVERIFY(broken.open());
            QVERIFY(QSqlQuery(broken).exec("CREATE TABLE UserFile (other TEXT)"));
            broken.close();
        }
        QSqlDatabase::removeDatabase("broken");
        ZephApplication application;
        QVERIFY(!application.isInitialised());
        QVERIFY(!application.run());
        // The chain ended there: the transfers' table was not even tried.
        {
            QSqlDatabase check = QSqlDatabase::addDatabase("QSQLITE", "check");
            check.setDatabaseName(work.filePath("ESystemData2"));
            QVERIFY(check.open());
            QSqlQuery query(check);
            QVERIFY(query.exec("SELECT count(*) FROM sqlite_master WHERE name = 'TransferFile'"));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toInt(), 0);
            check.close();
        }
        QSqlDatabase::removeDatabase("check");
    }
    m_application = new ZephApplication;
}

void TestZephApplication::goneControllerLeavesNoGlobalBehind()
{
    QVERIFY(g_userInfoManager);
    QVERIFY(g_reLoginView);
    delete m_application;
    m_application = nullptr;
    QVERIFY(!g_userInfoManager);
    QVERIFY(!g_reLoginView);
}

void TestZephApplication::goingOfflineForgetsTheTeachers_data()
{
    QTest::addColumn<bool>("school");
    QTest::newRow("school class window") << true;
    QTest::newRow("teacher class window") << false;
}

void TestZephApplication::goingOfflineForgetsTheTeachers()
{
    QFETCH(bool, school);
    std::unique_ptr<QWidget> view;
    if (school)
        view.reset(new SchoolClassView);
    else
        view.reset(new TeacherClassView);
    g_teacherList.append(UserInfo("900", "Li", "0"));
    dynamic_cast<MainViewInterface *>(view.get())->clientOffline();
    // Back online, the participant list announces the teachers again as they come.
    QVERIFY(g_teacherList.isEmpty());
}

void TestZephApplication::storedDomainAndAddressesGivenOnTheCommandLine_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("arguments");
    // socket, http and file host of this start, then the domain stored for the next one
    QTest::addColumn<QStringList>("expected");
    const QString placeholder = GlobalDefault::serviceHost;
    QTest::newRow("first start, no address")
        << QString() << QStringList() << QStringList { placeholder, placeholder, placeholder, QString() };
    QTest::newRow("first start, classroom address given")
        << QString() << QStringList { "--host-socket-addr", "10.1.1.1" }
        << QStringList { "10.1.1.1", placeholder, placeholder, "10.1.1.1" };
    QTest::newRow("placeholder stored earlier")
        << placeholder << QStringList() << QStringList { placeholder, placeholder, placeholder, placeholder };
    QTest::newRow("stored domain, no address")
        << "school.example" << QStringList()
        << QStringList { "school.example", "school.example", "school.example", "school.example" };
    QTest::newRow("stored domain, addresses given")
        << "school.example" << QStringList { "--host-socket-addr", "10.1.1.1", "-host-http-addr", "10.1.1.2" }
        << QStringList { "10.1.1.1", "10.1.1.2", "school.example", "school.example" };
}

void TestZephApplication::storedDomainAndAddressesGivenOnTheCommandLine()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    delete m_application;
    m_application = nullptr;
    SettingConfig &settings = SettingConfig::getSetting();
    settings.setValue("domain/dns", stored);
    g_socketHost = g_webHost = g_fileHost = GlobalDefault::serviceHost;
    CommandLineManager::initial(QStringList { "TaviStudent" } + arguments);

    m_application = new ZephApplication;
    const QStringList hosts { g_socketHost, g_webHost, g_fileHost, settings.getValue("domain/dns") };

    // What the other tests run with.
    CommandLineManager::initial(QStringList { "TaviStudent" });
    settings.setValue("domain/dns", "127.0.0.1");
    g_socketHost = g_webHost = g_fileHost = "127.0.0.1";
    QCOMPARE(hosts, expected);
}

void TestZephApplication::signsInThroughTheLoginWindow()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    const FakeHttpServer::Request login = m_sandbox->http()->lastRequest("/mobile/httpUserLogin");
    QCOMPARE(login.method, QByteArray("POST"));
    QCOMPARE(login.form.value("userCode"), m_sandbox->account().userCode);
    QCOMPARE(login.form.value("passWord"), m_sandbox->account().password);
    QCOMPARE(login.form.value("roleType"), QString("26946"));
    QCOMPARE(g_userId, m_sandbox->account().userId);
    QVERIFY(QDir("fileRecv/" + m_sandbox->account().userId).exists());
    QVERIFY(!m_application->loginClient()->isVisible());
    QVERIFY(m_application->courseListWindow()->isVisible());
    QVERIFY(m_application->classManagerView()->isEnabled());
    // The course list asks for its first page; the classroom connection opens only when a lesson is entered.
    QVERIFY(m_sandbox->http()->waitForRequest("/mobile/httpGetAttendCourseList", 5000)
        || m_sandbox->http()->requestCount("/mobile/httpGetAttendCourseList") > 0);
    QVERIFY(!g_socketClientManager->isConnected());
}

void TestZephApplication::wrongPasswordKeepsTheLoginWindow()
{
    QVERIFY(m_application->run());
    signIn(m_sandbox->account().userCode, "wrong-pass");
    QLabel *error = m_application->loginClient()->findChild<QLabel *>("errorLabel");
    QTRY_VERIFY_WITH_TIMEOUT(error->isVisible(), 10000);
    QCOMPARE(error->text(), QString::fromUtf8("密码错误"));
    QCOMPARE(m_application->stage(), int(ZephApplication::StageLogin));
    QVERIFY(m_application->loginClient()->isVisible());
    QVERIFY(!m_application->courseListWindow()->isVisible());
}

void TestZephApplication::enteringALessonOpensTheClassWindowByUserType_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("stage");
    QTest::newRow("student") << 1 << int(ZephApplication::StageSchoolClass);
    QTest::newRow("meeting listener") << 3 << int(ZephApplication::StageTeacherClass);
    QTest::newRow("type 5: no classroom window") << 5 << int(ZephApplication::StageCourseList);
}

void TestZephApplication::enteringALessonOpensTheClassWindowByUserType()
{
    QFETCH(int, userType);
    QFETCH(int, stage);
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    g_userType = userType;
    g_classType = 4;
    g_classTitle = "Maths";
    m_application->slotJoinClassesSuccessIn();
    QCOMPARE(m_application->stage(), stage);
    if (stage == ZephApplication::StageCourseList) {
        QVERIFY(!m_application->classWindow());
        QVERIFY(m_application->courseListWindow()->isVisible());
    } else {
        QVERIFY(m_application->classWindow());
        QVERIFY(m_application->classWindow()->isVisible());
        QCOMPARE(m_application->classWindow()->title(), QString("TaviStudent.exe"));
        QCOMPARE(m_application->classWindow()->titleFlags(), 3146760);
        QVERIFY(!m_application->courseListWindow()->isVisible());
        QVERIFY(!m_application->classManagerView()->isEnabled());
    }
}

void TestZephApplication::droppedConnectionOnTheCourseListStartsTheReconnect()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    m_application->slotSocketTimeoutIn(false); // a quality report is no drop
    QVERIFY(!m_application->isReconnecting());
    m_application->slotSocketTimeoutIn(true);
    QVERIFY(m_application->isReconnecting());
    QVERIFY(m_application->keepRunning());
    QVERIFY(m_application->reconnectWindow()->isVisible());
    QVERIFY(!m_application->classManagerView()->isEnabled());
    // The reconnect logs in again over the classroom connection and brings the course list back.
    QTRY_VERIFY_WITH_TIMEOUT(!m_application->isReconnecting(), 15000);
    QVERIFY(m_application->classManagerView()->isEnabled());
    QVERIFY(!m_application->reconnectWindow()->isVisible());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));
}

void TestZephApplication::closingTheClassWindowReturnsToTheCourseList()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    g_userType = 1;
    g_classType = 4;
    m_application->slotJoinClassesSuccessIn();
    QCOMPARE(m_application->stage(), int(ZephApplication::StageSchoolClass));
    m_application->classWindow()->close();
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));
    QVERIFY(m_application->courseListWindow()->isVisible());
    QVERIFY(m_application->classManagerView()->isEnabled());
    QTRY_VERIFY(!m_application->classWindow());
}

void TestZephApplication::aMeetingRoleDoesNotOutlastTheMeeting()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    SelectClassView *courses = m_application->classManagerView()->selectClassView();
    GroupInfo meeting;
    meeting.setId("m1");
    meeting.setTitle("School meeting");
    meeting.setTClass("c-m1");
    meeting.setLessonType(5);
    meeting.setTeacherId("900"); // somebody else hosts it
    // Entering goes all the way: classroom login, join, the window of the role.
    courses->slotJoinClassesIn(meeting);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageTeacherClass), 10000);
    QCOMPARE(g_userType, 3);
    QVERIFY(!m_sandbox->classroom()->waitForLine("6\t", 1000).isNull());
    m_application->classWindow()->close();
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));
    // Leaving quits and logs out; the server closing the connection then is no drop to reconnect from.
    QVERIFY(!m_sandbox->classroom()->waitForLine("25\t", 5000).isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!g_socketClientManager->isConnected(), 5000);
    QTest::qWait(100);
    QVERIFY(!m_application->isReconnecting());
    QVERIFY(!m_application->reconnectWindow()->isVisible());

    GroupInfo lesson;
    lesson.setId("l2");
    lesson.setTitle("Maths");
    lesson.setTClass("c-l2");
    lesson.setLessonType(4);
    lesson.setTeacherId("900");
    courses->slotJoinClassesIn(lesson);
    QCOMPARE(g_userType, 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), 10000);
}

QTEST_MAIN(TestZephApplication)
#include "tst_zephapplication.moc"
