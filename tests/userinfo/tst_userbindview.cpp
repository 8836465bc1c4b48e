// The phone binding: the number's and code's checks, the addresses of both requests, the send-code countdown and the
// replies fed as HttpRequest answers them.
#include "vrek/userinfo/userbindview.h"
#include "vrek/utils/globalvalue.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrlQuery>
#include <QtTest>

namespace {
// Records the requests instead of posting them: the service's addresses carry a fixed port 80.
class RecordingBindView : public UserBindView
{
public:
    QList<QPair<QString, QUrl>> sent;

protected:
    void sendRequest(const QString &requestName, const QUrl &url) override { sent.append({ requestName, url }); }
};

// The view in a window of its owner, beside the page it uncovers (hidden).
struct OwnedView
{
    OwnedView()
    {
        view = new RecordingBindView;
        view->setParent(&owner);
        page = new QWidget(&owner);
        page->hide();
        view->setCoverPage(page);
        owner.resize(400, 300);
        view->setGeometry(10, 20, 300, 200);
        owner.show();
    }
    QWidget owner;
    RecordingBindView *view;
    QWidget *page;
};
} // namespace

class TestUserBindView : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void addresses();
    void codeRequest_data();
    void codeRequest();
    void bindRequest_data();
    void bindRequest();
    void countdownUnlocksTheButton();
    void bindReplies_data();
    void bindReplies();
    void cancelUncoversThePage();
};

void TestUserBindView::init()
{
    g_webHost = "school.example";
    g_webPort = "8080";
    g_userId = "20001";
    g_loginSignId = "sign-20001";
}

void TestUserBindView::addresses()
{
    QCOMPARE(UserBindView::codeUrl("13800000000").toString(),
        QString("http://school.example:80/personalInfo/getVerificationCode/7/teacher/13800000000"));
    const QUrl bind = UserBindView::bindUrl("13800000000", "123456");
    QCOMPARE(bind.toString(QUrl::RemoveQuery), QString("http://school.example:80/mobile/httpBindingMobile/"));
    const QList<QPair<QString, QString>> items = QUrlQuery(bind).queryItems();
    QCOMPARE(items,
        (QList<QPair<QString, QString>> { { "userId", "20001" }, { "loginSignId", "sign-20001" },
            { "userCode", "13800000000" }, { "vCode", "123456" }, { "checkType", "7" } }));
}

