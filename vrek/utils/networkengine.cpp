#include "vrek/utils/networkengine.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QThread>

NetworkEngine *g_networkEngine = new NetworkEngine();

NetworkEngine::NetworkEngine(QObject *parent)
    : QObject(parent)
{ }

NetworkEngine::~NetworkEngine()
{
    if (m_manager)
        m_manager->deleteLater();
}

void NetworkEngine::moveThread(QThread *thread)
{
    qDebug() << "thread:" << thread;
    // Qt's periodic scan of the network interfaces stalls requests; the client never needs it.
    qputenv("QT_BEARER_POLL_TIMEOUT", "-1");
    m_manager = new QNetworkAccessManager();
    m_manager->moveToThread(thread);
    moveToThread(thread);
}
