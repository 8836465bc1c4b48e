#include "tests/support/fakehttpserver.h"
#include "tests/support/messageboxcloser.h"
#include "vrek/login/updatepasswordbymobile.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/viewui/tipwidget.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QtTest>

namespace {
const QByteArray success = R"({"requestStatus":"success","requestBody":{"result":"1"}})";
const QByteArray failure = R"({"requestStatus":"success","requestBody":{"result":"0"}})";

} // namespace

class TestUpdatePasswordByMobile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void wholeChain();
    void countdownSteps();
    void countdownEndsOnItsOwn();
    void shortNumberIsRefused();
    void numberCheckTimesOut();
    void wrongCodeIsReported();
    void fieldRules();
    void confirmationMustMatch();
    void leaving();

private:
    QLineEdit *edit(const char *name) const { return m_form->findChild<QLineEdit *>(name); }
    QPushButton *button(const char *name) const { return m_form->findChild<QPushButton *>(name); }
    QString errorText() const { return m_form->findChild<QLabel *>("errorLabel")->text(); }
    void askForCode(const QString &number);

    QThread m_networkThread;
    FakeHttpServer *m_server = nullptr;
    HttpClientManager *m_client = nullptr;
    UpdatePasswordByMobile *m_form = nullptr;
};

void TestUpdatePasswordByMobile::initTestCase()
{
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestUpdatePasswordByMobile::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
}

void TestUpdatePasswordByMobile::init()
{
    m_server = new FakeHttpServer();
    QVERIFY(m_server->listen());
    m_server->setJson("/mobile/httpVerificationMobilePhone", success);
    m_server->setJson("/personalInfo/getPostVerificationCode", success);
    m_server->setJson("/personalInfo/checkPostVerificationCode", success);
    m_server->setJson("/mobile/httpForgetModifyUserPassWord", success);
    m_client = new HttpClientManager();
    m_client->setDnsUrl(m_server->hostAndPort());
    m_form = new UpdatePasswordByMobile(nullptr, m_client);
    m_form->show();
}

void TestUpdatePasswordByMobile::cleanup()
{
    delete m_form;
    delete m_client;
    delete m_server;
}

void TestUpdatePasswordByMobile::askForCode(const QString &number)
{
    edit("mobilLineEdit")->setText(number);
    button("checkPushButton")->click();
    QVERIFY(!button("checkPushButton")->isEnabled());
    QTRY_COMPARE(button("checkPushButton")->text(), QString("60s"));
}

void TestUpdatePasswordByMobile::wholeChain()
{
    QWidget *passwordRows = m_form->findChild<QWidget *>("passwordWidget");
    QVERIFY(!passwordRows->isVisible());
    askForCode("13800000000");
    QVERIFY(passwordRows->isVisible());
    QVERIFY(!button("checkPushButton")->isEnabled());
    QCOMPARE(
        m_server->lastRequest("/mobile/httpVerificationMobilePhone").form.value("userCode"), QString("13800000000"));
    QCOMPARE(m_server->lastRequest("/personalInfo/getPostVerificationCode").form.value("mobilePhone"),
        QString("13800000000"));

    edit("checkLineEdit")->setText("482913");
    edit("passwordLineEdit")->setText("newPass9");
    edit("surePasswordLineEdit")->setText("newPass9");
    edit("mobilLineEdit")->setText("13900000000"); // a later change of the field does not count
    button("surePushButton")->click();
    QVERIFY(m_server->waitForRequest("/mobile/httpForgetModifyUserPassWord"));
    const FakeHttpServer::Request check = m_server->lastRequest("/personalInfo/checkPostVerificationCode");
    QCOMPARE(check.form.value("mobilePhone"), QString("13800000000"));
    QCOMPARE(check.form.value("verificationCode"), QString("482913"));
    const FakeHttpServer::Request change = m_server->lastRequest("/mobile/httpForgetModifyUserPassWord");
    QCOMPARE(change.form.value("userCode"), QString("13800000000"));
    QCOMPARE(change.form.value("vCode"), QString("482913"));
    QCOMPARE(change.form.value("passWord"), QString("newPass9"));

    auto *tip = m_form->findChild<TipWidget *>();
    QTRY_VERIFY(tip->isVisible());
    QCOMPARE(tip->text(), QString(" 修改密码成功!"));
    QVERIFY(!passwordRows->isVisible());
    QVERIFY(edit("checkLineEdit")->text().isEmpty());
    QVERIFY(edit("passwordLineEdit")->text().isEmpty());
    QVERIFY(button("checkPushButton")->isEnabled());
    QVERIFY(button("checkPushButton")->text().isEmpty());
    QCOMPARE(m_server->requests().size(), 4);
}

void TestUpdatePasswordByMobile::countdownSteps()
{
    m_form->setCountdownInterval(3600 * 1000); // steps by hand below
    askForCode("13800000000");
    m_form->onUpdateTime();
    QCOMPARE(button("checkPushButton")->text(), QString("59s"));
    for (int i = 2; i <= 60; ++i)
        m_form->onUpdateTime();
    QCOMPARE(button("checkPushButton")->text(), QString("0s"));
    QVERIFY(!button("checkPushButton")->isEnabled());
    m_form->onUpdateTime();
    QVERIFY(button("checkPushButton")->isEnabled());
    QVERIFY(button("checkPushButton")->text().isEmpty());
    QVERIFY(m_form->findChild<QWidget *>("passwordWidget")->isVisible()); // the rows stay
}

