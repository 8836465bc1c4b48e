#include "vrek/connectservermanager.h"

#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QTimer>

namespace {
const char *const restLoginMarker = "0";
// A REST login reply that cannot be read and carries this status holds the refusal's code in its body.
const char *const refusedStatus = "2";
// The server's codes for "signed in elsewhere" and "unknown user" differ from the ones this client shows.
const int serverSignedInElsewhere = 4;
const int serverUnknownUser = 3;
const unsigned int resultSuccess = 0;
const unsigned int resultServerTimeout = 3;
const unsigned int resultSignedInElsewhere = 7;
const unsigned int resultUnknownUser = 5;
const unsigned int resultBadParameters = 6;

} // namespace

ConnectServerManager::ConnectServerManager(
    QObject *parent, SocketClientManager *socketClient, HttpClientManager *httpClient)
    : QObject(parent)
    , m_stepTimer(new QTimer(this))
    , m_closeCheck(new QTimer(this))
    , m_socketClient(socketClient)
    , m_httpClient(httpClient)
{
    qInfo() << "parent:" << parent;
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(m_stepTimeoutMs);
    connect(m_stepTimer, &QTimer::timeout, this, &ConnectServerManager::slotConnectTimeoutIn);
    m_closeCheck->setInterval(closeCheckMs);
    connect(m_closeCheck, &QTimer::timeout, this, &ConnectServerManager::slotCloseCheck);
    if (!this->socketClient())
        qWarning() << "no classroom connection yet";
    this->httpClient();
}

ConnectServerManager::~ConnectServerManager()
{
    qInfo() << "~ConnectServerManager";
    stopStep();
}

void ConnectServerManager::setStepTimeout(int ms)
{
    m_stepTimeoutMs = ms;
    m_stepTimer->setInterval(ms);
}

QString ConnectServerManager::loginResultText(unsigned int result)
{
    switch (result) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("用户不存在");
    case 2:
        return QStringLiteral("密码错误");
    case 3:
        return QStringLiteral("服务器连接超时");
    case 4:
        return QStringLiteral("帐户已停用");
    case 5:
        return QStringLiteral("未知用户");
    case 6:
        return QStringLiteral("程序未知错误(传输参数不正确)");
    case 7:
        return QStringLiteral("用户已登录，不能重复登录");
    case 8:
        return QStringLiteral("尚未通过认证");
    default:
        return QStringLiteral("程序未知错误(type:%1)").arg(result);
    }
}

HttpClientManager *ConnectServerManager::httpClient()
{
    HttpClientManager *client = m_httpClient ? m_httpClient.data() : g_httpClientManager;
    if (client && client != m_wiredHttpClient) {
        if (m_wiredHttpClient)
            disconnect(m_wiredHttpClient, nullptr, this, nullptr);
        // One connection for the run: every login reply, the relogin's too, comes here once.
        connect(client, &HttpClientManager::signalLoginResult, this, &ConnectServerManager::slotLoginResult);
        m_wiredHttpClient = client;
    }
    return client;
}

SocketClientManager *ConnectServerManager::socketClient()
{
    SocketClientManager *client = m_socketClient ? m_socketClient.data() : g_socketClientManager;
    if (client && client != m_wiredSocketClient) {
        if (m_wiredSocketClient)
            disconnect(m_wiredSocketClient, nullptr, this, nullptr);
        connect(client, &SocketClientManager::signalConnectResult, this, &ConnectServerManager::slotLoginResultIn);
        connect(client, &SocketClientManager::signalEnterClass, this, &ConnectServerManager::slotJoinResultIn);
        connect(client, &SocketClientManager::signalQuitClass, this, &ConnectServerManager::slotQuitResultIn);
        connect(
            client, &SocketClientManager::signalConnectError, this, &ConnectServerManager::slotSocketConnectErrorIn);
        connect(client, &SocketClientManager::signalSocketConnectSuceess, this,
            &ConnectServerManager::slotSocketConnectSuccessIn);
        m_wiredSocketClient = client;
    }
    return client;
}

void ConnectServerManager::startStepTimer()
{
    m_stepTimer->start(m_stepTimeoutMs);
}

void ConnectServerManager::stopStep()
{
    m_stepTimer->stop();
    m_closeCheck->stop();
}

void ConnectServerManager::slotCloseCheck()
{
    SocketClientManager *client = socketClient();
    if (client && client->isConnected())
        return;
    m_closeCheck->stop();
    if (client)
        client->connectServerAndLogin(m_pendingUserCode, m_pendingPassword);
}

