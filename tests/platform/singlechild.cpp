// One instance of a program under test: the first stays and reports what it receives, a later one reports
// that another runs, hands it a message and ends with 0.
#include "platform/singleapplication/qtsingleapplication.h"

#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    const QString id = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("singlechild");
    QtSingleApplication application(argc, argv, id);
    if (application.isRunning()) {
        std::printf("running %s\n", application.sendMessage("hello") ? "sent" : "unsent");
        return 0;
    }
    std::printf("first\n");
    std::fflush(stdout);
    QObject::connect(&application, &QtSingleApplication::messageReceived, [](const QString &message) {
        std::printf("got:%s\n", qPrintable(message));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
    QTimer::singleShot(15000, &application, &QCoreApplication::quit);
    return application.exec();
}
