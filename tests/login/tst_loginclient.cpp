#include "tests/support/fakeclassroomserver.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/messageboxcloser.h"
#include "tests/support/tempworkdir.h"
#include "vrek/login/bannerview.h"
#include "vrek/login/codearea.h"
#include "vrek/login/loginclient.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <QtTest>

namespace {
const QByteArray lookupPath = "/mobile/getSchoolNameByDomainName";

// Counts the log lines that contain a text, passing every line on.
class LogCounter
{
public:
    explicit LogCounter(const QString &text)
    {
        s_text = text;
        s_count = 0;
        s_previous = qInstallMessageHandler(&LogCounter::handle);
    }
    ~LogCounter() { qInstallMessageHandler(s_previous); }
    int count() const { return s_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (message.contains(s_text))
            ++s_count;
        if (s_previous)
            s_previous(type, context, message);
    }
    static inline QString s_text;
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

class UrlCatcher : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls << url; }

public:
    QList<QUrl> urls;
};
} // namespace

class TestLoginClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void rememberedLogin_data();
    void rememberedLogin();
    void focusIsMarkedOnEveryControl();
    void checkBoxWritesTheFlag();
    void successStoresTheLoginEvenUnremembered();
    void fieldRules_data();
    void fieldRules();
    void captchaFieldTakesFourDigits();
    void startLoginChecks_data();
    void startLoginChecks();
    void returnKeyLogsInOnTheFormOnly();
    void loginPointsTheConnectionAtTheServer();
    void captchaAfterTheThirdError();
    void pasteIsBlockedInThePasswordOnly();
    void schoolLookupFound();
    void schoolLookupUnknownSchool();
    void schoolLookupFailures_data();
    void schoolLookupFailures();
    void lookupAnswerIsHandledOnce();
    void emptyDomainIsNotLookedUp();
    void linksOpenInTheBrowser();
    void forgetPasswordOpensTheReset();
    void bannerComesOnceTheFileServerListens();

private:
    LoginClient *makeWindow();
    template<typename T>
    T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(name);
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QString errorText() const { return child<QLabel>("errorLabel")->text(); }
    int page() const { return child<QStackedWidget>("loginStackedWidget")->currentIndex(); }
    bool listenOnLookupPort();

    QThread m_networkThread;
    TempWorkDir *m_work = nullptr;
    FakeHttpServer *m_server = nullptr;
    HttpClientManager *m_client = nullptr;
    LoginClient *m_window = nullptr;
};

void TestLoginClient::initTestCase()
{
    m_work = new TempWorkDir();
    QVERIFY(m_work->isValid());
    m_networkThread.setObjectName("Network Engine");
    m_networkThread.start();
    g_networkEngine->moveThread(&m_networkThread);
}

void TestLoginClient::cleanupTestCase()
{
    m_networkThread.quit();
    m_networkThread.wait();
    delete m_work;
}

void TestLoginClient::init()
{
    // No test reaches a real host: the banner and the classroom server are on loopback.
    g_userType = 1;
    g_socketHost = "127.0.0.1";
    g_fileHost = "127.0.0.1";
    g_webHost = "127.0.0.1";
    g_webPort = "1";
    g_socketPort = "34126";
    SettingConfig &setting = SettingConfig::getSetting();
    for (const char *key : { "isread/flag", "userinfo/usercode", "userinfo/password", "domain/dns" })
        setting.setValue(key, "");
    m_server = new FakeHttpServer();
    m_client = new HttpClientManager();
    // The lookup's own limit: an answer on a busy machine may take longer than a shortened one would wait.
    m_client->setRequestTimeouts(5000, HttpClientManager::schoolLookupTimeoutMs);
}

void TestLoginClient::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_client;
    delete m_server;
}

LoginClient *TestLoginClient::makeWindow()
{
    m_window = new LoginClient(nullptr, m_client);
    m_window->show();
    return m_window;
}

bool TestLoginClient::listenOnLookupPort()
{
    // The lookup's port is fixed; another run may hold it for a moment.
    QElapsedTimer waited;
    waited.start();
    while (!m_server->listen(8766) && waited.elapsed() < 20000)
        QTest::qWait(200);
    return m_server->port() == 8766;
}

