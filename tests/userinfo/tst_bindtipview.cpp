// The personal centre: the page filled from the session, the checks while typing and on confirmation, and the
// password change over the REST client on a fake HTTP server: its fields, success, an expired session and failures.
#include "tests/class/reviewtestsupport.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/namedchild.h"
#include "tests/support/tempworkdir.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/tipwidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray changePath = "/mobile/httpModifyNewPassByOldPass";
const QString stored = QStringLiteral("tavi2026");

QByteArray resultReply(const QString &result, const QString &loginStatus = "0")
{
    return QJsonDocument(QJsonObject { { "loginStatus", loginStatus }, { "requestStatus", "success" },
                             { "requestBody", QJsonObject { { "result", result } } } })
        .toJson(QJsonDocument::Compact);
}
} // namespace

class TestBindTipView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void formAndTipBar();
    void fillsFromTheSession_data();
    void fillsFromTheSession();
    void typingCheck_data();
    void typingCheck();
    void formCheck_data();
    void formCheck();
    void wrongOldPasswordKeepsTheOtherTips();
    void changeSucceeds();
    void expiredSessionStartsTheRelogin();
    void changeFails_data();
    void changeFails();
    void personalDataReplyRefills();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return namedChild<T>(*m_view, name);
    }
    void fillChange(const QString &oldText, const QString &newText, const QString &sureText);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    ReviewHttp *m_http = nullptr;
    BindTipView *m_view = nullptr;
};

void TestBindTipView::initTestCase()
{
    m_network = new NetworkEngineThread;
    m_dir = new TempWorkDir;
    SettingConfig::getSetting();
}

void TestBindTipView::cleanupTestCase()
{
    delete m_dir;
    delete m_network;
}

void TestBindTipView::init()
{
    g_userId = "20001";
    g_accountId = "a20001";
    g_loginSignId = "sign-20001";
    g_userName = QStringLiteral("李小明");
    g_mobile = "13800000000";
    g_gradeClassName = QStringLiteral("三年级2班");
    g_passWord = stored;
    g_userType = 1;
    g_uiScale = 1.0;
    m_http = new ReviewHttp;
    m_view = new BindTipView;
    m_view->updatePersonalInfo();
    m_view->show();
}

void TestBindTipView::cleanup()
{
    delete m_view;
    m_view = nullptr;
    delete m_http;
    m_http = nullptr;
}

void TestBindTipView::fillChange(const QString &oldText, const QString &newText, const QString &sureText)
{
    child<QPushButton>("resetButton")->click();
    child<QLineEdit>("oldPasswordLineEdit")->setText(oldText);
    child<QLineEdit>("newPasswordLineEdit")->setText(newText);
    child<QLineEdit>("surePasswordLineEdit")->setText(sureText);
}

void TestBindTipView::formAndTipBar()
{
    QCOMPARE(m_view->size(), QSize(893, 514));
    QVERIFY(!child<QWidget>("passwordWidget")->isVisible());
    QVERIFY(!child<QLineEdit>("passwordLineEdit")->isEnabled());
    QCOMPARE(child<QLineEdit>("passwordLineEdit")->echoMode(), QLineEdit::Password);
    for (const char *name : { "oldPasswordLineEdit", "newPasswordLineEdit", "surePasswordLineEdit" })
        QCOMPARE(child<QLineEdit>(name)->echoMode(), QLineEdit::Password);
    QCOMPARE(child<QLineEdit>("newPasswordLineEdit")->placeholderText(), QString("请输入6-16位数字或字母"));
    child<QPushButton>("resetButton")->click();
    QVERIFY(child<QWidget>("passwordWidget")->isVisible());
    child<QPushButton>("cancelButton")->click();
    QVERIFY(!child<QWidget>("passwordWidget")->isVisible());

    TipWidget *tip = m_view->tipWidget();
    QCOMPARE(tip->parentWidget(), m_view);
    QCOMPARE(tip->size(), QSize(200, 35));
    QCOMPARE(tip->pos(), QPoint((893 - 200) / 2, (514 - 35) / 2));
    QVERIFY(!tip->isVisible());
}

void TestBindTipView::fillsFromTheSession_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("gradeShown");
    QTest::newRow("lecturer's side") << 0 << false;
    QTest::newRow("student") << 1 << true;
}