void ConnectServerManager::socketLogin(const QString &userCode, const QString &password)
{
    SocketClientManager *client = socketClient();
    if (!client) {
        qWarning() << "no classroom connection to log in on";
    } else if (client->isConnected()) {
        // A connection dropped by its heartbeat, or one the server kept after a logout, is still open, and a
        // login on it would send nothing: close it and log in once it is down.
        qInfo() << "closing the stale connection first";
        m_pendingUserCode = userCode;
        m_pendingPassword = password;
        client->slotDisconnectFromServer();
        m_closeCheck->start();
    } else {
        client->connectServerAndLogin(userCode, password);
    }
}

void ConnectServerManager::slotLoginStartIn(const QString &userCode, const QString &password, unsigned int type)
{
    qInfo() << "userCode:" << userCode << "type:" << type;
    m_connectState = StateLogin;
    m_forwardSocketConnect = false;
    m_loginOverSocket = type == SocketLogin;
    stopStep();
    if (type == SocketLogin) {
        socketLogin(userCode, password);
        startStepTimer();
        return;
    }
    HttpClientManager *client = httpClient();
    if (!client) {
        qWarning() << "no REST client to log in with";
        slotLoginResultIn(resultServerTimeout);
        return;
    }
    client->sendUserLogin(userCode, password, QString::fromLatin1(restLoginMarker));
}

void ConnectServerManager::slotLoginResult(const QString &body, const QString &marker)
{
    const bool relogin = marker != QLatin1String(restLoginMarker);
    JsonRows rows;
    QString status = QStringLiteral("1");
    // A reply the server sent that holds no usable answer is the server's error; only no reply at all (a failed
    // request, or the time-out's "error") is told as a time-out.
    const bool serverReply = StringUtil::isJsonDocument(body);
    const unsigned int unusable = serverReply ? resultBadParameters : resultServerTimeout;
    if (!StringUtil::httpJsonToList(body, rows, status)) {
        if (relogin) {
            // Without a reply the relogin view's own timer tells of it; a login of the login window must not end
            // on it.
            qWarning() << "the relogin reply cannot be read:" << body;
            if (serverReply)
                emit signalReloginFailOut(loginResultText(unusable));
            return;
        }
        int code = 0;
        if (status == QLatin1String(refusedStatus) && StringUtil::httpJsonToStatus(body, code) && code >= 0) {
            if (code == serverSignedInElsewhere)
                code = int(resultSignedInElsewhere);
            else if (code == serverUnknownUser)
                code = int(resultUnknownUser);
            slotLoginResultIn(unsigned(code));
        } else {
            // Every reply ends the login.
            slotLoginResultIn(unusable);
        }
        return;
    }
    if (status != QLatin1String("0")) {
        if (relogin)
            emit signalReloginTimeoutOut();
        else
            slotLoginResultIn(unusable);
        return;
    }

    // The last body object decides; a reply without a readable login status is no success.
    unsigned int loginStatus = resultBadParameters;
    for (const QMap<QString, QVariant> &row : qAsConst(rows)) {
        bool ok = false;
        const int value = row.value("loginStatus").toInt(&ok);
        loginStatus = ok && value >= 0 ? unsigned(value) : resultBadParameters;
    }
    // Only a granted login may replace the session: a refused relogin must leave the running one intact.
    if (loginStatus == resultSuccess) {
        QString userId;
        for (const QMap<QString, QVariant> &row : qAsConst(rows)) {
            if (!ReceivedFilePath::readUserId(row.value("userId"), userId)) {
                qWarning() << "the user id of the login reply is no number:" << row.value("userId");
                if (!relogin)
                    slotLoginResultIn(unusable);
                return;
            }
        }
        for (const QMap<QString, QVariant> &row : qAsConst(rows)) {
            ReceivedFilePath::readUserId(row.value("userId"), g_userId);
            g_userCode = row.value("userCode").toString();
            g_userName = row.value("userName").toString();
            g_passWord = row.value("passWord").toString();
            g_loginSignId = row.value("loginSignId").toString();
            g_mobile = row.value("mobile").toString();
            g_gradeClassName = row.value("gradeName").toString() + row.value("className").toString();
        }
    }
    if (!relogin) {
        slotLoginResultIn(loginStatus);
    } else if (loginStatus == resultSuccess) {
        emit signalReloginSuccessOut();
    } else {
        emit signalReloginFailOut(loginResultText(loginStatus));
    }
}

// A result of another step than the one under way (the last lesson's quit answered while the next one's login
// goes out) leaves that step's timers running: stopped, the login would wait for ever.
void ConnectServerManager::slotLoginResultIn(unsigned int result)
{
    switch (m_connectState) {
    case StateLogin: {
        stopStep();
        m_connectState = StateIdle;
        if (result == resultSuccess) {
            m_socketLogin = false;
            emit signalLoginSuccessOut();
            return;
        }
        const QString text = loginResultText(result);
        if (m_socketLogin) {
            m_socketLogin = false;
            m_forwardSocketConnect = false;
            emit signalSocketLoginFailOut(text);
            emit signalJoinFailOut(QStringLiteral("进入班级失败"));
        } else {
            emit signalLoginFailOut(text);
        }
        return;
    }
    case StateIdle:
    case StateTimeout:
        return; // a late answer
    default:
        qWarning() << "connectState:" << m_connectState;
    }
}