void TestUserBindView::codeRequest_data()
{
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<bool>("sent");
    QTest::newRow("eleven digits") << "13800000000" << true;
    QTest::newRow("ten digits") << "1380000000" << false;
    QTest::newRow("leading 2") << "23800000000" << false;
    QTest::newRow("twelve digits") << "138000000001" << false;
    QTest::newRow("a letter") << "1380000000a" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUserBindView::codeRequest()
{
    QFETCH(QString, mobile);
    QFETCH(bool, sent);
    RecordingBindView view;
    view.messageLabel()->show();
    view.phoneLineEdit()->setText(mobile);
    view.codeButton()->click();
    QVERIFY(!view.messageLabel()->isVisibleTo(&view));
    QCOMPARE(view.phoneHintLabel()->isVisibleTo(&view), !sent);
    QCOMPARE(view.sent.size(), sent ? 1 : 0);
    QCOMPARE(view.isCountingDown(), sent);
    QCOMPARE(view.codeButton()->isEnabled(), !sent);
    if (sent) {
        QCOMPARE(view.sent.first().first, QString("code"));
        QCOMPARE(view.sent.first().second, UserBindView::codeUrl(mobile));
    }
}

void TestUserBindView::bindRequest_data()
{
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("phoneHint");
    QTest::addColumn<bool>("message");
    QTest::newRow("both right") << "13800000000"
                                << "123456" << false << false;
    QTest::newRow("five-digit code") << "13800000000"
                                     << "12345" << false << true;
    QTest::newRow("seven-digit code") << "13800000000"
                                      << "1234567" << false << true;
    QTest::newRow("ten-digit number") << "1380000000"
                                      << "123456" << true << false;
    QTest::newRow("both wrong") << "2380000000"
                                << "12345" << true << false;
}

void TestUserBindView::bindRequest()
{
    QFETCH(QString, mobile);
    QFETCH(QString, code);
    QFETCH(bool, phoneHint);
    QFETCH(bool, message);
    RecordingBindView view;
    view.phoneLineEdit()->setText(mobile);
    view.codeLineEdit()->setText(code);
    view.bindButton()->click();
    QCOMPARE(view.phoneHintLabel()->isVisibleTo(&view), phoneHint);
    QCOMPARE(view.messageLabel()->isVisibleTo(&view), message);
    if (phoneHint || message) {
        QVERIFY(view.sent.isEmpty());
        return;
    }
    QCOMPARE(view.sent.size(), 1);
    QCOMPARE(view.sent.first().first, QString("bind"));
    QCOMPARE(view.sent.first().second, UserBindView::bindUrl(mobile, code));
}

void TestUserBindView::countdownUnlocksTheButton()
{
    RecordingBindView view;
    view.setTickInterval(5);
    view.phoneLineEdit()->setText("13800000000");
    QStringList texts;
    view.codeButton()->click();
    texts << view.codeButton()->text();
    // The ticks are counted, not timed: every tick is seen.
    while (view.isCountingDown()) {
        view.slotTimer();
        if (texts.last() != view.codeButton()->text())
            texts << view.codeButton()->text();
    }
    QCOMPARE(texts.first(), QString("60"));
    QCOMPARE(texts.at(1), QString("59"));
    QCOMPARE(texts.at(texts.size() - 2), QString("0"));
    QCOMPARE(texts.last(), QString("发送验证码"));
    QCOMPARE(texts.size(), 62);
    QVERIFY(view.codeButton()->isEnabled());
    QCOMPARE(view.countdown(), 0);

    // On its own timer the button unlocks again.
    view.codeButton()->click();
    QVERIFY(!view.codeButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(view.codeButton()->isEnabled(), 10000);
    QCOMPARE(view.codeButton()->text(), QString("发送验证码"));
    QCOMPARE(view.sent.size(), 2);
}

void TestUserBindView::bindReplies_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("uncovered");
    QTest::addColumn<QString>("message");
    QTest::newRow("bound") << int(QNetworkReply::NoError) << "bind"
                           << QByteArray(R"({"requestStatus":"success","requestBody":"ok"})") << true << QString();
    QTest::newRow("refused") << int(QNetworkReply::NoError) << "bind"
                             << QByteArray(R"({"requestStatus":"error","requestBody":"验证码错误"})") << false
                             << QString("验证码错误");
    QTest::newRow("not JSON") << int(QNetworkReply::NoError) << "bind" << QByteArray("<html>") << false << QString();
    QTest::newRow("network error") << int(QNetworkReply::ConnectionRefusedError) << "bind"
                                   << QByteArray(R"({"requestStatus":"success"})") << false << QString();
    QTest::newRow("code reply") << int(QNetworkReply::NoError) << "code" << QByteArray(R"({"requestStatus":"success"})")
                                << false << QString();
}

void TestUserBindView::bindReplies()
{
    QFETCH(int, error);
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, uncovered);
    QFETCH(QString, message);
    OwnedView owned;
    RecordingBindView *view = owned.view;
    QWidget *page = owned.page;
    view->slotHttpMessage(QNetworkReply::NetworkError(error), name, data);
    QCOMPARE(page->isVisible(), uncovered);
    if (uncovered)
        QCOMPARE(page->geometry(), view->geometry());
    QCOMPARE(view->messageLabel()->isVisible(), !message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(view->messageLabel()->text(), message);
}

void TestUserBindView::cancelUncoversThePage()
{
    OwnedView owned;
    RecordingBindView *view = owned.view;
    QWidget *page = owned.page;
    view->cancelButton()->click();
    QVERIFY(page->isVisible());
    QCOMPARE(page->geometry(), view->geometry());
    QVERIFY(view->sent.isEmpty());
}

QTEST_MAIN(TestUserBindView)
#include "tst_userbindview.moc"
