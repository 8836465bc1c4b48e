#ifndef CRASHHANDLER_H
#define CRASHHANDLER_H

#include <QString>

// Catches fatal signals on an alternate stack and writes a report folder: "crash.txt" (signal, time,
// application, backtrace), "properties.txt" (name=value lines added by the crash callback), copies of the
// added files, and last an empty "complete" marker. Everything done at crash time is async-signal-safe:
// paths are prepared at installation and nothing allocates.
namespace CrashHandler {

// Called inside the handler; may call addProperty and writeLogLine only. Its result is ignored.
using Callback = int (*)(int signalNumber);

struct Settings
{
    QString reportRoot; // reports go to <reportRoot>/<start time>-<pid>
    QString appName;
    QString appVersion;
    QString logFile; // writeLogLine appends here
};

bool install(const Settings &settings);
bool isInstalled();
// A file copied into the report when the crash happens (at most 8).
bool addFile(const QString &path);
bool setCallback(Callback callback);
// Inside the callback: one property of the report.
bool addProperty(const char *name, const QString &value);
// Inside the callback: one line appended to the log file as it stands.
void writeLogLine(const char *text);
// The text of the last failure of the calls above.
QString lastError();
// The folder this run's report would go to.
QString reportFolder();

} // namespace CrashHandler

#endif // CRASHHANDLER_H
