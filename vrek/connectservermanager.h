#ifndef CONNECTSERVERMANAGER_H
#define CONNECTSERVERMANAGER_H

#include <QObject>
#include <QPointer>
#include <QString>

class HttpClientManager;
class QTimer;
class SocketClientManager;

// Runs the steps that bring the student into a lesson and out of it: the login (over REST, or straight over the
// classroom connection), joining the lesson's class and quitting it. One step at a time, each limited by one
// timer, each ending in exactly one outcome signal. It never talks to the user: the flows and windows that
// start the steps turn the outcomes into texts on screen.
class ConnectServerManager : public QObject
{
    Q_OBJECT
public:
    enum ConnectState {
        StateIdle = 0,
        StateLogin = 1,
        StateJoin = 2,
        StateQuit = 3,
        StateTimeout = 4,
    };

    // How a login goes out: over REST (the login window), or over the classroom connection (the reconnect flow).
    enum LoginType {
        RestLogin = 0,
        SocketLogin = 1,
    };

    static constexpr int stepTimeoutMs = 10000;
    // How often a reconnect looks whether the stale connection it closed is down.
    static constexpr int closeCheckMs = 20;

    // Without a connection or REST client of its own it uses the shared ones. It wires itself to the
    // connection's login, join, quit and error results and to the REST client's login replies, once.
    explicit ConnectServerManager(QObject *parent = nullptr, SocketClientManager *socketClient = nullptr,
        HttpClientManager *httpClient = nullptr);
    ~ConnectServerManager() override;

    // Tests shorten the step limit; the product keeps 10 s.
    void setStepTimeout(int ms);
    ConnectState connectState() const { return m_connectState; }
    bool isSocketLogin() const { return m_socketLogin; }

    // The text shown for a login result code.
    static QString loginResultText(unsigned int result);

signals:
    void signalLoginSuccessOut();
    void signalLoginFailOut(QString text);
    void signalLoginTimeoutOut(QString text);
    void signalJoinSuccessOut();
    void signalJoinFailOut(QString text);
    void signalJoinTimeoutOut(QString text);
    void signalQuitSuccessOut();
    void signalQuitFailOut(QString text);
    void signalQuitTimeoutOut(QString text);
    // The classroom login started by slotSocketConnect succeeded (spelled as the course list expects it).
    void signalSocketConnectSuceess();
    // The classroom connection is logged in, whatever step (if any) asked for it: a login that came only after
    // its step had timed out is still a live session that the reconnect flow can rejoin on.
    void signalConnectionLoggedInOut();

    // For the relogin view: the outcome of a relogin, and of a classroom login started from the course list.
    void signalReloginSuccessOut();
    void signalReloginTimeoutOut();
    void signalReloginFailOut(QString text);
    void signalSocketLoginFailOut(QString text);

public slots:
    void slotLoginStartIn(const QString &userCode, const QString &password, unsigned int type);
    void slotLoginResultIn(unsigned int result);
    void slotJoinClassesIn();
    void slotJoinResultIn(bool ok);
    void slotLogoutStartIn();
    void slotSocketConnectErrorIn();
    void slotQuitStartIn();
    void slotQuitResultIn(bool ok);
    // A REST login reply; the marker is "0" for the login window's login and "1" for a relogin.
    void slotLoginResult(const QString &body, const QString &marker);
    void slotSocketConnect();
    void slotConnectTimeoutIn();

private slots:
    void slotSocketConnectSuccessIn();
    void slotCloseCheck();

private:
    // Logs in over the classroom connection, closing a connection that is still open first.
    void socketLogin(const QString &userCode, const QString &password);
    // The given clients, else the shared ones; each is wired once, when first found.
    HttpClientManager *httpClient();
    SocketClientManager *socketClient();
    void startStepTimer();
    void stopStep();
    // The course-list login failed before any result came: its window and the relogin view must hear of it.
    void endSocketLogin(const QString &text);

    ConnectState m_connectState = StateIdle;
    QTimer *m_stepTimer;
    // A reconnect that found the old connection still standing waits on this for it to close.
    QTimer *m_closeCheck;
    QString m_pendingUserCode;
    QString m_pendingPassword;
    int m_stepTimeoutMs = stepTimeoutMs;
    bool m_socketLogin = false;
    // The login under way goes over the classroom connection (not over REST): only then is a failed connection
    // its outcome.
    bool m_loginOverSocket = false;
    // Set while the login from the course list waits for the connection's "logged in" notice.
    bool m_forwardSocketConnect = false;
    QPointer<SocketClientManager> m_socketClient;
    QPointer<SocketClientManager> m_wiredSocketClient;
    QPointer<HttpClientManager> m_httpClient;
    QPointer<HttpClientManager> m_wiredHttpClient;
};

#endif // CONNECTSERVERMANAGER_H
