#include "main/startup.h"
#include "platform/appdata/appdata.h"
#include "platform/fonts/fontsubstitution.h"
#include "platform/singleapplication/qtsingleapplication.h"
#include "platform/termination/terminationwatcher.h"
#include "vrek/commandlinemanager.h"
#include "vrek/crashrptmanager.h"
#include "vrek/logfilemanager.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QThread>

#include <csignal>

int main(int argc, char *argv[])
{
    if (Startup::onlyHelpOrVersion(argc, argv)) {
        QCoreApplication application(argc, argv);
        Startup::globalValueInitial();
        CommandLineManager::initial(application); // prints the text and ends the process
        return 0;
    }

    // A file that meets the process's file size limit fails its write (told as a full disk) instead of ending
    // the client.
    std::signal(SIGXFSZ, SIG_IGN);
    Startup::rasterWindowsOnly();
    QtSingleApplication application(argc, argv, QStringLiteral("TaviStudent"));
    // Stopped by its process id (a script that ran it, a logout), the client still ends in order.
    TerminationWatcher terminationWatcher;
    Startup::acceptMessageBoxesForTests();
    FontSubstitution::install();
    g_uiScale = Startup::getScale();

    QThread::currentThread()->setObjectName("Main Thread");
    Startup::globalValueInitial();
    QDir::setCurrent(AppData::folder(QCoreApplication::applicationName()));

    LogFileManager logFileManager;
    CommandLineManager::initial(application);
    Startup::metaTypeInitial();

    if (application.isRunning()) {
        QMessageBox::information(
            nullptr, QStringLiteral("提示"), QStringLiteral("您已运行Vantrel学生端，不能重复运行"), QMessageBox::Ok);
        return 0;
    }

    CrashRptManager crashRptManager;
    QApplication::setWindowIcon(QIcon(":/image/logo.ico"));
    Startup::installTranslations(application);

    // The clock check asks public time servers, which a school network may silently drop: it runs aside and
    // warns when it has an answer, instead of holding the window back for up to half a minute.
    NetworkTimeCheck timeCheck;
    QObject::connect(&timeCheck, &NetworkTimeCheck::finished, [](const QDateTime &network, const QDateTime &local) {
        if (network.isValid())
            g_networkTimeOffset = local.secsTo(network);
        if (Startup::clockOutOfStep(network, local)) {
            qDebug() << "时间超出";
            g_networkTimeFlag = true;
            QMessageBox::about(nullptr, QStringLiteral("警告"),
                QStringLiteral("当前电脑时间与实际时间相差过大，请修改本地电脑时间！"));
        }
    });
    timeCheck.start();

    g_socketClientManager = new SocketClientManager(GlobalEnum::UserType(g_userType));
    int result = 0;
    {
        ZephApplication zephApplication;
        if (!zephApplication.run()) {
            // Without its database or folders the client would sit with no window at all: say so and end.
            qCritical() << "the client could not be initialised";
            QMessageBox::critical(nullptr, QStringLiteral("提示"), zephApplication.startFailureText(), QMessageBox::Ok);
            return 1;
        }
        result = application.exec();
    }
    return result;
}
