#include "vrek/userinfo/bindtipview.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/utils/stringutil.h"
#include "vrek/viewui/plaintext.h"
#include "vrek/viewui/tipwidget.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
const char *const rowRule = "QWidget{\nborder-bottom:0.5px solid  rgb(219, 219, 219);}";
const char *const nameLabelRule = "QLabel{\n    border-bottom:no;\n}";
const char *const labelRule = "QLabel{\nborder-bottom:no;\n}";
const char *const tipStyle = "color: rgb(255, 0, 0);";
const char *const success = "success";
const char *const expiredLoginStatus = "1";

// The row captions' spacers, and their narrower widths on a scaled interface.
const int nameSpacerWidth = 360;
const int phoneSpacerWidth = 345;
const int classSpacerWidth = 361;
const int passwordSpacerWidth = 357;
const int oldSpacerWidth = 339;
const int newSpacerWidth = 340;
const int sureSpacerWidth = 324;
const int spacerHeight = 10;

QLabel *label(QWidget *parent, const char *name, const QString &text, const char *style)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(name);
    if (style)
        result->setStyleSheet(style);
    return result;
}

QLineEdit *passwordEdit(QWidget *parent, const char *name, const QString &placeholder)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QSpacerItem *captionSpacer(int width)
{
    return new QSpacerItem(width, spacerHeight, QSizePolicy::Fixed, QSizePolicy::Minimum);
}

void narrow(QSpacerItem *spacer, int width)
{
    spacer->changeSize(width, spacerHeight, QSizePolicy::Minimum, QSizePolicy::Minimum);
}

// The spacers' widths were measured for the Windows font: with the installed one the captions differ in width
// otherwise, and the values after them would not line up. Each spacer gives up or takes what its caption differs
// by, so that every value starts where the furthest one would.
void alignValues(const QList<QPair<QLabel *, QSpacerItem *>> &rows)
{
    int column = 0;
    for (const auto &row : rows)
        column = qMax(column, row.first->sizeHint().width() + row.second->sizeHint().width());
    for (const auto &row : rows) {
        const QSizePolicy policy = row.second->sizePolicy();
        row.second->changeSize(column - row.first->sizeHint().width(), spacerHeight, policy.horizontalPolicy(),
            policy.verticalPolicy());
    }
}
} // namespace

BindTipView::BindTipView(QWidget *parent)
    : QWidget(parent)
    , m_setting(SettingConfig::getSetting())
{
    buildForm();
    initial();
}

BindTipView::~BindTipView()
{
    m_tipWidget->deleteLater();
}

