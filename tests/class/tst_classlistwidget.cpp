#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/utils/globalvalue.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
const char *const timeFormat = "yyyy-MM-dd HH:mm:ss";

GroupInfo lesson(int n, const QDateTime &begin = QDateTime::currentDateTime())
{
    GroupInfo info;
    info.setId(QString::number(n));
    info.setTitle(QString("lesson %1").arg(n));
    info.setBeginTime(begin.toString(timeFormat));
    info.setLessonType(4);
    return info;
}

QList<GroupInfo> lessons(int count, int first = 1)
{
    QList<GroupInfo> result;
    for (int i = 0; i < count; ++i)
        result.append(lesson(first + i));
    return result;
}

QString text(const QWidget *card, const char *name)
{
    return card->findChild<QLabel *>(name)->text();
}

QPushButton *button(const QWidget *card)
{
    return card->findChild<QPushButton *>("enterPushButton");
}
} // namespace

class TestClassListWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void badge_data();
    void badge();
    void liveCardTexts();
    void enterWindow_data();
    void enterWindow();
    void meetingButtonText_data();
    void meetingButtonText();
    void seriesCard();
    void gradeAndClassKeptWhenBothEmpty();
    void fullPageThenScrollAsksNextPage();
    void shortPageEndsTheList();
    void firstPageReplacesCards();
    void errorRemovesCardsAndShowsFooter();
    void loadingAnimates();
    void clearingDoesNotAskForAPage();
    void enterIsRelayed();
    void referenceTimeUsesStartUpOffset();
    void longListShowsEveryLessonWithFewCards();
};

void TestClassListWidget::init()
{
    g_networkTimeFlag = false;
    g_networkTimeOffset = 0;
}

void TestClassListWidget::badge_data()
{
    QTest::addColumn<QString>("subjectName");
    QTest::addColumn<int>("lessonType");
    QTest::addColumn<QString>("badge");
    QTest::newRow("subject name wins") << "数学" << 5 << "数学";
    QTest::newRow("0") << "" << 0 << "公共班";
    QTest::newRow("1") << "" << 1 << "班级组";
    QTest::newRow("2") << "" << 2 << "辅导班";
    QTest::newRow("3") << "" << 3 << "临时课";
    QTest::newRow("4") << "" << 4 << "在线课";
    QTest::newRow("5") << "" << 5 << "校务会";
    QTest::newRow("6") << "" << 6 << "家长会";
    QTest::newRow("7") << "" << 7 << "名师课";
    QTest::newRow("8") << "" << 8 << "辅导课";
    QTest::newRow("9") << "" << 9 << "临时课";
    QTest::newRow("-1") << "" << -1 << "临时课";
}

void TestClassListWidget::badge()
{
    QFETCH(QString, subjectName);
    QFETCH(int, lessonType);
    QFETCH(QString, badge);
    GroupInfo info = lesson(1);
    info.setSubjectName(subjectName);
    info.setLessonType(lessonType);
    ClassInfoWidget card(ClassInfoWidget::LiveMode);
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classSubjectLabel"), badge);
}

void TestClassListWidget::liveCardTexts()
{
    GroupInfo info = lesson(1, QDateTime(QDate(2030, 5, 6), QTime(10, 0)));
    info.setTitle("分数");
    info.setSort(3);
    info.setTeacherName("王老师");
    info.setGradeName("三年级");
    info.setClassName("二班");
    ClassInfoWidget card(ClassInfoWidget::LiveMode);
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classTitleLabel"), QString("分数"));
    QCOMPARE(text(&card, "centerLabel"), QString("课程预告："));
    QCOMPARE(text(&card, "classInfoLabel"), QString("第3节 分数 开课时间：2030-05-06 10:00:00"));
    QCOMPARE(text(&card, "classLectNameLabel"), QString("王老师"));
    QCOMPARE(text(&card, "classNameLabel"), QString("三年级 二班"));

    info.setSort(0);
    info.setParentTitle("系列");
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classInfoLabel"), QString("..."));
    QCOMPARE(text(&card, "classTitleLabel"), QString("系列"));
}

