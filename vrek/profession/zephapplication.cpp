#include "vrek/profession/zephapplication.h"

#include "platform/appdata/appdata.h"
#include "platform/lazyffmpeg/ffmpegloader.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/commandlinemanager.h"
#include "vrek/connectservermanager.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/interface/mainviewinterface.h"
#include "vrek/logfilemanager.h"
#include "vrek/login/loginclient.h"
#include "vrek/login/normalloginmanager.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/diskroom.h"
#include "vrek/userinfo/userinfomanager.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/httpclientmanager.h"
#include "vrek/utils/networkengine.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/utils/threadfactory.h"
#include "vrek/utils/webrtcsdkinterface.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/plaintext.h"
#include "vrek/viewui/reconnectview.h"
#include "vrek/viewui/reloginview.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QMessageBox>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>
#include <QEvent>

ZephApplication::ZephApplication(QObject *parent)
    : QObject(parent)
    , m_setting(SettingConfig::getSetting())
{
    qInfo() << "";
    dbInitial();
    fileInitial();
    globalInitial();
    loginInitial();
    tipInitial();
    reconnectInitial();
    reloginInitial();
}

ZephApplication::~ZephApplication()
{
    qInfo() << "";
    // The globals that point at what goes here go first.
    if (g_reLoginView == m_reloginView)
        g_reLoginView = nullptr;
    if (g_userInfoManager == m_userInfoManager)
        g_userInfoManager = nullptr;
    // The event loop has ended: delete at once what deleteLater would never reach.
    delete m_loginClient;
    delete m_classWindow; // with the main view inside it
    delete m_courseListWindow;
    delete m_reconnectWindow;
    delete m_normalLoginManager;
    delete m_tipWindow;
    delete m_reloginWindow;
    delete m_connectServerManager;
    if (g_httpClientManager) {
        delete g_httpClientManager;
        g_httpClientManager = nullptr;
    }
    g_httpTipMessage = nullptr;
    delete m_userInfoManager;
    WebrtcSdkInterface::onRtcRelease();
}

LoginClient *ZephApplication::loginClient() const
{
    return m_loginClient;
}

ClassManagerView *ZephApplication::classManagerView() const
{
    return m_classManagerView;
}

TitleView *ZephApplication::courseListWindow() const
{
    return m_courseListWindow;
}

TitleView *ZephApplication::classWindow() const
{
    return m_classWindow;
}

TitleView *ZephApplication::reconnectWindow() const
{
    return m_reconnectWindow;
}

TitleView *ZephApplication::tipWindow() const
{
    return m_tipWindow;
}

TitleView *ZephApplication::reloginWindow() const
{
    return m_reloginWindow;
}

ConnectServerManager *ZephApplication::connectServerManager() const
{
    return m_connectServerManager;
}

NormalLoginManager *ZephApplication::normalLoginManager() const
{
    return m_normalLoginManager;
}

ReconnectView *ZephApplication::reconnectView() const
{
    return m_reconnectView;
}

bool ZephApplication::run()
{
    QMutexLocker locker(&m_runLock);
    if (!m_initialised || m_started)
        return false;
    m_started = true;
    m_stage = StageLogin;
    // The course list and its players take as long to make as everything before them: they are made once the
    // login window has been painted, or sooner where something needs them.
    m_loginClient->installEventFilter(this);
    m_loginClient->showClean();
    const QString notice = startRoomNotice();
    if (!notice.isEmpty()) {
        // Told over the login window, which it blocks; the client goes on.
        auto *box
            = new QMessageBox(QMessageBox::Warning, QStringLiteral("提示"), notice, QMessageBox::Ok, m_loginClient);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    return true;
}

bool ZephApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_loginClient && event->type() == QEvent::Paint) {
        m_loginClient->removeEventFilter(this);
        QTimer::singleShot(0, this, &ZephApplication::ensureCourseList);
        // FFmpeg and its devices (well over a hundred libraries) load aside once the course list is made, so that
        // a class finds them ready.
        QTimer::singleShot(0, this, [] { FfmpegLoader::startInBackground(); });
    }
    return QObject::eventFilter(watched, event);
}

