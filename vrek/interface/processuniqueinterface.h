#ifndef PROCESSUNIQUEINTERFACE_H
#define PROCESSUNIQUEINTERFACE_H

// The one lock of the process that lets a single login-type flow run at a time, and the kind of flow that holds
// it. Only try-locks: a refused flow never waits, so the interface never blocks on it.
class ProcessUniqueInterface
{
public:
    enum ProcessType {
        ProcessNone = 0,
        ProcessNormalLogin = 1,
        ProcessReconnect = 2,
    };

    virtual ~ProcessUniqueInterface();

    static bool tryProcessLock(ProcessType type);
    // Releases only when type holds the lock; otherwise leaves it as it is (and logs when warn is set).
    static void releaseProcessLock(ProcessType type, bool warn);
    static ProcessType getProcessType();
};

#endif // PROCESSUNIQUEINTERFACE_H
