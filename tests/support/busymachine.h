#ifndef BUSYMACHINE_H
#define BUSYMACHINE_H

#include <QList>

#include <sys/types.h>

// A machine with other work, as a student's often is: one process per processor (or as many as asked) that does
// nothing but count, at the usual priority, for as long as the object lives. The processes die with the test
// process should it die first.
class BusyMachine
{
public:
    explicit BusyMachine(int processes = 0);
    ~BusyMachine();
    int processCount() const { return m_pids.size(); }

    BusyMachine(const BusyMachine &) = delete;
    BusyMachine &operator=(const BusyMachine &) = delete;

private:
    QList<pid_t> m_pids;
};

#endif // BUSYMACHINE_H
