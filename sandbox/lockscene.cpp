#include "sandbox/lockscene.h"

#include "sandbox/classroomsandbox.h"

#include <cstdio>

namespace {
const char *const lockKind = "2";
} // namespace

LockScene::LockScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

bool LockScene::install()
{
    // "11", class-wide (0) or personal (1), the class or person, the data, the kind.
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, [this](const QString &line) {
        const QStringList fields = line.split('\t');
        if (fields.size() != 5 || fields.at(0) != "11" || fields.at(4) != lockKind)
            return;
        m_lockLines.append(line);
        std::fprintf(stderr, "lock %s %s\n", qPrintable(fields.at(2)), qPrintable(fields.at(3)));
    });
    return true;
}