void TestUpdatePasswordByMobile::countdownEndsOnItsOwn()
{
    m_form->setCountdownInterval(3600 * 1000);
    askForCode("13800000000");
    m_form->setCountdownInterval(5);
    QTRY_VERIFY(button("checkPushButton")->isEnabled());
    QVERIFY(button("checkPushButton")->text().isEmpty());
}

void TestUpdatePasswordByMobile::shortNumberIsRefused()
{
    edit("mobilLineEdit")->setText("1380000000");
    button("checkPushButton")->click();
    QCOMPARE(errorText(), QString("请输入正确的手机号!"));
    QVERIFY(edit("mobilLineEdit")->text().isEmpty());
    QVERIFY(button("checkPushButton")->isEnabled());
    // A right number asked after it: its check and code requests come after any request for the short one.
    askForCode("13800000000");
    QCOMPARE(m_server->requestCount("/mobile/httpVerificationMobilePhone"), 1);
    QCOMPARE(
        m_server->lastRequest("/mobile/httpVerificationMobilePhone").form.value("userCode"), QString("13800000000"));
}

void TestUpdatePasswordByMobile::numberCheckTimesOut()
{
    FakeHttpServer::Reply never;
    never.fault = FakeHttpServer::NeverAnswer;
    m_server->setReply("/mobile/httpVerificationMobilePhone", never);
    m_client->setRequestTimeouts(100, 100);
    edit("mobilLineEdit")->setText("13800000000");
    button("checkPushButton")->click();
    QTRY_COMPARE(errorText(), QString("手机号不存在!"));
    QVERIFY(button("checkPushButton")->isEnabled());
    QCOMPARE(m_server->requestCount("/personalInfo/getPostVerificationCode"), 0);
}

void TestUpdatePasswordByMobile::wrongCodeIsReported()
{
    m_server->setJson("/personalInfo/checkPostVerificationCode", failure);
    askForCode("13800000000");
    edit("checkLineEdit")->setText("111111");
    edit("passwordLineEdit")->setText("abc123");
    edit("surePasswordLineEdit")->setText("abc123");
    button("surePushButton")->click();
    QTRY_COMPARE(errorText(), QString("验证码错误!"));
    QVERIFY(edit("checkLineEdit")->text().isEmpty());
    QVERIFY(button("checkPushButton")->isEnabled());
    QCOMPARE(m_server->requestCount("/mobile/httpForgetModifyUserPassWord"), 0);
}

void TestUpdatePasswordByMobile::fieldRules()
{
    MessageBoxCloser boxes;
    edit("mobilLineEdit")->setText("138a");
    QCOMPARE(edit("mobilLineEdit")->text(), QString("138"));
    QCOMPARE(boxes.texts, QStringList({ "手机号存在非法字符" }));
    edit("mobilLineEdit")->setText("138000000001");
    QCOMPARE(edit("mobilLineEdit")->text(), QString("138000000001")); // the digit stays
    QCOMPARE(boxes.texts.last(), QString("手机号输入超过最大限度"));
    button("checkPushButton")->click();
    QCOMPARE(errorText(), QString("请输入正确的手机号!"));

    edit("checkLineEdit")->setText("12x");
    QCOMPARE(edit("checkLineEdit")->text(), QString("12"));
    QCOMPARE(boxes.texts.last(), QString("验证码存在非法字符"));
    edit("surePasswordLineEdit")->setText("ab_c");
    QCOMPARE(edit("surePasswordLineEdit")->text(), QString("abc"));
    QCOMPARE(boxes.texts.last(), QString("密码存在非法字符"));
    edit("passwordLineEdit")->setText("abcdefghij1234567");
    QCOMPARE(boxes.texts.last(), QString("密码输入超过最大限度"));
}

void TestUpdatePasswordByMobile::confirmationMustMatch()
{
    askForCode("13800000000");
    button("surePushButton")->click();
    QCOMPARE(errorText(), QString("请输入验证码!"));
    edit("checkLineEdit")->setText("1234");
    button("surePushButton")->click();
    QCOMPARE(errorText(), QString("密码不得为空!"));
    edit("passwordLineEdit")->setText("abc123");
    edit("surePasswordLineEdit")->setText("abc124");
    button("surePushButton")->click();
    QCOMPARE(errorText(), QString("两次输入密码不相同!"));
    // Matching at last: its check and the change after it come after any check the refused presses sent.
    edit("surePasswordLineEdit")->setText("abc123");
    button("surePushButton")->click();
    QVERIFY(m_server->waitForRequest("/mobile/httpForgetModifyUserPassWord"));
    QCOMPARE(m_server->requestCount("/personalInfo/checkPostVerificationCode"), 1);
}

void TestUpdatePasswordByMobile::leaving()
{
    QSignalSpy closeWindow(m_form, &UpdatePasswordByMobile::signalCloseWindow);
    askForCode("13800000000");
    button("exitPushButton")->click();
    QCOMPARE(closeWindow.size(), 1);
    QVERIFY(!m_form->findChild<QWidget *>("passwordWidget")->isVisible());
    // Showing the form again returns it to rest.
    m_form->hide();
    m_form->show();
    QVERIFY(edit("mobilLineEdit")->text().isEmpty());
    QVERIFY(button("checkPushButton")->isEnabled());
}

QTEST_MAIN(TestUpdatePasswordByMobile)
#include "tst_updatepasswordbymobile.moc"
