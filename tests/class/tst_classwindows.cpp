#include "platform/devicecatalog/fakedevicecatalog.h"
#include "platform/soundcontrol/fakesoundcontrol.h"
#include "tests/class/classwindowtest.h"
#include "tests/course/coursewaretest.h"
#include "tests/support/classroomlink.h"
#include "tests/support/messagecollector.h"
#include "tests/support/tempworkdir.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/centerview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/maintool/toolview.h"
#include "vrek/media/panels/mediaview.h"
#include "vrek/media/panels/mediaview3.h"
#include "vrek/media/control/mediaviewinterface.h"
#include "vrek/media/panels/mediaviewwebrtc.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/logoutview.h"
#include "vrek/viewui/popup.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

using namespace CoursewareTest;

namespace {
// The frame flags the application gives the class windows: its close button leaves closing to the window.
constexpr int classWindowFlags = 0x300408;
constexpr int lockBits = SchoolClassView::titleLockBits;
const char *const lockedNotice = "教师已锁定您的屏幕";
const char *const unlockedNotice = "教师已解锁您的屏幕";
// A media panel's late state as the class hears it: the lecturer's stream to pull.
const char *const mediaLateText = "3$0$L1$$L1s$0$$";

// A media panel that is no widget: it notes what the window asks of it in a list that outlives it, and tells a
// late joiner its state over the classroom connection as a panel does.
class RecordingMediaView : public MediaViewInterface
{
public:
    RecordingMediaView(QStringList &calls, bool &deleted)
        : m_calls(calls)
        , m_deleted(deleted)
    { }
    ~RecordingMediaView() override { m_deleted = true; }

    void initialLater() override { m_calls << "initialLater"; }
    GlobalEnum::PushStreamState getPushStreamState() override { return GlobalEnum::PSS0; }
    void stopAllPullStream() override { m_calls << "stopAllPullStream"; }
    void stopPullStream(const QString &userId) override { m_calls << "stopPullStream " + userId; }
    PushStreamInterface *getPushStreamInterface() override { return nullptr; }
    void sendLateState(const QString &userId) const override
    {
        m_calls << "sendLateState " + userId;
        g_socketClientManager->sendServerForwardPersonal(userId, "0", mediaLateText);
    }
    bool stopPushStreamLect() override
    {
        m_calls << "stopPushStreamLect";
        return true;
    }
    bool stopPushStreamListener() override
    {
        m_calls << "stopPushStreamListener";
        return true;
    }
    void lectOnline(const QString &userId) override { m_calls << "lectOnline " + userId; }

private:
    QStringList &m_calls;
    bool &m_deleted;
};

QString noticeOf(SchoolClassView *view)
{
    return view->popUp()->findChild<QLabel *>("textLabel")->text();
}
} // namespace

// The class windows as a whole: the order of their steps, the school window's title lock between the teacher's
// screen lock, full-screen videos and the leave dialog, the connection's loss and return, closing, and the
// teacher window's answer to a late joiner.
class TestClassWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void stepsRunInOrder_data();
    void stepsRunInOrder();
    void windowByClassType_data();
    void windowByClassType();
    void titleLock_data();
    void titleLock();
    void lockLinesAndTheLecturerLeavingOverTheConnection();
    void oddLocks();
    void chatDraftStaysUntilSentOrDeleted();
    void textLostWhileTheWindowIsDisabledComesBack();
    void connectionLostAndBack_data();
    void connectionLostAndBack();
    void closingTheSchoolWindow();
    void closingTheTeacherWindowStopsThePushOnlyWhenConnected_data();
    void closingTheTeacherWindowStopsThePushOnlyWhenConnected();
    void panelThatIsNoWidgetIsDeletedWithAWarning();
    void lateJoinerHearsEveryStateInOrder();

private:
    // Hands the windows made from now on a recording panel.
    void useRecordingPanel();

    TempWorkDir *m_work = nullptr;
    ClassroomLink *m_link = nullptr;
    UserInfoManager *m_users = nullptr;
    QStringList m_calls;
    bool m_panelDeleted = false;
};

