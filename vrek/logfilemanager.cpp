#include "vrek/logfilemanager.h"

#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <cstdio>

namespace {
// Guards the file, the stream and the echo count: any thread may log while the log is closed. A basic mutex,
// as a log line may come before any constructor of this file has run.
QBasicMutex s_logMutex;
QFile *s_logFile = nullptr;
QTextStream *s_logStream = nullptr;
std::atomic<qint64> s_echoLimit { LogFileManager::defaultEchoLimit };
qint64 s_echoed = 0;

// What one place may still write: whole lines it has earned, and the lines it did not write since its last.
struct Repeats
{
    double lines = 0;
    qint64 earnedAt = 0;
    qint64 notWritten = 0;
};
// Places are the logging statements, a fixed few; a message without one (Qt's own) is keyed by its start, so the
// table is emptied when it holds more than this.
constexpr int maxPlaces = 4096;
constexpr int unplacedKeyLength = 40;
QHash<QByteArray, Repeats> *s_repeats = nullptr;
int s_burstLines = LogFileManager::repeatBurstLines;
int s_intervalMs = LogFileManager::repeatIntervalMs;

qint64 nowMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

QByteArray placeKey(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QByteArray key = QByteArray::number(int(type));
    if (context.file) {
        key += ':';
        key += context.file;
        key += ':';
        key += QByteArray::number(context.line);
        return key;
    }
    // Numbers differ from line to line of the same kind.
    key += '|';
    for (const QChar c : message.left(unplacedKeyLength))
        key += c.isDigit() ? QByteArray("#") : QString(c).toUtf8();
    return key;
}

// Whether the line may be written now, and how many of its place's lines were not written before it. Called
// with the log's mutex held.
bool mayWrite(QtMsgType type, const QMessageLogContext &context, const QString &message, qint64 &notWritten)
{
    if (!s_repeats)
        s_repeats = new QHash<QByteArray, Repeats>;
    const QByteArray key = placeKey(type, context, message);
    const qint64 now = nowMs();
    auto it = s_repeats->find(key);
    if (it == s_repeats->end()) {
        if (s_repeats->size() >= maxPlaces)
            s_repeats->clear();
        it = s_repeats->insert(key, { double(s_burstLines), now, 0 });
    }
    Repeats &repeats = it.value();
    if (s_intervalMs > 0)
        repeats.lines = qMin(double(s_burstLines), repeats.lines + double(now - repeats.earnedAt) / s_intervalMs);
    repeats.earnedAt = now;
    if (repeats.lines < 1) {
        ++repeats.notWritten;
        return false;
    }
    repeats.lines -= 1;
    notWritten = repeats.notWritten;
    repeats.notWritten = 0;
    return true;
}
} // namespace

LogFileManager::LogFileManager()
{
    install();
}

LogFileManager::~LogFileManager()
{
    qInstallMessageHandler(nullptr);
    // A thread may be inside the handler still, or enter it until it sees the handler gone.
    QMutexLocker locker(&s_logMutex);
    delete s_logStream;
    s_logStream = nullptr;
    delete s_logFile;
    s_logFile = nullptr;
}

bool LogFileManager::install()
{
    FileUtil::dirMakePath("./log");
    auto *file = new QFile(g_logFileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        qWarning() << "Warning: globalLogFile open fail! dir:" << g_logFileName;
        delete file;
        return false;
    }
    auto *stream = new QTextStream(file);
    // The log is read on Linux machines whose 8-bit encoding is UTF-8; say so rather than trust the locale.
    stream->setCodec(QTextCodec::codecForName("UTF-8"));
    {
        QMutexLocker locker(&s_logMutex);
        delete s_logStream;
        delete s_logFile;
        s_logFile = file;
        s_logStream = stream;
    }
    qInstallMessageHandler(logMessageHandler);
    return true;
}

QString LogFileManager::fileNameFor(const QDateTime &startTime)
{
    return "./log/" + startTime.toString("log_yyyy_MM_dd_hh_mm_ss") + ".txt";
}

void LogFileManager::setEchoLimit(qint64 characters)
{
    QMutexLocker locker(&s_logMutex);
    s_echoLimit = characters;
    s_echoed = 0;
}

QString LogFileManager::formatLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QString level;
    switch (int(type)) {
    case QtDebugMsg:
        level = "DEBUG:";
        break;
    case QtWarningMsg:
        level = "WARNING:";
        break;
    case QtCriticalMsg:
        level = "CRITICAL:";
        break;
    case QtFatalMsg:
        level = "FATAL:";
        break;
    case QtInfoMsg:
        level = "INFO:";
        break;
    default:
        level = "UNKNOWN:";
        break;
    }
    const QString time = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss:zzz");
    const QThread *thread = QThread::currentThread();
    const QString threadName = thread ? thread->objectName() : QString();
    static const QRegularExpression arguments("\\((.*)\\)");
    QString function = context.function ? QString::fromUtf8(context.function) : QString();
    const QRegularExpressionMatch match = arguments.match(function);
    if (match.hasMatch())
        function.remove(match.capturedStart(), match.capturedLength());
    return QString("%1 [%2] %3 - %4 %5")
        .arg(time, 0, QChar(' '))
        .arg(threadName, 0, QChar(' '))
        .arg(level, 0, QChar(' '))
        .arg(function, 0, QChar(' '))
        .arg(message, 0, QChar(' '));
}

void LogFileManager::setRepeatLimits(int burstLines, int intervalMs)
{
    QMutexLocker locker(&s_logMutex);
    s_burstLines = burstLines;
    s_intervalMs = intervalMs;
    if (s_repeats)
        s_repeats->clear();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QMutexLocker locker(&s_logMutex);
    // Lines that go nowhere do not count against their place.
    if (!s_logStream && s_echoed >= s_echoLimit)
        return;
    qint64 notWritten = 0;
    // A fatal message ends the process: it is always written.
    if (type != QtFatalMsg && !mayWrite(type, context, message, notWritten))
        return;
    const QString line = LogFileManager::formatLine(type, context,
        notWritten > 0 ? message + QStringLiteral(" (%1 more lines from here not written)").arg(notWritten) : message);
    if (s_logStream) {
        // A stream whose write failed once (a disk full for a moment) writes nothing more until told: every line
        // tries again, and the system keeps what it could not take for the next.
        if (s_logStream->status() != QTextStream::Ok)
            s_logStream->resetStatus();
        *s_logStream << line << "\r\n";
        s_logStream->flush();
    }
    if (s_echoed + line.size() < s_echoLimit) {
        const QByteArray bytes = line.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        s_echoed += line.size();
    }
}
