#ifndef LOGFILEMANAGER_H
#define LOGFILEMANAGER_H

#include <QtGlobal>

class QDateTime;
class QString;

// Installs the process-wide message handler that writes every Qt message as one line to this run's
// log file (g_logFileName) and echoes it to standard output.
class LogFileManager
{
public:
    LogFileManager();
    virtual ~LogFileManager();

    bool install();

    // The system's error (errno) of the last failed open of the log file or write to it, 0 when the last write
    // went through: a full disk (ENOSPC) takes the lines, and the log goes on by itself once there is room.
    static int lastWriteError();

    // "./log/log_yyyy_MM_dd_hh_mm_ss.txt" for a run started at the given time.
    static QString fileNameFor(const QDateTime &startTime);

    // The line of one message, as written to the file (without its "\r\n").
    static QString formatLine(QtMsgType type, const QMessageLogContext &context, const QString &message);
    // How many characters may be echoed to standard output in all, counted from this call; later lines
    // go to the file only.
    static void setEchoLimit(qint64 characters);
    static constexpr qint64 defaultEchoLimit = 100LL * 1024 * 1024;

    // Lines from one place (one logging statement) may come as fast as a peer or a server makes them: a flood of
    // connections or lines would have the log grow without bound. A place writes its first repeatBurstLines
    // lines as they come; beyond them it earns one line per repeatIntervalMs, and the line it writes then tells
    // how many of its lines were not written. A place that logs more slowly than that is never held back.
    static constexpr int repeatBurstLines = 20;
    static constexpr int repeatIntervalMs = 1000;
    // For tests: other limits, from now on, for every place afresh.
    static void setRepeatLimits(int burstLines, int intervalMs);
};

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

#endif // LOGFILEMANAGER_H
