#ifndef NETWORKENGINE_H
#define NETWORKENGINE_H

#include <QObject>

class QNetworkAccessManager;
class QThread;

// Holds the client's one QNetworkAccessManager, moved into its own thread so REST traffic stays off the GUI.
class NetworkEngine : public QObject
{
    Q_OBJECT
public:
    explicit NetworkEngine(QObject *parent = nullptr);
    ~NetworkEngine() override;

    void moveThread(QThread *thread);
    QNetworkAccessManager *networkManager() const { return m_manager; }

private:
    QNetworkAccessManager *m_manager = nullptr;
};

// The one network engine of the process; its manager exists once the controller has given it a thread.
extern NetworkEngine *g_networkEngine;

#endif // NETWORKENGINE_H
