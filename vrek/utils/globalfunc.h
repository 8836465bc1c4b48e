#ifndef GLOBALFUNC_H
#define GLOBALFUNC_H

#include <QString>

// Predicates over the global session state.
namespace GlobalFunc {
bool isCurrentUserLect();
bool isCurrentUserTypeFive();
bool isMeetingClass();
// The lecturer of the joined lesson when one is known, else a participant of user type "0".
bool isUserLect(const QString &userId);

// Set while the lecturer's own RTMP push runs; guarded by a lock of its own.
void setStreamFlag(bool flag);
bool streamFlag();
} // namespace GlobalFunc

#endif // GLOBALFUNC_H
