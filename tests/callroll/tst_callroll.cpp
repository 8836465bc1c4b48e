#include "callroll/callroll.h"
#include "tests/support/classroomlink.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
constexpr int tickMs = 10;

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

class TestCallRoll : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void start_data();
    void start();
    void answerWithinItsTime();
    void noAnswerAfterTheTime();
    void answerWithoutAConnectionIsKept();
    void newCallAfterAnAnswer();
    void schoolClassWindowShowsAndAnswers();

private:
    ClassroomLink *m_link = nullptr;
};

void TestCallRoll::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestCallRoll::cleanupTestCase()
{
    delete m_link;
}

void TestCallRoll::init()
{
    g_userId = "S1";
    g_userType = 1;
    m_link->clear();
}

void TestCallRoll::start_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ticks"); // until the prompt hides; 0: it never shows
    QTest::addColumn<QString>("warning");

    QTest::newRow("five seconds") << 1 << "L1@0@r1@5000" << 5 << QString();
    QTest::newRow("a minute stops at twenty seconds") << 1 << "L1@0@r1@60000" << 20 << QString();
    QTest::newRow("a part second is one tick") << 1 << "L1@0@r1@1" << 1 << QString();
    QTest::newRow("no time left") << 1 << "L1@0@r1@0" << 1 << QString();
    QTest::newRow("flag 1 shows nothing") << 1 << "L1@1@r1@5000" << 0 << QString();
    QTest::newRow("user type five takes no roll call") << 5 << "L1@0@r1@5000" << 0 << QString();
    const QString refused = "the call roll text error! text:";
    QTest::newRow("empty") << 1 << "" << 0 << refused;
    QTest::newRow("three parts") << 1 << "L1@0@r1" << 0 << refused;
    QTest::newRow("five parts") << 1 << "L1@0@r1@5000@x" << 0 << refused;
    QTest::newRow("no caller") << 1 << "@0@r1@5000" << 0 << refused;
    QTest::newRow("no roll call id") << 1 << "L1@0@@5000" << 0 << refused;
    QTest::newRow("time no number") << 1 << "L1@0@r1@soon" << 0 << refused;
    QTest::newRow("time too large") << 1 << "L1@0@r1@99999999999" << 0 << refused;
}

void TestCallRoll::start()
{
    QFETCH(int, userType);
    QFETCH(QString, text);
    QFETCH(int, ticks);
    QFETCH(QString, warning);

    g_userType = userType;
    CallRoll callRoll;
    callRoll.setTickInterval(tickMs);
    QSignalSpy shown(&callRoll, &CallRoll::signalCallRollShow);
    QSignalSpy hidden(&callRoll, &CallRoll::signalCallRollHide);
    QSignalSpy timeouts(callRoll.findChild<QTimer *>(), &QTimer::timeout);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));

    callRoll.onCallRollStart(text);
    if (ticks == 0) {
        QCOMPARE(shown.size(), 0);
        QVERIFY(!callRoll.isRunning());
        // Five ticks on a timer of this thread: a countdown started anyway would have ticked first.
        QVERIFY(passTimers(5 * tickMs));
        QCOMPARE(timeouts.size(), 0);
        QCOMPARE(hidden.size(), 0);
        return;
    }
    QCOMPARE(shown.size(), 1);
    QCOMPARE(callRoll.findChild<QLabel *>("callRollTextLabel")->text(), QString::fromUtf8("老师正在点名,请您答到"));
    QVERIFY(hidden.wait(5000));
    QCOMPARE(timeouts.size(), ticks);
    QCOMPARE(hidden.size(), 1);
    QVERIFY(!callRoll.isRunning());
    QVERIFY(m_link->forwards().isEmpty());
}

void TestCallRoll::answerWithinItsTime()
{
    CallRoll callRoll;
    callRoll.setTickInterval(tickMs);
    QSignalSpy hidden(&callRoll, &CallRoll::signalCallRollHide);
    QSignalSpy ticks(callRoll.findChild<QTimer *>(), &QTimer::timeout);
    callRoll.onCallRollStart("L1@0@r7@5000");
    // Two of its five seconds gone, however long the ticks took: each wait ends on the tick it waited for.
    QVERIFY(ticks.wait(5000));
    QVERIFY(ticks.wait(5000));
    QCOMPARE(callRoll.ticks(), 2);
    QCOMPARE(callRoll.remaining(), 3000);
    QVERIFY(callRoll.isRunning());
    QPushButton *button = callRoll.findChild<QPushButton *>("callRollResButton");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(hidden.size(), 1);
    QVERIFY(!callRoll.isRunning());
    QCOMPARE(callRoll.findChild<QLabel *>("callRollTextLabel")->text(), QString::fromUtf8("已答到"));
    QVERIFY(button->styleSheet().contains(":/image/call/Success.png"));
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tL1\tS1@r7\t10" });
    QCOMPARE(m_link->server().waitForLine("11\t1\tL1\t"), QString("11\t1\tL1\tS1@r7\t10"));
    // A second click answers nothing more.
    QTest::mouseClick(button, Qt::LeftButton);
    callRoll.onResButtonClick();
    QCOMPARE(m_link->forwards().size(), 1);
}

