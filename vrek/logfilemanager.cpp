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
QFile *s_logFile = nullptr;
QTextStream *s_logStream = nullptr;
std::atomic<qint64> s_echoLimit { LogFileManager::defaultEchoLimit };
qint64 s_echoed = 0; // guarded by the handler's mutex
} // namespace

LogFileManager::LogFileManager()
{
    install();
}

LogFileManager::~LogFileManager()
{
    qInstallMessageHandler(nullptr);
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
    s_logFile = file;
    s_logStream = new QTextStream(s_logFile);
    // The log is read on Linux machines whose 8-bit encoding is UTF-8; say so rather than trust the locale.
    s_logStream->setCodec(QTextCodec::codecForName("UTF-8"));
    qInstallMessageHandler(logMessageHandler);
    return true;
}

QString LogFileManager::fileNameFor(const QDateTime &startTime)
{
    return "./log/" + startTime.toString("log_yyyy_MM_dd_hh_mm_ss") + ".txt";
}

void LogFileManager::setEchoLimit(qint64 characters)
{
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
    static QMutex mutex;
    QMutexLocker locker(&mutex);
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
