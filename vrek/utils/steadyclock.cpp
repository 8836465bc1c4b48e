#include "vrek/utils/steadyclock.h"

#include <QElapsedTimer>

qint64 SteadyClock::milliseconds()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer.elapsed();
}
