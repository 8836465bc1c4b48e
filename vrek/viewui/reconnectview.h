#ifndef RECONNECTVIEW_H
#define RECONNECTVIEW_H

#include "vrek/interface/processuniqueinterface.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>

class ConnectServerManager;
class QLabel;
class QPushButton;
class QTimer;

// The page shown when the classroom connection was lost: logs in again over the classroom connection and, once
// the application asks for it, rejoins the lesson. Holds the one flow lock from the login to the join's outcome.
// A try's state text stays up for a moment even when the server refuses at once, so that a press of the button is
// seen to do something.
class ReconnectView : public QWidget, public ProcessUniqueInterface
{
    Q_OBJECT
public:
    static constexpr int minimumTryMs = 1000;

    // Wires itself to the login and join outcomes of the connect-server manager.
    explicit ReconnectView(ConnectServerManager *connectServer, QWidget *parent = nullptr);
    ~ReconnectView() override;

    QString stateText() const;
    bool isReconnectEnabled() const;
    // Tests shorten how long a try's text stays up at least.
    void setMinimumTry(int ms) { m_minimumTryMs = ms; }

signals:
    void signalExitButtonClicked();
    void signalCloseEventOut();
    void signalLoginSuccessOut();
    void signalJoinSuccessOut();

public slots:
    bool slotLoginStartIn(const QString &userCode, const QString &password);
    void slotReconnectButtonClicked();
    void slotLoginSuccessIn();
    void slotLoginFailIn(const QString &text);
    void slotLoginTimeoutIn(const QString &text);
    void slotRequestJoinClassesIn();
    void slotJoinSuccessIn();
    void slotJoinFailIn(const QString &text);
    void slotExitButtonClicked();
    // The classroom connection logged in again while the page is shown and no flow runs (its own try having
    // timed out before the network came back): that login starts a new try, at its success.
    void slotConnectionLoggedInIn();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    static bool holdsLock() { return getProcessType() == ProcessReconnect; }
    void release() { releaseProcessLock(ProcessReconnect, true); }
    void startTry(const QString &text);
    // The outcome's text and button, once the try's text has been up long enough.
    void showOutcome(const QString &text, bool reconnectEnabled);
    void applyOutcome();

    QPointer<ConnectServerManager> m_connectServer;
    QLabel *m_pictureLabel;
    QLabel *m_stateCaption;
    QLabel *m_stateLabel;
    QPushButton *m_reconnectButton;
    QPushButton *m_exitButton;
    QTimer *m_outcomeTimer;
    QElapsedTimer m_tryClock;
    QString m_outcomeText;
    bool m_outcomeEnables = false;
    bool m_joinRequested = false;
    int m_minimumTryMs = minimumTryMs;
};

#endif // RECONNECTVIEW_H
