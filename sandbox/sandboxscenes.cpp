#include "sandbox/classpanelscene.h"
#include "sandbox/sandboxscene.h"

#include <QList>

// The scenes the sandbox plays, one line each.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox)
{
    QList<SandboxScene *> scenes;
    scenes << new ClassPanelScene(sandbox);
    return scenes;
}
