#include "tests/support/classroomlink.h"
#include "vrek/media/control/pullfrmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

class TestPullFRManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void askingSide();
    void answeringSide();

private:
    ClassroomLink *m_link = nullptr;
};

void TestPullFRManager::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestPullFRManager::cleanupTestCase()
{
    delete m_link;
}

void TestPullFRManager::init()
{
    g_classId = "c1";
    m_link->clear();
}

void TestPullFRManager::askingSide()
{
    g_userType = 0;
    g_userId = "L1";
    PullFRManager manager;
    QSignalSpy starts(&manager, &PullFRManager::sendPullFRStartOut);
    QSignalSpy stops(&manager, &PullFRManager::sendPullFRStopOut);

    manager.startRequestFRIn();
    const QString id = manager.firstReplyId();
    QVERIFY2(QRegularExpression("^[0-9A-Za-z]{30}$").match(id).hasMatch(), qPrintable(id));
    QCOMPARE(m_link->forwards(), QStringList { "11\t0\tc1\t3$10$L1$$$0$$" + id + "\t0" });
    // One request at a time.
    manager.startRequestFRIn();
    QCOMPARE(m_link->forwards().size(), 1);

    manager.receiveResponseFRStartIn("S1", id);
    manager.receiveResponseFRStopIn("S1", id);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("isLect:"));
    manager.receiveResponseFRStartIn("S2", "another");
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.at(0).at(0).toString(), QString("S1"));
    QCOMPARE(stops.size(), 1);

    manager.stopRequestFRIn();
    QCOMPARE(m_link->forwards().last(), "11\t0\tc1\t3$11$L1$$$0$$" + id + "\t0");
    QVERIFY(!manager.isRequestRunning());
    // A late answer to the ended request is ignored.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("isLect:"));
    manager.receiveResponseFRStartIn("S3", id);
    QCOMPARE(starts.size(), 1);
}

void TestPullFRManager::answeringSide()
{
    g_userType = 1;
    g_userId = "S1";
    PullFRManager manager;
    QSignalSpy shown(&manager, &PullFRManager::showFRStartOut);
    QSignalSpy hidden(&manager, &PullFRManager::showFRStopOut);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("requestRunning: false"));
    manager.sendResponseFRStartIn();
    QVERIFY(m_link->forwards().isEmpty());

    manager.receiveRequestFRStartIn("L1", "fr1");
    QCOMPARE(shown.size(), 1);
    manager.sendResponseFRStartIn();
    manager.sendResponseFRStopIn();
    QCOMPARE(
        m_link->forwards(), QStringList({ "11\t1\tL1\t3$12$S1$L1$$0$$fr1\t0", "11\t1\tL1\t3$13$S1$L1$$0$$fr1\t0" }));

    // Another request's end is not this one's.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("frId: \"fr2\""));
    manager.receiveRequestFRStopIn("L1", "fr2");
    QCOMPARE(hidden.size(), 0);
    manager.receiveRequestFRStopIn("L1", "fr1");
    QCOMPARE(hidden.size(), 1);
    QVERIFY(!manager.isRequestRunning());
}

QTEST_GUILESS_MAIN(TestPullFRManager)
#include "tst_pullfrmanager.moc"
