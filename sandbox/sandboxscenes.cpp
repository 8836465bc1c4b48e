#include "sandbox/sandboxscene.h"

#include <QList>

// The scenes the sandbox plays, one line each.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox)
{
    QList<SandboxScene *> scenes;
    Q_UNUSED(sandbox)
    return scenes;
}