void BindTipView::buildForm()
{
    setObjectName("BindTipView");
    resize(893, 514);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");

    m_horizontalWidget = new QWidget(this);
    m_horizontalWidget->setObjectName("horizontalWidget");
    m_horizontalWidget->setMaximumHeight(60);
    auto *topLayout = new QHBoxLayout(m_horizontalWidget);
    m_personLabel
        = label(m_horizontalWidget, "personLabel", QStringLiteral("个人中心"), "QLabel{\n    font-size:27px;}");
    topLayout->addWidget(m_personLabel);
    verticalLayout->addWidget(m_horizontalWidget);

    // The data area: four rows under a rule, the caption, its spacer and the value.
    m_verticalWidget = new QWidget(this);
    m_verticalWidget->setObjectName("verticalWidget");
    m_verticalWidget->setMaximumHeight(600);
    m_verticalWidget->setStyleSheet("background-color: rgb(241, 243, 250);");
    m_verticalWidget->setAttribute(Qt::WA_StyledBackground);
    auto *dataLayout = new QVBoxLayout(m_verticalWidget);
    // A row under a rule: its caption, the caption's spacer, then what the caller adds.
    struct Row
    {
        QWidget *widget;
        QHBoxLayout *layout;
        QLabel *caption;
    };
    const auto row = [this, dataLayout](const char *name, const char *captionName, const QString &captionText,
                         const char *labelStyle, QSpacerItem *&spacer, int width) {
        auto *widget = new QWidget(m_verticalWidget);
        widget->setObjectName(name);
        widget->setStyleSheet(rowRule);
        widget->setAttribute(Qt::WA_StyledBackground);
        auto *layout = new QHBoxLayout(widget);
        QLabel *caption = label(widget, captionName, captionText, labelStyle);
        spacer = captionSpacer(width);
        layout->addWidget(caption);
        layout->addItem(spacer);
        dataLayout->addWidget(widget);
        return Row { widget, layout, caption };
    };

    const Row nameRow
        = row("nameWiget", "userNameLabel", QStringLiteral("姓名"), nameLabelRule, m_nameSpacer, nameSpacerWidth);
    m_nameWiget = nameRow.widget;
    m_userNameLabel = nameRow.caption;
    QFont captionFont = m_userNameLabel->font();
    captionFont.setPointSize(12);
    m_userNameLabel->setFont(captionFont);
    m_nameLabel = label(m_nameWiget, "nameLabel", QString(), nameLabelRule);
    m_nameLabel->setTextFormat(Qt::PlainText);
    nameRow.layout->addWidget(m_nameLabel, 1);

    const Row phoneRow
        = row("phoneWidget", "label_2", QStringLiteral("手机号"), labelRule, m_phoneSpacer, phoneSpacerWidth);
    m_phoneWidget = phoneRow.widget;
    m_phoneCaption = phoneRow.caption;
    m_phoneLabel = label(m_phoneWidget, "phoneLabel", QString(), labelRule);
    m_phoneLabel->setTextFormat(Qt::PlainText);
    phoneRow.layout->addWidget(m_phoneLabel, 1);

    const Row classRow
        = row("classWidget", "classLabel", QStringLiteral("年级"), labelRule, m_classSpacer, classSpacerWidth);
    m_classWidget = classRow.widget;
    m_classWidget->setMinimumSize(400, 40);
    m_classLabel = classRow.caption;
    m_classNameLabel = label(m_classWidget, "classNameLabel", QString(), labelRule);
    m_classNameLabel->setTextFormat(Qt::PlainText);
    classRow.layout->addWidget(m_classNameLabel, 1);

    const Row passwordRow = row(
        "oldPasswordWidget", "passwordlabel", QStringLiteral("密码"), labelRule, m_passwordSpacer, passwordSpacerWidth);
    m_oldPasswordWidget = passwordRow.widget;
    m_passwordlabel = passwordRow.caption;
    m_passwordLineEdit = new QLineEdit(m_oldPasswordWidget);
    m_passwordLineEdit->setObjectName("passwordLineEdit");
    m_passwordLineEdit->setEchoMode(QLineEdit::Password);
    m_resetButton = new QPushButton(QStringLiteral("修改"), m_oldPasswordWidget);
    m_resetButton->setObjectName("resetButton");
    m_resetButton->setStyleSheet("color: rgb(153, 153, 153);");
    passwordRow.layout->addWidget(m_passwordLineEdit, 1);
    passwordRow.layout->addWidget(m_resetButton);
    verticalLayout->addWidget(m_verticalWidget);

    // The change panel: old, new and confirming password, each with a red tip.
    m_passwordWidget = new QWidget(this);
    m_passwordWidget->setObjectName("passwordWidget");
    m_passwordWidget->setMaximumHeight(600);
    m_passwordWidget->setStyleSheet("background-color: rgb(235, 236, 241);");
    m_passwordWidget->setAttribute(Qt::WA_StyledBackground);
    auto *changeLayout = new QVBoxLayout(m_passwordWidget);
    const auto changeRow = [this, changeLayout](const char *labelName, const QString &caption, QLineEdit *edit,
                               QLabel *tip, QSpacerItem *&spacer, int width) {
        auto *layout = new QHBoxLayout;
        spacer = captionSpacer(width);
        layout->addWidget(label(m_passwordWidget, labelName, caption, nullptr));
        layout->addItem(spacer);
        layout->addWidget(edit, 1);
        layout->addWidget(tip, 1);
        changeLayout->addLayout(layout);
    };
    m_oldPasswordLineEdit = passwordEdit(m_passwordWidget, "oldPasswordLineEdit", QStringLiteral("请输入原密码"));
    m_oldPasswordTip = label(m_passwordWidget, "oldPasswordTip", QString(), tipStyle);
    changeRow("label", QStringLiteral("原密码"), m_oldPasswordLineEdit, m_oldPasswordTip, m_oldSpacer, oldSpacerWidth);
    m_newPasswordLineEdit
        = passwordEdit(m_passwordWidget, "newPasswordLineEdit", QStringLiteral("请输入6-16位数字或字母"));
    m_newPasswordTip = label(m_passwordWidget, "newPasswordTip", QString(), tipStyle);
    changeRow(
        "label_5", QStringLiteral("新密码"), m_newPasswordLineEdit, m_newPasswordTip, m_newSpacer, newSpacerWidth);
    m_surePasswordLineEdit = passwordEdit(m_passwordWidget, "surePasswordLineEdit", QStringLiteral("请再次确认新密码"));
    m_surePasswordTip = label(m_passwordWidget, "surePasswordTip", QString(), tipStyle);
    changeRow("label_6", QStringLiteral("确认密码"), m_surePasswordLineEdit, m_surePasswordTip, m_sureSpacer,
        sureSpacerWidth);
    verticalLayout->addWidget(m_passwordWidget);

    m_buttonWidget = new QWidget(this);
    m_buttonWidget->setObjectName("buttonWidget");
    auto *buttonLayout = new QHBoxLayout(m_buttonWidget);
    m_sureButton = new QPushButton(m_buttonWidget);
    m_sureButton->setObjectName("sureButton");
    m_sureButton->setMinimumSize(74, 34);
    m_sureButton->setStyleSheet("border-image: url(:/vrek/image/person/sure.png);");
    m_cancelButton = new QPushButton(m_buttonWidget);
    m_cancelButton->setObjectName("cancelButton");
    m_cancelButton->setMinimumSize(74, 34);
    m_cancelButton->setStyleSheet("border-image: url(:/vrek/image/person/cancelhover.png);");
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_sureButton);
    buttonLayout->addWidget(m_cancelButton);
    buttonLayout->addStretch();
    // The buttons belong to the change panel: they come and go with it.
    changeLayout->addWidget(m_buttonWidget);
    verticalLayout->addStretch();
}

