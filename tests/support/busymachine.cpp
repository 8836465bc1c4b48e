#include "tests/support/busymachine.h"

#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

BusyMachine::BusyMachine(int processes)
{
    const int count = processes > 0 ? processes : qMax(1, QThread::idealThreadCount());
    const pid_t parent = ::getpid();
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid < 0)
            break;
        if (pid == 0) {
            // Nothing but arithmetic after the fork: no lock another thread of the parent held is touched.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(0);
            volatile unsigned long counter = 0;
            for (;;)
                counter = counter + 1;
        }
        m_pids.append(pid);
    }
}

BusyMachine::~BusyMachine()
{
    for (pid_t pid : qAsConst(m_pids))
        ::kill(pid, SIGKILL);
    for (pid_t pid : qAsConst(m_pids))
        ::waitpid(pid, nullptr, 0);
}
