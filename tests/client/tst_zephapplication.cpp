#include "sandbox/bannerscene.h"
#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/commandlinemanager.h"
#include "vrek/interface/mainviewinterface.h"
#include "vrek/login/codearea.h"
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
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
// A call through the thread and back: whatever that thread had queued for this one before has arrived by the
// time this returns true.
bool roundTrip(QThread *thread)
{
    auto *there = new QObject;
    there->moveToThread(thread);
    auto arrived = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        there,
        [there, arrived] {
            QMetaObject::invokeMethod(
                qApp, [arrived] { *arrived = true; }, Qt::QueuedConnection);
            there->deleteLater();
        },
        Qt::QueuedConnection);
    return QTest::qWaitFor([arrived] { return arrived->load(); }, 30000);
}
} // namespace

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
    void theCourseListIsMadeAfterTheLoginWindowIsPainted();
    void theCourseListIsMadeWhenNeededBeforeThePaint();
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
    void failedLessonEntryOffersTheReloginAndRecovers();
    void reconnectTriesAreSeenWhileTheServerIsDown();
    void loginWindowComesBackCleanWhereItWas_data();
    void loginWindowComesBackCleanWhereItWas();

private:
    void signIn(const QString &userCode, const QString &password);
    void reachCourseList();
    // Three refused logins first (an error shown, then the captcha), then the login; the window is moved first
    // unless the place is null. Where the window was goes to where.
    void reachCourseListAfterErrors(const QPoint &placed, QPoint &where);
    // Enters the sandbox's lesson from the course list.
    void enterLesson();

    TempWorkDir *m_work = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    ZephApplication *m_application = nullptr;
    quint16 m_classroomPort = 0;
};

void TestZephApplication::initTestCase()
{
    QThread::currentThread()->setObjectName("Main Thread");
    m_work = new TempWorkDir; // the settings file and the database land here
    QVERIFY(m_work->isValid());
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    g_socketHost = "127.0.0.1";
    m_classroomPort = m_sandbox->classroomPort();
    g_socketPort = QString::number(m_classroomPort);
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());
    g_fileHost = "127.0.0.1";
    g_filePort = QString::number(FileScene::of(m_sandbox)->filePort());
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
    // A test that took the classroom server down and failed before bringing it back.
    if (!m_sandbox->classroom()->isListening())
        QVERIFY(m_sandbox->classroom()->listen(m_classroomPort));
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

void TestZephApplication::reachCourseListAfterErrors(const QPoint &placed, QPoint &where)
{
    QVERIFY(m_application->run());
    LoginClient *login = m_application->loginClient();
    if (!placed.isNull())
        login->move(placed);
    where = login->pos();
    for (int i = 0; i < LoginClient::errorsBeforeCaptcha; ++i) {
        const int before = login->loginErrorCount();
        signIn(m_sandbox->account().userCode, "wrong-pass");
        QTRY_COMPARE_WITH_TIMEOUT(login->loginErrorCount(), before + 1, 10000);
    }
    QVERIFY(login->findChild<QWidget *>("verifyWidget")->isVisible());
    login->findChild<QLineEdit *>("verifyEdit")->setText(login->findChild<CodeArea *>()->codeText());
    signIn(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), 10000);
}

void TestZephApplication::enterLesson()
{
    const ClassroomSandbox::Lesson first = m_sandbox->lessons().first();
    GroupInfo lesson;
    lesson.setId(QString::number(first.id));
    lesson.setTitle(first.title);
    lesson.setTClass(first.tClass());
    lesson.setLessonType(first.lessonType);
    lesson.setTeacherId(first.teacherId);
    m_application->classManagerView()->selectClassView()->slotJoinClassesIn(lesson);
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
    // The first show is centred (the top left corner kept on the screen).
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect login = m_application->loginClient()->geometry();
    QVERIFY2(qAbs(login.center().y() - screen.center().y()) <= 1, qPrintable(QString::number(login.y())));
    QVERIFY(login.left() >= screen.left() && login.top() >= screen.top());
    QVERIFY(login.width() > screen.width() || qAbs(login.center().x() - screen.center().x()) <= 1);
    QVERIFY(!m_application->run()); // a second run shows nothing
    // Its banner comes from the sandbox's file server.
    FakeHttpServer *files = FileScene::of(m_sandbox)->fileServer();
    QVERIFY(
        files->waitForRequest(BannerScene::picturePath, 10000) || files->requestCount(BannerScene::picturePath) > 0);
    QVERIFY(m_sandbox->findChild<BannerScene *>()->askCount() >= 1);
    QVERIFY(m_application->ensureCourseList());
    QCOMPARE(m_application->courseListWindow()->title(), QString::fromUtf8("我的课程"));
    QCOMPARE(m_application->courseListWindow()->titleFlags(), 1032);
    QCOMPARE(m_application->tipWindow()->titleFlags(), 70);
    QCOMPARE(m_application->reconnectWindow()->title(), QString::fromUtf8("客户端重连"));
    QCOMPARE(m_application->reloginWindow()->title(), QString::fromUtf8("重新登录"));
    // The first run keeps the server host as the school's domain.
    QCOMPARE(SettingConfig::getSetting().getValue("domain/dns"), QString("127.0.0.1"));
}

