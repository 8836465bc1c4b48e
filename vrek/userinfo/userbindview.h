#ifndef USERBINDVIEW_H
#define USERBINDVIEW_H

#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class HttpRequest;
class QLabel;
class QLineEdit;
class QPushButton;
class QRegularExpressionValidator;
class QTimer;

// Binds a mobile phone number to the signed-in account: the number, an SMS code asked for with a 60-second lock
// on the button, and the confirmation, both over HttpRequest. Left, or once bound, it lays the page its owner gave
// it over itself and shows that page. No window of the client opens it.
class UserBindView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int tickMs = 500;
    // Ticks of the send-code lock: 60 seconds of half-second ticks.
    static constexpr int countdownTicks = 120;
    static constexpr int requestTimeLimitMs = 5000;

    explicit UserBindView(QWidget *parent = nullptr);
    ~UserBindView() override;

    // The page uncovered when the view is left or the phone is bound.
    void setCoverPage(QWidget *page) { m_coverPage = page; }
    // Tests shorten the countdown's tick; the product keeps 500 ms.
    void setTickInterval(int ms);

    // The two requests' addresses for the session.
    static QUrl codeUrl(const QString &mobile);
    static QUrl bindUrl(const QString &mobile, const QString &code);
    static bool isPhoneAcceptable(const QString &mobile);
    static bool isCodeAcceptable(const QString &code);

    QLineEdit *phoneLineEdit() const { return m_phoneLineEdit; }
    QLineEdit *codeLineEdit() const { return m_codeLineEdit; }
    QPushButton *codeButton() const { return m_codeButton; }
    QPushButton *bindButton() const { return m_bindButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QLabel *phoneHintLabel() const { return m_phoneHintLabel; }
    QLabel *messageLabel() const { return m_messageLabel; }
    bool isCountingDown() const;
    int countdown() const { return m_countdown; }

public slots:
    void slotCodeBtn();
    void slotBindBtn();
    void slotCancleBtn();
    void slotHttpMessage(QNetworkReply::NetworkError error, const QString &requestName, const QByteArray &responseData);
    void slotTimer();

protected:
    // Posts one request; tests look at what would go out instead.
    virtual void sendRequest(const QString &requestName, const QUrl &url);

private:
    void buildForm();
    void uncoverPage();

    QLineEdit *m_phoneLineEdit = nullptr;
    QLineEdit *m_codeLineEdit = nullptr;
    QPushButton *m_codeButton = nullptr;
    QPushButton *m_bindButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QLabel *m_phoneHintLabel = nullptr;
    QLabel *m_messageLabel = nullptr;
    HttpRequest *m_httpRequest = nullptr;
    QTimer *m_timer = nullptr;
    int m_tickMs = tickMs;
    int m_countdown = 0;
    QPointer<QWidget> m_coverPage;
};

#endif // USERBINDVIEW_H
