#include "sandbox/sandboxscene.h"

#include "sandbox/chatscene.h"

#include <QList>

// The scenes the sandbox plays, one line each.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox)
{
    QList<SandboxScene *> scenes;
    scenes << new ChatScene(sandbox);
    return scenes;
}
