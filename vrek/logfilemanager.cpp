#include "vrek/logfilemanager.h"

#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
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

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QMutexLocker locker(&s_logMutex);
    const QString line = LogFileManager::formatLine(type, context, message);
    if (s_logStream) {
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
