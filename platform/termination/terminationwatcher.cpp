#include "platform/termination/terminationwatcher.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
const int watchedSignals[] = { SIGTERM, SIGHUP, SIGINT };
// The write end is all the handler touches: a signal handler may do nothing but async-signal-safe calls.
int s_pipe[2] = { -1, -1 };
std::atomic<bool> s_installed { false };

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &number, 1);
    errno = saved;
}
} // namespace

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
{
    if (s_installed.exchange(true)) {
        qWarning() << "the termination signals are watched already";
        return;
    }
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning() << "no pipe for the termination signals";
        s_installed = false;
        return;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::readSignal);
    for (const int signalNumber : watchedSignals) {
        struct sigaction current = {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue; // started ignored (a background job's SIGINT): it stays so
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_notifier)
        return;
    for (const int signalNumber : watchedSignals) {
        struct sigaction current = {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == onSignal)
            ::signal(signalNumber, SIG_DFL);
    }
    delete m_notifier;
    m_notifier = nullptr;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
    s_installed = false;
}

void TerminationWatcher::readSignal()
{
    unsigned char number = 0;
    int last = 0;
    while (::read(s_pipe[0], &number, 1) == 1)
        last = number;
    if (last == 0)
        return;
    qInfo() << "ended by signal" << last;
    emit terminationRequested(last);
    const int code = 128 + last;
    QCoreApplication::exit(code);
    // Seen inside a loop run before the application's own (a start that waits), the exit above ends that loop
    // only: the application's loop is then ended as soon as it runs.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}
