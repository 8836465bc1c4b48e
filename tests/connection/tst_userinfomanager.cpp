#include "tests/support/signalrecorder.h"
#include "vrek/container/userinfohash.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/globalvalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

namespace {
QJsonObject user(
    const QString &userId, const QString &userType, int isMainAccount = 1, const QString &accountId = QString())
{
    QJsonObject object { { "userId", userId }, { "userName", "name " + userId }, { "userType", userType },
        { "classCode", "c7" }, { "className", "7A" }, { "loginDevice", 2 }, { "isMember", 0 },
        { "isMainAccount", isMainAccount } };
    if (!accountId.isNull())
        object.insert("accountId", accountId);
    return object;
}

QString json(const QList<QJsonObject> &users)
{
    QJsonArray array;
    for (const QJsonObject &object : users)
        array.append(object);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString classList(const QList<QJsonObject> &users)
{
    return "3\t" + json(users);
}

QString join(const QList<QJsonObject> &users)
{
    return "3\t0\t" + json(users);
}

QString leave(const QList<QJsonObject> &users)
{
    return "3\t1\t" + json(users);
}

UserInfo stored(const QString &userId)
{
    UserInfo out;
    g_userInfoHash.selectUserInfo(userId, out);
    return out;
}

QStringList teacherIds()
{
    QStringList ids;
    for (const UserInfo &info : g_teacherList)
        ids << info.getUserId();
    return ids;
}

QString formatUser(const QVariant &value, bool &handled)
{
    handled = true;
    if (value.userType() == qMetaTypeId<UserInfo>())
        return value.value<UserInfo>().getUserId();
    if (value.userType() == qMetaTypeId<QList<UserInfo>>()) {
        QStringList ids;
        for (const UserInfo &info : value.value<QList<UserInfo>>())
            ids << info.getUserId();
        return '[' + ids.join('|') + ']';
    }
    handled = false;
    return QString();
}
} // namespace

class TestUserInfoManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase();
    void wholeClassList();
    void listNamingAnOnlineUserLeavesItAlone();
    void lecturerOrderInTheTeacherList();
    void joins();
    void ownAccountJoinIsIgnored();
    void leaves();
    void lecturerLeaving();
    void leaveOfAnOfflineUser();
    void secondLogins();
    void aKeyMissingFromOneUserIsEmpty();
    void malformedMessagesAreIgnored_data();
    void malformedMessagesAreIgnored();

private:
    UserInfoManager *m_manager = nullptr;
    SignalRecorder *m_recorder = nullptr;
};

void TestUserInfoManager::init()
{
    g_userInfoHash.clear();
    g_teacherList.clear();
    g_lectId = "L1";
    g_accountId = "own";
    delete m_recorder;
    delete m_manager;
    m_manager = new UserInfoManager;
    m_recorder = new SignalRecorder(m_manager);
    m_recorder->setFormatter(formatUser);
}

void TestUserInfoManager::cleanupTestCase()
{
    delete m_recorder;
    delete m_manager;
    g_userInfoHash.clear();
    g_teacherList.clear();
}

void TestUserInfoManager::wholeClassList()
{
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1"), user("L1", "0"), user("s2", "1") }));
    QCOMPARE(m_recorder->emitted(),
        (QStringList { "signalUserInfoOnline(s1)", "signalUserIdOnline(s1)", "signalUserInfoOnline(L1)",
            "signalUserIdOnline(L1)", "signalLectInfoOnline(L1)", "signalLectInfoFirst(L1)", "signalLectIdOnline(L1)",
            "signalLectIdFirst(L1)", "signalTeacherInfoList([L1])", "signalUserInfoOnline(s2)",
            "signalUserIdOnline(s2)", "signalUserInfoList([s1|s2])" }));
    const UserInfo s1 = stored("s1");
    QVERIFY(s1.getOnline());
    QCOMPARE(s1.getUserName(), QString("name s1"));
    QCOMPARE(s1.getClassCode(), QString("c7"));
    QCOMPARE(s1.getClassName(), QString("7A"));
    QCOMPARE(s1.getLoginDevice(), 2);
    QCOMPARE(g_userInfoHash.count(), 3);
}