void ZephApplication::dbInitial()
{
    // The first failure ends the chain; one for want of room is told as a full disk.
    const auto failed = [this](const char *step) {
        qCritical() << step;
        m_databaseNoRoom = DBManager::lastFailureWasNoRoom();
        m_initialised = false;
    };
    if (!DBManager::dbFileInitial()) {
        failed("dbFileInitial error!");
        return;
    }
    const QString dataFile = QString::fromLatin1(DBManager::dataBaseName);
    if (!QFile::exists(dataFile) && !DBManager::createDataFile(dataFile)) {
        failed("createDataFile error!");
        return;
    }
    // One left by an earlier start may still be open to others.
    AppData::makePrivateFile(dataFile);
    if (!UserFileDao::initial()) {
        failed("UserFileDao::initial error!");
        return;
    }
    if (!TransferFileDao::initial())
        failed("TransferFileDao::initial error!");
}

QString ZephApplication::startRoomNotice() const
{
    const qint64 free = DiskRoom::freeBytes(QStringLiteral("."));
    const bool logRefused = DiskRoom::isNoRoomError(LogFileManager::lastWriteError());
    const bool settingsRefused = m_setting.lastWriteFailed();
    const bool low = free >= 0 && free < DiskRoom::lowRoomBytes;
    if (!logRefused && !settingsRefused && !m_databaseNoRoom && !low)
        return QString();
    qWarning() << "the disk is full at start, free:" << free << "log:" << logRefused << "settings:" << settingsRefused
               << "database:" << m_databaseNoRoom;
    return DiskRoom::lowRoomAtStartText(free);
}

QString ZephApplication::startFailureText() const
{
    const qint64 free = DiskRoom::freeBytes(QStringLiteral("."));
    if (m_databaseNoRoom || (free >= 0 && free < DiskRoom::lowRoomBytes))
        return DiskRoom::noRoomForDatabaseText(free);
    return QStringLiteral("程序初始化失败，请检查磁盘空间和文件夹权限后重新启动。");
}

void ZephApplication::fileInitial()
{
    // Received files go to "fileRecv", recordings to "media": a client without either cannot do its work.
    const bool fileRecv = FileUtil::dirMakePath("fileRecv");
    const bool media = FileUtil::dirMakePath("media");
    if (!fileRecv || !media) {
        qCritical() << "the folders cannot be made! fileRecv:" << fileRecv << "media:" << media;
        m_initialised = false;
    }
}

void ZephApplication::globalInitial()
{
    m_userInfoManager = new UserInfoManager();
    g_userInfoManager = m_userInfoManager;
    if (g_socketClientManager) {
        connect(g_socketClientManager, &SocketClientManager::signalUserInfoProtocol, m_userInfoManager,
            &UserInfoManager::slotProtocolAnalysis);
        connect(this, &ZephApplication::signalDisconnectFromServer, g_socketClientManager,
            &SocketClientManager::slotDisconnectFromServer);
    }

    ThreadFactory *factory = ThreadFactory::getInstance();
    m_networkThreadId = factory->allocThreadId();
    m_networkThread = factory->getThread(m_networkThreadId);
    if (m_networkThread) {
        m_networkThread->setObjectName("Network Engine");
        g_networkEngine->moveThread(m_networkThread);
    }

    // The built-in host only stands in until a real one is known: stored, it would hide every later address.
    const QString placeholder = QString::fromLatin1(GlobalDefault::serviceHost);
    const QString dns = m_setting.getValue("domain/dns");
    if (dns.isEmpty()) {
        qDebug() << "domain/dns is empty";
        if (g_socketHost != placeholder)
            m_setting.setValue("domain/dns", g_socketHost);
    } else {
        qDebug() << "read domain/dns：" << dns;
        // An address given on the command line wins for this start.
        if (!CommandLineManager::isGiven("host-socket-addr"))
            g_socketHost = dns;
        if (!CommandLineManager::isGiven("host-http-addr"))
            g_webHost = dns;
        if (!CommandLineManager::isGiven("host-file-addr"))
            g_fileHost = dns;
    }

    g_httpClientManager = new HttpClientManager();
    g_inClass = false;
    // Wires itself to the connection's login, join and quit results and to the REST login reply.
    m_connectServerManager = new ConnectServerManager(nullptr, g_socketClientManager, g_httpClientManager);
}