void TestClassWindows::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    // The courseware area lists the stored course files.
    QVERIFY(DBManager::dbFileInitial());
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
    machine->inputs = { FakeDeviceCatalog::audio("USB Mic") };
    machine->cameras = { FakeDeviceCatalog::camera("USB Cam") };
    DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
    SoundControl::setFactory(FakeSoundControl::factory(std::make_shared<FakeSoundControl::Machine>()));
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_users = m_link->users();
}

void TestClassWindows::cleanupTestCase()
{
    delete m_link;
    SoundControl::setFactory({});
    DeviceCatalog::setFactory(nullptr);
    delete m_work;
}

void TestClassWindows::init()
{
    ClassWindowTest::enterStudentLesson();
    m_calls.clear();
    m_panelDeleted = false;
    m_link->clear();
}

void TestClassWindows::cleanup()
{
    MediaViewInterface::setMaker({});
    g_socketClientManager = m_link->manager();
    g_userType = 1;
}

void TestClassWindows::useRecordingPanel()
{
    MediaViewInterface::setMaker([this] { return new RecordingMediaView(m_calls, m_panelDeleted); });
}

void TestClassWindows::stepsRunInOrder_data()
{
    QTest::addColumn<bool>("school");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("school class window") << true
                                         << QStringList { "menuInitial", "userInitial", "chatInitial", "centerInitial",
                                                "logoutInitial", "mediaInitial", "toolInitial", "frameInitial",
                                                "deviceInitial", "answerInitial", "callRollInitial", "praiseInitial",
                                                "tipInitial", "lockInitial" };
    QTest::newRow("teacher class window")
        << false
        << QStringList { "frameInitial", "menuInitial", "userInitial", "chatInitial", "centerInitial", "logoutInitial",
               "mediaInitial", "toolInitial", "deviceInitial", "tipInitial" };
}

void TestClassWindows::stepsRunInOrder()
{
    QFETCH(bool, school);
    QFETCH(QStringList, steps);
    if (!school) {
        g_userType = 3;
        g_classType = 5;
    }
    MessageCollector messages;
    std::unique_ptr<QWidget> view(
        school ? static_cast<QWidget *>(new SchoolClassView) : static_cast<QWidget *>(new TeacherClassView));
    QStringList logged;
    const QRegularExpression stepName("^[a-zA-Z]+Initial$");
    for (const QString &message : messages.messages()) {
        if (stepName.match(message).hasMatch())
            logged << message;
    }
    QCOMPARE(logged, steps);
}

void TestClassWindows::windowByClassType_data()
{
    QTest::addColumn<bool>("school");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("leaveText");
    const QString lesson = QStringLiteral("确定退出课堂吗?");
    const QString meeting = QStringLiteral("确定退出会议吗?");
    for (int classType : { 0, 1, 2, 3, 4, 8 })
        QTest::addRow("school, %d", classType) << true << classType << "webrtc" << lesson;
    QTest::newRow("school, 6") << true << 6 << "rtmp" << meeting;
    QTest::newRow("school, 7") << true << 7 << "rtmp" << lesson;
    QTest::newRow("school, 5") << true << 5 << "" << meeting;
    QTest::newRow("school, -1") << true << -1 << "" << lesson;
    QTest::newRow("teacher, 5") << false << 5 << "meeting" << meeting;
    QTest::newRow("teacher, 6") << false << 6 << "" << meeting;
    QTest::newRow("teacher, 4") << false << 4 << "" << lesson;
    QTest::newRow("teacher, -1") << false << -1 << "" << lesson;
}

