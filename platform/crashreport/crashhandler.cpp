#include "platform/crashreport/crashhandler.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxFiles = 8;
constexpr int kPathSize = 4096;
const int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS };

struct State
{
    bool installed = false;
    char folder[kPathSize] = {};
    char crashFile[kPathSize] = {};
    char propertiesFile[kPathSize] = {};
    char completeFile[kPathSize] = {};
    char logFile[kPathSize] = {};
    char app[256] = {};
    char files[kMaxFiles][kPathSize] = {};
    char fileTargets[kMaxFiles][kPathSize] = {};
    int fileCount = 0;
    CrashHandler::Callback callback = nullptr;
    int propertiesFd = -1;
};

State s_state;
QString s_lastError;
volatile sig_atomic_t s_handling = 0;

bool copyPath(char *target, const QByteArray &source)
{
    if (source.size() >= kPathSize)
        return false;
    std::memcpy(target, source.constData(), size_t(source.size()));
    target[source.size()] = '\0';
    return true;
}

void writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= size_t(written);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

void writeNumber(int fd, long long value)
{
    char buffer[32];
    int position = sizeof(buffer);
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    do {
        buffer[--position] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (negative)
        buffer[--position] = '-';
    writeAll(fd, buffer + position, size_t(int(sizeof(buffer)) - position));
}

const char *signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    case SIGTRAP:
        return "SIGTRAP";
    case SIGSYS:
        return "SIGSYS";
    default:
        return "SIGNAL";
    }
}

void copyFile(const char *from, const char *to)
{
    const int in = ::open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    const int out = ::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out >= 0) {
        char buffer[8192];
        ssize_t got;
        while ((got = ::read(in, buffer, sizeof(buffer))) > 0)
            writeAll(out, buffer, size_t(got));
        ::close(out);
    }
    ::close(in);
}