void TestCallRoll::noAnswerAfterTheTime()
{
    CallRoll callRoll;
    callRoll.setTickInterval(tickMs);
    QSignalSpy hidden(&callRoll, &CallRoll::signalCallRollHide);
    callRoll.onCallRollStart("L1@0@r1@2000");
    QVERIFY(hidden.wait(5000));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no roll call running!"));
    callRoll.onResButtonClick();
    QVERIFY(m_link->forwards().isEmpty());
}

void TestCallRoll::answerWithoutAConnectionIsKept()
{
    SocketClientManager offline(GlobalEnum::User1);
    g_socketClientManager = &offline;
    CallRoll callRoll;
    callRoll.setTickInterval(tickMs);
    QSignalSpy hidden(&callRoll, &CallRoll::signalCallRollHide);
    callRoll.onCallRollStart("L1@0@r3@5000");
    QPushButton *button = callRoll.findChild<QPushButton *>("callRollResButton");
    QTest::mouseClick(button, Qt::LeftButton);
    g_socketClientManager = m_link->manager();
    // Told, and the roll call still runs: the student answers again once the connection is back.
    QCOMPARE(callRoll.findChild<QLabel *>("callRollTextLabel")->text(),
        QString::fromUtf8("网络连接已断开，答到未发送，请稍后再点"));
    QVERIFY(callRoll.isRunning());
    QVERIFY(button->isEnabled());
    QCOMPARE(hidden.size(), 0);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tL1\tS1@r3\t10" });
    QCOMPARE(hidden.size(), 1);
}

void TestCallRoll::newCallAfterAnAnswer()
{
    CallRoll callRoll;
    callRoll.setTickInterval(tickMs);
    callRoll.onCallRollStart("L1@0@r1@5000");
    callRoll.onResButtonClick();
    callRoll.onCallRollStart("L2@0@r2@5000");
    QPushButton *button = callRoll.findChild<QPushButton *>("callRollResButton");
    QVERIFY(button->isEnabled());
    QVERIFY(button->styleSheet().contains(":/image/call/Sign_1.png"));
    QCOMPARE(callRoll.findChild<QLabel *>("callRollTextLabel")->text(), QString::fromUtf8("老师正在点名,请您答到"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_link->forwards(), QStringList({ "11\t1\tL1\tS1@r1\t10", "11\t1\tL2\tS1@r2\t10" }));
}

// The roll-call line from the server opens the framed prompt of the school class window; the answer goes back.
void TestCallRoll::schoolClassWindowShowsAndAnswers()
{
    g_classType = 4;
    SchoolClassView view;
    view.initialLater();
    QVERIFY(view.callRoll());
    QVERIFY(view.centerView());
    TitleView *frame = view.callRollTitle();
    QVERIFY(frame);
    QCOMPARE(frame->title(), QString::fromUtf8("课堂点名"));
    QVERIFY(frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!frame->isVisible());

    m_link->server().sendLine("11\t9\tL1@0@r3@60000");
    QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible(), 5000);
    QTest::mouseClick(view.callRoll()->findChild<QPushButton *>("callRollResButton"), Qt::LeftButton);
    QVERIFY(!frame->isVisible());
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tL1\tS1@r3\t10" });

    // A short call hides the frame by itself.
    view.callRoll()->setTickInterval(tickMs);
    QSignalSpy shown(view.callRoll(), &CallRoll::signalCallRollShow);
    QSignalSpy hidden(view.callRoll(), &CallRoll::signalCallRollHide);
    m_link->server().sendLine("11\t9\tL1@0@r4@3000");
    QVERIFY(hidden.wait(5000));
    QCOMPARE(shown.size(), 1);
    QVERIFY(!frame->isVisible());
    QCOMPARE(m_link->forwards().size(), 1);
}

QTEST_MAIN(TestCallRoll)
#include "tst_callroll.moc"