void TestClassWindows::windowByClassType()
{
    QFETCH(bool, school);
    QFETCH(int, classType);
    QFETCH(QString, panel);
    QFETCH(QString, leaveText);
    g_classType = classType;
    if (!school) {
        g_userType = 2;
        g_userId = "T1";
    }
    MessageCollector messages;
    QWidget *widget
        = school ? static_cast<QWidget *>(new SchoolClassView) : static_cast<QWidget *>(new TeacherClassView);
    TitleView frame(widget, "TaviStudent.exe", classWindowFlags);
    auto *schoolView = qobject_cast<SchoolClassView *>(widget);
    auto *teacherView = qobject_cast<TeacherClassView *>(widget);
    MediaViewInterface *media = school ? schoolView->mediaView() : teacherView->mediaView();
    QCOMPARE(messages.count(QString("classType unknown error! classType: %1").arg(classType)), panel.isEmpty() ? 1 : 0);
    QCOMPARE(dynamic_cast<MediaViewWebrtc *>(media) != nullptr, panel == "webrtc");
    QCOMPARE(dynamic_cast<MediaView *>(media) != nullptr, panel == "rtmp");
    QCOMPARE(dynamic_cast<MediaView3 *>(media) != nullptr, panel == "meeting");
    // The device panel hands the devices to the media panel's push: without one there is none.
    const bool devices = school ? schoolView->deviceSetMini() != nullptr : teacherView->deviceSetMini() != nullptr;
    QCOMPARE(devices, !panel.isEmpty());
    LogoutView *leave = school ? schoolView->logoutView() : teacherView->logoutView();
    QCOMPARE(leave->text(), leaveText);

    // The window opens, loses and regains the connection and closes as any other.
    QSignalSpy closed(widget, SIGNAL(signalCloseOut()));
    auto *main = dynamic_cast<MainViewInterface *>(widget);
    school ? schoolView->initialLater() : teacherView->initialLater();
    main->clientOnline();
    frame.show();
    QVERIFY(widget->isVisible() && widget->isEnabled());
    main->clientOffline();
    QVERIFY(!widget->isEnabled());
    main->clientOnline();
    QVERIFY(widget->isEnabled());
    if (school)
        schoolView->sendLateState("S7");
    else
        teacherView->sendLateState("S7");
    frame.close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(messages.count("SchoolClassView::initialLater titleView is null!") == 0);
}

void TestClassWindows::titleLock_data()
{
    // Steps: lock and unlock from the lecturer, a video going full screen and coming back, the frame's close button,
    // the leave dialog's "取消", the lecturer leaving.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("titleLocked");
    QTest::addColumn<bool>("screenLocked");
    QTest::addColumn<bool>("fullScreen"); // the frame's
    QTest::addColumn<bool>("dialogShown");
    QTest::addColumn<QString>("notice");

    const QString locked = lockedNotice;
    const QString unlocked = unlockedNotice;
    QTest::newRow("lock") << QStringList { "lock" } << true << true << true << false << locked;
    QTest::newRow("lock, unlock") << QStringList { "lock", "unlock" } << false << false << false << false << unlocked;
    QTest::newRow("lock in full screen") << QStringList { "full", "lock" } << false << true << false << false << locked;
    QTest::newRow("lock in full screen, full screen ends")
        << QStringList { "full", "lock", "fullEnd" } << true << true << true << false << locked;
    QTest::newRow("full screen while locked")
        << QStringList { "lock", "full" } << false << true << true << false << locked;
    QTest::newRow("unlock in full screen")
        << QStringList { "lock", "full", "unlock" } << false << false << true << false << unlocked;
    QTest::newRow("unlock in full screen, full screen ends")
        << QStringList { "lock", "full", "unlock", "fullEnd" } << false << false << true << false << unlocked;
    QTest::newRow("close button") << QStringList { "close" } << false << false << false << true << QString();
    QTest::newRow("close button, 取消") << QStringList { "close", "cancel" } << false << false << false << false
                                        << QString();
    QTest::newRow("close button while locked, in full screen")
        << QStringList { "lock", "full", "close" } << false << true << true << true << locked;
    QTest::newRow("dialog closed while locked")
        << QStringList { "lock", "full", "close", "cancel" } << true << true << true << false << locked;
    QTest::newRow("lecturer leaves during a lock")
        << QStringList { "lock", "lectLeaves" } << false << false << false << false << unlocked;
    QTest::newRow("lecturer leaves during a lock in full screen")
        << QStringList { "lock", "full", "lectLeaves" } << false << false << true << false << unlocked;
    QTest::newRow("lecturer leaves during a lock in full screen, full screen ends")
        << QStringList { "lock", "full", "lectLeaves", "fullEnd" } << false << false << true << false << unlocked;
    QTest::newRow("lecturer leaves while the leave dialog is open, 取消") << QStringList { "lock", "full", "close",
        "lectLeaves", "cancel" } << false << false << true << false << unlocked;
    // A leave dialog left open under a lock stays the one modal window in front: the lock must not bury it under a
    // class window that it blocks.
    QTest::newRow("lock while the leave dialog is open")
        << QStringList { "close", "lock" } << true << true << true << true << locked;
    QTest::newRow("lock and unlock while the leave dialog is open")
        << QStringList { "close", "lock", "unlock" } << false << false << false << true << unlocked;
    QTest::newRow("lecturer leaves during a lock while the leave dialog is open")
        << QStringList { "close", "lock", "lectLeaves" } << false << false << false << true << unlocked;
    QTest::newRow("lecturer leaves without a lock")
        << QStringList { "lectLeaves" } << false << false << false << false << QString();
}

