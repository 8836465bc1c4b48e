#include "tests/support/classroomlink.h"

#include "vrek/socketclientmanager.h"
#include "vrek/userinfo/userinfomanager.h"

#include <QElapsedTimer>
#include <QTest>

ClassroomLink::ClassroomLink(bool makeGlobal, GlobalEnum::UserType userType)
    : m_manager(new SocketClientManager(userType))
    , m_global(makeGlobal)
{
    m_server.listen();
    m_manager->setHostAndPort(m_server.host(), m_server.port());
    QObject::connect(m_manager, &SocketClientManager::sendMessageOut, m_manager, [this](const QByteArray &bytes) {
        QString line = QString::fromUtf8(bytes);
        if (line.endsWith('\n'))
            line.chop(1);
        m_sent.append(line);
    });
    if (m_global)
        g_socketClientManager = m_manager;
}

ClassroomLink::~ClassroomLink()
{
    if (m_global && g_userInfoManager == m_users)
        g_userInfoManager = nullptr;
    delete m_users;
    if (m_global && g_socketClientManager == m_manager)
        g_socketClientManager = nullptr;
    delete m_manager;
}

UserInfoManager *ClassroomLink::users()
{
    if (!m_users) {
        m_users = new UserInfoManager();
        QObject::connect(
            m_manager, &SocketClientManager::signalUserInfoProtocol, m_users, &UserInfoManager::slotProtocolAnalysis);
        if (m_global)
            g_userInfoManager = m_users;
    }
    return m_users;
}

bool ClassroomLink::connectToServer(int timeoutMs)
{
    m_manager->connectServerAndLogin("stu", "pw");
    QElapsedTimer clock;
    clock.start();
    while (!m_manager->isConnected() && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return m_manager->isConnected() && m_server.waitForClient(timeoutMs);
}

QStringList ClassroomLink::forwards() const
{
    QStringList lines;
    for (const QString &line : m_sent) {
        if (line.startsWith(QLatin1String("11\t")))
            lines.append(line);
    }
    return lines;
}
