#include "answercard/answercard.h"
#include "tests/support/classroomlink.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/messagecollector.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
QVariantMap question(int type, int options, const QString &ace)
{
    return { { "type", type }, { "title", "Which?" }, { "Ace", ace }, { "Options", options } };
}

// "A@0,0" per option: its letter and its place in the grid.
QStringList optionPlaces(AnswerCard &card)
{
    QStringList places;
    QGridLayout *grid = card.optionsLayout();
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        auto *button = qobject_cast<QPushButton *>(grid->itemAt(i)->widget());
        places.append(QString("%1@%2,%3").arg(button ? button->text() : "?").arg(row).arg(column));
    }
    return places;
}

QAbstractButton *option(AnswerCard &card, int index)
{
    return card.buttonGroup()->button(index);
}
} // namespace

// The answer card: laying out a question, picking, the answer line, the result, stop and close.
class TestAnswerCard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void layout_data();
    void layout();
    void singleChoiceTakesOne();
    void nothingPickedIsRefused();
    void answerGoesToTheClassOnce_data();
    void answerGoesToTheClassOnce();
    void answerWithoutAConnectionIsKept();
    void stopAfterAnAnswer();
    void closeHides();
    void emptyQuestionIsLogged();
    void questionFromTheServerShowsTheCard();

private:
    ClassroomLink *m_link = nullptr;
};

void TestAnswerCard::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestAnswerCard::cleanupTestCase()
{
    delete m_link;
}

void TestAnswerCard::init()
{
    g_userId = "S1";
    g_userType = 1;
    g_lectId = "T1";
    g_pushStreamId = "push1";
    g_uiScale = 1.0;
    m_link->clear();
}

void TestAnswerCard::layout_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<QString>("title");

    QTest::newRow("four in one row") << 0 << 4 << QStringList { "A@0,0", "B@0,1", "C@0,2", "D@0,3" } << "单选题";
    QTest::newRow("eight in two rows") << 1 << 8
                                       << QStringList { "A@0,0", "B@0,1", "C@0,2", "D@0,3", "E@0,4", "F@0,5", "G@1,0",
                                              "H@1,1" }
                                       << "多选题";
    QTest::newRow("a third kind") << 2 << 2 << QStringList { "A@0,0", "B@0,1" } << "题型";
    QTest::newRow("none below 0") << 0 << -3 << QStringList() << "单选题";
    QStringList letters;
    for (int i = 0; i < 26; ++i)
        letters.append(QString("%1@%2,%3").arg(QChar('A' + i)).arg(i / 6).arg(i % 6));
    QTest::newRow("at most 26, A to Z") << 1 << 40 << letters << "多选题";
}

void TestAnswerCard::layout()
{
    QFETCH(int, type);
    QFETCH(int, options);
    QFETCH(QStringList, places);
    QFETCH(QString, title);
    AnswerCard card;
    QVERIFY(card.isHidden());
    QSignalSpy shown(&card, &AnswerCard::signalAnswerCardShow);
    card.deQuestionInfo(question(type, options, "A"));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(optionPlaces(card), places);
    QCOMPARE(card.windowTitle(), title);
    QCOMPARE(card.findChild<QPushButton *>("button_submit")->text(), QString("提交答案"));
    QVERIFY(card.findChild<QPushButton *>("button_submit")->isEnabled());
    for (QAbstractButton *button : card.buttonGroup()->buttons())
        QCOMPARE(button->size(), QSize(34, 34));
}

void TestAnswerCard::singleChoiceTakesOne()
{
    AnswerCard card;
    card.deQuestionInfo(question(0, 4, "B"));
    option(card, 0)->click();
    option(card, 2)->click();
    QVERIFY(!option(card, 0)->isChecked());
    QVERIFY(option(card, 2)->isChecked());

    card.deQuestionInfo(question(1, 4, "AC"));
    option(card, 0)->click();
    option(card, 2)->click();
    QVERIFY(option(card, 0)->isChecked());
    QVERIFY(option(card, 2)->isChecked());
}

void TestAnswerCard::nothingPickedIsRefused()
{
    AnswerCard card;
    card.deQuestionInfo(question(0, 4, "B"));
    MessageBoxCloser boxes;
    QTest::mouseClick(card.findChild<QPushButton *>("button_submit"), Qt::LeftButton);
    QTRY_COMPARE(boxes.titledTexts, QStringList { "提示|请选择答案!" });
    QVERIFY(m_link->sent().filter(QRegularExpression("^9\t")).isEmpty());
    QCOMPARE(optionPlaces(card).size(), 4);
}

void TestAnswerCard::answerGoesToTheClassOnce_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("ace");
    QTest::addColumn<QList<int>>("picks");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("mark");

    QTest::newRow("C and A make AC, right") << 1 << "AC" << QList<int> { 2, 0 } << "AC"
                                            << "yes"
                                            << "yes_1.png";
    QTest::newRow("A alone, wrong") << 1 << "AC" << QList<int> { 0 } << "A"
                                    << "no"
                                    << "wrong_1.png";
    QTest::newRow("single, right") << 0 << "D" << QList<int> { 3 } << "D"
                                   << "yes"
                                   << "yes_1.png";
}