void TestClassWindows::titleLock()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, titleLocked);
    QFETCH(bool, screenLocked);
    QFETCH(bool, fullScreen);
    QFETCH(bool, dialogShown);
    QFETCH(QString, notice);

    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    frame.show();
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view->mediaView());
    QVERIFY(panel);
    QPushButton *closeButton = frame.findChild<QPushButton *>("exitButton");
    for (const QString &step : steps) {
        if (step == "lock" || step == "unlock") {
            view->slotSocketLockScreen(step == "lock" ? 1 : 0);
        } else if (step == "full") {
            QTest::mouseClick(panel->findChild<QPushButton *>("fullScreen"), Qt::LeftButton);
            QVERIFY(view->isVideoFullScreen());
        } else if (step == "fullEnd") {
            panel->fullTitle()->close();
            QVERIFY(!view->isVideoFullScreen());
        } else if (step == "close") {
            // The button is there to press only while the title bar is free.
            QVERIFY(closeButton->isVisible());
            QTest::mouseClick(closeButton, Qt::LeftButton);
        } else if (step == "cancel") {
            QTest::mouseClick(view->logoutView()->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
        } else if (step == "lectLeaves") {
            emit m_users->signalLectInfoOffline(UserInfo("T1", "王老师", "0"));
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
    QCOMPARE(view->isTitleLocked(), titleLocked);
    QCOMPARE(view->isScreenLocked(), screenLocked);
    QCOMPARE(frame.titleFlags() & lockBits, titleLocked ? lockBits : 0);
    QCOMPARE(closeButton->isVisible(), !titleLocked);
    QCOMPARE(frame.isFullScreenFlag(), fullScreen);
    QCOMPARE(view->logoutTitle()->isVisible(), dialogShown);
    QCOMPARE(QApplication::activeModalWidget() == view->logoutTitle(), dialogShown);
    QCOMPARE(noticeOf(view), notice);
    // The frame's other bits stay as they were.
    QCOMPARE(frame.titleFlags() & ~lockBits, classWindowFlags);
    QVERIFY(frame.isVisible());
    view->popUp()->hide();
}

void TestClassWindows::lockLinesAndTheLecturerLeavingOverTheConnection()
{
    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    frame.show();
    m_link->server().sendLine(R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},)"
                              R"({"userId":"S1","userName":"李小明","userType":"1"}])");
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("T1"));
    m_link->server().sendLine("11\t2\t1");
    QTRY_VERIFY(view->isTitleLocked());
    QVERIFY(frame.isFullScreenFlag());
    m_link->server().sendLine("11\t2\t0");
    QTRY_VERIFY(!view->isScreenLocked());
    QVERIFY(!frame.isFullScreenFlag());

    // Locked again, the lecturer leaves the lesson while a video is full screen: the lock ends for good.
    m_link->server().sendLine("11\t2\t1");
    QTRY_VERIFY(view->isTitleLocked());
    auto *panel = dynamic_cast<MediaViewWebrtc *>(view->mediaView());
    QTest::mouseClick(panel->findChild<QPushButton *>("fullScreen"), Qt::LeftButton);
    m_link->server().sendLine(R"(3	1	[{"userId":"T1","userName":"王老师","userType":"0"}])");
    QTRY_VERIFY(!view->isScreenLocked());
    QCOMPARE(noticeOf(view), QString(unlockedNotice));
    panel->fullTitle()->close();
    QVERIFY(!view->isTitleLocked());
    QCOMPARE(frame.titleFlags() & lockBits, 0);
    view->popUp()->hide();
}