// Tab walks through the form, and the control that has the keyboard shows it.
void TestLoginClient::focusIsMarkedOnEveryControl()
{
    LoginClient *window = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    QList<QWidget *> chain;
    QWidget *start = QApplication::focusWidget();
    QVERIFY(start);
    for (QWidget *widget = start; chain.size() < 30;) {
        chain.append(widget);
        QTest::keyClick(widget, Qt::Key_Tab);
        widget = QApplication::focusWidget();
        if (!widget || chain.contains(widget))
            break;
    }
    QVERIFY2(chain.size() >= 3, qPrintable(QString::number(chain.size())));
    for (int i = 0; i < chain.size(); ++i) {
        QWidget *widget = chain.at(i);
        chain.at((i + 1) % chain.size())->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!widget->hasFocus());
        const QImage without = widget->grab().toImage();
        widget->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(widget->hasFocus());
        QVERIFY2(widget->grab().toImage() != without, qPrintable(widget->objectName()));
    }
}

void TestLoginClient::rememberedLogin_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("storedCode");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("shownCode");
    QTest::addColumn<QString>("shownPassword");
    QTest::addColumn<QString>("flagAfter");
    QTest::newRow("first start") << ""
                                 << "stu01"
                                 << "pw" << true << ""
                                 << ""
                                 << "1";
    QTest::newRow("remembered") << "1"
                                << "stu_01"
                                << "p@ss'w\"d`" << true << "stu_01"
                                << "p@ss'w\"d`"
                                << "1";
    QTest::newRow("stored code unclean") << "1"
                                         << "stu-01"
                                         << "pw" << true << ""
                                         << ""
                                         << "1";
    QTest::newRow("stored password unclean") << "1"
                                             << "stu01"
                                             << "p w" << true << "stu01"
                                             << ""
                                             << "1";
    QTest::newRow("not remembered") << "0"
                                    << "stu01"
                                    << "pw" << false << ""
                                    << ""
                                    << "0";
}

void TestLoginClient::rememberedLogin()
{
    QFETCH(QString, flag);
    QFETCH(QString, storedCode);
    QFETCH(QString, storedPassword);
    SettingConfig &setting = SettingConfig::getSetting();
    setting.setValue("isread/flag", flag);
    setting.setValue("userinfo/usercode", storedCode);
    setting.setValue("userinfo/password", storedPassword);
    makeWindow();
    QTEST(child<QCheckBox>("checkBox")->isChecked(), "checked");
    QTEST(edit("userCodeEdit")->text(), "shownCode");
    QTEST(edit("passwordEdit")->text(), "shownPassword");
    QTEST(setting.getValue("isread/flag"), "flagAfter");
}

void TestLoginClient::checkBoxWritesTheFlag()
{
    makeWindow();
    QCheckBox *box = child<QCheckBox>("checkBox");
    QVERIFY(box->isChecked());
    box->click();
    QCOMPARE(SettingConfig::getSetting().getValue("isread/flag"), QString("0"));
    box->click();
    QCOMPARE(SettingConfig::getSetting().getValue("isread/flag"), QString("1"));
}

void TestLoginClient::successStoresTheLoginEvenUnremembered()
{
    SettingConfig &setting = SettingConfig::getSetting();
    setting.setValue("isread/flag", "0");
    makeWindow();
    edit("userCodeEdit")->setText("stu01");
    edit("passwordEdit")->setText("secret!");
    QSignalSpy started(m_window, &LoginClient::signalLoginStartOut);
    button("loginButton")->click();
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.first().at(0).toString(), QString("stu01"));
    QCOMPARE(started.first().at(1).toString(), QString("secret!"));
    m_window->slotLoginSuccessIn();
    QCOMPARE(setting.getValue("userinfo/usercode"), QString("stu01"));
    QCOMPARE(setting.getValue("userinfo/password"), QString("secret!"));
    QCOMPARE(setting.getValue("isread/flag"), QString("0"));

    // The next start still shows empty fields.
    delete m_window;
    makeWindow();
    QCOMPARE(edit("userCodeEdit")->text(), QString());
    QCOMPARE(edit("passwordEdit")->text(), QString());
}

