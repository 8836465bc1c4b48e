#include "tests/chat/chatsession.h"
#include "tests/support/classroomlink.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

namespace {
const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000);

ChatMessage text(quint32 cmType, const QString &sender, const QString &receiver, qint64 offset,
    const QString &content = QStringLiteral("hello"))
{
    ChatMessage message;
    message.setCmType(cmType);
    message.setSenderId(sender);
    message.setSenderName(receiver);
    message.setSendTime(start.addSecs(offset));
    message.setReceiveTime(start.addSecs(offset));
    message.setContent(content);
    return message;
}

ChatMessage classText(const QString &sender, qint64 offset, const QString &content = QStringLiteral("hello"))
{
    return text(ChatMessage::WholeClass, sender, "class9", offset, content);
}

// The kinds of the list's rows: 0 time line, 1 own, 2 another's.
QString kinds(const ChatView &view)
{
    QStringList out;
    for (int i = 0; i < view.listWidget()->count(); ++i)
        out << QString::number(view.row(i) ? view.row(i)->kind() : -1);
    return out.join(' ');
}

// Forwarded mute lines without their send time.
QStringList muteLines(const QStringList &lines)
{
    QStringList out;
    for (QString line : lines)
        out << line.replace(QRegularExpression("\\$\\d{9,}\\$"), "$T$");
    out.sort();
    return out;
}
} // namespace

// The chat panel's list: time lines, the item limit, unread marks, mutes, clearing and the targets.
class TestChatView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void timeLines_data();
    void timeLines();
    void listKeepsAHundredItems();
    void burstKeepsTheLastRowsAndReleasesTheRest_data();
    void burstKeepsTheLastRowsAndReleasesTheRest();
    void burstOverTheLinkLeavesTheWindowTurns();
    void unreadMarks();
    void personalTexts();
    void muteChanges_data();
    void muteChanges();
    void lecturerLeavingFreesTheInput();
    void clearScreen_data();
    void clearScreen();
    void muteAll();
    void lateJoinerIsMutedWhileAllAre();
    void targets();
    void panelByUserAndClass_data();
    void panelByUserAndClass();
    void resizeRefitsTheRows();
    void tipLabel();

private:
    ClassroomLink *m_link = nullptr;
};

void TestChatView::initTestCase()
{
    qRegisterMetaType<ChatMessage>();
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
}

void TestChatView::cleanupTestCase()
{
    delete m_link;
    g_userInfoHash.clear();
}

void TestChatView::init()
{
    setUpChatSession();
    UserInfo prime("S3", "Bob", "1");
    prime.setPrime(true);
    g_userInfoHash.updateUserInfo(prime);
    m_link->clear();
    m_link->server().clearLines();
}

void TestChatView::timeLines_data()
{
    QTest::addColumn<QStringList>("steps"); // a message at +N seconds, or "clear"
    QTest::addColumn<QString>("kinds");

    QTest::newRow("first row") << QStringList { "0" } << "0 2";
    QTest::newRow("59 s later") << QStringList { "0", "59" } << "0 2 2";
    QTest::newRow("60 s later") << QStringList { "0", "60" } << "0 2 0 2";
    QTest::newRow("earlier than the last row") << QStringList { "0", "-1" } << "0 2 0 2";
    QTest::newRow("each gap from the last row") << QStringList { "0", "50", "100", "159" } << "0 2 2 2 2";
    QTest::newRow("after a clear") << QStringList { "0", "clear", "1" } << "0 2";
}

void TestChatView::timeLines()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, kinds);
    ChatView view;
    for (const QString &step : steps) {
        if (step == "clear")
            view.onChatClearButtonClicked();
        else
            view.addSchoolClassMessage(classText("S2", step.toLongLong()));
    }
    view.flushRows();
    QCOMPARE(::kinds(view), kinds);
    QCOMPARE(view.listWidget()->currentRow(), view.listWidget()->count() - 1);
}

