#include "tests/support/childprocess.h"

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>

ChildProcess::ChildProcess(QObject *parent)
    : QProcess(parent)
{ }

ChildProcess::~ChildProcess()
{
    stop();
}

void ChildProcess::setupChildProcess()
{
    // Runs in the child between fork and exec.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

bool ChildProcess::startProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    start(program, arguments);
    return waitForStarted(timeoutMs);
}

bool ChildProcess::pause()
{
    return isRunning() && ::kill(pid_t(pid()), SIGSTOP) == 0;
}

bool ChildProcess::resume()
{
    return isRunning() && ::kill(pid_t(pid()), SIGCONT) == 0;
}

void ChildProcess::stop(int graceMs)
{
    if (!isRunning())
        return;
    const pid_t id = pid_t(pid());
    if (id > 0) {
        ::kill(id, SIGCONT); // a stopped program does not see SIGTERM
        ::kill(id, SIGTERM);
        if (waitForFinished(graceMs))
            return;
        ::kill(id, SIGKILL);
    }
    waitForFinished(5000);
}