void handler(int signalNumber, siginfo_t *, void *)
{
    if (s_handling) {
        ::_exit(128 + signalNumber);
    }
    s_handling = 1;

    ::mkdir(s_state.folder, 0700);
    const int crash = ::open(s_state.crashFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (crash >= 0) {
        writeText(crash, "signal=");
        writeNumber(crash, signalNumber);
        writeText(crash, "\nname=");
        writeText(crash, signalName(signalNumber));
        writeText(crash, "\npid=");
        writeNumber(crash, ::getpid());
        writeText(crash, "\ntime=");
        writeNumber(crash, static_cast<long long>(::time(nullptr)));
        writeText(crash, "\napp=");
        writeText(crash, s_state.app);
        writeText(crash, "\nbacktrace:\n");
        void *frames[64];
        const int depth = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, depth, crash);
        ::close(crash);
    }

    s_state.propertiesFd = ::open(s_state.propertiesFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (s_state.callback)
        s_state.callback(signalNumber);
    if (s_state.propertiesFd >= 0)
        ::close(s_state.propertiesFd);
    s_state.propertiesFd = -1;

    for (int i = 0; i < s_state.fileCount; ++i)
        copyFile(s_state.files[i], s_state.fileTargets[i]);

    const int complete = ::open(s_state.completeFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (complete >= 0)
        ::close(complete);

    // SA_RESETHAND restored the default action: die of the same signal.
    ::raise(signalNumber);
}

} // namespace

bool CrashHandler::install(const Settings &settings)
{
    if (s_state.installed)
        return true;
    const QString root = QDir(settings.reportRoot).absolutePath();
    if (!QDir().mkpath(root)) {
        s_lastError = "the report folder cannot be created: " + root;
        return false;
    }
    const QString folder
        = root + '/' + QDateTime::currentDateTime().toString("yyyyMMddhhmmss") + '-' + QString::number(::getpid());
    const QByteArray app = (settings.appName + ' ' + settings.appVersion).toUtf8().left(255);
    if (!copyPath(s_state.folder, QFile::encodeName(folder))
        || !copyPath(s_state.crashFile, QFile::encodeName(folder + "/crash.txt"))
        || !copyPath(s_state.propertiesFile, QFile::encodeName(folder + "/properties.txt"))
        || !copyPath(s_state.completeFile, QFile::encodeName(folder + "/complete"))
        || !copyPath(s_state.logFile, QFile::encodeName(QFileInfo(settings.logFile).absoluteFilePath()))) {
        s_lastError = "a report path is too long: " + folder;
        return false;
    }
    std::memcpy(s_state.app, app.constData(), size_t(app.size()));

    // backtrace() loads its unwinder on first use, which allocates: do it now, not in the handler.
    void *warmUp[4];
    ::backtrace(warmUp, 4);

    static char alternateStack[64 * 1024];
    stack_t stack {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof(alternateStack);
    if (::sigaltstack(&stack, nullptr) != 0) {
        s_lastError = QString("sigaltstack failed: ") + std::strerror(errno);
        return false;
    }
    struct sigaction action
    {
    };
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kSignals) {
        if (::sigaction(signalNumber, &action, nullptr) != 0) {
            s_lastError = QString("sigaction failed: ") + std::strerror(errno);
            return false;
        }
    }
    s_state.installed = true;
    return true;
}

bool CrashHandler::isInstalled()
{
    return s_state.installed;
}

bool CrashHandler::addFile(const QString &path)
{
    if (!s_state.installed) {
        s_lastError = "crash handling is not installed";
        return false;
    }
    if (s_state.fileCount >= kMaxFiles) {
        s_lastError = "too many files";
        return false;
    }
    const QString target = QString::fromLocal8Bit(s_state.folder) + '/' + QFileInfo(path).fileName();
    const int index = s_state.fileCount;
    if (!copyPath(s_state.files[index], QFile::encodeName(QFileInfo(path).absoluteFilePath()))
        || !copyPath(s_state.fileTargets[index], QFile::encodeName(target))) {
        s_lastError = "the path is too long: " + path;
        return false;
    }
    s_state.fileCount += 1;
    return true;
}

bool CrashHandler::setCallback(Callback callback)
{
    if (!s_state.installed) {
        s_lastError = "crash handling is not installed";
        return false;
    }
    s_state.callback = callback;
    return true;
}

bool CrashHandler::addProperty(const char *name, const QString &value)
{
    const int fd = s_state.propertiesFd;
    if (fd < 0)
        return false;
    writeText(fd, name);
    writeText(fd, "=");
    // UTF-16 to UTF-8 by hand: no allocation inside the handler. Line breaks would split the entry.
    const ushort *units = value.utf16();
    const int size = value.size();
    for (int i = 0; i < size; ++i) {
        unsigned int code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < size && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (code == '\n' || code == '\r')
            code = ' ';
        char bytes[4];
        size_t length;
        if (code < 0x80) {
            bytes[0] = char(code);
            length = 1;
        } else if (code < 0x800) {
            bytes[0] = char(0xC0 | (code >> 6));
            bytes[1] = char(0x80 | (code & 0x3F));
            length = 2;
        } else if (code < 0x10000) {
            bytes[0] = char(0xE0 | (code >> 12));
            bytes[1] = char(0x80 | ((code >> 6) & 0x3F));
            bytes[2] = char(0x80 | (code & 0x3F));
            length = 3;
        } else {
            bytes[0] = char(0xF0 | (code >> 18));
            bytes[1] = char(0x80 | ((code >> 12) & 0x3F));
            bytes[2] = char(0x80 | ((code >> 6) & 0x3F));
            bytes[3] = char(0x80 | (code & 0x3F));
            length = 4;
        }
        writeAll(fd, bytes, length);
    }
    writeText(fd, "\n");
    return true;
}

void CrashHandler::writeLogLine(const char *text)
{
    const int fd = ::open(s_state.logFile, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return;
    writeText(fd, text);
    writeText(fd, "\r\n");
    ::close(fd);
}

QString CrashHandler::lastError()
{
    return s_lastError;
}

QString CrashHandler::reportFolder()
{
    return QString::fromLocal8Bit(s_state.folder);
}
