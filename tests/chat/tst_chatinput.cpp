#include "tests/chat/chatsession.h"
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/tempworkdir.h"
#include "vrek/chat/chatitemwidget.h"
#include "vrek/chat/chatclient.h"
#include "vrek/chat/chatview.h"
#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

namespace {
const QByteArray uploadPath = "/mobile/httpUploadCourseware";

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The sizes of the pictures in the input box, as "WxH".
QStringList shownPictures(const QTextEdit *edit)
{
    QStringList sizes;
    QRegularExpressionMatchIterator it
        = QRegularExpression("<img src=\"[^\"]*\" width=\"(\\d+)\" height=\"(\\d+)\"").globalMatch(edit->toHtml());
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        sizes << match.captured(1) + 'x' + match.captured(2);
    }
    return sizes;
}
} // namespace

// Typing, the word filter and pictures in the chat panel's input.
class TestChatInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void keys_data();
    void keys();
    void personalTarget();
    void wordFilter_data();
    void wordFilter();
    void shippedWordList();
    void missingWordListKeepsTheText();
    void textTheConnectionCannotTakeStaysToBeSentAgain();
    void pictureLimit_data();
    void pictureLimit();
    void pictureSizes_data();
    void pictureSizes();
    void noPictureWhileMuted();
    void draftComesBackWhenTheMuteEnds_data();
    void draftComesBackWhenTheMuteEnds();
    void pictureMessage_data();
    void pictureMessage();
    void pictureRowOfAnUnknownUser();

private:
    // A panel with the fixture word list and a picture chooser that answers the given path.
    ChatView *makeView(const QString &picture = QString());

    ClassroomLink *m_link = nullptr;
    FakeHttpServer *m_http = nullptr;
    TempWorkDir *m_work = nullptr;
};

void TestChatInput::initTestCase()
{
    qRegisterMetaType<ChatMessage>();
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    m_http = new FakeHttpServer;
    QVERIFY(m_http->listen());
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    // The form of the list: a byte-order mark, each entry followed by "|".
    QVERIFY(m_work->writeFile("key.txt", QByteArray("\xEF\xBB\xBF") + QString("敏感|spam||").toUtf8()));
    QVERIFY(m_work->writeFile("p720.png", png(720, 100)));
    QVERIFY(m_work->writeFile("p721.png", png(721, 100)));
    QVERIFY(m_work->writeFile("p1921.png", png(1921, 100)));
    QVERIFY(m_work->writeFile("small.png", png(20, 10)));
    QVERIFY(m_work->writeFile("text.png", "no picture here"));
    // Decoders stop at the picture's end: the padding only makes the file as large as wanted.
    QByteArray limit = png(20, 10);
    QVERIFY(m_work->writeFile("limit.png", limit + QByteArray(ChatView::maxPictureBytes - limit.size(), '\0')));
    QVERIFY(m_work->writeFile("over.png", limit + QByteArray(ChatView::maxPictureBytes + 1 - limit.size(), '\0')));
}

void TestChatInput::cleanupTestCase()
{
    delete m_work;
    delete m_http;
    delete m_link;
    g_userInfoHash.clear();
}

void TestChatInput::init()
{
    setUpChatSession();
    g_loginSignId = "sign1";
    g_videoId = "v1";
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_http->port());
    m_http->clearRequests();
    m_http->setJson(
        uploadPath, R"({"requestStatus":"success","requestBody":"{\"originalGraph\":\"http://p/1.png\"}"})");
    m_link->clear();
    m_link->server().clearLines();
}

ChatView *TestChatInput::makeView(const QString &picture)
{
    auto *view = new ChatView;
    view->setWordListPath(m_work->filePath("key.txt"));
    const QString path = picture.isEmpty() ? QString() : m_work->filePath(picture);
    view->setPictureChooser([path](QWidget *) { return path; });
    view->resize(320, 600);
    return view;
}

void TestChatInput::keys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("sent"); // null: nothing
    QTest::addColumn<QString>("left");

    QTest::newRow("Enter sends") << "hello" << int(Qt::NoModifier) << int(Qt::Key_Return) << "hello"
                                 << "";
    QTest::newRow("keypad Enter sends") << "hello" << int(Qt::KeypadModifier) << int(Qt::Key_Enter) << "hello"
                                        << "";
    QTest::newRow("spaces around are kept") << "  hi  " << int(Qt::NoModifier) << int(Qt::Key_Return) << "  hi  "
                                            << "";
    QTest::newRow("Ctrl+Enter breaks the line")
        << "hello" << int(Qt::ControlModifier) << int(Qt::Key_Return) << QString() << "hello\n";
    QTest::newRow("blanks only are dropped") << "   " << int(Qt::NoModifier) << int(Qt::Key_Return) << QString() << "";
    QTest::newRow("a long text") << QString(5000, 'x') << int(Qt::NoModifier) << int(Qt::Key_Return)
                                 << QString(5000, 'x') << "";
}

