#ifndef NORMALLOGINMANAGER_H
#define NORMALLOGINMANAGER_H

#include "vrek/interface/processuniqueinterface.h"

#include <QObject>
#include <QPointer>
#include <QString>

class ConnectServerManager;

// The flow of the login window's login, of joining a lesson and of quitting it. Each holds the one flow lock
// from its start to its outcome, so that no reconnect runs across it; outcomes that reach it while another flow
// holds the lock are not its own and are ignored.
class NormalLoginManager : public QObject, public ProcessUniqueInterface
{
    Q_OBJECT
public:
    // Wires itself to the outcome signals of the connect-server manager.
    explicit NormalLoginManager(ConnectServerManager *connectServer, QObject *parent = nullptr);
    ~NormalLoginManager() override;

signals:
    void signalLoginSuccessOut();
    void signalLoginFailOut(QString text);
    void signalJoinSuccessOut();
    void signalJoinFailOut(QString text);
    void signalQuitFailOut(QString text);

public slots:
    bool slotLoginStartIn(const QString &userCode, const QString &password);
    void slotLoginSuccessIn();
    void slotLoginFailIn(const QString &text);
    void slotLoginTimeoutIn(const QString &text);
    bool slotJoinClassesIn();
    void slotJoinSuccessIn();
    void slotJoinFailIn(const QString &text);
    void slotJoinTimeoutIn(const QString &text);
    bool slotQuitStartIn();
    void slotQuitSuccessIn();
    void slotQuitFailIn(const QString &text);

private:
    enum Flow { NoFlow, LoginFlow, JoinFlow, QuitFlow };

    static bool holdsLock() { return getProcessType() == ProcessNormalLogin; }
    bool start(Flow flow);
    void release();

    QPointer<ConnectServerManager> m_connectServer;
    Flow m_flow = NoFlow;
};

#endif // NORMALLOGINMANAGER_H
