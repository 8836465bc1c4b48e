#ifndef RECONNECTVIEW_H
#define RECONNECTVIEW_H

#include "vrek/interface/processuniqueinterface.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class ConnectServerManager;
class QLabel;
class QPushButton;

// The page shown when the classroom connection was lost: logs in again over the classroom connection and, once
// the application asks for it, rejoins the lesson. Holds the one flow lock from the login to the join's outcome.
class ReconnectView : public QWidget, public ProcessUniqueInterface
{
    Q_OBJECT
public:
    // Wires itself to the login and join outcomes of the connect-server manager.
    explicit ReconnectView(ConnectServerManager *connectServer, QWidget *parent = nullptr);
    ~ReconnectView() override;

    QString stateText() const;
    bool isReconnectEnabled() const;

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    static bool holdsLock() { return getProcessType() == ProcessReconnect; }
    void release() { releaseProcessLock(ProcessReconnect, true); }

    QPointer<ConnectServerManager> m_connectServer;
    QLabel *m_pictureLabel;
    QLabel *m_stateCaption;
    QLabel *m_stateLabel;
    QPushButton *m_reconnectButton;
    QPushButton *m_exitButton;
};

#endif // RECONNECTVIEW_H
