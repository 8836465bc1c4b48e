#ifndef RELOGINVIEW_H
#define RELOGINVIEW_H

#include <QPointer>
#include <QString>
#include <QWidget>

class ConnectServerManager;
class HttpClientManager;
class QLabel;
class QPushButton;
class QTimer;

// The page shown when the REST service says the session expired or the account signed in elsewhere: repeats the
// REST login with the session's account. It also tells of a classroom login from the course list that failed.
// It always offers both of its buttons. It takes no flow lock.
class ReLoginView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int reloginTimeoutMs = 10000;

    // Wires itself to the relogin outcomes of the connect-server manager; without a REST client of its own it
    // uses the shared one.
    explicit ReLoginView(
        ConnectServerManager *connectServer, QWidget *parent = nullptr, HttpClientManager *httpClient = nullptr);
    ~ReLoginView() override;

    // Tests shorten the relogin's time limit; the product keeps 10 s.
    void setReloginTimeout(int ms);
    QString stateText() const;
    bool isReloginShown() const;
    bool isReloginEnabled() const;
    bool isExitShown() const;

signals:
    void signalCloseEventOut();
    void signalShow();
    void signalHide();

public slots:
    bool slotLoginStartIn();
    void slotReloginButtonClicked();
    void slotReLoginTimeoutIn();
    // The outcomes of a relogin and of a course-list classroom login.
    void slotReloginSuccessIn();
    void slotReloginTimeoutResultIn();
    void slotReloginFailIn(const QString &text);
    void slotSocketLoginFailIn(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    HttpClientManager *httpClient() const;
    void offerButtons();

    QPointer<HttpClientManager> m_httpClient;
    // From a press of the relogin button to a granted relogin: an answer outside it is a late one.
    bool m_reloginUnderWay = false;
    QTimer *m_reloginTimer;
    QLabel *m_pictureLabel;
    QLabel *m_stateCaption;
    QLabel *m_stateLabel;
    QPushButton *m_reloginButton;
    QPushButton *m_exitButton;
};

// The one relogin view of the run, made by the application controller.
extern ReLoginView *g_reLoginView;

#endif // RELOGINVIEW_H