namespace {
const char *const participantsLine = R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},)"
                                     R"({"userId":"S1","userName":"李小明","userType":"1"}])";
const char *const lecturerLeftLine = R"(3	1	[{"userId":"T1","userName":"王老师","userType":"0"}])";
const char *const lecturerBackLine = R"(3	0	[{"userId":"T1","userName":"王老师","userType":"0"}])";
const char *const muteLine = "11\t0\t1$3$T1$1500000000$S1$";
const char *const unmuteLine = "11\t0\t1$2$T1$1500000000$S1$";

// Types the text into the box as a keyboard with an input method does: one key event that carries it.
void type(QWidget *box, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

// How many forwarded lines carry the chat text.
int forwardsOf(ClassroomLink *link, const QString &text)
{
    const QString encoded = QString::fromLatin1(text.toUtf8().toBase64(QByteArray::Base64UrlEncoding));
    return link->forwards().filter(encoded).size();
}
} // namespace

// What the student typed stays in the chat's input through everything the lesson does to the window, until it is
// sent: a text the connection refused, the window disabled and enabled again with the connection, the teacher's
// lock and unlock, the lecturer leaving during a lock, a mute and its end, another tab.
void TestClassWindows::chatDraftStaysUntilSentOrDeleted()
{
    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    view->clientOnline();
    frame.show();
    m_link->server().sendLine(participantsLine);
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("T1"));
    view->userChatWidget()->setCurrentIndex(1);
    ChatView *chat = view->chatView();
    QTextEdit *input = chat->textEdit();
    QSignalSpy tips(chat, &ChatView::showMessageTip);

    // The network goes: the text is refused, the student told, the text kept.
    m_link->server().drop();
    QTRY_VERIFY(!g_socketClientManager->canDeliver());
    const QString draft = QStringLiteral("老师，第三题我没听懂");
    type(input, draft);
    chat->sendButton()->click();
    QCOMPARE(input->toPlainText(), draft);
    QVERIFY(!tips.isEmpty());
    QCOMPARE(tips.last().first().toString(), ChatView::notSentText);
    // The connection's time-out disables the window; it comes back with the connection.
    view->clientOffline();
    QVERIFY(m_link->connectToServer());
    QTRY_VERIFY(g_socketClientManager->canDeliver());
    view->clientOnline();
    m_link->server().sendLine(participantsLine);
    QCOMPARE(input->toPlainText(), draft);

    m_link->server().sendLine("11\t2\t1");
    QTRY_VERIFY(view->isScreenLocked());
    QCOMPARE(input->toPlainText(), draft);
    m_link->server().sendLine("11\t2\t0");
    QTRY_VERIFY(!view->isScreenLocked());
    QCOMPARE(input->toPlainText(), draft);

    // Locked again, the lecturer leaves, which ends the lock, and comes back.
    m_link->server().sendLine("11\t2\t1");
    QTRY_VERIFY(view->isScreenLocked());
    m_link->server().sendLine(lecturerLeftLine);
    QTRY_VERIFY(!view->isScreenLocked());
    QCOMPARE(input->toPlainText(), draft);
    m_link->server().sendLine(lecturerBackLine);
    QTRY_VERIFY(g_userInfoHash.isUserOnline("T1"));
    QCOMPARE(input->toPlainText(), draft);

    // Muted, the box says so in place of the draft, which comes back with the unmute.
    m_link->server().sendLine(muteLine);
    QTRY_VERIFY(!input->isEnabled());
    QCOMPARE(input->toPlainText(), QStringLiteral("您已被禁言！"));
    m_link->server().sendLine(unmuteLine);
    QTRY_VERIFY(input->isEnabled());
    QCOMPARE(input->toPlainText(), draft);
    // Typed on where it was left.
    type(input, QStringLiteral("？"));
    QCOMPARE(input->toPlainText(), draft + QStringLiteral("？"));

    view->userChatWidget()->setCurrentIndex(0);
    view->userChatWidget()->setCurrentIndex(1);
    QCOMPARE(input->toPlainText(), draft + QStringLiteral("？"));

    // Sent at last: it goes out once, and the box is empty.
    m_link->clear();
    chat->sendButton()->click();
    QVERIFY(input->toPlainText().isEmpty());
    QCOMPARE(forwardsOf(m_link, draft + QStringLiteral("？")), 1);
    view->popUp()->hide();
}

