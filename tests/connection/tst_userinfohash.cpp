#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QRegularExpression>
#include <QtConcurrent>
#include <QtTest>

class TestUserInfoHash : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase();
    void updateReplacesTheStoredRecord();
    void selectOfAnUnknownId();
    void presenceAndReset();
    void isUserLect_data();
    void isUserLect();
    void headImagePath_data();
    void headImagePath();
    void headPictureIsBuiltOffTheGuiThread();
    void concurrentUse();
};

void TestUserInfoHash::init()
{
    g_userInfoHash.clear();
    g_lectId.clear();
}

void TestUserInfoHash::cleanupTestCase()
{
    g_userInfoHash.clear();
}

void TestUserInfoHash::updateReplacesTheStoredRecord()
{
    UserInfo first("u1", "Ann", "1");
    first.setCameraState(3);
    QVERIFY(g_userInfoHash.updateUserInfo(first));
    UserInfo second("u1", "Anna", "1");
    second.setNoTalk(true);
    QVERIFY(g_userInfoHash.updateUserInfo(second));
    QCOMPARE(g_userInfoHash.count(), 1);
    UserInfo stored;
    QVERIFY(g_userInfoHash.selectUserInfo("u1", stored));
    QCOMPARE(stored.getUserName(), QString("Anna"));
    QCOMPARE(stored.getNoTalk(), true);
    QCOMPARE(stored.getCameraState(), 0);
    QCOMPARE(g_userInfoHash.selectAllUserId(), QStringList { "u1" });
    // Records are equal by user id alone.
    QVERIFY(first == second);
    QVERIFY(first != UserInfo("u2", "Ann", "1"));
}

void TestUserInfoHash::selectOfAnUnknownId()
{
    UserInfo out("keep", "Keep", "1");
    QTest::ignoreMessage(QtWarningMsg, "uid not exist, uid: \"nobody\"");
    QVERIFY(!g_userInfoHash.selectUserInfo("nobody", out));
    QCOMPARE(out.getUserId(), QString("keep"));
    QVERIFY(!g_userInfoHash.containsUserInfo("nobody"));
    QVERIFY(!g_userInfoHash.isUserOnline("nobody"));
}

void TestUserInfoHash::presenceAndReset()
{
    UserInfo present("u1", "Ann", "1");
    present.setOnline(true);
    present.setListener(true);
    present.setCameraOn(true);
    present.setCameraState(3);
    present.setNoTalk(true);
    g_userInfoHash.updateUserInfo(present);
    g_userInfoHash.updateUserInfo(UserInfo("u2", "Bob", "1"));
    QVERIFY(g_userInfoHash.isUserOnline("u1"));
    QVERIFY(!g_userInfoHash.isUserOnline("u2"));
    g_userInfoHash.resetAllUserState();
    UserInfo stored;
    QVERIFY(g_userInfoHash.selectUserInfo("u1", stored));
    QVERIFY(!stored.getOnline());
    QVERIFY(!stored.getListener());
    QVERIFY(!stored.getCameraOn());
    QCOMPARE(stored.getCameraState(), 0);
    QVERIFY(stored.getNoTalk()); // not presence: kept
    QCOMPARE(g_userInfoHash.count(), 2);
}

void TestUserInfoHash::isUserLect_data()
{
    QTest::addColumn<QString>("lectId");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<bool>("lect");
    QTest::newRow("lecturer known") << "L1"
                                    << "L1" << true;
    QTest::newRow("lecturer known, other") << "L1"
                                           << "t0" << false; // a type "0" user is not the lecturer then
    QTest::newRow("from the table, type 0") << ""
                                            << "t0" << true;
    QTest::newRow("from the table, type 1") << ""
                                            << "s1" << false;
    QTest::newRow("not in the table") << ""
                                      << "nobody" << false;
}

void TestUserInfoHash::isUserLect()
{
    QFETCH(QString, lectId);
    QFETCH(QString, userId);
    QFETCH(bool, lect);
    g_userInfoHash.updateUserInfo(UserInfo("t0", "Teacher", "0"));
    g_userInfoHash.updateUserInfo(UserInfo("s1", "Student", "1"));
    g_lectId = lectId;
    QCOMPARE(GlobalFunc::isUserLect(userId), lect);
}

void TestUserInfoHash::headImagePath_data()
{
    QTest::addColumn<QString>("userType");
    QTest::addColumn<bool>("noTalk");
    QTest::addColumn<QString>("path");
    QTest::newRow("lecturer") << "0" << false << ":/vrek/image/userinfoview/head_01.png";
    QTest::newRow("student") << "1" << false << ":/vrek/image/userinfoview/head_02.png";
    QTest::newRow("muted student") << "1" << true << ":/vrek/image/userinfoview/head_04.png";
    QTest::newRow("type 5") << "5" << false << ":/vrek/image/userinfoview/head_06.png";
    QTest::newRow("type 2") << "2" << false << "";
}

void TestUserInfoHash::headImagePath()
{
    QFETCH(QString, userType);
    QFETCH(bool, noTalk);
    QFETCH(QString, path);
    QCOMPARE(UserInfo::headImagePath(userType, noTalk), path);
}

void TestUserInfoHash::headPictureIsBuiltOffTheGuiThread()
{
    QCOMPARE(UserInfo().getHeadPixmap().size(), QSize(60, 60));
    QCOMPARE(UserInfo("u1", "Ann", "1").getHeadPixmap().size(), QSize(50, 50));
    // Records are copied and rebuilt on stream threads: nothing in them may need the GUI thread.
    UserInfo prime("u2", "Bob", "2");
    prime.setPrime(true);
    prime.setListener(true);
    const UserInfo built = QtConcurrent::run([prime]() mutable {
        prime.updateHeadPixmap();
        return prime;
    }).result();
    QVERIFY(!built.getHeadPixmap().isNull());
    QVERIFY(built.getHeadPixmap().width() >= 53);
    QVERIFY(built.getHeadPixmap().height() >= 56);
}

void TestUserInfoHash::concurrentUse()
{
    const auto writer = [](int base) {
        for (int i = 0; i < 500; ++i) {
            UserInfo info(QString::number(base + i % 50), "n", "1");
            info.setOnline(i % 2);
            g_userInfoHash.updateUserInfo(info);
            g_userInfoHash.containsUserInfo(info.getUserId());
            g_userInfoHash.isUserOnline(info.getUserId());
            if (i % 100 == 0)
                g_userInfoHash.resetAllUserState();
        }
    };
    QFuture<void> a = QtConcurrent::run(writer, 0);
    QFuture<void> b = QtConcurrent::run(writer, 100);
    for (int i = 0; i < 200; ++i)
        g_userInfoHash.selectAllUserId();
    a.waitForFinished();
    b.waitForFinished();
    QCOMPARE(g_userInfoHash.count(), 100);
}

QTEST_GUILESS_MAIN(TestUserInfoHash)
#include "tst_userinfohash.moc"
