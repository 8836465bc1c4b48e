// The sandbox's school site with the client's own pages: the demo student's homework page and its attachments, the
// not-found page behind a stale sign-in and a removed homework, and a password change that holds for the next
// sign-in.
#include "sandbox/classroomsandbox.h"
#include "sandbox/homeworkscene.h"
#include "tests/class/reviewtestsupport.h"
#include "tests/support/namedchild.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/homeworkwidget.h"
#include "vrek/userinfo/bindtipview.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/tipwidget.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

class TestHomeworkScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void attachmentsAreWholePdfFiles();
    void homeworkPageSavesAnAttachment();
    void staleSignInShowsThePicture();
    void removedHomeworkShowsThePictureUntilTheNextShow();
    void passwordChangeHoldsForTheNextSignIn();
    void passwordChangeRefusals_data();
    void passwordChangeRefusals();

private:
    static bool loadPage(HomeworkWidget &widget);
    static void click(HomeworkWidget &widget, const QString &selector);

    NetworkEngineThread *m_network = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    HomeworkScene *m_scene = nullptr;
};

void TestHomeworkScene::initTestCase()
{
    m_network = new NetworkEngineThread;
    m_dir = new TempWorkDir;
    SettingConfig::getSetting();
}

void TestHomeworkScene::cleanupTestCase()
{
    delete m_dir;
    delete m_network;
}

void TestHomeworkScene::init()
{
    delete m_sandbox;
    m_sandbox = new ClassroomSandbox(this);
    QVERIFY(m_sandbox->start());
    m_scene = HomeworkScene::of(m_sandbox);
    QVERIFY(m_scene);
    const ClassroomSandbox::Account student = m_sandbox->account();
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());
    g_userId = student.userId;
    g_accountId = "a" + student.userId;
    g_userCode = student.userCode;
    g_loginSignId = ClassroomSandbox::loginSignIdOf(student.userId);
    g_passWord = student.password;
    g_userType = 1;
}

bool TestHomeworkScene::loadPage(HomeworkWidget &widget)
{
    QSignalSpy loaded(widget.webView(), &QWebView::loadFinished);
    widget.show();
    return loaded.count() > 0 || loaded.wait(10000);
}

void TestHomeworkScene::click(HomeworkWidget &widget, const QString &selector)
{
    widget.webView()->page()->mainFrame()->evaluateJavaScript(
        QString("document.querySelector('%1').click();").arg(selector));
}

void TestHomeworkScene::attachmentsAreWholePdfFiles()
{
    for (const HomeworkScene::Homework &work : m_scene->homework()) {
        const QByteArray pdf = m_scene->attachment(work.id);
        QCOMPARE(pdf.isEmpty(), work.attachment.isEmpty() || work.removed);
        if (pdf.isEmpty())
            continue;
        QVERIFY(pdf.startsWith("%PDF-1.4\n"));
        QVERIFY(pdf.endsWith("%%EOF\n"));
        // The cross-reference table points at each object.
        const int xref = QRegularExpression("startxref\n(\\d+)\n").match(QString::fromLatin1(pdf)).captured(1).toInt();
        QCOMPARE(pdf.mid(xref, 5), QByteArray("xref\n"));
        const QList<QByteArray> lines = pdf.mid(xref).split('\n');
        for (int object = 1; object <= 5; ++object)
            QVERIFY(pdf.mid(lines.at(2 + object).left(10).toInt()).startsWith(QByteArray::number(object) + " 0 obj"));
    }
}

void TestHomeworkScene::homeworkPageSavesAnAttachment()
{
    HomeworkWidget widget;
    auto *prompt = new FakePrompt;
    prompt->savePaths = QStringList { m_dir->filePath("sheet") };
    widget.setPrompt(prompt);
    QVERIFY(loadPage(widget));
    const QString text = widget.webView()->page()->mainFrame()->toPlainText();
    QVERIFY2(text.contains(QString::fromUtf8("李小明的作业")), qPrintable(text));
    for (const HomeworkScene::Homework &work : m_scene->homework())
        QVERIFY(text.contains(work.title));
    click(widget, "a[href*=downLoadOssFile]");
    QTRY_COMPARE_WITH_TIMEOUT(prompt->questions.size(), 1, 10000);
    QVERIFY(prompt->questions.first().endsWith("/fractions-worksheet-1.pdf|*.pdf"));
    QTRY_VERIFY_WITH_TIMEOUT(!widget.isDownloading(), 10000);
    QFile saved(m_dir->filePath("sheet.pdf"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), m_scene->attachment(1));
    QVERIFY(widget.webView()->page()->mainFrame()->toPlainText().contains(QString::fromUtf8("李小明的作业")));
}