// A text that went out as the connection went is handed back when the connection is found lost; the window the
// application disabled meanwhile takes it into its input all the same.
void TestClassWindows::textLostWhileTheWindowIsDisabledComesBack()
{
    // A signed-in connection of its own, which knows what the server has read; its student is 1001.
    struct Restore
    {
        UserInfoManager *users;
        ~Restore() { g_userInfoManager = users; }
    } restore { m_users };
    ClassroomLink link;
    link.server().answerLogin();
    link.server().answerHeartbeats();
    QVERIFY(link.connectToServer());
    QTRY_VERIFY(g_socketClientManager->sendMark().session != 0);
    link.users();
    ClassWindowTest::enterStudentLesson();
    g_userId = "1001";
    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    view->clientOnline();
    frame.show();
    link.server().sendLine(R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},)"
                           R"({"userId":"1001","userName":"李小明","userType":"1"}])");
    QTRY_VERIFY(g_userInfoHash.containsUserInfo("T1"));
    view->userChatWidget()->setCurrentIndex(1);
    ChatView *chat = view->chatView();
    QTextEdit *input = chat->textEdit();

    // The server answers nothing more: the text goes out and is never known read.
    link.server().setSilent(true);
    const QString lost = QStringLiteral("我的画面卡住了");
    type(input, lost);
    chat->sendButton()->click();
    QCOMPARE(forwardsOf(&link, lost), 1);
    QVERIFY(input->toPlainText().isEmpty());
    type(input, QStringLiteral("还有声音"));
    // The application finds the connection timed out and disables the window; then it is lost.
    view->clientOffline();
    QVERIFY(!input->isEnabled());
    link.server().drop();
    QTRY_COMPARE(input->toPlainText(), lost + QStringLiteral("\n还有声音"));
    view->clientOnline();
    QCOMPARE(input->toPlainText(), lost + QStringLiteral("\n还有声音"));
}

void TestClassWindows::oddLocks()
{
    // An unknown flag frees the title without writing the flag word.
    {
        auto *view = new SchoolClassView();
        TitleView frame(view, "TaviStudent.exe", classWindowFlags);
        view->initialLater();
        frame.show();
        view->slotSocketLockScreen(1);
        QTest::ignoreMessage(QtWarningMsg, "flag unknown error! flag: 7");
        view->slotSocketLockScreen(7);
        QVERIFY(!view->isTitleLocked());
        QCOMPARE(frame.titleFlags() & lockBits, lockBits);
        // Written again on the next change.
        view->slotTitleMainViewEnable();
        QCOMPARE(frame.titleFlags() & lockBits, 0);
        view->popUp()->hide();
    }
    // An observer is never locked.
    {
        g_userType = 5;
        auto *view = new SchoolClassView();
        TitleView frame(view, "TaviStudent.exe", classWindowFlags);
        view->initialLater();
        view->slotSocketLockScreen(1);
        QVERIFY(!view->isScreenLocked());
        QCOMPARE(frame.titleFlags(), classWindowFlags);
        g_userType = 1;
    }
    // A window without its frame only logs.
    {
        SchoolClassView view;
        QTest::ignoreMessage(QtWarningMsg, "SchoolClassView::initialLater titleView is null!");
        view.initialLater();
        QTest::ignoreMessage(QtWarningMsg, "title is null!");
        view.slotSocketLockScreen(1);
        QVERIFY(!view.isScreenLocked());
    }
}

