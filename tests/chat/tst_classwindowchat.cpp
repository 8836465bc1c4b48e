#include "tests/chat/chatsession.h"
#include "tests/support/classroomlink.h"
#include "vrek/chat/chatview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/userinfo/userinfoview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/tiplabel.h"
#include "vrek/viewui/tipwidget.h"

#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {
QString chatLine(int forward, int cmType, const QString &sender, const QString &receiver)
{
    return QStringLiteral("11\t%1\t1$%2$%3$1500000000$%4$aGk=").arg(forward).arg(cmType).arg(sender, receiver);
}
} // namespace

// The chat panel in the class windows: its tab, the unread mark, the tips and the server's commands.
class TestClassWindowChat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void schoolWindowHoldsTheChatTab();
    void unreadMarkFollowsTheClassConversation();
    void serverCommandsReachThePanel();
    void teacherWindowShowsTheChatTips();

private:
    ClassroomLink *m_link = nullptr;
    UserInfoManager *m_users = nullptr;
};

void TestClassWindowChat::initTestCase()
{
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_users = new UserInfoManager;
    g_userInfoManager = m_users;
}

void TestClassWindowChat::cleanupTestCase()
{
    g_userInfoManager = nullptr;
    delete m_users;
    delete m_link;
    g_userInfoHash.clear();
}

void TestClassWindowChat::init()
{
    setUpChatSession();
}

void TestClassWindowChat::schoolWindowHoldsTheChatTab()
{
    SchoolClassView window;
    ChatView *chat = window.chatView();
    QVERIFY(chat);
    QTabWidget *tabs = window.userChatWidget();
    QCOMPARE(chat->parentWidget(), tabs->widget(1));
    QCOMPARE(tabs->widget(1)->styleSheet(), QString("background-color: white;"));
    // The participants' tab holds the participant panel alone.
    QCOMPARE(tabs->widget(0)->layout()->count(), 1);
    QCOMPARE(window.userInfoView()->parentWidget(), tabs->widget(0));
    QCOMPARE(tabs->tabBar()->tabButton(1, QTabBar::RightSide), static_cast<QWidget *>(window.chatTipLabel()));
    QVERIFY(!window.chatTipLabel()->isTipShown());
}

void TestClassWindowChat::unreadMarkFollowsTheClassConversation()
{
    SchoolClassView window;
    ChatView *chat = window.chatView();
    TipLabel *mark = window.chatTipLabel();

    m_link->server().sendLine(chatLine(0, 1, "S2", "class9"));
    QTRY_VERIFY_WITH_TIMEOUT(mark->isTipShown(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(chat->listWidget()->count(), 2, 5000);
    window.userChatWidget()->setCurrentIndex(1);
    QVERIFY(!mark->isTipShown());

    // A personal text marks its sender's conversation, not the chat tab.
    window.userChatWidget()->setCurrentIndex(0);
    m_link->server().sendLine(chatLine(1, 0, "S2", "S1"));
    QTRY_COMPARE_WITH_TIMEOUT(chat->unreadCount("S2"), 1, 5000);
    QVERIFY(!mark->isTipShown());
}

void TestClassWindowChat::serverCommandsReachThePanel()
{
    SchoolClassView window;
    ChatView *chat = window.chatView();
    m_link->server().sendLine(chatLine(0, 1, "S2", "class9"));
    m_link->server().sendLine(chatLine(0, 3, "L1", "all"));
    QTRY_VERIFY_WITH_TIMEOUT(!chat->textEdit()->isEnabled(), 5000);
    // Rows are built in the event-loop turn after their lines.
    QTRY_COMPARE_WITH_TIMEOUT(chat->listWidget()->count(), 2, 5000);

    // The lecturer leaves: the input is free again.
    emit m_users->signalLectIdOffline("L1");
    QVERIFY(chat->textEdit()->isEnabled());
    QVERIFY(chat->sendButton()->isEnabled());

    // The server's clear-screen command.
    m_link->server().sendLine("29\t0\tx\td\t3");
    QTRY_COMPARE_WITH_TIMEOUT(chat->listWidget()->count(), 0, 5000);

    // Tips go to the window's tip bar.
    emit chat->showMessageTip("消息包含敏感词", 5);
    QVERIFY(!window.tipWidget()->isHidden());
    QCOMPARE(window.tipWidget()->text(), QString("消息包含敏感词"));
}

void TestClassWindowChat::teacherWindowShowsTheChatTips()
{
    g_userType = 2;
    g_userId = "L1";
    g_classType = 5;
    TeacherClassView window;
    ChatView *chat = window.chatView();
    QVERIFY(chat);
    QVERIFY(window.rightWidget()->isAncestorOf(chat));
    QVERIFY(!chat->titleLabel()->isHidden());
    emit chat->showMessageTip("tip", 5);
    QVERIFY(!window.tipWidget()->isHidden());
    QCOMPARE(window.tipWidget()->text(), QString("tip"));
}

QTEST_MAIN(TestClassWindowChat)
#include "tst_classwindowchat.moc"
