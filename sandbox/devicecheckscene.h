#ifndef DEVICECHECKSCENE_H
#define DEVICECHECKSCENE_H

#include "sandbox/sandboxscene.h"

// The school service's side of the device check: the latency probe ("/mobile/httpElapsed") is answered at once,
// so the check's network row shows the loopback's latency.
class DeviceCheckScene : public SandboxScene
{
    Q_OBJECT
public:
    static constexpr const char *elapsedPath = "/mobile/httpElapsed";

    explicit DeviceCheckScene(ClassroomSandbox *sandbox);

    bool install() override;
};

#endif // DEVICECHECKSCENE_H