void TestClassWindows::connectionLostAndBack_data()
{
    QTest::addColumn<bool>("school");
    QTest::addColumn<QStringList>("stops");
    QTest::addColumn<bool>("onlineResetsPresence");
    QTest::newRow("school class window") << true << QStringList { "stopPushStreamListener", "stopAllPullStream" }
                                         << true;
    QTest::newRow("teacher class window")
        << false << QStringList { "stopPushStreamLect", "stopAllPullStream" } << false;
}

void TestClassWindows::connectionLostAndBack()
{
    QFETCH(bool, school);
    QFETCH(QStringList, stops);
    QFETCH(bool, onlineResetsPresence);
    if (!school) {
        g_userType = 2;
        g_userId = "T1";
        g_classType = 5;
    }
    useRecordingPanel();
    std::unique_ptr<QWidget> widget(
        school ? static_cast<QWidget *>(new SchoolClassView) : static_cast<QWidget *>(new TeacherClassView));
    auto *view = dynamic_cast<MainViewInterface *>(widget.get());
    UserInfoView *users = school ? static_cast<SchoolClassView *>(widget.get())->userInfoView()
                                 : static_cast<TeacherClassView *>(widget.get())->userInfoView();
    m_link->server().sendLine(R"(3	[{"userId":"T1","userName":"王老师","userType":"0"},)"
                              R"({"userId":"S1","userName":"李小明","userType":"1"},)"
                              R"({"userId":"S2","userName":"张小红","userType":"1"}])");
    QTRY_VERIFY(g_userInfoHash.isUserOnline("S2"));
    QTRY_VERIFY(users->onlineStudentCount() > 0);
    QVERIFY(!g_teacherList.isEmpty());

    m_calls.clear();
    view->clientOffline();
    QCOMPARE(m_calls, stops);
    QVERIFY(!widget->isEnabled());
    QVERIFY(!g_userInfoHash.isUserOnline("S2"));
    QVERIFY(g_teacherList.isEmpty());
    QCOMPARE(users->onlineStudentCount(), 0);
    // Input is ignored meanwhile.
    QVERIFY(!users->isEnabled());

    // Presence seen again before the list comes back is forgotten by the school window alone.
    UserInfo again = ClassWindowTest::storedUser("S2");
    again.setOnline(true);
    g_userInfoHash.updateUserInfo(again);
    m_link->clear();
    view->clientOnline();
    QVERIFY(widget->isEnabled());
    QCOMPARE(m_link->sent().filter(QRegularExpression("^3\t")), QStringList { "3\t" + g_userId });
    QCOMPARE(g_userInfoHash.isUserOnline("S2"), !onlineResetsPresence);
}

void TestClassWindows::closingTheSchoolWindow()
{
    useRecordingPanel();
    auto *view = new SchoolClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    frame.show();
    for (const char *id : { "S1", "S2", "T1" }) {
        UserInfo userInfo(id, id, QString(id) == "T1" ? "0" : "1");
        userInfo.setExtraState(3);
        g_userInfoHash.updateUserInfo(userInfo);
    }
    // A deck of the class is open when the window closes.
    const QString pictures = QStringLiteral("pd006_1");
    QVERIFY(writePictureDeck(*m_work, pictures, { "page_1.jpg" }));
    storeCourseFile(pictures, QString::fromUtf8("练习.pdf"));
    view->centerView()->slotAddCourseFile(pictures, QString::fromUtf8("练习.pdf"));
    view->centerView()->slotOpenFile(pictures, GlobalEnum::PPMServer);
    QCOMPARE(view->centerView()->currentCourseType(), int(CenterView::CoursePicture));
    QSignalSpy closed(view, &SchoolClassView::signalCloseOut);
    m_calls.clear();
    m_link->clear();
    frame.close();
    QCOMPARE(closed.count(), 1);
    for (const char *id : { "S1", "S2", "T1" })
        QCOMPARE(ClassWindowTest::storedUser(id).getExtraState(), 0);
    QCOMPARE(m_calls, QStringList { "stopPushStreamLect" });
    // The default view, as the classroom server's: nothing goes to the class.
    QCOMPARE(view->centerView()->currentCourseType(), int(CenterView::CourseNone));
    QCOMPARE(view->centerView()->courseStackedWidget()->currentIndex(), int(CenterView::CourseDefaultPage));
    QVERIFY(m_link->forwards().isEmpty());
}