void TestChatView::listKeepsAHundredItems()
{
    ChatView view;
    for (int i = 0; i < 99; ++i)
        view.addSchoolClassMessage(classText("S2", 0, QString::number(i)));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 100);
    QCOMPARE(view.row(0)->kind(), int(ChatItemWidget::TimeLine));
    QCOMPARE(view.row(0)->text(), start.toString("hh:mm"));

    // A time line and a row: one item goes, the oldest.
    view.addSchoolClassMessage(classText("S2", 600, "late"));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 101);
    QCOMPARE(view.row(0)->text(), QString("0"));
    QCOMPARE(view.row(99)->kind(), int(ChatItemWidget::TimeLine));
    QCOMPARE(view.row(100)->text(), QString("late"));
    view.addSchoolClassMessage(classText("S2", 601, "later"));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 101);
    QCOMPARE(view.row(0)->text(), QString("1"));

    // The picture-sent row does not trim the list.
    view.onInsertPicture("S1", "/tmp/a.png");
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 102);
}

void TestChatView::burstKeepsTheLastRowsAndReleasesTheRest_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("fewer than the limit") << 40;
    QTest::newRow("just over the limit") << 101;
    QTest::newRow("a burst") << 3000;
}

void TestChatView::burstKeepsTheLastRowsAndReleasesTheRest()
{
    QFETCH(int, lines);
    ChatView view;
    view.resize(300, 500);
    view.show();
    // The rows of one turn: a time line, then the texts (all within the same minute).
    view.addSchoolClassMessage(classText("S2", 0, "first"));
    for (int i = 1; i < lines; ++i)
        view.addSchoolClassMessage(classText("S2", 0, QString::number(i)));
    QVERIFY(view.hasPendingRows());
    // Rows that would be trimmed before being seen are never queued.
    int widgetsAtEnd = -1;
    connect(&view, &ChatView::rowsShown, &view,
        [&] { widgetsAtEnd = view.listWidget()->findChildren<ChatItemWidget *>().size(); });
    QTRY_VERIFY_WITH_TIMEOUT(!view.hasPendingRows(), 30000);

    const int count = view.listWidget()->count();
    QCOMPARE(count, qMin(lines + 1, int(ChatView::maxItems)));
    QCOMPARE(view.row(count - 1)->text(), lines > 1 ? QString::number(lines - 1) : QString("first"));
    // In order, without gaps: each row holds the text after the one above it.
    for (int i = 1; i < count - 1; ++i) {
        if (view.row(i)->kind() != int(ChatItemWidget::TimeLine))
            QCOMPARE(view.row(i + 1)->text().toInt(), view.row(i)->text().toInt() + 1);
    }
    // Trimmed rows are gone the moment the last rows are listed, not when the loop gets round to them.
    QCOMPARE(widgetsAtEnd, count);
    QCOMPARE(view.listWidget()->currentRow(), count - 1);
}

void TestChatView::burstOverTheLinkLeavesTheWindowTurns()
{
    ChatView view;
    view.resize(300, 500);
    view.show();
    const int lines = 20000;
    QStringList bodies;
    for (int i = 0; i < lines; ++i) {
        QString text;
        QVERIFY(TSProtocolAnalysis::sendChatMessage(classText("S2", 0, QString::number(i)), text));
        bodies << "11\t0\t" + text;
    }
    QStringList received;
    connect(m_link->manager(), &SocketClientManager::readChatMessage, &view,
        [&](const ChatMessage &message) { received << message.getContent(); });
    // A zero timer runs once per turn of the event loop: it must get turns while the burst is read.
    int turnsDuringBurst = 0;
    QTimer turn;
    turn.setInterval(0);
    connect(&turn, &QTimer::timeout, &view, [&] {
        if (!received.isEmpty() && received.size() < lines)
            ++turnsDuringBurst;
    });
    turn.start();
    m_link->server().sendLines(bodies);
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), lines, 120000);
    QTRY_VERIFY_WITH_TIMEOUT(!view.hasPendingRows(), 30000);
    turn.stop();

    QVERIFY(turnsDuringBurst > 1);
    for (int i = 0; i < lines; ++i)
        QCOMPARE(received.at(i), QString::number(i));
    QCOMPARE(view.listWidget()->count(), int(ChatView::maxItems));
    QCOMPARE(view.row(ChatView::maxItems - 1)->text(), QString::number(lines - 1));
    QCOMPARE(m_link->manager()->pendingLineCount(), 0);
}

