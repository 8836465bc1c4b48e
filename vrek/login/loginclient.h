#ifndef LOGINCLIENT_H
#define LOGINCLIENT_H

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class BannerView;
class CodeArea;
class CoderUI;
class HttpClientManager;
class QGraphicsDropShadowEffect;
class QRegExpValidator;
class SettingConfig;
class SocketClientManager;
class TitleView;
class UpdatePasswordByMobile;

// The first window: takes the user code and password, checks them here, asks for a captcha after repeated
// errors, remembers the last login, looks a school up by its domain and opens the password reset. When the input
// is acceptable it points the classroom connection at the server and hands the account to the login flow.
class LoginClient : public QWidget
{
    Q_OBJECT
public:
    static constexpr int userCodeMaxLength = 15;
    static constexpr int passwordMaxLength = 16;
    static constexpr int errorsBeforeCaptcha = 3;
    // What a user code and a password may hold.
    static const char *const userCodeAlphabet;
    static const char *const passwordAlphabet;

    // Without clients of its own the window uses the shared REST client and the global classroom connection.
    explicit LoginClient(QWidget *parent = nullptr, HttpClientManager *httpClient = nullptr,
        SocketClientManager *socketClient = nullptr);
    ~LoginClient() override;

    int loginErrorCount() const { return errorCount; }
    QUrl registerLink() const { return registerUrl; }
    QUrl forgetPasswordLink() const { return forgetPasswordUrl; }
    TitleView *resetWindow() const { return resetTitleView; }

    // Shows the window as a new start does: the login page with the remembered fields, no error and no captcha;
    // where the window was when it was last hidden, or centred on the screen the first time or when that place
    // is on no screen any more. The controller shows it so at the start and after every flow that leads back.
    void showClean();

signals:
    void signalLoginStartOut(QString userCode, QString password);
    void signalDnsProvider(QString provider);

public slots:
    void startLogin();
    void showLoginError(const QString &text);
    void updateVerifyCodeImage();
    void slotLoginSuccessIn();
    void storageUserCodeAndPassword();
    void verifyUserCode(const QString &text);
    void verifyPassword(const QString &text);
    void verifyVeriCode(const QString &text);
    void slotGetProvider(const QString &reply);
    void clearDns();
    void slotLinkButton();
    void closeLogin();
    void minLogin();
    void onShowCode();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Form;

    void buildForm();
    void startSchoolLookup();
    void informationBox(const QString &text);
    HttpClientManager *httpClient() const;
    SocketClientManager *socketClient() const;
    static bool isPasteAttempt(QEvent *event);

    Form *ui;
    SettingConfig &setting;
    CodeArea *codeArea;
    QRegExpValidator *validator;
    bool isDragging = false;
    int dragOffsetX = 0;
    int dragOffsetY = 0;
    QString userCode;
    QString password;
    QString readFlag;
    int errorCount = 0;
    QUrl registerUrl;
    QUrl forgetPasswordUrl;
    CoderUI *coderUi;
    BannerView *bannerView;
    QGraphicsDropShadowEffect *shadow;
    TitleView *resetTitleView;
    UpdatePasswordByMobile *resetView;

    QPointer<HttpClientManager> m_httpClient;
    QPointer<SocketClientManager> m_socketClient;
    // The domain of the lookup under way; the REST base moves to it only once the school is found.
    QString m_lookupDomain;
    // Where the window was when it was last hidden; the window manager's placement is not asked again.
    QPoint m_lastPosition;
    bool m_placed = false;
};

#endif // LOGINCLIENT_H
