#ifndef APPDATA_H
#define APPDATA_H

#include <QString>

namespace AppData {
// The per-user folder the client works in (logs, settings, database, received files). Created when
// missing. TAVI_APPDATA overrides it, so tests and side-by-side installs keep apart.
QString folder(const QString &applicationName);
} // namespace AppData

#endif // APPDATA_H
