#include "vrek/userinfo/userbindview.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/utils/httprequest.h"

#include <QDebug>
#include <QGridLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QUrlQuery>

namespace {
const char *const phonePattern = "^[1][0-9]{10}";
const char *const codePattern = "^[0-9]{6}";
const char *const codeRequest = "code";
const char *const bindRequest = "bind";
const char *const codeButtonText = "发送验证码";
const char *const refusedStatus = "error";
// The binding service answers on the web host's port 80 whatever port the rest of the site uses.
const char *const codeAddress = "http://%1:80/personalInfo/getVerificationCode/7/teacher/%2";
const char *const bindAddress = "http://%1:80/mobile/httpBindingMobile/";
const char *const checkType = "7";

bool fullMatch(const char *pattern, const QString &text)
{
    QRegularExpressionValidator validator { QRegularExpression(QString::fromLatin1(pattern)) };
    QString input = text;
    int position = 0;
    return validator.validate(input, position) == QValidator::Acceptable;
}
} // namespace

UserBindView::UserBindView(QWidget *parent)
    : QWidget(parent)
    , m_httpRequest(new HttpRequest(this))
    , m_timer(new QTimer(this))
{
    buildForm();
    m_timer->setInterval(m_tickMs);
    connect(m_timer, &QTimer::timeout, this, &UserBindView::slotTimer);
    connect(m_httpRequest, &HttpRequest::signalFinish, this, &UserBindView::slotHttpMessage);
    connect(m_codeButton, &QPushButton::clicked, this, &UserBindView::slotCodeBtn);
    connect(m_bindButton, &QPushButton::clicked, this, &UserBindView::slotBindBtn);
    connect(m_cancelButton, &QPushButton::clicked, this, &UserBindView::slotCancleBtn);
}

UserBindView::~UserBindView() = default;

void UserBindView::buildForm()
{
    setObjectName("UserBindView");
    auto *layout = new QGridLayout(this);
    m_phoneLineEdit = new QLineEdit(this);
    m_phoneLineEdit->setObjectName("phoneLineEdit");
    m_phoneLineEdit->setPlaceholderText(QStringLiteral("请输入手机号"));
    m_phoneLineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(phonePattern)), m_phoneLineEdit));
    m_phoneHintLabel = new QLabel(QStringLiteral("请输入正确的手机号"), this);
    m_phoneHintLabel->setObjectName("phoneHintLabel");
    m_phoneHintLabel->setStyleSheet("color: rgb(255, 0, 0);");
    m_codeLineEdit = new QLineEdit(this);
    m_codeLineEdit->setObjectName("codeLineEdit");
    m_codeLineEdit->setPlaceholderText(QStringLiteral("请输入验证码"));
    m_codeLineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(codePattern)), m_codeLineEdit));
    m_codeButton = new QPushButton(QString::fromUtf8(codeButtonText), this);
    m_codeButton->setObjectName("codeButton");
    m_messageLabel = new QLabel(QStringLiteral("请输入6位数字验证码"), this);
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_messageLabel->setObjectName("messageLabel");
    m_messageLabel->setStyleSheet("color: rgb(255, 0, 0);");
    m_bindButton = new QPushButton(QStringLiteral("绑定"), this);
    m_bindButton->setObjectName("bindButton");
    m_cancelButton = new QPushButton(QStringLiteral("跳过"), this);
    m_cancelButton->setObjectName("cancelButton");
    layout->addWidget(m_phoneLineEdit, 0, 0, 1, 2);
    layout->addWidget(m_phoneHintLabel, 1, 0, 1, 2);
    layout->addWidget(m_codeLineEdit, 2, 0);
    layout->addWidget(m_codeButton, 2, 1);
    layout->addWidget(m_messageLabel, 3, 0, 1, 2);
    layout->addWidget(m_bindButton, 4, 0);
    layout->addWidget(m_cancelButton, 4, 1);
    m_phoneHintLabel->hide();
    m_messageLabel->hide();
}

void UserBindView::setTickInterval(int ms)
{
    m_tickMs = ms;
    m_timer->setInterval(ms);
}