void TestClassWindows::closingTheTeacherWindowStopsThePushOnlyWhenConnected_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("connected") << true;
    QTest::newRow("connection lost") << false;
}

void TestClassWindows::closingTheTeacherWindowStopsThePushOnlyWhenConnected()
{
    QFETCH(bool, connected);
    g_userType = 2;
    g_userId = "T1";
    g_classType = 5;
    useRecordingPanel();
    auto *view = new TeacherClassView();
    TitleView frame(view, "TaviStudent.exe", classWindowFlags);
    view->initialLater();
    frame.show();
    SocketClientManager unconnected(GlobalEnum::User2);
    if (!connected)
        g_socketClientManager = &unconnected;
    QSignalSpy closed(view, &TeacherClassView::signalCloseOut);
    m_calls.clear();
    frame.close();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(m_calls, connected ? QStringList { "stopPushStreamLect" } : QStringList());
    g_socketClientManager = m_link->manager();
}

void TestClassWindows::panelThatIsNoWidgetIsDeletedWithAWarning()
{
    useRecordingPanel();
    auto *view = new SchoolClassView();
    QCOMPARE(m_calls, QStringList());
    view->initialLater();
    QCOMPARE(m_calls, QStringList { "initialLater" });
    MessageCollector messages;
    delete view;
    QVERIFY(m_panelDeleted);
    QCOMPARE(messages.count("mediaView:"), 1);
}

void TestClassWindows::lateJoinerHearsEveryStateInOrder()
{
    g_userType = 2;
    g_userId = "L1";
    g_lectId = "L1";
    g_classType = 5;
    useRecordingPanel();
    TeacherClassView view;
    view.initialLater();
    // The open courseware: a picture deck.
    const QString pictures = QStringLiteral("pd005_1");
    QVERIFY(writePictureDeck(*m_work, pictures, { "page_1.jpg", "page_2.jpg" }));
    storeCourseFile(pictures, QString::fromUtf8("练习.pdf"));
    view.centerView()->slotAddCourseFile(pictures, QString::fromUtf8("练习.pdf"));
    view.centerView()->slotOpenFile(pictures, GlobalEnum::PPMLocal);
    // The class's screens locked, the late joiner muted with the rest.
    view.toolView()->findChild<QPushButton *>("lockScreenBtn")->click();
    g_userInfoHash.updateUserInfo(UserInfo("S7", "张小红", "1"));
    view.chatView()->findChild<QPushButton *>("noTalkButton")->click();
    m_link->clear();

    view.sendLateState("S7");
    const QStringList toJoiner = m_link->forwards().filter(QRegularExpression("^11\t1\tS7\t"));
    const auto at = [&toJoiner](const QString &pattern) {
        const int index = toJoiner.indexOf(QRegularExpression(pattern));
        if (index < 0)
            qWarning().noquote() << "no line" << pattern << "in" << toJoiner;
        return index;
    };
    // Whole lines: the open deck, the hands allowed, the screens locked, the media, the mute, the end.
    const QList<int> order { at(QString("11\t1\tS7\t0\\$0\\$%1:.*").arg(pictures)), at("11\t1\tS7\t2\t3"),
        at("11\t1\tS7\t1\t2"), at(QString("11\t1\tS7\t\\Q%1\\E\t0").arg(mediaLateText)),
        at("11\t1\tS7\t1\\$3\\$L1\\$.*\\$S7\\$\t0"), at("11\t1\tS7\t2\\$6:L1\t0") };
    for (int i = 0; i < order.size(); ++i) {
        QVERIFY2(order.at(i) >= 0, qPrintable(QString("state %1 missing").arg(i)));
        if (i > 0)
            QVERIFY2(order.at(i - 1) < order.at(i), qPrintable(QString("state %1 before %2").arg(i).arg(i - 1)));
    }
    QCOMPARE(toJoiner.last(), QString("11\t1\tS7\t2$6:L1\t0"));
    QVERIFY(m_calls.contains("sendLateState S7"));
}

QTEST_MAIN(TestClassWindows)
#include "tst_classwindows.moc"
