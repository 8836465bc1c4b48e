#ifndef UPDATEPASSWORDBYMOBILE_H
#define UPDATEPASSWORDBYMOBILE_H

#include <QWidget>

class HttpClientManager;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpacerItem;
class QTimer;
class TipWidget;

// The password reset form: check the mobile number, send an SMS code, check the code, set the new password.
// A 60-second count-down on the get-code button limits how often a code can be asked for.
class UpdatePasswordByMobile : public QWidget
{
    Q_OBJECT
public:
    static constexpr int countdownSeconds = 60;
    static constexpr int countdownIntervalMs = 1000;

    // Without a client of its own the form uses the shared one.
    explicit UpdatePasswordByMobile(QWidget *parent = nullptr, HttpClientManager *httpClient = nullptr);
    ~UpdatePasswordByMobile() override;

    // Tests shorten the second of the count-down.
    void setCountdownInterval(int ms);

signals:
    void signalCloseWindow();

public slots:
    void slotGetCheckPushButtonClicked();
    void slotSurePushButtonClicked();
    void slotExitPushButtonClicked();
    void verifymobilePhoneLineEdit(const QString &text);
    void verifyCheckNumberLineEdit(const QString &text);
    void verifyPassword(const QString &text);
    void onUpdateTime();
    void slotVerificationMobile(const QString &reply);
    void slotHttpReturnCheckNumber(const QString &reply);
    void slotVerificationResult(const QString &reply);
    void slotHttpUpdatePasswordResult(const QString &reply);

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Form;

    void buildForm();
    void setErrorLook(QLineEdit *edit);
    void setNormalLook(QLineEdit *edit);
    void setGetCodeButtonAtRest();
    void setGetCodeButtonCounting(int seconds);
    void informationBox(const QString &text);
    // Reads a reply; the outcome is "success", "error" or the body text.
    static bool readReply(const QString &reply, QString &outcome);

    Form *ui;
    TipWidget *tipWidget;
    QTimer *countdownTimer;
    QString verificationCode;
    QString mobilePhone;
    QString newPassword;
    int countdown = 0;
    HttpClientManager *m_httpClient;
};

#endif // UPDATEPASSWORDBYMOBILE_H