void ZephApplication::loginInitial()
{
    m_loginClient = new LoginClient(nullptr, g_httpClientManager, g_socketClientManager);
}

void ZephApplication::tipInitial()
{
    auto *tip = new httpTipMessage();
    g_httpTipMessage = tip;
    m_tipWindow = new TitleView(tip, QStringLiteral("提示"), tipFlags);
    m_tipWindow->setFixedSize(QSize(406, 334));
    connect(tip, &httpTipMessage::signalShows, m_tipWindow, [this] { m_tipWindow->show(); });
    connect(tip, &httpTipMessage::signalCloseButtonClicked, m_tipWindow, &QWidget::hide);
}

ClassManagerView *ZephApplication::ensureCourseList()
{
    if (m_courseListBuilt)
        return m_classManagerView;
    m_courseListBuilt = true;
    WebrtcSdkInterface::onRtcInit();
    m_classManagerView = new ClassManagerView();
    m_courseListWindow = new TitleView(m_classManagerView, QStringLiteral("我的课程"), courseListFlags);
    m_classManagerView->initial();
    connect(m_classManagerView, &ClassManagerView::signalCloseEventOut, this, &ZephApplication::slotSelectClassCloseIn);
    connect(this, &ZephApplication::signalSocketConnectFalse, m_classManagerView,
        &ClassManagerView::signalSocketConnectFalse);
    connect(m_classManagerView, &ClassManagerView::signalSocketConnect, m_connectServerManager,
        &ConnectServerManager::slotSocketConnect);
    connect(m_connectServerManager, &ConnectServerManager::signalSocketConnectSuceess, m_classManagerView,
        &ClassManagerView::signalSocketConnectSuccess);
    connect(m_classManagerView, &ClassManagerView::signalHide, m_courseListWindow, &QWidget::showMinimized);
    if (m_normalLoginManager)
        connect(m_classManagerView, &ClassManagerView::signalRequestJoinClassesOut, m_normalLoginManager,
            &NormalLoginManager::slotJoinClassesIn);
    return m_classManagerView;
}

void ZephApplication::reconnectInitial()
{
    m_reconnectView = new ReconnectView(m_connectServerManager);
    m_reconnectWindow = new TitleView(m_reconnectView, QStringLiteral("客户端重连"), tipFlags);
    connect(m_reconnectView, &ReconnectView::signalExitButtonClicked, m_reconnectWindow, &QWidget::close);
    connect(m_reconnectView, &ReconnectView::signalCloseEventOut, this, &ZephApplication::slotReconnectCloseIn);
    connect(m_reconnectView, &ReconnectView::signalJoinSuccessOut, this, &ZephApplication::slotJoinClassesSuccessIn);
    connect(m_reconnectView, &ReconnectView::signalLoginSuccessOut, this, &ZephApplication::slotLoginSuccessIn);

    // Wires itself to the outcomes of the connect-server manager.
    m_normalLoginManager = new NormalLoginManager(m_connectServerManager);
    connect(m_normalLoginManager, &NormalLoginManager::signalJoinSuccessOut, this,
        &ZephApplication::slotJoinClassesSuccessIn);
    connect(m_normalLoginManager, &NormalLoginManager::signalLoginFailOut, this, &ZephApplication::slotLoginFailIn);
    connect(
        m_normalLoginManager, &NormalLoginManager::signalLoginSuccessOut, this, &ZephApplication::slotLoginSuccessIn);
    connect(
        m_normalLoginManager, &NormalLoginManager::signalJoinFailOut, this, &ZephApplication::slotJoinClassesFailIn);
    connect(m_normalLoginManager, &NormalLoginManager::signalQuitFailOut, this, &ZephApplication::slotQuitClassFailIn);
    connect(
        m_loginClient, &LoginClient::signalLoginStartOut, m_normalLoginManager, &NormalLoginManager::slotLoginStartIn);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalSocketTimeout, this,
            &ZephApplication::slotSocketTimeoutIn);
}