void TestAnswerCard::answerGoesToTheClassOnce()
{
    QFETCH(int, type);
    QFETCH(QString, ace);
    QFETCH(QList<int>, picks);
    QFETCH(QString, answer);
    QFETCH(QString, verdict);
    QFETCH(QString, mark);
    AnswerCard card;
    card.deQuestionInfo(question(type, 4, ace));
    for (int pick : picks)
        option(card, pick)->click();
    QPushButton *submit = card.findChild<QPushButton *>("button_submit");
    QTest::mouseClick(submit, Qt::LeftButton);
    // The question id stays empty on a student's connection.
    const QString line = QString("9\tS1\t1\t%1\t%2\tT1\tpush1\t").arg(answer, verdict);
    QCOMPARE(m_link->sent(), QStringList { line });
    QCOMPARE(m_link->server().waitForLine("9\t"), line);

    // The result replaces the options; there is nothing left to submit.
    QVERIFY(card.buttonGroup()->buttons().isEmpty());
    QVERIFY(card.findChild<QLabel *>("markLabel")->styleSheet().contains(mark));
    QCOMPARE(card.findChild<QLabel *>("yourAnswerLabel")->text(), QString("你的答案：%1").arg(answer));
    QCOMPARE(card.findChild<QLabel *>("rightAnswerLabel")->text(), QString("正确答案：%1").arg(ace));
    // Both answers are shown whole, however long the prefix is in the card's font.
    for (const char *name : { "yourAnswerLabel", "rightAnswerLabel" }) {
        const QLabel *label = card.findChild<QLabel *>(name);
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()), name);
    }
    QVERIFY(submit->isHidden());
    QVERIFY(card.findChild<QLabel *>("label")->isHidden());
    MessageBoxCloser boxes;
    card.OnSubmitAnswer();
    QCOMPARE(m_link->sent().size(), 1);
}

void TestAnswerCard::answerWithoutAConnectionIsKept()
{
    SocketClientManager offline(GlobalEnum::User1);
    g_socketClientManager = &offline;
    AnswerCard card;
    card.deQuestionInfo(question(0, 4, "B"));
    option(card, 1)->click();
    MessageBoxCloser boxes;
    QTest::mouseClick(card.findChild<QPushButton *>("button_submit"), Qt::LeftButton);
    g_socketClientManager = m_link->manager();
    // Told, not shown as submitted: the options stay and the answer can be submitted again.
    QTRY_COMPARE(boxes.titledTexts, QStringList { QString::fromUtf8("提示|网络连接已断开，答案未提交，请稍后再提交") });
    QCOMPARE(card.buttonGroup()->buttons().size(), 4);
    QVERIFY(option(card, 1)->isChecked());
    QVERIFY(card.findChild<QPushButton *>("button_submit")->isEnabled());
    QTest::mouseClick(card.findChild<QPushButton *>("button_submit"), Qt::LeftButton);
    QCOMPARE(m_link->sent(), QStringList { "9\tS1\t1\tB\tyes\tT1\tpush1\t" });
}

void TestAnswerCard::stopAfterAnAnswer()
{
    AnswerCard card;
    card.deQuestionInfo(question(0, 4, "A"));
    option(card, 0)->click();
    card.OnSubmitAnswer();
    card.OnStopQuestion();
    QPushButton *submit = card.findChild<QPushButton *>("button_submit");
    QCOMPARE(card.optionsLayout()->count(), 0);
    QVERIFY(!submit->isHidden());
    QVERIFY(!submit->isEnabled());
    QCOMPARE(submit->text(), QString("等待答题"));
    QCOMPARE(card.windowTitle(), QString("题型"));
    QVERIFY(card.isQuestionActive());
}

void TestAnswerCard::closeHides()
{
    AnswerCard card;
    card.deQuestionInfo(question(0, 4, "A"));
    card.show();
    card.exitQuestion();
    QVERIFY(card.isHidden());
    QVERIFY(!card.isQuestionActive());
    QCOMPARE(card.optionsLayout()->count(), 0);
    // A closed card takes no submission.
    card.OnSubmitAnswer();
    QVERIFY(m_link->sent().isEmpty());
}

void TestAnswerCard::emptyQuestionIsLogged()
{
    AnswerCard card;
    QSignalSpy shown(&card, &AnswerCard::signalAnswerCardShow);
    MessageCollector log;
    card.deQuestionInfo(QVariantMap());
    QCOMPARE(log.count("the question from teacher is fomat error!"), 1);
    QCOMPARE(shown.count(), 0);
    QVERIFY(card.isQuestionActive());
    QCOMPARE(card.optionsLayout()->count(), 0);
}

void TestAnswerCard::questionFromTheServerShowsTheCard()
{
    AnswerCard card;
    connect(g_socketClientManager, &SocketClientManager::signalShowQuestionInfo, &card, &AnswerCard::deQuestionInfo);
    QSignalSpy shown(&card, &AnswerCard::signalAnswerCardShow);
    m_link->server().sendLine(R"(9	T1	0	[{"type":1,"title":"Pick","Ace":"BC","Options":6}]	q1	0)");
    QTRY_COMPARE(shown.count(), 1);
    QCOMPARE(card.questionInfo().ace, QString("BC"));
    QCOMPARE(card.questionInfo().options, 6);
    QCOMPARE(optionPlaces(card).size(), 6);
}

QTEST_MAIN(TestAnswerCard)
#include "tst_answercard.moc"