void TestClassListWidget::enterWindow_data()
{
    QTest::addColumn<QString>("begin");
    QTest::addColumn<QTime>("reference");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("one hour before") << "2030-05-06 10:00:00" << QTime(9, 0) << true;
    QTest::newRow("one second earlier") << "2030-05-06 10:00:00" << QTime(8, 59, 59) << false;
    QTest::newRow("two hours before") << "2030-05-06 10:00:00" << QTime(8, 0) << false;
    QTest::newRow("running") << "2030-05-06 10:00:00" << QTime(10, 30) << true;
    QTest::newRow("after the end") << "2030-05-06 10:00:00" << QTime(23, 0) << true;
    QTest::newRow("unreadable begin") << "soon" << QTime(8, 0) << true;
}

void TestClassListWidget::enterWindow()
{
    QFETCH(QString, begin);
    QFETCH(QTime, reference);
    QFETCH(bool, enabled);
    GroupInfo info = lesson(1);
    info.setBeginTime(begin);
    ClassInfoWidget card(ClassInfoWidget::LiveMode);
    if (begin == "soon")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("begin time is unreadable"));
    card.setGroupInfo(info, QDateTime(QDate(2030, 5, 6), reference));
    QCOMPARE(button(&card)->isEnabled(), enabled);
    QCOMPARE(button(&card)->toolTip(), enabled ? QString() : QString("课程开始前1小时可以进入课堂"));
}

void TestClassListWidget::meetingButtonText_data()
{
    QTest::addColumn<int>("lessonType");
    QTest::addColumn<QString>("caption");
    QTest::newRow("school meeting") << 5 << "进入会议";
    QTest::newRow("parents meeting") << 6 << "进入会议";
    QTest::newRow("lesson") << 0 << "进入课堂";
    QTest::newRow("online") << 4 << "进入课堂";
}

void TestClassListWidget::meetingButtonText()
{
    QFETCH(int, lessonType);
    QFETCH(QString, caption);
    GroupInfo info = lesson(1);
    info.setLessonType(lessonType);
    ClassInfoWidget card(ClassInfoWidget::LiveMode);
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(button(&card)->text(), caption);
}

void TestClassListWidget::seriesCard()
{
    GroupInfo info = lesson(1, QDateTime::currentDateTime().addDays(3));
    info.setPlanBeginTime("2030-01-01");
    info.setPlanEndTime("2030-02-01");
    ClassInfoWidget card(ClassInfoWidget::SeriesMode);
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "centerLabel"), QString("系列课时间："));
    QCOMPARE(text(&card, "classInfoLabel"), QString("2030-01-01 至 2030-02-01"));
    QVERIFY(button(&card)->isEnabled());
    QCOMPARE(button(&card)->text(), QString("列表"));
}

void TestClassListWidget::gradeAndClassKeptWhenBothEmpty()
{
    GroupInfo info = lesson(1);
    ClassInfoWidget card(ClassInfoWidget::LiveMode);
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classNameLabel"), QString());
    info.setClassName("二班");
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classNameLabel"), QString(" 二班"));
    info.setClassName(QString());
    card.setGroupInfo(info, QDateTime::currentDateTime());
    QCOMPARE(text(&card, "classNameLabel"), QString(" 二班"));
}