void TestChatInput::keys()
{
    QFETCH(QString, typed);
    QFETCH(int, modifiers);
    QFETCH(int, key);
    QFETCH(QString, sent);
    QFETCH(QString, left);

    QScopedPointer<ChatView> view(makeView());
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    view->textEdit()->insertPlainText(typed);
    QTest::keyClick(view->textEdit(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(view->textEdit()->toPlainText(), left);
    if (sent.isNull()) {
        QCOMPARE(school.count(), 0);
        QVERIFY(m_link->forwards().isEmpty());
        return;
    }
    QCOMPARE(school.count(), 1);
    QCOMPARE(school.first().first().toString(), sent);
    QCOMPARE(m_link->forwards().size(), 1);
    QVERIFY(m_link->forwards().first().startsWith("11\t0\tclass9\t1$1$S1$"));
    // The own text is listed at once, after its time line.
    QTRY_VERIFY(!view->hasPendingRows());
    QCOMPARE(view->listWidget()->count(), 2);
    QCOMPARE(view->row(1)->kind(), int(ChatItemWidget::OwnMessage));
}

void TestChatInput::personalTarget()
{
    QScopedPointer<ChatView> view(makeView());
    view->addChatListWidget(UserInfo("S2", "Ann", "1"));
    view->onChatListWidgetChange("S2");
    QSignalSpy personal(view.data(), &ChatView::sendPersonalMessage);
    view->textEdit()->insertPlainText("just you");
    QTest::keyClick(view->textEdit(), Qt::Key_Return);
    QCOMPARE(personal.count(), 1);
    QCOMPARE(personal.first(), QVariantList({ "S2", "just you" }));
    QCOMPARE(m_link->forwards().size(), 1);
    QVERIFY(m_link->forwards().first().startsWith("11\t1\tS2\t1$0$S1$"));
    QTRY_VERIFY(!view->hasPendingRows());
    QCOMPARE(view->listWidget()->count(), 2);
}

void TestChatInput::wordFilter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("inside a longer word") << QString("这条消息很敏感吗") << true;
    QTest::newRow("the first entry at the start") << QString("敏感的话题") << true;
    QTest::newRow("inside an ASCII word") << QString("no spammers") << true;
    QTest::newRow("other case passes") << QString("SPAM") << false;
    QTest::newRow("clean") << QString("你好") << false;
}

void TestChatInput::wordFilter()
{
    QFETCH(QString, text);
    QFETCH(bool, blocked);
    QScopedPointer<ChatView> view(makeView());
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    QSignalSpy tips(view.data(), &ChatView::showMessageTip);
    view->textEdit()->insertPlainText(text);
    view->sendButton()->click();
    QCOMPARE(view->textEdit()->toPlainText(), QString());
    QCOMPARE(school.count(), blocked ? 0 : 1);
    QCOMPARE(m_link->forwards().size(), blocked ? 0 : 1);
    if (blocked) {
        QCOMPARE(tips.count(), 1);
        QCOMPARE(tips.first(), QVariantList({ "消息包含敏感词", 5u }));
        QCOMPARE(view->listWidget()->count(), 0);
    } else {
        QCOMPARE(tips.count(), 0);
    }
}

void TestChatInput::shippedWordList()
{
    QScopedPointer<ChatView> view(makeView());
    view->setWordListPath(ChatView::defaultWordListPath());
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    QSignalSpy tips(view.data(), &ChatView::showMessageTip);
    view->textEdit()->insertPlainText("我们去赌博吧");
    view->sendButton()->click();
    view->textEdit()->insertPlainText("禁言一下");
    view->sendButton()->click();
    QCOMPARE(tips.count(), 1);
    QCOMPARE(school.count(), 1);
    QCOMPARE(school.first().first().toString(), QString("禁言一下"));
}

void TestChatInput::missingWordListKeepsTheText()
{
    QScopedPointer<ChatView> view(makeView());
    view->setWordListPath(m_work->filePath("none.txt"));
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    MessageBoxCloser boxes;
    view->textEdit()->insertPlainText("hello");
    view->sendButton()->click();
    QCOMPARE(boxes.titledTexts, QStringList { "警告|词库初始化失败" });
    QCOMPARE(view->textEdit()->toPlainText(), QString("hello"));
    QCOMPARE(school.count(), 0);
    QVERIFY(m_link->forwards().isEmpty());
}

void TestChatInput::textTheConnectionCannotTakeStaysToBeSentAgain()
{
    QScopedPointer<ChatView> view(makeView());
    QSignalSpy tips(view.data(), &ChatView::showMessageTip);
    {
        SocketClientManager offline(GlobalEnum::User1);
        g_socketClientManager = &offline;
        view->textEdit()->insertPlainText("later");
        view->sendButton()->click();
        g_socketClientManager = m_link->manager();
    }
    // Not listed as sent; told, and back in the box.
    QCOMPARE(view->textEdit()->toPlainText(), QString("later"));
    QCOMPARE(tips.count(), 1);
    QCOMPARE(tips.first().first().toString(), ChatView::notSentText);
    QTRY_VERIFY(!view->hasPendingRows());
    QCOMPARE(view->listWidget()->count(), 0);
    QVERIFY(m_link->forwards().isEmpty());

    // With the connection back, the same press sends it.
    view->sendButton()->click();
    QVERIFY(view->textEdit()->toPlainText().isEmpty());
    QCOMPARE(m_link->forwards().size(), 1);
    QTRY_VERIFY(!view->hasPendingRows());
    QCOMPARE(view->listWidget()->count(), 2);
}

void TestChatInput::pictureLimit_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("taken");
    QTest::newRow("5,000,000 bytes") << "limit.png" << QStringList() << true;
    QTest::newRow("5,000,001 bytes") << "over.png" << QStringList { "Tips|文件限制5M!" } << false;
    QTest::newRow("no picture") << "text.png" << QStringList() << false;
    QTest::newRow("nothing chosen") << "" << QStringList() << false;
}