void ConnectServerManager::slotJoinClassesIn()
{
    qInfo() << "join classes";
    m_connectState = StateJoin;
    if (SocketClientManager *client = socketClient())
        client->sendJoinGroupRequest();
    else
        qWarning() << "no classroom connection to join on";
    startStepTimer();
}

void ConnectServerManager::slotJoinResultIn(bool ok)
{
    switch (m_connectState) {
    case StateJoin:
        stopStep();
        m_connectState = StateIdle;
        if (ok)
            emit signalJoinSuccessOut();
        else
            emit signalJoinFailOut(QStringLiteral("登录失败"));
        return;
    case StateIdle:
    case StateTimeout:
        return;
    default:
        qWarning() << "connectState:" << m_connectState;
    }
}

void ConnectServerManager::slotQuitStartIn()
{
    qInfo() << "quit classes";
    m_connectState = StateQuit;
    if (SocketClientManager *client = socketClient())
        client->sendQuit();
    else
        qWarning() << "no classroom connection to quit on";
    startStepTimer();
}

void ConnectServerManager::slotQuitResultIn(bool ok)
{
    switch (m_connectState) {
    case StateQuit:
        stopStep();
        m_connectState = StateIdle;
        if (ok) {
            if (SocketClientManager *client = socketClient())
                client->sendLogout();
            emit signalQuitSuccessOut();
        } else {
            emit signalQuitFailOut(QStringLiteral("退出班级失败"));
        }
        return;
    case StateIdle:
    case StateTimeout:
        return;
    default:
        qWarning() << "connectState:" << m_connectState;
    }
}

void ConnectServerManager::slotLogoutStartIn()
{
    stopStep();
    m_connectState = StateIdle;
    SocketClientManager *client = socketClient();
    if (client && client->isConnected())
        client->sendLogout();
}

void ConnectServerManager::slotSocketConnect()
{
    qInfo() << "userCode:" << g_userCode;
    m_socketLogin = true;
    m_forwardSocketConnect = true;
    m_loginOverSocket = true;
    m_connectState = StateLogin;
    stopStep();
    socketLogin(g_userCode, g_passWord);
    startStepTimer();
}

void ConnectServerManager::slotSocketConnectSuccessIn()
{
    emit signalConnectionLoggedInOut();
    if (!m_forwardSocketConnect)
        return;
    m_forwardSocketConnect = false;
    emit signalSocketConnectSuceess();
}

void ConnectServerManager::endSocketLogin(const QString &text)
{
    if (!m_socketLogin)
        return;
    m_socketLogin = false;
    m_forwardSocketConnect = false;
    emit signalSocketLoginFailOut(text);
}

void ConnectServerManager::slotConnectTimeoutIn()
{
    stopStep();
    switch (m_connectState) {
    case StateLogin: {
        m_connectState = StateTimeout;
        const QString text = QStringLiteral("登录超时");
        endSocketLogin(text);
        emit signalLoginTimeoutOut(text);
        return;
    }
    case StateJoin:
        m_connectState = StateTimeout;
        emit signalJoinTimeoutOut(QStringLiteral("进入班级超时"));
        return;
    case StateQuit:
        m_connectState = StateTimeout;
        emit signalQuitTimeoutOut(QStringLiteral("退出班级超时"));
        return;
    default:
        qWarning() << "the connectType unknown error! connectState:" << m_connectState;
    }
}

void ConnectServerManager::slotSocketConnectErrorIn()
{
    if (m_closeCheck->isActive()) {
        // The login waits for the last connection to go down, and no new one is opened before: the error is the
        // old connection's (a server that closed it after the last lesson's logout), not the login's.
        qInfo() << "an error of the closing connection, ignored";
        return;
    }
    if (m_connectState == StateLogin && !m_loginOverSocket) {
        // A classroom connection tried earlier (a reconnect given up) failing late: the REST login is not its.
        qInfo() << "a classroom connection error during a REST login, ignored";
        return;
    }
    stopStep();
    const QString text = QStringLiteral("网络错误");
    switch (m_connectState) {
    case StateIdle:
        return;
    case StateLogin:
        m_connectState = StateIdle;
        endSocketLogin(text);
        emit signalLoginTimeoutOut(text);
        return;
    case StateJoin:
        m_connectState = StateIdle;
        emit signalJoinTimeoutOut(text);
        return;
    case StateQuit:
        m_connectState = StateIdle;
        emit signalQuitTimeoutOut(text);
        return;
    default:
        qWarning() << "the connectType unknown error! connectState:" << m_connectState;
    }
}
