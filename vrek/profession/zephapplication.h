#ifndef ZEPHAPPLICATION_H
#define ZEPHAPPLICATION_H

#include <QMutex>
#include <QObject>
#include <QPointer>

class ClassManagerView;
class ConnectServerManager;
class LoginClient;
class MainViewInterface;
class NormalLoginManager;
class QThread;
class QWidget;
class ReLoginView;
class ReconnectView;
class SettingConfig;
class TitleView;
class UserInfoManager;

// The application controller: builds the client's services and top-level windows, then moves the user
// through the window stages (login, course list, class window) in answer to the login flows, the views and
// the classroom connection.
class ZephApplication : public QObject
{
    Q_OBJECT
public:
    enum Stage {
        StageNone = 0,
        StageLogin = 1,
        StageCourseList = 2,
        StageSchoolClass = 3,
        StageTeacherClass = 4,
    };

    static constexpr int tipFlags = 70;
    static constexpr int courseListFlags = 1032;
    static constexpr int classWindowFlags = 3146760;

    explicit ZephApplication(QObject *parent = nullptr);
    ~ZephApplication() override;

    virtual bool run();

    int stage() const { return m_stage; }
    bool isInitialised() const { return m_initialised; }
    // What the student is told when the client starts on a full disk (its log, settings or database refused for
    // want of room, or hardly any room left), or an empty text.
    QString startRoomNotice() const;
    // What the student is told when the client cannot start: a full disk as such, else the folders and the disk.
    QString startFailureText() const;
    bool isReconnecting() const { return m_reconnecting; }
    bool keepRunning() const { return m_keepRunning; }
    // Whether the course list is made (after the login window's first paint, or at its first use).
    bool courseListMade() const { return m_courseListBuilt; }
    // Makes the course list and its window once; what needs them sooner than the login window's first paint asks
    // here.
    ClassManagerView *ensureCourseList();
    LoginClient *loginClient() const;
    // Null until the course list is made.
    ClassManagerView *classManagerView() const;
    TitleView *courseListWindow() const;
    TitleView *classWindow() const;
    TitleView *reconnectWindow() const;
    TitleView *tipWindow() const;
    TitleView *reloginWindow() const;
    ConnectServerManager *connectServerManager() const;
    NormalLoginManager *normalLoginManager() const;
    ReconnectView *reconnectView() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void signalSocketConnectFalse();
    void signalDisconnectFromServer();

public slots:
    void slotReloginCloseIn();
    void slotLoginSuccessIn();
    void slotLoginFailIn(const QString &text);
    void slotJoinClassesSuccessIn();
    void slotJoinClassesFailIn(const QString &text);
    void slotQuitClassFailIn(const QString &text);
    void slotShowMainBoardIn();
    void slotSelectClassCloseIn();
    void slotMainCloseIn();
    void slotReconnectCloseIn();
    void slotSocketTimeoutIn(bool dropped);

private:
    void dbInitial();
    void fileInitial();
    void globalInitial();
    void loginInitial();
    void tipInitial();
    void reconnectInitial();
    void reloginInitial();
    void closeClassWindow();
    template<typename View>
    void showClassWindow(Stage stage);

    QMutex m_runLock;
    SettingConfig &m_setting;
    QPointer<LoginClient> m_loginClient;
    QPointer<ClassManagerView> m_classManagerView;
    QPointer<TitleView> m_courseListWindow;
    QWidget *m_mainView = nullptr;
    QPointer<TitleView> m_classWindow;
    QPointer<ReconnectView> m_reconnectView;
    QPointer<TitleView> m_reconnectWindow;
    QPointer<NormalLoginManager> m_normalLoginManager;
    QPointer<TitleView> m_tipWindow;
    QPointer<ReLoginView> m_reloginView;
    QPointer<TitleView> m_reloginWindow;
    QPointer<ConnectServerManager> m_connectServerManager;
    QPointer<UserInfoManager> m_userInfoManager;
    QThread *m_networkThread = nullptr;
    unsigned int m_networkThreadId = 0;
    bool m_initialised = true;
    bool m_databaseNoRoom = false; // a start-up write of the database was refused for want of room
    bool m_started = false;
    bool m_courseListBuilt = false;
    bool m_keepRunning = false;
    bool m_reconnecting = false;
    int m_stage = StageNone;
};

#endif // ZEPHAPPLICATION_H