void TestChatInput::pictureLimit()
{
    QFETCH(QString, file);
    QFETCH(QStringList, boxes);
    QFETCH(bool, taken);
    QScopedPointer<ChatView> view(makeView(file));
    MessageBoxCloser closer;
    view->pictureButton()->click();
    QCOMPARE(closer.titledTexts, boxes);
    QCOMPARE(view->pictureFlag(), taken);
    QCOMPARE(shownPictures(view->textEdit()).size(), taken ? 1 : 0);
    QCOMPARE(view->picturePath(), taken ? m_work->filePath(file) : QString());
}

void TestChatInput::pictureSizes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("720 wide") << "p720.png"
                              << "720x100";
    QTest::newRow("721 wide") << "p721.png"
                              << "144x20";
    QTest::newRow("1921 wide") << "p1921.png"
                               << "96x5";
}

void TestChatInput::pictureSizes()
{
    QFETCH(QString, file);
    QFETCH(QString, shown);
    QScopedPointer<ChatView> view(makeView(file));
    view->pictureButton()->click();
    QCOMPARE(shownPictures(view->textEdit()), QStringList { shown });
}

void TestChatInput::noPictureWhileMuted()
{
    QScopedPointer<ChatView> view(makeView("small.png"));
    ChatMessage mute;
    mute.setCmType(ChatMessage::Mute);
    mute.setSenderId("L1");
    mute.setSenderName("all");
    view->addNoTalkMessage(mute);
    view->onImageSendButtonClicked();
    QVERIFY(!view->pictureFlag());
    QCOMPARE(shownPictures(view->textEdit()).size(), 0);
}

void TestChatInput::draftComesBackWhenTheMuteEnds_data()
{
    QTest::addColumn<bool>("lecturerLeaves");
    QTest::newRow("unmute") << false;
    QTest::newRow("lecturer leaves") << true;
}

