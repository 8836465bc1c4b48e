#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/logoutview.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The leave dialog: which buttons a kind shows, their size by interface scale, and what they report.
class TestLogoutView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void kinds_data();
    void kinds();
    void buttonSize_data();
    void buttonSize();
    void buttonsReport();
    void leaveQuestion_data();
    void leaveQuestion();
};

void TestLogoutView::init()
{
    g_uiScale = 1.0;
}

void TestLogoutView::kinds_data()
{
    QTest::addColumn<unsigned>("kind");
    QTest::addColumn<bool>("exitShown");
    QTest::addColumn<bool>("closeShown");

    QTest::newRow("0: the leave question") << 0u << true << true;
    QTest::newRow("1: the notice, no cancel") << 1u << true << false;
    QTest::newRow("2: no confirm") << 2u << false << true;
    QTest::newRow("3: no button") << 3u << false << false;
}

void TestLogoutView::kinds()
{
    QFETCH(unsigned, kind);
    QFETCH(bool, exitShown);
    QFETCH(bool, closeShown);
    LogoutView view(kind);
    QCOMPARE(!view.findChild<QPushButton *>("exitButton")->isHidden(), exitShown);
    QCOMPARE(!view.findChild<QPushButton *>("closeButton")->isHidden(), closeShown);
    QCOMPARE(view.findChild<QPushButton *>("exitButton")->text(), QString("确定"));
    QCOMPARE(view.findChild<QPushButton *>("closeButton")->text(), QString("取消"));
    QCOMPARE(view.findChild<QLabel *>("imageLabel")->size(), QSize(40, 40));
}

void TestLogoutView::buttonSize_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QSize>("fixed"); // invalid: the layout decides

    QTest::newRow("1.0") << 1.0 << QSize();
    QTest::newRow("1.3") << 1.3 << QSize();
    QTest::newRow("1.5") << 1.5 << QSize(93, 30);
    QTest::newRow("2.0") << 2.0 << QSize(70, 22);
}

void TestLogoutView::buttonSize()
{
    QFETCH(double, scale);
    QFETCH(QSize, fixed);
    g_uiScale = scale;
    LogoutView view(0);
    for (const char *name : { "exitButton", "closeButton" }) {
        auto *button = view.findChild<QPushButton *>(name);
        if (fixed.isValid()) {
            QCOMPARE(button->minimumSize(), fixed);
            QCOMPARE(button->maximumSize(), fixed);
        } else {
            QCOMPARE(button->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        }
    }
}

void TestLogoutView::buttonsReport()
{
    LogoutView view(0);
    view.setText("确定退出课堂吗?");
    QCOMPARE(view.findChild<QLabel *>("textLabel")->text(), QString("确定退出课堂吗?"));
    QSignalSpy closed(&view, &LogoutView::signalClose);
    QSignalSpy logout(&view, &LogoutView::signalLogout);
    QTest::mouseClick(view.findChild<QPushButton *>("closeButton"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(logout.count(), 0);
    QTest::mouseClick(view.findChild<QPushButton *>("exitButton"), Qt::LeftButton);
    QCOMPARE(logout.count(), 1);
    QCOMPARE(closed.count(), 1);
}

void TestLogoutView::leaveQuestion_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("text");

    for (int type : { 5, 6 })
        QTest::addRow("class type %d", type) << type << "确定退出会议吗?";
    for (int type : { -1, 0, 4, 7, 8 })
        QTest::addRow("class type %d", type) << type << "确定退出课堂吗?";
}

void TestLogoutView::leaveQuestion()
{
    QFETCH(int, classType);
    QFETCH(QString, text);
    QCOMPARE(LogoutView::leaveQuestion(classType), text);
}

QTEST_MAIN(TestLogoutView)
#include "tst_logoutview.moc"
