#include "vrek/chat/chatitemwidget.h"
#include "vrek/utils/globalvalue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>

namespace {
constexpr int listWidth = 400;
// The text space beside the bubble in a list of that width: side space and the head picture aside.
constexpr int textSpace = listWidth - 60 - ChatItemWidget::headSide;

// A text at least as wide as the given number of pixels in the bubble's font.
QString textWiderThan(int pixels)
{
    QString text;
    for (;;) {
        text += QStringLiteral("字a");
        ChatItemWidget probe(text, ChatItemWidget::OwnMessage, listWidth, "n", "1");
        if (probe.textWidth() > pixels)
            return text;
    }
}
} // namespace

// One row of the chat list: its bubble sized for the list, its head picture and its side.
class TestChatItemWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bubbleSize_data();
    void bubbleSize();
    void largerInterfaceScale();
    void narrowListsKeepABubble_data();
    void narrowListsKeepABubble();
    void headByUserType_data();
    void headByUserType();
    void sides();
    void timeLine();
    void textFitsItsBox_data();
    void textFitsItsBox();
};

void TestChatItemWidget::init()
{
    g_uiScale = 1.0;
}

void TestChatItemWidget::cleanup()
{
    g_uiScale = 1.0;
}

void TestChatItemWidget::bubbleSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("full"); // the bubble takes the whole text space

    QTest::newRow("empty") << QString() << 1 << false;
    QTest::newRow("short") << QString("hi") << 1 << false;
    QTest::newRow("two lines") << textWiderThan(textSpace - 20) << 2 << true;
    QTest::newRow("three lines") << textWiderThan(2 * (textSpace - 20)) << 3 << true;
}

void TestChatItemWidget::bubbleSize()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    QFETCH(bool, full);

    ChatItemWidget row(text, ChatItemWidget::OtherMessage, listWidth, "Ann", "1");
    const int width = row.textWidth();
    if (text.isEmpty())
        QCOMPARE(width, 10);
    QCOMPARE(row.headLabel()->width(), ChatItemWidget::headSide);
    QCOMPARE(row.textBox()->width(), full ? textSpace : width + 24);
    if (!full)
        QVERIFY(width < textSpace - 24);
    // Lines of 14.6 pixels and 15 pixels more, cut to whole pixels: 29, 44, 58.
    const int heights[] = { 0, 29, 44, 58 };
    QCOMPARE(row.textBox()->height(), heights[lines]);
    QCOMPARE(row.height(), row.textBox()->height() + row.nameBox()->height() + 20);
}

void TestChatItemWidget::largerInterfaceScale()
{
    g_uiScale = 1.5;
    ChatItemWidget row("hi", ChatItemWidget::OwnMessage, listWidth, "Ann", "1");
    QCOMPARE(row.textBox()->height(), 36); // 14.6 x 1.5 + 15 = 36.9
}

void TestChatItemWidget::narrowListsKeepABubble_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("no width") << 0;
    QTest::newRow("narrower than the head") << 20;
    QTest::newRow("head and side space") << 90;
    QTest::newRow("no space left to wrap in") << 110;
    QTest::newRow("head and 80 pixels") << 170;
}

void TestChatItemWidget::narrowListsKeepABubble()
{
    QFETCH(int, width);
    ChatItemWidget empty(QString(), ChatItemWidget::OwnMessage, width, "Ann", "1");
    QCOMPARE(empty.textBox()->width(), 34);
    QCOMPARE(empty.textBox()->height(), 29);
    QVERIFY(empty.height() >= empty.headLabel()->height());

    // A longer text wraps into more lines of a bubble that keeps a width, however narrow the list.
    ChatItemWidget text(QStringLiteral("a text for a narrow list"), ChatItemWidget::OwnMessage, width, "Ann", "1");
    QVERIFY(text.textBox()->width() >= 34);
    QVERIFY(text.textBox()->height() >= 29);
    QVERIFY(text.textBox()->height() < 29 * 50);
    QVERIFY(text.height() >= text.headLabel()->height());
}