void ZephApplication::reloginInitial()
{
    m_reloginView = new ReLoginView(m_connectServerManager, nullptr, g_httpClientManager);
    g_reLoginView = m_reloginView;
    m_reloginWindow = new TitleView(m_reloginView, QStringLiteral("重新登录"), tipFlags);
    // Its exit button closes the page alone: the frame goes with it.
    connect(m_reloginView, &ReLoginView::signalCloseEventOut, m_reloginWindow, &QWidget::hide);
    connect(m_reloginView, &ReLoginView::signalCloseEventOut, this, &ZephApplication::slotReloginCloseIn);
    connect(m_reloginView, &ReLoginView::signalShow, this, [this] {
        m_keepRunning = true;
        m_reconnecting = true;
        m_reloginWindow->show();
    });
    connect(m_reloginView, &ReLoginView::signalHide, this, [this] {
        m_keepRunning = false;
        m_reconnecting = false;
        m_reloginWindow->hide();
        ensureCourseList();
        m_classManagerView->resetToCourseList();
    });
}

void ZephApplication::slotLoginSuccessIn()
{
    if (!m_reconnecting && m_stage == StageLogin) {
        m_loginClient->slotLoginSuccessIn();
        if (!FileUtil::dirMakePath(QString("./fileRecv/%1").arg(g_userId)))
            qWarning() << "pathMakeRel error!";
        m_loginClient->close();
        m_loginClient->updateVerifyCodeImage();
        ensureCourseList();
        m_classManagerView->refreshAndEnable();
        m_courseListWindow->setUserButtonShown(false);
        m_courseListWindow->show();
        m_stage = StageCourseList;
    } else if (m_reconnecting && m_stage == StageCourseList) {
        m_reconnecting = false;
        ensureCourseList();
        m_classManagerView->refreshAndEnable();
        m_reconnectWindow->close();
    } else if (m_reconnecting && (m_stage == StageSchoolClass || m_stage == StageTeacherClass)) {
        m_reconnectView->slotRequestJoinClassesIn();
    }
}

void ZephApplication::slotLoginFailIn(const QString &text)
{
    if (!m_reconnecting && m_stage == StageLogin) {
        m_loginClient->showLoginError(text);
        m_loginClient->updateVerifyCodeImage();
    }
}

void ZephApplication::slotJoinClassesSuccessIn()
{
    if (m_stage != StageCourseList && m_stage != StageSchoolClass && m_stage != StageTeacherClass)
        return;
    const bool wasReconnecting = m_reconnecting;
    m_reconnecting = false;
    slotShowMainBoardIn();
    if (wasReconnecting)
        m_reconnectWindow->close();
}

void ZephApplication::slotJoinClassesFailIn(const QString &text)
{
    if (m_reconnecting) {
        qDebug() << "relogin test";
        return;
    }
    qWarning() << "join failed:" << text;
    m_tipWindow->show();
    emit signalSocketConnectFalse();
    emit signalDisconnectFromServer();
}

void ZephApplication::slotQuitClassFailIn(const QString &text)
{
    if (m_reconnecting || m_stage != StageCourseList)
        return;
    m_stage = StageLogin;
    ensureCourseList();
    m_courseListWindow->close();
    m_classManagerView->setEnabled(false);
    PlainText::message(m_loginClient, QMessageBox::Information, QStringLiteral("提示"), text);
    m_loginClient->showClean();
}

