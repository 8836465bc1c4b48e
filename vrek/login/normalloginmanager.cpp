#include "vrek/login/normalloginmanager.h"

#include "vrek/connectservermanager.h"

#include <QDebug>

NormalLoginManager::NormalLoginManager(ConnectServerManager *connectServer, QObject *parent)
    : QObject(parent)
    , m_connectServer(connectServer)
{
    qInfo() << "parent:" << parent;
    if (!connectServer) {
        qWarning() << "no connect-server manager";
        return;
    }
    connect(connectServer, &ConnectServerManager::signalLoginSuccessOut, this, &NormalLoginManager::slotLoginSuccessIn);
    connect(connectServer, &ConnectServerManager::signalLoginFailOut, this, &NormalLoginManager::slotLoginFailIn);
    connect(connectServer, &ConnectServerManager::signalLoginTimeoutOut, this, &NormalLoginManager::slotLoginTimeoutIn);
    connect(connectServer, &ConnectServerManager::signalJoinSuccessOut, this, &NormalLoginManager::slotJoinSuccessIn);
    connect(connectServer, &ConnectServerManager::signalJoinFailOut, this, &NormalLoginManager::slotJoinFailIn);
    connect(connectServer, &ConnectServerManager::signalJoinTimeoutOut, this, &NormalLoginManager::slotJoinTimeoutIn);
    connect(connectServer, &ConnectServerManager::signalQuitSuccessOut, this, &NormalLoginManager::slotQuitSuccessIn);
    connect(connectServer, &ConnectServerManager::signalQuitFailOut, this, &NormalLoginManager::slotQuitFailIn);
    connect(connectServer, &ConnectServerManager::signalQuitTimeoutOut, this, &NormalLoginManager::slotQuitFailIn);
}

NormalLoginManager::~NormalLoginManager()
{
    qInfo() << "~NormalLoginManager";
    // A flow that dies with its manager must not keep every other flow out.
    releaseProcessLock(ProcessNormalLogin, false);
}

bool NormalLoginManager::start(Flow flow)
{
    // Entering the next lesson opens a new classroom connection: the quit of the last lesson, still waiting for
    // its answer on the old one, will never hear it. Its lock would keep the join out until the quit timed out.
    if (flow == JoinFlow && m_flow == QuitFlow && holdsLock()) {
        qInfo() << "the quit of the last lesson gives way to the join";
        release();
    }
    if (!tryProcessLock(ProcessNormalLogin)) {
        qWarning() << "another flow is running, processType:" << getProcessType();
        return false;
    }
    m_flow = flow;
    return true;
}

void NormalLoginManager::release()
{
    m_flow = NoFlow;
    releaseProcessLock(ProcessNormalLogin, true);
}

bool NormalLoginManager::slotLoginStartIn(const QString &userCode, const QString &password)
{
    if (!start(LoginFlow))
        return false;
    if (m_connectServer)
        m_connectServer->slotLoginStartIn(userCode, password, ConnectServerManager::RestLogin);
    else
        slotLoginFailIn(ConnectServerManager::loginResultText(3));
    return true;
}

void NormalLoginManager::slotLoginSuccessIn()
{
    if (!holdsLock())
        return;
    release();
    emit signalLoginSuccessOut();
}

void NormalLoginManager::slotLoginFailIn(const QString &text)
{
    if (!holdsLock())
        return;
    release();
    emit signalLoginFailOut(text);
}

void NormalLoginManager::slotLoginTimeoutIn(const QString &text)
{
    if (!holdsLock())
        return;
    if (m_connectServer)
        m_connectServer->slotLogoutStartIn();
    release();
    emit signalLoginFailOut(text);
}

bool NormalLoginManager::slotJoinClassesIn()
{
    if (!start(JoinFlow))
        return false;
    if (m_connectServer)
        m_connectServer->slotJoinClassesIn();
    else
        slotJoinFailIn(QStringLiteral("进入班级失败"));
    return true;
}

void NormalLoginManager::slotJoinSuccessIn()
{
    if (!holdsLock())
        return;
    release();
    emit signalJoinSuccessOut();
}

void NormalLoginManager::slotJoinFailIn(const QString &text)
{
    if (!holdsLock())
        return;
    release();
    emit signalJoinFailOut(text);
}

void NormalLoginManager::slotJoinTimeoutIn(const QString &text)
{
    const ProcessType holder = getProcessType();
    if (holder != ProcessNormalLogin && holder != ProcessNone)
        return;
    release();
    emit signalJoinFailOut(text);
}

bool NormalLoginManager::slotQuitStartIn()
{
    if (!start(QuitFlow))
        return false;
    if (m_connectServer)
        m_connectServer->slotQuitStartIn();
    else
        slotQuitFailIn(QStringLiteral("退出班级失败"));
    return true;
}

void NormalLoginManager::slotQuitSuccessIn()
{
    if (m_flow == QuitFlow && holdsLock())
        release();
}

void NormalLoginManager::slotQuitFailIn(const QString &text)
{
    if (m_flow != QuitFlow || !holdsLock())
        return;
    if (m_connectServer)
        m_connectServer->slotLogoutStartIn();
    release();
    emit signalQuitFailOut(text);
}