void BindTipView::initial()
{
    m_tipWidget = new TipWidget(this);
    m_tipWidget->setFixedSize(int(200 * g_uiScale), int(35 * g_uiScale));
    m_tipWidget->adjustSize();
    m_tipWidget->hideCloseButton();
    m_tipWidget->setStyleSheet("QWidget{background-color:#ff8214;}");
    m_tipWidget->move((width() - m_tipWidget->width()) / 2, (height() - m_tipWidget->height()) / 2);

    m_passwordWidget->hide();
    m_passwordLineEdit->setEnabled(false);

    if (g_uiScale > 1.2) {
        narrow(m_phoneSpacer, 336);
        if (g_uiScale > 1.3) {
            narrow(m_oldSpacer, 333);
            narrow(m_newSpacer, 333);
            narrow(m_sureSpacer, 308);
        } else {
            narrow(m_oldSpacer, 336);
            narrow(m_newSpacer, 336);
            narrow(m_sureSpacer, 317);
        }
    }
    alignValues({ { m_userNameLabel, m_nameSpacer }, { m_phoneCaption, m_phoneSpacer }, { m_classLabel, m_classSpacer },
        { m_passwordlabel, m_passwordSpacer } });
    alignValues({ { findChild<QLabel *>("label"), m_oldSpacer }, { findChild<QLabel *>("label_5"), m_newSpacer },
        { findChild<QLabel *>("label_6"), m_sureSpacer } });
    for (QLayout *layout : findChildren<QLayout *>())
        layout->invalidate();

    connect(m_resetButton, &QPushButton::clicked, m_passwordWidget, &QWidget::show);
    connect(m_sureButton, &QPushButton::clicked, this, &BindTipView::updateDataInfo);
    connect(m_cancelButton, &QPushButton::clicked, m_passwordWidget, &QWidget::hide);
    for (QLineEdit *edit : { m_oldPasswordLineEdit, m_newPasswordLineEdit, m_surePasswordLineEdit })
        connect(edit, &QLineEdit::textChanged, this, &BindTipView::verifyPassword);
    if (g_httpClientManager) {
        connect(
            g_httpClientManager, &HttpClientManager::signalGetPersonalData, this, &BindTipView::slotGetPersonalData);
        connect(
            g_httpClientManager, &HttpClientManager::signalSavePersonalData, this, &BindTipView::slotSavePersonalData);
    } else {
        qWarning() << "the http client manager is not created, the password cannot be changed!";
    }
}

