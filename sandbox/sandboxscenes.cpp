#include "sandbox/sandboxscene.h"

#include "sandbox/coursefilescene.h"

#include <QList>

// The scenes the sandbox plays, one line each.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox)
{
    QList<SandboxScene *> scenes;
    scenes << new CourseFileScene(sandbox);
    return scenes;
}
