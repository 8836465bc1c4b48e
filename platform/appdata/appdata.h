#ifndef APPDATA_H
#define APPDATA_H

#include <QString>

namespace AppData {
// The per-user folder the client works in (logs, settings, database, received files). Created when
// missing. TAVI_APPDATA overrides it, so tests and side-by-side installs keep apart. It is the user's alone
// (0700), also when an earlier start left it open to others.
QString folder(const QString &applicationName);

// Makes a file the user's alone (0600), creating it empty when missing, so that it is never readable by others,
// not even for a moment. False when it can be neither made nor changed.
bool makePrivateFile(const QString &path);
} // namespace AppData

#endif // APPDATA_H