void TestLoginClient::fieldRules_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("boxes");
    const QString box = QString::fromUtf8("提示|");
    QTest::newRow("16th code character") << "userCodeEdit"
                                         << "abcdefghijklmnop"
                                         << "abcdefghijklmno" << QStringList();
    QTest::newRow("code with illegal") << "userCodeEdit"
                                       << "ab-c d"
                                       << "abcd" << QStringList { box + "用户名存在非法字符" };
    QTest::newRow("long code with illegal") << "userCodeEdit"
                                            << "abc.defghijklmnopq"
                                            << "abcdefghijklmn" << QStringList { box + "用户名存在非法字符" };
    QTest::newRow("17th password character") << "passwordEdit"
                                             << "abcdefghijklmnopq"
                                             << "abcdefghijklmnop" << QStringList();
    QTest::newRow("password signs") << "passwordEdit"
                                    << "~`!@#$%^&*()-+={}"
                                    << "~`!@#$%^&*()-+={" << QStringList();
    QTest::newRow("password with space") << "passwordEdit"
                                         << "pass word"
                                         << "password" << QStringList { box + "密码存在非法字符" };
    QTest::newRow("password with chinese")
        << "passwordEdit" << QString::fromUtf8("密码abc") << "abc" << QStringList { box + "密码存在非法字符" };
}

void TestLoginClient::fieldRules()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    makeWindow();
    MessageBoxCloser closer;
    edit(field.toLatin1().constData())->setText(typed);
    QTEST(edit(field.toLatin1().constData())->text(), "kept");
    QTEST(closer.titledTexts, "boxes");
}

void TestLoginClient::captchaFieldTakesFourDigits()
{
    makeWindow();
    m_window->showLoginError("x");
    m_window->showLoginError("x");
    m_window->showLoginError("x");
    QLineEdit *verify = edit("verifyEdit");
    QTest::keyClicks(verify, "12a3456");
    QCOMPARE(verify->text(), QString("1234"));
    verify->setText("987654");
    QCOMPARE(verify->text(), QString("9876"));
}

void TestLoginClient::startLoginChecks_data()
{
    QTest::addColumn<QString>("userCode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty code") << ""
                                << "pw"
                                << "34126" << QString::fromUtf8("用户名或密码不能为空");
    QTest::newRow("empty password") << "stu"
                                    << ""
                                    << "34126" << QString::fromUtf8("用户名或密码不能为空");
    QTest::newRow("port not a number") << "stu"
                                       << "pw"
                                       << "34x26" << QString::fromUtf8("服务端口错误");
    QTest::newRow("port too large") << "stu"
                                    << "pw"
                                    << "65536" << QString::fromUtf8("服务端口错误");
    QTest::newRow("accepted") << "stu"
                              << "pw"
                              << "34126" << QString();
}