void TestChatView::unreadMarks()
{
    ChatView view;
    QSignalSpy tips(&view, &ChatView::signalUserChatTip);

    // The participants' tab is showing: the class's text is listed and marked unread.
    view.addSchoolClassMessage(classText("S2", 0));
    view.addSchoolClassMessage(classText("S2", 1));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 3);
    QCOMPARE(view.unreadCount("class9"), 2);
    QCOMPARE(tips.count(), 2);
    QCOMPARE(tips.last(), QVariantList({ "class9", true }));

    // The chat tab clears it and keeps it clear while it shows.
    view.onUserWidgetChange(1);
    QCOMPARE(view.unreadCount("class9"), 0);
    QCOMPARE(tips.last(), QVariantList({ "class9", false }));
    tips.clear();
    view.addSchoolClassMessage(classText("S2", 2));
    QCOMPARE(tips.count(), 0);
    QCOMPARE(view.unreadCount("class9"), 0);

    // A sender missing from the participant table is neither shown nor counted.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^uid not exist"));
    view.addSchoolClassMessage(classText("X9", 3));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 4);
    QCOMPARE(tips.count(), 0);

    // The author's name: red for a prime participant.
    view.addSchoolClassMessage(classText("S3", 4));
    view.flushRows();
    QCOMPARE(view.row(4)->nameBox()->toHtml().contains("color:#ff0000"), true);
    view.onUserWidgetChange(0);
    view.addSchoolClassMessage(classText("S1", 5));
    view.flushRows();
    QCOMPARE(view.row(5)->kind(), int(ChatItemWidget::OwnMessage));
    QCOMPARE(view.unreadCount("class9"), 1);
}

void TestChatView::personalTexts()
{
    ChatView view;
    view.onUserWidgetChange(1);
    QSignalSpy tips(&view, &ChatView::signalUserChatTip);

    // While the class is the target, another's personal text is only marked.
    view.addPersonalMessage(text(ChatMessage::Personal, "S2", "S1", 0));
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 0);
    QCOMPARE(view.unreadCount("S2"), 1);
    QCOMPARE(tips.last(), QVariantList({ "S2", true }));
    // An own personal text belongs to the conversation with its receiver.
    view.addPersonalMessage(text(ChatMessage::Personal, "S1", "S3", 1));
    QCOMPARE(view.unreadCount("S3"), 1);
    QCOMPARE(view.listWidget()->count(), 0);
}

void TestChatView::muteChanges_data()
{
    QTest::addColumn<int>("cmType");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<bool>("muted");

    QTest::newRow("mute of the own id") << int(ChatMessage::Mute) << "S1" << true;
    QTest::newRow("mute of all") << int(ChatMessage::Mute) << "all" << true;
    QTest::newRow("mute of another") << int(ChatMessage::Mute) << "S2" << false;
    QTest::newRow("unmute of the own id") << int(ChatMessage::Unmute) << "S1" << false;
    QTest::newRow("unmute of all") << int(ChatMessage::Unmute) << "all" << false;
}