void TestBindTipView::fillsFromTheSession()
{
    QFETCH(int, userType);
    QFETCH(bool, gradeShown);
    g_userType = userType;
    fillChange("a", "b", "c");
    m_view->updatePersonalInfo();
    QCOMPARE(child<QWidget>("classWidget")->isVisible(), gradeShown);
    QCOMPARE(child<QLabel>("nameLabel")->text(), QString("李小明"));
    QCOMPARE(child<QLabel>("phoneLabel")->text(), QString("13800000000"));
    QCOMPARE(child<QLabel>("classNameLabel")->text(), QString("三年级2班"));
    QCOMPARE(child<QLineEdit>("passwordLineEdit")->text(), stored);
    QVERIFY(!child<QWidget>("passwordWidget")->isVisible());
    for (const char *name : { "oldPasswordLineEdit", "newPasswordLineEdit", "surePasswordLineEdit" })
        QVERIFY(child<QLineEdit>(name)->text().isEmpty());
}

void TestBindTipView::typingCheck_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byKeys");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("boxes");
    const QString illegal = QStringLiteral("提示|密码存在非法字符");
    const QString tooLong = QStringLiteral("提示|密码输入超过最大限度");
    QTest::newRow("a space typed") << QByteArray("newPasswordLineEdit") << "ab c1" << true << "abc1"
                                   << QStringList { illegal };
    QTest::newRow("letters and digits") << QByteArray("oldPasswordLineEdit") << "Tavi2026" << true << "Tavi2026"
                                        << QStringList();
    QTest::newRow("Chinese pasted") << QByteArray("surePasswordLineEdit") << QString("密码abc") << false << "abc"
                                    << QStringList { illegal };
    QTest::newRow("17 pasted") << QByteArray("newPasswordLineEdit") << "abcdefghijklmnopq" << false
                               << "abcdefghijklmnopq" << QStringList { tooLong };
    QTest::newRow("17 pasted with a dash") << QByteArray("newPasswordLineEdit") << "abcdefgh-ijklmnop" << false
                                           << "abcdefghijklmnop" << QStringList { tooLong, illegal };
}

void TestBindTipView::typingCheck()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, typed);
    QFETCH(bool, byKeys);
    QFETCH(QString, kept);
    QFETCH(QStringList, boxes);
    child<QPushButton>("resetButton")->click();
    auto *edit = child<QLineEdit>(field.constData());
    MessageBoxCloser closer;
    if (byKeys)
        QTest::keyClicks(edit, typed);
    else
        edit->insert(typed);
    QCOMPARE(edit->text(), kept);
    QCOMPARE(closer.titledTexts, boxes);
}

void TestBindTipView::formCheck_data()
{
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("sureText");
    QTest::addColumn<QString>("oldTip");
    QTest::addColumn<QString>("newTip");
    QTest::newRow("wrong old password") << "tavi2025"
                                        << "abc123"
                                        << "abc123" << QString("原密码输入错误请重新输入") << QString();
    QTest::newRow("mismatch") << stored << "abc123"
                              << "abc124" << QString() << QString("两次输入密码不一致，请重新输入");
    QTest::newRow("mismatch of short ones") << stored << "abc"
                                            << "abd" << QString() << QString("两次输入密码不一致，请重新输入");
    QTest::newRow("5 characters") << stored << "abc12"
                                  << "abc12" << QString() << QString("密码输入低于最小限度");
    QTest::newRow("the same password") << stored << stored << stored << QString()
                                       << QString("新密码与原密码相同，请重新输入");
    QTest::newRow("16 characters pass") << stored << "abcdefgh12345678"
                                        << "abcdefgh12345678" << QString() << QString();
}

void TestBindTipView::formCheck()
{
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, sureText);
    QFETCH(QString, oldTip);
    QFETCH(QString, newTip);
    fillChange(oldText, newText, sureText);
    const bool passes = oldTip.isEmpty() && newTip.isEmpty();
    QCOMPARE(m_view->checkPasswordInput(), passes);
    QCOMPARE(child<QLabel>("oldPasswordTip")->text(), oldTip);
    QCOMPARE(child<QLabel>("newPasswordTip")->text(), newTip);
    QVERIFY(child<QLabel>("surePasswordTip")->text().isEmpty());
    QCOMPARE(child<QLineEdit>("oldPasswordLineEdit")->text(), oldTip.isEmpty() ? oldText : QString());

    // Only a passing form is sent.
    child<QPushButton>("sureButton")->click();
    QCOMPARE(m_http->client->pendingCount(), passes ? 1 : 0);
    if (passes) {
        QVERIFY(m_http->server.waitForRequest(changePath));
        QCOMPARE(m_view->pendingPassword(), newText);
    }
}

