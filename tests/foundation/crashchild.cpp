// Signs in a made-up user, installs crash reporting and crashes: the report it leaves is checked by
// tst_crashrptmanager.
#include "vrek/crashrptmanager.h"
#include "vrek/logfilemanager.h"
#include "vrek/utils/globalvalue.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <csignal>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QThread::currentThread()->setObjectName("Main Thread");
    QCoreApplication::setApplicationName("TaviStudent");
    QCoreApplication::setApplicationVersion("2.1.0");
    g_logFileName = "./log/crashchild.txt";
    LogFileManager logFileManager;
    const QString how = application.arguments().value(1);
    if (how != "anonymous") {
        g_userId = "1001";
        g_userName = QString::fromUtf8("张三");
        g_classId = "c-42";
        g_lessonName = QString::fromUtf8("数学\n第一课");
    }
    CrashRptManager crashRptManager;
    qDebug() << "about to crash";
    if (how == "abort")
        qFatal("giving up");
    volatile int *nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
