#include "vrek/container/pulluserinfohash.h"
#include "vrek/model/pulluserinfo.h"

#include <QtTest>

class TestPullUserInfoHash : public QObject
{
    Q_OBJECT
private slots:
    void secondRecordForAKnownIdIsRefused();
    void quietMiss();
    void newRecordIsIdle();
};

void TestPullUserInfoHash::secondRecordForAKnownIdIsRefused()
{
    PullUserInfoHash table;
    auto *first = new PullUserInfo("u1");
    first->setPushStreamId("a");
    QVERIFY(table.insertObject(first));
    PullUserInfo second("u1");
    second.setPushStreamId("b");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("PullUserInfoHash::insertObject uid: \"u1\""));
    QVERIFY(!table.insertObject(&second));
    PullUserInfo *found = nullptr;
    QVERIFY(table.selectObject("u1", &found));
    QCOMPARE(found, first);
    QCOMPARE(found->getPushStreamId(), QString("a"));
    QCOMPARE(table.count(), 1);
}

void TestPullUserInfoHash::quietMiss()
{
    PullUserInfoHash table;
    PullUserInfo *found = nullptr;
    static int warnings = 0;
    warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &) { warnings += type == QtWarningMsg; });
    const bool found1 = table.selectObject("nobody", &found, false);
    qInstallMessageHandler(previous);
    QVERIFY(!found1);
    QCOMPARE(found, nullptr);
    QCOMPARE(warnings, 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("PullUserInfoHash::selectObject uid: \"nobody\""));
    QVERIFY(!table.selectObject("nobody", &found));
}

void TestPullUserInfoHash::newRecordIsIdle()
{
    PullUserInfo info("u1");
    QVERIFY(info.isIdle());
    info.setPullShowState(PullUserInfo::PullShowLeaving);
    QVERIFY(!info.isIdle());
}

QTEST_GUILESS_MAIN(TestPullUserInfoHash)
#include "tst_pulluserinfohash.moc"
