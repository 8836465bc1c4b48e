#include "tests/support/classroomlink.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/course/centerview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

// The class windows make the late-arrival control and hand it the control messages of the connection.
class TestClassWindowLate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void schoolClassWindowCountsTheReplay();
    void teacherClassWindowEndsTheReplay();

private:
    ClassroomLink *m_link = nullptr;
};

void TestClassWindowLate::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestClassWindowLate::cleanupTestCase()
{
    delete m_link;
}

void TestClassWindowLate::init()
{
    g_lectId = "L1";
    m_link->clear();
}

void TestClassWindowLate::schoolClassWindowCountsTheReplay()
{
    g_userType = 1;
    g_userId = "S1";
    g_classType = 4;
    SchoolClassView view;
    view.initialLater();
    LateCtrlManager *late = view.centerView()->lateCtrlManager();
    QVERIFY(late);
    QVERIFY(!late->isLect());
    m_link->server().sendLine("11\t1\t2$5:L1");
    QTRY_VERIFY_WITH_TIMEOUT(late->isCounting(), 5000);
    m_link->server().sendLine("11\t1\t2$0:0:L1:0");
    QCOMPARE(m_link->server().waitForLine("11\t1\tL1\t"), QString("11\t1\tL1\t2$1:0:S1:0\t0"));
}

void TestClassWindowLate::teacherClassWindowEndsTheReplay()
{
    g_userType = 2;
    g_userId = "L1";
    g_classType = 5;
    TeacherClassView view;
    view.initialLater();
    LateCtrlManager *late = view.centerView()->lateCtrlManager();
    QVERIFY(late);
    QVERIFY(late->isLect());
    // A joiner's board acknowledgement: the status follows, ending with the end of the replay.
    m_link->server().sendLine("11\t1\t2$4:S7");
    QCOMPARE(m_link->server().waitForLine("11\t1\tS7\t2$0:0"), QString("11\t1\tS7\t2$0:0:L1:0\t0"));
    m_link->server().sendLine("11\t1\t2$1:0:S7:0");
    m_link->server().sendLine("11\t1\t2$1:1:S7:0");
    m_link->server().sendLine("11\t1\t2$1:3:S7:0");
    QCOMPARE(m_link->server().waitForLine("11\t1\tS7\t2$6"), QString("11\t1\tS7\t2$6:L1\t0"));
    QCOMPARE(late->latePersonHash().count(), 0);
}

QTEST_MAIN(TestClassWindowLate)
#include "tst_classwindowlate.moc"
