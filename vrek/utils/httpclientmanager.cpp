#include "vrek/utils/httpclientmanager.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httphash.h"
#include "vrek/utils/networkengine.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QStringList>
#include <QThread>
#include <QTimer>

HttpClientManager *g_httpClientManager = nullptr;

namespace {
const char *const roleType = "26946";
const char *const verificationType = "10";
const unsigned int requestIdLength = 40;
} // namespace

HttpClientManager::HttpClientManager(QObject *parent)
    : QObject(parent)
    , m_manager(g_networkEngine ? g_networkEngine->networkManager() : nullptr)
    , m_httpHash(new HttpHash())
    , m_baseUrl(QString("http://%1:%2").arg(g_webHost, g_webPort))
{
    if (!m_manager)
        qWarning() << "the network engine has no manager yet; requests will fail";
}

HttpClientManager::~HttpClientManager()
{
    for (const PendingRequest &pending : qAsConst(m_pending))
        pending.timer->stop();
    delete m_httpHash;
    if (g_httpClientManager == this)
        g_httpClientManager = nullptr;
}

void HttpClientManager::setRequestTimeouts(int requestMs, int schoolLookupMs)
{
    m_requestTimeoutMs = requestMs;
    m_schoolLookupTimeoutMs = schoolLookupMs;
}

void HttpClientManager::setDnsUrl(const QString &domain)
{
    m_baseUrl = QString("http://%1").arg(domain);
}

void HttpClientManager::sendAttendCourseList(const QString &lessonType, const QString &pageIndex)
{
    QHash<QString, QString> params;
    params.insert("lessonType", lessonType);
    params.insert("pageIndex", pageIndex);
    params.insert("userId", g_userId);
    params.insert("loginSignId", g_loginSignId);
    sendHttpRequest(QString("%1/mobile/httpGetAttendCourseList").arg(m_baseUrl), params, HttpEngine::Post);
    m_courseListRequestId = m_lastRequestId;
}

