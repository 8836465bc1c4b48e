#ifndef BUSYMACHINE_H
#define BUSYMACHINE_H

#include <QList>

class ChildProcess;

// A machine with other work: processes that keep every core busy while the object lives, as a school PC that
// runs other programs beside the client, and the machine a test must stand. They are stopped by their process ids
// when it goes.
class BusyMachine
{
public:
    // One process per core when the count is 0. In a session of their own they are other programs of the desktop,
    // which the kernel shares the processor with by session first; else they are the test's own work.
    explicit BusyMachine(int processes = 0, bool ownSession = false);
    ~BusyMachine();

    int processes() const { return m_children.size(); }

    BusyMachine(const BusyMachine &) = delete;
    BusyMachine &operator=(const BusyMachine &) = delete;

private:
    QList<ChildProcess *> m_children;
};

#endif // BUSYMACHINE_H
