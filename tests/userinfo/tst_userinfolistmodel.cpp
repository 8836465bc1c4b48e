#include "tests/support/messagecollector.h"
#include "vrek/userinfo/userinfolistmodel.h"
#include "vrek/utils/globalvalue.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
// "id:type:name" texts to records.
QList<UserInfo> records(const QStringList &texts)
{
    QList<UserInfo> list;
    for (const QString &text : texts) {
        const QStringList parts = text.split(':');
        list.append(UserInfo(parts.value(0), parts.value(2), parts.value(1)));
    }
    return list;
}

QStringList ids(const QList<UserInfo> &list)
{
    QStringList result;
    for (const UserInfo &userInfo : list)
        result.append(userInfo.getUserId());
    return result;
}
} // namespace

// The participant panel's student list: who is listed, once each, in the panel's order.
class TestUserInfoListModel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void order_data();
    void order();
    void namesFollowTheLocale();
    void duplicateJoinIsLoggedOnce();
    void listSkipsListedUsers_data();
    void listSkipsListedUsers();
    void removal();
    void clearEmptiesOnce();
    void dataGivesTheUserIdOnly();
};

void TestUserInfoListModel::init()
{
    g_lectId = "T1";
}

void TestUserInfoListModel::order_data()
{
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the teacher first, whatever the type")
        << QStringList { "s2:1:Amy", "T1:1:Zed", "s1:0:Bob" } << QStringList { "T1", "s1", "s2" };
    QTest::newRow("type 0 before the rest")
        << QStringList { "s1:1:Al", "s2:0:Zoe", "s3:5:Ann", "s4:0:Ben" } << QStringList { "s4", "s2", "s1", "s3" };
    QTest::newRow("then by name") << QStringList { "a:1:Carol", "b:1:Alice", "c:1:Bob" }
                                  << QStringList { "b", "c", "a" };
    QTest::newRow("teacher before type 0") << QStringList { "s1:0:Aaron", "T1:0:Zora" } << QStringList { "T1", "s1" };
}

void TestUserInfoListModel::order()
{
    QFETCH(QStringList, users);
    QFETCH(QStringList, expected);
    UserInfoListModel model;
    QVERIFY(model.appendRows(records(users)));
    model.sort();
    QCOMPARE(ids(model.userInfoList()), expected);
}

void TestUserInfoListModel::namesFollowTheLocale()
{
    // Whatever the locale, the rest of the list ascends by its comparison.
    UserInfoListModel model;
    model.appendRows(records({ "1:1:张伟", "2:1:李娜", "3:1:王芳", "4:1:陈静", "5:1:刘洋" }));
    model.sort();
    const QList<UserInfo> sorted = model.userInfoList();
    for (int i = 1; i < sorted.size(); ++i)
        QVERIFY(QString::localeAwareCompare(sorted.at(i - 1).getUserName(), sorted.at(i).getUserName()) <= 0);
}

void TestUserInfoListModel::duplicateJoinIsLoggedOnce()
{
    UserInfoListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    MessageCollector log;
    QVERIFY(model.appendRow(UserInfo("s1", "Amy", "1")));
    QVERIFY(!model.appendRow(UserInfo("s1", "Amy again", "1")));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(log.count("uf already in list"), 1);
    QCOMPARE(model.userInfoList().first().getUserName(), QString("Amy"));
}

void TestUserInfoListModel::listSkipsListedUsers_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<int>("insertions");

    QTest::newRow("one already listed") << QStringList { "s1:1:A" } << QStringList { "s2:1:B", "s1:1:A", "s3:1:C" }
                                        << QStringList { "s2", "s3" } << 1;
    QTest::newRow("all listed") << QStringList { "s1:1:A", "s2:1:B" } << QStringList { "s2:1:B", "s1:1:A" }
                                << QStringList() << 0;
    QTest::newRow("twice in one list") << QStringList() << QStringList { "s1:1:A", "s1:1:A" } << QStringList { "s1" }
                                       << 1;
    QTest::newRow("empty") << QStringList { "s1:1:A" } << QStringList() << QStringList() << 0;
}

void TestUserInfoListModel::listSkipsListedUsers()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, list);
    QFETCH(QStringList, appended);
    QFETCH(int, insertions);
    UserInfoListModel model;
    model.appendRows(records(listed));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QList<UserInfo> added;
    QVERIFY(model.appendRows(records(list), &added));
    QCOMPARE(ids(added), appended);
    QCOMPARE(inserted.count(), insertions);
    QCOMPARE(model.rowCount(), listed.size() + appended.size());
    QCOMPARE(ids(model.userInfoList()), ids(records(listed)) + appended);
}

void TestUserInfoListModel::removal()
{
    UserInfoListModel model;
    model.appendRows(records({ "s1:1:A", "s2:1:B", "s3:1:C" }));
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    MessageCollector log;
    QVERIFY(model.removeRow(UserInfo("s2", QString(), "1")));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 1);
    QVERIFY(!model.removeRow(UserInfo("s2", QString(), "1")));
    QCOMPARE(log.count("user not in list userId:"), 1);
    QCOMPARE(ids(model.userInfoList()), QStringList({ "s1", "s3" }));
    QCOMPARE(model.rowOf("s3"), 1);
    QCOMPARE(model.rowOf("s2"), -1);
}

void TestUserInfoListModel::clearEmptiesOnce()
{
    UserInfoListModel model;
    model.appendRows(records({ "s1:1:A", "s2:1:B" }));
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QVERIFY(model.clear());
    QVERIFY(model.clear());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model.rowCount(), 0);
}

void TestUserInfoListModel::dataGivesTheUserIdOnly()
{
    UserInfoListModel model;
    model.appendRow(UserInfo("s1", "Amy", "1"));
    const QModelIndex index = model.index(0, 0);
    QCOMPARE(model.data(index, Qt::UserRole).toString(), QString("s1"));
    QVERIFY(!model.data(index, Qt::DisplayRole).isValid());
    QVERIFY(!model.data(model.index(1, 0), Qt::UserRole).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DisplayRole).isValid());
    QCOMPARE(model.rowCount(index), 0);
}

QTEST_GUILESS_MAIN(TestUserInfoListModel)
#include "tst_userinfolistmodel.moc"
