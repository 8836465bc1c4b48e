#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

class TestGlobalFunc : public QObject
{
    Q_OBJECT
private slots:
    void userTypeStartsUnknown();
    void isCurrentUserLect_data();
    void isCurrentUserLect();
    void streamFlag();
};

void TestGlobalFunc::userTypeStartsUnknown()
{
    QCOMPARE(g_userType, -1);
    QCOMPARE(g_classType, -1);
    QTest::ignoreMessage(QtWarningMsg, "GlobalFunc::isCurrentUserLect the userType unknown error! userType: -1");
    QVERIFY(!GlobalFunc::isCurrentUserLect());
}

void TestGlobalFunc::isCurrentUserLect_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("lect");
    QTest::addColumn<bool>("typeFive");
    QTest::newRow("0") << 0 << true << false;
    QTest::newRow("1") << 1 << false << false;
    QTest::newRow("2") << 2 << true << false;
    QTest::newRow("3") << 3 << false << false;
    QTest::newRow("4") << 4 << true << false;
    QTest::newRow("5") << 5 << false << true;
    QTest::newRow("6") << 6 << false << false;
}

void TestGlobalFunc::isCurrentUserLect()
{
    QFETCH(int, userType);
    QFETCH(bool, lect);
    QFETCH(bool, typeFive);
    g_userType = userType;
    if (userType > 5)
        QTest::ignoreMessage(QtWarningMsg,
            qPrintable(
                "GlobalFunc::isCurrentUserLect the userType unknown error! userType: " + QString::number(userType)));
    QCOMPARE(GlobalFunc::isCurrentUserLect(), lect);
    QCOMPARE(GlobalFunc::isCurrentUserTypeFive(), typeFive);
}

void TestGlobalFunc::streamFlag()
{
    QVERIFY(!GlobalFunc::streamFlag());
    GlobalFunc::setStreamFlag(true);
    QVERIFY(GlobalFunc::streamFlag());
    GlobalFunc::setStreamFlag(false);
    QVERIFY(!GlobalFunc::streamFlag());
    g_classType = 5;
    QVERIFY(GlobalFunc::isMeetingClass());
    g_classType = 6;
    QVERIFY(!GlobalFunc::isMeetingClass());
}

QTEST_GUILESS_MAIN(TestGlobalFunc)
#include "tst_globalfunc.moc"