void TestChatItemWidget::headByUserType_data()
{
    QTest::addColumn<QString>("userType");
    QTest::addColumn<bool>("head");
    QTest::addColumn<QString>("nameStyle");
    QTest::addColumn<bool>("blue");
    QTest::newRow("lecturer") << "0" << true << "QTextEdit{color:#0081ff;}" << true;
    QTest::newRow("student") << "1" << true << "QTextEdit {}" << false;
    QTest::newRow("type 2") << "2" << false << "" << false;
    QTest::newRow("type 3") << "3" << false << "" << false;
    QTest::newRow("type 4") << "4" << false << "" << false;
    QTest::newRow("type 5") << "5" << true << "QTextEdit{color:#0081ff;}" << false;
}

void TestChatItemWidget::headByUserType()
{
    QFETCH(QString, userType);
    QFETCH(bool, head);
    QFETCH(QString, nameStyle);
    QFETCH(bool, blue);
    ChatItemWidget row("hello", ChatItemWidget::OtherMessage, listWidth, "Ann", userType);
    const QPixmap pixmap = row.headLabel()->pixmap(Qt::ReturnByValue);
    QCOMPARE(!pixmap.isNull(), head);
    if (head)
        QCOMPARE(pixmap.size(), QSize(30, 30));
    QCOMPARE(row.nameBox()->styleSheet(), nameStyle);
    QCOMPARE(row.textBox()->styleSheet().startsWith("QTextEdit {background-color: #0081ff;"), blue);
    QVERIFY(row.height() >= row.headLabel()->height());
}

void TestChatItemWidget::sides()
{
    ChatItemWidget own("hello", ChatItemWidget::OwnMessage, listWidth, "Me", "1");
    QCOMPARE(own.layout()->count(), 3);
    QVERIFY(own.layout()->itemAt(0)->spacerItem());
    QCOMPARE(own.layout()->itemAt(2)->widget(), static_cast<QWidget *>(own.headLabel()));

    ChatItemWidget other("hello", ChatItemWidget::OtherMessage, listWidth, "Ann", "1");
    QCOMPARE(other.layout()->itemAt(0)->widget(), static_cast<QWidget *>(other.headLabel()));
    QVERIFY(other.layout()->itemAt(2)->spacerItem());
}

void TestChatItemWidget::timeLine()
{
    ChatItemWidget row("09:41", ChatItemWidget::TimeLine, listWidth, QString(), QString());
    QCOMPARE(row.layout()->count(), 3);
    QVERIFY(row.layout()->itemAt(0)->spacerItem() && row.layout()->itemAt(2)->spacerItem());
    QCOMPARE(row.layout()->itemAt(1)->widget(), static_cast<QWidget *>(row.textBox()));
    QVERIFY(row.textBox()->styleSheet().contains("color:#999999;"));
    QCOMPARE(row.height(), row.textBox()->height() + 6);
    QCOMPARE(row.textBox()->toPlainText(), QString("09:41"));
}

void TestChatItemWidget::textFitsItsBox_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines"); // 0: as many as the bubble counts
    QTest::newRow("time line") << int(ChatItemWidget::TimeLine) << "09:41" << 1;
    QTest::newRow("one line") << int(ChatItemWidget::OtherMessage) << "你好" << 1;
    QTest::newRow("lines of Chinese") << int(ChatItemWidget::OtherMessage) << textWiderThan(2 * (textSpace - 20)) << 0;
}

// Shown in a list, the text lies on the lines the row was sized for and is not cut off below.
void TestChatItemWidget::textFitsItsBox()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, lines);
    ChatItemWidget row(text, kind, listWidth, "Ann", "0");
    row.resize(listWidth, row.height());
    row.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row));
    QTextEdit *box = row.textBox();
    int laidOut = 0;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
        laidOut += block.layout()->lineCount();
    if (lines > 0)
        QCOMPARE(laidOut, lines);
    // The document's margin below the last line may be cut, the text itself not.
    const double textBottom = box->document()->size().height() - box->document()->documentMargin();
    QVERIFY2(textBottom <= box->viewport()->height(),
        qPrintable(QString("%1 > %2").arg(textBottom).arg(box->viewport()->height())));
}

QTEST_MAIN(TestChatItemWidget)
#include "tst_chatitemwidget.moc"
