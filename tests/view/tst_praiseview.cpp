#include "tests/support/classroomlink.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/view/praiseview.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

// The praise notice: who is named, the count passed on, and the fade that a new praise restarts.
class TestPraiseView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void notice_data();
    void notice();
    void secondPraiseRestartsTheFade();
    void sitsInTheMiddleOfTheScreen();
    void praiseFromTheServer();

private:
    ClassroomLink *m_link = nullptr;
};

void TestPraiseView::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestPraiseView::cleanupTestCase()
{
    delete m_link;
}

void TestPraiseView::init()
{
    g_userInfoHash.clear();
    g_userInfoHash.updateUserInfo(UserInfo("S1", "李小明", "1"));
    g_userInfoHash.updateUserInfo(UserInfo("S2", "张小红", "1"));
    g_userName = "李小明";
}

void TestPraiseView::notice_data()
{
    QTest::addColumn<QString>("ownName");
    QTest::addColumn<QString>("userId");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text"); // empty: no notice

    QTest::newRow("the student") << "李小明"
                                 << "S1"
                                 << "1"
                                 << "老师表扬了 你";
    QTest::newRow("a classmate") << "李小明"
                                 << "S2"
                                 << "1"
                                 << "老师表扬了 张小红";
    QTest::newRow("another kind only counts") << "李小明"
                                              << "S2"
                                              << "2"
                                              << "";
    QTest::newRow("somebody unknown") << "李小明"
                                      << "X9"
                                      << "1"
                                      << "老师表扬了 ";
    QTest::newRow("unknown, and no own name") << ""
                                              << "X9"
                                              << "1"
                                              << "老师表扬了 你";
}

void TestPraiseView::notice()
{
    QFETCH(QString, ownName);
    QFETCH(QString, userId);
    QFETCH(QString, type);
    QFETCH(QString, text);
    g_userName = ownName;
    PraiseView view;
    QSignalSpy counts(&view, &PraiseView::signalPraiseBtnChanged);
    view.readPraiseMessage(userId, "7", type);
    QCOMPARE(counts.count(), 1);
    QCOMPARE(counts.first(), QVariantList({ userId, 7 }));
    QCOMPARE(view.isVisible(), !text.isEmpty());
    QCOMPARE(view.text(), text);
}

void TestPraiseView::secondPraiseRestartsTheFade()
{
    PraiseView view;
    view.setFadeDuration(600);
    view.readPraiseMessage("S2", "1", "1");
    QVERIFY(view.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(view.opacity() < 0.9, 5000);
    view.readPraiseMessage("S1", "1", "1");
    QCOMPARE(view.text(), QString("老师表扬了 你"));
    QVERIFY(view.opacity() > 0.95);
    QVERIFY(view.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(view.isHidden(), 10000);
}

void TestPraiseView::sitsInTheMiddleOfTheScreen()
{
    PraiseView view;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(view.geometry(), QRect(screen.width() / 2 - 68, screen.height() / 2 - 109, 136, 218));
    QVERIFY(view.windowFlags().testFlag(Qt::ToolTip));
    QVERIFY(view.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(view.testAttribute(Qt::WA_TranslucentBackground));
}

void TestPraiseView::praiseFromTheServer()
{
    PraiseView view;
    QSignalSpy counts(&view, &PraiseView::signalPraiseBtnChanged);
    m_link->server().sendLine("11\t4\tS2@3@1");
    QTRY_COMPARE(counts.count(), 1);
    QCOMPARE(counts.first(), QVariantList({ "S2", 3 }));
    QCOMPARE(view.text(), QString("老师表扬了 张小红"));
}

QTEST_MAIN(TestPraiseView)
#include "tst_praiseview.moc"
