#include "vrek/model/groupinfo.h"

#include <QtTest>

class TestGroupInfo : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void copyKeepsEveryField();
};

void TestGroupInfo::defaults()
{
    const GroupInfo info;
    QVERIFY(info.getId().isEmpty());
    QVERIFY(info.getTitle().isEmpty());
    QVERIFY(info.getTClass().isEmpty());
    QVERIFY(info.getClassType().isEmpty());
    QVERIFY(info.getPlanEndTime().isEmpty());
    QCOMPARE(info.getIsParent(), 0);
    QCOMPARE(info.getStatus(), 0);
    QCOMPARE(info.getParentId(), 0);
    QCOMPARE(info.getViewingTimes(), 0);
    QCOMPARE(info.getSort(), 0);
    QCOMPARE(info.getIsCanLook(), false);
    QCOMPARE(info.getIsCompere(), false);
    QCOMPARE(info.getIsCanSit(), false);
    QCOMPARE(info.getClassState(), 3);
    QCOMPARE(info.getLessonType(), -1);
}

void TestGroupInfo::copyKeepsEveryField()
{
    GroupInfo subject;
    subject.setId("12");
    subject.setTClass("c7");
    subject.setClassName("Class 7");
    subject.setClassType("6");
    subject.setGradeType("2");
    subject.setSchoolType("1");
    subject.setSubjectType("3");
    subject.setLessonType(6);
    subject.setIsCanSit(true);
    subject.setParentId(4);

    const GroupInfo copy = QVariant::fromValue(subject).value<GroupInfo>();
    QCOMPARE(copy.getClassType(), QString("6"));
    QCOMPARE(copy.getGradeType(), QString("2"));
    QCOMPARE(copy.getSchoolType(), QString("1"));
    QCOMPARE(copy.getSubjectType(), QString("3"));
    QCOMPARE(copy.getTClass(), QString("c7"));
    QCOMPARE(copy.getLessonType(), 6);
    QCOMPARE(copy.getIsCanSit(), true);
    QCOMPARE(copy.getParentId(), 4);
    QCOMPARE(copy.getClassState(), 3);

    GroupInfo assigned;
    assigned.setTitle("old");
    assigned = subject;
    QVERIFY(assigned.getTitle().isEmpty());
    QCOMPARE(assigned.getClassName(), QString("Class 7"));
}

QTEST_GUILESS_MAIN(TestGroupInfo)
#include "tst_groupinfo.moc"
