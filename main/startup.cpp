#include "main/startup.h"

#include "vrek/logfilemanager.h"
#include "vrek/networktimes/cnetwork.h"
#include "vrek/utils/globalvalue.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

double Startup::scaleForDpi(double dpi)
{
    // Rounded so that a ratio of exactly 1.1 (105.6 dpi) is not taken for 1.0999999.
    const double ratio = std::round(dpi / 96.0 * 1e6) / 1e6;
    if (ratio < 1.1)
        return 1.0;
    if (ratio < 1.4)
        return 1.25;
    if (ratio < 1.6)
        return 1.5;
    if (ratio < 1.8)
        return 1.75;
    return 2.0;
}

double Startup::getScale()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return 1.0;
    return scaleForDpi(screens.first()->logicalDotsPerInch());
}

bool Startup::clockOutOfStep(const QDateTime &network, const QDateTime &local, qint64 limitSeconds)
{
    if (!network.isValid())
        return false;
    return local.addSecs(limitSeconds) < network || network < local.addSecs(-limitSeconds);
}

void Startup::globalValueInitial()
{
    g_userType = 1;
    QCoreApplication::setApplicationName("TaviStudent");
    QCoreApplication::setApplicationVersion("2.1.0");
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
}

void Startup::metaTypeInitial()
{
    qRegisterMetaType<qintptr>("qintptr");
}

NetworkTimeCheck::NetworkTimeCheck(QObject *parent)
    : QObject(parent)
{
}

void NetworkTimeCheck::start()
{
    QPointer<NetworkTimeCheck> self(this);
    QtConcurrent::run([self] {
        const QDateTime network = g_cNetwork.verifyTime();
        const QDateTime local = QDateTime::currentDateTime();
        // The check may have been destroyed meanwhile: only the GUI thread looks at it.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, network, local] {
            if (self)
                emit self->finished(network, local);
        });
    });
}