void TestChatView::muteChanges()
{
    QFETCH(int, cmType);
    QFETCH(QString, receiver);
    QFETCH(bool, muted);

    ChatView view;
    if (cmType == ChatMessage::Unmute)
        view.addNoTalkMessage(text(ChatMessage::Mute, "L1", receiver, 0, QString()));
    view.textEdit()->setPlainText("draft");
    view.addNoTalkMessage(text(quint32(cmType), "L1", receiver, 1, QString()));

    QCOMPARE(view.textEdit()->isEnabled(), !muted);
    QCOMPARE(view.sendButton()->isEnabled(), !muted);
    QCOMPARE(view.noTalkButton()->isChecked(), muted);
    if (muted) {
        QCOMPARE(view.textEdit()->toPlainText(), QString("您已被禁言！"));
        QVERIFY(view.noTalkButton()->styleSheet().contains("chatno_1.png"));
        QVERIFY(view.textEdit()->alignment() & Qt::AlignHCenter);
    } else if (cmType == ChatMessage::Unmute) {
        QCOMPARE(view.textEdit()->toPlainText(), QString());
        QVERIFY(view.noTalkButton()->styleSheet().contains("chat_1.png"));
    } else {
        QCOMPARE(view.textEdit()->toPlainText(), QString("draft"));
    }
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), 0);
}

void TestChatView::lecturerLeavingFreesTheInput()
{
    ChatView view;
    view.addNoTalkMessage(text(ChatMessage::Mute, "L1", "all", 0, QString()));
    view.resetChatTextEdit();
    QVERIFY(view.textEdit()->isEnabled());
    QVERIFY(view.sendButton()->isEnabled());
    QCOMPARE(view.textEdit()->toPlainText(), QString());
    QVERIFY(view.noTalkButton()->isChecked());
}

void TestChatView::clearScreen_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("left");
    QTest::newRow("student") << 1 << 0;
    QTest::newRow("lecturer") << 0 << 2;
    QTest::newRow("type 5") << 5 << 2;
}

void TestChatView::clearScreen()
{
    QFETCH(int, userType);
    QFETCH(int, left);
    g_userType = userType;
    ChatView view;
    view.addSchoolClassMessage(classText("S2", 0));
    view.slotClassClearScreen();
    view.flushRows();
    QCOMPARE(view.listWidget()->count(), left);
    if (left == 0) {
        // The next row starts with a time line again.
        view.addSchoolClassMessage(classText("S2", 1));
        view.flushRows();
        QCOMPARE(kinds(view), QString("0 2"));
    }
}

void TestChatView::muteAll()
{
    g_userType = 0;
    g_userId = "L1";
    ChatView view;
    QVERIFY(!view.noTalkButton()->isHidden());
    QTest::mouseClick(view.noTalkButton(), Qt::LeftButton);
    QVERIFY(view.noTalkButton()->isChecked());
    QCOMPARE(muteLines(m_link->forwards()),
        QStringList({ "11\t1\tS1\t1$3$L1$T$S1$\t0", "11\t1\tS2\t1$3$L1$T$S2$\t0", "11\t1\tS3\t1$3$L1$T$S3$\t0" }));
    UserInfo user;
    QVERIFY(g_userInfoHash.selectUserInfo("S2", user) && user.getNoTalk());
    QVERIFY(g_userInfoHash.selectUserInfo("L1", user) && !user.getNoTalk());
    QCOMPARE(view.listWidget()->count(), 0);

    m_link->clear();
    QTest::mouseClick(view.noTalkButton(), Qt::LeftButton);
    QCOMPARE(muteLines(m_link->forwards()),
        QStringList({ "11\t1\tS1\t1$2$L1$T$S1$\t0", "11\t1\tS2\t1$2$L1$T$S2$\t0", "11\t1\tS3\t1$2$L1$T$S3$\t0" }));
    QVERIFY(g_userInfoHash.selectUserInfo("S2", user) && !user.getNoTalk());
}

