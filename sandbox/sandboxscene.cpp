#include "sandbox/sandboxscene.h"

#include "sandbox/classroomsandbox.h"

SandboxScene::SandboxScene(ClassroomSandbox *sandbox)
    : QObject(sandbox)
    , m_sandbox(sandbox)
{ }

SandboxScene::~SandboxScene() = default;
