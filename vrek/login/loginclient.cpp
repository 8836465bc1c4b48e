#include "vrek/login/loginclient.h"

#include "vrek/login/bannerview.h"
#include "vrek/login/codearea.h"
#include "vrek/login/coderui.h"
#include "vrek/login/updatepasswordbymobile.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/plaintext.h"
#include "vrek/window/titleview.h"

#include <QCheckBox>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegExpValidator>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOption>
#include <QVBoxLayout>

const char *const LoginClient::userCodeAlphabet = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
const char *const LoginClient::passwordAlphabet
    = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_~`!@#$%^&*()-+={}[]|;:\"'<>,.?";

namespace {
enum Page {
    LoginPage = 0,
    DomainPage = 1,
    SchoolPage = 2,
};

const char *const frameAtRest = "border: 1px solid #d9d9d9";
const char *const frameActive = "border: 1px solid #3199ff";
const char *const userIconAtRest = "background-image: url(:/vrek/image/login/ico_01.png);border:none;";
const char *const passwordIconAtRest = "background-image: url(:/vrek/image/login/ico_02.png);border:none;";
const char *const verifyIconAtRest = "background-image: url(:/vrek/image/login/ico_03.png);border:none;";
const char *const userIconActive = "background-image: url(:/vrek/image/login/ico_1.png);border:none;";
const char *const passwordIconActive = "background-image: url(:/vrek/image/login/ico_2.png);border:none;";
const char *const verifyIconActive = "background-image: url(:/vrek/image/login/ico_3.png);border:none;";
const char *const blueButton = "QPushButton{border-radius:3px;background-color:#1896EA;color:white;}";
const char *const domainPlaceholder = "请输入正确域名！";
const char *const unknownSchool = "网校不存在";

bool allIn(const QString &text, const QString &alphabet)
{
    for (const QChar c : text) {
        if (!stringContainsChar(c, alphabet))
            return false;
    }
    return true;
}

// Drops every character outside the alphabet; true when something was dropped.
bool cleanTo(QString &text, const QString &alphabet)
{
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (stringContainsChar(c, alphabet))
            cleaned.append(c);
    }
    const bool dropped = cleaned.size() != text.size();
    text = cleaned;
    return dropped;
}
} // namespace

struct LoginClient::Form
{
    QWidget *bgWidget;
    QWidget *bannerWidget;
    QVBoxLayout *bannerLayout;
    QPushButton *exitButton;
    QPushButton *minButton;
    QPushButton *codeBtn;
    QStackedWidget *loginStackedWidget;
    // Page 0: the login form.
    QWidget *loginStackedWidgetPage1;
    QWidget *userWidget;
    QLabel *userCodeLabel;
    QLineEdit *userCodeEdit;
    QWidget *pwdWidget;
    QLabel *pwdLabel;
    QLineEdit *passwordEdit;
    QWidget *verifyWidget;
    QWidget *verifyBoxWidget;
    QLabel *verifyLabel;
    QLineEdit *verifyEdit;
    QGridLayout *gridLayout;
    QCheckBox *checkBox;
    QPushButton *forgetPassword;
    QLabel *errorLabel;
    QPushButton *loginButton;
    QPushButton *linkButton01;
    QPushButton *linkButton02;
    QPushButton *changeDnsBtn;
    // Page 1: the school's domain.
    QWidget *inputDnsWidget;
    QLabel *schoolDnsLabel;
    QWidget *dnsWidget;
    QLineEdit *dnsEdit;
    QPushButton *setDnsBtn;
    QPushButton *exitButton_2;
    // Page 2: what the lookup found.
    QWidget *DnsUrlWidget;
    QLabel *dnsUrl;
    QLabel *dnsName;
    QPushButton *turnLoginBtn;
};

LoginClient::LoginClient(QWidget *parent, HttpClientManager *httpClient, SocketClientManager *socketClient)
    : QWidget(parent)
    , ui(new Form())
    , setting(SettingConfig::getSetting())
    , m_httpClient(httpClient)
    , m_socketClient(socketClient)
{
    qInfo() << "parent:" << parent;
    buildForm();
    resize(852, 455);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("用户登录"));

    QFile styleFile(":/qss/login.qss");
    if (styleFile.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleFile.readAll()));
    else
        qWarning() << "no login style sheet";

    codeArea = new CodeArea(this);
    codeArea->setObjectName("codeArea");
    codeArea->setFixedSize(100, 40);
    ui->gridLayout->addWidget(codeArea, 0, 0);
    validator = new QRegExpValidator(QRegExp("[\\d]+$"), this);
    ui->verifyEdit->setValidator(validator);
    ui->passwordEdit->setEchoMode(QLineEdit::Password);
    ui->linkButton01->setCursor(Qt::PointingHandCursor);
    ui->linkButton02->setCursor(Qt::PointingHandCursor);
    ui->loginButton->setCursor(Qt::PointingHandCursor);
    ui->loginButton->setFocus();
    // Return is the window's own (keyPressEvent); keypad Enter is the button's.
    ui->loginButton->setShortcut(QKeySequence(QKeySequence::InsertParagraphSeparator));
    ui->loginButton->setShortcut(QKeySequence(Qt::Key_Enter));

    resetView = new UpdatePasswordByMobile(this, httpClient);
    resetTitleView = new TitleView(
        resetView, QStringLiteral("忘记密码"), TitleView::NoMinButton | TitleView::NoMaxButton | TitleView::FixedSize);
    resetTitleView->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    resetTitleView->setFixedSize(QSize(450, 310));

    readFlag = setting.getValue("isread/flag");
    if (readFlag == "1") {
        ui->checkBox->setChecked(true);
        userCode = setting.getValue("userinfo/usercode");
        password = setting.getValue("userinfo/password");
        const bool userCodeClean = allIn(userCode, QString::fromLatin1(userCodeAlphabet));
        if (userCodeClean) {
            ui->userCodeEdit->setText(userCode);
            if (allIn(password, QString::fromLatin1(passwordAlphabet)))
                ui->passwordEdit->setText(password);
        }
    } else if (readFlag.isEmpty()) {
        ui->checkBox->setChecked(true);
        setting.setValue("isread/flag", "1");
    } else {
        ui->checkBox->setChecked(false);
    }

    connect(ui->exitButton, &QPushButton::clicked, this, &LoginClient::closeLogin);
    connect(ui->minButton, &QPushButton::clicked, this, &LoginClient::minLogin);
    connect(ui->userCodeEdit, &QLineEdit::textChanged, this, &LoginClient::verifyUserCode);
    connect(ui->passwordEdit, &QLineEdit::textChanged, this, &LoginClient::verifyPassword);
    connect(ui->verifyEdit, &QLineEdit::textChanged, this, &LoginClient::verifyVeriCode);
    connect(ui->loginButton, &QPushButton::clicked, this, &LoginClient::startLogin);
    connect(ui->checkBox, &QCheckBox::clicked, this, &LoginClient::storageUserCodeAndPassword);
    connect(ui->codeBtn, &QPushButton::clicked, this, &LoginClient::onShowCode);
    connect(resetView, &UpdatePasswordByMobile::signalCloseWindow, resetTitleView, &QWidget::hide);
    connect(ui->forgetPassword, &QPushButton::clicked, resetTitleView, [this] { resetTitleView->show(); });
    connect(
        ui->changeDnsBtn, &QPushButton::clicked, this, [this] { ui->loginStackedWidget->setCurrentIndex(DomainPage); });
    connect(
        ui->exitButton_2, &QPushButton::clicked, this, [this] { ui->loginStackedWidget->setCurrentIndex(LoginPage); });
    connect(ui->setDnsBtn, &QPushButton::clicked, this, &LoginClient::startSchoolLookup);
    connect(ui->turnLoginBtn, &QPushButton::clicked, this, [this] {
        qDebug() << "g_socketHost:" << g_socketHost;
        ui->loginStackedWidget->setCurrentIndex(LoginPage);
    });
    // Once for the window's life: a lookup answer is handled once, however many lookups were made.
    if (HttpClientManager *client = this->httpClient())
        connect(client, &HttpClientManager::signalGetProvider, this, &LoginClient::slotGetProvider);
    else
        qWarning() << "no REST client for the school lookup";

    switch (g_userType) {
    case 0:
        forgetPasswordUrl = QUrl(QString("http://%1/no_pass.html?roleType=teacher").arg(g_socketHost));
        ui->linkButton01->hide();
        ui->linkButton02->setText(QStringLiteral("忘记密码"));
        break;
    case 1:
        registerUrl = QUrl(QString("http://%1/register.html").arg(g_socketHost));
        forgetPasswordUrl = QUrl(QString("http://%1/no_pass.html?roleType=student").arg(g_socketHost));
        ui->linkButton01->setText(QStringLiteral("立即注册"));
        ui->linkButton02->setText(QStringLiteral("忘记密码"));
        break;
    default:
        ui->linkButton01->setText(QStringLiteral("立即注册"));
        ui->linkButton02->setText(QStringLiteral("忘记密码"));
        break;
    }
    connect(ui->linkButton01, &QPushButton::clicked, this, &LoginClient::slotLinkButton);
    connect(ui->linkButton02, &QPushButton::clicked, this, &LoginClient::slotLinkButton);

    ui->schoolDnsLabel->setText("<font color=blue size=4>网校域名: </font>");
    ui->schoolDnsLabel->setStyleSheet("color:#CCCCCC;border-width:0;margin:1 1 1 1;");
    ui->dnsEdit->setStyleSheet("background:transparent;border-width:0;border-style:outset");
    ui->dnsEdit->setFont(QFont("PingFang SC", 14));
    ui->dnsEdit->setPlaceholderText(QString::fromUtf8(domainPlaceholder));
    ui->setDnsBtn->setStyleSheet(blueButton);
    ui->turnLoginBtn->setStyleSheet(blueButton);
    ui->changeDnsBtn->setStyleSheet("QPushButton{color:#1896EA;}QPushButton:pressed{background-color:white;"
                                    "border:none;text-decoration:underline;}");
    ui->dnsWidget->setStyleSheet("QWidget{border: 1px solid gray;border-radius:4px;}");
    ui->exitButton_2->setStyleSheet("QPushButton{border-image: url(:/vrek/image/login/guan.png);}"
                                    "QPushButton:hover {border-image: url(:/vrek/image/login/guan1.png);}");
    ui->loginButton->setStyleSheet("QPushButton{border-radius:3px;background-color:#1896EA;}");

    coderUi = new CoderUI(this);
    coderUi->hide();
    bannerView = new BannerView(ui->bannerWidget);
    bannerView->setObjectName("bannerView");
    ui->bannerLayout->addWidget(bannerView);

    ui->userWidget->setStyleSheet(frameAtRest);
    ui->pwdWidget->setStyleSheet(frameAtRest);
    ui->verifyBoxWidget->setStyleSheet(frameAtRest);
    ui->userCodeLabel->setStyleSheet(userIconAtRest);
    ui->pwdLabel->setStyleSheet(passwordIconAtRest);
    ui->verifyLabel->setStyleSheet(verifyIconAtRest);

    shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 0);
    shadow->setColor(Qt::gray);
    shadow->setBlurRadius(10);
    ui->bgWidget->setGraphicsEffect(shadow);
    ui->userCodeEdit->installEventFilter(this);
    ui->passwordEdit->installEventFilter(this);
    ui->verifyEdit->installEventFilter(this);

    ui->verifyWidget->hide();
    ui->errorLabel->hide();
    ui->linkButton01->hide();
    ui->linkButton02->hide();
    errorCount = 0;
}

LoginClient::~LoginClient()
{
    qInfo() << "~LoginClient";
    // The reset window has no parent: it is a tool window of its own.
    resetTitleView->deleteLater();
    delete ui;
}

void LoginClient::buildForm()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    ui->bgWidget = new QWidget(this);
    ui->bgWidget->setObjectName("bgWidget");
    outer->addWidget(ui->bgWidget);
    auto *bgLayout = new QHBoxLayout(ui->bgWidget);
    bgLayout->setContentsMargins(0, 0, 0, 0);
    bgLayout->setSpacing(0);

    ui->bannerWidget = new QWidget(ui->bgWidget);
    ui->bannerWidget->setObjectName("bannerWidget");
    ui->bannerWidget->setFixedWidth(416);
    ui->bannerLayout = new QVBoxLayout(ui->bannerWidget);
    ui->bannerLayout->setObjectName("bannerLayout");
    ui->bannerLayout->setContentsMargins(0, 0, 0, 0);
    bgLayout->addWidget(ui->bannerWidget);

    auto *rightWidget = new QWidget(ui->bgWidget);
    rightWidget->setObjectName("rightWidget");
    rightWidget->setStyleSheet("QWidget#rightWidget{background-color:white;}");
    bgLayout->addWidget(rightWidget, 1);
    auto *rightLayout = new QVBoxLayout(rightWidget);
    rightLayout->setContentsMargins(0, 6, 6, 0);
    rightLayout->setSpacing(0);
    auto *topLayout = new QHBoxLayout();
    ui->codeBtn = new QPushButton(QStringLiteral("手机端"), rightWidget);
    ui->codeBtn->setObjectName("codeBtn");
    ui->codeBtn->setCursor(Qt::PointingHandCursor);
    ui->minButton = new QPushButton(rightWidget);
    ui->minButton->setObjectName("minButton");
    ui->minButton->setIcon(QIcon(":/image/icon/min.PNG"));
    ui->minButton->setFixedSize(24, 24);
    ui->exitButton = new QPushButton(rightWidget);
    ui->exitButton->setObjectName("exitButton");
    ui->exitButton->setIcon(QIcon(":/image/icon/close.PNG"));
    ui->exitButton->setFixedSize(24, 24);
    topLayout->addSpacing(12);
    topLayout->addWidget(ui->codeBtn);
    topLayout->addStretch();
    topLayout->addWidget(ui->minButton);
    topLayout->addWidget(ui->exitButton);
    rightLayout->addLayout(topLayout);

    ui->loginStackedWidget = new QStackedWidget(rightWidget);
    ui->loginStackedWidget->setObjectName("loginStackedWidget");
    ui->loginStackedWidget->setStyleSheet("QWidget{background-color:white;}");
    rightLayout->addWidget(ui->loginStackedWidget, 1);

    // Page 0.
    ui->loginStackedWidgetPage1 = new QWidget();
    ui->loginStackedWidgetPage1->setObjectName("loginStackedWidgetPage1");
    auto *page0 = new QVBoxLayout(ui->loginStackedWidgetPage1);
    page0->setContentsMargins(48, 24, 42, 16);
    page0->setSpacing(14);
    const auto field = [](QWidget *parent, const char *frameName, const char *iconName, const char *editName,
                           const QString &placeholder, QWidget *&frame, QLabel *&icon, QLineEdit *&edit) {
        frame = new QWidget(parent);
        frame->setObjectName(frameName);
        frame->setFixedHeight(40);
        auto *layout = new QHBoxLayout(frame);
        layout->setContentsMargins(10, 0, 6, 0);
        icon = new QLabel(frame);
        icon->setObjectName(iconName);
        icon->setFixedSize(20, 20);
        edit = new QLineEdit(frame);
        edit->setObjectName(editName);
        edit->setPlaceholderText(placeholder);
        // The frame draws the border; its sheet would otherwise frame the field again.
        edit->setStyleSheet("border:none;background:transparent;");
        layout->addWidget(icon);
        layout->addWidget(edit, 1);
    };
    field(ui->loginStackedWidgetPage1, "userWidget", "userCodeLabel", "userCodeEdit", QStringLiteral("手机号/账号"),
        ui->userWidget, ui->userCodeLabel, ui->userCodeEdit);
    field(ui->loginStackedWidgetPage1, "pwdWidget", "pwdLabel", "passwordEdit", QStringLiteral("密码"), ui->pwdWidget,
        ui->pwdLabel, ui->passwordEdit);
    ui->passwordEdit->setContextMenuPolicy(Qt::NoContextMenu);
    // Dropped text is pasted text.
    ui->passwordEdit->setAcceptDrops(false);
    page0->addWidget(ui->userWidget);
    page0->addWidget(ui->pwdWidget);

    ui->verifyWidget = new QWidget(ui->loginStackedWidgetPage1);
    ui->verifyWidget->setObjectName("verifyWidget");
    auto *verifyLayout = new QHBoxLayout(ui->verifyWidget);
    verifyLayout->setContentsMargins(0, 0, 0, 0);
    field(ui->verifyWidget, "verifyBoxWidget", "verifyLabel", "verifyEdit", QStringLiteral("验证码"),
        ui->verifyBoxWidget, ui->verifyLabel, ui->verifyEdit);
    verifyLayout->addWidget(ui->verifyBoxWidget, 1);
    ui->gridLayout = new QGridLayout();
    ui->gridLayout->setObjectName("gridLayout");
    verifyLayout->addLayout(ui->gridLayout);
    page0->addWidget(ui->verifyWidget);

    auto *optionLayout = new QHBoxLayout();
    ui->checkBox = new QCheckBox(QStringLiteral("记住密码"), ui->loginStackedWidgetPage1);
    ui->checkBox->setObjectName("checkBox");
    ui->forgetPassword = new QPushButton(QStringLiteral("忘记密码?"), ui->loginStackedWidgetPage1);
    ui->forgetPassword->setObjectName("forgetPassword");
    ui->forgetPassword->setCursor(Qt::PointingHandCursor);
    optionLayout->addWidget(ui->checkBox);
    optionLayout->addStretch();
    optionLayout->addWidget(ui->forgetPassword);
    page0->addLayout(optionLayout);

    ui->errorLabel = new QLabel(QStringLiteral("输入错误"), ui->loginStackedWidgetPage1);
    ui->errorLabel->setTextFormat(Qt::PlainText);
    // Texts from the server never widen the window: the labels clip what does not fit.
    ui->errorLabel->setMinimumWidth(1);
    ui->errorLabel->setObjectName("errorLabel");
    page0->addWidget(ui->errorLabel);
    ui->loginButton = new QPushButton(QStringLiteral("登  录"), ui->loginStackedWidgetPage1);
    ui->loginButton->setObjectName("loginButton");
    ui->loginButton->setFixedHeight(40);
    page0->addWidget(ui->loginButton);

    auto *linkLayout = new QHBoxLayout();
    ui->linkButton01 = new QPushButton(QStringLiteral("link"), ui->loginStackedWidgetPage1);
    ui->linkButton01->setObjectName("linkButton01");
    ui->linkButton02 = new QPushButton(QStringLiteral("link"), ui->loginStackedWidgetPage1);
    ui->linkButton02->setObjectName("linkButton02");
    ui->changeDnsBtn = new QPushButton(QStringLiteral("切换平台"), ui->loginStackedWidgetPage1);
    ui->changeDnsBtn->setObjectName("changeDnsBtn");
    ui->changeDnsBtn->setCursor(Qt::PointingHandCursor);
    linkLayout->addWidget(ui->linkButton01);
    linkLayout->addWidget(ui->linkButton02);
    linkLayout->addStretch();
    linkLayout->addWidget(ui->changeDnsBtn);
    page0->addLayout(linkLayout);
    page0->addStretch();
    ui->loginStackedWidget->addWidget(ui->loginStackedWidgetPage1);

    // Page 1.
    ui->inputDnsWidget = new QWidget();
    ui->inputDnsWidget->setObjectName("inputDnsWidget");
    auto *page1 = new QVBoxLayout(ui->inputDnsWidget);
    page1->setContentsMargins(48, 10, 42, 40);
    page1->setSpacing(16);
    auto *closeRow = new QHBoxLayout();
    ui->exitButton_2 = new QPushButton(ui->inputDnsWidget);
    ui->exitButton_2->setObjectName("exitButton_2");
    ui->exitButton_2->setFixedSize(16, 16);
    ui->exitButton_2->setCursor(Qt::PointingHandCursor);
    closeRow->addStretch();
    closeRow->addWidget(ui->exitButton_2);
    page1->addLayout(closeRow);
    page1->addStretch();
    ui->schoolDnsLabel = new QLabel(ui->inputDnsWidget);
    ui->schoolDnsLabel->setObjectName("schoolDnsLabel");
    page1->addWidget(ui->schoolDnsLabel);
    ui->dnsWidget = new QWidget(ui->inputDnsWidget);
    ui->dnsWidget->setObjectName("dnsWidget");
    ui->dnsWidget->setFixedHeight(40);
    auto *dnsLayout = new QHBoxLayout(ui->dnsWidget);
    dnsLayout->setContentsMargins(8, 0, 8, 0);
    ui->dnsEdit = new QLineEdit(ui->dnsWidget);
    ui->dnsEdit->setObjectName("dnsEdit");
    dnsLayout->addWidget(ui->dnsEdit);
    page1->addWidget(ui->dnsWidget);
    ui->setDnsBtn = new QPushButton(QStringLiteral("输入域名"), ui->inputDnsWidget);
    ui->setDnsBtn->setObjectName("setDnsBtn");
    ui->setDnsBtn->setFixedHeight(40);
    ui->setDnsBtn->setCursor(Qt::PointingHandCursor);
    page1->addWidget(ui->setDnsBtn);
    page1->addStretch();
    ui->loginStackedWidget->addWidget(ui->inputDnsWidget);

    // Page 2.
    ui->DnsUrlWidget = new QWidget();
    ui->DnsUrlWidget->setObjectName("DnsUrlWidget");
    auto *page2 = new QVBoxLayout(ui->DnsUrlWidget);
    page2->setContentsMargins(48, 40, 42, 40);
    page2->setSpacing(20);
    page2->addStretch();
    ui->dnsUrl = new QLabel(QStringLiteral("网校名称：Vantrel"), ui->DnsUrlWidget);
    ui->dnsUrl->setTextFormat(Qt::PlainText);
    ui->dnsUrl->setMinimumWidth(1);
    ui->dnsUrl->setObjectName("dnsUrl");
    ui->dnsName = new QLabel(QStringLiteral("网校域名："), ui->DnsUrlWidget);
    ui->dnsName->setTextFormat(Qt::PlainText);
    ui->dnsName->setMinimumWidth(1);
    ui->dnsName->setObjectName("dnsName");
    ui->turnLoginBtn = new QPushButton(QStringLiteral("确认"), ui->DnsUrlWidget);
    ui->turnLoginBtn->setObjectName("turnLoginBtn");
    ui->turnLoginBtn->setFixedHeight(40);
    ui->turnLoginBtn->setCursor(Qt::PointingHandCursor);
    page2->addWidget(ui->dnsUrl);
    page2->addWidget(ui->dnsName);
    page2->addWidget(ui->turnLoginBtn);
    page2->addStretch();
    ui->loginStackedWidget->addWidget(ui->DnsUrlWidget);
    ui->loginStackedWidget->setCurrentIndex(LoginPage);
}

HttpClientManager *LoginClient::httpClient() const
{
    return m_httpClient ? m_httpClient.data() : g_httpClientManager;
}

SocketClientManager *LoginClient::socketClient() const
{
    return m_socketClient ? m_socketClient.data() : g_socketClientManager;
}

void LoginClient::informationBox(const QString &text)
{
    PlainText::message(this, QMessageBox::Information, QStringLiteral("提示"), text);
}

void LoginClient::startLogin()
{
    userCode = ui->userCodeEdit->text();
    password = ui->passwordEdit->text();
    if (userCode.isEmpty() || password.isEmpty()) {
        showLoginError(QStringLiteral("用户名或密码不能为空"));
        return;
    }
    const bool dirty = cleanTo(userCode, QString::fromLatin1(userCodeAlphabet))
        || cleanTo(password, QString::fromLatin1(passwordAlphabet));
    if (dirty) {
        ui->userCodeEdit->setText(userCode);
        ui->passwordEdit->setText(password);
        showLoginError(QStringLiteral("用户名或密码存在非法字符"));
        return;
    }
    if (ui->verifyWidget->isVisibleTo(this) && !codeArea->checkCode(ui->verifyEdit->text())) {
        updateVerifyCodeImage();
        showLoginError(QStringLiteral("验证码不正确"));
        return;
    }
    bool ok = false;
    const ushort port = g_socketPort.toUShort(&ok, 10);
    if (!ok) {
        updateVerifyCodeImage();
        showLoginError(QStringLiteral("服务端口错误"));
        return;
    }
    if (SocketClientManager *client = socketClient())
        client->setHostAndPort(g_socketHost, port);
    else
        qWarning() << "no classroom connection to point at the server";
    emit signalLoginStartOut(userCode, password);
}

void LoginClient::showLoginError(const QString &text)
{
    ui->errorLabel->setText(StringUtil::clippedText(text));
    ui->errorLabel->show();
    ++errorCount;
    if (errorCount >= errorsBeforeCaptcha)
        ui->verifyWidget->show();
}

void LoginClient::updateVerifyCodeImage()
{
    ui->verifyEdit->clear();
    codeArea->refresh();
}

void LoginClient::showClean()
{
    ui->errorLabel->hide();
    errorCount = 0;
    ui->verifyWidget->hide();
    updateVerifyCodeImage();
    coderUi->hide();
    ui->loginStackedWidget->setCurrentIndex(LoginPage);
    isDragging = false;

    // Asked to place it again, a window manager may not put it back where it was; so it is placed here.
    if (m_placed && QGuiApplication::screenAt(m_lastPosition)) {
        move(m_lastPosition);
    } else if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // Centred, but never with its top left corner off the screen.
        const QRect available = screen->availableGeometry();
        const QPoint centred = available.center() - QPoint(width() / 2, height() / 2);
        move(qMax(centred.x(), available.left()), qMax(centred.y(), available.top()));
    }
    showNormal();
    raise();
    activateWindow();
}

void LoginClient::slotLoginSuccessIn()
{
    setting.setValue("userinfo/usercode", userCode);
    setting.setValue("userinfo/password", password);
}

void LoginClient::storageUserCodeAndPassword()
{
    setting.setValue("isread/flag", ui->checkBox->isChecked() ? "1" : "0");
}

void LoginClient::verifyUserCode(const QString &text)
{
    if (text.size() > userCodeMaxLength) {
        // The write-back runs this rule again on the shortened text.
        ui->userCodeEdit->setText(text.left(userCodeMaxLength));
        return;
    }
    QString cleaned = text;
    if (cleanTo(cleaned, QString::fromLatin1(userCodeAlphabet))) {
        ui->userCodeEdit->setText(cleaned);
        informationBox(QStringLiteral("用户名存在非法字符"));
    }
}

void LoginClient::verifyPassword(const QString &text)
{
    if (text.size() > passwordMaxLength) {
        ui->passwordEdit->setText(text.left(passwordMaxLength));
        return;
    }
    QString cleaned = text;
    if (cleanTo(cleaned, QString::fromLatin1(passwordAlphabet))) {
        ui->passwordEdit->setText(cleaned);
        informationBox(QStringLiteral("密码存在非法字符"));
    }
}

void LoginClient::verifyVeriCode(const QString &text)
{
    const int length = codeArea ? codeArea->getCodeLength() : 4;
    if (text.size() > length)
        ui->verifyEdit->setText(text.left(length));
}

void LoginClient::startSchoolLookup()
{
    ui->setDnsBtn->setEnabled(false);
    const QString domain = ui->dnsEdit->text().trimmed();
    if (domain.isEmpty()) {
        ui->dnsEdit->setPlaceholderText(QString::fromUtf8(domainPlaceholder));
        ui->setDnsBtn->setEnabled(true);
        return;
    }
    HttpClientManager *client = httpClient();
    if (!client) {
        qWarning() << "no REST client for the school lookup";
        clearDns();
        return;
    }
    // The lookup goes to the typed domain, but every other request stays where it was until the school is found.
    const QString previousBase = client->baseUrl();
    client->setDnsUrl(domain);
    m_lookupDomain = domain;
    client->sendGetSchoolName(domain);
    client->setBaseUrl(previousBase);
    qDebug() << "domain:" << domain;
}

void LoginClient::slotGetProvider(const QString &reply)
{
    const QString domain = m_lookupDomain;
    m_lookupDomain.clear();
    if (reply == QLatin1String("error")) {
        clearDns();
        return;
    }
    const QJsonObject object = StringUtil::stringToJsonObject(reply);
    if (object.isEmpty()) {
        // Nothing usable came back: let the user try again.
        qWarning() << "the school lookup answered nothing usable:" << reply;
        clearDns();
        return;
    }
    if (object.value("requestStatus").toString() == QLatin1String("error"))
        clearDns();
    QString schoolName;
    QString doMainName;
    const QJsonValue body = object.value("requestBody");
    if (body.isObject()) {
        schoolName = body.toObject().value("schoolName").toString();
        doMainName = body.toObject().value("doMainName").toString();
        ui->dnsName->setText(QStringLiteral("网校域名: ") + StringUtil::clippedText(doMainName));
        ui->dnsUrl->setText(QStringLiteral("网校名称: ") + StringUtil::clippedText(schoolName));
    }
    if (!doMainName.isEmpty() && schoolName != QString::fromUtf8(unknownSchool)) {
        setting.setValue("domain/dns", doMainName);
        g_socketHost = doMainName;
        g_fileHost = doMainName;
        g_webHost = doMainName;
        if (HttpClientManager *client = httpClient())
            client->setDnsUrl(domain.isEmpty() ? doMainName : domain);
        qDebug() << "set dns ip success";
    }
    // Only an answer that names a school has anything to show.
    if (body.isObject())
        ui->loginStackedWidget->setCurrentIndex(SchoolPage);
    clearDns();
}

void LoginClient::clearDns()
{
    ui->dnsEdit->clear();
    ui->dnsEdit->setPlaceholderText(QString::fromUtf8(domainPlaceholder));
    ui->setDnsBtn->setEnabled(true);
}

void LoginClient::slotLinkButton()
{
    QObject *button = sender();
    QUrl url;
    if (button == ui->linkButton01)
        url = registerUrl;
    else if (button == ui->linkButton02)
        url = forgetPasswordUrl;
    if (url.isEmpty()) {
        qWarning() << "no page behind this link";
        return;
    }
    QDesktopServices::openUrl(url);
}

void LoginClient::closeLogin()
{
    close();
}

void LoginClient::minLogin()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

void LoginClient::onShowCode()
{
    coderUi->move((width() - coderUi->width()) / 2, (height() - coderUi->height()) / 2);
    coderUi->raise();
    coderUi->show();
}

bool LoginClient::isPasteAttempt(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Ctrl+V, and the other paste keys of this platform (Shift+Insert).
        return key->matches(QKeySequence::Paste);
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
        // The middle button pastes the X11 selection.
        return static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton;
    }
    return false;
}

bool LoginClient::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *frame = nullptr;
    QLabel *icon = nullptr;
    const char *active = nullptr;
    const char *atRest = nullptr;
    if (watched == ui->userCodeEdit) {
        frame = ui->userWidget;
        icon = ui->userCodeLabel;
        active = userIconActive;
        atRest = userIconAtRest;
    } else if (watched == ui->passwordEdit) {
        frame = ui->pwdWidget;
        icon = ui->pwdLabel;
        active = passwordIconActive;
        atRest = passwordIconAtRest;
    } else if (watched == ui->verifyEdit) {
        frame = ui->verifyBoxWidget;
        icon = ui->verifyLabel;
        active = verifyIconActive;
        atRest = verifyIconAtRest;
    }
    if (frame) {
        if (event->type() == QEvent::FocusIn) {
            frame->setStyleSheet(frameActive);
            icon->setStyleSheet(active);
        } else if (event->type() == QEvent::FocusOut) {
            frame->setStyleSheet(frameAtRest);
            icon->setStyleSheet(atRest);
        } else if (watched == ui->passwordEdit && isPasteAttempt(event)) {
            qDebug() << "no allow to paste or Ctrl + V";
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LoginClient::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint offset = event->globalPos() - pos();
        dragOffsetX = offset.x();
        dragOffsetY = offset.y();
        isDragging = true;
    }
    QWidget::mousePressEvent(event);
}

void LoginClient::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        isDragging = false;
    QWidget::mouseReleaseEvent(event);
}

void LoginClient::mouseMoveEvent(QMouseEvent *event)
{
    if (isDragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPos() - QPoint(dragOffsetX, dragOffsetY));
    QWidget::mouseMoveEvent(event);
}

void LoginClient::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return && ui->loginStackedWidget->currentIndex() == LoginPage)
        startLogin();
    QWidget::keyPressEvent(event);
}

void LoginClient::paintEvent(QPaintEvent *event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    QWidget::paintEvent(event);
}

void LoginClient::showEvent(QShowEvent *event)
{
    bannerView->requestBanner();
    QWidget::showEvent(event);
}

void LoginClient::hideEvent(QHideEvent *event)
{
    if (!isMinimized()) {
        m_lastPosition = pos();
        m_placed = true;
    }
    QWidget::hideEvent(event);
}
