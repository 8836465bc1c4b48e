#include "vrek/interface/processuniqueinterface.h"

#include <QDebug>
#include <QMutex>

namespace {
// Touched from the main thread only; the mutex is what makes the flows exclusive, not a thread guard.
QMutex s_processMutex;
ProcessUniqueInterface::ProcessType s_processType = ProcessUniqueInterface::ProcessNone;
} // namespace

ProcessUniqueInterface::~ProcessUniqueInterface() = default;

bool ProcessUniqueInterface::tryProcessLock(ProcessType type)
{
    if (type == ProcessNone || !s_processMutex.tryLock())
        return false;
    s_processType = type;
    return true;
}

void ProcessUniqueInterface::releaseProcessLock(ProcessType type, bool warn)
{
    if (type != ProcessNone && s_processType == type) {
        s_processType = ProcessNone;
        s_processMutex.unlock();
        return;
    }
    if (warn)
        qWarning() << "ProcessUniqueInterface::releaseProcessLock processType:" << s_processType << "pt:" << type;
}

ProcessUniqueInterface::ProcessType ProcessUniqueInterface::getProcessType()
{
    return s_processType;
}