void TestChatView::lateJoinerIsMutedWhileAllAre()
{
    g_userType = 0;
    g_userId = "L1";
    ChatView view;
    view.sendLateState("S2");
    QVERIFY(m_link->forwards().isEmpty());
    view.noTalkButton()->setChecked(true);
    m_link->clear();
    view.sendLateState("S2");
    view.sendLateState("L1");
    QCOMPARE(muteLines(m_link->forwards()), QStringList({ "11\t1\tS2\t1$3$L1$T$S2$\t0" }));
}

void TestChatView::targets()
{
    ChatView view;
    QSignalSpy tabs(&view, &ChatView::signalUserWidgetChange);
    QSignalSpy tips(&view, &ChatView::signalUserChatTip);
    view.addChatListWidget(UserInfo("S1", "李小明", "1"));
    view.addChatListWidget(UserInfo("S2", "Ann", "1"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^ChatView::addChatListWidget existed id: \"S2\""));
    view.addChatListWidget(UserInfo("S2", "Ann", "1"));
    QCOMPARE(view.targetBox()->count(), 2);
    QCOMPARE(view.targetBox()->itemText(0), QString("所有人"));

    view.addSchoolClassMessage(classText("S2", 0));
    view.onChatListWidgetChange("S2");
    QCOMPARE(view.currentTargetId(), QString("S2"));
    QCOMPARE(view.listWidget()->count(), 0);
    QCOMPARE(tabs.count(), 1);
    QCOMPARE(tips.last(), QVariantList({ "S2", false }));
    view.addPersonalMessage(text(ChatMessage::Personal, "S2", "S1", 1));
    view.flushRows();
    QCOMPARE(kinds(view), QString("0 2"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^ChatView::onChatListWidgetChange id not exist!"));
    view.onChatListWidgetChange("S9");
    view.delChatListWidget("S2");
    QCOMPARE(view.currentTargetId(), QString("class9"));
    QCOMPARE(view.targetBox()->count(), 1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^ChatView::delChatListWidget chatListMap not exist id"));
    view.delChatListWidget("S2");
}

void TestChatView::panelByUserAndClass_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<bool>("title");
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("muteSwitch");
    QTest::newRow("student") << 1 << 4 << false << true << false;
    QTest::newRow("lecturer") << 0 << 4 << false << true << true;
    QTest::newRow("meeting host") << 2 << 5 << true << true << true;
    QTest::newRow("meeting participant") << 3 << 5 << true << true << false;
    QTest::newRow("type 5 reads only") << 5 << 4 << false << false << false;
}

void TestChatView::panelByUserAndClass()
{
    QFETCH(int, userType);
    QFETCH(int, classType);
    QFETCH(bool, title);
    QFETCH(bool, input);
    QFETCH(bool, muteSwitch);
    g_userType = userType;
    g_classType = classType;
    ChatView view;
    QCOMPARE(!view.titleLabel()->isHidden(), title);
    QCOMPARE(!view.textEdit()->isHidden(), input);
    QCOMPARE(!view.sendButton()->isHidden(), input);
    QCOMPARE(!view.noTalkButton()->isHidden(), muteSwitch);
    QVERIFY(view.targetBox()->isHidden());
}

void TestChatView::resizeRefitsTheRows()
{
    ChatView view;
    view.resize(300, 500);
    view.show();
    view.addSchoolClassMessage(classText("S2", 0, QString(200, 'w')));
    view.flushRows();
    const int narrow = view.row(1)->textBox()->width();
    view.resize(900, 500);
    QTRY_VERIFY(view.row(1)->textBox()->width() > narrow);
    QCOMPARE(view.listWidget()->item(1)->sizeHint().height(), view.row(1)->height());
}

void TestChatView::tipLabel()
{
    ChatView view;
    view.resize(300, 500);
    view.show();
    view.showTip("tip text");
    QVERIFY(view.tipLabel()->isVisible());
    QCOMPARE(view.tipLabel()->text(), QString("tip text"));
}

QTEST_MAIN(TestChatView)
#include "tst_chatview.moc"