template<typename View>
void ZephApplication::showClassWindow(Stage stage)
{
    m_keepRunning = false;
    if (!m_mainView && !m_classWindow) {
        auto *view = new View();
        m_classWindow = new TitleView(view, QStringLiteral("TaviStudent.exe"), classWindowFlags);
        connect(view, &View::signalCloseOut, this, &ZephApplication::slotMainCloseIn);
        view->initialLater();
        view->clientOnline();
        view->show();
        m_stage = stage;
        ensureCourseList();
        m_courseListWindow->close();
        m_classManagerView->setEnabled(false);
        m_classWindow->setUserButtonShown(true);
        m_classWindow->showMaximized();
        m_mainView = view;
    } else if (m_mainView && m_classWindow) {
        m_mainView->show();
        m_classWindow->show();
        m_stage = stage;
        m_classWindow->setUserButtonShown(true);
        if (auto *main = dynamic_cast<MainViewInterface *>(m_mainView))
            main->clientOnline();
    } else {
        qWarning() << "widget not sync! mainView:" << m_mainView << "titleView:" << m_classWindow.data();
    }
}

void ZephApplication::slotShowMainBoardIn()
{
    switch (g_userType) {
    case 0:
    case 1:
        showClassWindow<SchoolClassView>(StageSchoolClass);
        if (g_userType == 0)
            g_inClass = true;
        break;
    case 2:
    case 3:
        showClassWindow<TeacherClassView>(StageTeacherClass);
        break;
    default:
        qInfo() << "no classroom window for userType:" << g_userType;
        break;
    }
}

void ZephApplication::slotSelectClassCloseIn()
{
    if (m_stage != StageCourseList)
        return;
    if (g_socketClientManager && g_socketClientManager->isConnected())
        g_socketClientManager->sendLogout();
    else
        qDebug() << "socket disconnect! ";
    if (!m_keepRunning)
        QCoreApplication::exit(0);
}

void ZephApplication::closeClassWindow()
{
    TitleView *window = m_classWindow;
    QWidget *view = m_mainView;
    m_classWindow = nullptr;
    m_mainView = nullptr;
    // Closed from here, the window no longer reports its closing.
    if (view)
        disconnect(view, nullptr, this, nullptr);
    if (window) {
        window->close();
        window->deleteLater();
    } else if (view) {
        view->deleteLater();
    }
}

void ZephApplication::slotMainCloseIn()
{
    if (m_reconnecting || (m_stage != StageSchoolClass && m_stage != StageTeacherClass))
        return;
    g_inClass = false;
    m_normalLoginManager->slotQuitStartIn();
    if (auto *main = dynamic_cast<MainViewInterface *>(m_mainView))
        main->clientOffline();
    closeClassWindow();
    ensureCourseList();
    m_classManagerView->refreshAndEnable();
    m_courseListWindow->setUserButtonShown(false);
    m_courseListWindow->show();
    m_stage = StageCourseList;
}

void ZephApplication::slotReconnectCloseIn()
{
    if (!m_reconnecting)
        return;
    if (m_stage == StageCourseList) {
        m_reconnecting = false;
        ensureCourseList();
        m_courseListWindow->close();
        m_classManagerView->setEnabled(false);
        m_loginClient->showClean();
        m_stage = StageLogin;
    } else if (m_stage == StageSchoolClass || m_stage == StageTeacherClass) {
        m_reconnecting = false;
        closeClassWindow();
        ensureCourseList();
        m_courseListWindow->close();
        m_classManagerView->setEnabled(false);
        m_loginClient->showClean();
        m_stage = StageLogin;
    }
}

void ZephApplication::slotReloginCloseIn()
{
    slotReconnectCloseIn();
}

void ZephApplication::slotSocketTimeoutIn(bool dropped)
{
    if (!dropped || m_reconnecting)
        return;
    if (m_stage == StageSchoolClass || m_stage == StageTeacherClass) {
        m_keepRunning = true;
        m_reconnecting = true;
        auto *main = dynamic_cast<MainViewInterface *>(m_mainView);
        if (!main) {
            qWarning() << "mainView:" << m_mainView;
            return;
        }
        main->clientOffline();
        m_reconnectWindow->show();
        m_reconnectView->slotLoginStartIn(g_userCode, g_passWord);
    } else if (m_stage == StageCourseList) {
        m_keepRunning = true;
        m_reconnecting = true;
        ensureCourseList();
        m_classManagerView->setEnabled(false);
        m_reconnectWindow->show();
        m_reconnectView->slotLoginStartIn(g_userCode, g_passWord);
    }
}