void HttpClientManager::sendDataExportRequest(int exportType, const QString &fields)
{
    const QStringList parts = fields.split('\t');
    if (parts.size() < 4) {
        qWarning() << "the export fields are too few, fields:" << fields;
        return;
    }
    QHash<QString, QString> params;
    params.insert("userId", g_userId);
    params.insert("lessonType", parts.at(0));
    params.insert("loginSignId", g_loginSignId);
    params.insert("videoId", parts.at(3));
    params.insert("id", parts.at(2));
    params.insert("parentId", parts.at(1));
    params.insert("exportType", QString::number(exportType));
    sendHttpRequest(QString("%1/mobile/exportStatistics").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendGetSchoolName(const QString &doMainName)
{
    QHash<QString, QString> params;
    params.insert("doMainName", doMainName);
    sendHttpRequest(QString("%1:8766/mobile/getSchoolNameByDomainName").arg(m_baseUrl), params, HttpEngine::Post,
        m_schoolLookupTimeoutMs);
}

void HttpClientManager::sendGetVerificationCode(const QString &mobilePhone)
{
    QHash<QString, QString> params;
    params.insert("mobilePhone", mobilePhone);
    params.insert("roleType", roleType);
    params.insert("verificationType", verificationType);
    sendHttpRequest(QString("%1/personalInfo/getPostVerificationCode").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendGetVideoUrl(const QString &videoId, const QString &userId, const QString &loginSignId)
{
    QHash<QString, QString> params;
    params.insert("videoId", videoId);
    params.insert("userId", userId);
    params.insert("loginSignId", loginSignId);
    sendHttpRequest(QString("%1/lesson/review/getVideoUrl").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendHttpElapsed()
{
    QHash<QString, QString> params;
    params.insert("heard", "3");
    params.insert("userId", g_userId);
    params.insert("loginSignId", g_loginSignId);
    sendHttpRequest(QString("%1/mobile/httpElapsed").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendUserLogin(const QString &userCode, const QString &passWord, const QString &loginFlag)
{
    m_loginFlag = loginFlag;
    QHash<QString, QString> params;
    params.insert("userCode", userCode);
    params.insert("passWord", passWord);
    params.insert("roleType", roleType);
    sendHttpRequest(QString("%1/mobile/httpUserLogin").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendModifyUserPassWord(const QString &userCode, const QString &vCode, const QString &passWord)
{
    QHash<QString, QString> params;
    params.insert("userCode", userCode);
    params.insert("roleType", roleType);
    params.insert("vCode", vCode);
    params.insert("passWord", passWord);
    sendHttpRequest(QString("%1/mobile/httpForgetModifyUserPassWord").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendCourseReview(const QString &lessonType, int pageIndex)
{
    QHash<QString, QString> params;
    params.insert("lessonType", lessonType);
    params.insert("pageIndex", QString::number(pageIndex));
    params.insert("loginSignId", g_loginSignId);
    params.insert("userId", g_userId);
    sendHttpRequest(QString("%1/mobile/courseReview").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendDeleteVideo(const QString &videoId)
{
    QHash<QString, QString> params;
    params.insert("videoId", videoId);
    params.insert("loginSignId", g_loginSignId);
    params.insert("userId", g_userId);
    sendHttpRequest(QString("%1/mobile/delVideo").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendLessonList(const QString &id, const QString &lessonType, const QString &status,
    const QString &isParent, int pageIndex, int countIndex, const QString &sortByTimes)
{
    QHash<QString, QString> params;
    params.insert("id", id);
    params.insert("lessonType", lessonType);
    params.insert("status", status);
    params.insert("isParent", isParent);
    params.insert("loginSignId", g_loginSignId);
    params.insert("userId", g_userId);
    params.insert("pageIndex", QString::number(pageIndex));
    params.insert("countIndex", QString::number(countIndex));
    params.insert("sortByTimes", sortByTimes);
    sendHttpRequest(QString("%1/mobile/lessonList").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendModifyNewPassByOldPass(const QString &oldPassWord, const QString &newPassWord)
{
    QHash<QString, QString> params;
    params.insert("accountId", g_accountId);
    params.insert("loginSignId", g_loginSignId);
    params.insert("userId", g_userId);
    params.insert("oldPassWord", oldPassWord);
    params.insert("newPassWord", newPassWord);
    sendHttpRequest(QString("%1/mobile/httpModifyNewPassByOldPass").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendVerificationMobilePhone(const QString &userCode)
{
    QHash<QString, QString> params;
    params.insert("userCode", userCode);
    params.insert("roleType", roleType);
    sendHttpRequest(QString("%1/mobile/httpVerificationMobilePhone").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendCheckVerificationCode(const QString &mobilePhone, const QString &verificationCode)
{
    QHash<QString, QString> params;
    params.insert("mobilePhone", mobilePhone);
    params.insert("roleType", roleType);
    params.insert("verificationType", verificationType);
    params.insert("verificationCode", verificationCode);
    sendHttpRequest(QString("%1/personalInfo/checkPostVerificationCode").arg(m_baseUrl), params, HttpEngine::Post);
}

void HttpClientManager::sendHttpRequest(const QString &url, const QHash<QString, QString> &params, int requestType)
{
    sendHttpRequest(url, params, requestType, m_requestTimeoutMs);
}

void HttpClientManager::sendHttpRequest(
    const QString &url, const QHash<QString, QString> &params, int requestType, int timeoutMs)
{
    QString requestId;
    do {
        requestId = StringUtil::randomString(requestIdLength, QString::fromLatin1(GlobalDefault::idAlphabet));
    } while (m_httpHash->containsHttpNetwork(requestId) || m_pending.contains(requestId));

    HttpEngine *engine = new HttpEngine(requestId, url, params, requestType, m_manager);
    if (m_manager)
        engine->moveToThread(m_manager->thread());
    m_httpHash->insertHttpNetwork(requestId, engine);
    // Queued even when the engine shares this thread, so that no answer arrives inside the send.
    connect(engine, &HttpEngine::signalRequestResult, this, &HttpClientManager::recvHttpRequest, Qt::QueuedConnection);

    // Every request has a time-out of its own: a later request must not leave an earlier one unanswered.
    PendingRequest pending;
    pending.url = url;
    pending.loginFlag = m_loginFlag;
    pending.timer = new QTimer(this);
    pending.timer->setSingleShot(true);
    pending.timer->setProperty("requestId", requestId);
    connect(pending.timer, &QTimer::timeout, this, &HttpClientManager::slotConnectTimeoutIn);
    m_pending.insert(requestId, pending);
    m_lastRequestId = requestId;
    m_lastRequestUrl = url;

    const QMetaObject::Connection start
        = connect(this, &HttpClientManager::signalStartRequest, engine, &HttpEngine::start);
    emit signalStartRequest();
    disconnect(start);

    pending.timer->start(timeoutMs);
}

void HttpClientManager::slotConnectTimeoutIn()
{
    QTimer *timer = qobject_cast<QTimer *>(sender());
    if (!timer)
        return;
    const QString requestId = timer->property("requestId").toString();
    const auto it = m_pending.constFind(requestId);
    if (it == m_pending.constEnd())
        return;
    const QString url = it->url; // the entry goes before the routing ends
    qDebug() << "httpRequest timeout!" << url;
    recvHttpRequest(requestId, url, HttpEngine::Success, "error");
}

void HttpClientManager::recvHttpRequest(
    const QString &requestId, const QString &url, HttpEngine::RequestStatus status, const QString &body)
{
    const auto it = m_pending.find(requestId);
    if (it == m_pending.end()) {
        // Already answered by its time-out: the caller has its one answer.
        qWarning() << "id not exist!" << requestId << "url:" << url;
        return;
    }
    const PendingRequest pending = it.value();
    m_pending.erase(it);
    pending.timer->stop();
    pending.timer->deleteLater();

    if (status != HttpEngine::Success)
        qWarning() << "http error!" << url;
    m_httpHash->deleteHttpNetWork(requestId);
    if (url.endsWith("httpGetAttendCourseList") && requestId != m_courseListRequestId) {
        qDebug() << "a newer course list was asked for, the answer is dropped! id:" << requestId;
        return;
    }
    route(url, body, pending.loginFlag);
}

void HttpClientManager::route(const QString &url, const QString &body, const QString &loginFlag)
{
    if (url.endsWith("lessonList"))
        emit signalReviewLessonProtocol(body);
    else if (url.endsWith("courseReview"))
        emit signalReviewCourseProtocol(body);
    else if (url.endsWith("delVideo"))
        emit signalReviewDeleteProtocol(body);
    else if (url.endsWith("exportStatistics"))
        emit signalExportTable(body);
    else if (url.endsWith("getVideoUrl"))
        emit signalGetVideoList(body);
    else if (url.endsWith("getSchoolNameByDomainName"))
        emit signalGetProvider(body);
    else if (url.endsWith("httpUserLogin"))
        emit signalLoginResult(body, loginFlag);
    else if (url.endsWith("httpGetAttendCourseList"))
        emit signalCourseList(body);
    else if (url.endsWith("httpElapsed"))
        emit signalHttpElapsed(body);
    else if (url.endsWith("getUserInfo"))
        emit signalGetPersonalData(body);
    else if (url.endsWith("httpModifyNewPassByOldPass"))
        emit signalSavePersonalData(body);
    else if (url.endsWith("httpVerificationMobilePhone"))
        emit signalVerificationMobile(body);
    else if (url.endsWith("httpForgetModifyUserPassWord"))
        emit signalModifyUserPassWord(body);
    else if (url.endsWith("personalInfo/getPostVerificationCode"))
        emit signalVerification(body);
    else if (url.endsWith("personalInfo/checkPostVerificationCode"))
        emit signalVerificationResult(body);
    else
        qWarning() << "unknow url" << url << body;
}