void TestHomeworkScene::staleSignInShowsThePicture()
{
    g_loginSignId = "expired";
    HomeworkWidget widget;
    widget.show();
    QTRY_VERIFY_WITH_TIMEOUT(widget.errorLabel()->isVisible(), 10000);
    QVERIFY(!widget.webView()->isVisible());
    // Signed in again, the next show has the list.
    g_loginSignId = ClassroomSandbox::loginSignIdOf(g_userId);
    widget.hide();
    QVERIFY(loadPage(widget));
    QVERIFY(!widget.errorLabel()->isVisible());
    QVERIFY(widget.webView()->page()->mainFrame()->toPlainText().contains(QString::fromUtf8("李小明的作业")));
}

void TestHomeworkScene::removedHomeworkShowsThePictureUntilTheNextShow()
{
    HomeworkWidget widget;
    QVERIFY(loadPage(widget));
    click(widget, "a[href$=\"id=3\"]");
    QTRY_VERIFY_WITH_TIMEOUT(widget.errorLabel()->isVisible(), 10000);
    QVERIFY(widget.loadOnShow());
    widget.hide();
    QVERIFY(loadPage(widget));
    QVERIFY(widget.webView()->isVisible());
    QVERIFY(widget.webView()->page()->mainFrame()->toPlainText().contains(QString::fromUtf8("李小明的作业")));
    // A homework that is still there opens as a page of its own.
    click(widget, "a[href$=\"id=1\"]");
    QTRY_VERIFY_WITH_TIMEOUT(
        widget.webView()->page()->mainFrame()->toPlainText().contains(QString::fromUtf8("请在 2026-03-06 前完成")),
        10000);
    QVERIFY(!widget.errorLabel()->isVisible());
}

void TestHomeworkScene::passwordChangeHoldsForTheNextSignIn()
{
    HttpClientManager client;
    client.setDnsUrl(m_sandbox->http()->hostAndPort());
    g_httpClientManager = &client;
    const QString old = g_passWord;
    {
        BindTipView page;
        page.updatePersonalInfo();
        page.show();
        namedChild<QPushButton>(page, "resetButton")->click();
        namedChild<QLineEdit>(page, "oldPasswordLineEdit")->setText(old);
        namedChild<QLineEdit>(page, "newPasswordLineEdit")->setText("Lesson2026");
        namedChild<QLineEdit>(page, "surePasswordLineEdit")->setText("Lesson2026");
        namedChild<QPushButton>(page, "sureButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(page.tipWidget()->isVisible(), 10000);
        QCOMPARE(page.tipWidget()->text(), QString("   修改成功"));
    }
    g_httpClientManager = nullptr;
    QCOMPARE(g_passWord, QString("Lesson2026"));
    QCOMPARE(SettingConfig::getSetting().getValue("userinfo/password"), QString("Lesson2026"));
    QVERIFY(m_sandbox->accountFor(g_userCode, old).userId.isEmpty());
    QCOMPARE(m_sandbox->accountFor(g_userCode, "Lesson2026").userId, g_userId);
    const QJsonObject login = QJsonDocument::fromJson(m_sandbox->restLoginReply(g_userCode, "Lesson2026"))
                                  .object()
                                  .value("requestBody")
                                  .toArray()
                                  .first()
                                  .toObject();
    QCOMPARE(login.value("loginSignId").toString(), ClassroomSandbox::loginSignIdOf(g_userId));
}

void TestHomeworkScene::passwordChangeRefusals_data()
{
    QTest::addColumn<QString>("loginSignId");
    QTest::addColumn<QString>("oldPassWord");
    QTest::addColumn<QString>("newPassWord");
    QTest::addColumn<QString>("loginStatus");
    QTest::newRow("stale sign-in") << "expired"
                                   << "tavi2026"
                                   << "Lesson2026"
                                   << "1";
    QTest::newRow("wrong old password") << "sandbox-20001"
                                        << "tavi2025"
                                        << "Lesson2026"
                                        << "0";
    QTest::newRow("too short") << "sandbox-20001"
                               << "tavi2026"
                               << "abc"
                               << "0";
    QTest::newRow("not letters and digits") << "sandbox-20001"
                                            << "tavi2026"
                                            << "abc def 1"
                                            << "0";
}

void TestHomeworkScene::passwordChangeRefusals()
{
    QFETCH(QString, loginSignId);
    QFETCH(QString, oldPassWord);
    QFETCH(QString, newPassWord);
    QFETCH(QString, loginStatus);
    QString status;
    QString result;
    QVERIFY(StringUtil::httpJsonToMap(
        QString::fromUtf8(m_scene->changePassword("20001", loginSignId, oldPassWord, newPassWord)), status, result));
    QCOMPARE(status, loginStatus);
    QCOMPARE(result, QString("error"));
    QCOMPARE(m_sandbox->account().password, QString("tavi2026"));
}

QTEST_MAIN(TestHomeworkScene)
#include "tst_homeworkscene.moc"