// The muted text stands in for the draft, picture and all; a text the connection lost meanwhile joins the draft.
void TestChatInput::draftComesBackWhenTheMuteEnds()
{
    QFETCH(bool, lecturerLeaves);
    QScopedPointer<ChatView> view(makeView("small.png"));
    view->textEdit()->insertPlainText(QStringLiteral("看这里"));
    view->pictureButton()->click();
    QCOMPARE(shownPictures(view->textEdit()).size(), 1);
    ChatMessage mute;
    mute.setCmType(ChatMessage::Mute);
    mute.setSenderId("L1");
    mute.setSenderName("all");
    view->addNoTalkMessage(mute);
    QCOMPARE(view->textEdit()->toPlainText(), QStringLiteral("您已被禁言！"));
    QVERIFY(!view->textEdit()->isEnabled());
    emit view->chatClient()->sendFailedOut(QStringLiteral("刚才那句"), true);
    QCOMPARE(view->textEdit()->toPlainText(), QStringLiteral("您已被禁言！"));

    if (lecturerLeaves) {
        view->resetChatTextEdit();
    } else {
        ChatMessage unmute = mute;
        unmute.setCmType(ChatMessage::Unmute);
        view->addNoTalkMessage(unmute);
    }
    QVERIFY(view->textEdit()->isEnabled());
    // Before the draft, in the picture's paragraph, which is what goes out with a picture.
    QVERIFY(view->textEdit()->toPlainText().startsWith(QStringLiteral("刚才那句 看这里")));
    QCOMPARE(shownPictures(view->textEdit()).size(), 1);
    QVERIFY(!view->textEdit()->toPlainText().contains(QStringLiteral("禁言")));
    // The picture still goes out with the text.
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    view->sendButton()->click();
    QCOMPARE(school.count(), 1);
    QVERIFY(school.first().first().toString().startsWith(QStringLiteral("刚才那句 看这里")));
    QVERIFY(view->textEdit()->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_http->requestCount(uploadPath), 1, 10000);
}

void TestChatInput::pictureMessage_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("nextParagraph");
    QTest::addColumn<QString>("sent"); // null: no chat text
    QTest::newRow("text around the picture") << "look "
                                             << " here"
                                             << "more"
                                             << "look  here";
    QTest::newRow("markup stays escaped") << "a<b "
                                          << ""
                                          << ""
                                          << "a&lt;b ";
    QTest::newRow("picture alone") << ""
                                   << ""
                                   << "" << QString();
    QTest::newRow("picture alone, text below") << ""
                                               << ""
                                               << "below" << QString();
}

void TestChatInput::pictureMessage()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, nextParagraph);
    QFETCH(QString, sent);

    QScopedPointer<ChatView> view(makeView("small.png"));
    QSignalSpy school(view.data(), &ChatView::sendSchoolClassMessage);
    view->textEdit()->insertPlainText(before);
    view->pictureButton()->click();
    view->textEdit()->insertPlainText(after);
    if (!nextParagraph.isEmpty()) {
        view->textEdit()->textCursor().insertBlock();
        view->textEdit()->insertPlainText(nextParagraph);
    }
    view->sendButton()->click();

    // The row that tells the sender the picture went out comes first, without a time line.
    QTRY_VERIFY(!view->hasPendingRows());
    QVERIFY(view->listWidget()->count() >= 1);
    QCOMPARE(view->row(0)->text(), QString("图片已发送"));
    QCOMPARE(view->row(0)->kind(), int(ChatItemWidget::OwnMessage));
    QCOMPARE(view->textEdit()->toPlainText(), QString());
    if (sent.isNull()) {
        QCOMPARE(school.count(), 0);
        QCOMPARE(view->listWidget()->count(), 1);
    } else {
        QCOMPARE(school.count(), 1);
        QCOMPARE(school.first().first().toString(), sent);
    }

    // The upload ends with the notice to the lecturer.
    QTRY_COMPARE_WITH_TIMEOUT(m_http->requestCount(uploadPath), 1, 10000);
    QCOMPARE(m_link->server().waitForLine("11\t1\tL1\t", 10000), QString("11\t1\tL1\tS1:http://p/1.png\t13"));
    QTRY_VERIFY_WITH_TIMEOUT(!view->pictureUpload(), 10000);
}

void TestChatInput::pictureRowOfAnUnknownUser()
{
    QScopedPointer<ChatView> view(makeView());
    const int users = g_userInfoHash.count();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^uid not exist"));
    view->onInsertPicture("S404", QString());
    QTRY_VERIFY(!view->hasPendingRows());
    QCOMPARE(view->listWidget()->count(), 1);
    QCOMPARE(view->row(0)->text(), QString("图片已发送"));
    QCOMPARE(view->row(0)->nameBox()->toPlainText(), QString());
    QCOMPARE(g_userInfoHash.count(), users);
    QVERIFY(!g_userInfoHash.containsUserInfo(QString()));
}

QTEST_MAIN(TestChatInput)
#include "tst_chatinput.moc"
