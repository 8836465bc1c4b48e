#ifndef LOCKSCENE_H
#define LOCKSCENE_H

#include "sandbox/sandboxscene.h"

#include <QStringList>

// The class's side of the lecturer's screen lock: every lock the lecturer sends to the class or to one
// participant is recorded and printed on the sandbox's standard error ("lock <target> <1|0>").
class LockScene : public SandboxScene
{
    Q_OBJECT
public:
    explicit LockScene(ClassroomSandbox *sandbox);

    bool install() override;
    QStringList lockLines() const { return m_lockLines; }

private:
    QStringList m_lockLines;
};

#endif // LOCKSCENE_H
