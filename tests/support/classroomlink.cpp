#include "tests/support/classroomlink.h"

#include "vrek/socketclientmanager.h"

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
    if (m_global && g_socketClientManager == m_manager)
        g_socketClientManager = nullptr;
    delete m_manager;
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