void TestUserInfoManager::listNamingAnOnlineUserLeavesItAlone()
{
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1") }));
    UserInfo changed = stored("s1");
    changed.setClassName("kept");
    g_userInfoHash.updateUserInfo(changed);
    m_recorder->clear();
    QTest::ignoreMessage(QtWarningMsg, "group user online error \"s1\"");
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1") }));
    QCOMPARE(m_recorder->emitted(), QStringList { "signalUserInfoList([])" });
    QCOMPARE(stored("s1").getClassName(), QString("kept"));
}

void TestUserInfoManager::lecturerOrderInTheTeacherList()
{
    // A type-5 participant first, then the lecturer: the lecturer still heads the list, type 5 second.
    m_manager->slotProtocolAnalysis(classList({ user("p5", "5") }));
    QCOMPARE(teacherIds(), QStringList { "p5" }); // position 1 of an empty list is its end
    m_manager->slotProtocolAnalysis(join({ user("L1", "0") }));
    QCOMPARE(teacherIds(), (QStringList { "L1", "p5" }));
    m_manager->slotProtocolAnalysis(join({ user("q5", "5") }));
    QCOMPARE(teacherIds(), (QStringList { "L1", "q5", "p5" }));
    // The lecturer leaves and comes back: never listed twice.
    m_manager->slotProtocolAnalysis(leave({ user("L1", "0") }));
    QCOMPARE(teacherIds(), (QStringList { "L1", "q5", "p5" }));
    m_manager->slotProtocolAnalysis(join({ user("L1", "0") }));
    QCOMPARE(teacherIds(), (QStringList { "L1", "q5", "p5" }));
}

void TestUserInfoManager::joins()
{
    m_manager->slotProtocolAnalysis(join({ user("s1", "1") }));
    QCOMPARE(m_recorder->emitted(),
        (QStringList {
            "signalUserInfoOnline(s1)", "signalUserIdOnline(s1)", "signalUserIdLate(s1)", "signalUserInfoLate(s1)" }));
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(join({ user("L1", "0") }));
    QCOMPARE(m_recorder->emitted(),
        (QStringList { "signalUserInfoOnline(L1)", "signalUserIdOnline(L1)", "signalUserIdLate(L1)",
            "signalLectInfoOnline(L1)", "signalLectInfoLate(L1)", "signalLectIdOnline(L1)", "signalLectIdLate(L1)",
            "signalTeacherInfoList([L1])" }));
    m_recorder->clear();
    QTest::ignoreMessage(QtWarningMsg, "single user online error \"s1\"");
    m_manager->slotProtocolAnalysis(join({ user("s1", "1") }));
    QVERIFY(m_recorder->emitted().isEmpty());
}

void TestUserInfoManager::ownAccountJoinIsIgnored()
{
    m_manager->slotProtocolAnalysis(join({ user("s1", "1", 1, "own") }));
    QVERIFY(m_recorder->emitted().isEmpty());
    QVERIFY(!g_userInfoHash.containsUserInfo("s1"));
    // Without an own account id nobody is mistaken for it.
    g_accountId.clear();
    m_manager->slotProtocolAnalysis(join({ user("s1", "1") }));
    QVERIFY(g_userInfoHash.isUserOnline("s1"));
}

void TestUserInfoManager::leaves()
{
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1") }));
    UserInfo withCamera = stored("s1");
    withCamera.setCameraOn(true);
    withCamera.setCameraState(3);
    g_userInfoHash.updateUserInfo(withCamera);
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1", 1, "acc-s1") }));
    QCOMPARE(m_recorder->emitted(), (QStringList { "signalUserInfoOffline(s1)", "signalUserIdOffline(s1)" }));
    const UserInfo s1 = stored("s1");
    QVERIFY(!s1.getOnline());
    QVERIFY(!s1.getCameraOn());
    QCOMPARE(s1.getCameraState(), 0);
    // A leave without any account id is the main login leaving.
    m_manager->slotProtocolAnalysis(join({ user("s1", "1") }));
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1") }));
    QCOMPARE(m_recorder->emitted(), (QStringList { "signalUserInfoOffline(s1)", "signalUserIdOffline(s1)" }));
    // A user the table does not know is skipped.
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(leave({ user("nobody", "1") }));
    QVERIFY(m_recorder->emitted().isEmpty());
}