namespace {
// Notes whether the course list was made when the watched window was first painted.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(ZephApplication *application, QWidget *window)
        : m_application(application)
    {
        window->installEventFilter(this);
    }
    bool painted = false;
    bool courseListMadeAtPaint = true;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            courseListMadeAtPaint = m_application->courseListMade();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    ZephApplication *m_application;
};
} // namespace

void TestZephApplication::theCourseListIsMadeAfterTheLoginWindowIsPainted()
{
    QVERIFY(!m_application->courseListMade());
    FirstPaintWatch watch(m_application, m_application->loginClient());
    QVERIFY(m_application->run());
    QVERIFY(!m_application->courseListMade());
    QTRY_VERIFY_WITH_TIMEOUT(watch.painted, 20000);
    QVERIFY(!watch.courseListMadeAtPaint);
    QTRY_VERIFY_WITH_TIMEOUT(m_application->courseListMade(), 20000);
    // Made once: the same view whoever asks.
    ClassManagerView *view = m_application->classManagerView();
    QVERIFY(view);
    QCOMPARE(m_application->classManagerView(), view);
    QCOMPARE(m_application->courseListWindow()->title(), QString::fromUtf8("我的课程"));
}

void TestZephApplication::theCourseListIsMadeWhenNeededBeforeThePaint()
{
    // A login answered before the login window was ever painted still finds its course list.
    QVERIFY(m_application->run());
    QVERIFY(!m_application->courseListMade());
    m_application->slotLoginSuccessIn();
    QVERIFY(m_application->courseListMade());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));
    QVERIFY(m_application->courseListWindow()->isVisible());
    QVERIFY(m_application->classManagerView()->isEnabled());
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
    // The socket's report of the close has come by the time a call through its thread is back.
    QVERIFY(roundTrip(g_socketClientManager->socketThread()));
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

void TestZephApplication::failedLessonEntryOffersTheReloginAndRecovers()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    // The classroom server is down when the lesson is entered.
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const quint16 port = classroom->port();
    classroom->close();
    enterLesson();
    TitleView *window = m_application->reloginWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 15000);
    QCOMPARE(g_reLoginView->stateText(), QString::fromUtf8("网络错误"));
    QPushButton *relogin = window->findChild<QPushButton *>("reloginButton");
    QPushButton *exit = window->findChild<QPushButton *>("exitButton");
    QVERIFY(relogin && exit);
    QVERIFY(relogin->isVisible() && relogin->isEnabled());
    QVERIFY(exit->isVisible());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageCourseList));

    // Back: the relogin brings the course list back, and the lesson opens.
    QVERIFY(classroom->listen(port));
    relogin->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 15000);
    QVERIFY(!m_application->isReconnecting());
    QVERIFY(!m_application->keepRunning());
    QVERIFY(m_application->courseListWindow()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_application->classManagerView()->isEnabled(), 10000);
    enterLesson();
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), 15000);
}

