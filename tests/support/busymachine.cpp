#include "tests/support/busymachine.h"

#include "tests/support/childprocess.h"

#include <QThread>

BusyMachine::BusyMachine(int processes, bool ownSession)
{
    if (processes <= 0)
        processes = QThread::idealThreadCount();
    for (int i = 0; i < processes; ++i) {
        auto *child = new ChildProcess;
        // The shell's own loop: nothing to install, and nothing but the processor used.
        const QStringList loop { QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("while :; do :; done") };
        const bool started = ownSession ? child->startProgram(QStringLiteral("setsid"), loop)
                                        : child->startProgram(loop.first(), loop.mid(1));
        if (!started) {
            delete child;
            continue;
        }
        m_children.append(child);
    }
}

BusyMachine::~BusyMachine()
{
    for (ChildProcess *child : qAsConst(m_children))
        child->stop(500);
    qDeleteAll(m_children);
}
