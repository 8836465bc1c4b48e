#include "vrek/interface/processuniqueinterface.h"

#include <QtTest>

class TestProcessUniqueInterface : public QObject
{
    Q_OBJECT
private slots:
    void oneFlowAtATime();
    void releaseByAnotherTypeKeepsTheLock();
    void noneIsNeverATaker();
};

void TestProcessUniqueInterface::oneFlowAtATime()
{
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QVERIFY(ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessNormalLogin));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    // Neither another flow nor the same one gets it twice, and a refusal changes nothing.
    QVERIFY(!ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessReconnect));
    QVERIFY(!ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessNormalLogin));
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNormalLogin);
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessNormalLogin, true);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
    QVERIFY(ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessReconnect));
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessReconnect, true);
}

void TestProcessUniqueInterface::releaseByAnotherTypeKeepsTheLock()
{
    QVERIFY(ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessReconnect));
    QTest::ignoreMessage(QtWarningMsg, "ProcessUniqueInterface::releaseProcessLock processType: 2 pt: 1");
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessNormalLogin, true);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessReconnect);
    QVERIFY(!ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessNormalLogin));
    // Without the warning flag it is silent, and still leaves the lock held.
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessNormalLogin, false);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessReconnect);
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessReconnect, true);
    QCOMPARE(ProcessUniqueInterface::getProcessType(), ProcessUniqueInterface::ProcessNone);
}

void TestProcessUniqueInterface::noneIsNeverATaker()
{
    // Releasing a free lock must not unlock a mutex nobody holds.
    QTest::ignoreMessage(QtWarningMsg, "ProcessUniqueInterface::releaseProcessLock processType: 0 pt: 0");
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessNone, true);
    QVERIFY(!ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessNone));
    QVERIFY(ProcessUniqueInterface::tryProcessLock(ProcessUniqueInterface::ProcessNormalLogin));
    ProcessUniqueInterface::releaseProcessLock(ProcessUniqueInterface::ProcessNormalLogin, true);
}

QTEST_GUILESS_MAIN(TestProcessUniqueInterface)
#include "tst_processuniqueinterface.moc"