void TestZephApplication::reconnectTriesAreSeenWhileTheServerIsDown()
{
    reachCourseList();
    if (QTest::currentTestFailed())
        return;
    enterLesson();
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), 15000);
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const quint16 port = classroom->port();
    classroom->close();
    // The drop opens the reconnect window, whose first try fails at once.
    QTRY_VERIFY_WITH_TIMEOUT(m_application->reconnectWindow()->isVisible(), 15000);
    ReconnectView *view = m_application->reconnectView();
    QTRY_VERIFY_WITH_TIMEOUT(view->isReconnectEnabled(), 15000);
    QCOMPARE(view->stateText(), QString::fromUtf8("网络错误"));

    QPushButton *reconnect = view->findChild<QPushButton *>("reconnectButton");
    QElapsedTimer clock;
    clock.start();
    reconnect->click();
    QCOMPARE(view->stateText(), QString::fromUtf8("正在登录..."));
    QVERIFY(!view->isReconnectEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(view->isReconnectEnabled(), 15000);
    QCOMPARE(view->stateText(), QString::fromUtf8("网络错误"));
    QVERIFY2(clock.elapsed() >= ReconnectView::minimumTryMs - 20, qPrintable(QString::number(clock.elapsed())));

    // Back: the next press logs in, rejoins, and the class window stays.
    QVERIFY(classroom->listen(port));
    reconnect->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_application->reconnectWindow()->isVisible(), 15000);
    QVERIFY(!m_application->isReconnecting());
    QCOMPARE(m_application->stage(), int(ZephApplication::StageSchoolClass));
    QVERIFY(m_application->classWindow()->isVisible());
}

void TestZephApplication::loginWindowComesBackCleanWhereItWas_data()
{
    QTest::addColumn<QString>("flow");
    QTest::addColumn<QPoint>("placed"); // where the user moved the window; null: never moved
    const QPoint moved(140, 60);
    QTest::newRow("reconnect given up on the course list") << "reconnect" << moved;
    QTest::newRow("reconnect given up, window never moved") << "reconnect" << QPoint();
    QTest::newRow("reconnect given up in a lesson") << "reconnect in lesson" << moved;
    QTest::newRow("relogin given up") << "relogin" << moved;
    QTest::newRow("quit refused") << "quit" << moved;
}

void TestZephApplication::loginWindowComesBackCleanWhereItWas()
{
    QFETCH(QString, flow);
    QFETCH(QPoint, placed);
    QPoint where;
    reachCourseListAfterErrors(placed, where);
    if (QTest::currentTestFailed())
        return;
    LoginClient *login = m_application->loginClient();
    QVERIFY(!login->isVisible());
    FakeClassroomServer *classroom = m_sandbox->classroom();
    const quint16 port = classroom->port();

    if (flow == "reconnect") {
        classroom->close(); // so that the reconnect cannot succeed before it is given up
        m_application->slotSocketTimeoutIn(true);
        QVERIFY(m_application->reconnectWindow()->isVisible());
        m_application->reconnectWindow()->close();
    } else if (flow == "reconnect in lesson") {
        enterLesson();
        QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageSchoolClass), 15000);
        classroom->close();
        QTRY_VERIFY_WITH_TIMEOUT(m_application->reconnectWindow()->isVisible(), 15000);
        m_application->reconnectView()->findChild<QPushButton *>("exitButton")->click();
        QVERIFY(!m_application->classWindow());
    } else if (flow == "relogin") {
        QVERIFY(g_reLoginView->slotLoginStartIn());
        QVERIFY(m_application->reloginWindow()->isVisible());
        m_application->reloginWindow()->findChild<QPushButton *>("exitButton")->click();
        QVERIFY(!m_application->reloginWindow()->isVisible());
    } else {
        MessageBoxCloser boxes;
        m_application->slotQuitClassFailIn(QString::fromUtf8("退出班级失败"));
        QCOMPARE(boxes.texts, QStringList { QString::fromUtf8("退出班级失败") });
    }

    QCOMPARE(m_application->stage(), int(ZephApplication::StageLogin));
    QVERIFY(!m_application->courseListWindow()->isVisible());
    QVERIFY(login->isVisible());
    QCOMPARE(login->pos(), where);
    // A new start: no earlier error, no captcha, the login form.
    QVERIFY(!login->findChild<QLabel *>("errorLabel")->isVisible());
    QVERIFY(!login->findChild<QWidget *>("verifyWidget")->isVisible());
    QCOMPARE(login->loginErrorCount(), 0);
    QCOMPARE(login->findChild<QStackedWidget *>("loginStackedWidget")->currentIndex(), 0);
    QVERIFY(login->findChild<QLineEdit *>("verifyEdit")->text().isEmpty());
    if (!classroom->isListening())
        QVERIFY(classroom->listen(port));
    // And it signs in again without a captcha.
    signIn(m_sandbox->account().userCode, m_sandbox->account().password);
    QTRY_COMPARE_WITH_TIMEOUT(m_application->stage(), int(ZephApplication::StageCourseList), 10000);
}

QTEST_MAIN(TestZephApplication)
#include "tst_zephapplication.moc"