void TestClassListWidget::fullPageThenScrollAsksNextPage()
{
    ClassListWidget list("4", 0);
    list.resize(800, 600);
    list.show();
    QSignalSpy requests(&list, &ClassListWidget::signalRequestGroupInfo);
    list.addClassInfos(lessons(20));
    QCOMPARE(list.cards().size(), 20);
    QCOMPARE(list.itemWidget(list.item(list.count() - 1))->metaObject()->className(), "QLabel");
    QCOMPARE(list.loadState(), int(ClassListWidget::LoadMore));
    QCOMPARE(list.footerText(), QString("加载更多"));
    QCOMPARE(list.pageCount(), 1);
    QVERIFY(requests.isEmpty());

    QScrollBar *bar = list.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().at(0).toString(), QString("4"));
    QCOMPARE(requests.first().at(1).toInt(), 2);
    QCOMPARE(list.loadState(), int(ClassListWidget::Loading));
    // While loading, the end of the list asks for nothing more.
    bar->setValue(0);
    bar->setValue(bar->maximum());
    QCOMPARE(requests.size(), 1);

    list.addClassInfos(lessons(20, 21));
    QCOMPARE(list.cards().size(), 40);
    QCOMPARE(list.cards().first()->groupInfo().getId(), QString("1"));
    QCOMPARE(list.cards().last()->groupInfo().getId(), QString("40"));
    QCOMPARE(list.pageCount(), 2);
    QTRY_VERIFY(bar->maximum() > bar->value());
    bar->setValue(bar->maximum());
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.last().at(1).toInt(), 3);

    list.addClassInfos({});
    QCOMPARE(list.footerText(), QString("没有更多了"));
    QCOMPARE(list.pageCount(), 2);
    QCOMPARE(list.cards().size(), 40);
    bar->setValue(0);
    bar->setValue(bar->maximum());
    QCOMPARE(requests.size(), 2);
}

void TestClassListWidget::shortPageEndsTheList()
{
    ClassListWidget list("all", 0);
    list.addClassInfos(lessons(19));
    QCOMPARE(list.cards().size(), 19);
    QCOMPARE(list.loadState(), int(ClassListWidget::NoMore));
    QCOMPARE(list.footerText(), QString("没有更多了"));
    QCOMPARE(list.pageCount(), 0);
}

void TestClassListWidget::firstPageReplacesCards()
{
    ClassListWidget list("all", 0);
    list.addClassInfos(lessons(3));
    QCOMPARE(list.pageCount(), 0);
    // A page count of 0 means the next records start the list afresh.
    list.addClassInfos(lessons(2, 10));
    QCOMPARE(list.cards().size(), 2);
    QCOMPARE(list.cards().first()->groupInfo().getId(), QString("10"));

    QSignalSpy requests(&list, &ClassListWidget::signalRequestGroupInfo);
    list.addClassInfos(lessons(20, 100));
    list.refreshClassInfos();
    QCOMPARE(list.cards().size(), 0);
    QCOMPARE(list.pageCount(), 0);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().at(1).toInt(), 1);
    QCOMPARE(list.count(), 1); // the footer
}

void TestClassListWidget::errorRemovesCardsAndShowsFooter()
{
    ClassListWidget list("all", 0);
    list.addClassInfos(lessons(20));
    QTest::ignoreMessage(QtWarningMsg, "data error");
    list.getClassError();
    QCOMPARE(list.cards().size(), 0);
    QCOMPARE(list.loadState(), int(ClassListWidget::NetError));
    QCOMPARE(list.footerText(), QString("网络连接异常，加载数据失败！\n请检查您的网络连接后点击刷新重试！"));
    QVERIFY(!list.footerAnimating());
}

void TestClassListWidget::loadingAnimates()
{
    ClassListWidget list("all", 0);
    list.setLoadState(ClassListWidget::Loading);
    QVERIFY(list.footerAnimating());
    list.addClassInfos(lessons(1));
    QVERIFY(!list.footerAnimating());
    list.setLoadState(42);
    QCOMPARE(list.loadState(), 42);
    QCOMPARE(list.footerText(), QString("没有更多了"));
}