QUrl UserBindView::codeUrl(const QString &mobile)
{
    return QUrl(QString::fromLatin1(codeAddress).arg(g_webHost, mobile));
}

QUrl UserBindView::bindUrl(const QString &mobile, const QString &code)
{
    QUrl url(QString::fromLatin1(bindAddress).arg(g_webHost));
    QUrlQuery query;
    query.addQueryItem("userId", g_userId);
    query.addQueryItem("loginSignId", g_loginSignId);
    query.addQueryItem("userCode", mobile);
    query.addQueryItem("vCode", code);
    query.addQueryItem("checkType", checkType);
    url.setQuery(query);
    return url;
}

bool UserBindView::isPhoneAcceptable(const QString &mobile)
{
    return fullMatch(phonePattern, mobile);
}

bool UserBindView::isCodeAcceptable(const QString &code)
{
    return fullMatch(codePattern, code);
}

bool UserBindView::isCountingDown() const
{
    return m_timer->isActive();
}

void UserBindView::sendRequest(const QString &requestName, const QUrl &url)
{
    m_httpRequest->post(requestName, url, QByteArray(), requestTimeLimitMs);
}

void UserBindView::slotCodeBtn()
{
    m_phoneHintLabel->hide();
    m_messageLabel->hide();
    const QString mobile = m_phoneLineEdit->text();
    if (!isPhoneAcceptable(mobile)) {
        m_phoneHintLabel->show();
        return;
    }
    sendRequest(QString::fromLatin1(codeRequest), codeUrl(mobile));
    m_timer->start(m_tickMs);
    m_codeButton->setEnabled(false);
    m_countdown = countdownTicks;
    m_codeButton->setText(QString("%1").arg(m_countdown / 2));
}

void UserBindView::slotTimer()
{
    --m_countdown;
    m_codeButton->setText(QString("%1").arg(m_countdown / 2));
    if (m_countdown <= 0) {
        m_codeButton->setEnabled(true);
        m_codeButton->setText(QString::fromUtf8(codeButtonText));
        m_timer->stop();
    }
}

void UserBindView::slotBindBtn()
{
    m_phoneHintLabel->hide();
    m_messageLabel->hide();
    const QString mobile = m_phoneLineEdit->text();
    const QString code = m_codeLineEdit->text();
    if (!isPhoneAcceptable(mobile)) {
        m_phoneHintLabel->show();
        return;
    }
    if (!isCodeAcceptable(code)) {
        m_messageLabel->show();
        return;
    }
    sendRequest(QString::fromLatin1(bindRequest), bindUrl(mobile, code));
}

void UserBindView::slotCancleBtn()
{
    uncoverPage();
}

void UserBindView::slotHttpMessage(
    QNetworkReply::NetworkError error, const QString &requestName, const QByteArray &responseData)
{
    qInfo() << "requestName:" << requestName << "error:" << error << "data:" << responseData;
    if (error != QNetworkReply::NoError)
        return;
    if (requestName == QLatin1String(codeRequest)) {
        qInfo() << "the verification code reply:" << responseData;
        return;
    }
    if (requestName != QLatin1String(bindRequest))
        return;
    const QJsonDocument document = QJsonDocument::fromJson(responseData);
    if (document.isNull())
        return;
    const QJsonObject reply = document.object();
    if (reply.value("requestStatus").toString() != QLatin1String(refusedStatus)) {
        uncoverPage();
        return;
    }
    m_messageLabel->setText(StringUtil::clippedText(reply.value("requestBody").toString()));
    m_messageLabel->show();
}

void UserBindView::uncoverPage()
{
    if (!m_coverPage) {
        qWarning() << "the view has no page to uncover!";
        return;
    }
    // Over the view, in the coordinates of the page's own parent.
    QRect area = rect();
    QWidget *host = m_coverPage->parentWidget();
    if (host != this) {
        const QPoint global = mapToGlobal(QPoint());
        area.moveTopLeft(host ? host->mapFromGlobal(global) : global);
    }
    m_coverPage->setGeometry(area);
    m_coverPage->raise();
    m_coverPage->show();
}