void TestBindTipView::wrongOldPasswordKeepsTheOtherTips()
{
    fillChange(stored, "abc", "abc");
    QVERIFY(!m_view->checkPasswordInput());
    QCOMPARE(child<QLabel>("newPasswordTip")->text(), QString("密码输入低于最小限度"));
    child<QLineEdit>("oldPasswordLineEdit")->setText("wrong1");
    QVERIFY(!m_view->checkPasswordInput());
    QVERIFY(child<QLineEdit>("oldPasswordLineEdit")->text().isEmpty());
    QCOMPARE(child<QLabel>("oldPasswordTip")->text(), QString("原密码输入错误请重新输入"));
    QCOMPARE(child<QLabel>("newPasswordTip")->text(), QString("密码输入低于最小限度"));
}

void TestBindTipView::changeSucceeds()
{
    m_http->server.setJson(changePath, resultReply("1"));
    fillChange(stored, "newPass7", "newPass7");
    child<QPushButton>("sureButton")->click();
    QVERIFY(m_http->server.waitForRequest(changePath));
    const FakeHttpServer::Request request = m_http->server.lastRequest(changePath);
    QCOMPARE(request.form,
        (QMap<QString, QString> { { "accountId", "a20001" }, { "loginSignId", "sign-20001" }, { "userId", "20001" },
            { "oldPassWord", stored }, { "newPassWord", "newPass7" } }));
    QTRY_COMPARE(g_passWord, QString("newPass7"));
    QCOMPARE(SettingConfig::getSetting().getValue("userinfo/password"), QString("newPass7"));
    QCOMPARE(m_view->tipWidget()->text(), QString("   修改成功"));
    QVERIFY(m_view->tipWidget()->isVisible());
    QVERIFY(!child<QWidget>("passwordWidget")->isVisible());
    for (const char *name : { "oldPasswordLineEdit", "newPasswordLineEdit", "surePasswordLineEdit" })
        QVERIFY(child<QLineEdit>(name)->text().isEmpty());
    // The masked field shows the new one only when the page is filled again.
    QCOMPARE(child<QLineEdit>("passwordLineEdit")->text(), stored);

    // The old password is no longer the stored one.
    fillChange(stored, "other88", "other88");
    QVERIFY(!m_view->checkPasswordInput());
    QCOMPARE(child<QLabel>("oldPasswordTip")->text(), QString("原密码输入错误请重新输入"));
    m_view->updatePersonalInfo();
    QCOMPARE(child<QLineEdit>("passwordLineEdit")->text(), QString("newPass7"));
}

void TestBindTipView::expiredSessionStartsTheRelogin()
{
    m_http->server.setJson(changePath, resultReply("1", "1"));
    QSignalSpy relogin(m_view, &BindTipView::signalReLoginOut);
    fillChange(stored, "newPass7", "newPass7");
    child<QPushButton>("sureButton")->click();
    QVERIFY(relogin.wait(10000));
    QCOMPARE(g_passWord, stored);
    QVERIFY(!m_view->tipWidget()->isVisible());
    QVERIFY(child<QWidget>("passwordWidget")->isVisible());
}

void TestBindTipView::changeFails_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("refused") << resultReply("0");
    QTest::newRow("refused as text") << textReply("0", "wrong password");
    QTest::newRow("unreadable") << QByteArray("<html>busy</html>");
    QTest::newRow("request status error") << QByteArray(R"({"requestStatus":"error","requestBody":"x"})");
}

void TestBindTipView::changeFails()
{
    QFETCH(QByteArray, reply);
    m_http->server.setJson(changePath, reply);
    fillChange(stored, "newPass7", "newPass7");
    child<QPushButton>("sureButton")->click();
    QTRY_VERIFY(m_view->tipWidget()->isVisible());
    QCOMPARE(m_view->tipWidget()->text(), QString("  修改密码失败，请稍后再试!"));
    QCOMPARE(g_passWord, stored);
    QVERIFY(child<QWidget>("passwordWidget")->isVisible());
}

void TestBindTipView::personalDataReplyRefills()
{
    fillChange("a", "b", "c");
    g_userName = QStringLiteral("李小红");
    m_view->slotGetPersonalData(QString::fromUtf8(listReply(QJsonArray { QJsonObject { { "userName", "x" } } })));
    QCOMPARE(child<QLabel>("nameLabel")->text(), QString("李小红"));
    QVERIFY(!child<QWidget>("passwordWidget")->isVisible());
}

QTEST_MAIN(TestBindTipView)
#include "tst_bindtipview.moc"