void TestClassListWidget::clearingDoesNotAskForAPage()
{
    ClassListWidget list("all", 0);
    list.resize(800, 600);
    list.show();
    list.addClassInfos(lessons(20));
    QScrollBar *bar = list.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum() - 1);
    QSignalSpy requests(&list, &ClassListWidget::signalRequestGroupInfo);
    // Losing the cards pulls the scroll bar to its end; that is no request for a page.
    list.clearClassInfos();
    QTRY_COMPARE(bar->maximum(), 0);
    // Whatever the clearing left for the event loop comes before a call queued now.
    bool dealtWith = false;
    QMetaObject::invokeMethod(
        &list, [&dealtWith] { dealtWith = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(dealtWith);
    QCOMPARE(list.loadState(), int(ClassListWidget::LoadMore));
    QCOMPARE(requests.size(), 0);
}

void TestClassListWidget::enterIsRelayed()
{
    ClassListWidget list("all", 0);
    list.addClassInfos(lessons(2));
    QSignalSpy entered(&list, &ClassListWidget::signalEnterButtonClicked);
    QTest::mouseClick(button(list.cards().at(1)), Qt::LeftButton);
    QCOMPARE(entered.size(), 1);
    QCOMPARE(entered.first().at(0).value<GroupInfo>().getId(), QString("2"));
}

void TestClassListWidget::referenceTimeUsesStartUpOffset()
{
    // The lesson starts in two hours by the local clock, which is 90 minutes slow.
    ClassListWidget list("all", 0);
    const QList<GroupInfo> batch { lesson(1, QDateTime::currentDateTime().addSecs(7200)) };
    g_networkTimeOffset = 5400;
    list.addClassInfos(batch);
    QVERIFY(!button(list.cards().first())->isEnabled()); // the offset counts only when the clock is out of step

    g_networkTimeFlag = true;
    list.refreshClassInfos();
    list.addClassInfos(batch);
    QVERIFY(button(list.cards().first())->isEnabled());
    QVERIFY(qAbs(ClassListWidget::referenceTime().secsTo(QDateTime::currentDateTime()) + 5400) <= 1);
}

void TestClassListWidget::longListShowsEveryLessonWithFewCards()
{
    ClassListWidget list("4", 0);
    list.resize(800, 600);
    list.show();
    const int total = 3000;
    QSignalSpy shown(&list, &ClassListWidget::cardsShown);
    list.addClassInfos(lessons(total));
    // Every lesson has its row at once, the footer still last; the cards follow over the next turns.
    QCOMPARE(list.count(), total + 1);
    QCOMPARE(list.itemWidget(list.item(total))->metaObject()->className(), "QLabel");
    QVERIFY(shown.wait(30000) || !shown.isEmpty());
    QCOMPARE(list.pendingCount(), 0);
    QCOMPARE(list.cards().size(), int(ClassListWidget::eagerRows));

    // Scrolled through, each row in view has its own lesson's card, and the built cards stay few.
    QScrollBar *bar = list.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    const int bound = ClassListWidget::eagerRows + 2 * 5 * ClassListWidget::nearRows + list.height() / 100 + 2;
    for (int step = 0; step <= 10; ++step) {
        bar->setValue(bar->maximum() * step / 10);
        const int row = list.indexAt(QPoint(10, list.viewport()->height() / 2)).row();
        QVERIFY(row >= 0 && row < total);
        QTRY_VERIFY(list.itemWidget(list.item(row)) != nullptr);
        auto *card = qobject_cast<ClassInfoWidget *>(list.itemWidget(list.item(row)));
        QVERIFY(card);
        QCOMPARE(card->groupInfo().getId(), QString::number(row + 1));
        QVERIFY(list.cards().size() <= bound);
        // Cards that left the view are released at once, not left for the loop to delete.
        QCOMPARE(list.findChildren<ClassInfoWidget *>().size(), list.cards().size());
    }
    QCOMPARE(list.recordAt(total - 1).getId(), QString::number(total));
    QVERIFY(qobject_cast<ClassInfoWidget *>(list.itemWidget(list.item(total - 1))));

    // A first page replaces the long list and its cards.
    list.refreshClassInfos();
    list.addClassInfos(lessons(3, 9001));
    QCOMPARE(list.count(), 4);
    QCOMPARE(list.cards().size(), 3);
    QCOMPARE(list.findChildren<ClassInfoWidget *>().size(), 3);
}

QTEST_MAIN(TestClassListWidget)
#include "tst_classlistwidget.moc"