void TestLoginClient::startLoginChecks()
{
    QFETCH(QString, userCode);
    QFETCH(QString, password);
    QFETCH(QString, port);
    QFETCH(QString, error);
    g_socketPort = port;
    makeWindow();
    edit("userCodeEdit")->setText(userCode);
    edit("passwordEdit")->setText(password);
    QSignalSpy started(m_window, &LoginClient::signalLoginStartOut);
    m_window->startLogin();
    QCOMPARE(started.count(), error.isEmpty() ? 1 : 0);
    QCOMPARE(child<QLabel>("errorLabel")->isVisible(), !error.isEmpty());
    QCOMPARE(m_window->loginErrorCount(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QCOMPARE(errorText(), error);
}

void TestLoginClient::returnKeyLogsInOnTheFormOnly()
{
    makeWindow();
    QSignalSpy started(m_window, &LoginClient::signalLoginStartOut);
    edit("userCodeEdit")->setText("stu");
    edit("passwordEdit")->setText("pw");
    QTest::keyClick(edit("passwordEdit"), Qt::Key_Return);
    QCOMPARE(started.count(), 1);
    button("changeDnsBtn")->click();
    QCOMPARE(page(), 1);
    QTest::keyClick(m_window, Qt::Key_Return);
    QCOMPARE(started.count(), 1);
    button("exitButton_2")->click();
    QCOMPARE(page(), 0);
}

void TestLoginClient::loginPointsTheConnectionAtTheServer()
{
    FakeClassroomServer classroom;
    QVERIFY(classroom.listen());
    g_socketPort = QString::number(classroom.port());
    SocketClientManager connection(GlobalEnum::User1);
    m_window = new LoginClient(nullptr, m_client, &connection);
    m_window->show();
    edit("userCodeEdit")->setText("stu");
    edit("passwordEdit")->setText("pw");
    QSignalSpy started(m_window, &LoginClient::signalLoginStartOut);
    button("loginButton")->click();
    QCOMPARE(started.count(), 1);
    connection.connectServerAndLogin("stu", "pw");
    QCOMPARE(classroom.waitForLine("0\t"), QString("0\tstu\tpw\t1"));
    delete m_window;
    m_window = nullptr;
}

void TestLoginClient::captchaAfterTheThirdError()
{
    makeWindow();
    QWidget *verifyRow = child<QWidget>("verifyWidget");
    CodeArea *code = m_window->findChild<CodeArea *>();
    QVERIFY(code);
    QSignalSpy started(m_window, &LoginClient::signalLoginStartOut);

    // Any error counts: two empty-field errors and a refused login.
    m_window->startLogin();
    m_window->startLogin();
    QVERIFY(!verifyRow->isVisible());
    m_window->showLoginError(QString::fromUtf8("密码错误"));
    QVERIFY(verifyRow->isVisible());
    QCOMPARE(errorText(), QString::fromUtf8("密码错误"));

    edit("userCodeEdit")->setText("stu");
    edit("passwordEdit")->setText("pw");
    m_window->startLogin();
    QCOMPARE(started.count(), 0);
    QCOMPARE(errorText(), QString::fromUtf8("验证码不正确"));

    const QString before = code->codeText();
    QString wrong = before;
    wrong[0] = before.at(0) == '1' ? '2' : '1';
    edit("verifyEdit")->setText(wrong);
    m_window->startLogin();
    QCOMPARE(started.count(), 0);
    QCOMPARE(errorText(), QString::fromUtf8("验证码不正确"));
    QCOMPARE(edit("verifyEdit")->text(), QString());

    edit("verifyEdit")->setText(code->codeText());
    m_window->startLogin();
    QCOMPARE(started.count(), 1);

    // The row stays for the rest of the window's life.
    m_window->updateVerifyCodeImage();
    QVERIFY(verifyRow->isVisible());
}

void TestLoginClient::pasteIsBlockedInThePasswordOnly()
{
    makeWindow();
    MessageBoxCloser closer;
    QApplication::clipboard()->setText("pasted-1");
    QLineEdit *password = edit("passwordEdit");
    QLineEdit *userCode = edit("userCodeEdit");
    m_window->activateWindow();
    password->setFocus();
    QTest::keyClick(password, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(password, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(password->text(), QString());
    QTest::mouseClick(password, Qt::MiddleButton);
    QCOMPARE(password->text(), QString());
    QCOMPARE(password->contextMenuPolicy(), Qt::NoContextMenu);
    QTest::keyClicks(password, "typed");
    QCOMPARE(password->text(), QString("typed"));

    // The user code takes a paste, and its rules clean it.
    userCode->setFocus();
    QTest::keyClick(userCode, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(userCode->text(), QString("pasted1"));
    QTRY_COMPARE(closer.titledTexts, QStringList { QString::fromUtf8("提示|用户名存在非法字符") });
}

void TestLoginClient::schoolLookupFound()
{
    QVERIFY2(listenOnLookupPort(), "port 8766 stayed taken");
    m_server->setJson(lookupPath,
        R"({"requestStatus":"success","requestBody":{"schoolName":"第一中学","doMainName":"school.example"}})");
    makeWindow();
    button("changeDnsBtn")->click();
    edit("dnsEdit")->setText("127.0.0.1");
    button("setDnsBtn")->click();
    QVERIFY(!button("setDnsBtn")->isEnabled());
    // Until the school is found every other request stays where it was.
    QCOMPARE(m_client->baseUrl(), QString("http://127.0.0.1:1"));
    QTRY_COMPARE_WITH_TIMEOUT(page(), 2, 15000);
    QCOMPARE(m_server->lastRequest(lookupPath).form.value("doMainName"), QString("127.0.0.1"));
    QCOMPARE(child<QLabel>("dnsUrl")->text(), QString::fromUtf8("网校名称: 第一中学"));
    QCOMPARE(child<QLabel>("dnsName")->text(), QString::fromUtf8("网校域名: school.example"));
    QCOMPARE(SettingConfig::getSetting().getValue("domain/dns"), QString("school.example"));
    QCOMPARE(g_socketHost, QString("school.example"));
    QCOMPARE(g_fileHost, QString("school.example"));
    QCOMPARE(g_webHost, QString("school.example"));
    QCOMPARE(m_client->baseUrl(), QString("http://127.0.0.1"));
    QVERIFY(button("setDnsBtn")->isEnabled());
    QCOMPARE(edit("dnsEdit")->text(), QString());
    button("turnLoginBtn")->click();
    QCOMPARE(page(), 0);
}

void TestLoginClient::schoolLookupUnknownSchool()
{
    QVERIFY2(listenOnLookupPort(), "port 8766 stayed taken");
    m_server->setJson(lookupPath,
        R"({"requestStatus":"success","requestBody":{"schoolName":"网校不存在","doMainName":"nowhere.example"}})");
    makeWindow();
    button("changeDnsBtn")->click();
    edit("dnsEdit")->setText("127.0.0.1");
    button("setDnsBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(), 2, 15000);
    QCOMPARE(child<QLabel>("dnsUrl")->text(), QString::fromUtf8("网校名称: 网校不存在"));
    QCOMPARE(SettingConfig::getSetting().getValue("domain/dns"), QString());
    QCOMPARE(g_socketHost, QString("127.0.0.1"));
    QCOMPARE(m_client->baseUrl(), QString("http://127.0.0.1:1"));
    QVERIFY(button("setDnsBtn")->isEnabled());
}

void TestLoginClient::schoolLookupFailures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("silent");
    QTest::newRow("time-out") << QByteArray() << true;
    QTest::newRow("not json") << QByteArray("<html>busy</html>") << false;
    QTest::newRow("empty object") << QByteArray("{}") << false;
    QTest::newRow("error without body") << QByteArray(R"({"requestStatus":"error"})") << false;
}

void TestLoginClient::schoolLookupFailures()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, silent);
    QVERIFY2(listenOnLookupPort(), "port 8766 stayed taken");
    if (silent) {
        // Nothing comes that could be late: the wait is shortened.
        m_client->setRequestTimeouts(5000, 300);
        FakeHttpServer::Reply never;
        never.fault = FakeHttpServer::NeverAnswer;
        m_server->setReply(lookupPath, never);
    } else {
        m_server->setJson(lookupPath, body);
    }
    makeWindow();
    button("changeDnsBtn")->click();
    edit("dnsEdit")->setText("127.0.0.1");
    button("setDnsBtn")->click();
    QVERIFY(m_server->waitForRequest(lookupPath, 15000));
    QTRY_VERIFY_WITH_TIMEOUT(button("setDnsBtn")->isEnabled(), 15000);
    QCOMPARE(edit("dnsEdit")->text(), QString());
    QCOMPARE(edit("dnsEdit")->placeholderText(), QString::fromUtf8("请输入正确域名！"));
    QCOMPARE(page(), 1);
    QCOMPARE(m_client->baseUrl(), QString("http://127.0.0.1:1"));
    QCOMPARE(g_socketHost, QString("127.0.0.1"));
    QCOMPARE(SettingConfig::getSetting().getValue("domain/dns"), QString());
}

void TestLoginClient::lookupAnswerIsHandledOnce()
{
    QVERIFY2(listenOnLookupPort(), "port 8766 stayed taken");
    m_server->setJson(lookupPath,
        R"({"requestStatus":"success","requestBody":{"schoolName":"第一中学","doMainName":"school.example"}})");
    makeWindow();
    LogCounter successes("set dns ip success");
    for (int round = 1; round <= 3; ++round) {
        button("changeDnsBtn")->click();
        edit("dnsEdit")->setText("127.0.0.1");
        button("setDnsBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(page(), 2, 15000);
        QTRY_VERIFY(button("setDnsBtn")->isEnabled());
        QCOMPARE(successes.count(), round);
        button("turnLoginBtn")->click();
    }
    // One more lookup through the same client: its answer comes after anything left of the third.
    QSignalSpy answered(m_client, &HttpClientManager::signalGetProvider);
    m_client->sendGetSchoolName("127.0.0.1");
    QVERIFY(answered.wait(15000));
    QCOMPARE(successes.count(), 4);
}

void TestLoginClient::emptyDomainIsNotLookedUp()
{
    QVERIFY(m_server->listen());
    makeWindow();
    button("changeDnsBtn")->click();
    edit("dnsEdit")->setText("   ");
    button("setDnsBtn")->click();
    QVERIFY(button("setDnsBtn")->isEnabled());
    QCOMPARE(edit("dnsEdit")->placeholderText(), QString::fromUtf8("请输入正确域名！"));
    QCOMPARE(m_client->pendingCount(), 0);
    QCOMPARE(page(), 1);
}

void TestLoginClient::linksOpenInTheBrowser()
{
    g_socketHost = "school.example";
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    makeWindow();
    QCOMPARE(m_window->registerLink(), QUrl("http://school.example/register.html"));
    // The two links are kept hidden; they still open their pages when pressed.
    QVERIFY(!button("linkButton01")->isVisible());
    button("linkButton01")->click();
    button("linkButton02")->click();
    QDesktopServices::unsetUrlHandler("http");
    QCOMPARE(catcher.urls,
        (QList<QUrl> { QUrl("http://school.example/register.html"),
            QUrl("http://school.example/no_pass.html?roleType=student") }));

    delete m_window;
    g_userType = 0;
    makeWindow();
    QCOMPARE(m_window->registerLink(), QUrl());
    QCOMPARE(m_window->forgetPasswordLink(), QUrl("http://school.example/no_pass.html?roleType=teacher"));
    QCOMPARE(button("linkButton02")->text(), QString::fromUtf8("忘记密码"));
}

void TestLoginClient::forgetPasswordOpensTheReset()
{
    makeWindow();
    QVERIFY(!m_window->resetWindow()->isVisible());
    button("forgetPassword")->click();
    QVERIFY(m_window->resetWindow()->isVisible());
    QCOMPARE(m_window->resetWindow()->title(), QString::fromUtf8("忘记密码"));
    QCOMPARE(m_window->resetWindow()->titleFlags(), 70);
}

// The file server starts after the window has asked for its banner (a busy machine, a sandbox that starts
// later): the banner is asked for again until it answers, and the window shows it.
void TestLoginClient::bannerComesOnceTheFileServerListens()
{
    quint16 port = 0;
    {
        FakeHttpServer probe;
        QVERIFY(probe.listen());
        port = probe.port();
    }
    const QString savedPort = g_filePort;
    g_filePort = QString::number(port);
    m_window = new LoginClient(nullptr, m_client);
    BannerView *banner = m_window->findChild<BannerView *>("bannerView");
    QVERIFY(banner);
    banner->setRetryFirstDelay(100);
    banner->setSwitchDelay(0);
    const QString builtIn = banner->shownLink();
    m_window->show();
    // Refused: the window waits for the next try.
    QTRY_VERIFY_WITH_TIMEOUT(banner->retriesMade() >= 1, 20000);
    QCOMPARE(banner->shownLink(), builtIn);

    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(Qt::green);
    FakeHttpServer::Reply image;
    QBuffer buffer(&image.body);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPG"));
    image.contentType = "image/jpeg";
    QVERIFY(m_server->listen(port));
    m_server->setReply("/banner/5.jpg", image);
    m_server->setJson("/vSocket/socket/getBanners",
        QString(R"({"result":[{"id":5,"img":"%1/banner/5.jpg","link":"https://school.example/open-day"}]})")
            .arg(m_server->baseUrl())
            .toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(banner->shownLink(), QString("https://school.example/open-day"), 30000);
    QVERIFY(QColor(banner->shownPicture().toImage().pixel(5, 5)).green() > 200);
    g_filePort = savedPort;

    // Answered, it is not asked again; a server that never comes is asked a bounded number of times.
    const int asked = m_server->requestCount("/vSocket/socket/getBanners");
    QCOMPARE(asked, 1);
    delete m_window;
    m_window = nullptr;
    g_filePort = QString::number(port);
    delete m_server;
    m_server = new FakeHttpServer();
    m_window = new LoginClient(nullptr, m_client);
    banner = m_window->findChild<BannerView *>("bannerView");
    banner->setRetryFirstDelay(1);
    m_window->show();
    QTRY_COMPARE_WITH_TIMEOUT(banner->retriesMade(), int(BannerView::retryLimit), 30000);
    g_filePort = savedPort;
}

QTEST_MAIN(TestLoginClient)
#include "tst_loginclient.moc"
