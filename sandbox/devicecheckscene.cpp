#include "sandbox/devicecheckscene.h"

#include "sandbox/classroomsandbox.h"

#include "tests/support/fakehttpserver.h"

DeviceCheckScene::DeviceCheckScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

bool DeviceCheckScene::install()
{
    sandbox()->http()->setJson(elapsedPath, R"({"requestStatus":"success","requestBody":""})");
    return true;
}
