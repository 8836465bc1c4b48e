#ifndef STEADYCLOCK_H
#define STEADYCLOCK_H

#include <QtGlobal>

// One steady clock for the whole run, for the windows that thin drawing steps; objects that use it take a
// replacement for tests.
namespace SteadyClock {
qint64 milliseconds();
} // namespace SteadyClock

#endif // STEADYCLOCK_H
