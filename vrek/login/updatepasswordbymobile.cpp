#include "vrek/login/updatepasswordbymobile.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/plaintext.h"
#include "vrek/viewui/tipwidget.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *const digits = "0123456789";
const char *const lettersAndDigits = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char *const errorLook = "border:1px solid rgb(255, 65, 16);opacity:1;border-radius:4px;";
const char *const normalLook = "border:1px solid rgb(221,221,221);opacity:1;border-radius:4px;";
const char *const getCodeAtRest
    = "QPushButton{font-size:15px;border-image: url(:/vrek/image/login/getVerify.png);}"
      "QPushButton::hover{font-size:15px;   border-image: url(:/vrek/image/login/getVerifyhover.png);}";
const char *const getCodeCounting
    = "QPushButton{font-size:15px;border-image: url(:/vrek/image/login/verifyBlock.png);}";

// Drops every character outside the allowed set; true when something was dropped.
bool clean(const QString &text, const char *allowed, QString &cleaned)
{
    const QString set = QString::fromLatin1(allowed);
    cleaned.clear();
    for (const QChar c : text) {
        if (stringContainsChar(c, set))
            cleaned.append(c);
    }
    return cleaned.size() != text.size();
}
} // namespace

struct UpdatePasswordByMobile::Form
{
    QWidget *userNameWidget;
    QLabel *label_5;
    QLineEdit *usernameLineEdit;
    QWidget *mobileWidget;
    QLabel *label;
    QLineEdit *mobilLineEdit;
    QLabel *checkLabel;
    QLineEdit *checkLineEdit;
    QPushButton *checkPushButton;
    QWidget *passwordWidget;
    QLabel *label_3;
    QLineEdit *passwordLineEdit;
    QLabel *label_4;
    QLineEdit *surePasswordLineEdit;
    QWidget *errorTipWidget;
    QLabel *errorLabel;
    QPushButton *surePushButton;
    QPushButton *exitPushButton;
    QSpacerItem *leftSpacer;
    QSpacerItem *middleSpacer;
    QSpacerItem *rightSpacer;
};

