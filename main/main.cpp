#include "platform/appdata/appdata.h"
#include "vrek/commandlinemanager.h"
#include "vrek/logfilemanager.h"
#include "vrek/utils/globalvalue.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QIcon>
#include <QMainWindow>
#include <QThread>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QThread::currentThread()->setObjectName("Main Thread");
    g_userType = 1;
    QApplication::setApplicationName("TaviStudent");
    QApplication::setApplicationVersion(VREK_VERSION);
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
    QDir::setCurrent(AppData::folder(QApplication::applicationName()));

    LogFileManager logFileManager;
    CommandLineManager::initial(application);

    QMainWindow window;
    window.setWindowTitle("TaviStudent");
    window.setWindowIcon(QIcon(":/image/logo.ico"));
    window.resize(800, 600);
    window.show();
    return application.exec();
}