void BindTipView::updatePersonalInfo()
{
    m_passwordWidget->hide();
    m_oldPasswordLineEdit->clear();
    m_newPasswordLineEdit->clear();
    m_surePasswordLineEdit->clear();
    // The lecturer's side has no grade.
    m_classWidget->setVisible(g_userType != 0);
    m_classNameLabel->setText(StringUtil::clippedText(g_gradeClassName));
    m_nameLabel->setText(StringUtil::clippedText(g_userName));
    m_passwordLineEdit->setText(g_passWord);
    m_phoneLabel->setText(StringUtil::clippedText(g_mobile));
}

bool BindTipView::filterPasswordText(QString &text)
{
    const QString allowed = QString::fromLatin1(GlobalDefault::idAlphabet);
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : qAsConst(text)) {
        if (stringContainsChar(c, allowed))
            kept.append(c);
    }
    const bool clean = kept.size() == text.size();
    text = kept;
    return clean;
}

void BindTipView::informationBox(const QString &text)
{
    PlainText::message(this, QMessageBox::Information, QStringLiteral("提示"), text);
}

void BindTipView::verifyPassword(const QString &text)
{
    if (text.size() > maxPasswordLength)
        informationBox(QStringLiteral("密码输入超过最大限度"));
    QString filtered = text;
    if (filterPasswordText(filtered))
        return;
    for (QLineEdit *edit : { m_oldPasswordLineEdit, m_newPasswordLineEdit, m_surePasswordLineEdit }) {
        if (edit->text() == text) {
            edit->setText(filtered);
            break;
        }
    }
    informationBox(QStringLiteral("密码存在非法字符"));
}

bool BindTipView::checkPasswordInput()
{
    if (m_oldPasswordLineEdit->text() != g_passWord) {
        m_oldPasswordLineEdit->clear();
        m_oldPasswordTip->setText(QStringLiteral("原密码输入错误请重新输入"));
        return false;
    }
    m_oldPasswordTip->clear();
    const QString newPassWord = m_newPasswordLineEdit->text();
    if (m_surePasswordLineEdit->text() != newPassWord) {
        m_newPasswordTip->setText(QStringLiteral("两次输入密码不一致，请重新输入"));
        return false;
    }
    if (newPassWord.size() < minPasswordLength) {
        m_newPasswordTip->setText(QStringLiteral("密码输入低于最小限度"));
        return false;
    }
    m_newPasswordTip->clear();
    if (newPassWord == g_passWord) {
        m_newPasswordTip->setText(QStringLiteral("新密码与原密码相同，请重新输入"));
        return false;
    }
    return true;
}

void BindTipView::updateDataInfo()
{
    if (!checkPasswordInput())
        return;
    m_newPassWord = m_newPasswordLineEdit->text();
    if (g_httpClientManager)
        g_httpClientManager->sendModifyNewPassByOldPass(g_passWord, m_newPassWord);
    else
        qWarning() << "the http client manager is not created, the password is not changed!";
}

void BindTipView::slotSavePersonalData(const QString &reply)
{
    qDebug() << reply;
    QString loginStatus;
    QString result;
    const bool parsed = StringUtil::httpJsonToMap(reply, loginStatus, result);
    if (parsed && loginStatus == QLatin1String(expiredLoginStatus)) {
        emit signalReLoginOut();
        return;
    }
    slotSaveData(parsed ? result : QString());
}

void BindTipView::slotSaveData(const QString &result)
{
    if (result != QLatin1String(success)) {
        m_tipWidget->showTip(QStringLiteral("  修改密码失败，请稍后再试!"), tipSeconds);
        return;
    }
    g_passWord = m_newPassWord;
    m_setting.setValue("userinfo/password", m_newPassWord);
    m_tipWidget->showTip(QStringLiteral("   修改成功"), tipSeconds);
    m_oldPasswordLineEdit->clear();
    m_newPasswordLineEdit->clear();
    m_surePasswordLineEdit->clear();
    m_passwordWidget->hide();
}

void BindTipView::slotGetPersonalData(const QString &reply)
{
    qDebug() << reply;
    JsonRows rows;
    QString loginStatus;
    StringUtil::httpJsonToList(reply, rows, loginStatus);
    updatePersonalInfo();
}
