#include "tests/support/classroomlink.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/course/centerview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/mainmenu/menuview.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/toolview.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/utils/globalvalue.h"

#include <QStackedWidget>
#include <QtTest>

namespace {
// The window's courseware area and its neighbours: the menu's pages and the pad's messages reach it, and its
// interface mode reaches the menu.
template<typename Window>
void checkCoursewareWiring(Window &view, ClassroomLink &link)
{
    CenterView *center = view.centerView();
    QVERIFY(center);
    QVERIFY(view.isAncestorOf(center));
    emit view.menuView()->signalCenterPageChange(1);
    QCOMPARE(center->pageStackedWidget()->currentIndex(), 1);
    emit center->signalChangeUIType(0);
    QCOMPARE(view.menuView()->pageType(), int(MenuView::PageCourse));
    QCOMPARE(center->pageStackedWidget()->currentIndex(), 0);
    // The pad opens the default view: it goes to the class.
    PPtMessage open(PPtMessage::OpenFile);
    DrawControl control;
    control.setFileIdAll("AAAA_A");
    open.setDrawControl(control);
    link.clear();
    emit view.toolView()->getPadTcpManager()->readPPtMessageOut(open, GlobalEnum::PPMPad);
    QCOMPARE(link.forwards(), QStringList { QString("11\t0\t%1\t0$0$AAAA_A:0:0:1\t0").arg(g_classId) });
}
} // namespace

// The class windows hold the courseware area, whose late-arrival control is the one that answers the connection's
// control messages, and connect it to the menu bar and the pad.
class TestClassWindowLate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void schoolClassWindowCountsTheReplay();
    void teacherClassWindowEndsTheReplay();
    void schoolClassWindowWiresTheCourseware();
    void teacherClassWindowWiresTheCourseware();

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

void TestClassWindowLate::schoolClassWindowWiresTheCourseware()
{
    g_userType = 1;
    g_userId = "S1";
    g_classType = 4;
    SchoolClassView view;
    checkCoursewareWiring(view, *m_link);
}

void TestClassWindowLate::teacherClassWindowWiresTheCourseware()
{
    g_userType = 3;
    g_userId = "S2";
    g_classType = 5;
    TeacherClassView view;
    checkCoursewareWiring(view, *m_link);
}

QTEST_MAIN(TestClassWindowLate)
#include "tst_classwindowlate.moc"
