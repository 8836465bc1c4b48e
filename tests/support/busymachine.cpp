#include "tests/support/busymachine.h"

#include "tests/support/childprocess.h"

#include <QThread>

BusyMachine::BusyMachine(int processes)
{
    if (processes <= 0)
        processes = QThread::idealThreadCount();
    for (int i = 0; i < processes; ++i) {
        auto *child = new ChildProcess;
        // The shell's own loop: nothing to install, and nothing but the processor used.
        if (!child->startProgram(QStringLiteral("sh"), { QStringLiteral("-c"), QStringLiteral("while :; do :; done") })) {
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