void TestUserInfoManager::lecturerLeaving()
{
    m_manager->slotProtocolAnalysis(classList({ user("L1", "0"), user("s1", "1") }));
    UserInfo praised = stored("s1");
    praised.setExtraState(4);
    g_userInfoHash.updateUserInfo(praised);
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(leave({ user("L1", "0", 1, "acc-L1") }));
    QCOMPARE(m_recorder->emitted(),
        (QStringList { "signalUserInfoOffline(L1)", "signalUserIdOffline(L1)", "signalLectInfoOffline(L1)",
            "signalLectIdOffline(L1)" }));
    QCOMPARE(stored("s1").getExtraState(), 0);
    QCOMPARE(teacherIds(), QStringList { "L1" });
}

void TestUserInfoManager::leaveOfAnOfflineUser()
{
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1") }));
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1", 1, "acc-s1") }));
    m_recorder->clear();
    QTest::ignoreMessage(QtWarningMsg, "user offline error \"s1\"");
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1", 1, "acc-s1") }));
    QVERIFY(m_recorder->emitted().isEmpty());
}

void TestUserInfoManager::secondLogins()
{
    // A second login of a user the table does not know: ignored.
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1", 0, "parent1") }));
    QCOMPARE(m_recorder->emitted(), QStringList { "signalUserInfoList([])" });
    QVERIFY(!g_userInfoHash.containsUserInfo("s1"));

    m_manager->slotProtocolAnalysis(classList({ user("s1", "1") }));
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1", 1, "acc-s1") }));
    m_recorder->clear();
    // Of a known user: listener set, presence untouched.
    m_manager->slotProtocolAnalysis(join({ user("s1", "1", 0, "parent1") }));
    QCOMPARE(m_recorder->emitted(), QStringList { "signalRelativeInfoOnline(s1)" });
    UserInfo s1 = stored("s1");
    QVERIFY(s1.getListener());
    QVERIFY(!s1.getOnline());
    QCOMPARE(s1.getAccountId(), QString("parent1"));
    m_recorder->clear();
    m_manager->slotProtocolAnalysis(leave({ user("s1", "1", 0, "parent1") }));
    QCOMPARE(m_recorder->emitted(), QStringList { "signalRelativeInfoOffline(s1)" });
    QVERIFY(!stored("s1").getListener());
}

void TestUserInfoManager::aKeyMissingFromOneUserIsEmpty()
{
    QJsonObject second { { "userId", "s2" }, { "userType", "1" } };
    m_manager->slotProtocolAnalysis(classList({ user("s1", "1"), second }));
    const UserInfo s2 = stored("s2");
    QVERIFY(s2.getOnline()); // no isMainAccount: the user's main login
    QVERIFY(s2.getUserName().isEmpty());
    QVERIFY(s2.getClassName().isEmpty());
    QVERIFY(s2.getClassCode().isEmpty());
    QCOMPARE(s2.getLoginDevice(), 0);
}

void TestUserInfoManager::malformedMessagesAreIgnored_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("warning");
    QTest::newRow("list not json") << "3\tnope"
                                   << "the json analysisError! jsonError:";
    QTest::newRow("join not json") << "3\t0\tnope"
                                   << "the json analysisError! jsonError:";
    QTest::newRow("unknown kind") << "3\t2\t[]"
                                  << "";
    QTest::newRow("four fields") << "3\t0\t[]\tx"
                                 << "";
    QTest::newRow("one field") << "3"
                               << "";
}

void TestUserInfoManager::malformedMessagesAreIgnored()
{
    QFETCH(QString, line);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(warning)));
    m_manager->slotProtocolAnalysis(line);
    QVERIFY(m_recorder->emitted().isEmpty());
    QCOMPARE(g_userInfoHash.count(), 0);
}

QTEST_GUILESS_MAIN(TestUserInfoManager)
#include "tst_userinfomanager.moc"
