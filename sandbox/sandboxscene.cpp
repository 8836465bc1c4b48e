#include "sandbox/sandboxscene.h"

#include "sandbox/classroomsandbox.h"

#include <QBuffer>
#include <QImage>

SandboxScene::SandboxScene(ClassroomSandbox *sandbox)
    : QObject(sandbox)
    , m_sandbox(sandbox)
{ }

SandboxScene::~SandboxScene() = default;

QByteArray SandboxScene::pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}