UpdatePasswordByMobile::UpdatePasswordByMobile(QWidget *parent, HttpClientManager *httpClient)
    : QWidget(parent)
    , ui(new Form())
    , m_httpClient(httpClient ? httpClient : g_httpClientManager)
{
    buildForm();
    ui->userNameWidget->hide();
    ui->mobilLineEdit->setFixedSize(272, 30);
    ui->passwordLineEdit->setFixedSize(272, 30);
    ui->surePasswordLineEdit->setFixedSize(272, 30);
    ui->checkLineEdit->setFixedSize(176, 30);
    ui->checkPushButton->setFixedSize(84, 30);
    ui->surePushButton->setFixedSize(84, 30);
    ui->exitPushButton->setFixedSize(84, 30);

    countdownTimer = new QTimer(this);
    countdownTimer->setInterval(countdownIntervalMs);

    tipWidget = new TipWidget(this);
    tipWidget->setFixedSize(int(200 * g_uiScale), int(35 * g_uiScale));
    tipWidget->adjustSize();
    tipWidget->hideCloseButton();
    tipWidget->setStyleSheet("QWidget{background-color:#ff8214;}");
    tipWidget->move((width() - tipWidget->width()) / 2, (height() - tipWidget->height()) / 2);

    if (g_uiScale > 1.3) {
        ui->leftSpacer->changeSize(6, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
        ui->middleSpacer->changeSize(0, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
        ui->rightSpacer->changeSize(36, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
    } else if (g_uiScale > 1.2) {
        ui->leftSpacer->changeSize(6, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
        ui->middleSpacer->changeSize(2, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
        ui->rightSpacer->changeSize(32, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
    }

    connect(countdownTimer, &QTimer::timeout, this, &UpdatePasswordByMobile::onUpdateTime);
    connect(ui->checkPushButton, &QPushButton::clicked, this, &UpdatePasswordByMobile::slotGetCheckPushButtonClicked);
    connect(ui->surePushButton, &QPushButton::clicked, this, &UpdatePasswordByMobile::slotSurePushButtonClicked);
    connect(ui->exitPushButton, &QPushButton::clicked, this, &UpdatePasswordByMobile::slotExitPushButtonClicked);
    connect(ui->mobilLineEdit, &QLineEdit::textChanged, this, &UpdatePasswordByMobile::verifymobilePhoneLineEdit);
    connect(ui->checkLineEdit, &QLineEdit::textChanged, this, &UpdatePasswordByMobile::verifyCheckNumberLineEdit);
    connect(ui->passwordLineEdit, &QLineEdit::textChanged, this, &UpdatePasswordByMobile::verifyPassword);
    connect(ui->surePasswordLineEdit, &QLineEdit::textChanged, this, &UpdatePasswordByMobile::verifyPassword);
    if (m_httpClient) {
        connect(m_httpClient, &HttpClientManager::signalVerificationMobile, this,
            &UpdatePasswordByMobile::slotVerificationMobile);
        connect(m_httpClient, &HttpClientManager::signalVerification, this,
            &UpdatePasswordByMobile::slotHttpReturnCheckNumber);
        connect(m_httpClient, &HttpClientManager::signalVerificationResult, this,
            &UpdatePasswordByMobile::slotVerificationResult);
        connect(m_httpClient, &HttpClientManager::signalModifyUserPassWord, this,
            &UpdatePasswordByMobile::slotHttpUpdatePasswordResult);
    } else {
        qWarning() << "no REST client: the password cannot be reset";
    }
}

UpdatePasswordByMobile::~UpdatePasswordByMobile()
{
    delete ui;
}

void UpdatePasswordByMobile::buildForm()
{
    setWindowTitle("Form");
    resize(451, 407);
    const auto lineEdit = [this](const char *name, const QString &placeholder) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setPlaceholderText(placeholder);
        edit->setStyleSheet(normalLook);
        return edit;
    };
    const auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setFixedWidth(70);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    const auto row = [this](const char *name) {
        auto *w = new QWidget(this);
        w->setObjectName(name);
        return w;
    };

    ui->userNameWidget = row("userNameWidget");
    ui->label_5 = label("label_5", "用户名");
    ui->usernameLineEdit = lineEdit("usernameLineEdit", "请输入用户名");
    auto *userLayout = new QHBoxLayout(ui->userNameWidget);
    userLayout->addWidget(ui->label_5);
    userLayout->addWidget(ui->usernameLineEdit);

    ui->mobileWidget = row("mobileWidget");
    ui->label = label("label", "手机号");
    ui->mobilLineEdit = lineEdit("mobilLineEdit", " 请输入手机号");
    auto *mobileLayout = new QHBoxLayout(ui->mobileWidget);
    mobileLayout->addWidget(ui->label);
    mobileLayout->addWidget(ui->mobilLineEdit);
    mobileLayout->addStretch();

    auto *checkRow = row("checkWidget");
    ui->checkLabel = label("checkLabel", "验证码");
    ui->checkLineEdit = lineEdit("checkLineEdit", " 请输入验证码");
    ui->checkPushButton = new QPushButton(checkRow);
    ui->checkPushButton->setObjectName("checkPushButton");
    ui->checkPushButton->setStyleSheet(getCodeAtRest);
    auto *checkLayout = new QHBoxLayout(checkRow);
    checkLayout->addWidget(ui->checkLabel);
    checkLayout->addWidget(ui->checkLineEdit);
    checkLayout->addSpacing(12);
    checkLayout->addWidget(ui->checkPushButton);
    checkLayout->addStretch();

    ui->passwordWidget = row("passwordWidget");
    ui->label_3 = label("label_3", "密码");
    ui->passwordLineEdit = lineEdit("passwordLineEdit", " 请输入6-16位数字或字母");
    ui->passwordLineEdit->setEchoMode(QLineEdit::Password);
    ui->label_4 = label("label_4", "确认密码");
    ui->surePasswordLineEdit = lineEdit("surePasswordLineEdit", " 再次输入新密码");
    ui->surePasswordLineEdit->setEchoMode(QLineEdit::Password);
    auto *passwordLayout = new QGridLayout(ui->passwordWidget);
    passwordLayout->addWidget(ui->label_3, 0, 0);
    passwordLayout->addWidget(ui->passwordLineEdit, 0, 1);
    passwordLayout->addWidget(ui->label_4, 1, 0);
    passwordLayout->addWidget(ui->surePasswordLineEdit, 1, 1);
    passwordLayout->setColumnStretch(2, 1);

    ui->errorTipWidget = row("errorTipWidget");
    ui->errorLabel = new QLabel(ui->errorTipWidget);
    ui->errorLabel->setTextFormat(Qt::PlainText);
    ui->errorLabel->setObjectName("errorLabel");
    ui->errorLabel->setStyleSheet("color:red;");
    auto *errorLayout = new QHBoxLayout(ui->errorTipWidget);
    errorLayout->addSpacing(80);
    errorLayout->addWidget(ui->errorLabel, 1);

    ui->surePushButton = new QPushButton(this);
    ui->surePushButton->setObjectName("surePushButton");
    ui->surePushButton->setStyleSheet("QPushButton{border-image: url(:/vrek/image/login/sure.png);}"
                                      "QPushButton:hover{border-image: url(:/vrek/image/login/surehover.png);}");
    ui->exitPushButton = new QPushButton(this);
    ui->exitPushButton->setObjectName("exitPushButton");
    ui->exitPushButton->setStyleSheet("QPushButton{border-image: url(:/vrek/image/login/cancel.png);}"
                                      "QPushButton:hover{border-image: url(:/vrek/image/login/cancelhover.png);}");
    ui->leftSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    ui->middleSpacer = new QSpacerItem(20, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
    ui->rightSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    auto *buttonLayout = new QHBoxLayout();
    buttonLayout->addItem(ui->leftSpacer);
    buttonLayout->addWidget(ui->surePushButton);
    buttonLayout->addItem(ui->middleSpacer);
    buttonLayout->addWidget(ui->exitPushButton);
    buttonLayout->addItem(ui->rightSpacer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->addWidget(ui->userNameWidget);
    layout->addWidget(ui->mobileWidget);
    layout->addWidget(checkRow);
    layout->addWidget(ui->passwordWidget);
    layout->addWidget(ui->errorTipWidget);
    layout->addStretch();
    layout->addLayout(buttonLayout);
}

void UpdatePasswordByMobile::setCountdownInterval(int ms)
{
    countdownTimer->setInterval(ms);
}

void UpdatePasswordByMobile::setErrorLook(QLineEdit *edit)
{
    edit->setStyleSheet(errorLook);
}

void UpdatePasswordByMobile::setNormalLook(QLineEdit *edit)
{
    edit->setStyleSheet(normalLook);
}

void UpdatePasswordByMobile::setGetCodeButtonAtRest()
{
    ui->checkPushButton->setStyleSheet(getCodeAtRest);
    ui->checkPushButton->setText(QString());
    ui->checkPushButton->setEnabled(true);
}

void UpdatePasswordByMobile::setGetCodeButtonCounting(int seconds)
{
    ui->checkPushButton->setStyleSheet(getCodeCounting);
    ui->checkPushButton->setText(QString("%1s").arg(seconds));
}

void UpdatePasswordByMobile::informationBox(const QString &text)
{
    PlainText::message(this, QMessageBox::Information, QStringLiteral("提示"), text);
}

bool UpdatePasswordByMobile::readReply(const QString &reply, QString &outcome)
{
    QString loginStatus;
    return StringUtil::httpJsonToMap(reply, loginStatus, outcome);
}

void UpdatePasswordByMobile::showEvent(QShowEvent *event)
{
    ui->mobilLineEdit->clear();
    countdownTimer->stop();
    setGetCodeButtonAtRest();
    ui->passwordLineEdit->clear();
    ui->surePasswordLineEdit->clear();
    ui->errorLabel->clear();
    ui->passwordWidget->hide();
    QWidget::showEvent(event);
}

void UpdatePasswordByMobile::slotGetCheckPushButtonClicked()
{
    mobilePhone = ui->mobilLineEdit->text();
    if (mobilePhone.size() == 11) {
        ui->checkPushButton->setEnabled(false);
        if (m_httpClient)
            m_httpClient->sendVerificationMobilePhone(mobilePhone);
        return;
    }
    setErrorLook(ui->mobilLineEdit);
    ui->errorLabel->setText("请输入正确的手机号!");
    ui->mobilLineEdit->clear();
}

void UpdatePasswordByMobile::slotVerificationMobile(const QString &reply)
{
    QString outcome;
    if (readReply(reply, outcome) && outcome == "success") {
        if (m_httpClient)
            m_httpClient->sendGetVerificationCode(mobilePhone);
        return;
    }
    countdownTimer->stop();
    setGetCodeButtonAtRest();
    setErrorLook(ui->mobilLineEdit);
    ui->errorLabel->setText("手机号不存在!");
}

void UpdatePasswordByMobile::slotHttpReturnCheckNumber(const QString &reply)
{
    qDebug() << "reply:" << reply;
    QString outcome;
    if (!readReply(reply, outcome)) {
        qDebug() << "data is error";
        tipWidget->showTip(" 获取验证码失败，请稍后再试!", 5);
        ui->checkPushButton->setEnabled(true);
        return;
    }
    if (outcome == "success") {
        countdownTimer->start();
        countdown = 0;
        setGetCodeButtonCounting(countdownSeconds);
        ui->passwordLineEdit->clear();
        ui->surePasswordLineEdit->clear();
        ui->errorLabel->clear();
        ui->passwordWidget->show();
        return;
    }
    ui->checkPushButton->setEnabled(true);
    tipWidget->showTip(" 获取验证码失败，请稍后再试!", 5);
}

void UpdatePasswordByMobile::onUpdateTime()
{
    ++countdown;
    if (countdown <= countdownSeconds) {
        ui->checkPushButton->setText(QString("%1s").arg(countdownSeconds - countdown));
        return;
    }
    countdownTimer->stop();
    setGetCodeButtonAtRest();
}

void UpdatePasswordByMobile::slotSurePushButtonClicked()
{
    qDebug() << "slotSurePushButtonClicked";
    if (ui->checkLineEdit->text().isEmpty()) {
        setErrorLook(ui->checkLineEdit);
        ui->errorLabel->setText("请输入验证码!");
        return;
    }
    verificationCode = ui->checkLineEdit->text();
    if (ui->passwordLineEdit->text().isEmpty()) {
        setErrorLook(ui->passwordLineEdit);
        ui->errorLabel->setText("密码不得为空!");
        return;
    }
    if (ui->surePasswordLineEdit->text() != ui->passwordLineEdit->text()) {
        setErrorLook(ui->surePasswordLineEdit);
        ui->errorLabel->setText("两次输入密码不相同!");
        return;
    }
    newPassword = ui->passwordLineEdit->text();
    if (m_httpClient)
        m_httpClient->sendCheckVerificationCode(mobilePhone, verificationCode);
}

void UpdatePasswordByMobile::slotVerificationResult(const QString &reply)
{
    QString outcome;
    if (readReply(reply, outcome) && outcome == "success") {
        if (m_httpClient)
            m_httpClient->sendModifyUserPassWord(mobilePhone, verificationCode, newPassword);
        return;
    }
    ui->checkLineEdit->clear();
    setErrorLook(ui->checkLineEdit);
    ui->errorLabel->setText("验证码错误!");
    countdownTimer->stop();
    setGetCodeButtonAtRest();
}

void UpdatePasswordByMobile::slotHttpUpdatePasswordResult(const QString &reply)
{
    ui->errorLabel->clear();
    QString outcome;
    if (!readReply(reply, outcome)) {
        qDebug() << "data is error";
        tipWidget->showTip(" 修改密码失败，请稍后再试!", 5);
    } else if (outcome == "success") {
        ui->checkLineEdit->clear();
        ui->passwordLineEdit->clear();
        ui->surePasswordLineEdit->clear();
        ui->passwordWidget->hide();
        tipWidget->showTip(" 修改密码成功!", 5);
    } else {
        tipWidget->showTip(outcome, 5);
    }
    countdownTimer->stop();
    setGetCodeButtonAtRest();
}

void UpdatePasswordByMobile::slotExitPushButtonClicked()
{
    ui->passwordWidget->hide();
    emit signalCloseWindow();
}

void UpdatePasswordByMobile::verifymobilePhoneLineEdit(const QString &text)
{
    setNormalLook(ui->mobilLineEdit);
    if (text.size() > 11)
        informationBox("手机号输入超过最大限度");
    QString cleaned;
    if (clean(text, digits, cleaned)) {
        ui->mobilLineEdit->setText(cleaned);
        informationBox("手机号存在非法字符");
    }
}

void UpdatePasswordByMobile::verifyCheckNumberLineEdit(const QString &text)
{
    setNormalLook(ui->checkLineEdit);
    if (text.size() > 6)
        informationBox("验证码输入超过最大限度");
    QString cleaned;
    if (clean(text, digits, cleaned)) {
        ui->checkLineEdit->setText(cleaned);
        informationBox("验证码存在非法字符");
    }
}

void UpdatePasswordByMobile::verifyPassword(const QString &text)
{
    setNormalLook(ui->passwordLineEdit);
    setNormalLook(ui->surePasswordLineEdit);
    if (text.size() > 16)
        informationBox("密码输入超过最大限度");
    QString cleaned;
    if (clean(text, lettersAndDigits, cleaned)) {
        auto *edit = qobject_cast<QLineEdit *>(sender());
        if (!edit)
            edit = ui->passwordLineEdit;
        edit->setText(cleaned);
        informationBox("密码存在非法字符");
    }
}
